// Statistics of the calibration: means, variances, covariances, coefficients of
// determination and calibration lines over all fields and points.

#include "Kalibrierung.h"

#include "StatistikCache.h"

#include "RuntimeError.h"
#include "UserLocale.h"

#include <cmath>

using rt::Long;
using rt::Variant;

namespace {

const QString KeyMittelwerte = QStringLiteral("Nachkommastellen Mittelwerte");
const QString KeyVarianzen = QStringLiteral("Nachkommastellen Varianzen");
const QString KeyStandardabweichung = QStringLiteral("Nachkommastellen Standardabweichung");
const QString KeyKovarianzen = QStringLiteral("Nachkommastellen Kovarianzen");
const QString KeyBestimmtheitsmaße = QStringLiteral("Nachkommastellen Bestimmtheitsmaße");
const QString KeyAnstieg = QStringLiteral("Nachkommastellen Anstieg");
const QString KeyAchsenabschnitt = QStringLiteral("Nachkommastellen Achsenabschnitt");
const QString KeyZwischenergebnisseRunden = QStringLiteral("Zwischenergebnisse runden");
const QString KeyMinBestimmtheitsmaß =
    QStringLiteral("minimales Bestimmtheitsmaß Indirektes Prüfmerkmal, Direktes Prüfmerkmal");

// Which of the three value lists a characteristic reads: the covariable, the
// direct values, or (for any other number) the indirect ones.
int werteIndex(MerkmalEnum m) {
    return m == mZ ? 2 : m == mDirekt ? 0 : 1;
}

bool isMesswert(MerkmalEnum m) {
    return m == mDirekt || m == mIndirekt;
}

bool isDirektIndirektPaar(MerkmalEnum x, MerkmalEnum y) {
    return (x == mDirekt && y == mIndirekt) || (x == mIndirekt && y == mDirekt);
}

const QString Fehler = QStringLiteral("(Fehler)");

template <class F>
QString orFehler(F&& f) {
    try {
        return f();
    } catch (const rt::RuntimeError&) {
        return Fehler;
    }
}

} // namespace

// ---- options ---------------------------------------------------------------

Long Kalibrierung::nachkommastellen(const QString& key) const {
    return rt::toLong(rt::val(m_store->value(key).toText()));
}

Long Kalibrierung::NachkommastellenMittelwerte() const {
    return nachkommastellen(KeyMittelwerte);
}
void Kalibrierung::setNachkommastellenMittelwerte(Long value) {
    DataStoreLet(KeyMittelwerte, value);
}
Long Kalibrierung::NachkommastellenVarianzen() const {
    return nachkommastellen(KeyVarianzen);
}
void Kalibrierung::setNachkommastellenVarianzen(Long value) {
    DataStoreLet(KeyVarianzen, value);
}
Long Kalibrierung::NachkommastellenStandardabweichung() const {
    return nachkommastellen(KeyStandardabweichung);
}
void Kalibrierung::setNachkommastellenStandardabweichung(Long value) {
    DataStoreLet(KeyStandardabweichung, value);
}
Long Kalibrierung::NachkommastellenKovarianzen() const {
    return nachkommastellen(KeyKovarianzen);
}
void Kalibrierung::setNachkommastellenKovarianzen(Long value) {
    DataStoreLet(KeyKovarianzen, value);
}
Long Kalibrierung::NachkommastellenBestimmtheitsmaße() const {
    return nachkommastellen(KeyBestimmtheitsmaße);
}
void Kalibrierung::setNachkommastellenBestimmtheitsmaße(Long value) {
    DataStoreLet(KeyBestimmtheitsmaße, value);
}
Long Kalibrierung::NachkommastellenAnstieg() const {
    return nachkommastellen(KeyAnstieg);
}
void Kalibrierung::setNachkommastellenAnstieg(Long value) {
    DataStoreLet(KeyAnstieg, value);
}
Long Kalibrierung::NachkommastellenAchsenabschnitt() const {
    return nachkommastellen(KeyAchsenabschnitt);
}
void Kalibrierung::setNachkommastellenAchsenabschnitt(Long value) {
    DataStoreLet(KeyAchsenabschnitt, value);
}

