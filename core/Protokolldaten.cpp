#include "Protokolldaten.h"

#include "Kalibrierung.h"

#include "RuntimeError.h"

namespace {

std::vector<Protokollangabe> standard() {
    auto row = [](const char16_t* key, const char16_t* label, const char16_t* vorgabe, int block,
                  bool eingerückt = false) {
        Protokollangabe a;
        a.schlüssel = QString::fromUtf16(key);
        a.beschriftung = QString::fromUtf16(label);
        if (vorgabe)
            a.vorgabe = QString::fromUtf16(vorgabe);
        a.block = block;
        a.eingerückt = eingerückt;
        return a;
    };
    auto kopf = [](const char16_t* label) {
        Protokollangabe a;
        a.beschriftung = QString::fromUtf16(label);
        a.block = BlockKalibrierfeld;
        return a;
    };
    // The report header: absent until edited, required, with labels of
    // their own in the editor.
    auto bericht = [](const QString& key, const char16_t* label, const char16_t* eintrag) {
        Protokollangabe a;
        a.präfix = BerichtPräfix;
        a.schlüssel = key.mid(BerichtPräfix.size());
        a.beschriftung = QString::fromUtf16(label);
        a.eintrag = QString::fromUtf16(eintrag);
        a.block = BlockBericht;
        a.pflicht = true;
        return a;
    };
    auto datum = [](Protokollangabe a) {
        a.datum = true;
        return a;
    };
    Protokollangabe prüfstelle =
        bericht(PrüfstelleSchlüssel, u"Prüfstelle", u"Prüfstelle (Name und Anschrift)");
    prüfstelle.mehrzeilig = true;
    Protokollangabe jeFeld;
    jeFeld.schlüssel =
        QStringLiteral("Kalibrierfeld Kovariable (Anzahl der Verdichtungsübergänge)");
    jeFeld.block = BlockKalibrierfeld;
    jeFeld.jeFeld = true;
    jeFeld.eingerückt = true;
    return {
        bericht(BauvorhabenSchlüssel, u"Bauvorhaben", u"Bauvorhaben"),
        bericht(AuftraggeberSchlüssel, u"Auftraggeber", u"Auftraggeber"),
        prüfstelle,
        bericht(BearbeiterSchlüssel, u"Bearbeiter", u"Bearbeiter"),
        bericht(BerichtsnummerSchlüssel, u"Berichtsnummer", u"Berichtsnummer"),
        datum(bericht(BerichtsdatumSchlüssel, u"Berichtsdatum", u"Berichtsdatum")),
        row(u"Unterlage Bodenart DIN 4022", u"Bodenart nach DIN 4022 bzw. DIN EN ISO 14688-1: ",
            u"", 1),
        row(u"Unterlage Bodengruppe DIN 18196", u"Bodenart nach DIN 18196: ", u"", 1),
        row(u"Unterlage Anzahl Verdichtungsübergänge", u"Anzahl der Verdichtungsübergänge: ", u"",
            1),
        row(u"Unterlage Wassergehalt", u"Wassergehalt: ", u"??%", 1),
        row(u"Unterlage Trockendichte", u"Trockendichte: ", u"?? g/cm³", 1),
        row(u"Unterlage Proctordichte", u"Proctordichte: ", u"?? g/cm³", 1),
        row(u"Unterlage Verdichtungsgrad", u"Verdichtungsgrad: ", u"??%", 1),
        row(u"Unterlage Verformungsmodul", u"Verformungsmodul EV2: ", nullptr, 1),
        row(u"Unterlage Bemerkungen", u"Bemerkungen: ", nullptr, 1),
        row(u"Kalibrierfeld Bodenart DIN 4022", u"Bodenart nach DIN 4022 bzw. DIN EN ISO 14688-1:",
            u"", 2),
        row(u"Kalibrierfeld Bodengruppe DIN 18196", u"Bodenart nach DIN 18196:", u"", 2),
        row(u"Kalibrierfeld Geometrie", u"Geometrische Abmessungen:", u"?? m x ?? m", 2),
        row(u"Kalibrierfeld Schütthöhe", u"Schütthöhe:", u"?? m", 2),
        row(u"Kalibrierfeld Proctordichte", u"Proctordichte:", u"?? g/cm³ bis ?? g/cm³", 2),
        row(u"Kalibrierfeld Grenzwassergehalt",
            u"Grenzwassergehalt für einen Verdichtungsgrad von:", u"XXX=??%: ??% bzw ??%", 2),
        row(u"Kalibrierfeld optimaler Wassergehalt", u"optimaler Wassergehalt:", u"??% bis ??%", 2),
        row(u"Kalibrierfeld Walzentyp", u"verwendeter Walzentyp:", u"", 2),
        row(u"Kalibrierfeld Fahrgeschwindigkeit Walze", u"Fahrgeschwindigkeit:", u"?? km/h", 2,
            true),
        row(u"Kalibrierfeld Verdichtungsamplitude Walze", u"Amplitude:", u"?? mm", 2, true),
        row(u"Kalibrierfeld Verdichtungsfrequenz Walze", u"Frequenz:", u"?? Hz", 2, true),
        kopf(u"Anzahl der Verdichtungsübergänge dynamisch/statisch im:"),
        jeFeld,
        kopf(u"Verdichtung am/bei"),
        datum(row(u"Kalibrierfeld Datum bei Verdichtung", u"Datum:", u"??.??.????", 2, true)),
        row(u"Kalibrierfeld Witterung bei Verdichtung", u"Witterung:", u"", 2, true),
        row(u"Kalibrierfeld Temperatur bei Verdichtung", u"Temperatur:", u"??°C", 2, true),
        kopf(u"Prüfung am/bei"),
        datum(row(u"Kalibrierfeld Datum bei Prüfung", u"Datum:", u"??.??.????", 2, true)),
        row(u"Kalibrierfeld Witterung bei Prüfung", u"Witterung:", u"", 2, true),
        row(u"Kalibrierfeld Temperatur bei Prüfung", u"Temperatur:", u"??°C", 2, true),
        row(u"Kalibrierfeld Bemerkungen", u"Bemerkungen:", nullptr, 2),
    };
}

std::vector<Protokollangabe>& tabelle() {
    static std::vector<Protokollangabe> angaben = standard();
    return angaben;
}

} // namespace

