#include "WizardTestSupport.h"

#include "EditGrid.h"
#include "FlexGrid.h"
#include "SeiteFelder.h"
#include "SeiteMesswerte.h"
#include "ctlAssistent.h"

#include "../core/Beispiel.h"

#include <QClipboard>
#include <QLineEdit>
#include <QPushButton>

namespace {

const QString KovariableSeed = QStringLiteral(
    "Protokoll Verdichtung Kalibrierfeld Kovariable (Anzahl der Verdichtungsübergänge) - "
    "Prüffeld ");

} // namespace

class RasterTest : public WizardTest {
protected:
    void SetUp() override {
        WizardTest::SetUp();
        describeWorkedExample(k);
    }
    frmAssistent* onPage(int page) { return openOnPage(k, page); }
};

// Page 2 seeds every field's protocol entry whenever it commits, also before
// an undo or a redo: the redo takes the entries seeded since over.
TEST_F(RasterTest, APageTwoEditIsRedoneOverTheEntriesSeededSince) {
    frmAssistent* w = onPage(2);
    FlexGrid* g = child<FlexGrid>(w, "fgKeysMessreihen");
    auto* input = child<QLineEdit>(w, "txtFGKeysMessreihen");
    g->setFocus();
    g->setCurrentCell(2, 2);
    ASSERT_EQ(k.DataStore()->find(KovariableSeed + u'1'), nullptr);
    type(g, input, QStringLiteral("5"));
    EXPECT_EQ(k.PrüffeldWert(2), 5.0);
    // The entries are new to the file in row order, whichever row was edited.
    QStringList seeds;
    for (const QString& key : k.DataStore()->keys())
        if (key.startsWith(KovariableSeed))
            seeds.append(key.mid(KovariableSeed.size()));
    EXPECT_EQ(seeds, (QStringList{QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")}));
    chord(g, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(k.PrüffeldWert(2), 2.0);
    chord(g, Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(k.PrüffeldWert(2), 5.0);
    EXPECT_EQ(g->TextMatrix(2, 2), QStringLiteral("5"));
    const rt::Variant* seeded = k.DataStore()->find(KovariableSeed + u'2');
    ASSERT_NE(seeded, nullptr);
    EXPECT_EQ(seeded->toText(), QStringLiteral("5"));
    chord(g, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(k.PrüffeldWert(2), 2.0);
}

TEST_F(RasterTest, PageTwoShowsOneRowPerFieldAndChecksOnlyGoingForward) {
    k.setIsDirty(false);
    frmAssistent* w = onPage(2);
    FlexGrid* g = child<FlexGrid>(w, "fgKeysMessreihen");
    auto* input = child<QLineEdit>(w, "txtFGKeysMessreihen");
    ASSERT_EQ(g->Rows(), 4);
    EXPECT_EQ(g->FixedRows(), 1);
    EXPECT_EQ(g->FixedCols(), 1);
    EXPECT_EQ(g->TextMatrix(0, 0), QStringLiteral("Prüffeld"));
    EXPECT_EQ(g->TextMatrix(0, 1), QStringLiteral("Anzahl Prüfpunkte"));
    EXPECT_EQ(g->TextMatrix(0, 2), QStringLiteral("Anzahl der Übergänge Z"));
    for (int f = 1; f <= 3; ++f) {
        EXPECT_EQ(g->TextMatrix(f, 0), QStringLiteral("Prüffeld %1").arg(f));
        EXPECT_EQ(g->TextMatrix(f, 1), QStringLiteral("4"));
        EXPECT_EQ(g->TextMatrix(f, 2), QString::number(f));
    }
    // The configuration of the edit grid.
    auto* eg = child<clsEditGrid>(w, "egKeysMessreihen");
    EXPECT_TRUE(eg->GridIgnoreAddDelKeys);
    EXPECT_FALSE(eg->ClipboardDoWholeLine);
    EXPECT_FALSE(eg->ClipboardPasteInsertLines);
    EXPECT_EQ(g->Col(), 1); // the field captions are not entered

    // A covariable value is shown with the covariable's decimals (0 here).
    g->setFocus();
    g->setCurrentCell(1, 2);
    ASSERT_EQ(k.DataStore()->find(KovariableSeed + u'3'), nullptr);
    type(g, input, QStringLiteral("2,5"));
    EXPECT_EQ(g->TextMatrix(1, 2), QStringLiteral("3"));
    // The protocol's entry of every field follows an edit, as a pass does.
    for (const auto& [feld, wert] : {std::pair{u'1', 2.5}, std::pair{u'3', 3.0}}) {
        const rt::Variant* seed = k.DataStore()->find(KovariableSeed + feld);
        ASSERT_NE(seed, nullptr) << char(feld);
        EXPECT_EQ(seed->toDouble(), wert);
    }
    g->setCurrentCell(2, 2);
    type(g, input, QStringLiteral("1000"));
    EXPECT_EQ(g->TextMatrix(2, 2), QStringLiteral("1.000"));
    k.Kovariable().setNachkommastellen(1);
    g->setCurrentCell(3, 2);
    type(g, input, QStringLiteral("2,5"));
    EXPECT_EQ(g->TextMatrix(3, 2), QStringLiteral("2,5"));
    saveScreenshot(w, QStringLiteral("seite2"));

    // 2 points: refused as typed, with the warning; the editor keeps them
    // for correction, and going forward hears the refusal again.
    const QStringList few{QStringLiteral("Die Anzahl der Prüfpunkte einer Messreihe darf nicht "
                                         "leer oder kleiner als 3 sein.")};
    g->setCurrentCell(2, 1);
    type(g, input, QStringLiteral("2"));
    EXPECT_EQ(messages.texts, few);
    EXPECT_EQ(messages.icons, QList<MessageService::Icon>{MessageService::Warning});
    EXPECT_TRUE(input->isVisible());
    messages.clear();
    QTest::mouseClick(w->ctlAssistent1->cmdNext, Qt::LeftButton);
    EXPECT_EQ(messages.texts, few);
    EXPECT_EQ(w->ctlAssistent1->Page, 2);
    QTest::keyClick(input, Qt::Key_Escape);
    // The values typed are stored as typed (shown with 0 decimals).
    EXPECT_EQ(k.PrüffeldWert(1), 2.5);
    EXPECT_EQ(k.PrüffeldWert(2), 1000.0);
    // The protocol's entry of a field is seeded once, without marking anything.
    EXPECT_EQ(k.DataStore()->find(KovariableSeed + u'1')->toDouble(), 2.5);

    // Backward: no message; a count below 3 given by code is refused by the
    // calibration, silently.
    messages.clear();
    g->setCurrentCell(1, 2);
    input->clear();
    g->setTextMatrix(1, 2, QString());
    g->setTextMatrix(2, 1, QStringLiteral("2"));
    QTest::mouseClick(w->ctlAssistent1->cmdPrevious, Qt::LeftButton);
    EXPECT_TRUE(messages.texts.isEmpty());
    EXPECT_EQ(w->ctlAssistent1->Page, 1);
    EXPECT_EQ(k.PrüffeldPrüfpunkte(2), 4);
    EXPECT_EQ(k.PrüffeldWert(3), 2.5);
    EXPECT_EQ(k.PrüffeldWert(1), 2.5); // the emptied cell keeps the value

    // A later change of the value: the entry still holding the seeded value
    // follows it.
    w->ctlAssistent1->GoToPage(1);
    g->setCurrentCell(1, 2);
    g->setFocus();
    type(g, input, QStringLiteral("7"));
    messages.clear();
    g->setTextMatrix(2, 1, QStringLiteral("5"));
    g->setTextMatrix(1, 1, QString());
    QTest::mouseClick(w->ctlAssistent1->cmdNext, Qt::LeftButton);
    EXPECT_EQ(messages.texts.size(), 1); // an empty count is below 3 too
    g->setTextMatrix(1, 1, QStringLiteral("3"));
    g->setTextMatrix(3, 2, QString());
    messages.clear();
    QTest::mouseClick(w->ctlAssistent1->cmdNext, Qt::LeftButton);
    EXPECT_EQ(messages.texts,
              QStringList{QStringLiteral("Der Name einer Messreihe darf nicht leer sein.")});
    EXPECT_EQ(k.PrüffeldWert(1), 7.0);
    EXPECT_EQ(k.DataStore()->find(KovariableSeed + u'1')->toDouble(), 7.0);
    // One the user edited stays as it is.
    k.DataStore()->setValue(KovariableSeed + u'1', rt::Variant(QStringLiteral("7 (2 + 5)")));
    g->setTextMatrix(3, 2, QStringLiteral("2,5"));
    g->setCurrentCell(1, 2);
    g->setFocus();
    type(g, input, QStringLiteral("8"));
    w->ctlAssistent1->GoToPage(0);
    EXPECT_EQ(k.PrüffeldWert(1), 8.0);
    EXPECT_EQ(k.DataStore()->find(KovariableSeed + u'1')->toText(), QStringLiteral("7 (2 + 5)"));
    EXPECT_EQ(k.PrüffeldPrüfpunkte(1), 3);
    EXPECT_EQ(k.PrüffeldPrüfpunkte(2), 5);
}

TEST_F(RasterTest, PassesKeepStoredValuesAndTheDirtyFlag) {
    fillWorkedExample(k);
    k.DirektesPrüfmerkmal().setNachkommastellen(1);
    k.setMesswert(pmDirekt, 2, 2, 12.345);
    k.setPrüffeldWert(2, 4.25);
    k.setIsDirty(false);
    frmAssistent* w = onPage(2);
    FlexGrid* fields = child<FlexGrid>(w, "fgKeysMessreihen");
    EXPECT_EQ(fields->TextMatrix(2, 2), QStringLiteral("4"));
    QTest::mouseClick(w->ctlAssistent1->cmdNext, Qt::LeftButton);
    FlexGrid* g = child<FlexGrid>(w, "fgMesswerte");
    ASSERT_EQ(w->ctlAssistent1->Page, 3);
    EXPECT_EQ(g->TextMatrix(5, 2), QStringLiteral("12,3"));
    QTest::mouseClick(w->ctlAssistent1->cmdNext, Qt::LeftButton);
    ASSERT_EQ(w->ctlAssistent1->Page, 4);
    QTest::mouseClick(w->ctlAssistent1->cmdPrevious, Qt::LeftButton);
    QTest::mouseClick(w->ctlAssistent1->cmdPrevious, Qt::LeftButton);
    QTest::mouseClick(w->ctlAssistent1->cmdPrevious, Qt::LeftButton);
    w->ctlAssistent1->GoToPage(0);
    EXPECT_EQ(k.Messwert(pmDirekt, 2, 2).toDouble(), 12.345);
    EXPECT_EQ(k.PrüffeldWert(2), 4.25);
    EXPECT_FALSE(k.IsDirty());
    EXPECT_TRUE(messages.texts.isEmpty());

    // More decimals later show the digits that were kept.
    k.DirektesPrüfmerkmal().setNachkommastellen(3);
    w->ctlAssistent1->Page = 3;
    w->ctlAssistent1->GoToPage(0);
    EXPECT_EQ(g->TextMatrix(5, 2), QStringLiteral("12,345"));
    // Typing into the cell stores what was typed.
    g->setFocus();
    g->setCurrentCell(5, 2);
    type(g, child<QLineEdit>(w, "txtFGData"), QStringLiteral("12,3"));
    EXPECT_EQ(g->TextMatrix(5, 2), QStringLiteral("12,300"));
    w->ctlAssistent1->GoToPage(0);
    EXPECT_EQ(k.Messwert(pmDirekt, 2, 2).toDouble(), 12.3);
    EXPECT_TRUE(k.IsDirty());
}

TEST_F(RasterTest, PageThreeHasOneRowPerPointAndTypingGoesFromPairToPair) {
    k.setPrüffelderAnzahl(3);
    k.setPrüffeldPrüfpunkte(1, 3);
    k.setPrüffeldPrüfpunkte(2, 4);
    k.setPrüffeldPrüfpunkte(3, 3);
    k.setPrüffeldWert(2, 4.5);
    k.IndirektesPrüfmerkmal().setNachkommastellen(0);
    frmAssistent* w = onPage(3);
    FlexGrid* g = child<FlexGrid>(w, "fgMesswerte");
    auto* input = child<QLineEdit>(w, "txtFGData");
    ASSERT_EQ(g->Rows(), 1 + 10);
    EXPECT_EQ(g->FixedCols(), 2);
    // The headers name the units the values are typed in, with the symbol
    // on a line of their own.
    EXPECT_EQ(g->TextMatrix(0, 2),
              QStringLiteral("Direktes Prüfmerkmal\nVerdichtungsgrad\nDPr [%]"));
    EXPECT_EQ(g->TextMatrix(0, 3),
              QStringLiteral("Indirektes Prüfmerkmal\nDynamischer Verformungsmodul\nEVD [MN/m²]"));
    EXPECT_GE(g->RowHeight(0), 3 * QFontMetrics(w->font()).height());
    saveScreenshot(g, QStringLiteral("seite3-kopf"));
    // The fifth data row is field 2, point 2.
    EXPECT_EQ(g->TextMatrix(5, 0), QStringLiteral("2 (Anzahl der Übergänge Z = 4,5)"));
    EXPECT_EQ(g->TextMatrix(5, 1), QStringLiteral("Prüfpunkt 2"));
    EXPECT_EQ(g->TextMatrix(5, 2), QString());
    EXPECT_EQ(g->Row(), 1);
    EXPECT_EQ(g->Col(), 2);

    // Pairs typed row after row, each with its characteristic's decimals.
    g->setFocus();
    const QStringList typed = {QStringLiteral("95,25"), QStringLiteral("30,4"),
                               QStringLiteral("96"), QStringLiteral("32,5")};
    for (const QString& text : typed)
        type(g, input, text);
    EXPECT_EQ(g->TextMatrix(1, 2), QStringLiteral("95,25"));
    EXPECT_EQ(g->TextMatrix(1, 3), QStringLiteral("30"));
    EXPECT_EQ(g->TextMatrix(2, 2), QStringLiteral("96,00"));
    EXPECT_EQ(g->TextMatrix(2, 3), QStringLiteral("33"));
    EXPECT_EQ(g->Row(), 3);
    EXPECT_EQ(g->Col(), 2);
    saveScreenshot(w, QStringLiteral("seite3"));

    // An empty cell blocks going forward, naming its field and point.
    QTest::mouseClick(w->ctlAssistent1->cmdNext, Qt::LeftButton);
    EXPECT_EQ(messages.texts, QStringList{QStringLiteral(
                                  "Bei dem Auswerten des Messwertes für das Prüffeld 1 und "
                                  "Prüfpunkt 3 frat ein Fehler auf:\nTypen unverträglich (13)")});
    EXPECT_EQ(w->ctlAssistent1->Page, 3);
    // Rows before it are stored, as typed: the cell shows 33.
    EXPECT_EQ(k.Messwert(pmIndirekt, 1, 2).toDouble(), 32.5);
    // Backward: no message, what converts is stored.
    messages.clear();
    QTest::mouseClick(w->ctlAssistent1->cmdPrevious, Qt::LeftButton);
    EXPECT_TRUE(messages.texts.isEmpty());
    EXPECT_EQ(k.Messwert(pmDirekt, 1, 1).toDouble(), 95.25);
}

TEST_F(RasterTest, PastingAColumnFromASpreadsheetFillsTheCells) {
    k.setPrüffelderAnzahl(4);
    for (int f = 1; f <= 4; ++f)
        k.setPrüffeldPrüfpunkte(f, 10);
    k.setIsDirty(false);
    frmAssistent* w = onPage(3);
    FlexGrid* g = child<FlexGrid>(w, "fgMesswerte");
    ASSERT_EQ(g->Rows(), 41);
    QStringList lines;
    for (int i = 0; i < 40; ++i)
        lines.append(QStringLiteral("%1,%2").arg(90 + i % 10).arg(i % 7));
    QApplication::clipboard()->setText(lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n"));
    g->setFocus();
    g->setCurrentCell(1, 2);
    QTest::keyClick(g, Qt::Key_V, Qt::ControlModifier);
    EXPECT_TRUE(messages.texts.isEmpty());
    EXPECT_EQ(g->Rows(), 41);
    EXPECT_EQ(g->TextMatrix(1, 2), QStringLiteral("90,00"));
    EXPECT_EQ(g->TextMatrix(40, 2), QStringLiteral("99,40"));
    EXPECT_EQ(g->TextMatrix(1, 3), QString());
    // The indirect column, with LF line ends.
    QApplication::clipboard()->setText(lines.join(u'\n'));
    g->setCurrentCell(1, 3);
    QTest::keyClick(g, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(g->TextMatrix(11, 3), QStringLiteral("90,30"));
    w->ctlAssistent1->GoToPage(1);
    EXPECT_EQ(w->ctlAssistent1->Page, 4);
    EXPECT_EQ(k.Messwert(pmDirekt, 4, 10).toDouble(), 99.4);
    EXPECT_EQ(k.Messwert(pmIndirekt, 2, 1).toDouble(), 90.3);

    // Pasted past the last row: what fits is written, then the clipboard message;
    // no row is added.
    w->ctlAssistent1->GoToPage(-1);
    g->setFocus();
    g->setCurrentCell(3, 2);
    QTest::keyClick(g, Qt::Key_V, Qt::ControlModifier);
    ASSERT_EQ(messages.texts.size(), 1);
    EXPECT_TRUE(messages.texts[0].startsWith(QStringLiteral("Fehler bei Zwischenablagenfunktion")));
    EXPECT_EQ(g->TextMatrix(3, 2), QStringLiteral("90,00"));
    EXPECT_EQ(g->TextMatrix(40, 2), QStringLiteral("97,20"));
    EXPECT_EQ(g->Rows(), 41);
}

TEST_F(RasterTest, AbsurdCountsGiveEmptyGridsAtOnce) {
    k.DataStore()->setValue(QStringLiteral("Anzahl Prüffelder"),
                            rt::Variant(QStringLiteral("2000000000")));
    frmAssistent* w = onPage(2);
    EXPECT_EQ(child<FlexGrid>(w, "fgKeysMessreihen")->Rows(), 1);
    w->ctlAssistent1->Page = 3;
    w->ctlAssistent1->GoToPage(0);
    EXPECT_EQ(child<FlexGrid>(w, "fgMesswerte")->Rows(), 1);
}
