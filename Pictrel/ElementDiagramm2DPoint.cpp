#include "ElementDiagramm2DPoint.h"

#include "basPictrel.h"

#include "Conversion.h"
#include "RuntimeError.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// Decimal steps such as 0.1 are not exact in binary: values on an axis are
// compared with a tolerance relative to the step.
double tolerance(double step) {
    return std::fabs(step) * 1e-6;
}

bool near(double a, double b, double step) {
    return std::fabs(a - b) <= tolerance(step);
}

// The whole number a quotient is meant to be (within the tolerance), else its
// truncation toward zero.
double fixNear(double q) {
    const double r = std::round(q);
    return std::fabs(q - r) <= 1e-6 ? r : std::trunc(q);
}

// The ticks of an axis: tick i is i × step, for i from Fix(min / step) to
// Fix(max / step). Each value is computed from its index, so rounding errors
// never pile up. The cap only stops runaway loops of absurdly small steps.
template <class F>
void forEachTick(double min, double max, double step, F&& f) {
    const double first = fixNear(rt::checkedDivide(min, step));
    const double last = fixNear(rt::checkedDivide(max, step));
    rt::checkedFinite(first * step);
    rt::checkedFinite(last * step);
    constexpr int MaxTicks = 100000;
    int count = 0;
    for (double i = first; i <= last; ++i) {
        if (++count > MaxTicks)
            break;
        f(i * step);
    }
}

// A grid step that draws: the X axis takes positive steps only, the Y axis
// any but 0 (one running from its larger value down steps back).
bool drawsGrid(bool isX, double step) {
    return isX ? step > 0 : step != 0;
}

bool isWhole(double v) {
    return std::fabs(v - std::round(v)) <= 1e-6;
}

// The room kept free between two labels of an axis, in page units (cm).
constexpr double LabelGap = 0.15;

// A tick with a label: where it lies along the axis (from the end of its
// minimum), the label's extent along the axis, and whether it is an end
// (whose label reaches inward from the end) or lies between them (centred).
struct AxisLabel {
    double value = 0;
    double at = 0;
    double size = 0;
    enum Kind { AtMin, AtMax, Between } kind = Between;
    bool shown = true;
    size_t order = 0; // the tick's place in drawing order
};

// Leaves out labels that would overlap or touch: every k-th label is kept
// (k = 1, 2, 5, 10, 20, ...), counted from the minimum, and both ends always.
void thinOut(std::vector<AxisLabel>& labels, double length) {
    for (size_t i = 0; i < labels.size(); ++i)
        labels[i].order = i;
    // Drawn in tick order afterwards.
    struct Restore {
        std::vector<AxisLabel>& labels;
        ~Restore() {
            std::sort(labels.begin(), labels.end(),
                      [](const AxisLabel& a, const AxisLabel& b) { return a.order < b.order; });
        }
    } restore{labels};
    std::sort(labels.begin(), labels.end(),
              [](const AxisLabel& a, const AxisLabel& b) { return a.at < b.at; });
    const size_t n = labels.size();
    if (n < 2)
        return;
    auto low = [&](const AxisLabel& l) {
        return l.kind == AxisLabel::AtMin   ? l.at
               : l.kind == AxisLabel::AtMax ? length - l.size
                                            : l.at - l.size / 2;
    };
    auto high = [&](const AxisLabel& l) { return low(l) + l.size; };
    auto apart = [&](const AxisLabel& a, const AxisLabel& b) {
        return high(a) + LabelGap <= low(b);
    };
    // Strides 1, 2, 5, 10, 20, 50, ... until only the ends are left.
    for (size_t decade = 1;; decade *= 10) {
        for (const size_t k : {decade, 2 * decade, 5 * decade}) {
            std::vector<size_t> kept;
            for (size_t i = 0; i < n; i += k)
                kept.push_back(i);
            if (kept.back() != n - 1) {
                if (kept.size() > 1 && !apart(labels[kept.back()], labels[n - 1]))
                    kept.pop_back();
                kept.push_back(n - 1);
            }
            bool fits = true;
            for (size_t j = 1; j < kept.size() && fits; ++j)
                fits = apart(labels[kept[j - 1]], labels[kept[j]]);
            if (!fits && k < n)
                continue;
            if (!fits)
                kept = {0}; // not even the two ends fit: the minimum alone
            for (size_t i = 0; i < n; ++i)
                labels[i].shown = std::find(kept.begin(), kept.end(), i) != kept.end();
            return;
        }
    }
}

} // namespace

