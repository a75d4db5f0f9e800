#include "EditGrid.h"

#include "FlexGrid.h"
#include "MessageService.h"

#include "Conversion.h"
#include "RuntimeError.h"
#include "Variant.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDateTime>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPaintDevice>
#include <QPainter>
#include <QScreen>

#include <cmath>

namespace {

// Keys that never open an editor. Navigation keys move the current cell.
bool isIgnoredKey(int code) {
    switch (code) {
    case vk::VK_SHIFT:
    case vk::VK_CONTROL:
    case vk::VK_MENU:
    case vk::VK_PAUSE:
    case vk::VK_CAPITAL:
    case vk::VK_NUMLOCK:
    case vk::VK_SCROLL:
    case vk::VK_ESCAPE:
    case vk::VK_TAB:
    case vk::VK_F1:
    case vk::VK_LWIN:
    case vk::VK_APPS:
        return true;
    default:
        return (code >= vk::VK_F3 && code <= vk::VK_F16) ||
               (code >= vk::VK_PRIOR && code <= vk::VK_DOWN);
    }
}

int lower(int a, int b) {
    return std::min(a, b);
}
int upper(int a, int b) {
    return std::max(a, b);
}

} // namespace

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

bool clsEditGrid::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && !m_forwarding && m_state == EditState::Editing)
        return editorKey(watched, static_cast<QKeyEvent*>(event));
    // A modifier pressed alone is the editor's: it never wakes the menu bar,
    // which would take the focus and end the edit half typed.
    if (event->type() == QEvent::ShortcutOverride && m_state == EditState::Editing) {
        switch (static_cast<QKeyEvent*>(event)->key()) {
        case Qt::Key_Alt:
        case Qt::Key_AltGr:
        case Qt::Key_Meta:
        case Qt::Key_Super_L:
        case Qt::Key_Super_R:
        case Qt::Key_Shift:
        case Qt::Key_Control:
            event->accept();
            return true;
        default:
            break;
        }
    }
    // A closed editor hands a focus given back to it (the menu bar returns
    // it to the widget that had it) to the grid: no key may type into it.
    if (event->type() == QEvent::FocusIn && m_state == EditState::None && m_grid &&
        watched == InputObject() && !InputObject()->isVisible()) {
        m_grid->setFocus(static_cast<QFocusEvent*>(event)->reason());
        return false;
    }
    if (event->type() == QEvent::FocusOut) {
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        // A popup of the combo box, the menu bar (its menus commit through
        // the host) or another window does not end the edit. A text the
        // host refuses stays in the open editor: the command that needs it
        // (a save, a page change) shows the refusal. The current cell stays.
        if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason &&
            reason != Qt::MenuBarFocusReason)
            endEdit(false, Quiet | NoAdvance);
    }
    return QObject::eventFilter(watched, event);
}

