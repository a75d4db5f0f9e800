#include "SorbelTestSupport.h"

#include <QTableView>

#include <QHeaderView>
#include <QHelpEvent>
#include <QSignalSpy>
#include <QToolTip>

TEST(FlexGridTest, ModelRowsColumnsAndData) {
    FlexGrid g;
    EXPECT_EQ(g.Rows(), 2);
    EXPECT_EQ(g.Cols(), 2);
    EXPECT_EQ(g.FixedRows(), 1);
    EXPECT_EQ(g.FixedCols(), 1);
    EXPECT_EQ(g.Row(), 1);
    EXPECT_EQ(g.Col(), 1);
    EXPECT_TRUE(g.horizontalHeader()->isHidden());
    EXPECT_TRUE(g.verticalHeader()->isHidden());
    g.setCols(3);
    g.AddItem(QStringLiteral("a\tb\tc"));
    g.AddItem(QStringLiteral("x"), 1);
    EXPECT_EQ(g.Rows(), 4);
    EXPECT_EQ(g.TextMatrix(1, 0), QStringLiteral("x"));
    EXPECT_EQ(g.TextMatrix(3, 2), QStringLiteral("c"));
    EXPECT_EQ(errorNumberOf([&] { g.AddItem(QStringLiteral("1\t2\t3\t4")); }),
              rt::err::InvalidPropertyArrayIndex);
    EXPECT_EQ(errorNumberOf([&] { g.AddItem(QString(), 9); }), rt::err::InvalidPropertyArrayIndex);
    EXPECT_EQ(errorNumberOf([&] { g.TextMatrix(4, 0); }), rt::err::InvalidPropertyArrayIndex);
    EXPECT_EQ(errorNumberOf([&] { g.setTextMatrix(0, 3, QString()); }),
              rt::err::InvalidPropertyArrayIndex);
    // Row data moves with its row.
    g.setRowData(3, 7);
    g.AddItem(QString(), 1);
    EXPECT_EQ(g.RowData(4), 7);
    EXPECT_EQ(g.RowData(3), 0);
    g.setColData(2, 5);
    EXPECT_EQ(g.ColData(2), 5);
    g.RemoveItem(1);
    EXPECT_EQ(g.RowData(3), 7);
    // The last non-fixed row stays.
    g.setRows(2);
    EXPECT_EQ(errorNumberOf([&] { g.RemoveItem(1); }), rt::err::InvalidPropertyArrayIndex);
    g.setRows(0);
    EXPECT_EQ(g.Row(), -1);
    g.setRows(5);
    EXPECT_EQ(g.Row(), 1);
    // Alignment: general by default, numbers to the right.
    EXPECT_EQ(g.ColAlignment(1), FlexGrid::flexAlignGeneral);
    g.setColAlignment(1, FlexGrid::flexAlignCenterTop);
    EXPECT_EQ(g.ColAlignment(1), FlexGrid::flexAlignCenterTop);
    EXPECT_EQ(g.ColAlignment(0), FlexGrid::flexAlignLeftCenter);
}

