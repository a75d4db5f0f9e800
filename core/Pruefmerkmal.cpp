#include "Pruefmerkmal.h"

#include "Kalibrierung.h"

void Prüfmerkmal::setKeys(const QString& name, const QString& formelzeichen, const QString& einheit,
                          const QString& nachkommastellen) {
    m_keyName = name;
    m_keyFormelzeichen = formelzeichen;
    m_keyEinheit = einheit;
    m_keyNachkommastellen = nachkommastellen;
}

void Prüfmerkmal::setDataStore(const QString& Key, const rt::Variant& value) {
    m_owner->DataStoreLet(Key, value);
}

rt::Variant Prüfmerkmal::DataStore(const QString& Key) const {
    return m_owner->DataStore()->value(Key);
}

QString Prüfmerkmal::Name() const {
    return DataStore(m_keyName).toText();
}

void Prüfmerkmal::setName(const QString& value) {
    setDataStore(m_keyName, value);
}

QString Prüfmerkmal::Bezeichung() const {
    // Name is read first: plain reads insert missing keys in reading order.
    const QString name = Name();
    return name + u' ' + Formelzeichen();
}

QString Prüfmerkmal::FormelzeichenMitEinheit() const {
    const QString formelzeichen = Formelzeichen().trimmed();
    const QString einheit = Einheit();
    if (einheit.trimmed().isEmpty())
        return formelzeichen;
    return formelzeichen + QStringLiteral(" [") + einheit + u']';
}

QString Prüfmerkmal::Formelzeichen() const {
    return DataStore(m_keyFormelzeichen).toText();
}

void Prüfmerkmal::setFormelzeichen(const QString& value) {
    setDataStore(m_keyFormelzeichen, value);
}

QString Prüfmerkmal::Einheit() const {
    return DataStore(m_keyEinheit).toText();
}

void Prüfmerkmal::setEinheit(const QString& value) {
    setDataStore(m_keyEinheit, value);
}

rt::Long Prüfmerkmal::Nachkommastellen() const {
    return DataStore(m_keyNachkommastellen).toLong();
}

void Prüfmerkmal::setNachkommastellen(rt::Long value) {
    setDataStore(m_keyNachkommastellen, value);
}