bool Kalibrierung::ZwischenergebnisseRunden() const {
    return m_store->value(KeyZwischenergebnisseRunden).toBool();
}
void Kalibrierung::setZwischenergebnisseRunden(bool value) {
    DataStoreLet(KeyZwischenergebnisseRunden, value);
}

double Kalibrierung::MinBestimmtheitsmaßIndirektDirekt() const {
    return NullToDouble(m_store->value(KeyMinBestimmtheitsmaß));
}
void Kalibrierung::setMinBestimmtheitsmaßIndirektDirekt(double value) {
    DataStoreLet(KeyMinBestimmtheitsmaß, value);
}

// ---- values ----------------------------------------------------------------

namespace {

// Reads the values of one characteristic in the order fields, then points.
std::shared_ptr<const MerkmalWerte> readWerte(const Kalibrierung& k, int index) {
    auto out = std::make_shared<MerkmalWerte>();
    const std::shared_ptr<::DataStore> store = k.DataStore();
    try {
        k.PrüfpunkteTotal(); // bounds the walk
        const Long felder = k.PrüffelderAnzahl();
        for (Long f = 1; f <= felder; ++f) {
            const Long punkte = k.PrüffeldPrüfpunkte(f);
            if (index == 2) {
                // The value is read for each point, so a field without points reads none.
                out->felder.push_back({punkte >= 1 ? k.PrüffeldWert(f) : 0.0, punkte});
                continue;
            }
            out->felder.push_back({0.0, punkte});
            QString key;
            for (Long p = 1; p <= punkte; ++p) {
                key.truncate(0);
                Kalibrierung::appendMesswertKey(key, PrüfmerkmalEnum(index), f, p);
                const Variant* stored = store->find(key); // Messwert: null if missing
                if (!stored)
                    rt::raiseError(rt::err::InvalidUseOfNull);
                out->messwerte.push_back(stored->toDouble());
            }
        }
    } catch (const rt::RuntimeError& e) {
        out->error = e;
    }
    return out;
}

// Calls f(value) for every value of a characteristic, in order.
template <class F>
void forEachWert(const MerkmalWerte& w, bool kovariable, F&& f) {
    if (!kovariable) {
        for (double v : w.messwerte)
            f(v);
        return;
    }
    for (const auto& feld : w.felder)
        for (Long p = 0; p < feld.prüfpunkte; ++p)
            f(feld.wert);
}

} // namespace

StatistikCache& Kalibrierung::cache() const {
    if (!m_cache || m_cache->storeRevision != m_store->revision() ||
        m_cache->localeRevision != rt::userLocaleRevision()) {
        m_cache = std::make_unique<StatistikCache>();
        m_cache->storeRevision = m_store->revision();
        m_cache->localeRevision = rt::userLocaleRevision();
    }
    return *m_cache;
}

void Kalibrierung::cacheIsCurrent() const {
    m_cache->storeRevision = m_store->revision();
}

std::shared_ptr<const MerkmalWerte> Kalibrierung::werte(MerkmalEnum Merkmal) const {
    const int index = werteIndex(Merkmal);
    std::shared_ptr<const MerkmalWerte> entry = cache().werte[index];
    if (!entry) {
        // Reading fills other entries of the cache too: look it up again after.
        entry = readWerte(*this, index);
        cacheIsCurrent();
        cache().werte[index] = entry;
    }
    if (entry->error)
        throw *entry->error;
    return entry;
}

// ---- statistics ------------------------------------------------------------

double Kalibrierung::RoundIntermediate(double value, Long d) const {
    if (!ZwischenergebnisseRunden())
        return value;
    const double s = std::pow(10.0, -double(d));
    const double q = rt::checkedDivide(value, s);
    return rt::checkedFinite(double(rt::toLong(q)) * s);
}