clsElementDiagramm2DPoint::clsElementDiagramm2DPoint() : m_rowData(1) {}

clsElementDiagramm2DPoint::DataRow& clsElementDiagramm2DPoint::row(qint32 Row) {
    if (Row < 0)
        rt::raiseError(rt::err::SubscriptOutOfRange);
    if (qint64(m_rowData.size()) <= Row)
        m_rowData.resize(size_t(Row) + 1);
    return m_rowData[size_t(Row)];
}

void clsElementDiagramm2DPoint::AddPoint(qint32 Row, PointPtr Point) {
    if (Row < 1)
        rt::raiseError(rt::err::SubscriptOutOfRange);
    row(Row).points.push_back(std::move(Point));
}

void clsElementDiagramm2DPoint::setRowLinePen(qint32 Row, PenPtr value) {
    row(Row).linePen = std::move(value);
}
void clsElementDiagramm2DPoint::setRowPointPen(qint32 Row, PenPtr value) {
    row(Row).pointPen = std::move(value);
}
void clsElementDiagramm2DPoint::setRowPointBrush(qint32 Row, BrushPtr value) {
    row(Row).pointBrush = std::move(value);
}
void clsElementDiagramm2DPoint::setRowPointSymbol(qint32 Row, PointSymbolEnum value) {
    row(Row).symbol = value;
}
void clsElementDiagramm2DPoint::setRowPointSymbolSize(qint32 Row, double value) {
    row(Row).symbolSize = value;
}

PointPtr clsElementDiagramm2DPoint::BoundingBoxP1(const DrawDestPtr&) {
    return perAxis(pointOf(m_edgeTopLeft), pointOf(m_edgeBottomRight), dblMin);
}

PointPtr clsElementDiagramm2DPoint::BoundingBoxP2(const DrawDestPtr&) {
    return perAxis(pointOf(m_edgeTopLeft), pointOf(m_edgeBottomRight), dblMax);
}

PointPtr clsElementDiagramm2DPoint::BoundingBoxCenter(const DrawDestPtr& DrawDest) {
    return midpoint(*BoundingBoxP1(DrawDest), *BoundingBoxP2(DrawDest));
}

void clsElementDiagramm2DPoint::drawSymbol(clsDrawDest& dest, const DataRow& row,
                                           const clsPoint3D& c) {
    const double s = 0.2 * row.symbolSize;
    auto at = [&](double dx, double dy) { return GetPoint(c.X() + dx, c.Y() + dy, c.Z()); };
    auto polygon = [&](std::initializer_list<PointPtr> points) {
        PointList list{PointPtr()};
        list.insert(list.end(), points);
        dest.DrawPolygon(list);
    };
    auto cross = [&] {
        dest.DrawLine(at(-s, -s), at(s, s));
        dest.DrawLine(at(s, -s), at(-s, s));
    };
    auto plus = [&] {
        dest.DrawLine(at(0, -s), at(0, s));
        dest.DrawLine(at(-s, 0), at(s, 0));
    };
    switch (row.symbol) {
    case psCircle:
        dest.DrawCircle(c.Clone(), s);
        break;
    case psRectangle:
        dest.DrawRectangle(at(-s, -s), at(s, s));
        break;
    case psRomb:
        polygon({at(0, -s), at(-s, 0), at(0, s), at(s, 0)});
        break;
    case psTriangle1:
        polygon({at(0, -1.25 * s), at(-s, 0.75 * s), at(s, 0.75 * s)});
        break;
    case psTriangle2:
        polygon({at(0, 1.25 * s), at(-s, -0.75 * s), at(s, -0.75 * s)});
        break;
    case psCross:
        cross();
        break;
    case psPlus:
        plus();
        break;
    case psAsterix:
        cross();
        plus();
        break;
    default:
        break;
    }
}

// The frame on the page and the directions of the device, shared by the
// steps of Draw.
struct clsElementDiagramm2DPoint::Frame {
    clsDrawDest& dest;
    PointPtr tl, br;
    bool sx = false, sy = false; // the device's x (y) grows with the page's

    // Where a grid line at `at` along an axis meets one edge of the frame.
    PointPtr onEdge(Axis axis, double at, const PointPtr& edge) const {
        return axis == Axis::X ? GetPoint(at, edge->Y(), 0) : GetPoint(edge->X(), at, 0);
    }
};

