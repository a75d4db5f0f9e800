#pragma once

#include "runtime_export.h"

#include <QString>
#include <QStringView>

#include <optional>
#include <string_view>

namespace rt {

using Long = qint32;

// Text of a Double: at most 15 significant digits, exponent form from 1E+15 and
// below 1E-04, the user's decimal separator, no grouping, "-0" written as "0".
RUNTIME_EXPORT QString doubleToText(double value);

// How a number is written: its separators, and how strictly they are read.
struct RUNTIME_EXPORT NumberSyntax {
    QChar decimal = u',';
    QChar group = u'.';
    // The digits the number begins with, and the grouping separators among
    // and right after them, form groups: 1 to 3 digits, then groups of
    // exactly three, the first not beginning with 0 ("1.000", "12.345,6").
    // Otherwise any number of them may follow the first digit.
    bool strictGrouping = false;
    // Only the form a table or a program writes: blanks and tabs around, a
    // sign right in front, at least one digit after a decimal separator, an
    // exponent; a number too large or too small for a Double is refused.
    // Otherwise what the user's locale allows too: a sign behind, after
    // blanks or as parentheses, the currency symbol, &H and &O forms, "1,"
    // for 1, and a number too small for a Double read as 0.
    bool plain = false;
    // Taken once, before or after the number; never in the plain form.
    QStringView currency;

    // The user's locale, as its texts, files and the run-time are read.
    // The currency symbol is the locale's own, valid until it is replaced.
    static NumberSyntax ofUserLocale(bool strictGrouping = false);
};

// Why a text is no number in a syntax.
enum class NumberFault {
    None,
    NotANumber,
    Overflow, // in the plain form also too small
    Grouping, // separators misplaced for strict grouping (else a number)
};

// The one number reader: blanks (NBSP too, outside the plain form) around
// the number, a sign, digits with grouping separators after the first digit,
// one decimal separator, an exponent, and the further forms of the syntax.
// Returns nothing and sets *fault on refusal.
RUNTIME_EXPORT std::optional<double> readNumber(QStringView text, const NumberSyntax& syntax,
                                                NumberFault* fault = nullptr);
// The same for UTF-8 text, such as a table's cells, with ASCII separators.
RUNTIME_EXPORT std::optional<double> readNumber(std::string_view utf8, const NumberSyntax& syntax,
                                                NumberFault* fault = nullptr);

// Reads a number written in the user's locale: blanks around it, one sign in
// front or behind or parentheses, grouping separators after the first digit,
// one decimal separator, an exponent, the currency symbol, &H and &O forms.
// Returns nothing and sets *error to 13 (not a number) or 6 (overflow).
RUNTIME_EXPORT std::optional<double> parseLocaleNumber(QStringView text, int* error = nullptr);

// parseLocaleNumber that raises its error.
RUNTIME_EXPORT double textToDouble(QStringView text);

// True when textToDouble would succeed.
RUNTIME_EXPORT bool isNumericText(QStringView text);

// Reads a number a user typed: the rules of parseLocaleNumber with strict
// grouping ("1.000", "12.345,6" in German). A number written in the other
// convention ("95.8", "41.75" on a German desktop) is refused instead of
// being read as 958 or 4175. On refusal *reason gets the German
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
