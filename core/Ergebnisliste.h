#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include "Variant.h"

#include <optional>

class Kalibrierung;

// One row of the statistics list of the results page: the texts shown, and
// for a statistic its value at full precision with the decimals it is shown
// with (none for section and separator rows and for values that fail).
struct StatistikZeile {
    QString Text;
    QString Wert;
    QString Wertung;
    std::optional<double> Zahl;
    rt::Long Nachkommastellen = 0;
};

// The 32 rows of the statistics list, in their fixed order, whatever the data:
// a value that cannot be computed leaves its cell empty.
QList<StatistikZeile> StatistikListe(const Kalibrierung& k);

// The plausibility sentence (two lines joined by "\n"), or "" when even the
// minimum cannot be read.
QString PlausibilitätText(const Kalibrierung& k);

// The requirement values on the direct characteristic (up to three), kept
// under "Anforderung Direktes Prüfmerkmal 1" to "… 3"; none when a key is
// absent or empty.
inline constexpr int AnforderungenAnzahl = 3;
QString AnforderungSchlüssel(int i);
std::optional<double> Anforderung(const Kalibrierung& k, int i);
void setAnforderung(Kalibrierung& k, int i, std::optional<double> value);

// For each requirement set, the line that translates it to the indirect
// characteristic through the calibration line indirect = f(direct), rounded
// in the direction that keeps it safe: "Anforderung DPr ≥ 98,0 % entspricht
// EVD ≥ 38,7 MN/m²"; "(Fehler)" in place of the value when the line cannot
// be computed, and a note when the verdict is critical.
QStringList AnforderungTexte(const Kalibrierung& k);
