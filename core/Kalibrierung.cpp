#include "Kalibrierung.h"

#include "Protokolldaten.h"

#include "StatistikCache.h"

#include "RuntimeError.h"

#include <QLocale>

#include <cmath>
#include <exception>
#include <limits>
#include <optional>
#include <utility>

using rt::Long;
using rt::Variant;

namespace {

const QString KeyIsDirty = QStringLiteral("IsDirty");
const QString KeyPrüffelderAnzahl = QStringLiteral("Anzahl Prüffelder");

} // namespace

Kalibrierung::Kalibrierung(QObject* parent)
    : QObject(parent), m_store(std::make_shared<::DataStore>()), m_direkt(new Prüfmerkmal),
      m_indirekt(new Prüfmerkmal), m_kovariable(new Prüfmerkmal) {
    const std::pair<Prüfmerkmal*, QString> merkmale[] = {
        {m_direkt.get(), QStringLiteral("Direktes Prüfmerkmal ")},
        {m_indirekt.get(), QStringLiteral("Indirektes Prüfmerkmal ")},
        {m_kovariable.get(), QStringLiteral("Kovariable ")},
    };
    for (const auto& [merkmal, prefix] : merkmale) {
        merkmal->setOwner(this);
        merkmal->setKeys(prefix + QStringLiteral("Name"), prefix + QStringLiteral("Formelzeichen"),
                         prefix + QStringLiteral("Einheit"),
                         prefix + QStringLiteral("Nachkommastellen"));
    }
    Reset();
}

Kalibrierung::~Kalibrierung() = default;

void Kalibrierung::Reset() {
    m_store->removeAll();
    m_direkt->setNachkommastellen(2);
    m_indirekt->setNachkommastellen(2);
    m_kovariable->setNachkommastellen(0);
    setPrüffelderAnzahl(3);
    m_kovariable->setName(QStringLiteral("Anzahl der Übergänge"));
    m_kovariable->setEinheit(QStringLiteral("-"));
    m_kovariable->setFormelzeichen(QStringLiteral("Z"));
    setNachkommastellenMittelwerte(1);
    setNachkommastellenVarianzen(2);
    setNachkommastellenStandardabweichung(2);
    setNachkommastellenKovarianzen(2);
    setNachkommastellenBestimmtheitsmaße(2);
    setNachkommastellenAnstieg(4);
    setNachkommastellenAchsenabschnitt(2);
    setZwischenergebnisseRunden(false);
    setMinBestimmtheitsmaßIndirektDirekt(0.65);
    for (const Protokollangabe& angabe : Protokollangaben())
        if (angabe.vorgabe && !angabe.jeFeld)
            DataStoreLet(ProtokollSchlüssel(angabe), *angabe.vorgabe);
    setIsDirty(false);
}

void Kalibrierung::DataStoreLet(const QString& Key, const Variant& Value) {
    const QString oldText = m_store->value(Key).toText();
    if (oldText != Value.toText()) {
        m_store->setValue(Key, Value);
        ++m_änderungen;
        setIsDirty(true);
    }
}

Kalibrierung::Bearbeitung::Bearbeitung(Kalibrierung& k, const QString& text)
    : m_k(k), m_äußere(k.m_bearbeitungen == 0) {
    if (m_äußere) {
        m_ausnahmen = std::uncaught_exceptions();
        m_text = text;
        m_änderungenBeiBeginn = m_k.m_änderungen;
        m_dirtyBeiBeginn = m_k.IsDirty();
        // Bookkeeping is no one's edit: the unsaved mark follows the history.
        m_k.m_store->beginRecording({KeyIsDirty, QStringLiteral("AssistentActivePage")});
    }
    ++m_k.m_bearbeitungen;
}

Kalibrierung::Bearbeitung::~Bearbeitung() {
    --m_k.m_bearbeitungen;
    if (!m_äußere)
        return;
    if (std::uncaught_exceptions() > m_ausnahmen) {
        // Half a step is none: its changes go back unannounced; only the
        // unsaved mark tells that it is what it was.
        m_k.m_änderungen = m_änderungenBeiBeginn;
        try {
            m_k.m_store->cancelRecording();
            m_k.setIsDirty(m_dirtyBeiBeginn);
        } catch (...) {
            // Nothing may leave while the exception passes through.
        }
        return;
    }
    auto changes = std::make_shared<StoreChanges>(m_k.m_store->endRecording());
    if (!changes->isEmpty() && m_k.m_änderungen != m_änderungenBeiBeginn)
        emit m_k.Bearbeitet(m_text, std::move(changes));
    else if (changes->isEmpty() && !m_dirtyBeiBeginn)
        m_k.setIsDirty(false); // values removed and written back as they were
}

