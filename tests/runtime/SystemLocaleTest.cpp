#include "TestSupport.h"

#include "Conversion.h"

#include <clocale>
#include <cstring>

using namespace rt;

// The suite must see what users see: a real German C library locale, which
// the application object applied from the environment.
TEST(SystemLocaleTest, TheSuiteRunsUnderARealGermanLocale) {
    ASSERT_STREQ(std::localeconv()->decimal_point, ",")
        << "de_DE.UTF-8 is not installed: run scripts/setup.sh as root";
    for (const char* name : SystemLocales) {
        SystemLocaleScope scope(name);
        EXPECT_TRUE(scope.ok()) << name << " is not installed";
    }
}

TEST(SystemLocaleTest, ConversionsFollowOnlyTheUserLocale) {
    struct Expected {
        const char* name;
        const char16_t* text;     // doubleToText(1234.5)
        const char16_t* small;    // doubleToText(0.000012345)
        const char16_t* pattern;  // formatNumber(1234567.891, "#,##0.00")
        const char16_t* slope;    // formatNumber(0.3, "#,##0.0000")
        const char16_t* grouped;  // a grouped number with a fraction, read back
        const char16_t* longText; // more than 15 digits: the general conversion
    };
    // Without a locale the program is German.
    const Expected cases[] = {
        {"de_DE.UTF-8", u"1234,5", u"1,2345E-05", u"1.234.567,89", u"0,3000", u"1.234,5",
         u"3,14159265358979323846"},
        {"en_US.UTF-8", u"1234.5", u"1.2345E-05", u"1,234,567.89", u"0.3000", u"1,234.5",
         u"3.14159265358979323846"},
        {"C", u"1234,5", u"1,2345E-05", u"1.234.567,89", u"0,3000", u"1.234,5",
         u"3,14159265358979323846"},
    };
    for (const Expected& e : cases) {
        SCOPED_TRACE(e.name);
        SystemLocaleScope scope(e.name);
        ASSERT_TRUE(scope.ok());
        EXPECT_EQ(doubleToText(1234.5), QString::fromUtf16(e.text));
        EXPECT_EQ(doubleToText(0.000012345), QString::fromUtf16(e.small));
        EXPECT_EQ(doubleToText(1e15), QStringLiteral("1E+15"));
        EXPECT_EQ(doubleToText(-2.5e-300).left(2), QStringLiteral("-2"));
        EXPECT_EQ(formatNumber(1234567.891, u"#,##0.00"), QString::fromUtf16(e.pattern));
        EXPECT_EQ(formatNumber(0.3, u"#,##0.0000"), QString::fromUtf16(e.slope));
        EXPECT_EQ(textToDouble(QString::fromUtf16(e.grouped)), 1234.5);
        EXPECT_DOUBLE_EQ(textToDouble(QString::fromUtf16(e.longText)), 3.14159265358979323846);
        EXPECT_EQ(textToDouble(doubleToText(0.65)), 0.65);
        // Val always reads a point, whatever the locale.
        EXPECT_EQ(val(u"1.5"), 1.5);
        EXPECT_EQ(val(u"12345678901234567890.5e-3"), 12345678901234567890.5e-3);
        EXPECT_EQ(toLong(val(u"2.5")), 2);
        // Beyond the double range: overflow; below it: zero.
        EXPECT_EQ(errorNumberOf([] { val(u"1e400"); }), err::Overflow);
        EXPECT_EQ(val(u"1e-400"), 0.0);
        EXPECT_EQ(val(u"0.00000000000000000001e-390"), 0.0);
        EXPECT_EQ(errorNumberOf([] { textToDouble(u"12345678901234567890E300"); }), err::Overflow);
    }
}
