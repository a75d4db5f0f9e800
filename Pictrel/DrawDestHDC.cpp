#include "DrawDestHDC.h"

#include "basPictrel.h"

#include "Conversion.h"
#include "RuntimeError.h"

#include <QPaintDevice>

#include <cmath>

namespace {

// Device values: rounded half to even, error 6 outside 32 bits.
qint64 device(double v) {
    return rt::toLong(v);
}

constexpr qint64 Unlimited = 999999999;

} // namespace

clsDrawDestHDC::clsDrawDestHDC() = default;

// ---- styles --------------------------------------------------------------------

template <class Style, class Handle, class Create>
bool clsDrawDestHDC::replaceStyle(std::shared_ptr<Style>& stored, std::shared_ptr<Style> value,
                                  Slot<Handle>& slot,
                                  Handle (DeviceContext::*select)(const Handle&), Create&& create) {
    // The same object again: nothing is made anew, even if it was changed.
    if (value == stored)
        return false;
    if (stored && slot.selected) {
        if (m_hdc) {
            (m_hdc.get()->*select)(slot.previous);
            m_hdc->deleteObject(slot.created);
        }
        slot = {};
    }
    stored = std::move(value);
    if (!stored)
        return false;
    if (m_hdc) {
        slot.created = create(*stored);
        slot.previous = (m_hdc.get()->*select)(slot.created);
    }
    slot.selected = true;
    return true;
}

void clsDrawDestHDC::setPen(PenPtr value) {
    replaceStyle(m_pen, std::move(value), m_penSlot, &DeviceContext::selectPen,
                 [this](const clsPen& pen) {
                     return m_hdc->createPen(pen.Style(), pen.Width(), pen.Color());
                 });
}

void clsDrawDestHDC::setBrush(BrushPtr value) {
    replaceStyle(m_brush, std::move(value), m_brushSlot, &DeviceContext::selectBrush,
                 [this](const clsBrush& brush) {
                     return brush.Style() == BS_SOLID
                                ? m_hdc->createSolidBrush(brush.Color())
                                : m_hdc->createBrushIndirect(brush.Style(), brush.Color(),
                                                             brush.HatchStyle());
                 });
}

void clsDrawDestHDC::setFont(FontPtr value) {
    const bool made = replaceStyle(
        m_font, std::move(value), m_fontSlot, &DeviceContext::selectFont,
        [this](const clsFont& font) {
            // The size gives the cell height in device units; it is not scaled.
            const int height = rt::toLong(font.Size() * m_hdc->logPixelsX() / 72.0);
            const int escapement = rt::toLong(font.Escapement() * 10);
            return m_hdc->createFont(height, escapement, font.Bold() ? 800 : 400, font.Italic(),
                                     font.Underline(), font.StrikeOut(), font.Name());
        });
    if (made && m_hdc)
        m_hdc->setTextColor(m_font->Color());
}

// ---- measures ------------------------------------------------------------------

const clsTransformator& clsDrawDestHDC::transformator() const {
    if (!m_transformator)
        rt::raiseError(rt::err::ObjectNotSet);
    return *m_transformator;
}

double clsDrawDestHDC::tx(double v) const {
    return transformator().TransformValue(v, Directionx, true);
}
double clsDrawDestHDC::ty(double v) const {
    return transformator().TransformValue(v, DirectionY, true);
}
double clsDrawDestHDC::ux(double v) const {
    return transformator().UntransformValue(v, Directionx, true);
}

clsDrawDest::MeasureKey clsDrawDestHDC::measureKey() const {
    MeasureKey key = clsDrawDest::measureKey();
    // Contexts on devices of one kind and resolution measure alike.
    if (m_hdc && m_hdc->device()) {
        const QPaintDevice& device = *m_hdc->device();
        key.identity = nullptr;
        key.deviceType = device.devType();
        key.dpiX = device.logicalDpiX();
        key.dpiY = device.logicalDpiY();
    }
    return key;
}

