#include "TestSupport.h"

#include "Kommandozeile.h"

#include "Ergebnisliste.h"
#include "Kalibrierung.h"
#include "Protokolldaten.h"

#include "../common/GrosseKalibrierung.h"

#include "RuntimeError.h"
#include "Zieldatei.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <cerrno>
#include <csignal>
#include <cstring>

#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

struct Result {
    int status;
    QString out;
    QString err;
};

Result run(const QStringList& args) {
    QString out, err;
    QTextStream outStream(&out), errStream(&err);
    const int status =
        runCommandLine(QStringList{QStringLiteral("Orvanta")} + args, outStream, errStream);
    return {status, out, err};
}

const QString Example = QStringLiteral(PROJECT_SOURCE_DIR "/beispiele/Kalibrierung-DPr-EVD.xml");

} // namespace

TEST(KommandozeileTest, EvaluationPrintsTheListAndTheVerdict) {
    const Result r = run({QStringLiteral("--auswertung"), Example});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.isEmpty());
    const QStringList lines = r.out.split(u'\n');
    ASSERT_EQ(lines.size(), 32 + 1 + 2 + 1); // rows, empty line, two verdict lines, final break
    EXPECT_EQ(lines[0], QStringLiteral("Mittelwerte\t \t "));
    EXPECT_EQ(lines[1],
              QStringLiteral("   Mittelwert direktes Prüfmerkmal: Verdichtungsgrad DPr\t99,0\t-"));
    EXPECT_EQ(lines[2],
              QStringLiteral("   Mittelwert indirektes Prüfmerkmal: Dynamischer Verformungsmodul "
                             "EVD\t42,0\t-"));
    EXPECT_EQ(lines[11],
              QStringLiteral(
                  "   Standardabweichung direktes Prüfmerkmal: Verdichtungsgrad DPr\t2,74\t-"));
    EXPECT_EQ(lines[21],
              QStringLiteral("   Bestimmtheitsmaß direktes und indirektes Prüfmerkmal\t0,98\tgut"));
    EXPECT_EQ(lines[27],
              QStringLiteral("   direktes und indirektes Prüfmerkmal: Achsenabschnitt\t86,40\t-"));
    EXPECT_EQ(lines[31], QStringLiteral("   indirektes Prüfmerkmal und Anzahl der Übergänge Z: "
                                        "Achsenabschnitt\t22,00\t-"));
    EXPECT_EQ(lines[32], QString());
    EXPECT_EQ(lines[33], QStringLiteral("Das Bestimmtheitsmaß zwischen dem direkten und indirekten "
                                        "Prüfmerkmal liegt über dem minimal erforderlichen Wert "
                                        "von 0,65."));
    EXPECT_EQ(lines[34], QStringLiteral("Somit kann die ermittelte Kalibriergerade für die "
                                        "Umrechnung zwischen den Prüfmerkmalen genutzt werden."));
}

TEST(KommandozeileTest, UsageAndErrors) {
    const Result help = run({QStringLiteral("--help")});
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(help.out.contains(QStringLiteral("Aufruf:")));
    EXPECT_EQ(run({}).out, help.out);

    const Result missing =
        run({QStringLiteral("--auswertung"), QStringLiteral("/gibt/es/nicht.xml")});
    EXPECT_EQ(missing.status, 2);
    EXPECT_TRUE(missing.out.isEmpty());
    EXPECT_EQ(missing.err.count(u'\n'), 1);
    EXPECT_TRUE(missing.err.contains(QStringLiteral("„/gibt/es/nicht.xml“")));
    EXPECT_TRUE(missing.err.contains(QStringLiteral("Datei nicht gefunden")));

    QTemporaryDir dir;
    const QString broken = dir.filePath(QStringLiteral("kaputt.xml"));
    writeFileBytes(broken, "<xml><rs:data>");
    const Result bad = run({QStringLiteral("--auswertung"), broken});
    EXPECT_EQ(bad.status, 2);
    EXPECT_TRUE(bad.err.contains(QStringLiteral("kaputt.xml")));

    // A table that is not a calibration is refused.
    const QString table = dir.filePath(QStringLiteral("tabelle.xml"));
    Kalibrierung foreign;
    foreign.SaveFile(table);
    QByteArray bytes = readFileBytes(table);
    bytes.replace("'Wert'", "'Name'").replace(" Wert=", " Name=");
    writeFileBytes(table + QStringLiteral(".fremd"), bytes);
    const Result refused = run({QStringLiteral("--auswertung"), table + QStringLiteral(".fremd")});
    EXPECT_EQ(refused.status, 2);
    EXPECT_TRUE(refused.out.isEmpty());
    EXPECT_TRUE(refused.err.contains(QStringLiteral("„Wert“"))) << refused.err.toStdString();
    EXPECT_TRUE(refused.err.contains(QStringLiteral("(Fehler 3265)"))) << refused.err.toStdString();

    const Result wrong = run({QStringLiteral("--falsch")});
    EXPECT_EQ(wrong.status, 1);
    EXPECT_TRUE(wrong.err.contains(QStringLiteral("Unbekannter Aufruf: --falsch")));
    EXPECT_EQ(run({QStringLiteral("--auswertung")}).status, 1);
}

// The program as a user starts it, under the system locales a desktop may
// have: the C library's locale follows the environment, the output follows
// only the user locale (German without one).
TEST(KommandozeileTest, TheProgramFollowsTheUserLocale) {
    struct Expected {
        const char* name;
        const char16_t* mean;
        const char16_t* r2;
        const char16_t* rating;
        const char16_t* slope;
        const char16_t* minimum;
    };
    // The example was written in German: in English its stored minimum "0,65"
    // reads as 65, as files are read in the locale that wrote them.
    const Expected cases[] = {
        {"de_DE.UTF-8", u"99,0", u"0,98", u"gut", u"0,3000", u"0,65"},
        {"en_US.UTF-8", u"99.0", u"0.98", u"kritisch", u"0.3000", u"65"},
        {"C", u"99,0", u"0,98", u"gut", u"0,3000", u"0,65"},
    };
    for (const Expected& e : cases) {
        SCOPED_TRACE(e.name);
        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("LC_ALL"));
        env.remove(QStringLiteral("LC_NUMERIC"));
        env.insert(QStringLiteral("LANG"), QString::fromLatin1(e.name));
        program.setProcessEnvironment(env);
        program.start(QStringLiteral(ORVANTA_EXE), {QStringLiteral("--auswertung"), Example});
        ASSERT_TRUE(program.waitForFinished(30000));
        EXPECT_EQ(program.exitCode(), 0);
        const QStringList lines = QString::fromUtf8(program.readAllStandardOutput()).split(u'\n');
        ASSERT_EQ(lines.size(), 36);
        EXPECT_EQ(lines[1],
                  QStringLiteral("   Mittelwert direktes Prüfmerkmal: Verdichtungsgrad DPr\t") +
                      QString::fromUtf16(e.mean) + QStringLiteral("\t-"));
        EXPECT_EQ(lines[21],
                  QStringLiteral("   Bestimmtheitsmaß direktes und indirektes Prüfmerkmal\t") +
                      QString::fromUtf16(e.r2) + u'\t' + QString::fromUtf16(e.rating));
        EXPECT_EQ(lines[26], QStringLiteral("   direktes und indirektes Prüfmerkmal: Anstieg\t") +
                                 QString::fromUtf16(e.slope) + QStringLiteral("\t-"));
        EXPECT_TRUE(
            lines[33].endsWith(QStringLiteral("von ") + QString::fromUtf16(e.minimum) + u'.'))
            << lines[33].toStdString();
    }
}

// A report that cannot be written is a failure: a full disk, a closed
// stream. A closed stream is never taken by an output file.
TEST(KommandozeileTest, AReportThatCannotBeWrittenFailsTheJob) {
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("p.pdf"));
    const struct {
        const char* umleitung;
        QStringList args;
    } fälle[] = {
        {">/dev/full", {QStringLiteral("--auswertung"), Example}},
        {">&-", {QStringLiteral("--auswertung"), Example}},
        {">&-", {QStringLiteral("--protokoll"), Example, QStringLiteral("--pdf"), pdf}},
    };
    for (const auto& fall : fälle) {
        SCOPED_TRACE(fall.umleitung);
        QProcess program;
        program.start(QStringLiteral("/bin/sh"),
                      QStringList{QStringLiteral("-c"),
                                  QStringLiteral("exec \"$@\" ") + QLatin1String(fall.umleitung),
                                  QStringLiteral("sh"), QStringLiteral(ORVANTA_EXE)} +
                          fall.args);
        ASSERT_TRUE(program.waitForFinished(60000));
        EXPECT_EQ(program.exitCode(), 3);
        EXPECT_TRUE(QString::fromUtf8(program.readAllStandardError())
                        .contains(QStringLiteral("Die Ausgabe kann nicht geschrieben werden: ")));
    }
    // The protocol itself was written whole, and nothing else went into it.
    const QByteArray bytes = readFileBytes(pdf);
    EXPECT_TRUE(bytes.startsWith("%PDF-"));
    EXPECT_TRUE(bytes.trimmed().endsWith("%%EOF"));
    EXPECT_FALSE(bytes.contains("Seiten nach"));
}

