#include "SorbelTestSupport.h"

GridWindow::GridWindow(int rows, int cols) {
    resize(400, 300);
    grid = new FlexGrid(this);
    grid->setObjectName(QStringLiteral("fgTest"));
    grid->setGeometry(10, 10, 380, 280);
    grid->setRows(rows);
    grid->setCols(cols);
    input = new QLineEdit(this);
    input->setObjectName(QStringLiteral("txtTest"));
    input->hide();
    editGrid = new clsEditGrid(this);
    editGrid->setMSFlexGrid(grid);
    editGrid->setInputObject(input);
    auto cell = [](int r, int c) { return QStringLiteral("%1,%2").arg(r).arg(c); };
    QObject::connect(editGrid, &clsEditGrid::BeforeCellEdit, this,
                     [this, cell](int r, int c, QString& prompt, bool&) {
                         log.append(QStringLiteral("BeforeCellEdit ") + cell(r, c) + u' ' + prompt);
                     });
    QObject::connect(editGrid, &clsEditGrid::AfterCellEdit, this,
                     [this, cell](int r, int c, QString& value, bool&) {
                         log.append(QStringLiteral("AfterCellEdit ") + cell(r, c) + u' ' + value);
                     });
    QObject::connect(editGrid, &clsEditGrid::CancelCellEdit, this, [this, cell](int r, int c) {
        log.append(QStringLiteral("CancelCellEdit ") + cell(r, c));
    });
    QObject::connect(editGrid, &clsEditGrid::ProcessReady, this,
                     [this, cell] { log.append(QStringLiteral("ProcessReady")); });
    QObject::connect(editGrid, &clsEditGrid::BeforeRowAdd, this, [this, cell](int r, bool&) {
        log.append(QStringLiteral("BeforeRowAdd %1").arg(r));
    });
    QObject::connect(editGrid, &clsEditGrid::RowAdd, this,
                     [this, cell](int r) { log.append(QStringLiteral("RowAdd %1").arg(r)); });
    QObject::connect(editGrid, &clsEditGrid::BeforeRowRemove, this, [this, cell](int r, bool&) {
        log.append(QStringLiteral("BeforeRowRemove %1").arg(r));
    });
    QObject::connect(editGrid, &clsEditGrid::RowRemove, this,
                     [this, cell](int r) { log.append(QStringLiteral("RowRemove %1").arg(r)); });
    QObject::connect(editGrid, &clsEditGrid::CellClear, this, [this, cell](int r, int c) {
        log.append(QStringLiteral("CellClear ") + cell(r, c));
    });
}

void GridWindow::fill() {
    for (int r = grid->FixedRows(); r < grid->Rows(); ++r)
        for (int c = grid->FixedCols(); c < grid->Cols(); ++c)
            grid->setTextMatrix(r, c, QStringLiteral("%1:%2").arg(r).arg(c));
    editGrid->Refresh();
}

bool GridWindow::showActive() {
    show();
    activateWindow();
    grid->setFocus();
    return QTest::qWaitForWindowActive(this);
}
