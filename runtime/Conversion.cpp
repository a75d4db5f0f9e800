#include "Conversion.h"

#include "NumberReader.h"
#include "RuntimeError.h"
#include "UserLocale.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>
#include <string_view>

namespace rt {

namespace {

bool isDigit(QChar c) {
    return detail::isDigit(c.unicode());
}

int hexValue(QChar c) {
    return detail::hexValue(c.unicode());
}

// The power of ten just above the first significant digit of a plain decimal
// text: positive for numbers of at least 1, zero or negative below.
long decimalExponent(const std::string& text) {
    long integerDigits = 0, leadingFractionZeros = 0;
    bool point = false, significant = false;
    size_t i = 0;
    for (; i < text.size() && (text[i] == '.' || (text[i] >= '0' && text[i] <= '9')); ++i) {
        if (text[i] == '.') {
            point = true;
            continue;
        }
        significant = significant || text[i] != '0';
        if (!point && significant)
            ++integerDigits;
        else if (point && !significant)
            ++leadingFractionZeros;
    }
    if (!significant)
        return 0;
    long exponent = 0;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        const bool negative = i < text.size() && text[i] == '-';
        if (i < text.size() && (text[i] == '+' || text[i] == '-'))
            ++i;
        for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
            exponent = std::min(exponent * 10 + (text[i] - '0'), 1000000L);
        if (negative)
            exponent = -exponent;
    }
    return (integerDigits > 0 ? integerDigits : -leadingFractionZeros) + exponent;
}

} // namespace

double detail::toDoubleChecked(const std::string& cText, int* error, bool* underflow) {
    double value = 0;
    const char* first = cText.data();
    const char* last = first + cText.size();
    const auto [end, ec] = std::from_chars(first, last, value, std::chars_format::general);
    if (ec == std::errc::result_out_of_range) {
        if (decimalExponent(cText) > 0) {
            if (error)
                *error = err::Overflow;
        } else if (underflow) {
            *underflow = true;
        }
        return 0;
    }
    if (ec != std::errc() || end != last || !std::isfinite(value)) {
        if (error)
            *error = ec == std::errc() ? err::Overflow : err::TypeMismatch;
        return 0;
    }
    return value;
}

QString doubleToText(double value) {
    // As "%.15G" would write it, but independent of the C library's locale.
    char buffer[64];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15);
    QString text = QString::fromLatin1(buffer, result.ptr - buffer).toUpper();
    if (text == u"-0")
        return QStringLiteral("0");
    text.replace(u'.', userLocale().decimal);
    return text;
}

NumberSyntax NumberSyntax::ofUserLocale(bool strictGrouping) {
    const UserLocale& locale = userLocale();
    NumberSyntax syntax;
    syntax.decimal = locale.decimal;
    syntax.group = locale.group;
    syntax.strictGrouping = strictGrouping;
    syntax.currency = locale.currency;
    return syntax;
}

std::optional<double> readNumber(QStringView text, const NumberSyntax& syntax, NumberFault* fault) {
    return syntax.plain ? NumberReader<QStringView, true>(text, syntax).read(fault)
                        : NumberReader<QStringView, false>(text, syntax).read(fault);
}

std::optional<double> readNumber(std::string_view utf8, const NumberSyntax& syntax,
                                 NumberFault* fault) {
    return syntax.plain ? NumberReader<std::string_view, true>(utf8, syntax).read(fault)
                        : NumberReader<std::string_view, false>(utf8, syntax).read(fault);
}

std::optional<double> parseLocaleNumber(QStringView text, int* error) {
    NumberFault fault = NumberFault::None;
    const std::optional<double> value = readNumber(text, NumberSyntax::ofUserLocale(), &fault);
    if (error)
        *error = value ? 0 : fault == NumberFault::Overflow ? err::Overflow : err::TypeMismatch;
    return value;
}

double textToDouble(QStringView text) {
    int error = 0;
    const auto value = parseLocaleNumber(text, &error);
    if (!value)
        raiseError(error);
    return *value;
}

QString withoutControls(const QString& text) {
    QString out = text;
    for (QChar& c : out)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F ||
            (c.unicode() >= 0x80 && c.unicode() < 0xA0))
            c = u' ';
    return out;
}

bool isNumericText(QStringView text) {
    return parseLocaleNumber(text).has_value();
}

