#include "AdoRecordset.h"

#include "AdoXmlParser.h"
#include "RuntimeError.h"

#include <QHash>

#include <algorithm>

namespace ado {

namespace {

// ---- writing ------------------------------------------------------------

void appendEscaped(QByteArray& out, const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    for (const char c : utf8) {
        switch (c) {
        case '&':
            out += "&#x26;";
            break;
        case '<':
            out += "&#x3c;";
            break;
        case '>':
            out += "&#x3e;";
            break;
        case '\'':
            out += "&#x27;";
            break;
        case '"':
            out += "&#x22;";
            break;
        // Line breaks and tabs as references: written raw, every XML reader
        // would turn them into blanks.
        case '\t':
            out += "&#x9;";
            break;
        case '\n':
            out += "&#xa;";
            break;
        case '\r':
            out += "&#xd;";
            break;
        default:
            out += c;
        }
    }
}

// Where a text holds a character that XML cannot carry in any form (a lone
// surrogate, U+FFFE or U+FFFF); -1 when it holds none. Controls are written
// raw, as the recordset layer does, and restored when reading.
qsizetype firstUnwritable(QStringView text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t u = text[i].unicode();
        if (QChar::isHighSurrogate(u) && i + 1 < text.size() &&
            QChar::isLowSurrogate(text[i + 1].unicode())) {
            ++i;
            continue;
        }
        if (QChar::isSurrogate(u) || u == 0xFFFE || u == 0xFFFF)
            return i;
    }
    return -1;
}

[[noreturn]] void failUnwritable(QString record, const QString& field, const QString& text,
                                 qsizetype at) {
    // The record's name may hold such characters too: show them as U+FFFD.
    for (qsizetype i = firstUnwritable(record); i >= 0; i = firstUnwritable(record))
        record[i] = QChar::ReplacementCharacter;
    const QString code = QString::number(text[at].unicode(), 16).toUpper().rightJustified(4, u'0');
    rt::raiseError(rt::err::InvalidProcedureCall,
                   QStringLiteral("Die Datei kann nicht gespeichert werden: Im Datensatz „%1“ "
                                  "enthält das Feld „%2“ an Stelle %3 das Zeichen U+%4, das eine "
                                  "XML-Datei nicht aufnehmen kann.")
                       .arg(record, field, QString::number(at + 1), code));
}

QByteArray attribute(const QByteArray& name, const QString& value) {
    QByteArray out = name + "='";
    appendEscaped(out, value);
    out += '\'';
    return out;
}

// A start tag whose attributes wrap onto a new line once the current line
// holds 108 bytes; continuation lines start with TABs and one blank.
void appendTag(QByteArray& out, int depth, const QByteArray& name,
               const QList<QByteArray>& attributes, int continuationTabs, bool selfClosing) {
    QByteArray line(depth, '\t');
    line += '<' + name;
    qsizetype lineBytes = line.size();
    out += line;
    for (qsizetype k = 0; k < attributes.size(); ++k) {
        if (k > 0 && lineBytes >= 108) {
            out += "\r\n" + QByteArray(continuationTabs, '\t') + ' ' + attributes[k];
            lineBytes = attributes[k].size();
        } else {
            out += ' ' + attributes[k];
            lineBytes += 1 + attributes[k].size();
        }
    }
    out += selfClosing ? "/>\r\n" : ">\r\n";
}

bool isPlainName(const QString& name) {
    if (name.isEmpty() || name[0].isDigit())
        return false;
    return std::all_of(name.begin(), name.end(), [](QChar c) {
        return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') ||
               c == u'_';
    });
}

// ---- reading ------------------------------------------------------------

using xml::Ns;
using xml::Parser;

[[noreturn]] void fail(const QString& reason) {
    xml::fail(reason);
}

struct Column {
    QString xmlName;
    QString fieldName;
    std::optional<qint64> number;
};

// A row as it is read: the values of the fields kept, and which of them a
// forced NULL names.
struct Row {
    std::vector<std::optional<QString>> values;
    std::vector<char> forcedNull;

