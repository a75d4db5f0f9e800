#include "TestSupport.h"

#include "Conversion.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>

using namespace rt;

namespace {
UserLocale us() {
    return localeNamed(QStringLiteral("en_US.UTF-8"));
}
double cDouble(const std::string& text) {
    double value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}
} // namespace

TEST(UserLocaleTest, EnvironmentNamesTheLocaleAndGermanIsTheDefault) {
    EXPECT_EQ(localeNamed(QString()).decimal, u',');
    EXPECT_EQ(localeNamed(QStringLiteral("C")).group, u'.');
    EXPECT_EQ(localeNamed(QStringLiteral("POSIX.UTF-8")).decimal, u',');
    EXPECT_EQ(localeNamed(QStringLiteral("de_AT.UTF-8")).decimal, u',');
    EXPECT_EQ(us().decimal, u'.');
    EXPECT_EQ(us().group, u',');
    EXPECT_EQ(us().currency, QStringLiteral("$"));
}

TEST(DoubleToTextTest, FifteenDigitsWithTheLocaleSeparator) {
    const struct {
        double value;
        const char16_t* de;
        const char16_t* en;
    } cases[] = {
        {1234.5, u"1234,5", u"1234.5"},
        {0.1 + 0.2, u"0,3", u"0.3"},
        {1.0 / 3.0, u"0,333333333333333", u"0.333333333333333"},
        {999999999999999.0, u"999999999999999", u"999999999999999"},
        {1e15, u"1E+15", u"1E+15"},
        {1234567890123456.0, u"1,23456789012346E+15", u"1.23456789012346E+15"},
        {1e16, u"1E+16", u"1E+16"},
        {1e100, u"1E+100", u"1E+100"},
        {0.0001, u"0,0001", u"0.0001"},
        {0.00001, u"1E-05", u"1E-05"},
        {1.5e-7, u"1,5E-07", u"1.5E-07"},
        {-0.0, u"0", u"0"},
        {0.65, u"0,65", u"0.65"},
        {2.50, u"2,5", u"2.5"},
        {3.0, u"3", u"3"},
        {-98.5, u"-98,5", u"-98.5"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(doubleToText(c.value), QString::fromUtf16(c.de)) << c.value;
    LocaleScope scope(us());
    for (const auto& c : cases)
        EXPECT_EQ(doubleToText(c.value), QString::fromUtf16(c.en)) << c.value;
}

TEST(ParseLocaleNumberTest, GermanGrammar) {
    const struct {
        const char16_t* text;
        double value;
    } accepted[] = {
        {u"1,5", 1.5},       {u"1.5", 15},   {u"1.000,50", 1000.5},
        {u"1.0.0", 100},     {u" 12 ", 12},  {u"\t12\r\n", 12},
        {u"-12", -12},       {u"12-", -12},  {u"(12)", -12},
        {u"+12", 12},        {u"1E3", 1000}, {u"1,5e-3", 0.0015},
        {u",5", 0.5},        {u"&H1F", 31},  {u"&O17", 15},
        {u"€12", 12},        {u"12€", 12},   {u"12 €", 12},
        {u"1.000", 1000},    {u"- 5", -5},   {u"1..000", 1000},
        {u"1.00.0..", 1000}, {u"0", 0},      {u"1,", 1},
        {u"\u00a012", 12},   {u"12 -", -12}, {u"1e-400", 0},
        {u"(1.000)", -1000}, {u"1,e2", 100},
    };
    for (const auto& c : accepted) {
        const auto value = parseLocaleNumber(QString::fromUtf16(c.text));
        ASSERT_TRUE(value.has_value()) << QString::fromUtf16(c.text).toStdString();
        EXPECT_DOUBLE_EQ(*value, c.value) << QString::fromUtf16(c.text).toStdString();
    }
    const char16_t* rejected[] = {u"1,5,3", u"",    u" ",    u".5",     u"1 000", u"12abc",
                                  u"abc",   u"+-5", u"--5",  u"$12",    u"(12",   u"1e",
                                  u"&H",    u"1d3", u"1,,5", u".1.000", u"(-12)", u"-(12)"};
    for (const char16_t* text : rejected) {
        int error = 0;
        EXPECT_FALSE(parseLocaleNumber(QString::fromUtf16(text), &error).has_value())
            << QString::fromUtf16(text).toStdString();
        EXPECT_EQ(error, err::TypeMismatch);
    }
    int error = 0;
    EXPECT_FALSE(parseLocaleNumber(u"1E400", &error).has_value());
    EXPECT_EQ(error, err::Overflow);
    EXPECT_EQ(errorNumberOf([] { textToDouble(u"abc"); }), err::TypeMismatch);
    EXPECT_EQ(errorNumberOf([] { textToDouble(u"1E400"); }), err::Overflow);
    EXPECT_TRUE(isNumericText(u"1.5"));
    EXPECT_FALSE(isNumericText(u"1,2,3"));
    // NBSP is a blank around a number, and neither groups German digits.
    EXPECT_FALSE(isNumericText(u"1\u00a0000"));
    EXPECT_FALSE(isNumericText(u"1\u202f000"));
    EXPECT_FALSE(isNumericText(u""));
}

TEST(ParseLocaleNumberTest, EnglishGrammar) {
    LocaleScope scope(us());
    EXPECT_DOUBLE_EQ(textToDouble(u"1,5"), 15);
    EXPECT_DOUBLE_EQ(textToDouble(u"1.5"), 1.5);
    EXPECT_DOUBLE_EQ(textToDouble(u"1,5,3"), 153);
    EXPECT_DOUBLE_EQ(textToDouble(u".5"), 0.5);
    EXPECT_DOUBLE_EQ(textToDouble(u"1,5e-3"), 0.015);
    EXPECT_DOUBLE_EQ(textToDouble(u"$12"), 12);
    EXPECT_EQ(errorNumberOf([] { textToDouble(u"1.0.0"); }), err::TypeMismatch);
    EXPECT_EQ(errorNumberOf([] { textToDouble(u",5"); }), err::TypeMismatch);

    // Grouping with NBSP or narrow NBSP ("_" below): after the first digit it
    // groups; before the number only NBSP is a blank.
    for (const char16_t group : {u'\u00a0', u'\u202f'}) {
        const LocaleScope grouped(UserLocale{QStringLiteral("xx"), u',', group, {}});
        auto text = [&](const char16_t* t) { return QString::fromUtf16(t).replace(u'_', group); };
        EXPECT_DOUBLE_EQ(textToDouble(text(u"1_000,5")), 1000.5);
        EXPECT_DOUBLE_EQ(textToDouble(text(u"12_")), 12);
        EXPECT_DOUBLE_EQ(textToDouble(text(u"1_0_0")), 100);
        EXPECT_DOUBLE_EQ(*parseTypedNumber(text(u"-1_234_567")), -1234567);
        EXPECT_FALSE(parseTypedNumber(text(u"1_0_0")));
        EXPECT_EQ(errorNumberOf([&] { textToDouble(text(u"_12")); }),
                  group == u'\u00a0' ? 0 : err::TypeMismatch);
    }
}

TEST(ToLongTest, HalvesGoToTheEvenNeighbourAndTheRangeIsChecked) {
    EXPECT_EQ(toLong(2.5), 2);
    EXPECT_EQ(toLong(3.5), 4);
    EXPECT_EQ(toLong(-2.5), -2);
    EXPECT_EQ(toLong(-3.5), -4);
    EXPECT_EQ(toLong(0.5), 0);
    EXPECT_EQ(toLong(1.5), 2);
    EXPECT_EQ(toLong(0.6), 1);
    EXPECT_EQ(toLong(-0.6), -1);
    EXPECT_EQ(toLong(2147483647.49), 2147483647);
    EXPECT_EQ(toLong(-2147483648.5), std::numeric_limits<Long>::min());
    EXPECT_EQ(errorNumberOf([] { toLong(2147483647.5); }), err::Overflow);
    EXPECT_EQ(errorNumberOf([] { toLong(-2147483648.51); }), err::Overflow);
    EXPECT_EQ(errorNumberOf([] { toLong(std::nan("")); }), err::Overflow);
    // Text goes through the locale's reading first.
    EXPECT_EQ(toLong(textToDouble(u"2,5")), 2);
    EXPECT_EQ(toLong(textToDouble(u" 3,5 ")), 4);
    EXPECT_EQ(toLong(textToDouble(u"1.234")), 1234);
}

TEST(ValTest, ReadsTheLeadingNumberWithAPoint) {
    const struct {
        const char16_t* text;
        double value;
    } cases[] = {
        {u"3.7abc", 3.7},    {u" 12 ", 12},      {u"2,5", 2},
        {u"1.000", 1},       {u".5", 0.5},       {u"-.5e1", -5},
        {u"1e3", 1000},      {u"1d3", 1000},     {u"1E+3", 1000},
        {u"1.2.3", 1.2},     {u"24 and 57", 24}, {u"L13.5", 0},
        {u"abc", 0},         {u"", 0},           {u"02/04/2010", 2},
        {u"- 5", -5},        {u"1 2 3", 123},    {u"    1615 198th Street N.E.", 1615198},
        {u" 2 45 7", 2457},  {u"&HFFFF", -1},    {u"&HFFFFFFFF", -1},
        {u"&H10000", 65536}, {u"&H1F", 31},      {u"&O17", 15},
        {u"50%", 50},        {u"1e", 1},
    };
    for (const auto& c : cases)
        EXPECT_DOUBLE_EQ(val(QString::fromUtf16(c.text)), c.value)
            << QString::fromUtf16(c.text).toStdString();
    EXPECT_TRUE(std::signbit(val(u"-")));
    EXPECT_EQ(doubleToText(val(u"-")), QStringLiteral("0"));
    EXPECT_EQ(errorNumberOf([] { val(u"50.5%"); }), err::TypeMismatch);
    EXPECT_EQ(errorNumberOf([] { val(u"1e400"); }), err::Overflow);
}

TEST(TextToBoolTest, WordsInAnyCaseOrNumbers) {
    EXPECT_TRUE(textToBool(u"True"));
    EXPECT_TRUE(textToBool(u"TRUE"));
    EXPECT_FALSE(textToBool(u"fAlSe"));
    EXPECT_TRUE(textToBool(u"#TRUE#"));
    EXPECT_FALSE(textToBool(u"0"));
    EXPECT_TRUE(textToBool(u"-1"));
    EXPECT_TRUE(textToBool(u"0,1"));
    EXPECT_FALSE(textToBool(u"0,0"));
    for (const char16_t* text : {u"", u" True", u"Yes", u"Wahr", u"#true#"})
        EXPECT_EQ(errorNumberOf([&] { textToBool(text); }), err::TypeMismatch)
            << QString::fromUtf16(text).toStdString();
}

TEST(CheckedArithmeticTest, DivisionByZeroAndOverflowRaise) {
    EXPECT_EQ(checkedDivide(1, 4), 0.25);
    EXPECT_EQ(errorNumberOf([] { checkedDivide(1, 0); }), err::DivisionByZero);
    EXPECT_EQ(errorNumberOf([] { checkedDivide(-1, 0); }), err::DivisionByZero);
    EXPECT_EQ(errorNumberOf([] { checkedDivide(0, 0); }), err::Overflow);
    EXPECT_EQ(errorNumberOf([] { checkedDivide(1e308, 1e-10); }), err::Overflow);
    EXPECT_EQ(errorNumberOf([] { checkedSqrt(-1); }), err::InvalidProcedureCall);
    EXPECT_EQ(checkedSqrt(6.25), 2.5);
}

TEST(SkipErrorsTest, RunsEveryStatementAndRemembersTheLastError) {
    SkipErrors skip;
    int reached = 0;
    skip([&] { ++reached; });
    EXPECT_FALSE(skip.failed());
    skip([&] { raiseError(err::TypeMismatch); });
    skip([&] { ++reached; });
    skip([&] { raiseError(err::Overflow); });
    skip([&] { ++reached; });
    EXPECT_EQ(reached, 3);
    EXPECT_TRUE(skip.failed());
    EXPECT_EQ(skip.lastNumber(), err::Overflow);
    EXPECT_EQ(skip.lastDescription(), QStringLiteral("Überlauf"));
    skip.clear();
    EXPECT_FALSE(skip.failed());
}

TEST(RuntimeErrorTest, GermanDescriptions) {
    EXPECT_EQ(RuntimeError(13).description(), QStringLiteral("Typen unverträglich"));
    EXPECT_EQ(RuntimeError(94).description(), QStringLiteral("Ungültige Verwendung von Null"));
    EXPECT_EQ(RuntimeError(380).description(), QStringLiteral("Ungültiger Eigenschaftswert"));
    EXPECT_EQ(RuntimeError(91).description(),
              QStringLiteral("Objektvariable oder With-Blockvariable nicht festgelegt"));
    EXPECT_EQ(RuntimeError(11).description(), QStringLiteral("Division durch Null"));
    EXPECT_STREQ(RuntimeError(6).what(), "Überlauf (6)");
}

TEST(ParseLocaleNumberTest, ShortNumbersReadExactlyAsLongOnes) {
    // Numbers of up to 15 digits take a shortcut; it must give the same double
    // as the general conversion.
    std::srand(4711);
    for (int i = 0; i < 20000; ++i) {
        const double magnitude = std::pow(10.0, std::rand() % 24 - 12);
        const double value = (double(std::rand()) / RAND_MAX - 0.3) * magnitude;
        char buffer[64];
        char* end = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed,
                                  std::rand() % 18)
                        .ptr;
        const std::string written(buffer, end);
        QString text = QString::fromStdString(written);
        text.replace(u'.', u',');
        ASSERT_EQ(textToDouble(text), cDouble(written)) << written;
        ASSERT_EQ(textToDouble(doubleToText(value)),
                  cDouble(doubleToText(value).replace(u',', u'.').toStdString()));
    }
}

TEST(ParseTypedNumberTest, GroupingOnlyBetweenGroupsOfThreeDigits) {
    const struct {
        const char16_t* text;
        double value;
    } accepted[] = {{u"95,8", 95.8},     {u"1.000", 1000},       {u"12.345,6", 12345.6},
                    {u"1.000.000", 1e6}, {u"-1.000,5", -1000.5}, {u" 42 ", 42},
                    {u"1000", 1000},     {u"0,7", 0.7},          {u"1,5e3", 1500},
                    {u"(1.000)", -1000}, {u"1.000 -", -1000},    {u"€ 1.000,5", 1000.5},
                    {u"1.000e3", 1e6},   {u"+0,650", 0.65},      {u"\u00a042", 42},
                    {u"1,", 1},          {u"&H1F", 31}};
    for (const auto& c : accepted) {
        const auto value = parseTypedNumber(QString::fromUtf16(c.text));
        ASSERT_TRUE(value.has_value()) << QString::fromUtf16(c.text).toStdString();
        EXPECT_DOUBLE_EQ(*value, c.value) << QString::fromUtf16(c.text).toStdString();
    }
    // What the file rules read as 958, 4175, 417 or 1000 is refused when typed.
    for (const char16_t* text :
         {u"95.8", u"41.75", u"4.1.7", u"1..000", u"1.0000", u"1.", u"12.34.567", u"0.7", u"0.650",
          u"0.001", u"01.000", u"-0.500", u"00.100", u"(0.650)", u"1.0000e3", u"1.000.00", u"1.,5",
          u"€95.8"}) {
        QString reason;
        EXPECT_FALSE(parseTypedNumber(QString::fromUtf16(text), &reason).has_value())
            << QString::fromUtf16(text).toStdString();
        EXPECT_TRUE(reason.startsWith(QStringLiteral("ist keine eindeutige Zahl")))
            << reason.toStdString();
        EXPECT_TRUE(reason.contains(QStringLiteral("„.“"))) << reason.toStdString();
    }
    QString reason;
    EXPECT_FALSE(parseTypedNumber(u"abc", &reason).has_value());
    EXPECT_EQ(reason, QStringLiteral("ist keine Zahl"));
    EXPECT_FALSE(parseTypedNumber(u"1E400", &reason).has_value());
    EXPECT_EQ(reason, QStringLiteral("ist zu groß"));
    // What is no number or too large is that first, whatever its grouping.
    EXPECT_FALSE(parseTypedNumber(u"1.0000x", &reason).has_value());
    EXPECT_EQ(reason, QStringLiteral("ist keine Zahl"));
    EXPECT_FALSE(parseTypedNumber(u"1.0000e400", &reason).has_value());
    EXPECT_EQ(reason, QStringLiteral("ist zu groß"));
    EXPECT_EQ(typedNumberMessage(u"95.8", QStringLiteral("in Prüffeld 1"),
                                 QStringLiteral("ist keine Zahl")),
              QStringLiteral("„95.8“ in Prüffeld 1 ist keine Zahl.\nBitte korrigieren Sie die "
                             "Eingabe."));

    // The English convention, the other way round.
    LocaleScope scope(us());
    EXPECT_DOUBLE_EQ(*parseTypedNumber(u"95.8"), 95.8);
    EXPECT_DOUBLE_EQ(*parseTypedNumber(u"12,345.6"), 12345.6);
    EXPECT_FALSE(parseTypedNumber(u"95,8", &reason).has_value());
    EXPECT_TRUE(reason.contains(QStringLiteral("„,“"))) << reason.toStdString();
}
