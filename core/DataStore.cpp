#include "DataStore.h"

rt::Variant DataStore::value(const QString& key) {
    if (const rt::Variant* v = find(key))
        return *v;
    setValue(key, rt::Variant());
    return rt::Variant();
}

void DataStore::setValue(const QString& key, const rt::Variant& value) {
    ++m_revision;
    const auto [it, inserted] = m_index.try_emplace(key, qsizetype(m_entries.size()));
    if (!inserted) {
        m_entries[it->second].value = value;
        return;
    }
    m_entries.push_back(Entry{key, value, true});
}

const rt::Variant* DataStore::find(const QString& key) const {
    const auto it = m_index.find(key);
    return it == m_index.end() ? nullptr : &m_entries[it->second].value;
}

bool DataStore::remove(const QString& key) {
    const auto it = m_index.find(key);
    if (it == m_index.end())
        return false;
    ++m_revision;
    Entry& entry = m_entries[it->second];
    entry.alive = false;
    entry.value = rt::Variant();
    m_index.erase(it);
    // Removed entries stay as holes until they make up half of the list.
    if (++m_removed > 32 && m_removed * 2 > qsizetype(m_entries.size()))
        compact();
    return true;
}

void DataStore::removeAll() {
    ++m_revision;
    m_entries.clear();
    m_index.clear();
    m_removed = 0;
}

QStringList DataStore::keys() const {
    QStringList result;
    result.reserve(count());
    forEach([&](const QString& key, const rt::Variant&) { result.append(key); });
    return result;
}

void DataStore::compact() {
    std::vector<Entry> live;
    live.reserve(m_entries.size() - m_removed);
    for (Entry& entry : m_entries)
        if (entry.alive)
            live.push_back(std::move(entry));
    m_entries = std::move(live);
    m_index.clear();
    for (qsizetype i = 0; i < qsizetype(m_entries.size()); ++i)
        m_index.emplace(m_entries[i].key, i);
    m_removed = 0;
}
