#include "TestSupport.h"

#include "Beispiel.h"

#include "Kalibrierung.h"

#include "Conversion.h"

using rt::Long;
using rt::Variant;

namespace {

class StatistikTest : public ::testing::Test {
protected:
    void SetUp() override { fillWorkedExample(k); }
    Kalibrierung k;
};

#define EXPECT_FUZZY(actual, expected) EXPECT_PRED2(fuzzyEqual_, actual, expected)
bool fuzzyEqual_(double a, double b) {
    return fuzzyEqual(a, b);
}

} // namespace

TEST_F(StatistikTest, WorkedExampleWithoutRounding) {
    EXPECT_FALSE(k.ZwischenergebnisseRunden());
    EXPECT_FUZZY(k.StatistikMittelwert(mDirekt), 99);
    EXPECT_FUZZY(k.StatistikMittelwert(mIndirekt), 42);
    EXPECT_FUZZY(k.StatistikMittelwert(mZ), 4);
    EXPECT_FUZZY(k.StatistikVarianz(mDirekt), 7.5);
    EXPECT_FUZZY(k.StatistikVarianz(mIndirekt), 78);
    EXPECT_FUZZY(k.StatistikVarianz(mZ), 3);
    EXPECT_FUZZY(k.StatistikStandardabweichung(mDirekt), 2.7386127875258306);
    EXPECT_FUZZY(k.StatistikKovarianz(mDirekt, mIndirekt), 24);
    EXPECT_FUZZY(k.StatistikKovarianz(mIndirekt, mDirekt), 24);
    EXPECT_FUZZY(k.StatistikKovarianz(mDirekt, mZ), 4.5);
    EXPECT_FUZZY(k.StatistikKovarianz(mZ, mDirekt), 4.5);
    EXPECT_FUZZY(k.StatistikKovarianz(mIndirekt, mZ), 15);
    EXPECT_FUZZY(k.StatistikBestimmtheitsmaß(mDirekt, mIndirekt), 24.0 * 24.0 / (7.5 * 78.0));
    EXPECT_FUZZY(k.StatistikBestimmtheitsmaß(mDirekt, mIndirekt), 0.98461538461538);
    EXPECT_FUZZY(k.StatistikBestimmtheitsmaß(mDirekt, mZ), 0.9);
    EXPECT_FUZZY(k.StatistikBestimmtheitsmaß(mIndirekt, mZ), 0.96153846153846);
    EXPECT_FUZZY(k.StatistikKalibriergeradeAnstieg(mDirekt, mIndirekt), 0.3);
    EXPECT_FUZZY(k.StatistikKalibriergeradeAchsenabschnitt(mDirekt, mIndirekt), 86.4);
    EXPECT_FUZZY(k.StatistikKalibriergeradeAnstieg(mIndirekt, mDirekt), 10.0 / 3.0);
    EXPECT_FUZZY(k.StatistikKalibriergeradeAchsenabschnitt(mIndirekt, mDirekt), -288);
    EXPECT_FUZZY(k.StatistikKalibriergeradeAnstieg(mDirekt, mZ), 1.5);
    EXPECT_FUZZY(k.StatistikKalibriergeradeAchsenabschnitt(mDirekt, mZ), 93);
    EXPECT_FUZZY(k.StatistikKalibriergeradeAnstieg(mZ, mDirekt), 3.0 / 4.5);
    EXPECT_FUZZY(k.StatistikKalibriergeradeAchsenabschnitt(mZ, mDirekt), -62);
    EXPECT_FUZZY(k.StatistikKalibriergeradeAnstieg(mIndirekt, mZ), 5);
    EXPECT_FUZZY(k.StatistikKalibriergeradeAchsenabschnitt(mIndirekt, mZ), 22);
    EXPECT_TRUE(k.StatistikBestimmtheitsmaßIndirektDirektOk());

    // The text forms with the default decimals.
    EXPECT_EQ(k.StatistikMittelwertString(mDirekt), QStringLiteral("99,0"));
    EXPECT_EQ(k.StatistikVarianzString(mIndirekt), QStringLiteral("78,00"));
    EXPECT_EQ(k.StatistikStandardabweichungString(mDirekt), QStringLiteral("2,74"));
    EXPECT_EQ(k.StatistikKovarianzString(mIndirekt, mZ), QStringLiteral("15,00"));
    EXPECT_EQ(k.StatistikBestimmtheitsmaßString(mIndirekt, mDirekt), QStringLiteral("0,98"));
    EXPECT_EQ(k.StatistikKalibriergeradeAnstiegString(mIndirekt, mDirekt),
              QStringLiteral("3,3333"));
    EXPECT_EQ(k.StatistikKalibriergeradeAnstiegString(mZ, mDirekt), QStringLiteral("0,6667"));
    EXPECT_EQ(k.StatistikKalibriergeradeAchsenabschnittString(mIndirekt, mDirekt),
              QStringLiteral("-288,00"));
    EXPECT_EQ(k.StatistikMittelwertString(mZ), QStringLiteral("4,0"));
}

