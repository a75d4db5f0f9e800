#include "TestSupport.h"

#include "Beispiel.h"

#include "Ergebnisliste.h"
#include "Kalibrierung.h"

#include "Conversion.h"

#include <boost/multiprecision/cpp_int.hpp>

#include <charconv>
#include <random>
#include <string>
#include <tuple>

TEST(ErgebnislisteTest, ThirtyTwoRowsInOrderWithTheirTexts) {
    Kalibrierung k;
    fillWorkedExample(k);
    k.DirektesPrüfmerkmal().setName(QStringLiteral("Verdichtungsgrad"));
    k.DirektesPrüfmerkmal().setFormelzeichen(QStringLiteral("DPr"));
    k.IndirektesPrüfmerkmal().setName(QStringLiteral("Dynamischer Verformungsmodul"));
    k.IndirektesPrüfmerkmal().setFormelzeichen(QStringLiteral("EVD"));
    const QList<StatistikZeile> rows = StatistikListe(k);
    ASSERT_EQ(rows.size(), 32);
    EXPECT_EQ(rows[0].Text, QStringLiteral("Mittelwerte"));
    EXPECT_EQ(rows[0].Wert, QStringLiteral(" "));
    EXPECT_EQ(rows[0].Wertung, QStringLiteral(" "));
    EXPECT_EQ(rows[1].Text,
              QStringLiteral("   Mittelwert direktes Prüfmerkmal: Verdichtungsgrad DPr"));
    EXPECT_EQ(rows[1].Wert, QStringLiteral("99,0"));
    EXPECT_EQ(rows[1].Wertung, QStringLiteral("-"));
    EXPECT_EQ(rows[3].Text, QStringLiteral("   Mittelwert Anzahl der Übergänge Z"));
    for (int separator : {4, 9, 14, 19, 24}) {
        EXPECT_EQ(rows[separator].Text, QStringLiteral(" "));
        EXPECT_EQ(rows[separator].Wert, QStringLiteral(" "));
        EXPECT_EQ(rows[separator].Wertung, QStringLiteral(" "));
    }
    EXPECT_EQ(rows[16].Text, QStringLiteral("   Kovarianz direktes und indirektes Prüfmerkmal"));
    EXPECT_EQ(rows[16].Wert, QStringLiteral("24,00"));
    EXPECT_EQ(rows[21].Wert, QStringLiteral("0,98"));
    EXPECT_EQ(rows[21].Wertung, QStringLiteral("gut"));
    EXPECT_EQ(rows[26].Text, QStringLiteral("   direktes und indirektes Prüfmerkmal: Anstieg"));
    EXPECT_EQ(rows[26].Wert, QStringLiteral("0,3000"));
    EXPECT_EQ(rows[27].Wert, QStringLiteral("86,40"));
    EXPECT_EQ(
        rows[31].Text,
        QStringLiteral("   indirektes Prüfmerkmal und Anzahl der Übergänge Z: Achsenabschnitt"));
    EXPECT_EQ(rows[31].Wert, QStringLiteral("22,00"));
    // Rows naming the covariable end with its designation; the pair rows carry none.
    for (int i : {17, 18, 22, 23, 28, 29})
        EXPECT_TRUE(rows[i].Text.contains(QStringLiteral("Anzahl der Übergänge Z"))) << i;
    for (int i : {16, 21, 26, 27})
        EXPECT_FALSE(rows[i].Text.contains(QStringLiteral("DPr"))) << i;

    EXPECT_EQ(
        PlausibilitätText(k),
        QStringLiteral("Das Bestimmtheitsmaß zwischen dem direkten und indirekten Prüfmerkmal "
                       "liegt über dem minimal erforderlichen Wert von 0,65.\nSomit kann die "
                       "ermittelte Kalibriergerade für die Umrechnung zwischen den "
                       "Prüfmerkmalen genutzt werden."));
}

