#pragma once

#include "ProtokollSeiten.h"

#include <QPainter>

#include <memory>

class QPagedPaintDevice;
class QPdfWriter;
class QPrinter;

// The printer's sheet in cm, always upright whatever its orientation.
QSizeF printerSheetCm(const QPagedPaintDevice& printer);

// The print branch: every protocol page is one page of a printer or of a PDF
// file, at zoom 1.0, always upright.
class DruckSeiten : public ProtokollSeiten {
public:
    explicit DruckSeiten(QPrinter& printer);
    explicit DruckSeiten(QPdfWriter& writer);
    ~DruckSeiten() override;

    bool printing() const override { return true; }
    // Ends the print job; false when the printer failed.
    bool finish();

protected:
    QSizeF pageSizeCm() const override;
    DeviceContextPtr beginSurface(int n, QSizeF sizeCm, double zoom, double& unitsPerCm) override;
    void completeSurface(int n) override;
    DeviceContextPtr measuringSurface(double& unitsPerCm) override;

private:
    int resolution() const;

    QPagedPaintDevice& m_device;
    QPrinter* m_printer = nullptr;
    QPdfWriter* m_writer = nullptr;
    QPainter m_painter;
    DeviceContextPtr m_dc;
    bool m_pagePending = false; // a page was completed; the next one needs a new sheet
    bool m_failed = false;
};