const std::vector<Protokollangabe>& Protokollangaben() {
    return tabelle();
}

void setProtokollangaben(std::vector<Protokollangabe> angaben) {
    tabelle() = std::move(angaben);
}

QString ProtokollSchlüssel(const Protokollangabe& angabe, rt::Long feld) {
    if (angabe.schlüssel.isEmpty())
        return QString();
    QString key = angabe.präfix + angabe.schlüssel;
    if (angabe.jeFeld)
        key += QStringLiteral(" - Prüffeld ") + QString::number(feld);
    return key;
}

QString ProtokollEintrag(const Protokollangabe& angabe, rt::Long feld) {
    if (angabe.schlüssel.isEmpty())
        return QString();
    if (!angabe.eintrag.isEmpty())
        return angabe.eintrag;
    return ProtokollSchlüssel(angabe, feld).mid(angabe.präfix.size());
}

const Protokollangabe* ProtokollangabeJeFeld() {
    for (const Protokollangabe& a : Protokollangaben())
        if (a.jeFeld)
            return &a;
    return nullptr;
}

std::vector<Protokolleintrag> ProtokollEinträge(const Kalibrierung& k) {
    // The fields are walked only when the calibration can hold them.
    rt::Long felder = 0;
    try {
        k.PrüfpunkteTotal();
        felder = k.PrüffelderAnzahl();
    } catch (const rt::RuntimeError&) {
        felder = 0;
    }
    std::vector<Protokolleintrag> einträge;
    for (const Protokollangabe& a : Protokollangaben()) {
        if (a.schlüssel.isEmpty())
            continue;
        const rt::Long bis = a.jeFeld ? felder : 0;
        for (rt::Long f = a.jeFeld ? 1 : 0; f <= bis; ++f)
            einträge.push_back({&a, f, ProtokollSchlüssel(a, f), ProtokollEintrag(a, f)});
    }
    return einträge;
}

