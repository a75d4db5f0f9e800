#pragma once

#include "Rasterseite.h"

// Page 2: per test field the number of test points and the covariable value.
class SeiteFelder : public Rasterseite {
public:
    SeiteFelder(Kalibrierung& k, QWidget* parent);

    void füllen() override;
    void übernehmen(int direction, bool& cancel) override;

    FlexGrid* fgKeysMessreihen;
    QLineEdit* txtFGKeysMessreihen;
    clsEditGrid* egKeysMessreihen;

protected:
    void spaltenbreiten(int width) override;

private:
    void zellenEdit(int row, int col, QString& newValue, bool& cancel);
};
