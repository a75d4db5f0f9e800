#include "DrawDest.h"

#include "RuntimeError.h"

clsDrawDest::~clsDrawDest() = default;

clsDrawDest::MeasureKey clsDrawDest::measureKey() const {
    MeasureKey key;
    key.identity = this;
    if (const TransformatorPtr t = Transformator()) {
        key.scaleX = t->Scaling()->X();
        key.scaleY = t->Scaling()->Y();
    }
    return key;
}

double clsDrawDest::TextWidth(const QString&, double) {
    return 0;
}
double clsDrawDest::TextWidthA(const QString&, double) {
    return 0;
}
double clsDrawDest::TextWidthB(const QString&, double) {
    return 0;
}
double clsDrawDest::TextHeight(const QString&, double) {
    return 0;
}
double clsDrawDest::TextHeightA(const QString&, double) {
    return 0;
}
double clsDrawDest::TextHeightB(const QString&, double) {
    return 0;
}
void clsDrawDest::DrawPoint(const PointPtr&) {}
void clsDrawDest::DrawLine(const PointPtr&, const PointPtr&) {}
void clsDrawDest::DrawRectangle(const PointPtr&, const PointPtr&) {}
void clsDrawDest::DrawCircle(const PointPtr&, double) {}
void clsDrawDest::DrawText(const PointPtr&, const QString&, TextAlignmentEnum, double) {}
void clsDrawDest::DrawPolyline(const PointList&) {}
void clsDrawDest::DrawPolygon(const PointList&) {}

const clsPoint3D& pointOf(const PointPtr& point) {
    if (!point)
        rt::raiseError(rt::err::ObjectNotSet);
    return *point;
}
