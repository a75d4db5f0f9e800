#include "ElementText.h"

#include "basPictrel.h"

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
    const AlignPart horizontal = horizontalPart(m_align);
    if (horizontal != AlignPart::Start) {
        const double width = TextWidth(DrawDest);
        p->setX(rt::checkedFinite(p->X() - (horizontal == AlignPart::Center ? width / 2 : width)));
    }
    const AlignPart vertical = verticalPart(m_align);
    if (vertical != AlignPart::Start) {
        const double height = TextHeight(DrawDest);
        p->setY(rt::checkedFinite(p->Y() - (vertical == AlignPart::Center ? height / 2 : height)));
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
    return midpoint(*p1, *BoundingBoxP2(DrawDest));
}

void clsElementText::Draw(const DrawDestPtr& DrawDest) {
    clsDrawDest& dest = drawDestOf(DrawDest);
    dest.setFont(m_font);
    dest.DrawText(m_coordinates, m_text, m_align, m_maxTextWidth);
}
