#include "Ergebnisliste.h"

#include "Kalibrierung.h"

#include "RuntimeError.h"

#include <functional>
#include <tuple>

using namespace Qt::Literals::StringLiterals;

namespace {

using Text1 = QString (Kalibrierung::*)(MerkmalEnum) const;
using Zahl1 = double (Kalibrierung::*)(MerkmalEnum) const;
using Text2 = QString (Kalibrierung::*)(MerkmalEnum, MerkmalEnum) const;
using Zahl2 = double (Kalibrierung::*)(MerkmalEnum, MerkmalEnum) const;
using Stellen = rt::Long (Kalibrierung::*)() const;

// The statistics of one characteristic: a section each.
struct Einzeln {
    const char16_t* abschnitt;
    const char16_t* name; // the row's word before the characteristic
    Text1 text;
    Zahl1 zahl;
    Stellen stellen;
};
const Einzeln EinzelneGrößen[] = {
    {u"Mittelwerte", u"Mittelwert", &Kalibrierung::StatistikMittelwertString,
     &Kalibrierung::StatistikMittelwert, &Kalibrierung::NachkommastellenMittelwerte},
    {u"Varianzen", u"Varianz", &Kalibrierung::StatistikVarianzString,
     &Kalibrierung::StatistikVarianz, &Kalibrierung::NachkommastellenVarianzen},
    {u"Standardabweichung", u"Standardabweichung", &Kalibrierung::StatistikStandardabweichungString,
     &Kalibrierung::StatistikStandardabweichung, &Kalibrierung::NachkommastellenStandardabweichung},
};

// The statistics of a pair: a section each, or (the calibration lines) one
// section with two rows per pair.
struct Paarweise {
    const char16_t* name;
    Text2 text;
    Zahl2 zahl;
    Stellen stellen;
};
const Paarweise Kovarianz{u"Kovarianz", &Kalibrierung::StatistikKovarianzString,
                          &Kalibrierung::StatistikKovarianz,
                          &Kalibrierung::NachkommastellenKovarianzen};
const Paarweise Bestimmtheitsmaß{
    u"Bestimmtheitsmaß", &Kalibrierung::StatistikBestimmtheitsmaßString,
    &Kalibrierung::StatistikBestimmtheitsmaß, &Kalibrierung::NachkommastellenBestimmtheitsmaße};
const Paarweise Anstieg{u"Anstieg", &Kalibrierung::StatistikKalibriergeradeAnstiegString,
                        &Kalibrierung::StatistikKalibriergeradeAnstieg,
                        &Kalibrierung::NachkommastellenAnstieg};
const Paarweise Achsenabschnitt{u"Achsenabschnitt",
                                &Kalibrierung::StatistikKalibriergeradeAchsenabschnittString,
                                &Kalibrierung::StatistikKalibriergeradeAchsenabschnitt,
                                &Kalibrierung::NachkommastellenAchsenabschnitt};

} // namespace

