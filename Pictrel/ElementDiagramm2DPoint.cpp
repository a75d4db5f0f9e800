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

void clsElementDiagramm2DPoint::Draw(const DrawDestPtr& DrawDest) {
    clsDrawDest& dest = drawDestOf(DrawDest);
    const PointPtr tl = pointOf(m_edgeTopLeft).Clone();
    const PointPtr br = pointOf(m_edgeBottomRight).Clone();
    const TransformatorPtr transformator = dest.Transformator();
    if (!transformator)
        rt::raiseError(rt::err::ObjectNotSet);
    const bool sx = transformator->Scaling()->X() > 0;
    const bool sy = transformator->Scaling()->Y() > 0;
    auto X = [&](double v) {
        return rt::checkedFinite(tl->X() +
                                 rt::checkedDivide(v - m_axisXMin, m_axisXMax - m_axisXMin) *
                                     (br->X() - tl->X()));
    };
    auto Y = [&](double v) {
        return rt::checkedFinite(tl->Y() +
                                 rt::checkedDivide(v - m_axisYMin, m_axisYMax - m_axisYMin) *
                                     (br->Y() - tl->Y()));
    };
    auto label = [&](const PointPtr& anchor, double value, const QString& pattern, int align) {
        dest.DrawText(anchor, rt::formatNumber(value, pattern), TextAlignmentEnum(align), 0);
    };

    // 1. Frame.
    dest.setPen(m_penAxis);
    dest.DrawRectangle(tl, br);

    // 2. X major grid with labels.
    if (m_axisXGridMajorStep > 0) {
        dest.setPen(m_penGridMajor);
        dest.setFont(m_fontAxisX);
        const int vertical =
            sy ? (m_axisYFlip ? AlignTop : AlignBottom) : (m_axisYFlip ? AlignBottom : AlignTop);
        const double step = m_axisXGridMajorStep;
        std::vector<AxisLabel> labels;
        forEachTick(m_axisXMin, m_axisXMax, step, [&](double x) {
            if (!(m_axisXMin - tolerance(step) <= x && x <= m_axisXMax + tolerance(step)))
                return;
            AxisLabel l;
            l.value = x;
            l.at = std::fabs(X(x) - X(m_axisXMin));
            l.size = dest.TextWidth(rt::formatNumber(x, m_axisXNumberFormat), 0);
            l.kind = near(x, m_axisXMin, step)   ? AxisLabel::AtMin
                     : near(x, m_axisXMax, step) ? AxisLabel::AtMax
                                                 : AxisLabel::Between;
            labels.push_back(l);
        });
        thinOut(labels, std::fabs(X(m_axisXMax) - X(m_axisXMin)));
        for (const AxisLabel& l : labels) {
            const PointPtr a = GetPoint(X(l.value), tl->Y(), 0);
            const PointPtr b = GetPoint(X(l.value), br->Y(), 0);
            const PointPtr anchor = m_axisYFlip ? b : a;
            int align = AlignCenter;
            if (l.kind == AxisLabel::AtMin)
                align = sx ? AlignLeft : AlignRight;
            else if (l.kind == AxisLabel::AtMax)
                align = sx ? AlignRight : AlignLeft;
            else
                dest.DrawLine(a, b);
            if (l.shown)
                label(anchor, l.value, m_axisXNumberFormat, align + vertical);
        }
    }

    // 3. X minor grid.
    if (m_axisXGridMinorStep > 0) {
        dest.setPen(m_penGridMinor);
        const double step = m_axisXGridMinorStep;
        forEachTick(m_axisXMin, m_axisXMax, step, [&](double t) {
            if (m_axisXMin + tolerance(step) < t && t < m_axisXMax - tolerance(step) &&
                !isWhole(rt::checkedDivide(t, m_axisXGridMajorStep)))
                dest.DrawLine(GetPoint(X(t), tl->Y(), 0), GetPoint(X(t), br->Y(), 0));
        });
    }

    // 4. X caption.
    dest.setFont(m_fontAxisXCaption);
    {
        const clsPoint3D& offset = pointOf(m_axisXCaptionOffset);
        const double x = (tl->X() + br->X()) / 2 + offset.X();
        const double y = m_axisYFlip ? br->Y() - offset.Y() : tl->Y() + offset.Y();
        dest.DrawText(GetPoint(x, y, 0), m_axisXCaption,
                      TextAlignmentEnum(AlignCenter + (sy ? AlignBottom : AlignTop)), 0);
    }

    // 5. Y major grid with labels.
    double yLabelWidth = 0; // the widest label drawn, for the caption
    if (m_axisYGridMajorStep != 0) {
        dest.setPen(m_penGridMajor);
        dest.setFont(m_fontAxisY);
        const int horizontal = sx ? AlignRight : AlignLeft;
        const double low = std::min(m_axisYMin, m_axisYMax);
        const double high = std::max(m_axisYMin, m_axisYMax);
        const double step = m_axisYGridMajorStep;
        std::vector<AxisLabel> labels;
        forEachTick(m_axisYMin, m_axisYMax, step, [&](double y) {
            AxisLabel l;
            l.value = y;
            // Counted from the smaller value, whichever end the axis starts at.
            l.at = std::fabs(Y(y) - Y(low));
            const QString text = rt::formatNumber(y, m_axisYNumberFormat);
            l.size = dest.TextHeight(text, 0);
            if (near(y, low, step))
                l.kind = AxisLabel::AtMin;
            else if (near(y, high, step))
                l.kind = AxisLabel::AtMax;
            else if (!(low + tolerance(step) < y && y < high - tolerance(step)))
                return;
            labels.push_back(l);
        });
        thinOut(labels, std::fabs(Y(high) - Y(low)));
        for (const AxisLabel& l : labels) {
            const PointPtr a = GetPoint(tl->X(), Y(l.value), 0);
            int vertical = AlignMiddle;
            if (l.kind != AxisLabel::Between && near(l.value, m_axisYMin, step))
                vertical = sy ? (m_axisYFlip ? AlignTop : AlignBottom)
                              : (m_axisYFlip ? AlignBottom : AlignTop);
            else if (l.kind != AxisLabel::Between)
                vertical = sy ? (m_axisYFlip ? AlignBottom : AlignTop)
                              : (m_axisYFlip ? AlignTop : AlignBottom);
            else
                dest.DrawLine(a, GetPoint(br->X(), Y(l.value), 0));
            if (!l.shown)
                continue;
            label(a, l.value, m_axisYNumberFormat, horizontal + vertical);
            yLabelWidth = std::max(
                yLabelWidth, dest.TextWidth(rt::formatNumber(l.value, m_axisYNumberFormat), 0));
        }
    }

    // 6. Y minor grid.
    if (m_axisYGridMinorStep != 0) {
        dest.setPen(m_penGridMinor);
        const double step = m_axisYGridMinorStep;
        forEachTick(m_axisYMin, m_axisYMax, step, [&](double t) {
            if (m_axisYMin + tolerance(step) < t && t < m_axisYMax - tolerance(step) &&
                !isWhole(rt::checkedDivide(t, m_axisYGridMajorStep)))
                dest.DrawLine(GetPoint(tl->X(), Y(t), 0), GetPoint(br->X(), Y(t), 0));
        });
    }

    // 7. Y caption.
    dest.setFont(m_fontAxisYCaption);
    {
        const clsPoint3D& offset = pointOf(m_axisYCaptionOffset);
        // The caption keeps clear of the widest label on its side.
        double x = tl->X() + offset.X();
        if (yLabelWidth > 0) {
            const double clear = yLabelWidth + LabelGap;
            if (offset.X() <= 0 && x > tl->X() - clear)
                x = tl->X() - clear;
            else if (offset.X() > 0 && x < tl->X() + clear)
                x = tl->X() + clear;
        }
        dest.DrawText(GetPoint(x, (tl->Y() + br->Y()) / 2 + offset.Y(), 0), m_axisYCaption,
                      TextAlignmentEnum(AlignMiddle + (sx ? AlignRight : AlignLeft)), 0);
    }

    // 8. Data rows: connecting lines, then symbols.
    auto mapped = [&](const PointPtr& p) {
        const clsPoint3D& point = pointOf(p);
        return GetPoint(X(point.X()), Y(point.Y()), point.Z());
    };
    for (size_t r = 1; r < m_rowData.size(); ++r) {
        const DataRow& data = m_rowData[r];
        dest.setPen(data.linePen);
        PointPtr previous;
        for (const PointPtr& p : data.points) {
            PointPtr current = mapped(p);
            if (previous)
                dest.DrawLine(previous, current);
            previous = std::move(current);
        }
        dest.setPen(data.pointPen);
        dest.setBrush(data.pointBrush);
        for (const PointPtr& p : data.points)
            drawSymbol(dest, data, *mapped(p));
    }
}