void Kalibrierung::anwenden(const StoreChanges& changes, bool undo) {
    m_store->apply(changes, undo);
    emit Angewendet();
}

bool Kalibrierung::IsDirty() const {
    const Variant* stored = m_store->find(KeyIsDirty);
    if (!stored)
        return false;
    try {
        return stored->toBool();
    } catch (const rt::RuntimeError&) {
        return false;
    }
}

void Kalibrierung::setIsDirty(bool value) {
    const Variant stored = m_store->value(KeyIsDirty);
    bool same = false;
    try {
        same = stored.toBool() == value; // empty counts as False
    } catch (const rt::RuntimeError&) {
        same = false;
    }
    if (same)
        return;
    m_store->setValue(KeyIsDirty, value);
    emit IsDirtyChanged();
}

void Kalibrierung::setDPrUndEVD() {
    m_direkt->setName(QStringLiteral("Verdichtungsgrad"));
    m_direkt->setFormelzeichen(QStringLiteral("DPr"));
    m_direkt->setEinheit(QStringLiteral("%"));
    m_indirekt->setName(QStringLiteral("Dynamischer Verformungsmodul"));
    m_indirekt->setFormelzeichen(QStringLiteral("EVD"));
    m_indirekt->setEinheit(QStringLiteral("MN/m²"));
}

Long Kalibrierung::PrüffelderAnzahl() const {
    return m_store->value(KeyPrüffelderAnzahl).toLong();
}

void Kalibrierung::setPrüffelderAnzahl(Long value) {
    if (value < MinPrüffelder)
        rt::raiseError(rt::err::InvalidPropertyValue);
    DataStoreLet(KeyPrüffelderAnzahl, value);
}

namespace {
// The keys of the fields and measured values begin with these.
const QString PrüfpunktePräfix = QStringLiteral("Prüffeld Prüfpunktanzahl ");
const QString PrüffeldWertPräfix = QStringLiteral("Name Prüffeld ");
const QString MesswertDirektPräfix = QStringLiteral("Messwert direktes Prüfmerkmal ");
const QString MesswertIndirektPräfix = QStringLiteral("Messwert indirektes Prüfmerkmal ");

QString prüfpunkteKey(Long prüffeld) {
    return PrüfpunktePräfix + QString::number(prüffeld);
}
QString prüffeldWertKey(Long prüffeld) {
    return PrüffeldWertPräfix + QString::number(prüffeld);
}
} // namespace

Long Kalibrierung::PrüffeldPrüfpunkte(Long Prüffeld) const {
    const Variant* stored = m_store->find(prüfpunkteKey(Prüffeld));
    return stored ? stored->toLong() : 4;
}

void Kalibrierung::setPrüffeldPrüfpunkte(Long Prüffeld, Long value) {
    if (value < MinPrüfpunkte)
        rt::raiseError(rt::err::InvalidPropertyValue);
    DataStoreLet(prüfpunkteKey(Prüffeld), value);
}

Long Kalibrierung::PrüfpunkteTotal() const {
    if (!cache().prüfpunkteTotal && !cache().prüfpunkteTotalError) {
        std::optional<Long> total;
        std::optional<rt::RuntimeError> error;
        try {
            total = zählePrüfpunkte();
        } catch (const rt::RuntimeError& e) {
            error = e;
        }
        cacheIsCurrent();
        cache().prüfpunkteTotal = total;
        cache().prüfpunkteTotalError = error;
    }
    if (cache().prüfpunkteTotalError)
        throw *cache().prüfpunkteTotalError;
    return *cache().prüfpunkteTotal;
}

Long Kalibrierung::zählePrüfpunkte() const {
    const Long felder = PrüffelderAnzahl();
    if (felder > MaxPrüfpunkte)
        rt::raiseError(rt::err::OutOfMemory);
    qint64 total = 0;
    qint64 walked = 0; // points a walk over all fields visits (fields with fewer count none)
    for (Long f = 1; f <= felder; ++f) {
        const Long punkte = PrüffeldPrüfpunkte(f);
        total += punkte;
        walked += std::max<Long>(punkte, 0);
        if (total > std::numeric_limits<Long>::max() || total < std::numeric_limits<Long>::min())
            rt::raiseError(rt::err::Overflow);
    }
    if (walked > MaxPrüfpunkte)
        rt::raiseError(rt::err::OutOfMemory);
    return Long(total);
}

