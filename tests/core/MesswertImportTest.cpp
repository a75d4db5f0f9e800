#include "TestSupport.h"

#include "Beispiel.h"
#include "Kalibrierung.h"
#include "MesswertImport.h"
#include "Protokolldaten.h"

#include <QRandomGenerator>
#include <QSignalSpy>

using namespace MesswertImport;

namespace {

Kalibrierung& beschrieben() {
    static Kalibrierung k;
    static bool done = false;
    if (!done) {
        describeWorkedExample(k);
        k.Kovariable().setFormelzeichen(QStringLiteral("Z"));
        done = true;
    }
    return k;
}

QVector<std::pair<double, double>> punkte(const Ergebnis& e, int feld) {
    return e.felder.value(feld).punkte;
}

} // namespace

TEST(MesswertImportTest, NumbersReadWithTheChosenSeparatorOnly) {
    EXPECT_EQ(zahl(u"95,5", Dezimal::Komma), 95.5);
    EXPECT_EQ(zahl(u" -1.234,5 ", Dezimal::Komma), -1234.5);
    EXPECT_EQ(zahl(u"1,234.5", Dezimal::Punkt), 1234.5);
    EXPECT_EQ(zahl(u"95.5", Dezimal::Punkt), 95.5);
    EXPECT_EQ(zahl(u"1.234", Dezimal::Komma), 1234.0);
    EXPECT_EQ(zahl(u"1.234", Dezimal::Punkt), 1.234);
    // Exponents as the run-time writes them.
    EXPECT_EQ(zahl(u"1E-05", Dezimal::Komma), 1e-05);
    EXPECT_EQ(zahl(u"1,5E+15", Dezimal::Komma), 1.5e15);
    EXPECT_EQ(zahl(u"2.5e3", Dezimal::Punkt), 2500.0);
    // Groups are of three digits; one separator of each kind at most.
    for (const char* text :
         {"95.5", "1.23,5", "12.34", "1,2,3", "", "-", ",", "5,", "1e", "E5", "1e400", "x"})
        EXPECT_FALSE(zahl(QString::fromLatin1(text), Dezimal::Komma)) << text;
    EXPECT_FALSE(zahl(u"95,5", Dezimal::Punkt));
    EXPECT_FALSE(zahl(u"95", Dezimal::Unbestimmt));
}

TEST(MesswertImportTest, PlainTableWithDecimalPointIsDetectedAndGroupedByCovariable) {
    const Tabelle t = Tabelle::ausBytes("Z;DPr;EVD\r\n2;95.5;30.25\r\n2;96;32\r\n4;98;40\r\n"
                                        "2;97;34\r\n4;99;42\r\n4;100;44\r\n6;101;50\r\n6;102;52\r\n"
                                        "6;103;54\r\n");
    EXPECT_EQ(t.zeichensatz(), QStringLiteral("UTF-8"));
    const Lesart l = t.erkennen(beschrieben());
    EXPECT_EQ(l.trenner, u';');
    EXPECT_TRUE(l.kopfzeile);
    EXPECT_EQ(l.dezimal, Dezimal::Punkt);
    EXPECT_EQ(l.spalten, (QVector<Spalte>{Spalte::Kovariable, Spalte::Direkt, Spalte::Indirekt}));
    const Ergebnis e = t.lesen(l);
    EXPECT_TRUE(e.hindernis.isEmpty()) << e.hindernis.toStdString();
    EXPECT_TRUE(e.fehler.isEmpty());
    ASSERT_EQ(e.felder.size(), 3);
    // Fields in order of first appearance; points in row order within a field.
    EXPECT_EQ(e.felder[0].kovariable, 2.0);
    EXPECT_EQ(punkte(e, 0),
              (QVector<std::pair<double, double>>{{95.5, 30.25}, {96, 32}, {97, 34}}));
    EXPECT_EQ(e.felder[1].kovariable, 4.0);
    EXPECT_EQ(e.felder[2].punkte.size(), 3);
    EXPECT_EQ(e.gelesen, 9);
}

