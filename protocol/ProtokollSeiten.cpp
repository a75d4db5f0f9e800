#include "ProtokollSeiten.h"

#include "clsBander.h"

#include "DrawDestHDC.h"
#include "ElementGenerator.h"
#include "MessageService.h"

#include "basKalibrierungVelmorTeilE4.h"

#include "Conversion.h"
#include "RuntimeError.h"

ProtokollSeiten::~ProtokollSeiten() = default;

QSizeF ProtokollSeiten::pageSizeCm() const {
    return QSizeF(DefaultPageWidthCm, DefaultPageHeightCm);
}

DrawDestPtr ProtokollSeiten::setUpPage(clsBander& bander, QSizeF size, const DeviceContextPtr& dc,
                                       double s) {
    auto dest = std::make_shared<clsDrawDestHDC>();
    bander.MarginTop = 2.0;
    bander.MarginBottom = 2.0;
    if (dc) {
        // Page surfaces draw text transparently: numbers never wipe out lines.
        dc->setBackgroundMode(DeviceContext::Transparent);
        dest->sethDC(dc);
    }
    dest->Transformator()->Scaling()->MoveTo(s, s, 1.0);
    dest->Transformator()->PreScalingOffset()->MoveTo(-bander.MarginTop, -2.0, 0);
    bander.DrawDest = dest;
    bander.PageHeight = size.height();
    bander.PageWidth = size.width();
    return dest;
}

void ProtokollSeiten::Bander_NewLayoutPage(clsBander& bander) {
    QSizeF size(DefaultPageWidthCm, DefaultPageHeightCm);
    try {
        size = pageSizeCm();
    } catch (const rt::RuntimeError&) {
        // the default sheet, as for a drawn page
    }
    double unitsPerCm = 0;
    const DeviceContextPtr dc = measuringSurface(unitsPerCm);
    setUpPage(bander, size, dc, (printing() ? 1.0 : zoom()) * unitsPerCm);
}

void ProtokollSeiten::Bander_NewPage(clsBander& bander) {
    const int n = bander.PageNumber + 1;
    rt::SkipErrors skip;
    QSizeF size(DefaultPageWidthCm, DefaultPageHeightCm);
    skip([&] { size = pageSizeCm(); });
    const double z = printing() ? 1.0 : zoom();
    double unitsPerCm = 0;
    DeviceContextPtr dc;
    skip([&] { dc = beginSurface(n, size, z, unitsPerCm); });
    DrawDestPtr dest;
    skip([&] { dest = setUpPage(bander, size, dc, z * unitsPerCm); });
    PageDest = dest;
    // The footer: centred, its top 2 cm above the sheet's bottom edge, just
    // below the area the bands fill, so that it never covers a band.
    skip([&] {
        clsDrawDest& page = drawDestOf(dest);
        const clsPoint3D& offset = *page.Transformator()->PreScalingOffset();
        const PointPtr footer = std::make_shared<clsPoint3D>((2 * offset.X() + size.width()) / 2,
                                                             2 * offset.Y() + size.height(), 0);
        QString text = PageTotal > 0 ? QStringLiteral("Seite %1 von %2").arg(n).arg(PageTotal)
                                     : QStringLiteral("Seite %1").arg(n);
        // A report number of a line's length at most, so the footer stays on the sheet.
        // In the body's font, as the rest of the page; a report number too
        // long for the width between the margins is shortened.
        page.setFont(clsElementGenerator().NewFont(QStringLiteral("Times New Roman"), 10 * z));
        QString number = ReportNumber.simplified();
        const double room = size.width() - 2 * 2.0;
        if (!number.isEmpty()) {
            const QString pages = QStringLiteral(" · ") + text;
            while (number.size() > 1 && page.TextWidth(number + pages, 0) > room)
                number = number.left(number.size() - 2) + u'…';
            text = number + pages;
        }
        page.DrawText(footer, text, AlignCenterTop, 0);
        if (DebugMode())
            showMessage(nullptr,
                        QStringLiteral("Seitenfuß von Seite %1 bei %2 cm / %3 cm, Breite des "
                                       "Textes „%4“: %5 cm")
                            .arg(n)
                            .arg(rt::doubleToText(footer->X()), rt::doubleToText(footer->Y()), text,
                                 rt::doubleToText(page.TextWidth(text, 0))),
                        MessageService::Information, MessageService::Ok,
                        QStringLiteral("Debug-Modus"));
    });
    ++PageCount;
    if (skip.failed())
        showMessage(nullptr,
                    QStringLiteral("Programmfehler: %1 (%2)")
                        .arg(skip.lastDescription())
                        .arg(skip.lastNumber()),
                    MessageService::NoIcon);
}

void ProtokollSeiten::Bander_CompletePage(clsBander& bander) {
    try {
        completeSurface(bander.PageNumber);
    } catch (const rt::RuntimeError&) {
        // completing a page reports nothing
    }
}
