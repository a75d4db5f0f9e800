#include "Ergebnisliste.h"

#include "Kalibrierung.h"

#include "RuntimeError.h"

#include <functional>

using namespace Qt::Literals::StringLiterals;

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
                      const std::function<double()>& number,
                      rt::Long (Kalibrierung::*decimals)() const, const QString& rating = u"-"_s) {
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
    section(u"Mittelwerte"_s);
    detail(
        u"   Mittelwert direktes Prüfmerkmal: "_s + dz,
        [&] { return k.StatistikMittelwertString(mDirekt); },
        [&] { return k.StatistikMittelwert(mDirekt); }, &Kalibrierung::NachkommastellenMittelwerte);
    detail(
        u"   Mittelwert indirektes Prüfmerkmal: "_s + di,
        [&] { return k.StatistikMittelwertString(mIndirekt); },
        [&] { return k.StatistikMittelwert(mIndirekt); },
        &Kalibrierung::NachkommastellenMittelwerte);
    detail(
        u"   Mittelwert "_s + dk, [&] { return k.StatistikMittelwertString(mZ); },
        [&] { return k.StatistikMittelwert(mZ); }, &Kalibrierung::NachkommastellenMittelwerte);
    separator();
    section(u"Varianzen"_s);
    detail(
        u"   Varianz direktes Prüfmerkmal: "_s + dz,
        [&] { return k.StatistikVarianzString(mDirekt); },
        [&] { return k.StatistikVarianz(mDirekt); }, &Kalibrierung::NachkommastellenVarianzen);
    detail(
        u"   Varianz indirektes Prüfmerkmal: "_s + di,
        [&] { return k.StatistikVarianzString(mIndirekt); },
        [&] { return k.StatistikVarianz(mIndirekt); }, &Kalibrierung::NachkommastellenVarianzen);
    detail(
        u"   Varianz "_s + dk, [&] { return k.StatistikVarianzString(mZ); },
        [&] { return k.StatistikVarianz(mZ); }, &Kalibrierung::NachkommastellenVarianzen);
    separator();
    section(u"Standardabweichung"_s);
    detail(
        u"   Standardabweichung direktes Prüfmerkmal: "_s + dz,
        [&] { return k.StatistikStandardabweichungString(mDirekt); },
        [&] { return k.StatistikStandardabweichung(mDirekt); },
        &Kalibrierung::NachkommastellenStandardabweichung);
    detail(
        u"   Standardabweichung indirektes Prüfmerkmal: "_s + di,
        [&] { return k.StatistikStandardabweichungString(mIndirekt); },
        [&] { return k.StatistikStandardabweichung(mIndirekt); },
        &Kalibrierung::NachkommastellenStandardabweichung);
    detail(
        u"   Standardabweichung "_s + dk, [&] { return k.StatistikStandardabweichungString(mZ); },
        [&] { return k.StatistikStandardabweichung(mZ); },
        &Kalibrierung::NachkommastellenStandardabweichung);
    separator();
    section(u"Kovarianzen"_s);
    detail(
        u"   Kovarianz direktes und indirektes Prüfmerkmal"_s,
        [&] { return k.StatistikKovarianzString(mIndirekt, mDirekt); },
        [&] { return k.StatistikKovarianz(mIndirekt, mDirekt); },
        &Kalibrierung::NachkommastellenKovarianzen);
    detail(
        u"   Kovarianz direktes Prüfmerkmal und "_s + dk,
        [&] { return k.StatistikKovarianzString(mDirekt, mZ); },
        [&] { return k.StatistikKovarianz(mDirekt, mZ); },
        &Kalibrierung::NachkommastellenKovarianzen);
    detail(
        u"   Kovarianz indirektes Prüfmerkmal und "_s + dk,
        [&] { return k.StatistikKovarianzString(mIndirekt, mZ); },
        [&] { return k.StatistikKovarianz(mIndirekt, mZ); },
        &Kalibrierung::NachkommastellenKovarianzen);
    separator();
    section(u"Bestimmtheitsmaße"_s);
    detail(
        u"   Bestimmtheitsmaß direktes und indirektes Prüfmerkmal"_s,
        [&] { return k.StatistikBestimmtheitsmaßString(mIndirekt, mDirekt); },
        [&] { return k.StatistikBestimmtheitsmaß(mIndirekt, mDirekt); },
        &Kalibrierung::NachkommastellenBestimmtheitsmaße,
        k.StatistikBestimmtheitsmaßIndirektDirektOk() ? u"gut"_s : u"kritisch"_s);
    detail(
        u"   Bestimmtheitsmaß direktes Prüfmerkmal und "_s + dk,
        [&] { return k.StatistikBestimmtheitsmaßString(mDirekt, mZ); },
        [&] { return k.StatistikBestimmtheitsmaß(mDirekt, mZ); },
        &Kalibrierung::NachkommastellenBestimmtheitsmaße);
    detail(
        u"   Bestimmtheitsmaß indirektes Prüfmerkmal und "_s + dk,
        [&] { return k.StatistikBestimmtheitsmaßString(mIndirekt, mZ); },
        [&] { return k.StatistikBestimmtheitsmaß(mIndirekt, mZ); },
        &Kalibrierung::NachkommastellenBestimmtheitsmaße);
    separator();
    section(u"Kalibriergeraden"_s);
    detail(
        u"   direktes und indirektes Prüfmerkmal: Anstieg"_s,
        [&] { return k.StatistikKalibriergeradeAnstiegString(mDirekt, mIndirekt); },
        [&] { return k.StatistikKalibriergeradeAnstieg(mDirekt, mIndirekt); },
        &Kalibrierung::NachkommastellenAnstieg);
    detail(
        u"   direktes und indirektes Prüfmerkmal: Achsenabschnitt"_s,
        [&] { return k.StatistikKalibriergeradeAchsenabschnittString(mDirekt, mIndirekt); },
        [&] { return k.StatistikKalibriergeradeAchsenabschnitt(mDirekt, mIndirekt); },
        &Kalibrierung::NachkommastellenAchsenabschnitt);
    detail(
        u"   direktes Prüfmerkmal und "_s + dk + u": Anstieg"_s,
        [&] { return k.StatistikKalibriergeradeAnstiegString(mDirekt, mZ); },
        [&] { return k.StatistikKalibriergeradeAnstieg(mDirekt, mZ); },
        &Kalibrierung::NachkommastellenAnstieg);
    detail(
        u"   direktes Prüfmerkmal und "_s + dk + u": Achsenabschnitt"_s,
        [&] { return k.StatistikKalibriergeradeAchsenabschnittString(mDirekt, mZ); },
        [&] { return k.StatistikKalibriergeradeAchsenabschnitt(mDirekt, mZ); },
        &Kalibrierung::NachkommastellenAchsenabschnitt);
    detail(
        u"   indirektes Prüfmerkmal und "_s + dk + u": Anstieg"_s,
        [&] { return k.StatistikKalibriergeradeAnstiegString(mIndirekt, mZ); },
        [&] { return k.StatistikKalibriergeradeAnstieg(mIndirekt, mZ); },
        &Kalibrierung::NachkommastellenAnstieg);
    detail(
        u"   indirektes Prüfmerkmal und "_s + dk + u": Achsenabschnitt"_s,
        [&] { return k.StatistikKalibriergeradeAchsenabschnittString(mIndirekt, mZ); },
        [&] { return k.StatistikKalibriergeradeAchsenabschnitt(mIndirekt, mZ); },
        &Kalibrierung::NachkommastellenAchsenabschnitt);
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
