#pragma once

#include "sorbel_export.h"

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariant>

#include <optional>

class FlexGrid;
class QComboBox;
class QKeyEvent;
class QLineEdit;
class QPaintDevice;
class QWidget;

// Turns a flex grid into a spreadsheet-like editor: an input object (a line
// edit or a combo box) laid over the current cell edits it; keyboard commands
// insert, delete and clear rows and cells; the clipboard exchanges
// tab-separated text; the selection colours follow the focus; item data stays
// with its cell when rows move; the grid can be printed.
class SORBEL_EXPORT clsEditGrid : public QObject {
    Q_OBJECT

public:
    explicit clsEditGrid(QObject* parent = nullptr);
    ~clsEditGrid() override;

    // Settings, read and written directly by the host.
    bool GridAutoFocus = true;
    int GridAutoFocus_ColStart = -1; // -1: the first non-fixed column
    int GridAutoFocus_ColEnd = -1;   // -1: the last column
    bool GridAutoRowAdd = false;
    bool GridMultibleEdit = false;
    bool GridIgnoreClipboardKeys = false;
    bool GridIgnoreAddDelKeys = false;
    QString FormatString;
    bool ClipboardDoWholeLine = true;
    bool ClipboardPasteInsertLines = true;
    bool HandleFocusColors = true;
    double InputObjectMarginLeft = 0;  // pixels
    double InputObjectMarginRight = 0; // pixels

    void EnsureVisibleRow(int Row);
    QString GridText(bool IncludeFixedCells, const QString& ColTerminator,
                     const QString& RowTerminator, bool HoldCols = false) const;
    void setGridText(bool IncludeFixedCells, const QString& ColTerminator,
                     const QString& RowTerminator, bool HoldCols, const QString& Text);
    // Re-synchronises the input object with the current cell.
    void Refresh();
    void ClipboardCopy(std::optional<int> StartCol = {}, std::optional<int> StartRow = {},
                       std::optional<int> EndCol = {}, std::optional<int> EndRow = {});
    void ClipboardCut(std::optional<int> StartCol = {}, std::optional<int> StartRow = {},
                      std::optional<int> EndCol = {}, std::optional<int> EndRow = {});
    // Pastes the clipboard's lines at the selection: inserted as new rows, or
    // over the cells from the current one, each cell raising AfterCellEdit;
    // what lies past the last row or column is left out and reported with
    // error 381 after the rest is written.
    void ClipboardPaste(bool InsertLines);
    void ItemDataMatrixClear();
    // Draws the grid's cells onto a printer or any other paint device.
    void PrintToPrinter(QPaintDevice* Printer, bool AssingToOnePage, bool PrintGridLines);
    void RowsAdd(int BeforeRow, int Count);
    void RowsDel(int StartRow, int EndRow);
    void SelClear();
    void SelRowsDel();

    // A QLineEdit or a QComboBox; any other widget is not kept.
    QWidget* InputObject() const;
    void setInputObject(QWidget* value);
    FlexGrid* MSFlexGrid() const { return m_grid; }
    void setMSFlexGrid(FlexGrid* value);
    bool Active() const { return m_active; }
    void setActive(bool value);

    // Opens the editor on the current cell, as Enter in the grid does.
    void BeginEdit();
    // Closes an open edit, committing it or, with Cancel, abandoning it; the
    // current cell stays. Returns whether no edit is open afterwards: a
    // commit that the host refused (ValidateCellEdit) keeps the edit open
    // with its text, for correction, and shows the refusal unless Silently.
    // A handler that throws closes the edit, and the exception reaches the
    // caller.
    bool EndEdit(bool Cancel, bool Silently = false);
    QVariant ItemDataMatrix(int Row, int Col) const;
    void setItemDataMatrix(int Row, int Col, const QVariant& value);
    void FocusColorsSet(bool IsActive);

    // True while an edit is open.
    bool isEditing() const { return m_state != EditState::None; }

signals:
    // A text is about to be committed to a cell (typed or pasted): a host
    // that cannot take it sets Refusal to a message naming the cell and the
    // text. A refused edit stays open; a refused paste writes nothing.
    void ValidateCellEdit(int Row, int Col, const QString& NewValue, QString& Refusal);
    void BeforeEnterCell(int Row, int Col);
    void AfterCellEdit(int Row, int Col, QString& NewValue, bool& Cancel);
    void CancelCellEdit(int Row, int Col);
    void BeforeCellEdit(int Row, int Col, QString& Prompt, bool& Cancel);
    void ProcessReady();
    void BeforeRowAdd(int Row, bool& Cancel);
    void RowAdd(int Row);
    void BeforeRowRemove(int Row, bool& Cancel);
    void RowRemove(int Row);
    void CellClear(int Row, int Col);
    // Cells were written by the user, once per command, after the cells
    // hold their new texts and with no edit open: a committed edit, a paste
    // or a clear.
    void CellsEdited(int How);

public:
    enum CellsEditedHow { EditedByTyping, EditedByPaste, EditedByClear };

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // An edit is closed, open, or being committed (while the host's handlers
    // run, which may show messages and move the focus). An open edit whose
    // text was refused as its cell was left goes back there: Leaving until
    // the grid enters the next cell, Returning while it moves back.
    enum class EditState { None, Editing, Committing, Leaving, Returning };
    // How an edit ends: whether a refusal is shown (not when the focus
    // merely went elsewhere) and whether the current cell advances.
    enum EndFlags { Quiet = 1, NoAdvance = 2 };

    // The edit session (EditSession.cpp).
    bool endEdit(bool cancel, int flags);
    // The refusal of the first cell that cannot take the text, else "".
    QString refusal(int row, int col, const QString& text);
    // Keys of the open editor: they never reach the grid's own handling.
    bool editorKey(QObject* watched, QKeyEvent* key);
    // Tab: the next (or previous) editable cell, rows wrapping as the
    // automatic advance does.
    void tabTo(bool back);
    void onKeyDown(int& KeyCode, int Shift);
    void onKeyPress(int& KeyAscii);
    void onEnterCell();
    void onLeaveCell();
    void onClick();
    void openEditor();
    void commit(const QString& text);
    void advance();

    // The clipboard (EditGridClipboard.cpp).
    void clipboardByKey(int keyCode);

    // The grid and the input object (EditGrid.cpp).
    void onScroll();
    void onGotFocus();
    void onLostFocus();
    QString inputText() const;
    void setInputText(const QString& text);
    void syncInputText();
    void positionInputObject();
    void keepOneLine(QLineEdit* edit);
    void adoptInputObject();
    bool acceptsFreeText() const;

    QPointer<FlexGrid> m_grid;
    QPointer<QLineEdit> m_textBox;
    QPointer<QComboBox> m_comboBox;
    bool m_active = true;
    EditState m_state = EditState::None;
    int m_editRow = 0, m_editCol = 0, m_editRowSel = 0, m_editColSel = 0;
    bool m_forwarding = false;  // a key is being handed to the editor itself
    bool m_userChanged = false; // the user typed into the open editor
    QString m_openedText;       // ... which opened with this text
    bool changed() const { return m_userChanged || inputText() != m_openedText; }
    bool m_keyHandled = false;
    bool m_suppressClick = false;
    QString m_syncedText; // the cell text the input object was last given
    QHash<QString, QVariant> m_itemData;
    qint32 m_nextRowId = 1;
    qint32 m_nextColId = 1;
};
