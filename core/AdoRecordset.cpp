#include "AdoRecordset.h"

#include "RuntimeError.h"

#include <QStringDecoder>
#include <QXmlStreamReader>

#include <algorithm>

namespace ado {

namespace {

const QString NsSchema = QStringLiteral("uuid:BDC6E3F0-6DA3-11d1-A2A3-00AA00C14882");
const QString NsRowset = QStringLiteral("urn:schemas-microsoft-com:rowset");
const QString NsRow = QStringLiteral("#RowsetSchema");

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

[[noreturn]] void fail(const QString& reason) {
    rt::raiseError(rt::err::RecordsetSource,
                   rt::errorDescription(rt::err::RecordsetSource) + QStringLiteral(": ") + reason);
}

[[noreturn]] void fail(const QString& reason, const QXmlStreamReader& xml) {
    fail(QStringLiteral("%1 (Zeile %2, Spalte %3)")
             .arg(reason)
             .arg(xml.lineNumber())
             .arg(xml.columnNumber()));
}

QString decode(const QByteArray& bytes) {
    std::optional<QStringConverter::Encoding> encoding;
    qsizetype skip = 0;
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        encoding = QStringConverter::Utf8;
        skip = 3;
    } else if (bytes.startsWith("\xFF\xFE")) {
        encoding = QStringConverter::Utf16LE;
        skip = 2;
    } else if (bytes.startsWith("\xFE\xFF")) {
        encoding = QStringConverter::Utf16BE;
        skip = 2;
    } else if (bytes.size() >= 2 && bytes[0] == 0 && bytes[1] != 0) {
        encoding = QStringConverter::Utf16BE;
    } else if (bytes.size() >= 2 && bytes[0] != 0 && bytes[1] == 0) {
        encoding = QStringConverter::Utf16LE;
    } else if (bytes.startsWith("<?xml")) {
        // An 8-bit file may name its encoding in the declaration.
        const qsizetype end = bytes.indexOf("?>");
        const QByteArray declaration = bytes.left(end < 0 ? 0 : end);
        const qsizetype at = declaration.indexOf("encoding");
        if (at >= 0) {
            const qsizetype open = declaration.indexOf('=', at);
            QByteArray name = declaration.mid(open + 1).trimmed();
            if (!name.isEmpty() && (name[0] == '"' || name[0] == '\'')) {
                const char quote = name[0];
                name = name.mid(1, name.indexOf(quote, 1) - 1);
                encoding = QStringConverter::encodingForName(name.constData());
                if (!encoding)
                    fail(QStringLiteral("unbekannte Zeichenkodierung „%1“")
                             .arg(QString::fromLatin1(name)));
            }
        }
    }
    // Stateless: a character cut off at the end is an error, not dropped.
    QStringDecoder decoder(encoding.value_or(QStringConverter::Utf8),
                           QStringConverter::Flag::Stateless);
    QString text = decoder(QByteArrayView(bytes).sliced(skip));
    if (decoder.hasError())
        fail(QStringLiteral("die Datei enthält ungültig kodierte Zeichen"));
    return text;
}

// Control characters that XML forbids are written raw by the recordset layer.
// While parsing they are escaped with a private character P: a control c
// becomes P followed by '@' + c, and P itself becomes P P. The escapes are
// undone in every text read, so any text comes back as it was written.
constexpr char16_t Escape = 0xE000;

bool isForbiddenControl(QChar c) {
    const char16_t u = c.unicode();
    return u < 0x20 && u != u'\t' && u != u'\n' && u != u'\r';
}

// Escapes the controls; false when the text has none (and is left alone).
bool escapeControls(QString& text) {
    if (std::none_of(text.begin(), text.end(), isForbiddenControl))
        return false;
    QString escaped;
    escaped.reserve(text.size() + 16);
    for (QChar c : std::as_const(text)) {
        if (isForbiddenControl(c)) {
            escaped += QChar(Escape);
            escaped += QChar(char16_t(u'@' + c.unicode()));
        } else if (c == QChar(Escape)) {
            escaped += QChar(Escape);
            escaped += QChar(Escape);
        } else {
            escaped += c;
        }
    }
    text = std::move(escaped);
    return true;
}

QString unescapeControls(const QString& text) {
    if (!text.contains(QChar(Escape)))
        return text;
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t next = i + 1 < text.size() ? text[i + 1].unicode() : 0;
        if (text[i] == QChar(Escape) && next == Escape) {
            out += QChar(Escape);
            ++i;
        } else if (text[i] == QChar(Escape) && next >= u'@' && next <= u'_' &&
                   isForbiddenControl(QChar(char16_t(next - u'@')))) {
            out += QChar(char16_t(next - u'@'));
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

struct Column {
    QString xmlName;
    QString fieldName;
    std::optional<qint64> number;
};

// A row as written: its attributes by XML name (a handful, so a list).
struct Row {
    std::vector<std::pair<QString, QString>> values;
    QStringList forcedNull;

    const QString* find(const QString& xmlName) const {
        for (const auto& [name, value] : values)
            if (name == xmlName)
                return &value;
        return nullptr;
    }
};

// Refuses an element with more attributes than a recordset can have before
// the XML reader sees it: its check for duplicate attributes takes time that
// grows with the square of their number. Counts the '=' of each tag outside
// quotes; comments, CDATA and processing instructions are passed over.
void checkAttributeCounts(const QString& text) {
    const qsizetype n = text.size();
    qsizetype line = 1, lineStart = 0;
    auto skipTo = [&](qsizetype from, QStringView end) {
        const qsizetype at = text.indexOf(end, from);
        return at < 0 ? n : at + end.size();
    };
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text[i];
        if (c == u'\n') {
            ++line;
            lineStart = i + 1;
            continue;
        }
        if (c != u'<')
            continue;
        QStringView rest = QStringView(text).mid(i);
        qsizetype end = -1;
        if (rest.startsWith(u"<!--"))
            end = skipTo(i + 4, u"-->");
        else if (rest.startsWith(u"<![CDATA["))
            end = skipTo(i + 9, u"]]>");
        else if (rest.startsWith(u"<?"))
            end = skipTo(i + 2, u"?>");
        if (end >= 0) {
            for (qsizetype k = i; k < end && k < n; ++k)
                if (text[k] == u'\n') {
                    ++line;
                    lineStart = k + 1;
                }
            i = end - 1;
            continue;
        }
        const qsizetype tagLine = line, tagColumn = i - lineStart + 1;
        int attributes = 0;
        QChar quote;
        qsizetype k = i + 1;
        for (; k < n; ++k) {
            const QChar t = text[k];
            if (t == u'\n') {
                ++line;
                lineStart = k + 1;
            }
            if (!quote.isNull()) {
                if (t == quote)
                    quote = QChar();
            } else if (t == u'"' || t == u'\'') {
                quote = t;
            } else if (t == u'=') {
                if (++attributes > MaxAttributes)
                    fail(QStringLiteral(
                             "ein Element hat mehr als %1 Attribute (Zeile %2, Spalte %3)")
                             .arg(MaxAttributes)
                             .arg(tagLine)
                             .arg(tagColumn));
            } else if (t == u'>') {
                break;
            }
        }
        i = k;
    }
}

class Reader {
public:
    explicit Reader(const QString& text) : m_xml(text) { m_xml.setNamespaceProcessing(true); }

    // escaped: whether controls were escaped before parsing; wanted: the
    // fields kept (all when empty).
    Recordset run(bool escaped, const QStringList& wanted);

private:
    bool isElement(const QString& ns, QStringView name) const {
        return m_xml.namespaceUri().compare(ns, Qt::CaseInsensitive) == 0 && m_xml.name() == name;
    }
    void readSchema();
    void readElementType();
    Column readAttributeType();
    void readData();
    Row readRow();
    void skip() { m_xml.skipCurrentElement(); }
    void checkFieldCount() {
        if (m_columns.size() > MaxFields || m_references.size() > MaxFields)
            fail(QStringLiteral("das Schema hat mehr als %1 Felder").arg(MaxFields), m_xml);
    }
    void checkError() {
        if (!m_xml.hasError())
            return;
        if (m_xml.error() == QXmlStreamReader::PrematureEndOfDocumentError)
            fail(QStringLiteral("die Datei endet vorzeitig"), m_xml);
        fail(QStringLiteral("die Datei ist kein wohlgeformtes XML"), m_xml);
    }

    QXmlStreamReader m_xml;
    bool m_haveSchema = false;
    bool m_haveData = false;
    QList<Column> m_columns;  // AttributeTypes in document order
    QStringList m_references; // <s:attribute type='X'/> order, if used
    std::vector<Row> m_rows;
};

Recordset Reader::run(bool escaped, const QStringList& wanted) {
    auto restore = [&](const QString& text) { return escaped ? unescapeControls(text) : text; };
    if (!m_xml.readNextStartElement()) {
        checkError();
        fail(QStringLiteral("die Datei enthält kein XML-Element"));
    }
    if (m_xml.name() != u"xml" || !m_xml.namespaceUri().isEmpty())
        fail(QStringLiteral("das Wurzelelement ist „%1“ statt „xml“").arg(m_xml.name()), m_xml);
    while (m_xml.readNextStartElement()) {
        if (isElement(NsSchema, u"Schema"))
            readSchema();
        else if (isElement(NsRowset, u"data"))
            readData();
        else
            skip();
    }
    checkError();
    // Anything after the root element must be well-formed too.
    while (!m_xml.atEnd())
        m_xml.readNext();
    checkError();

    if (!m_haveSchema)
        fail(QStringLiteral("das Schema (s:Schema) fehlt"));
    if (!m_haveData)
        fail(QStringLiteral("der Datenbereich (rs:data) fehlt"));

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
    if (!wanted.isEmpty()) {
        QList<Column> kept;
        for (const Column& c : std::as_const(columns))
            if (wanted.contains(restore(c.fieldName), Qt::CaseInsensitive))
                kept.append(c);
        columns = kept;
    }

    Recordset result;
    for (const Column& c : std::as_const(columns))
        result.fields.append(restore(c.fieldName));
    result.rows.reserve(m_rows.size());
    for (const Row& row : m_rows) {
        std::vector<std::optional<QString>> record;
        record.reserve(columns.size());
        for (const Column& c : std::as_const(columns)) {
            const QString* v = row.find(c.xmlName);
            if (!v || row.forcedNull.contains(c.xmlName))
                record.emplace_back();
            else
                record.emplace_back(restore(*v));
        }
        result.rows.push_back(std::move(record));
    }
    return result;
}

void Reader::readSchema() {
    m_haveSchema = true;
    while (m_xml.readNextStartElement()) {
        if (isElement(NsSchema, u"ElementType"))
            readElementType();
        else if (isElement(NsSchema, u"AttributeType")) {
            m_columns.append(readAttributeType()); // older layout: beside the ElementType
            checkFieldCount();
        } else
            skip();
    }
}

void Reader::readElementType() {
    while (m_xml.readNextStartElement()) {
        if (isElement(NsSchema, u"AttributeType")) {
            m_columns.append(readAttributeType());
            checkFieldCount();
        } else if (isElement(NsSchema, u"attribute")) {
            m_references.append(m_xml.attributes().value(QLatin1String("type")).toString());
            checkFieldCount();
            skip();
        } else {
            skip();
        }
    }
}

Column Reader::readAttributeType() {
    const QXmlStreamAttributes attributes = m_xml.attributes();
    Column column;
    column.xmlName = attributes.value(QLatin1String("name")).toString();
    if (column.xmlName.isEmpty())
        fail(QStringLiteral("ein Feld des Schemas hat keinen Namen"), m_xml);
    column.fieldName = attributes.hasAttribute(NsRowset, QLatin1String("name"))
                           ? attributes.value(NsRowset, QLatin1String("name")).toString()
                           : column.xmlName;
    if (attributes.hasAttribute(NsRowset, QLatin1String("number"))) {
        bool ok = false;
        const qint64 number = attributes.value(NsRowset, QLatin1String("number")).toLongLong(&ok);
        if (ok)
            column.number = number;
    }
    skip();
    return column;
}

Row Reader::readRow() {
    Row row;
    for (const QXmlStreamAttribute& a : m_xml.attributes()) {
        if (a.namespaceUri().isEmpty())
            row.values.emplace_back(a.name().toString(), a.value().toString());
        else if (a.namespaceUri() == NsRowset && a.name() == u"forcenull")
            for (const auto& name : a.value().split(u' ', Qt::SkipEmptyParts))
                row.forcedNull.append(name.toString());
    }
    skip();
    return row;
}

void Reader::readData() {
    m_haveData = true;
    while (m_xml.readNextStartElement()) {
        if (isElement(NsRow, u"row")) {
            m_rows.push_back(readRow());
        } else if (isElement(NsRowset, u"insert")) {
            while (m_xml.readNextStartElement()) {
                if (isElement(NsRow, u"row"))
                    m_rows.push_back(readRow());
                else
                    skip();
            }
        } else if (isElement(NsRowset, u"update")) {
            // The changed row holds the new values; the rest comes from the original.
            Row original, changed;
            while (m_xml.readNextStartElement()) {
                if (isElement(NsRowset, u"original")) {
                    while (m_xml.readNextStartElement()) {
                        if (isElement(NsRow, u"row"))
                            original = readRow();
                        else
                            skip();
                    }
                } else if (isElement(NsRow, u"row")) {
                    changed = readRow();
                } else {
                    skip();
                }
            }
            for (const auto& [name, value] : original.values)
                if (!changed.find(name))
                    changed.values.emplace_back(name, value);
            m_rows.push_back(std::move(changed));
        } else {
            skip(); // rs:delete and anything unknown
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

Recordset read(const QByteArray& bytes, const QStringList& wanted) {
    if (bytes.trimmed().isEmpty())
        fail(QStringLiteral("die Datei ist leer"));
    QString text = decode(bytes);
    checkAttributeCounts(text);
    const bool escaped = escapeControls(text);
    Reader reader(text);
    return reader.run(escaped, wanted);
}

} // namespace ado
