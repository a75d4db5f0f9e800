#include "Ergebnisliste.h"

#include "Kalibrierung.h"

#include "RuntimeError.h"

#include <cmath>
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

QString AnforderungSchlüssel(int i) {
    return u"Anforderung Direktes Prüfmerkmal "_s + QString::number(i);
}

std::optional<double> Anforderung(const Kalibrierung& k, int i) {
    const rt::Variant* stored = k.DataStore()->find(AnforderungSchlüssel(i));
    if (!stored || stored->isNull() || stored->toText().trimmed().isEmpty())
        return std::nullopt;
    try {
        return stored->toDouble();
    } catch (const rt::RuntimeError&) {
        return std::nullopt;
    }
}

void setAnforderung(Kalibrierung& k, int i, std::optional<double> value) {
    k.DataStoreLet(AnforderungSchlüssel(i), value ? rt::Variant(*value) : rt::Variant(QString()));
}

QStringList AnforderungTexte(const Kalibrierung& k) {
    QStringList lines;
    QString direkt, indirekt, einheitDirekt, einheitIndirekt;
    rt::Long stellenDirekt = 0, stellenIndirekt = 0;
    rt::SkipErrors skip;
    skip([&] { direkt = k.DirektesPrüfmerkmal().Formelzeichen(); });
    skip([&] { indirekt = k.IndirektesPrüfmerkmal().Formelzeichen(); });
    skip([&] {
        const QString unit = k.DirektesPrüfmerkmal().Einheit().trimmed();
        einheitDirekt = unit == u"-" ? QString() : u' ' + unit;
    });
    skip([&] {
        const QString unit = k.IndirektesPrüfmerkmal().Einheit().trimmed();
        einheitIndirekt = unit == u"-" ? QString() : u' ' + unit;
    });
    skip([&] { stellenDirekt = k.DirektesPrüfmerkmal().Nachkommastellen(); });
    skip([&] { stellenIndirekt = k.IndirektesPrüfmerkmal().Nachkommastellen(); });
    const bool ok = k.StatistikBestimmtheitsmaßIndirektDirektOk();
    for (int i = 1; i <= AnforderungenAnzahl; ++i) {
        const std::optional<double> r = Anforderung(k, i);
        if (!r)
            continue;
        QString line = u"Anforderung "_s + direkt + u" ≥ "_s + FormatNumberText(*r, stellenDirekt) +
                       einheitDirekt + u" entspricht "_s + indirekt;
        try {
            const double a = k.StatistikKalibriergeradeAchsenabschnitt(mIndirekt, mDirekt);
            const double b = k.StatistikKalibriergeradeAnstieg(mIndirekt, mDirekt);
            const double v = rt::checkedFinite(a + b * *r);
            // Rounded so that the requirement stays safe: up for a rising
            // line (indirect ≥ value), down for a falling one (≤).
            const double scale = std::pow(10.0, stellenIndirekt);
            const double scaled = v * scale;
            const double rounded =
                (b >= 0 ? std::ceil(scaled - 1e-9) : std::floor(scaled + 1e-9)) / scale;
            line += (b >= 0 ? u" ≥ "_s : u" ≤ "_s) + FormatNumberText(rounded, stellenIndirekt) +
                    einheitIndirekt;
        } catch (const rt::RuntimeError&) {
            line += u" ≥ (Fehler)"_s;
        }
        if (!ok)
            line += u" – darf nicht genutzt werden, das Bestimmtheitsmaß ist kritisch"_s;
        lines.append(line);
    }
    return lines;
}