TEST_F(StatistikTest, WorkedExampleWithIntermediateRounding) {
    k.setZwischenergebnisseRunden(true);
    EXPECT_EQ(k.StatistikBestimmtheitsmaß(mDirekt, mIndirekt), 0.98);
    EXPECT_FUZZY(k.StatistikKalibriergeradeAnstieg(mIndirekt, mDirekt), 3.3333);
    // 42 - 99 * 3.3333 = -287.9967, rounded to two decimals: -288.
    EXPECT_EQ(k.StatistikKalibriergeradeAchsenabschnitt(mIndirekt, mDirekt), -288);
    EXPECT_FUZZY(k.StatistikKalibriergeradeAnstieg(mZ, mDirekt), 0.6667);
    EXPECT_EQ(k.StatistikBestimmtheitsmaß(mIndirekt, mZ), 0.96);
    EXPECT_EQ(k.StatistikMittelwert(mIndirekt), 42);

    // The intercept uses the rounded slope: with 4 decimals the result shows it.
    k.setNachkommastellenAchsenabschnitt(4);
    EXPECT_TRUE(
        fuzzyEqual(k.StatistikKalibriergeradeAchsenabschnitt(mIndirekt, mDirekt), -287.9967));
    k.setZwischenergebnisseRunden(false);
    EXPECT_TRUE(fuzzyEqual(k.StatistikKalibriergeradeAchsenabschnitt(mIndirekt, mDirekt), -288));
}

TEST_F(StatistikTest, RoundIntermediateGoesHalfToEven) {
    EXPECT_EQ(k.RoundIntermediate(0.125, 2), 0.125); // rounding off: unchanged
    k.setZwischenergebnisseRunden(true);
    EXPECT_EQ(k.RoundIntermediate(0.125, 2), 0.12);
    EXPECT_EQ(k.RoundIntermediate(0.375, 2), 0.38);
    EXPECT_EQ(k.RoundIntermediate(2.5, 0), 2);
    EXPECT_EQ(k.RoundIntermediate(3.5, 0), 4);
    EXPECT_EQ(k.RoundIntermediate(-2.5, 0), -2);
    EXPECT_EQ(k.RoundIntermediate(1250, -2), 1200);
    EXPECT_EQ(errorNumberOf([&] { k.RoundIntermediate(3e7, 2); }), rt::err::Overflow);

    // A mean exactly half-way between two hundredths goes to the even one.
    Kalibrierung h;
    h.setZwischenergebnisseRunden(true);
    h.setNachkommastellenMittelwerte(2);
    for (int f = 1; f <= 3; ++f)
        for (int p = 1; p <= 4; ++p)
            h.setMesswert(pmDirekt, f, p, f == 1 && p == 1 ? 1.5 : 0.0);
    EXPECT_EQ(h.StatistikMittelwert(mDirekt), 0.12); // 1.5 / 12 = 0.125
    h.setMesswert(pmDirekt, 1, 1, 4.5);              // 4.5 / 12 = 0.375
    EXPECT_EQ(h.StatistikMittelwert(mDirekt), 0.38);
}

