#include "TestSupport.h"

#include "Beispiel.h"

#include "AdoRecordset.h"
#include "Kalibrierung.h"
#include "Protokolldaten.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>

using rt::Long;
using rt::Variant;

namespace {

struct Entry {
    QString key;
    Variant value;
    bool operator==(const Entry&) const = default;
};

std::vector<Entry> entries(const Kalibrierung& k) {
    std::vector<Entry> out;
    k.DataStore()->forEach([&](const QString& key, const Variant& v) { out.push_back({key, v}); });
    return out;
}

class KalibrierungDateiTest : public ::testing::Test {
protected:
    QString path(const QString& name) const { return dir.filePath(name); }
    // Writes a recordset with the given rows (Variable, Wert).
    QString writeRecords(const QString& name, const std::vector<QStringList>& rows) {
        const QString p = path(name);
        writeFileBytes(p, ado::write({QStringLiteral("Variable"), QStringLiteral("Wert")}, rows));
        return p;
    }
    // Loads and expects an error; the calibration must stay as it was.
    void expectLoadFails(const QString& file, int number, const char* reason) {
        Kalibrierung k;
        fillWorkedExample(k);
        const auto before = entries(k);
        QSignalSpy spy(&k, &Kalibrierung::IsDirtyChanged);
        try {
            k.LoadFile(file);
            ADD_FAILURE() << "no error for " << file.toStdString();
        } catch (const rt::RuntimeError& e) {
            EXPECT_EQ(e.number(), number) << e.what();
            EXPECT_TRUE(e.description().contains(QString::fromUtf8(reason))) << e.what();
        }
        EXPECT_EQ(entries(k), before) << file.toStdString();
        EXPECT_EQ(spy.count(), 0);
    }
    QTemporaryDir dir;
};

} // namespace

TEST_F(KalibrierungDateiTest, FreshCalibrationSavesHeaderAnd41RecordsInOrder) {
    Kalibrierung k;
    k.SaveFile(path(QStringLiteral("neu.xml")));
    const ado::Recordset rs = ado::read(readFileBytes(path(QStringLiteral("neu.xml"))));
    ASSERT_EQ(rs.rows.size(), 42u);
    EXPECT_EQ(*rs.rows[0][0], QStringLiteral("KalibrierungVelmorTeilE4"));
    EXPECT_EQ(*rs.rows[0][1], QStringLiteral("V1"));
    const QStringList keys = k.DataStore()->keys();
    for (int i = 0; i < 41; ++i) {
        EXPECT_EQ(*rs.rows[i + 1][0], keys[i]);
        EXPECT_EQ(*rs.rows[i + 1][1], k.DataStore()->find(keys[i])->toText());
    }
    EXPECT_EQ(*rs.rows[2][0], QStringLiteral("IsDirty"));
    EXPECT_EQ(*rs.rows[2][1], QStringLiteral("False"));
    EXPECT_EQ(*rs.rows[18][0], QStringLiteral("Protokoll Verdichtung Unterlage Bodenart DIN 4022"));
    EXPECT_EQ(*rs.rows[18][1], QString());
    EXPECT_EQ(*rs.rows[17][1], QStringLiteral("0,65"));
    // Saving changes neither the map nor the flag.
    EXPECT_EQ(k.DataStore()->count(), 41);
    EXPECT_FALSE(k.IsDirty());
}

