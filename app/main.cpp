#include "Kommandozeile.h"
#include "ProgrammFenster.h"
#include "Start.h"

#include "Kalibrierung.h"

#include <QApplication>
#include <QCoreApplication>

int main(int argc, char* argv[]) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));

    if (isCommandLineJob(arguments)) {
        QCoreApplication app(argc, argv);
        QCoreApplication::setApplicationName(ProductName);
        QTextStream out(stdout);
        QTextStream err(stderr);
        return runCommandLine(QCoreApplication::arguments(), out, err);
    }

    // The calibration outlives every window.
    Kalibrierung kalibrierung;
    QApplication app(argc, argv);
    QApplication::setApplicationName(ProductName);
    registerProgrammFenster();
    SubMain(kalibrierung, arguments);
    return app.exec();
}
