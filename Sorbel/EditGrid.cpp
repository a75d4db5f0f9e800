#include "EditGrid.h"

#include "FlexGrid.h"
#include "MessageService.h"

#include "RuntimeError.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPaintDevice>
#include <QPainter>

#include <cmath>

clsEditGrid::clsEditGrid(QObject* parent) : QObject(parent) {}

clsEditGrid::~clsEditGrid() {
    setInputObject(nullptr);
    setMSFlexGrid(nullptr);
}

// ---- objects -------------------------------------------------------------------

QWidget* clsEditGrid::InputObject() const {
    if (m_textBox)
        return m_textBox;
    return m_comboBox;
}

void clsEditGrid::setInputObject(QWidget* value) {
    if (value && value == InputObject())
        return;
    if (QWidget* old = InputObject()) {
        old->removeEventFilter(this);
        if (m_comboBox && m_comboBox->lineEdit())
            m_comboBox->lineEdit()->removeEventFilter(this);
    }
    m_textBox = nullptr;
    m_comboBox = nullptr;
    if (value) {
        // The grid paints its selection grey while it has no focus; the
        // editor, which has the focus, keeps the focused colours.
        const QPalette app = QApplication::palette(value);
        QPalette palette = value->palette();
        for (const auto group : {QPalette::Active, QPalette::Inactive})
            for (const auto role : {QPalette::Highlight, QPalette::HighlightedText})
                palette.setColor(group, role, app.color(QPalette::Active, role));
        value->setPalette(palette);
    }
    if (auto* textBox = qobject_cast<QLineEdit*>(value)) {
        m_textBox = textBox;
        textBox->installEventFilter(this);
        keepOneLine(textBox);
    } else if (auto* comboBox = qobject_cast<QComboBox*>(value)) {
        m_comboBox = comboBox;
        comboBox->installEventFilter(this);
        connect(comboBox, &QComboBox::activated, this, [this] { m_userChanged = true; });
        if (comboBox->lineEdit()) {
            comboBox->lineEdit()->installEventFilter(this);
            keepOneLine(comboBox->lineEdit());
        }
    }
    adoptInputObject();
}

// The editor lives in the grid's data area: it is clipped there, so that it
// never covers the fixed rows and columns when the data scrolls under them.
void clsEditGrid::adoptInputObject() {
    QWidget* input = InputObject();
    if (!m_grid || !input || input->parentWidget() == m_grid->viewport())
        return;
    input->setParent(m_grid->viewport());
    input->hide();
}

// A cell holds one line: text pasted into the editor loses its trailing line
// break (a spreadsheet cell on the clipboard ends with CR LF), and breaks
// inside it become blanks.
void clsEditGrid::keepOneLine(QLineEdit* edit) {
    disconnect(edit, &QLineEdit::textEdited, this, nullptr);
    connect(edit, &QLineEdit::textEdited, this, [this, edit](const QString& text) {
        m_userChanged = true;
        if (!text.contains(u'\r') && !text.contains(u'\n'))
            return;
        const int cursor = edit->cursorPosition();
        QString before = text.left(cursor);
        QString after = text.mid(cursor);
        auto clean = [](QString part, bool trailing) {
            if (trailing)
                while (part.endsWith(u'\r') || part.endsWith(u'\n'))
                    part.chop(1);
            part.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
            part.replace(u'\r', u' ');
            part.replace(u'\n', u' ');
            return part;
        };
        before = clean(before, true);
        after = clean(after, false);
        edit->setText(before + after);
        edit->setCursorPosition(before.size());
    });
}

