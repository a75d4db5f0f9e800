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

namespace {
// A sheet of paper with a folded corner, in the box of an icon.
QPainterPath sheet(const QRectF& box) {
    const qreal s = box.width();
    QPainterPath path;
    path.moveTo(box.left() + s * 0.2, box.top() + s * 0.06);
    path.lineTo(box.left() + s * 0.62, box.top() + s * 0.06);
    path.lineTo(box.left() + s * 0.8, box.top() + s * 0.24);
    path.lineTo(box.left() + s * 0.8, box.bottom() - s * 0.06);
    path.lineTo(box.left() + s * 0.2, box.bottom() - s * 0.06);
    path.closeSubpath();
    return path;
}
QRectF square(const QRectF& r) {
    const qreal s = qMin(r.width(), r.height());
    return QRectF(r.center().x() - s / 2, r.center().y() - s / 2, s, s);
}
const QColor Ink(0x30, 0x30, 0x30);
const QColor Blue(0x1f, 0x4e, 0x9a);

// An icon on a sheet of paper: the sheet is drawn, then what goes on it, in
// the square box of side s.
QIcon onSheet(std::function<void(QPainter&, const QRectF& box, qreal s)> draw) {
    return drawn([draw = std::move(draw)](QPainter& p, const QRectF& r) {
        const QRectF box = square(r);
        const qreal s = box.width();
        p.setPen(QPen(Ink, s / 20));
        p.setBrush(Qt::white);
        p.drawPath(sheet(box));
        draw(p, box, s);
    });
}
} // namespace

QIcon neuAufbauen() {
    return drawn([](QPainter& p, const QRectF& r) {
        const QRectF box = square(r);
        const qreal s = box.width();
        p.setPen(QPen(Blue, s / 9, Qt::SolidLine, Qt::RoundCap));
        p.setBrush(Qt::NoBrush);
        const QRectF arc = box.adjusted(s * 0.2, s * 0.2, -s * 0.2, -s * 0.2);
        p.drawArc(arc, 60 * 16, 290 * 16);
        QPainterPath head;
        const QPointF tip(arc.center().x() + arc.width() / 2 * 0.5,
                          arc.top() + arc.height() * 0.067);
        head.moveTo(tip + QPointF(s * 0.2, -s * 0.08));
        head.lineTo(tip + QPointF(-s * 0.02, -s * 0.14));
        head.lineTo(tip + QPointF(s * 0.1, s * 0.12));
        head.closeSubpath();
        p.setPen(Qt::NoPen);
        p.setBrush(Blue);
        p.drawPath(head);
    });
}

QIcon drucken() {
    return drawn([](QPainter& p, const QRectF& r) {
        const QRectF box = square(r);
        const qreal s = box.width();
        p.setPen(QPen(Ink, s / 20));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(box.left() + s * 0.28, box.top() + s * 0.08, s * 0.44, s * 0.3));
        p.setBrush(QColor(0x9a, 0x9a, 0x9a));
        p.drawRoundedRect(QRectF(box.left() + s * 0.08, box.top() + s * 0.36, s * 0.84, s * 0.36),
                          s * 0.06, s * 0.06);
        p.setBrush(Qt::white);
        p.drawRect(QRectF(box.left() + s * 0.28, box.top() + s * 0.58, s * 0.44, s * 0.34));
        p.setPen(QPen(Ink, s / 28));
        for (qreal y : {0.7, 0.78, 0.86})
            p.drawLine(QPointF(box.left() + s * 0.34, box.top() + s * y),
                       QPointF(box.left() + s * 0.66, box.top() + s * y));
    });
}

QIcon druckerEinrichten() {
    return onSheet([](QPainter& p, const QRectF& box, qreal s) {
        // Margins of the page as dashed lines.
        p.setPen(QPen(Blue, s / 24, Qt::DashLine));
        p.drawRect(QRectF(box.left() + s * 0.3, box.top() + s * 0.22, s * 0.4, s * 0.6));
    });
}

QIcon bearbeiten() {
    return onSheet([](QPainter& p, const QRectF& box, qreal s) {
        p.setPen(QPen(Ink, s / 28));
        for (qreal y : {0.32, 0.44, 0.56})
            p.drawLine(QPointF(box.left() + s * 0.28, box.top() + s * y),
                       QPointF(box.left() + s * 0.62, box.top() + s * y));
        // A pencil across the sheet.
        p.save();
        p.translate(box.left() + s * 0.62, box.top() + s * 0.62);
        p.rotate(-45);
        p.setPen(QPen(Ink, s / 24));
        p.setBrush(QColor(0xf5, 0xb0, 0x1a));
        p.drawRect(QRectF(-s * 0.32, -s * 0.07, s * 0.5, s * 0.14));
        QPainterPath tip;
        tip.moveTo(s * 0.18, -s * 0.07);
        tip.lineTo(s * 0.32, 0);
        tip.lineTo(s * 0.18, s * 0.07);
        tip.closeSubpath();
        p.setBrush(QColor(0xe8, 0xd0, 0xa0));
        p.drawPath(tip);
        p.restore();
    });
}

QIcon pdf() {
    return onSheet([](QPainter& p, const QRectF& box, qreal s) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0xc0, 0x20, 0x20));
        p.drawRect(QRectF(box.left() + s * 0.1, box.top() + s * 0.48, s * 0.8, s * 0.3));
        QFont font(QStringLiteral("Arial"));
        font.setPixelSize(std::max(1, int(s * 0.24)));
        font.setBold(true);
        p.setFont(font);
        p.setPen(Qt::white);
        p.drawText(QRectF(box.left() + s * 0.1, box.top() + s * 0.48, s * 0.8, s * 0.3),
                   Qt::AlignCenter, QStringLiteral("PDF"));
    });
}

} // namespace Symbole
