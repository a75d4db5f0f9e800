#include "FlexGrid.h"

#include "Conversion.h"
#include "RuntimeError.h"

#include <QCoreApplication>
#include <QHeaderView>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QToolTip>

namespace {

// Paints fixed cells like buttons and places texts by their column's alignment.
class CellDelegate : public QStyledItemDelegate {
public:
    explicit CellDelegate(FlexGrid* grid) : QStyledItemDelegate(grid), m_grid(grid) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const bool fixed =
            index.row() < m_grid->FixedRows() || index.column() < m_grid->FixedCols();
        if (!fixed) {
            QStyledItemDelegate::paint(painter, option, index);
            return;
        }
        const QPalette& palette = option.palette;
        painter->save();
        painter->fillRect(option.rect, palette.button());
        painter->setPen(palette.mid().color());
        painter->drawLine(option.rect.topRight(), option.rect.bottomRight());
        painter->drawLine(option.rect.bottomLeft(), option.rect.bottomRight());
        painter->setPen(palette.buttonText().color());
        const QRect area = option.rect.adjusted(3, 1, -3, -1);
        painter->drawText(
            area, int(alignment(index)),
            elided(index.data(Qt::DisplayRole).toString(), option.fontMetrics, area.width()));
        painter->restore();
    }

    // A fixed cell whose text does not fit shows it whole as a tooltip.
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override {
        const QString text = index.data(Qt::DisplayRole).toString();
        const bool fixed =
            index.row() < m_grid->FixedRows() || index.column() < m_grid->FixedCols();
        if (event->type() == QEvent::ToolTip && fixed &&
            elided(text, option.fontMetrics, option.rect.width() - 6) != text) {
            QToolTip::showText(event->globalPos(), text, view);
            return true;
        }
        return QStyledItemDelegate::helpEvent(event, view, option, index);
    }

    // Each line of a text, cut with "…" where it is wider than width.
    static QString elided(const QString& text, const QFontMetrics& metrics, int width) {
        QStringList lines = text.split(u'\n');
        for (QString& line : lines)
            line = metrics.elidedText(line, Qt::ElideRight, width);
        return lines.join(u'\n');
    }

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        option->displayAlignment = alignment(index);
    }

private:
    Qt::Alignment alignment(const QModelIndex& index) const {
        int a = m_grid->ColAlignment(index.column());
        if (a == FlexGrid::flexAlignGeneral) {
            // Numbers to the right, texts to the left.
            const QString text = index.data(Qt::DisplayRole).toString();
            a = !text.isEmpty() && rt::isNumericText(text) ? FlexGrid::flexAlignRightCenter
                                                           : FlexGrid::flexAlignLeftCenter;
        }
        const Qt::Alignment horizontal = a < 3   ? Qt::AlignLeft
                                         : a < 6 ? Qt::AlignHCenter
                                                 : Qt::AlignRight;
        const Qt::Alignment vertical = a % 3 == 0   ? Qt::AlignTop
                                       : a % 3 == 1 ? Qt::AlignVCenter
                                                    : Qt::AlignBottom;
        return horizontal | vertical;
    }
    FlexGrid* m_grid;
};

// One of the views that show the fixed cells: no focus, no selection, no
// scroll bars of its own; the wheel scrolls the grid's data.
class FixedView : public QTableView {
public:
    explicit FixedView(FlexGrid* grid) : QTableView(grid), m_grid(grid) {
        setModel(grid->model());
        setItemDelegate(new CellDelegate(grid));
        horizontalHeader()->hide();
        verticalHeader()->hide();
        horizontalHeader()->setMinimumSectionSize(1);
        verticalHeader()->setMinimumSectionSize(1);
        verticalHeader()->setDefaultSectionSize(grid->verticalHeader()->defaultSectionSize());
        horizontalHeader()->setDefaultSectionSize(grid->horizontalHeader()->defaultSectionSize());
        setFrameShape(QFrame::NoFrame);
        setFocusPolicy(Qt::NoFocus);
        setSelectionMode(QAbstractItemView::NoSelection);
        setEditTriggers(QAbstractItemView::NoEditTriggers);
        setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        setVerticalScrollMode(grid->verticalScrollMode());
        setHorizontalScrollMode(grid->horizontalScrollMode());
        setWordWrap(false);
        setShowGrid(grid->showGrid());
        setAutoScroll(false);
    }

protected:
    void wheelEvent(QWheelEvent* event) override {
        QCoreApplication::sendEvent(m_grid->viewport(), event);
    }
    // A click on the fixed cell of a data row (its caption or key) makes that
    // row current; other fixed cells change nothing.
    void mousePressEvent(QMouseEvent* event) override {
        const QModelIndex index = indexAt(event->position().toPoint());
        if (event->button() != Qt::LeftButton || !index.isValid() ||
            index.row() < m_grid->FixedRows() || m_grid->Cols() <= m_grid->FixedCols())
            return;
        m_grid->setFocus(Qt::MouseFocusReason);
        m_grid->setCurrentCell(index.row(), std::max(m_grid->Col(), m_grid->FixedCols()));
    }
    void mouseMoveEvent(QMouseEvent*) override {}
    void mouseReleaseEvent(QMouseEvent*) override {}
    void mouseDoubleClickEvent(QMouseEvent*) override {}

private:
    FlexGrid* m_grid;
};

