// Broken and hostile calibration files: each gives a clear German error or a
// correct load, in bounded time and memory, and a failed load leaves the
// calibration as it was. Every file is loaded in a child process, so that a
// hang or a crash is reported as one and not taken for the test's own.

#include "TestSupport.h"

#include "Beispiel.h"

#include "AdoRecordset.h"
#include "Ergebnisliste.h"
#include "Kalibrierung.h"

#include <QDir>
#include <QTemporaryDir>

#include <cstdio>
#include <functional>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#if defined(__SANITIZE_ADDRESS__)
constexpr long SpeicherFaktor = 3; // the sanitizer's shadow memory
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr long SpeicherFaktor = 3;
#else
constexpr long SpeicherFaktor = 1;
#endif
#else
constexpr long SpeicherFaktor = 1;
#endif

namespace {

using Probe = std::function<QString(const Kalibrierung&)>;

struct Ausgang {
    bool ended = false;    // the child ended by itself (no crash, no hang)
    int number = -1;       // error number; 0 when the file loaded
    QString description;   // the error's description
    bool unchanged = true; // after an error: the calibration as before
    QString probe;         // after a load: what the case's probe reported
    long peakMb = 0;       // the child's peak memory above the parent's
};

QString entriesOf(const Kalibrierung& k) {
    QString out;
    k.DataStore()->forEach([&](const QString& key, const rt::Variant& v) {
        out += key + u'\x1e' + v.toText() + u'\x1d';
    });
    return out;
}

long ownPeakMb() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

// The pages the process holds now, in MB: a forked child starts its peak
// there, whatever the parent's peak was before.
long ownResidentMb() {
    long pages = 0;
    long resident = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(f);
    }
    return resident * (::sysconf(_SC_PAGESIZE) / 1024) / 1024;
}

// Loads file into a calibration holding the worked example, in a child
// process limited to 60 s of CPU, which is killed after 120 s.
Ausgang loadBounded(const QString& file, const Probe& probe) {
    const KindErgebnis child = imKindprozess([&] {
        const long start = ownResidentMb();
        rlimit cpu{60, 60};
        ::setrlimit(RLIMIT_CPU, &cpu);
        Kalibrierung k;
        fillWorkedExample(k);
        const QString before = entriesOf(k);
        QString out;
        try {
            k.LoadFile(file);
            out = QStringLiteral("0\x1f\x1f") + u'1' + u'\x1f' + probe(k);
        } catch (const rt::RuntimeError& e) {
            out = QString::number(e.number()) + u'\x1f' + e.description() + u'\x1f' +
                  (entriesOf(k) == before ? u'1' : u'0') + u'\x1f';
        }
        // What the load took beyond what the child started with.
        return (QString::number(ownPeakMb() - start) + u'\x1f' + out).toUtf8();
    });
    Ausgang result;
    result.ended = child.ended;
    // Four separators; the probe's report, last, may hold any character.
    const QString text = QString::fromUtf8(child.output);
    QStringList parts;
    qsizetype from = 0;
    for (int k = 0; k < 4; ++k) {
        const qsizetype at = text.indexOf(u'\x1f', from);
        if (at < 0)
            break;
        parts.append(text.mid(from, at - from));
        from = at + 1;
    }
    parts.append(text.mid(from));
    if (result.ended && parts.size() == 5) {
        result.peakMb = std::max(0L, parts[0].toLong());
        result.number = parts[1].toInt();
        result.description = parts[2];
        result.unchanged = parts[3] == u"1";
        result.probe = parts[4];
    } else {
        result.ended = false;
    }
    return result;
}

// The file as the program writes it, with rows of our own.
QByteArray withRows(const QByteArray& rows, const QByteArray& prolog = QByteArray()) {
    const QByteArray empty = ado::write({QStringLiteral("Variable"), QStringLiteral("Wert")}, {});
    const qsizetype data = empty.indexOf("<rs:data>\r\n") + 11;
    return prolog + empty.left(data) + rows + empty.mid(data);
}

QByteArray row(const QByteArray& key, const QByteArray& value) {
    return "<z:row Variable='" + key + "' Wert='" + value + "'/>\r\n";
}

QString valueOf(const Kalibrierung& k, const QString& key) {
    const rt::Variant* v = k.DataStore()->find(key);
    return v ? v->toText() : QStringLiteral("(fehlt)");
}