void clsEditGrid::setMSFlexGrid(FlexGrid* value) {
    if (value == m_grid)
        return;
    if (m_grid)
        disconnect(m_grid, nullptr, this, nullptr);
    m_grid = value;
    if (!m_grid)
        return;
    connect(m_grid, &FlexGrid::KeyDown, this, &clsEditGrid::onKeyDown);
    connect(m_grid, &FlexGrid::KeyPress, this, &clsEditGrid::onKeyPress);
    connect(m_grid, &FlexGrid::EnterCell, this, &clsEditGrid::onEnterCell);
    connect(m_grid, &FlexGrid::LeaveCell, this, &clsEditGrid::onLeaveCell);
    connect(m_grid, &FlexGrid::Click, this, &clsEditGrid::onClick);
    connect(m_grid, &FlexGrid::DblClick, this, &clsEditGrid::BeginEdit);
    connect(m_grid, &FlexGrid::Scroll, this, &clsEditGrid::onScroll);
    connect(m_grid, &FlexGrid::GotFocus, this, &clsEditGrid::onGotFocus);
    connect(m_grid, &FlexGrid::LostFocus, this, &clsEditGrid::onLostFocus);
    adoptInputObject();
}

void clsEditGrid::setActive(bool value) {
    if (value == m_active)
        return;
    if (value) {
        m_active = true;
        onEnterCell();
    } else {
        // A refused text cannot stay in an editor that no longer works.
        if (!EndEdit(false))
            EndEdit(true);
        m_active = false;
    }
}

// ---- the input object ------------------------------------------------------------

bool clsEditGrid::acceptsFreeText() const {
    if (m_textBox)
        return true;
    return m_comboBox && m_comboBox->isEditable();
}

QString clsEditGrid::inputText() const {
    if (m_textBox)
        return m_textBox->text();
    if (m_comboBox)
        return m_comboBox->currentText();
    return QString();
}

void clsEditGrid::setInputText(const QString& text) {
    if (m_textBox) {
        if (m_textBox->text() != text)
            m_textBox->setText(text);
        return;
    }
    if (!m_comboBox)
        return;
    m_comboBox->setCurrentIndex(-1);
    if (!text.isEmpty()) {
        int found = m_comboBox->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
        if (found < 0) {
            // The entry sharing the longest leading part (at least one character).
            int best = 0;
            for (int i = 0; i < m_comboBox->count(); ++i) {
                const QString entry = m_comboBox->itemText(i);
                int common = 0;
                while (common < entry.size() && common < text.size() &&
                       entry[common] == text[common])
                    ++common;
                if (common > best) {
                    best = common;
                    found = i;
                }
            }
        }
        if (found >= 0)
            m_comboBox->setCurrentIndex(found);
    }
    if (m_comboBox->isEditable() && m_comboBox->currentIndex() < 0)
        m_comboBox->setEditText(text);
}

void clsEditGrid::syncInputText() {
    if (!InputObject() || !m_grid || m_grid->Row() < 0 || m_grid->Col() < 0)
        return;
    setInputText(m_grid->TextMatrix(m_grid->Row(), m_grid->Col()));
    m_syncedText = inputText();
}

void clsEditGrid::positionInputObject() {
    QWidget* input = InputObject();
    if (!m_grid || !input || m_grid->Row() < 0 || m_grid->Col() < 0)
        return;
    const QRect cell = m_grid->cellRect(m_grid->Row(), m_grid->Col());
    QWidget* viewport = m_grid->viewport();
    auto toInput = [&](const QPoint& p) {
        const QPoint global = viewport->mapToGlobal(p);
        return input->parentWidget() ? input->parentWidget()->mapFromGlobal(global) : global;
    };
    const QPoint topLeft = toInput(cell.topLeft());
    const QPoint gridBottomRight = toInput(viewport->rect().bottomRight() + QPoint(1, 1));
    const int left = topLeft.x() + 1 + int(std::lround(InputObjectMarginLeft));
    const int top = topLeft.y() + 1;
    int width = cell.width() - 2 - int(std::lround(InputObjectMarginRight + InputObjectMarginLeft));
    width = std::max(0, std::min(width, gridBottomRight.x() - left));
    int height = input->height();
    if (m_textBox)
        height = std::max(0, std::min(cell.height() - 2, gridBottomRight.y() - top));
    input->setGeometry(left, top, width, height);
}