QString Kalibrierung::Inhaltsfehler() const {
    try {
        PrüfpunkteTotal();
        return Zahlenfehler();
    } catch (const rt::RuntimeError& e) {
        if (e.number() != rt::err::OutOfMemory && e.number() != rt::err::Overflow)
            return Zahlenfehler();
    }
    const QLocale german(QLocale::German);
    const QString höchstens = german.toString(MaxPrüfpunkte);
    auto stored = [&](const QString& key) {
        const Variant* v = m_store->find(key);
        return v ? v->toText() : QString();
    };
    Long felder = 0;
    try {
        felder = PrüffelderAnzahl();
    } catch (const rt::RuntimeError&) {
        return QStringLiteral("Sie nennt „%1“ Prüffelder; eine Kalibrierung hat höchstens %2.")
            .arg(stored(KeyPrüffelderAnzahl), höchstens);
    }
    if (felder > MaxPrüfpunkte)
        return QStringLiteral("Sie nennt %1 Prüffelder; eine Kalibrierung hat höchstens %2.")
            .arg(german.toString(felder), höchstens);
    for (Long f = 1; f <= felder; ++f) {
        QString punkte;
        try {
            if (const Long n = PrüffeldPrüfpunkte(f); n > MaxPrüfpunkte)
                punkte = german.toString(n);
        } catch (const rt::RuntimeError&) {
            punkte = QStringLiteral("„%1“").arg(stored(prüfpunkteKey(f)));
        }
        if (!punkte.isEmpty())
            return QStringLiteral("Prüffeld %1 nennt %2 Prüfpunkte; eine Kalibrierung hat "
                                  "höchstens %3.")
                .arg(german.toString(f), punkte, höchstens);
    }
    return QStringLiteral("Ihre Prüffelder nennen zusammen mehr Prüfpunkte, als eine "
                          "Kalibrierung hat (höchstens %1).")
        .arg(höchstens);
}

QString Kalibrierung::Zahlenfehler() const {
    const QLocale german(QLocale::German);
    // The number a stored text states, if it is one and finite.
    auto zahl = [&](const QString& key, QString& text) -> std::optional<double> {
        const Variant* v = m_store->find(key);
        text = v ? v->toText() : QString();
        try {
            const double d = v ? v->toDouble() : 0.0;
            return std::isfinite(d) ? std::optional<double>(d) : std::nullopt;
        } catch (const rt::RuntimeError&) {
            return std::nullopt;
        }
    };
    auto ganz = [](std::optional<double> d) { return d && *d == std::floor(*d); };
    QString text;
    std::optional<double> felder;
    if (m_store->exists(KeyPrüffelderAnzahl)) {
        felder = zahl(KeyPrüffelderAnzahl, text);
        if (!ganz(felder) && text.trimmed().isEmpty())
            return QStringLiteral("Ihre Anzahl der Prüffelder ist leer.");
        if (!ganz(felder))
            return QStringLiteral("Sie nennt „%1“ Prüffelder; das ist keine ganze Zahl.").arg(text);
        if (*felder < MinPrüffelder)
            return QStringLiteral("Sie nennt %1 Prüffelder; eine Kalibrierung hat mindestens %2.")
                .arg(german.toString(*felder), german.toString(MinPrüffelder));
    }
    for (Long f = 1; f <= Long(felder.value_or(0)); ++f) {
        const QString feld = german.toString(f);
        std::optional<double> punkte = 4;
        if (m_store->exists(prüfpunkteKey(f))) {
            punkte = zahl(prüfpunkteKey(f), text);
            if (!ganz(punkte))
                return QStringLiteral(
                           "Prüffeld %1 nennt „%2“ Prüfpunkte; das ist keine ganze Zahl.")
                    .arg(feld, text);
            if (*punkte < MinPrüfpunkte)
                return QStringLiteral("Prüffeld %1 nennt %2 Prüfpunkte; ein Prüffeld hat "
                                      "mindestens %3.")
                    .arg(feld, german.toString(*punkte), german.toString(MinPrüfpunkte));
        }
        // Values not entered yet are missing or empty; anything else is a number.
        auto keineZahl = [&](const QString& key) {
            return !zahl(key, text) && !text.trimmed().isEmpty();
        };
        if (keineZahl(prüffeldWertKey(f)))
            return QStringLiteral("Prüffeld %1 hat als Wert der Kovariablen „%2“, keine Zahl.")
                .arg(feld, text);
        QString key;
        for (Long p = 1; p <= Long(*punkte); ++p)
            for (const PrüfmerkmalEnum merkmal : {pmDirekt, pmIndirekt}) {
                key.clear();
                appendMesswertKey(key, merkmal, f, p);
                if (keineZahl(key))
                    return QStringLiteral("Prüffeld %1, Prüfpunkt %2 hat als Messwert „%3“, "
                                          "keine Zahl.")
                        .arg(feld, german.toString(p), text);
            }
    }
    return QString();
}

