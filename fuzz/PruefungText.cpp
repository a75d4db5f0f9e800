// The drawing library's text measuring and wrapping: any text, width, font
// height and alignment, measured and drawn on an image.

#include "Eingabe.h"
#include "Pruefungen.h"

#include "DeviceContext.h"
#include "DrawDestHDC.h"
#include "Point3D.h"
#include "RuntimeError.h"

#include <QImage>
#include <QPainter>

#include <cmath>

QString pruefeText(QByteArrayView bytes) {
    static QImage* image = new QImage(400, 300, QImage::Format_RGB32);
    static QPainter* painter = new QPainter(image);
    Eingabe in(bytes);
    const int height = in.zahl(-200, 200);
    const int alignment = in.zahl(0, 255);
    const double width = in.gleitkomma(-10.0, 30.0);
    const qint64 pixels = in.zahl<qint64>(-10, 2000);
    const bool wrap = in.jaNein();
    const QString text = QString::fromUtf8(in.rest());

    auto dc = std::make_shared<DeviceContext>(painter);
    dc->selectFont(
        dc->createFont(height, 0, 400, false, false, false, QStringLiteral("Times New Roman")));

    // Wrapping: no line holds a line break.
    const QStringList lines =
        dc->layoutText(text, wrap ? std::optional<qint64>(pixels) : std::nullopt);
    for (const QString& line : lines)
        PRUEFE(!line.contains(u'\r') && !line.contains(u'\n'));
    // Measuring: the height of all lines, the width of the widest.
    GdiRect one{0, 0, 0, 0};
    const qint64 lineHeight = dc->drawText(QStringLiteral("x"), one, DT_CALCRECT);
    GdiRect rect{0, 0, pixels, 0};
    const qint64 measured = dc->drawText(text, rect, DT_CALCRECT | (wrap ? DT_WORDBREAK : 0));
    PRUEFE(measured == (text.isEmpty() ? 0 : qint64(lines.size()) * lineHeight));
    PRUEFE(rect.bottom - rect.top == measured);
    PRUEFE(rect.right >= rect.left);

    clsDrawDestHDC dest;
    dest.sethDC(dc);
    try {
        const double w = dest.TextWidth(text, width);
        const double h = dest.TextHeight(text, width);
        PRUEFE(std::isfinite(w) && std::isfinite(h) && w >= 0 && h >= 0);
        dest.DrawText(std::make_shared<clsPoint3D>(1.0, 1.0, 0.0), text,
                      TextAlignmentEnum(alignment), width);
    } catch (const rt::RuntimeError& e) {
        PRUEFE(e.number() != 0);
    }
    return QString();
}