// Only the program's German texts reach the user: no note of Qt on the
// environment in a job, no abort with Qt's text without a display.
TEST(KommandozeileTest, OnlyGermanTextsReachTheUser) {
    QTemporaryDir dir;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("XDG_RUNTIME_DIR"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    QProcess program;
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(ORVANTA_EXE),
                  {QStringLiteral("--protokoll"), Example, QStringLiteral("--pdf"),
                   dir.filePath(QStringLiteral("p.pdf"))});
    ASSERT_TRUE(program.waitForFinished(60000));
    EXPECT_EQ(program.exitCode(), 0);
    const QString meldungen = QString::fromUtf8(program.readAllStandardError());
    EXPECT_TRUE(meldungen.startsWith(QStringLiteral("Protokolldaten unvollständig:\n")));
    EXPECT_FALSE(meldungen.contains(QStringLiteral("XDG_RUNTIME_DIR"))) << meldungen.toStdString();

    program.start(QStringLiteral(ORVANTA_EXE), {Example});
    ASSERT_TRUE(program.waitForFinished(60000));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 1);
    EXPECT_TRUE(QString::fromUtf8(program.readAllStandardError())
                    .startsWith(QStringLiteral("Das Programm braucht eine grafische Oberfläche")));
}

// A file with counts or numbers no calibration has is refused at once,
// naming the value, before anything is computed from it.
TEST(KommandozeileTest, AbsurdCountsAreRefusedAtOnce) {
    QTemporaryDir dir;
    const struct {
        const char* key;
        const char* wert;
        const char16_t* grund;
    } fälle[] = {
        {"Anzahl Prüffelder", "2000000000",
         u"Sie nennt 2.000.000.000 Prüffelder; eine Kalibrierung hat höchstens 100.000."},
        {"Prüffeld Prüfpunktanzahl 1", "2000000000",
         u"Prüffeld 1 nennt 2.000.000.000 Prüfpunkte; eine Kalibrierung hat höchstens 100.000."},
        {"Prüffeld Prüfpunktanzahl 2", "1e400",
         u"Prüffeld 2 nennt „1e400“ Prüfpunkte; eine Kalibrierung hat höchstens 100.000."},
        {"Anzahl Prüffelder", "0", u"Sie nennt 0 Prüffelder; eine Kalibrierung hat mindestens 3."},
        {"Anzahl Prüffelder", "-1",
         u"Sie nennt -1 Prüffelder; eine Kalibrierung hat mindestens 3."},
        {"Anzahl Prüffelder", "drei", u"Sie nennt „drei“ Prüffelder; das ist keine ganze Zahl."},
        {"Anzahl Prüffelder", "2,5", u"Sie nennt „2,5“ Prüffelder; das ist keine ganze Zahl."},
        {"Prüffeld Prüfpunktanzahl 1", "-5",
         u"Prüffeld 1 nennt -5 Prüfpunkte; ein Prüffeld hat mindestens 3."},
        {"Prüffeld Prüfpunktanzahl 3", "4,5",
         u"Prüffeld 3 nennt „4,5“ Prüfpunkte; das ist keine ganze Zahl."},
        {"Name Prüffeld 3", "sechs",
         u"Prüffeld 3 hat als Wert der Kovariablen „sechs“, keine Zahl."},
        {"Name Prüffeld 2", "1e400",
         u"Prüffeld 2 hat als Wert der Kovariablen „1e400“, keine Zahl."},
        {"Messwert indirektes Prüfmerkmal 2.4", "abc",
         u"Prüffeld 2, Prüfpunkt 4 hat als Messwert „abc“, keine Zahl."},
    };
    for (const auto& fall : fälle) {
        SCOPED_TRACE(fall.wert);
        Kalibrierung k;
        k.DataStore()->setValue(QString::fromUtf8(fall.key),
                                rt::Variant(QString::fromUtf8(fall.wert)));
        const QString file = dir.filePath(QStringLiteral("k.xml"));
        QFile::remove(file);
        k.SaveFile(file);
        const Result r = run({QStringLiteral("--auswertung"), file});
        EXPECT_EQ(r.status, 2);
        EXPECT_TRUE(r.out.isEmpty());
        EXPECT_EQ(r.err, QStringLiteral("Die Datei „%1“ ist beschädigt: %2 (Fehler 321)\n")
                             .arg(file, QString::fromUtf16(fall.grund)));
    }
    // Values not entered yet are no damage.
    Kalibrierung k;
    k.DataStore()->setValue(QStringLiteral("Name Prüffeld 2"), rt::Variant(QString()));
    const QString file = dir.filePath(QStringLiteral("k.xml"));
    QFile::remove(file);
    k.SaveFile(file);
    EXPECT_EQ(run({QStringLiteral("--auswertung"), file}).status, 0);
}

namespace {
// The text of a PDF as a reader selects it (pdftotext of poppler-utils).
QString pdfText(const QString& pdf, int page = 0) {
    QProcess p;
    QStringList args;
    if (page > 0)
        args << QStringLiteral("-f") << QString::number(page) << QStringLiteral("-l")
             << QString::number(page);
    p.start(QStringLiteral("pdftotext"),
            args << QStringLiteral("-layout") << pdf << QStringLiteral("-"));
    if (!p.waitForFinished(30000))
        return QString();
    return QString::fromUtf8(p.readAllStandardOutput());
}
QString pdfInfo(const QString& pdf) {
    QProcess p;
    p.start(QStringLiteral("pdfinfo"), {pdf});
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput());
}
} // namespace

// The protocol as a PDF from the command line: real text, the title, a line
// with the page count; failures with their exit status and no file left.
TEST(KommandozeileTest, TheProtocolAsAPdf) {
    QTemporaryDir dir;
    const QString folder = qEnvironmentVariable("ORVANTA_ARTIFACTS", dir.path());
    QDir().mkpath(folder);
    const QString pdf = QDir(folder).filePath(QStringLiteral("Beispiel-Typ0.pdf"));
    QFile::remove(pdf);
    const Result r = run({QStringLiteral("--protokoll"), Example, QStringLiteral("--pdf"), pdf});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QStringLiteral("4 Seiten nach „%1“ geschrieben.\n").arg(pdf));
    const QString info = pdfInfo(pdf);
    EXPECT_TRUE(info.contains(QStringLiteral("Title:           Berechnungsprotokoll")))
        << info.toStdString();
    EXPECT_TRUE(
        info.contains(QStringLiteral("Creator:         Kalibrierung nach Velmor Teil E 4")));
    EXPECT_TRUE(info.contains(QStringLiteral("Pages:           4")));
    EXPECT_TRUE(info.contains(QStringLiteral("595 x 842 pts (A4)"))) << info.toStdString();
    const QString text = pdfText(pdf);
    for (const char* expected :
         {"1 Protokoll zur Anlage des Kalibrierfeldes", "2 Messergebnisse im Kalibrierfeld",
          "Prüfpunkt 3", "103,0", "99,0 %", "DPr = 86,40 + 0,3 * EVD", "Vibrationswalze, 12 t"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(expected))) << expected;
    EXPECT_TRUE(text.contains(QStringLiteral("Seite 4 von 4")));

    // Other sheets, named in any case; anything else exits 1 and writes nothing.
    for (const auto& [papier, size] :
         {std::pair{"A5", "420 x 595 pts (A5)"}, std::pair{"a3", "842 x 1191 pts (A3)"},
          std::pair{"Letter", "612 x 792 pts (letter)"}, std::pair{"LEGAL", "612 x 1008 pts"}}) {
        const QString sheet = QDir(folder).filePath(QStringLiteral("Beispiel-%1.pdf").arg(papier));
        const Result s = run({QStringLiteral("--protokoll"), Example, QStringLiteral("--pdf"),
                              sheet, QStringLiteral("--papier"), QString::fromLatin1(papier)});
        EXPECT_EQ(s.status, 0) << papier << s.err.toStdString();
        EXPECT_TRUE(pdfInfo(sheet).contains(QString::fromLatin1(size)))
            << papier << pdfInfo(sheet).toStdString();
    }
    const QString b5 = QDir(folder).filePath(QStringLiteral("Beispiel-B5.pdf"));
    for (const char* wrong : {"B5", "A4 quer", ""}) {
        const Result s = run({QStringLiteral("--protokoll"), Example, QStringLiteral("--pdf"), b5,
                              QStringLiteral("--papier"), QString::fromUtf8(wrong)});
        EXPECT_EQ(s.status, 1) << wrong;
        EXPECT_TRUE(s.err.contains(QStringLiteral("Das Papier ist A4, A5, A3, Letter oder Legal")))
            << s.err.toStdString();
        EXPECT_FALSE(QFile::exists(b5));
    }

    const QString results = QDir(folder).filePath(QStringLiteral("Beispiel-Typ1.pdf"));
    const Result one = run({QStringLiteral("--protokoll"), Example, QStringLiteral("--typ"),
                            QStringLiteral("1"), QStringLiteral("--pdf"), results});
    EXPECT_EQ(one.status, 0);
    EXPECT_FALSE(pdfText(results).contains(QStringLiteral("Unterlage")));
    EXPECT_TRUE(pdfText(results, 1).contains(QStringLiteral("1 Messergebnisse im Kalibrierfeld")));

    // An unreadable calibration: the message of --auswertung, status 2.
    QTemporaryDir failures;
    const Result bad =
        run({QStringLiteral("--protokoll"), failures.filePath(QStringLiteral("fehlt.xml")),
             QStringLiteral("--pdf"), failures.filePath(QStringLiteral("x.pdf"))});
    EXPECT_EQ(bad.status, 2);
    EXPECT_TRUE(bad.err.contains(QStringLiteral("Datei nicht gefunden")));
    // An output that cannot be written: status 3, nothing left behind.
    const Result folderOut =
        run({QStringLiteral("--protokoll"), Example, QStringLiteral("--pdf"), failures.path()});
    EXPECT_EQ(folderOut.status, 3);
    EXPECT_TRUE(folderOut.err.contains(QStringLiteral("kann nicht geschrieben werden")));
    const Result missing = run({QStringLiteral("--protokoll"), Example, QStringLiteral("--pdf"),
                                failures.filePath(QStringLiteral("gibt/es/nicht.pdf"))});
    EXPECT_EQ(missing.status, 3);
    EXPECT_TRUE(QDir(failures.path()).entryList(QDir::Files | QDir::Hidden).isEmpty());
    // Wrong calls.
    EXPECT_EQ(run({QStringLiteral("--protokoll"), Example}).status, 1);
    EXPECT_EQ(run({QStringLiteral("--protokoll"), Example, QStringLiteral("--pdf"), pdf,
                   QStringLiteral("--typ"), QStringLiteral("2")})
                  .status,
              1);
    EXPECT_TRUE(run({QStringLiteral("--help")}).out.contains(QStringLiteral("--protokoll DATEI")));
}