double Kalibrierung::StatistikMittelwert(MerkmalEnum Merkmal) const {
    const auto w = werte(Merkmal);
    double sum = 0.0;
    forEachWert(*w, Merkmal == mZ, [&](double v) { sum += v; });
    rt::checkedFinite(sum);
    double mean = 0.0;
    if (sum != 0.0)
        mean = rt::checkedDivide(sum, PrüfpunkteTotal());
    return RoundIntermediate(mean, NachkommastellenMittelwerte());
}

QString Kalibrierung::StatistikMittelwertString(MerkmalEnum Merkmal) const {
    const double value = StatistikMittelwert(Merkmal);
    return FormatNumberText(value, NachkommastellenMittelwerte());
}

double Kalibrierung::StatistikVarianz(MerkmalEnum Merkmal) const {
    const double m = StatistikMittelwert(Merkmal);
    const auto w = werte(Merkmal);
    double ss = 0.0;
    forEachWert(*w, Merkmal == mZ, [&](double v) { ss += (v - m) * (v - m); });
    rt::checkedFinite(ss);
    double variance = 0.0;
    if (ss != 0.0)
        variance = rt::checkedDivide(ss, double(PrüfpunkteTotal()) - 1.0);
    return RoundIntermediate(variance, NachkommastellenVarianzen());
}

QString Kalibrierung::StatistikVarianzString(MerkmalEnum Merkmal) const {
    const double value = StatistikVarianz(Merkmal);
    return FormatNumberText(value, NachkommastellenVarianzen());
}

double Kalibrierung::StatistikStandardabweichung(MerkmalEnum Merkmal) const {
    return rt::checkedSqrt(StatistikVarianz(Merkmal));
}

QString Kalibrierung::StatistikStandardabweichungString(MerkmalEnum Merkmal) const {
    const double value = StatistikStandardabweichung(Merkmal);
    return FormatNumberText(value, NachkommastellenStandardabweichung());
}

double Kalibrierung::StatistikKovarianz(MerkmalEnum MerkmalX, MerkmalEnum MerkmalY) const {
    const double mx = StatistikMittelwert(MerkmalX);
    const double my = StatistikMittelwert(MerkmalY);
    double s = 0.0;
    if (isDirektIndirektPaar(MerkmalX, MerkmalY)) {
        const auto wx = werte(MerkmalX);
        const auto wy = werte(MerkmalY);
        const auto& x = wx->messwerte;
        const auto& y = wy->messwerte;
        for (size_t i = 0; i < x.size() && i < y.size(); ++i)
            s += (x[i] - mx) * (y[i] - my);
    } else if ((MerkmalX == mZ && isMesswert(MerkmalY)) ||
               (MerkmalY == mZ && isMesswert(MerkmalX))) {
        const bool xIsZ = MerkmalX == mZ;
        const MerkmalEnum messMerkmal = xIsZ ? MerkmalY : MerkmalX;
        const double mMess = xIsZ ? my : mx;
        const double mZwert = xIsZ ? mx : my;
        const auto wMess = werte(messMerkmal);
        const auto wZ = werte(mZ);
        const auto& mess = wMess->messwerte;
        const auto& felder = wZ->felder;
        size_t i = 0;
        for (const auto& feld : felder)
            for (Long p = 0; p < feld.prüfpunkte && i < mess.size(); ++p, ++i)
                s += (mess[i] - mMess) * (feld.wert - mZwert);
    } else {
        rt::raiseError(rt::err::InvalidProcedureCall);
    }
    rt::checkedFinite(s);
    double covariance = 0.0;
    if (s != 0.0)
        covariance = rt::checkedDivide(s, double(PrüfpunkteTotal()) - 1.0);
    return RoundIntermediate(covariance, NachkommastellenKovarianzen());
}

