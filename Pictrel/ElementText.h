#pragma once

#include "Element.h"
#include "Styles.h"
#include "pictrel_export.h"

// One piece of text, optionally wrapped, placed by one of nine alignments on
// its anchor. Y grows downward for text: the box runs from the top-left (P1)
// to the bottom-right (P2).
class PICTREL_EXPORT clsElementText : public clsElement {
public:
    PointPtr Coordinates() const { return m_coordinates; }
    void setCoordinates(PointPtr value) { m_coordinates = std::move(value); }
    QString Text() const { return m_text; }
    void setText(const QString& value) { m_text = value; }
    FontPtr Font() const { return m_font; }
    void setFont(FontPtr value) { m_font = std::move(value); }
    TextAlignmentEnum Align() const { return m_align; }
    void setAlign(TextAlignmentEnum value) { m_align = value; }
    // Wrap width in drawing units; 0 or less: no wrapping.
    double MaxTextWidth() const { return m_maxTextWidth; }
    void setMaxTextWidth(double value) { m_maxTextWidth = value; }

    // MaxTextWidth when positive, else the measured width.
    double TextWidth(const DrawDestPtr& DrawDest);
    double TextHeight(const DrawDestPtr& DrawDest);
    ElementPtr Element() { return shared_from_this(); }

    PointPtr BoundingBoxP1(const DrawDestPtr& DrawDest) override;
    PointPtr BoundingBoxP2(const DrawDestPtr& DrawDest) override;
    PointPtr BoundingBoxCenter(const DrawDestPtr& DrawDest) override;
    void Draw(const DrawDestPtr& DrawDest) override;

private:
    PointPtr m_coordinates = std::make_shared<clsPoint3D>();
    QString m_text;
    FontPtr m_font;
    TextAlignmentEnum m_align = AlignCenterMiddle;
    double m_maxTextWidth = 0;
};

using ElementTextPtr = std::shared_ptr<clsElementText>;
