#include "Rasterseite.h"

#include "EditGrid.h"
#include "FlexGrid.h"

#include <QLineEdit>
#include <QScrollBar>
#include <QStyle>

namespace {
qint64 cellKey(int row, int col) {
    return (qint64(row) << 16) | col;
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
}

void Rasterseite::zeigen(int row, int col, const QString& text) {
    m_grid->setTextMatrix(row, col, text);
    m_gezeigt.insert(cellKey(row, col), text);
}

bool Rasterseite::geändert(int row, int col) const {
    return m_grid->TextMatrix(row, col) != m_gezeigt.value(cellKey(row, col));
}

void Rasterseite::editBeenden() {
    m_editGrid->EndEdit(false);
}

int Rasterseite::randbreite() const {
    return 8 + m_grid->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
}

void Rasterseite::resizeEvent(QResizeEvent* event) {
    Seite::resizeEvent(event);
    spaltenbreiten(m_grid->width());
}
