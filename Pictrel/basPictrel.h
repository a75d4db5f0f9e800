#pragma once

#include "DrawDest.h"
#include "Point3D.h"

// Small helpers of the element classes.

// b when a >= b, else a.
inline double dblMin(double a, double b) {
    return a >= b ? b : a;
}
// b when a <= b, else a.
inline double dblMax(double a, double b) {
    return a <= b ? b : a;
}
inline PointPtr GetPoint(double X, double Y, double Z) {
    return std::make_shared<clsPoint3D>(X, Y, Z);
}

// Per axis pick(a, b), for the corners of boxes (pick is dblMin or dblMax).
PointPtr perAxis(const clsPoint3D& a, const clsPoint3D& b, double (*pick)(double, double));
// The point halfway between two points; error 6 on overflow.
PointPtr midpoint(const clsPoint3D& a, const clsPoint3D& b);

// Where a text block lies on its anchor, along one axis, by its alignment.
// Only the nine combined alignment values act; every other value is placed
// like left/top.
enum class AlignPart { Start, Center, End };
AlignPart horizontalPart(int align);
AlignPart verticalPart(int align);
