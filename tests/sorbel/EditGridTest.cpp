#include "SorbelTestSupport.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QImage>
#include <QLineEdit>
#include <QPainter>

#include <stdexcept>

namespace {

struct EditGridTest : ::testing::Test {
    void SetUp() override {
        w.fill();
        ASSERT_TRUE(w.showActive());
        w.log.clear();
    }
    GridWindow w;
    FlexGrid& g = *w.grid;
};

QPoint cellCenter(FlexGrid& g, int row, int col) {
    return g.cellRect(row, col).center();
}

} // namespace

TEST_F(EditGridTest, F2OpensTheEditorWithTheTextSelectedAndF1DoesNothing) {
    QTest::keyClick(&g, Qt::Key_F1);
    EXPECT_TRUE(w.log.isEmpty());
    EXPECT_FALSE(w.input->isVisible());

    QTest::keyClick(&g, Qt::Key_F2);
    EXPECT_EQ(w.log, QStringList{QStringLiteral("BeforeCellEdit 1,1 1:1")});
    EXPECT_TRUE(w.input->isVisible());
    EXPECT_TRUE(w.input->hasFocus());
    EXPECT_EQ(w.input->text(), QStringLiteral("1:1"));
    EXPECT_EQ(w.input->selectedText(), QStringLiteral("1:1"));
    EXPECT_TRUE(w.editGrid->isEditing());
    // The input object lies over the cell, inside the grid's data area.
    const QRect cell = g.cellRect(1, 1);
    EXPECT_EQ(w.input->parentWidget(), g.viewport());
    EXPECT_EQ(w.input->geometry().topLeft(), cell.topLeft() + QPoint(1, 1));
    EXPECT_EQ(w.input->width(), cell.width() - 2);
    EXPECT_EQ(w.input->height(), cell.height() - 2);

    // Enter commits and moves on to the next column.
    QTest::keyClicks(w.input, QStringLiteral("neu"));
    QTest::keyClick(w.input, Qt::Key_Return);
    EXPECT_EQ(g.TextMatrix(1, 1), QStringLiteral("neu"));
    EXPECT_FALSE(w.input->isVisible());
    EXPECT_TRUE(g.hasFocus());
    EXPECT_EQ(g.Col(), 2);
    EXPECT_EQ(w.log.mid(1), (QStringList{QStringLiteral("AfterCellEdit 1,1 neu"),
                                         QStringLiteral("ProcessReady")}));
}

TEST_F(EditGridTest, TypingStartsAnEditAndEscapeRestoresTheOldText) {
    QTest::keyClick(&g, Qt::Key_7);
    EXPECT_EQ(w.input->text(), QStringLiteral("7"));
    EXPECT_EQ(w.input->cursorPosition(), 1);
    EXPECT_FALSE(w.input->hasSelectedText());
    QTest::keyClick(w.input, Qt::Key_Escape);
    EXPECT_EQ(w.log,
              (QStringList{QStringLiteral("BeforeCellEdit 1,1 1:1"),
                           QStringLiteral("CancelCellEdit 1,1"), QStringLiteral("ProcessReady")}));
    EXPECT_EQ(g.TextMatrix(1, 1), QStringLiteral("1:1"));
    EXPECT_EQ(g.Row(), 1);
    EXPECT_EQ(g.Col(), 1);
    // Leaving the cell does not bring the abandoned text back.
    QTest::keyClick(&g, Qt::Key_Down);
    EXPECT_EQ(g.TextMatrix(1, 1), QStringLiteral("1:1"));
    EXPECT_EQ(g.Row(), 2);
    // Backspace empties the editor; Enter commits the empty text.
    QTest::keyClick(&g, Qt::Key_Backspace);
    EXPECT_EQ(w.input->text(), QString());
    QTest::keyClick(w.input, Qt::Key_Enter);
    EXPECT_EQ(g.TextMatrix(2, 1), QString());
}

TEST_F(EditGridTest, MultiEditWritesEveryCellOfTheSelectionRowByRow) {
    w.editGrid->GridMultibleEdit = true;
    g.setCols(4);
    g.setCurrentCell(1, 1);
    g.setRowSel(2);
    g.setColSel(3);
    w.log.clear();
    QTest::keyClick(&g, Qt::Key_X);
    QTest::keyClick(w.input, Qt::Key_Return);
    QStringList edits;
    for (const QString& entry : w.log)
        if (entry.startsWith(QStringLiteral("AfterCellEdit")))
            edits.append(entry);
    EXPECT_EQ(edits,
              (QStringList{
                  QStringLiteral("AfterCellEdit 1,1 x"), QStringLiteral("AfterCellEdit 1,2 x"),
                  QStringLiteral("AfterCellEdit 1,3 x"), QStringLiteral("AfterCellEdit 2,1 x"),
                  QStringLiteral("AfterCellEdit 2,2 x"), QStringLiteral("AfterCellEdit 2,3 x")}));
    EXPECT_EQ(g.TextMatrix(2, 3), QStringLiteral("x"));
}

TEST_F(EditGridTest, AdvanceGoesToTheNextRowAndAddsRowsWhenAsked) {
    g.setCurrentCell(1, 2); // the last column
    QTest::keyClick(&g, Qt::Key_A);
    QTest::keyClick(w.input, Qt::Key_Return);
    EXPECT_EQ(g.Row(), 2);
    EXPECT_EQ(g.Col(), 1);

    // In the last row the current cell stays, unless rows are added.
    g.setCurrentCell(3, 2);
    QTest::keyClick(&g, Qt::Key_B);
    QTest::keyClick(w.input, Qt::Key_Return);
    EXPECT_EQ(g.Row(), 3);
    EXPECT_EQ(g.Rows(), 4);
    w.editGrid->GridAutoRowAdd = true;
    w.log.clear();
    QTest::keyClick(&g, Qt::Key_C);
    QTest::keyClick(w.input, Qt::Key_Return);
    EXPECT_EQ(g.Rows(), 5);
    EXPECT_EQ(g.Row(), 4);
    EXPECT_EQ(g.Col(), 1);
    EXPECT_TRUE(w.log.contains(QStringLiteral("BeforeRowAdd 4")));
    EXPECT_TRUE(w.log.contains(QStringLiteral("RowAdd 4")));
    // A limited range of columns.
    w.editGrid->GridAutoFocus_ColEnd = 1;
    QTest::keyClick(&g, Qt::Key_D);
    QTest::keyClick(w.input, Qt::Key_Return);
    EXPECT_EQ(g.Row(), 5);
    EXPECT_EQ(g.Col(), 1);
}

