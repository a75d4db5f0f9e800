#include "VorschauSeiten.h"

#include "RuntimeError.h"

#include <QPaintEvent>

#include <cmath>

SeitenBild::SeitenBild(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::ClickFocus);
}

void SeitenBild::setPicture(const QPicture& picture) {
    m_picture = picture;
    update();
}

void SeitenBild::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.fillRect(event->rect(), Qt::white);
    // A recording leaves out a state equal to the one it started with (a
    // black pen, for one); the widget's painter starts with the palette's
    // colours instead, so it gets a recording painter's state first.
    painter.setPen(QPen(Qt::black));
    painter.setBrush(Qt::NoBrush);
    painter.setFont(QFont());
    painter.setBackground(Qt::white);
    painter.setBackgroundMode(Qt::TransparentMode);
    painter.drawPicture(0, 0, m_picture);
}

VorschauSeiten::VorschauSeiten(QWidget* workspace, std::function<double()> zoom,
                               std::function<QSizeF()> pageSize)
    : m_workspace(workspace), m_zoom(std::move(zoom)), m_pageSize(std::move(pageSize)) {
    picPage.push_back(nullptr); // element 0 is never a page
}

DeviceContextPtr VorschauSeiten::beginSurface(int n, QSizeF sizeCm, double zoom,
                                              double& unitsPerCm) {
    // The page widget: made when first needed; pages of a longer earlier
    // build are hidden, never destroyed.
    if (int(picPage.size()) <= n) {
        while (int(picPage.size()) <= n)
            picPage.push_back(new SeitenBild(m_workspace));
    } else {
        for (size_t k = size_t(n) + 1; k < picPage.size(); ++k)
            picPage[k]->hide();
    }
    unitsPerCm = screenUnitsPerCm();
    const double scale = zoom * unitsPerCm;
    SeitenBild* page = picPage[size_t(n)];
    const QSize size(int(std::lround(sizeCm.width() * scale)),
                     int(std::lround(sizeCm.height() * scale)));
    if (size.width() < 1 || size.height() < 1 || size.width() > 1000000 || size.height() > 1000000)
        rt::raiseError(rt::err::Overflow);
    page->resize(size);
    page->show();
    if (m_painter.isActive())
        m_painter.end();
    m_picture = QPicture();
    m_picture.setBoundingRect(QRect(QPoint(0, 0), size));
    m_painter.begin(&m_picture);
    return std::make_shared<DeviceContext>(&m_painter);
}

double VorschauSeiten::screenUnitsPerCm() const {
    // The screen's pixels per cm (567 twips a cm, 1440 twips an inch).
    const int dpi = m_workspace->logicalDpiX() > 0 ? m_workspace->logicalDpiX() : 96;
    return dpi / 2.54;
}

DeviceContextPtr VorschauSeiten::measuringSurface(double& unitsPerCm) {
    unitsPerCm = screenUnitsPerCm();
    return std::make_shared<DeviceContext>(static_cast<const QPaintDevice&>(m_measuring));
}

void VorschauSeiten::completeSurface(int n) {
    if (m_painter.isActive())
        m_painter.end();
    if (n >= 1 && n < int(picPage.size()))
        picPage[size_t(n)]->setPicture(m_picture);
}
