#pragma once

#include "DrawDest.h"
#include "Element.h"

#include <functional>
#include <vector>

// Stacks bands (small drawings) from top to bottom onto the current page and
// starts a new page when the next band does not fit. It owns no surface: the
// page host sets up every page in its NewPage handler.
class clsBander {
public:
    DrawDestPtr DrawDest;
    double PageHeight = 0;   // cm
    double MarginTop = 0;    // cm
    double MarginBottom = 0; // cm
    qint32 PageNumber = 0;   // pages started so far: the number of the current page
    bool PageEmpty = false;
    double CurrentY = 0;  // cm used on the current page
    double PageWidth = 0; // cm

    // Recording: bands are placed but not drawn; each page keeps its bands
    // with the origin they were placed at, to be drawn once the number of
    // pages is known.
    struct PlacedBand {
        PictrelPtr band;
        double x = 0, y = 0; // the destination's pre-scaling offset
    };
    bool Recording = false;
    std::vector<std::vector<PlacedBand>> Pages;

    // Places a band on the current page, starting a new page first when it
    // does not fit (a band too tall for an empty page is drawn there anyway).
    void DrawBand(const PictrelPtr& Band);
    // Closes the current page (if any) and starts the next one.
    void NewPage();

    // The height left on the current page, in cm.
    double RemainingHeight() const { return PageHeight - MarginTop - MarginBottom - CurrentY; }
    double UsableHeight() const { return PageHeight - MarginTop - MarginBottom; }

    // The events; none takes arguments.
    std::function<void()> CompletePage;
    std::function<void()> OnNewPage;
    std::function<void()> PageStarted;
};
