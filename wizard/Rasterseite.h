#pragma once

#include "Seite.h"

#include <QHash>
#include <QMap>

#include <optional>

class FlexGrid;
class QLineEdit;
class clsEditGrid;

// A wizard page around one edit grid: a flex grid with one header row and
// fixed columns, an in-cell text box, and what the page and the user put
// into the cells. Cells the user edited (typed, pasted or cleared) are
// written back with the number that was typed; cells nobody touched are not
// written, so that a pass through the page keeps stored values exactly.
class Rasterseite : public Seite {
public:
    Rasterseite(Kalibrierung& k, int index, const QString& caption, int fixedCols,
                const QString& gridName, const QString& inputName, const QString& editGridName,
                QWidget* parent);

    FlexGrid* grid() const { return m_grid; }
    QLineEdit* input() const { return m_input; }
    clsEditGrid* editGrid() const { return m_editGrid; }

    // Commits an edit still open; false when its text was refused.
    bool eingabeBeenden() override;
    void eingabeStillBeenden() override;
    void auffrischen() override;

protected:
    // Puts a text into a cell as the page's own.
    void zeigen(int row, int col, const QString& text);
    // Whether the cell changed since the page filled it: edited by the user,
    // or given another text.
    bool geändert(int row, int col) const;
    // Whether the user edited the cell (typed, pasted, cleared).
    bool bearbeitet(int row, int col) const;
    // The number the user entered into an edited cell, as typed (the cell
    // shows it rounded to its decimals); nothing for a cleared cell.
    std::optional<double> eingabe(int row, int col) const;
    // Forgets the page's texts and the user's edits (before a fill).
    void vergessen();
    // Checks a number typed or pasted into a data cell: "" when the cell
    // takes it (value set), else the message that refuses it.
    virtual QString prüfen(int row, int col, const QString& text, double& value) const = 0;
    // The message that refuses to empty a cell (typed, pasted or cleared),
    // or "" where a cell may be empty.
    virtual QString leer(int /*row*/, int /*col*/) const { return QString(); }
    // A number checked for a cell by the command running now, not yet
    // written to it.
    std::optional<double> geprüft(int row, int col) const;
    // The text a cell shows for an accepted number.
    virtual QString anzeigen(int row, int col, double value) const = 0;
    // The name of the undo step that writes one cell, for example
    // "Messwert Prüffeld 2, Prüfpunkt 3".
    virtual QString schrittText(int row, int col) const = 0;
    // Writes what the user entered into a cell to the calibration: a number,
    // or nothing for an emptied cell.
    virtual void eintragen(int row, int col, std::optional<double> value) = 0;
    // The edited cells by row and column, as one step writes them.
    using Zeilen = QMap<int, QMap<int, std::optional<double>>>;
    // Writes the edited cells, each on its own: one that fails keeps its
    // stored value. Row by row, column by column, unless a page writes in
    // the order of its own pass.
    virtual void alleEintragen(const Zeilen& zeilen);
    // Sets the column widths for the grid's width; run on every resize too.
    virtual void spaltenbreiten(int width) = 0;
    void resizeEvent(QResizeEvent* event) override;
    // The pixels the grid's frame and vertical scroll bar take from its width.
    int randbreite() const;

private:
    // A cell the user edits (types, pastes into or clears), from the check
    // of its text until the calibration holds what the cell took.
    struct Eingabe {
        QString text;               // the text checked
        std::optional<double> wert; // its number; none: the cell is emptied
        bool inZelle = false;       // the cell took it; it is to be written
    };
    const Eingabe* eingabeIn(int row, int col) const;
    void zelleBearbeitet(int row, int col, QString& text);
    // Writes the cells the user just edited into the calibration, as one
    // step; the cells are then the page's own.
    void schreiben(int how);

    FlexGrid* m_grid;
    QLineEdit* m_input;
    clsEditGrid* m_editGrid;
    // The texts the page put into its cells.
    QHash<qint64, QString> m_gezeigt;
    // The cells of the command running now, in the order of the rows.
    QMap<qint64, Eingabe> m_eingaben;
};
