#include "Conversion.h"

#include "RuntimeError.h"
#include "UserLocale.h"

#include <QList>

#include <charconv>
#include <cmath>

namespace rt {

namespace {

// One section of a number pattern, split into its parts.
struct Section {
    QString prefix;         // literals before the first digit placeholder
    QString suffix;         // literals after the last one
    int integerZeros = 0;   // '0' placeholders before the decimal point
    int fractionZeros = 0;  // '0' placeholders after it
    int fractionHashes = 0; // '#' placeholders after it
    bool hasDecimal = false;
    bool grouping = false;
    bool percent = false;
};

Section parseSection(QStringView pattern) {
    Section section;
    enum { Prefix, Number, Suffix } state = Prefix;
    bool inQuotes = false;
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        const QChar c = pattern[i];
        QString literal;
        if (inQuotes) {
            if (c == u'"')
                inQuotes = false;
            else
                literal = c;
        } else if (c == u'"') {
            inQuotes = true;
            continue;
        } else if (c == u'\\' && i + 1 < pattern.size()) {
            literal = pattern[++i];
        } else if (c == u'0' || c == u'#' || c == u'.' || (c == u',' && state == Number)) {
            if (state == Suffix) {
                literal = c; // placeholders after literals: treat as text
            } else {
                state = Number;
                if (c == u'.') {
                    section.hasDecimal = true;
                } else if (c == u',') {
                    if (!section.hasDecimal)
                        section.grouping = true;
                } else if (section.hasDecimal) {
                    (c == u'0' ? section.fractionZeros : section.fractionHashes)++;
                } else if (c == u'0') {
                    section.integerZeros++;
                }
                continue;
            }
        } else {
            if (c == u'%')
                section.percent = true;
            literal = c;
        }
        if (state == Prefix) {
            section.prefix += literal;
        } else {
            state = Suffix;
            section.suffix += literal;
        }
    }
    return section;
}

// The 15 significant digits of |value| and the position of the decimal point
// within them (digits before the point; may be negative or beyond 15).
struct Digits {
    QByteArray digits; // exactly 15 characters '0'..'9'
    int pointPosition = 1;
    bool isZero() const { return digits.count('0') == digits.size(); }
};

Digits decimalDigits(double magnitude) {
    // "%.14e" without the C library's locale: d.dddddddddddddde[+-]XX
    char buffer[64];
    const char* end =
        std::to_chars(buffer, buffer + sizeof buffer, magnitude, std::chars_format::scientific, 14)
            .ptr;
    Digits result;
    const char* p = buffer;
    result.digits.append(*p++);
    if (p < end && *p == '.')
        ++p;
    while (p < end && *p >= '0' && *p <= '9')
        result.digits.append(*p++);
    int exponent = 0;
    if (p < end && (*p == 'e' || *p == 'E')) {
        ++p;
        if (p < end && *p == '+')
            ++p;
        std::from_chars(p, end, exponent);
    }
    result.pointPosition = exponent + 1;
    if (result.isZero())
        result.pointPosition = 1;
    return result;
}

QString formatSection(const Section& section, const Digits& value, bool negative) {
    const UserLocale& locale = userLocale();
    const int fractionDigits = section.fractionZeros + section.fractionHashes;
    const int point = value.pointPosition + (section.percent ? 2 : 0);
    const QByteArray& d = value.digits;

    // Fixed notation: integer digits and all fraction digits.
    QByteArray integer, fraction;
    if (point > 0) {
        integer = d.left(point);
        if (point > d.size())
            integer.append(QByteArray(point - d.size(), '0'));
        fraction = point < d.size() ? d.mid(point) : QByteArray();
    } else {
        integer = "0";
        fraction = QByteArray(-point, '0') + d;
    }
    if (fraction.size() < fractionDigits + 1)
        fraction.append(QByteArray(fractionDigits + 1 - fraction.size(), '0'));

    // Round half away from zero at the last shown decimal.
    const bool roundUp = fraction[fractionDigits] >= '5';
    QByteArray number = integer + fraction.left(fractionDigits);
    if (roundUp) {
        int k = number.size() - 1;
        while (k >= 0 && number[k] == '9')
            number[k--] = '0';
        if (k >= 0)
            number[k] = number[k] + 1;
        else
            number.prepend('1');
    }
    QByteArray integerPart = number.left(number.size() - fractionDigits);
    QByteArray fractionPart = number.right(fractionDigits);

    // Leading zeros beyond the '0' placeholders go.
    int start = 0;
    while (start < integerPart.size() - section.integerZeros && integerPart[start] == '0')
        ++start;
    integerPart = integerPart.mid(start);
    // Optional fraction digits drop their trailing zeros.
    int keep = fractionPart.size();
    while (keep > section.fractionZeros && fractionPart[keep - 1] == '0')
        --keep;
    fractionPart.truncate(keep);

    QString out = section.prefix;
    if (negative)
        out += u'-';
    for (int k = 0; k < integerPart.size(); ++k) {
        if (section.grouping && k > 0 && (integerPart.size() - k) % 3 == 0)
            out += locale.group;
        out += QChar(integerPart[k]);
    }
    if (section.hasDecimal)
        out += locale.decimal;
    out += QString::fromLatin1(fractionPart);
    out += section.suffix;
    return out;
}

} // namespace

QString formatNumber(double value, QStringView pattern) {
    if (!std::isfinite(value))
        raiseError(err::Overflow);
    // Sections: positive;negative;zero. The sign comes from the unrounded digits.
    QList<QStringView> sections;
    {
        qsizetype start = 0;
        bool inQuotes = false;
        for (qsizetype i = 0; i < pattern.size(); ++i) {
            if (pattern[i] == u'"')
                inQuotes = !inQuotes;
            else if (pattern[i] == u'\\')
                ++i;
            else if (pattern[i] == u';' && !inQuotes) {
                sections.append(pattern.mid(start, i - start));
                start = i + 1;
            }
        }
        sections.append(pattern.mid(start));
    }
    const Digits digits = decimalDigits(std::fabs(value));
    const bool negative = value < 0 && !digits.isZero();
    if (digits.isZero() && sections.size() >= 3 && !sections[2].isEmpty())
        return formatSection(parseSection(sections[2]), digits, false);
    if (negative && sections.size() >= 2 && !sections[1].isEmpty())
        return formatSection(parseSection(sections[1]), digits, false);
    return formatSection(parseSection(sections[0]), digits, negative);
}

} // namespace rt
