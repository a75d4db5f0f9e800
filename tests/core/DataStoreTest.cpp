#include "TestSupport.h"

#include "DataStore.h"

using rt::Variant;

TEST(DataStoreTest, InsertionOrderPlainReadsAndExistence) {
    DataStore store;
    store.setValue(QStringLiteral("b"), Variant(rt::Long(1)));
    store.setValue(QStringLiteral("a"), Variant(u"x"));
    EXPECT_FALSE(store.exists(QStringLiteral("c")));
    EXPECT_EQ(store.count(), 2);
    // A plain read inserts the missing key at the end with the empty value.
    EXPECT_TRUE(store.value(QStringLiteral("c")).isEmpty());
    EXPECT_TRUE(store.exists(QStringLiteral("c")));
    // Keys compare exactly.
    EXPECT_FALSE(store.exists(QStringLiteral("A")));
    EXPECT_EQ(store.find(QStringLiteral("A")), nullptr);
    // Overwriting keeps the position.
    store.setValue(QStringLiteral("b"), Variant(2.5));
    EXPECT_EQ(store.keys(),
              (QStringList{QStringLiteral("b"), QStringLiteral("a"), QStringLiteral("c")}));
    EXPECT_EQ(store.value(QStringLiteral("b")), Variant(2.5));
}

TEST(DataStoreTest, RemovalKeepsTheOrderOfTheRestAndCountsRevisions) {
    DataStore store;
    for (int i = 0; i < 200; ++i)
        store.setValue(QString::number(i), Variant(rt::Long(i)));
    const quint64 before = store.revision();
    for (int i = 0; i < 200; i += 2)
        EXPECT_TRUE(store.remove(QString::number(i)));
    EXPECT_FALSE(store.remove(QStringLiteral("0")));
    EXPECT_GT(store.revision(), before);
    EXPECT_EQ(store.count(), 100);
    QStringList expected;
    for (int i = 1; i < 200; i += 2)
        expected.append(QString::number(i));
    EXPECT_EQ(store.keys(), expected);
    EXPECT_EQ(store.value(QStringLiteral("199")), Variant(rt::Long(199)));
    // A removed key comes back at the end.
    store.setValue(QStringLiteral("0"), Variant(u"neu"));
    EXPECT_EQ(store.keys().last(), QStringLiteral("0"));

    const quint64 beforeRead = store.revision();
    store.value(QStringLiteral("1"));
    EXPECT_EQ(store.revision(), beforeRead); // reading an existing key changes nothing
    store.removeAll();
    EXPECT_EQ(store.count(), 0);
    EXPECT_TRUE(store.keys().isEmpty());
}

namespace {
QList<std::pair<QString, QString>> inhalt(const DataStore& store) {
    QList<std::pair<QString, QString>> result;
    store.forEach([&](const QString& key, const Variant& value) {
        result.append({key, value.isEmpty() ? QStringLiteral("<leer>") : value.toText()});
    });
    return result;
}
} // namespace

TEST(DataStoreTest, RecordedChangesUndoAndRedoExactlyIncludingTheOrder) {
    DataStore store;
    for (const char* key : {"a", "b", "c", "d", "IsDirty"})
        store.setValue(QString::fromLatin1(key), Variant(QString::fromLatin1(key)));
    const auto vorher = inhalt(store);

    store.beginRecording({QStringLiteral("IsDirty")});
    store.setValue(QStringLiteral("b"), Variant(2.5));
    store.setValue(QStringLiteral("b"), Variant(3.5)); // only the first state counts
    store.remove(QStringLiteral("a"));
    store.setValue(QStringLiteral("neu"), Variant(rt::Long(7)));
    store.setValue(QStringLiteral("IsDirty"), Variant(true));
    store.value(QStringLiteral("gelesen"));             // read into existence: no change
    store.setValue(QStringLiteral("c"), Variant(u"c")); // the same value: no change
    const StoreChanges changes = store.endRecording();
    const auto nachher = inhalt(store);

    QStringList keys;
    for (const auto& e : changes.entries)
        keys.append(e.key);
    EXPECT_EQ(keys, (QStringList{QStringLiteral("b"), QStringLiteral("a"), QStringLiteral("neu")}));
    ASSERT_TRUE(changes.orderBefore.has_value());

    store.apply(changes, true);
    auto erwartet = vorher;
    erwartet[4].second = Variant(true).toText(); // ignored keys keep what they hold now
    erwartet.append({QStringLiteral("gelesen"), QStringLiteral("<leer>")});
    EXPECT_EQ(inhalt(store), erwartet);
    store.apply(changes, false);
    EXPECT_EQ(inhalt(store), nachher);

    // Applied to a store that does not hold the state it leaves, a step is
    // refused before it changes anything.
    EXPECT_EQ(errorNumberOf([&] { store.apply(changes, false); }), rt::err::InvalidProcedureCall);
    store.setValue(QStringLiteral("neu"), Variant(rt::Long(8)));
    const auto später = inhalt(store);
    EXPECT_EQ(errorNumberOf([&] { store.apply(changes, true); }), rt::err::InvalidProcedureCall);
    EXPECT_EQ(inhalt(store), später);

    // A key the step created, seeded again after its undo, is taken over by
    // the redo (as page 2 seeds each field's protocol entry).
    store.setValue(QStringLiteral("neu"), Variant(rt::Long(7)));
    store.apply(changes, true);
    store.setValue(QStringLiteral("neu"), Variant(rt::Long(9)));
    store.apply(changes, false);
    EXPECT_EQ(inhalt(store), nachher);
}

TEST(DataStoreTest, RemoveAllWhileRecordingCanBeUndoneAndNothingIsRecordedOtherwise) {
    DataStore store;
    store.setValue(QStringLiteral("x"), Variant(rt::Long(1)));
    store.setValue(QStringLiteral("y"), Variant(rt::Long(2)));
    const auto vorher = inhalt(store);
    store.beginRecording();
    store.removeAll();
    store.setValue(QStringLiteral("y"), Variant(rt::Long(3)));
    const StoreChanges changes = store.endRecording();
    EXPECT_EQ(store.count(), 1);
    store.apply(changes, true);
    EXPECT_EQ(inhalt(store), vorher);

    // A record taken back leaves every key as it was, in its place; one
    // read into existence is gone again.
    store.beginRecording();
    store.remove(QStringLiteral("x"));
    store.setValue(QStringLiteral("x"), Variant(u"neu"));
    store.setValue(QStringLiteral("y"), Variant(rt::Long(5)));
    store.value(QStringLiteral("gelesen"));
    const quint64 revision = store.revision();
    store.cancelRecording();
    EXPECT_FALSE(store.isRecording());
    EXPECT_EQ(inhalt(store), vorher);
    EXPECT_GT(store.revision(), revision);

    // Without a record nothing is kept.
    store.setValue(QStringLiteral("z"), Variant(rt::Long(4)));
    EXPECT_TRUE(store.endRecording().isEmpty());
    EXPECT_FALSE(store.isRecording());
}
