#pragma once

#include "OrderedMap.h"
#include "Variant.h"

#include <QString>
#include <QStringList>

// The calibration's map from text keys to values: keys compare exactly, they
// are enumerated in the order of their first insertion, and a plain read of a
// missing key inserts it with the empty value.
class DataStore {
public:
    // Plain read: a missing key is appended with the empty value.
    rt::Variant value(const QString& key);
    // Writes a value; a new key goes to the end, an existing one keeps its place.
    void setValue(const QString& key, const rt::Variant& value);
    // Existence test; inserts nothing.
    bool exists(const QString& key) const { return m_map.contains(key); }
    // The value if the key exists, else nullptr; inserts nothing.
    const rt::Variant* find(const QString& key) const { return m_map.find(key); }
    // Removes one key; false when it did not exist.
    bool remove(const QString& key);
    void removeAll();

    int count() const { return m_map.count(); }
    // The keys in enumeration order.
    QStringList keys() const { return m_map.keys(); }

    // Calls f(key, value) for each entry in enumeration order.
    template <class F>
    void forEach(F&& f) const {
        m_map.forEach(std::forward<F>(f));
    }

    // Grows with every change of keys or values, so that derived data can
    // tell whether it is still current.
    quint64 revision() const { return m_revision; }

private:
    rt::OrderedMap<rt::Variant> m_map;
    quint64 m_revision = 0;
};
