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
    // Sets up a page that only measures: the same size, scale and margins,
    // no surface and no footer. The layout of a protocol is made on such
    // pages before its pages are drawn.
    void Bander_NewLayoutPage(clsBander& bander);
    // Completes the bander's current page (errors are ignored).
    void Bander_CompletePage(clsBander& bander);

    // Pages set up by the current build.
    int PageCount = 0;
    // The pages of the whole protocol and the report number, for the footer
    // ("R-17 · Seite 3 von 12"); no total is shown while it is 0.
    int PageTotal = 0;
    QString ReportNumber;
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
    // A context that measures as the pages' surfaces will, and the device
    // units per cm at zoom 1.0.
    virtual DeviceContextPtr measuringSurface(double& unitsPerCm) = 0;

private:
    // The sheet, the margins and the scale: what both kinds of page share.
    DrawDestPtr setUpPage(clsBander& bander, QSizeF size, const DeviceContextPtr& dc, double s);
};

// The default sheet, A4 (595 × 842 pt).
inline constexpr double DefaultPageWidthCm = 21.0;
inline constexpr double DefaultPageHeightCm = 29.7;
// Twips per centimetre.
inline constexpr double TwipsPerCm = 567.0;
