#pragma once

#include "Kalibrierung.h"

// The worked example: 3 fields with covariable values 2, 4, 6 and 3 points
// each; direct 95..103, indirect 30..54.
inline void fillWorkedExample(Kalibrierung& k) {
    k.setPrüffelderAnzahl(3);
    const double direct[3][3] = {{95, 96, 97}, {98, 99, 100}, {101, 102, 103}};
    const double indirect[3][3] = {{30, 32, 34}, {40, 42, 44}, {50, 52, 54}};
    for (int f = 1; f <= 3; ++f) {
        k.setPrüffeldPrüfpunkte(f, 3);
        k.setPrüffeldWert(f, 2.0 * f);
        for (int p = 1; p <= 3; ++p) {
            k.setMesswert(pmDirekt, f, p, direct[f - 1][p - 1]);
            k.setMesswert(pmIndirekt, f, p, indirect[f - 1][p - 1]);
        }
    }
}

// The characteristics of the worked example: Verdichtungsgrad DPr in % and
// Dynamischer Verformungsmodul EVD in MN/m².
inline void describeWorkedExample(Kalibrierung& k) {
    k.setDPrUndEVD();
}

// The worked example, described, as it is after saving.
inline void savedWorkedExample(Kalibrierung& k) {
    fillWorkedExample(k);
    describeWorkedExample(k);
    k.setIsDirty(false);
}
