#pragma once

#include <functional>

#include "Variant.h"

#include <QString>
#include <QStringList>

// Selects one of the two measured characteristics.
enum PrüfmerkmalEnum : int { pmDirekt = 0, pmIndirekt = 1 };

// Selects a measured characteristic or the covariable.
enum MerkmalEnum : int { mDirekt = 0, mIndirekt = 1, mZ = 2 };

// The product name, used as application name and window title.
inline const QString ProductName = QStringLiteral("Kalibrierung nach Velmor Teil E 4");

// The display of every measured value and statistic: "#,##0" plus "." and as
// many zeros as decimals, the user's separators; null gives "".
QString FormatNumberText(const rt::Variant& Value, rt::Long Decimals);

// The pattern FormatNumberText uses for a number of decimals.
QString NumberPattern(rt::Long Decimals);

// "" for null, else the value as text.
QString NullToString(const rt::Variant& Value);

// The value as Double; null is read as the empty text and raises error 13.
double NullToDouble(const rt::Variant& Value);

// Decimal logarithm; error 5 for x <= 0.
double Log10(double x);

// ---- the program --------------------------------------------------------

// The program's version (major, minor, revision).
struct ProgrammVersion {
    int major, minor, revision;
};
ProgrammVersion ProgramVersion();
// "Version " + major + "." + minor + "." + revision.
QString VersionText();

// Set once at start-up from the command line; the protocol shows extra
// information while it is on.
bool DebugMode();
void setDebugMode(bool on);
// True when the arguments (not the program's own path), in upper case,
// contain "DEBUG" anywhere.
bool DebugRequested(const QStringList& arguments);

// Fixed title texts (lines separated by CR LF): 0 the publisher and its
// working group, 1 the purpose, 2 the series of test rules; "" else.
QString TitleLines(rt::Long Index);

// The help file: the application's help file path (set by the wizard when it
// loads) for 0, the second help file "test.html" in the program's folder for
// 1 (it may not exist), "" else.
QString HelpFilePath(rt::Long Index);
void setApplicationHelpFile(const QString& path);
// Opens one page of the help (a file name beside the help file, "" for the
// table of contents) through the handler the window layer registers; F1 in
// every window of the program comes here.
void ShowHelpTopic(const QString& Page);
void setHelpTopicHandler(std::function<void(const QString&)> handler);
// The folder of the help pages beside the program.
QString HelpFolder();