TEST(ErgebnislisteTest, FailingValuesLeaveCellsAndTheVerdictTurns) {
    Kalibrierung k; // no measured values at all
    const QList<StatistikZeile> rows = StatistikListe(k);
    ASSERT_EQ(rows.size(), 32);
    EXPECT_EQ(rows[1].Wert, QString());             // error propagated: cell empty
    EXPECT_EQ(rows[3].Wert, QStringLiteral("2,0")); // the covariable has values
    EXPECT_EQ(rows[21].Wert, QStringLiteral("(Fehler)"));
    EXPECT_EQ(rows[21].Wertung, QStringLiteral("kritisch"));
    EXPECT_EQ(rows[26].Wert, QStringLiteral("(Fehler)"));
    EXPECT_TRUE(PlausibilitätText(k).startsWith(QStringLiteral(
        "Das Bestimmtheitsmaß zwischen dem direkten und indirekten Prüfmerkmal "
        "liegt nicht über dem minimal erforderlichen Wert von 0,65.\nDie ermittelte")));

    // With a minimum of 0,75 and a coefficient of 0,80 the rating is "gut".
    fillWorkedExample(k);
    k.setMinBestimmtheitsmaßIndirektDirekt(0.75);
    k.setMesswert(pmIndirekt, 1, 1, 20.0);
    k.setMesswert(pmIndirekt, 3, 3, 64.0);
    k.setMesswert(pmIndirekt, 2, 2, 25.0);
    const double r = k.StatistikBestimmtheitsmaß(mIndirekt, mDirekt);
    EXPECT_GE(r, 0.75);
    EXPECT_EQ(StatistikListe(k)[21].Wertung, QStringLiteral("gut"));
    EXPECT_TRUE(PlausibilitätText(k).contains(QStringLiteral("Wert von 0,75.\nSomit kann die")));
}

// ---- requirement values ---------------------------------------------------

namespace {

using boost::multiprecision::cpp_int;
using boost::multiprecision::cpp_rational;

// The exact value of a double.
cpp_rational exakt(double x) {
    int e = 0;
    const double f = std::frexp(x, &e);
    const cpp_rational m(cpp_int(static_cast<long long>(std::ldexp(f, 53))));
    e -= 53;
    const cpp_rational zwei(cpp_int(1) << std::abs(e));
    return e >= 0 ? cpp_rational(m * zwei) : cpp_rational(m / zwei);
}

// The exact value of a decimal text with "." or "," ("-97,45", "1.5e-05").
cpp_rational dezimal(std::string text) {
    cpp_int ziffern = 0;
    int e = 0;
    bool negativ = false, komma = false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '-')
            negativ = true;
        else if (c == '.' || c == ',')
            komma = true;
        else if (c == 'e' || c == 'E') {
            e += std::stoi(text.substr(i + 1));
            break;
        } else {
            ziffern = ziffern * 10 + (c - '0');
            e -= komma ? 1 : 0;
        }
    }
    cpp_rational v(ziffern);
    const cpp_rational zehn(cpp_int(boost::multiprecision::pow(cpp_int(10), std::abs(e))));
    if (e >= 0)
        v *= zehn;
    else
        v /= zehn;
    return negativ ? cpp_rational(-v) : v;
}

cpp_rational zehnHoch(int d) {
    return cpp_rational(boost::multiprecision::pow(cpp_int(10), d));
}

// The decimal a double's text shows: its 15 significant digits.
cpp_rational alsText(double x) {
    char text[64];
    const auto end = std::to_chars(text, text + sizeof text, x, std::chars_format::general, 15).ptr;
    return dezimal(std::string(text, end));
}

// Whether a value is a decimal of d places.
bool istDezimal(const cpp_rational& v, int d) {
    return denominator(cpp_rational(v * zehnHoch(d))) == 1;
}