const QString Anzahl = QStringLiteral("Anzahl Prüffelder");
const QString Bemerkungen = QStringLiteral("Protokoll Verdichtung Kalibrierfeld Bemerkungen");

Probe fields = [](const Kalibrierung& k) { return valueOf(k, Anzahl); };

struct Fall {
    const char* name;
    QByteArray bytes;
    int number;         // the error expected; 0: the file loads
    const char* reason; // part of the error's description (UTF-8), or the probe's report
    Probe probe = fields;
};

} // namespace

TEST(FeindlicheDateienTest, EveryFileGivesAClearErrorOrACorrectLoad) {
    QTemporaryDir dir;
    const QByteArray example =
        readFileBytes(QStringLiteral(PROJECT_SOURCE_DIR "/beispiele/Kalibrierung-DPr-EVD.xml"));
    ASSERT_GT(example.size(), 1000);
    const int source = rt::err::RecordsetSource;
    const int damaged = rt::err::InvalidFileFormat;

    // A named pipe: a parser that opened it to fetch an entity would hang.
    const QByteArray fifo = QFile::encodeName(dir.filePath(QStringLiteral("falle")));
    ASSERT_EQ(::mkfifo(fifo.constData(), 0600), 0);

    QByteArray laughs = "<!DOCTYPE xml [<!ENTITY l0 \"hahahahaha\">";
    for (int level = 1; level <= 9; ++level) {
        laughs += "<!ENTITY l" + QByteArray::number(level) + " \"";
        for (int k = 0; k < 10; ++k)
            laughs += "&l" + QByteArray::number(level - 1) + ';';
        laughs += "\">";
    }
    laughs += "]>\r\n";

    QByteArray manyRows;
    for (int k = 1; k <= 100'000; ++k)
        manyRows += row("Schlüssel " + QByteArray::number(k), QByteArray::number(k));
    const QByteArray latin1Row = row("Protokoll Verdichtung Kalibrierfeld Walzentyp", "Gr\xFC"
                                                                                      "n");
    QByteArray utf16 = QByteArray("\xFF\xFE");
    {
        const QString text = QString::fromUtf8(example);
        utf16.append(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    }
    QByteArray utf16be;
    for (qsizetype i = 2; i + 1 < utf16.size(); i += 2)
        utf16be += QByteArray() + utf16[i + 1] + utf16[i];
    QByteArray bomInside = example;
    bomInside.insert(bomInside.indexOf("<rs:data>") + 9, "\xEF\xBB\xBF");
    QByteArray bomInValue = example;
    bomInValue.insert(bomInValue.indexOf("Wert='3'") + 6, "\xEF\xBB\xBF");

    // Structural worst cases: many attributes on one element, many fields,
    // many references to fields.
    auto attributes = [](int count) {
        QByteArray tag = "<z:row Variable='Anzahl Prüffelder' Wert='3'";
        tag.reserve(count * 12 + 64);
        for (int k = 0; k < count; ++k)
            tag += " a" + QByteArray::number(k) + "='1'";
        return tag + "/>\r\n";
    };
    QStringList manyFieldNames = {QStringLiteral("Variable"), QStringLiteral("Wert")};
    for (int k = 0; k < 10'000; ++k)
        manyFieldNames.append(QStringLiteral("f%1").arg(k));
    QByteArray manyFields = ado::write(manyFieldNames, {});
    {
        QByteArray emptyRows;
        for (int k = 0; k < 10'000; ++k)
            emptyRows += "<z:row/>\r\n";
        manyFields.insert(manyFields.indexOf("<rs:data>\r\n") + 11, emptyRows);
    }
    // Where no count before the parser sees them: attributes in an entity,
    // one namespace declaration per level, an entity used over and over.
    auto hiddenAttributes = [](int count) {
        QByteArray tag = "<z:row Variable='Anzahl Prüffelder' Wert='3'";
        tag.reserve(count * 12 + 64);
        for (int k = 0; k < count; ++k)
            tag += " a" + QByteArray::number(k) + "='1'";
        return withRows("&e;\r\n", "<!DOCTYPE xml [<!ENTITY e \"" + tag + "/>\">]>\r\n");
    };
    auto nested = [](int levels, bool namespaces) {
        QByteArray open, close;
        for (int k = 0; k < levels; ++k) {
            const QByteArray n = QByteArray::number(k);
            open += namespaces ? "<p" + n + ":e xmlns:p" + n + "='urn:velmor:" + n + "'>" : "<e>";
        }
        for (int k = levels - 1; k >= 0; --k)
            close += namespaces ? "</p" + QByteArray::number(k) + ":e>" : "</e>";
        return withRows(open + close + row("Anzahl Prüffelder", "3"));
    };
    QByteArray repeated =
        withRows(row("Anzahl Prüffelder", "3") +
                     row(Bemerkungen.toUtf8(), QByteArray("&x;").repeated(70'000)),
                 "<!DOCTYPE xml [<!ENTITY x \"" + QByteArray(4000, 'x') + "\">]>\r\n");
    // 60 MB of rows: many short ones (more records than a calibration has)
    // and fewer long ones (which load); one list of forced NULLs of 60 MB.
    QByteArray shortRows, longRows;
    shortRows.reserve(61 * 1024 * 1024);
    for (int k = 1; shortRows.size() < 60 * 1024 * 1024; ++k)
        shortRows += row("S" + QByteArray::number(k), QByteArray::number(k));
    const QByteArray filler(110, 'w');
    longRows.reserve(61 * 1024 * 1024);
    for (int k = 1; k <= Kalibrierung::MaxDatensätze - 1; ++k)
        longRows += row("Schlüssel " + QByteArray::number(k), filler);
    shortRows = withRows(shortRows);
    longRows = withRows(longRows);
    QByteArray nullList;
    nullList.reserve(61 * 1024 * 1024);
    for (int k = 0; nullList.size() < 60 * 1024 * 1024; ++k)
        nullList += "f" + QByteArray::number(k) + ' ';
    nullList += "Wert";
    QByteArray forcedNulls = withRows("<z:row Variable='Anzahl Prüffelder' Wert='3' "
                                      "rs:forcenull='" +
                                      nullList + "'/>\r\n");
    nullList = QByteArray();

    QByteArray manyReferences = example;
    {
        QByteArray references;
        for (int k = 0; k < 50'000; ++k)
            references += "<s:attribute type='Wert'/>";
        manyReferences.insert(manyReferences.indexOf("<s:extends"), references);
    }

    std::vector<Fall> cases = {
        {"100.000 Attribute an einem Element", withRows(attributes(100'000)), source,
         "mehr als 512 Attribute"},
        {"1.000.000 Attribute an einem Element", withRows(attributes(1'000'000)), source,
         "mehr als 512 Attribute"},
        {"Entität mit 20.000 versteckten Attributen", hiddenAttributes(20'000), source,
         "Dokumenttypdeklaration"},
        {"Entität mit 40.000 versteckten Attributen", hiddenAttributes(40'000), source,
         "Dokumenttypdeklaration"},
        {"Entität mit 1.000.000 versteckten Attributen", hiddenAttributes(1'000'000), source,
         "Dokumenttypdeklaration"},
        {"eine Namensraumdeklaration je Ebene", nested(60'000, true), source,
         "mehr als 512 Namensraumdeklarationen"},
        {"1.000.000 Ebenen", nested(1'000'000, false), source, "mehr als 1024 Ebenen"},
        {"Entität von 4.000 Zeichen 70.000-mal", repeated, source, "Dokumenttypdeklaration"},
        {"60 MB kurze Datensätze", std::move(shortRows), source, "mehr als 400.000 Datensätze"},
        {"60 MB lange Datensätze", std::move(longRows), 0, "399999 110",
         [](const Kalibrierung& k) {
             return QString::number(k.DataStore()->count() - Kalibrierung().DataStore()->count()) +
                    u' ' + QString::number(valueOf(k, QStringLiteral("Schlüssel 399999")).size());
         }},
        {"60 MB erzwungene NULL-Werte", std::move(forcedNulls), damaged,
         "Ihre Anzahl der Prüffelder ist leer."},
        {"unbekannte Entität", withRows(row("Anzahl Prüffelder", "&l9;")), source,
         "unbekannte Entität „l9“"},
        {"10.000 Felder und 10.000 leere Zeilen", manyFields, source, "mehr als 512 Felder"},
        {"50.000 Verweise auf ein Feld", manyReferences, source, "mehr als 512 Felder"},
        {"Billion Laughs", withRows(row("Anzahl Prüffelder", "&l9;"), laughs), source,
         "Dokumenttypdeklaration"},
        {"externe Entität im Wert",
         withRows(row("Anzahl Prüffelder", "&x;"),
                  "<!DOCTYPE xml [<!ENTITY x SYSTEM \"" + fifo + "\">]>\r\n"),
         source, "Dokumenttypdeklaration"},
        {"externe Entität im Inhalt",
         withRows("&x;" + row("Anzahl Prüffelder", "7"),
                  "<!DOCTYPE xml [<!ENTITY x SYSTEM \"" + fifo + "\">]>\r\n"),
         source, "Dokumenttypdeklaration"},
        {"externe DTD",
         withRows(row("Anzahl Prüffelder", "7"), "<!DOCTYPE xml SYSTEM \"" + fifo + "\">\r\n"), 0,
         "7"},
        {"Dokumenttyp mit Kommentar",
         withRows(row("Anzahl Prüffelder", "7"), "<!DOCTYPE xml [ <!-- ADO schreibt keinen --> ]>"),
         0, "7"},
        {"Parameter-Entität",
         withRows(row("Anzahl Prüffelder", "7"),
                  "<!DOCTYPE xml [<!ENTITY % p SYSTEM \"" + fifo + "\"> %p;]>\r\n"),
         source, "Dokumenttypdeklaration"},
        {"Attributvorgaben",
         withRows(row("Anzahl Prüffelder", "7"),
                  "<!DOCTYPE xml [<!ATTLIST z:row a0 CDATA \"1\" a1 CDATA \"1\">]>\r\n"),
         source, "Dokumenttypdeklaration"},
        {"50 MB in einem Wert",
         withRows(row(Bemerkungen.toUtf8(), QByteArray(50 * 1024 * 1024, 'x'))), 0, "52428800",
         [](const Kalibrierung& k) { return QString::number(valueOf(k, Bemerkungen).size()); }},
        {"Datei über 64 MB", withRows(row(Bemerkungen.toUtf8(), QByteArray(65 * 1024 * 1024, 'x'))),
         source, "größer als 64 MB"},
        {"100.000 Datensätze", withRows(manyRows), 0, "100000",
         [](const Kalibrierung& k) { return valueOf(k, QStringLiteral("Schlüssel 100000")); }},
        {"doppelte Schlüssel",
         withRows(row("Anzahl Prüffelder", "3") + row("Anzahl Prüffelder", "4")), 0, "4 einmal",
         [](const Kalibrierung& k) {
             return valueOf(k, Anzahl) + (k.DataStore()->keys().count(Anzahl) == 1
                                              ? QStringLiteral(" einmal")
                                              : QStringLiteral(" mehrfach"));
         }},
        {"Steuerzeichen in Schlüssel und Wert",
         withRows(row("Steuer\x01zeichen", "a\x02"
                                           "b\x1f") +
                  row("Privat\xEE\x80\x80", "\xEE\x80\x80@")),
         0,
         "a\x02"
         "b\x1f|\xEE\x80\x80@",
         [](const Kalibrierung& k) {
             return valueOf(k, QStringLiteral("Steuer\x01zeichen")) + u'|' +
                    valueOf(k, QString::fromUtf8("Privat\xEE\x80\x80"));
         }},
        // Attribute values are normalised: the line break reads as a space.
        {"Zeilenumbruch roh im Wert", withRows(row("Anzahl Prüffelder", "3\r\n4")), damaged,
         "Sie nennt „3 4“ Prüffelder; das ist keine ganze Zahl."},
        // Counts and values no calibration has: refused before anything is
        // computed from them.
        {"zwei Prüfpunkte",
         withRows(row("Anzahl Prüffelder", "3") + row("Prüffeld Prüfpunktanzahl 2", "2")), damaged,
         "Prüffeld 2 nennt 2 Prüfpunkte; ein Prüffeld hat mindestens 3."},
        {"1e400 als Messwert",
         withRows(row("Anzahl Prüffelder", "3") + row("Messwert indirektes Prüfmerkmal 1.1", "-0") +
                  row("Messwert direktes Prüfmerkmal 1.1", "1e400")),
         damaged, "Prüffeld 1, Prüfpunkt 1 hat als Messwert „1e400“, keine Zahl."},
        {"NaN als Messwert",
         withRows(row("Anzahl Prüffelder", "3") + row("Messwert direktes Prüfmerkmal 3.4", "NaN")),
         damaged, "Prüffeld 3, Prüfpunkt 4 hat als Messwert „NaN“, keine Zahl."},
        {"-0 als Messwert",
         withRows(row("Anzahl Prüffelder", "3") + row("Messwert indirektes Prüfmerkmal 1.1", "-0")),
         0, "32 Zeilen",
         [](const Kalibrierung& k) {
             return QString::number(StatistikListe(k).size()) + QStringLiteral(" Zeilen") +
                    (PlausibilitätText(k).isNull() ? QStringLiteral("?") : QString());
         }},
        {"1e400 als Anzahl", withRows(row("Anzahl Prüffelder", "1e400")), damaged,
         "Sie nennt „1e400“ Prüffelder; eine Kalibrierung hat höchstens 100.000."},
        {"5.000.000 Prüffelder", withRows(row("Anzahl Prüffelder", "5000000")), damaged,
         "Sie nennt 5.000.000 Prüffelder"},
        {"200.000 Prüfpunkte",
         withRows(row("Prüffeld Prüfpunktanzahl 1", "100000") +
                  row("Prüffeld Prüfpunktanzahl 3", "100000")),
         damaged, "zusammen mehr Prüfpunkte"},
        {"Text als Anzahl", withRows(row("Anzahl Prüffelder", "drei")), damaged,
         "Sie nennt „drei“ Prüffelder; das ist keine ganze Zahl."},
        {"UTF-8 als UTF-16 erklärt",
         "<?xml version=\"1.0\" encoding=\"UTF-16\"?>" + withRows(row("Anzahl Prüffelder", "7")),
         source, ""},
        {"Latin-1 ohne Erklärung", withRows(latin1Row), source, "ungültig kodierte Zeichen"},
        {"Latin-1 mit Erklärung",
         "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>" + withRows(latin1Row), 0, "Grün",
         [](const Kalibrierung& k) {
             return valueOf(k, QStringLiteral("Protokoll Verdichtung Kalibrierfeld Walzentyp"));
         }},
        {"UTF-8 mit einem Latin-1-Zeichen", withRows(row("Anzahl Prüffelder", "3") + latin1Row),
         source, "ungültig kodierte Zeichen"},
        {"unbekannte Kodierung",
         "<?xml version=\"1.0\" encoding=\"x-velmor-7\"?>" +
             withRows(row("Anzahl Prüffelder", "3")),
         source, "unbekannte Zeichenkodierung"},
        {"UTF-16 mit BOM", utf16, 0, "3"},
        {"UTF-16BE ohne BOM", utf16be, 0, "3"},
        {"UTF-16 mit halbem Zeichen am Ende", utf16 + "<", source, ""},
        {"BOM mitten in der Datei", bomInside, 0, "3"},
        {"BOM in einem Wert", bomInValue, damaged,
         "Sie nennt „\xEF\xBB\xBF"
         "3“ Prüffelder; das ist keine ganze Zahl."},
        {"leere Datei", QByteArray(), source, "leer"},
        {"nur Nullbytes", QByteArray(4096, '\0'), source, ""},
    };
    // The example cut off after every 97th byte.
    for (qsizetype n = 97; n < example.size(); n += 97)
        cases.push_back({nullptr, example.left(n), source, ""});

    int index = 0;
    long peak = 0;
    for (const Fall& c : cases) {
        const QString name = c.name ? QString::fromUtf8(c.name)
                                    : QStringLiteral("gekürzt auf %1 Bytes").arg(c.bytes.size());
        const QString file = dir.filePath(QStringLiteral("fall%1.xml").arg(++index));
        writeFileBytes(file, c.bytes);
        const Ausgang a = loadBounded(file, c.probe);
        peak = std::max(peak, a.peakMb);
        SCOPED_TRACE(name.toStdString());
        ASSERT_TRUE(a.ended) << "abgestürzt oder hängt";
        EXPECT_EQ(a.number, c.number) << a.description.toStdString();
        if (c.number != 0) {
            EXPECT_TRUE(a.unchanged);
            // A damaged file names itself; the others start with the error's text.
            const QString start = c.number == damaged
                                      ? QStringLiteral("Die Datei „%1“ ist beschädigt: ").arg(file)
                                      : rt::errorDescription(c.number);
            EXPECT_TRUE(a.description.startsWith(start)) << a.description.toStdString();
            EXPECT_TRUE(a.description.contains(QString::fromUtf8(c.reason)))
                << a.description.toStdString();
        } else {
            EXPECT_EQ(a.probe, QString::fromUtf8(c.reason));
        }
        EXPECT_LE(a.peakMb, 300 * SpeicherFaktor);
    }
    std::printf("[ Dateien  ] %zu Fälle, höchster Speicherbedarf %ld MB über dem Testprozess\n",
                cases.size(), peak);
}
