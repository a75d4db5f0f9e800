// The table reader of the import: any bytes as a text table or workbook. A
// file that is no table is refused with a German reason; a table is read in
// every way the dialog offers, and what is read obeys the limits and goes
// into a calibration whole.

#include "Pruefungen.h"

#include "Kalibrierung.h"
#include "MesswertImport.h"
#include "RuntimeError.h"

#include <cmath>

using namespace MesswertImport;

QString pruefeTabelle(const QByteArray& bytes) {
    std::optional<Tabelle> t;
    try {
        t = Tabelle::ausBytes(bytes);
    } catch (const rt::RuntimeError& e) {
        PRUEFE(!e.description().isEmpty());
        return QString();
    }
    Kalibrierung k;
    k.setDPrUndEVD();
    for (const bool kopf : {false, true}) {
        Lesart l = t->erkennen(k, std::nullopt, kopf);
        PRUEFE(l.spalten.size() <= MaxSpalten);
        PRUEFE(t->kopf(l).size() == (kopf ? l.spalten.size() : 0));
        for (const VorschauZeile& z : t->vorschau(l, 20))
            PRUEFE(z.zellen.size() == l.spalten.size() && z.fehler.size() == l.spalten.size());
        for (const Dezimal d : {Dezimal::Komma, Dezimal::Punkt}) {
            l.dezimal = d;
            const Ergebnis e = t->lesen(l);
            PRUEFE(e.fehler.size() <= MaxFehler);
            PRUEFE(e.weitereFehler == 0 || e.fehler.size() == MaxFehler);
            for (qsizetype i = 0; i < e.fehler.size(); ++i) {
                PRUEFE(e.fehler[i].zeile > 0 && !e.fehler[i].grund.isEmpty());
                PRUEFE(i == 0 || e.fehler[i - 1].zeile <= e.fehler[i].zeile);
            }
            if (!e.hindernis.isEmpty())
                continue;
            PRUEFE(e.felder.size() >= Kalibrierung::MinPrüffelder &&
                   e.felder.size() <= Kalibrierung::MaxPrüffelder);
            PRUEFE(e.punkte() == e.gelesen && e.gelesen <= Kalibrierung::MaxPrüfpunkte);
            for (const Feld& f : e.felder) {
                PRUEFE(f.punkte.size() >= Kalibrierung::MinPrüfpunkte &&
                       std::isfinite(f.kovariable));
                for (const auto& [direkt, indirekt] : f.punkte)
                    PRUEFE(std::isfinite(direkt) && std::isfinite(indirekt));
            }
            Kalibrierung ziel;
            übernehmen(ziel, e);
            PRUEFE(ziel.PrüfpunkteTotal() == e.punkte());
            PRUEFE(ziel.PrüffelderAnzahl() == e.felder.size());
        }
    }
    return QString();
}

QString pruefeImport(QByteArrayView input) {
    return pruefeTabelle(input.toByteArray());
}
