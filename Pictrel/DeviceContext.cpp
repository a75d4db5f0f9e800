#include "DeviceContext.h"

#include "Colors.h"
#include "Styles.h"

#include <QFontInfo>
#include <QGuiApplication>
#include <QPaintDevice>
#include <QPainter>
#include <QRawFont>
#include <QtEndian>

#include <algorithm>
#include <cmath>

namespace {

QColor toQColor(ColorValue value) {
    return QColor::fromRgb(rt::colorValueToArgb(value));
}

// The vertical metrics that decide how a cell height maps to an em size.
struct FaceMetrics {
    int unitsPerEm = 2048;
    int winAscent = 1854;
    int winDescent = 434;
};

FaceMetrics faceMetrics(const QString& family) {
    static QHash<QString, FaceMetrics> cache;
    const auto it = cache.constFind(family);
    if (it != cache.constEnd())
        return *it;
    FaceMetrics m;
    QFont probe(family);
    probe.setPixelSize(64);
    const QRawFont raw = QRawFont::fromFont(probe);
    const QByteArray head = raw.fontTable("head");
    const QByteArray os2 = raw.fontTable("OS/2");
    if (head.size() >= 20 && os2.size() >= 78) {
        m.unitsPerEm = qFromBigEndian<quint16>(head.constData() + 18);
        m.winAscent = qFromBigEndian<quint16>(os2.constData() + 74);
        m.winDescent = qFromBigEndian<quint16>(os2.constData() + 76);
    }
    if (m.unitsPerEm <= 0 || m.winAscent + m.winDescent <= 0)
        m = FaceMetrics();
    cache.insert(family, m);
    return m;
}

bool isLineBreak(QChar c) {
    return c == u'\r' || c == u'\n';
}

} // namespace

// ---- fonts ---------------------------------------------------------------------

namespace {
QFontMetrics metricsOn(const QFont& font, const QPaintDevice* device) {
    return device ? QFontMetrics(font, device) : QFontMetrics(font);
}
} // namespace

namespace {
std::shared_ptr<QHash<char32_t, int>> sharedAdvances(const QFont& font,
                                                     const QPaintDevice* device) {
    static QHash<QString, std::shared_ptr<QHash<char32_t, int>>> caches;
    const QString key = font.toString() + u'|' + QString::number(font.hintingPreference()) + u'|' +
                        QString::number(font.kerning()) + u'|' +
                        (device ? QStringLiteral("%1:%2x%3")
                                      .arg(device->devType())
                                      .arg(device->logicalDpiX())
                                      .arg(device->logicalDpiY())
                                : QStringLiteral("screen"));
    auto& cache = caches[key];
    if (!cache) {
        // Bounded: zooms and sizes make new fonts without end.
        if (caches.size() > 512) {
            caches.clear();
            return sharedAdvances(font, device);
        }
        cache = std::make_shared<QHash<char32_t, int>>();
    }
    return cache;
}
} // namespace

GdiFont::GdiFont(const QFont& font, int escapementTenths, const QPaintDevice* device,
                 int lineHeight, int ascent)
    : m_font(font), m_metrics(metricsOn(font, device)), m_escapement(escapementTenths),
      m_lineHeight(lineHeight > 0 ? lineHeight : m_metrics.height()),
      m_ascent(lineHeight > 0 ? ascent : m_metrics.ascent()),
      m_advances(sharedAdvances(font, device)) {}

int GdiFont::advance(char32_t c) const {
    const auto it = m_advances->constFind(c);
    if (it != m_advances->constEnd())
        return *it;
    const int a = m_metrics.horizontalAdvance(QString::fromUcs4(&c, 1));
    m_advances->insert(c, a);
    return a;
}

qint64 GdiFont::width(QStringView text) const {
    qint64 sum = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t c = text[i].unicode();
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(text[i], text[i + 1]);
            ++i;
        }
        sum += advance(c);
    }
    return sum;
}

// ---- context -------------------------------------------------------------------