QString Kalibrierung::StatistikKovarianzString(MerkmalEnum MerkmalX, MerkmalEnum MerkmalY) const {
    const double value = StatistikKovarianz(MerkmalX, MerkmalY);
    return FormatNumberText(value, NachkommastellenKovarianzen());
}

double Kalibrierung::StatistikBestimmtheitsmaß(MerkmalEnum MerkmalX, MerkmalEnum MerkmalY) const {
    const double vx = StatistikVarianz(MerkmalX);
    const double vy = StatistikVarianz(MerkmalY);
    const double c = StatistikKovarianz(MerkmalX, MerkmalY);
    const double r2 = rt::checkedDivide(rt::checkedFinite(c * c), rt::checkedFinite(vx * vy));
    return RoundIntermediate(r2, NachkommastellenBestimmtheitsmaße());
}

QString Kalibrierung::StatistikBestimmtheitsmaßString(MerkmalEnum MerkmalX,
                                                      MerkmalEnum MerkmalY) const {
    return orFehler([&] {
        const double value = StatistikBestimmtheitsmaß(MerkmalX, MerkmalY);
        return FormatNumberText(value, NachkommastellenBestimmtheitsmaße());
    });
}

double Kalibrierung::StatistikKalibriergeradeAnstieg(MerkmalEnum MerkmalX,
                                                     MerkmalEnum MerkmalY) const {
    double slope = 0.0;
    if (isDirektIndirektPaar(MerkmalX, MerkmalY)) {
        const double cy = StatistikKovarianz(MerkmalY, mZ);
        const double cx = StatistikKovarianz(MerkmalX, mZ);
        slope = rt::checkedDivide(cx, cy);
    } else if (isMesswert(MerkmalX) && MerkmalY == mZ) {
        const double c = StatistikKovarianz(MerkmalX, mZ);
        const double vz = StatistikVarianz(mZ);
        slope = rt::checkedDivide(c, vz);
    } else if (MerkmalX == mZ && isMesswert(MerkmalY)) {
        const double c = StatistikKovarianz(MerkmalY, mZ);
        const double vz = StatistikVarianz(mZ);
        slope = rt::checkedDivide(vz, c);
    }
    return RoundIntermediate(slope, NachkommastellenAnstieg());
}

QString Kalibrierung::StatistikKalibriergeradeAnstiegString(MerkmalEnum MerkmalX,
                                                            MerkmalEnum MerkmalY) const {
    return orFehler([&] {
        const double value = StatistikKalibriergeradeAnstieg(MerkmalX, MerkmalY);
        return FormatNumberText(value, NachkommastellenAnstieg());
    });
}

double Kalibrierung::StatistikKalibriergeradeAchsenabschnitt(MerkmalEnum MerkmalX,
                                                             MerkmalEnum MerkmalY) const {
    const double a = StatistikKalibriergeradeAnstieg(MerkmalX, MerkmalY);
    const double my = StatistikMittelwert(MerkmalY);
    const double mx = StatistikMittelwert(MerkmalX);
    const double intercept = rt::checkedFinite(mx - rt::checkedFinite(my * a));
    return RoundIntermediate(intercept, NachkommastellenAchsenabschnitt());
}

QString Kalibrierung::StatistikKalibriergeradeAchsenabschnittString(MerkmalEnum MerkmalX,
                                                                    MerkmalEnum MerkmalY) const {
    return orFehler([&] {
        const double value = StatistikKalibriergeradeAchsenabschnitt(MerkmalX, MerkmalY);
        return FormatNumberText(value, NachkommastellenAchsenabschnitt());
    });
}

bool Kalibrierung::StatistikBestimmtheitsmaßIndirektDirektOk() const {
    try {
        const double min = MinBestimmtheitsmaßIndirektDirekt();
        const double r = StatistikBestimmtheitsmaß(mIndirekt, mDirekt);
        return r >= min;
    } catch (const rt::RuntimeError&) {
        return false;
    }
}
