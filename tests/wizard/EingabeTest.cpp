// What a user types on pages 2 and 3 reaches the calibration, or is refused
// with a message: replayed key by key, modifiers pressed on their own.

#include "WizardTestSupport.h"

#include "EditGrid.h"
#include "FlexGrid.h"
#include "basKalibrierungVelmorTeilE4.h"
#include "ctlAssistent.h"
#include "frmProtocollExtraData.h"

#include "../common/GrosseKalibrierung.h"
#include "../core/Beispiel.h"

#include <QClipboard>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>

namespace {

void pressModifier(QWidget* w, Qt::Key key) {
    QTest::keyPress(w, key);
}
void releaseModifier(QWidget* w, Qt::Key key, Qt::KeyboardModifiers held) {
    QTest::keyRelease(w, key, held);
}

QPoint centre(FlexGrid* g, int row, int col) {
    return g->cellRect(row, col).center();
}

} // namespace

class EingabeTest : public WizardTest {
protected:
    void SetUp() override {
        WizardTest::SetUp();
        savedWorkedExample(k);
    }
    frmAssistent* onPage(int page) { return openOnPage(k, page); }
    // Clicks a cell, as a user selects it before typing.
    void click(FlexGrid* g, int row, int col) {
        QTest::mouseClick(g->viewport(), Qt::LeftButton, {}, centre(g, row, col));
    }
    QTemporaryDir dir;
};

TEST_F(EingabeTest, CtrlSWithAnOpenEditSavesTheTypedValue) {
    frmAssistent* w = onPage(3);
    const QString file = dir.filePath(QStringLiteral("k.xml"));
    w->setFileName(file);
    FlexGrid* g = child<FlexGrid>(w, "fgMesswerte");
    auto* input = child<QLineEdit>(w, "txtFGData");
    click(g, 2, 3);
    QTest::keyClicks(g, QStringLiteral("5"));
    QTest::keyClicks(input, QStringLiteral("1"));
    ASSERT_TRUE(input->isVisible());
    ctrl(input, Qt::Key_S);
    EXPECT_TRUE(messages.texts.isEmpty()) << messages.texts.join(u'|').toStdString();
    EXPECT_FALSE(input->isVisible());
    EXPECT_FALSE(k.IsDirty());
    Kalibrierung saved;
    saved.LoadFile(file);
    EXPECT_EQ(saved.Messwert(pmIndirekt, 1, 2).toDouble(), 51.0);
    EXPECT_EQ(g->TextMatrix(2, 3), QStringLiteral("51,00"));
}

TEST_F(EingabeTest, AltWAndClosingWithAnOpenEditKeepTheTypedValue) {
    frmAssistent* w = onPage(3);
    FlexGrid* g = child<FlexGrid>(w, "fgMesswerte");
    auto* input = child<QLineEdit>(w, "txtFGData");
    // An upper-case letter and a lone Shift first: the edit goes on.
    click(g, 1, 3);
    QTest::keyClicks(g, QStringLiteral("4"));
    pressModifier(input, Qt::Key_Shift);
    releaseModifier(input, Qt::Key_Shift, Qt::ShiftModifier);
    QTest::keyClicks(input, QStringLiteral("7"));
    pressModifier(input, Qt::Key_Alt);
    QTest::keyClick(input, Qt::Key_W, Qt::AltModifier);
    releaseModifier(QApplication::focusWidget(), Qt::Key_Alt, Qt::AltModifier);
    EXPECT_TRUE(QTest::qWaitFor([&] { return w->ctlAssistent1->Page == 4; }, 3000));
    EXPECT_EQ(k.Messwert(pmIndirekt, 1, 1).toDouble(), 47.0);
    EXPECT_TRUE(k.IsDirty());

    // Back on page 3, an edit open while the window closes: the question
    // comes, and "Abbrechen" keeps window and value.
    QTest::mouseClick(w->ctlAssistent1->cmdPrevious, Qt::LeftButton);
    ASSERT_EQ(w->ctlAssistent1->Page, 3);
    k.setIsDirty(false);
    click(g, 3, 2);
    QTest::keyClicks(g, QStringLiteral("9"));
    QTest::keyClicks(input, QStringLiteral("9"));
    messages.answer = MessageService::AnswerCancel;
    w->close();
    EXPECT_EQ(messages.texts, QStringList{QStringLiteral(
                                  "Die neue Kalibrierung wurde noch nicht gespeichert.\nSollen "
                                  "die Änderungen gespeichert werden?")});
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(k.Messwert(pmDirekt, 1, 3).toDouble(), 99.0);
}

