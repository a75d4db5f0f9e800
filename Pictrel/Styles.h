#pragma once

#include "pictrel_export.h"

#include <QString>

#include <memory>

// Colours are 0x00BBGGRR (red in the low byte); values with the high bit set
// name system colours.
using ColorValue = quint32;

enum PenStyleEnum : int {
    PS_SOLID = 0,
    PS_DASH = 1,
    PS_DOT = 2,
    PS_DASHDOT = 3,
    PS_DASHDOTDOT = 4,
    PS_NULL = 5,
    PS_INSIDEFRAME = 6,
    PS_USERSTYLE = 7,
    PS_ALTERNATE = 8,
    PS_STYLE_MASK = 15,
    PS_ENDCAP_ROUND = 0,
    PS_ENDCAP_SQUARE = 256,
    PS_ENDCAP_FLAT = 512,
    PS_ENDCAP_MASK = 3840,
    PS_JOIN_ROUND = 0,
    PS_JOIN_BEVEL = 4096,
    PS_JOIN_MITER = 8192,
    PS_JOIN_MASK = 61440,
    PS_COSMETIC = 0,
    PS_GEOMETRIC = 65536,
    PS_TYPE_MASK = 983040,
};

enum BrushStyleEnum : int {
    BS_SOLID = 0,
    BS_Null = 1,
    BS_HOLLOW = 1,
    BS_HATCHED = 2,
    BS_PATTERN = 3,
    BS_INDEXED = 4,
    BS_DIBPATTERN = 5,
    BS_DIBPATTERNPT = 6,
    BS_PATTERN8X8 = 7,
    BS_DIBPATTERN8X8 = 8,
};

enum HatchStyleEnum : int {
    HS_HORIZONTAL = 0,
    HS_VERTICAL = 1,
    HS_FDIAGONAL = 2,
    HS_BDIAGONAL = 3,
    HS_CROSS = 4,
    HS_DIAGCROSS = 5,
    HS_FDIAGONAL1 = 6,
    HS_BDIAGONAL1 = 7,
    HS_SOLID = 8,
    HS_DENSE1 = 9,
    HS_DENSE2 = 10,
    HS_DENSE3 = 11,
    HS_DENSE4 = 12,
    HS_DENSE5 = 13,
    HS_DENSE6 = 14,
    HS_DENSE7 = 15,
    HS_DENSE8 = 16,
    HS_NOSHADE = 17,
    HS_HALFTONE = 18,
    HS_SOLIDCLR = 19,
    HS_DITHEREDCLR = 20,
    HS_SOLIDTEXTCLR = 21,
    HS_DITHEREDTEXTCLR = 22,
    HS_SOLIDBKCLR = 23,
    HS_DITHEREDBKCLR = 24,
    HS_API_MAX = 25,
};

// Style objects: plain value holders shared by reference.

class PICTREL_EXPORT clsPen {
public:
    ColorValue Color() const { return m_color; }
    void setColor(ColorValue value) { m_color = value; }
    PenStyleEnum Style() const { return m_style; }
    void setStyle(PenStyleEnum value) { m_style = value; }
    // Device units, not scaled by the transformator.
    qint32 Width() const { return m_width; }
    void setWidth(qint32 value) { m_width = value; }

private:
    ColorValue m_color = 0;
    PenStyleEnum m_style = PS_SOLID;
    qint32 m_width = 1;
};

class PICTREL_EXPORT clsBrush {
public:
    ColorValue Color() const { return m_color; }
    void setColor(ColorValue value) { m_color = value; }
    BrushStyleEnum Style() const { return m_style; }
    void setStyle(BrushStyleEnum value) { m_style = value; }
    HatchStyleEnum HatchStyle() const { return m_hatchStyle; }
    void setHatchStyle(HatchStyleEnum value) { m_hatchStyle = value; }

private:
    ColorValue m_color = 0;
    BrushStyleEnum m_style = BS_HOLLOW; // a new brush does not fill
    HatchStyleEnum m_hatchStyle = HS_HORIZONTAL;
};

class PICTREL_EXPORT clsFont {
public:
    QString Name() const { return m_name; }
    void setName(const QString& value) { m_name = value; }
    // Points.
    double Size() const { return m_size; }
    void setSize(double value) { m_size = value; }
    // Degrees, counter-clockwise.
    double Escapement() const { return m_escapement; }
    void setEscapement(double value) { m_escapement = value; }
    bool Bold() const { return m_bold; }
    void setBold(bool value) { m_bold = value; }
    bool Italic() const { return m_italic; }
    void setItalic(bool value) { m_italic = value; }
    bool Underline() const { return m_underline; }
    void setUnderline(bool value) { m_underline = value; }
    bool StrikeOut() const { return m_strikeOut; }
    void setStrikeOut(bool value) { m_strikeOut = value; }
    // The text colour.
    ColorValue Color() const { return m_color; }
    void setColor(ColorValue value) { m_color = value; }

private:
    QString m_name = QStringLiteral("Times New Roman");
    double m_size = 8;
    double m_escapement = 0;
    bool m_bold = false;
    bool m_italic = false;
    bool m_underline = false;
    bool m_strikeOut = false;
    ColorValue m_color = 0;
};

using PenPtr = std::shared_ptr<clsPen>;
using BrushPtr = std::shared_ptr<clsBrush>;
using FontPtr = std::shared_ptr<clsFont>;
