#pragma once

#include "ElementText.h"
#include "SimpleElements.h"
#include "Styles.h"
#include "pictrel_export.h"

// Builds styles, points and the common elements from plain numbers. Every
// function returns a new object; style objects are stored by reference.
class PICTREL_EXPORT clsElementGenerator {
public:
    PenPtr NewPen(ColorValue Color, qint32 Width, PenStyleEnum Style) const;
    BrushPtr NewBrush(ColorValue Color, BrushStyleEnum Style, HatchStyleEnum HatchStyle) const;
    FontPtr NewFont(const QString& Name, double Size, bool Bold = false, bool Italic = false,
                    bool Underline = false, bool StrikeOut = false, double Escapement = 0) const;
    PointPtr NewPoint(double X, double Y, double Z) const;
    std::shared_ptr<clsElementLine> NewLine(double X1, double Y1, double Z1, double X2, double Y2,
                                            double Z2, PenPtr Pen = {}) const;
    std::shared_ptr<clsElementRectangle> NewRectangle(double X1, double Y1, double Z1, double X2,
                                                      double Y2, double Z2, PenPtr Pen = {},
                                                      BrushPtr Brush = {}) const;
    std::shared_ptr<clsElementCircle> NewCircle(double X, double Y, double Z, double Radius,
                                                PenPtr Pen = {}, BrushPtr Brush = {}) const;
    std::shared_ptr<clsElementText> NewText(double X, double Y, double Z, const QString& Text,
                                            TextAlignmentEnum Align, FontPtr Font) const;
};
