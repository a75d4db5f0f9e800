#include "Point3D.h"

#include "Conversion.h"

std::shared_ptr<clsPoint3D> clsPoint3D::Clone() const {
    return std::make_shared<clsPoint3D>(m_x, m_y, m_z);
}

void clsPoint3D::Offset(double dx, double dy, double dZ) {
    m_x = rt::checkedFinite(m_x + dx);
    m_y = rt::checkedFinite(m_y + dy);
    m_z = rt::checkedFinite(m_z + dZ);
}

std::shared_ptr<clsPoint3D> clsPoint3D::OffsetClone(double dx, double dy, double dZ) const {
    auto copy = Clone();
    copy->Offset(dx, dy, dZ);
    return copy;
}

void clsPoint3D::MoveTo(double NewX, double NewY, double NewZ) {
    m_x = NewX;
    m_y = NewY;
    m_z = NewZ;
}

QString clsPoint3D::ContentString() const {
    return rt::doubleToText(m_x) + QStringLiteral(" : ") + rt::doubleToText(m_y) +
           QStringLiteral(" : ") + rt::doubleToText(m_z);
}