// Measured values and results exported from the command line: the suffix
// picks the format; failures with their exit status and no file left.
TEST(KommandozeileTest, TheExportFromTheCommandLine) {
    QTemporaryDir dir;
    const QString csv = dir.filePath(QStringLiteral("Beispiel.CSV"));
    const Result r = run({QStringLiteral("--export"), Example, csv});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QStringLiteral("Messwerte und Ergebnisse nach „%1“ exportiert.\n").arg(csv));
    QFile file(csv);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    EXPECT_TRUE(bytes.startsWith("\xEF\xBB\xBF")); // a BOM: spreadsheet programs read UTF-8
    EXPECT_TRUE(QString::fromUtf8(bytes).contains(QStringLiteral("Prüffeld;")));
    EXPECT_TRUE(bytes.contains("\r\n"));

    const QString xlsx = dir.filePath(QStringLiteral("Beispiel.xlsx"));
    EXPECT_EQ(run({QStringLiteral("--export"), Example, xlsx}).status, 0);
    QFile workbook(xlsx);
    ASSERT_TRUE(workbook.open(QIODevice::ReadOnly));
    EXPECT_TRUE(workbook.read(2) == "PK"); // a zip archive

    QTemporaryDir failures;
    const Result bad =
        run({QStringLiteral("--export"), failures.filePath(QStringLiteral("fehlt.xml")),
             failures.filePath(QStringLiteral("x.csv"))});
    EXPECT_EQ(bad.status, 2);
    EXPECT_TRUE(bad.err.contains(QStringLiteral("Datei nicht gefunden")));
    // Only .xlsx and .csv: another suffix (or none) is refused, nothing written.
    for (const QString& target : {failures.filePath(QStringLiteral("out.pdf")),
                                  failures.filePath(QStringLiteral("out.ods")), failures.path()}) {
        const Result out = run({QStringLiteral("--export"), Example, target});
        EXPECT_EQ(out.status, 1) << target.toStdString();
        EXPECT_TRUE(out.err.contains(QStringLiteral("exportiert wird nach .xlsx")))
            << out.err.toStdString();
    }
    for (const QString& target : {failures.filePath(QStringLiteral("gibt/es/nicht.xlsx")),
                                  failures.filePath(QStringLiteral("gibt/es/nicht.csv"))}) {
        const Result out = run({QStringLiteral("--export"), Example, target});
        EXPECT_EQ(out.status, 3) << target.toStdString();
        EXPECT_FALSE(out.err.isEmpty());
    }
    EXPECT_TRUE(QDir(failures.path()).entryList(QDir::Files | QDir::Hidden).isEmpty());
    EXPECT_EQ(run({QStringLiteral("--export"), Example}).status, 1);
    EXPECT_TRUE(run({QStringLiteral("--help")}).out.contains(QStringLiteral("--export DATEI")));
}

// Writes the example calibration that ships with the program, and checks that
// the shipped file is exactly what SaveFile writes for it.
TEST(KommandozeileTest, ShippedExampleIsWrittenBySaveFile) {
    Kalibrierung k;
    k.DirektesPrüfmerkmal().setName(QStringLiteral("Verdichtungsgrad"));
    k.DirektesPrüfmerkmal().setFormelzeichen(QStringLiteral("DPr"));
    k.DirektesPrüfmerkmal().setEinheit(QStringLiteral("%"));
    k.DirektesPrüfmerkmal().setNachkommastellen(1);
    k.IndirektesPrüfmerkmal().setName(QStringLiteral("Dynamischer Verformungsmodul"));
    k.IndirektesPrüfmerkmal().setFormelzeichen(QStringLiteral("EVD"));
    k.IndirektesPrüfmerkmal().setEinheit(QStringLiteral("MN/m²"));
    k.IndirektesPrüfmerkmal().setNachkommastellen(1);
    k.setPrüffelderAnzahl(3);
    const double direct[3][3] = {{95, 96, 97}, {98, 99, 100}, {101, 102, 103}};
    const double indirect[3][3] = {{30, 32, 34}, {40, 42, 44}, {50, 52, 54}};
    for (int f = 1; f <= 3; ++f) {
        k.setPrüffeldWert(f, 2.0 * f);
        k.setPrüffeldPrüfpunkte(f, 3);
        for (int p = 1; p <= 3; ++p) {
            k.setMesswert(pmDirekt, f, p, direct[f - 1][p - 1]);
            k.setMesswert(pmIndirekt, f, p, indirect[f - 1][p - 1]);
        }
    }
    k.DataStoreLet(QStringLiteral("Protokoll Verdichtung Kalibrierfeld Walzentyp"),
                   QStringLiteral("Vibrationswalze, 12 t"));
    k.DataStore()->setValue(QStringLiteral("AssistentActivePage"), rt::Long(4));
    QTemporaryDir dir;
    const QString written = dir.filePath(QStringLiteral("beispiel.xml"));
    k.SaveFile(written);
    if (qEnvironmentVariableIsSet("ORVANTA_WRITE_EXAMPLES")) {
        QFile::remove(Example);
        k.SaveFile(Example);
    }
    EXPECT_EQ(readFileBytes(Example), readFileBytes(written));
}

// A PDF on a full disk is no PDF: exit 3 with a German message, the old
// file untouched, nothing left behind (a small tmpfs, as root).
TEST(KommandozeileTest, APdfOnAFullDiskIsNotReportedAsWritten) {
    QTemporaryDir dir;
    const KleinesTmpfs tmpfs(dir.path(), "64k");
    if (!tmpfs.fehlt().empty())
        GTEST_SKIP() << tmpfs.fehlt();
    const QString pdf = dir.filePath(QStringLiteral("a.pdf"));
    // The disk fills at different moments of the PDF; each names the reason.
    QByteArray content;
    for (const int kb : {40, 48, 56}) {
        SCOPED_TRACE(kb);
        QFile old(pdf);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly | QIODevice::Truncate));
        content = "%PDF-alt\n" + QByteArray(kb * 1024, 'x') + "\n%%EOF\n";
        ASSERT_EQ(old.write(content), content.size());
        old.close();

        const Result r =
            run({QStringLiteral("--protokoll"), Example, QStringLiteral("--pdf"), pdf});
        EXPECT_EQ(r.status, 3) << r.out.toStdString();
        EXPECT_TRUE(r.err.contains(QStringLiteral("kann nicht geschrieben werden: ") +
                                   rt::systemErrorText(ENOSPC)))
            << r.err.toStdString();
        EXPECT_TRUE(r.out.isEmpty());
        EXPECT_EQ(readFileBytes(pdf), content);
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
                  QStringList{QStringLiteral("a.pdf")});
    }

    // The workbook and the CSV file of a large calibration alike.
    QTemporaryDir elsewhere;
    const QString large = elsewhere.filePath(QStringLiteral("gross.xml"));
    {
        Kalibrierung k;
        fillLarge(k);
        k.SaveFile(large);
    }
    for (const char* name : {"w.csv", "w.xlsx"}) {
        const QString out = dir.filePath(QString::fromLatin1(name));
        const Result e = run({QStringLiteral("--export"), large, out});
        EXPECT_EQ(e.status, 3) << name << e.out.toStdString();
        EXPECT_FALSE(QFile::exists(out)) << name;
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("a.pdf")});
}

// The output may not be the input, also through a link: exit 1, the
// calibration untouched.
TEST(KommandozeileTest, TheOutputIsNeverTheInput) {
    QTemporaryDir dir;
    const QString k = dir.filePath(QStringLiteral("k.xml"));
    ASSERT_TRUE(QFile::copy(Example, k));
    const QByteArray before = readFileBytes(k);
    const QString link = dir.filePath(QStringLiteral("verweis.xlsx"));
    ASSERT_TRUE(QFile::link(k, link));
    for (const QStringList& args :
         {QStringList{QStringLiteral("--protokoll"), k, QStringLiteral("--pdf"), k},
          QStringList{QStringLiteral("--export"), k, link}}) {
        const Result r = run(args);
        EXPECT_EQ(r.status, 1) << args.join(u' ').toStdString();
        EXPECT_TRUE(r.err.contains(QStringLiteral("ist die Kalibrierdatei selbst")))
            << r.err.toStdString();
    }
    EXPECT_EQ(readFileBytes(k), before);
}

