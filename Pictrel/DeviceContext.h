#pragma once

#include "Styles.h"
#include "pictrel_export.h"

#include <QBrush>
#include <QFont>
#include <QFontMetrics>
#include <QHash>
#include <QPen>
#include <QPolygon>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

class QPaintDevice;
class QPainter;

// A rectangle in device units as the text functions take it (right and
// bottom exclusive).
struct GdiRect {
    qint64 left = 0;
    qint64 top = 0;
    qint64 right = 0;
    qint64 bottom = 0;
};

// The text flags the draw destination uses.
constexpr unsigned DT_WORDBREAK = 0x10;
constexpr unsigned DT_NOCLIP = 0x100;
constexpr unsigned DT_CALCRECT = 0x400;

// Drawing objects made for a device context.
struct GdiPen {
    QPen pen;
};
struct GdiBrush {
    QBrush brush;
};
class PICTREL_EXPORT GdiFont {
public:
    // Measured on the device (nullptr: the screen). A cell height given
    // (lineHeight > 0) is the line height; ascent goes with it.
    GdiFont(const QFont& font, int escapementTenths, const QPaintDevice* device = nullptr,
            int lineHeight = 0, int ascent = 0);
    const QFont& font() const { return m_font; }
    int escapementTenths() const { return m_escapement; }
    int lineHeight() const { return m_lineHeight; }
    int ascent() const { return m_ascent; }
    // Sum of the integer advances of the characters, no kerning.
    qint64 width(QStringView text) const;

private:
    int advance(char32_t c) const;

    QFont m_font;
    QFontMetrics m_metrics;
    int m_escapement;
    int m_lineHeight;
    int m_ascent;
    // Shared by every font of the same face, size and device resolution:
    // pages and cells make many equal fonts.
    std::shared_ptr<QHash<char32_t, int>> m_advances;
};

using GdiPenHandle = std::shared_ptr<const GdiPen>;
using GdiBrushHandle = std::shared_ptr<const GdiBrush>;
using GdiFontHandle = std::shared_ptr<const GdiFont>;

// The state a device context keeps for a painter: the objects selected into
// it (a fresh context has a black one-pixel solid pen, a white solid brush
// and the device's default font), the text colour and the background mode.
// Drawing happens on the painter with the selected objects.
class PICTREL_EXPORT DeviceContext {
public:
    enum BackgroundMode { Transparent = 1, Opaque = 2 };

    // The painter must outlive the context; it may be nullptr (nothing is drawn).
    explicit DeviceContext(QPainter* painter);
    // A context that only measures: text extents as on the given device,
    // nothing drawn (a layout made before its pages exist).
    explicit DeviceContext(const QPaintDevice& metrics);
    virtual ~DeviceContext();

    QPainter* painter() const { return m_painter; }
    // The device text is measured on; nullptr: the screen.
    const QPaintDevice* device() const { return m_device; }
    // Horizontal pixels per inch of the device.
    int logPixelsX() const;

    // Object creation as GDI does it; an object that cannot be made gives nothing.
    GdiPenHandle createPen(int style, int width, ColorValue color);
    GdiBrushHandle createSolidBrush(ColorValue color);
    GdiBrushHandle createBrushIndirect(int style, ColorValue color, int hatch);
    // height > 0: cell height; < 0: character height; 0: a default size.
    GdiFontHandle createFont(int height, int escapementTenths, int weight, bool italic,
                             bool underline, bool strikeOut, const QString& faceName);
    void deleteObject(const std::shared_ptr<const void>& object);

    // Selecting returns the previously selected object; selecting nothing
    // fails, returns nothing and leaves the selection as it is.
    GdiPenHandle selectPen(const GdiPenHandle& pen);
    GdiBrushHandle selectBrush(const GdiBrushHandle& brush);
    GdiFontHandle selectFont(const GdiFontHandle& font);
    const GdiPenHandle& selectedPen() const { return m_pen; }
    const GdiBrushHandle& selectedBrush() const { return m_brush; }
    const GdiFontHandle& selectedFont() const { return m_font; }

    void setTextColor(ColorValue color) { m_textColor = color; }
    ColorValue textColor() const { return m_textColor; }
    void setBackgroundMode(BackgroundMode mode) { m_backgroundMode = mode; }
    BackgroundMode backgroundMode() const { return m_backgroundMode; }
    void setBackgroundColor(ColorValue color) { m_backgroundColor = color; }
    ColorValue backgroundColor() const { return m_backgroundColor; }

    // Counts of objects made and deleted, for tests and diagnostics.
    int createdObjects() const { return m_created; }
    int deletedObjects() const { return m_deleted; }

    // Drawing in device units with the selected objects.
    void setPixel(qint64 x, qint64 y, ColorValue color);
    void moveTo(qint64 x, qint64 y);
    void lineTo(qint64 x, qint64 y);
    void polyline(const QPolygon& points);
    void polygon(const QPolygon& points);
    void ellipse(qint64 left, qint64 top, qint64 right, qint64 bottom);

    // Word-wrapped text as DrawTextA lays it out: with DT_CALCRECT the
    // rectangle gets the width of the widest line and the height of all lines
    // and nothing is drawn; otherwise the lines are drawn from the top-left
    // corner. Returns the height of the text. "&" is an ordinary character.
    virtual qint64 drawText(const QString& text, GdiRect& rect, unsigned format);

    // The lines of a text wrapped at a width (no wrapping when width is nullopt).
    QStringList layoutText(const QString& text, std::optional<qint64> width) const;

protected:
    // Text metrics of the selected font: the sum of the integer advances of
    // the characters (no kerning), the line height and the ascent.
    virtual qint64 textWidth(QStringView text) const;
    virtual int lineHeight() const;
    virtual int ascent() const;

private:
    void applyPenAndBrush() const;

    QPainter* m_painter;
    const QPaintDevice* m_device;
    GdiPenHandle m_pen;
    GdiBrushHandle m_brush;
    GdiFontHandle m_font;
    ColorValue m_textColor = 0;
    ColorValue m_backgroundColor = 0xFFFFFF;
    BackgroundMode m_backgroundMode = Opaque;
    QPoint m_position;
    int m_created = 0;
    int m_deleted = 0;
};

using DeviceContextPtr = std::shared_ptr<DeviceContext>;