TEST_F(EingabeTest, UpDownAndReturnTabTypingLoseNothing) {
    k.setPrüffelderAnzahl(3);
    k.DirektesPrüfmerkmal().setNachkommastellen(1);
    k.IndirektesPrüfmerkmal().setNachkommastellen(1);
    frmAssistent* w = onPage(3);
    FlexGrid* g = child<FlexGrid>(w, "fgMesswerte");
    auto* input = child<QLineEdit>(w, "txtFGData");
    // Down in the editor: the value is committed and formatted, the next row
    // is current and the grid keeps the focus (the next Enter is the grid's).
    click(g, 1, 2);
    QTest::keyClicks(g, QStringLiteral("9"));
    QTest::keyClicks(input, QStringLiteral("5"));
    QTest::keyClick(input, Qt::Key_Down);
    EXPECT_EQ(g->TextMatrix(1, 2), QStringLiteral("95,0"));
    EXPECT_EQ(g->Row(), 2);
    EXPECT_TRUE(g->hasFocus());
    EXPECT_EQ(w->ctlAssistent1->Page, 3);
    QTest::keyClicks(g, QStringLiteral("8"));
    QTest::keyClick(input, Qt::Key_PageUp);
    EXPECT_EQ(g->TextMatrix(2, 2), QStringLiteral("8,0"));
    EXPECT_EQ(g->Row(), 1);

    // 95,9 Return, Tab, 96,0 Tab: both values land in cells, in order.
    g->setCurrentCell(4, 2);
    QTest::keyClicks(g, QStringLiteral("9"));
    QTest::keyClicks(input, QStringLiteral("5,9"));
    QTest::keyClick(input, Qt::Key_Return);
    EXPECT_EQ(g->Row(), 4);
    EXPECT_EQ(g->Col(), 3);
    QTest::keyClick(g, Qt::Key_Tab);
    QTest::keyClicks(g, QStringLiteral("9"));
    QTest::keyClicks(input, QStringLiteral("6,0"));
    QTest::keyClick(input, Qt::Key_Tab);
    EXPECT_TRUE(g->hasFocus());
    EXPECT_EQ(g->TextMatrix(4, 2), QStringLiteral("95,9"));
    EXPECT_EQ(g->TextMatrix(5, 2), QStringLiteral("96,0"));
    EXPECT_EQ(g->Row(), 5);
    EXPECT_EQ(g->Col(), 3);
    QTest::keyClicks(g, QStringLiteral("4"));
    QTest::keyClicks(input, QStringLiteral("1"));
    // Shift+Tab goes back and commits.
    pressModifier(input, Qt::Key_Shift);
    QTest::keyClick(input, Qt::Key_Backtab, Qt::ShiftModifier);
    releaseModifier(g, Qt::Key_Shift, Qt::ShiftModifier);
    EXPECT_EQ(g->TextMatrix(5, 3), QStringLiteral("41,0"));
    EXPECT_EQ(g->Col(), 2);
    w->ctlAssistent1->GoToPage(0);
    EXPECT_EQ(k.Messwert(pmDirekt, 1, 1).toDouble(), 95.0);
    EXPECT_EQ(k.Messwert(pmDirekt, 1, 2).toDouble(), 8.0);
    EXPECT_EQ(k.Messwert(pmDirekt, 2, 1).toDouble(), 95.9);
    EXPECT_EQ(k.Messwert(pmDirekt, 2, 2).toDouble(), 96.0);
    EXPECT_EQ(k.Messwert(pmIndirekt, 2, 2).toDouble(), 41.0);
}

TEST_F(EingabeTest, ABlockPastedIntoTheEditorFillsTheCells) {
    frmAssistent* w = onPage(3);
    FlexGrid* g = child<FlexGrid>(w, "fgMesswerte");
    auto* input = child<QLineEdit>(w, "txtFGData");
    click(g, 2, 2);
    click(g, 2, 2); // the current cell again: the editor opens
    ASSERT_TRUE(input->isVisible());
    QApplication::clipboard()->setText(QStringLiteral("91,5\t33\r\n92,25\t34,5\r\n"));
    ctrl(input, Qt::Key_V);
    EXPECT_FALSE(input->isVisible());
    EXPECT_TRUE(g->hasFocus());
    EXPECT_TRUE(messages.texts.isEmpty()) << messages.texts.join(u'|').toStdString();
    EXPECT_EQ(g->TextMatrix(2, 2), QStringLiteral("91,50"));
    EXPECT_EQ(g->TextMatrix(3, 3), QStringLiteral("34,50"));
    // Enter is the grid's again: it opens the editor and closes it.
    QTest::keyClick(g, Qt::Key_Return);
    EXPECT_TRUE(input->isVisible());
    QTest::keyClick(input, Qt::Key_Escape);
    EXPECT_FALSE(input->isVisible());
    w->ctlAssistent1->GoToPage(0);
    EXPECT_EQ(k.Messwert(pmDirekt, 1, 2).toDouble(), 91.5);
    EXPECT_EQ(k.Messwert(pmIndirekt, 1, 2).toDouble(), 33.0);
    EXPECT_EQ(k.Messwert(pmDirekt, 1, 3).toDouble(), 92.25);
    EXPECT_EQ(k.Messwert(pmIndirekt, 1, 3).toDouble(), 34.5);
}