double clsDrawDestHDC::TextWidth(const QString& Text, double MaxTextWidth) {
    GdiRect rect{0, 0, MaxTextWidth > 0 ? device(tx(MaxTextWidth)) : Unlimited, Unlimited};
    if (m_hdc)
        m_hdc->drawText(Text, rect, DT_CALCRECT | DT_WORDBREAK);
    return std::fabs(ux(double(rect.right - rect.left)));
}

double clsDrawDestHDC::TextHeight(const QString& Text, double MaxTextWidth) {
    const double w = TextWidth(Text, MaxTextWidth);
    GdiRect rect{0, 0, device(tx(w)), Unlimited};
    if (rect.right < rect.left)
        std::swap(rect.left, rect.right);
    if (m_hdc)
        m_hdc->drawText(Text, rect, DT_CALCRECT | DT_WORDBREAK);
    return std::fabs(ux(double(rect.bottom)));
}

clsDrawDestHDC::Box clsDrawDestHDC::rotatedBox(const QString& text, double maxTextWidth) {
    const double w = TextWidth(text, maxTextWidth);
    const double h = TextHeight(text, maxTextWidth);
    const double pi = 4 * std::atan(1.0);
    const double a = m_font ? m_font->Escapement() * pi / 180 : 0.0;
    const double r = std::sqrt(w * w + h * h);
    const double phi = std::atan(rt::checkedDivide(h, w));
    const double xs[] = {0, w * std::cos(a), r * std::cos(a - phi), h * std::sin(a)};
    const double ys[] = {0, w * std::sin(a), r * std::sin(a - phi), -h * std::cos(a)};
    return {*std::max_element(std::begin(xs), std::end(xs)),
            *std::min_element(std::begin(xs), std::end(xs)),
            *std::min_element(std::begin(ys), std::end(ys)),
            *std::max_element(std::begin(ys), std::end(ys))};
}

double clsDrawDestHDC::TextWidthA(const QString& Text, double MaxTextWidth) {
    return rotatedBox(Text, MaxTextWidth).widthA;
}
double clsDrawDestHDC::TextWidthB(const QString& Text, double MaxTextWidth) {
    return rotatedBox(Text, MaxTextWidth).widthB;
}
double clsDrawDestHDC::TextHeightA(const QString& Text, double MaxTextWidth) {
    return rotatedBox(Text, MaxTextWidth).heightA;
}
double clsDrawDestHDC::TextHeightB(const QString& Text, double MaxTextWidth) {
    return rotatedBox(Text, MaxTextWidth).heightB;
}

// ---- drawing -------------------------------------------------------------------

QPoint clsDrawDestHDC::devicePoint(const clsPoint3D& p) const {
    const PointPtr q = transformator().TransformPoint3D(p);
    return QPoint(int(device(q->X())), int(device(q->Y())));
}

bool clsDrawDestHDC::outlineVisible() const {
    return !m_pen || m_pen->Style() != PS_NULL;
}

bool clsDrawDestHDC::fillVisible() const {
    return outlineVisible() && (!m_brush || m_brush->Style() != BS_HOLLOW);
}

void clsDrawDestHDC::DrawPoint(const PointPtr& P1) {
    if (!outlineVisible())
        return;
    const QPoint p = devicePoint(pointOf(P1));
    if (m_hdc)
        m_hdc->setPixel(p.x(), p.y(), 4);
}

void clsDrawDestHDC::DrawLine(const PointPtr& P1, const PointPtr& P2) {
    if (!outlineVisible())
        return;
    const QPoint a = devicePoint(pointOf(P1));
    const QPoint b = devicePoint(pointOf(P2));
    if (m_hdc) {
        m_hdc->moveTo(a.x(), a.y());
        m_hdc->lineTo(b.x(), b.y());
    }
}

void clsDrawDestHDC::DrawRectangle(const PointPtr& P1, const PointPtr& P2) {
    if (!fillVisible())
        return;
    const clsPoint3D &a = pointOf(P1), &b = pointOf(P2);
    // Each corner on its own, so rotated or mirrored mappings stay right.
    const QPolygon corners{devicePoint(a), devicePoint(clsPoint3D(b.X(), a.Y(), a.Z())),
                           devicePoint(b), devicePoint(clsPoint3D(a.X(), b.Y(), a.Z()))};
    if (m_hdc)
        m_hdc->polygon(corners);
}

