#include "DataStore.h"

#include "RuntimeError.h"

#include <algorithm>
#include <vector>

rt::Variant DataStore::value(const QString& key) {
    if (const rt::Variant* v = find(key))
        return *v;
    setValue(key, rt::Variant());
    return rt::Variant();
}

void DataStore::setValue(const QString& key, const rt::Variant& value) {
    if (m_recording)
        note(key);
    ++m_revision;
    m_map.insert(key, value);
}

bool DataStore::remove(const QString& key) {
    if (m_recording && m_map.contains(key)) {
        note(key);
        if (!m_recording->orderBefore) {
            // The order before the record began: keys added since went to the end.
            QStringList order;
            m_map.forEach([&](const QString& k, const rt::Variant&) {
                const auto it = m_recording->index.constFind(k);
                if (it == m_recording->index.cend() ||
                    m_recording->entries[size_t(*it)].before.has_value())
                    order.append(k);
            });
            m_recording->orderBefore = std::move(order);
        }
    }
    if (!m_map.remove(key))
        return false;
    ++m_revision;
    return true;
}

void DataStore::removeAll() {
    if (m_recording) {
        for (const QString& key : keys())
            remove(key);
        return;
    }
    ++m_revision;
    m_map.clear();
}

qint64 StoreChanges::bytes() const {
    // A text: its object, its characters and the heap block's header.
    auto text = [](const QString& s) { return qint64(sizeof(QString)) + 2 * s.size() + 32; };
    auto value = [&](const std::optional<rt::Variant>& v) {
        return v && v->isString() ? text(v->stringValue()) - qint64(sizeof(QString)) : 0;
    };
    qint64 total = qint64(sizeof(StoreChanges)) + qint64(entries.capacity() * sizeof(Entry));
    for (const Entry& e : entries)
        total += text(e.key) - qint64(sizeof(QString)) + value(e.before) + value(e.after);
    for (const auto& order : {orderBefore, orderAfter})
        if (order)
            for (const QString& key : *order)
                total += text(key);
    return total;
}

void DataStore::replaceWith(DataStore&& other) {
    if (m_recording) {
        removeAll();
        other.forEach([&](const QString& key, const rt::Variant& value) { setValue(key, value); });
        return;
    }
    m_map = std::move(other.m_map);
    other.m_map.clear();
    m_revision = std::max(m_revision, other.m_revision) + 1;
}

void DataStore::note(const QString& key) {
    Recording& r = *m_recording;
    if (r.index.contains(key) || r.ignored.contains(key))
        return;
    std::optional<rt::Variant> before;
    if (const rt::Variant* v = m_map.find(key))
        before = *v;
    r.index.insert(key, int(r.entries.size()));
    r.entries.push_back({key, std::move(before), std::nullopt});
}

void DataStore::beginRecording(const QStringList& ignored) {
    if (m_recording)
        return;
    m_recording.emplace();
    m_recording->ignored = ignored;
}

namespace {

// Whether two states of a key are alike: a missing key is as good as one read
// into existence.
bool same(const std::optional<rt::Variant>& a, const std::optional<rt::Variant>& b) {
    const rt::Variant none;
    return a.value_or(none) == b.value_or(none);
}
bool same(const rt::Variant* a, const std::optional<rt::Variant>& b) {
    const rt::Variant none;
    return (a ? *a : none) == (b ? *b : none);
}

} // namespace

StoreChanges DataStore::endRecording() {
    StoreChanges changes;
    if (!m_recording)
        return changes;
    Recording r = std::move(*m_recording);
    m_recording.reset();
    for (StoreChanges::Entry& e : r.entries) {
        if (const rt::Variant* v = m_map.find(e.key))
            e.after = *v;
        if (!same(e.before, e.after))
            changes.entries.push_back(std::move(e));
    }
    if (r.orderBefore && !changes.entries.empty()) {
        changes.orderBefore = std::move(r.orderBefore);
        changes.orderAfter = keys();
    }
    return changes;
}

void DataStore::cancelRecording() {
    if (!m_recording)
        return;
    Recording r = std::move(*m_recording);
    m_recording.reset();
    for (const StoreChanges::Entry& e : r.entries) {
        if (e.before)
            m_map.insert(e.key, *e.before);
        else
            m_map.remove(e.key);
    }
    // Keys removed and written again went to the end.
    if (r.orderBefore)
        reorder(*r.orderBefore);
    ++m_revision;
}

void DataStore::apply(const StoreChanges& changes, bool undo) {
    auto target = [undo](const StoreChanges::Entry& e) -> const std::optional<rt::Variant>& {
        return undo ? e.before : e.after;
    };
    // A step applied to a store in another state would mix two histories.
    // A key the step left absent may have been read into existence since
    // (a page seeds its entries); the step's value replaces it. The values
    // of keys that stay are written in place (unless a record notes every
    // key), before any key comes or goes.
    std::vector<rt::Variant*> inPlace;
    inPlace.reserve(changes.entries.size());
    for (const StoreChanges::Entry& e : changes.entries) {
        rt::Variant* value = m_map.find(e.key);
        const std::optional<rt::Variant>& left = undo ? e.after : e.before;
        if (!same(value, left) && !(value && !left))
            rt::raiseError(rt::err::InvalidProcedureCall);
        inPlace.push_back(target(e) && !m_recording ? value : nullptr);
    }
    for (size_t i = 0; i < inPlace.size(); ++i)
        if (inPlace[i])
            *inPlace[i] = *target(changes.entries[i]);
    for (size_t i = 0; i < inPlace.size(); ++i) {
        const StoreChanges::Entry& e = changes.entries[i];
        if (inPlace[i])
            continue;
        if (target(e))
            setValue(e.key, *target(e));
        else
            remove(e.key);
    }
    ++m_revision;
    if (const auto& order = undo ? changes.orderBefore : changes.orderAfter)
        reorder(*order);
}

void DataStore::reorder(const QStringList& order) {
    rt::OrderedMap<rt::Variant> sorted;
    for (const QString& key : order)
        if (const rt::Variant* v = m_map.find(key))
            sorted.insert(key, *v);
    // Keys the order does not know (read into existence since) keep theirs, after it.
    m_map.forEach([&](const QString& key, const rt::Variant& v) {
        if (!sorted.contains(key))
            sorted.insert(key, v);
    });
    m_map = std::move(sorted);
    ++m_revision;
}
