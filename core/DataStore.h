#pragma once

#include "OrderedMap.h"
#include "Variant.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

// What a run of changes did to a store: each key touched, with its value
// before and after (nothing for a missing key). When keys were removed, the
// order of all keys before and after, so that undoing restores the file's
// order exactly.
struct StoreChanges {
    struct Entry {
        QString key;
        std::optional<rt::Variant> before;
        std::optional<rt::Variant> after;
    };
    std::vector<Entry> entries;
    std::optional<QStringList> orderBefore;
    std::optional<QStringList> orderAfter;
    bool isEmpty() const { return entries.empty(); }
    // The memory the record takes, about (texts shared with the store counted
    // in full: they are the record's alone once the store changes).
    qint64 bytes() const;
};

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
    // Makes room for this many keys in all.
    void reserve(qsizetype count) { m_map.reserve(count); }
    // Takes every key and value of other in its order, in place of its own.
    void replaceWith(DataStore&& other);

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

    // Records, from now on, the first state of every key that changes, except
    // the keys in ignored (bookkeeping that is no one's edit). Recording does
    // not nest: a second begin continues the running record.
    void beginRecording(const QStringList& ignored = {});
    bool isRecording() const { return m_recording.has_value(); }
    // Ends the record: the keys whose value differs now, with both states.
    // A key that was only read into existence (empty) is no change.
    StoreChanges endRecording();
    // Ends the record and takes back what it holds: every key but the
    // ignored ones, those only read into existence too, is as it was when
    // the record began, in the order it had then.
    void cancelRecording();
    // Puts every recorded key back to its state before (undo) or after
    // (redo). The store must hold the state the changes leave (a key read
    // into existence counts as missing); otherwise error 5 is raised and
    // nothing is changed.
    void apply(const StoreChanges& changes, bool undo);

private:
    void note(const QString& key);
    void reorder(const QStringList& order);

    struct Recording {
        QHash<QString, int> index;
        std::vector<StoreChanges::Entry> entries;
        QStringList ignored;
        std::optional<QStringList> orderBefore;
    };
    rt::OrderedMap<rt::Variant> m_map;
    quint64 m_revision = 0;
    std::optional<Recording> m_recording;
};
