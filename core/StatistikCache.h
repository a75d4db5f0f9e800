#pragma once

#include "RuntimeError.h"
#include "Variant.h"

#include <memory>
#include <optional>
#include <vector>

// The values of one characteristic over all fields and points, read once per
// store revision. A failed read keeps its error, which is raised again on use.
struct MerkmalWerte {
    struct Feld {
        double wert;         // the covariable value of the field
        rt::Long prüfpunkte; // its number of points
    };
    std::optional<rt::RuntimeError> error;
    std::vector<double> messwerte; // measured values, field by field (not for the covariable)
    std::vector<Feld> felder;      // the fields in order
};

// What the store gives for one revision and user locale. A failed read keeps
// its error, which is raised again on use.
struct StatistikCache {
    quint64 storeRevision = 0;
    quint64 localeRevision = 0;
    std::shared_ptr<const MerkmalWerte> werte[3]; // direct, indirect, covariable
    std::optional<rt::Long> prüfpunkteTotal;
    std::optional<rt::RuntimeError> prüfpunkteTotalError;
};