TEST_F(StatistikTest, ErrorCasesAndTheirTexts) {
    EXPECT_EQ(errorNumberOf([&] { k.StatistikKovarianz(mDirekt, mDirekt); }),
              rt::err::InvalidProcedureCall);
    EXPECT_EQ(errorNumberOf([&] { k.StatistikKovarianz(mZ, mZ); }), rt::err::InvalidProcedureCall);
    EXPECT_EQ(errorNumberOf([&] { k.StatistikKovarianz(mDirekt, MerkmalEnum(3)); }),
              rt::err::InvalidProcedureCall);
    EXPECT_EQ(errorNumberOf([&] { k.StatistikKovarianzString(mDirekt, mDirekt); }),
              rt::err::InvalidProcedureCall);
    EXPECT_EQ(k.StatistikBestimmtheitsmaßString(mDirekt, mDirekt), QStringLiteral("(Fehler)"));
    EXPECT_EQ(k.StatistikKalibriergeradeAnstieg(mZ, mZ), 0);
    EXPECT_EQ(k.StatistikKalibriergeradeAchsenabschnitt(mZ, mZ), 4);
    EXPECT_EQ(k.StatistikKalibriergeradeAnstieg(mDirekt, mDirekt), 0);

    // A missing value: 94 for the propagating forms, "(Fehler)" for the others.
    k.DataStore()->remove(Kalibrierung::MesswertKey(pmIndirekt, 2, 2));
    EXPECT_EQ(errorNumberOf([&] { k.StatistikMittelwertString(mIndirekt); }),
              rt::err::InvalidUseOfNull);
    EXPECT_EQ(errorNumberOf([&] { k.StatistikVarianzString(mIndirekt); }),
              rt::err::InvalidUseOfNull);
    EXPECT_EQ(errorNumberOf([&] { k.StatistikStandardabweichungString(mIndirekt); }),
              rt::err::InvalidUseOfNull);
    EXPECT_EQ(errorNumberOf([&] { k.StatistikKovarianzString(mIndirekt, mZ); }),
              rt::err::InvalidUseOfNull);
    EXPECT_EQ(k.StatistikBestimmtheitsmaßString(mIndirekt, mDirekt), QStringLiteral("(Fehler)"));
    EXPECT_EQ(k.StatistikKalibriergeradeAnstiegString(mDirekt, mIndirekt),
              QStringLiteral("(Fehler)"));
    EXPECT_EQ(k.StatistikKalibriergeradeAchsenabschnittString(mDirekt, mIndirekt),
              QStringLiteral("(Fehler)"));
    EXPECT_FALSE(k.StatistikBestimmtheitsmaßIndirektDirektOk());
    // The direct characteristic is still complete.
    EXPECT_EQ(k.StatistikMittelwertString(mDirekt), QStringLiteral("99,0"));
    EXPECT_EQ(k.StatistikKalibriergeradeAnstiegString(mDirekt, mZ), QStringLiteral("1,5000"));

    // A text that does not convert: 13.
    k.DataStore()->setValue(Kalibrierung::MesswertKey(pmIndirekt, 2, 2), Variant(u"4x"));
    EXPECT_EQ(errorNumberOf([&] { k.StatistikMittelwert(mIndirekt); }), rt::err::TypeMismatch);
}