TEST_F(KalibrierungDateiTest, SaveAndLoadRoundTripKeepsKeysTextsAndOrder) {
    Kalibrierung a;
    fillWorkedExample(a);
    a.DirektesPrüfmerkmal().setName(QStringLiteral("Verdichtungsgrad"));
    a.DirektesPrüfmerkmal().setFormelzeichen(QStringLiteral("DPr"));
    a.DirektesPrüfmerkmal().setEinheit(QStringLiteral("%"));
    a.setMesswert(pmDirekt, 1, 1, 98.5);
    a.DataStoreLet(QStringLiteral("Protokoll Verdichtung Kalibrierfeld Bemerkungen"),
                   QStringLiteral("Müller & Co\r\nZeile 2\tmit Tab 'x' <y>"));
    a.DataStore()->setValue(QStringLiteral("X"), Variant(u"unbekannt"));
    a.SaveFile(path(QStringLiteral("a.xml")));

    Kalibrierung b;
    b.LoadFile(path(QStringLiteral("a.xml")));
    // Same keys in the same order, each value as text; the header record at the end.
    QStringList loadedKeys = b.DataStore()->keys();
    EXPECT_EQ(loadedKeys.indexOf(QStringLiteral("KalibrierungVelmorTeilE4")), 41);
    loadedKeys.removeAll(QStringLiteral("KalibrierungVelmorTeilE4"));
    EXPECT_EQ(loadedKeys, a.DataStore()->keys());
    a.DataStore()->forEach([&](const QString& key, const Variant& v) {
        const Variant* loaded = b.DataStore()->find(key);
        ASSERT_NE(loaded, nullptr) << key.toStdString();
        EXPECT_EQ(loaded->type(), Variant::Type::String);
        EXPECT_EQ(loaded->toText(), v.toText()) << key.toStdString();
    });
    EXPECT_EQ(*b.DataStore()->find(QStringLiteral(
                  "minimales Bestimmtheitsmaß Indirektes Prüfmerkmal, Direktes Prüfmerkmal")),
              Variant(u"0,65"));
    EXPECT_EQ(b.MinBestimmtheitsmaßIndirektDirekt(), 0.65);
    EXPECT_EQ(*b.DataStore()->find(QStringLiteral("Messwert direktes Prüfmerkmal 1.1")),
              Variant(u"98,5"));
    EXPECT_EQ(b.DataStore()->keys().last(), QStringLiteral("X"));
    EXPECT_EQ(b.DataStore()->find(QStringLiteral("KalibrierungVelmorTeilE4"))->toText(),
              QStringLiteral("V1"));
    EXPECT_TRUE(b.IsDirty()); // the stored flag; the caller clears it
    EXPECT_EQ(b.StatistikKalibriergeradeAnstiegString(mIndirekt, mDirekt),
              a.StatistikKalibriergeradeAnstiegString(mIndirekt, mDirekt));

    // Saving the loaded calibration writes the header first and again at its place;
    // loading that gives the same map.
    b.SaveFile(path(QStringLiteral("b.xml")));
    Kalibrierung c;
    c.LoadFile(path(QStringLiteral("b.xml")));
    EXPECT_EQ(entries(c), entries(b));
}

