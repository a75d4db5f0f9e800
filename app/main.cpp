#include "Kommandozeile.h"
#include "ProgrammFenster.h"
#include "Start.h"

#include "Kalibrierung.h"

#include "MessageService.h"

#include "RuntimeError.h"
#include "UserLocale.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFileDevice>
#include <QGuiApplication>

#include <cerrno>
#include <cstdio>

#include <fcntl.h>
#include <malloc.h>
#include <unistd.h>

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

// A standard stream closed at start would be taken by the next file the
// program opens, and the job's report would be written into an output. It
// gets /dev/null opened for reading, so that writing to it fails and is
// reported.
void belegeStandardkanäle() {
    for (int fd = 0; fd <= 2; ++fd)
        if (::fcntl(fd, F_GETFD) < 0 && errno == EBADF) {
            const int leer = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
            if (leer >= 0 && leer != fd) {
                ::dup2(leer, fd);
                ::close(leer);
            }
        }
}

// A report that did not reach standard output (a full disk, a closed
// stream) is a failure of the job, not a success.
int mitAusgabe(int status, QTextStream& out, QTextStream& err) {
    out.flush();
    errno = 0;
    const bool fehler =
        out.status() != QTextStream::Ok || std::fflush(stdout) != 0 || std::ferror(stdout) != 0;
    if (!fehler)
        return status;
    const int e = errno != 0 ? errno : EIO;
    auto* datei = qobject_cast<QFileDevice*>(out.device());
    err << QStringLiteral("Die Ausgabe kann nicht geschrieben werden: ")
        << (datei && datei->error() != QFileDevice::NoError ? datei->errorString()
                                                            : rt::systemErrorText(e))
        << u'\n';
    err.flush();
    return status == 0 ? 3 : status;
}

// A command-line job reports in German on its own; Qt's notes on the
// environment (an unset XDG_RUNTIME_DIR, fonts) are not for its users.
void ohneQtMeldungen(QtMsgType, const QMessageLogContext&, const QString&) {}
} // namespace

int main(int argc, char* argv[]) {
    // A protocol's page streams and a workbook's parts are large buffers
    // that grow and go again page after page: taken from the heap and kept,
    // not mapped and unmapped each time (a tenth of a long protocol's time).
    mallopt(M_MMAP_THRESHOLD, 64 * 1024 * 1024);
    mallopt(M_TRIM_THRESHOLD, 128 * 1024 * 1024);
    belegeStandardkanäle();
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));

    if (isCommandLineJob(arguments)) {
        qInstallMessageHandler(ohneQtMeldungen);
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
            return mitAusgabe(runCommandLine(QCoreApplication::arguments(), out, err), out, err);
        }
        QCoreApplication app(argc, argv);
        QCoreApplication::setApplicationName(ProductName);
        rt::installQtTranslation();
        return mitAusgabe(runCommandLine(QCoreApplication::arguments(), out, err), out, err);
    }

    // Without a display Qt would abort with its own English text.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        std::fputs(QStringLiteral("Das Programm braucht eine grafische Oberfläche, doch es ist "
                                  "keine angegeben (DISPLAY oder WAYLAND_DISPLAY). Ohne Fenster "
                                  "rechnen „Orvanta --auswertung DATEI“, „--protokoll“, "
                                  "„--export“ und „--import“.\n")
                       .toLocal8Bit()
                       .constData(),
                   stderr);
        return 1;
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
