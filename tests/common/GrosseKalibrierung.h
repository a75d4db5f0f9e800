#pragma once

// A large calibration as a user gets it after loading it from a file: 100
// test fields with 100 points each, every value stored as text. Another
// variant gives other values in the same keys.

#include "Kalibrierung.h"

#include <cmath>

inline constexpr int Felder = 100;
inline constexpr int Punkte = 100;

inline void fillLarge(Kalibrierung& k, int variant = 0) {
    k.setPrüffelderAnzahl(Felder);
    for (int f = 1; f <= Felder; ++f) {
        k.setPrüffeldWert(f, f);
        k.setPrüffeldPrüfpunkte(f, Punkte);
        for (int p = 1; p <= Punkte; ++p) {
            const double direkt = 90.0 + 0.1 * f + 0.013 * std::sin(f * 31.0 + p + variant);
            const double indirekt = 20.0 + 0.5 * f + 0.7 * std::cos(f * 17.0 + p * 3.0);
            k.setMesswert(pmDirekt, f, p, direkt);
            k.setMesswert(pmIndirekt, f, p, indirekt);
        }
    }
    const QStringList keys = k.DataStore()->keys();
    for (const QString& key : keys)
        k.DataStore()->setValue(key, k.DataStore()->find(key)->toText());
}