TEST_F(EditGridTest, ChangedAndCancelledValuesSurviveLeavingTheCell) {
    QObject::connect(w.editGrid, &clsEditGrid::AfterCellEdit, &w,
                     [](int, int, QString& value, bool& cancel) {
                         if (value == u"nein")
                             cancel = true;
                         else
                             value = QStringLiteral("<") + value + u'>';
                     });
    QTest::keyClicks(&g, QStringLiteral("2"));
    QTest::keyClick(w.input, Qt::Key_Return);
    EXPECT_EQ(g.TextMatrix(1, 1), QStringLiteral("<2>"));
    g.setCurrentCell(2, 2);
    EXPECT_EQ(g.TextMatrix(1, 1), QStringLiteral("<2>"));

    QTest::keyClick(&g, Qt::Key_N);
    QTest::keyClicks(w.input, QStringLiteral("ein"));
    QTest::keyClick(w.input, Qt::Key_Return);
    g.setCurrentCell(3, 1);
    EXPECT_EQ(g.TextMatrix(2, 2), QStringLiteral("2:2"));
}

TEST_F(EditGridTest, ClicksAndDoubleClicksOpenTheEditor) {
    QTest::mouseClick(g.viewport(), Qt::LeftButton, {}, cellCenter(g, 2, 2));
    EXPECT_EQ(g.Row(), 2);
    EXPECT_EQ(g.Col(), 2);
    EXPECT_FALSE(w.input->isVisible()); // the click that moved the cell
    QTest::mouseClick(g.viewport(), Qt::LeftButton, {}, cellCenter(g, 2, 2));
    EXPECT_TRUE(w.input->isVisible());
    EXPECT_EQ(w.input->text(), QStringLiteral("2:2"));
    // Clicking another cell commits the edit there.
    QTest::keyClicks(w.input, QStringLiteral("z"));
    QTest::mouseClick(g.viewport(), Qt::LeftButton, {}, cellCenter(g, 3, 1));
    EXPECT_EQ(g.TextMatrix(2, 2), QStringLiteral("z"));
    EXPECT_FALSE(w.input->isVisible());
    QTest::mouseDClick(g.viewport(), Qt::LeftButton, {}, cellCenter(g, 3, 1));
    EXPECT_TRUE(w.input->isVisible());
    // Inactive: nothing opens.
    w.input->clear();
    QTest::keyClick(w.input, Qt::Key_Escape);
    w.editGrid->setActive(false);
    QTest::keyClick(&g, Qt::Key_F2);
    EXPECT_FALSE(w.input->isVisible());
    // BeginEdit and EndEdit from code.
    w.editGrid->setActive(true);
    w.editGrid->BeginEdit();
    EXPECT_TRUE(w.editGrid->isEditing());
    w.input->setText(QStringLiteral("code"));
    w.editGrid->EndEdit(false);
    EXPECT_EQ(g.TextMatrix(3, 1), QStringLiteral("code"));
}