TEST(MesswertImportTest, Latin1WithoutHeaderAndTabsOrCommas) {
    // "Übergänge" in Latin-1, decimal comma, header by name.
    QByteArray latin = "Pr\xFC"
                       "ffeld;Anzahl der \xDC"
                       "berg\xE4"
                       "nge;Verdichtungsgrad;EVD\n";
    for (int f = 1; f <= 3; ++f)
        for (int p = 0; p < 3; ++p)
            latin += QByteArray::number(f) + ";" + QByteArray::number(2 * f) + ";9" +
                     QByteArray::number(p) + ",5;" + QByteArray::number(30 + p) + "\n";
    const Tabelle t = Tabelle::ausBytes(latin);
    EXPECT_EQ(t.zeichensatz(), QStringLiteral("Latin-1"));
    Lesart l = t.erkennen(beschrieben());
    EXPECT_EQ(l.spalten, (QVector<Spalte>{Spalte::Prüffeld, Spalte::Kovariable, Spalte::Direkt,
                                          Spalte::Indirekt}));
    EXPECT_EQ(l.dezimal, Dezimal::Komma);
    Ergebnis e = t.lesen(l);
    ASSERT_EQ(e.felder.size(), 3);
    EXPECT_EQ(e.felder[2].kovariable, 6.0);
    EXPECT_EQ(e.felder[2].punkte[1], std::make_pair(91.5, 31.0));

    // Tabs, no header, a UTF-8 byte-order mark: by position.
    const Tabelle tabs = Tabelle::ausBytes("\xEF\xBB\xBF"
                                           "2\t95\t30\n2\t96\t32\n2\t97\t34\n"
                                           "4\t98\t40\n4\t99\t42\n4\t100\t44\n6\t101\t50\n"
                                           "6\t102\t52\n6\t103\t54");
    l = tabs.erkennen(beschrieben());
    EXPECT_EQ(l.trenner, u'\t');
    EXPECT_FALSE(l.kopfzeile);
    // Whole numbers read the same both ways.
    EXPECT_EQ(l.dezimal, Dezimal::Komma);
    e = tabs.lesen(l);
    EXPECT_EQ(e.gelesen, 9);
    EXPECT_EQ(e.felder[0].punkte[0], std::make_pair(95.0, 30.0));

    // Commas between cells, quoted cells, decimal point.
    const Tabelle kommas = Tabelle::ausBytes("Z,DPr,EVD\n2,\"95.5\",30\n2,96,32\n2,97,34\n4,98,40\n"
                                             "4,99,42\n4,100,44\n6,101,50\n6,102,52\n6,103,54\n");
    l = kommas.erkennen(beschrieben());
    EXPECT_EQ(l.trenner, u',');
    EXPECT_EQ(l.dezimal, Dezimal::Punkt);
    EXPECT_EQ(kommas.lesen(l).felder[0].punkte[0].first, 95.5);
}

TEST(MesswertImportTest, AmbiguousDecimalsAreNeverGuessed) {
    const Tabelle t = Tabelle::ausBytes("Z;DPr;EVD\n2;1.234;30\n2;1.235;32\n2;1.236;34\n"
                                        "4;1.237;40\n4;1.238;42\n4;1.239;44\n6;1.240;50\n"
                                        "6;1.241;52\n6;1.242;54\n");
    Lesart l = t.erkennen(beschrieben());
    EXPECT_EQ(l.dezimal, Dezimal::Unbestimmt);
    EXPECT_FALSE(t.lesen(l).hindernis.isEmpty());
    l.dezimal = Dezimal::Punkt;
    EXPECT_EQ(t.lesen(l).felder[0].punkte[0].first, 1.234);
    l.dezimal = Dezimal::Komma;
    EXPECT_EQ(t.lesen(l).felder[0].punkte[0].first, 1234.0);
    // Both separators in the data: the user chooses as well.
    const Tabelle gemischt = Tabelle::ausBytes("Z;DPr;EVD\n2;95,5;30\n2;95.5;30\n");
    EXPECT_EQ(gemischt.erkennen(beschrieben()).dezimal, Dezimal::Unbestimmt);
}

TEST(MesswertImportTest, BadRowsAreListedWithLineAndReasonAndTheRestIsRead) {
    const Tabelle t = Tabelle::ausBytes("Z;DPr;EVD\n"
                                        "2;95;30\n2;96;32\n2;97;34\n2;abc;35\n"
                                        "4;98;40\n4;99\n\n4;99;42\n4;100;44\n;100;44\n"
                                        "6;101;50\n6;102;\n6;102;52\n6;103;54\n"
                                        "\nStatistische Größe;Wert;Wertung\nMittelwerte;;\n");
    const Ergebnis e = t.lesen(t.erkennen(beschrieben()));
    ASSERT_EQ(e.fehler.size(), 4);
    EXPECT_EQ(e.fehler[0].zeile, 5);
    EXPECT_EQ(e.fehler[0].grund, QStringLiteral("„abc“ ist kein Zahlenwert für direktes "
                                                "Prüfmerkmal."));
    EXPECT_EQ(e.fehler[1].zeile, 7);
    EXPECT_EQ(e.fehler[1].grund, QStringLiteral("Die Zeile hat 2 statt 3 Spalten."));
    EXPECT_EQ(e.fehler[2].zeile, 11);
    EXPECT_EQ(e.fehler[2].grund, QStringLiteral("Kein Wert für Kovariable."));
    EXPECT_EQ(e.fehler[3].zeile, 13);
    // An empty line inside the data does not end the table; one before a
    // block without values (the export's results) does.
    EXPECT_EQ(e.endeBeiZeile, 17);
    EXPECT_EQ(e.gelesen, 9);
    EXPECT_TRUE(e.hindernis.isEmpty());
}

