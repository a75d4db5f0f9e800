#include "WizardTestSupport.h"

#include "SeiteErgebnis.h"
#include "SeiteMerkmale.h"
#include "UpDown.h"
#include "ctlAssistent.h"

#include "../core/Beispiel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSettings>
#include <QStackedWidget>
#include <QStandardPaths>
#include <QToolButton>
#include <QToolTip>
#include <QTreeWidget>

namespace {

const QStringList TenMessages = {
    QStringLiteral("Bitte geben Sie ein Direktes Prüfmerkmal an."),
    QStringLiteral("Bitte geben Sie ein gültiges Formelzeichen für das direkte Prüfmerkmal an."),
    QStringLiteral("Bitte geben Sie ein gültige Einheit für das direkte Prüfmerkmal an."),
    QStringLiteral("Bitte geben Sie ein Indirektes Prüfmerkmal an."),
    QStringLiteral("Bitte geben Sie ein gültiges Formelzeichen für das indirekte Prüfmerkmal an."),
    QStringLiteral("Bitte geben Sie ein gültige Einheit für das indirekte Prüfmerkmal an."),
    QStringLiteral("Bitte geben Sie eine Messreihe an."),
    QStringLiteral("Bitte geben Sie ein gültiges Formelzeichen für die Messreihen an."),
    QStringLiteral("Bitte geben Sie ein gültige Einheit für die Messreihen an."),
    QStringLiteral("Bitte geben Sie eine gültige Anzahl der Messreihen an (Mindeswert: 3 "
                   "Messreihen)."),
};

QComboBox* combo(QWidget* w, const char* name) {
    return child<QComboBox>(w, name);
}

// Fills page 1 completely and correctly.
void fillPage1(frmAssistent* w) {
    combo(w, "cboDirektesPrüfmerkmal")->setEditText(QStringLiteral("Verdichtungsgrad"));
    combo(w, "cboDirektesPrüfmerkmalZeichen")->setEditText(QStringLiteral("DPr"));
    combo(w, "cboDirektesPrüfmerkmalEinheit")->setEditText(QStringLiteral("%"));
    combo(w, "cboIndirektesPrüfmerkmal")
        ->setEditText(QStringLiteral("Dynamischer Verformungsmodul"));
    combo(w, "cboIndirektesPrüfmerkmalZeichen")->setEditText(QStringLiteral("EVD"));
    combo(w, "cboIndirektesPrüfmerkmalEinheit")->setEditText(QStringLiteral("MN/m²"));
}

} // namespace

TEST_F(WizardTest, StartsOnTheIntroPageOrOnPageOneWhenItIsSuppressed) {
    frmAssistent* w = open(k);
    ASSERT_TRUE(w);
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Kalibrierung nach Velmor Teil E 4[*]"));
    EXPECT_EQ(w->ctlAssistent1->Page, 0);
    EXPECT_EQ(w->picContainer->currentIndex(), 0);
    EXPECT_FALSE(w->ctlAssistent1->PreviousEnabled());
    EXPECT_TRUE(w->ctlAssistent1->NextEnabled());
    EXPECT_FALSE(k.IsDirty()); // opening the wizard changes nothing
    EXPECT_EQ(child<QLabel>(w, "labVersion")->text(), QStringLiteral("Version 1.0.0"));
    saveScreenshot(w, QStringLiteral("seite0"));

    // The box is stored in the settings and takes effect at the next start.
    auto* box = child<QCheckBox>(w, "chkDontShowPage0");
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(5, box->height() / 2));
    EXPECT_TRUE(box->isChecked());
    EXPECT_TRUE(Einstellungen::DontShowPage0());
    // Per user, in a file named after the product, section "Main", the value as text.
    QSettings file(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                       QStringLiteral("/Kalibrierung nach Velmor Teil E 4.conf"),
                   QSettings::IniFormat);
    EXPECT_EQ(file.value(QStringLiteral("Main/DontShowPage0")), QVariant(QStringLiteral("1")));
    delete w;

    Kalibrierung second;
    frmAssistent* again = open(second);
    EXPECT_EQ(again->ctlAssistent1->Page, 1);
    EXPECT_TRUE(child<QCheckBox>(again, "chkDontShowPage0")->isChecked());
    EXPECT_TRUE(again->ctlAssistent1->PreviousEnabled());
    EXPECT_FALSE(second.IsDirty()); // page 1 was shown, not committed
    QTest::mouseClick(again->ctlAssistent1->cmdPrevious, Qt::LeftButton);
    EXPECT_EQ(again->ctlAssistent1->Page, 0);
    EXPECT_TRUE(messages.texts.isEmpty());
}