TEST_F(StatistikTest, ZeroDenominatorsFail) {
    // All fields with the same covariable value: zero variance of Z.
    for (int f = 1; f <= 3; ++f)
        k.setPrüffeldWert(f, 5);
    EXPECT_EQ(k.StatistikVarianz(mZ), 0);
    EXPECT_EQ(k.StatistikKovarianz(mDirekt, mZ), 0);
    EXPECT_NE(errorNumberOf([&] { k.StatistikKalibriergeradeAnstieg(mDirekt, mZ); }), 0);
    EXPECT_NE(errorNumberOf([&] { k.StatistikKalibriergeradeAnstieg(mDirekt, mIndirekt); }), 0);
    EXPECT_NE(errorNumberOf([&] { k.StatistikBestimmtheitsmaß(mDirekt, mZ); }), 0);
    EXPECT_EQ(k.StatistikKalibriergeradeAnstiegString(mDirekt, mZ), QStringLiteral("(Fehler)"));
    EXPECT_EQ(k.StatistikKalibriergeradeAchsenabschnittString(mDirekt, mZ),
              QStringLiteral("(Fehler)"));
    EXPECT_EQ(k.StatistikBestimmtheitsmaßString(mDirekt, mZ), QStringLiteral("(Fehler)"));
    // R² between direct and indirect does not involve Z.
    EXPECT_TRUE(k.StatistikBestimmtheitsmaßIndirektDirektOk());

    // All measured values 0: every mean is 0 without division.
    Kalibrierung z;
    for (int f = 1; f <= 3; ++f)
        for (int p = 1; p <= 4; ++p) {
            z.setMesswert(pmDirekt, f, p, 0.0);
            z.setMesswert(pmIndirekt, f, p, 0.0);
        }
    EXPECT_EQ(z.StatistikMittelwert(mDirekt), 0);
    EXPECT_EQ(z.StatistikVarianz(mIndirekt), 0);
    EXPECT_EQ(errorNumberOf([&] { z.StatistikBestimmtheitsmaß(mIndirekt, mDirekt); }),
              rt::err::Overflow); // 0 / 0
    z.DataStore()->setValue(QStringLiteral("Anzahl Prüffelder"), Variant(Long(0)));
    EXPECT_EQ(z.StatistikMittelwert(mDirekt), 0); // N = 0, sum 0: no division

    // N = 1: the sum of squares is 0 unless the mean was rounded; then it
    // divides by zero.
    Kalibrierung one;
    one.DataStore()->setValue(QStringLiteral("Anzahl Prüffelder"), Variant(Long(1)));
    one.DataStore()->setValue(QStringLiteral("Prüffeld Prüfpunktanzahl 1"), Variant(Long(1)));
    one.setMesswert(pmDirekt, 1, 1, 5.06);
    EXPECT_EQ(one.StatistikVarianz(mDirekt), 0);
    one.setZwischenergebnisseRunden(true);
    EXPECT_FUZZY(one.StatistikMittelwert(mDirekt), 5.1);
    EXPECT_EQ(errorNumberOf([&] { one.StatistikVarianz(mDirekt); }), rt::err::DivisionByZero);
}

TEST_F(StatistikTest, VerdictComparesWithTheMinimumInclusively) {
    const double r = k.StatistikBestimmtheitsmaß(mIndirekt, mDirekt);
    k.setMinBestimmtheitsmaßIndirektDirekt(r);
    EXPECT_TRUE(k.StatistikBestimmtheitsmaßIndirektDirektOk());
    k.setMinBestimmtheitsmaßIndirektDirekt(0.99);
    EXPECT_FALSE(k.StatistikBestimmtheitsmaßIndirektDirektOk());
    // The minimum as loaded from a German file.
    k.DataStore()->setValue(
        QStringLiteral("minimales Bestimmtheitsmaß Indirektes Prüfmerkmal, Direktes Prüfmerkmal"),
        Variant(u"0,65"));
    EXPECT_EQ(k.MinBestimmtheitsmaßIndirektDirekt(), 0.65);
    EXPECT_TRUE(k.StatistikBestimmtheitsmaßIndirektDirektOk());
    k.DataStore()->setValue(
        QStringLiteral("minimales Bestimmtheitsmaß Indirektes Prüfmerkmal, Direktes Prüfmerkmal"),
        Variant(u"hoch"));
    EXPECT_FALSE(k.StatistikBestimmtheitsmaßIndirektDirektOk());
}

TEST_F(StatistikTest, OptionsReadTextsValStyle) {
    EXPECT_EQ(k.NachkommastellenAnstieg(), 4);
    k.DataStore()->setValue(QStringLiteral("Nachkommastellen Anstieg"), Variant(u"3"));
    EXPECT_EQ(k.NachkommastellenAnstieg(), 3);
    k.DataStore()->setValue(QStringLiteral("Nachkommastellen Anstieg"), Variant(u"2.5 Stellen"));
    EXPECT_EQ(k.NachkommastellenAnstieg(), 2);
    k.DataStore()->setValue(QStringLiteral("Nachkommastellen Anstieg"), Variant(u"3,5"));
    EXPECT_EQ(k.NachkommastellenAnstieg(), 3);
    k.DataStore()->remove(QStringLiteral("Nachkommastellen Anstieg"));
    EXPECT_EQ(k.NachkommastellenAnstieg(), 0);
    EXPECT_TRUE(k.DataStore()->exists(QStringLiteral("Nachkommastellen Anstieg")));
    k.DataStore()->setValue(QStringLiteral("Zwischenergebnisse runden"), Variant(u"True"));
    EXPECT_TRUE(k.ZwischenergebnisseRunden());
    k.DataStore()->setValue(QStringLiteral("Zwischenergebnisse runden"), Variant());
    EXPECT_FALSE(k.ZwischenergebnisseRunden());
}

