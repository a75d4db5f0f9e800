#pragma once

#include "Variant.h"

#include <QString>

class Kalibrierung;

// A typed view on the four store entries of one test characteristic: the
// direct one, the indirect one or the covariable. It holds no values itself.
class Prüfmerkmal {
public:
    ::Kalibrierung* Kalibrierung() const { return m_owner; }

    // Writes through the owner's DataStoreLet (marks it dirty on a change).
    void setDataStore(const QString& Key, const rt::Variant& value);
    // Plain read of the owner's map (a missing key is inserted empty).
    rt::Variant DataStore(const QString& Key) const;

    QString Name() const;
    void setName(const QString& value);
    // Name + " " + Formelzeichen.
    QString Bezeichung() const;
    // Formelzeichen with the unit in brackets, as column headers show it:
    // "EVD [MN/m²]"; without a unit no brackets.
    QString FormelzeichenMitEinheit() const;
    QString Formelzeichen() const;
    void setFormelzeichen(const QString& value);
    QString Einheit() const;
    void setEinheit(const QString& value);
    rt::Long Nachkommastellen() const;
    void setNachkommastellen(rt::Long value);

private:
    friend class Kalibrierung;
    Prüfmerkmal() = default;
    Prüfmerkmal(const Prüfmerkmal&) = delete;
    Prüfmerkmal& operator=(const Prüfmerkmal&) = delete;

    // Reserved to the owner.
    void setOwner(::Kalibrierung* owner) { m_owner = owner; }
    void setKeys(const QString& name, const QString& formelzeichen, const QString& einheit,
                 const QString& nachkommastellen);

    ::Kalibrierung* m_owner = nullptr;
    QString m_keyName;
    QString m_keyFormelzeichen;
    QString m_keyEinheit;
    QString m_keyNachkommastellen;
};
