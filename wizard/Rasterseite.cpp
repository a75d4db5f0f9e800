#include "Rasterseite.h"

#include "EditGrid.h"
#include "FlexGrid.h"

#include "Kalibrierung.h"

#include "Conversion.h"
#include "RuntimeError.h"

#include <QLineEdit>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QStyle>

namespace {
qint64 cellKey(int row, int col) {
    return (qint64(row) << 16) | col;
}
int rowOf(qint64 key) {
    return int(key >> 16);
}
int colOf(qint64 key) {
    return int(key & 0xFFFF);
}
} // namespace

Rasterseite::Rasterseite(Kalibrierung& k, int index, const QString& caption, int fixedCols,
                         const QString& gridName, const QString& inputName,
                         const QString& editGridName, QWidget* parent)
    : Seite(k, index, caption, parent) {
    m_grid = new FlexGrid(this);
    m_grid->setObjectName(gridName);
    m_grid->setFixedRows(1);
    m_grid->setFixedCols(fixedCols);
    m_input = new QLineEdit(m_grid);
    m_input->setObjectName(inputName);
    m_input->hide();
    m_editGrid = new clsEditGrid(this);
    m_editGrid->setObjectName(editGridName);
    m_editGrid->setMSFlexGrid(m_grid);
    m_editGrid->setInputObject(m_input);
    // Rows follow fields and points: no rows are added or removed by keys or
    // by pasting, which pastes over the cells.
    m_editGrid->GridIgnoreAddDelKeys = true;
    m_editGrid->ClipboardDoWholeLine = false;
    m_editGrid->ClipboardPasteInsertLines = false;
    m_editGrid->FocusColorsSet(false);

    // A typed or pasted number is read once, when it is committed: an empty
    // text empties the cell where the page allows it, anything else must be
    // a number the page takes. The cells of one command are checked
    // together: a check sees the numbers checked before it, and a refusal
    // drops them all, as nothing of the command is written.
    connect(m_editGrid, &clsEditGrid::ValidateCellEdit, this,
            [this](int row, int col, const QString& text, QString& refusal) {
                double value = 0;
                refusal = text.trimmed().isEmpty() ? leer(row, col) : prüfen(row, col, text, value);
                if (!refusal.isEmpty())
                    m_geprüft.clear();
                else if (!text.trimmed().isEmpty())
                    m_geprüft.insert(cellKey(row, col), {text, value});
            });
    connect(m_editGrid, &clsEditGrid::AfterCellEdit, this,
            [this](int row, int col, QString& text, bool&) { zelleBearbeitet(row, col, text); });
    connect(m_editGrid, &clsEditGrid::CellClear, this,
            [this](int row, int col) { m_bearbeitet.insert(cellKey(row, col), std::nullopt); });
    // Each edit reaches the calibration at once, as a step that can be undone.
    connect(m_editGrid, &clsEditGrid::CellsEdited, this, &Rasterseite::schreiben);
}

void Rasterseite::schreiben(int how) {
    if (m_bearbeitet.isEmpty())
        return;
    QString text;
    if (m_bearbeitet.size() == 1) {
        const qint64 key = m_bearbeitet.cbegin().key();
        text = schrittText(rowOf(key), colOf(key));
    } else {
        text = how == clsEditGrid::EditedByPaste   ? QStringLiteral("Einfügen")
               : how == clsEditGrid::EditedByClear ? QStringLiteral("Löschen")
                                                   : QStringLiteral("Eingabe");
    }
    {
        // Called from the commit itself: the edit is being closed already.
        const QScopedValueRollback<bool> schreibt(m_schreibt, true);
        const Kalibrierung::Bearbeitung schritt(m_k, text);
        bool cancel = false;
        übernehmen(0, cancel);
    }
    for (auto it = m_bearbeitet.cbegin(); it != m_bearbeitet.cend(); ++it)
        m_gezeigt.insert(it.key(), m_grid->TextMatrix(rowOf(it.key()), colOf(it.key())));
    m_bearbeitet.clear();
}

void Rasterseite::auffrischen() {
    const int row = m_grid->Row(), col = m_grid->Col(), top = m_grid->TopRow();
    füllen();
    rt::SkipErrors skip;
    skip([&] {
        if (m_grid->Rows() > m_grid->FixedRows())
            m_grid->setCurrentCell(std::min(row, m_grid->Rows() - 1), col);
    });
    skip([&] { m_grid->setTopRow(std::min(top, m_grid->Rows() - 1)); });
}

void Rasterseite::zelleBearbeitet(int row, int col, QString& text) {
    const qint64 key = cellKey(row, col);
    if (text.trimmed().isEmpty()) {
        text.clear();
        m_bearbeitet.insert(key, std::nullopt);
        return;
    }
    const auto checked = m_geprüft.take(key);
    double value = checked.second;
    if (checked.first != text && !prüfen(row, col, text, value).isEmpty())
        return; // not a number the page takes: the cell keeps the text, nothing is entered
    // The number is stored as typed; the cell shows it at its decimals.
    text = anzeigen(row, col, value);
    m_bearbeitet.insert(key, value);
}

std::optional<double> Rasterseite::geprüft(int row, int col) const {
    const auto it = m_geprüft.constFind(cellKey(row, col));
    if (it == m_geprüft.cend())
        return std::nullopt;
    return it->second;
}

void Rasterseite::zeigen(int row, int col, const QString& text) {
    m_grid->setTextMatrix(row, col, text);
    m_gezeigt.insert(cellKey(row, col), text);
}

bool Rasterseite::geändert(int row, int col) const {
    return bearbeitet(row, col) ||
           m_grid->TextMatrix(row, col) != m_gezeigt.value(cellKey(row, col));
}

bool Rasterseite::bearbeitet(int row, int col) const {
    return m_bearbeitet.contains(cellKey(row, col));
}

std::optional<double> Rasterseite::eingabe(int row, int col) const {
    return m_bearbeitet.value(cellKey(row, col));
}

void Rasterseite::vergessen() {
    m_gezeigt.clear();
    m_bearbeitet.clear();
    m_geprüft.clear();
}

bool Rasterseite::eingabeBeenden() {
    return m_schreibt || m_editGrid->EndEdit(false);
}

void Rasterseite::eingabeStillBeenden() {
    if (!m_schreibt)
        m_editGrid->EndEdit(false, true);
}

int Rasterseite::randbreite() const {
    return 8 + m_grid->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
}

void Rasterseite::resizeEvent(QResizeEvent* event) {
    Seite::resizeEvent(event);
    spaltenbreiten(m_grid->width());
}
