#pragma once

#include "sorbel_export.h"

#include <QColor>
#include <QTableWidget>

// A grid of text cells in the manner of the classic flex grid: fixed rows and
// columns are ordinary, non-editable cells at the top and left that stay in
// place while the data scrolls beneath them, the current
// cell (Row, Col) and the other corner of the selection (RowSel, ColSel) are
// kept by the grid itself, and every user action is reported as a
// notification. Row and column counts include the fixed ones.
class SORBEL_EXPORT FlexGrid : public QTableWidget {
    Q_OBJECT

public:
    // Cell alignments.
    enum Alignment {
        flexAlignLeftTop = 0,
        flexAlignLeftCenter = 1,
        flexAlignLeftBottom = 2,
        flexAlignCenterTop = 3,
        flexAlignCenterCenter = 4,
        flexAlignCenterBottom = 5,
        flexAlignRightTop = 6,
        flexAlignRightCenter = 7,
        flexAlignRightBottom = 8,
        flexAlignGeneral = 9,
    };

    explicit FlexGrid(QWidget* parent = nullptr);

    int Rows() const { return rowCount(); }
    void setRows(int value);
    int Cols() const { return columnCount(); }
    void setCols(int value);
    int FixedRows() const { return m_fixedRows; }
    void setFixedRows(int value);
    int FixedCols() const { return m_fixedCols; }
    void setFixedCols(int value);

    // Cell texts; an index outside the grid raises error 381.
    QString TextMatrix(int row, int col) const;
    void setTextMatrix(int row, int col, const QString& text);
    // The current cell's text.
    QString Text() const { return TextMatrix(m_row, m_col); }

    // The current cell; setting it collapses the selection onto it.
    int Row() const { return m_row; }
    void setRow(int value) { setCurrentCell(value, m_col); }
    int Col() const { return m_col; }
    void setCol(int value) { setCurrentCell(m_row, value); }
    void setCurrentCell(int row, int col);
    // The other corner of the selection rectangle.
    int RowSel() const { return m_rowSel; }
    void setRowSel(int value);
    int ColSel() const { return m_colSel; }
    void setColSel(int value);

    // A number kept with each row and column; it moves with its row.
    qint32 RowData(int row) const;
    void setRowData(int row, qint32 value);
    qint32 ColData(int col) const;
    void setColData(int col, qint32 value);

    // The first data row visible below the fixed rows.
    int TopRow() const;
    void setTopRow(int row);

    int ColWidth(int col) const;
    void setColWidth(int col, int width);
    int RowHeight(int row) const;
    void setRowHeight(int row, int height);
    int ColAlignment(int col) const;
    void setColAlignment(int col, int alignment);
    // Positions relative to the scrolling data area; fixed cells lie above
    // and left of it (at negative positions).
    int RowPos(int row) const;
    int ColPos(int col) const;
    // The cell's rectangle in the coordinates of the scrolling data area.
    QRect cellRect(int row, int col) const;

    // Inserts a row at index (at the end for -1) whose cells take the
    // tab-separated fields of item; more fields than columns raise error 381.
    void AddItem(const QString& item, int index = -1);
    // Removes a row; removing the last non-fixed row raises error 381.
    void RemoveItem(int index);

    // Moves the focus to the next (or previous) control after the grid, as
    // Ctrl+Tab does.
    void focusOutOfGrid(bool next) { focusNextPrevChild(next); }

    // Drawing on or off, for batches of changes.
    bool Redraw() const { return m_redraw; }
    void setRedraw(bool value);

    // The cell under the mouse.
    int MouseRow() const { return m_mouseRow; }
    int MouseCol() const { return m_mouseCol; }

