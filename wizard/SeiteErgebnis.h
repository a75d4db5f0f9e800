#pragma once

#include "Seite.h"

class KalibrierDiagramm;
class QHBoxLayout;
class QPushButton;
class QTreeWidget;

// Page 4: every statistic as a three-column list and the plausibility verdict
// with its icon.
class SeiteErgebnis : public Seite {
public:
    SeiteErgebnis(Kalibrierung& k, QWidget* parent);

    void füllen() override;

    QLabel* labAnforderungen = nullptr;
    QLabel* labPlausibilität;
    QLabel* imgPlausibilität;
    QTreeWidget* lvPlausibilität;
    QPushButton* cmdPlausibilitätOptionen;
    // Beside the list: the diagram of the protocol's first calibration line.
    KalibrierDiagramm* picKalibrierdiagramm;
    // The key of the verdict image shown: "Info" or "Examination".
    QString bildSchlüssel() const { return m_bild; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void spaltenbreiten();
    QString m_bild;
};