// An output that is a device, a pipe or a link to one is refused, never
// renamed over.
TEST(KommandozeileTest, DevicesAndPipesAreNeverReplaced) {
    QTemporaryDir dir;
    const QString fifo = dir.filePath(QStringLiteral("rohr.pdf"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString link = dir.filePath(QStringLiteral("null.csv"));
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/null"), link));
    const Result pdf = run({QStringLiteral("--protokoll"), Example, QStringLiteral("--pdf"), fifo});
    EXPECT_EQ(pdf.status, 3);
    EXPECT_TRUE(pdf.err.contains(QStringLiteral("keine gewöhnliche Datei")))
        << pdf.err.toStdString();
    EXPECT_FALSE(QFileInfo(fifo).isFile());
    const Result csv = run({QStringLiteral("--export"), Example, link});
    EXPECT_EQ(csv.status, 3);
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_FALSE(QFileInfo(QStringLiteral("/dev/null")).isFile());
    // The calibration file itself: saving over a pipe is refused too.
    Kalibrierung k;
    EXPECT_EQ(errorNumberOf([&] { k.ReplaceFile(fifo); }), rt::err::PathFileAccessError);
    EXPECT_FALSE(QFileInfo(fifo).isFile());
}

// A damaged input (counts beyond what a calibration holds) is the input's
// fault: exit 2 naming it in every mode, no output.
TEST(KommandozeileTest, ADamagedInputExitsTwoNamingIt) {
    QTemporaryDir dir;
    const QString k = dir.filePath(QStringLiteral("kaputt.xml"));
    QByteArray bytes = readFileBytes(Example);
    bytes.replace("Variable='Anzahl Prüffelder' Wert='3'",
                  "Variable='Anzahl Prüffelder' Wert='2000000000'");
    QFile file(k);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    file.close();
    const QString pdf = dir.filePath(QStringLiteral("p.pdf"));
    const QString csv = dir.filePath(QStringLiteral("w.csv"));
    const QString neu = dir.filePath(QStringLiteral("neu.xml"));
    const QString werte = dir.filePath(QStringLiteral("werte.csv"));
    ASSERT_EQ(run({QStringLiteral("--export"), Example, werte}).status, 0);
    for (const QStringList& args :
         {QStringList{QStringLiteral("--auswertung"), k},
          QStringList{QStringLiteral("--protokoll"), k, QStringLiteral("--pdf"), pdf},
          QStringList{QStringLiteral("--export"), k, csv},
          QStringList{QStringLiteral("--import"), werte, neu, QStringLiteral("--vorlage"), k}}) {
        const Result r = run(args);
        EXPECT_EQ(r.status, 2) << args.join(u' ').toStdString() << r.err.toStdString();
        EXPECT_TRUE(r.err.startsWith(QStringLiteral("Die Datei „%1“ ist beschädigt: Sie nennt "
                                                    "2.000.000.000 Prüffelder; eine "
                                                    "Kalibrierung hat höchstens 100.000.")
                                         .arg(k)))
            << r.err.toStdString();
        EXPECT_FALSE(r.err.contains(QStringLiteral("Speicher"))) << r.err.toStdString();
        EXPECT_TRUE(r.out.isEmpty()) << r.out.toStdString();
    }
    EXPECT_FALSE(QFile::exists(pdf));
    EXPECT_FALSE(QFile::exists(csv));
    EXPECT_FALSE(QFile::exists(neu));
}

// An output keeps its mode, ACL and attributes; a read-only output is
// refused as a save is, and so is another user's file the user may not write.
TEST(KommandozeileTest, OutputsKeepTheirModeAndReadOnlyOnesStay) {
    QTemporaryDir dir;
    const QString csv = dir.filePath(QStringLiteral("w.csv"));
    ASSERT_EQ(run({QStringLiteral("--export"), Example, csv}).status, 0);
    ASSERT_EQ(::chmod(QFile::encodeName(csv).constData(), 0640), 0);
    ASSERT_EQ(run({QStringLiteral("--export"), Example, csv}).status, 0);
    struct stat s {};
    ASSERT_EQ(::stat(QFile::encodeName(csv).constData(), &s), 0);
    EXPECT_EQ(s.st_mode & 07777, 0640u);
    // Every output alike: a private file with a named ACL entry and an
    // attribute keeps both, and its group gains nothing.
    const QString xlsx = dir.filePath(QStringLiteral("w.xlsx"));
    const QString pdf = dir.filePath(QStringLiteral("w.pdf"));
    const QString xml = dir.filePath(QStringLiteral("w.xml"));
    const QString table = dir.filePath(QStringLiteral("werte.csv"));
    ASSERT_EQ(run({QStringLiteral("--export"), Example, table}).status, 0);
    const QList<QStringList> outputs{
        {QStringLiteral("--export"), Example, csv},
        {QStringLiteral("--export"), Example, xlsx},
        {QStringLiteral("--protokoll"), Example, QStringLiteral("--pdf"), pdf},
        {QStringLiteral("--import"), table, xml, QStringLiteral("--vorlage"), Example}};
    for (const QStringList& args : outputs) {
        const QString out = args.size() == 3 ? args[2] : args[1] == table ? xml : pdf;
        SCOPED_TRACE(out.toStdString());
        if (!QFile::exists(out)) {
            ASSERT_EQ(run(args).status, 0);
        }
        ASSERT_EQ(::chmod(QFile::encodeName(out).constData(), 0600), 0);
        if (!werkzeug(QStringLiteral("setfacl"),
                      {QStringLiteral("-m"), QStringLiteral("u:nobody:rw"), out}) ||
            !werkzeug(QStringLiteral("setfattr"),
                      {QStringLiteral("-n"), QStringLiteral("user.quelle"), QStringLiteral("-v"),
                       QStringLiteral("Labor"), out}))
            GTEST_SKIP() << "setfacl/setfattr fehlen oder das Dateisystem kennt keine ACL.";
        const QString before = dateikennung(out);
        ASSERT_TRUE(before.contains(QStringLiteral("system.posix_acl_access=")));
        writeFileBytes(out, "alt"); // changed, so that the output is seen to be written
        const Result again = run(args);
        EXPECT_EQ(again.status, 0) << again.err.toStdString();
        EXPECT_NE(readFileBytes(out), QByteArray("alt"));
        EXPECT_EQ(dateikennung(out), before);
    }

    ASSERT_EQ(::chmod(QFile::encodeName(csv).constData(), 0444), 0);
    const QByteArray before = readFileBytes(csv);
    const Result r = run({QStringLiteral("--export"), Example, csv});
    EXPECT_EQ(r.status, 3);
    EXPECT_TRUE(r.err.contains(QStringLiteral("schreibgeschützt"))) << r.err.toStdString();
    EXPECT_EQ(readFileBytes(csv), before);

    // Root's file in nobody's folder: nobody may rename over it, but he may
    // not write it, so he does not replace it (it would become his).
    if (::geteuid() != 0)
        return;
    ::chmod(QFile::encodeName(dir.path()).constData(), 0755);
    const QString own = dir.filePath(QStringLiteral("nobody"));
    ASSERT_TRUE(QDir().mkdir(own));
    ASSERT_EQ(::chown(QFile::encodeName(own).constData(), NobodyId, NobodyId), 0);
    const QString foreign = own + QStringLiteral("/root.csv");
    writeFileBytes(foreign, "von root");
    ASSERT_EQ(::chmod(QFile::encodeName(foreign).constData(), 0644), 0);
    const QString foreignBefore = dateikennung(foreign);
    const KindErgebnis child = imKindprozess([&] {
        if (::setresgid(NobodyId, NobodyId, NobodyId) != 0 ||
            ::setresuid(NobodyId, NobodyId, NobodyId) != 0)
            return QByteArray("setuid");
        const Result n = run({QStringLiteral("--export"), Example, foreign});
        return QByteArray::number(n.status) + '|' + n.err.toUtf8();
    });
    ASSERT_TRUE(child.ended);
    EXPECT_TRUE(child.output.startsWith("3|")) << child.output.toStdString();
    EXPECT_TRUE(child.output.contains("keine Schreibberechtigung")) << child.output.toStdString();
    EXPECT_EQ(readFileBytes(foreign), QByteArray("von root"));
    EXPECT_EQ(dateikennung(foreign), foreignBefore);
}

// Names of up to 255 bytes can be written: the temporary name beside them
// is shortened.
TEST(KommandozeileTest, LongNamesCanBeWritten) {
    QTemporaryDir dir;
    for (int length : {248, 251, 255}) {
        const QString name = QString(length - 4, u'a') + QStringLiteral(".csv");
        const QString csv = dir.filePath(name);
        const Result r = run({QStringLiteral("--export"), Example, csv});
        EXPECT_EQ(r.status, 0) << length << r.err.toStdString();
        EXPECT_TRUE(QFile::exists(csv)) << length;
        // Once more, replacing it.
        EXPECT_EQ(run({QStringLiteral("--export"), Example, csv}).status, 0) << length;
    }
    Kalibrierung k;
    const QString xml = dir.filePath(QString(251, u'k') + QStringLiteral(".xml"));
    k.SaveFile(xml);
    k.DirektesPrüfmerkmal().setName(QStringLiteral("neu"));
    k.ReplaceFile(xml);
    Kalibrierung again;
    again.LoadFile(xml);
    EXPECT_EQ(again.DirektesPrüfmerkmal().Name(), QStringLiteral("neu"));
}

// A protocol interrupted by SIGTERM, SIGINT or SIGHUP leaves nothing behind.
// Killed (SIGKILL), a file without name leaves nothing either; a hidden name
// (where the file system has no such files) is left, and the next output of
// that name removes it once it is old, but never the user's own files of
// similar names.
TEST(KommandozeileTest, AnInterruptedOutputLeavesNothingBehind) {
    QTemporaryDir dir;
    const QString input = dir.filePath(QStringLiteral("gross.xml"));
    {
        Kalibrierung k;
        fillLarge(k);
        k.SaveFile(input);
    }
    const QString pdf = dir.filePath(QStringLiteral("p.pdf"));
    auto hidden = [&] {
        return QDir(dir.path()).entryList({QStringLiteral(".p.pdf*")}, QDir::Files | QDir::Hidden);
    };
    for (const bool named : {false, true}) {
        for (int signal : {SIGTERM, SIGINT, SIGHUP, SIGKILL}) {
            SCOPED_TRACE(std::string(named ? "benannt, " : "unbenannt, ") + strsignal(signal));
            int fds[2];
            ASSERT_EQ(::pipe(fds), 0);
            const pid_t child = ::fork();
            ASSERT_GE(child, 0);
            if (child == 0) {
                ::close(fds[0]);
                // Once the new file is there, the job waits to be interrupted.
                rt::Zieldatei::setzeNurBenannt(named);
                rt::Zieldatei::setzeEingriff([&](rt::Zieldatei::Schritt schritt) {
                    if (schritt != rt::Zieldatei::Schritt::Angelegt)
                        return;
                    if (::write(fds[1], "x", 1) != 1)
                        ::_exit(5);
                    for (;;)
                        ::pause();
                });
                run({QStringLiteral("--protokoll"), input, QStringLiteral("--pdf"), pdf});
                ::_exit(0);
            }
            ::close(fds[1]);
            char started = 0;
            const bool ready = ::read(fds[0], &started, 1) == 1;
            ::close(fds[0]);
            ::kill(child, signal);
            int status = 0;
            ::waitpid(child, &status, 0);
            EXPECT_TRUE(ready);
            EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << status;
            EXPECT_FALSE(QFile::exists(pdf));
            const QStringList left = hidden();
            if (named && signal == SIGKILL) {
                ASSERT_EQ(left.size(), 1);
                EXPECT_TRUE(left[0].startsWith(QStringLiteral(".p.pdf.orvanta-")))
                    << left[0].toStdString();
            } else {
                EXPECT_EQ(left, QStringList());
            }
        }
    }
    // The killed job's file goes with the next output once it is old; the
    // user's files stay.
    const QStringList userFiles{QStringLiteral(".p.pdf.201207"), QStringLiteral(".p.pdf.backup"),
                                QStringLiteral(".p.pdf.Kopie1"), QStringLiteral(".p.pdf.sicher")};
    for (const QString& name : userFiles)
        writeFileBytes(dir.filePath(name), "eigene Datei");
    for (const QString& name : hidden()) {
        QFile file(dir.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        file.setFileTime(QDateTime::currentDateTime().addSecs(-7200),
                         QFileDevice::FileModificationTime);
    }
    const Result r = run({QStringLiteral("--protokoll"), Example, QStringLiteral("--pdf"), pdf});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    QStringList left = hidden();
    QStringList expected = userFiles;
    left.sort();
    expected.sort();
    EXPECT_EQ(left, expected);
}

namespace {
const QString ImportDaten = QStringLiteral(PROJECT_SOURCE_DIR "/tests/data/import/");

// The measured values of a calibration file, field by field.
QStringList messwerte(const QString& path) {
    Kalibrierung k;
    k.LoadFile(path);
    QStringList values;
    for (rt::Long f = 1; f <= k.PrüffelderAnzahl(); ++f) {
        values.append(QStringLiteral("Feld %1 = %2").arg(f).arg(k.PrüffeldWert(f)));
        for (rt::Long p = 1; p <= k.PrüffeldPrüfpunkte(f); ++p)
            values.append(QStringLiteral("%1 / %2")
                              .arg(k.Messwert(pmDirekt, f, p).toDouble())
                              .arg(k.Messwert(pmIndirekt, f, p).toDouble()));
    }
    return values;
}
} // namespace

// The evaluation prints the requirement lines after the verdict, the same
// lines as the results page and the exports.
TEST(KommandozeileTest, TheEvaluationPrintsTheRequirementValues) {
    QTemporaryDir dir;
    const QString k = dir.filePath(QStringLiteral("anforderung.xml"));
    QByteArray bytes = readFileBytes(Example);
    bytes.replace("<rs:data>\r\n", "<rs:data>\r\n\t<z:row Variable='Anforderung Direktes "
                                   "Prüfmerkmal 1' Wert='98'/>\r\n");
    QFile file(k);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    file.close();
    Result r = run({QStringLiteral("--auswertung"), k});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.trimmed().endsWith(QStringLiteral(
        "Anforderung DPr ≥ 98 % entspricht EVD ≥ 38,7 MN/m² (zur sicheren Seite gerundet)")))
        << r.out.right(300).toStdString();

    // Three requirements, one with more digits than shown, one outside the
    // measured values: the lines are those of AnforderungTexte.
    Kalibrierung kalibrierung;
    kalibrierung.LoadFile(Example);
    setAnforderung(kalibrierung, 1, 97.45);
    setAnforderung(kalibrierung, 2, 80);
    setAnforderung(kalibrierung, 3, 101.125);
    const QString drei = dir.filePath(QStringLiteral("drei.xml"));
    kalibrierung.SaveFile(drei);
    r = run({QStringLiteral("--auswertung"), drei});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    Kalibrierung geladen;
    geladen.LoadFile(drei);
    const QStringList lines = AnforderungTexte(geladen);
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines, AnforderungTexte(kalibrierung));
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("Anforderung DPr ≥ 97,45 % entspricht EVD ≥ ")));
    EXPECT_TRUE(lines[1].contains(QStringLiteral(" – außerhalb des Messbereichs ")));
    const QStringList printed = r.out.split(u'\n');
    ASSERT_GE(printed.size(), 5);
    EXPECT_EQ(printed.mid(printed.size() - 5),
              QStringList() << QString() << lines << QString()); // after an empty line

    // The CSV export carries the lines below its results, each with the
    // requirement and the indirect value; they are no measured values when
    // it is imported again.
    const QString csv = dir.filePath(QStringLiteral("drei.csv"));
    ASSERT_EQ(run({QStringLiteral("--export"), drei, csv}).status, 0);
    const QString text = QString::fromUtf8(readFileBytes(csv));
    EXPECT_TRUE(text.contains(QStringLiteral("\r\nAnforderungswerte;DPr [%];EVD [MN/m²]\r\n")));
    const QList<AnforderungWert> werte = AnforderungWerte(geladen);
    ASSERT_EQ(werte.size(), lines.size());
    for (qsizetype i = 0; i < lines.size(); ++i)
        EXPECT_TRUE(text.contains(lines[i] + u';' + werte[i].anforderungText + u';' +
                                  werte[i].wertText + QStringLiteral("\r\n")))
            << lines[i].toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral(";101,125;")));
    const QString zurück = dir.filePath(QStringLiteral("zurück.xml"));
    r = run({QStringLiteral("--import"), csv, zurück, QStringLiteral("--vorlage"), drei});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(messwerte(zurück), messwerte(drei));
}

