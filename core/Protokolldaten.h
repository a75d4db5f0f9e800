#pragma once

#include "Variant.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

class Kalibrierung;

inline const QString ProtokollPräfix = QStringLiteral("Protokoll Verdichtung ");
inline const QString BerichtPräfix = QStringLiteral("Protokoll Bericht ");

// The store keys of the report header's entries (the printer and the footer
// address them by name).
inline const QString BauvorhabenSchlüssel = QStringLiteral("Protokoll Bericht Bauvorhaben");
inline const QString AuftraggeberSchlüssel = QStringLiteral("Protokoll Bericht Auftraggeber");
inline const QString PrüfstelleSchlüssel = QStringLiteral("Protokoll Bericht Prüfstelle");
inline const QString BearbeiterSchlüssel = QStringLiteral("Protokoll Bericht Bearbeiter");
inline const QString BerichtsnummerSchlüssel = QStringLiteral("Protokoll Bericht Berichtsnummer");
inline const QString BerichtsdatumSchlüssel = QStringLiteral("Protokoll Bericht Berichtsdatum");

// The blocks of the site data.
enum Protokollblock { BlockBericht = 0, BlockUnterlage = 1, BlockKalibrierfeld = 2 };

// The free site data of the protocol, in one table that everything reads:
// the defaults Reset writes, the protocol's tables, the site-data editor, the
// workbook, the seeding from page 2 and the check for unfilled entries.
struct Protokollangabe {
    // The store key after the prefix; "" for a line of the protocol that
    // only heads the following ones.
    QString schlüssel;
    // The label the protocol prints.
    QString beschriftung;
    // The value Reset writes; none: the key is absent until it is edited.
    std::optional<QString> vorgabe;
    // 0 the report header, 1 "Unterlage", 2 "Kalibrierfeld".
    int block = BlockUnterlage;
    // One entry per test field: the key gets " - Prüffeld " and the field,
    // the label is the field's number with ". Prüffeld".
    bool jeFeld = false;
    // Indented under the line before it in the protocol.
    bool eingerückt = false;
    // The start of the store key.
    QString präfix = ProtokollPräfix;
    // The label in the site-data editor; "": the store key after the prefix.
    QString eintrag;
    // An empty value counts as unfilled.
    bool pflicht = false;
    // The value may hold several lines (separated by "\n").
    bool mehrzeilig = false;
    // A date (dd.MM.yyyy): the editor offers today's.
    bool datum = false;
};

// The table, in the protocol's order.
const std::vector<Protokollangabe>& Protokollangaben();
// Replaces the table (hosts that print more site data; tests).
void setProtokollangaben(std::vector<Protokollangabe> angaben);

// The store key of an entry (for one field of a per-field entry).
QString ProtokollSchlüssel(const Protokollangabe& angabe, rt::Long feld = 0);
// The label of an entry in the site-data editor (for one field of a
// per-field entry: the key after the prefix, with the field's number).
QString ProtokollEintrag(const Protokollangabe& angabe, rt::Long feld = 0);
// The per-field entry (the covariable of each field, seeded from page 2).
const Protokollangabe* ProtokollangabeJeFeld();
// The protocol's entry of field f is seeded as a default that marks nothing
// as changed: while it is empty or still holds the field's previous value
// (vorher) it follows the field's value now; once the user gave it another
// text it stays as it is.
void FeldangabeNachführen(Kalibrierung& k, rt::Long f, std::optional<double> vorher);

// One line of the site-data editor.
struct Protokolleintrag {
    const Protokollangabe* angabe = nullptr;
    rt::Long feld = 0; // the test field of a per-field entry, else 0
    QString schlüssel; // the store key
    QString eintrag;   // the label in the editor
};
// Every entry in the protocol's order, per-field entries for the fields the
// calibration has (none when it cannot hold them).
std::vector<Protokolleintrag> ProtokollEinträge(const Kalibrierung& k);
// Their store keys.
QStringList ProtokollSchlüssel(const Kalibrierung& k);
// The label of a store key as the protocol prints it, with its block
// ("Unterlage: Wassergehalt"); "" for a key not in the table.
QString ProtokollBeschriftung(const QString& key);

// One entry of the report header.
struct Berichtsangabe {
    QString schlüssel;    // the store key
    QString beschriftung; // the label the protocol prints
    QString wert;         // the stored value, "" when absent
};
// The report header entries in print order, with their stored values (""
// when absent; never adds keys).
QList<Berichtsangabe> Berichtskopf(const Kalibrierung& k);

// The editor labels of the entries the protocol of type typ prints (the
// report header always, the site data with type 0) that still hold a
// placeholder ("??" or "XXX") or, where a value is required, are empty.
QStringList UnfertigeProtokolldaten(const Kalibrierung& k, int typ = 0);
