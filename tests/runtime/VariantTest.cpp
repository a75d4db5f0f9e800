#include "TestSupport.h"

#include "PropertyBag.h"
#include "Variant.h"

using namespace rt;

TEST(VariantTest, TextOfEveryKind) {
    EXPECT_EQ(Variant().toText(), QString());
    EXPECT_EQ(Variant(true).toText(), QStringLiteral("True"));
    EXPECT_EQ(Variant(false).toText(), QStringLiteral("False"));
    EXPECT_EQ(Variant(Long(-1234567)).toText(), QStringLiteral("-1234567"));
    EXPECT_EQ(Variant(0.65).toText(), QStringLiteral("0,65"));
    EXPECT_EQ(Variant(u"abc").toText(), QStringLiteral("abc"));
    EXPECT_EQ(errorNumberOf([] { Variant::null().toText(); }), err::InvalidUseOfNull);
    // Equal as text although the kinds differ.
    EXPECT_EQ(Variant(Long(1)).toText(), Variant(1.0).toText());
    EXPECT_EQ(Variant(0.1 + 0.2).toText(), Variant(0.3).toText());
    EXPECT_NE(Variant(Long(5)).toText(), Variant(u"05").toText());
}

TEST(VariantTest, NumbersAndBooleans) {
    EXPECT_EQ(Variant().toDouble(), 0.0);
    EXPECT_EQ(Variant(true).toDouble(), -1.0);
    EXPECT_EQ(Variant(u"1,5").toDouble(), 1.5);
    EXPECT_EQ(Variant(u"1.000").toDouble(), 1000.0);
    EXPECT_EQ(Variant(u"2,5").toLong(), 2);
    EXPECT_EQ(Variant(3.5).toLong(), 4);
    EXPECT_EQ(Variant(true).toLong(), -1);
    EXPECT_EQ(errorNumberOf([] { Variant(u"abc").toLong(); }), err::TypeMismatch);
    EXPECT_EQ(errorNumberOf([] { Variant(u"").toDouble(); }), err::TypeMismatch);
    EXPECT_EQ(errorNumberOf([] { Variant::null().toDouble(); }), err::InvalidUseOfNull);
    EXPECT_EQ(errorNumberOf([] { Variant(3e9).toLong(); }), err::Overflow);
    EXPECT_FALSE(Variant().toBool());
    EXPECT_TRUE(Variant(u"True").toBool());
    EXPECT_FALSE(Variant(u"false").toBool());
    EXPECT_TRUE(Variant(Long(2)).toBool());
    EXPECT_TRUE(Variant().isNumeric());
    EXPECT_TRUE(Variant(false).isNumeric());
    EXPECT_FALSE(Variant::null().isNumeric());
    EXPECT_FALSE(Variant(u"").isNumeric());
    EXPECT_TRUE(Variant(u"1,5").isNumeric());
}

TEST(PropertyBagTest, RoundTripKeepsKindsAndIgnoresLetterCase) {
    PropertyBag bag;
    bag.writeProperty(QStringLiteral("Leer"), Variant());
    bag.writeProperty(QStringLiteral("Null"), Variant::null());
    bag.writeProperty(QStringLiteral("Wahr"), Variant(true));
    bag.writeProperty(QStringLiteral("Lang"), Variant(Long(42)));
    bag.writeProperty(QStringLiteral("Zahl"), Variant(0.65));
    bag.writeProperty(QStringLiteral("Text"), Variant(u"Schütthöhe ²"));
    PropertyBag copy;
    copy.setContents(bag.contents());
    EXPECT_EQ(copy.readProperty(QStringLiteral("leer")).type(), Variant::Type::Empty);
    EXPECT_TRUE(copy.readProperty(QStringLiteral("Null")).isNull());
    EXPECT_EQ(copy.readProperty(QStringLiteral("Wahr")), Variant(true));
    EXPECT_EQ(copy.readProperty(QStringLiteral("LANG")), Variant(Long(42)));
    EXPECT_EQ(copy.readProperty(QStringLiteral("Zahl")), Variant(0.65));
    EXPECT_EQ(copy.readProperty(QStringLiteral("Text")), Variant(u"Schütthöhe ²"));
    EXPECT_EQ(copy.readProperty(QStringLiteral("fehlt"), Variant(Long(7))), Variant(Long(7)));
    EXPECT_FALSE(copy.contains(QStringLiteral("fehlt")));

    const QByteArray before = copy.contents();
    EXPECT_EQ(errorNumberOf([&] { copy.setContents(QByteArray("kaputt")); }),
              err::InvalidPropertyValue);
    EXPECT_EQ(errorNumberOf([&] { copy.setContents(before.left(before.size() - 3)); }),
              err::InvalidPropertyValue);
    EXPECT_EQ(copy.contents(), before);
}