// ---- scrolling and focus colours ----------------------------------------------------

void clsEditGrid::onScroll() {
    QWidget* input = InputObject();
    if (input && input->isVisible())
        positionInputObject();
}

void clsEditGrid::onGotFocus() {
    if (!HandleFocusColors || !m_grid)
        return;
    const QPalette palette = QApplication::palette();
    m_grid->setBackColorSel(palette.color(QPalette::Active, QPalette::Highlight));
    m_grid->setForeColorSel(palette.color(QPalette::Active, QPalette::HighlightedText));
}

void clsEditGrid::onLostFocus() {
    if (!HandleFocusColors || !m_grid)
        return;
    const QPalette palette = QApplication::palette();
    m_grid->setBackColorSel(palette.color(QPalette::Active, QPalette::Button));
    m_grid->setForeColorSel(palette.color(QPalette::Active, QPalette::WindowText));
}

void clsEditGrid::FocusColorsSet(bool IsActive) {
    if (IsActive)
        onGotFocus();
    else
        onLostFocus();
}

// ---- rows, cells and text ---------------------------------------------------------------

void clsEditGrid::EnsureVisibleRow(int Row) {
    if (!m_grid)
        return;
    FlexGrid& g = *m_grid;
    const int visibleHeight = g.viewport()->height();
    const int top = g.TopRow();
    int lastVisible = top;
    for (int r = top; r < g.Rows(); ++r) {
        if (g.RowPos(r) + g.RowHeight(r) > visibleHeight)
            break;
        lastVisible = r;
    }
    if (Row < top) {
        g.setTopRow(Row);
    } else if (Row > lastVisible) {
        int sum = g.RowHeight(Row);
        int newTop = Row;
        for (int r = Row - 1; r >= 0; --r) {
            if (sum + g.RowHeight(r) >= visibleHeight)
                break;
            sum += g.RowHeight(r);
            newTop = r;
        }
        g.setTopRow(newTop);
    }
}

QString clsEditGrid::GridText(bool IncludeFixedCells, const QString& ColTerminator,
                              const QString& RowTerminator, bool) const {
    if (!m_grid)
        return QString();
    const FlexGrid& g = *m_grid;
    const int firstRow = IncludeFixedCells ? 0 : g.FixedRows();
    const int firstCol = IncludeFixedCells ? 0 : g.FixedCols();
    QString text;
    for (int r = firstRow; r < g.Rows(); ++r) {
        for (int c = firstCol; c < g.Cols(); ++c) {
            if (c > firstCol)
                text += ColTerminator;
            text += g.TextMatrix(r, c);
        }
        text += RowTerminator;
    }
    return text;
}

