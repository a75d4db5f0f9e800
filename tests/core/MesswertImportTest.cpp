#include "TestSupport.h"

#include "Beispiel.h"
#include "Kalibrierung.h"
#include "MesswertImport.h"
#include "Protokolldaten.h"

#include <QFile>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>

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

const QString Daten = QStringLiteral(PROJECT_SOURCE_DIR "/tests/data/import/");

// One measured pair with its field (from 1 in the order read) and point.
struct Wert {
    int feld = 0, punkt = 0;
    double kovariable = 0, direkt = 0, indirekt = 0;
    bool operator==(const Wert&) const = default;
};
std::ostream& operator<<(std::ostream& os, const Wert& w) {
    return os << "Feld " << w.feld << " Punkt " << w.punkt << ": " << w.kovariable << "; "
              << w.direkt << "; " << w.indirekt;
}

QVector<Wert> werte(const Ergebnis& e) {
    QVector<Wert> out;
    for (int f = 0; f < e.felder.size(); ++f)
        for (int p = 0; p < e.felder[f].punkte.size(); ++p)
            out.append({f + 1, p + 1, e.felder[f].kovariable, e.felder[f].punkte[p].first,
                        e.felder[f].punkte[p].second});
    return out;
}

// The values of the workbook the test tables were made from.
QVector<Wert> erwartet() {
    QFile file(Daten + QStringLiteral("erwartet.tsv"));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    QVector<Wert> out;
    const QList<QByteArray> lines = file.readAll().split('\n');
    for (const QByteArray& line : lines.mid(1)) {
        const QList<QByteArray> c = line.split('\t');
        if (c.size() == 5)
            out.append(
                {c[0].toInt(), c[1].toInt(), c[2].toDouble(), c[3].toDouble(), c[4].toDouble()});
    }
    EXPECT_EQ(out.size(), 30);
    return out;
}

