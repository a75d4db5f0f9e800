#include "TestSupport.h"

#include "Conversion.h"
#include "Variant.h"

using namespace rt;

namespace {
QString fmt(double value, const char16_t* pattern) {
    return formatNumber(value, QString::fromUtf16(pattern));
}
} // namespace

TEST(FormatNumberTest, PatternsRoundHalfAwayFromZeroOnFifteenDigits) {
    const struct {
        double value;
        const char16_t* pattern;
        const char16_t* de;
        const char16_t* en;
    } cases[] = {
        {2.675, u"0.00", u"2,68", u"2.68"},
        {0.125, u"0.00", u"0,13", u"0.13"},
        {1.005, u"0.00", u"1,01", u"1.01"},
        {0.285, u"0.00", u"0,29", u"0.29"},
        {1.015 * 100, u"0", u"102", u"102"},
        {2.5, u"#,##0", u"3", u"3"},
        {-2.5, u"#,##0", u"-3", u"-3"},
        {0.5, u"#,##0", u"1", u"1"},
        {1234.5, u"#,##0", u"1.235", u"1,235"},
        {1234567.891, u"#,##0.00", u"1.234.567,89", u"1,234,567.89"},
        {999.995, u"#,##0.00", u"1.000,00", u"1,000.00"},
        {12345678.9, u"0.00", u"12345678,90", u"12345678.90"},
        {0, u"#,##0.00", u"0,00", u"0.00"},
        {1234.5, u" #,##0.00 ", u" 1.234,50 ", u" 1,234.50 "},
        {-1234.5, u" #,##0.00 ", u" -1.234,50 ", u" -1,234.50 "},
        {-0.004, u"0.00", u"-0,00", u"-0.00"},
        {-0.4, u"#,##0", u"-0", u"-0"},
        {-0.0, u"0.00", u"0,00", u"0.00"},
        {1e20, u"#,##0", u"100.000.000.000.000.000.000", u"100,000,000,000,000,000,000"},
        {123456789012345678.0, u"#,##0", u"123.456.789.012.346.000", u"123,456,789,012,346,000"},
        {1e15 + 0.3, u"#,##0.00", u"1.000.000.000.000.000,00", u"1,000,000,000,000,000.00"},
        {0.6512, u"#,##0.00", u"0,65", u"0.65"},
        {98.5, u"#,##0.000", u"98,500", u"98.500"},
        {-0.004, u"0.00;(0.00)", u"(0,00)", u"(0.00)"},
        {0.004, u"0.00;;\\Z\\e\\r\\o", u"0,00", u"0.00"},
        {0, u"0.00;;\\Z\\e\\r\\o", u"Zero", u"Zero"},
        {0.5, u"0%", u"50%", u"50%"},
        {1.5, u"#.##", u"1,5", u"1.5"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(fmt(c.value, c.pattern), QString::fromUtf16(c.de))
            << c.value << " " << QString::fromUtf16(c.pattern).toStdString();
    LocaleScope scope(localeNamed(QStringLiteral("en_US")));
    for (const auto& c : cases)
        EXPECT_EQ(fmt(c.value, c.pattern), QString::fromUtf16(c.en))
            << c.value << " " << QString::fromUtf16(c.pattern).toStdString();
}

TEST(FormatNumberTest, ValuesOfEveryKindAndNonNumbers) {
    EXPECT_EQ(format(Variant(QStringLiteral("1.234,5")), u"#,##0.00"), QStringLiteral("1.234,50"));
    EXPECT_EQ(format(Variant(QStringLiteral("abc")), u"#,##0.00"), QStringLiteral("abc"));
    EXPECT_EQ(format(Variant(Long(7)), u"#,##0.0"), QStringLiteral("7,0"));
    EXPECT_EQ(format(Variant(true), u"0"), QStringLiteral("-1"));
    EXPECT_EQ(format(Variant(), u"0.00"), QString());
    EXPECT_EQ(errorNumberOf([] { format(Variant::null(), u"0.00"); }), err::InvalidUseOfNull);
    EXPECT_EQ(errorNumberOf([] { formatNumber(std::numeric_limits<double>::infinity(), u"0"); }),
              err::Overflow);
}