// The report header survives saving and loading, a multi-line Prüfstelle
// with its line breaks; an older file without it reads as empty.
TEST_F(KalibrierungDateiTest, TheReportHeaderRoundTrips) {
    Kalibrierung a;
    fillWorkedExample(a);
    a.DataStoreLet(BauvorhabenSchlüssel, QStringLiteral("B 12, Ortsumgehung"));
    a.DataStoreLet(AuftraggeberSchlüssel, QStringLiteral("Land & Bund <AG>"));
    a.DataStoreLet(PrüfstelleSchlüssel, QStringLiteral("Erdbaulabor Süd\nAm Damm 3\n80000 Ort"));
    a.DataStoreLet(BearbeiterSchlüssel, QStringLiteral("M. Muster"));
    a.DataStoreLet(BerichtsnummerSchlüssel, QStringLiteral("KB-2025/017"));
    a.DataStoreLet(BerichtsdatumSchlüssel, QStringLiteral("14.03.2025"));
    a.SaveFile(path(QStringLiteral("kopf.xml")));
    Kalibrierung b;
    b.LoadFile(path(QStringLiteral("kopf.xml")));
    const QList<Berichtsangabe> vorher = Berichtskopf(a);
    const QList<Berichtsangabe> nachher = Berichtskopf(b);
    ASSERT_EQ(nachher.size(), 6);
    for (qsizetype i = 0; i < vorher.size(); ++i) {
        EXPECT_EQ(nachher[i].schlüssel, vorher[i].schlüssel);
        EXPECT_EQ(nachher[i].wert, vorher[i].wert) << vorher[i].schlüssel.toStdString();
    }
    EXPECT_EQ(nachher[2].wert, QStringLiteral("Erdbaulabor Süd\nAm Damm 3\n80000 Ort"));
    EXPECT_TRUE(UnfertigeProtokolldaten(b, 1).isEmpty());
    // The old keys are all still there.
    for (const QString& key : ProtokollSchlüssel(a)) {
        if (a.DataStore()->exists(key)) {
            EXPECT_TRUE(b.DataStore()->exists(key)) << key.toStdString();
        }
    }

    Kalibrierung c;
    c.SaveFile(path(QStringLiteral("alt.xml")));
    Kalibrierung d;
    d.LoadFile(path(QStringLiteral("alt.xml")));
    for (const Berichtsangabe& angabe : Berichtskopf(d))
        EXPECT_EQ(angabe.wert, QString());
    EXPECT_EQ(UnfertigeProtokolldaten(d, 1).size(), 6);
}

TEST_F(KalibrierungDateiTest, LoadingKeepsDefaultsAndSkipsEmptyKeys) {
    const QString file =
        writeRecords(QStringLiteral("teil.xml"),
                     {{QStringLiteral("KalibrierungVelmorTeilE4"), QStringLiteral("V1")},
                      {QString(), QStringLiteral("ohne Schlüssel")},
                      {QStringLiteral("Kovariable Name"), QStringLiteral("Übergänge")},
                      {QStringLiteral("X"), QStringLiteral("1")}});
    Kalibrierung k;
    k.setPrüffelderAnzahl(7);
    k.LoadFile(file);
    EXPECT_EQ(k.PrüffelderAnzahl(), 3); // not in the file: the default
    EXPECT_EQ(k.Kovariable().Name(), QStringLiteral("Übergänge"));
    const QStringList keys = k.DataStore()->keys();
    EXPECT_EQ(keys.size(), 43);
    EXPECT_EQ(keys[5], QStringLiteral("Kovariable Name")); // kept its Reset position
    EXPECT_EQ(keys[41], QStringLiteral("KalibrierungVelmorTeilE4"));
    EXPECT_EQ(keys[42], QStringLiteral("X"));

    // Rows without the Variable attribute are skipped too.
    const QString noVariable = path(QStringLiteral("ohne.xml"));
    writeFileBytes(noVariable,
                   "<xml xmlns:s='uuid:BDC6E3F0-6DA3-11d1-A2A3-00AA00C14882' "
                   "xmlns:rs='urn:schemas-microsoft-com:rowset' xmlns:z='#RowsetSchema'>"
                   "<s:Schema id='RowsetSchema'><s:ElementType name='row'>"
                   "<s:AttributeType name='variable'/><s:AttributeType name='WERT'/>"
                   "</s:ElementType></s:Schema><rs:data><z:row WERT='9'/>"
                   "<z:row variable='Anzahl Prüffelder' WERT='5'/><z:row variable='Y'/>"
                   "</rs:data></xml>");
    k.LoadFile(noVariable);
    EXPECT_EQ(k.PrüffelderAnzahl(), 5);
    EXPECT_EQ(k.DataStore()->count(), 42);
    EXPECT_EQ(*k.DataStore()->find(QStringLiteral("Y")), Variant(QString()));
}

TEST_F(KalibrierungDateiTest, EmptyRecordsetLoadsAsPlainReset) {
    const QString file = writeRecords(QStringLiteral("leer.xml"), {});
    Kalibrierung k;
    fillWorkedExample(k);
    k.LoadFile(file);
    Kalibrierung fresh;
    EXPECT_EQ(entries(k), entries(fresh));
    EXPECT_FALSE(k.IsDirty());
}