Ergebnis gelesen(const Tabelle& t) {
    return t.lesen(t.erkennen(beschrieben()));
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
    EXPECT_EQ(zahl(u"+1.000,5", Dezimal::Komma), 1000.5);
    EXPECT_EQ(zahl(u",5", Dezimal::Komma), 0.5);
    EXPECT_EQ(zahl(u"-0,5e-3", Dezimal::Komma), -0.0005);
    EXPECT_EQ(zahl(u"1.000e3", Dezimal::Komma), 1e6);
    EXPECT_EQ(zahl(u"\u00a07\u202f", Dezimal::Komma), 7.0);
    // Groups are of three digits; one separator of each kind at most. None of
    // the forms typed in a locale, nothing beyond the range of a Double.
    for (const char* text :
         {"95.5",  "1.23,5", "12.34", "1,2,3",  "",         "-",     ",",       "5,", "1e",
          "E5",    "1e400",  "x",     "1.0000", "1.",       "+-5",   "- 5",     "5-", "(5)",
          "5\x80", "&H1F",   "1,e2",  "1e-400", "1\240000", "1 000", "1.000.00"})
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

    // A byte-order mark names UTF-8 even with a broken sequence in a cell.
    const Tabelle bom =
        Tabelle::ausBytes("\xEF\xBB\xBFZ;DPr;EVD;Bemerkung\n2;95;30;na\xDF\n2;96;32;\n"
                          "2;97;34;\n4;98;40;\n4;99;42;\n4;100;44;\n6;101;50;\n"
                          "6;102;52;\n6;103;54;\n");
    EXPECT_EQ(bom.zeichensatz(), QStringLiteral("UTF-8"));
    EXPECT_EQ(
        bom.erkennen(beschrieben()).spalten,
        (QVector<Spalte>{Spalte::Kovariable, Spalte::Direkt, Spalte::Indirekt, Spalte::Keine}));
    EXPECT_EQ(gelesen(bom).gelesen, 9);

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

    // With a field column: a covariable off its field's, and a row without a
    // field, which is named before its bad value.
    const Ergebnis feld = gelesen(Tabelle::ausBytes("Feld;Z;DPr;EVD\n"
                                                    "A;2;95;30\nA;2;96;31\nA;3;97;32\n;2;x;33\n"
                                                    "A;2;97;34\nB;4;1;2\nB;4;1;2\nB;4;1;2\n"));
    ASSERT_EQ(feld.fehler.size(), 2);
    EXPECT_EQ(feld.fehler[0].zeile, 4);
    EXPECT_EQ(feld.fehler[0].grund,
              QStringLiteral("Die Kovariable 3 weicht vom Wert 2 des Prüffeldes „A“ ab."));
    EXPECT_EQ(feld.fehler[1].zeile, 5);
    EXPECT_EQ(feld.fehler[1].grund, QStringLiteral("Kein Prüffeld angegeben."));
    EXPECT_EQ(feld.gelesen, 6);
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

// Tables made the way users make them: LibreOffice's CSV and text outputs
// under a German desktop, an Excel-style CSV, the workbooks themselves, and
// tables written as users write them. Each gives the workbook's 30 values,
// compared one by one.
TEST(MesswertImportTest, TablesAsUsersMakeThemGiveEveryValue) {
    struct Fall {
        const char* datei;
        const char* zeichensatz;
        bool kopf;
        QStringList schlüssel;
    };
    const QStringList nummern = {"1", "2", "3", "4", "5"};
    const QStringList namen = {"F1", "F2", "F3", "F4", "F5"};
    const QStringList übergänge = {"2", "4", "6", "8", "10"};
    const Fall fälle[] = {
        {"lo-semikolon-utf8.csv", "UTF-8", true, nummern},
        {"lo-komma-latin1.csv", "Latin-1", true, nummern},
        {"lo-unicode-text-utf16.txt", "UTF-16", true, nummern},
        {"excel-bom-crlf.csv", "UTF-8", true, nummern},
        {"lo-messwerte.xlsx", "Excel-Arbeitsmappe", true, nummern},
        {"lo-messwerte.ods", "OpenDocument-Tabelle", true, nummern},
        // An empty cover sheet first, DPr as a percentage, EVD from formulas.
        {"lo-prozent-formeln.xlsx", "Excel-Arbeitsmappe", true, nummern},
        {"lo-prozent-formeln.ods", "OpenDocument-Tabelle", true, nummern},
        // "Übergänge" names the covariable, F1..F5 only the fields.
        {"r1-feldnamen.csv", "UTF-8", true, namen},
        // A point or running-number column is no field: fields by the passes.
        {"r2-pruefpunkt.csv", "UTF-8", true, übergänge},
        {"r2-nr.csv", "UTF-8", true, übergänge},
        // Without header, text in the first column is a field's name.
        {"r4-ohne-kopf-text.csv", "UTF-8", false, namen},
        {"r4-ohne-kopf-datum.csv",
         "UTF-8",
         false,
         {"11.05.2026", "12.05.2026", "13.05.2026", "14.05.2026", "15.05.2026"}},
        // A remark over two lines in a column that is not read.
        {"r7-mehrzeilig.csv", "UTF-8", true, nummern},
    };
    const QVector<Wert> soll = erwartet();
    for (const Fall& fall : fälle) {
        SCOPED_TRACE(fall.datei);
        const Tabelle t = Tabelle::ausDatei(Daten + QString::fromUtf8(fall.datei));
        EXPECT_EQ(t.zeichensatz(), QString::fromUtf8(fall.zeichensatz));
        const Lesart l = t.erkennen(beschrieben());
        EXPECT_EQ(l.kopfzeile, fall.kopf);
        const Ergebnis e = t.lesen(l);
        EXPECT_TRUE(e.hindernis.isEmpty()) << e.hindernis.toStdString();
        EXPECT_TRUE(e.fehler.isEmpty()) << e.fehler.value(0).grund.toStdString();
        EXPECT_EQ(werte(e), soll);
        QStringList schlüssel;
        for (const Feld& f : e.felder)
            schlüssel.append(f.schlüssel);
        EXPECT_EQ(schlüssel, fall.schlüssel);
        if (t.istArbeitsmappe()) {
            EXPECT_EQ(t.blatt(), t.blätter().last());
        }
    }
}

// Tables that used to be misread: read with every value or refused row by
// row, never silently otherwise.
TEST(MesswertImportTest, ReproductionsAreReadWholeOrRefusedWithTheReason) {
    const QVector<Wert> soll = erwartet();
    // Blank lines between fields and a point not measured after one: nothing dropped.
    Ergebnis e = gelesen(Tabelle::ausDatei(Daten + QStringLiteral("r3-leerzeilen.csv")));
    EXPECT_EQ(werte(e), soll);
    ASSERT_EQ(e.fehler.size(), 1);
    EXPECT_EQ(e.fehler[0].zeile, 24);
    EXPECT_EQ(e.fehler[0].grund, QStringLiteral("Kein Wert für direktes Prüfmerkmal."));
    EXPECT_EQ(e.endeBeiZeile, 0);

    // Unquoted decimal commas between comma-separated cells: every row is refused.
    e = gelesen(Tabelle::ausDatei(Daten + QStringLiteral("r5-komma-ungequotet.csv")));
    EXPECT_EQ(e.gelesen, 0);
    EXPECT_EQ(e.fehler.size(), 30);
    EXPECT_EQ(e.fehler[0].zeile, 2);
    EXPECT_EQ(e.fehler[0].grund, QStringLiteral("Die Zeile hat 6 statt 4 Spalten."));
    EXPECT_FALSE(e.hindernis.isEmpty());

    // A point where the file writes decimal commas: neither reading is taken.
    e = gelesen(Tabelle::ausDatei(Daten + QStringLiteral("r6-gruppiert.csv")));
    ASSERT_EQ(e.fehler.size(), 1);
    EXPECT_EQ(e.fehler[0].zeile, 10);
    EXPECT_EQ(e.fehler[0].grund,
              QStringLiteral("„98.900“ (direktes Prüfmerkmal) lässt sich als 98900 oder als 98,9 "
                             "lesen; die übrigen Zahlen der Spalte zeigen nicht, welches gemeint "
                             "ist."));
    QVector<Wert> ohne = soll;
    ohne.removeAt(8);
    for (int i = 8; i < 11; ++i)
        --ohne[i].punkt; // field 2 has a point less
    EXPECT_EQ(werte(e), ohne);
    // The same with a decimal point and a comma-grouped number.
    e = gelesen(Tabelle::ausBytes("Z;DPr;EVD\n2;95.5;30\n2;98,900;31\n2;97;32.5\n4;98;40\n"
                                  "4;99;42\n4;100;44\n6;101;50\n6;102;52\n6;103;54\n"));
    ASSERT_EQ(e.fehler.size(), 1);
    EXPECT_TRUE(e.fehler[0].grund.startsWith(QStringLiteral("„98,900“ (direktes Prüfmerkmal) "
                                                            "lässt sich als 98900 oder als 98,9")));
    // A column grouped throughout reads as thousands.
    e = gelesen(
        Tabelle::ausBytes("Z;DPr;EVD\n2;95,5;1.030\n2;96;1.032\n2;97;1.034\n4;98;1.040\n"
                          "4;99;1.042\n4;100;1.044\n6;101;1.050\n6;102;1.052\n6;103;1.054\n"));
    EXPECT_TRUE(e.fehler.isEmpty());
    EXPECT_EQ(e.felder[0].punkte[0], std::make_pair(95.5, 1030.0));

    // A header that names the fields but not the covariable: asked, never guessed.
    const Tabelle ohneKov = Tabelle::ausBytes("Prüffeld;DPr;EVD\n1;95;30\n1;96;31\n1;97;32\n");
    Lesart l = ohneKov.erkennen(beschrieben());
    EXPECT_EQ(l.spalten, (QVector<Spalte>{Spalte::Prüffeld, Spalte::Direkt, Spalte::Indirekt}));
    EXPECT_EQ(fehlendeSpalten(l), QVector<Spalte>{Spalte::Kovariable});
    EXPECT_EQ(
        ohneKov.lesen(l).hindernis,
        QStringLiteral("Es gibt keine Spalte für die Kovariable „Anzahl der Übergänge“ (Z)."));
    // Two columns without a header: direct and indirect, the covariable missing.
    l = Tabelle::ausBytes("95;30\n96;31\n97;32\n").erkennen(beschrieben());
    EXPECT_EQ(fehlendeSpalten(l), QVector<Spalte>{Spalte::Kovariable});
    // An unknown header: none of its columns is guessed.
    l = Tabelle::ausBytes("A;B;C;D\n1;2;95;30\n1;2;96;31\n").erkennen(beschrieben());
    EXPECT_TRUE(l.kopfzeile);
    EXPECT_EQ(l.spalten, QVector<Spalte>(4, Spalte::Keine));
}

TEST(MesswertImportTest, HeaderWordsNameTheirColumns) {
    const struct {
        const char* kopf;
        Spalte spalte;
    } fälle[] = {
        {"Prüffeld", Spalte::Prüffeld},
        {" PRUEFFELD ", Spalte::Prüffeld},
        {"Versuchsfeld", Spalte::Prüffeld},
        {"Feld", Spalte::Prüffeld},
        {"Prüfpunkt", Spalte::Prüfpunkt},
        {"Nr.", Spalte::Prüfpunkt},
        {"Punkt", Spalte::Prüfpunkt},
        {"Übergänge", Spalte::Kovariable},
        {"Uebergaenge", Spalte::Kovariable},
        {"Anzahl der Übergänge", Spalte::Kovariable},
        {"Z [-]", Spalte::Kovariable},
        {"Kovariable", Spalte::Kovariable},
        {"DPr [%]", Spalte::Direkt},
        {"dpr (%)", Spalte::Direkt},
        {"Verdichtungsgrad", Spalte::Direkt},
        {"Verdichtungsgrad DPr [%]", Spalte::Direkt},
        {"Direktes Prüfmerkmal: Verdichtungsgrad DPr [%]", Spalte::Direkt},
        {"EVD (MN/m²)", Spalte::Indirekt},
        {"Evd", Spalte::Indirekt},
        {"Dynamischer Verformungsmodul", Spalte::Indirekt},
        // A word of a characteristic's name is no name of it.
        {"Verformungsmodul", Spalte::Keine},
        {"Statischer Verformungsmodul Ev2", Spalte::Keine},
        {"Indirektes Prüfmerkmal: Dynamischer Verformungsmodul EVD [MN/m²]", Spalte::Indirekt},
        // Not a role, or two at once.
        {"Bemerkung", Spalte::Keine},
        {"Datum", Spalte::Keine},
        {"DPr/EVD", Spalte::Keine},
        {"", Spalte::Keine},
    };
    for (const auto& f : fälle)
        EXPECT_EQ(spalteAusKopf(QString::fromUtf8(f.kopf), beschrieben()), f.spalte) << f.kopf;
    EXPECT_EQ(spaltenAusText(QStringLiteral("feld,kovariable,punkt,direkt,indirekt,-")),
              (QVector<Spalte>{Spalte::Prüffeld, Spalte::Kovariable, Spalte::Prüfpunkt,
                               Spalte::Direkt, Spalte::Indirekt, Spalte::Keine}));
    EXPECT_FALSE(spaltenAusText(QStringLiteral("feld,wert")));
}

TEST(MesswertImportTest, FilesThatAreNoTableAreNamedAsSuch) {
    QTemporaryDir dir;
    auto datei = [&](const char* name, const QByteArray& bytes) {
        const QString path = dir.filePath(QString::fromUtf8(name));
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return path;
    };
    auto grund = [](const QString& path) {
        try {
            Tabelle::ausDatei(path);
        } catch (const rt::RuntimeError& e) {
            return e.description();
        }
        return QString();
    };
    QByteArray binär(4096, '\0');
    for (int i = 0; i < binär.size(); i += 3)
        binär[i] = char(i * 7);
    EXPECT_TRUE(grund(datei("bild.csv", "\x89PNG\r\n\x1A\n" + binär))
                    .contains(QStringLiteral("weder eine Texttabelle")));
    // A ZIP archive that is no workbook, even with a workbook stored inside.
    EXPECT_TRUE(grund(Daten + QStringLiteral("brief.docx"))
                    .contains(QStringLiteral("weder eine Texttabelle")));
    EXPECT_TRUE(grund(Daten + QStringLiteral("mappe-im-archiv.zip"))
                    .contains(QStringLiteral("weder eine Texttabelle")));
    EXPECT_TRUE(grund(datei("alt.xls", "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1" + binär))
                    .contains(QStringLiteral("altes Office-Format")));
    EXPECT_TRUE(grund(datei("kaputt.xlsx", "PK\x03\x04xl/workbook.xml" + binär))
                    .contains(QStringLiteral("ZIP-Archiv")));
    // A workbook's sheet that is not there names those that are.
    const QString mappe = Daten + QStringLiteral("lo-messwerte.xlsx");
    try {
        Tabelle::ausDatei(mappe, QStringLiteral("Tabelle9"));
        ADD_FAILURE();
    } catch (const rt::RuntimeError& e) {
        EXPECT_TRUE(e.description().contains(QStringLiteral("kein Tabellenblatt „Tabelle9“; sie "
                                                            "hat: „Messwerte“")))
            << e.description().toStdString();
    }
    EXPECT_EQ(Tabelle::ausDatei(mappe, QStringLiteral("Messwerte")).blätter(),
              QStringList{QStringLiteral("Messwerte")});
    // An element with thousands of attributes would keep the XML reader
    // busy for minutes (it compares them pairwise): refused at once.
    EXPECT_EQ(grund(Daten + QStringLiteral("viele-attribute.xlsx")),
              QStringLiteral("Die Arbeitsmappe „%1viele-attribute.xlsx“ kann nicht gelesen werden: "
                             "In „xl/worksheets/sheet1.xml“ hat ein Element mehr als 512 "
                             "Attribute.")
                  .arg(Daten));
    EXPECT_TRUE(grund(Daten + QStringLiteral("viele-attribute.ods"))
                    .endsWith(QStringLiteral("In „content.xml“ hat ein Element mehr als 512 "
                                             "Attribute.")));
    // 100 KB that unpack to 33 MB: refused before they are read.
    EXPECT_TRUE(grund(Daten + QStringLiteral("entpackt-zu-gross.xlsx"))
                    .contains(QStringLiteral("entpackt zu groß")));
    // A row repeated a million times ends the reading at the points' limit.
    EXPECT_EQ(gelesen(Tabelle::ausDatei(Daten + QStringLiteral("zeilen-wiederholt.ods"))).hindernis,
              QStringLiteral("Mit Zeile 100002 sind es mehr als 100.000 Prüfpunkte; eine "
                             "Kalibrierung kann höchstens 100.000 aufnehmen."));
}

// Limits end the reading at once with the line; bad rows are counted
// beyond the first thousand.
TEST(MesswertImportTest, ReadingIsBounded) {
    QByteArray gut = "Z;DPr;EVD\n";
    for (int f = 0; f < 3; ++f)
        for (int p = 0; p < 3; ++p)
            gut += QByteArray::number(2 * f) + ";9" + QByteArray::number(p) + ";30\n";
    QByteArray schlecht = gut;
    for (int i = 0; i < 200'000; ++i)
        schlecht += "x;y;z\n";
    Ergebnis e = gelesen(Tabelle::ausBytes(schlecht));
    EXPECT_EQ(e.fehler.size(), MaxFehler);
    EXPECT_EQ(e.fehler.first().zeile, 11) << e.fehler.first().grund.toStdString();
    EXPECT_EQ(e.weitereFehler, 200'000 - MaxFehler);
    EXPECT_EQ(e.fehler.last().zeile, 11 + MaxFehler - 1);
    EXPECT_EQ(e.gelesen, 9);

    QByteArray felder = "Z;DPr;EVD\n";
    for (int f = 0; f < 200; ++f)
        felder += QByteArray::number(f) + ";95;30\n";
    e = gelesen(Tabelle::ausBytes(felder));
    EXPECT_EQ(e.hindernis, QStringLiteral("In Zeile 102 beginnt das 101. Prüffeld; eine "
                                          "Kalibrierung kann höchstens 100 Prüffelder aufnehmen."));
    QByteArray punkte = "Z;DPr;EVD\n";
    for (int p = 0; p < Kalibrierung::MaxPrüfpunkte + 1; ++p)
        punkte += QByteArray::number(p % 3) + ";95;30\n";
    e = gelesen(Tabelle::ausBytes(punkte));
    EXPECT_EQ(e.hindernis, QStringLiteral("Mit Zeile 100002 sind es mehr als 100.000 Prüfpunkte; "
                                          "eine Kalibrierung kann höchstens 100.000 aufnehmen."));

    e = gelesen(Tabelle::ausBytes(gut + "2;95;" + QByteArray(2 * 1024 * 1024, '7')));
    EXPECT_EQ(e.hindernis, QStringLiteral("Die Zeile 11 ist länger als 1 MB; die Datei ist keine "
                                          "Messwerttabelle."));
    QByteArray breit = gut + "2;95;30";
    for (int c = 0; c < 70; ++c)
        breit += ";1";
    e = gelesen(Tabelle::ausBytes(breit + "\n"));
    EXPECT_TRUE(e.hindernis.startsWith(QStringLiteral("Die Zeile 11 hat mehr als 64 Spalten")));
    e = gelesen(Tabelle::ausBytes(gut + "2;\"95;30\n2;95;30\n"));
    EXPECT_EQ(e.hindernis, QStringLiteral("Das Anführungszeichen am Anfang einer Zelle in Zeile 11 "
                                          "wird bis zum Ende der Datei nicht geschlossen."));
}

TEST(MesswertImportTest, AddingKeepsTheFieldsAndChecksTheSum) {
    Kalibrierung k;
    savedWorkedExample(k);
    const rt::Long vorher = k.PrüffelderAnzahl();
    const rt::Long punkteVorher = k.PrüfpunkteTotal();
    const double erster = k.Messwert(pmDirekt, 1, 1).toDouble();
    const Ergebnis e = gelesen(Tabelle::ausDatei(Daten + QStringLiteral("lo-messwerte.ods")));
    ASSERT_TRUE(hindernisFür(k, e, true).isEmpty());
    übernehmen(k, e, true);
    EXPECT_EQ(k.PrüffelderAnzahl(), vorher + 5);
    EXPECT_EQ(k.PrüfpunkteTotal(), punkteVorher + 30);
    EXPECT_EQ(k.Messwert(pmDirekt, 1, 1).toDouble(), erster);
    EXPECT_EQ(k.PrüffeldWert(vorher + 5), 10.0);
    EXPECT_EQ(k.Messwert(pmIndirekt, vorher + 5, 6).toDouble(), erwartet().last().indirekt);
    // Twenty more tables would be more fields than a calibration holds.
    for (int i = 0; i < 18; ++i)
        übernehmen(k, e, true);
    EXPECT_EQ(k.PrüffelderAnzahl(), vorher + 95);
    EXPECT_TRUE(hindernisFür(k, e, true).contains(QStringLiteral("höchstens 100")));
    EXPECT_THROW(übernehmen(k, e, true), rt::RuntimeError);
    EXPECT_TRUE(hindernisFür(k, e, false).isEmpty());
}

// Valid tables with random damage (characters replaced, removed or put in):
// reading them never throws or loops, what is read obeys the limits, and
// every value read is one that was written, in its field, in order.
TEST(MesswertImportTest, DamagedTablesAreReadOrRefusedNeverMisread) {
    const char alphabet[] = "0123456789;,.\t\n\r\" -+xZ\xC3\xA4\xFC";
    QRandomGenerator random(18);
    int importiert = 0, mitFehlern = 0;
    for (int round = 0; round < 1500; ++round) {
        QByteArray bytes = round % 3 ? "Z;DPr;EVD\n" : "";
        // The values written per covariable value.
        QHash<int, QVector<std::pair<double, double>>> geschrieben;
        const int felder = random.bounded(3, 7);
        for (int f = 0; f < felder; ++f)
            for (int p = random.bounded(3, 6); p > 0; --p) {
                const int d = random.bounded(90, 105), dz = random.bounded(10);
                const int i = random.bounded(20, 60);
                bytes += QByteArray::number(2 * f) + ';' + QByteArray::number(d) + ',' +
                         QByteArray::number(dz) + ';' + QByteArray::number(i) + '\n';
                geschrieben[2 * f].append({d + dz / 10.0, double(i)});
            }
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
        EXPECT_GE(e.felder.size(), 3);
        // Each field's values are written values of its covariable, in the
        // order written (a damaged row may be missing, none is invented).
        for (const Feld& f : e.felder) {
            EXPECT_GE(f.punkte.size(), 3);
            const QVector<std::pair<double, double>> soll = geschrieben.value(int(f.kovariable));
            qsizetype at = 0;
            int fremd = 0;
            for (const auto& punkt : f.punkte) {
                const qsizetype gefunden = soll.indexOf(punkt, at);
                if (gefunden < 0)
                    ++fremd;
                else
                    at = gefunden + 1;
            }
            // Damage can make another number of one that was written; at
            // most one per damage.
            EXPECT_LE(fremd, 3) << bytes.toHex().constData();
        }
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

// Cells of a workbook that are no measured value are bad rows, never numbers.
TEST(MesswertImportTest, WorkbookCellsAreReadAsTheyAreShown) {
    const Ergebnis e = gelesen(Tabelle::ausDatei(Daten + QStringLiteral("zellarten.xlsx")));
    EXPECT_TRUE(e.hindernis.isEmpty()) << e.hindernis.toStdString();
    ASSERT_EQ(e.fehler.size(), 3);
    EXPECT_EQ(e.fehler[0].zeile, 7);
    EXPECT_EQ(e.fehler[0].grund,
              QStringLiteral("„01.05.2025“ ist kein Zahlenwert für Kovariable."));
    EXPECT_EQ(e.fehler[1].zeile, 10);
    EXPECT_EQ(e.fehler[1].grund, QStringLiteral("„WAHR“ ist kein Zahlenwert für Kovariable."));
    // A text among numeric cells reads two ways: the numbers show no groups.
    EXPECT_EQ(e.fehler[2].zeile, 11);
    EXPECT_TRUE(e.fehler[2].grund.startsWith(
        QStringLiteral("„98.900“ (direktes Prüfmerkmal) lässt sich als 98900 oder als 98,9")));
    // 0.1*3 and 0.3 are one field; an escaped % is no percentage.
    ASSERT_EQ(e.felder.size(), 3);
    EXPECT_EQ(e.felder[0].kovariable, 0.3);
    EXPECT_EQ(e.felder[0].punkte,
              (QVector<std::pair<double, double>>{{95.1, 30}, {95.4, 31}, {95.7, 32}}));
    EXPECT_EQ(e.felder[2].punkte.size(), 3);
    // A hidden sheet of old values is passed over.
    for (const char* datei : {"verstecktes-blatt.xlsx", "verstecktes-blatt.ods"}) {
        const Tabelle t = Tabelle::ausDatei(Daten + QString::fromUtf8(datei));
        EXPECT_EQ(t.blatt(), QStringLiteral("Messwerte")) << datei;
        EXPECT_EQ(gelesen(t).felder.value(0).punkte.value(0), std::make_pair(96.0, 41.0)) << datei;
    }
    // A coloured percentage format is a percentage, no time.
    EXPECT_EQ(e.felder[2].punkte[0].first, 97.1);
}

// Two columns that name one role alike are asked about; a column that
// names it exactly wins over one that only holds a word of it.
TEST(MesswertImportTest, ColumnsNamingOneRoleAreNeverDecidedByOrder) {
    auto spalten = [](const QByteArray& kopf) {
        return Tabelle::ausBytes(kopf + "\n1;2;95;30;31\n1;2;96;31;32\n")
            .erkennen(beschrieben())
            .spalten;
    };
    using S = Spalte;
    EXPECT_EQ(spalten("Prüffeld;Übergänge;DPr [%];Statischer Verformungsmodul Ev2;EVD"),
              (QVector<S>{S::Prüffeld, S::Kovariable, S::Direkt, S::Keine, S::Indirekt}));
    EXPECT_EQ(spalten("Feld;Z;DPr Anforderung [%];DPr [%];EVD"),
              (QVector<S>{S::Prüffeld, S::Kovariable, S::Keine, S::Direkt, S::Indirekt}));
    EXPECT_EQ(spalten("Prüffeldnummer;Z;DPr;EVD;Nummer"),
              (QVector<S>{S::Prüffeld, S::Kovariable, S::Direkt, S::Indirekt, S::Prüfpunkt}));
    const Tabelle zwei = Tabelle::ausBytes(
        "Prüffeld;Anzahl Messungen;Übergänge;DPr;EVD\n1;3;2;95;30\n1;3;2;96;31\n");
    const Lesart l = zwei.erkennen(beschrieben());
    EXPECT_EQ(l.spalten, (QVector<S>{S::Prüffeld, S::Keine, S::Keine, S::Direkt, S::Indirekt}));
    const Ergebnis e = zwei.lesen(l);
    EXPECT_EQ(e.ohneSpalte, QVector<S>{S::Kovariable});
    EXPECT_EQ(e.hindernis,
              QStringLiteral("Die Spalten „Anzahl Messungen“ (Spalte 2), „Übergänge“ (Spalte 3) "
                             "nennen alle die Kovariable „Anzahl der Übergänge“ (Z); wählen Sie, "
                             "welche es ist."));
}

// How a text table is split and where its data begin.
TEST(MesswertImportTest, SeparatorAndHeaderAsTheFileShowsThem) {
    // Semicolons in every row, decimal commas, a remark only in some rows.
    QByteArray bemerkung = dreiFelder(
        "Prüffeld;Z;DPr;EVD;Bemerkung", [](int i) { return "9" + QByteArray::number(i) + ",5"; },
        [](int i) { return "3" + QByteArray::number(i) + (i == 4 ? ",1;nass" : ",1"); });
    Tabelle t = Tabelle::ausBytes(bemerkung);
    Lesart l = t.erkennen(beschrieben());
    EXPECT_EQ(l.trenner, u';');
    Ergebnis e = t.lesen(l);
    EXPECT_TRUE(e.fehler.isEmpty());
    EXPECT_EQ(e.felder[1].punkte[1], std::make_pair(94.5, 34.1));
    // Excel's "sep=" line names the separator and is no row.
    t = Tabelle::ausBytes("sep=,\n" + bemerkung.replace(';', ','));
    l = t.erkennen(beschrieben());
    EXPECT_EQ(l.trenner, u',');
    EXPECT_TRUE(l.kopfzeile);
    // A first row of numbers with one gap is data, listed as a bad row.
    t = Tabelle::ausBytes("1;2;n.b.;36,6\n1;2;95;30\n1;2;96;31\n1;2;97;32\n2;4;95;30\n2;4;96;31\n"
                          "2;4;97;32\n3;6;95;30\n3;6;96;31\n3;6;97;32\n");
    l = t.erkennen(beschrieben());
    EXPECT_FALSE(l.kopfzeile);
    e = t.lesen(l);
    ASSERT_EQ(e.fehler.size(), 1);
    EXPECT_EQ(e.fehler[0].zeile, 1);
    // Line numbers count CR line ends inside a quoted cell too; millions of
    // empty lines are skipped.
    t = Tabelle::ausBytes("Z;DPr;EVD;Bemerkung\r2;95;30;\"zwei\rZeilen\"\r2;96;31;\r2;97;32;\r"
                          "4;98;40;\r4;x;41;\r4;99;42;\r4;100;43;\r6;1;2;\r6;1;2;\r6;1;2;\r" +
                          QByteArray(1'000'000, '\n') + "6;1;2;\n");
    e = gelesen(t);
    ASSERT_EQ(e.fehler.size(), 1);
    EXPECT_EQ(e.fehler[0].zeile, 7);
    EXPECT_EQ(e.felder[2].punkte.size(), 4);
}

// Faults found by trying: each was read wrong without a word.
TEST(MesswertImportTest, WhatWasOnceMisreadIsReadRightOrAsked) {
    // The decimal separator follows the columns chosen: a column of
    // "93.898" read as thousands only because it was not a value column
    // when the separator was detected.
    const Tabelle messung = Tabelle::ausBytes("Feld;Z;Messung A;Messung B;Bemerkung\n"
                                              "1;2;93.898;58.839;ok\n1;2;93.123;58.456;ok\n");
    Lesart l = messung.erkennen(beschrieben());
    EXPECT_EQ(l.dezimal, Dezimal::Komma);
    l.spalten = {Spalte::Prüffeld, Spalte::Kovariable, Spalte::Direkt, Spalte::Indirekt,
                 Spalte::Keine};
    EXPECT_EQ(messung.dezimalIn(l), Dezimal::Unbestimmt);

    // Commas between the cells and in the numbers, no header: the third
    // column counts no points, so nothing is placed by the export's layout.
    l = Tabelle::ausBytes("1,2,95,5,36\n1,2,96,5,37\n1,2,97,5,38\n").erkennen(beschrieben());
    EXPECT_EQ(fehlendeSpalten(l).size(), 3);

    // One field written "1", "1,0" and " 1 "; names with a non-breaking space.
    Ergebnis e =
        gelesen(Tabelle::ausBytes("Feld;Z;DPr;EVD\n1;2;95;30\n1,0;2;96;31\n\" 1 \";2;97;32\n"
                                  "A\xC2\xA0;4;98;40\nA;4;99;41\nA;4;100;42\n"
                                  "3;6;1;2\n3;6;1;2\n3;6;1;2\n"));
    ASSERT_EQ(e.felder.size(), 3);
    EXPECT_EQ(e.felder[0].punkte.size(), 3);
    EXPECT_EQ(e.felder[1].punkte.size(), 3);

    // A number the calibration file could not write back is no number.
    e = gelesen(Tabelle::ausBytes("Z;DPr;EVD\n2;95;1,7976931348623157E+308\n2;96;31\n2;97;32\n"
                                  "4;1;2\n4;1;2\n4;1;2\n6;1;2\n6;1;2\n6;1;2\n"));
    ASSERT_EQ(e.fehler.size(), 1);
    EXPECT_EQ(e.fehler[0].zeile, 2);

    // A note below the table does not vote for the decimal separator.
    Lesart notiz = Tabelle::ausBytes("Feld;Z;DPr;EVD\n1;2;95.123;36.612\n1;2;95.456;36.789\n\n"
                                     "Schichtdicke [m];0,5;;\n")
                       .erkennen(beschrieben());
    EXPECT_EQ(notiz.dezimal, Dezimal::Unbestimmt);
    // "0.300" is no group of thousands.
    EXPECT_FALSE(zahl(u"0.300", Dezimal::Komma));
    EXPECT_EQ(zahl(u"0,300", Dezimal::Komma), 0.3);
    // Two field columns alike are asked about, never dropped for grouping by
    // the covariable.
    e = gelesen(Tabelle::ausBytes("Prüffeld;Feld-Nr.;Z;DPr;EVD\nA;1;2;95;30\nA;1;2;96;31\n"));
    EXPECT_EQ(e.ohneSpalte, QVector<Spalte>{Spalte::Prüffeld});
    EXPECT_TRUE(e.hindernis.contains(QStringLiteral("nennen alle das Prüffeld")))
        << e.hindernis.toStdString();
    // Labels "1.1" and "1.10" are two fields; "1" and "1.0" one.
    e = gelesen(Tabelle::ausBytes("Feld;Z;DPr;EVD\n1.1;2;95;30\n1.1;2;96;31\n1.1;2;97;32\n"
                                  "1.10;2;98;40\n1.10;2;99;41\n1.10;2;100;42\n"
                                  "1;4;1;2\n1.0;4;1;2\n1;4;1;2\n"));
    ASSERT_EQ(e.felder.size(), 3);
    EXPECT_EQ(e.felder[2].punkte.size(), 3);
    // A stray Latin-1 byte in a UTF-8 remark keeps the header's umlauts; the
    // DOS end-of-file mark is no row.
    const Tabelle streu =
        Tabelle::ausBytes("Prüffeld;Übergänge;DPr;EVD;Bemerkung\n1;2;95;30;gr\xFCn\n"
                          "1;2;96;31;\n1;2;97;32;\n2;4;1;2;\n2;4;1;2;\n2;4;1;2;\n"
                          "3;6;1;2;\n3;6;1;2;\n3;6;1;2;\n\x1A");
    EXPECT_EQ(streu.zeichensatz(), QStringLiteral("UTF-8"));
    e = gelesen(streu);
    EXPECT_TRUE(e.fehler.isEmpty());
    EXPECT_EQ(e.gelesen, 9);

    // Direction marks in a header do not turn the messages around.
    const Tabelle rlo = Tabelle::ausBytes("Z;DPr;EVD;\xE2\x80\xAE"
                                          "Bemerkung\n2;95;30;x\n");
    EXPECT_EQ(rlo.kopf(rlo.erkennen(beschrieben())).value(3), QStringLiteral("Bemerkung"));
}

// The site data of a field that is gone never stand for a field written later.
TEST(MesswertImportTest, SiteDataOfFieldsThatAreGoneAreGone) {
    const Protokollangabe* jeFeld = ProtokollangabeJeFeld();
    ASSERT_NE(jeFeld, nullptr);
    auto tabelle = [](int felder, int erstes) {
        QByteArray bytes = "Z;DPr;EVD\n";
        for (int f = 0; f < felder; ++f)
            for (int p = 0; p < 3; ++p)
                bytes +=
                    QByteArray::number(erstes + 2 * f) + ";9" + QByteArray::number(p) + ";30\n";
        return Tabelle::ausBytes(bytes);
    };
    Kalibrierung k;
    describeWorkedExample(k);
    übernehmen(k, gelesen(tabelle(6, 2)));
    EXPECT_EQ(k.DataStore()->find(ProtokollSchlüssel(*jeFeld, 6))->toDouble(), 12.0);
    übernehmen(k, gelesen(tabelle(3, 2)));
    EXPECT_FALSE(k.DataStore()->exists(ProtokollSchlüssel(*jeFeld, 4)));
    übernehmen(k, gelesen(tabelle(4, 3)), true);
    EXPECT_EQ(k.DataStore()->find(ProtokollSchlüssel(*jeFeld, 4))->toDouble(), 3.0);
    EXPECT_EQ(k.DataStore()->find(ProtokollSchlüssel(*jeFeld, 7))->toDouble(), 9.0);
}
