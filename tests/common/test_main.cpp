#include "TestSupport.h"

#include "UserLocale.h"

#include <QApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // The shared libraries carry their own copy of the run-time and read the
    // user locale from the environment: pin it there too.
    qputenv("LC_ALL", "de_DE.UTF-8");
    // Settings and other per-user files go to a folder of their own.
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.path().toUtf8());
    qputenv("XDG_RUNTIME_DIR", home.path().toUtf8());
    QApplication app(argc, argv);
    // Messages are titled with the product name, the application's name.
    QApplication::setApplicationName(QStringLiteral("Kalibrierung nach Velmor Teil E 4"));
    rt::setUserLocale(rt::germanLocale());
    rt::installQtTranslation();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
