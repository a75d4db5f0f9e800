// The edit session of the edit grid: the keys and clicks that open an
// editor over the current cell, and the commit that closes it.

#include "EditGrid.h"

#include "FlexGrid.h"
#include "MessageService.h"

#include "Conversion.h"
#include "RuntimeError.h"
#include "Variant.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScopeGuard>

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

} // namespace

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
                RowsAdd(std::min(g.Row(), g.RowSel()), std::abs(g.Row() - g.RowSel()) + 1);
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
    // A handler that throws closes the edit on its way out: the grid is
    // never left committing, and the cell shows what it holds.
    const auto closeOnThrow = qScopeGuard([this] {
        if (m_state != EditState::Committing)
            return;
        m_state = EditState::None;
        try {
            if (QWidget* open = InputObject()) {
                if (m_grid && open->hasFocus())
                    m_grid->setFocus(Qt::OtherFocusReason);
                open->hide();
            }
            syncInputText();
        } catch (...) {
            // The exception already on its way is the one the caller sees.
        }
    });
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
            for (int r = std::min(m_editRow, m_editRowSel); r <= std::max(m_editRow, m_editRowSel);
                 ++r)
                for (int c = std::min(m_editCol, m_editColSel);
                     c <= std::max(m_editCol, m_editColSel); ++c)
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
    // The host hears of the written cell with the edit closed: what it does
    // then (a step of its own, a command that ends edits) finds none open.
    m_state = EditState::None;
    emit CellsEdited(EditedByTyping);
    if (!(flags & NoAdvance))
        skip([&] { advance(); });
    emit ProcessReady();
    return true;
}

void clsEditGrid::commit(const QString& text) {
    FlexGrid& g = *m_grid;
    const bool redraw = g.Redraw();
    g.setRedraw(false);
    const auto redrawn = qScopeGuard([&] { g.setRedraw(redraw); });
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
        for (int r = std::min(m_editRow, m_editRowSel); r <= std::max(m_editRow, m_editRowSel); ++r)
            for (int c = std::min(m_editCol, m_editColSel); c <= std::max(m_editCol, m_editColSel);
                 ++c)
                writeCell(r, c);
    }
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
    if (m_state == EditState::Returning)
        return;
    if (m_grid)
        emit BeforeEnterCell(m_grid->Row(), m_grid->Col());
    m_suppressClick = true;
    QWidget* input = InputObject();
    if (m_state == EditState::Leaving) {
        m_state = EditState::Editing;
        if (m_grid && input) {
            // The cell was left with a refused text: back to it, still editing.
            m_state = EditState::Returning;
            {
                const auto returned = qScopeGuard([this] { m_state = EditState::Editing; });
                rt::SkipErrors skip;
                skip([&] { m_grid->setCurrentCell(m_editRow, m_editCol); });
            }
            positionInputObject();
            input->show();
            input->setFocus(Qt::OtherFocusReason);
            return;
        }
    }
    if (m_active && input) {
        input->hide();
        rt::SkipErrors skip;
        skip([&] { syncInputText(); });
        positionInputObject();
    }
}

void clsEditGrid::onLeaveCell() {
    if (!m_active || !m_grid || m_state == EditState::Returning || m_state == EditState::Committing)
        return;
    // The cell that is left takes its edit first; a refused one is returned to.
    if (!endEdit(false, NoAdvance)) {
        m_state = EditState::Leaving;
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