// Checks SicherGerundet(a, b, r, d, up) against the exact a + b·R, each
// number being the decimal its text shows; returns whether the exact value
// is a decimal of d places.
bool prüfeSicherGerundet(double a, double b, const std::string& anforderung, int d, bool up) {
    double r = 0;
    std::from_chars(anforderung.data(), anforderung.data() + anforderung.size(), r);
    // The requirement is shown with these digits, and counts with them.
    EXPECT_EQ(rt::doubleToText(r).replace(u',', u'.').toLower().toStdString(), anforderung);
    const cpp_rational v = alsText(a) + alsText(b) * dezimal(anforderung);
    const double wert = SicherGerundet(a, b, r, d, up);
    const QString text = FormatNumberText(wert, d);
    const std::string wo = "a=" + std::to_string(a) + " b=" + std::to_string(b) +
                           " r=" + anforderung + " d=" + std::to_string(d) + (up ? " auf" : " ab");
    // The text shows exactly a decimal of d places...
    const cpp_rational w = dezimal(QString(text).remove(u'.').toStdString());
    EXPECT_TRUE(istDezimal(w, d)) << wo << " " << text.toStdString();
    // ...on the safe side of the exact value, and the nearest such decimal.
    // The step of the last place shown: 10^-d, or the 15th significant digit
    // where the text holds no more.
    cpp_rational schritt = 1 / zehnHoch(d);
    const cpp_int ganz = numerator(cpp_rational(abs(w) * zehnHoch(d)));
    for (cpp_int grenze = boost::multiprecision::pow(cpp_int(10), 15); ganz >= grenze; grenze *= 10)
        schritt *= 10;
    if (up) {
        EXPECT_GE(w, v) << wo << " " << text.toStdString();
        EXPECT_LT(w - schritt, v) << wo << " " << text.toStdString();
    } else {
        EXPECT_LE(w, v) << wo << " " << text.toStdString();
        EXPECT_GT(w + schritt, v) << wo << " " << text.toStdString();
    }
    // The number is the double nearest to that decimal.
    const std::string c = QString(text).remove(u'.').replace(u',', u'.').toStdString();
    double nächste = 0;
    std::from_chars(c.data(), c.data() + c.size(), nächste);
    EXPECT_EQ(wert, nächste) << wo;
    return istDezimal(v, d);
}

} // namespace

// The requirement's text with more digits than the direct decimals, the
// calibration line as its numbers show, 0 to 4 indirect decimals: the result
// is the decimal next to the exact a + b·R on the safe side; an exact hit
// stays, and a line one unit of its 15th digit above (below) it steps on.
TEST(ErgebnislisteTest, SafeRoundingIsExactAtEveryDecimal) {
    std::mt19937_64 zufall(20240611);
    auto zahl = [&](int von, int bis) {
        return std::uniform_int_distribution<int>(von, bis)(zufall);
    };
    int treffer = 0, schrittweise = 0;
    for (int direkt = 0; direkt <= 4; ++direkt)
        for (int d = 0; d <= 4; ++d)
            for (int i = 0; i < 60; ++i) {
                // A requirement such as 97,45 with direct decimals 0 or 1.
                const int stellen = direkt + zahl(1, 3);
                std::string r = std::to_string(zahl(-5, 110)) + '.';
                for (int s = 1; s < stellen; ++s)
                    r += char('0' + zahl(0, 9));
                r += char('1' + zahl(0, 8));

                // An ordinary line.
                const double a = std::uniform_real_distribution<double>(-400, 400)(zufall);
                const double b = std::uniform_real_distribution<double>(-12, 12)(zufall);
                prüfeSicherGerundet(a, b, r, d, b >= 0);
                prüfeSicherGerundet(a, b, r, d, b < 0);

                // A line that meets a decimal of d places exactly at R: a slope
                // that turns R into such a decimal, an intercept with at most d
                // places.
                const int überzählig = stellen - d;
                double bt = zahl(-300, 300);
                if (überzählig > 0)
                    bt *= std::pow(10.0, überzählig);
                else
                    bt = std::ldexp(bt, -zahl(0, -überzählig));
                const double at = std::ldexp(double(zahl(-4000, 4000)), -zahl(0, d));
                for (bool up : {true, false}) {
                    treffer += prüfeSicherGerundet(at, bt, r, d, up);
                    // One unit of the 15th digit above and below: no longer a hit.
                    const double einheit =
                        at == 0 ? 1e-14
                                : std::pow(10.0, std::floor(std::log10(std::fabs(at))) - 14);
                    for (double neben : {at + einheit, at - einheit})
                        schrittweise += !prüfeSicherGerundet(neben, bt, r, d, up);
                }
            }
    // Every constructed line met its decimal, none of its neighbours did.
    EXPECT_EQ(treffer, 2 * 25 * 60);
    EXPECT_EQ(schrittweise, 4 * 25 * 60);

    // Values far from the usual: tiny and huge requirements, long decimals.
    for (const auto& [a, b, r] : std::initializer_list<std::tuple<double, double, const char*>>{
             {0.1, 0.2, "0.3"},
             {-288, 3.25, "97.45"},
             {1e-300, 1e-300, "1e-20"},
             {1e10, -3.3333333333333335, "1234567890.12345"},
             {-0.0, -1e-5, "0.000123456789012345"},
             {5e-324, 1, "0"},
             {1e12, 1e-3, "1e+15"}})
        for (int d = 0; d <= 4; ++d)
            for (bool up : {true, false})
                prüfeSicherGerundet(a, b, r, d, up);
    // The exact hit that the product of the doubles misses: 3,25 · 97,45 - 288
    // is 28,7125, while 3,25 times the double of 97,45 lies a little above.
    EXPECT_EQ(SicherGerundet(-288, 3.25, 97.45, 4, true), 28.7125);
    EXPECT_EQ(SicherGerundet(-288, 3.25, 97.45, 4, false), 28.7125);
    EXPECT_EQ(SicherGerundet(-288, 3.25, 97.45, 2, true), 28.72);
    EXPECT_EQ(SicherGerundet(-288, 3.25, 97.45, 2, false), 28.71);
    EXPECT_EQ(errorNumberOf([] { SicherGerundet(1e308, 1e308, 10, 0, true); }), 6);
    EXPECT_EQ(errorNumberOf([] { SicherGerundet(std::nan(""), 1, 10, 0, true); }), 6);
}

