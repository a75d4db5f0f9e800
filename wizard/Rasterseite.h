#pragma once

#include "Seite.h"

#include <QHash>

class FlexGrid;
class QLineEdit;
class clsEditGrid;

// A wizard page around one edit grid: a flex grid with one header row and
// fixed columns, an in-cell text box, and the texts the page put into the
// cells, so that only cells the user changed are written back.
class Rasterseite : public Seite {
public:
    Rasterseite(Kalibrierung& k, int index, const QString& caption, int fixedCols,
                const QString& gridName, const QString& inputName, const QString& editGridName,
                QWidget* parent);

    FlexGrid* grid() const { return m_grid; }
    QLineEdit* input() const { return m_input; }
    clsEditGrid* editGrid() const { return m_editGrid; }

protected:
    // Puts a text into a cell as the page's own.
    void zeigen(int row, int col, const QString& text);
    // Whether the user changed the cell since the page filled it.
    bool geändert(int row, int col) const;
    // Forgets the page's texts (before a fill).
    void vergessen() { m_gezeigt.clear(); }
    // Commits an edit that is still open.
    void editBeenden();
    // Sets the column widths for the grid's width; run on every resize too.
    virtual void spaltenbreiten(int width) = 0;
    void resizeEvent(QResizeEvent* event) override;
    // The pixels the grid's frame and vertical scroll bar take from its width.
    int randbreite() const;

private:
    FlexGrid* m_grid;
    QLineEdit* m_input;
    clsEditGrid* m_editGrid;
    QHash<qint64, QString> m_gezeigt;
};