void clsEditGrid::setGridText(bool IncludeFixedCells, const QString& ColTerminator,
                              const QString& RowTerminator, bool HoldCols, const QString& Text) {
    if (!m_grid)
        return;
    FlexGrid& g = *m_grid;
    const bool redraw = g.Redraw();
    g.setRedraw(false);
    const QStringList lines =
        RowTerminator.isEmpty() ? QStringList{Text} : Text.split(RowTerminator);
    int maxCols = 0;
    for (const QString& line : lines)
        if (!line.isEmpty())
            maxCols =
                std::max(maxCols, int(ColTerminator.isEmpty() ? 1 : line.count(ColTerminator) + 1));
    rt::SkipErrors skip;
    // Lines of data only fill the columns after the fixed ones; lines that
    // include the fixed cells fill them too.
    skip([&] {
        if (!HoldCols)
            g.setCols(IncludeFixedCells ? std::max(maxCols, g.FixedCols() + 1)
                                        : g.FixedCols() + std::max(1, maxCols));
    });
    int index = IncludeFixedCells ? 0 : g.FixedRows();
    skip([&] {
        g.setRows(g.FixedRows() + 1);
        // The one row kept is the empty row the lines are inserted before.
        for (int c = 0; c < g.Cols(); ++c)
            g.setTextMatrix(g.FixedRows(), c, QString());
    });
    int filled = 0;
    for (const QString& line : lines) {
        if (line.isEmpty())
            continue;
        skip([&] {
            QString row = line;
            if (!ColTerminator.isEmpty() && ColTerminator != u"\t")
                row.replace(ColTerminator, QStringLiteral("\t"));
            if (!IncludeFixedCells)
                row.prepend(QString(g.FixedCols(), u'\t'));
            if (index < g.FixedRows()) {
                // A fixed row: its cells are written, not inserted.
                const QStringList fields = row.split(u'\t');
                for (int c = 0; c < fields.size() && c < g.Cols(); ++c)
                    g.setTextMatrix(index, c, fields[c]);
            } else {
                g.AddItem(row, index);
                if (index == g.Row())
                    syncInputText();
                emit RowAdd(index);
                ++filled;
            }
        });
        ++index;
    }
    if (filled > 0)
        skip([&] { g.RemoveItem(g.Rows() - 1); });
    g.setRedraw(redraw);
}

void clsEditGrid::RowsAdd(int BeforeRow, int Count) {
    if (!m_grid)
        return;
    for (int i = 0; i < Count; ++i) {
        bool cancel = false;
        emit BeforeRowAdd(BeforeRow, cancel);
        if (cancel)
            continue;
        m_grid->AddItem(QString(), BeforeRow);
        syncInputText();
        emit RowAdd(BeforeRow);
    }
}

void clsEditGrid::RowsDel(int StartRow, int EndRow) {
    if (!m_grid)
        return;
    FlexGrid& g = *m_grid;
    int i = StartRow;
    for (int n = StartRow; n <= EndRow; ++n) {
        // The last data row is never removed.
        if (g.Rows() - g.FixedRows() <= 1 || i >= g.Rows())
            break;
        bool cancel = false;
        emit BeforeRowRemove(i, cancel);
        if (cancel) {
            ++i;
            continue;
        }
        g.RemoveItem(i);
        emit RowRemove(i);
    }
    syncInputText();
}

void clsEditGrid::SelClear() {
    if (!m_grid)
        return;
    FlexGrid& g = *m_grid;
    // A cell that cannot be empty refuses, as typing it empty would: then
    // no cell is cleared.
    for (int r = std::min(g.Row(), g.RowSel()); r <= std::max(g.Row(), g.RowSel()); ++r)
        for (int c = std::min(g.Col(), g.ColSel()); c <= std::max(g.Col(), g.ColSel()); ++c)
            if (const QString refused = refusal(r, c, QString()); !refused.isEmpty()) {
                showMessage(m_grid, refused, MessageService::Warning);
                return;
            }
    for (int r = std::min(g.Row(), g.RowSel()); r <= std::max(g.Row(), g.RowSel()); ++r)
        for (int c = std::min(g.Col(), g.ColSel()); c <= std::max(g.Col(), g.ColSel()); ++c) {
            g.setTextMatrix(r, c, QString());
            emit CellClear(r, c);
        }
    syncInputText();
    emit CellsEdited(EditedByClear);
}

void clsEditGrid::SelRowsDel() {
    if (!m_grid)
        return;
    FlexGrid& g = *m_grid;
    const int first = std::min(g.Row(), g.RowSel());
    RowsDel(first, std::max(g.Row(), g.RowSel()));
    g.setCurrentCell(first < g.Rows() ? first : g.Rows() - 1, g.Col());
    syncInputText();
}

// ---- item data -----------------------------------------------------------------------------

namespace {
QString itemKey(qint32 rowId, qint32 colId) {
    return QStringLiteral("k%1_%2").arg(rowId).arg(colId);
}
} // namespace

