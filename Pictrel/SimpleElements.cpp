#include "SimpleElements.h"

#include "basPictrel.h"

#include "Conversion.h"
#include "RuntimeError.h"

// ---- point -------------------------------------------------------------------

PointPtr clsElementPoint::BoundingBoxP1(const DrawDestPtr&) {
    return pointOf(m_coordinates).Clone();
}
PointPtr clsElementPoint::BoundingBoxP2(const DrawDestPtr&) {
    return pointOf(m_coordinates).Clone();
}
PointPtr clsElementPoint::BoundingBoxCenter(const DrawDestPtr&) {
    return pointOf(m_coordinates).Clone();
}
void clsElementPoint::Draw(const DrawDestPtr& DrawDest) {
    clsDrawDest& dest = drawDestOf(DrawDest);
    dest.setPen(m_pen);
    dest.DrawPoint(m_coordinates);
}

// ---- line and rectangle ----------------------------------------------------

PointPtr clsTwoPointElement::BoundingBoxP1(const DrawDestPtr&) {
    return perAxis(pointOf(m_p1), pointOf(m_p2), dblMin);
}
PointPtr clsTwoPointElement::BoundingBoxP2(const DrawDestPtr&) {
    return perAxis(pointOf(m_p1), pointOf(m_p2), dblMax);
}
PointPtr clsTwoPointElement::BoundingBoxCenter(const DrawDestPtr&) {
    return midpoint(pointOf(P1()), pointOf(P2()));
}

void clsElementLine::Draw(const DrawDestPtr& DrawDest) {
    clsDrawDest& dest = drawDestOf(DrawDest);
    dest.setPen(Pen());
    dest.DrawLine(P1(), P2());
}

void clsElementRectangle::Draw(const DrawDestPtr& DrawDest) {
    clsDrawDest& dest = drawDestOf(DrawDest);
    dest.setPen(Pen());
    dest.setBrush(m_brush);
    dest.DrawRectangle(P1(), P2());
}

// ---- circle ------------------------------------------------------------------

PointPtr clsElementCircle::BoundingBoxP1(const DrawDestPtr&) {
    const clsPoint3D& m = pointOf(m_middle);
    return GetPoint(rt::checkedFinite(m.X() - m_radius), rt::checkedFinite(m.Y() - m_radius),
                    m.Z());
}
PointPtr clsElementCircle::BoundingBoxP2(const DrawDestPtr&) {
    const clsPoint3D& m = pointOf(m_middle);
    return GetPoint(rt::checkedFinite(m.X() + m_radius), rt::checkedFinite(m.Y() + m_radius),
                    m.Z());
}
PointPtr clsElementCircle::BoundingBoxCenter(const DrawDestPtr&) {
    return pointOf(m_middle).Clone();
}
void clsElementCircle::Draw(const DrawDestPtr& DrawDest) {
    clsDrawDest& dest = drawDestOf(DrawDest);
    dest.setPen(m_pen);
    dest.setBrush(m_brush);
    dest.DrawCircle(m_middle, m_radius);
}

// ---- polyline and polygon ------------------------------------------------------

namespace {
// Per axis the extreme of all points; nothing without points.
PointPtr extremePoint(const PointList& points, double (*pick)(double, double)) {
    PointPtr result;
    for (size_t i = 1; i < points.size(); ++i) {
        const clsPoint3D& p = pointOf(points[i]);
        result = result ? perAxis(*result, p, pick) : p.Clone();
    }
    return result;
}
} // namespace

PointPtr clsPointListElement::BoundingBoxP1(const DrawDestPtr&) {
    return extremePoint(m_points, dblMin);
}

PointPtr clsPointListElement::BoundingBoxP2(const DrawDestPtr&) {
    return extremePoint(m_points, dblMax);
}

PointPtr clsPointListElement::BoundingBoxCenter(const DrawDestPtr& DrawDest) {
    const PointPtr p1 = BoundingBoxP1(DrawDest);
    if (!p1)
        return {};
    return midpoint(*p1, pointOf(BoundingBoxP2(DrawDest)));
}

void clsElementPolyline::Draw(const DrawDestPtr& DrawDest) {
    clsDrawDest& dest = drawDestOf(DrawDest);
    dest.setPen(Pen());
    dest.DrawPolyline(Points());
}

void clsElementPolygon::Draw(const DrawDestPtr& DrawDest) {
    clsDrawDest& dest = drawDestOf(DrawDest);
    dest.setPen(Pen());
    dest.setBrush(m_brush);
    dest.DrawPolygon(Points());
}

// ---- nested drawing ------------------------------------------------------------

namespace {
const clsPictrel& pictrelOf(const PictrelPtr& p) {
    if (!p || !p->Elements())
        rt::raiseError(rt::err::ObjectNotSet);
    return *p;
}
} // namespace

PointPtr clsElementPictrel::BoundingBoxP1(const DrawDestPtr& DrawDest) {
    const clsPoint3D& c = pointOf(m_coordinates);
    return pointOf(pictrelOf(m_pictrel).Elements()->BoundingBoxP1(DrawDest))
        .OffsetClone(c.X(), c.Y(), c.Z());
}

PointPtr clsElementPictrel::BoundingBoxP2(const DrawDestPtr& DrawDest) {
    const clsPoint3D& c = pointOf(m_coordinates);
    return pointOf(pictrelOf(m_pictrel).Elements()->BoundingBoxP2(DrawDest))
        .OffsetClone(c.X(), c.Y(), c.Z());
}

PointPtr clsElementPictrel::BoundingBoxCenter(const DrawDestPtr& DrawDest) {
    const clsPoint3D& c = pointOf(m_coordinates);
    const ElementsPtr elements = pictrelOf(m_pictrel).Elements();
    const PointPtr p1 = elements->BoundingBoxP1(DrawDest);
    const PointPtr p2 = elements->BoundingBoxP2(DrawDest);
    return midpoint(pointOf(p1), pointOf(p2))->OffsetClone(c.X(), c.Y(), c.Z());
}

void clsElementPictrel::Draw(const DrawDestPtr& DrawDest) {
    clsDrawDest& dest = drawDestOf(DrawDest);
    const TransformatorPtr kept = dest.Transformator();
    if (!kept)
        rt::raiseError(rt::err::ObjectNotSet);
    const TransformatorPtr nested = kept->Clone();
    dest.setTransformator(nested);
    const clsPoint3D& c = pointOf(m_coordinates);
    const clsPoint3D& s = pointOf(m_scaling);
    nested->PreScalingOffset()->Offset(-c.X(), -c.Y(), -c.Z());
    const PointPtr scaling = nested->Scaling();
    scaling->MoveTo(rt::checkedFinite(scaling->X() * s.X()),
                    rt::checkedFinite(scaling->Y() * s.Y()),
                    rt::checkedFinite(scaling->Z() * s.Z()));
    try {
        pictrelOf(m_pictrel).Draw(DrawDest);
    } catch (...) {
        dest.setTransformator(kept);
        throw;
    }
    dest.setTransformator(kept);
}