QStringList ProtokollSchlüssel(const Kalibrierung& k) {
    QStringList keys;
    for (const Protokolleintrag& e : ProtokollEinträge(k))
        keys.append(e.schlüssel);
    return keys;
}

QString ProtokollBeschriftung(const QString& key) {
    QString heading; // the last line not indented, for the indented ones
    for (const Protokollangabe& a : Protokollangaben()) {
        QString label = a.beschriftung.trimmed();
        if (label.endsWith(u':'))
            label.chop(1);
        if (!a.eingerückt) {
            heading = label;
            if (a.schlüssel.isEmpty())
                continue;
        }
        const QString block = a.block == BlockBericht     ? QStringLiteral("Bericht")
                              : a.block == BlockUnterlage ? QStringLiteral("Unterlage")
                                                          : QStringLiteral("Kalibrierfeld");
        const QString base = a.präfix + a.schlüssel;
        if (a.jeFeld && key.startsWith(base + QStringLiteral(" - Prüffeld "))) {
            const QString feld = key.mid(base.size() + 12);
            return block + QStringLiteral(": ") + heading + u' ' + feld +
                   QStringLiteral(". Prüffeld");
        }
        if (!a.jeFeld && key == base)
            return block + QStringLiteral(": ") +
                   (a.eingerückt ? heading + QStringLiteral(", ") + label : label);
    }
    return QString();
}

namespace {
// The stored text of a key; "" when absent or null. Never adds the key.
QString gespeichert(const Kalibrierung& k, const QString& key) {
    const rt::Variant* value = k.DataStore()->find(key);
    return value && !value->isNull() ? value->toText() : QString();
}
} // namespace

QList<Berichtsangabe> Berichtskopf(const Kalibrierung& k) {
    QList<Berichtsangabe> kopf;
    for (const Protokollangabe& a : Protokollangaben()) {
        if (a.block != BlockBericht || a.schlüssel.isEmpty() || a.jeFeld)
            continue;
        const QString key = ProtokollSchlüssel(a);
        kopf.append({key, a.beschriftung, gespeichert(k, key)});
    }
    return kopf;
}

QStringList UnfertigeProtokolldaten(const Kalibrierung& k, int typ) {
    QStringList offen;
    for (const Protokolleintrag& e : ProtokollEinträge(k)) {
        // The site data is printed with type 0 only; the header always.
        if (e.angabe->block != BlockBericht && typ != 0)
            continue;
        const QString wert = gespeichert(k, e.schlüssel);
        const bool platzhalter =
            wert.contains(QStringLiteral("??")) || wert.contains(QStringLiteral("XXX"));
        if (platzhalter || (e.angabe->pflicht && wert.trimmed().isEmpty()))
            offen.append(e.eintrag);
    }
    return offen;
}

void FeldangabeNachführen(Kalibrierung& k, rt::Long f, std::optional<double> vorher) {
    const Protokollangabe* jeFeld = ProtokollangabeJeFeld();
    if (!jeFeld)
        return;
    const QString key = ProtokollSchlüssel(*jeFeld, f);
    const rt::Variant* seeded = k.DataStore()->find(key);
    const bool follows = seeded && vorher && seeded->toText() == rt::Variant(*vorher).toText();
    if (!seeded || seeded->toText().isEmpty() || follows)
        k.DataStore()->setValue(key, k.PrüffeldWert(f));
}
