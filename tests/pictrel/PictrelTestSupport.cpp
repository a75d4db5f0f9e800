#include "PictrelTestSupport.h"

#include <QDir>

Canvas::Canvas(int width, int height, int dpi, QColor background)
    : image(width, height, QImage::Format_RGB32) {
    image.setDotsPerMeterX(qRound(dpi / 0.0254));
    image.setDotsPerMeterY(qRound(dpi / 0.0254));
    image.fill(background);
    painter.begin(&image);
    dc = std::make_shared<DeviceContext>(&painter);
    dest = std::make_shared<clsDrawDestHDC>();
    dest->sethDC(dc);
}

Canvas::~Canvas() {
    if (painter.isActive())
        painter.end();
}

void Canvas::finish(const QString& name) {
    if (painter.isActive())
        painter.end();
    const QByteArray folder = qgetenv("PICTREL_ARTIFACTS");
    if (!folder.isEmpty()) {
        QDir().mkpath(QString::fromLocal8Bit(folder));
        image.save(QDir(QString::fromLocal8Bit(folder)).filePath(name + QStringLiteral(".png")));
    }
}

QRect Canvas::inkRect(QColor background) const {
    return inkRect(image.rect(), background);
}

QRect Canvas::inkRect(const QRect& area, QColor background) const {
    QRect ink;
    const QRgb bg = background.rgb();
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (image.pixel(x, y) != bg)
                ink |= QRect(x, y, 1, 1);
    return ink;
}
