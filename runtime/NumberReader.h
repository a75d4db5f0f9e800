#pragma once

// The one number reader. The conversions of Conversion.h use it; a caller
// that reads many numbers, such as a table's cells, may use it directly, so
// that it is inlined there with the syntax known.

#include "Conversion.h"
#include "RuntimeError.h"

#include <QStringView>

#include <optional>
#include <string>
#include <string_view>

namespace rt {

namespace detail {

constexpr bool isBlank(char16_t c) {
    switch (c) {
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

constexpr bool isDigit(char16_t c) {
    return c >= u'0' && c <= u'9';
}

constexpr int hexValue(char16_t c) {
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    return -1;
}

// Converts a plain decimal text ("123.45e-6", no sign) to a double. The C
// library's locale never enters: a German desktop would read "1.5" as 1.
// Too large overflows; too small is zero, as the run-time reads it, and sets
// *underflow.
RUNTIME_EXPORT double toDoubleChecked(const std::string& cText, int* error,
                                      bool* underflow = nullptr);

// One character of a text as the reader sees it. A UTF-8 byte outside ASCII
// is part of a character no number holds, so it matches nothing.
inline char16_t unitAt(QStringView text, qsizetype i) {
    return text[i].unicode();
}
inline char16_t unitAt(std::string_view text, qsizetype i) {
    const auto byte = static_cast<unsigned char>(text[size_t(i)]);
    return byte < 0x80 ? char16_t(byte) : char16_t(0xFFFF);
}

} // namespace detail

// Reads a number written in a syntax from a QStringView or from UTF-8 in a
// std::string_view, as readNumber describes; Plain must be the syntax's
// plain. Step by step: the prefix, the number itself (decimal or &H/&O),
// the suffix, then its value. The steps are inlined into read(), and read()
// into its caller: a table has millions of cells; the rare steps are apart.
template <class Text, bool Plain>
class NumberReader {
public:
    NumberReader(Text text, const NumberSyntax& syntax)
        : m_text(text), m_n(qsizetype(text.size())), m_decimal(syntax.decimal.unicode()),
          m_group(syntax.group.unicode()), m_strict(syntax.strictGrouping),
          m_currency(syntax.currency) {}

    Q_ALWAYS_INLINE std::optional<double> read(NumberFault* fault = nullptr) {
        m_fault = NumberFault::NotANumber;
        bool ok = false;
        if (prefix()) {
            m_start = m_i;
            if (number()) {
                m_end = m_i;
                ok = suffix() && (m_exact || convert());
            }
        }
        // A number that reads at all but is grouped wrongly says so: what
        // is no number or too large is that first.
        if (ok && m_strict && m_groupSeen && !groupedInThrees()) {
            ok = false;
            m_fault = NumberFault::Grouping;
        }
        if (fault)
            *fault = ok ? NumberFault::None : m_fault;
        if (!ok)
            return std::nullopt;
        return m_negative ? -m_value : m_value;
    }

private:
    char16_t at(qsizetype i) const { return detail::unitAt(m_text, i); }

    bool blank(char16_t c) const { return Plain ? c == u' ' || c == u'\t' : detail::isBlank(c); }

    void skipBlanks() {
        while (m_i < m_n && blank(at(m_i)))
            ++m_i;
    }

    bool takeCurrency() {
        const QStringView currency = m_currency;
        if (m_haveCurrency || currency.isEmpty() || m_n - m_i < currency.size())
            return false;
        for (qsizetype k = 0; k < currency.size(); ++k)
            if (at(m_i + k) != currency[k].unicode())
                return false;
        m_i += currency.size();
        m_haveCurrency = true;
        return true;
    }

    bool takeSign(char16_t c) {
        if ((c != u'+' && c != u'-') || m_haveSign || m_paren)
            return false;
        m_haveSign = true;
        m_negative = c == u'-';
        ++m_i;
        return true;
    }

    // Blanks, one sign or an opening parenthesis, the currency symbol; in
    // the plain form blanks and a sign right before the digits.
    bool prefix() {
        if constexpr (Plain) {
            skipBlanks();
            if (m_i < m_n)
                takeSign(at(m_i));
            return true;
        }
        for (;;) {
            skipBlanks();
            if (m_i >= m_n)
                return false;
            const char16_t c = at(m_i);
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

    Q_ALWAYS_INLINE bool number() {
        const bool radix = !Plain && at(m_i) == u'&' && m_i + 1 < m_n;
        if (!(radix ? radixForm() : decimalForm()))
            return false;
        // A separator right after the digits may belong to their groups.
        m_groupSeen = m_groupSeen || (m_i < m_n && at(m_i) == m_group);
        return radix || exponent();
    }

    // &H1F, &O17: up to 32 bits.
    bool radixForm() {
        const char16_t kind = at(m_i + 1);
        const int base = kind == u'H' || kind == u'h' ? 16 : kind == u'O' || kind == u'o' ? 8 : 0;
        if (base == 0)
            return false;
        m_i += 2;
        quint64 value = 0;
        int digits = 0;
        while (m_i < m_n) {
            const int d = detail::hexValue(at(m_i));
            if (d < 0 || d >= base)
                break;
            value = value * base + d;
            if (value > 0xFFFFFFFFull) {
                m_fault = NumberFault::Overflow;
                return false;
            }
            ++digits;
            ++m_i;
        }
        if (digits == 0)
            return false;
        m_value = double(value);
        m_exact = true;
        return true;
    }

    // Digits with grouping separators after the first digit and one decimal
    // separator. Most numbers have few digits: those are computed directly,
    // which gives the same correctly rounded result as strtod.
    Q_ALWAYS_INLINE bool decimalForm() {
        const char16_t decimal = m_decimal;
        const char16_t group = m_group;
        bool anyDigit = false, haveDecimal = false;
        quint64 digitsValue = 0;
        int significantDigits = 0, fractionDigits = 0;
        for (; m_i < m_n; ++m_i) {
            const char16_t c = at(m_i);
            if (detail::isDigit(c)) {
                anyDigit = true;
                if (significantDigits > 0 || c != u'0') {
                    ++significantDigits;
                    if (significantDigits <= 19)
                        digitsValue = digitsValue * 10 + (c - u'0');
                }
                if (haveDecimal)
                    ++fractionDigits;
            } else if (c == decimal && !haveDecimal) {
                haveDecimal = true;
            } else if (c == group && anyDigit && !haveDecimal) {
                m_groupSeen = true;
            } else {
                break;
            }
        }
        if (!anyDigit || (Plain && haveDecimal && fractionDigits == 0))
            return false;
        if (!exponentFollows() && significantDigits <= 15 && fractionDigits <= 22) {
            static constexpr double powersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                                     1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                                     1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
            m_value = double(digitsValue) / powersOfTen[fractionDigits];
            m_exact = true;
        }
        m_digitsEnd = m_i;
        return true;
    }

    bool exponentFollows() const { return m_i < m_n && (at(m_i) == u'e' || at(m_i) == u'E'); }

    // "e", an optional sign and at least one digit.
    Q_ALWAYS_INLINE bool exponent() {
        if (!exponentFollows())
            return true;
        qsizetype j = m_i + 1;
        if (j < m_n && (at(j) == u'+' || at(j) == u'-'))
            ++j;
        const qsizetype firstDigit = j;
        while (j < m_n && detail::isDigit(at(j)))
            ++j;
        if (j == firstDigit)
            return false;
        m_i = j;
        return true;
    }

    // Blanks, a trailing sign, the closing parenthesis, the currency symbol;
    // in the plain form blanks only.
    bool suffix() {
        for (;;) {
            skipBlanks();
            if (m_i >= m_n)
                return !m_paren;
            const char16_t c = at(m_i);
            if constexpr (Plain)
                return false;
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

    // Whether the digits the number begins with, and the grouping separators
    // among and right after them, are 1 to 3 digits, then groups of exactly
    // three. The first group never begins with 0: "0.650" is a decimal with
    // the other convention's separator, never 650.
    bool groupedInThrees() const { return groupedInThrees(m_text, m_start, m_group); }
    Q_NEVER_INLINE static bool groupedInThrees(Text text, qsizetype i, char16_t group) {
        const qsizetype n = qsizetype(text.size());
        while (i < n && !detail::isDigit(detail::unitAt(text, i)))
            ++i;
        const bool leadingZero = i < n && detail::unitAt(text, i) == u'0';
        int digits = 0;
        bool grouped = false;
        for (; i < n; ++i) {
            const char16_t c = detail::unitAt(text, i);
            if (detail::isDigit(c)) {
                ++digits;
            } else if (c == group) {
                if (digits == 0 || digits > 3 || (grouped && digits != 3) ||
                    (!grouped && leadingZero))
                    return false;
                grouped = true;
                digits = 0;
            } else {
                break;
            }
        }
        return !grouped || digits == 3;
    }

    // The value of a number not computed as it was read: through the text of
    // its digits with a decimal point, and the exponent's sign and digits.
    bool convert() {
        m_fault = convert(m_text, m_start, m_digitsEnd, m_end, m_decimal, m_value);
        return m_fault == NumberFault::None;
    }
    Q_NEVER_INLINE static NumberFault convert(Text text, qsizetype start, qsizetype digitsEnd,
                                              qsizetype end, char16_t decimal, double& value) {
        std::string cText;
        cText.reserve(size_t(end - start));
        for (qsizetype k = start; k < digitsEnd; ++k) {
            const char16_t c = detail::unitAt(text, k);
            if (detail::isDigit(c))
                cText += char(c);
            else if (c == decimal)
                cText += '.';
        }
        if (end > digitsEnd) {
            cText += 'e';
            for (qsizetype k = digitsEnd + 1; k < end; ++k)
                cText += char(detail::unitAt(text, k));
        }
        int conversionError = 0;
        bool underflow = false;
        value = detail::toDoubleChecked(cText, &conversionError, &underflow);
        // The plain form takes only what a Double holds; the locale's form
        // reads a number too small for one as 0.
        if (underflow && Plain)
            conversionError = err::Overflow;
        if (conversionError)
            return conversionError == err::Overflow ? NumberFault::Overflow
                                                    : NumberFault::NotANumber;
        return NumberFault::None;
    }

    Text m_text;
    qsizetype m_n;
    const char16_t m_decimal, m_group;
    const bool m_strict;
    const QStringView m_currency;
    qsizetype m_i = 0;
    bool m_negative = false, m_haveSign = false, m_paren = false, m_haveCurrency = false;
    bool m_groupSeen = false;
    // Where the number begins, where its digits end (an exponent may
    // follow), where it ends, and its value when computed as it was read.
    qsizetype m_start = 0, m_digitsEnd = 0, m_end = 0;
    double m_value = 0;
    bool m_exact = false;
    NumberFault m_fault = NumberFault::NotANumber;
};

} // namespace rt