TEST_F(StatistikTest, ValuesStoredAsTextAndEveryChangeIsSeen) {
    // After loading, all values are German text.
    const double before = k.StatistikKalibriergeradeAnstieg(mIndirekt, mDirekt);
    QStringList keys = k.DataStore()->keys();
    for (const QString& key : keys) {
        const Variant v = *k.DataStore()->find(key);
        k.DataStore()->setValue(key, v.toText());
    }
    EXPECT_EQ(k.StatistikKalibriergeradeAnstieg(mIndirekt, mDirekt), before);

    // A direct write through the store is seen at once.
    k.DataStore()->setValue(Kalibrierung::MesswertKey(pmDirekt, 1, 1), Variant(u"104"));
    EXPECT_TRUE(fuzzyEqual(k.StatistikMittelwert(mDirekt), 100));
    k.setPrüffeldWert(1, 0);
    EXPECT_TRUE(fuzzyEqual(k.StatistikMittelwert(mZ), 10.0 / 3.0));
    // Adding a field without values makes the means fail.
    k.setPrüffelderAnzahl(4);
    EXPECT_EQ(errorNumberOf([&] { k.StatistikMittelwert(mDirekt); }), rt::err::InvalidUseOfNull);
    EXPECT_TRUE(fuzzyEqual(k.StatistikMittelwert(mZ), 46.0 / 13.0)); // field 4: value 4, 4 points
    // The locale decides how the texts read.
    k.setPrüffelderAnzahl(3);
    {
        LocaleScope english(rt::localeNamed(QStringLiteral("en_US")));
        k.DataStore()->setValue(Kalibrierung::MesswertKey(pmDirekt, 1, 2), Variant(u"96.5"));
        EXPECT_TRUE(fuzzyEqual(k.StatistikMittelwert(mDirekt), (99.0 * 9 + 9 + 0.5) / 9));
    }
    EXPECT_TRUE(fuzzyEqual(k.StatistikMittelwert(mDirekt), (99.0 * 9 + 9 + 869) / 9));
}

// The texts a user reads, under the system locales a desktop may have: only
// the user locale decides the separators, never the C library's.
TEST(StatistikLocaleTest, TextsUnderEverySystemLocale) {
    struct Expected {
        const char* name;
        const char16_t* mean;
        const char16_t* r2;
        const char16_t* slope;
        const char16_t* intercept;
        const char16_t* measured;
    };
    const Expected cases[] = {
        {"de_DE.UTF-8", u"99,0", u"0,98", u"0,3000", u"-288,00", u"1.234,57"},
        {"en_US.UTF-8", u"99.0", u"0.98", u"0.3000", u"-288.00", u"1,234.57"},
        {"C", u"99,0", u"0,98", u"0,3000", u"-288,00", u"1.234,57"},
    };
    for (const Expected& e : cases) {
        SCOPED_TRACE(e.name);
        SystemLocaleScope scope(e.name);
        ASSERT_TRUE(scope.ok());
        Kalibrierung k;
        fillWorkedExample(k);
        EXPECT_EQ(k.StatistikMittelwertString(mDirekt), QString::fromUtf16(e.mean));
        EXPECT_EQ(k.StatistikBestimmtheitsmaßString(mDirekt, mIndirekt), QString::fromUtf16(e.r2));
        EXPECT_EQ(k.StatistikKalibriergeradeAnstiegString(mDirekt, mIndirekt),
                  QString::fromUtf16(e.slope));
        EXPECT_EQ(k.StatistikKalibriergeradeAchsenabschnittString(mIndirekt, mDirekt),
                  QString::fromUtf16(e.intercept));
        k.setMesswert(pmDirekt, 1, 1, 1234.567);
        EXPECT_EQ(k.MesswertString(pmDirekt, 1, 1), QString::fromUtf16(e.measured));
        // A value stored as text in this locale reads back.
        k.DataStore()->setValue(Kalibrierung::MesswertKey(pmDirekt, 1, 1),
                                rt::Variant(rt::doubleToText(95.25)));
        EXPECT_EQ(k.Messwert(pmDirekt, 1, 1).toDouble(), 95.25);
    }
}

