#pragma once

#include "DeviceContext.h"
#include "DrawDest.h"

#include <QSizeF>

class clsBander;

// The pages a protocol is drawn on. The bander raises its page events here
// (Bander_NewPage, Bander_CompletePage); what differs between the preview's
// pages and the printer's is only the surface a page is drawn on.
class ProtokollSeiten {
public:
    virtual ~ProtokollSeiten();

    // Sets up the next page of the bander: its surface and destination, the
    // scale, the margins, the footer. Errors are deferred to the end of the
    // handler and reported there ("Programmfehler: …").
    void Bander_NewPage(clsBander& bander);
    // Completes the bander's current page (errors are ignored).
    void Bander_CompletePage(clsBander& bander);

    // Pages set up by the current build.
    int PageCount = 0;
    // The destination of the page being drawn.
    DrawDestPtr PageDest;

    // Whether the pages go to a printer (zoom 1.0) rather than to the preview.
    virtual bool printing() const = 0;
    // The zoom of the preview; 1.0 for printing.
    virtual double zoom() const { return 1.0; }

protected:
    // The sheet's size in cm, always upright; the default when the printer
    // cannot tell.
    virtual QSizeF pageSizeCm() const;
    // Prepares the surface of page n (from 1) of the given size and returns
    // its device context and the device units per cm at zoom 1.0.
    virtual DeviceContextPtr beginSurface(int n, QSizeF sizeCm, double zoom,
                                          double& unitsPerCm) = 0;
    // Page n is complete.
    virtual void completeSurface(int n) = 0;
};

// The default sheet when no printer can tell its size: 21.0 cm × 29.2 cm.
inline constexpr double DefaultPageWidthCm = 21.0;
inline constexpr double DefaultPageHeightCm = 29.2;
// Twips per centimetre.
inline constexpr double TwipsPerCm = 567.0;