TEST(FlexGridTest, KeyboardAndMouseMoveTheCurrentCellAndTheSelection) {
    GridWindow w(6, 4);
    w.editGrid->setActive(false); // the bare grid
    ASSERT_TRUE(w.showActive());
    FlexGrid& g = *w.grid;
    QSignalSpy leave(&g, &FlexGrid::LeaveCell), enter(&g, &FlexGrid::EnterCell);
    QTest::keyClick(&g, Qt::Key_Right);
    EXPECT_EQ(g.Col(), 2);
    EXPECT_EQ(leave.count(), 1);
    EXPECT_EQ(enter.count(), 1);
    QTest::keyClick(&g, Qt::Key_Left);
    QTest::keyClick(&g, Qt::Key_Left); // the fixed column is not entered
    EXPECT_EQ(g.Col(), 1);
    QTest::keyClick(&g, Qt::Key_Down, Qt::ShiftModifier);
    QTest::keyClick(&g, Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(g.Row(), 1);
    EXPECT_EQ(g.RowSel(), 2);
    EXPECT_EQ(g.ColSel(), 2);
    QTest::keyClick(&g, Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(g.Row(), 5);
    EXPECT_EQ(g.Col(), 3);
    EXPECT_EQ(g.RowSel(), 5);
    QTest::keyClick(&g, Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(g.Row(), 1);
    EXPECT_EQ(g.Col(), 1);

    // Key codes and characters as the desktop reports them.
    QList<int> codes, shifts, characters;
    QObject::connect(&g, &FlexGrid::KeyDown, &g, [&](int& code, int shift) {
        codes.append(code);
        shifts.append(shift);
    });
    QObject::connect(&g, &FlexGrid::KeyPress, &g, [&](int& c) { characters.append(c); });
    QTest::keyClick(&g, Qt::Key_F2);
    QTest::keyClick(&g, Qt::Key_A);
    QTest::keyClick(&g, Qt::Key_Insert, Qt::ControlModifier); // Ctrl goes down first
    QTest::keyClick(&g, Qt::Key_Return);
    QTest::keyClick(&g, Qt::Key_Escape);
    QTest::keyClick(&g, Qt::Key_F5);
    QTest::keyClick(&g, Qt::Key_Delete);
    EXPECT_EQ(codes, (QList<int>{113, 65, 17, 45, 13, 27, 116, 46}));
    EXPECT_EQ(shifts, (QList<int>{0, 0, 2, 2, 0, 0, 0, 0}));
    EXPECT_EQ(characters, (QList<int>{'a', 13, 27}));

    // A click selects, a shift-click extends, fixed cells are not entered.
    QTest::mouseClick(g.viewport(), Qt::LeftButton, {}, g.cellRect(3, 2).center());
    EXPECT_EQ(g.Row(), 3);
    EXPECT_EQ(g.Col(), 2);
    QTest::mouseClick(g.viewport(), Qt::LeftButton, Qt::ShiftModifier, g.cellRect(4, 3).center());
    EXPECT_EQ(g.Row(), 3);
    EXPECT_EQ(g.RowSel(), 4);
    EXPECT_EQ(g.ColSel(), 3);
    // The fixed cells lie outside the data area; a click on them changes nothing.
    const QPoint header = g.viewport()->mapTo(&g, g.cellRect(0, 2).center());
    QWidget* fixed = g.childAt(header);
    ASSERT_TRUE(fixed);
    QTest::mouseClick(fixed, Qt::LeftButton, {}, fixed->mapFrom(&g, header));
    EXPECT_EQ(g.Row(), 3);
    EXPECT_EQ(g.Col(), 2);
}

// The fixed rows and columns stay where they are while the data scrolls,
// and the scroll position counts data rows below them.
TEST(FlexGridTest, FixedCellsStayInPlaceOverTenThousandRows) {
    GridWindow w(10001, 4);
    w.grid->setFixedCols(2);
    w.grid->setTextMatrix(0, 3, QStringLiteral("Kopf"));
    w.grid->setTextMatrix(9000, 1, QStringLiteral("links"));
    ASSERT_TRUE(w.showActive());
    FlexGrid& g = *w.grid;
    EXPECT_EQ(g.TopRow(), 1);
    EXPECT_EQ(g.RowPos(1), 0);
    EXPECT_EQ(g.RowPos(0), -g.RowHeight(0));
    EXPECT_EQ(g.ColPos(2), 0);
    EXPECT_EQ(g.ColPos(0), -g.ColWidth(0) - g.ColWidth(1));
    g.setTopRow(9000);
    EXPECT_EQ(g.TopRow(), 9000);
    EXPECT_EQ(g.RowPos(9000), 0);
    // What is drawn at the header's place is still the header row, and at the
    // left the fixed column of the rows shown.
    auto shownAt = [&g](const QPoint& inGrid) {
        auto* view = qobject_cast<QTableView*>(g.childAt(inGrid)->parentWidget());
        if (!view || view == &g)
            return QModelIndex();
        return view->indexAt(view->viewport()->mapFrom(&g, inGrid));
    };
    const QPoint headerCell = g.viewport()->mapTo(&g, g.cellRect(0, 3).center());
    EXPECT_EQ(shownAt(headerCell).row(), 0);
    EXPECT_EQ(shownAt(headerCell).column(), 3);
    const QPoint leftCell = g.viewport()->mapTo(&g, g.cellRect(9000, 1).center());
    EXPECT_EQ(shownAt(leftCell).row(), 9000);
    EXPECT_EQ(shownAt(leftCell).column(), 1);
    // Keys never enter the fixed cells; Ctrl+Home goes to the first data cell.
    QTest::keyClick(&g, Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(g.Row(), 1);
    EXPECT_EQ(g.Col(), 2);
    EXPECT_EQ(g.TopRow(), 1);
    // Row heights of fixed rows are kept, also when they change.
    g.setRowHeight(0, 40);
    EXPECT_EQ(g.RowHeight(0), 40);
    EXPECT_EQ(g.RowPos(0), -40);
    g.setFixedRows(0);
    EXPECT_EQ(g.RowPos(0), 0);
    EXPECT_EQ(g.RowHeight(0), 40);
}

// A fixed cell's text that does not fit ends in "…" and shows whole as a tooltip.
TEST(FlexGridTest, ALongFixedTextIsCutVisiblyAndShownWholeAsATooltip) {
    GridWindow w(3, 3);
    const QString lang = QStringLiteral("Indirektes Prüfmerkmal\nDynamischer Verformungsmodul EVD");
    w.grid->setTextMatrix(0, 2, lang);
    w.grid->setColWidth(2, 90);
    w.grid->setRowHeight(0, 40);
    ASSERT_TRUE(w.showActive());
    FlexGrid& g = *w.grid;
    const QPoint cell = g.viewport()->mapTo(&g, g.cellRect(0, 2).center());
    auto* view = qobject_cast<QTableView*>(g.childAt(cell)->parentWidget());
    ASSERT_TRUE(view && view != &g);
    const QPoint at = view->viewport()->mapFrom(&g, cell);
    QHelpEvent help(QEvent::ToolTip, at, view->viewport()->mapToGlobal(at));
    QApplication::sendEvent(view->viewport(), &help);
    EXPECT_EQ(QToolTip::text(), lang);
    QToolTip::hideText();
}
