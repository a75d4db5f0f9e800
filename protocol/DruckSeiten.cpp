#include "DruckSeiten.h"

#include "RuntimeError.h"

#include <QPdfWriter>
#include <QPrinter>

DruckSeiten::DruckSeiten(QPrinter& printer) : m_device(printer), m_printer(&printer) {}

DruckSeiten::DruckSeiten(QPdfWriter& writer) : m_device(writer), m_writer(&writer) {}

int DruckSeiten::resolution() const {
    return m_printer ? m_printer->resolution() : m_writer->resolution();
}

DruckSeiten::~DruckSeiten() {
    finish();
}

QSizeF printerSheetCm(const QPagedPaintDevice& printer) {
    const QSizeF size = printer.pageLayout().fullRect(QPageLayout::Millimeter).size() / 10.0;
    const double w = size.width();
    const double h = size.height();
    if (!(w > 0) || !(h > 0))
        rt::raiseError(rt::err::InvalidProcedureCall);
    return QSizeF(std::min(w, h), std::max(w, h));
}

QSizeF DruckSeiten::pageSizeCm() const {
    return printerSheetCm(m_device);
}

DeviceContextPtr DruckSeiten::beginSurface(int, QSizeF, double, double& unitsPerCm) {
    if (!m_painter.isActive()) {
        if (m_printer)
            m_printer->setFullPage(true);
        if (!m_painter.begin(&m_device)) {
            m_failed = true;
            rt::raiseError(rt::err::PathFileAccessError);
        }
        m_dc = std::make_shared<DeviceContext>(&m_painter);
    } else if (m_pagePending) {
        // A new sheet only when a next page comes: no empty last sheet.
        if (!m_device.newPage())
            m_failed = true;
    }
    m_pagePending = false;
    unitsPerCm = resolution() / 2.54;
    // A fresh context for every page, as the printer gives one per page.
    m_dc = std::make_shared<DeviceContext>(&m_painter);
    m_dc->setPixel(0, 0, 0xFFFFFF);
    return m_dc;
}

DeviceContextPtr DruckSeiten::measuringSurface(double& unitsPerCm) {
    unitsPerCm = resolution() / 2.54;
    return std::make_shared<DeviceContext>(static_cast<const QPaintDevice&>(m_device));
}

void DruckSeiten::completeSurface(int) {
    if (!m_painter.isActive())
        return;
    m_dc->setPixel(10, 10, 0xFEFFFF);
    m_pagePending = true;
}

bool DruckSeiten::finish() {
    if (m_painter.isActive())
        m_painter.end();
    return !m_failed && (!m_printer || m_printer->printerState() != QPrinter::Error);
}