    void reset(size_t fields) {
        values.assign(fields, std::nullopt);
        forcedNull.assign(fields, 0);
    }
};

class Reader {
public:
    Reader(QByteArrayView text, const QStringList& wanted, RecordHandler& handler)
        : m_xml(text), m_wanted(wanted), m_handler(handler) {}

    void run();

private:
    bool is(Ns ns, QByteArrayView local) const {
        return m_xml.ns() == ns && m_xml.local() == local;
    }
    // The next child of the current element; false at its end.
    bool nextChild() { return m_xml.next() == Parser::StartElement; }
    void readSchema();
    void readElementType();
    Column readAttributeType();
    void beginData();
    void readData();
    void readRow(Row& row);
    void hand(Row& row);
    void checkFieldCount() {
        if (m_columns.size() > MaxFields || m_references.size() > MaxFields)
            m_xml.failHere(QStringLiteral("das Schema hat mehr als %1 Felder").arg(MaxFields));
    }
    // Calls f with every kept field that a row attribute of this XML name fills.
    template <class F>
    void forKept(QByteArrayView xmlName, F&& f) const {
        const auto it = m_kept.constFind(xmlName);
        if (it == m_kept.cend())
            return;
        for (int i = *it; i >= 0; i = m_sameName[size_t(i)])
            f(size_t(i));
    }

