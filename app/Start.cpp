#include "Start.h"

#include "frmAssistent.h"

#include "Kalibrierung.h"
#include "MessageService.h"

#include <QFileInfo>

namespace {
// A calibration file named on the command line: an .xml name or an existing file.
bool isFileArgument(const QString& argument) {
    return !argument.startsWith(u'-') &&
           (argument.endsWith(QStringLiteral(".xml"), Qt::CaseInsensitive) ||
            QFileInfo(argument).isFile());
}
} // namespace

bool isCommandLineJob(const QStringList& arguments) {
    return std::any_of(arguments.begin(), arguments.end(), [](const QString& a) {
        return a.startsWith(u'-') && !a.toUpper().contains(QStringLiteral("DEBUG"));
    });
}

void SubMain(Kalibrierung& kalibrierung, const QStringList& arguments) {
    QStringList files, words;
    for (const QString& argument : arguments)
        (isFileArgument(argument) ? files : words).append(argument);

    QObject* form = nullptr;
    const auto connection = QObject::connect(&kalibrierung, &Kalibrierung::BeforeShowAssistent,
                                             [&form](QObject* f) { form = f; });
    kalibrierung.ShowAssistent(false, nullptr);
    QObject::disconnect(connection);
    setDebugMode(DebugRequested(words));
    if (DebugMode())
        showMessage(nullptr, QStringLiteral("Debug-Modus aktiviert"), MessageService::Information);
    if (auto* wizard = qobject_cast<frmAssistent*>(form); wizard && !files.isEmpty())
        wizard->FileOpen(files.first());
}