std::optional<double> parseTypedNumber(QStringView text, QString* reason) {
    NumberFault fault = NumberFault::None;
    const std::optional<double> value = readNumber(text, NumberSyntax::ofUserLocale(true), &fault);
    if (value || !reason)
        return value;
    const UserLocale& locale = userLocale();
    switch (fault) {
    case NumberFault::Overflow:
        *reason = QStringLiteral("ist zu groß");
        break;
    case NumberFault::Grouping:
        *reason = QStringLiteral("ist keine eindeutige Zahl: das Tausendertrennzeichen „%1“ steht "
                                 "nur zwischen Gruppen von genau drei Ziffern vor dem "
                                 "Dezimaltrennzeichen „%2“")
                      .arg(locale.group)
                      .arg(locale.decimal);
        break;
    case NumberFault::None:
    case NumberFault::NotANumber:
        *reason = QStringLiteral("ist keine Zahl");
        break;
    }
    return std::nullopt;
}

QString typedNumberMessage(QStringView text, const QString& where, const QString& reason) {
    return QStringLiteral("„%1“ %2 %3.\nBitte korrigieren Sie die Eingabe.")
        .arg(text.toString(), where, reason);
}

double val(QStringView text) {
    const qsizetype n = text.size();
    qsizetype i = 0;
    auto isValBlank = [&](qsizetype k) {
        const QChar c = text[k];
        return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
    };
    auto skip = [&] {
        while (i < n && isValBlank(i))
            ++i;
    };
    skip();
    bool negative = false;
    if (i < n && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
        skip();
    }
    if (i + 1 < n && text[i] == u'&') {
        const QChar kind = text[i + 1].toUpper();
        const int base = kind == u'H' ? 16 : kind == u'O' ? 8 : 0;
        if (base != 0) {
            i += 2;
            quint64 value = 0;
            int digits = 0;
            for (; i < n; ++i) {
                if (isValBlank(i))
                    continue;
                const int d = hexValue(text[i]);
                if (d < 0 || d >= base)
                    break;
                value = value * base + d;
                if (value > 0xFFFFFFFFull)
                    raiseError(err::Overflow);
                ++digits;
            }
            // Up to 16 bits the digits form an Integer, up to 32 bits a Long.
            const bool shortForm = base == 16 ? digits <= 4 : value <= 0177777;
            const double result =
                shortForm ? double(qint16(quint16(value))) : double(qint32(quint32(value)));
            return negative ? -result : result;
        }
    }
    std::string cText;
    bool haveDecimal = false, haveExponent = false, anyDigit = false;
    for (; i < n; ++i) {
        if (isValBlank(i))
            continue;
        const QChar c = text[i];
        if (isDigit(c)) {
            cText += char(c.unicode());
            anyDigit = true;
        } else if (c == u'.' && !haveDecimal) {
            haveDecimal = true;
            cText += '.';
        } else {
            break;
        }
    }
    if (i < n && anyDigit &&
        (text[i] == u'e' || text[i] == u'E' || text[i] == u'd' || text[i] == u'D')) {
        qsizetype j = i + 1;
        std::string exponent = "e";
        while (j < n && isValBlank(j))
            ++j;
        if (j < n && (text[j] == u'+' || text[j] == u'-'))
            exponent += char(text[j++].unicode());
        bool exponentDigit = false;
        for (; j < n; ++j) {
            if (isValBlank(j))
                continue;
            if (!isDigit(text[j]))
                break;
            exponent += char(text[j].unicode());
            exponentDigit = true;
        }
        if (exponentDigit) {
            cText += exponent;
            haveExponent = true;
            i = j;
        }
    }
    // A type suffix after a number with a fraction or an exponent does not fit.
    if (i < n && (text[i] == u'%' || text[i] == u'&') && (haveDecimal || haveExponent))
        raiseError(err::TypeMismatch);
    if (!anyDigit)
        return negative ? -0.0 : 0.0;
    int error = 0;
    const double value = detail::toDoubleChecked(cText, &error);
    if (error)
        raiseError(error);
    return negative ? -value : value;
}

Long toLong(double value) {
    if (std::isnan(value))
        raiseError(err::Overflow);
    const double rounded = std::nearbyint(value);
    if (rounded < -2147483648.0 || rounded > 2147483647.0)
        raiseError(err::Overflow);
    return Long(rounded);
}

bool textToBool(QStringView text) {
    if (text.compare(u"True", Qt::CaseInsensitive) == 0 || text == u"#TRUE#")
        return true;
    if (text.compare(u"False", Qt::CaseInsensitive) == 0 || text == u"#FALSE#")
        return false;
    return textToDouble(text) != 0.0;
}

double checkedDivide(double numerator, double denominator) {
    if (denominator == 0.0)
        raiseError(numerator == 0.0 || std::isnan(numerator) ? err::Overflow : err::DivisionByZero);
    return checkedFinite(numerator / denominator);
}

double checkedFinite(double value) {
    if (!std::isfinite(value))
        raiseError(err::Overflow);
    return value;
}

double checkedSqrt(double value) {
    if (value < 0.0)
        raiseError(err::InvalidProcedureCall);
    return std::sqrt(checkedFinite(value));
}

} // namespace rt