TEST_F(EditGridTest, RowCommandsAndClearing) {
    // Ctrl+Insert inserts as many rows as are selected, before the upper one.
    g.setCurrentCell(2, 1);
    g.setRowSel(3);
    QTest::keyClick(&g, Qt::Key_Insert, Qt::ControlModifier);
    EXPECT_EQ(g.Rows(), 6);
    EXPECT_EQ(g.TextMatrix(2, 1), QString());
    EXPECT_EQ(g.TextMatrix(4, 1), QStringLiteral("2:1"));
    EXPECT_EQ(w.log, (QStringList{QStringLiteral("BeforeRowAdd 2"), QStringLiteral("RowAdd 2"),
                                  QStringLiteral("BeforeRowAdd 2"), QStringLiteral("RowAdd 2")}));
    // Ctrl+Delete removes the selected rows.
    w.log.clear();
    QTest::keyClick(&g, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(g.Rows(), 4);
    EXPECT_EQ(g.TextMatrix(2, 1), QStringLiteral("2:1"));
    EXPECT_EQ(g.Row(), 2);
    // Delete clears the selected cells.
    w.log.clear();
    g.setCurrentCell(1, 1);
    g.setColSel(2);
    QTest::keyClick(&g, Qt::Key_Delete);
    EXPECT_EQ(g.TextMatrix(1, 1), QString());
    EXPECT_EQ(g.TextMatrix(1, 2), QString());
    EXPECT_EQ(w.log,
              (QStringList{QStringLiteral("CellClear 1,1"), QStringLiteral("CellClear 1,2")}));
    // Insert without Ctrl does nothing; with the add/del keys ignored neither does Ctrl.
    QTest::keyClick(&g, Qt::Key_Insert);
    w.editGrid->GridIgnoreAddDelKeys = true;
    QTest::keyClick(&g, Qt::Key_Insert, Qt::ControlModifier);
    QTest::keyClick(&g, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(g.Rows(), 4);
    EXPECT_FALSE(w.input->isVisible());

    // RowsDel never removes the last data row.
    w.log.clear();
    w.editGrid->RowsDel(1, 5);
    EXPECT_EQ(g.Rows(), 2);
    EXPECT_EQ(w.log,
              (QStringList{QStringLiteral("BeforeRowRemove 1"), QStringLiteral("RowRemove 1"),
                           QStringLiteral("BeforeRowRemove 1"), QStringLiteral("RowRemove 1")}));
}

TEST_F(EditGridTest, CancelledRowRemovalSkipsThatRow) {
    QObject::connect(w.editGrid, &clsEditGrid::BeforeRowRemove, &w,
                     [](int row, bool& cancel) { cancel = row == 1; });
    w.editGrid->RowsDel(1, 2);
    EXPECT_EQ(g.Rows(), 3);
    EXPECT_EQ(g.TextMatrix(1, 1), QStringLiteral("1:1"));
    EXPECT_EQ(g.TextMatrix(2, 1), QStringLiteral("3:1"));
}

TEST_F(EditGridTest, ItemDataFollowsItsRow) {
    w.editGrid->setItemDataMatrix(2, 1, QStringLiteral("Wert"));
    w.editGrid->setItemDataMatrix(3, 2, 42);
    EXPECT_EQ(w.editGrid->ItemDataMatrix(2, 1).toString(), QStringLiteral("Wert"));
    EXPECT_FALSE(w.editGrid->ItemDataMatrix(1, 1).isValid());
    EXPECT_FALSE(w.editGrid->ItemDataMatrix(99, 1).isValid());
    w.editGrid->RowsAdd(2, 1);
    EXPECT_EQ(w.editGrid->ItemDataMatrix(3, 1).toString(), QStringLiteral("Wert"));
    EXPECT_EQ(w.editGrid->ItemDataMatrix(4, 2).toInt(), 42);
    EXPECT_FALSE(w.editGrid->ItemDataMatrix(2, 1).isValid());
    w.editGrid->RowsDel(1, 1);
    EXPECT_EQ(w.editGrid->ItemDataMatrix(2, 1).toString(), QStringLiteral("Wert"));
    w.editGrid->setItemDataMatrix(2, 1, QStringLiteral("neu"));
    EXPECT_EQ(w.editGrid->ItemDataMatrix(2, 1).toString(), QStringLiteral("neu"));
    w.editGrid->ItemDataMatrixClear();
    EXPECT_FALSE(w.editGrid->ItemDataMatrix(2, 1).isValid());
}

TEST_F(EditGridTest, ClipboardCopyCutAndPaste) {
    GridWindow small(3, 3);
    small.grid->setTextMatrix(1, 1, QStringLiteral("a"));
    small.grid->setTextMatrix(1, 2, QStringLiteral("b"));
    small.grid->setTextMatrix(2, 1, QStringLiteral("c"));
    small.grid->setTextMatrix(2, 2, QStringLiteral("d"));
    small.grid->setCurrentCell(1, 1);
    small.grid->setRowSel(2);
    small.editGrid->ClipboardCopy();
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("a\tb\r\nc\td\r\n"));
    small.editGrid->ClipboardCopy(2, 1, 2, 1);
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("b\r\n"));

    // Ctrl+C, then Ctrl+V inserts the lines as new rows.
    g.setCurrentCell(1, 1);
    g.setRowSel(2);
    QTest::keyClick(&g, Qt::Key_C, Qt::ControlModifier);
    EXPECT_FALSE(w.input->isVisible());
    g.setCurrentCell(3, 1);
    QTest::keyClick(&g, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(g.Rows(), 6);
    EXPECT_EQ(g.TextMatrix(3, 1), QStringLiteral("1:1"));
    EXPECT_EQ(g.TextMatrix(4, 2), QStringLiteral("2:2"));
    EXPECT_EQ(g.TextMatrix(5, 1), QStringLiteral("3:1"));
    // Lines of any platform.
    QApplication::clipboard()->setText(QStringLiteral("x\ty\nz\tw\n\n"));
    w.editGrid->ClipboardPasteInsertLines = false;
    g.setCurrentCell(1, 1);
    QTest::keyClick(&g, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(g.TextMatrix(1, 1), QStringLiteral("x"));
    EXPECT_EQ(g.TextMatrix(2, 2), QStringLiteral("w"));
    EXPECT_EQ(g.Rows(), 6);
    // Ctrl+X removes the selected rows after copying them.
    g.setCurrentCell(1, 1);
    QTest::keyClick(&g, Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("x\ty\r\n"));
    EXPECT_EQ(g.Rows(), 5);
    EXPECT_EQ(g.TextMatrix(1, 1), QStringLiteral("z"));
}

TEST_F(EditGridTest, PastingBeyondTheLastColumnReportsTheError) {
    RecordingMessages messages;
    QApplication::clipboard()->setText(QStringLiteral("1\t2\t3\r\n"));
    w.editGrid->ClipboardPasteInsertLines = false;
    w.editGrid->ClipboardDoWholeLine = false;
    g.setCurrentCell(1, 2);
    QTest::keyClick(&g, Qt::Key_V, Qt::ControlModifier);
    ASSERT_EQ(messages.texts.size(), 1);
    EXPECT_TRUE(
        messages.texts[0].startsWith(QStringLiteral("Fehler bei Zwischenablagenfunktion: ")));
    EXPECT_TRUE(messages.texts[0].endsWith(QStringLiteral("(381)")));
    EXPECT_EQ(messages.icons[0], MessageService::Warning);
    EXPECT_EQ(messages.titles[0], QCoreApplication::applicationName());
    EXPECT_FALSE(w.input->isVisible());
    // Too many fields for an inserted row: the same message.
    w.editGrid->ClipboardPasteInsertLines = true;
    QTest::keyClick(&g, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(messages.texts.size(), 2);
    // With the clipboard keys ignored, Ctrl+V is an ordinary key.
    w.editGrid->GridIgnoreClipboardKeys = true;
    QTest::keyClick(&g, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(messages.texts.size(), 2);
}

TEST_F(EditGridTest, GridTextReadsAndReplacesTheData) {
    EXPECT_EQ(w.editGrid->GridText(false, QStringLiteral("\t"), QStringLiteral("\r\n")),
              QStringLiteral("1:1\t1:2\r\n2:1\t2:2\r\n3:1\t3:2\r\n"));
    EXPECT_TRUE(w.editGrid->GridText(true, QStringLiteral(";"), QStringLiteral("|"))
                    .startsWith(QStringLiteral(";;|;1:1;1:2|")));
    w.log.clear();
    w.editGrid->setGridText(false, QStringLiteral(";"), QStringLiteral("\n"), false,
                            QStringLiteral("a;b;c\n\nd\n"));
    EXPECT_EQ(g.Rows(), 3);
    EXPECT_EQ(g.Cols(), 4); // one fixed column and three of data
    EXPECT_EQ(g.TextMatrix(1, 3), QStringLiteral("c"));
    EXPECT_EQ(g.TextMatrix(2, 1), QStringLiteral("d"));
    EXPECT_EQ(g.TextMatrix(2, 0), QString());
    EXPECT_EQ(w.log, (QStringList{QStringLiteral("RowAdd 1"), QStringLiteral("RowAdd 2")}));
    // Keeping the columns.
    w.editGrid->setGridText(false, QStringLiteral("\t"), QStringLiteral("\n"), true,
                            QStringLiteral("x\n"));
    EXPECT_EQ(g.Cols(), 4);
    EXPECT_EQ(g.Rows(), 2);
    // An empty text leaves one empty data row.
    w.editGrid->setGridText(false, QStringLiteral("\t"), QStringLiteral("\n"), false, QString());
    EXPECT_EQ(g.Rows(), 2);
    EXPECT_EQ(g.TextMatrix(1, 1), QString());
}

TEST_F(EditGridTest, FocusColoursAndVisibleRows) {
    const QPalette palette = QApplication::palette();
    w.editGrid->FocusColorsSet(false);
    EXPECT_EQ(g.BackColorSel(), palette.color(QPalette::Active, QPalette::Button));
    w.editGrid->FocusColorsSet(true);
    EXPECT_EQ(g.BackColorSel(), palette.color(QPalette::Active, QPalette::Highlight));
    w.editGrid->HandleFocusColors = false;
    w.editGrid->FocusColorsSet(false);
    EXPECT_EQ(g.BackColorSel(), palette.color(QPalette::Active, QPalette::Highlight));

    g.setRows(200);
    w.editGrid->EnsureVisibleRow(150);
    EXPECT_GT(g.TopRow(), 100);
    // Row 150 is the lowest fully visible row.
    EXPECT_LE(g.RowPos(150) + g.RowHeight(150), g.viewport()->height());
    EXPECT_GT(g.RowPos(151) + g.RowHeight(151), g.viewport()->height());
    w.editGrid->EnsureVisibleRow(3);
    EXPECT_EQ(g.TopRow(), 3);
    const int top = g.TopRow();
    w.editGrid->EnsureVisibleRow(top + 1);
    EXPECT_EQ(g.TopRow(), top);
}

TEST_F(EditGridTest, ComboBoxAsInputObject) {
    auto* combo = new QComboBox(&w);
    combo->addItems({QStringLiteral("Sand"), QStringLiteral("Schluff"), QStringLiteral("Ton")});
    combo->hide();
    w.editGrid->setInputObject(combo);
    EXPECT_EQ(w.editGrid->InputObject(), combo);
    w.editGrid->setInputObject(new QWidget(&w)); // not an input object: not kept
    EXPECT_EQ(w.editGrid->InputObject(), nullptr);
    w.editGrid->setInputObject(combo);
    g.setTextMatrix(1, 1, QStringLiteral("Schlamm"));
    w.editGrid->Refresh();
    // No exact entry: the one sharing the longest leading part.
    EXPECT_EQ(combo->currentText(), QStringLiteral("Schluff"));
    g.setTextMatrix(1, 1, QStringLiteral("Ton"));
    w.editGrid->Refresh();
    EXPECT_EQ(combo->currentIndex(), 2);
    g.setTextMatrix(1, 1, QStringLiteral("Kies"));
    w.editGrid->Refresh();
    EXPECT_EQ(combo->currentIndex(), -1);
    QTest::keyClick(&g, Qt::Key_F2);
    EXPECT_TRUE(combo->isVisible());
    combo->setCurrentIndex(0);
    QTest::keyClick(combo, Qt::Key_Return);
    EXPECT_EQ(g.TextMatrix(1, 1), QStringLiteral("Sand"));
}

TEST_F(EditGridTest, PrintsTheCellsOntoAnImage) {
    QImage page(600, 400, QImage::Format_RGB32);
    page.fill(Qt::white);
    g.setColWidth(0, 100);
    g.setColWidth(1, 150);
    g.setColWidth(2, 150);
    w.editGrid->PrintToPrinter(&page, false, true);
    int inked = 0;
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x)
            inked += page.pixel(x, y) != qRgb(255, 255, 255);
    EXPECT_GT(inked, 100);
    // Nothing lands right of the grid's total width.
    for (int y = 0; y < page.height(); ++y)
        for (int x = 410; x < page.width(); ++x)
            ASSERT_EQ(page.pixel(x, y), qRgb(255, 255, 255)) << x << "," << y;
    // Onto one page: a grid larger than the page is scaled down.
    QImage small(200, 100, QImage::Format_RGB32);
    small.fill(Qt::white);
    w.editGrid->PrintToPrinter(&small, true, true);
    QRect ink;
    for (int y = 0; y < small.height(); ++y)
        for (int x = 0; x < small.width(); ++x)
            if (small.pixel(x, y) != qRgb(255, 255, 255))
                ink |= QRect(x, y, 1, 1);
    EXPECT_GE(ink.right(), 190); // the whole width, scaled, fits the page
    EXPECT_LE(ink.right(), 199);
    w.editGrid->PrintToPrinter(nullptr, true, true);
}

TEST_F(EditGridTest, FailuresDuringAnEditNeverEscapeIntoTheEventLoop) {
    // The edited row goes away while the editor is open.
    g.setCurrentCell(3, 1);
    QTest::keyClick(&g, Qt::Key_F2);
    ASSERT_TRUE(w.input->isVisible());
    g.setRows(2);
    w.log.clear();
    QTest::keyClick(w.input, Qt::Key_Return);
    EXPECT_FALSE(w.input->isVisible());
    EXPECT_FALSE(w.editGrid->isEditing());
    EXPECT_EQ(w.log.last(), QStringLiteral("ProcessReady"));
    EXPECT_TRUE(g.Redraw());

    // A handler that fails: the cell keeps its text, the grid goes on.
    QObject::connect(w.editGrid, &clsEditGrid::AfterCellEdit, &w,
                     [](int, int, QString&, bool&) { rt::raiseError(rt::err::TypeMismatch); });
    g.setCurrentCell(1, 1);
    QTest::keyClick(&g, Qt::Key_Q);
    QTest::keyClick(w.input, Qt::Key_Return);
    EXPECT_EQ(g.TextMatrix(1, 1), QStringLiteral("1:1"));
    EXPECT_TRUE(g.Redraw());
    EXPECT_FALSE(w.input->isVisible());
}

// A handler that throws anything but a runtime error (those are reported)
// hands the exception to the code that ended the edit: the edit is closed,
// the cell holds what was written before the failure, and the grid goes on.
TEST_F(EditGridTest, AThrowingHandlerLeavesTheEditClosedAndTheGridUsable) {
    enum Handler { None, Check, Write, Edited };
    Handler failing = None;
    QList<bool> editingWhenEdited;
    auto fail = [&](Handler h) {
        if (failing == h)
            throw std::runtime_error("Handler");
    };
    QObject::connect(w.editGrid, &clsEditGrid::ValidateCellEdit, &w,
                     [&](int, int, const QString&, QString&) { fail(Check); });
    QObject::connect(w.editGrid, &clsEditGrid::AfterCellEdit, &w,
                     [&](int, int, QString&, bool&) { fail(Write); });
    QObject::connect(w.editGrid, &clsEditGrid::CellsEdited, &w, [&](int) {
        editingWhenEdited.append(w.editGrid->isEditing());
        fail(Edited);
    });
    const struct {
        Handler handler;
        const char* cell; // the cell's text afterwards
    } cases[] = {{Check, "1:1"}, {Write, "1:1"}, {Edited, "neu"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(int(c.handler));
        g.setTextMatrix(1, 1, QStringLiteral("1:1"));
        g.setCurrentCell(1, 1);
        failing = c.handler;
        QTest::keyClick(&g, Qt::Key_F2);
        ASSERT_TRUE(w.editGrid->isEditing());
        w.input->setText(QStringLiteral("neu"));
        EXPECT_THROW(w.editGrid->EndEdit(false), std::runtime_error);
        EXPECT_FALSE(w.editGrid->isEditing());
        EXPECT_FALSE(w.input->isVisible());
        EXPECT_TRUE(g.hasFocus());
        EXPECT_TRUE(g.Redraw());
        EXPECT_EQ(g.TextMatrix(1, 1), QString::fromUtf8(c.cell));
        EXPECT_EQ(w.input->text(), QString::fromUtf8(c.cell));
        // The next key opens an editor again, and Return commits and moves on.
        failing = None;
        QTest::keyClick(&g, Qt::Key_7);
        EXPECT_TRUE(w.editGrid->isEditing());
        QTest::keyClick(w.input, Qt::Key_Return);
        EXPECT_EQ(g.TextMatrix(1, 1), QStringLiteral("7"));
        EXPECT_EQ(g.Col(), 2);
        EXPECT_FALSE(w.editGrid->isEditing());
    }
    // The host hears of the cells written with the edit closed.
    EXPECT_EQ(editingWhenEdited, QList<bool>(4, false));
}

// Pasting over the cells is an edit of each cell: the host sees every value
// and may change or refuse it; of a block that does not fit, what fits is written.
TEST_F(EditGridTest, PastingOverCellsRaisesAfterCellEditForEachCell) {
    RecordingMessages messages;
    w.editGrid->ClipboardPasteInsertLines = false;
    w.editGrid->ClipboardDoWholeLine = false;
    QObject::connect(w.editGrid, &clsEditGrid::AfterCellEdit, &w,
                     [](int, int col, QString& value, bool& cancel) {
                         value = value.toUpper();
                         cancel = col == 1 && value == u"NEIN";
                     });
    QList<int> edited; // each paste is one command, announced with no edit open
    QObject::connect(w.editGrid, &clsEditGrid::CellsEdited, &w,
                     [&](int how) { edited.append(w.editGrid->isEditing() ? -1 : how); });
    QApplication::clipboard()->setText(QStringLiteral("a\tb\r\nnein\td\r\n"));
    g.setCurrentCell(2, 1);
    w.log.clear();
    QTest::keyClick(&g, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(w.log, (QStringList{QStringLiteral("AfterCellEdit 2,1 a"),
                                  QStringLiteral("AfterCellEdit 2,2 b"),
                                  QStringLiteral("AfterCellEdit 3,1 nein"),
                                  QStringLiteral("AfterCellEdit 3,2 d")}));
    EXPECT_EQ(g.TextMatrix(2, 1), QStringLiteral("A"));
    EXPECT_EQ(g.TextMatrix(2, 2), QStringLiteral("B"));
    EXPECT_EQ(g.TextMatrix(3, 1), QStringLiteral("3:1")); // refused
    EXPECT_EQ(g.TextMatrix(3, 2), QStringLiteral("D"));
    EXPECT_EQ(g.Rows(), 4);
    EXPECT_TRUE(messages.texts.isEmpty());
    EXPECT_EQ(edited, QList<int>{clsEditGrid::EditedByPaste});

    // One line and one column too many: what fits is written, then the message.
    QApplication::clipboard()->setText(QStringLiteral("x\ty\nz\tw\nq\tr\n"));
    g.setCurrentCell(2, 2);
    w.log.clear();
    QTest::keyClick(&g, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(w.log, (QStringList{QStringLiteral("AfterCellEdit 2,2 x"),
                                  QStringLiteral("AfterCellEdit 3,2 z")}));
    EXPECT_EQ(g.TextMatrix(2, 2), QStringLiteral("X"));
    EXPECT_EQ(g.TextMatrix(3, 2), QStringLiteral("Z"));
    EXPECT_EQ(g.Rows(), 4);
    ASSERT_EQ(messages.texts.size(), 1);
    EXPECT_TRUE(messages.texts[0].endsWith(QStringLiteral("(381)")));
    EXPECT_EQ(edited, QList<int>(2, clsEditGrid::EditedByPaste));
}

// What a user does with the editor open: paste a spreadsheet cell, double-click
// a cell, press Enter, press Alt with a letter.
TEST_F(EditGridTest, TheEditorBehavesAsAUserExpects) {
    // A spreadsheet cell on the clipboard ends with CR LF; the cell gets the value.
    QTest::keyClick(&g, Qt::Key_F2);
    ASSERT_TRUE(w.input->isVisible());
    w.input->clear();
    QApplication::clipboard()->setText(QStringLiteral("41,7\r\n"));
    QTest::keyClick(w.input, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(w.input->text(), QStringLiteral("41,7"));

    // Enter keeps the focus in the grid: the next control never sees it.
    auto* neighbour = new QLineEdit(&w);
    neighbour->show();
    QWidget::setTabOrder(w.input, neighbour);
    QWidget::setTabOrder(&g, neighbour);
    int focusIns = 0;
    struct Counter : QObject {
        int* count;
        explicit Counter(int* c) : count(c) {}
        bool eventFilter(QObject*, QEvent* e) override {
            if (e->type() == QEvent::FocusIn)
                ++*count;
            return false;
        }
    } counter(&focusIns);
    neighbour->installEventFilter(&counter);
    QTest::keyClick(w.input, Qt::Key_Return);
    EXPECT_EQ(g.TextMatrix(1, 1), QStringLiteral("41,7"));
    EXPECT_TRUE(g.hasFocus());
    EXPECT_EQ(focusIns, 0);
    QTest::keyClick(&g, Qt::Key_5);
    QTest::keyClick(w.input, Qt::Key_Escape);
    EXPECT_TRUE(g.hasFocus());
    EXPECT_EQ(focusIns, 0);
    neighbour->removeEventFilter(&counter);

    // A double click opens the editor once.
    w.log.clear();
    const QPoint cell = cellCenter(g, 3, 2);
    QTest::mouseClick(g.viewport(), Qt::LeftButton, {}, cell);
    QTest::mouseDClick(g.viewport(), Qt::LeftButton, {}, cell);
    EXPECT_EQ(w.log.filter(QStringLiteral("BeforeCellEdit")),
              QStringList{QStringLiteral("BeforeCellEdit 3,2 3:2")});
    QTest::keyClick(w.input, Qt::Key_Escape);

    // Alt with a letter that is no access key starts no edit.
    w.log.clear();
    QTest::keyClick(&g, Qt::Key_Q, Qt::AltModifier);
    EXPECT_FALSE(w.input->isVisible());
    EXPECT_TRUE(w.log.filter(QStringLiteral("BeforeCellEdit")).isEmpty());
}

namespace {

// Presses a modifier on its own, as a keyboard does before the key it modifies.
void press(QWidget* w, Qt::Key modifier) {
    QTest::keyPress(w, modifier);
}
void release(QWidget* w, Qt::Key modifier, Qt::KeyboardModifiers held = {}) {
    QTest::keyRelease(w, modifier, held);
}

} // namespace

TEST_F(EditGridTest, KeysTheEditorDoesNotUseNeverEndOrLoseTheEdit) {
    // Modifiers pressed on their own, Ctrl+A, an upper-case letter and Alt.
    QTest::keyClick(&g, Qt::Key_F2);
    ASSERT_TRUE(w.editGrid->isEditing());
    press(w.input, Qt::Key_Control);
    QTest::keyClick(w.input, Qt::Key_A, Qt::ControlModifier);
    release(w.input, Qt::Key_Control, Qt::ControlModifier);
    EXPECT_EQ(w.input->selectedText(), QStringLiteral("1:1"));
    press(w.input, Qt::Key_Shift);
    QTest::keyClick(w.input, Qt::Key_ParenLeft, Qt::ShiftModifier);
    release(w.input, Qt::Key_Shift, Qt::ShiftModifier);
    QTest::keyClick(w.input, Qt::Key_3);
    press(w.input, Qt::Key_Shift);
    QTest::keyClick(w.input, Qt::Key_ParenRight, Qt::ShiftModifier);
    QTest::keyClick(w.input, 'X', Qt::ShiftModifier);
    release(w.input, Qt::Key_Shift, Qt::ShiftModifier);
    press(w.input, Qt::Key_Alt);
    release(w.input, Qt::Key_Alt, Qt::AltModifier);
    EXPECT_TRUE(w.editGrid->isEditing());
    EXPECT_TRUE(w.input->hasFocus());
    EXPECT_EQ(w.input->text(), QStringLiteral("(3)X"));
    EXPECT_EQ(w.log, QStringList{QStringLiteral("BeforeCellEdit 1,1 1:1")});
    // Enter still commits.
    QTest::keyClick(w.input, Qt::Key_Return);
    EXPECT_EQ(g.TextMatrix(1, 1), QStringLiteral("(3)X"));
    EXPECT_FALSE(w.editGrid->isEditing());

    // Escape still cancels after such keys.
    QTest::keyClick(&g, Qt::Key_F2);
    QTest::keyClicks(w.input, QStringLiteral("neu"));
    press(w.input, Qt::Key_Control);
    release(w.input, Qt::Key_Control, Qt::ControlModifier);
    QTest::keyClick(w.input, Qt::Key_Escape);
    EXPECT_FALSE(w.editGrid->isEditing());
    EXPECT_EQ(g.TextMatrix(1, 2), QStringLiteral("1:2"));
}

TEST_F(EditGridTest, UpDownAndPageKeysInTheEditorCommitAndMove) {
    GridWindow big(40, 3);
    big.fill();
    ASSERT_TRUE(big.showActive());
    FlexGrid& b = *big.grid;
    b.setCurrentCell(5, 2);
    QTest::keyClick(&b, Qt::Key_9);
    QTest::keyClick(big.input, Qt::Key_5);
    QTest::keyClick(big.input, Qt::Key_Up);
    EXPECT_EQ(b.TextMatrix(5, 2), QStringLiteral("95"));
    EXPECT_EQ(b.Row(), 4);
    EXPECT_EQ(b.Col(), 2);
    EXPECT_TRUE(b.hasFocus());
    QTest::keyClick(&b, Qt::Key_7);
    QTest::keyClick(big.input, Qt::Key_Down);
    EXPECT_EQ(b.TextMatrix(4, 2), QStringLiteral("7"));
    EXPECT_EQ(b.Row(), 5);
    QTest::keyClick(&b, Qt::Key_1);
    QTest::keyClick(big.input, Qt::Key_PageDown);
    EXPECT_EQ(b.TextMatrix(5, 2), QStringLiteral("1"));
    EXPECT_GT(b.Row(), 6);
    EXPECT_FALSE(big.editGrid->isEditing());
    // Left and Right stay in the editor's text.
    QTest::keyClick(&b, Qt::Key_F2);
    QTest::keyClick(big.input, Qt::Key_Left);
    EXPECT_TRUE(big.editGrid->isEditing());
    QTest::keyClick(big.input, Qt::Key_Escape);
}

TEST_F(EditGridTest, TabMovesFromCellToCellAndCtrlTabLeavesTheGrid) {
    auto* neighbour = new QLineEdit(&w);
    neighbour->show();
    QWidget::setTabOrder(&g, neighbour);
    // Without an edit: right, wrapping to the next row, and back.
    QTest::keyClick(&g, Qt::Key_Tab);
    EXPECT_EQ(g.Col(), 2);
    QTest::keyClick(&g, Qt::Key_Tab);
    EXPECT_EQ(g.Row(), 2);
    EXPECT_EQ(g.Col(), 1);
    press(&g, Qt::Key_Shift);
    QTest::keyClick(&g, Qt::Key_Backtab, Qt::ShiftModifier);
    release(&g, Qt::Key_Shift, Qt::ShiftModifier);
    EXPECT_EQ(g.Row(), 1);
    EXPECT_EQ(g.Col(), 2);
    EXPECT_TRUE(g.hasFocus());
    // With an edit: it is committed, then the next cell.
    QTest::keyClick(&g, Qt::Key_4);
    QTest::keyClick(w.input, Qt::Key_Tab);
    EXPECT_EQ(g.TextMatrix(1, 2), QStringLiteral("4"));
    EXPECT_EQ(g.Row(), 2);
    EXPECT_EQ(g.Col(), 1);
    // Return, Tab, typing: nothing typed is lost.
    QTest::keyClick(&g, Qt::Key_5);
    QTest::keyClick(w.input, Qt::Key_Return);
    QTest::keyClick(&g, Qt::Key_Tab);
    QTest::keyClick(&g, Qt::Key_6);
    QTest::keyClick(w.input, Qt::Key_Tab);
    EXPECT_EQ(g.TextMatrix(2, 1), QStringLiteral("5"));
    EXPECT_EQ(g.TextMatrix(3, 1), QStringLiteral("6"));
    EXPECT_TRUE(g.hasFocus());
    // The last cell stays the last.
    g.setCurrentCell(3, 2);
    QTest::keyClick(&g, Qt::Key_Tab);
    EXPECT_EQ(g.Row(), 3);
    EXPECT_EQ(g.Col(), 2);
    // Ctrl+Tab leaves the grid, committing an open edit.
    QTest::keyClick(&g, Qt::Key_8);
    press(w.input, Qt::Key_Control);
    QTest::keyClick(w.input, Qt::Key_Tab, Qt::ControlModifier);
    release(neighbour, Qt::Key_Control, Qt::ControlModifier);
    EXPECT_EQ(g.TextMatrix(3, 2), QStringLiteral("8"));
    EXPECT_TRUE(neighbour->hasFocus());
}

TEST_F(EditGridTest, ABlockPastedIntoTheEditorGoesOverTheCells) {
    w.editGrid->ClipboardDoWholeLine = false;
    w.editGrid->ClipboardPasteInsertLines = false;
    QList<int> edited;
    QObject::connect(w.editGrid, &clsEditGrid::CellsEdited, &w,
                     [&](int how) { edited.append(w.editGrid->isEditing() ? -1 : how); });
    g.setCurrentCell(2, 1);
    QTest::keyClick(&g, Qt::Key_F2);
    // One value goes into the editor.
    QApplication::clipboard()->setText(QStringLiteral("7,5"));
    press(w.input, Qt::Key_Control);
    QTest::keyClick(w.input, Qt::Key_V, Qt::ControlModifier);
    release(w.input, Qt::Key_Control, Qt::ControlModifier);
    EXPECT_EQ(w.input->text(), QStringLiteral("7,5"));
    EXPECT_TRUE(w.editGrid->isEditing());
    // A block ends the edit and is pasted from the edited cell.
    QApplication::clipboard()->setText(QStringLiteral("a\tb\r\nc\td\r\n"));
    press(w.input, Qt::Key_Control);
    QTest::keyClick(w.input, Qt::Key_V, Qt::ControlModifier);
    release(&g, Qt::Key_Control, Qt::ControlModifier);
    EXPECT_FALSE(w.editGrid->isEditing());
    EXPECT_FALSE(w.input->isVisible());
    EXPECT_TRUE(g.hasFocus());
    EXPECT_EQ(g.TextMatrix(2, 1), QStringLiteral("a"));
    EXPECT_EQ(g.TextMatrix(2, 2), QStringLiteral("b"));
    EXPECT_EQ(g.TextMatrix(3, 1), QStringLiteral("c"));
    EXPECT_EQ(g.TextMatrix(3, 2), QStringLiteral("d"));
    EXPECT_EQ(
        w.log.filter(QStringLiteral("AfterCellEdit")),
        (QStringList{QStringLiteral("AfterCellEdit 2,1 7,5"), QStringLiteral("AfterCellEdit 2,1 a"),
                     QStringLiteral("AfterCellEdit 2,2 b"), QStringLiteral("AfterCellEdit 3,1 c"),
                     QStringLiteral("AfterCellEdit 3,2 d")}));
    // The open edit is one command, the block another.
    EXPECT_EQ(edited, (QList<int>{clsEditGrid::EditedByTyping, clsEditGrid::EditedByPaste}));
}

TEST_F(EditGridTest, ARefusedTextStaysInTheEditorForCorrection) {
    RecordingMessages messages;
    w.editGrid->ClipboardDoWholeLine = false;
    w.editGrid->ClipboardPasteInsertLines = false;
    QObject::connect(w.editGrid, &clsEditGrid::ValidateCellEdit, &w,
                     [](int r, int c, const QString& text, QString& refusal) {
                         if (text.contains(u'.'))
                             refusal = QStringLiteral("„%1“ in %2,%3 nein").arg(text).arg(r).arg(c);
                     });
    QTest::keyClick(&g, Qt::Key_9);
    QTest::keyClicks(w.input, QStringLiteral("5.8"));
    QTest::keyClick(w.input, Qt::Key_Return);
    EXPECT_EQ(messages.texts, QStringList{QStringLiteral("„95.8“ in 1,1 nein")});
    EXPECT_EQ(messages.icons, QList<MessageService::Icon>{MessageService::Warning});
    EXPECT_TRUE(w.editGrid->isEditing());
    EXPECT_TRUE(w.input->isVisible());
    EXPECT_TRUE(w.input->hasFocus());
    EXPECT_EQ(w.input->text(), QStringLiteral("95.8"));
    EXPECT_EQ(g.TextMatrix(1, 1), QStringLiteral("1:1"));
    EXPECT_FALSE(w.editGrid->EndEdit(false)); // from code too

    // The focus going elsewhere says nothing and keeps the edit; a click on
    // another cell shows the refusal and returns to the edited cell.
    messages.clear();
    auto* neighbour = new QLineEdit(&w);
    neighbour->show();
    neighbour->setFocus();
    EXPECT_TRUE(messages.texts.isEmpty());
    EXPECT_TRUE(w.editGrid->isEditing());
    QTest::mouseClick(g.viewport(), Qt::LeftButton, {}, cellCenter(g, 3, 2));
    EXPECT_EQ(messages.texts.size(), 1);
    EXPECT_EQ(g.Row(), 1);
    EXPECT_EQ(g.Col(), 1);
    EXPECT_TRUE(w.editGrid->isEditing());
    EXPECT_TRUE(w.input->hasFocus());
    EXPECT_EQ(w.input->text(), QStringLiteral("95.8"));

    // Corrected, it is committed.
    w.input->setText(QStringLiteral("95,8"));
    QTest::keyClick(w.input, Qt::Key_Return);
    EXPECT_EQ(g.TextMatrix(1, 1), QStringLiteral("95,8"));
    EXPECT_FALSE(w.editGrid->isEditing());

    // A block with one refused value writes nothing.
    messages.clear();
    QApplication::clipboard()->setText(QStringLiteral("1\t2\r\n3\t4.5\r\n"));
    g.setCurrentCell(2, 1);
    QTest::keyClick(&g, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(messages.texts, QStringList{QStringLiteral("„4.5“ in 3,2 nein")});
    EXPECT_EQ(messages.icons, QList<MessageService::Icon>{MessageService::Warning});
    EXPECT_EQ(g.TextMatrix(2, 1), QStringLiteral("2:1"));
    EXPECT_EQ(g.TextMatrix(3, 2), QStringLiteral("3:2"));
}

TEST_F(EditGridTest, TheEditorStaysOverItsCellInsideTheDataAreaWithFocusedColours) {
    GridWindow big(200, 3);
    big.fill();
    ASSERT_TRUE(big.showActive());
    FlexGrid& b = *big.grid;
    big.editGrid->FocusColorsSet(false);
    b.setCurrentCell(2, 1);
    QTest::keyClick(&b, Qt::Key_F2);
    ASSERT_TRUE(big.input->isVisible());
    // Scrolled: the editor moves with its cell and is clipped to the data
    // area, which does not include the fixed header.
    b.setTopRow(5);
    QCoreApplication::processEvents();
    EXPECT_EQ(big.input->parentWidget(), b.viewport());
    EXPECT_EQ(big.input->geometry().topLeft(), b.cellRect(2, 1).topLeft() + QPoint(1, 1));
    EXPECT_LT(big.input->geometry().bottom(), 0);
    b.setTopRow(1);
    QCoreApplication::processEvents();
    EXPECT_EQ(big.input->geometry().topLeft(), b.cellRect(2, 1).topLeft() + QPoint(1, 1));
    EXPECT_TRUE(big.editGrid->isEditing());
    // The grid shows its unfocused selection; the editor's selection keeps
    // the colours of a focused field.
    const QPalette app = QApplication::palette();
    EXPECT_NE(b.BackColorSel(), app.color(QPalette::Active, QPalette::Highlight));
    EXPECT_EQ(big.input->palette().color(QPalette::Active, QPalette::Highlight),
              app.color(QPalette::Active, QPalette::Highlight));
    EXPECT_EQ(big.input->palette().color(QPalette::Inactive, QPalette::HighlightedText),
              app.color(QPalette::Active, QPalette::HighlightedText));
    QTest::keyClick(big.input, Qt::Key_Escape);
}

// An edit left open by a refusal (the focus went elsewhere): Escape in the
// grid abandons it, another key asks for the correction first.
TEST_F(EditGridTest, EscapeInTheGridAbandonsARefusedEdit) {
    RecordingMessages messages;
    QObject::connect(w.editGrid, &clsEditGrid::ValidateCellEdit, &w,
                     [](int, int, const QString& text, QString& refusal) {
                         if (text == QStringLiteral("x"))
                             refusal = QStringLiteral("nein");
                     });
    QTest::keyClick(&g, Qt::Key_X);
    ASSERT_TRUE(w.editGrid->isEditing());
    g.setFocus(); // the focus leaves quietly; the edit stays
    EXPECT_TRUE(w.editGrid->isEditing());
    EXPECT_TRUE(messages.texts.isEmpty());
    QTest::keyClick(&g, Qt::Key_Down);
    EXPECT_EQ(messages.texts, QStringList{QStringLiteral("nein")});
    EXPECT_EQ(g.Row(), 1);
    g.setFocus();
    QTest::keyClick(&g, Qt::Key_Escape);
    EXPECT_FALSE(w.editGrid->isEditing());
    EXPECT_EQ(g.TextMatrix(1, 1), QStringLiteral("1:1"));
}