TEST(KommandozeileTest, TheOwnExportAndPlainTablesImportBackToTheSameValues) {
    QTemporaryDir dir;
    const QString csv = dir.filePath(QStringLiteral("Beispiel.csv"));
    ASSERT_EQ(run({QStringLiteral("--export"), Example, csv}).status, 0);
    const QString xml = dir.filePath(QStringLiteral("Importiert.xml"));
    Result r = run({QStringLiteral("--import"), csv, xml, QStringLiteral("--vorlage"), Example});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.startsWith(QStringLiteral("3 Prüffelder mit 9 Prüfpunkten aus")))
        << r.out.toStdString();
    EXPECT_EQ(messwerte(xml), messwerte(Example));
    // The workbook export too, with its calibration line beside the values.
    const QString mappe = dir.filePath(QStringLiteral("Beispiel.xlsx"));
    ASSERT_EQ(run({QStringLiteral("--export"), Example, mappe}).status, 0);
    const QString ausMappe = dir.filePath(QStringLiteral("AusMappe.xml"));
    r = run({QStringLiteral("--import"), mappe, ausMappe, QStringLiteral("--vorlage"), Example});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(messwerte(ausMappe), messwerte(Example));
    // The template's characteristics and site data came along: the evaluations agree.
    EXPECT_EQ(run({QStringLiteral("--auswertung"), xml}).out,
              run({QStringLiteral("--auswertung"), Example}).out);

    // Values with more digits than shown, and very small ones, come back as they were.
    Kalibrierung fein;
    fein.LoadFile(Example);
    fein.setMesswert(pmDirekt, 1, 1, 95.123456789);
    fein.setMesswert(pmIndirekt, 2, 3, 0.00001234);
    fein.setMesswert(pmIndirekt, 3, 1, -12345.5);
    const QString feinXml = dir.filePath(QStringLiteral("fein.xml"));
    fein.SaveFile(feinXml);
    const QString feinCsv = dir.filePath(QStringLiteral("fein.csv"));
    ASSERT_EQ(run({QStringLiteral("--export"), feinXml, feinCsv}).status, 0);
    const QString zurück = dir.filePath(QStringLiteral("zurück.xml"));
    r = run({QStringLiteral("--import"), feinCsv, zurück, QStringLiteral("--vorlage"), feinXml});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(messwerte(zurück), messwerte(feinXml));

    // Without a template: DPr and EVD; a decimal point and a Latin-1 file read alike.
    const QString punkt = dir.filePath(QStringLiteral("Punkt.xml"));
    r = run({QStringLiteral("--import"), ImportDaten + QStringLiteral("Z-DPr-EVD-Dezimalpunkt.csv"),
             punkt});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    Kalibrierung k;
    k.LoadFile(punkt);
    EXPECT_EQ(k.DirektesPrüfmerkmal().Formelzeichen(), QStringLiteral("DPr"));
    EXPECT_EQ(k.IndirektesPrüfmerkmal().Einheit(), QStringLiteral("MN/m²"));
    EXPECT_EQ(k.Messwert(pmDirekt, 1, 1).toDouble(), 95.5);
    EXPECT_EQ(k.Messwert(pmIndirekt, 1, 1).toDouble(), 30.1);
    EXPECT_FALSE(k.IsDirty());
    const QString latin = dir.filePath(QStringLiteral("Latin.xml"));
    EXPECT_EQ(run({QStringLiteral("--import"),
                   ImportDaten + QStringLiteral("Latin1-Dezimalkomma.csv"), latin})
                  .status,
              0);
    EXPECT_EQ(messwerte(latin), messwerte(punkt));
}

