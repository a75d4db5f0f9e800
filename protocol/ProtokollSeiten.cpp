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

void ProtokollSeiten::Bander_NewPage(clsBander& bander) {
    const int n = bander.PageNumber + 1;
    rt::SkipErrors skip;
    auto dest = std::make_shared<clsDrawDestHDC>();
    PageDest = dest;
    QSizeF size(DefaultPageWidthCm, DefaultPageHeightCm);
    skip([&] { size = pageSizeCm(); });
    const double z = printing() ? 1.0 : zoom();
    bander.MarginTop = 2.0;
    bander.MarginBottom = 2.0;
    double unitsPerCm = 0;
    DeviceContextPtr dc;
    skip([&] { dc = beginSurface(n, size, z, unitsPerCm); });
    const double s = z * unitsPerCm;
    if (dc) {
        // Page surfaces draw text transparently: numbers never wipe out lines.
        dc->setBackgroundMode(DeviceContext::Transparent);
        dest->sethDC(dc);
    }
    skip([&] {
        dest->Transformator()->Scaling()->MoveTo(s, s, 1.0);
        dest->Transformator()->PreScalingOffset()->MoveTo(-bander.MarginTop, -2.0, 0);
    });
    bander.DrawDest = dest;
    bander.PageHeight = size.height();
    // The footer: centred, its top 2 cm above the sheet's bottom edge, just
    // below the area the bands fill, so that it never covers a band.
    skip([&] {
        const clsPoint3D& offset = *dest->Transformator()->PreScalingOffset();
        const PointPtr footer = std::make_shared<clsPoint3D>((2 * offset.X() + size.width()) / 2,
                                                             2 * offset.Y() + size.height(), 0);
        const QString text = QStringLiteral("- %1 -").arg(n);
        // In the body's font, as the rest of the page.
        dest->setFont(clsElementGenerator().NewFont(QStringLiteral("Times New Roman"), 12 * z));
        dest->DrawText(footer, text, AlignCenterTop, 0);
        if (DebugMode())
            showMessage(nullptr,
                        QStringLiteral("Seitenfuß von Seite %1 bei %2 cm / %3 cm, Breite des "
                                       "Textes „%4“: %5 cm")
                            .arg(n)
                            .arg(rt::doubleToText(footer->X()), rt::doubleToText(footer->Y()), text,
                                 rt::doubleToText(dest->TextWidth(text, 0))),
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