bool clsEditGrid::editorKey(QObject* watched, QKeyEvent* key) {
    const int code = key->key();
    const Qt::KeyboardModifiers modifiers = key->modifiers() & ~Qt::KeypadModifier;
    key->accept();
    if (code == Qt::Key_Return || code == Qt::Key_Enter) {
        endEdit(false, 0);
        return true;
    }
    if (code == Qt::Key_Escape) {
        endEdit(true, 0);
        return true;
    }
    if (code == Qt::Key_Tab || code == Qt::Key_Backtab) {
        const bool back = code == Qt::Key_Backtab || (modifiers & Qt::ShiftModifier);
        if (endEdit(false, NoAdvance)) {
            if (modifiers & Qt::ControlModifier)
                m_grid->focusOutOfGrid(!back);
            else
                tabTo(back);
        }
        return true;
    }
    // A one-line editor has no use for Up and Down: they commit and move,
    // as in a spreadsheet; so do the page keys.
    if (m_textBox && modifiers == Qt::NoModifier &&
        (code == Qt::Key_Up || code == Qt::Key_Down || code == Qt::Key_PageUp ||
         code == Qt::Key_PageDown)) {
        if (endEdit(false, NoAdvance)) {
            QKeyEvent move(QEvent::KeyPress, code, Qt::NoModifier);
            QCoreApplication::sendEvent(m_grid, &move);
        }
        return true;
    }
    // A block of cells pasted into the editor goes over the cells from the
    // edited one, as a paste in the grid does; a single value is the
    // editor's.
    if (key->matches(QKeySequence::Paste)) {
        QString text = QApplication::clipboard()->text();
        while (text.endsWith(u'\r') || text.endsWith(u'\n'))
            text.chop(1);
        if (text.contains(u'\t') || text.contains(u'\r') || text.contains(u'\n')) {
            if (endEdit(false, NoAdvance))
                clipboardByKey(vk::VK_V);
            return true;
        }
    }
    // Every other key is the editor's alone: what it does not use (a lone
    // Shift, Ctrl+A, Alt) never reaches the grid behind it.
    m_forwarding = true;
    static_cast<QObject*>(watched)->event(key);
    m_forwarding = false;
    // Typing undone in the editor, back to the cell's text, is no edit.
    if (key->matches(QKeySequence::Undo) && inputText() == m_openedText)
        m_userChanged = false;
    key->accept();
    return true;
}

void clsEditGrid::tabTo(bool back) {
    if (!m_grid)
        return;
    FlexGrid& g = *m_grid;
    const int start = GridAutoFocus_ColStart == -1 ? g.FixedCols() : GridAutoFocus_ColStart;
    const int end = GridAutoFocus_ColEnd == -1 ? g.Cols() - 1 : GridAutoFocus_ColEnd;
    int row = g.Row();
    int col = g.Col() + (back ? -1 : 1);
    if (!back && col > end) {
        col = start;
        ++row;
    } else if (back && col < start) {
        col = end;
        --row;
    }
    if (row < g.FixedRows() || row > g.Rows() - 1 || col < 0 || col >= g.Cols())
        return;
    g.setCurrentCell(row, col);
    EnsureVisibleRow(row);
}

// Ctrl+C, Ctrl+X, Ctrl+V; a failure is reported, not raised.
void clsEditGrid::clipboardByKey(int keyCode) {
    try {
        if (keyCode == vk::VK_C)
            ClipboardCopy();
        else if (keyCode == vk::VK_X)
            ClipboardCut();
        else
            ClipboardPaste(ClipboardPasteInsertLines);
    } catch (const rt::RuntimeError& e) {
        showMessage(m_grid,
                    QStringLiteral("Fehler bei Zwischenablagenfunktion: %1 (%2)")
                        .arg(e.description())
                        .arg(e.number()),
                    MessageService::Warning);
    }
}

// ---- editing -----------------------------------------------------------------------

void clsEditGrid::BeginEdit() {
    int key = vk::VK_RETURN;
    onKeyDown(key, 0);
}