TEST(KommandozeileTest, ImportExitCodes) {
    QTemporaryDir dir;
    const QString xml = dir.filePath(QStringLiteral("k.xml"));
    // Rows that cannot be read: listed, nothing written.
    Result r = run(
        {QStringLiteral("--import"), ImportDaten + QStringLiteral("Fehlerhafte-Zeilen.csv"), xml});
    EXPECT_EQ(r.status, 4);
    EXPECT_TRUE(r.err.contains(
        QStringLiteral("Zeile 5: „9x“ ist kein Zahlenwert für direktes Prüfmerkmal.\n")))
        << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(QStringLiteral("Zeile 7: Die Zeile hat 2 statt 3 Spalten.\n")));
    EXPECT_FALSE(QFileInfo::exists(xml));
    // An input that is missing, or whose decimals read two ways.
    r = run({QStringLiteral("--import"), dir.filePath(QStringLiteral("fehlt.csv")), xml});
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(r.err.contains(QStringLiteral("wurde nicht gefunden")));
    const QString zweideutig = dir.filePath(QStringLiteral("zweideutig.csv"));
    {
        QFile f(zweideutig);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("Z;DPr;EVD\n2;1.234;30\n2;1.235;32\n2;1.236;34\n4;1.237;40\n4;1.238;42\n"
                "4;1.239;44\n6;1.240;50\n6;1.241;52\n6;1.242;54\n");
    }
    r = run({QStringLiteral("--import"), zweideutig, xml});
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(r.err.contains(QStringLiteral("--dezimal komma oder --dezimal punkt")));
    EXPECT_FALSE(QFileInfo::exists(xml));
    r = run({QStringLiteral("--import"), zweideutig, xml, QStringLiteral("--dezimal"),
             QStringLiteral("punkt")});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(messwerte(xml).value(1), QStringLiteral("1.234 / 30"));
    // A wrong call, an output that cannot be written, or a read-only one.
    EXPECT_EQ(run({QStringLiteral("--import"), zweideutig, xml, QStringLiteral("--dezimal"),
                   QStringLiteral("auto")})
                  .status,
              1);
    EXPECT_EQ(run({QStringLiteral("--import"), zweideutig}).status, 1);
    EXPECT_EQ(run({QStringLiteral("--import"), zweideutig, zweideutig}).status, 1);
    const QString punkt = ImportDaten + QStringLiteral("Z-DPr-EVD-Dezimalpunkt.csv");
    EXPECT_EQ(
        run({QStringLiteral("--import"), punkt, dir.filePath(QStringLiteral("gibt/es/nicht.xml"))})
            .status,
        3);
    QFile::setPermissions(xml, QFileDevice::ReadOwner);
    r = run({QStringLiteral("--import"), punkt, xml});
    EXPECT_EQ(r.status, 3);
    EXPECT_TRUE(r.err.contains(QStringLiteral("schreibgeschützt")));
    EXPECT_EQ(messwerte(xml).value(1), QStringLiteral("1.234 / 30")); // unchanged
}

TEST(KommandozeileTest, ImportColumnsSheetsAndAdding) {
    QTemporaryDir dir;
    const QString xml = dir.filePath(QStringLiteral("k.xml"));
    // A header without the covariable: exit 2 naming it and the headers found.
    const QString ohneKov = dir.filePath(QStringLiteral("ohne.csv"));
    writeFileBytes(ohneKov, dreiFelder(
                                "Feld;Walze;DPr [%];EVD",
                                [](int i) { return "9" + QByteArray::number(i) + ",5"; },
                                [](int i) { return "3" + QByteArray::number(i); }));
    Result r = run({QStringLiteral("--import"), ohneKov, xml});
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(r.err.contains(
        QStringLiteral("Es gibt keine Spalte für die Kovariable „Anzahl der Übergänge“ (Z).")))
        << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(QStringLiteral(
        "Gefundene Spaltenüberschriften: „Feld“ (Prüffeld), „Walze“ (nicht lesen), „DPr [%]“ "
        "(direktes Prüfmerkmal), „EVD“ (indirektes Prüfmerkmal).")))
        << r.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(xml));
    // Mapped explicitly, the header row is still no data.
    r = run({QStringLiteral("--import"), ohneKov, xml, QStringLiteral("--spalten"),
             QStringLiteral("feld,kovariable,direkt,indirekt")});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(messwerte(xml).mid(0, 3),
              (QStringList{QStringLiteral("Feld 1 = 2"), QStringLiteral("90.5 / 30"),
                           QStringLiteral("91.5 / 31")}));
    // Columns mapped by hand decide the decimal separator: "93.898" is asked about.
    const QString messung = dir.filePath(QStringLiteral("messung.csv"));
    writeFileBytes(messung, dreiFelder(
                                "Feld;Z;Messung A;Messung B",
                                [](int i) { return "93.89" + QByteArray::number(i); },
                                [](int i) { return "58.83" + QByteArray::number(i); }));
    r = run({QStringLiteral("--import"), messung, xml, QStringLiteral("--spalten"),
             QStringLiteral("feld,kovariable,direkt,indirekt")});
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(r.err.contains(QStringLiteral("--dezimal komma oder --dezimal punkt")))
        << r.err.toStdString();
    // Columns left out are named.
    r = run({QStringLiteral("--import"), ImportDaten + QStringLiteral("r7-mehrzeilig.csv"), xml});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("Nicht gelesen: „Bemerkung“ (Spalte 5).")))
        << r.out.toStdString();
    // An unknown word, a role named twice, a sheet of a text file: wrong calls.
    for (const QStringList& falsch :
         {QStringList{QStringLiteral("--spalten"), QStringLiteral("feld,walze")},
          QStringList{QStringLiteral("--spalten"), QStringLiteral("feld,direkt,direkt,indirekt")},
          QStringList{QStringLiteral("--blatt"), QStringLiteral("Tabelle1")},
          QStringList{QStringLiteral("--kopfzeile"), QStringLiteral("vielleicht")}})
        EXPECT_EQ(run(QStringList{QStringLiteral("--import"), ohneKov, xml} + falsch).status, 1)
            << falsch.join(u' ').toStdString();
    // Without a header row, the first row is data: here a bad one.
    r = run({QStringLiteral("--import"), ohneKov, xml, QStringLiteral("--spalten"),
             QStringLiteral("feld,kovariable,direkt,indirekt"), QStringLiteral("--kopfzeile"),
             QStringLiteral("nein")});
    EXPECT_EQ(r.status, 4);
    EXPECT_TRUE(r.err.startsWith(QStringLiteral("Zeile 1: „Walze“ ist kein Zahlenwert")))
        << r.err.toStdString();

    // A workbook read directly, its sheet chosen by name.
    const QString mappe = ImportDaten + QStringLiteral("lo-messwerte.xlsx");
    const QString ausMappe = dir.filePath(QStringLiteral("mappe.xml"));
    r = run({QStringLiteral("--import"), mappe, ausMappe, QStringLiteral("--blatt"),
             QStringLiteral("Messwerte")});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    const QStringList werte = messwerte(ausMappe);
    EXPECT_EQ(werte.size(), 35);
    EXPECT_EQ(werte.value(0), QStringLiteral("Feld 1 = 2"));
    EXPECT_EQ(werte.value(1), QStringLiteral("95.1 / 36.6"));
    EXPECT_EQ(werte.value(34), QStringLiteral("99.8 / 64.1"));
    r = run({QStringLiteral("--import"), mappe, ausMappe, QStringLiteral("--blatt"),
             QStringLiteral("Tabelle2")});
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(r.err.contains(QStringLiteral("kein Tabellenblatt „Tabelle2“")));

    // Added to the template's fields.
    const QString zusammen = dir.filePath(QStringLiteral("zusammen.xml"));
    r = run({QStringLiteral("--import"), ImportDaten + QStringLiteral("lo-semikolon-utf8.csv"),
             zusammen, QStringLiteral("--vorlage"), Example, QStringLiteral("--anhaengen")});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("angehängt")));
    // The workbook's fields follow the template's three.
    QStringList danach = messwerte(Example);
    for (const QString& w : werte)
        danach.append(w.startsWith(QStringLiteral("Feld "))
                          ? QStringLiteral("Feld %1").arg(w.mid(5, 1).toInt() + 3) + w.mid(6)
                          : w);
    EXPECT_EQ(messwerte(zusammen), danach);
    EXPECT_EQ(
        run({QStringLiteral("--import"), mappe, zusammen, QStringLiteral("--anhaengen")}).status,
        1);

    // Thousands of bad rows: the first thousand listed, the rest counted.
    const QString viele = dir.filePath(QStringLiteral("viele.csv"));
    {
        QFile f(viele);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("Z;DPr;EVD\n2;95;30\n2;96;32\n2;97;34\n4;98;40\n4;99;42\n4;100;44\n6;101;50\n"
                "6;102;52\n6;103;54\n");
        for (int i = 0; i < 5000; ++i)
            f.write("6;x;1\n");
    }
    r = run({QStringLiteral("--import"), viele, xml});
    EXPECT_EQ(r.status, 4);
    EXPECT_EQ(r.err.count(QStringLiteral("ist kein Zahlenwert")), 1000);
    EXPECT_TRUE(r.err.contains(QStringLiteral("… und 4.000 weitere Zeilen\n")));
    EXPECT_TRUE(r.err.contains(QStringLiteral("5.000 Zeilen der Datei")));
}

