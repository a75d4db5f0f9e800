#pragma once

#include "ProtokollSeiten.h"

#include <QPainter>
#include <QPicture>
#include <QWidget>

#include <functional>
#include <vector>

// One page of the preview: the page's drawing held as a vector recording and
// painted on white at the size it was recorded.
class SeitenBild : public QWidget {
public:
    explicit SeitenBild(QWidget* parent);
    void setPicture(const QPicture& picture);
    const QPicture& picture() const { return m_picture; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPicture m_picture;
};

// The preview branch of the page host: every page is drawn into a picture
// of its own, shown by a page widget of the workspace. Page widgets are made
// when first needed and kept; those above the last page of a build are hidden.
class VorschauSeiten : public ProtokollSeiten {
public:
    // zoom gives the preview's zoom factor, pageSize the sheet in cm.
    VorschauSeiten(QWidget* workspace, std::function<double()> zoom,
                   std::function<QSizeF()> pageSize);

    bool printing() const override { return false; }
    double zoom() const override { return m_zoom(); }

    // picPage[k] shows page k; element 0 is never a page.
    std::vector<SeitenBild*> picPage;

protected:
    QSizeF pageSizeCm() const override { return m_pageSize(); }
    DeviceContextPtr beginSurface(int n, QSizeF sizeCm, double zoom, double& unitsPerCm) override;
    void completeSurface(int n) override;
    DeviceContextPtr measuringSurface(double& unitsPerCm) override;

private:
    double screenUnitsPerCm() const;

    QWidget* m_workspace;
    std::function<double()> m_zoom;
    std::function<QSizeF()> m_pageSize;
    QPicture m_picture;
    QPainter m_painter;
    QPicture m_measuring; // measures as a page's recording does
};