// Hides the first `count` rows (columns) of a view and shows the ones after
// them that an earlier count or a structure change left hidden.
void hideLeading(QTableView* view, bool rows, int count, int previous) {
    const int total = rows ? view->model()->rowCount() : view->model()->columnCount();
    const int end = std::min(total, std::max(count, previous) + 1);
    for (int i = 0; i < end; ++i) {
        const bool hide = i < count;
        if (rows ? view->isRowHidden(i) != hide : view->isColumnHidden(i) != hide) {
            if (rows)
                view->setRowHidden(i, hide);
            else
                view->setColumnHidden(i, hide);
        }
    }
}

} // namespace

int shiftStateOf(Qt::KeyboardModifiers modifiers) {
    int shift = 0;
    if (modifiers & Qt::ShiftModifier)
        shift |= vk::ShiftMask;
    if (modifiers & Qt::ControlModifier)
        shift |= vk::CtrlMask;
    if (modifiers & Qt::AltModifier)
        shift |= vk::AltMask;
    if (modifiers & Qt::MetaModifier)
        shift |= vk::MetaMask;
    return shift;
}

int keyCodeOf(const QKeyEvent* event) {
    const int key = event->key();
    if (key >= Qt::Key_A && key <= Qt::Key_Z)
        return key; // 65..90
    if (key >= Qt::Key_0 && key <= Qt::Key_9)
        return (event->modifiers() & Qt::KeypadModifier) ? 96 + (key - Qt::Key_0) : key;
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24)
        return vk::VK_F1 + (key - Qt::Key_F1);
    switch (key) {
    case Qt::Key_Backspace:
        return vk::VK_BACK;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return vk::VK_TAB;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return vk::VK_RETURN;
    case Qt::Key_Shift:
        return vk::VK_SHIFT;
    case Qt::Key_Control:
        return vk::VK_CONTROL;
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
        return vk::VK_MENU;
    case Qt::Key_Pause:
        return vk::VK_PAUSE;
    case Qt::Key_CapsLock:
        return vk::VK_CAPITAL;
    case Qt::Key_Escape:
        return vk::VK_ESCAPE;
    case Qt::Key_Space:
        return vk::VK_SPACE;
    case Qt::Key_PageUp:
        return vk::VK_PRIOR;
    case Qt::Key_PageDown:
        return vk::VK_NEXT;
    case Qt::Key_End:
        return vk::VK_END;
    case Qt::Key_Home:
        return vk::VK_HOME;
    case Qt::Key_Left:
        return vk::VK_LEFT;
    case Qt::Key_Up:
        return vk::VK_UP;
    case Qt::Key_Right:
        return vk::VK_RIGHT;
    case Qt::Key_Down:
        return vk::VK_DOWN;
    case Qt::Key_Insert:
        return vk::VK_INSERT;
    case Qt::Key_Delete:
        return vk::VK_DELETE;
    case Qt::Key_NumLock:
        return vk::VK_NUMLOCK;
    case Qt::Key_ScrollLock:
        return vk::VK_SCROLL;
    case Qt::Key_Meta:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
        return vk::VK_LWIN;
    case Qt::Key_Menu:
        return vk::VK_APPS;
    default:
        break;
    }
    // Punctuation and other characters: their code in the upper range, so
    // that they never look like one of the keys above.
    const QString text = event->text();
    if (!text.isEmpty())
        return 0x100 + text.at(0).unicode();
    return key & 0xFFFF;
}

