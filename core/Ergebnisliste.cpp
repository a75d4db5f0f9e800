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
    auto section = [&](const QString& name) { rows.append({name, u" "_s, u" "_s}); };
    auto separator = [&] { rows.append({u" "_s, u" "_s, u" "_s}); };
    auto detail = [&](const QString& text, const std::function<QString()>& value,
                      const QString& rating = u"-"_s) {
        StatistikZeile row{text, QString(), rating};
        skip([&] { row.Wert = value(); });
        rows.append(row);
    };

    section(u"Mittelwerte"_s);
    detail(u"   Mittelwert direktes Prüfmerkmal: "_s + dz,
           [&] { return k.StatistikMittelwertString(mDirekt); });
    detail(u"   Mittelwert indirektes Prüfmerkmal: "_s + di,
           [&] { return k.StatistikMittelwertString(mIndirekt); });
    detail(u"   Mittelwert "_s + dk, [&] { return k.StatistikMittelwertString(mZ); });
    separator();
    section(u"Varianzen"_s);
    detail(u"   Varianz direktes Prüfmerkmal: "_s + dz,
           [&] { return k.StatistikVarianzString(mDirekt); });
    detail(u"   Varianz indirektes Prüfmerkmal: "_s + di,
           [&] { return k.StatistikVarianzString(mIndirekt); });
    detail(u"   Varianz "_s + dk, [&] { return k.StatistikVarianzString(mZ); });
    separator();
    section(u"Standardabweichung"_s);
    detail(u"   Standardabweichung direktes Prüfmerkmal: "_s + dz,
           [&] { return k.StatistikStandardabweichungString(mDirekt); });
    detail(u"   Standardabweichung indirektes Prüfmerkmal: "_s + di,
           [&] { return k.StatistikStandardabweichungString(mIndirekt); });
    detail(u"   Standardabweichung "_s + dk,
           [&] { return k.StatistikStandardabweichungString(mZ); });
    separator();
    section(u"Kovarianzen"_s);
    detail(u"   Kovarianz direktes und indirektes Prüfmerkmal"_s,
           [&] { return k.StatistikKovarianzString(mIndirekt, mDirekt); });
    detail(u"   Kovarianz direktes Prüfmerkmal und "_s + dk,
           [&] { return k.StatistikKovarianzString(mDirekt, mZ); });
    detail(u"   Kovarianz indirektes Prüfmerkmal und "_s + dk,
           [&] { return k.StatistikKovarianzString(mIndirekt, mZ); });
    separator();
    section(u"Bestimmtheitsmaße"_s);
    detail(
        u"   Bestimmtheitsmaß direktes und indirektes Prüfmerkmal"_s,
        [&] { return k.StatistikBestimmtheitsmaßString(mIndirekt, mDirekt); },
        k.StatistikBestimmtheitsmaßIndirektDirektOk() ? u"gut"_s : u"kritisch"_s);
    detail(u"   Bestimmtheitsmaß direktes Prüfmerkmal und "_s + dk,
           [&] { return k.StatistikBestimmtheitsmaßString(mDirekt, mZ); });
    detail(u"   Bestimmtheitsmaß indirektes Prüfmerkmal und "_s + dk,
           [&] { return k.StatistikBestimmtheitsmaßString(mIndirekt, mZ); });
    separator();
    section(u"Kalibriergeraden"_s);
    detail(u"   direktes und indirektes Prüfmerkmal: Anstieg"_s,
           [&] { return k.StatistikKalibriergeradeAnstiegString(mDirekt, mIndirekt); });
    detail(u"   direktes und indirektes Prüfmerkmal: Achsenabschnitt"_s,
           [&] { return k.StatistikKalibriergeradeAchsenabschnittString(mDirekt, mIndirekt); });
    detail(u"   direktes Prüfmerkmal und "_s + dk + u": Anstieg"_s,
           [&] { return k.StatistikKalibriergeradeAnstiegString(mDirekt, mZ); });
    detail(u"   direktes Prüfmerkmal und "_s + dk + u": Achsenabschnitt"_s,
           [&] { return k.StatistikKalibriergeradeAchsenabschnittString(mDirekt, mZ); });
    detail(u"   indirektes Prüfmerkmal und "_s + dk + u": Anstieg"_s,
           [&] { return k.StatistikKalibriergeradeAnstiegString(mIndirekt, mZ); });
    detail(u"   indirektes Prüfmerkmal und "_s + dk + u": Achsenabschnitt"_s,
           [&] { return k.StatistikKalibriergeradeAchsenabschnittString(mIndirekt, mZ); });
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