    Parser m_xml;
    const QStringList& m_wanted;
    RecordHandler& m_handler;
    bool m_haveSchema = false;
    bool m_haveData = false;
    QList<Column> m_columns;  // AttributeTypes in document order
    QStringList m_references; // <s:attribute type='X'/> order, if used
    // From the start of the data: the XML names of the kept fields, the first
    // kept field of each name, and the next one of the same name (or -1).
    std::vector<QByteArray> m_keptNames;
    QHash<QByteArrayView, int> m_kept;
    std::vector<int> m_sameName;
    Row m_row;
    Row m_original;
};

void Reader::run() {
    m_xml.next(); // the root element; a file without one ends prematurely
    if (m_xml.local() != "xml" || m_xml.ns() != Ns::None)
        m_xml.failHere(QStringLiteral("das Wurzelelement ist „%1“ statt „xml“")
                           .arg(QString::fromUtf8(m_xml.local())));
    while (nextChild()) {
        if (is(Ns::Schema, "Schema"))
            readSchema();
        else if (is(Ns::Rowset, "data"))
            readData();
        else
            m_xml.skipElement();
    }
    // Anything after the root element must be well-formed too.
    m_xml.next();
    if (!m_haveSchema)
        fail(QStringLiteral("das Schema (s:Schema) fehlt"));
    if (!m_haveData)
        fail(QStringLiteral("der Datenbereich (rs:data) fehlt"));
}

void Reader::readSchema() {
    // Records are handed on as they are read: their fields must be known.
    if (m_haveData)
        m_xml.failHere(QStringLiteral("das Schema (s:Schema) steht nach dem Datenbereich"));
    m_haveSchema = true;
    while (nextChild()) {
        if (is(Ns::Schema, "ElementType")) {
            readElementType();
        } else if (is(Ns::Schema, "AttributeType")) {
            m_columns.append(readAttributeType()); // older layout: beside the ElementType
            checkFieldCount();
        } else {
            m_xml.skipElement();
        }
    }
}

void Reader::readElementType() {
    while (nextChild()) {
        if (is(Ns::Schema, "AttributeType")) {
            m_columns.append(readAttributeType());
            checkFieldCount();
        } else if (is(Ns::Schema, "attribute")) {
            const xml::Attribute* type = m_xml.attribute(Ns::None, "type");
            m_references.append(type ? Parser::value(*type) : QString());
            checkFieldCount();
            m_xml.skipElement();
        } else {
            m_xml.skipElement();
        }
    }
}

Column Reader::readAttributeType() {
    Column column;
    if (const xml::Attribute* name = m_xml.attribute(Ns::None, "name"))
        column.xmlName = Parser::value(*name);
    if (column.xmlName.isEmpty())
        m_xml.failHere(QStringLiteral("ein Feld des Schemas hat keinen Namen"));
    const xml::Attribute* fieldName = m_xml.attribute(Ns::Rowset, "name");
    column.fieldName = fieldName ? Parser::value(*fieldName) : column.xmlName;
    if (const xml::Attribute* number = m_xml.attribute(Ns::Rowset, "number")) {
        bool ok = false;
        const qint64 n = Parser::value(*number).toLongLong(&ok);
        if (ok)
            column.number = n;
    }
    m_xml.skipElement();
    return column;
}

void Reader::beginData() {
    if (!m_haveSchema)
        m_xml.failHere(QStringLiteral("das Schema (s:Schema) fehlt vor dem Datenbereich"));
    m_haveData = true;
    // Field order: explicit references win, else rs:number, else document order.
    QList<Column> columns;
    if (!m_references.isEmpty()) {
        for (const QString& ref : std::as_const(m_references)) {
            const auto it = std::find_if(m_columns.begin(), m_columns.end(),
                                         [&](const Column& c) { return c.xmlName == ref; });
            if (it == m_columns.end())
                fail(QStringLiteral("das Schema verweist auf das unbekannte Feld „%1“").arg(ref));
            columns.append(*it);
        }
    } else {
        columns = m_columns;
        if (std::all_of(columns.begin(), columns.end(), [](const Column& c) { return c.number; }))
            std::stable_sort(columns.begin(), columns.end(), [](const Column& a, const Column& b) {
                return *a.number < *b.number;
            });
    }
    if (columns.isEmpty())
        fail(QStringLiteral("das Schema definiert keine Felder"));
    QStringList names;
    for (const Column& c : std::as_const(columns)) {
        if (!m_wanted.isEmpty() && !m_wanted.contains(c.fieldName, Qt::CaseInsensitive))
            continue;
        names.append(c.fieldName);
        m_keptNames.push_back(c.xmlName.toUtf8());
    }
    m_sameName.assign(m_keptNames.size(), -1);
    for (size_t i = 0; i < m_keptNames.size(); ++i) {
        const auto it = m_kept.constFind(QByteArrayView(m_keptNames[i]));
        if (it == m_kept.cend()) {
            m_kept.insert(QByteArrayView(m_keptNames[i]), int(i));
            continue;
        }
        int last = *it;
        while (m_sameName[size_t(last)] >= 0)
            last = m_sameName[size_t(last)];
        m_sameName[size_t(last)] = int(i);
    }
    m_handler.fields(names);
}

void Reader::readRow(Row& row) {
    row.reset(m_keptNames.size());
    for (const xml::Attribute& a : m_xml.attributes()) {
        if (a.ns == Ns::None) {
            forKept(a.name, [&](size_t i) { row.values[i] = Parser::value(a); });
        } else if (a.ns == Ns::Rowset && a.local == "forcenull") {
            // Names separated by blanks; only those of kept fields count.
            QByteArray decoded;
            QByteArrayView list = a.raw;
            if (!a.plain) {
                decoded = Parser::utf8Value(a);
                list = decoded;
            }
            for (qsizetype from = 0; from < list.size();) {
                qsizetype to = list.indexOf(' ', from);
                if (to < 0)
                    to = list.size();
                if (to > from)
                    forKept(list.sliced(from, to - from), [&](size_t i) { row.forcedNull[i] = 1; });
                from = to + 1;
            }
        }
    }
    m_xml.skipElement();
}

void Reader::hand(Row& row) {
    for (size_t i = 0; i < row.values.size(); ++i)
        if (row.forcedNull[i])
            row.values[i].reset();
    m_handler.record(row.values);
}

void Reader::readData() {
    if (!m_haveData)
        beginData();
    while (nextChild()) {
        if (is(Ns::Row, "row")) {
            readRow(m_row);
            hand(m_row);
        } else if (is(Ns::Rowset, "insert")) {
            while (nextChild()) {
                if (is(Ns::Row, "row")) {
                    readRow(m_row);
                    hand(m_row);
                } else {
                    m_xml.skipElement();
                }
            }
        } else if (is(Ns::Rowset, "update")) {
            // The changed row holds the new values; the rest comes from the original.
            m_original.reset(m_keptNames.size());
            m_row.reset(m_keptNames.size());
            while (nextChild()) {
                if (is(Ns::Rowset, "original")) {
                    while (nextChild()) {
                        if (is(Ns::Row, "row"))
                            readRow(m_original);
                        else
                            m_xml.skipElement();
                    }
                } else if (is(Ns::Row, "row")) {
                    readRow(m_row);
                } else {
                    m_xml.skipElement();
                }
            }
            for (size_t i = 0; i < m_row.values.size(); ++i)
                if (!m_row.values[i])
                    m_row.values[i] = std::move(m_original.values[i]);
            hand(m_row);
        } else {
            m_xml.skipElement(); // rs:delete and anything unknown
        }
    }
}

} // namespace