namespace {
void appendNumber(QString& s, Long n) {
    char16_t digits[12];
    int k = 12;
    qint64 v = n;
    const bool negative = v < 0;
    if (negative)
        v = -v;
    do {
        digits[--k] = char16_t(u'0' + v % 10);
        v /= 10;
    } while (v);
    if (negative)
        digits[--k] = u'-';
    s.append(QStringView(digits + k, 12 - k));
}
} // namespace

void Kalibrierung::appendMesswertKey(QString& key, PrüfmerkmalEnum Prüfmerkmal, Long Messreihe,
                                     Long Prüfpunkt) {
    key.append(Prüfmerkmal == pmDirekt ? MesswertDirektPräfix : MesswertIndirektPräfix);
    appendNumber(key, Messreihe);
    key.append(u'.');
    appendNumber(key, Prüfpunkt);
}

QString Kalibrierung::MesswertKey(PrüfmerkmalEnum Prüfmerkmal, Long Messreihe, Long Prüfpunkt) {
    QString key;
    appendMesswertKey(key, Prüfmerkmal, Messreihe, Prüfpunkt);
    return key;
}

Variant Kalibrierung::Messwert(PrüfmerkmalEnum Prüfmerkmal, Long Messreihe, Long Prüfpunkt) const {
    const Variant* stored = m_store->find(MesswertKey(Prüfmerkmal, Messreihe, Prüfpunkt));
    return stored ? *stored : Variant::null();
}

void Kalibrierung::setMesswert(PrüfmerkmalEnum Prüfmerkmal, Long Messreihe, Long Prüfpunkt,
                               const Variant& value) {
    if (!value.isNumeric())
        rt::raiseError(rt::err::TypeMismatch);
    DataStoreLet(MesswertKey(Prüfmerkmal, Messreihe, Prüfpunkt), value.toDouble());
}

void Kalibrierung::MesswertEntfernen(PrüfmerkmalEnum Prüfmerkmal, Long Messreihe, Long Prüfpunkt) {
    if (m_store->remove(MesswertKey(Prüfmerkmal, Messreihe, Prüfpunkt))) {
        ++m_änderungen;
        setIsDirty(true);
    }
}

QString Kalibrierung::MesswertString(PrüfmerkmalEnum Prüfmerkmal, Long Messreihe,
                                     Long Prüfpunkt) const {
    try {
        Long decimals = 0;
        if (Prüfmerkmal == pmDirekt)
            decimals = m_direkt->Nachkommastellen();
        else if (Prüfmerkmal == pmIndirekt)
            decimals = m_indirekt->Nachkommastellen();
        return FormatNumberText(Messwert(Prüfmerkmal, Messreihe, Prüfpunkt), decimals);
    } catch (const rt::RuntimeError&) {
        return QStringLiteral("(Fehler)");
    }
}

double Kalibrierung::PrüffeldWert(Long Prüffeld) const {
    const Variant* stored = m_store->find(prüffeldWertKey(Prüffeld));
    return stored ? stored->toDouble() : double(Prüffeld);
}

void Kalibrierung::setPrüffeldWert(Long Prüffeld, double value) {
    DataStoreLet(prüffeldWertKey(Prüffeld), value);
}

void Kalibrierung::MessreihenEntfernen() {
    const QString* präfixe[] = {&MesswertDirektPräfix, &MesswertIndirektPräfix, &PrüfpunktePräfix,
                                &PrüffeldWertPräfix};
    bool changed = false;
    for (const QString& key : m_store->keys())
        for (const QString* präfix : präfixe)
            if (key.startsWith(*präfix)) {
                changed = m_store->remove(key) || changed;
                break;
            }
    if (changed) {
        ++m_änderungen;
        setIsDirty(true);
    }
}

QString Kalibrierung::PrüfpunktKey(Long Prüfpunkt) {
    return QStringLiteral("Prüfpunkt ") + QString::number(Prüfpunkt);
}

QString Kalibrierung::MerkmalNumberFormat(MerkmalEnum Merkmal) const {
    Long n = 0;
    switch (Merkmal) {
    case mDirekt:
        n = m_direkt->Nachkommastellen();
        break;
    case mIndirekt:
        n = m_indirekt->Nachkommastellen();
        break;
    case mZ:
        n = m_kovariable->Nachkommastellen();
        break;
    default:
        break;
    }
    return NumberPattern(n);
}