FlexGrid::FlexGrid(QWidget* parent) : QTableWidget(parent) {
    horizontalHeader()->hide();
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    verticalHeader()->setMinimumSectionSize(1);
    horizontalHeader()->setMinimumSectionSize(1);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setWordWrap(false);
    setTabKeyNavigation(false);
    setItemDelegate(new CellDelegate(this));
    // Mouse moves are reported with and without a pressed button.
    viewport()->setMouseTracking(true);
    setRowCount(2);
    setColumnCount(2);
    m_corner = new FixedView(this);
    m_top = new FixedView(this);
    m_left = new FixedView(this);
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, [this](int value) {
        m_left->verticalScrollBar()->setValue(value);
        emit Scroll();
    });
    connect(horizontalScrollBar(), &QScrollBar::valueChanged, this, [this](int value) {
        m_top->horizontalScrollBar()->setValue(value);
        emit Scroll();
    });
    hideFixed();
    showSelection();
}

// ---- fixed rows and columns ------------------------------------------------------

void FlexGrid::hideFixed() {
    const int rows = std::min(m_fixedRows, rowCount());
    const int cols = std::min(m_fixedCols, columnCount());
    hideLeading(this, true, rows, m_hiddenRows);
    hideLeading(m_left, true, rows, m_hiddenRows);
    hideLeading(this, false, cols, m_hiddenCols);
    hideLeading(m_top, false, cols, m_hiddenCols);
    m_hiddenRows = rows;
    m_hiddenCols = cols;
    layoutFixed();
}

int FlexGrid::fixedHeight() const {
    int height = 0;
    for (int r = 0; r < m_hiddenRows; ++r)
        height += m_corner->rowHeight(r);
    return height;
}

int FlexGrid::fixedWidth() const {
    int width = 0;
    for (int c = 0; c < m_hiddenCols; ++c)
        width += m_corner->columnWidth(c);
    return width;
}

void FlexGrid::layoutFixed() {
    const int height = fixedHeight();
    const int width = fixedWidth();
    setViewportMargins(width, height, 0, 0);
    const QRect area = viewport()->geometry();
    m_corner->setGeometry(area.left() - width, area.top() - height, width, height);
    m_top->setGeometry(area.left(), area.top() - height, area.width(), height);
    m_left->setGeometry(area.left() - width, area.top(), width, area.height());
    m_corner->setVisible(width > 0 && height > 0);
    m_top->setVisible(height > 0);
    m_left->setVisible(width > 0);
    m_left->verticalScrollBar()->setValue(verticalScrollBar()->value());
    m_top->horizontalScrollBar()->setValue(horizontalScrollBar()->value());
}

void FlexGrid::resizeEvent(QResizeEvent* event) {
    QTableWidget::resizeEvent(event);
    layoutFixed();
}

int FlexGrid::ColWidth(int col) const {
    return m_corner->columnWidth(col);
}

void FlexGrid::setColWidth(int col, int width) {
    for (QTableView* view : {static_cast<QTableView*>(this), m_corner, m_top, m_left})
        view->setColumnWidth(col, width);
    if (col < m_fixedCols)
        layoutFixed();
}

int FlexGrid::RowHeight(int row) const {
    return m_corner->rowHeight(row);
}

void FlexGrid::setRowHeight(int row, int height) {
    for (QTableView* view : {static_cast<QTableView*>(this), m_corner, m_top, m_left})
        view->setRowHeight(row, height);
    if (row < m_fixedRows)
        layoutFixed();
}

int FlexGrid::RowPos(int row) const {
    if (row < m_hiddenRows)
        return m_corner->rowViewportPosition(row) - fixedHeight();
    return rowViewportPosition(row);
}

int FlexGrid::ColPos(int col) const {
    if (col < m_hiddenCols)
        return m_corner->columnViewportPosition(col) - fixedWidth();
    return columnViewportPosition(col);
}

// ---- structure -----------------------------------------------------------------

void FlexGrid::checkCell(int row, int col) const {
    if (row < 0 || row >= rowCount() || col < 0 || col >= columnCount())
        rt::raiseError(rt::err::InvalidPropertyArrayIndex);
}

void FlexGrid::clampCurrent() {
    auto clampIndex = [](int value, int fixed, int count) {
        if (count <= 0)
            return -1;
        return std::clamp(value, std::min(fixed, count - 1), count - 1);
    };
    m_row = clampIndex(m_row, m_fixedRows, rowCount());
    m_rowSel = clampIndex(m_rowSel, m_fixedRows, rowCount());
    m_col = clampIndex(m_col, m_fixedCols, columnCount());
    m_colSel = clampIndex(m_colSel, m_fixedCols, columnCount());
}