clsElementDiagramm2DPoint::AxisSettings clsElementDiagramm2DPoint::settings(Axis axis) const {
    if (axis == Axis::X)
        return {m_axisXMin,           m_axisXMax,  m_axisXGridMajorStep,
                m_axisXGridMinorStep, m_fontAxisX, m_axisXNumberFormat};
    return {m_axisYMin,           m_axisYMax,  m_axisYGridMajorStep,
            m_axisYGridMinorStep, m_fontAxisY, m_axisYNumberFormat};
}

double clsElementDiagramm2DPoint::toPage(const Frame& f, Axis axis, double value) const {
    const AxisSettings s = settings(axis);
    const double from = axis == Axis::X ? f.tl->X() : f.tl->Y();
    const double to = axis == Axis::X ? f.br->X() : f.br->Y();
    return rt::checkedFinite(from + rt::checkedDivide(value - s.min, s.max - s.min) * (to - from));
}

// X labels sit on the frame's edge at the Y minimum, Y labels on its left
// edge; labels at the ends reach inward along the axis, the others are
// centred on their tick.
int clsElementDiagramm2DPoint::labelAlignment(const Frame& f, Axis axis, double value,
                                              bool end) const {
    const AxisSettings s = settings(axis);
    const bool atMin = end && near(value, s.min, s.majorStep);
    const int atYMin =
        f.sy ? (m_axisYFlip ? AlignTop : AlignBottom) : (m_axisYFlip ? AlignBottom : AlignTop);
    const int atYMax =
        f.sy ? (m_axisYFlip ? AlignBottom : AlignTop) : (m_axisYFlip ? AlignTop : AlignBottom);
    if (axis == Axis::X) {
        const int horizontal = !end    ? AlignCenter
                               : atMin ? (f.sx ? AlignLeft : AlignRight)
                                       : (f.sx ? AlignRight : AlignLeft);
        return horizontal + atYMin;
    }
    return (f.sx ? AlignRight : AlignLeft) + (!end ? AlignMiddle : atMin ? atYMin : atYMax);
}

// 2. / 5. The major grid of an axis with its labels. Returns the width of the
// widest label drawn on the Y axis, for its caption.
double clsElementDiagramm2DPoint::drawMajorGrid(const Frame& f, Axis axis) const {
    const AxisSettings s = settings(axis);
    const bool isX = axis == Axis::X;
    const double step = s.majorStep;
    if (!drawsGrid(isX, step))
        return 0;
    f.dest.setPen(m_penGridMajor);
    f.dest.setFont(s.font);
    // Y labels are counted from the smaller value, whichever end the axis
    // starts at.
    const double low = isX ? s.min : std::min(s.min, s.max);
    const double high = isX ? s.max : std::max(s.min, s.max);
    std::vector<AxisLabel> labels;
    forEachTick(s.min, s.max, step, [&](double v) {
        // X labels the ticks within its ends, Y its ends and the ticks between.
        if (isX && !(low - tolerance(step) <= v && v <= high + tolerance(step)))
            return;
        AxisLabel l;
        l.value = v;
        l.at = std::fabs(toPage(f, axis, v) - toPage(f, axis, low));
        const QString text = rt::formatNumber(v, s.numberFormat);
        l.size = isX ? f.dest.TextWidth(text, 0) : f.dest.TextHeight(text, 0);
        l.kind = near(v, low, step)    ? AxisLabel::AtMin
                 : near(v, high, step) ? AxisLabel::AtMax
                                       : AxisLabel::Between;
        if (!isX && l.kind == AxisLabel::Between &&
            !(low + tolerance(step) < v && v < high - tolerance(step)))
            return;
        labels.push_back(l);
    });
    thinOut(labels, std::fabs(toPage(f, axis, high) - toPage(f, axis, low)));
    double widest = 0;
    for (const AxisLabel& l : labels) {
        const double at = toPage(f, axis, l.value);
        const PointPtr a = f.onEdge(axis, at, f.tl);
        const PointPtr b = f.onEdge(axis, at, f.br);
        const bool end = l.kind != AxisLabel::Between;
        if (!end)
            f.dest.DrawLine(a, b);
        if (!l.shown)
            continue;
        const QString text = rt::formatNumber(l.value, s.numberFormat);
        f.dest.DrawText(isX && m_axisYFlip ? b : a, text,
                        TextAlignmentEnum(labelAlignment(f, axis, l.value, end)), 0);
        if (!isX)
            widest = std::max(widest, f.dest.TextWidth(text, 0));
    }
    return widest;
}