// With rounded intermediate results the line is the decimals it shows:
// EVD = -284,70 + 3,3 · DPr gives exactly 45,3 at 100, and 45,3 is printed,
// not the step above that the double of 0,3 would ask for.
TEST(ErgebnislisteTest, ARoundedLineCountsAsTheDecimalsItShows) {
    Kalibrierung k;
    fillWorkedExample(k);
    describeWorkedExample(k);
    k.setZwischenergebnisseRunden(true);
    k.setNachkommastellenAnstieg(1);
    k.IndirektesPrüfmerkmal().setNachkommastellen(1);
    EXPECT_EQ(k.StatistikKalibriergeradeAnstiegString(mIndirekt, mDirekt), QStringLiteral("3,3"));
    EXPECT_EQ(k.StatistikKalibriergeradeAchsenabschnittString(mIndirekt, mDirekt),
              QStringLiteral("-284,70"));
    for (const auto& [r, wert] : {std::pair{100.0, "45,3"}, std::pair{99.0, "42,0"},
                                  std::pair{96.0, "32,1"}, std::pair{102.0, "51,9"}}) {
        setAnforderung(k, 1, r);
        const QList<AnforderungWert> werte = AnforderungWerte(k);
        ASSERT_EQ(werte.size(), 1);
        EXPECT_EQ(werte[0].wertText, QString::fromUtf8(wert)) << r;
    }
}