DeviceContext::DeviceContext(QPainter* painter)
    : m_painter(painter), m_device(painter ? painter->device() : nullptr) {
    QPen pen(Qt::black, 1, Qt::SolidLine);
    m_pen = std::make_shared<const GdiPen>(GdiPen{pen});
    m_brush = std::make_shared<const GdiBrush>(GdiBrush{QBrush(Qt::white)});
    QFont deviceFont = painter ? painter->font() : QGuiApplication::font();
    deviceFont.setKerning(false);
    deviceFont.setHintingPreference(QFont::PreferFullHinting);
    m_font = std::make_shared<const GdiFont>(deviceFont, 0);
    if (m_painter)
        m_painter->setRenderHint(QPainter::Antialiasing, false);
}

DeviceContext::DeviceContext(const QPaintDevice& metrics) : DeviceContext(nullptr) {
    m_device = &metrics;
    // The font a painter on that device would start with.
    QFont deviceFont(QGuiApplication::font(), &metrics);
    deviceFont.setKerning(false);
    deviceFont.setHintingPreference(QFont::PreferFullHinting);
    m_font = std::make_shared<const GdiFont>(deviceFont, 0);
}

DeviceContext::~DeviceContext() = default;

qint64 DeviceContext::textWidth(QStringView text) const {
    return m_font->width(text);
}
int DeviceContext::lineHeight() const {
    return m_font->lineHeight();
}
int DeviceContext::ascent() const {
    return m_font->ascent();
}

int DeviceContext::logPixelsX() const {
    if (m_device)
        return m_device->logicalDpiX();
    return 96;
}

GdiPenHandle DeviceContext::createPen(int style, int width, ColorValue color) {
    ++m_created;
    const int kind = style & PS_STYLE_MASK;
    if (width < 1)
        width = 1;
    Qt::PenStyle qtStyle = Qt::SolidLine;
    switch (kind) {
    case PS_DASH:
        qtStyle = Qt::DashLine;
        break;
    case PS_DOT:
        qtStyle = Qt::DotLine;
        break;
    case PS_DASHDOT:
        qtStyle = Qt::DashDotLine;
        break;
    case PS_DASHDOTDOT:
        qtStyle = Qt::DashDotDotLine;
        break;
    case PS_NULL:
        qtStyle = Qt::NoPen;
        break;
    default:
        break;
    }
    // Broken styles exist for thin pens only; wider ones are solid.
    if (width > 1 && kind >= PS_DASH && kind <= PS_DASHDOTDOT)
        qtStyle = Qt::SolidLine;
    QPen pen(toQColor(color), width, qtStyle, Qt::RoundCap, Qt::RoundJoin);
    if (width == 1)
        pen.setCapStyle(Qt::SquareCap);
    // Dashes as long as on a screen: on a printer's fine pixels they would
    // merge into a thin solid line.
    const int dpi = m_device && m_device->logicalDpiX() > 0 ? m_device->logicalDpiX() : 96;
    if (dpi > 96 && qtStyle != Qt::SolidLine && qtStyle != Qt::NoPen) {
        QList<qreal> pattern = pen.dashPattern();
        for (qreal& length : pattern)
            length *= dpi / 96.0;
        pen.setDashPattern(pattern);
    }
    return std::make_shared<const GdiPen>(GdiPen{pen});
}

GdiBrushHandle DeviceContext::createSolidBrush(ColorValue color) {
    ++m_created;
    return std::make_shared<const GdiBrush>(GdiBrush{QBrush(toQColor(color))});
}

GdiBrushHandle DeviceContext::createBrushIndirect(int style, ColorValue color, int hatch) {
    switch (style) {
    case BS_SOLID:
        return createSolidBrush(color);
    case BS_HOLLOW:
        ++m_created;
        return std::make_shared<const GdiBrush>(GdiBrush{QBrush(Qt::NoBrush)});
    case BS_HATCHED: {
        static constexpr Qt::BrushStyle hatches[] = {Qt::HorPattern,   Qt::VerPattern,
                                                     Qt::FDiagPattern, Qt::BDiagPattern,
                                                     Qt::CrossPattern, Qt::DiagCrossPattern};
        if (hatch < HS_HORIZONTAL || hatch > HS_DIAGCROSS)
            return {};
        ++m_created;
        return std::make_shared<const GdiBrush>(GdiBrush{QBrush(toQColor(color), hatches[hatch])});
    }
    default:
        return {}; // patterns need a bitmap the brush description does not carry
    }
}

