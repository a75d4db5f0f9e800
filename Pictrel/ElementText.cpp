#include "ElementText.h"

#include "Conversion.h"

double clsElementText::TextWidth(const DrawDestPtr& DrawDest) {
    if (m_maxTextWidth > 0)
        return m_maxTextWidth;
    clsDrawDest& dest = drawDestOf(DrawDest);
    dest.setFont(m_font);
    return dest.TextWidth(m_text, m_maxTextWidth);
}

double clsElementText::TextHeight(const DrawDestPtr& DrawDest) {
    clsDrawDest& dest = drawDestOf(DrawDest);
    dest.setFont(m_font);
    return dest.TextHeight(m_text, m_maxTextWidth);
}

PointPtr clsElementText::BoundingBoxP1(const DrawDestPtr& DrawDest) {
    PointPtr p = pointOf(m_coordinates).Clone();
    switch (m_align) {
    case AlignCenterTop:
    case AlignCenterMiddle:
    case AlignCenterBottom:
        p->setX(rt::checkedFinite(p->X() - TextWidth(DrawDest) / 2));
        break;
    case AlignRightTop:
    case AlignRightMiddle:
    case AlignRightBottom:
        p->setX(rt::checkedFinite(p->X() - TextWidth(DrawDest)));
        break;
    default:
        break;
    }
    switch (m_align) {
    case AlignLeftMiddle:
    case AlignCenterMiddle:
    case AlignRightMiddle:
        p->setY(rt::checkedFinite(p->Y() - TextHeight(DrawDest) / 2));
        break;
    case AlignLeftBottom:
    case AlignCenterBottom:
    case AlignRightBottom:
        p->setY(rt::checkedFinite(p->Y() - TextHeight(DrawDest)));
        break;
    default:
        break;
    }
    return p;
}

PointPtr clsElementText::BoundingBoxP2(const DrawDestPtr& DrawDest) {
    PointPtr p = BoundingBoxP1(DrawDest);
    const double width = TextWidth(DrawDest);
    const double height = TextHeight(DrawDest);
    p->Offset(width, height, 0);
    return p;
}

PointPtr clsElementText::BoundingBoxCenter(const DrawDestPtr& DrawDest) {
    const PointPtr p1 = BoundingBoxP1(DrawDest);
    const PointPtr p2 = BoundingBoxP2(DrawDest);
    return std::make_shared<clsPoint3D>(rt::checkedFinite((p1->X() + p2->X()) / 2),
                                        rt::checkedFinite((p1->Y() + p2->Y()) / 2),
                                        rt::checkedFinite((p1->Z() + p2->Z()) / 2));
}

void clsElementText::Draw(const DrawDestPtr& DrawDest) {
    clsDrawDest& dest = drawDestOf(DrawDest);
    dest.setFont(m_font);
    dest.DrawText(m_coordinates, m_text, m_align, m_maxTextWidth);
}
