#include "Kommandozeile.h"
#include "ProgrammFenster.h"
#include "Start.h"

#include "Kalibrierung.h"

#include "MessageService.h"

#include "UserLocale.h"

#include <QApplication>
#include <QCoreApplication>
#include <QGuiApplication>

#include <malloc.h>

namespace {
// Messages of a command-line job go to standard error, never into a window.
class KonsolenMeldungen : public MessageService {
public:
    explicit KonsolenMeldungen(QTextStream& err)
        : m_err(err), m_previous(MessageService::setInstance(this)) {}
    ~KonsolenMeldungen() override { MessageService::setInstance(m_previous); }
    Answer show(QWidget*, const QString& text, const QString& title, Icon, Buttons) override {
        m_err << title << QStringLiteral(": ") << text << u'\n';
        m_err.flush();
        return AnswerOk;
    }

private:
    QTextStream& m_err;
    MessageService* m_previous;
};
} // namespace

int main(int argc, char* argv[]) {
    // A protocol's page streams and a workbook's parts are large buffers
    // that grow and go again page after page: taken from the heap and kept,
    // not mapped and unmapped each time (a tenth of a long protocol's time).
    mallopt(M_MMAP_THRESHOLD, 64 * 1024 * 1024);
    mallopt(M_TRIM_THRESHOLD, 128 * 1024 * 1024);
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));

    if (isCommandLineJob(arguments)) {
        QTextStream out(stdout);
        QTextStream err(stderr);
        KonsolenMeldungen messages(err);
        if (isProtocolJob(arguments)) {
            // Fonts and printing without a display.
            if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
                qputenv("QT_QPA_PLATFORM", "offscreen");
            QGuiApplication app(argc, argv);
            QGuiApplication::setApplicationName(ProductName);
            rt::installQtTranslation();
            return runCommandLine(QCoreApplication::arguments(), out, err);
        }
        QCoreApplication app(argc, argv);
        QCoreApplication::setApplicationName(ProductName);
        rt::installQtTranslation();
        return runCommandLine(QCoreApplication::arguments(), out, err);
    }

    // The calibration outlives every window.
    Kalibrierung kalibrierung;
    QApplication app(argc, argv);
    QApplication::setApplicationName(ProductName);
    rt::installQtTranslation();
    registerProgrammFenster();
    SubMain(kalibrierung, arguments);
    return app.exec();
}