void FlexGrid::setRows(int value) {
    setRowCount(std::max(0, value));
    hideFixed();
    clampCurrent();
    showSelection();
}

void FlexGrid::setCols(int value) {
    setColumnCount(std::max(0, value));
    while (m_colAlignments.size() > columnCount())
        m_colAlignments.removeLast();
    hideFixed();
    clampCurrent();
    showSelection();
}

void FlexGrid::setFixedRows(int value) {
    m_fixedRows = std::max(0, value);
    hideFixed();
    clampCurrent();
    showSelection();
    viewport()->update();
}

void FlexGrid::setFixedCols(int value) {
    m_fixedCols = std::max(0, value);
    hideFixed();
    clampCurrent();
    showSelection();
    viewport()->update();
}

QString FlexGrid::TextMatrix(int row, int col) const {
    checkCell(row, col);
    const QTableWidgetItem* it = item(row, col);
    return it ? it->text() : QString();
}

void FlexGrid::setTextMatrix(int row, int col, const QString& text) {
    checkCell(row, col);
    QTableWidgetItem* it = item(row, col);
    if (!it) {
        if (text.isEmpty())
            return;
        it = new QTableWidgetItem(text);
        setItem(row, col, it);
        return;
    }
    it->setText(text);
}

void FlexGrid::AddItem(const QString& text, int index) {
    if (index == -1)
        index = rowCount();
    if (index < 0 || index > rowCount())
        rt::raiseError(rt::err::InvalidPropertyArrayIndex);
    const QStringList fields = text.split(u'\t');
    if (fields.size() > columnCount())
        rt::raiseError(rt::err::InvalidPropertyArrayIndex);
    insertRow(index);
    for (int c = 0; c < fields.size(); ++c)
        if (!fields[c].isEmpty())
            setItem(index, c, new QTableWidgetItem(fields[c]));
    if (index < m_fixedRows)
        hideFixed();
    clampCurrent();
    showSelection();
}

void FlexGrid::RemoveItem(int index) {
    if (index < 0 || index >= rowCount())
        rt::raiseError(rt::err::InvalidPropertyArrayIndex);
    if (index >= m_fixedRows && rowCount() - m_fixedRows <= 1)
        rt::raiseError(rt::err::InvalidPropertyArrayIndex); // the last non-fixed row stays
    removeRow(index);
    if (index < m_fixedRows)
        hideFixed();
    clampCurrent();
    showSelection();
}

void FlexGrid::setRedraw(bool value) {
    if (value == m_redraw)
        return;
    m_redraw = value;
    setUpdatesEnabled(value);
    if (value)
        showSelection();
}

// ---- row and column data -------------------------------------------------------

qint32 FlexGrid::RowData(int row) const {
    checkCell(row, 0);
    const QTableWidgetItem* header = verticalHeaderItem(row);
    return header ? header->data(Qt::UserRole).toInt() : 0;
}

void FlexGrid::setRowData(int row, qint32 value) {
    checkCell(row, 0);
    QTableWidgetItem* header = verticalHeaderItem(row);
    if (!header) {
        header = new QTableWidgetItem;
        setVerticalHeaderItem(row, header);
    }
    header->setData(Qt::UserRole, value);
}

qint32 FlexGrid::ColData(int col) const {
    checkCell(0, col);
    const QTableWidgetItem* header = horizontalHeaderItem(col);
    return header ? header->data(Qt::UserRole).toInt() : 0;
}

void FlexGrid::setColData(int col, qint32 value) {
    checkCell(0, col);
    QTableWidgetItem* header = horizontalHeaderItem(col);
    if (!header) {
        header = new QTableWidgetItem;
        setHorizontalHeaderItem(col, header);
    }
    header->setData(Qt::UserRole, value);
}

// ---- layout ----------------------------------------------------------------------

int FlexGrid::TopRow() const {
    const int row = rowAt(0);
    return row < 0 ? std::min(m_fixedRows, rowCount()) : row;
}

void FlexGrid::setTopRow(int row) {
    // The scroll range follows row changes only later; bring it up to date.
    updateGeometries();
    // The scroll position counts the data rows below the fixed ones.
    verticalScrollBar()->setValue(std::max(0, row - m_hiddenRows));
}

