#include "ProtokollTestSupport.h"

#include <QDir>
#include <QRegularExpression>

namespace {
// A device context that records the texts it draws.
class RecordingContext : public DeviceContext {
public:
    RecordingContext(QPainter* painter, BildSeiten& pages, int page, double unitsPerCm)
        : DeviceContext(painter), m_pages(pages), m_page(page), m_unitsPerCm(unitsPerCm) {}
    qint64 drawText(const QString& text, GdiRect& rect, unsigned format) override {
        const qint64 height = DeviceContext::drawText(text, rect, format);
        if (!(format & DT_CALCRECT) && !text.isEmpty()) {
            GdiRect extent = rect;
            DeviceContext::drawText(text, extent, format | DT_CALCRECT);
            m_pages.texts.push_back({m_page, text,
                                     QRectF(extent.left / m_unitsPerCm, extent.top / m_unitsPerCm,
                                            (extent.right - extent.left) / m_unitsPerCm,
                                            (extent.bottom - extent.top) / m_unitsPerCm)});
        }
        return height;
    }

private:
    BildSeiten& m_pages;
    int m_page;
    double m_unitsPerCm;
};
} // namespace

BildSeiten::BildSeiten(QSizeF sheetCm, double zoom, bool printing, int dpi)
    : m_sheet(sheetCm), m_zoom(zoom), m_printing(printing), m_dpi(dpi) {}

BildSeiten::~BildSeiten() {
    if (m_painter && m_painter->isActive())
        m_painter->end();
}

DeviceContextPtr BildSeiten::beginSurface(int n, QSizeF sizeCm, double zoom, double& unitsPerCm) {
    events.append(QStringLiteral("begin %1").arg(n));
    unitsPerCm = m_dpi / 2.54;
    const double scale = unitsPerCm * zoom;
    if (m_painter && m_painter->isActive())
        m_painter->end();
    pages.emplace_back(QSize(int(sizeCm.width() * scale + 0.5), int(sizeCm.height() * scale + 0.5)),
                       QImage::Format_RGB32);
    pages.back().setDotsPerMeterX(int(m_dpi / 0.0254 + 0.5));
    pages.back().setDotsPerMeterY(int(m_dpi / 0.0254 + 0.5));
    pages.back().fill(Qt::white);
    m_painter = std::make_unique<QPainter>(&pages.back());
    return std::make_shared<RecordingContext>(m_painter.get(), *this, n, scale);
}

DeviceContextPtr BildSeiten::measuringSurface(double& unitsPerCm) {
    unitsPerCm = m_dpi / 2.54;
    if (m_measuring.isNull()) {
        m_measuring = QImage(1, 1, QImage::Format_RGB32);
        m_measuring.setDotsPerMeterX(int(m_dpi / 0.0254 + 0.5));
        m_measuring.setDotsPerMeterY(int(m_dpi / 0.0254 + 0.5));
    }
    return std::make_shared<DeviceContext>(static_cast<const QPaintDevice&>(m_measuring));
}

void BildSeiten::completeSurface(int n) {
    events.append(QStringLiteral("complete %1").arg(n));
    if (m_painter && m_painter->isActive())
        m_painter->end();
}

QStringList BildSeiten::textsOn(int page) const {
    QStringList out;
    for (const Text& t : texts)
        if (t.page == page)
            out.append(t.text);
    return out;
}

const BildSeiten::Text* BildSeiten::find(const QString& text, bool prefix) const {
    for (const Text& t : texts)
        if (prefix ? t.text.startsWith(text) : t.text == text)
            return &t;
    return nullptr;
}

bool BildSeiten::isFooter(const QString& text) {
    static const QRegularExpression footer(QStringLiteral("^(.+ · )?Seite \\d+( von \\d+)?$"));
    return footer.match(text).hasMatch();
}

void BildSeiten::save(const QString& name) const {
    const QString folder = qEnvironmentVariable("ORVANTA_ARTIFACTS");
    if (folder.isEmpty())
        return;
    QDir().mkpath(folder);
    for (size_t i = 0; i < pages.size(); ++i)
        pages[i].save(QDir(folder).filePath(QStringLiteral("%1-%2.png").arg(name).arg(i + 1)));
}
