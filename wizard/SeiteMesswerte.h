#pragma once

#include "Rasterseite.h"

// Page 3: per test point the measured values of both characteristics.
class SeiteMesswerte : public Rasterseite {
public:
    SeiteMesswerte(Kalibrierung& k, QWidget* parent);

    void füllen() override;
    void übernehmen(int direction, bool& cancel) override;

    FlexGrid* fgMesswerte;
    QLineEdit* txtFGData;
    clsEditGrid* egMesswerte;

protected:
    void spaltenbreiten(int width) override;

private:
    void zellenEdit(int row, int col, QString& newValue, bool& cancel);
};