int FlexGrid::ColAlignment(int col) const {
    if (col < m_colAlignments.size())
        return m_colAlignments[col];
    return col < m_fixedCols ? flexAlignLeftCenter : flexAlignGeneral;
}

void FlexGrid::setColAlignment(int col, int alignment) {
    checkCell(0, col);
    while (m_colAlignments.size() <= col)
        m_colAlignments.append(m_colAlignments.size() < m_fixedCols ? int(flexAlignLeftCenter)
                                                                    : int(flexAlignGeneral));
    m_colAlignments[col] = alignment;
    viewport()->update();
}

QRect FlexGrid::cellRect(int row, int col) const {
    return QRect(ColPos(col), RowPos(row), ColWidth(col), RowHeight(row));
}

// ---- colours -----------------------------------------------------------------------

QColor FlexGrid::BackColorSel() const {
    return palette().color(QPalette::Active, QPalette::Highlight);
}

void FlexGrid::setBackColorSel(const QColor& color) {
    QPalette p = palette();
    p.setColor(QPalette::Active, QPalette::Highlight, color);
    p.setColor(QPalette::Inactive, QPalette::Highlight, color);
    setPalette(p);
}

QColor FlexGrid::ForeColorSel() const {
    return palette().color(QPalette::Active, QPalette::HighlightedText);
}

void FlexGrid::setForeColorSel(const QColor& color) {
    QPalette p = palette();
    p.setColor(QPalette::Active, QPalette::HighlightedText, color);
    p.setColor(QPalette::Inactive, QPalette::HighlightedText, color);
    setPalette(p);
}

QColor FlexGrid::BackColor() const {
    return palette().color(QPalette::Base);
}

void FlexGrid::setBackColor(const QColor& color) {
    QPalette p = palette();
    p.setColor(QPalette::Base, color);
    setPalette(p);
}

// ---- current cell and selection -------------------------------------------------------

void FlexGrid::showSelection() {
    if (!m_redraw || !selectionModel())
        return;
    if (m_row < 0 || m_col < 0 || m_rowSel < 0 || m_colSel < 0) {
        selectionModel()->clearSelection();
        return;
    }
    const QModelIndex topLeft =
        model()->index(std::min(m_row, m_rowSel), std::min(m_col, m_colSel));
    const QModelIndex bottomRight =
        model()->index(std::max(m_row, m_rowSel), std::max(m_col, m_colSel));
    selectionModel()->select(QItemSelection(topLeft, bottomRight),
                             QItemSelectionModel::ClearAndSelect);
    selectionModel()->setCurrentIndex(model()->index(m_row, m_col), QItemSelectionModel::NoUpdate);
}

void FlexGrid::setCurrentCell(int row, int col) {
    checkCell(row, col);
    if (row == m_row && col == m_col) {
        if (m_rowSel != row || m_colSel != col) {
            m_rowSel = row;
            m_colSel = col;
            showSelection();
            emit SelChange();
        }
        return;
    }
    emit LeaveCell();
    m_row = m_rowSel = row;
    m_col = m_colSel = col;
    showSelection();
    emit EnterCell();
    emit RowColChange();
    emit SelChange();
}

void FlexGrid::setRowSel(int value) {
    checkCell(value, std::max(0, m_col));
    m_rowSel = value;
    showSelection();
    emit SelChange();
}

void FlexGrid::setColSel(int value) {
    checkCell(std::max(0, m_row), value);
    m_colSel = value;
    showSelection();
    emit SelChange();
}

void FlexGrid::extendSelection(int row, int col) {
    if (row == m_rowSel && col == m_colSel)
        return;
    m_rowSel = row;
    m_colSel = col;
    showSelection();
    emit SelChange();
}

// ---- user input ----------------------------------------------------------------------------

bool FlexGrid::event(QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) &&
            !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
            keyPressEvent(key);
            return true;
        }
    }
    return QTableWidget::event(event);
}

