#include "DataStore.h"

rt::Variant DataStore::value(const QString& key) {
    if (const rt::Variant* v = find(key))
        return *v;
    setValue(key, rt::Variant());
    return rt::Variant();
}

void DataStore::setValue(const QString& key, const rt::Variant& value) {
    ++m_revision;
    m_map.insert(key, value);
}

bool DataStore::remove(const QString& key) {
    if (!m_map.remove(key))
        return false;
    ++m_revision;
    return true;
}

void DataStore::removeAll() {
    ++m_revision;
    m_map.clear();
}
