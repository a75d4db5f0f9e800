#include "TestSupport.h"

#include "UserLocale.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QWidget>

#include <gtest/gtest.h>

#include <clocale>

namespace {
// A window a test leaves open would cover the next test's windows and take
// its keys: the test that left it fails, and the window is hidden.
class OffeneFensterPruefen : public ::testing::EmptyTestEventListener {
    void OnTestEnd(const ::testing::TestInfo&) override {
        const QStringList offen = offeneFenster();
        if (offen.isEmpty())
            return;
        ADD_FAILURE() << "offene Fenster nach dem Test: " << offen.join(u", ").toStdString();
        for (QWidget* w : QApplication::topLevelWidgets())
            w->hide();
    }
};
} // namespace

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
    ::testing::UnitTest::GetInstance()->listeners().Append(new OffeneFensterPruefen);
    return RUN_ALL_TESTS();
}