GdiFontHandle DeviceContext::createFont(int height, int escapementTenths, int weight, bool italic,
                                        bool underline, bool strikeOut, const QString& faceName) {
    ++m_created;
    QFont font(faceName);
    const QPaintDevice* device = m_device;
    font.setWeight(QFont::Weight(std::clamp(weight == 0 ? 400 : weight, 1, 1000)));
    font.setItalic(italic);
    font.setUnderline(underline);
    font.setStrikeOut(strikeOut);
    font.setKerning(false);
    font.setHintingPreference(QFont::PreferFullHinting);
    if (height > 0) {
        // A cell height: the em size it gives is fractional, and a line
        // measures exactly the cell height asked for, on every resolution.
        const FaceMetrics m = faceMetrics(font.family());
        const double cell = m.winAscent + m.winDescent;
        const double emSize = double(m.unitsPerEm) * height / cell;
        const int dpi = device && device->logicalDpiY() > 0 ? device->logicalDpiY() : 96;
        font.setPointSizeF(std::max(0.1, emSize * 72.0 / dpi));
        const int ascent = int(std::lround(m.winAscent * height / cell));
        return std::make_shared<const GdiFont>(font, escapementTenths, device, height, ascent);
    }
    int emSize = 0;
    if (height < 0)
        emSize = -height;
    else // the size of the device's font
        emSize = m_font ? QFontInfo(m_font->font()).pixelSize() : 16;
    font.setPixelSize(std::max(1, emSize));
    return std::make_shared<const GdiFont>(font, escapementTenths, device);
}

void DeviceContext::deleteObject(const std::shared_ptr<const void>& object) {
    if (object)
        ++m_deleted;
}

GdiPenHandle DeviceContext::selectPen(const GdiPenHandle& pen) {
    if (!pen)
        return {};
    return std::exchange(m_pen, pen);
}

GdiBrushHandle DeviceContext::selectBrush(const GdiBrushHandle& brush) {
    if (!brush)
        return {};
    return std::exchange(m_brush, brush);
}

GdiFontHandle DeviceContext::selectFont(const GdiFontHandle& font) {
    if (!font)
        return {};
    return std::exchange(m_font, font);
}

// ---- drawing -------------------------------------------------------------------

void DeviceContext::applyPenAndBrush() const {
    m_painter->setPen(m_pen->pen);
    m_painter->setBrush(m_brush->brush);
    m_painter->setBackgroundMode(m_backgroundMode == Opaque ? Qt::OpaqueMode : Qt::TransparentMode);
    m_painter->setBackground(QBrush(toQColor(m_backgroundColor)));
}

void DeviceContext::setPixel(qint64 x, qint64 y, ColorValue color) {
    if (m_painter)
        m_painter->fillRect(QRect(int(x), int(y), 1, 1), toQColor(color));
}

void DeviceContext::moveTo(qint64 x, qint64 y) {
    m_position = QPoint(int(x), int(y));
}

void DeviceContext::lineTo(qint64 x, qint64 y) {
    const QPoint to{int(x), int(y)};
    if (m_painter) {
        applyPenAndBrush();
        m_painter->drawLine(m_position, to);
    }
    m_position = to;
}

void DeviceContext::polyline(const QPolygon& points) {
    if (!m_painter)
        return;
    applyPenAndBrush();
    m_painter->drawPolyline(points);
}

void DeviceContext::polygon(const QPolygon& points) {
    if (!m_painter)
        return;
    applyPenAndBrush();
    m_painter->drawPolygon(points, Qt::OddEvenFill);
}

void DeviceContext::ellipse(qint64 left, qint64 top, qint64 right, qint64 bottom) {
    if (!m_painter)
        return;
    if (left > right)
        std::swap(left, right);
    if (top > bottom)
        std::swap(top, bottom);
    applyPenAndBrush();
    // The figure lies inside left..right-1, top..bottom-1.
    m_painter->drawEllipse(QRectF(left, top, std::max<qint64>(0, right - left - 1),
                                  std::max<qint64>(0, bottom - top - 1)));
}

