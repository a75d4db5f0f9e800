#include "basPictrel.h"

#include "Conversion.h"

PointPtr perAxis(const clsPoint3D& a, const clsPoint3D& b, double (*pick)(double, double)) {
    return GetPoint(pick(a.X(), b.X()), pick(a.Y(), b.Y()), pick(a.Z(), b.Z()));
}

PointPtr midpoint(const clsPoint3D& a, const clsPoint3D& b) {
    return GetPoint(rt::checkedFinite((a.X() + b.X()) / 2), rt::checkedFinite((a.Y() + b.Y()) / 2),
                    rt::checkedFinite((a.Z() + b.Z()) / 2));
}

AlignPart horizontalPart(int align) {
    switch (align) {
    case AlignCenterTop:
    case AlignCenterMiddle:
    case AlignCenterBottom:
        return AlignPart::Center;
    case AlignRightTop:
    case AlignRightMiddle:
    case AlignRightBottom:
        return AlignPart::End;
    default:
        return AlignPart::Start;
    }
}

AlignPart verticalPart(int align) {
    switch (align) {
    case AlignLeftMiddle:
    case AlignCenterMiddle:
    case AlignRightMiddle:
        return AlignPart::Center;
    case AlignLeftBottom:
    case AlignCenterBottom:
    case AlignRightBottom:
        return AlignPart::End;
    default:
        return AlignPart::Start;
    }
}
