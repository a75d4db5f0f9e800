#include "Symbole.h"

#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>

#include <functional>

namespace {

// An icon engine that paints a picture at any size.
class DrawnIcon : public QIconEngine {
public:
    explicit DrawnIcon(std::function<void(QPainter&, const QRectF&)> draw)
        : m_draw(std::move(draw)) {}
    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override {
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        if (mode == QIcon::Disabled)
            painter->setOpacity(0.4);
        m_draw(*painter, QRectF(rect));
        painter->restore();
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        QPixmap pm(size);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        paint(&p, QRect(QPoint(), size), mode, state);
        return pm;
    }
    QIconEngine* clone() const override { return new DrawnIcon(m_draw); }

private:
    std::function<void(QPainter&, const QRectF&)> m_draw;
};

QIcon drawn(std::function<void(QPainter&, const QRectF&)> draw) {
    return QIcon(new DrawnIcon(std::move(draw)));
}

} // namespace

namespace Symbole {

QIcon info() {
    return drawn([](QPainter& p, const QRectF& r) {
        const qreal s = qMin(r.width(), r.height());
        const QRectF box(r.center().x() - s / 2, r.center().y() - s / 2, s, s);
        p.setPen(QPen(QColor(0x1f, 0x4e, 0x9a), s / 16));
        p.setBrush(QColor(0x35, 0x7a, 0xd4));
        p.drawEllipse(box.adjusted(s / 16, s / 16, -s / 16, -s / 16));
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(box.center().x(), box.top() + s * 0.29), s * 0.075, s * 0.075);
        p.drawRoundedRect(
            QRectF(box.center().x() - s * 0.065, box.top() + s * 0.42, s * 0.13, s * 0.36),
            s * 0.03, s * 0.03);
    });
}

QIcon examination() {
    return drawn([](QPainter& p, const QRectF& r) {
        const qreal s = qMin(r.width(), r.height());
        const QRectF box(r.center().x() - s / 2, r.center().y() - s / 2, s, s);
        QPainterPath triangle;
        triangle.moveTo(box.center().x(), box.top() + s * 0.06);
        triangle.lineTo(box.right() - s * 0.04, box.bottom() - s * 0.08);
        triangle.lineTo(box.left() + s * 0.04, box.bottom() - s * 0.08);
        triangle.closeSubpath();
        p.setPen(
            QPen(QColor(0x9a, 0x5b, 0x00), s / 16, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(QColor(0xf5, 0xb0, 0x1a));
        p.drawPath(triangle);
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::black);
        p.drawRoundedRect(
            QRectF(box.center().x() - s * 0.055, box.top() + s * 0.32, s * 0.11, s * 0.33),
            s * 0.03, s * 0.03);
        p.drawEllipse(QPointF(box.center().x(), box.top() + s * 0.76), s * 0.065, s * 0.065);
    });
}

QIcon programm() {
    return drawn([](QPainter& p, const QRectF& r) {
        const qreal s = qMin(r.width(), r.height());
        const QRectF box(r.center().x() - s / 2, r.center().y() - s / 2, s, s);
        p.setPen(QPen(QColor(0x50, 0x50, 0x50), s / 24));
        p.setBrush(Qt::white);
        p.drawRoundedRect(box.adjusted(s / 24, s / 24, -s / 24, -s / 24), s / 8, s / 8);
        auto at = [&](qreal x, qreal y) { return QPointF(box.left() + x * s, box.top() + y * s); };
        p.setPen(QPen(Qt::black, s / 20));
        p.drawLine(at(0.18, 0.15), at(0.18, 0.82));
        p.drawLine(at(0.18, 0.82), at(0.86, 0.82));
        p.setPen(QPen(QColor(0xc0, 0x20, 0x20), s / 14, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(at(0.24, 0.74), at(0.84, 0.22));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0x1f, 0x4e, 0x9a));
        for (const QPointF& pt :
             {at(0.32, 0.62), at(0.45, 0.58), at(0.56, 0.44), at(0.7, 0.36), at(0.78, 0.24)})
            p.drawEllipse(pt, s * 0.05, s * 0.05);
    });
}

} // namespace Symbole
