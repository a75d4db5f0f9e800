#pragma once

#include "Point3D.h"
#include "pictrel_export.h"

#include <memory>

enum DirectionEnum : int { Directionx = 1, DirectionY = 2, DirectionZ = 3 };

// Maps drawing coordinates to device coordinates and back:
// device = (drawing - PreScalingOffset) * Scaling - Offset, per axis.
class PICTREL_EXPORT clsTransformator {
public:
    clsTransformator();

    // The transformator's own points: changing them changes the mapping.
    PointPtr PreScalingOffset() const { return m_preScalingOffset; }
    void setPreScalingOffset(PointPtr point) { m_preScalingOffset = std::move(point); }
    PointPtr Scaling() const { return m_scaling; }
    void setScaling(PointPtr point) { m_scaling = std::move(point); }
    PointPtr Offset() const { return m_offset; }
    void setOffset(PointPtr point) { m_offset = std::move(point); }

    // A deep copy: later changes to either do not reach the other.
    std::shared_ptr<clsTransformator> Clone() const;

    PointPtr TransformPoint3D(const clsPoint3D& Point) const;
    PointPtr UntransformPoint3D(const clsPoint3D& Point) const;
    // One axis; with IgnoreOffsets a length is converted instead of a position.
    double TransformValue(double Value, DirectionEnum Direction, bool IgnoreOffsets = false) const;
    double UntransformValue(double Value, DirectionEnum Direction,
                            bool IgnoreOffsets = false) const;

private:
    PointPtr m_preScalingOffset;
    PointPtr m_scaling;
    PointPtr m_offset;
};

using TransformatorPtr = std::shared_ptr<clsTransformator>;
