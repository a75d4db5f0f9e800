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
    QString prüfen(int row, int col, const QString& text, double& value) const override;
    QString leer(int row, int col) const override;
    QString anzeigen(int row, int col, double value) const override;
    QString schrittText(int row, int col) const override;
    void eintragen(int row, int col, std::optional<double> value) override;
    void alleEintragen(const Zeilen& zeilen) override;

private:
    // The point count of a data row as it will be written.
    double punkte(int row) const;
    // The message when a row's count of points, with the counts the other
    // rows show, passes the calibration's limit (row -1: all rows as shown).
    QString punkteGrenze(int row, double value) const;
};
