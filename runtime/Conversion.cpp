#include "Conversion.h"

#include "RuntimeError.h"
#include "UserLocale.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>

namespace rt {

namespace {

bool isBlank(QChar c) {
    switch (c.unicode()) {
    case u' ':
    case u'\t':
    case u'\r':
    case u'\n':
    case u'\f':
    case u'\v':
    case 0x00A0:
        return true;
    default:
        return false;
    }
}

bool isDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

int hexValue(QChar c) {
    if (c >= u'0' && c <= u'9')
        return c.unicode() - u'0';
    if (c >= u'a' && c <= u'f')
        return c.unicode() - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c.unicode() - u'A' + 10;
    return -1;
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

// Converts a plain decimal text ("123.45e-6", no sign) to a double. The C
// library's locale never enters: a German desktop would read "1.5" as 1.
double toDoubleChecked(const std::string& cText, int* error) {
    double value = 0;
    const char* first = cText.data();
    const char* last = first + cText.size();
    const auto [end, ec] = std::from_chars(first, last, value, std::chars_format::general);
    if (ec == std::errc::result_out_of_range) {
        // Too large overflows; too small is zero, as the run-time reads it.
        if (decimalExponent(cText) > 0) {
            if (error)
                *error = err::Overflow;
            return 0;
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

} // namespace

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

namespace {

// Reads a number written in the user's locale, step by step: the prefix,
// the number itself (decimal or &H/&O), the suffix, then its value.
class LocaleNumberReader {
public:
    LocaleNumberReader(QStringView text, const UserLocale& locale)
        : m_text(text), m_n(text.size()), m_locale(locale) {}

    std::optional<double> read(int* error) {
        m_error = err::TypeMismatch;
        std::optional<double> value;
        if (prefix() && number() && suffix())
            value = convert();
        if (error)
            *error = value ? 0 : m_error;
        if (!value)
            return std::nullopt;
        return m_negative ? -*value : *value;
    }

private:
    void skipBlanks() {
        while (m_i < m_n && isBlank(m_text[m_i]))
            ++m_i;
    }

    bool takeCurrency() {
        if (!m_haveCurrency && !m_locale.currency.isEmpty() &&
            m_text.mid(m_i).startsWith(m_locale.currency)) {
            m_i += m_locale.currency.size();
            m_haveCurrency = true;
            return true;
        }
        return false;
    }

    bool takeSign(QChar c) {
        if ((c != u'+' && c != u'-') || m_haveSign || m_paren)
            return false;
        m_haveSign = true;
        m_negative = c == u'-';
        ++m_i;
        return true;
    }

    // Blanks, one sign or an opening parenthesis, the currency symbol.
    bool prefix() {
        for (;;) {
            skipBlanks();
            if (m_i >= m_n)
                return false;
            const QChar c = m_text[m_i];
            if (takeSign(c))
                continue;
            if (c == u'(' && !m_haveSign && !m_paren) {
                m_paren = true;
                m_negative = true;
                ++m_i;
            } else if (!takeCurrency()) {
                return true;
            }
        }
    }

    bool number() {
        if (m_text[m_i] == u'&' && m_i + 1 < m_n)
            return radixForm();
        return decimalForm() && exponent();
    }

    // &H1F, &O17: up to 32 bits.
    bool radixForm() {
        const QChar kind = m_text[m_i + 1].toUpper();
        const int base = kind == u'H' ? 16 : kind == u'O' ? 8 : 0;
        if (base == 0)
            return false;
        m_i += 2;
        quint64 value = 0;
        int digits = 0;
        while (m_i < m_n) {
            const int d = hexValue(m_text[m_i]);
            if (d < 0 || d >= base)
                break;
            value = value * base + d;
            if (value > 0xFFFFFFFFull) {
                m_error = err::Overflow;
                return false;
            }
            ++digits;
            ++m_i;
        }
        if (digits == 0)
            return false;
        m_cText = std::to_string(value);
        return true;
    }

    // Digits with grouping separators after the first digit and one decimal
    // separator. Most numbers have few digits: those are computed directly,
    // which gives the same correctly rounded result as strtod.
    bool decimalForm() {
        bool anyDigit = false, haveDecimal = false;
        const qsizetype start = m_i;
        quint64 digitsValue = 0;
        int significantDigits = 0, fractionDigits = 0;
        for (; m_i < m_n; ++m_i) {
            const QChar c = m_text[m_i];
            if (isDigit(c)) {
                anyDigit = true;
                if (significantDigits > 0 || c != u'0') {
                    ++significantDigits;
                    if (significantDigits <= 19)
                        digitsValue = digitsValue * 10 + (c.unicode() - u'0');
                }
                if (haveDecimal)
                    ++fractionDigits;
            } else if (c == m_locale.decimal && !haveDecimal) {
                haveDecimal = true;
            } else if (!(c == m_locale.group && anyDigit && !haveDecimal)) {
                break;
            }
        }
        if (!anyDigit)
            return false;
        if (!exponentFollows() && significantDigits <= 15 && fractionDigits <= 22) {
            static constexpr double powersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                                     1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                                     1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
            m_directValue = double(digitsValue) / powersOfTen[fractionDigits];
            return true;
        }
        m_cText.reserve(m_i - start + 8);
        for (qsizetype k = start; k < m_i; ++k) {
            if (isDigit(m_text[k]))
                m_cText += char(m_text[k].unicode());
            else if (m_text[k] == m_locale.decimal)
                m_cText += '.';
        }
        return true;
    }

    bool exponentFollows() const {
        return m_i < m_n && (m_text[m_i] == u'e' || m_text[m_i] == u'E');
    }

    // "e", an optional sign and at least one digit.
    bool exponent() {
        if (!exponentFollows())
            return true;
        qsizetype j = m_i + 1;
        std::string exponent = "e";
        if (j < m_n && (m_text[j] == u'+' || m_text[j] == u'-'))
            exponent += char(m_text[j++].unicode());
        const qsizetype firstDigit = j;
        while (j < m_n && isDigit(m_text[j]))
            exponent += char(m_text[j++].unicode());
        if (j == firstDigit)
            return false;
        m_cText += exponent;
        m_i = j;
        return true;
    }

    // Blanks, a trailing sign, the closing parenthesis, the currency symbol.
    bool suffix() {
        for (;;) {
            skipBlanks();
            if (m_i >= m_n)
                return !m_paren;
            const QChar c = m_text[m_i];
            if (takeSign(c))
                continue;
            if (c == u')' && m_paren) {
                m_paren = false;
                ++m_i;
            } else if (!takeCurrency()) {
                return false;
            }
        }
    }

    std::optional<double> convert() {
        if (m_directValue)
            return m_directValue;
        int conversionError = 0;
        const double value = toDoubleChecked(m_cText, &conversionError);
        if (conversionError) {
            m_error = conversionError;
            return std::nullopt;
        }
        return value;
    }

    QStringView m_text;
    qsizetype m_n;
    const UserLocale& m_locale;
    qsizetype m_i = 0;
    bool m_negative = false, m_haveSign = false, m_paren = false, m_haveCurrency = false;
    std::string m_cText;
    std::optional<double> m_directValue;
    int m_error = err::TypeMismatch;
};

} // namespace

std::optional<double> parseLocaleNumber(QStringView text, int* error) {
    return LocaleNumberReader(text, userLocale()).read(error);
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

namespace {

// Whether the grouping separators of the digits that start the number stand
// between groups of three: 1 to 3 digits, then groups of exactly three. The
// first group never starts with 0: "0.650" is a decimal typed with the wrong
// separator, never 650.
bool groupsOfThree(QStringView text, QChar group) {
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && !isDigit(text[i]))
        ++i;
    const bool leadingZero = i < n && text[i] == u'0';
    int digits = 0;
    bool grouped = false;
    for (; i < n; ++i) {
        const QChar c = text[i];
        if (isDigit(c)) {
            ++digits;
        } else if (c == group) {
            if (digits == 0 || digits > 3 || (grouped && digits != 3) || (!grouped && leadingZero))
                return false;
            grouped = true;
            digits = 0;
        } else {
            break;
        }
    }
    return !grouped || digits == 3;
}

} // namespace

std::optional<double> parseTypedNumber(QStringView text, QString* reason) {
    const UserLocale& locale = userLocale();
    int error = 0;
    std::optional<double> value = parseLocaleNumber(text, &error);
    QString why;
    if (!value)
        why = error == err::Overflow ? QStringLiteral("ist zu groß")
                                     : QStringLiteral("ist keine Zahl");
    else if (!groupsOfThree(text, locale.group))
        why = QStringLiteral("ist keine eindeutige Zahl: das Tausendertrennzeichen „%1“ steht "
                             "nur zwischen Gruppen von genau drei Ziffern vor dem "
                             "Dezimaltrennzeichen „%2“")
                  .arg(locale.group)
                  .arg(locale.decimal);
    if (why.isEmpty())
        return value;
    if (reason)
        *reason = why;
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
    const double value = toDoubleChecked(cText, &error);
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
