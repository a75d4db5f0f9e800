#include "WizardTestSupport.h"

#include "FlexGrid.h"
#include "ctlAssistent.h"

#include <QLineEdit>

#include <QDir>
#include <QGuiApplication>
#include <QScreen>

void saveScreenshot(QWidget* widget, const QString& name) {
    const QString folder = qEnvironmentVariable("ORVANTA_SCREENSHOTS");
    if (folder.isEmpty())
        return;
    QDir().mkpath(folder);
    QString suffix;
    if (widget->devicePixelRatioF() != 1.0)
        suffix = QStringLiteral("@%1x").arg(widget->devicePixelRatioF());
    widget->grab().save(QDir(folder).filePath(name + suffix + QStringLiteral(".png")));
}

void saveScreen(const QString& name) {
    const QString folder = qEnvironmentVariable("ORVANTA_SCREENSHOTS");
    QScreen* screen = QGuiApplication::primaryScreen();
    if (folder.isEmpty() || !screen)
        return;
    QDir().mkpath(folder);
    screen->grabWindow(0).save(QDir(folder).filePath(name + QStringLiteral(".png")));
}

void whenModal(std::function<void(QWidget*)> f) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, f] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible())
            return;
        timer->stop();
        timer->deleteLater();
        f(modal);
    });
    timer->start();
}

void type(FlexGrid* grid, QLineEdit* input, const QString& text) {
    QTest::keyClicks(grid, text.left(1));
    QTest::keyClicks(input, text.mid(1));
    QTest::keyClick(input, Qt::Key_Return);
}

void chord(QWidget* w, Qt::Key key, Qt::KeyboardModifiers mods) {
    static const std::pair<Qt::KeyboardModifier, Qt::Key> modifiers[] = {
        {Qt::ControlModifier, Qt::Key_Control},
        {Qt::AltModifier, Qt::Key_Alt},
        {Qt::MetaModifier, Qt::Key_Meta},
        {Qt::ShiftModifier, Qt::Key_Shift}};
    Qt::KeyboardModifiers held;
    for (const auto& [modifier, modifierKey] : modifiers)
        if (mods & modifier) {
            QTest::keyPress(w, modifierKey, held);
            held |= modifier;
        }
    QTest::keyClick(w, key, held);
    QWidget* now = QApplication::focusWidget() ? QApplication::focusWidget() : w;
    for (auto it = std::rbegin(modifiers); it != std::rend(modifiers); ++it)
        if (mods & it->first) {
            QTest::keyRelease(now, it->second, held);
            held &= ~it->first;
        }
}

void WizardTest::SetUp() {
    registerProgrammFenster();
    Einstellungen::setDontShowPage0(false);
    // The file dialogs start without a folder used last.
    Einstellungen::setLastFolder(QString());
    MessageService::setFolderMemory(QString(), nullptr);
}

void WizardTest::TearDown() {
    // Every wizard a test opened goes before the calibrations it shows.
    for (const QPointer<frmAssistent>& w : opened)
        delete w.data();
}

frmAssistent* WizardTest::open(Kalibrierung& calibration) {
    QObject* form = nullptr;
    auto connection = QObject::connect(&calibration, &Kalibrierung::BeforeShowAssistent,
                                       [&form](QObject* f) { form = f; });
    calibration.ShowAssistent();
    QObject::disconnect(connection);
    wizard = qobject_cast<frmAssistent*>(form);
    opened.append(wizard);
    return wizard;
}

frmAssistent* WizardTest::openOnPage(Kalibrierung& calibration, int page) {
    frmAssistent* w = open(calibration);
    w->resize(820, 600);
    activate(w);
    w->ctlAssistent1->Page = page;
    w->ctlAssistent1->GoToPage(0);
    return w;
}

void WizardTest::activate(frmAssistent* w) {
    w->show();
    w->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w));
}
