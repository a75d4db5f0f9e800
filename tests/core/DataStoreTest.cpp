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