// Requirements with more digits than the direct decimals keep them, and the
// value is the one at exactly that requirement: two requirements that
// differ only in their last digit never print alike.
TEST(ErgebnislisteTest, RequirementLinesShowTheirOwnDigitsAndTheSafeValue) {
    Kalibrierung k;
    fillWorkedExample(k);
    describeWorkedExample(k);
    EXPECT_TRUE(AnforderungWerte(k).isEmpty());
    EXPECT_TRUE(AnforderungTexte(k).isEmpty());
    k.DirektesPrüfmerkmal().setNachkommastellen(0);
    k.IndirektesPrüfmerkmal().setNachkommastellen(1);
    setAnforderung(k, 1, 97.5);
    setAnforderung(k, 2, 97.45);
    setAnforderung(k, 3, 98.4);
    const double a = k.StatistikKalibriergeradeAchsenabschnitt(mIndirekt, mDirekt);
    const double b = k.StatistikKalibriergeradeAnstieg(mIndirekt, mDirekt);
    const QList<AnforderungWert> werte = AnforderungWerte(k);
    ASSERT_EQ(werte.size(), 3);
    const char* texte[] = {"97.5", "97.45", "98.4"};
    QStringList zeilen;
    for (int i = 0; i < 3; ++i) {
        const AnforderungWert& w = werte[i];
        EXPECT_EQ(w.nummer, i + 1);
        EXPECT_EQ(w.anforderung, *Anforderung(k, i + 1));
        EXPECT_EQ(w.anforderungText, QString::fromLatin1(texte[i]).replace(u'.', u','));
        EXPECT_TRUE(w.steigend);
        EXPECT_FALSE(w.außerhalb);
        EXPECT_TRUE(w.hinweis.isEmpty());
        ASSERT_TRUE(w.wert);
        // Up to the next tenth of the exact a + b·R.
        prüfeSicherGerundet(a, b, texte[i], 1, true);
        EXPECT_EQ(*w.wert, SicherGerundet(a, b, w.anforderung, 1, true));
        EXPECT_EQ(w.wertText, FormatNumberText(*w.wert, 1));
        EXPECT_EQ(w.zeile, QStringLiteral("Anforderung DPr ≥ ") + w.anforderungText +
                               QStringLiteral(" % entspricht EVD ≥ ") + w.wertText +
                               QStringLiteral(" MN/m² (zur sicheren Seite gerundet)"));
        zeilen.append(w.zeile);
    }
    // EVD = -288 + 3,333… · DPr: 36,83… at 97,45 goes up to 36,9. At 97,5
    // the line meets 37: the slope counts as the 3,33333333333333 its text
    // shows, though its double lies a little above 10/3.
    EXPECT_EQ(a, -288.0);
    EXPECT_GT(exakt(b), cpp_rational(10, 3));
    EXPECT_EQ(werte[1].wertText, QStringLiteral("36,9"));
    EXPECT_EQ(werte[0].wertText, QStringLiteral("37,0"));
    EXPECT_EQ(AnforderungTexte(k), zeilen);

    // One decimal: 97,55 stays 97,55 and counts as such.
    k.DirektesPrüfmerkmal().setNachkommastellen(1);
    setAnforderung(k, 1, 97.55);
    EXPECT_EQ(AnforderungWerte(k)[0].anforderungText, QStringLiteral("97,55"));
    EXPECT_TRUE(AnforderungTexte(k)[0].startsWith(
        QStringLiteral("Anforderung DPr ≥ 97,55 % entspricht EVD ≥ 37,2 MN/m²")));
}

