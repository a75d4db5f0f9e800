#include "TestSupport.h"

#include "UserLocale.h"

#include <QApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <clocale>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Settings and other per-user files go to a folder of their own.
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.path().toUtf8());
    qputenv("XDG_RUNTIME_DIR", home.path().toUtf8());
    QApplication app(argc, argv);
    // The C library formats as on a German desktop, whatever the environment
    // says (SystemLocaleScope returns to this).
    std::setlocale(LC_ALL, "de_DE.UTF-8");
    // Messages are titled with the product name, the application's name.
    QApplication::setApplicationName(QStringLiteral("Kalibrierung nach Velmor Teil E 4"));
    rt::setUserLocale(rt::germanLocale());
    rt::installQtTranslation();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
