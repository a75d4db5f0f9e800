#include "Start.h"

#include "Kalibrierung.h"
#include "MessageService.h"

bool isCommandLineJob(const QStringList& arguments) {
    return std::any_of(arguments.begin(), arguments.end(), [](const QString& a) {
        return a.startsWith(u'-') && !a.toUpper().contains(QStringLiteral("DEBUG"));
    });
}

void SubMain(Kalibrierung& kalibrierung, const QStringList& arguments) {
    kalibrierung.ShowAssistent(false, nullptr);
    setDebugMode(DebugRequested(arguments));
    if (DebugMode())
        showMessage(nullptr, QStringLiteral("Debug-Modus aktiviert"), MessageService::Information);
}