TEST_F(KalibrierungDateiTest, BrokenFilesNeverChangeTheCalibration) {
    const QString good = path(QStringLiteral("gut.xml"));
    Kalibrierung source;
    fillWorkedExample(source);
    source.SaveFile(good);
    const QByteArray bytes = readFileBytes(good);

    writeFileBytes(path(QStringLiteral("text.xml")), "Variable;Wert\nAnzahl Prüffelder;5\n");
    expectLoadFails(path(QStringLiteral("text.xml")), rt::err::RecordsetSource,
                    "kein wohlgeformtes XML");
    const qsizetype middle = bytes.indexOf("Messwert direktes Prüfmerkmal 2.2");
    writeFileBytes(path(QStringLiteral("kurz.xml")), bytes.left(middle));
    expectLoadFails(path(QStringLiteral("kurz.xml")), rt::err::RecordsetSource, "vorzeitig");
    writeFileBytes(path(QStringLiteral("fremd.xml")),
                   "<?xml version='1.0'?><kalibrierung><wert name='a'>1</wert></kalibrierung>");
    expectLoadFails(path(QStringLiteral("fremd.xml")), rt::err::RecordsetSource, "Wurzelelement");
    QByteArray noData = bytes.left(bytes.indexOf("<rs:data>")) + "</xml>";
    writeFileBytes(path(QStringLiteral("ohnedaten.xml")), noData);
    expectLoadFails(path(QStringLiteral("ohnedaten.xml")), rt::err::RecordsetSource, "rs:data");
    // Tables that are no calibration: the fields are read by name, never by position.
    writeFileBytes(path(QStringLiteral("einfeld.xml")),
                   ado::write({QStringLiteral("Name")}, {{QStringLiteral("a")}}));
    expectLoadFails(path(QStringLiteral("einfeld.xml")), rt::err::ItemNotFound, "„Variable“");
    writeFileBytes(path(QStringLiteral("tabelle.xml")),
                   ado::write({QStringLiteral("ID"), QStringLiteral("Name")},
                              {{QStringLiteral("Anzahl Prüffelder"), QStringLiteral("9")}}));
    expectLoadFails(path(QStringLiteral("tabelle.xml")), rt::err::ItemNotFound, "„Variable“");
    writeFileBytes(path(QStringLiteral("wertfehlt.xml")),
                   ado::write({QStringLiteral("Variable"), QStringLiteral("Werte")},
                              {{QStringLiteral("Anzahl Prüffelder"), QStringLiteral("9")}}));
    expectLoadFails(path(QStringLiteral("wertfehlt.xml")), rt::err::ItemNotFound, "„Wert“");
    expectLoadFails(path(QStringLiteral("gibtsnicht.xml")), rt::err::FileNotFound,
                    "gibtsnicht.xml");
    expectLoadFails(dir.path(), rt::err::PathFileAccessError, "Zugriff");
}