void clsDrawDestHDC::DrawCircle(const PointPtr& Middle, double Radius) {
    if (!fillVisible())
        return;
    const clsPoint3D& m = pointOf(Middle);
    const QPoint a = devicePoint(
        clsPoint3D(rt::checkedFinite(m.X() - Radius), rt::checkedFinite(m.Y() - Radius), m.Z()));
    const QPoint b = devicePoint(
        clsPoint3D(rt::checkedFinite(m.X() + Radius), rt::checkedFinite(m.Y() + Radius), m.Z()));
    if (m_hdc)
        m_hdc->ellipse(a.x(), a.y(), b.x(), b.y());
}

namespace {
QPolygon devicePoints(const PointList& P, const std::function<QPoint(const clsPoint3D&)>& map) {
    const qsizetype n = qsizetype(P.size()) - 1;
    if (n < 1)
        rt::raiseError(rt::err::SubscriptOutOfRange);
    QPolygon points;
    points.reserve(n);
    for (qsizetype i = 1; i <= n; ++i)
        points.append(map(pointOf(P[i])));
    return points;
}
} // namespace

void clsDrawDestHDC::DrawPolyline(const PointList& P) {
    if (!outlineVisible())
        return;
    const QPolygon points = devicePoints(P, [this](const clsPoint3D& p) { return devicePoint(p); });
    if (m_hdc)
        m_hdc->polyline(points);
}

void clsDrawDestHDC::DrawPolygon(const PointList& P) {
    if (!fillVisible())
        return;
    const QPolygon points = devicePoints(P, [this](const clsPoint3D& p) { return devicePoint(p); });
    if (m_hdc)
        m_hdc->polygon(points);
}

void clsDrawDestHDC::DrawText(const PointPtr& Coordinates, const QString& Text,
                              TextAlignmentEnum Align, double MaxTextWidth) {
    // Every step that fails is skipped; the rest goes on with what it has.
    rt::SkipErrors skip;
    double wA = 0, wB = 0, hA = 0, hB = 0, W = 0, H = 0;
    skip([&] {
        const Box box = rotatedBox(Text, MaxTextWidth);
        wA = box.widthA;
        wB = box.widthB;
        hA = box.heightA;
        hB = box.heightB;
    });
    skip([&] { W = std::fabs(wA) + std::fabs(wB); });
    skip([&] { H = std::fabs(hA) + std::fabs(hB); });

    PointPtr q;
    qint64 Wd = 0, Hd = 0, x = 0, y = 0;
    skip([&] { q = transformator().TransformPoint3D(pointOf(Coordinates)); });
    skip([&] { Wd = device(std::fabs(tx(W))); });
    skip([&] { Hd = device(std::fabs(ty(H))); });
    skip([&] { x = device(pointOf(q).X()); });
    skip([&] { y = device(pointOf(q).Y()); });

    skip([&] {
        switch (horizontalPart(Align)) {
        case AlignPart::Center:
            x = device(double(x + Wd / 2) - std::fabs(tx(wA)));
            break;
        case AlignPart::End:
            x = device(double(x + Wd) - std::fabs(2 * tx(wA)));
            break;
        case AlignPart::Start:
            break;
        }
    });
    skip([&] {
        // The height goes through the X scale as well.
        switch (verticalPart(Align)) {
        case AlignPart::Center:
            y = device(double(y + Hd / 2) - std::fabs(tx(hA)));
            break;
        case AlignPart::End:
            y = device(double(y + Hd) - std::fabs(2 * tx(hA)));
            break;
        case AlignPart::Start:
            break;
        }
    });

    GdiRect rect{x, y, x + Wd, y + Hd};
    skip([&] {
        if (MaxTextWidth > 0)
            rect.right = device(double(x) + tx(MaxTextWidth));
    });
    if (rect.left > rect.right)
        rect.right = rect.left + (rect.left - rect.right);
    if (MaxTextWidth == 0) {
        rect.right += 1000;
        rect.bottom += 1000;
    }
    if (m_hdc)
        m_hdc->drawText(Text, rect, DT_WORDBREAK | DT_NOCLIP);
}
