#pragma once

#include "Variant.h"

#include <QString>

// Selects one of the two measured characteristics.
enum PrüfmerkmalEnum : int { pmDirekt = 0, pmIndirekt = 1 };

// Selects a measured characteristic or the covariable.
enum MerkmalEnum : int { mDirekt = 0, mIndirekt = 1, mZ = 2 };

// The product name, used as application name and window title.
inline const QString ProductName = QStringLiteral("Kalibrierung nach Velmor Teil E 4");

// The display of every measured value and statistic: "#,##0" plus "." and as
// many zeros as decimals, the user's separators; null gives "".
QString FormatNumberText(const rt::Variant& Value, rt::Long Decimals);

// The pattern FormatNumberText uses for a number of decimals.
QString NumberPattern(rt::Long Decimals);

// "" for null, else the value as text.
QString NullToString(const rt::Variant& Value);

// The value as Double; null is read as the empty text and raises error 13.
double NullToDouble(const rt::Variant& Value);

// Decimal logarithm; error 5 for x <= 0.
double Log10(double x);