TEST_F(EingabeTest, AValueOvertypedWithItsOwnShownTextIsStored) {
    k.DirektesPrüfmerkmal().setNachkommastellen(1);
    k.setMesswert(pmDirekt, 1, 1, 98.456789012345);
    k.setPrüffeldWert(2, 2.75);
    k.Kovariable().setNachkommastellen(0);
    k.setIsDirty(false);
    frmAssistent* w = onPage(2);
    FlexGrid* fields = child<FlexGrid>(w, "fgKeysMessreihen");
    EXPECT_EQ(fields->TextMatrix(2, 2), QStringLiteral("3"));
    click(fields, 2, 2);
    QTest::keyClicks(fields, QStringLiteral("3"));
    QTest::keyClick(child<QLineEdit>(w, "txtFGKeysMessreihen"), Qt::Key_Return);
    QTest::mouseClick(w->ctlAssistent1->cmdNext, Qt::LeftButton);
    ASSERT_EQ(w->ctlAssistent1->Page, 3);
    EXPECT_EQ(k.PrüffeldWert(2), 3.0);

    FlexGrid* g = child<FlexGrid>(w, "fgMesswerte");
    auto* input = child<QLineEdit>(w, "txtFGData");
    EXPECT_EQ(g->TextMatrix(1, 2), QStringLiteral("98,5"));
    click(g, 1, 2);
    QTest::keyClicks(g, QStringLiteral("9"));
    QTest::keyClicks(input, QStringLiteral("8,5"));
    QTest::keyClick(input, Qt::Key_Return);
    w->ctlAssistent1->GoToPage(0);
    EXPECT_EQ(k.Messwert(pmDirekt, 1, 1).toDouble(), 98.5);
    EXPECT_TRUE(k.IsDirty());

    // The same value typed again marks nothing.
    k.setIsDirty(false);
    click(g, 1, 2);
    QTest::keyClicks(g, QStringLiteral("9"));
    QTest::keyClicks(input, QStringLiteral("8,5"));
    QTest::keyClick(input, Qt::Key_Return);
    w->ctlAssistent1->GoToPage(0);
    EXPECT_FALSE(k.IsDirty());
}

TEST_F(EingabeTest, TenThousandPastedPairsAreStoredValueByValue) {
    fillLarge(k);
    k.DirektesPrüfmerkmal().setNachkommastellen(1);
    k.IndirektesPrüfmerkmal().setNachkommastellen(2);
    frmAssistent* w = onPage(3);
    FlexGrid* g = child<FlexGrid>(w, "fgMesswerte");
    ASSERT_EQ(g->Rows(), 1 + Felder * Punkte);
    // The steps of the history with the keys each one changed.
    QList<std::pair<QString, QStringList>> steps;
    QObject context;
    QObject::connect(&k, &Kalibrierung::Bearbeitet, &context,
                     [&](const QString& text, std::shared_ptr<const StoreChanges> changes) {
                         QStringList keys;
                         for (const StoreChanges::Entry& e : changes->entries)
                             keys.append(e.key);
                         steps.append({text, keys});
                     });
    // One cell typed in the large grid: its step writes that cell alone.
    g->setFocus();
    g->setCurrentCell(1 + 56 * Punkte + 2, 3);
    type(g, child<QLineEdit>(w, "txtFGData"), QStringLiteral("33,5"));
    ASSERT_EQ(steps.size(), 1);
    EXPECT_EQ(steps[0].first, QStringLiteral("Messwert Prüffeld 57, Prüfpunkt 3"));
    EXPECT_EQ(steps[0].second, QStringList{Kalibrierung::MesswertKey(pmIndirekt, 57, 3)});
    EXPECT_EQ(k.Messwert(pmIndirekt, 57, 3).toDouble(), 33.5);
    steps.clear();
    // Values at the shown precision, many equal to the text shown before.
    QString text;
    std::vector<std::pair<double, double>> pairs;
    for (int i = 0; i < Felder * Punkte; ++i) {
        const double direkt = std::round((90.0 + 0.1 * (i / Punkte + 1)) * 10) / 10;
        const double indirekt = std::round((20.0 + 0.013 * i) * 100) / 100;
        pairs.emplace_back(direkt, indirekt);
        text += FormatNumberText(direkt, 1) + u'\t' + FormatNumberText(indirekt, 2) +
                QStringLiteral("\r\n");
    }
    // The paste is one step that holds every cell it changed, once, and no other key.
    QStringList changed;
    for (int f = 1; f <= Felder; ++f)
        for (int p = 1; p <= Punkte; ++p) {
            const auto& [direkt, indirekt] = pairs[size_t((f - 1) * Punkte + p - 1)];
            if (k.Messwert(pmDirekt, f, p).toDouble() != direkt)
                changed.append(Kalibrierung::MesswertKey(pmDirekt, f, p));
            if (k.Messwert(pmIndirekt, f, p).toDouble() != indirekt)
                changed.append(Kalibrierung::MesswertKey(pmIndirekt, f, p));
        }
    ASSERT_GT(changed.size(), Felder * Punkte);
    QApplication::clipboard()->setText(text);
    g->setCurrentCell(1, 2);
    ctrl(g, Qt::Key_V);
    EXPECT_TRUE(messages.texts.isEmpty()) << messages.texts.join(u'|').toStdString();
    ASSERT_EQ(steps.size(), 1);
    EXPECT_EQ(steps[0].first, QStringLiteral("Einfügen"));
    EXPECT_EQ(steps[0].second, changed);
    w->ctlAssistent1->GoToPage(0);
    int wrong = 0;
    for (int f = 1; f <= Felder; ++f)
        for (int p = 1; p <= Punkte; ++p) {
            const auto& [direkt, indirekt] = pairs[size_t((f - 1) * Punkte + p - 1)];
            wrong += k.Messwert(pmDirekt, f, p).toDouble() != direkt;
            wrong += k.Messwert(pmIndirekt, f, p).toDouble() != indirekt;
        }
    EXPECT_EQ(wrong, 0);
}

