#include "KalibrierDiagramm.h"

#include "Protokoll.h"
#include "ProtokollSeiten.h"

#include "DrawDestHDC.h"
#include "SimpleElements.h"

#include "Kalibrierung.h"

#include "RuntimeError.h"

#include <QPaintEvent>
#include <QPainter>

#include <cmath>

namespace {

// The diagram's extent on a page, in cm: the y axis caption and numbers left
// of the plot area, the x numbers and caption below it.
constexpr double Links = 0.0, Oben = -0.4, Breite = 14.8, Höhe = 8.8;
// The protocol's 12 pt never shrink below 8 pt on the screen.
constexpr double MinZoom = 8.0 / 12.0;

// Only the zoom of a page host: the diagram is drawn onto a widget.
class Bildschirm : public ProtokollSeiten {
public:
    explicit Bildschirm(double zoom) : m_zoom(zoom) {}
    bool printing() const override { return false; }
    double zoom() const override { return m_zoom; }

protected:
    DeviceContextPtr beginSurface(int, QSizeF, double, double&) override {
        rt::raiseError(rt::err::InvalidProcedureCall);
    }
    void completeSurface(int) override {}
    DeviceContextPtr measuringSurface(double&) override {
        rt::raiseError(rt::err::InvalidProcedureCall);
    }

private:
    double m_zoom;
};

double pixelsPerCm(const QWidget* w) {
    return (w->logicalDpiX() > 0 ? w->logicalDpiX() : 96) / 2.54;
}

} // namespace

KalibrierDiagramm::KalibrierDiagramm(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("picKalibrierdiagramm"));
    const double s = MinZoom * pixelsPerCm(this);
    setMinimumSize(int(std::ceil(Breite * s)) + 8, int(std::ceil(Höhe * s)) + 8);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setBackgroundRole(QPalette::Base);
    setAutoFillBackground(true);
}

double KalibrierDiagramm::zoom() const {
    const double s = pixelsPerCm(this);
    return std::max(MinZoom, std::min((width() - 8) / (Breite * s), (height() - 8) / (Höhe * s)));
}

void KalibrierDiagramm::aktualisieren() {
    m_veraltet = true;
    update();
}

void KalibrierDiagramm::bauen() {
    m_diagramm.reset();
    m_hinweis.clear();
    m_gebautFür = zoom();
    m_veraltet = false;
    if (!m_k)
        return;
    try {
        Bildschirm seiten(m_gebautFür);
        const Protokoll protokoll(*m_k, seiten, 1);
        const Prüfmerkmal& direkt = m_k->DirektesPrüfmerkmal();
        const Prüfmerkmal& indirekt = m_k->IndirektesPrüfmerkmal();
        m_diagramm =
            protokoll.CalibrationDiagram(mIndirekt, indirekt.Formelzeichen(), indirekt.Einheit(),
                                         mDirekt, direkt.Formelzeichen(), direkt.Einheit(), false);
    } catch (const rt::RuntimeError&) {
        m_diagramm.reset();
        m_hinweis = QStringLiteral("Kein Kalibrierdiagramm: Die Messwerte ergeben keine "
                                   "Kalibriergerade zwischen dem direkten und dem indirekten "
                                   "Prüfmerkmal.");
    }
}

void KalibrierDiagramm::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    m_veraltet = true;
}

void KalibrierDiagramm::paintEvent(QPaintEvent*) {
    if (m_veraltet || std::abs(m_gebautFür - zoom()) > 1e-9)
        bauen();
    QPainter painter(this);
    if (!m_diagramm) {
        painter.setPen(palette().color(QPalette::PlaceholderText));
        painter.drawText(rect().adjusted(12, 12, -12, -12), Qt::AlignCenter | Qt::TextWordWrap,
                         m_hinweis);
        return;
    }
    auto dc = std::make_shared<DeviceContext>(&painter);
    dc->setBackgroundMode(DeviceContext::Transparent);
    auto dest = std::make_shared<clsDrawDestHDC>();
    dest->sethDC(dc);
    const double s = m_gebautFür * pixelsPerCm(this);
    // Centred in the widget.
    dest->Transformator()->Scaling()->MoveTo(s, s, 1.0);
    dest->Transformator()->PreScalingOffset()->MoveTo(Links, Oben, 0);
    dest->Transformator()->Offset()->MoveTo(-(width() - Breite * s) / 2, -(height() - Höhe * s) / 2,
                                            0);
    try {
        m_diagramm->Draw(dest);
    } catch (const rt::RuntimeError&) {
        // a diagram that cannot be drawn leaves the area empty
    }
}
