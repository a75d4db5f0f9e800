#include "clsBander.h"

#include "RuntimeError.h"

void clsBander::DrawBand(const PictrelPtr& Band) {
    if (!Band)
        rt::raiseError(rt::err::ObjectNotSet);
    const ElementsPtr elements = Band->Elements();
    const PointPtr p1 = elements->BoundingBoxP1(DrawDest);
    const PointPtr p2 = elements->BoundingBoxP2(DrawDest);
    const double h = pointOf(p2).Y() - pointOf(p1).Y();
    // A new page only when the usable height is strictly less than needed.
    if (PageHeight - MarginTop - MarginBottom < CurrentY + h && !PageEmpty) {
        NewPage();
        CurrentY = 0;
    }
    CurrentY += h;
    const TransformatorPtr transformator = drawDestOf(DrawDest).Transformator();
    if (!transformator)
        rt::raiseError(rt::err::ObjectNotSet);
    if (Recording) {
        const clsPoint3D& origin = *transformator->PreScalingOffset();
        if (Pages.empty())
            Pages.emplace_back();
        Pages.back().push_back(PlacedBand{Band, origin.X(), origin.Y()});
    } else {
        Band->Draw(DrawDest);
    }
    PageEmpty = false;
    // The next band's own coordinates land h cm lower.
    transformator->PreScalingOffset()->Offset(0, -h, 0);
}

void clsBander::NewPage() {
    if (PageNumber > 0 && CompletePage)
        CompletePage();
    if (OnNewPage)
        OnNewPage();
    if (PageNumber == std::numeric_limits<qint32>::max())
        rt::raiseError(rt::err::Overflow);
    ++PageNumber;
    if (Recording)
        Pages.emplace_back();
    PageEmpty = true;
    if (PageStarted)
        PageStarted();
}
