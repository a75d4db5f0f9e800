// The edit grid's clipboard: tab-separated lines, copied from the
// selection and pasted as new rows or over the cells.

#include "EditGrid.h"

#include "FlexGrid.h"
#include "MessageService.h"

#include "RuntimeError.h"

#include <QApplication>
#include <QClipboard>

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

void clsEditGrid::ClipboardCopy(std::optional<int> StartCol, std::optional<int> StartRow,
                                std::optional<int> EndCol, std::optional<int> EndRow) {
    if (!m_grid)
        return;
    const FlexGrid& g = *m_grid;
    int r1 = std::min(g.Row(), g.RowSel()), r2 = std::max(g.Row(), g.RowSel());
    int c1 = ClipboardDoWholeLine ? g.FixedCols() : std::min(g.Col(), g.ColSel());
    int c2 = ClipboardDoWholeLine ? g.Cols() - 1 : std::max(g.Col(), g.ColSel());
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
            RowsDel(StartRow.value_or(std::min(g.Row(), g.RowSel())),
                    EndRow.value_or(std::max(g.Row(), g.RowSel())));
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
    int row = std::min(g.Row(), g.RowSel());
    if (ClipboardDoWholeLine && g.Col() != g.FixedCols())
        g.setCurrentCell(g.Row(), g.FixedCols());
    const int col = std::min(g.Col(), g.ColSel());
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
