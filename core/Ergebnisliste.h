#pragma once

#include <QList>
#include <QString>

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
