#include "Ergebnisliste.h"

#include "Kalibrierung.h"

#include "RuntimeError.h"
#include "UserLocale.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <functional>
#include <string>
#include <system_error>
#include <tuple>
#include <vector>

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

namespace {

// A whole number of any size, as much as the exact rounding needs: a double
// spans 2^-1074 to 2^1024, a requirement's decimal 10^-324 to 10^308.
class Ganzzahl {
public:
    explicit Ganzzahl(std::uint64_t v = 0) {
        for (; v; v >>= 32)
            m_w.push_back(std::uint32_t(v));
    }
    bool istNull() const { return m_w.empty(); }
    void mal(std::uint32_t f) {
        std::uint64_t übertrag = 0;
        for (std::uint32_t& w : m_w) {
            const std::uint64_t t = std::uint64_t(w) * f + übertrag;
            w = std::uint32_t(t);
            übertrag = t >> 32;
        }
        if (übertrag)
            m_w.push_back(std::uint32_t(übertrag));
        kürzen();
    }
    void malZehnHoch(int n) {
        for (; n >= 9; n -= 9)
            mal(1'000'000'000);
        for (; n > 0; --n)
            mal(10);
    }
    void links(int bits) {
        if (istNull() || bits <= 0)
            return;
        const int wörter = bits / 32, rest = bits % 32;
        std::vector<std::uint32_t> w(m_w.size() + wörter + 1, 0);
        for (size_t i = 0; i < m_w.size(); ++i) {
            const std::uint64_t t = std::uint64_t(m_w[i]) << rest;
            w[i + wörter] |= std::uint32_t(t);
            w[i + wörter + 1] |= std::uint32_t(t >> 32);
        }
        m_w = std::move(w);
        kürzen();
    }
    // Divides by f, rounding down; true when a remainder was dropped.
    bool durch(std::uint32_t f) {
        std::uint64_t rest = 0;
        for (size_t i = m_w.size(); i-- > 0;) {
            const std::uint64_t t = (rest << 32) | m_w[i];
            m_w[i] = std::uint32_t(t / f);
            rest = t % f;
        }
        kürzen();
        return rest != 0;
    }
    bool durchZehnHoch(int n) {
        bool verloren = false;
        for (; n >= 9; n -= 9)
            verloren |= durch(1'000'000'000);
        for (; n > 0; --n)
            verloren |= durch(10);
        return verloren;
    }
    int vergleich(const Ganzzahl& o) const {
        if (m_w.size() != o.m_w.size())
            return m_w.size() < o.m_w.size() ? -1 : 1;
        for (size_t i = m_w.size(); i-- > 0;)
            if (m_w[i] != o.m_w[i])
                return m_w[i] < o.m_w[i] ? -1 : 1;
        return 0;
    }
    void plus(const Ganzzahl& o) {
        m_w.resize(std::max(m_w.size(), o.m_w.size()) + 1, 0);
        std::uint64_t übertrag = 0;
        for (size_t i = 0; i < m_w.size(); ++i) {
            const std::uint64_t t =
                std::uint64_t(m_w[i]) + (i < o.m_w.size() ? o.m_w[i] : 0) + übertrag;
            m_w[i] = std::uint32_t(t);
            übertrag = t >> 32;
        }
        kürzen();
    }
    // *this - o, for o not greater than *this.
    void minus(const Ganzzahl& o) {
        std::int64_t borgen = 0;
        for (size_t i = 0; i < m_w.size(); ++i) {
            std::int64_t t = std::int64_t(m_w[i]) - (i < o.m_w.size() ? o.m_w[i] : 0) - borgen;
            borgen = t < 0;
            m_w[i] = std::uint32_t(t + (borgen << 32));
        }
        kürzen();
    }
    // The lowest 64 bits.
    std::uint64_t als64() const {
        return (m_w.size() > 1 ? std::uint64_t(m_w[1]) << 32 : 0) | (m_w.empty() ? 0 : m_w[0]);
    }

private:
    void kürzen() {
        while (!m_w.empty() && m_w.back() == 0)
            m_w.pop_back();
    }
    std::vector<std::uint32_t> m_w; // lowest word first
};

// ±ziffern · 10^exponent: a number as its text shows it.
struct Dezimal {
    bool negativ = false;
    std::uint64_t ziffern = 0;
    int exponent = 0;
};

// The decimal of the 15 significant digits doubleToText writes.
Dezimal alsText(double x) {
    char text[64];
    const auto end = std::to_chars(text, text + sizeof text, x, std::chars_format::general, 15).ptr;
    Dezimal z;
    bool nachKomma = false;
    for (const char* c = text; c < end; ++c) {
        if (*c == '-') {
            z.negativ = true;
        } else if (*c == '.') {
            nachKomma = true;
        } else if (*c == 'e') {
            int hoch = 0;
            std::from_chars(c + (c[1] == '+' ? 2 : 1), end, hoch);
            z.exponent += hoch;
            break;
        } else {
            z.ziffern = z.ziffern * 10 + std::uint64_t(*c - '0');
            if (nachKomma)
                --z.exponent;
        }
    }
    if (z.ziffern == 0)
        z.negativ = false;
    return z;
}

Ganzzahl produkt(const Ganzzahl& x, std::uint64_t n) {
    Ganzzahl unten = x, oben = x;
    unten.mal(std::uint32_t(n));
    oben.mal(std::uint32_t(n >> 32));
    oben.links(32);
    unten.plus(oben);
    return unten;
}

// Adds two signed magnitudes: a += b.
void addiere(bool& aNegativ, Ganzzahl& a, bool bNegativ, const Ganzzahl& b) {
    if (aNegativ == bNegativ) {
        a.plus(b);
    } else if (a.vergleich(b) >= 0) {
        a.minus(b);
    } else {
        Ganzzahl d = b;
        d.minus(a);
        a = d;
        aNegativ = bNegativ;
    }
    if (a.istNull())
        aNegativ = false;
}

} // namespace

double SicherGerundet(double a, double b, double r, rt::Long Stellen, bool Aufwärts) {
    rt::checkedFinite(a);
    rt::checkedFinite(b);
    rt::checkedFinite(r);
    // As the number patterns do: no negative count, at most 100.
    const int d = std::clamp<int>(Stellen, 0, 100);

    // Each number as its text shows it, with the digits doubleToText
    // writes: the line's a and b are known to no more digits than that (a
    // line computed from rounded intermediate results is the decimal shown).
    const Dezimal A = alsText(a), B = alsText(b), R = alsText(r);

    // v · 10^d = a · 10^(d) + b · r · 10^(d) = m / 10^t, all whole numbers.
    const int sA = A.exponent + d;
    const int sB = B.exponent + R.exponent + d;
    const int t = std::max({0, -sA, -sB});
    Ganzzahl x(A.ziffern);
    x.malZehnHoch(sA + t);
    Ganzzahl y = produkt(Ganzzahl(B.ziffern), R.ziffern);
    y.malZehnHoch(sB + t);
    bool negativ = A.negativ;
    Ganzzahl m = x;
    addiere(negativ, m, B.negativ != R.negativ, y);

    // q = floor(|m| / 10^t), and whether that dropped a remainder.
    const bool verloren = m.durchZehnHoch(t);
    // Up: a positive value needs the next whole number, a negative one is cut
    // towards zero; down the other way round.
    if (verloren && negativ != Aufwärts)
        m.plus(Ganzzahl(1));
    if (m.istNull())
        return 0.0;
    // No number text shows more than 15 significant digits: beyond them the
    // value is rounded on in the same direction, so that its text stays safe.
    const Ganzzahl grenze(1'000'000'000'000'000);
    int k = 0;
    for (Ganzzahl probe = m; probe.vergleich(grenze) >= 0; probe.durch(10))
        ++k;
    if (m.durchZehnHoch(k) && negativ != Aufwärts)
        m.plus(Ganzzahl(1));
    // The double nearest to ±m · 10^(k - d), read as a decimal.
    const std::string dezimal =
        (negativ ? "-" : "") + std::to_string(m.als64()) + 'e' + std::to_string(k - d);
    double wert = 0;
    const auto [ende, fehler] =
        std::from_chars(dezimal.data(), dezimal.data() + dezimal.size(), wert);
    if (fehler != std::errc())
        rt::raiseError(rt::err::Overflow);
    return rt::checkedFinite(wert);
}

namespace {

// The smallest and the largest measured direct value; none when there are
// none or one cannot be read.
std::optional<std::pair<double, double>> Messbereich(const Kalibrierung& k) {
    try {
        k.PrüfpunkteTotal(); // bounds the walk
        std::optional<std::pair<double, double>> bereich;
        const rt::Long felder = k.PrüffelderAnzahl();
        for (rt::Long f = 1; f <= felder; ++f) {
            const rt::Long punkte = k.PrüffeldPrüfpunkte(f);
            for (rt::Long p = 1; p <= punkte; ++p) {
                const double v = k.Messwert(pmDirekt, f, p).toDouble();
                if (!bereich)
                    bereich = {v, v};
                bereich->first = std::min(bereich->first, v);
                bereich->second = std::max(bereich->second, v);
            }
        }
        return bereich;
    } catch (const rt::RuntimeError&) {
        return std::nullopt;
    }
}

} // namespace

namespace {
// An end of the measured range with the characteristic's decimals, or with
// its own where it has more: a requirement just inside never reads as
// outside.
QString BereichsText(double v, rt::Long stellen) {
    const QString eigen = rt::doubleToText(v);
    if (eigen.contains(u'E'))
        return eigen;
    const qsizetype komma = eigen.indexOf(rt::userLocale().decimal);
    const rt::Long eigene = komma < 0 ? 0 : rt::Long(eigen.size() - komma - 1);
    return FormatNumberText(v, std::max(stellen, eigene));
}
} // namespace

QList<AnforderungWert> AnforderungWerte(const Kalibrierung& k) {
    QList<AnforderungWert> werte;
    std::optional<double> anforderungen[AnforderungenAnzahl];
    bool gesetzt = false;
    for (int i = 1; i <= AnforderungenAnzahl; ++i)
        gesetzt |= bool(anforderungen[i - 1] = Anforderung(k, i));
    if (!gesetzt)
        return werte;
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
    double a = 0, b = 0;
    bool gerade = false;
    try {
        b = k.StatistikKalibriergeradeAnstieg(mIndirekt, mDirekt);
        a = k.StatistikKalibriergeradeAchsenabschnitt(mIndirekt, mDirekt);
        gerade = true;
    } catch (const rt::RuntimeError&) {
    }
    const std::optional<std::pair<double, double>> bereich = Messbereich(k);
    for (int i = 1; i <= AnforderungenAnzahl; ++i) {
        const std::optional<double> r = anforderungen[i - 1];
        if (!r)
            continue;
        AnforderungWert w;
        w.nummer = i;
        w.anforderung = *r;
        w.anforderungText = rt::doubleToText(*r);
        w.steigend = b >= 0;
        QString line = u"Anforderung "_s + direkt + u" ≥ "_s + w.anforderungText + einheitDirekt +
                       u" entspricht "_s + indirekt + (w.steigend ? u" ≥ "_s : u" ≤ "_s);
        try {
            if (!gerade)
                rt::raiseError(rt::err::Overflow);
            w.wert = SicherGerundet(a, b, *r, stellenIndirekt, w.steigend);
            w.wertText = FormatNumberText(*w.wert, stellenIndirekt);
            line += w.wertText + einheitIndirekt + u" (zur sicheren Seite gerundet)"_s;
        } catch (const rt::RuntimeError&) {
            w.wert.reset();
            w.wertText = u"(Fehler)"_s;
            line += w.wertText;
        }
        if (bereich && (*r < bereich->first || *r > bereich->second)) {
            w.außerhalb = true;
            line += u" – außerhalb des Messbereichs "_s +
                    BereichsText(bereich->first, stellenDirekt) + u" … "_s +
                    BereichsText(bereich->second, stellenDirekt) + einheitDirekt;
        }
        w.zeile = line;
        if (!ok)
            w.hinweis = u" – darf nicht genutzt werden, das Bestimmtheitsmaß ist kritisch"_s;
        werte.append(w);
    }
    return werte;
}

QStringList AnforderungTexte(const Kalibrierung& k) {
    QStringList lines;
    for (const AnforderungWert& w : AnforderungWerte(k))
        lines.append(w.zeile + w.hinweis);
    return lines;
}