// 3. / 6. The minor grid of an axis: between its ends, where no major line is.
void clsElementDiagramm2DPoint::drawMinorGrid(const Frame& f, Axis axis) const {
    const AxisSettings s = settings(axis);
    const double step = s.minorStep;
    if (!drawsGrid(axis == Axis::X, step))
        return;
    f.dest.setPen(m_penGridMinor);
    forEachTick(s.min, s.max, step, [&](double t) {
        if (s.min + tolerance(step) < t && t < s.max - tolerance(step) &&
            !isWhole(rt::checkedDivide(t, s.majorStep))) {
            const double at = toPage(f, axis, t);
            f.dest.DrawLine(f.onEdge(axis, at, f.tl), f.onEdge(axis, at, f.br));
        }
    });
}

// 4. X caption.
void clsElementDiagramm2DPoint::drawXCaption(const Frame& f) const {
    f.dest.setFont(m_fontAxisXCaption);
    const clsPoint3D& offset = pointOf(m_axisXCaptionOffset);
    const double x = (f.tl->X() + f.br->X()) / 2 + offset.X();
    const double y = m_axisYFlip ? f.br->Y() - offset.Y() : f.tl->Y() + offset.Y();
    f.dest.DrawText(GetPoint(x, y, 0), m_axisXCaption,
                    TextAlignmentEnum(AlignCenter + (f.sy ? AlignBottom : AlignTop)), 0);
}

// 7. Y caption.
void clsElementDiagramm2DPoint::drawYCaption(const Frame& f, double labelWidth) const {
    f.dest.setFont(m_fontAxisYCaption);
    const clsPoint3D& offset = pointOf(m_axisYCaptionOffset);
    // The caption keeps clear of the widest label on its side.
    double x = f.tl->X() + offset.X();
    if (labelWidth > 0) {
        const double clear = labelWidth + LabelGap;
        if (offset.X() <= 0 && x > f.tl->X() - clear)
            x = f.tl->X() - clear;
        else if (offset.X() > 0 && x < f.tl->X() + clear)
            x = f.tl->X() + clear;
    }
    f.dest.DrawText(GetPoint(x, (f.tl->Y() + f.br->Y()) / 2 + offset.Y(), 0), m_axisYCaption,
                    TextAlignmentEnum(AlignMiddle + (f.sx ? AlignRight : AlignLeft)), 0);
}

// 8. Data rows: connecting lines, then symbols.
void clsElementDiagramm2DPoint::drawRows(const Frame& f) {
    auto mapped = [&](const PointPtr& p) {
        const clsPoint3D& point = pointOf(p);
        return GetPoint(toPage(f, Axis::X, point.X()), toPage(f, Axis::Y, point.Y()), point.Z());
    };
    for (size_t r = 1; r < m_rowData.size(); ++r) {
        const DataRow& data = m_rowData[r];
        f.dest.setPen(data.linePen);
        PointPtr previous;
        for (const PointPtr& p : data.points) {
            PointPtr current = mapped(p);
            if (previous)
                f.dest.DrawLine(previous, current);
            previous = std::move(current);
        }
        f.dest.setPen(data.pointPen);
        f.dest.setBrush(data.pointBrush);
        for (const PointPtr& p : data.points)
            drawSymbol(f.dest, data, *mapped(p));
    }
}

void clsElementDiagramm2DPoint::Draw(const DrawDestPtr& DrawDest) {
    clsDrawDest& dest = drawDestOf(DrawDest);
    const PointPtr tl = pointOf(m_edgeTopLeft).Clone();
    const PointPtr br = pointOf(m_edgeBottomRight).Clone();
    const TransformatorPtr transformator = dest.Transformator();
    if (!transformator)
        rt::raiseError(rt::err::ObjectNotSet);
    const Frame f{dest, tl, br, transformator->Scaling()->X() > 0,
                  transformator->Scaling()->Y() > 0};

    // 1. Frame.
    dest.setPen(m_penAxis);
    dest.DrawRectangle(tl, br);
    // 2.-4. X grid with labels, X minor grid, X caption.
    drawMajorGrid(f, Axis::X);
    drawMinorGrid(f, Axis::X);
    drawXCaption(f);
    // 5.-7. The same for Y.
    const double yLabelWidth = drawMajorGrid(f, Axis::Y);
    drawMinorGrid(f, Axis::Y);
    drawYCaption(f, yLabelWidth);
    // 8. Data rows.
    drawRows(f);
}
