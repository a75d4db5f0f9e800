#pragma once

#include "Element.h"

#include <QWidget>

class Kalibrierung;
class clsElementPictrel;

// The calibration diagram of the indirect against the direct characteristic,
// as the protocol draws it in its first calibration-line block, scaled to the
// widget. When the values give no calibration line, a short note instead.
class KalibrierDiagramm : public QWidget {
public:
    explicit KalibrierDiagramm(QWidget* parent = nullptr);

    void setKalibrierung(const Kalibrierung* k) { m_k = k; }
    // Builds the diagram anew from the calibration (when a page is filled).
    void aktualisieren();
    // Whether a diagram is shown (not the note).
    bool hatDiagramm() const { return m_diagramm != nullptr; }
    QString hinweis() const { return m_hinweis; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // The zoom that fits the diagram's page extent into the widget.
    double zoom() const;
    void bauen();

    const Kalibrierung* m_k = nullptr;
    std::shared_ptr<clsElementPictrel> m_diagramm;
    double m_gebautFür = 0; // the zoom the diagram was built for
    bool m_veraltet = true;
    QString m_hinweis;
};
