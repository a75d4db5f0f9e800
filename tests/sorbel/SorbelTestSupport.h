#pragma once

#include "TestSupport.h"

#include "RecordingMessages.h"
#include "Sorbel.h"

#include <QLineEdit>
#include <QStringList>
#include <QTest>
#include <QWidget>

// A window with a flex grid, a line edit as input object and an edit grid
// over them; every event of the edit grid is logged as text.
class GridWindow : public QWidget {
public:
    explicit GridWindow(int rows = 4, int cols = 3);
    FlexGrid* grid;
    QLineEdit* input;
    clsEditGrid* editGrid;
    QStringList log;
    // Fills data cell (r, c) with "r:c".
    void fill();
    // Shows the window and waits until it is active.
    bool showActive();
};