TEST_F(EingabeTest, NumbersThatReadTwoWaysAreRefusedAndStayForCorrection) {
    frmAssistent* w = onPage(3);
    const QString file = dir.filePath(QStringLiteral("k.xml"));
    w->setFileName(file);
    FlexGrid* g = child<FlexGrid>(w, "fgMesswerte");
    auto* input = child<QLineEdit>(w, "txtFGData");
    click(g, 2, 2);
    QTest::keyClicks(g, QStringLiteral("9"));
    QTest::keyClicks(input, QStringLiteral("5.8"));
    QTest::keyClick(input, Qt::Key_Return);
    const QString refusal = QStringLiteral(
        "„95.8“ für Prüffeld 1, Prüfpunkt 2 (Direktes Prüfmerkmal) ist keine eindeutige Zahl: "
        "das Tausendertrennzeichen „.“ steht nur zwischen Gruppen von genau drei Ziffern vor "
        "dem Dezimaltrennzeichen „,“.\nBitte korrigieren Sie die Eingabe.");
    EXPECT_EQ(messages.texts, QStringList{refusal});
    EXPECT_EQ(messages.icons, QList<MessageService::Icon>{MessageService::Warning});
    EXPECT_TRUE(input->isVisible());
    EXPECT_TRUE(input->hasFocus());
    EXPECT_EQ(input->text(), QStringLiteral("95.8"));
    // Saving and going on refuse it too, and write nothing.
    messages.clear();
    ctrl(input, Qt::Key_S);
    EXPECT_EQ(messages.texts, QStringList{refusal});
    EXPECT_FALSE(QFile::exists(file));
    messages.clear();
    QTest::mouseClick(w->ctlAssistent1->cmdNext, Qt::LeftButton);
    EXPECT_EQ(w->ctlAssistent1->Page, 3);
    EXPECT_EQ(messages.texts, QStringList{refusal}); // once, though the focus left first
    EXPECT_EQ(k.Messwert(pmDirekt, 1, 2).toDouble(), 96.0);
    // Corrected, it is taken.
    messages.clear();
    input->setFocus();
    input->selectAll();
    QTest::keyClicks(input, QStringLiteral("95,8"));
    QTest::keyClick(input, Qt::Key_Return);
    EXPECT_TRUE(messages.texts.isEmpty());
    w->ctlAssistent1->GoToPage(0);
    EXPECT_EQ(k.Messwert(pmDirekt, 1, 2).toDouble(), 95.8);

    // A column pasted from an English source is refused before anything is written.
    QApplication::clipboard()->setText(QStringLiteral("95.5\r\n96.25\r\n"));
    g->setFocus();
    g->setCurrentCell(1, 2);
    ctrl(g, Qt::Key_V);
    ASSERT_EQ(messages.texts.size(), 1);
    EXPECT_TRUE(messages.texts[0].startsWith(QStringLiteral("„95.5“ für Prüffeld 1, Prüfpunkt 1")));
    EXPECT_EQ(g->TextMatrix(1, 2), QStringLiteral("95,00"));
    EXPECT_EQ(g->TextMatrix(2, 2), QStringLiteral("95,80"));
}

TEST_F(EingabeTest, PointCountsAboveTheLimitAreRefused) {
    frmAssistent* w = onPage(2);
    FlexGrid* g = child<FlexGrid>(w, "fgKeysMessreihen");
    auto* input = child<QLineEdit>(w, "txtFGKeysMessreihen");
    click(g, 1, 1);
    QTest::keyClicks(g, QStringLiteral("2"));
    QTest::keyClicks(input, QStringLiteral("00000"));
    QTest::keyClick(input, Qt::Key_Return);
    EXPECT_EQ(messages.texts, QStringList{QStringLiteral("Die Anzahl der Prüfpunkte einer "
                                                         "Messreihe darf nicht größer als 100.000 "
                                                         "sein.")});
    EXPECT_TRUE(input->isVisible());
    // Within the limit for one field, above it with the others.
    messages.clear();
    input->selectAll();
    QTest::keyClicks(input, QStringLiteral("99.999"));
    QTest::keyClick(input, Qt::Key_Return);
    EXPECT_EQ(messages.texts, QStringList{QStringLiteral("Die Anzahl der Prüfpunkte aller "
                                                         "Messreihen darf zusammen nicht größer "
                                                         "als 100.000 sein.")});
    messages.clear();
    input->selectAll();
    QTest::keyClicks(input, QStringLiteral("2,5"));
    QTest::keyClick(input, Qt::Key_Return);
    EXPECT_EQ(messages.texts.size(), 1);
    EXPECT_TRUE(messages.texts.value(0).contains(QStringLiteral("ist keine ganze Zahl")));
    messages.clear();
    input->selectAll();
    QTest::keyClicks(input, QStringLiteral("1.000"));
    QTest::keyClick(input, Qt::Key_Return);
    EXPECT_TRUE(messages.texts.isEmpty());
    EXPECT_EQ(g->TextMatrix(1, 1), QStringLiteral("1000"));
    QTest::mouseClick(w->ctlAssistent1->cmdNext, Qt::LeftButton);
    ASSERT_EQ(w->ctlAssistent1->Page, 3);
    EXPECT_EQ(k.PrüffeldPrüfpunkte(1), 1000);
    EXPECT_EQ(child<FlexGrid>(w, "fgMesswerte")->Rows(), 1 + 1000 + 3 + 3);
}

