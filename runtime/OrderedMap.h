#pragma once

#include <QHashFunctions>
#include <QString>
#include <QStringList>

#include <unordered_map>
#include <vector>

namespace rt {

// A map from text keys to values that enumerates its keys in the order of
// their first insertion, with constant-time look-up. Keys compare exactly.
template <class V>
class OrderedMap {
public:
    // The value if the key exists, else nullptr.
    const V* find(const QString& key) const {
        const auto it = m_index.find(key);
        return it == m_index.end() ? nullptr : &m_entries[it->second].value;
    }
    // The same for writing in place; valid until a key is inserted or removed.
    V* find(const QString& key) {
        const auto it = m_index.find(key);
        return it == m_index.end() ? nullptr : &m_entries[it->second].value;
    }
    bool contains(const QString& key) const { return m_index.count(key) != 0; }
    // Writes a value; a new key goes to the end, an existing one keeps its place.
    void insert(const QString& key, const V& value) {
        const auto [it, inserted] = m_index.try_emplace(key, m_entries.size());
        if (!inserted) {
            m_entries[it->second].value = value;
            return;
        }
        m_entries.push_back(Entry{key, value, true});
    }
    // Removes one key; false when it did not exist.
    bool remove(const QString& key) {
        const auto it = m_index.find(key);
        if (it == m_index.end())
            return false;
        Entry& entry = m_entries[it->second];
        entry.alive = false;
        entry.value = V();
        m_index.erase(it);
        // Removed entries stay as holes until they make up half of the list.
        if (++m_removed > 32 && m_removed * 2 > m_entries.size())
            compact();
        return true;
    }
    // Makes room for this many keys in all.
    void reserve(qsizetype count) {
        m_index.reserve(size_t(count));
        m_entries.reserve(size_t(count));
    }
    void clear() {
        m_entries.clear();
        m_index.clear();
        m_removed = 0;
    }
    int count() const { return int(m_index.size()); }
    QStringList keys() const {
        QStringList result;
        result.reserve(count());
        forEach([&](const QString& key, const V&) { result.append(key); });
        return result;
    }
    // Calls f(key, value) for each entry in enumeration order.
    template <class F>
    void forEach(F&& f) const {
        for (const Entry& entry : m_entries)
            if (entry.alive)
                f(entry.key, entry.value);
    }

private:
    struct Entry {
        QString key;
        V value;
        bool alive = true;
    };
    struct KeyHash {
        // Not noexcept: that makes the standard hash table keep the hash codes.
        size_t operator()(const QString& key) const { return qHash(key); }
    };
    void compact() {
        std::vector<Entry> live;
        live.reserve(m_entries.size() - m_removed);
        for (Entry& entry : m_entries)
            if (entry.alive)
                live.push_back(std::move(entry));
        m_entries = std::move(live);
        m_index.clear();
        for (size_t i = 0; i < m_entries.size(); ++i)
            m_index.emplace(m_entries[i].key, i);
        m_removed = 0;
    }

    std::vector<Entry> m_entries;
    // Keeps each key's hash beside it, so that a probe compares hashes before
    // the (often long and similar) key texts.
    std::unordered_map<QString, size_t, KeyHash> m_index;
    size_t m_removed = 0;
};

} // namespace rt
