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

// One requirement value translated to the indirect characteristic through
// the calibration line indirect = f(direct).
struct AnforderungWert {
    int nummer = 0;             // 1 to 3
    double anforderung = 0;     // the requirement as stored
    QString anforderungText;    // its own digits (rt::doubleToText), "97,45"
    std::optional<double> wert; // the indirect value rounded to the safe side; none when
                                // the line cannot be computed
    QString wertText;           // "54,2" or "(Fehler)"
    bool steigend = true;       // "≥" (rising line) or "≤"
    bool außerhalb = false;     // outside the measured direct range
    QString zeile;              // the whole line without the critical note
    QString hinweis;            // the critical note (with its leading " – "), empty when
                                // the verdict is good
};

// The requirements set, in their order: "Anforderung DPr ≥ 97,45 % entspricht
// EVD ≥ 36,9 MN/m² (zur sicheren Seite gerundet)", then " – außerhalb des
// Messbereichs 95 … 103 %" for a requirement outside the measured direct
// values, and as hinweis " – darf nicht genutzt werden, das Bestimmtheitsmaß
// ist kritisch" when the verdict is critical. The value is a + b·r at the
// requirement as shown, rounded by SicherGerundet to the indirect decimals;
// a line that cannot be computed ends "EVD ≥ (Fehler)".
QList<AnforderungWert> AnforderungWerte(const Kalibrierung& k);

// The full lines (zeile + hinweis) of AnforderungWerte, for the text outputs.
QStringList AnforderungTexte(const Kalibrierung& k);

// a + b·r rounded to Stellen decimals, up (Aufwärts) or down, computed
// exactly: r counts as the decimal rt::doubleToText shows for it, the result
// is the nearest double to the first decimal of that many places on the
// chosen side of the exact value, and a value that is such a decimal stays as
// it is. A result of more than 15 significant digits (more than a number
// text shows) goes on to the 15th in the same direction. Error 6 when an
// argument or the result is not finite.
double SicherGerundet(double a, double b, double r, rt::Long Stellen, bool Aufwärts);
