#include "Transformator.h"

#include "Conversion.h"

namespace {

struct Axis {
    double preScalingOffset = 0;
    double scaling = 0;
    double offset = 0;
};

Axis axis(const clsTransformator& t, DirectionEnum direction) {
    switch (direction) {
    case Directionx:
        return {t.PreScalingOffset()->X(), t.Scaling()->X(), t.Offset()->X()};
    case DirectionY:
        return {t.PreScalingOffset()->Y(), t.Scaling()->Y(), t.Offset()->Y()};
    case DirectionZ:
        return {t.PreScalingOffset()->Z(), t.Scaling()->Z(), t.Offset()->Z()};
    }
    return {};
}

double transform(double value, const Axis& a) {
    return rt::checkedFinite(rt::checkedFinite((value - a.preScalingOffset) * a.scaling) -
                             a.offset);
}

double untransform(double value, const Axis& a) {
    return rt::checkedFinite(rt::checkedDivide(rt::checkedFinite(value + a.offset), a.scaling) +
                             a.preScalingOffset);
}

} // namespace

clsTransformator::clsTransformator()
    : m_preScalingOffset(std::make_shared<clsPoint3D>()), m_scaling(std::make_shared<clsPoint3D>()),
      m_offset(std::make_shared<clsPoint3D>()) {
    m_scaling->MoveTo(1, 1, 1);
}

std::shared_ptr<clsTransformator> clsTransformator::Clone() const {
    auto copy = std::make_shared<clsTransformator>();
    copy->setPreScalingOffset(m_preScalingOffset->Clone());
    copy->setScaling(m_scaling->Clone());
    copy->setOffset(m_offset->Clone());
    return copy;
}

PointPtr clsTransformator::TransformPoint3D(const clsPoint3D& Point) const {
    return std::make_shared<clsPoint3D>(transform(Point.X(), axis(*this, Directionx)),
                                        transform(Point.Y(), axis(*this, DirectionY)),
                                        transform(Point.Z(), axis(*this, DirectionZ)));
}

PointPtr clsTransformator::UntransformPoint3D(const clsPoint3D& Point) const {
    return std::make_shared<clsPoint3D>(untransform(Point.X(), axis(*this, Directionx)),
                                        untransform(Point.Y(), axis(*this, DirectionY)),
                                        untransform(Point.Z(), axis(*this, DirectionZ)));
}

double clsTransformator::TransformValue(double Value, DirectionEnum Direction,
                                        bool IgnoreOffsets) const {
    const Axis a = axis(*this, Direction);
    if (IgnoreOffsets)
        return rt::checkedFinite(Value * a.scaling);
    return transform(Value, a);
}

double clsTransformator::UntransformValue(double Value, DirectionEnum Direction,
                                          bool IgnoreOffsets) const {
    const Axis a = axis(*this, Direction);
    if (IgnoreOffsets)
        return rt::checkedDivide(Value, a.scaling);
    return untransform(Value, a);
}