QStringList DeviceContext::layoutText(const QString& text, std::optional<qint64> width) const {
    QStringList lines;
    // Paragraphs end at CR, LF, CR LF or LF CR; a break at the very end adds no line.
    qsizetype start = 0;
    const qsizetype n = text.size();
    while (start < n) {
        qsizetype end = start;
        while (end < n && !isLineBreak(text[end]))
            ++end;
        const QStringView paragraph = QStringView(text).mid(start, end - start);
        if (paragraph.isEmpty() || !width) {
            lines.append(paragraph.toString());
        } else {
            // Longest prefix that fits, broken at the last blank; blanks that fit
            // stay on the line, one blank at the break is dropped, and a word
            // wider than the line keeps a line of its own.
            const qint64 limit = std::max<qint64>(0, *width);
            qsizetype pos = 0;
            const qsizetype len = paragraph.size();
            while (pos < len) {
                qsizetype fit = 0;
                qint64 sum = 0;
                while (pos + fit < len) {
                    const qsizetype units =
                        paragraph[pos + fit].isHighSurrogate() && pos + fit + 1 < len ? 2 : 1;
                    const qint64 next = sum + textWidth(paragraph.mid(pos + fit, units));
                    if (next > limit)
                        break;
                    sum = next;
                    fit += units;
                }
                if (pos + fit == len) {
                    lines.append(paragraph.mid(pos).toString());
                    break;
                }
                const qsizetype stop = pos + fit; // first character that does not fit
                if (fit > 0 && paragraph[stop] == u' ') {
                    lines.append(paragraph.mid(pos, fit).toString());
                    pos = stop + 1;
                    continue;
                }
                qsizetype blank = stop - 1;
                while (blank >= pos && paragraph[blank] != u' ')
                    --blank;
                if (blank >= pos) {
                    lines.append(paragraph.mid(pos, blank + 1 - pos).toString());
                    pos = blank + 1;
                } else {
                    qsizetype wordEnd = pos;
                    while (wordEnd < len && paragraph[wordEnd] != u' ')
                        ++wordEnd;
                    if (wordEnd == pos)
                        ++wordEnd;
                    lines.append(paragraph.mid(pos, wordEnd - pos).toString());
                    pos = wordEnd;
                }
                if (pos < len && paragraph[pos] == u' ')
                    ++pos;
            }
        }
        if (end >= n)
            break;
        // One break: CR LF and LF CR count once.
        const QChar first = text[end];
        ++end;
        if (end < n && isLineBreak(text[end]) && text[end] != first)
            ++end;
        start = end;
    }
    return lines;
}

qint64 DeviceContext::drawText(const QString& text, GdiRect& rect, unsigned format) {
    if (text.isEmpty()) {
        // An empty text has no extent.
        if (format & DT_CALCRECT) {
            rect.right = rect.left;
            rect.bottom = rect.top;
        }
        return 0;
    }
    std::optional<qint64> width;
    if (format & DT_WORDBREAK)
        width = rect.right - rect.left;
    const QStringList lines = layoutText(text, width);
    const qint64 cellHeight = lineHeight();
    const qint64 height = cellHeight * lines.size();
    if (format & DT_CALCRECT) {
        qint64 widest = 0;
        for (const QString& line : lines)
            widest = std::max(widest, textWidth(line));
        rect.right = rect.left + widest;
        rect.bottom = rect.top + height;
        return height;
    }
    if (!m_painter)
        return height;
    const GdiFont& font = *m_font;
    m_painter->save();
    m_painter->setFont(font.font());
    m_painter->translate(double(rect.left), double(rect.top));
    if (font.escapementTenths() != 0)
        m_painter->rotate(-font.escapementTenths() / 10.0);
    for (int k = 0; k < lines.size(); ++k) {
        const qint64 top = k * cellHeight;
        if (m_backgroundMode == Opaque)
            m_painter->fillRect(
                QRectF(0, double(top), double(textWidth(lines[k])), double(cellHeight)),
                toQColor(m_backgroundColor));
        m_painter->setPen(toQColor(m_textColor));
        m_painter->drawText(QPointF(0, double(top + ascent())), lines[k]);
    }
    m_painter->restore();
    return height;
}
