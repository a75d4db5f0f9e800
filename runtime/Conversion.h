#pragma once

#include "runtime_export.h"

#include <QString>
#include <QStringView>

#include <optional>

namespace rt {

using Long = qint32;

// Text of a Double: at most 15 significant digits, exponent form from 1E+15 and
// below 1E-04, the user's decimal separator, no grouping, "-0" written as "0".
RUNTIME_EXPORT QString doubleToText(double value);

// Reads a number written in the user's locale: blanks around it, one sign in
// front or behind or parentheses, grouping separators after the first digit,
// one decimal separator, an exponent, the currency symbol, &H and &O forms.
// Returns nothing and sets *error to 13 (not a number) or 6 (overflow).
RUNTIME_EXPORT std::optional<double> parseLocaleNumber(QStringView text, int* error = nullptr);

// parseLocaleNumber that raises its error.
RUNTIME_EXPORT double textToDouble(QStringView text);

// True when textToDouble would succeed.
RUNTIME_EXPORT bool isNumericText(QStringView text);

// Reads a number a user typed: the rules of parseLocaleNumber, except that a
// grouping separator stands only between groups of exactly three digits left
// of the decimal separator ("1.000", "12.345,6" in German). A number written
// in the other convention ("95.8", "41.75" on a German desktop) is refused
// instead of being read as 958 or 4175. On refusal *reason gets the German
// rest of a sentence about the text ("ist keine Zahl", ...).
RUNTIME_EXPORT std::optional<double> parseTypedNumber(QStringView text, QString* reason = nullptr);

// The message that refuses a typed text: the text in quotes, where it was
// typed (for example "in Prüffeld 1, Prüfpunkt 2"), the reason, and a
// request to correct it.
RUNTIME_EXPORT QString typedNumberMessage(QStringView text, const QString& where,
                                          const QString& reason);

// Locale-blind reading of the leading number of a text ("." as decimal
// separator, blanks skipped, reading stops at the first unusable character).
RUNTIME_EXPORT double val(QStringView text);

// Rounds to the nearest Long, halves to the even neighbour; error 6 outside
// the 32-bit range.
RUNTIME_EXPORT Long toLong(double value);

// "True"/"False" in any letter case, else a number in the user's locale
// (non-zero is True); error 13 otherwise.
RUNTIME_EXPORT bool textToBool(QStringView text);

// A text for a terminal, a CSV file or a workbook: control characters
// (which a calibration file may carry in its names) become blanks.
RUNTIME_EXPORT QString withoutControls(const QString& text);

// Formats a number with a pattern of digit placeholders ("#,##0", "#,##0.00",
// " #,##0.00 ", "0.00"): the user's separators, halves rounded away from zero
// on the 15-digit decimal text of the value, literals kept in place.
RUNTIME_EXPORT QString formatNumber(double value, QStringView pattern);

// Arithmetic that raises run-time errors instead of producing inf or NaN:
// n/0 gives error 11, 0/0 and any non-finite result error 6.
RUNTIME_EXPORT double checkedDivide(double numerator, double denominator);
RUNTIME_EXPORT double checkedFinite(double value);
RUNTIME_EXPORT double checkedSqrt(double value);

} // namespace rt