TEST_F(KalibrierungDateiTest, SavingNeverOverwritesAndLeavesNoPartialFile) {
    Kalibrierung k;
    const QString target = path(QStringLiteral("da.xml"));
    writeFileBytes(target, "alt");
    EXPECT_EQ(errorNumberOf([&] { k.SaveFile(target); }), rt::err::FileAlreadyExists);
    EXPECT_EQ(readFileBytes(target), QByteArray("alt"));
    EXPECT_EQ(errorNumberOf([&] { k.SaveFile(path(QStringLiteral("fehlt/x.xml"))); }),
              rt::err::PathNotFound);
    // A value that has no text (null) fails before anything is written.
    k.DataStore()->setValue(QStringLiteral("N"), Variant::null());
    EXPECT_EQ(errorNumberOf([&] { k.SaveFile(path(QStringLiteral("null.xml"))); }),
              rt::err::InvalidUseOfNull);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("da.xml")});
    // A folder that cannot be written.
    const QString locked = path(QStringLiteral("gesperrt"));
    QDir(dir.path()).mkdir(QStringLiteral("gesperrt"));
    QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    k.DataStore()->remove(QStringLiteral("N"));
    if (!QFileInfo(locked).isWritable()) {
        EXPECT_EQ(errorNumberOf([&] { k.SaveFile(locked + QStringLiteral("/x.xml")); }),
                  rt::err::PathFileAccessError);
        EXPECT_TRUE(QDir(locked).entryList(QDir::Files | QDir::Hidden).isEmpty());
    }
    QFile::setPermissions(locked,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    k.SaveFile(locked + QStringLiteral("/x.xml"));
    EXPECT_TRUE(QFileInfo(locked + QStringLiteral("/x.xml")).isReadable());
}

TEST_F(KalibrierungDateiTest, ContentStringRoundTripKeepsValueTypes) {
    Kalibrierung a;
    fillWorkedExample(a);
    a.DataStore()->setValue(QStringLiteral("Leer"), Variant());
    a.DataStore()->setValue(QStringLiteral("Wahr"), Variant(true));
    const QByteArray block = a.ContentString();
    Kalibrierung b;
    b.setContentString(block);
    EXPECT_EQ(entries(b), entries(a));
    EXPECT_EQ(b.DataStore()->find(QStringLiteral("Anzahl Prüffelder"))->type(),
              Variant::Type::LongInteger);
    EXPECT_EQ(b.DataStore()->find(QStringLiteral("Name Prüffeld 2"))->type(),
              Variant::Type::Double);
    EXPECT_FALSE(b.DataStore()->exists(QStringLiteral("KalibrierungVelmorTeilE4")));

    // The block's entries: Key1, Val1, ..., Count.
    rt::PropertyBag bag;
    bag.setContents(block);
    EXPECT_EQ(bag.readProperty(QStringLiteral("Count")), Variant(Long(a.DataStore()->count())));
    EXPECT_EQ(bag.readProperty(QStringLiteral("Key2")), Variant(u"IsDirty"));

    // A damaged block raises before anything changes.
    const auto before = entries(b);
    EXPECT_EQ(errorNumberOf([&] { b.setContentString(block.left(20)); }),
              rt::err::InvalidPropertyValue);
    EXPECT_EQ(entries(b), before);
}

