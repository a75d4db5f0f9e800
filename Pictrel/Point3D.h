#pragma once

#include "pictrel_export.h"

#include <QString>

#include <memory>

// A mutable point with three coordinates. Z is carried through every
// operation but never used for drawing.
class PICTREL_EXPORT clsPoint3D {
public:
    clsPoint3D() = default;
    clsPoint3D(double x, double y, double z) : m_x(x), m_y(y), m_z(z) {}

    double X() const { return m_x; }
    void setX(double value) { m_x = value; }
    double Y() const { return m_y; }
    void setY(double value) { m_y = value; }
    double Z() const { return m_z; }
    void setZ(double value) { m_z = value; }

    std::shared_ptr<clsPoint3D> Clone() const;
    // Adds the three values to the coordinates in place.
    void Offset(double dx, double dy, double dZ);
    // A copy moved by the three values; this point is unchanged.
    std::shared_ptr<clsPoint3D> OffsetClone(double dx, double dy, double dZ) const;
    void MoveTo(double NewX, double NewY, double NewZ);
    // "X : Y : Z" with the user's number format, e.g. "12,5 : 3 : 0".
    QString ContentString() const;

private:
    double m_x = 0;
    double m_y = 0;
    double m_z = 0;
};

using PointPtr = std::shared_ptr<clsPoint3D>;