void clsEditGrid::onKeyDown(int& KeyCode, int Shift) {
    if (!m_active || !m_grid)
        return;
    try {
        m_keyHandled = true;
        // An edit left open by a refusal is settled before the grid acts:
        // Escape abandons it, any other key commits it first.
        if (m_state == EditState::Editing) {
            const bool settled =
                KeyCode == vk::VK_ESCAPE ? endEdit(true, 0) : endEdit(false, NoAdvance);
            if (!settled || KeyCode == vk::VK_ESCAPE) {
                KeyCode = 0;
                return;
            }
        }
        if (KeyCode == 0 && Shift == 0)
            return;
        if (KeyCode == vk::VK_TAB) {
            // Tab moves from cell to cell; Ctrl+Tab leaves the grid.
            if (!(Shift & vk::CtrlMask)) {
                tabTo(Shift & vk::ShiftMask);
                KeyCode = 0;
            }
            return;
        }
        if (isIgnoredKey(KeyCode))
            return;
        FlexGrid& g = *m_grid;
        if (KeyCode == vk::VK_INSERT) {
            if (Shift == vk::CtrlMask && !GridIgnoreAddDelKeys) {
                RowsAdd(lower(g.Row(), g.RowSel()), std::abs(g.Row() - g.RowSel()) + 1);
                syncInputText();
            }
            return;
        }
        if (KeyCode == vk::VK_DELETE) {
            if (Shift == vk::CtrlMask) {
                if (!GridIgnoreAddDelKeys)
                    SelRowsDel();
            } else {
                SelClear();
            }
            return;
        }
        m_keyHandled = false;
        if (Shift == vk::CtrlMask && !GridIgnoreClipboardKeys &&
            (KeyCode == vk::VK_C || KeyCode == vk::VK_X || KeyCode == vk::VK_V)) {
            m_keyHandled = true;
            clipboardByKey(KeyCode);
            return;
        }
        // A key with Ctrl, Alt or the Windows key is a command; one that no
        // enabled command took (Ctrl+Z with nothing to undo) starts no edit.
        if (!m_keyHandled && !(Shift & (vk::AltMask | vk::CtrlMask | vk::MetaMask)))
            openEditor();
        else
            m_keyHandled = true;
    } catch (const rt::RuntimeError&) {
        // Errors of the keyboard commands are ignored.
    }
}

void clsEditGrid::openEditor() {
    if (m_state != EditState::None)
        return;
    FlexGrid& g = *m_grid;
    const int row = g.Row(), col = g.Col();
    if (row < g.FixedRows() || col < g.FixedCols() || row < 0 || col < 0)
        return;
    QString prompt = g.TextMatrix(row, col);
    bool cancel = false;
    emit BeforeCellEdit(row, col, prompt, cancel);
    QWidget* input = InputObject();
    if (!input || cancel)
        return;
    m_state = EditState::Editing;
    m_editRow = row;
    m_editCol = col;
    m_editRowSel = g.RowSel();
    m_editColSel = g.ColSel();
    positionInputObject();
    input->setVisible(true);
    input->raise();
    input->setFocus(Qt::OtherFocusReason);
    setInputText(prompt);
    m_userChanged = false;
    m_openedText = inputText();
    if (m_textBox)
        m_textBox->selectAll();
    else if (m_comboBox && m_comboBox->lineEdit())
        m_comboBox->lineEdit()->selectAll();
}

void clsEditGrid::onKeyPress(int& KeyAscii) {
    if (!m_active || m_keyHandled)
        return;
    QWidget* input = InputObject();
    if (!input || !input->isVisible())
        return;
    if (KeyAscii == vk::VK_ESCAPE || KeyAscii == vk::VK_TAB || KeyAscii == vk::VK_RETURN)
        return;
    if (KeyAscii == vk::VK_BACK) {
        setInputText(QString());
        m_userChanged = true;
        return;
    }
    if (KeyAscii < 32)
        return; // control characters of Ctrl combinations are no text
    m_userChanged = true;
    const QString typed{QChar(char16_t(KeyAscii))};
    if (m_textBox) {
        m_textBox->setText(typed);
        m_textBox->setCursorPosition(1);
    } else if (m_comboBox) {
        setInputText(typed);
        if (m_comboBox->lineEdit()) {
            m_comboBox->setEditText(typed);
            m_comboBox->lineEdit()->setCursorPosition(1);
        }
    }
}

bool clsEditGrid::EndEdit(bool Cancel, bool Silently) {
    return endEdit(Cancel, NoAdvance | (Silently ? Quiet : 0));
}

QString clsEditGrid::refusal(int row, int col, const QString& text) {
    // A host that fails while checking refuses with its error.
    QString refused;
    try {
        emit ValidateCellEdit(row, col, text, refused);
    } catch (const rt::RuntimeError& e) {
        refused = QStringLiteral("%1 (%2)").arg(e.description()).arg(e.number());
    }
    return refused;
}