void FlexGrid::keyPressEvent(QKeyEvent* event) {
    int code = keyCodeOf(event);
    int shift = shiftStateOf(event->modifiers());
    if (event->key() == Qt::Key_Backtab)
        shift |= vk::ShiftMask; // Backtab is Shift+Tab, with or without the modifier
    emit KeyDown(code, shift);
    event->accept();
    if (code == 0)
        return;
    if (rowCount() > m_fixedRows && columnCount() > m_fixedCols && m_row >= 0 && m_col >= 0) {
        const int firstRow = m_fixedRows, lastRow = rowCount() - 1;
        const int firstCol = m_fixedCols, lastCol = columnCount() - 1;
        const bool extend = shift & vk::ShiftMask;
        int row = extend ? m_rowSel : m_row;
        int col = extend ? m_colSel : m_col;
        const int page = std::max(1, viewport()->height() / std::max(1, rowHeight(row)) - 1);
        bool moved = true;
        switch (code) {
        case vk::VK_LEFT:
            col = std::max(firstCol, col - 1);
            break;
        case vk::VK_RIGHT:
            col = std::min(lastCol, col + 1);
            break;
        case vk::VK_UP:
            row = std::max(firstRow, row - 1);
            break;
        case vk::VK_DOWN:
            row = std::min(lastRow, row + 1);
            break;
        case vk::VK_PRIOR:
            row = std::max(firstRow, row - page);
            break;
        case vk::VK_NEXT:
            row = std::min(lastRow, row + page);
            break;
        case vk::VK_HOME:
            col = firstCol;
            if (shift & vk::CtrlMask)
                row = firstRow;
            break;
        case vk::VK_END:
            col = lastCol;
            if (shift & vk::CtrlMask)
                row = lastRow;
            break;
        default:
            moved = false;
        }
        if (moved) {
            if (extend)
                extendSelection(row, col);
            else
                setCurrentCell(row, col);
            scrollTo(model()->index(row, col));
            return;
        }
    }
    if (code == vk::VK_TAB) {
        focusNextPrevChild(!(shift & vk::ShiftMask));
        return;
    }
    const QString text = event->text();
    if (!text.isEmpty()) {
        int ascii = text.at(0).unicode();
        emit KeyPress(ascii);
    }
}

void FlexGrid::trackMouse(const QPoint& pos) {
    m_mouseRow = rowAt(pos.y());
    m_mouseCol = columnAt(pos.x());
}

namespace {
int buttonOf(Qt::MouseButtons buttons) {
    int b = 0;
    if (buttons & Qt::LeftButton)
        b |= 1;
    if (buttons & Qt::RightButton)
        b |= 2;
    if (buttons & Qt::MiddleButton)
        b |= 4;
    return b;
}
} // namespace

void FlexGrid::mousePressEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    trackMouse(pos);
    setFocus(Qt::MouseFocusReason);
    emit MouseDown(buttonOf(event->button()), shiftStateOf(event->modifiers()),
                   float(event->position().x()), float(event->position().y()));
    if (event->button() != Qt::LeftButton)
        return;
    const int row = m_mouseRow, col = m_mouseCol;
    if (row < m_fixedRows || col < m_fixedCols)
        return;
    if (event->modifiers() & Qt::ShiftModifier)
        extendSelection(row, col);
    else
        setCurrentCell(row, col);
    m_dragging = true;
}

void FlexGrid::mouseMoveEvent(QMouseEvent* event) {
    trackMouse(event->position().toPoint());
    emit MouseMove(buttonOf(event->buttons()), shiftStateOf(event->modifiers()),
                   float(event->position().x()), float(event->position().y()));
    if (m_dragging && m_mouseRow >= m_fixedRows && m_mouseCol >= m_fixedCols)
        extendSelection(m_mouseRow, m_mouseCol);
}

void FlexGrid::mouseReleaseEvent(QMouseEvent* event) {
    trackMouse(event->position().toPoint());
    emit MouseUp(buttonOf(event->button()), shiftStateOf(event->modifiers()),
                 float(event->position().x()), float(event->position().y()));
    if (event->button() == Qt::LeftButton) {
        m_dragging = false;
        // The release that ends a double click is no further click.
        if (m_doubleClicked)
            m_doubleClicked = false;
        else
            emit Click();
    }
}

void FlexGrid::mouseDoubleClickEvent(QMouseEvent* event) {
    trackMouse(event->position().toPoint());
    if (event->button() == Qt::LeftButton) {
        m_doubleClicked = true;
        emit DblClick();
    }
}

void FlexGrid::focusInEvent(QFocusEvent* event) {
    QTableWidget::focusInEvent(event);
    emit GotFocus();
}

void FlexGrid::focusOutEvent(QFocusEvent* event) {
    QTableWidget::focusOutEvent(event);
    emit LostFocus();
}
