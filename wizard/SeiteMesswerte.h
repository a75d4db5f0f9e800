#pragma once

#include "Rasterseite.h"

#include "Conversion.h"

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
    QString prüfen(int row, int col, const QString& text, double& value) const override;
    QString anzeigen(int row, int col, double value) const override;
    QString schrittText(int row, int col) const override;
    void eintragen(int row, int col, std::optional<double> value) override;

private:
    rt::Long stellen(int col) const;
    // Field and point of each data row, as the page was filled.
    QList<std::pair<rt::Long, rt::Long>> m_punkte;
};