QVariant clsEditGrid::ItemDataMatrix(int Row, int Col) const {
    if (!m_grid || Row < 0 || Col < 0 || Row >= m_grid->Rows() || Col >= m_grid->Cols())
        return QVariant();
    const qint32 rowId = m_grid->RowData(Row), colId = m_grid->ColData(Col);
    if (rowId == 0 || colId == 0)
        return QVariant();
    return m_itemData.value(itemKey(rowId, colId));
}

void clsEditGrid::setItemDataMatrix(int Row, int Col, const QVariant& value) {
    if (!m_grid)
        rt::raiseError(rt::err::ObjectNotSet);
    if (m_grid->RowData(Row) == 0)
        m_grid->setRowData(Row, m_nextRowId++);
    if (m_grid->ColData(Col) == 0)
        m_grid->setColData(Col, m_nextColId++);
    m_itemData.insert(itemKey(m_grid->RowData(Row), m_grid->ColData(Col)), value);
}

void clsEditGrid::ItemDataMatrixClear() {
    m_itemData.clear();
}

// ---- printing ----------------------------------------------------------------------------------

void clsEditGrid::PrintToPrinter(QPaintDevice* Printer, bool AssingToOnePage, bool PrintGridLines) {
    if (!m_grid || !Printer)
        return;
    const FlexGrid& g = *m_grid;
    // Grid sizes are screen pixels; the target's pixels may be finer. Both
    // are turned into twips (1440 per inch) and back.
    const double screenDpi = g.logicalDpiX() > 0 ? g.logicalDpiX() : 96;
    const double twipsPerScreenPixel = 1440.0 / screenDpi;
    const double twipsPerPixelX = 1440.0 / std::max(1, Printer->logicalDpiX());
    const double twipsPerPixelY = 1440.0 / std::max(1, Printer->logicalDpiY());
    double totalWidth = 0, totalHeight = 0;
    for (int c = 0; c < g.Cols(); ++c)
        totalWidth += g.ColWidth(c) * twipsPerScreenPixel;
    for (int r = 0; r < g.Rows(); ++r)
        totalHeight += g.RowHeight(r) * twipsPerScreenPixel;
    const double targetWidth = Printer->width() * twipsPerPixelX;
    const double targetHeight = Printer->height() * twipsPerPixelY;
    double scale = 1;
    if (AssingToOnePage && totalWidth > 0 && totalHeight > 0)
        scale = std::min({targetWidth / totalWidth, targetHeight / totalHeight, 1.0});

    QPainter painter(Printer);
    if (!painter.isActive())
        return;
    // Text keeps its size relative to the cells on every resolution.
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(
        std::max(1, int(std::lround(14 * scale * Printer->logicalDpiY() / screenDpi))));
    font.setWeight(QFont::Normal);
    painter.setFont(font);
    painter.setPen(Qt::black);
    double top = 0;
    for (int r = 0; r < g.Rows(); ++r) {
        const double height = g.RowHeight(r) * twipsPerScreenPixel * scale;
        if (top + height > targetHeight + 0.5)
            break;
        double left = 0;
        for (int c = 0; c < g.Cols(); ++c) {
            const double width = g.ColWidth(c) * twipsPerScreenPixel * scale;
            if (left + width > targetWidth + 0.5)
                break;
            const QRect cell(int(left / twipsPerPixelX) + 1, int(top / twipsPerPixelY) + 1,
                             int(width / twipsPerPixelX) - 1, int(height / twipsPerPixelY) - 1);
            const int alignment = g.ColAlignment(c);
            const bool centred = alignment >= 3 && alignment <= 8;
            painter.drawText(cell,
                             int((centred ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignVCenter),
                             g.TextMatrix(r, c));
            if (PrintGridLines)
                painter.drawRect(cell.adjusted(-1, -1, 0, 0));
            left += width;
        }
        top += height;
    }
}