TEST_F(WizardTest, GoingForwardRunsTheTenChecksInOrderAndStays) {
    frmAssistent* w = open(k);
    w->ctlAssistent1->GoToPage(1);
    ASSERT_EQ(w->ctlAssistent1->Page, 1);
    saveScreenshot(w, QStringLiteral("seite1"));
    for (const char* name : {"cboMessreihe", "cboMessreiheZeichen", "cboMessreiheEinheit"})
        combo(w, name)->setEditText(QString());
    child<QLineEdit>(w, "txtMessreihen")->setText(QStringLiteral("2"));
    QTest::mouseClick(w->ctlAssistent1->cmdNext, Qt::LeftButton);
    EXPECT_EQ(messages.texts, TenMessages);
    for (int i = 0; i < messages.icons.size(); ++i) {
        EXPECT_EQ(messages.icons[i], MessageService::Warning);
        EXPECT_EQ(messages.titles[i], QStringLiteral("Kalibrierung nach Velmor Teil E 4"));
    }
    EXPECT_EQ(w->ctlAssistent1->Page, 1);

    // Two empty fields: two messages, in check order.
    messages.clear();
    fillPage1(w);
    combo(w, "cboMessreihe")->setEditText(QStringLiteral("Anzahl der Übergänge"));
    combo(w, "cboMessreiheEinheit")->setEditText(QStringLiteral("-"));
    child<QLineEdit>(w, "txtMessreihen")->setText(QStringLiteral("3"));
    combo(w, "cboDirektesPrüfmerkmalEinheit")->setEditText(QStringLiteral("  "));
    combo(w, "cboMessreiheZeichen")->setEditText(QString());
    QTest::mouseClick(w->ctlAssistent1->cmdNext, Qt::LeftButton);
    EXPECT_EQ(messages.texts, (QStringList{TenMessages[2], TenMessages[7]}));
    EXPECT_EQ(w->ctlAssistent1->Page, 1);

    // All good: the page is committed and page 2 follows.
    messages.clear();
    combo(w, "cboDirektesPrüfmerkmalEinheit")->setEditText(QStringLiteral("%"));
    combo(w, "cboMessreiheZeichen")->setEditText(QStringLiteral("Z"));
    // Decimals that read two ways on a German desktop are refused too.
    child<QLineEdit>(w, "txtDirektesPrüfmerkmalStellen")->setText(QStringLiteral("2.5"));
    child<QLineEdit>(w, "txtMessreihen")->setText(QStringLiteral("10.5"));
    QTest::mouseClick(w->ctlAssistent1->cmdNext, Qt::LeftButton);
    ASSERT_EQ(messages.texts.size(), 2);
    EXPECT_TRUE(messages.texts[0].startsWith(
        QStringLiteral("Bitte geben Sie eine gültige Anzahl der Messreihen an (Mindeswert: 3 "
                       "Messreihen).\n„10.5“ im Feld „Anzahl der Prüffelder“ ist keine "
                       "eindeutige Zahl")));
    EXPECT_TRUE(messages.texts[1].startsWith(
        QStringLiteral("Bitte geben Sie eine gültige Stellenanzahl an.\n„2.5“ im Feld "
                       "„Nachkommastellen“ (Direktes Prüfmerkmal) ist keine eindeutige Zahl")));
    EXPECT_EQ(w->ctlAssistent1->Page, 1);
    messages.clear();
    child<QLineEdit>(w, "txtMessreihen")->setText(QStringLiteral("7x"));
    // A German 2,5 is no whole number: refused, never cut to 2.
    child<QLineEdit>(w, "txtDirektesPrüfmerkmalStellen")->setText(QStringLiteral("2,5"));
    QTest::mouseClick(w->ctlAssistent1->cmdNext, Qt::LeftButton);
    ASSERT_EQ(messages.texts.size(), 1);
    EXPECT_TRUE(messages.texts[0].contains(QStringLiteral("ist keine ganze Zahl")));
    EXPECT_EQ(w->ctlAssistent1->Page, 1);
    messages.clear();
    child<QLineEdit>(w, "txtDirektesPrüfmerkmalStellen")->setText(QStringLiteral("2"));
    QTest::mouseClick(w->ctlAssistent1->cmdNext, Qt::LeftButton);
    EXPECT_TRUE(messages.texts.isEmpty()) << messages.texts.join(u'|').toStdString();
    EXPECT_EQ(w->ctlAssistent1->Page, 2);
    EXPECT_EQ(k.DirektesPrüfmerkmal().Bezeichung(), QStringLiteral("Verdichtungsgrad DPr"));
    EXPECT_EQ(k.IndirektesPrüfmerkmal().Einheit(), QStringLiteral("MN/m²"));
    EXPECT_EQ(k.DirektesPrüfmerkmal().Nachkommastellen(), 2);
    EXPECT_EQ(k.PrüffelderAnzahl(), 7);
    EXPECT_TRUE(k.IsDirty());
}

