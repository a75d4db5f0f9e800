#pragma once

#include "Point3D.h"
#include "Styles.h"
#include "Transformator.h"
#include "pictrel_export.h"

#include <QString>

#include <memory>
#include <vector>

enum TextAlignmentEnum : int {
    AlignLeft = 1,
    AlignCenter = 2,
    AlignRight = 4,
    AlignTop = 32,
    AlignMiddle = 64,
    AlignBottom = 128,
    AlignLeftTop = 33,
    AlignLeftMiddle = 65,
    AlignLeftBottom = 129,
    AlignCenterTop = 34,
    AlignCenterMiddle = 66,
    AlignCenterBottom = 130,
    AlignRightTop = 36,
    AlignRightMiddle = 68,
    AlignRightBottom = 132,
};

// A point list as polylines and polygons keep it: position 0 exists and holds
// no point, the points occupy positions 1 to n.
using PointList = std::vector<PointPtr>;

// Receives drawing operations in drawing coordinates. This interface class
// itself does nothing and returns empty results.
class PICTREL_EXPORT clsDrawDest : public std::enable_shared_from_this<clsDrawDest> {
public:
    virtual ~clsDrawDest();

    virtual TransformatorPtr Transformator() const { return {}; }
    virtual void setTransformator(TransformatorPtr) {}
    virtual PenPtr Pen() const { return {}; }
    virtual void setPen(PenPtr) {}
    virtual BrushPtr Brush() const { return {}; }
    virtual void setBrush(BrushPtr) {}
    virtual FontPtr Font() const { return {}; }
    virtual void setFont(FontPtr) {}

    // What text measures depend on besides the text and the font: two
    // destinations with equal keys measure alike (the same kind of device
    // at the same resolution and scale). By default a destination is alike
    // only itself.
    struct MeasureKey {
        const void* identity = nullptr;
        int deviceType = 0, dpiX = 0, dpiY = 0;
        double scaleX = 0, scaleY = 0;
        bool operator==(const MeasureKey&) const = default;
    };
    virtual MeasureKey measureKey() const;

    // Text measures in drawing units.
    virtual double TextWidth(const QString& Text, double MaxTextWidth);
    virtual double TextWidthA(const QString& Text, double MaxTextWidth);
    virtual double TextWidthB(const QString& Text, double MaxTextWidth);
    virtual double TextHeight(const QString& Text, double MaxTextWidth);
    virtual double TextHeightA(const QString& Text, double MaxTextWidth);
    virtual double TextHeightB(const QString& Text, double MaxTextWidth);

    virtual void DrawPoint(const PointPtr& P1);
    virtual void DrawLine(const PointPtr& P1, const PointPtr& P2);
    virtual void DrawRectangle(const PointPtr& P1, const PointPtr& P2);
    virtual void DrawCircle(const PointPtr& Middle, double Radius);
    virtual void DrawText(const PointPtr& Coordinates, const QString& Text, TextAlignmentEnum Align,
                          double MaxTextWidth);
    virtual void DrawPolyline(const PointList& P);
    virtual void DrawPolygon(const PointList& P);
};

using DrawDestPtr = std::shared_ptr<clsDrawDest>;

// The point an object reference holds; error 91 when it holds none.
PICTREL_EXPORT const clsPoint3D& pointOf(const PointPtr& point);