bool clsEditGrid::endEdit(bool cancel, int flags) {
    QWidget* input = InputObject();
    if (m_state != EditState::Editing || !input || !m_grid)
        return m_state == EditState::None;
    m_state = EditState::Committing;
    FlexGrid& g = *m_grid;
    // Errors (a row that went away, a failing handler) skip their step only.
    // Once the edit is over the input object shows the cell again, so that no
    // typed text is left over to be written when the cell is left.
    rt::SkipErrors skip;
    QString text;
    const bool edited = changed();
    if (!cancel && edited) {
        text = inputText();
        if (!FormatString.isEmpty())
            skip([&] { text = rt::format(rt::Variant(text), FormatString); });
        // Every cell the text would go to must take it, or none gets it.
        QString refused;
        if (!GridMultibleEdit) {
            refused = refusal(m_editRow, m_editCol, text);
        } else {
            for (int r = lower(m_editRow, m_editRowSel); r <= upper(m_editRow, m_editRowSel); ++r)
                for (int c = lower(m_editCol, m_editColSel); c <= upper(m_editCol, m_editColSel);
                     ++c)
                    if (refused.isEmpty())
                        refused = refusal(r, c, text);
        }
        if (!refused.isEmpty()) {
            m_state = EditState::Editing;
            if (!(flags & Quiet)) {
                showMessage(m_grid, refused, MessageService::Warning);
                if (input->isVisible())
                    input->setFocus(Qt::OtherFocusReason);
            }
            return false;
        }
    }
    // The grid takes the focus before the input object goes, so that the
    // focus never passes through the next control of the window; a focus
    // the user gave elsewhere (a click, the menu bar) stays there.
    auto focusGrid = [&] {
        QWidget* focus = QApplication::focusWidget();
        if (!focus || focus == input || input->isAncestorOf(focus) || focus == &g)
            g.setFocus(Qt::OtherFocusReason);
    };
    focusGrid();
    // Text the user did not change is no edit: nothing is written, and a
    // value shown rounded keeps its stored digits.
    if (cancel || !edited) {
        skip([&] { g.setCurrentCell(m_editRow, m_editCol); });
        skip([&] { syncInputText(); });
        focusGrid();
        input->hide();
        if (cancel)
            emit CancelCellEdit(g.Row(), g.Col());
        else if (!(flags & NoAdvance))
            skip([&] { advance(); });
        m_state = EditState::None;
        emit ProcessReady();
        return true;
    }
    input->hide();
    commit(text);
    skip([&] { g.setCurrentCell(m_editRow, m_editCol); });
    skip([&] { syncInputText(); });
    focusGrid();
    emit CellsEdited(EditedByTyping);
    if (!(flags & NoAdvance))
        skip([&] { advance(); });
    m_state = EditState::None;
    emit ProcessReady();
    return true;
}

void clsEditGrid::commit(const QString& text) {
    FlexGrid& g = *m_grid;
    const bool redraw = g.Redraw();
    g.setRedraw(false);
    rt::SkipErrors skip;
    auto writeCell = [&](int row, int col) {
        skip([&] {
            QString newValue = text;
            bool cancel = false;
            emit AfterCellEdit(row, col, newValue, cancel);
            if (!cancel)
                g.setTextMatrix(row, col, newValue);
        });
    };
    if (!GridMultibleEdit) {
        writeCell(m_editRow, m_editCol);
    } else {
        for (int r = lower(m_editRow, m_editRowSel); r <= upper(m_editRow, m_editRowSel); ++r)
            for (int c = lower(m_editCol, m_editColSel); c <= upper(m_editCol, m_editColSel); ++c)
                writeCell(r, c);
    }
    g.setRedraw(redraw);
}

