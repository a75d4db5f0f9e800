#pragma once

#include "Variant.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

class Kalibrierung;

// The free site data of the protocol, in one table that everything reads:
// the defaults Reset writes, the protocol's tables, the site-data editor, the
// workbook and the seeding from page 2.
struct Protokollangabe {
    // The store key after "Protokoll Verdichtung "; "" for a line of the
    // protocol that only heads the following ones.
    QString schlüssel;
    // The label the protocol prints.
    QString beschriftung;
    // The value Reset writes; none: the key is absent until it is edited.
    std::optional<QString> vorgabe;
    // 1 "Unterlage", 2 "Kalibrierfeld".
    int block = 1;
    // One entry per test field: the key gets " - Prüffeld " and the field,
    // the label is the field's number with ". Prüffeld".
    bool jeFeld = false;
    // Indented under the line before it in the protocol.
    bool eingerückt = false;
};

inline const QString ProtokollPräfix = QStringLiteral("Protokoll Verdichtung ");

// The table, in the protocol's order.
const std::vector<Protokollangabe>& Protokollangaben();
// Replaces the table (hosts that print more site data; tests).
void setProtokollangaben(std::vector<Protokollangabe> angaben);

// The store key of an entry (for one field of a per-field entry).
QString ProtokollSchlüssel(const Protokollangabe& angabe, rt::Long feld = 0);
// The per-field entry (the covariable of each field, seeded from page 2).
const Protokollangabe* ProtokollangabeJeFeld();
// The protocol's entry of field f is seeded as a default that marks nothing
// as changed: while it is empty or still holds the field's previous value
// (vorher) it follows the field's value now; once the user gave it another
// text it stays as it is.
void FeldangabeNachführen(Kalibrierung& k, rt::Long f, std::optional<double> vorher);
// Every store key in the protocol's order, per-field entries for the fields
// the calibration has (none when it cannot hold them).
QStringList ProtokollSchlüssel(const Kalibrierung& k);
// The label of a store key as the protocol prints it, with its block
// ("Unterlage: Wassergehalt"); "" for a key not in the table.
QString ProtokollBeschriftung(const QString& key);
