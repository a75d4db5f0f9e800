#include "basKalibrierungVelmorTeilE4.h"

#include "RuntimeError.h"

#include "Version.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cmath>

QString NumberPattern(rt::Long Decimals) {
    if (Decimals <= 0)
        return QStringLiteral("#,##0");
    // Beyond what a Double can show, more zeros carry no information; the cap
    // keeps a damaged file from asking for a text of gigabytes.
    constexpr rt::Long MaxDecimals = 100;
    return QStringLiteral("#,##0.") + QString(qMin(Decimals, MaxDecimals), u'0');
}

QString FormatNumberText(const rt::Variant& Value, rt::Long Decimals) {
    if (Value.isNull())
        return QString();
    // From 1E+15 on, the digits of the pattern say nothing and fill a line:
    // such a number is shown in the exponent form ("1E+308"), as its text is.
    if (!Value.isString() || Value.isNumeric()) {
        double number = 0;
        try {
            number = Value.toDouble();
        } catch (const rt::RuntimeError&) {
            number = 0;
        }
        if (std::fabs(number) >= 1e15)
            return rt::doubleToText(number);
    }
    QString text = rt::format(Value, NumberPattern(Decimals));
    // A value that rounds to zero is shown without a sign: "0,0", not "-0,0".
    if (text.startsWith(u'-') &&
        std::none_of(text.begin(), text.end(), [](QChar c) { return c >= u'1' && c <= u'9'; }))
        text.remove(0, 1);
    return text;
}

QString NullToString(const rt::Variant& Value) {
    if (Value.isNull())
        return QString();
    return Value.toText();
}

double NullToDouble(const rt::Variant& Value) {
    if (Value.isNull())
        return rt::textToDouble(u"");
    return Value.toDouble();
}

double Log10(double x) {
    if (!(x > 0.0))
        rt::raiseError(rt::err::InvalidProcedureCall);
    return std::log(x) / std::log(10.0);
}

ProgrammVersion ProgramVersion() {
    return {ORVANTA_VERSION_MAJOR, ORVANTA_VERSION_MINOR, ORVANTA_VERSION_PATCH};
}

QString VersionText() {
    const ProgrammVersion v = ProgramVersion();
    return QStringLiteral("Version %1.%2.%3").arg(v.major).arg(v.minor).arg(v.revision);
}

namespace {
bool debugMode = false;
QString applicationHelpFile;
} // namespace

bool DebugMode() {
    return debugMode;
}

void setDebugMode(bool on) {
    debugMode = on;
}

bool DebugRequested(const QStringList& arguments) {
    return arguments.join(u' ').toUpper().contains(QStringLiteral("DEBUG"));
}

QString TitleLines(rt::Long Index) {
    switch (Index) {
    case 0:
        return QStringLiteral("Herausgebende Fachgesellschaft für Erdbau-Prüfverfahren\r\n"
                              "Arbeitsgruppe Verdichtung und Tragfähigkeit");
    case 1:
        return QStringLiteral("Kalibrierung eines indirekten Prüfmerkmals\r\n"
                              "mit einem direkten Prüfmerkmal");
    case 2:
        return QStringLiteral("Velmor-Prüfvorschriften für Verdichtung\r\n"
                              "und Tragfähigkeit im Erdbau\r\n"
                              "Velmor\r\n"
                              "Teil E 4");
    default:
        return QString();
    }
}

QString HelpFolder() {
    // Beside the program in the build; installed, in the program's data folder.
    const QDir program(QCoreApplication::applicationDirPath());
    const QString beside = program.filePath(QStringLiteral("Hilfe"));
    const QString installed = program.filePath(QStringLiteral("../share/orvanta/Hilfe"));
    if (!QFileInfo(beside).isDir() && QFileInfo(installed).isDir())
        return QDir::cleanPath(installed);
    return beside;
}

void setApplicationHelpFile(const QString& path) {
    applicationHelpFile = path;
}

namespace {
std::function<void(const QString&)> helpTopicHandler;
}

void setHelpTopicHandler(std::function<void(const QString&)> handler) {
    helpTopicHandler = std::move(handler);
}

void ShowHelpTopic(const QString& Page) {
    if (helpTopicHandler)
        helpTopicHandler(Page);
}

QString HelpFilePath(rt::Long Index) {
    switch (Index) {
    case 0:
        return applicationHelpFile;
    case 1:
        return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("test.html"));
    default:
        return QString();
    }
}