TEST(MesswertImportTest, WhatACalibrationCannotHoldIsRefusedAsAWhole) {
    auto hindernis = [](const QByteArray& bytes) {
        const Tabelle t = Tabelle::ausBytes(bytes);
        return t.lesen(t.erkennen(beschrieben())).hindernis;
    };
    EXPECT_TRUE(hindernis("Z;DPr;EVD\n2;95;30\n2;96;32\n2;97;34\n4;98;40\n4;99;42\n4;100;44\n")
                    .contains(QStringLiteral("ergeben 2 Prüffelder")));
    EXPECT_TRUE(hindernis("Z;DPr;EVD\n2;95;30\n2;96;32\n2;97;34\n4;98;40\n4;99;42\n4;100;44\n"
                          "6;101;50\n6;102;52\n")
                    .contains(QStringLiteral("„6“ hat 2 Prüfpunkte")));
    EXPECT_EQ(hindernis("Z;DPr;EVD\n"), QStringLiteral("Die Datei enthält keine Messwerte."));
    EXPECT_EQ(hindernis(""), QStringLiteral("Die Datei enthält keine Messwerte."));
    EXPECT_TRUE(hindernis("Z;DPr;EVD\nx;y;z\n").contains(QStringLiteral("keine lesbaren")));
    QByteArray viele = "Z;DPr;EVD\n";
    for (int f = 0; f < 101; ++f)
        for (int p = 0; p < 3; ++p)
            viele += QByteArray::number(f) + ";95;30\n";
    EXPECT_TRUE(hindernis(viele).contains(QStringLiteral("höchstens 100")));
    EXPECT_FALSE(hindernis("DPr;EVD\n95;30\n").isEmpty()); // nothing to group by
}

TEST(MesswertImportTest, ImportReplacesFieldsAndValuesAsOneStepAndKeepsTheRest) {
    Kalibrierung k;
    describeWorkedExample(k);
    k.setPrüffelderAnzahl(5);
    for (int f = 1; f <= 5; ++f) {
        k.setPrüffeldPrüfpunkte(f, 6);
        for (int p = 1; p <= 6; ++p)
            k.setMesswert(pmDirekt, f, p, 90.0 + p);
    }
    // The site entry of field 1 was edited by the user and stays; the others follow.
    const Protokollangabe* jeFeld = ProtokollangabeJeFeld();
    ASSERT_NE(jeFeld, nullptr);
    k.DataStore()->setValue(ProtokollSchlüssel(*jeFeld, 1), QStringLiteral("zwei Übergänge"));
    k.DataStore()->setValue(ProtokollSchlüssel(*jeFeld, 2), k.PrüffeldWert(2));
    k.setIsDirty(false);
    QList<std::shared_ptr<const StoreChanges>> steps;
    QObject::connect(&k, &Kalibrierung::Bearbeitet, [&](const QString& text, auto changes) {
        EXPECT_EQ(text, QStringLiteral("Messwerte importieren"));
        steps.append(changes);
    });
    const QByteArray vorher = k.ContentString();

    const Tabelle t = Tabelle::ausBytes("Z;DPr;EVD\n2;95;30\n2;96;32\n2;97;34\n4;98;40\n4;99;42\n"
                                        "4;100;44\n6;101;50\n6;102;52\n6;103;54\n");
    übernehmen(k, t.lesen(t.erkennen(k)));
    EXPECT_TRUE(k.IsDirty());
    EXPECT_EQ(k.PrüffelderAnzahl(), 3);
    EXPECT_EQ(k.PrüffeldPrüfpunkte(2), 3);
    EXPECT_EQ(k.PrüffeldWert(3), 6.0);
    EXPECT_EQ(k.Messwert(pmIndirekt, 3, 3).toDouble(), 54.0);
    EXPECT_FALSE(k.DataStore()->exists(Kalibrierung::MesswertKey(pmDirekt, 1, 4)));
    EXPECT_FALSE(k.DataStore()->exists(Kalibrierung::MesswertKey(pmDirekt, 5, 1)));
    EXPECT_EQ(k.DirektesPrüfmerkmal().Formelzeichen(), QStringLiteral("DPr"));
    EXPECT_EQ(k.DataStore()->find(ProtokollSchlüssel(*jeFeld, 1))->toText(),
              QStringLiteral("zwei Übergänge"));
    EXPECT_EQ(k.DataStore()->find(ProtokollSchlüssel(*jeFeld, 2))->toDouble(), 4.0);
    EXPECT_NEAR(k.StatistikKalibriergeradeAnstieg(mIndirekt, mDirekt), 10.0 / 3,
                1e-9); // the worked example

    ASSERT_EQ(steps.size(), 1);
    // The same table once more changes nothing: no step, nothing unsaved.
    k.setIsDirty(false);
    übernehmen(k, t.lesen(t.erkennen(k)));
    EXPECT_EQ(steps.size(), 1);
    EXPECT_FALSE(k.IsDirty());
    k.anwenden(*steps[0], true);
    // Undone, the file is byte for byte the one before (the unsaved mark aside).
    k.setIsDirty(false);
    EXPECT_EQ(k.ContentString(), vorher);
}