void clsEditGrid::advance() {
    FlexGrid& g = *m_grid;
    if (GridAutoRowAdd && g.Row() == g.Rows() - 1) {
        bool cancel = false;
        emit BeforeRowAdd(g.Rows(), cancel);
        if (!cancel) {
            g.AddItem(QString());
            emit RowAdd(g.Rows() - 1);
        }
    }
    if (GridAutoFocus) {
        const int start = GridAutoFocus_ColStart == -1 ? g.FixedCols() : GridAutoFocus_ColStart;
        const int end = GridAutoFocus_ColEnd == -1 ? g.Cols() - 1 : GridAutoFocus_ColEnd;
        int row = g.Row();
        int col = g.Col() + 1;
        if (col > end) {
            col = start;
            ++row;
        }
        if (row <= g.Rows() - 1 && col >= 0 && col < g.Cols())
            g.setCurrentCell(row, col);
    }
}

// ---- grid notifications --------------------------------------------------------------

void clsEditGrid::Refresh() {
    onEnterCell();
}

void clsEditGrid::onEnterCell() {
    if (m_returning)
        return;
    if (m_grid)
        emit BeforeEnterCell(m_grid->Row(), m_grid->Col());
    m_suppressClick = true;
    QWidget* input = InputObject();
    if (m_backToEdit && m_grid && input) {
        // The cell was left with a refused text: back to it, still editing.
        m_backToEdit = false;
        m_returning = true;
        rt::SkipErrors skip;
        skip([&] { m_grid->setCurrentCell(m_editRow, m_editCol); });
        m_returning = false;
        positionInputObject();
        input->show();
        input->setFocus(Qt::OtherFocusReason);
        return;
    }
    if (m_active && input) {
        input->hide();
        rt::SkipErrors skip;
        skip([&] { syncInputText(); });
        positionInputObject();
    }
}

void clsEditGrid::onLeaveCell() {
    if (!m_active || !m_grid || m_returning || m_state == EditState::Committing)
        return;
    // The cell that is left takes its edit first; a refused one is returned to.
    if (!endEdit(false, NoAdvance)) {
        m_backToEdit = true;
        return;
    }
    QWidget* input = InputObject();
    if (!input)
        return;
    // Only text put into the input object since it was last synchronised is
    // written back; the cell keeps what commits and the host stored in it.
    if (inputText() != m_syncedText) {
        rt::SkipErrors skip;
        skip([&] { m_grid->setTextMatrix(m_grid->Row(), m_grid->Col(), inputText()); });
    }
    input->hide();
}

void clsEditGrid::onClick() {
    if (m_suppressClick) {
        m_suppressClick = false;
        return;
    }
    // A click on the cell of an edit left open goes back into its editor.
    if (m_state == EditState::Editing && m_grid && m_grid->MouseRow() == m_editRow &&
        m_grid->MouseCol() == m_editCol) {
        if (QWidget* input = InputObject())
            input->setFocus(Qt::MouseFocusReason);
        return;
    }
    if (m_active && m_grid && m_grid->MouseRow() == m_grid->Row() &&
        m_grid->MouseCol() == m_grid->Col())
        BeginEdit();
}

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

void clsEditGrid::ClipboardCopy(std::optional<int> StartCol, std::optional<int> StartRow,
                                std::optional<int> EndCol, std::optional<int> EndRow) {
    if (!m_grid)
        return;
    const FlexGrid& g = *m_grid;
    int r1 = lower(g.Row(), g.RowSel()), r2 = upper(g.Row(), g.RowSel());
    int c1 = ClipboardDoWholeLine ? g.FixedCols() : lower(g.Col(), g.ColSel());
    int c2 = ClipboardDoWholeLine ? g.Cols() - 1 : upper(g.Col(), g.ColSel());
    if (StartCol)
        c1 = *StartCol;
    if (StartRow)
        r1 = *StartRow;
    if (EndCol)
        c2 = *EndCol;
    if (EndRow)
        r2 = *EndRow;
    QString text;
    for (int r = r1; r <= r2; ++r) {
        for (int c = c1; c <= c2; ++c) {
            if (c > c1)
                text += u'\t';
            text += g.TextMatrix(r, c);
        }
        text += QStringLiteral("\r\n");
    }
    QClipboard* clipboard = QApplication::clipboard();
    clipboard->clear();
    clipboard->setText(text);
}