TEST_F(EingabeTest, TheSiteDataEditorCommitsBeforeOkAndRefusesAmbiguousNumbers) {
    k.DataStore()->setValue(
        QStringLiteral("Protokoll Verdichtung Kalibrierfeld Kovariable (Anzahl der "
                       "Verdichtungsübergänge) - Prüffeld 1"),
        2.0);
    frmProtocollExtraData dialog;
    dialog.setKalibrierung(&k);
    dialog.show();
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    FlexGrid* g = dialog.Sorbel1->FlexGrid_();
    QLineEdit* input = dialog.Sorbel1->TextBox();
    g->setFocus();
    g->setCurrentCell(0, 1);
    // Tab moves down the value column.
    QTest::keyClick(g, Qt::Key_Tab);
    EXPECT_EQ(g->Row(), 1);
    // The report header comes first: the soil is found by its label.
    const int bodenart = int(dialog.Sorbel1->Dictionary()->keys().indexOf(
        QStringLiteral("Unterlage Bodenart DIN 4022")));
    ASSERT_GT(bodenart, 0);
    g->setCurrentCell(bodenart, 1);
    QTest::keyClicks(g, QStringLiteral("L"));
    QTest::keyClicks(input, QStringLiteral("ehm"));
    int feld = -1;
    for (int r = 0; r < g->Rows(); ++r)
        if (g->TextMatrix(r, 0).endsWith(QStringLiteral("Prüffeld 1")))
            feld = r;
    ASSERT_GE(feld, 0);
    EXPECT_EQ(g->TextMatrix(feld, 1), QStringLiteral("2"));
    // OK while an edit is open: the edit counts.
    QTest::mouseClick(dialog.cmdOk, Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(k.DataStore()
                  ->find(QStringLiteral("Protokoll Verdichtung Unterlage Bodenart DIN "
                                        "4022"))
                  ->toText(),
              QStringLiteral("Lehm"));

    frmProtocollExtraData again;
    again.setKalibrierung(&k);
    again.show();
    again.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&again));
    g = again.Sorbel1->FlexGrid_();
    input = again.Sorbel1->TextBox();
    g->setFocus();
    g->setCurrentCell(feld, 1);
    QTest::keyClicks(g, QStringLiteral("2"));
    QTest::keyClicks(input, QStringLiteral(".5"));
    QTest::mouseClick(again.cmdOk, Qt::LeftButton);
    ASSERT_EQ(messages.texts.size(), 1);
    EXPECT_TRUE(messages.texts[0].startsWith(QStringLiteral("„2.5“ im Eintrag „Kalibrierfeld "
                                                            "Kovariable")));
    EXPECT_NE(again.result(), QDialog::Accepted);
    EXPECT_TRUE(input->isVisible());
}

