#pragma once

#include "Element.h"
#include "Styles.h"
#include "pictrel_export.h"

// A single point: one device pixel.
class PICTREL_EXPORT clsElementPoint : public clsElement {
public:
    PointPtr Coordinates() const { return m_coordinates; }
    void setCoordinates(PointPtr value) { m_coordinates = std::move(value); }
    PenPtr Pen() const { return m_pen; }
    void setPen(PenPtr value) { m_pen = std::move(value); }

    PointPtr BoundingBoxP1(const DrawDestPtr& DrawDest) override;
    PointPtr BoundingBoxP2(const DrawDestPtr& DrawDest) override;
    PointPtr BoundingBoxCenter(const DrawDestPtr& DrawDest) override;
    void Draw(const DrawDestPtr& DrawDest) override;

private:
    PointPtr m_coordinates = std::make_shared<clsPoint3D>();
    PenPtr m_pen;
};

// Two corner points; the base of lines and rectangles.
class PICTREL_EXPORT clsTwoPointElement : public clsElement {
public:
    PointPtr P1() const { return m_p1; }
    void setP1(PointPtr value) { m_p1 = std::move(value); }
    PointPtr P2() const { return m_p2; }
    void setP2(PointPtr value) { m_p2 = std::move(value); }
    PenPtr Pen() const { return m_pen; }
    void setPen(PenPtr value) { m_pen = std::move(value); }

    PointPtr BoundingBoxP1(const DrawDestPtr& DrawDest) override;
    PointPtr BoundingBoxP2(const DrawDestPtr& DrawDest) override;
    PointPtr BoundingBoxCenter(const DrawDestPtr& DrawDest) override;

private:
    PointPtr m_p1 = std::make_shared<clsPoint3D>();
    PointPtr m_p2 = std::make_shared<clsPoint3D>();
    PenPtr m_pen;
};

class PICTREL_EXPORT clsElementLine : public clsTwoPointElement {
public:
    void Draw(const DrawDestPtr& DrawDest) override;
};

class PICTREL_EXPORT clsElementRectangle : public clsTwoPointElement {
public:
    // Stored only; drawing uses Pen and Brush.
    ColorValue Color() const { return m_color; }
    void setColor(ColorValue value) { m_color = value; }
    BrushPtr Brush() const { return m_brush; }
    void setBrush(BrushPtr value) { m_brush = std::move(value); }

    void Draw(const DrawDestPtr& DrawDest) override;

private:
    ColorValue m_color = 0;
    BrushPtr m_brush;
};

class PICTREL_EXPORT clsElementCircle : public clsElement {
public:
    PointPtr Middle() const { return m_middle; }
    void setMiddle(PointPtr value) { m_middle = std::move(value); }
    double Radius() const { return m_radius; }
    void setRadius(double value) { m_radius = value; }
    // Stored only; drawing uses Pen and Brush.
    ColorValue Color() const { return m_color; }
    void setColor(ColorValue value) { m_color = value; }
    PenPtr Pen() const { return m_pen; }
    void setPen(PenPtr value) { m_pen = std::move(value); }
    BrushPtr Brush() const { return m_brush; }
    void setBrush(BrushPtr value) { m_brush = std::move(value); }

    PointPtr BoundingBoxP1(const DrawDestPtr& DrawDest) override;
    PointPtr BoundingBoxP2(const DrawDestPtr& DrawDest) override;
    PointPtr BoundingBoxCenter(const DrawDestPtr& DrawDest) override;
    void Draw(const DrawDestPtr& DrawDest) override;

private:
    PointPtr m_middle = std::make_shared<clsPoint3D>();
    double m_radius = 0;
    ColorValue m_color = 0;
    PenPtr m_pen;
    BrushPtr m_brush;
};

// A list of points, 1-based; the base of polylines and polygons.
class PICTREL_EXPORT clsPointListElement : public clsElement {
public:
    PenPtr Pen() const { return m_pen; }
    void setPen(PenPtr value) { m_pen = std::move(value); }
    // Stores the caller's point (no copy).
    void AddPoint(PointPtr Point) { m_points.push_back(std::move(Point)); }
    qint32 PointCount() const { return qint32(m_points.size()) - 1; }
    const PointList& Points() const { return m_points; }

    // Nothing without points.
    PointPtr BoundingBoxP1(const DrawDestPtr& DrawDest) override;
    PointPtr BoundingBoxP2(const DrawDestPtr& DrawDest) override;
    PointPtr BoundingBoxCenter(const DrawDestPtr& DrawDest) override;

private:
    PenPtr m_pen;
    PointList m_points{PointPtr()}; // slot 0 holds no point
};

class PICTREL_EXPORT clsElementPolyline : public clsPointListElement {
public:
    void Draw(const DrawDestPtr& DrawDest) override;
};

class PICTREL_EXPORT clsElementPolygon : public clsPointListElement {
public:
    BrushPtr Brush() const { return m_brush; }
    void setBrush(BrushPtr value) { m_brush = std::move(value); }
    void Draw(const DrawDestPtr& DrawDest) override;

private:
    BrushPtr m_brush;
};

// Places one drawing inside another, moved by Coordinates and scaled.
class PICTREL_EXPORT clsElementPictrel : public clsElement {
public:
    PointPtr Coordinates() const { return m_coordinates; }
    void setCoordinates(PointPtr value) { m_coordinates = std::move(value); }
    PictrelPtr Pictrel() const { return m_pictrel; }
    void setPictrel(PictrelPtr value) { m_pictrel = std::move(value); }
    PointPtr Scaling() const { return m_scaling; }
    void setScaling(PointPtr value) { m_scaling = std::move(value); }

    // The nested drawing's box moved by Coordinates (not scaled); error 91
    // when the nested drawing is empty.
    PointPtr BoundingBoxP1(const DrawDestPtr& DrawDest) override;
    PointPtr BoundingBoxP2(const DrawDestPtr& DrawDest) override;
    PointPtr BoundingBoxCenter(const DrawDestPtr& DrawDest) override;
    void Draw(const DrawDestPtr& DrawDest) override;

private:
    PointPtr m_coordinates = std::make_shared<clsPoint3D>();
    PictrelPtr m_pictrel = std::make_shared<clsPictrel>();
    PointPtr m_scaling = std::make_shared<clsPoint3D>(1, 1, 1);
};