void clsEditGrid::ClipboardCut(std::optional<int> StartCol, std::optional<int> StartRow,
                               std::optional<int> EndCol, std::optional<int> EndRow) {
    ClipboardCopy(StartCol, StartRow, EndCol, EndRow);
    if (ClipboardDoWholeLine) {
        if (StartRow || EndRow) {
            const FlexGrid& g = *m_grid;
            RowsDel(StartRow.value_or(lower(g.Row(), g.RowSel())),
                    EndRow.value_or(upper(g.Row(), g.RowSel())));
        } else {
            SelRowsDel();
        }
    } else {
        SelClear();
    }
}

void clsEditGrid::ClipboardPaste(bool InsertLines) {
    if (!m_grid)
        return;
    FlexGrid& g = *m_grid;
    int row = lower(g.Row(), g.RowSel());
    if (ClipboardDoWholeLine && g.Col() != g.FixedCols())
        g.setCurrentCell(g.Row(), g.FixedCols());
    const int col = lower(g.Col(), g.ColSel());
    QString text = QApplication::clipboard()->text();
    if (text.isEmpty())
        return;
    while (!text.isEmpty() && (text.endsWith(u'\r') || text.endsWith(u'\n')))
        text.chop(1);
    // Line ends of every platform: CR LF, CR or LF.
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\r"));
    text.replace(u'\n', u'\r');
    const QStringList lines = text.split(u'\r');
    if (!InsertLines) {
        // The whole block is checked before any cell is written.
        int r = row;
        for (const QString& line : lines) {
            if (r >= g.Rows())
                break;
            const QStringList fields = line.split(u'\t');
            for (int k = 0; k < fields.size() && col + k < g.Cols(); ++k) {
                const QString refused = refusal(r, col + k, fields[k]);
                if (!refused.isEmpty()) {
                    showMessage(m_grid, refused, MessageService::Warning);
                    return;
                }
            }
            ++r;
        }
    }
    const bool redraw = g.Redraw();
    g.setRedraw(false);
    bool cutOff = false;
    try {
        for (const QString& line : lines) {
            if (InsertLines) {
                g.AddItem(QString(col, u'\t') + line, row);
            } else if (row >= g.Rows()) {
                cutOff = true; // past the last row
                break;
            } else {
                // Over the cells: each cell pasted over is an edit the host sees
                // and may change; what lies past the last column is left out.
                const QStringList fields = line.split(u'\t');
                for (int k = 0; k < fields.size(); ++k) {
                    if (col + k >= g.Cols()) {
                        cutOff = true;
                        break;
                    }
                    QString newValue = fields[k];
                    bool cancel = false;
                    emit AfterCellEdit(row, col + k, newValue, cancel);
                    if (!cancel)
                        g.setTextMatrix(row, col + k, newValue);
                }
            }
            ++row;
        }
    } catch (...) {
        g.setRedraw(redraw);
        syncInputText();
        throw;
    }
    g.setRedraw(redraw);
    syncInputText();
    emit CellsEdited(EditedByPaste);
    // What did not fit is reported once everything that fits is written.
    if (cutOff)
        rt::raiseError(rt::err::InvalidPropertyArrayIndex);
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
    for (int r = lower(g.Row(), g.RowSel()); r <= upper(g.Row(), g.RowSel()); ++r)
        for (int c = lower(g.Col(), g.ColSel()); c <= upper(g.Col(), g.ColSel()); ++c)
            if (const QString refused = refusal(r, c, QString()); !refused.isEmpty()) {
                showMessage(m_grid, refused, MessageService::Warning);
                return;
            }
    for (int r = lower(g.Row(), g.RowSel()); r <= upper(g.Row(), g.RowSel()); ++r)
        for (int c = lower(g.Col(), g.ColSel()); c <= upper(g.Col(), g.ColSel()); ++c) {
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
    const int first = lower(g.Row(), g.RowSel());
    RowsDel(first, upper(g.Row(), g.RowSel()));
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