TEST_F(EingabeTest, ScrollingWithAnOpenEditNeverCoversTheHeader) {
    fillLarge(k);
    frmAssistent* w = onPage(3);
    FlexGrid* g = child<FlexGrid>(w, "fgMesswerte");
    auto* input = child<QLineEdit>(w, "txtFGData");
    click(g, 3, 2);
    QTest::keyClicks(g, QStringLiteral("9"));
    QTest::keyClicks(input, QStringLiteral("1,2"));
    input->selectAll();
    saveScreenshot(w, QStringLiteral("seite3-eingabe"));
    // One wheel step down: the editor goes up with its cell, cut off at the
    // data area; the header stays uncovered.
    QWheelEvent wheel(QPointF(g->viewport()->rect().center()),
                      g->viewport()->mapToGlobal(QPointF(g->viewport()->rect().center())), QPoint(),
                      QPoint(0, -120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(g->viewport(), &wheel);
    QCoreApplication::processEvents();
    ASSERT_GT(g->TopRow(), 1);
    saveScreenshot(w, QStringLiteral("seite3-eingabe-gerollt"));
    EXPECT_EQ(input->parentWidget(), g->viewport());
    EXPECT_EQ(input->geometry().topLeft(), g->cellRect(3, 2).topLeft() + QPoint(1, 1));
    EXPECT_TRUE(input->visibleRegion().isEmpty() ||
                input->mapTo(g, input->visibleRegion().boundingRect().topLeft()).y() >=
                    g->viewport()->geometry().top());
    // Typing still goes on, and the value arrives.
    QTest::keyClicks(input, QStringLiteral("5"));
    QTest::keyClick(input, Qt::Key_Return);
    w->ctlAssistent1->GoToPage(0);
    EXPECT_EQ(k.Messwert(pmDirekt, 1, 3).toDouble(), 5.0);
}

// A count or number of decimals too large for the calibration is refused
// with a message in every direction and before a save, never dropped.
TEST_F(EingabeTest, PageOneRefusesNumbersThatCannotBeStored) {
    frmAssistent* w = onPage(1);
    const QString file = dir.filePath(QStringLiteral("k.xml"));
    w->setFileName(file);
    auto* count = child<QLineEdit>(w, "txtMessreihen");
    count->setText(QStringLiteral("99999999999999999999999"));
    w->speichern();
    ASSERT_EQ(messages.texts.size(), 1);
    EXPECT_TRUE(messages.texts[0].contains(QStringLiteral("ist zu groß")));
    EXPECT_FALSE(QFile::exists(file));
    messages.clear();
    QTest::mouseClick(w->ctlAssistent1->cmdPrevious, Qt::LeftButton);
    EXPECT_EQ(w->ctlAssistent1->Page, 1);
    EXPECT_EQ(messages.texts.size(), 1);
    messages.clear();
    QTest::mouseClick(w->ctlAssistent1->cmdNext, Qt::LeftButton);
    EXPECT_EQ(w->ctlAssistent1->Page, 1);
    ASSERT_FALSE(messages.texts.isEmpty());
    EXPECT_TRUE(messages.texts[0].startsWith(
        QStringLiteral("Bitte geben Sie eine gültige Anzahl der Messreihen an")));
    // Whole numbers only, read one way: never cut to 2 or 3.
    for (const char* text : {"3.000", "4,9"}) {
        count->setText(QString::fromUtf8(text));
        messages.clear();
        w->speichern();
        ASSERT_EQ(messages.texts.size(), 1) << text;
        EXPECT_TRUE(messages.texts[0].contains(QString::fromUtf8(text))) << text;
        EXPECT_FALSE(QFile::exists(file));
    }
    count->setText(QStringLiteral("3"));
    auto* stellen = child<QLineEdit>(w, "txtDirektesPrüfmerkmalStellen");
    stellen->setText(QStringLiteral("2,9"));
    messages.clear();
    w->speichern();
    ASSERT_EQ(messages.texts.size(), 1);
    EXPECT_TRUE(messages.texts[0].contains(QStringLiteral("„2,9“ im Feld „Nachkommastellen“ ist "
                                                          "keine ganze Zahl")));
    EXPECT_FALSE(QFile::exists(file));
    stellen->setText(QStringLiteral("1e30"));
    messages.clear();
    w->speichern();
    EXPECT_EQ(messages.texts.size(), 1);
    EXPECT_FALSE(QFile::exists(file));
    stellen->setText(QStringLiteral("1"));
    messages.clear();
    w->speichern();
    EXPECT_TRUE(messages.texts.isEmpty()) << messages.texts.join(u'|').toStdString();
    EXPECT_TRUE(QFile::exists(file));
}

// A lone modifier belongs to the edit; a menu opened while editing takes the
// typed text into its cell, which stays current.
TEST_F(EingabeTest, LoneModifiersAndMenusNeverMoveAnEdit) {
    frmAssistent* w = onPage(3);
    const QString file = dir.filePath(QStringLiteral("k.xml"));
    w->setFileName(file);
    FlexGrid* g = child<FlexGrid>(w, "fgMesswerte");
    auto* input = child<QLineEdit>(w, "txtFGData");
    const double direct12 = k.Messwert(pmDirekt, 1, 2).toDouble();
    click(g, 1, 3);
    QTest::keyClicks(g, QStringLiteral("4"));
    QTest::keyClicks(input, QStringLiteral("2"));
    for (const Qt::Key modifier : {Qt::Key_Alt, Qt::Key_Control, Qt::Key_Meta}) {
        pressModifier(QApplication::focusWidget(), modifier);
        releaseModifier(QApplication::focusWidget(), modifier, {});
    }
    EXPECT_EQ(QApplication::focusWidget(), input);
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral(",5"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    ctrl(g, Qt::Key_S);
    Kalibrierung saved;
    saved.LoadFile(file);
    EXPECT_EQ(saved.Messwert(pmIndirekt, 1, 1).toDouble(), 42.5);
    EXPECT_EQ(saved.Messwert(pmDirekt, 1, 2).toDouble(), direct12);

    // Alt+B while editing: the value is in its cell, the cell stays current,
    // the menu is open; Escape closes it and the grid has the keys again.
    g->setCurrentCell(2, 3);
    QTest::keyClicks(g, QStringLiteral("3"));
    QTest::keyClicks(input, QStringLiteral("9"));
    pressModifier(input, Qt::Key_Alt);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_B, Qt::AltModifier);
    releaseModifier(QApplication::focusWidget(), Qt::Key_Alt, Qt::AltModifier);
    EXPECT_TRUE(QTest::qWaitFor([] { return QApplication::activePopupWidget() != nullptr; }, 2000));
    EXPECT_EQ(QApplication::activePopupWidget(), static_cast<QWidget*>(w->menuBearbeiten));
    EXPECT_EQ(g->TextMatrix(2, 3), QStringLiteral("39,00"));
    EXPECT_EQ(k.Messwert(pmIndirekt, 1, 2).toDouble(), 39.0);
    EXPECT_EQ(g->Row(), 2);
    EXPECT_EQ(g->Col(), 3);
    EXPECT_FALSE(input->isVisible());
    QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Escape);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_TRUE(QTest::qWaitFor([&] { return g->hasFocus(); }, 2000));
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("3"));
    EXPECT_TRUE(input->isVisible());
    EXPECT_EQ(input->text(), QStringLiteral("3"));
    QTest::keyClick(input, Qt::Key_Escape);

    // Page 2 the same: "1", a lone Alt, "2" is twelve points in field 1.
    QTest::mouseClick(w->ctlAssistent1->cmdPrevious, Qt::LeftButton);
    ASSERT_EQ(w->ctlAssistent1->Page, 2);
    FlexGrid* fields = child<FlexGrid>(w, "fgKeysMessreihen");
    auto* count = child<QLineEdit>(w, "txtFGKeysMessreihen");
    const rt::Long field2 = k.PrüffeldPrüfpunkte(2);
    click(fields, 1, 1);
    QTest::keyClicks(fields, QStringLiteral("1"));
    pressModifier(count, Qt::Key_Alt);
    releaseModifier(QApplication::focusWidget(), Qt::Key_Alt, {});
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("2"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_TRUE(messages.texts.isEmpty()) << messages.texts.join(u'|').toStdString();
    EXPECT_EQ(k.PrüffeldPrüfpunkte(1), 12);
    EXPECT_EQ(k.PrüffeldPrüfpunkte(2), field2);
    EXPECT_EQ(fields->TextMatrix(2, 1), QString::number(field2));
}

// Opening an editor and leaving its text as it is writes nothing: a value
// shown rounded keeps its digits, and the calibration stays unchanged.
TEST_F(EingabeTest, CommandsWithNothingToDoChangeNothing) {
    k.DirektesPrüfmerkmal().setNachkommastellen(1);
    k.setMesswert(pmDirekt, 1, 1, 98.456789012345);
    const QString file = dir.filePath(QStringLiteral("k.xml"));
    frmAssistent* w = onPage(3);
    w->setFileName(file);
    ctrl(child<FlexGrid>(w, "fgMesswerte"), Qt::Key_S);
    ASSERT_FALSE(k.IsDirty());
    FlexGrid* g = child<FlexGrid>(w, "fgMesswerte");
    auto* input = child<QLineEdit>(w, "txtFGData");
    EXPECT_EQ(g->TextMatrix(1, 2), QStringLiteral("98,5"));
    click(g, 1, 2);
    for (const Qt::Key key : {Qt::Key_Z, Qt::Key_Y, Qt::Key_A, Qt::Key_Q}) {
        ctrl(g, key);
        EXPECT_FALSE(input->isVisible()) << int(key);
    }
    pressModifier(g, Qt::Key_Alt);
    QTest::keyClick(g, Qt::Key_Q, Qt::AltModifier);
    releaseModifier(QApplication::focusWidget(), Qt::Key_Alt, Qt::AltModifier);
    EXPECT_FALSE(input->isVisible());
    click(g, 2, 3);
    EXPECT_FALSE(input->isVisible());
    // Return opens the editor on 98,5; Return again closes it and moves on.
    g->setFocus();
    g->setCurrentCell(1, 2);
    QTest::keyClick(g, Qt::Key_Return);
    ASSERT_TRUE(input->isVisible());
    EXPECT_EQ(input->text(), QStringLiteral("98,5"));
    QTest::keyClick(input, Qt::Key_Return);
    EXPECT_FALSE(input->isVisible());
    EXPECT_EQ(g->Row(), 1);
    EXPECT_EQ(g->Col(), 3);
    // Typing undone in the editor: nothing either.
    g->setCurrentCell(1, 2);
    QTest::keyClick(g, Qt::Key_Return);
    QTest::keyClicks(input, QStringLiteral("7"));
    ctrl(input, Qt::Key_Z);
    EXPECT_EQ(input->text(), QStringLiteral("98,5"));
    QTest::keyClick(input, Qt::Key_Return);
    EXPECT_FALSE(k.IsDirty());
    // The Windows key with a digit, the menu key: no edit.
    g->setCurrentCell(1, 2);
    chord(g, Qt::Key_5, Qt::MetaModifier);
    QTest::keyClick(g, Qt::Key_Menu);
    EXPECT_FALSE(input->isVisible());
    // A click into the cell, a click elsewhere: nothing either.
    click(g, 1, 2);
    click(g, 1, 2);
    ASSERT_TRUE(input->isVisible());
    click(g, 3, 3);
    EXPECT_FALSE(input->isVisible());
    ctrl(g, Qt::Key_S);
    EXPECT_TRUE(messages.texts.isEmpty()) << messages.texts.join(u'|').toStdString();
    EXPECT_FALSE(k.IsDirty());
    EXPECT_FALSE(w->mb_undo->isEnabled());
    // New and closing, cancelled at the question, keep the current cell.
    type(g, input, QStringLiteral("97"));
    g->setCurrentCell(3, 2);
    messages.answer = MessageService::AnswerCancel;
    ctrl(g, Qt::Key_N);
    w->close();
    EXPECT_EQ(messages.texts.size(), 2);
    EXPECT_EQ(g->Row(), 3);
    EXPECT_EQ(g->Col(), 2);
    EXPECT_TRUE(w->isVisible());
    ctrl(g, Qt::Key_Z);
    ctrl(g, Qt::Key_S);
    messages.clear();
    Kalibrierung saved;
    saved.LoadFile(file);
    EXPECT_EQ(saved.Messwert(pmDirekt, 1, 1).toDouble(), 98.456789012345);
}

// Typed values are kept as typed and shown at the cell's decimals; a cleared
// cell is stored empty, as one step; a command's commit keeps the cell.
TEST_F(EingabeTest, TypedAndClearedValuesAreStoredAsTheUserLeftThem) {
    k.DirektesPrüfmerkmal().setNachkommastellen(1);
    k.setIsDirty(false);
    const QString file = dir.filePath(QStringLiteral("k.xml"));
    frmAssistent* w = onPage(3);
    w->setFileName(file);
    FlexGrid* g = child<FlexGrid>(w, "fgMesswerte");
    auto* input = child<QLineEdit>(w, "txtFGData");
    click(g, 2, 2);
    QTest::keyClicks(g, QStringLiteral("9"));
    QTest::keyClicks(input, QStringLiteral("4,25"));
    ctrl(input, Qt::Key_S);
    EXPECT_EQ(g->TextMatrix(2, 2), QStringLiteral("94,3"));
    EXPECT_EQ(g->Row(), 2);
    EXPECT_EQ(g->Col(), 2);
    Kalibrierung saved;
    saved.LoadFile(file);
    EXPECT_EQ(saved.Messwert(pmDirekt, 1, 2).toDouble(), 94.25);

    // Entf empties the cell, and the file holds no value there.
    const double before = k.Messwert(pmDirekt, 1, 3).toDouble();
    g->setCurrentCell(3, 2);
    QTest::keyClick(g, Qt::Key_Delete);
    EXPECT_EQ(g->TextMatrix(3, 2), QString());
    EXPECT_TRUE(k.IsDirty());
    EXPECT_EQ(w->mb_undo->text(), QStringLiteral("Rückgängig: Messwert Prüffeld 1, Prüfpunkt 3"));
    ctrl(g, Qt::Key_S);
    EXPECT_FALSE(k.IsDirty());
    Kalibrierung cleared;
    cleared.LoadFile(file);
    EXPECT_TRUE(cleared.Messwert(pmDirekt, 1, 3).isNull());
    EXPECT_EQ(cleared.Messwert(pmIndirekt, 1, 3).toDouble(),
              k.Messwert(pmIndirekt, 1, 3).toDouble());
    // Emptied by typing: the same.
    g->setCurrentCell(3, 3);
    QTest::keyClick(g, Qt::Key_Backspace);
    QTest::keyClick(input, Qt::Key_Return);
    EXPECT_TRUE(k.Messwert(pmIndirekt, 1, 3).isNull());
    // Going on reports the empty cell; undo brings both values back.
    QTest::mouseClick(w->ctlAssistent1->cmdNext, Qt::LeftButton);
    EXPECT_EQ(w->ctlAssistent1->Page, 3);
    ASSERT_EQ(messages.texts.size(), 1);
    EXPECT_TRUE(messages.texts[0].contains(QStringLiteral("Prüfpunkt 3")));
    ctrl(g, Qt::Key_Z);
    ctrl(g, Qt::Key_Z);
    EXPECT_EQ(k.Messwert(pmDirekt, 1, 3).toDouble(), before);
    EXPECT_EQ(g->TextMatrix(3, 2), FormatNumberText(before, 1));
}

// A count is stored as page 2 shows it, or refused when entered: alone, as
// part of a paste, emptied.
TEST_F(EingabeTest, CountsAreCheckedWhenEntered) {
    const QString file = dir.filePath(QStringLiteral("k.xml"));
    frmAssistent* w = onPage(2);
    w->setFileName(file);
    FlexGrid* g = child<FlexGrid>(w, "fgKeysMessreihen");
    auto* input = child<QLineEdit>(w, "txtFGKeysMessreihen");
    const QString shown1 = g->TextMatrix(1, 1), shown2 = g->TextMatrix(2, 1);
    QApplication::clipboard()->setText(QStringLiteral("60000\r\n60000\r\n"));
    click(g, 1, 1);
    ctrl(g, Qt::Key_V);
    EXPECT_EQ(messages.texts, QStringList{QStringLiteral("Die Anzahl der Prüfpunkte aller "
                                                         "Messreihen darf zusammen nicht größer "
                                                         "als 100.000 sein.")});
    EXPECT_EQ(g->TextMatrix(1, 1), shown1);
    EXPECT_EQ(g->TextMatrix(2, 1), shown2);
    // The refused paste leaves nothing behind for the next entry.
    messages.clear();
    type(g, input, QStringLiteral("50000"));
    EXPECT_TRUE(messages.texts.isEmpty()) << messages.texts.join(u'|').toStdString();
    EXPECT_EQ(k.PrüffeldPrüfpunkte(1), 50000);
    const QString few = QStringLiteral(
        "Die Anzahl der Prüfpunkte einer Messreihe darf nicht leer oder kleiner als 3 sein.");
    g->setCurrentCell(2, 1);
    QTest::keyClicks(g, QStringLiteral("1"));
    QTest::keyClick(input, Qt::Key_Return);
    EXPECT_EQ(messages.texts, QStringList{few});
    EXPECT_TRUE(input->isVisible());
    QTest::keyClick(input, Qt::Key_Escape);
    messages.clear();
    QTest::keyClick(g, Qt::Key_Delete);
    EXPECT_EQ(messages.texts, QStringList{few});
    EXPECT_EQ(g->TextMatrix(2, 1), shown2);
    messages.clear();
    g->setCurrentCell(2, 2);
    QTest::keyClick(g, Qt::Key_Delete);
    EXPECT_EQ(messages.texts,
              QStringList{QStringLiteral("Der Name einer Messreihe darf nicht leer sein.")});
    EXPECT_FALSE(g->TextMatrix(2, 2).isEmpty());
    ctrl(g, Qt::Key_S);
    Kalibrierung saved;
    saved.LoadFile(file);
    EXPECT_EQ(saved.PrüffeldPrüfpunkte(1), 50000);
    EXPECT_EQ(QString::number(saved.PrüffeldPrüfpunkte(2)), shown2);

    // The number of fields on page 1: 2 is refused before a save.
    QTest::mouseClick(w->ctlAssistent1->cmdPrevious, Qt::LeftButton);
    ASSERT_EQ(w->ctlAssistent1->Page, 1);
    auto* felder = child<QLineEdit>(w, "txtMessreihen");
    felder->setFocus();
    felder->selectAll();
    QTest::keyClicks(felder, QStringLiteral("2"));
    messages.clear();
    ctrl(felder, Qt::Key_S);
    ASSERT_EQ(messages.texts.size(), 1);
    EXPECT_TRUE(messages.texts[0].startsWith(
        QStringLiteral("Bitte geben Sie eine gültige Anzahl der Messreihen an")));
    EXPECT_TRUE(felder->hasFocus());
    Kalibrierung kept;
    kept.LoadFile(file);
    EXPECT_EQ(kept.PrüffeldPrüfpunkte(1), 50000);
    EXPECT_EQ(kept.PrüffelderAnzahl(), k.PrüffelderAnzahl());
}