TEST_F(WizardTest, GoingBackFromPageOneStoresTheTextsWithoutMessages) {
    k.DirektesPrüfmerkmal().setName(QStringLiteral("alt"));
    k.setIsDirty(false);
    frmAssistent* w = open(k);
    w->ctlAssistent1->GoToPage(1);
    EXPECT_EQ(combo(w, "cboDirektesPrüfmerkmal")->currentText(), QStringLiteral("alt"));
    EXPECT_EQ(child<QLineEdit>(w, "txtDirektesPrüfmerkmalStellen")->text(), QStringLiteral("2"));
    EXPECT_EQ(child<QLineEdit>(w, "txtMessreihen")->text(), QStringLiteral("3"));
    combo(w, "cboDirektesPrüfmerkmal")->setEditText(QString());
    child<QLineEdit>(w, "txtMessreihen")->setText(QStringLiteral("2"));
    QTest::mouseClick(w->ctlAssistent1->cmdPrevious, Qt::LeftButton);
    EXPECT_TRUE(messages.texts.isEmpty());
    EXPECT_EQ(w->ctlAssistent1->Page, 0);
    EXPECT_EQ(k.DirektesPrüfmerkmal().Name(), QString());
    EXPECT_EQ(k.PrüffelderAnzahl(), 3); // 2 is refused by the calibration, silently
}

TEST_F(WizardTest, LeavingAFieldChecksItAndKeepsTheFocus) {
    frmAssistent* w = open(k);
    activate(w);
    w->ctlAssistent1->GoToPage(1);
    QComboBox* name = combo(w, "cboDirektesPrüfmerkmal");
    name->setFocus();
    ASSERT_TRUE(name->hasFocus());
    QTest::keyClick(name, Qt::Key_Tab);
    EXPECT_EQ(messages.texts, QStringList{TenMessages[0]});
    EXPECT_TRUE(name->hasFocus());
    // The navigation buttons take the focus unchecked.
    messages.clear();
    w->ctlAssistent1->cmdPrevious->setFocus();
    EXPECT_TRUE(messages.texts.isEmpty());

    auto* stellen = child<QLineEdit>(w, "txtIndirektesPrüfmerkmalStellen");
    stellen->setFocus();
    stellen->setText(QStringLiteral("zwei"));
    QTest::keyClick(stellen, Qt::Key_Tab);
    EXPECT_EQ(messages.texts, QStringList{QStringLiteral("Bitte geben Sie eine gültige "
                                                         "Stellenanzahl an.")});
    EXPECT_EQ(messages.icons, QList<MessageService::Icon>{MessageService::Warning});
    EXPECT_TRUE(stellen->hasFocus());
}

