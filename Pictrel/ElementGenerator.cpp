#include "ElementGenerator.h"

PenPtr clsElementGenerator::NewPen(ColorValue Color, qint32 Width, PenStyleEnum Style) const {
    auto pen = std::make_shared<clsPen>();
    pen->setColor(Color);
    pen->setWidth(Width);
    pen->setStyle(Style);
    return pen;
}

BrushPtr clsElementGenerator::NewBrush(ColorValue Color, BrushStyleEnum Style,
                                       HatchStyleEnum HatchStyle) const {
    auto brush = std::make_shared<clsBrush>();
    brush->setColor(Color);
    brush->setStyle(Style);
    brush->setHatchStyle(HatchStyle);
    return brush;
}

FontPtr clsElementGenerator::NewFont(const QString& Name, double Size, bool Bold, bool Italic,
                                     bool Underline, bool StrikeOut, double Escapement) const {
    auto font = std::make_shared<clsFont>();
    font->setName(Name);
    font->setSize(Size);
    font->setBold(Bold);
    font->setItalic(Italic);
    font->setUnderline(Underline);
    font->setStrikeOut(StrikeOut);
    font->setEscapement(Escapement);
    return font;
}

PointPtr clsElementGenerator::NewPoint(double X, double Y, double Z) const {
    return std::make_shared<clsPoint3D>(X, Y, Z);
}

std::shared_ptr<clsElementLine> clsElementGenerator::NewLine(double X1, double Y1, double Z1,
                                                             double X2, double Y2, double Z2,
                                                             PenPtr Pen) const {
    auto line = std::make_shared<clsElementLine>();
    line->P1()->MoveTo(X1, Y1, Z1);
    line->P2()->MoveTo(X2, Y2, Z2);
    line->setPen(std::move(Pen));
    return line;
}

std::shared_ptr<clsElementRectangle>
clsElementGenerator::NewRectangle(double X1, double Y1, double Z1, double X2, double Y2, double Z2,
                                  PenPtr Pen, BrushPtr Brush) const {
    auto rectangle = std::make_shared<clsElementRectangle>();
    rectangle->P1()->MoveTo(X1, Y1, Z1);
    rectangle->P2()->MoveTo(X2, Y2, Z2);
    rectangle->setPen(std::move(Pen));
    rectangle->setBrush(std::move(Brush));
    return rectangle;
}

std::shared_ptr<clsElementCircle> clsElementGenerator::NewCircle(double X, double Y, double Z,
                                                                 double Radius, PenPtr Pen,
                                                                 BrushPtr Brush) const {
    auto circle = std::make_shared<clsElementCircle>();
    circle->Middle()->MoveTo(X, Y, Z);
    circle->setRadius(Radius);
    circle->setPen(std::move(Pen));
    circle->setBrush(std::move(Brush));
    return circle;
}

std::shared_ptr<clsElementText> clsElementGenerator::NewText(double X, double Y, double Z,
                                                             const QString& Text,
                                                             TextAlignmentEnum Align,
                                                             FontPtr Font) const {
    auto text = std::make_shared<clsElementText>();
    text->setText(Text);
    text->setAlign(Align);
    text->Coordinates()->MoveTo(X, Y, Z);
    text->setFont(std::move(Font));
    return text;
}
