#pragma once

#include "Variant.h"

#include <QHashFunctions>
#include <QString>
#include <QStringList>

#include <unordered_map>
#include <vector>

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
    bool exists(const QString& key) const { return m_index.count(key) != 0; }
    // The value if the key exists, else nullptr; inserts nothing.
    const rt::Variant* find(const QString& key) const;
    // Removes one key; false when it did not exist.
    bool remove(const QString& key);
    void removeAll();

    int count() const { return int(m_index.size()); }
    // The keys in enumeration order.
    QStringList keys() const;

    // Calls f(key, value) for each entry in enumeration order.
    template <class F>
    void forEach(F&& f) const {
        for (const Entry& entry : m_entries)
            if (entry.alive)
                f(entry.key, entry.value);
    }

    // Grows with every change of keys or values, so that derived data can
    // tell whether it is still current.
    quint64 revision() const { return m_revision; }

private:
    struct Entry {
        QString key;
        rt::Variant value;
        bool alive = true;
    };
    void compact();

    struct KeyHash {
        size_t operator()(const QString& key) const noexcept { return qHash(key); }
    };
    std::vector<Entry> m_entries;
    // Keeps each key's hash beside it, so that a probe compares hashes before
    // the (long, similar) key texts.
    std::unordered_map<QString, qsizetype, KeyHash> m_index;
    qsizetype m_removed = 0;
    quint64 m_revision = 0;
};