// The menu bar is no other field: a menu opened with the mouse and closed
// with Escape leaves the menu bar with the focus, and a second Escape gives
// it back to the field, all without a check. Going on from the menu bar to
// another field checks the field left.
TEST_F(WizardTest, TheMenuBarTakesTheFocusWithoutAFieldCheck) {
    frmAssistent* w = open(k);
    activate(w);
    w->ctlAssistent1->GoToPage(1);
    QComboBox* name = combo(w, "cboDirektesPrüfmerkmal");
    name->setFocus();
    ASSERT_TRUE(name->hasFocus());
    ASSERT_TRUE(name->currentText().isEmpty()); // a new calibration: the check would fail
    QMenuBar* bar = w->menuBar();
    auto openMenu = [&] {
        QTest::mouseClick(bar, Qt::LeftButton, {},
                          bar->actionGeometry(bar->actions().first()).center());
        return qobject_cast<QMenu*>(QApplication::activePopupWidget());
    };
    QMenu* menu = openMenu();
    ASSERT_TRUE(menu);
    QTest::keyClick(menu, Qt::Key_Escape);
    EXPECT_FALSE(QApplication::activePopupWidget());
    EXPECT_TRUE(bar->hasFocus());
    EXPECT_TRUE(messages.texts.isEmpty()) << messages.texts.join(u'|').toStdString();
    QTest::keyClick(bar, Qt::Key_Escape);
    EXPECT_TRUE(name->hasFocus());
    EXPECT_TRUE(messages.texts.isEmpty()) << messages.texts.join(u'|').toStdString();

    // From the menu bar on to another field: the field left is checked.
    menu = openMenu();
    ASSERT_TRUE(menu);
    QTest::keyClick(menu, Qt::Key_Escape);
    ASSERT_TRUE(bar->hasFocus());
    QComboBox* symbol = combo(w, "cboDirektesPrüfmerkmalZeichen");
    QTest::mouseClick(symbol->lineEdit(), Qt::LeftButton);
    EXPECT_EQ(messages.texts, QStringList{TenMessages[0]});
    EXPECT_TRUE(name->hasFocus());
}

TEST_F(WizardTest, AGroupCompletesFromAPresetWhenOneTextIsGiven) {
    frmAssistent* w = open(k);
    activate(w);
    w->ctlAssistent1->GoToPage(1);
    // The focus comes from the navigation buttons, which check nothing, so
    // that empty fields are entered and left as a user clicks through them.
    auto leave = [w](QComboBox* c, const QString& text) {
        w->ctlAssistent1->cmdNext->setFocus();
        c->setFocus();
        c->setEditText(text);
        child<QLineEdit>(w, "txtMessreihen")->setFocus(); // loses the focus to another field
    };
    QComboBox* name = combo(w, "cboIndirektesPrüfmerkmal");
    QComboBox* symbol = combo(w, "cboIndirektesPrüfmerkmalZeichen");
    QComboBox* unit = combo(w, "cboIndirektesPrüfmerkmalEinheit");
    leave(symbol, QStringLiteral("EVD"));
    EXPECT_EQ(name->currentText(), QStringLiteral("Dynamischer Verformungsmodul"));
    EXPECT_EQ(unit->currentText(), QStringLiteral("MN/m²"));

    // A unit shared by several presets completes from the first of them.
    QComboBox* dName = combo(w, "cboDirektesPrüfmerkmal");
    QComboBox* dSymbol = combo(w, "cboDirektesPrüfmerkmalZeichen");
    QComboBox* dUnit = combo(w, "cboDirektesPrüfmerkmalEinheit");
    w->ctlAssistent1->cmdNext->setFocus();
    dUnit->setFocus();
    dUnit->setEditText(QStringLiteral("MN/m²"));
    dSymbol->setFocus(); // the unit passes its check, then completes
    EXPECT_EQ(dName->currentText(), QStringLiteral("Verformungsmodul"));
    EXPECT_EQ(dSymbol->currentText(), QStringLiteral("EV2"));
    messages.clear();

    // "%" as the only text gives Verdichtungsgrad / DPr.
    for (QComboBox* c : {dName, dSymbol, dUnit})
        c->setEditText(QString());
    leave(dUnit, QStringLiteral("%"));
    EXPECT_EQ(dName->currentText(), QStringLiteral("Verdichtungsgrad"));
    EXPECT_EQ(dSymbol->currentText(), QStringLiteral("DPr"));

    // Two texts given: nothing is completed.
    dName->setEditText(QString());
    dUnit->setEditText(QString());
    leave(dName, QStringLiteral("Verformungsmodul"));
    EXPECT_EQ(dUnit->currentText(), QString());
    EXPECT_EQ(dSymbol->currentText(), QStringLiteral("DPr"));

    // The whole table serves every group: the covariable's symbol in the direct group.
    for (QComboBox* c : {dName, dSymbol, dUnit})
        c->setEditText(QString());
    leave(dSymbol, QStringLiteral("Z"));
    EXPECT_EQ(dName->currentText(), QStringLiteral("Anzahl der Übergänge"));
    EXPECT_EQ(dUnit->currentText(), QStringLiteral("-"));

    // The preset table and each group's lists.
    const auto& presets = w->seite1->presets();
    ASSERT_EQ(presets.size(), 6u);
    EXPECT_EQ(presets[0].Name, QString());
    EXPECT_EQ(presets[3].Name, QStringLiteral("Dynamischer Verformungsmodul"));
    EXPECT_EQ(presets[4].Formelzeichen, QStringLiteral("F"));
    EXPECT_EQ(presets[5].Einheit, QStringLiteral("-"));
    EXPECT_EQ(name->count(), 4);
    EXPECT_EQ(symbol->itemText(2), QStringLiteral("EVD"));
    EXPECT_EQ(combo(w, "cboMessreihe")->count(), 1);
}