// Counts from a damaged file: every walk over fields and points ends at once,
// with error 6 where the total overflows and error 7 beyond what a
// calibration can hold.
TEST(StatistikGrenzenTest, AbsurdCountsNeverCrashOrHang) {
    const QString felderKey = QStringLiteral("Anzahl Prüffelder");
    const QString punkteKey = QStringLiteral("Prüffeld Prüfpunktanzahl ");
    auto expectUnwalkable = [](const Kalibrierung& k, int number) {
        EXPECT_EQ(errorNumberOf([&] { k.PrüfpunkteTotal(); }), number);
        for (MerkmalEnum m : {mDirekt, mIndirekt, mZ}) {
            EXPECT_EQ(errorNumberOf([&] { k.StatistikMittelwert(m); }), number);
            EXPECT_EQ(errorNumberOf([&] { k.StatistikVarianz(m); }), number);
        }
        EXPECT_EQ(k.StatistikBestimmtheitsmaßString(mIndirekt, mDirekt),
                  QStringLiteral("(Fehler)"));
        EXPECT_EQ(k.StatistikKalibriergeradeAnstiegString(mDirekt, mZ), QStringLiteral("(Fehler)"));
        EXPECT_FALSE(k.StatistikBestimmtheitsmaßIndirektDirektOk());
    };
    {
        Kalibrierung k;
        k.DataStore()->setValue(felderKey, rt::Variant(QStringLiteral("2000000000")));
        expectUnwalkable(k, rt::err::OutOfMemory);
    }
    {
        Kalibrierung k;
        k.DataStore()->setValue(punkteKey + u'1', rt::Variant(QStringLiteral("2000000000")));
        expectUnwalkable(k, rt::err::OutOfMemory);
    }
    {
        // Two fields that together overflow the 32-bit total.
        Kalibrierung k;
        k.DataStore()->setValue(punkteKey + u'1', rt::Variant(QStringLiteral("2000000000")));
        k.DataStore()->setValue(punkteKey + u'2', rt::Variant(QStringLiteral("2000000000")));
        expectUnwalkable(k, rt::err::Overflow);
    }
    {
        // Negative counts cannot hide a field too large to walk.
        Kalibrierung k;
        k.DataStore()->setValue(punkteKey + u'1', rt::Variant(QStringLiteral("1500000")));
        k.DataStore()->setValue(punkteKey + u'2', rt::Variant(QStringLiteral("-1500000")));
        expectUnwalkable(k, rt::err::OutOfMemory);
    }
    {
        // Exactly as many points as a calibration holds: walked and evaluated.
        Kalibrierung k;
        k.setPrüffelderAnzahl(4);
        for (int f = 1; f <= 4; ++f)
            k.setPrüffeldPrüfpunkte(f, Kalibrierung::MaxPrüfpunkte / 4);
        EXPECT_EQ(k.PrüfpunkteTotal(), Kalibrierung::MaxPrüfpunkte);
        EXPECT_DOUBLE_EQ(k.StatistikMittelwert(mZ), 2.5);
        EXPECT_EQ(errorNumberOf([&] { k.StatistikMittelwert(mDirekt); }),
                  rt::err::InvalidUseOfNull);
        k.setPrüffeldPrüfpunkte(4, Kalibrierung::MaxPrüfpunkte / 4 + 1);
        EXPECT_EQ(errorNumberOf([&] { k.StatistikMittelwert(mZ); }), rt::err::OutOfMemory);
        // A change of the store is seen at once.
        k.setPrüffeldPrüfpunkte(4, 3);
        EXPECT_EQ(k.PrüfpunkteTotal(), 3 * (Kalibrierung::MaxPrüfpunkte / 4) + 3);
    }
}
