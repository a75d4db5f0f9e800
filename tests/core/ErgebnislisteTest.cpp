#include "TestSupport.h"

#include "Beispiel.h"

#include "Ergebnisliste.h"
#include "Kalibrierung.h"

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