// Unfilled site data are named on standard error; the protocol is written
// all the same and the status stays 0.
TEST(KommandozeileTest, TheProtocolNamesUnfilledSiteData) {
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("p.pdf"));
    const Result r = run({QStringLiteral("--protokoll"), Example, QStringLiteral("--pdf"), pdf});
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(QFile::exists(pdf));
    EXPECT_TRUE(r.out.endsWith(QStringLiteral("geschrieben.\n")));
    const QStringList lines = r.err.split(u'\n');
    ASSERT_GE(lines.size(), 3);
    EXPECT_EQ(lines[0], QStringLiteral("Protokolldaten unvollständig:"));
    EXPECT_EQ(lines[1], QStringLiteral("  Bauvorhaben"));
    EXPECT_TRUE(lines.contains(QStringLiteral("  Prüfstelle (Name und Anschrift)")));
    EXPECT_TRUE(lines.contains(QStringLiteral("  Unterlage Wassergehalt")));
    EXPECT_TRUE(lines.contains(QStringLiteral("  Kalibrierfeld Datum bei Prüfung")));
    EXPECT_FALSE(r.err.contains(QStringLiteral("Walzentyp"))); // the example names it
    // Type 1 prints the header only.
    const Result one = run({QStringLiteral("--protokoll"), Example, QStringLiteral("--typ"),
                            QStringLiteral("1"), QStringLiteral("--pdf"), pdf});
    EXPECT_EQ(one.status, 0);
    EXPECT_TRUE(one.err.contains(QStringLiteral("\n  Berichtsdatum\n")));
    EXPECT_FALSE(one.err.contains(QStringLiteral("Unterlage")));

    // Everything filled: nothing on standard error; one field's
    // placeholder is named with its field.
    Kalibrierung k;
    k.LoadFile(Example);
    for (const Protokolleintrag& e : ProtokollEinträge(k))
        k.DataStoreLet(e.schlüssel, QStringLiteral("angegeben"));
    const QString voll = dir.filePath(QStringLiteral("voll.xml"));
    k.SaveFile(voll);
    const Result full = run({QStringLiteral("--protokoll"), voll, QStringLiteral("--pdf"), pdf});
    EXPECT_EQ(full.status, 0);
    EXPECT_TRUE(full.err.isEmpty()) << full.err.toStdString();
    k.DataStoreLet(ProtokollSchlüssel(*ProtokollangabeJeFeld(), 2), QStringLiteral("?? Übergänge"));
    const QString feld = dir.filePath(QStringLiteral("feld.xml"));
    k.SaveFile(feld);
    const Result field = run({QStringLiteral("--protokoll"), feld, QStringLiteral("--pdf"), pdf});
    EXPECT_EQ(field.status, 0);
    EXPECT_EQ(field.err, QStringLiteral("Protokolldaten unvollständig:\n  Kalibrierfeld Kovariable "
                                        "(Anzahl der Verdichtungsübergänge) - Prüffeld 2\n"));

    // The program itself: the list on its standard error, status 0.
    QProcess program;
    program.start(QStringLiteral(ORVANTA_EXE),
                  {QStringLiteral("--protokoll"), Example, QStringLiteral("--pdf"), pdf});
    ASSERT_TRUE(program.waitForFinished(60000));
    EXPECT_EQ(program.exitCode(), 0);
    const QString err = QString::fromUtf8(program.readAllStandardError());
    EXPECT_TRUE(err.startsWith(QStringLiteral("Protokolldaten unvollständig:\n  Bauvorhaben\n")))
        << err.toStdString();
    EXPECT_FALSE(QString::fromUtf8(program.readAllStandardOutput()).contains(u'?'));
}

// Another user who shares the folder (0777, not sticky) swaps the hidden file
// of an output for a link to a private file of the user's: no output ever
// writes through it; the output fails and the private file stays as it was.
// With a file without name (O_TMPFILE) and with a hidden name.
TEST(KommandozeileTest, ASwappedHiddenFileNeverReachesAnotherFile) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "Braucht root, um als ein anderer Benutzer zu handeln.";
    QTemporaryDir dir;
    ::chmod(QFile::encodeName(dir.path()).constData(), 0755);
    const QString shared = dir.filePath(QStringLiteral("geteilt"));
    ASSERT_TRUE(QDir().mkdir(shared));
    ::chmod(QFile::encodeName(shared).constData(), 0777);
    const QString victim = dir.filePath(QStringLiteral("victim.txt"));
    writeFileBytes(victim, "nur für root\n");
    ::chmod(QFile::encodeName(victim).constData(), 0600);
    const QString victimBefore = dateikennung(victim);
    const QString table = dir.filePath(QStringLiteral("werte.csv"));
    ASSERT_EQ(run({QStringLiteral("--export"), Example, table}).status, 0);

    const QList<QStringList> outputs{
        {QStringLiteral("--protokoll"), Example, QStringLiteral("--pdf"),
         shared + QStringLiteral("/out.pdf")},
        {QStringLiteral("--export"), Example, shared + QStringLiteral("/out.csv")},
        {QStringLiteral("--export"), Example, shared + QStringLiteral("/out.xlsx")},
        {QStringLiteral("--import"), table, shared + QStringLiteral("/out.xml")}};
    for (const QStringList& args : outputs) {
        const QString out = args.last();
        for (const bool named : {false, true}) {
            SCOPED_TRACE(out.toStdString() + (named ? " benannt" : " unbenannt"));
            QFile::remove(out);
            writeFileBytes(out, "alte Ausgabe");
            int swapped = 0;
            rt::Zieldatei::setzeNurBenannt(named);
            rt::Zieldatei::setzeEingriff([&](rt::Zieldatei::Schritt) {
                swapped += tauscheZwischendateienAlsNobody(shared, victim);
            });
            const Result r = run(args);
            rt::Zieldatei::setzeEingriff(nullptr);
            rt::Zieldatei::setzeNurBenannt(false);
            EXPECT_GE(swapped, 1);
            EXPECT_EQ(r.status, 3) << r.out.toStdString();
            EXPECT_TRUE(r.err.contains(QStringLiteral("von einem anderen Benutzer ersetzt")))
                << r.err.toStdString();
            EXPECT_EQ(readFileBytes(victim), QByteArray("nur für root\n"));
            EXPECT_EQ(dateikennung(victim), victimBefore);
            EXPECT_EQ(readFileBytes(out), QByteArray("alte Ausgabe"));
            for (const QString& name :
                 QDir(shared).entryList(QDir::Files | QDir::Hidden | QDir::System))
                if (name.startsWith(u'.'))
                    QFile::remove(shared + u'/' + name);
        }
        // Unhindered, the same output is written.
        EXPECT_EQ(run(args).status, 0);
        EXPECT_NE(readFileBytes(out), QByteArray("alte Ausgabe"));
    }
}

// An output that is a link is written through to the file it names, for
// every output, and that file is checked as the output itself. Another
// user's link in a folder everybody may write to is not followed.
TEST(KommandozeileTest, OutputsAreWrittenThroughLinks) {
    QTemporaryDir dir;
    ::chmod(QFile::encodeName(dir.path()).constData(), 0755);
    const QString table = dir.filePath(QStringLiteral("werte.csv"));
    ASSERT_EQ(run({QStringLiteral("--export"), Example, table}).status, 0);
    const QString real = dir.filePath(QStringLiteral("ziele"));
    ASSERT_TRUE(QDir().mkdir(real));
    for (const char* suffix : {"pdf", "csv", "xlsx", "xml"}) {
        SCOPED_TRACE(suffix);
        const QString target = real + QStringLiteral("/real.") + QLatin1String(suffix);
        const QString link = dir.filePath(QStringLiteral("link.") + QLatin1String(suffix));
        writeFileBytes(target, "alt");
        ASSERT_TRUE(QFile::link(QStringLiteral("ziele/real.") + QLatin1String(suffix), link));
        const QStringList args =
            QLatin1String(suffix) == u"pdf"
                ? QStringList{QStringLiteral("--protokoll"), Example, QStringLiteral("--pdf"), link}
            : QLatin1String(suffix) == u"xml"
                ? QStringList{QStringLiteral("--import"), table, link, QStringLiteral("--vorlage"),
                              Example}
                : QStringList{QStringLiteral("--export"), Example, link};
        const Result r = run(args);
        EXPECT_EQ(r.status, 0) << r.err.toStdString();
        EXPECT_TRUE(QFileInfo(link).isSymLink());
        EXPECT_GT(readFileBytes(target).size(), 3);
        EXPECT_EQ(QDir(dir.path()).entryList({QStringLiteral(".*")}, QDir::Files | QDir::Hidden),
                  QStringList());
        EXPECT_EQ(QDir(real).entryList({QStringLiteral(".*")}, QDir::Files | QDir::Hidden),
                  QStringList());
    }
    // A chain of links ending at the calibration itself: it is the input.
    const QString k = dir.filePath(QStringLiteral("k.xml"));
    ASSERT_TRUE(QFile::copy(Example, k));
    ASSERT_TRUE(QFile::link(k, dir.filePath(QStringLiteral("eins.xml"))));
    ASSERT_TRUE(QFile::link(dir.filePath(QStringLiteral("eins.xml")),
                            dir.filePath(QStringLiteral("zwei.csv"))));
    EXPECT_EQ(run({QStringLiteral("--export"), k, dir.filePath(QStringLiteral("zwei.csv"))}).status,
              1);
    EXPECT_EQ(readFileBytes(k), readFileBytes(Example));

    if (::geteuid() != 0)
        GTEST_SKIP() << "Braucht root, um einen Verweis eines anderen Benutzers anzulegen.";
    const QString victim = dir.filePath(QStringLiteral("victim"));
    ASSERT_TRUE(QDir().mkdir(victim));
    const QString v2 = victim + QStringLiteral("/v2.txt");
    writeFileBytes(v2, "bleibt");
    for (const mode_t mode : {mode_t(01777), mode_t(0777)}) {
        SCOPED_TRACE(mode);
        const QString folder = dir.filePath(QStringLiteral("sticky%1").arg(mode, 0, 8));
        ASSERT_TRUE(QDir().mkdir(folder));
        ::chmod(QFile::encodeName(folder).constData(), mode);
        for (const char* name : {"out.xml", "out.csv"}) {
            const QString link = folder + u'/' + QLatin1String(name);
            ASSERT_TRUE(QFile::link(v2, link));
            ASSERT_EQ(::lchown(QFile::encodeName(link).constData(), NobodyId, NobodyId), 0);
        }
        const Result imported =
            run({QStringLiteral("--import"), table, folder + QStringLiteral("/out.xml")});
        EXPECT_EQ(imported.status, 3);
        EXPECT_TRUE(imported.err.contains(QStringLiteral("gehört einem anderen Benutzer")))
            << imported.err.toStdString();
        const Result exported =
            run({QStringLiteral("--export"), Example, folder + QStringLiteral("/out.csv")});
        EXPECT_EQ(exported.status, 3);
        EXPECT_EQ(readFileBytes(v2), QByteArray("bleibt"));
    }
}