// Every file the program writes loads back to the same store; a text that XML
// cannot carry at all refuses the save before anything is written.
TEST_F(KalibrierungDateiTest, EverySavedFileLoadsAgain) {
    auto roundTrip = [&](const QString& key, const QString& value) {
        Kalibrierung a;
        a.DataStore()->setValue(key, Variant(value));
        const QString file = path(QStringLiteral("rund.xml"));
        QFile::remove(file);
        a.SaveFile(file);
        Kalibrierung b;
        b.LoadFile(file);
        return b.DataStore()->find(key) && *b.DataStore()->find(key) == Variant(value);
    };
    // Every control character, written raw as the recordset layer does.
    QString controls;
    for (char16_t c = 0; c < 0x20; ++c)
        controls += QChar(c);
    EXPECT_TRUE(roundTrip(QStringLiteral("Steuerzeichen"), controls));
    EXPECT_TRUE(roundTrip(controls.mid(1) + QStringLiteral(" im Schlüssel"), QStringLiteral("x")));
    // Private code points next to controls: each is kept as it is.
    QString privat = QString::fromUcs4(U"\U000F0001\U000F001F\U00100001\U0010FFFD");
    for (char16_t c = 0xE000; c < 0xE004; ++c)
        privat += QString(QChar(c)) + QChar(c) + u'A' + QChar(c) + u'@';
    EXPECT_TRUE(roundTrip(QStringLiteral("Privat"), privat + QChar(1) + privat + QChar(0xE000)));
    EXPECT_TRUE(roundTrip(QString(QChar(0xE000)) + QChar(0x1F) + QChar(0xE000), privat));
    EXPECT_TRUE(roundTrip(QStringLiteral("Zeichen"),
                          QString::fromUcs4(U"\u00e4\u20ac\U0001F600\uFFFD\uFFFC\U0010FFFF")));

    struct Case {
        QString key;
        QString value;
        const char* reason;
    };
    const Case unwritable[] = {
        {QStringLiteral("Bemerkung"), QStringLiteral("ab") + QChar(0xFFFF), "Stelle 3"},
        {QStringLiteral("Bemerkung"), QString(QChar(0xFFFE)), "U+FFFE"},
        {QStringLiteral("Bemerkung"), QStringLiteral("x") + QChar(0xD800) + u'y', "U+D800"},
        {QStringLiteral("Bemerkung"), QString(QChar(0xDC00)), "U+DC00"},
        {QStringLiteral("Bemerkung"), QStringLiteral("a") + QChar(0xDBFF), "Stelle 2"},
        {QStringLiteral("Schlüssel ") + QChar(0xFFFF), QStringLiteral("1"), "„Variable“"},
    };
    for (const Case& c : unwritable) {
        SCOPED_TRACE(c.reason);
        Kalibrierung k;
        k.DataStore()->setValue(c.key, Variant(c.value));
        const QString file = path(QStringLiteral("nicht.xml"));
        try {
            k.SaveFile(file);
            ADD_FAILURE() << "saved";
        } catch (const rt::RuntimeError& e) {
            EXPECT_EQ(e.number(), rt::err::InvalidProcedureCall);
            EXPECT_TRUE(e.description().contains(QString::fromUtf8(c.reason))) << e.what();
            EXPECT_TRUE(e.description().startsWith(QStringLiteral("Die Datei kann nicht")));
        }
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
                  QStringList{QStringLiteral("rund.xml")});
    }
}

// Replacing a file keeps the old one until the new one is complete.
TEST_F(KalibrierungDateiTest, ReplacingAFileKeepsTheOldOneUntilTheNewIsComplete) {
    Kalibrierung k;
    fillWorkedExample(k);
    const QString target = path(QStringLiteral("alt.xml"));
    writeFileBytes(target, "alt");
    QFile::setPermissions(target, QFileDevice::ReadOwner);
    k.ReplaceFile(target);
    Kalibrierung loaded;
    loaded.LoadFile(target);
    EXPECT_EQ(loaded.PrüfpunkteTotal(), 9);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("alt.xml")});

    // Through a link: the file it points to is replaced, the link stays.
    const QString link = path(QStringLiteral("verweis.xml"));
    QFile::link(target, link);
    k.setPrüffelderAnzahl(4);
    k.ReplaceFile(link);
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    loaded.LoadFile(target);
    EXPECT_EQ(loaded.PrüffelderAnzahl(), 4);

    // A folder that cannot be written: error, old file untouched.
    const QString locked = path(QStringLiteral("gesperrt"));
    QDir(dir.path()).mkdir(QStringLiteral("gesperrt"));
    writeFileBytes(locked + QStringLiteral("/k.xml"), "alt");
    QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    if (!QFileInfo(locked).isWritable()) {
        EXPECT_EQ(errorNumberOf([&] { k.ReplaceFile(locked + QStringLiteral("/k.xml")); }),
                  rt::err::PathFileAccessError);
        EXPECT_EQ(readFileBytes(locked + QStringLiteral("/k.xml")), QByteArray("alt"));
    }
    QFile::setPermissions(locked,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    // A folder as target is refused.
    EXPECT_EQ(errorNumberOf([&] { k.ReplaceFile(locked); }), rt::err::PathFileAccessError);
}
