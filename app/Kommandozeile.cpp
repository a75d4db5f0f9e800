#include "Kommandozeile.h"

#include "Ergebnisliste.h"
#include "Export.h"
#include "Kalibrierung.h"
#include "MesswertImport.h"
#include "ProtokollPdf.h"
#include "Protokolldaten.h"
#include "Zieldatei.h"

#include "Conversion.h"
#include "RuntimeError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLocale>

#include <new>
#include <optional>

#include <sys/stat.h>

namespace {

// Loads a calibration; on failure the German message goes to err.
bool laden(Kalibrierung& kalibrierung, const QString& path, QTextStream& err) {
    try {
        kalibrierung.LoadFile(path);
        kalibrierung.setIsDirty(false);
        return true;
    } catch (const rt::RuntimeError& e) {
        // A damaged file says so itself, naming the file.
        if (e.number() == rt::err::InvalidFileFormat)
            err << QStringLiteral("%1 (Fehler %2)\n").arg(e.description()).arg(e.number());
        else
            err << QStringLiteral("Die Datei „%1“ konnte nicht geladen werden: %2 (Fehler %3)\n")
                       .arg(QDir::toNativeSeparators(path), e.description())
                       .arg(e.number());
        err.flush();
        return false;
    }
}

int auswertung(const QString& path, QTextStream& out, QTextStream& err) {
    Kalibrierung kalibrierung;
    if (!laden(kalibrierung, path, err))
        return 2;
    // Names come from the file: no control character reaches the terminal.
    for (const StatistikZeile& row : StatistikListe(kalibrierung))
        out << rt::withoutControls(row.Text) << u'\t' << row.Wert << u'\t' << row.Wertung << u'\n';
    out << u'\n' << PlausibilitätText(kalibrierung) << u'\n';
    // The requirement lines, as the results page and the exports write them.
    const QStringList anforderungen = AnforderungTexte(kalibrierung);
    if (!anforderungen.isEmpty())
        out << u'\n';
    for (const QString& line : anforderungen)
        out << rt::withoutControls(line) << u'\n';
    out.flush();
    return 0;
}

// Loads the calibration and writes an output file from it; write returns
// the line to print. 2 for an unreadable calibration, 3 for an output that
// cannot be written.
template <class F>
int ausgabe(const QString& path, QTextStream& out, QTextStream& err, F&& write) {
    // Interrupted, the job leaves no temporary file behind.
    rt::entferneZieldateiBeiAbbruch();
    Kalibrierung kalibrierung;
    if (!laden(kalibrierung, path, err))
        return 2;
    // Counts beyond what a calibration can hold are the input's fault, not
    // the output's: named as such before anything is written.
    try {
        kalibrierung.PrüfpunkteTotal();
    } catch (const rt::RuntimeError& e) {
        err << QStringLiteral("Die Datei „%1“ ist beschädigt: %2 (Fehler %3)\n")
                   .arg(QDir::toNativeSeparators(path), e.description())
                   .arg(e.number());
        err.flush();
        return 2;
    }
    try {
        out << write(kalibrierung) << u'\n';
        out.flush();
        return 0;
    } catch (const rt::RuntimeError& e) {
        err << e.description() << u'\n';
        err.flush();
        return 3;
    }
}

int protokoll(const QString& path, const QString& pdf, int typ, const QPageSize& blatt,
              QTextStream& out, QTextStream& err) {
    return ausgabe(path, out, err, [&](const Kalibrierung& k) {
        const int pages = ProtokollAlsPdf(k, typ, pdf, blatt);
        // Written; site data still unfilled are named (the status stays 0).
        const QStringList offen = UnfertigeProtokolldaten(k, typ);
        if (!offen.isEmpty()) {
            err << QStringLiteral("Protokolldaten unvollständig:\n");
            for (const QString& eintrag : offen)
                err << QStringLiteral("  ") << eintrag << u'\n';
            err.flush();
        }
        return QStringLiteral("%1 %2 nach „%3“ geschrieben.")
            .arg(pages)
            .arg(pages == 1 ? QStringLiteral("Seite") : QStringLiteral("Seiten"),
                 QDir::toNativeSeparators(pdf));
    });
}

int export_(const QString& path, const QString& output, QTextStream& out, QTextStream& err) {
    return ausgabe(path, out, err, [&](const Kalibrierung& k) {
        ExportiereKalibrierung(k, output);
        return QStringLiteral("Messwerte und Ergebnisse nach „%1“ exportiert.")
            .arg(QDir::toNativeSeparators(output));
    });
}

int falscherAufruf(const QString& reason, QTextStream& err) {
    err << reason << QStringLiteral("\n\n") << usageText();
    err.flush();
    return 1;
}

// Whether two paths name one file (the same device and inode, also through
// links); an output that does not exist yet is no input.
bool dieselbeDatei(const QString& a, const QString& b) {
    struct stat sa {};
    struct stat sb {};
    return ::stat(QFile::encodeName(a).constData(), &sa) == 0 &&
           ::stat(QFile::encodeName(b).constData(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

// The output would overwrite the calibration it is made from.
QString ausgabeIstEingabe(const QString& input, const QString& output) {
    if (!dieselbeDatei(input, output))
        return QString();
    return QStringLiteral("Die Ausgabedatei „%1“ ist die Kalibrierdatei selbst; sie würde "
                          "überschrieben. Wählen Sie einen anderen Namen.")
        .arg(QDir::toNativeSeparators(output));
}

// How the command line asks a table to be read.
struct ImportAufruf {
    QString tabelle, ziel, vorlage, dezimal, blatt, kopfzeile;
    std::optional<QVector<MesswertImport::Spalte>> spalten;
    bool anhängen = false;
};

// What was read from the table, and how.
struct Gelesen {
    MesswertImport::Ergebnis ergebnis;
    MesswertImport::Lesart lesart;
    QStringList köpfe;
    QString blatt;
};

// Reads the table as the call asks; 0, or the exit code after the message.
int tabelleLesen(const ImportAufruf& a, const Kalibrierung& k, Gelesen& g, QTextStream& err) {
    using namespace MesswertImport;
    const QString shown = QDir::toNativeSeparators(a.tabelle);
    try {
        const Tabelle t = Tabelle::ausDatei(a.tabelle, a.blatt);
        if (!a.blatt.isEmpty() && !t.istArbeitsmappe()) {
            err << QStringLiteral("--blatt gilt nur für Arbeitsmappen; „%1“ ist eine Textdatei.\n")
                       .arg(shown);
            err.flush();
            return 1;
        }
        g.lesart = a.kopfzeile.isEmpty() ? t.erkennen(k)
                                         : t.erkennen(k, std::nullopt, a.kopfzeile == u"ja");
        if (a.spalten) {
            // The columns named, as far as the table has them or a role is given.
            qsizetype n = g.lesart.spalten.size();
            for (qsizetype c = 0; c < a.spalten->size(); ++c)
                if ((*a.spalten)[c] != Spalte::Keine)
                    n = std::max(n, c + 1);
            g.lesart.spalten = *a.spalten;
            g.lesart.spalten.resize(n, Spalte::Keine);
            g.lesart.doppelt.clear();
            g.lesart.dezimal = t.dezimalIn(g.lesart);
        }
        if (a.dezimal == u"komma")
            g.lesart.dezimal = Dezimal::Komma;
        else if (a.dezimal == u"punkt")
            g.lesart.dezimal = Dezimal::Punkt;
        g.köpfe = t.kopf(g.lesart);
        if (t.istArbeitsmappe())
            g.blatt = QStringLiteral(" (Tabellenblatt „%1“)").arg(rt::withoutControls(t.blatt()));
        g.ergebnis = t.lesen(g.lesart);
    } catch (const rt::RuntimeError& e) {
        err << e.description() << u'\n';
        err.flush();
        return 2;
    } catch (const std::bad_alloc&) {
        err << QStringLiteral("Nicht genügend Speicher, um die Datei „%1“ zu lesen.\n").arg(shown);
        err.flush();
        return 2;
    }
    return 0;
}

// Names the rows that cannot be read.
void zeilenfehlerMelden(const MesswertImport::Ergebnis& ergebnis, const QString& shown,
                        QTextStream& err) {
    for (const MesswertImport::Fehler& f : ergebnis.fehler)
        err << QStringLiteral("Zeile %1: %2\n").arg(f.zeile).arg(rt::withoutControls(f.grund));
    if (ergebnis.weitereFehler > 0)
        err << QStringLiteral("… und %1 weitere Zeilen\n")
                   .arg(QLocale(QLocale::German).toString(ergebnis.weitereFehler));
    const qint64 n = ergebnis.fehlerAnzahl();
    err << QStringLiteral("Nichts geschrieben: %1 %2 der Datei „%3“ %4 nicht gelesen "
                          "werden.\n")
               .arg(QLocale(QLocale::German).toString(n))
               .arg(n == 1 ? QStringLiteral("Zeile") : QStringLiteral("Zeilen"), shown,
                    n == 1 ? QStringLiteral("kann") : QStringLiteral("können"));
    if (!ergebnis.hindernis.isEmpty())
        err << ergebnis.hindernis << u'\n';
    err.flush();
}

// Names what keeps the values from being imported, and what helps.
void hindernisMelden(const Gelesen& g, const QString& hindernis, const QString& shown,
                     QTextStream& err) {
    err << QStringLiteral("Die Messwerte der Datei „%1“ können nicht importiert werden: %2\n")
               .arg(shown, hindernis);
    if (!g.ergebnis.ohneSpalte.isEmpty()) {
        QStringList gefunden;
        for (qsizetype c = 0; c < g.köpfe.size(); ++c)
            if (!g.köpfe[c].trimmed().isEmpty())
                gefunden.append(QStringLiteral("„%1“ (%2)")
                                    .arg(g.köpfe[c].trimmed(),
                                         MesswertImport::spaltenName(g.lesart.spalten[c])));
        if (!gefunden.isEmpty())
            err << QStringLiteral("Gefundene Spaltenüberschriften: %1.\n")
                       .arg(gefunden.join(QStringLiteral(", ")));
        else
            err << QStringLiteral("Die Datei hat keine Spaltenüberschriften.\n");
        err << QStringLiteral("Geben Sie die Spalten mit --spalten an, zum Beispiel "
                              "--spalten feld,kovariable,direkt,indirekt.\n");
    } else if (g.ergebnis.hindernis.contains(QStringLiteral("Dezimaltrennzeichen"))) {
        err << QStringLiteral("Geben Sie --dezimal komma oder --dezimal punkt an.\n");
    }
    err.flush();
}

// Takes the values over and writes the calibration; 0, or 3 after the message.
int kalibrierungSchreiben(Kalibrierung& k, const Gelesen& g, const ImportAufruf& a,
                          QTextStream& err) {
    try {
        MesswertImport::übernehmen(k, g.ergebnis, a.anhängen);
        k.setIsDirty(false);
        // An output: a read-only file is refused, not replaced.
        k.ReplaceFile(a.ziel, false);
    } catch (const rt::RuntimeError& e) {
        err << e.description() << u'\n';
        err.flush();
        return 3;
    } catch (const std::bad_alloc&) {
        err << QStringLiteral("Nicht genügend Speicher, um die Kalibrierdatei „%1“ zu schreiben; "
                              "sie ist unverändert.\n")
                   .arg(QDir::toNativeSeparators(a.ziel));
        err.flush();
        return 3;
    }
    return 0;
}

// Says what was imported, and which columns were not read.
void importBericht(const Gelesen& g, const ImportAufruf& a, QTextStream& out) {
    using MesswertImport::Spalte;
    out << QStringLiteral("%1 Prüffelder mit %2 Prüfpunkten aus „%3“%4 nach „%5“ %6.\n")
               .arg(g.ergebnis.felder.size())
               .arg(g.ergebnis.punkte())
               .arg(QDir::toNativeSeparators(a.tabelle), g.blatt, QDir::toNativeSeparators(a.ziel),
                    a.anhängen ? QStringLiteral("angehängt") : QStringLiteral("importiert"));
    if (g.ergebnis.endeBeiZeile > 0)
        out << QStringLiteral("Die Tabelle endet vor Zeile %1; was folgt, wurde nicht gelesen.\n")
                   .arg(g.ergebnis.endeBeiZeile);
    // Columns left out, so that a column not recognised is seen.
    QStringList ausgelassen;
    for (qsizetype c = 0; c < g.lesart.spalten.size(); ++c)
        if (g.lesart.spalten[c] == Spalte::Keine || g.lesart.spalten[c] == Spalte::Prüfpunkt)
            ausgelassen.append(g.köpfe.value(c).trimmed().isEmpty()
                                   ? QStringLiteral("Spalte %1").arg(c + 1)
                                   : QStringLiteral("„%1“ (Spalte %2)")
                                         .arg(rt::withoutControls(g.köpfe.value(c).trimmed()))
                                         .arg(c + 1));
    if (!ausgelassen.isEmpty())
        out << QStringLiteral("Nicht gelesen: %1.\n").arg(ausgelassen.join(QStringLiteral(", ")));
    out.flush();
}

// Reads a table of measured values into a new calibration file: the
// characteristics and site data of a template, or DPr and EVD; with
// anhängen, the template's fields and values come first. 2 for an input
// that cannot be read or imported, 3 for an output that cannot be written,
// 4 for rows that cannot be read (nothing is written then).
int import_(const ImportAufruf& a, QTextStream& out, QTextStream& err) {
    rt::entferneZieldateiBeiAbbruch();
    Kalibrierung k;
    if (!a.vorlage.isEmpty()) {
        if (!laden(k, a.vorlage, err))
            return 2;
    } else {
        k.setDPrUndEVD();
    }
    const QString shown = QDir::toNativeSeparators(a.tabelle);
    Gelesen g;
    if (const int status = tabelleLesen(a, k, g, err); status != 0)
        return status;
    // Rows that cannot be read are named first: the rest may be fine once they are.
    if (!g.ergebnis.fehler.isEmpty()) {
        zeilenfehlerMelden(g.ergebnis, shown, err);
        return 4;
    }
    const QString hindernis = MesswertImport::hindernisFür(k, g.ergebnis, a.anhängen);
    if (!hindernis.isEmpty()) {
        hindernisMelden(g, hindernis, shown, err);
        return 2;
    }
    if (const int status = kalibrierungSchreiben(k, g, a, err); status != 0)
        return status;
    importBericht(g, a, out);
    return 0;
}

// Reads the options of the --import job into a; 0, or the exit code after
// the message.
int importOptionen(const QStringList& args, ImportAufruf& a, QTextStream& err) {
    QHash<QString, QString> options;
    static const QStringList mitWert = {QStringLiteral("--vorlage"), QStringLiteral("--dezimal"),
                                        QStringLiteral("--spalten"), QStringLiteral("--blatt"),
                                        QStringLiteral("--kopfzeile")};
    for (qsizetype i = 3; i < args.size(); ++i) {
        if (args[i] == u"--anhaengen" && !a.anhängen) {
            a.anhängen = true;
            continue;
        }
        if (!mitWert.contains(args[i]) || options.contains(args[i]))
            return falscherAufruf(QStringLiteral("Unbekannter Aufruf: %1").arg(args.join(u' ')),
                                  err);
        if (i + 1 >= args.size())
            return falscherAufruf(QStringLiteral("Bei %1 fehlt die Angabe.").arg(args[i]), err);
        options.insert(args[i], args[i + 1]);
        ++i;
    }
    a.dezimal = options.value(QStringLiteral("--dezimal"));
    if (options.contains(QStringLiteral("--dezimal")) && a.dezimal != u"komma" &&
        a.dezimal != u"punkt")
        return falscherAufruf(
            QStringLiteral("Das Dezimaltrennzeichen ist komma oder punkt, nicht „%1“.")
                .arg(a.dezimal),
            err);
    if (options.contains(QStringLiteral("--spalten"))) {
        a.spalten = MesswertImport::spaltenAusText(options.value(QStringLiteral("--spalten")));
        if (!a.spalten)
            return falscherAufruf(
                QStringLiteral("--spalten nennt je Spalte, durch Kommas getrennt, feld, punkt, "
                               "kovariable, direkt, indirekt oder - (nicht lesen), nicht "
                               "„%1“.")
                    .arg(options.value(QStringLiteral("--spalten"))),
                err);
    }
    a.kopfzeile = options.value(QStringLiteral("--kopfzeile"));
    if (options.contains(QStringLiteral("--kopfzeile")) && a.kopfzeile != u"ja" &&
        a.kopfzeile != u"nein")
        return falscherAufruf(
            QStringLiteral("--kopfzeile ist ja oder nein, nicht „%1“.").arg(a.kopfzeile), err);
    a.blatt = options.value(QStringLiteral("--blatt"));
    a.vorlage = options.value(QStringLiteral("--vorlage"));
    return 0;
}

// The --import job, its options checked first.
int importAufruf(const QStringList& args, QTextStream& out, QTextStream& err) {
    ImportAufruf a;
    a.tabelle = args[1];
    a.ziel = args[2];
    if (const int status = importOptionen(args, a, err); status != 0)
        return status;
    if (a.anhängen && a.vorlage.isEmpty())
        return falscherAufruf(QStringLiteral("--anhaengen hängt die Messwerte an die der "
                                             "--vorlage an; geben Sie die Vorlage an."),
                              err);
    QString fehler;
    if (dieselbeDatei(a.tabelle, a.ziel))
        fehler = QStringLiteral("Die Ausgabedatei „%1“ ist die Messwertdatei selbst; sie würde "
                                "überschrieben. Wählen Sie einen anderen Namen.")
                     .arg(QDir::toNativeSeparators(a.ziel));
    else if (!a.vorlage.isEmpty())
        fehler = ausgabeIstEingabe(a.vorlage, a.ziel);
    if (!fehler.isEmpty())
        return falscherAufruf(fehler, err);
    return import_(a, out, err);
}

// The --protokoll job, its options checked first.
int protokollAufruf(const QHash<QString, QString>& options, QTextStream& out, QTextStream& err) {
    if (!options.contains(QStringLiteral("--pdf")))
        return falscherAufruf(QStringLiteral("Bei --protokoll fehlt --pdf AUSGABE.pdf."), err);
    const QString typ = options.value(QStringLiteral("--typ"), QStringLiteral("0"));
    if (typ != u"0" && typ != u"1")
        return falscherAufruf(QStringLiteral("Der Protokolltyp ist 0 oder 1, nicht „%1“.").arg(typ),
                              err);
    const QString papier = options.value(QStringLiteral("--papier"), QStringLiteral("A4"));
    const std::optional<QPageSize> blatt = blattNamens(papier);
    if (!blatt)
        return falscherAufruf(
            QStringLiteral("Das Papier ist A4, A5, A3, Letter oder Legal, nicht „%1“.").arg(papier),
            err);
    const QString fehler = ausgabeIstEingabe(options.value(QStringLiteral("--protokoll")),
                                             options.value(QStringLiteral("--pdf")));
    if (!fehler.isEmpty())
        return falscherAufruf(fehler, err);
    return protokoll(options.value(QStringLiteral("--protokoll")),
                     options.value(QStringLiteral("--pdf")), typ.toInt(), *blatt, out, err);
}

} // namespace

QString usageText() {
    return QStringLiteral(
        "Kalibrierung nach Velmor Teil E 4\n"
        "\n"
        "Aufruf:\n"
        "  Orvanta [DATEI] [debug]       öffnet das Programmfenster, mit der Kalibrierdatei\n"
        "                                DATEI; \"debug\" zeigt Diagnosemeldungen zum Protokoll\n"
        "  Orvanta --auswertung DATEI    wertet die Kalibrierdatei DATEI aus und gibt die\n"
        "                                statistischen Größen und die Plausibilitätsprüfung aus\n"
        "  Orvanta --protokoll DATEI --pdf AUSGABE.pdf [--typ 0|1]\n"
        "          [--papier A4|A5|A3|Letter|Legal]\n"
        "                                schreibt das Berechnungsprotokoll der Kalibrierdatei\n"
        "                                DATEI als PDF-Datei; Typ 0 (Vorgabe): "
        "Kalibrierfeldprotokoll\n"
        "                                mit Berechnungsergebnissen, Typ 1: "
        "Berechnungsergebnisse;\n"
        "                                Papier hochkant, Vorgabe A4\n"
        "  Orvanta --export DATEI AUSGABE.xlsx|AUSGABE.csv\n"
        "                                exportiert Messwerte und Ergebnisse als "
        "Excel-Arbeitsmappe\n"
        "                                oder als CSV-Datei\n"
        "  Orvanta --import WERTE.csv|.xlsx|.ods KALIBRIERUNG.xml [--vorlage VORLAGE.xml]\n"
        "          [--anhaengen] [--dezimal komma|punkt] [--spalten LISTE] [--blatt NAME]\n"
        "          [--kopfzeile ja|nein]\n"
        "                                liest Messwerte aus einer Texttabelle (CSV) oder\n"
        "                                Arbeitsmappe in eine neue Kalibrierdatei; Prüfmerkmale\n"
        "                                und Protokolldaten aus VORLAGE.xml, sonst DPr und EVD;\n"
        "                                --anhaengen behält die Prüffelder der Vorlage und hängt\n"
        "                                die neuen an; --spalten ordnet die Spalten zu, zum\n"
        "                                Beispiel feld,kovariable,punkt,direkt,indirekt,- \n"
        "                                (- wird nicht gelesen); --blatt wählt das\n"
        "                                Tabellenblatt einer Arbeitsmappe; --kopfzeile sagt, ob\n"
        "                                die erste Zeile Spaltenüberschriften enthält\n"
        "  Orvanta --help                zeigt diese Hilfe\n"
        "\n"
        "Zahlen werden im Format der Benutzereinstellungen (LC_ALL, LC_NUMERIC, LANG)\n"
        "gelesen und ausgegeben; ohne Angabe gilt das deutsche Format.\n"
        "\n"
        "Rückgabewerte: 0 erfolgreich, 1 falscher Aufruf, 2 Datei nicht lesbar,\n"
        "3 Ausgabedatei nicht schreibbar, 4 Zeilen der Messwertdatei nicht lesbar.\n");
}

bool isProtocolJob(const QStringList& arguments) {
    return arguments.contains(QStringLiteral("--protokoll"));
}

int runCommandLine(const QStringList& arguments, QTextStream& out, QTextStream& err) {
    const QStringList args = arguments.mid(1);
    if (args.isEmpty() || args == QStringList{QStringLiteral("--help")} ||
        args == QStringList{QStringLiteral("-h")}) {
        out << usageText();
        out.flush();
        return 0;
    }
    if (args.size() == 3 && args[0] == u"--export") {
        QString fehler = ExportFormatFehler(args[2]);
        if (fehler.isEmpty())
            fehler = ausgabeIstEingabe(args[1], args[2]);
        if (!fehler.isEmpty())
            return falscherAufruf(fehler, err);
        return export_(args[1], args[2], out, err);
    }
    if (args.size() >= 3 && args[0] == u"--import")
        return importAufruf(args, out, err);
    // Options with one value each.
    QHash<QString, QString> options;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& option = args[i];
        static const QStringList known = {QStringLiteral("--auswertung"),
                                          QStringLiteral("--protokoll"), QStringLiteral("--pdf"),
                                          QStringLiteral("--typ"), QStringLiteral("--papier")};
        if (!known.contains(option) || options.contains(option))
            return falscherAufruf(QStringLiteral("Unbekannter Aufruf: %1").arg(args.join(u' ')),
                                  err);
        if (i + 1 >= args.size())
            return falscherAufruf(QStringLiteral("Bei %1 fehlt die Angabe.").arg(option), err);
        options.insert(option, args[++i]);
    }
    if (options.size() == 1 && options.contains(QStringLiteral("--auswertung")))
        return auswertung(options.value(QStringLiteral("--auswertung")), out, err);
    if (options.contains(QStringLiteral("--protokoll")) &&
        !options.contains(QStringLiteral("--auswertung")))
        return protokollAufruf(options, out, err);
    return falscherAufruf(QStringLiteral("Unbekannter Aufruf: %1").arg(args.join(u' ')), err);
}
