#pragma once

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
