#pragma once

#include "TestSupport.h"

#include "Pictrel.h"

#include "Colors.h"

#include <QImage>
#include <QPainter>

#include <vector>

// A device context whose characters are all cw device units wide and whose
// lines are lh high, so that layouts can be checked to the unit.
class FixedMetricsContext : public DeviceContext {
public:
    FixedMetricsContext(QPainter* painter, int cw, int lh)
        : DeviceContext(painter), m_cw(cw), m_lh(lh) {}

    // The rectangles of the texts drawn (not measured).
    std::vector<GdiRect> drawnRects;
    qint64 drawText(const QString& text, GdiRect& rect, unsigned format) override {
        if (!(format & DT_CALCRECT))
            drawnRects.push_back(rect);
        return DeviceContext::drawText(text, rect, format);
    }

protected:
    qint64 textWidth(QStringView text) const override { return qint64(text.size()) * m_cw; }
    int lineHeight() const override { return m_lh; }
    int ascent() const override { return m_lh; }

private:
    int m_cw, m_lh;
};

// A destination that records the operations it receives (identity
// transformator unless replaced) and measures text with fixed metrics.
class RecordingDrawDest : public clsDrawDest {
public:
    struct Call {
        QString op;
        double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
        QString text;
        int align = 0;
        PenPtr pen;
        BrushPtr brush;
        FontPtr font;
    };
    std::vector<Call> calls;
    double charWidth = 1, lineHeight = 1;

    TransformatorPtr Transformator() const override { return m_transformator; }
    void setTransformator(TransformatorPtr t) override { m_transformator = std::move(t); }
    PenPtr Pen() const override { return m_pen; }
    void setPen(PenPtr p) override { m_pen = std::move(p); }
    BrushPtr Brush() const override { return m_brush; }
    void setBrush(BrushPtr b) override { m_brush = std::move(b); }
    FontPtr Font() const override { return m_font; }
    void setFont(FontPtr f) override { m_font = std::move(f); }
    double TextWidth(const QString& text, double) override { return text.size() * charWidth; }
    double TextHeight(const QString& text, double) override {
        return text.isEmpty() ? 0 : lineHeight;
    }
    void DrawPoint(const PointPtr& p) override { record("Point", *p, *p); }
    void DrawLine(const PointPtr& a, const PointPtr& b) override { record("Line", *a, *b); }
    void DrawRectangle(const PointPtr& a, const PointPtr& b) override {
        record("Rectangle", *a, *b);
    }
    void DrawCircle(const PointPtr& m, double r) override {
        record("Circle", *m, clsPoint3D(r, r, 0));
    }
    void DrawText(const PointPtr& c, const QString& text, TextAlignmentEnum align,
                  double) override {
        record("Text", *c, *c);
        calls.back().text = text;
        calls.back().align = align;
    }
    void DrawPolygon(const PointList& P) override {
        record("Polygon", *P[1], *P.back());
        calls.back().align = int(P.size()) - 1;
    }
    void DrawPolyline(const PointList& P) override { record("Polyline", *P[1], *P.back()); }

    std::vector<Call> ofKind(const char* op) const {
        std::vector<Call> out;
        for (const Call& c : calls)
            if (c.op == QLatin1String(op))
                out.push_back(c);
        return out;
    }

private:
    void record(const char* op, const clsPoint3D& a, const clsPoint3D& b) {
        calls.push_back(
            {QLatin1String(op), a.X(), a.Y(), b.X(), b.Y(), QString(), 0, m_pen, m_brush, m_font});
    }
    TransformatorPtr m_transformator = std::make_shared<clsTransformator>();
    PenPtr m_pen;
    BrushPtr m_brush;
    FontPtr m_font;
};

// An image to render into, with a destination drawing onto it.
struct Canvas {
    explicit Canvas(int width, int height, int dpi = 96, QColor background = Qt::white);
    ~Canvas();
    QImage image;
    QPainter painter;
    DeviceContextPtr dc;
    std::shared_ptr<clsDrawDestHDC> dest;
    // Ends painting and, when PICTREL_ARTIFACTS names a folder, saves the image there.
    void finish(const QString& name);
    // The bounding rectangle of pixels that differ from the background.
    QRect inkRect(QColor background = Qt::white) const;
    QRect inkRect(const QRect& area, QColor background = Qt::white) const;
};