TEST(MesswertImportTest, HostileCellsAreQuotedShortAndWideRowsBounded) {
    QByteArray bytes =
        "Z;DPr;EVD\n2;95;30\n2;96;32\n2;97;34\n4;98;40\n4;99;42\n4;100;44\n6;101;50\n"
        "6;102;52\n6;103;54\n";
    bytes += "6;" + QByteArray(100'000, 'x') + "\x07;30\n";
    bytes += "6;104;55" + QByteArray(5000, ';') + "\n";
    const Tabelle t = Tabelle::ausBytes(bytes);
    const Lesart l = t.erkennen(beschrieben());
    EXPECT_LE(l.spalten.size(), 64);
    const Ergebnis e = t.lesen(l);
    ASSERT_EQ(e.fehler.size(), 1);
    EXPECT_EQ(e.fehler[0].zeile, 11);
    EXPECT_EQ(e.fehler[0].grund, QStringLiteral("„%1…“ ist kein Zahlenwert für direktes "
                                                "Prüfmerkmal.")
                                     .arg(QString(40, u'x')));
    // The wide row is read by its first columns.
    EXPECT_EQ(e.felder[2].punkte.size(), 4);
}

// Valid tables with random damage (characters replaced, removed or put in):
// reading them never throws or loops, every row up to the table's end is
// read or listed, and what is read obeys the limits.
TEST(MesswertImportTest, DamagedTablesAreReadOrRefusedNeverMisread) {
    const char alphabet[] = "0123456789;,.\t\n\r\" -+xZ\xC3\xA4\xFC";
    QRandomGenerator random(18);
    int importiert = 0, mitFehlern = 0;
    for (int round = 0; round < 1500; ++round) {
        QByteArray bytes = round % 3 ? "Z;DPr;EVD\n" : "";
        const int felder = random.bounded(3, 7);
        for (int f = 0; f < felder; ++f)
            for (int p = random.bounded(3, 6); p > 0; --p)
                bytes += QByteArray::number(2 * f) + ';' +
                         QByteArray::number(random.bounded(90, 105)) + ',' +
                         QByteArray::number(random.bounded(10)) + ';' +
                         QByteArray::number(random.bounded(20, 60)) + '\n';
        for (int damage = random.bounded(4); damage > 0; --damage) {
            const int at = random.bounded(int(bytes.size()));
            const char c = alphabet[random.bounded(int(sizeof(alphabet) - 1))];
            switch (random.bounded(3)) {
            case 0:
                bytes[at] = c;
                break;
            case 1:
                bytes.remove(at, 1);
                break;
            default:
                bytes.insert(at, c);
            }
        }
        const Tabelle t = Tabelle::ausBytes(bytes);
        Lesart l = t.erkennen(beschrieben());
        if (l.dezimal == Dezimal::Unbestimmt)
            l.dezimal = round % 2 ? Dezimal::Komma : Dezimal::Punkt;
        const Ergebnis e = t.lesen(l);
        if (!e.hindernis.isEmpty())
            continue;
        int zeilen = 0;
        for (const Zeile& z : t.zeilen(l.trenner))
            if (e.endeBeiZeile == 0 || z.nummer < e.endeBeiZeile)
                ++zeilen;
        EXPECT_EQ(e.gelesen + e.fehler.size() + (l.kopfzeile ? 1 : 0), zeilen)
            << bytes.toHex().constData();
        EXPECT_GE(e.felder.size(), 3);
        for (const Feld& f : e.felder)
            EXPECT_GE(f.punkte.size(), 3);
        Kalibrierung k;
        übernehmen(k, e);
        EXPECT_EQ(k.PrüfpunkteTotal(), e.punkte());
        ++importiert;
        mitFehlern += e.fehler.isEmpty() ? 0 : 1;
    }
    // The rounds exercise both outcomes.
    EXPECT_GT(importiert, 300);
    EXPECT_GT(mitFehlern, 50);
}
