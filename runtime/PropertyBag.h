#pragma once

#include "runtime_export.h"

#include "Variant.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

namespace rt {

// Named values serialised into one byte block, for objects that persist
// themselves.
//
// Layout of contents() (QDataStream, version Qt 6.0, big endian):
//   quint32 magic 0x50424147 ("PBAG"), quint16 layout version 1,
//   quint32 number of entries, then per entry in writing order:
//   QString name, quint8 type (0 empty, 1 null, 2 Boolean, 3 Long, 4 Double,
//   5 text) and the value (quint8 for Booleans, qint32, double, QString).
class RUNTIME_EXPORT PropertyBag {
public:
    // Writes (or overwrites) the entry Name; names ignore letter case.
    void writeProperty(const QString& name, const Variant& value);
    // The entry Name, or defaultValue when there is none.
    Variant readProperty(const QString& name, const Variant& defaultValue = Variant()) const;
    bool contains(const QString& name) const;

    QByteArray contents() const;
    // Replaces all entries by those of a block; a damaged block raises error
    // 380 and leaves the bag unchanged.
    void setContents(const QByteArray& block);

private:
    QStringList m_names;
    QHash<QString, Variant> m_values; // by lower-case name
};

} // namespace rt