// The program's own open files are no output: /dev/stdout, /dev/stderr,
// /dev/fd/N and /proc/self/fd/N are refused by their link, before it is
// followed, also when standard output is a file.
TEST(KommandozeileTest, TheProgramsOpenFilesAreNoOutput) {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("offen.pdf"));
    writeFileBytes(file, "offen");
    QFile open(file);
    ASSERT_TRUE(open.open(QIODevice::ReadWrite));
    const QString fd = QString::number(open.handle());
    for (const QString& path :
         {QStringLiteral("/proc/self/fd/") + fd, QStringLiteral("/dev/fd/") + fd,
          QStringLiteral("/proc/%1/fd/").arg(::getpid()) + fd}) {
        const Result r =
            run({QStringLiteral("--protokoll"), Example, QStringLiteral("--pdf"), path});
        EXPECT_EQ(r.status, 3) << path.toStdString();
        EXPECT_TRUE(r.err.contains(QStringLiteral("die das Programm geöffnet hat")))
            << r.err.toStdString();
    }
    EXPECT_EQ(readFileBytes(file), QByteArray("offen"));

    // The program itself, its standard output a file, in a mount namespace of
    // its own with a /dev of its own: what it does there reaches no one else.
    if (::geteuid() != 0)
        GTEST_SKIP() << "Braucht root für einen eigenen Namensraum der Einhängepunkte.";
    const QByteArray folder = QFile::encodeName(dir.path());
    const QByteArray exe = ORVANTA_EXE;
    const QByteArray example = QFile::encodeName(Example);
    const KindErgebnis child = imKindprozess([&] {
        if (::unshare(CLONE_NEWNS) != 0)
            return QByteArray("!unshare: ") + std::strerror(errno);
        if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
            return QByteArray("!mount: ") + std::strerror(errno);
        const QByteArray dev = folder + "/dev";
        if (::mkdir(dev.constData(), 0755) != 0 ||
            ::mount("tmpfs", dev.constData(), "tmpfs", 0, "size=64k") != 0)
            return QByteArray("!tmpfs: ") + std::strerror(errno);
        const QByteArray null = dev + "/null";
        ::close(::open(null.constData(), O_CREAT | O_WRONLY, 0666));
        if (::mount("/dev/null", null.constData(), nullptr, MS_BIND, nullptr) != 0 ||
            ::symlink("/proc/self/fd/0", (dev + "/stdin").constData()) != 0 ||
            ::symlink("/proc/self/fd/1", (dev + "/stdout").constData()) != 0 ||
            ::symlink("/proc/self/fd/2", (dev + "/stderr").constData()) != 0 ||
            ::symlink("/proc/self/fd", (dev + "/fd").constData()) != 0 ||
            ::mount(dev.constData(), "/dev", nullptr, MS_BIND, nullptr) != 0)
            return QByteArray("!dev: ") + std::strerror(errno);
        QByteArray report;
        for (const char* out : {"/dev/stdout", "/dev/stderr"}) {
            const pid_t program = ::fork();
            if (program == 0) {
                const int cap =
                    ::open((folder + "/cap.pdf").constData(), O_CREAT | O_TRUNC | O_WRONLY, 0644);
                const int err = ::open(
                    (folder + "/err" + QByteArray(out).replace('/', '-') + ".txt").constData(),
                    O_CREAT | O_TRUNC | O_WRONLY, 0644);
                ::dup2(cap, 1);
                ::dup2(std::strcmp(out, "/dev/stderr") == 0 ? cap : err, 2);
                ::execl(exe.constData(), "Orvanta", "--protokoll", example.constData(), "--pdf",
                        out, static_cast<char*>(nullptr));
                ::_exit(127);
            }
            int status = 0;
            ::waitpid(program, &status, 0);
            struct stat s {};
            const bool link = ::lstat(out, &s) == 0 && S_ISLNK(s.st_mode);
            report += QByteArray(out) + ' ' +
                      QByteArray::number(WIFEXITED(status) ? WEXITSTATUS(status) : -1) +
                      (link ? " Verweis" : " ersetzt") + '\n';
        }
        return report;
    });
    ASSERT_TRUE(child.ended);
    if (child.output.startsWith('!'))
        GTEST_SKIP() << child.output.toStdString();
    EXPECT_EQ(child.output, "/dev/stdout 3 Verweis\n/dev/stderr 3 Verweis\n");
    const QString err =
        QString::fromUtf8(readFileBytes(dir.filePath(QStringLiteral("err-dev-stdout.txt"))));
    EXPECT_TRUE(
        err.contains(QStringLiteral("Die Datei „/dev/stdout“ kann nicht geschrieben werden: "
                                    "sie verweist auf eine Datei, die das Programm geöffnet hat")))
        << err.toStdString();
    EXPECT_FALSE(readFileBytes(dir.filePath(QStringLiteral("cap.pdf"))).startsWith("%PDF"));
}

// Started with SIGHUP ignored (nohup), the program keeps it ignored while it
// writes an output: hang-ups do not end it.
TEST(KommandozeileTest, ASignalIgnoredAtTheStartStaysIgnored) {
    QTemporaryDir dir;
    const QString input = dir.filePath(QStringLiteral("gross.xml"));
    {
        Kalibrierung k;
        fillLarge(k);
        k.SaveFile(input);
    }
    const QByteArray pdf = QFile::encodeName(dir.filePath(QStringLiteral("p.pdf")));
    const QByteArray in = QFile::encodeName(input);
    int fds[2];
    ASSERT_EQ(::pipe2(fds, O_CLOEXEC), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::signal(SIGHUP, SIG_IGN);
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 1);
        ::dup2(null, 2);
        ::execl(ORVANTA_EXE, "Orvanta", "--protokoll", in.constData(), "--pdf", pdf.constData(),
                static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(fds[1]);
    char c = 0;
    EXPECT_EQ(::read(fds[0], &c, 1), 0); // closed by the exec
    ::close(fds[0]);
    // Hang-ups all through the job, until it ends.
    int status = 0;
    int hangUps = 0;
    while (::waitpid(child, &status, WNOHANG) == 0) {
        ::kill(child, SIGHUP);
        ++hangUps;
        ::usleep(5000);
    }
    EXPECT_GT(hangUps, 1);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_TRUE(QFileInfo(QFile::decodeName(pdf)).size() > 0);
}

// A workbook the library cannot complete (here: a file size limit, as a full
// disk) is reported in German; the library's own English texts never reach
// the user, and nothing damaged is reported as written.
TEST(KommandozeileTest, OnlyGermanMessagesWhenAnOutputCannotBeCompleted) {
    QTemporaryDir dir;
    const QString input = dir.filePath(QStringLiteral("gross.xml"));
    {
        Kalibrierung k;
        fillLarge(k);
        k.SaveFile(input);
    }
    for (const char* name : {"w.xlsx", "w.csv", "w.pdf"}) {
        SCOPED_TRACE(name);
        const QByteArray out = QFile::encodeName(dir.filePath(QString::fromLatin1(name)));
        const QByteArray errFile = QFile::encodeName(dir.filePath(QStringLiteral("err.txt")));
        const QByteArray in = QFile::encodeName(input);
        const bool pdf = QByteArray(name).endsWith("pdf");
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            const int err = ::open(errFile.constData(), O_CREAT | O_TRUNC | O_WRONLY, 0644);
            ::dup2(err, 2);
            ::dup2(err, 1);
            ::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{64 * 1024, 64 * 1024};
            ::setrlimit(RLIMIT_FSIZE, &limit);
            if (pdf)
                ::execl(ORVANTA_EXE, "Orvanta", "--protokoll", in.constData(), "--pdf",
                        out.constData(), static_cast<char*>(nullptr));
            else
                ::execl(ORVANTA_EXE, "Orvanta", "--export", in.constData(), out.constData(),
                        static_cast<char*>(nullptr));
            ::_exit(127);
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 3) << status;
        const QString err = QString::fromUtf8(readFileBytes(QFile::decodeName(errFile)));
        EXPECT_TRUE(err.contains(
            QStringLiteral("„%1“ kann nicht geschrieben werden: ").arg(QFile::decodeName(out))))
            << err.toStdString();
        for (const char* english : {"[ERROR]", "[WARNING]", "rror", "Zip", "ZIP", "xlsx file"})
            EXPECT_FALSE(err.contains(QLatin1String(english))) << err.toStdString();
        EXPECT_FALSE(QFile::exists(QFile::decodeName(out)));
    }
    EXPECT_EQ(QDir(dir.path()).entryList({QStringLiteral(".*")}, QDir::Files | QDir::Hidden),
              QStringList());
}
