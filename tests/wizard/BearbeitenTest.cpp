// Every change of the user can be undone and redone from the menu
// "Bearbeiten" or with Ctrl+Z, Ctrl+Y and Ctrl+Shift+Z; the pages refresh
// from the calibration and the unsaved mark follows the saved step.

#include "WizardTestSupport.h"

#include "EditGrid.h"
#include "FlexGrid.h"
#include "SeiteErgebnis.h"
#include "SeiteMerkmale.h"
#include "ctlAssistent.h"
#include "frmProtocollExtraData.h"

#include "../core/Beispiel.h"

#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QUndoStack>

class BearbeitenTest : public WizardTest {
protected:
    void SetUp() override {
        WizardTest::SetUp();
        savedWorkedExample(k);
    }
    QTemporaryDir dir;
};

TEST_F(BearbeitenTest, ACellEditIsUndoneAndRedoneWithTheKeysAndTheSavedStateIsClean) {
    frmAssistent* w = openOnPage(k, 3);
    const QString file = dir.filePath(QStringLiteral("k.xml"));
    w->setFileName(file);
    ASSERT_TRUE(w->FileSave(file));
    FlexGrid* g = child<FlexGrid>(w, "fgMesswerte");
    auto* input = child<QLineEdit>(w, "txtFGData");
    EXPECT_FALSE(w->mb_undo->isEnabled());
    EXPECT_EQ(w->menuBar()->actions().at(1)->text(), QStringLiteral("&Bearbeiten"));
    g->setFocus();
    g->setCurrentCell(5, 3);
    type(g, input, QStringLiteral("45"));
    // The edit is in the calibration at once, as a step named after its cell.
    EXPECT_EQ(k.Messwert(pmIndirekt, 2, 2).toDouble(), 45.0);
    EXPECT_TRUE(k.IsDirty());
    EXPECT_TRUE(w->isWindowModified());
    EXPECT_EQ(w->mb_undo->text(), QStringLiteral("Rückgängig: Messwert Prüffeld 2, Prüfpunkt 2"));
    w->menuBearbeiten->popup(w->mapToGlobal(QPoint(60, 20)));
    saveScreenshot(w->menuBearbeiten, QStringLiteral("menu-bearbeiten"));
    w->menuBearbeiten->hide();
    EXPECT_EQ(w->mb_undo->shortcut(), QKeySequence(QStringLiteral("Ctrl+Z")));
    EXPECT_EQ(w->mb_redo->shortcuts(),
              (QList<QKeySequence>{QKeySequence(QStringLiteral("Ctrl+Y")),
                                   QKeySequence(QStringLiteral("Ctrl+Shift+Z"))}));

    chord(g, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(k.Messwert(pmIndirekt, 2, 2).toDouble(), 42.0);
    EXPECT_EQ(g->TextMatrix(5, 3), QStringLiteral("42,00"));
    // Back at the saved step: nothing unsaved.
    EXPECT_FALSE(k.IsDirty());
    EXPECT_FALSE(w->isWindowModified());
    EXPECT_EQ(w->mb_redo->text(), QStringLiteral("Wiederholen: Messwert Prüffeld 2, Prüfpunkt 2"));
    // The place in the grid stays (Return went on to the next row).
    EXPECT_EQ(g->Row(), 6);

    chord(g, Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(k.Messwert(pmIndirekt, 2, 2).toDouble(), 45.0);
    EXPECT_EQ(g->TextMatrix(5, 3), QStringLiteral("45,00"));
    EXPECT_TRUE(k.IsDirty());
    chord(g, Qt::Key_Z, Qt::ControlModifier);
    chord(g, Qt::Key_Z, Qt::ShiftModifier | Qt::ControlModifier);
    EXPECT_EQ(k.Messwert(pmIndirekt, 2, 2).toDouble(), 45.0);

    // Undo while a value is being typed: the typed value is a step first,
    // and that step is undone.
    g->setCurrentCell(2, 2);
    QTest::keyClicks(g, QStringLiteral("9"));
    QTest::keyClicks(input, QStringLiteral("9"));
    ASSERT_TRUE(input->isVisible());
    w->mb_undo->trigger();
    EXPECT_FALSE(input->isVisible());
    EXPECT_EQ(k.Messwert(pmDirekt, 1, 2).toDouble(), 96.0);
    EXPECT_EQ(w->mb_redo->text(), QStringLiteral("Wiederholen: Messwert Prüffeld 1, Prüfpunkt 2"));
    // Saved, the file holds what the calibration holds.
    chord(g, Qt::Key_S, Qt::ControlModifier);
    EXPECT_FALSE(k.IsDirty());
    Kalibrierung saved;
    saved.LoadFile(file);
    EXPECT_EQ(saved.Messwert(pmIndirekt, 2, 2).toDouble(), 45.0);
    EXPECT_EQ(saved.Messwert(pmDirekt, 1, 2).toDouble(), 96.0);
    // Undoing past the save marks the calibration unsaved again.
    chord(g, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_TRUE(k.IsDirty());
    EXPECT_TRUE(messages.texts.isEmpty()) << messages.texts.join(u'|').toStdString();
}

TEST_F(BearbeitenTest, APasteIsOneStepAndAPageTwoValueIsOneToo) {
    frmAssistent* w = openOnPage(k, 3);
    FlexGrid* g = child<FlexGrid>(w, "fgMesswerte");
    g->setFocus();
    g->setCurrentCell(1, 2);
    QApplication::clipboard()->setText(QStringLiteral("90\t20\r\n91\t21\r\n92\t22\r\n"));
    chord(g, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(k.Messwert(pmDirekt, 1, 3).toDouble(), 92.0);
    EXPECT_EQ(w->mb_undo->text(), QStringLiteral("Rückgängig: Einfügen"));
    chord(g, Qt::Key_Z, Qt::ControlModifier);
    for (int p = 1; p <= 3; ++p) {
        EXPECT_EQ(k.Messwert(pmDirekt, 1, p).toDouble(), 94.0 + p);
        EXPECT_EQ(k.Messwert(pmIndirekt, 1, p).toDouble(), 28.0 + 2 * p);
    }
    EXPECT_FALSE(w->mb_undo->isEnabled());
    EXPECT_FALSE(k.IsDirty());

    // Page 2: a count and a covariable value.
    QTest::mouseClick(w->ctlAssistent1->cmdPrevious, Qt::LeftButton);
    ASSERT_EQ(w->ctlAssistent1->Page, 2);
    FlexGrid* fields = child<FlexGrid>(w, "fgKeysMessreihen");
    auto* input = child<QLineEdit>(w, "txtFGKeysMessreihen");
    fields->setFocus();
    fields->setCurrentCell(2, 2);
    type(fields, input, QStringLiteral("5"));
    EXPECT_EQ(k.PrüffeldWert(2), 5.0);
    EXPECT_EQ(w->mb_undo->text(), QStringLiteral("Rückgängig: Anzahl der Übergänge, Prüffeld 2"));
    fields->setCurrentCell(3, 1);
    type(fields, input, QStringLiteral("4"));
    EXPECT_EQ(k.PrüffeldPrüfpunkte(3), 4);
    chord(fields, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(k.PrüffeldPrüfpunkte(3), 3);
    EXPECT_EQ(fields->TextMatrix(3, 1), QStringLiteral("3"));
    chord(fields, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(k.PrüffeldWert(2), 4.0);
    EXPECT_EQ(fields->TextMatrix(2, 2), QStringLiteral("4"));
    EXPECT_FALSE(k.IsDirty());
    EXPECT_TRUE(messages.texts.isEmpty()) << messages.texts.join(u'|').toStdString();
}

TEST_F(BearbeitenTest, APageOneFieldTheOptionsAndTheSiteDataAreStepsEach) {
    frmAssistent* w = openOnPage(k, 1);
    SeiteMerkmale* page = w->seite1;
    QLineEdit* stellen = page->txtIndirektesPrüfmerkmalStellen;
    stellen->setFocus();
    stellen->selectAll();
    QTest::keyClicks(stellen, QStringLiteral("3"));
    // Ctrl+Z in the field undoes the typing there first.
    chord(stellen, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(stellen->text(), QStringLiteral("2"));
    QTest::keyClicks(stellen, QStringLiteral("3"));
    QTest::keyClick(stellen, Qt::Key_Tab);
    QCoreApplication::processEvents();
    EXPECT_EQ(k.IndirektesPrüfmerkmal().Nachkommastellen(), 3);
    EXPECT_EQ(w->mb_undo->text(),
              QStringLiteral("Rückgängig: Indirektes Prüfmerkmal, Nachkommastellen"));
    // In a field with nothing of its own to undo, Ctrl+Z is the window's.
    ASSERT_TRUE(QApplication::focusWidget() != stellen);
    chord(QApplication::focusWidget(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(k.IndirektesPrüfmerkmal().Nachkommastellen(), 2);
    EXPECT_EQ(stellen->text(), QStringLiteral("2"));
    EXPECT_FALSE(k.IsDirty());

    // The options: everything OK changes is one step.
    QTest::mouseClick(w->ctlAssistent1->cmdNext, Qt::LeftButton);
    QTest::mouseClick(w->ctlAssistent1->cmdNext, Qt::LeftButton);
    QTest::mouseClick(w->ctlAssistent1->cmdNext, Qt::LeftButton);
    ASSERT_EQ(w->ctlAssistent1->Page, 4);
    whenModal([](QWidget* dialog) {
        child<QLineEdit>(dialog, "txtMinBestimmtheitsmaßIndirektDirekt")->setText("0,99");
        child<QLineEdit>(dialog, "txtMittelwerteStellen")->setText("3");
        child<QPushButton>(dialog, "cmdOk")->click();
    });
    QTest::mouseClick(child<QPushButton>(w, "cmdPlausibilitätOptionen"), Qt::LeftButton);
    EXPECT_EQ(k.MinBestimmtheitsmaßIndirektDirekt(), 0.99);
    EXPECT_EQ(w->mb_undo->text(), QStringLiteral("Rückgängig: Optionen"));
    w->mb_undo->trigger();
    EXPECT_EQ(k.MinBestimmtheitsmaßIndirektDirekt(), 0.65);
    EXPECT_EQ(k.NachkommastellenMittelwerte(), 1);
    // Page 4 shows the calibration as it is now.
    EXPECT_TRUE(w->seite4->labPlausibilität->text().contains(QStringLiteral("0,65")));

    // The site-data editor's OK.
    frmProtocollExtraData dialog;
    dialog.setKalibrierung(&k);
    dialog.show();
    FlexGrid* g = dialog.Sorbel1->FlexGrid_();
    g->setFocus();
    g->setCurrentCell(0, 1);
    QTest::keyClicks(g, QStringLiteral("L"));
    QTest::keyClicks(dialog.Sorbel1->TextBox(), QStringLiteral("ehm"));
    QTest::keyClick(dialog.Sorbel1->TextBox(), Qt::Key_Return);
    g->setCurrentCell(1, 1);
    QTest::keyClicks(g, QStringLiteral("X"));
    QTest::mouseClick(dialog.cmdOk, Qt::LeftButton);
    EXPECT_EQ(w->mb_undo->text(), QStringLiteral("Rückgängig: Protokolldaten"));
    const QByteArray nachher = k.ContentString();
    w->mb_undo->trigger();
    EXPECT_NE(k.ContentString(), nachher);
    EXPECT_FALSE(k.IsDirty());
    w->mb_redo->trigger();
    EXPECT_EQ(k.ContentString(), nachher);
    EXPECT_TRUE(k.IsDirty());
}

TEST_F(BearbeitenTest, NewAndOpenStartANewHistory) {
    frmAssistent* w = openOnPage(k, 3);
    FlexGrid* g = child<FlexGrid>(w, "fgMesswerte");
    g->setFocus();
    g->setCurrentCell(1, 2);
    type(g, child<QLineEdit>(w, "txtFGData"), QStringLiteral("90"));
    ASSERT_TRUE(w->mb_undo->isEnabled());
    const QString file = dir.filePath(QStringLiteral("k.xml"));
    ASSERT_TRUE(w->FileSave(file));
    EXPECT_TRUE(w->mb_undo->isEnabled()); // saving keeps the history
    w->FileOpen(file);
    EXPECT_FALSE(w->mb_undo->isEnabled());
    EXPECT_FALSE(w->mb_redo->isEnabled());
    g = child<FlexGrid>(w, "fgMesswerte");
    w->ctlAssistent1->Page = 3;
    w->ctlAssistent1->GoToPage(0);
    g->setFocus();
    g->setCurrentCell(1, 2);
    type(g, child<QLineEdit>(w, "txtFGData"), QStringLiteral("91"));
    messages.answer = MessageService::AnswerNo;
    ASSERT_TRUE(w->neu());
    EXPECT_FALSE(w->mb_undo->isEnabled());
    EXPECT_EQ(w->undoStack()->count(), 0);
}

// Typed as a person types, every value reaches the calibration and the file
// at once, and each is its own step.
TEST_F(BearbeitenTest, ValuesTypedWithModifiersAndPageChangesReachTheFile) {
    frmAssistent* w = openOnPage(k, 2);
    const QString file = dir.filePath(QStringLiteral("k.xml"));
    w->setFileName(file);
    FlexGrid* fields = child<FlexGrid>(w, "fgKeysMessreihen");
    auto* input = child<QLineEdit>(w, "txtFGKeysMessreihen");
    fields->setFocus();
    fields->setCurrentCell(1, 2);
    // Return, then Tab: the next cell, and the first value is stored.
    type(fields, input, QStringLiteral("3"));
    QTest::keyClick(fields, Qt::Key_Tab);
    EXPECT_EQ(k.PrüffeldWert(1), 3.0);
    // An open edit with lone Shift and Ctrl presses, then Alt+W.
    fields->setCurrentCell(2, 2);
    QTest::keyClicks(fields, QStringLiteral("7"));
    QTest::keyPress(input, Qt::Key_Shift);
    QTest::keyRelease(input, Qt::Key_Shift, Qt::ShiftModifier);
    QTest::keyPress(input, Qt::Key_Control);
    QTest::keyRelease(input, Qt::Key_Control, Qt::ControlModifier);
    QTest::keyClicks(input, QStringLiteral("5"));
    QTest::keyPress(input, Qt::Key_Alt);
    QTest::keyClick(input, Qt::Key_W, Qt::AltModifier);
    QTest::keyRelease(QApplication::focusWidget(), Qt::Key_Alt, Qt::AltModifier);
    // The access key clicks its button a moment later, as a click is shown.
    ASSERT_TRUE(QTest::qWaitFor([&] { return w->ctlAssistent1->Page == 3; }, 3000))
        << messages.texts.join(u'|').toStdString();
    EXPECT_EQ(k.PrüffeldWert(2), 75.0);

    // Page 3: an open edit's own Ctrl+Z undoes the typing in the cell only.
    FlexGrid* g = child<FlexGrid>(w, "fgMesswerte");
    auto* cell = child<QLineEdit>(w, "txtFGData");
    g->setFocus();
    g->setCurrentCell(1, 2);
    QTest::keyClicks(g, QStringLiteral("8"));
    QTest::keyClicks(cell, QStringLiteral("8"));
    ctrl(cell, Qt::Key_Z);
    EXPECT_TRUE(cell->isVisible());
    EXPECT_EQ(cell->text(), QStringLiteral("8"));
    EXPECT_EQ(k.PrüffeldWert(2), 75.0); // no step was undone
    QTest::keyClicks(cell, QStringLiteral("8"));
    // Ctrl+S while the cell is still open saves what it holds.
    ctrl(cell, Qt::Key_S);
    EXPECT_FALSE(k.IsDirty());
    Kalibrierung saved;
    saved.LoadFile(file);
    EXPECT_EQ(saved.Messwert(pmDirekt, 1, 1).toDouble(), 88.0);
    EXPECT_EQ(saved.PrüffeldWert(1), 3.0);
    EXPECT_EQ(saved.PrüffeldWert(2), 75.0);
    EXPECT_EQ(w->undoStack()->count(), 3);
    EXPECT_TRUE(messages.texts.isEmpty()) << messages.texts.join(u'|').toStdString();

    // Page 1: a field still being typed in is saved by Ctrl+S.
    w->ctlAssistent1->Page = 1;
    w->ctlAssistent1->GoToPage(0);
    QLineEdit* stellen = w->seite1->txtDirektesPrüfmerkmalStellen;
    stellen->setFocus();
    stellen->selectAll();
    QTest::keyClicks(stellen, QStringLiteral("3"));
    ctrl(stellen, Qt::Key_S);
    saved.LoadFile(file);
    EXPECT_EQ(saved.DirektesPrüfmerkmal().Nachkommastellen(), 3);
}

// A paste of 100,000 pairs records about 50 MB: the history keeps the newest
// steps within 200 MB and drops the oldest first. The menu names what is
// left, the saved state goes only with its step, and what is kept undoes and
// redoes.
TEST_F(BearbeitenTest, TheHistoryKeepsAtMost200MBOfRecordedValues) {
    constexpr int Felder = 1000;
    k.setPrüffelderAnzahl(Felder);
    for (int f = 1; f <= Felder; ++f)
        k.setPrüffeldPrüfpunkte(f, 100);
    k.setIsDirty(false);
    frmAssistent* w = openOnPage(k, 3);
    const QString file = dir.filePath(QStringLiteral("k.xml"));
    w->setFileName(file);
    FlexGrid* g = child<FlexGrid>(w, "fgMesswerte");
    auto paste = [&](int n) {
        QString text;
        text.reserve(1'600'000);
        for (int i = 0; i < 100'000; ++i)
            text += QString::number(90 + n) + u'\t' + QString::number(n * 1000 + i % 1000) +
                    QStringLiteral("\r\n");
        QApplication::clipboard()->setText(text);
        g->setFocus();
        g->setCurrentCell(1, 2);
        chord(g, Qt::Key_V, Qt::ControlModifier);
        ASSERT_EQ(k.Messwert(pmDirekt, Felder, 100).toDouble(), 90.0 + n);
        ASSERT_EQ(k.Messwert(pmIndirekt, Felder, 100).toDouble(), n * 1000 + 999.0);
    };
    paste(1);
    ASSERT_TRUE(w->FileSave(file));
    constexpr int Pastes = 6;
    for (int n = 2; n <= Pastes; ++n)
        paste(n);
    // Six steps of about 50 MB: four fit.
    EXPECT_EQ(w->undoStack()->count(), 4);
    EXPECT_EQ(w->mb_undo->text(), QStringLiteral("Rückgängig: Einfügen"));
    for (int n = Pastes; n > Pastes - 4; --n) {
        ASSERT_TRUE(w->mb_undo->isEnabled()) << n;
        chord(g, Qt::Key_Z, Qt::ControlModifier);
        EXPECT_EQ(k.Messwert(pmDirekt, 1, 1).toDouble(), 90.0 + n - 1);
        EXPECT_EQ(k.Messwert(pmIndirekt, Felder, 100).toDouble(), (n - 1) * 1000 + 999.0);
    }
    EXPECT_FALSE(w->mb_undo->isEnabled());
    EXPECT_EQ(w->mb_undo->text(), QStringLiteral("Rückgängig"));
    EXPECT_EQ(w->mb_redo->text(), QStringLiteral("Wiederholen: Einfügen"));
    // The saved state was the first paste's; its step is gone.
    EXPECT_TRUE(k.IsDirty());
    for (int n = Pastes - 3; n <= Pastes; ++n)
        chord(g, Qt::Key_Y, Qt::ControlModifier);
    EXPECT_FALSE(w->mb_redo->isEnabled());
    EXPECT_EQ(k.Messwert(pmDirekt, Felder, 100).toDouble(), 90.0 + Pastes);
    EXPECT_EQ(g->TextMatrix(1, 2), QStringLiteral("96,00"));
    // Saved now, then one step more: the oldest goes, the saved state stays.
    ASSERT_TRUE(w->FileSave(file));
    paste(Pastes + 1);
    EXPECT_EQ(w->undoStack()->count(), 4);
    EXPECT_TRUE(k.IsDirty());
    chord(g, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_FALSE(k.IsDirty());
    EXPECT_EQ(k.Messwert(pmDirekt, 1, 1).toDouble(), 90.0 + Pastes);
    EXPECT_TRUE(messages.texts.isEmpty()) << messages.texts.join(u'|').toStdString();
}
