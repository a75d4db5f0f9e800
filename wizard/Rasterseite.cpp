#include "Rasterseite.h"

#include "EditGrid.h"
#include "FlexGrid.h"

#include "Kalibrierung.h"

#include "Conversion.h"
#include "RuntimeError.h"

#include <QLineEdit>
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
                    m_eingaben.removeIf(
                        [](QMap<qint64, Eingabe>::iterator it) { return !it->inZelle; });
                else if (!text.trimmed().isEmpty())
                    m_eingaben.insert(cellKey(row, col), {text, value});
            });
    connect(m_editGrid, &clsEditGrid::AfterCellEdit, this,
            [this](int row, int col, QString& text, bool&) { zelleBearbeitet(row, col, text); });
    connect(m_editGrid, &clsEditGrid::CellClear, this, [this](int row, int col) {
        m_eingaben.insert(cellKey(row, col), {QString(), std::nullopt, true});
    });
    // Each edit reaches the calibration at once, as a step that can be
    // undone; the grid announces it with the edit closed.
    connect(m_editGrid, &clsEditGrid::CellsEdited, this, &Rasterseite::schreiben);
}

void Rasterseite::schreiben(int how) {
    QList<std::pair<qint64, std::optional<double>>> zellen;
    for (auto it = m_eingaben.cbegin(); it != m_eingaben.cend(); ++it)
        if (it->inZelle)
            zellen.append({it.key(), it->wert});
    if (!zellen.isEmpty()) {
        QString text;
        if (zellen.size() == 1) {
            text = schrittText(rowOf(zellen[0].first), colOf(zellen[0].first));
        } else {
            text = how == clsEditGrid::EditedByPaste   ? QStringLiteral("Einfügen")
                   : how == clsEditGrid::EditedByClear ? QStringLiteral("Löschen")
                                                       : QStringLiteral("Eingabe");
        }
        // Only the edited cells are written, each on its own: one that fails
        // keeps its stored value.
        Zeilen zeilen;
        for (const auto& [key, wert] : zellen)
            zeilen[rowOf(key)].insert(colOf(key), wert);
        const Kalibrierung::Bearbeitung schritt(m_k, text);
        alleEintragen(zeilen);
    }
    m_eingaben.clear();
    for (const auto& zelle : zellen)
        m_gezeigt.insert(zelle.first, m_grid->TextMatrix(rowOf(zelle.first), colOf(zelle.first)));
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
        m_eingaben.insert(key, {QString(), std::nullopt, true});
        return;
    }
    const Eingabe checked = m_eingaben.take(key);
    double value = checked.wert.value_or(0);
    if (checked.text != text && !prüfen(row, col, text, value).isEmpty())
        return; // not a number the page takes: the cell keeps the text, nothing is entered
    // The number is stored as typed; the cell shows it at its decimals.
    text = anzeigen(row, col, value);
    m_eingaben.insert(key, {text, value, true});
}

void Rasterseite::alleEintragen(const Zeilen& zeilen) {
    rt::SkipErrors skip;
    for (auto z = zeilen.cbegin(); z != zeilen.cend(); ++z)
        for (auto s = z->cbegin(); s != z->cend(); ++s)
            skip([&] { eintragen(z.key(), s.key(), *s); });
}

const Rasterseite::Eingabe* Rasterseite::eingabeIn(int row, int col) const {
    const auto it = m_eingaben.constFind(cellKey(row, col));
    return it == m_eingaben.cend() ? nullptr : &*it;
}

std::optional<double> Rasterseite::geprüft(int row, int col) const {
    const Eingabe* e = eingabeIn(row, col);
    return e && !e->inZelle ? e->wert : std::nullopt;
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
    const Eingabe* e = eingabeIn(row, col);
    return e && e->inZelle;
}

std::optional<double> Rasterseite::eingabe(int row, int col) const {
    const Eingabe* e = eingabeIn(row, col);
    return e && e->inZelle ? e->wert : std::nullopt;
}

void Rasterseite::vergessen() {
    m_gezeigt.clear();
    m_eingaben.clear();
}

bool Rasterseite::eingabeBeenden() {
    return m_editGrid->EndEdit(false);
}

void Rasterseite::eingabeStillBeenden() {
    m_editGrid->EndEdit(false, true);
}

int Rasterseite::randbreite() const {
    return 8 + m_grid->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
}

void Rasterseite::resizeEvent(QResizeEvent* event) {
    Seite::resizeEvent(event);
    spaltenbreiten(m_grid->width());
}