    // Colours of the selection and of the data cells.
    QColor BackColorSel() const;
    void setBackColorSel(const QColor& color);
    QColor ForeColorSel() const;
    void setForeColorSel(const QColor& color);
    QColor BackColor() const;
    void setBackColor(const QColor& color);

signals:
    // The current cell is about to change / has changed.
    void LeaveCell();
    void EnterCell();
    void RowColChange();
    void SelChange();
    void Scroll();
    void GotFocus();
    void LostFocus();
    // Key codes as the desktop reports them (65 for A, 113 for F2, 13 for
    // Enter, 45 Insert, 46 Delete); Shift is 1 for Shift, 2 Ctrl, 4 Alt.
    void KeyDown(int& KeyCode, int Shift);
    // The character a key produced.
    void KeyPress(int& KeyAscii);
    void Click();
    void DblClick();
    // Button 1 left, 2 right, 4 middle.
    void MouseDown(int Button, int Shift, float X, float Y);
    void MouseMove(int Button, int Shift, float X, float Y);
    void MouseUp(int Button, int Shift, float X, float Y);

protected:
    // Tab and Shift+Tab are keys of the grid (reported as KeyDown 9); the
    // focus leaves with them only when no handler takes them.
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    // The fixed rows and columns are drawn by three views over the same
    // cells, beside the data area, which hides them: the corner, the fixed
    // rows above the data and the fixed columns left of it.
    void layoutFixed();
    void hideFixed();
    int fixedHeight() const;
    int fixedWidth() const;
    void checkCell(int row, int col) const;
    void showSelection();
    void clampCurrent();
    void extendSelection(int row, int col);
    void trackMouse(const QPoint& pos);

    int m_fixedRows = 1;
    int m_fixedCols = 1;
    int m_row = 1, m_col = 1, m_rowSel = 1, m_colSel = 1;
    int m_mouseRow = 0, m_mouseCol = 0;
    bool m_redraw = true;
    bool m_dragging = false;
    bool m_doubleClicked = false;
    QList<int> m_colAlignments;
    QTableView* m_corner = nullptr;
    QTableView* m_top = nullptr;
    QTableView* m_left = nullptr;
    int m_hiddenRows = 0; // fixed rows hidden in the data area, and in m_left
    int m_hiddenCols = 0; // fixed columns hidden in the data area, and in m_top
};

// The desktop's key codes, as KeyDown reports them, and the bits of its
// shift state.
namespace vk {
inline constexpr int VK_BACK = 8;
inline constexpr int VK_TAB = 9;
inline constexpr int VK_RETURN = 13;
inline constexpr int VK_SHIFT = 16;
inline constexpr int VK_CONTROL = 17;
inline constexpr int VK_MENU = 18;
inline constexpr int VK_PAUSE = 19;
inline constexpr int VK_CAPITAL = 20;
inline constexpr int VK_ESCAPE = 27;
inline constexpr int VK_SPACE = 32;
inline constexpr int VK_PRIOR = 33;
inline constexpr int VK_NEXT = 34;
inline constexpr int VK_END = 35;
inline constexpr int VK_HOME = 36;
inline constexpr int VK_LEFT = 37;
inline constexpr int VK_UP = 38;
inline constexpr int VK_RIGHT = 39;
inline constexpr int VK_DOWN = 40;
inline constexpr int VK_INSERT = 45;
inline constexpr int VK_DELETE = 46;
inline constexpr int VK_C = 67;
inline constexpr int VK_V = 86;
inline constexpr int VK_X = 88;
inline constexpr int VK_LWIN = 91;
inline constexpr int VK_APPS = 93; // the context menu key
inline constexpr int VK_F1 = 112;
inline constexpr int VK_F2 = 113;
inline constexpr int VK_F3 = 114;
inline constexpr int VK_F16 = 127;
inline constexpr int VK_NUMLOCK = 144;
inline constexpr int VK_SCROLL = 145;
inline constexpr int ShiftMask = 1;
inline constexpr int CtrlMask = 2;
inline constexpr int AltMask = 4;
inline constexpr int MetaMask = 8; // the Windows (Super) key held
} // namespace vk

// The key code of a key event as the desktop reports it, and the shift state.
SORBEL_EXPORT int keyCodeOf(const QKeyEvent* event);
SORBEL_EXPORT int shiftStateOf(Qt::KeyboardModifiers modifiers);