// A falling line rounds down with "≤"; a requirement outside the measured
// direct values says so with their range; a critical verdict adds its note
// after everything else.
TEST(ErgebnislisteTest, RequirementLinesNameTheRangeTheDirectionAndTheVerdict) {
    Kalibrierung k;
    fillWorkedExample(k);
    describeWorkedExample(k);
    // The indirect values fall as the covariable rises.
    for (int f = 1; f <= 3; ++f)
        for (int p = 1; p <= 3; ++p)
            k.setMesswert(pmIndirekt, f, p, 70.0 - 10.0 * f + p);
    k.DirektesPrüfmerkmal().setNachkommastellen(0);
    k.IndirektesPrüfmerkmal().setNachkommastellen(2);
    setAnforderung(k, 1, 80);
    setAnforderung(k, 2, 103);
    setAnforderung(k, 3, 103.05);
    const double a = k.StatistikKalibriergeradeAchsenabschnitt(mIndirekt, mDirekt);
    const double b = k.StatistikKalibriergeradeAnstieg(mIndirekt, mDirekt);
    ASSERT_LT(b, 0);
    ASSERT_TRUE(k.StatistikBestimmtheitsmaßIndirektDirektOk());
    QList<AnforderungWert> werte = AnforderungWerte(k);
    ASSERT_EQ(werte.size(), 3);
    for (const AnforderungWert& w : werte) {
        EXPECT_FALSE(w.steigend);
        ASSERT_TRUE(w.wert);
        EXPECT_EQ(*w.wert, SicherGerundet(a, b, w.anforderung, 2, false));
        EXPECT_TRUE(w.hinweis.isEmpty());
    }
    prüfeSicherGerundet(a, b, "103.05", 2, false);
    // 95 and 103 are the smallest and the largest measured value: 103 lies inside.
    EXPECT_TRUE(werte[0].außerhalb);
    EXPECT_FALSE(werte[1].außerhalb);
    EXPECT_TRUE(werte[2].außerhalb);
    EXPECT_EQ(werte[0].zeile, QStringLiteral("Anforderung DPr ≥ 80 % entspricht EVD ≤ ") +
                                  werte[0].wertText +
                                  QStringLiteral(" MN/m² (zur sicheren Seite gerundet) – "
                                                 "außerhalb des Messbereichs 95 … 103 %"));
    EXPECT_EQ(werte[1].zeile, QStringLiteral("Anforderung DPr ≥ 103 % entspricht EVD ≤ ") +
                                  werte[1].wertText +
                                  QStringLiteral(" MN/m² (zur sicheren Seite gerundet)"));
    EXPECT_TRUE(
        werte[2].zeile.endsWith(QStringLiteral(" – außerhalb des Messbereichs 95 … 103 %")));

    // Critical: every line keeps its text and gets the note.
    k.setMinBestimmtheitsmaßIndirektDirekt(0.99);
    const QList<AnforderungWert> kritisch = AnforderungWerte(k);
    ASSERT_EQ(kritisch.size(), 3);
    const QString note =
        QStringLiteral(" – darf nicht genutzt werden, das Bestimmtheitsmaß ist kritisch");
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(kritisch[i].zeile, werte[i].zeile);
        EXPECT_EQ(kritisch[i].hinweis, note);
        EXPECT_EQ(AnforderungTexte(k)[i], werte[i].zeile + note);
    }

    // Without a unit ("-"), the range and the requirement have none; the
    // range is shown with the direct decimals.
    k.DirektesPrüfmerkmal().setEinheit(QStringLiteral("-"));
    k.DirektesPrüfmerkmal().setNachkommastellen(1);
    EXPECT_TRUE(AnforderungWerte(k)[0].zeile.startsWith(
        QStringLiteral("Anforderung DPr ≥ 80 entspricht EVD ≤ ")));
    EXPECT_TRUE(AnforderungWerte(k)[0].zeile.endsWith(
        QStringLiteral(" – außerhalb des Messbereichs 95,0 … 103,0")));
    // A measured value with more digits than the characteristic shows keeps
    // them in the range: 95,06 is the end, not 95,1, so 95,08 lies inside.
    const double vorher = k.Messwert(pmDirekt, 1, 1).toDouble();
    const std::optional<double> erste = Anforderung(k, 1), zweite = Anforderung(k, 2);
    k.setMesswert(pmDirekt, 1, 1, 95.06);
    setAnforderung(k, 1, 95.08);
    setAnforderung(k, 2, 95.05);
    EXPECT_FALSE(AnforderungWerte(k)[0].außerhalb);
    EXPECT_TRUE(AnforderungWerte(k)[1].zeile.endsWith(
        QStringLiteral(" – außerhalb des Messbereichs 95,06 … 103,0")));
    k.setMesswert(pmDirekt, 1, 1, vorher);
    setAnforderung(k, 1, erste);
    setAnforderung(k, 2, zweite);

    // A line that cannot be computed (one covariable value for all fields):
    // "(Fehler)" and no value, still the range and the note.
    for (int f = 1; f <= 3; ++f)
        k.setPrüffeldWert(f, 4.0);
    werte = AnforderungWerte(k);
    ASSERT_EQ(werte.size(), 3);
    EXPECT_FALSE(werte[0].wert);
    EXPECT_EQ(werte[0].wertText, QStringLiteral("(Fehler)"));
    EXPECT_EQ(werte[0].zeile, QStringLiteral("Anforderung DPr ≥ 80 entspricht EVD ≥ (Fehler) – "
                                             "außerhalb des Messbereichs 95,0 … 103,0"));
    EXPECT_EQ(werte[1].zeile, QStringLiteral("Anforderung DPr ≥ 103 entspricht EVD ≥ (Fehler)"));
    EXPECT_EQ(werte[1].hinweis, note);
}
