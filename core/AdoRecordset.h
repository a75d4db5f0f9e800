#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

// The XML format in which a recordset persists itself: a schema of fields and
// one row element per record. Files written here are byte for byte what the
// recordset layer writes for string fields; the reader accepts every form it
// writes (pending inserts, updates and deletes, UTF-16, byte-order marks,
// double quotes, any white space, extra fields and field attributes).
namespace ado {

struct Recordset {
    QStringList fields; // field names in field order
    // One entry per record and field; no value means NULL (attribute absent).
    std::vector<std::vector<std::optional<QString>>> rows;

    // Index of a field by name, letter case ignored; -1 when there is none.
    int fieldIndex(const QString& name) const;
};

// Serialises records of string fields. Every row holds one text per field.
// A text holding a character that XML cannot carry (a lone surrogate, U+FFFE,
// U+FFFF) raises error 5 naming the record (by its first field) and the field.
QByteArray write(const QStringList& fields, const std::vector<QStringList>& rows);

// The most fields a schema may declare (or refer to): a recordset has far
// fewer, and a file with more would take memory or time out of all
// proportion. The limits of the XML itself are in AdoXmlParser.h.
inline constexpr int MaxFields = 512;

// Takes the records of a file as they are read.
class RecordHandler {
public:
    virtual ~RecordHandler() = default;
    // Once, when the data begin: the names of the fields kept, in field order.
    virtual void fields(const QStringList& names) = 0;
    // One record: a value per field kept, none for NULL. The values may be
    // taken.
    virtual void record(std::vector<std::optional<QString>>& values) = 0;
};

// Parses a persisted recordset and hands each record on as soon as it is
// read, with only the wanted fields (all when none are given; the others are
// checked for well-formedness and dropped), so that memory grows with what
// is kept. Raises rt::RuntimeError (err::RecordsetSource) with a German
// reason, and the line and column where it applies, when the bytes are not a
// readable recordset; a handler may raise too, and reading stops.
void read(const QByteArray& bytes, const QStringList& wanted, RecordHandler& handler);

// The same, into one Recordset.
Recordset read(const QByteArray& bytes, const QStringList& wanted = {});

} // namespace ado
