#include "Kommandozeile.h"

#include "Ergebnisliste.h"
#include "Kalibrierung.h"

#include "RuntimeError.h"

#include <QDir>

namespace {

int auswertung(const QString& path, QTextStream& out, QTextStream& err) {
    Kalibrierung kalibrierung;
    try {
        kalibrierung.LoadFile(path);
        kalibrierung.setIsDirty(false);
    } catch (const rt::RuntimeError& e) {
        err << QStringLiteral("Die Datei „%1“ konnte nicht geladen werden: %2 (Fehler %3)\n")
                   .arg(QDir::toNativeSeparators(path), e.description())
                   .arg(e.number());
        err.flush();
        return 2;
    }
    for (const StatistikZeile& row : StatistikListe(kalibrierung))
        out << row.Text << u'\t' << row.Wert << u'\t' << row.Wertung << u'\n';
    out << u'\n' << PlausibilitätText(kalibrierung) << u'\n';
    out.flush();
    return 0;
}

} // namespace

QString usageText() {
    return QStringLiteral(
        "Kalibrierung nach Velmor Teil E 4\n"
        "\n"
        "Aufruf:\n"
        "  Orvanta --auswertung DATEI   wertet die Kalibrierdatei DATEI aus und gibt die\n"
        "                               statistischen Größen und die Plausibilitätsprüfung aus\n"
        "  Orvanta --help               zeigt diese Hilfe\n"
        "\n"
        "Zahlen werden im Format der Benutzereinstellungen (LC_ALL, LC_NUMERIC, LANG)\n"
        "gelesen und ausgegeben; ohne Angabe gilt das deutsche Format.\n"
        "\n"
        "Rückgabewerte: 0 erfolgreich, 1 falscher Aufruf, 2 Datei nicht lesbar.\n");
}

int runCommandLine(const QStringList& arguments, QTextStream& out, QTextStream& err) {
    const QStringList args = arguments.mid(1);
    if (args.isEmpty() || args == QStringList{QStringLiteral("--help")} ||
        args == QStringList{QStringLiteral("-h")}) {
        out << usageText();
        out.flush();
        return 0;
    }
    if (args.size() == 2 && args[0] == u"--auswertung")
        return auswertung(args[1], out, err);
    if (args.size() == 1 && args[0] == u"--auswertung")
        err << QStringLiteral("Bei --auswertung fehlt der Name der Kalibrierdatei.\n\n");
    else
        err << QStringLiteral("Unbekannter Aufruf: %1\n\n").arg(args.join(u' '));
    err << usageText();
    err.flush();
    return 1;
}
