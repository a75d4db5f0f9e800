#pragma once

#include "TestSupport.h"

#include "ProtokollSeiten.h"

#include <QImage>
#include <QPainter>
#include <QRectF>

#include <memory>
#include <vector>

// Pages drawn into images, as a reader sees them: every text drawn is
// recorded with its page and its place on the sheet in cm.
class BildSeiten : public ProtokollSeiten {
public:
    struct Text {
        int page;
        QString text;
        QRectF cm; // on the sheet, from its top-left corner
    };
    explicit BildSeiten(QSizeF sheetCm = QSizeF(21.0, 29.7), double zoom = 1.0,
                        bool printing = true, int dpi = 120);
    ~BildSeiten() override;

    bool printing() const override { return m_printing; }
    double zoom() const override { return m_zoom; }

    std::vector<QImage> pages;
    std::vector<Text> texts;
    QStringList events; // "begin n" and "complete n", in order

    // The texts of one page, in drawing order.
    QStringList textsOn(int page) const;
    // The first text equal to text (or, with prefix, beginning with it); nullptr if none.
    const Text* find(const QString& text, bool prefix = false) const;
    // Whether a text is a page footer ("R-17 · Seite 3 von 12").
    static bool isFooter(const QString& text);
    // Saves the pages as PNG into ORVANTA_ARTIFACTS, when set.
    void save(const QString& name) const;

protected:
    QSizeF pageSizeCm() const override { return m_sheet; }
    DeviceContextPtr beginSurface(int n, QSizeF sizeCm, double zoom, double& unitsPerCm) override;
    void completeSurface(int n) override;
    DeviceContextPtr measuringSurface(double& unitsPerCm) override;

private:
    QSizeF m_sheet;
    double m_zoom;
    bool m_printing;
    int m_dpi;
    std::unique_ptr<QPainter> m_painter;
    QImage m_measuring;
};
