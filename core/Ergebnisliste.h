#pragma once

#include <QList>
#include <QString>

class Kalibrierung;

// One row of the statistics list of the results page.
struct StatistikZeile {
    QString Text;
    QString Wert;
    QString Wertung;
};

// The 32 rows of the statistics list, in their fixed order, whatever the data:
// a value that cannot be computed leaves its cell empty.
QList<StatistikZeile> StatistikListe(const Kalibrierung& k);

// The plausibility sentence (two lines joined by "\n"), or "" when even the
// minimum cannot be read.
QString PlausibilitätText(const Kalibrierung& k);