QList<StatistikZeile> StatistikListe(const Kalibrierung& k) {
    rt::SkipErrors skip;
    QString dz, di, dk;
    skip([&] { dz = k.DirektesPrüfmerkmal().Bezeichung(); });
    skip([&] { di = k.IndirektesPrüfmerkmal().Bezeichung(); });
    skip([&] { dk = k.Kovariable().Bezeichung(); });

    QList<StatistikZeile> rows;
    auto section = [&](const QString& name) {
        rows.append({name, u" "_s, u" "_s, std::nullopt, 0});
    };
    auto separator = [&] { rows.append({u" "_s, u" "_s, u" "_s, std::nullopt, 0}); };
    // A statistic: its text form as shown, its value and its decimals.
    auto detail = [&](const QString& text, const std::function<QString()>& value,
                      const std::function<double()>& number, Stellen decimals,
                      const QString& rating = u"-"_s) {
        StatistikZeile row{text, QString(), rating, std::nullopt, 0};
        skip([&] { row.Wert = value(); });
        try {
            row.Zahl = number();
            row.Nachkommastellen = (k.*decimals)();
        } catch (const rt::RuntimeError&) {
            row.Zahl.reset();
        }
        rows.append(row);
    };

    // Means, variances, standard deviations of the three characteristics.
    const std::pair<MerkmalEnum, QString> merkmale[] = {
        {mDirekt, u"direktes Prüfmerkmal: "_s + dz},
        {mIndirekt, u"indirektes Prüfmerkmal: "_s + di},
        {mZ, dk},
    };
    for (const Einzeln& größe : EinzelneGrößen) {
        section(QString::fromUtf16(größe.abschnitt));
        for (const auto& [m, name] : merkmale)
            detail(
                u"   "_s + QString::fromUtf16(größe.name) + u' ' + name,
                [&, m = m] { return (k.*größe.text)(m); },
                [&, m = m] { return (k.*größe.zahl)(m); }, größe.stellen);
        separator();
    }

    // Covariances and coefficients of determination of the three pairs.
    const std::tuple<MerkmalEnum, MerkmalEnum, QString> paare[] = {
        {mIndirekt, mDirekt, u"direktes und indirektes Prüfmerkmal"_s},
        {mDirekt, mZ, u"direktes Prüfmerkmal und "_s + dk},
        {mIndirekt, mZ, u"indirektes Prüfmerkmal und "_s + dk},
    };
    const bool ok = k.StatistikBestimmtheitsmaßIndirektDirektOk();
    const std::pair<const Paarweise*, QString> abschnitte[] = {
        {&Kovarianz, u"Kovarianzen"_s}, {&Bestimmtheitsmaß, u"Bestimmtheitsmaße"_s}};
    for (const auto& abschnitt : abschnitte) {
        const Paarweise* größe = abschnitt.first;
        section(abschnitt.second);
        for (const auto& [x, y, name] : paare) {
            // The verdict stands beside the coefficient of the two measured characteristics.
            const bool bewertet = größe == &Bestimmtheitsmaß && x == mIndirekt && y == mDirekt;
            detail(
                u"   "_s + QString::fromUtf16(größe->name) + u' ' + name,
                [&, x = x, y = y] { return (k.*größe->text)(x, y); },
                [&, x = x, y = y] { return (k.*größe->zahl)(x, y); }, größe->stellen,
                bewertet ? (ok ? u"gut"_s : u"kritisch"_s) : u"-"_s);
        }
        separator();
    }

    // The calibration lines: slope and intercept of each pair.
    section(u"Kalibriergeraden"_s);
    const std::tuple<MerkmalEnum, MerkmalEnum, QString> geraden[] = {
        {mDirekt, mIndirekt, u"direktes und indirektes Prüfmerkmal"_s},
        {mDirekt, mZ, u"direktes Prüfmerkmal und "_s + dk},
        {mIndirekt, mZ, u"indirektes Prüfmerkmal und "_s + dk},
    };
    for (const auto& [x, y, name] : geraden)
        for (const Paarweise* größe : {&Anstieg, &Achsenabschnitt})
            detail(
                u"   "_s + name + u": "_s + QString::fromUtf16(größe->name),
                [&, x = x, y = y] { return (k.*größe->text)(x, y); },
                [&, x = x, y = y] { return (k.*größe->zahl)(x, y); }, größe->stellen);
    return rows;
}

QString PlausibilitätText(const Kalibrierung& k) {
    QString text;
    rt::SkipErrors skip;
    skip([&] {
        const QString minimum = rt::doubleToText(k.MinBestimmtheitsmaßIndirektDirekt());
        if (k.StatistikBestimmtheitsmaßIndirektDirektOk())
            text = u"Das Bestimmtheitsmaß zwischen dem direkten und indirekten Prüfmerkmal liegt "
                   u"über dem minimal erforderlichen Wert von "_s +
                   minimum +
                   u".\nSomit kann die ermittelte Kalibriergerade für die Umrechnung zwischen den "
                   u"Prüfmerkmalen genutzt werden."_s;
        else
            text = u"Das Bestimmtheitsmaß zwischen dem direkten und indirekten Prüfmerkmal liegt "
                   u"nicht über dem minimal erforderlichen Wert von "_s +
                   minimum +
                   u".\nDie ermittelte Kalibriergerade darf somit nicht für die Umrechnung "
                   u"zwischen den Prüfmerkmalen genutzt werden!"_s;
    });
    return text;
}
