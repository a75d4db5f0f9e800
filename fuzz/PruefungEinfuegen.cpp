// The edit grid's clipboard paste: any text pasted into a grid of any size,
// over the cells or as new rows, from any current cell.

#include "Eingabe.h"
#include "Pruefungen.h"

#include "EditGrid.h"
#include "FlexGrid.h"
#include "RuntimeError.h"

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QWidget>

QString pruefeEinfuegen(QByteArrayView bytes) {
    Eingabe in(bytes);
    const int rows = in.zahl(1, 40);
    const int cols = in.zahl(1, 10);
    const int fixedRows = in.zahl(0, rows - 1);
    const int fixedCols = in.zahl(0, cols - 1);
    const int row = in.zahl(0, rows - 1);
    const int col = in.zahl(0, cols - 1);
    const bool insert = in.jaNein();
    const bool wholeLine = in.jaNein();
    const QByteArray text = in.rest();

    // One window for all inputs, its grid emptied and shaped anew each time.
    struct Fenster {
        QWidget window;
        FlexGrid* grid = new FlexGrid(&window);
        QLineEdit* input = new QLineEdit(&window);
        clsEditGrid editGrid;
        Fenster() {
            window.resize(400, 300);
            grid->setGeometry(0, 0, 400, 300);
            input->hide();
            editGrid.setMSFlexGrid(grid);
            editGrid.setInputObject(input);
        }
    };
    static Fenster* fenster = new Fenster;
    FlexGrid* grid = fenster->grid;
    clsEditGrid& editGrid = fenster->editGrid;
    grid->setFixedRows(0);
    grid->setFixedCols(0);
    grid->setRows(1);
    grid->setCols(1);
    grid->setTextMatrix(0, 0, QString());
    grid->setRows(rows);
    grid->setCols(cols);
    grid->setFixedRows(fixedRows);
    grid->setFixedCols(fixedCols);
    editGrid.ClipboardDoWholeLine = wholeLine;
    grid->setCurrentCell(row, col);
    QApplication::clipboard()->setText(QString::fromUtf8(text));
    try {
        editGrid.ClipboardPaste(insert);
    } catch (const rt::RuntimeError& e) {
        PRUEFE(e.number() == 381);
    }
    // Pasting over cells never changes the grid's shape; inserting only adds rows.
    PRUEFE(grid->Cols() == cols);
    PRUEFE(grid->FixedRows() == fixedRows && grid->FixedCols() == fixedCols);
    if (insert)
        PRUEFE(grid->Rows() >= rows);
    else
        PRUEFE(grid->Rows() == rows);
    return QString();
}