TEST_F(WizardTest, TheFieldCountKeysStepAndClamp) {
    frmAssistent* w = open(k);
    activate(w);
    w->ctlAssistent1->GoToPage(1);
    auto* count = child<QLineEdit>(w, "txtMessreihen");
    count->setFocus();
    count->setText(QStringLiteral("2"));
    QTest::keyClick(count, Qt::Key_Up);
    EXPECT_EQ(count->text(), QStringLiteral("3"));
    QTest::keyClick(count, Qt::Key_Down);
    EXPECT_EQ(count->text(), QStringLiteral("3"));
    QTest::keyClick(count, Qt::Key_Up);
    EXPECT_EQ(count->text(), QStringLiteral("4"));
    // What is typed stays as typed; only a number above 100 is cut to it.
    QTest::keyClick(count, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(count, QStringLiteral("12"));
    EXPECT_EQ(count->text(), QStringLiteral("12"));
    count->clear();
    QTest::keyClicks(count, QStringLiteral("5"));
    EXPECT_EQ(count->text(), QStringLiteral("5"));
    QTest::keyClick(count, Qt::Key_Backspace);
    QTest::keyClicks(count, QStringLiteral("250"));
    EXPECT_EQ(count->text(), QStringLiteral("100"));
    QTest::keyClick(count, Qt::Key_Backspace);
    EXPECT_EQ(count->text(), QStringLiteral("10"));
    QTest::keyClick(count, Qt::Key_Left);
    QTest::keyClick(count, Qt::Key_Home);
    EXPECT_EQ(count->text(), QStringLiteral("10"));
    count->selectAll();
    QTest::keyClicks(count, QStringLiteral("2"));
    QTest::keyClick(count, Qt::Key_Tab);
    EXPECT_EQ(count->text(), QStringLiteral("2")); // Tab changes nothing
    messages.clear();
    count->setText(QStringLiteral("100"));
    // The up-down keeps 3..100.
    auto* ud = child<UpDown>(w, "udMessreihen");
    ud->upButton()->click();
    EXPECT_EQ(count->text(), QStringLiteral("100"));
    count->setText(QStringLiteral("4"));
    ud->downButton()->click();
    ud->downButton()->click();
    EXPECT_EQ(count->text(), QStringLiteral("3"));
    // The decimals' up-downs keep 0..10.
    auto* decimals = child<QLineEdit>(w, "txtDirektesPrüfmerkmalStellen");
    decimals->setText(QStringLiteral("10"));
    child<UpDown>(w, "udDirektesPrüfmerkmalStellen")->upButton()->click();
    EXPECT_EQ(decimals->text(), QStringLiteral("10"));
    decimals->setText(QStringLiteral("0"));
    child<UpDown>(w, "udDirektesPrüfmerkmalStellen")->downButton()->click();
    EXPECT_EQ(decimals->text(), QStringLiteral("0"));
}

TEST_F(WizardTest, PagesAtTheEndsAndPagesThatMayNotBeShown) {
    fillWorkedExample(k);
    frmAssistent* w = open(k);
    w->ctlAssistent1->Page = 4;
    w->ctlAssistent1->GoToPage(0);
    QTest::mouseClick(w->ctlAssistent1->cmdNext, Qt::LeftButton);
    EXPECT_EQ(w->ctlAssistent1->Page, 5);
    EXPECT_FALSE(w->ctlAssistent1->NextEnabled());
    EXPECT_TRUE(w->ctlAssistent1->PreviousEnabled());
    EXPECT_TRUE(w->ctlAssistent1->CancelEnabled());
    saveScreenshot(w, QStringLiteral("seite5"));
    w->ctlAssistent1->GoToPage(1); // refused silently
    EXPECT_EQ(w->ctlAssistent1->Page, 5);

    EXPECT_FALSE(w->PageShowable(6));
    EXPECT_FALSE(w->PageShowable(-1));
    w->setPageShowable(9, false); // ignored
    w->setPageShowable(5, false);
    EXPECT_FALSE(w->PageShowable(5));
    w->ctlAssistent1->Page = 4;
    w->ctlAssistent1->GoToPage(0);
    EXPECT_FALSE(w->ctlAssistent1->NextEnabled());
    w->ctlAssistent1->GoToPage(1);
    EXPECT_EQ(w->ctlAssistent1->Page, 4);
    EXPECT_TRUE(messages.texts.isEmpty());
}

TEST_F(WizardTest, EnterIsNextAndEscapeCloses) {
    frmAssistent* w = open(k);
    activate(w);
    QTest::keyClick(w, Qt::Key_Return);
    EXPECT_EQ(w->ctlAssistent1->Page, 1);
    QTest::keyClick(combo(w, "cboDirektesPrüfmerkmal"), Qt::Key_Return);
    EXPECT_EQ(w->ctlAssistent1->Page, 1); // the checks refused
    EXPECT_EQ(messages.texts, TenMessages.mid(0, 6));
    QTest::keyClick(w, Qt::Key_Z, Qt::AltModifier); // "< &zurück", an animated click
    EXPECT_TRUE(QTest::qWaitFor([w] { return w->ctlAssistent1->Page == 0; }, 2000));
    QTest::keyClick(w, Qt::Key_Escape);
    EXPECT_FALSE(w->isVisible());
}

TEST_F(WizardTest, TheResultsPageListsThirtyTwoRowsAndTheVerdict) {
    fillWorkedExample(k);
    k.DirektesPrüfmerkmal().setName(QStringLiteral("Verdichtungsgrad"));
    k.DirektesPrüfmerkmal().setFormelzeichen(QStringLiteral("DPr"));
    frmAssistent* w = open(k);
    w->resize(800, 640);
    activate(w);
    w->ctlAssistent1->Page = 4;
    w->ctlAssistent1->GoToPage(0);
    QCoreApplication::processEvents();
    auto* list = child<QTreeWidget>(w, "lvPlausibilität");
    ASSERT_EQ(list->topLevelItemCount(), 32);
    EXPECT_EQ(list->headerItem()->text(0), QStringLiteral("Statistische Größe"));
    EXPECT_EQ(list->headerItem()->text(2), QStringLiteral("Wertung"));
    EXPECT_EQ(list->topLevelItem(0)->text(0), QStringLiteral("Mittelwerte"));
    EXPECT_EQ(list->topLevelItem(0)->text(1), QStringLiteral(" "));
    EXPECT_EQ(list->topLevelItem(1)->text(0),
              QStringLiteral("   Mittelwert direktes Prüfmerkmal: Verdichtungsgrad DPr"));
    EXPECT_EQ(list->topLevelItem(1)->text(1), QStringLiteral("99,0"));
    EXPECT_EQ(list->topLevelItem(4)->text(2), QStringLiteral(" "));
    EXPECT_EQ(list->topLevelItem(21)->text(1), QStringLiteral("0,98"));
    EXPECT_EQ(list->topLevelItem(21)->text(2), QStringLiteral("gut"));
    for (int row : {17, 18, 22, 23, 28, 29, 30, 31})
        EXPECT_TRUE(list->topLevelItem(row)->text(0).contains(QStringLiteral("Übergänge Z")));
    auto* verdict = child<QLabel>(w, "labPlausibilität");
    EXPECT_TRUE(verdict->text().endsWith(QStringLiteral(
        "von 0,65.\nSomit kann die ermittelte Kalibriergerade für die Umrechnung zwischen den "
        "Prüfmerkmalen genutzt werden.")));
    EXPECT_EQ(w->seite4->bildSchlüssel(), QStringLiteral("Info"));
    auto* icon = child<QLabel>(w, "imgPlausibilität");
    EXPECT_FALSE(icon->pixmap().isNull());
    // The icon's tooltip says the verdict in German.
    const QString passed = QStringLiteral("Plausibilitätsprüfung bestanden: Die Kalibriergerade "
                                          "kann für die Umrechnung genutzt werden.");
    EXPECT_EQ(icon->toolTip(), passed);
    EXPECT_EQ(icon->accessibleName(), passed);
    QHelpEvent hover(QEvent::ToolTip, QPoint(4, 4), icon->mapToGlobal(QPoint(4, 4)));
    QApplication::sendEvent(icon, &hover);
    EXPECT_EQ(QToolTip::text(), passed);
    for (QWidget* tip : QApplication::topLevelWidgets())
        if (tip->objectName() == u"qtooltip_label" && tip->isVisible())
            saveScreenshot(tip, QStringLiteral("seite4-tooltip"));
    QToolTip::hideText();
    // The list lies below the verdict and the columns share its width.
    const QWidget* page = verdict->parentWidget();
    EXPECT_GE(list->mapTo(page, QPoint(0, 0)).y(), verdict->geometry().bottom() + 1 + 10);
    EXPECT_GE(verdict->height(), verdict->heightForWidth(verdict->width()));
    EXPECT_NEAR(list->columnWidth(0), list->width() * 0.7, 1);
    saveScreenshot(w, QStringLiteral("seite4"));

    // The options change the minimum: rating, sentence and icon follow at once.
    whenModal([](QWidget* dialog) {
        auto* minimum = child<QLineEdit>(dialog, "txtMinBestimmtheitsmaßIndirektDirekt");
        EXPECT_EQ(minimum->text(), QStringLiteral("0,65"));
        minimum->setText(QStringLiteral("0,99"));
        saveScreenshot(dialog, QStringLiteral("optionen"));
        child<QPushButton>(dialog, "cmdOk")->click();
    });
    QTest::mouseClick(child<QPushButton>(w, "cmdPlausibilitätOptionen"), Qt::LeftButton);
    EXPECT_EQ(k.MinBestimmtheitsmaßIndirektDirekt(), 0.99);
    EXPECT_EQ(list->topLevelItem(21)->text(2), QStringLiteral("kritisch"));
    EXPECT_TRUE(verdict->text().startsWith(QStringLiteral(
        "Das Bestimmtheitsmaß zwischen dem direkten und indirekten Prüfmerkmal liegt nicht über "
        "dem minimal erforderlichen Wert von 0,99.\nDie ermittelte Kalibriergerade darf")));
    EXPECT_EQ(w->seite4->bildSchlüssel(), QStringLiteral("Examination"));
    EXPECT_EQ(icon->toolTip(), QStringLiteral("Plausibilitätsprüfung nicht bestanden: Die "
                                              "Kalibriergerade darf nicht für die Umrechnung "
                                              "genutzt werden."));
    saveScreenshot(w, QStringLiteral("seite4-kritisch"));
    EXPECT_EQ(w->ctlAssistent1->Page, 4);

    // Without values every row is still there.
    Kalibrierung empty;
    frmAssistent* other = open(empty);
    other->ctlAssistent1->Page = 4;
    other->ctlAssistent1->GoToPage(0);
    EXPECT_EQ(child<QTreeWidget>(other, "lvPlausibilität")->topLevelItemCount(), 32);
    EXPECT_EQ(other->seite4->bildSchlüssel(), QStringLiteral("Examination"));
    delete other;
    EXPECT_TRUE(messages.texts.isEmpty());
}