int Recordset::fieldIndex(const QString& name) const {
    for (int i = 0; i < fields.size(); ++i)
        if (fields[i].compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

QByteArray write(const QStringList& fields, const std::vector<QStringList>& rows) {
    // A text that XML cannot carry fails before anything is built: every file
    // written loads again.
    for (const QString& field : fields)
        if (const qsizetype at = firstUnwritable(field); at >= 0)
            failUnwritable(QString(), field, field, at);
    for (const QStringList& row : rows)
        for (int k = 0; k < fields.size(); ++k)
            if (const qsizetype at = firstUnwritable(row.value(k)); at >= 0)
                failUnwritable(row.value(0), fields[k], row.value(k), at);
    QByteArray out;
    out.reserve(1024 + qsizetype(rows.size()) * 96);
    out += "<xml xmlns:s='uuid:BDC6E3F0-6DA3-11d1-A2A3-00AA00C14882'\r\n"
           "\txmlns:dt='uuid:C2F41010-65B3-11d1-A29F-00AA00C14882'\r\n"
           "\txmlns:rs='urn:schemas-microsoft-com:rowset'\r\n"
           "\txmlns:z='#RowsetSchema'>\r\n"
           "<s:Schema id='RowsetSchema'>\r\n"
           "\t<s:ElementType name='row' content='eltOnly' rs:updatable='true'>\r\n";
    QList<QByteArray> xmlNames;
    for (int k = 0; k < fields.size(); ++k) {
        QList<QByteArray> attributes;
        if (isPlainName(fields[k])) {
            xmlNames.append(fields[k].toUtf8());
            attributes.append(attribute("name", fields[k]));
        } else {
            // Names that are no plain identifiers get an alias.
            xmlNames.append("c" + QByteArray::number(k));
            attributes.append("name='c" + QByteArray::number(k) + "'");
            attributes.append(attribute("rs:name", fields[k]));
        }
        attributes.append("rs:number='" + QByteArray::number(k + 1) + "'");
        attributes.append("rs:write='true'");
        appendTag(out, 2, "s:AttributeType", attributes, 3, false);
        appendTag(out, 3, "s:datatype",
                  {"dt:type='string'", "dt:maxLength='4294967295'", "rs:precision='0'",
                   "rs:long='true'", "rs:maybenull='false'"},
                  3, true);
        out += "\t\t</s:AttributeType>\r\n";
    }
    out += "\t\t<s:extends type='rs:rowbase'/>\r\n"
           "\t</s:ElementType>\r\n"
           "</s:Schema>\r\n"
           "<rs:data>\r\n";
    QList<QByteArray> attributes(fields.size());
    for (const QStringList& row : rows) {
        for (int k = 0; k < fields.size(); ++k)
            attributes[k] = attribute(xmlNames[k], row.value(k));
        appendTag(out, 1, "z:row", attributes, 2, true);
    }
    out += "</rs:data>\r\n"
           "</xml>";
    return out;
}

void read(const QByteArray& bytes, const QStringList& wanted, RecordHandler& handler) {
    if (std::all_of(bytes.begin(), bytes.end(),
                    [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }))
        fail(QStringLiteral("die Datei ist leer"));
    const xml::Text text(bytes);
    Reader reader(text.view(), wanted, handler);
    reader.run();
}

Recordset read(const QByteArray& bytes, const QStringList& wanted) {
    struct Collect : RecordHandler {
        Recordset result;
        void fields(const QStringList& names) override { result.fields = names; }
        void record(std::vector<std::optional<QString>>& values) override {
            result.rows.push_back(std::move(values));
        }
    } collect;
    read(bytes, wanted, collect);
    return std::move(collect.result);
}

} // namespace ado
