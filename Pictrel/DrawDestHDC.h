#pragma once

#include "DeviceContext.h"
#include "DrawDest.h"
#include "pictrel_export.h"

// Renders onto a device context: transforms points with its transformator,
// keeps one own pen, brush and font selected into the context, measures and
// wraps text as the context lays it out.
class PICTREL_EXPORT clsDrawDestHDC : public clsDrawDest {
public:
    clsDrawDestHDC();

    // The device context; nothing means every call has no effect.
    DeviceContextPtr hDC() const { return m_hdc; }
    void sethDC(DeviceContextPtr value) { m_hdc = std::move(value); }
    // The object itself through its destination interface.
    DrawDestPtr DrawDest() { return shared_from_this(); }

    TransformatorPtr Transformator() const override { return m_transformator; }
    void setTransformator(TransformatorPtr value) override { m_transformator = std::move(value); }
    PenPtr Pen() const override { return m_pen; }
    void setPen(PenPtr value) override;
    BrushPtr Brush() const override { return m_brush; }
    void setBrush(BrushPtr value) override;
    FontPtr Font() const override { return m_font; }
    void setFont(FontPtr value) override;

    MeasureKey measureKey() const override;
    double TextWidth(const QString& Text, double MaxTextWidth) override;
    double TextWidthA(const QString& Text, double MaxTextWidth) override;
    double TextWidthB(const QString& Text, double MaxTextWidth) override;
    double TextHeight(const QString& Text, double MaxTextWidth) override;
    double TextHeightA(const QString& Text, double MaxTextWidth) override;
    double TextHeightB(const QString& Text, double MaxTextWidth) override;

    void DrawPoint(const PointPtr& P1) override;
    void DrawLine(const PointPtr& P1, const PointPtr& P2) override;
    void DrawRectangle(const PointPtr& P1, const PointPtr& P2) override;
    void DrawCircle(const PointPtr& Middle, double Radius) override;
    void DrawText(const PointPtr& Coordinates, const QString& Text, TextAlignmentEnum Align,
                  double MaxTextWidth) override;
    void DrawPolyline(const PointList& P) override;
    void DrawPolygon(const PointList& P) override;

private:
    // One own drawing object of the destination: the object it made, the one
    // it replaced in the context, and whether it is selected.
    template <class Handle>
    struct Slot {
        Handle created;
        Handle previous;
        bool selected = false;
    };
    struct Box {
        double widthA, widthB, heightA, heightB;
    };
    // Stores a style object; a different one replaces the own drawing object
    // in the context. Returns true when an object was made for the new one.
    template <class Style, class Handle, class Create>
    bool replaceStyle(std::shared_ptr<Style>& stored, std::shared_ptr<Style> value,
                      Slot<Handle>& slot, Handle (DeviceContext::*select)(const Handle&),
                      Create&& create);
    Box rotatedBox(const QString& text, double maxTextWidth);
    const clsTransformator& transformator() const;
    double tx(double v) const;
    double ty(double v) const;
    double ux(double v) const;
    QPoint devicePoint(const clsPoint3D& p) const;
    bool outlineVisible() const;
    bool fillVisible() const;

    DeviceContextPtr m_hdc;
    TransformatorPtr m_transformator = std::make_shared<clsTransformator>();
    PenPtr m_pen;
    BrushPtr m_brush;
    FontPtr m_font;
    Slot<GdiPenHandle> m_penSlot;
    Slot<GdiBrushHandle> m_brushSlot;
    Slot<GdiFontHandle> m_fontSlot;
};
