#include "AdoXmlParser.h"

#include "RuntimeError.h"

#include <QStringDecoder>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <optional>
#include <utility>

namespace ado::xml {

namespace {

constexpr QByteArrayView XmlUri = "http://www.w3.org/XML/1998/namespace";
constexpr QByteArrayView XmlnsUri = "http://www.w3.org/2000/xmlns/";

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// The character at q of valid UTF-8, moving q past it.
char32_t decode(const char*& q) {
    const auto c = static_cast<unsigned char>(*q);
    if (c < 0x80) {
        ++q;
        return c;
    }
    const int n = c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
    char32_t cp = c & (0x7F >> n);
    for (int i = 1; i < n; ++i)
        cp = (cp << 6) | (static_cast<unsigned char>(q[i]) & 0x3F);
    q += n;
    return cp;
}

void appendUtf8(QByteArray& out, char32_t cp) {
    if (cp < 0x80) {
        out += char(cp);
    } else if (cp < 0x800) {
        out += char(0xC0 | (cp >> 6));
        out += char(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += char(0xE0 | (cp >> 12));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    } else {
        out += char(0xF0 | (cp >> 18));
        out += char(0x80 | ((cp >> 12) & 0x3F));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    }
}

bool isNameStart(char32_t c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == ':' ||
           (c >= 0xC0 && c <= 0xD6) || (c >= 0xD8 && c <= 0xF6) || (c >= 0xF8 && c <= 0x2FF) ||
           (c >= 0x370 && c <= 0x37D) || (c >= 0x37F && c <= 0x1FFF) ||
           (c >= 0x200C && c <= 0x200D) || (c >= 0x2070 && c <= 0x218F) ||
           (c >= 0x2C00 && c <= 0x2FEF) || (c >= 0x3001 && c <= 0xD7FF) ||
           (c >= 0xF900 && c <= 0xFDCF) || (c >= 0xFDF0 && c <= 0xFFFD) ||
           (c >= 0x10000 && c <= 0xEFFFF);
}

bool isNameChar(char32_t c) {
    return isNameStart(c) || c == '-' || c == '.' || (c >= '0' && c <= '9') || c == 0xB7 ||
           (c >= 0x300 && c <= 0x36F) || (c >= 0x203F && c <= 0x2040);
}

// What a character reference may name.
bool isChar(char32_t c) {
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) ||
           (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
}

Ns classify(QByteArrayView uri) {
    auto is = [&](const char* known) {
        return qstrnicmp(uri.data(), uri.size(), known, qsizetype(std::strlen(known))) == 0;
    };
    if (is("uuid:BDC6E3F0-6DA3-11d1-A2A3-00AA00C14882"))
        return Ns::Schema;
    if (is("urn:schemas-microsoft-com:rowset"))
        return Ns::Rowset;
    if (is("#RowsetSchema"))
        return Ns::Row;
    return Ns::Other;
}

[[noreturn]] void failAtPosition(const char* begin, const char* at, const QString& reason) {
    qint64 line = 1;
    const char* lineStart = begin;
    for (const char* q = begin; q < at;) {
        const void* newline = std::memchr(q, '\n', size_t(at - q));
        if (!newline)
            break;
        ++line;
        q = lineStart = static_cast<const char*>(newline) + 1;
    }
    qint64 column = 1;
    for (const char* q = lineStart; q < at; ++column)
        decode(q);
    fail(QStringLiteral("%1 (Zeile %2, Spalte %3)").arg(reason).arg(line).arg(column));
}

// The first byte of text that is no valid UTF-8, and the first character
// that XML never allows (U+FFFE, U+FFFF); end when there is none. Control
// characters pass: the recordset layer writes them raw.
struct Check {
    const char* invalid;
    const char* notXml;
};
Check check(const char* q, const char* end) {
    const char* notXml = end;
    while (q < end) {
        if (end - q >= 8) {
            quint64 word;
            std::memcpy(&word, q, 8);
            if (!(word & 0x8080808080808080ULL)) {
                q += 8;
                continue;
            }
        }
        const auto c = static_cast<unsigned char>(*q);
        if (c < 0x80) {
            ++q;
            continue;
        }
        int n = 0;
        char32_t cp = 0;
        if (c >= 0xC2 && c <= 0xDF) {
            n = 2;
            cp = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            n = 3;
            cp = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            n = 4;
            cp = c & 0x07;
        } else {
            return {q, notXml};
        }
        if (end - q < n)
            return {q, notXml};
        for (int i = 1; i < n; ++i) {
            const auto t = static_cast<unsigned char>(q[i]);
            if ((t & 0xC0) != 0x80)
                return {q, notXml};
            cp = (cp << 6) | (t & 0x3F);
        }
        if ((n == 3 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))) ||
            (n == 4 && (cp < 0x10000 || cp > 0x10FFFF)))
            return {q, notXml};
        if ((cp == 0xFFFE || cp == 0xFFFF) && notXml == end)
            notXml = q;
        q += n;
    }
    return {end, notXml};
}

const QString Malformed = QStringLiteral("die Datei ist kein wohlgeformtes XML");

} // namespace

void fail(const QString& reason) {
    rt::raiseError(rt::err::RecordsetSource,
                   rt::errorDescription(rt::err::RecordsetSource) + QStringLiteral(": ") + reason);
}

// ---- the text ---------------------------------------------------------------

Text::Text(const QByteArray& bytes) {
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
    const QString invalid = QStringLiteral("die Datei enthält ungültig kodierte Zeichen");
    if (encoding.value_or(QStringConverter::Utf8) == QStringConverter::Utf8) {
        m_view = QByteArrayView(bytes).sliced(skip);
    } else {
        // Stateless: a character cut off at the end is an error, not dropped.
        QStringDecoder decoder(*encoding, QStringConverter::Flag::Stateless);
        QString text = decoder(QByteArrayView(bytes).sliced(skip));
        if (decoder.hasError())
            fail(invalid);
        for (qsizetype i = 0; i < text.size(); ++i) {
            const QChar c = text[i];
            if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
                ++i;
            else if (c.isSurrogate())
                fail(invalid);
        }
        m_converted = text.toUtf8();
        text = QString();
        m_view = m_converted;
    }
    const char* begin = m_view.data();
    const char* end = begin + m_view.size();
    const Check found = check(begin, end);
    if (found.invalid != end)
        fail(invalid);
    if (found.notXml != end)
        failAtPosition(begin, found.notXml, Malformed);
}

// ---- the parser -------------------------------------------------------------

Parser::Parser(QByteArrayView text)
    : m_begin(text.data()), m_end(text.data() + text.size()), m_p(m_begin) {
    m_attributes.reserve(16);
    if (startsWith(m_p, "<?xml") && m_end - m_p > 5 && isSpace(m_p[5]))
        xmlDeclaration();
}

void Parser::failAt(const char* at, const QString& reason) const {
    failAtPosition(m_begin, at, reason);
}

void Parser::malformed(const char* at) const {
    failAt(at, Malformed);
}

void Parser::premature() const {
    failAt(m_end, QStringLiteral("die Datei endet vorzeitig"));
}

// Whether the text at at starts with literal; a part of it cut off by the
// end of the file is a premature end.
bool Parser::startsWith(const char* at, QByteArrayView literal) const {
    const qsizetype left = m_end - at;
    if (left >= literal.size())
        return std::memcmp(at, literal.data(), size_t(literal.size())) == 0;
    if (std::memcmp(at, literal.data(), size_t(left)) == 0)
        premature();
    return false;
}

bool Parser::skipSpace(const char*& q) const {
    const char* start = q;
    while (q < m_end && isSpace(*q))
        ++q;
    return q != start;
}

// A name at q; qualified: a name with at most one colon between two parts.
QByteArrayView Parser::name(const char*& q, bool qualified) const {
    const char* start = q;
    if (q == m_end)
        premature();
    const char* r = q;
    const char32_t first = decode(r);
    if (!isNameStart(first) || (qualified && first == ':'))
        malformed(q);
    q = r;
    const char* colon = nullptr;
    while (q < m_end) {
        const auto b = static_cast<unsigned char>(*q);
        if (b < 0x80) {
            if ((b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z') || (b >= '0' && b <= '9') ||
                b == '_' || b == '-' || b == '.') {
                ++q;
                continue;
            }
            if (b != ':')
                break;
            if (qualified && colon)
                malformed(q);
            colon = q++;
            continue;
        }
        r = q;
        if (!isNameChar(decode(r)))
            break;
        q = r;
    }
    if (q == m_end)
        premature();
    if (colon) {
        const char* local = colon + 1;
        if (local == q || !isNameStart(decode(local)))
            malformed(colon);
    }
    return QByteArrayView(start, q - start);
}

// A reference at q ('&'): a character reference to a character XML allows,
// or one of the five predefined entities.
void Parser::reference(const char*& q) const {
    const char* at = q++;
    if (q == m_end)
        premature();
    if (*q == '#') {
        ++q;
        const bool hex = q < m_end && *q == 'x';
        if (hex)
            ++q;
        quint32 cp = 0;
        int digits = 0;
        for (;; ++q) {
            if (q == m_end)
                premature();
            const char c = *q;
            quint32 d;
            if (c >= '0' && c <= '9')
                d = quint32(c - '0');
            else if (hex && c >= 'a' && c <= 'f')
                d = quint32(c - 'a' + 10);
            else if (hex && c >= 'A' && c <= 'F')
                d = quint32(c - 'A' + 10);
            else
                break;
            if (cp <= 0x10FFFF)
                cp = cp * (hex ? 16 : 10) + d;
            ++digits;
        }
        if (*q != ';' || digits == 0 || !isChar(cp))
            malformed(at);
        ++q;
        return;
    }
    const QByteArrayView entity = name(q, false);
    if (*q != ';')
        malformed(at);
    ++q;
    if (entity != "lt" && entity != "gt" && entity != "amp" && entity != "apos" && entity != "quot")
        failAt(at, QStringLiteral("die Datei verweist auf die unbekannte Entität „%1“")
                       .arg(QString::fromUtf8(entity)));
}

void Parser::text() {
    const char* q = m_p;
    while (q < m_end) {
        const char c = *q;
        if (c == '<')
            break;
        if (c == '&') {
            reference(q);
            continue;
        }
        if (c == ']' && m_end - q >= 3 && q[1] == ']' && q[2] == '>')
            malformed(q);
        ++q;
    }
    m_p = q;
}

void Parser::comment() {
    const char* q = m_p + 4;
    for (;;) {
        const auto* dash = static_cast<const char*>(std::memchr(q, '-', size_t(m_end - q)));
        if (!dash || m_end - dash < 2)
            premature();
        if (dash[1] == '-') {
            if (m_end - dash < 3)
                premature();
            if (dash[2] != '>')
                malformed(dash);
            m_p = dash + 3;
            return;
        }
        q = dash + 1;
    }
}

void Parser::processingInstruction() {
    const char* q = m_p + 2;
    const QByteArrayView target = name(q, false);
    // The declaration stands only at the very start.
    if (qstrnicmp(target.data(), target.size(), "xml", 3) == 0)
        malformed(m_p);
    if (startsWith(q, "?>")) {
        m_p = q + 2;
        return;
    }
    if (!isSpace(*q))
        malformed(q);
    for (;;) {
        const auto* mark = static_cast<const char*>(std::memchr(q, '?', size_t(m_end - q)));
        if (!mark || m_end - mark < 2)
            premature();
        if (mark[1] == '>') {
            m_p = mark + 2;
            return;
        }
        q = mark + 1;
    }
}

// The "=" between an attribute's name and its value, blanks around it.
void Parser::equalSign(const char*& q) const {
    skipSpace(q);
    if (q == m_end)
        premature();
    if (*q != '=')
        malformed(q);
    ++q;
    skipSpace(q);
}

QByteArrayView Parser::quoted(const char*& q) const {
    if (q == m_end)
        premature();
    const char quote = *q;
    if (quote != '"' && quote != '\'')
        malformed(q);
    const char* start = ++q;
    const auto* close = static_cast<const char*>(std::memchr(q, quote, size_t(m_end - q)));
    if (!close)
        premature();
    q = close + 1;
    return QByteArrayView(start, close - start);
}

void Parser::xmlDeclaration() {
    const char* q = m_p + 5;
    int stage = 0; // 0: version next, 1: encoding may follow, 2: standalone may, 3: done
    for (;;) {
        const bool space = skipSpace(q);
        if (q == m_end)
            premature();
        if (startsWith(q, "?>")) {
            if (stage == 0)
                malformed(q);
            m_p = q + 2;
            return;
        }
        if (!space)
            malformed(q);
        const char* at = q;
        const QByteArrayView key = name(q, false);
        equalSign(q);
        const QByteArrayView value = quoted(q);
        bool ok = false;
        if (stage == 0 && key == "version") {
            ok = value.size() > 2 && value.startsWith("1.") &&
                 std::all_of(value.begin() + 2, value.end(),
                             [](char c) { return c >= '0' && c <= '9'; });
            stage = 1;
        } else if (stage == 1 && key == "encoding") {
            ok = !value.isEmpty() && std::isalpha(static_cast<unsigned char>(value[0])) &&
                 std::all_of(value.begin(), value.end(), [](char c) {
                     return std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '_' ||
                            c == '-';
                 });
            stage = 2;
        } else if ((stage == 1 || stage == 2) && key == "standalone") {
            ok = value == "yes" || value == "no";
            stage = 3;
        }
        if (!ok)
            malformed(at);
    }
}

void Parser::cdata() {
    const char* q = m_p + 9;
    for (;;) {
        const auto* bracket = static_cast<const char*>(std::memchr(q, ']', size_t(m_end - q)));
        if (!bracket || m_end - bracket < 3)
            premature();
        if (bracket[1] == ']' && bracket[2] == '>') {
            m_p = bracket + 3;
            return;
        }
        q = bracket + 1;
    }
}

// A document type declaration may name an external subset, which is never
// read, and hold comments and processing instructions; a declaration in it
// (an entity, default attributes, a parameter entity) is refused.
void Parser::docType() {
    const char* q = m_p + 9;
    if (!skipSpace(q)) {
        if (q == m_end)
            premature();
        malformed(q);
    }
    name(q, false);
    const bool space = skipSpace(q);
    if (q == m_end)
        premature();
    if (space && (startsWith(q, "SYSTEM") || startsWith(q, "PUBLIC"))) {
        const bool publicId = *q == 'P';
        q += 6;
        for (int literal = publicId ? 2 : 1; literal > 0; --literal) {
            if (!skipSpace(q)) {
                if (q == m_end)
                    premature();
                malformed(q);
            }
            quoted(q);
        }
        skipSpace(q);
    }
    if (q == m_end)
        premature();
    if (*q == '[') {
        ++q;
        for (;;) {
            skipSpace(q);
            if (q == m_end)
                premature();
            if (*q == ']') {
                ++q;
                break;
            }
            m_p = q;
            if (startsWith(q, "<!--"))
                comment();
            else if (startsWith(q, "<?"))
                processingInstruction();
            else
                failAt(q, QStringLiteral("die Dokumenttypdeklaration der Datei deklariert "
                                         "Entitäten, Attribute oder Elemente; eine "
                                         "Recordset-Datei enthält keine Deklarationen"));
            q = m_p;
        }
        skipSpace(q);
    }
    if (q == m_end)
        premature();
    if (*q != '>')
        malformed(q);
    m_p = q + 1;
    m_docTypeSeen = true;
}

const Parser::Binding* Parser::binding(QByteArrayView prefix) const {
    static const Binding xml{"xml", std::string(XmlUri.data(), size_t(XmlUri.size())), Ns::Other,
                             -1};
    if (prefix == "xml")
        return &xml;
    const int index = m_current.value(prefix, -1);
    if (index < 0 || m_bindings[size_t(index)].uri.empty())
        return nullptr; // xmlns='' undeclares the default namespace
    return &m_bindings[size_t(index)];
}

void Parser::declare(const Attribute& a) {
    const QByteArrayView prefix = a.name.size() == 5 ? QByteArrayView() : a.name.sliced(6);
    const QByteArray uri = utf8Value(a);
    const bool xmlUri = uri == XmlUri;
    if (prefix == "xmlns" || uri == XmlnsUri || (prefix == "xml") != xmlUri ||
        (!prefix.isEmpty() && uri.isEmpty()))
        failAt(m_tag, QStringLiteral("die Datei deklariert einen unzulässigen Namensraum"));
    if (xmlUri)
        return; // bound from the start
    const int previous = m_current.value(prefix, -1);
    m_current.insert(prefix, int(m_bindings.size()));
    m_bindings.push_back(
        Binding{prefix, std::string(uri.constData(), size_t(uri.size())), classify(uri), previous});
}

void Parser::checkDuplicates() const {
    // Pairs of (namespace, name): pairwise for a few, through a hash table
    // for many, so that an element of 512 attributes costs no more than
    // reading them.
    auto duplicate = [this]() {
        const size_t n = m_keys.size();
        if (n <= 16) {
            for (size_t i = 0; i < n; ++i)
                for (size_t j = 0; j < i; ++j)
                    if (m_keys[i] == m_keys[j])
                        return true;
            return false;
        }
        size_t size = 64;
        while (size < 2 * n)
            size *= 2;
        m_slots.assign(size, -1);
        for (size_t i = 0; i < n; ++i) {
            size_t slot = qHash(m_keys[i].second, qHash(m_keys[i].first)) & (size - 1);
            for (;; slot = (slot + 1) & (size - 1)) {
                const int j = m_slots[slot];
                if (j < 0) {
                    m_slots[slot] = int(i);
                    break;
                }
                if (m_keys[size_t(j)] == m_keys[i])
                    return true;
            }
        }
        return false;
    };
    m_keys.clear();
    for (const Attribute& a : m_attributes)
        m_keys.emplace_back(QByteArrayView(), a.name);
    if (duplicate())
        failAt(m_tag, QStringLiteral("ein Element hat ein Attribut doppelt"));
    // Two prefixes of one namespace name the same attribute too.
    m_keys.clear();
    for (const Attribute& a : m_attributes) {
        if (a.binding >= 0) {
            const std::string& uri = m_bindings[size_t(a.binding)].uri;
            m_keys.emplace_back(QByteArrayView(uri.data(), qsizetype(uri.size())), a.local);
        } else if (a.binding == -3) {
            m_keys.emplace_back(XmlUri, a.local);
        }
    }
    if (duplicate())
        failAt(m_tag, QStringLiteral("ein Element hat ein Attribut doppelt"));
}

void Parser::startTag() {
    m_tag = m_p;
    const char* q = m_p + 1;
    const QByteArrayView qname = name(q, true);
    const bool selfClosing = readAttributes(q);
    m_p = q;
    if (m_open.size() == size_t(MaxDepth))
        failAt(m_tag, QStringLiteral("die Elemente der Datei sind mehr als %1 Ebenen tief "
                                     "verschachtelt")
                          .arg(MaxDepth));
    openElement(qname);
    checkDuplicates();
    if (selfClosing)
        m_pendingEnd = true;
}

// The attributes up to the tag's end; true when it closes itself.
bool Parser::readAttributes(const char*& q) {
    m_attributes.clear();
    for (;;) {
        const bool space = skipSpace(q);
        if (q == m_end)
            premature();
        if (*q == '>') {
            ++q;
            return false;
        }
        if (*q == '/') {
            if (m_end - q < 2)
                premature();
            if (q[1] != '>')
                malformed(q);
            q += 2;
            return true;
        }
        if (!space)
            malformed(q);
        if (m_attributes.size() == size_t(MaxAttributes))
            failAt(m_tag,
                   QStringLiteral("ein Element hat mehr als %1 Attribute").arg(MaxAttributes));
        Attribute a;
        a.name = name(q, true);
        equalSign(q);
        attributeValue(q, a);
        m_attributes.push_back(a);
    }
}

// A quoted value as it stands; references and line ends mark it for
// normalising, when it is asked for.
void Parser::attributeValue(const char*& q, Attribute& a) const {
    if (q == m_end)
        premature();
    const char quote = *q;
    if (quote != '\'' && quote != '"')
        malformed(q);
    const char* start = ++q;
    for (;;) {
        if (q == m_end)
            premature();
        const char c = *q;
        if (c == quote)
            break;
        if (c == '<')
            malformed(q);
        if (c == '&') {
            a.plain = false;
            reference(q);
            continue;
        }
        if (c == '\t' || c == '\n' || c == '\r')
            a.plain = false;
        ++q;
    }
    a.raw = QByteArrayView(start, q - start);
    ++q;
}

// Opens the element. Namespaces: the declarations first, then the names
// they bind.
void Parser::openElement(QByteArrayView qname) {
    const qsizetype before = qsizetype(m_bindings.size());
    m_open.push_back(Open{qname, before});
    m_rootSeen = true;
    for (Attribute& a : m_attributes) {
        if (a.name == "xmlns" || a.name.startsWith("xmlns:")) {
            a.ns = Ns::Other;
            a.local = a.name.size() == 5 ? a.name : a.name.sliced(6);
            a.binding = -2;
            declare(a);
        }
    }
    if (m_bindings.size() > size_t(MaxNamespaces))
        failAt(m_tag, QStringLiteral("für ein Element der Datei gelten mehr als %1 "
                                     "Namensraumdeklarationen")
                          .arg(MaxNamespaces));
    auto resolve = [&](QByteArrayView prefix) {
        const Binding* b = binding(prefix);
        if (!b && !prefix.isEmpty())
            failAt(m_tag, QStringLiteral("die Datei verwendet das undeklarierte Namensraumpräfix "
                                         "„%1“")
                              .arg(QString::fromUtf8(prefix)));
        return b;
    };
    const qsizetype colon = qname.indexOf(':');
    if (colon >= 0 && qname.first(colon) == "xmlns")
        malformed(m_tag);
    m_local = colon < 0 ? qname : qname.sliced(colon + 1);
    const Binding* element = resolve(colon < 0 ? QByteArrayView() : qname.first(colon));
    m_ns = element ? element->ns : Ns::None;
    for (Attribute& a : m_attributes) {
        if (a.binding == -2)
            continue;
        const qsizetype c = a.name.indexOf(':');
        if (c < 0) {
            a.local = a.name;
            continue;
        }
        a.local = a.name.sliced(c + 1);
        const QByteArrayView prefix = a.name.first(c);
        const Binding* b = resolve(prefix);
        a.ns = b->ns;
        a.binding = prefix == "xml" ? -3 : int(b - m_bindings.data());
    }
}

void Parser::endTag() {
    m_tag = m_p;
    const char* q = m_p + 2;
    const QByteArrayView qname = name(q, true);
    skipSpace(q);
    if (q == m_end)
        premature();
    if (*q != '>' || qname != m_open.back().name)
        malformed(m_tag);
    m_p = q + 1;
    close();
}

void Parser::close() {
    const qsizetype bindings = m_open.back().bindings;
    m_open.pop_back();
    while (qsizetype(m_bindings.size()) > bindings) {
        const Binding& b = m_bindings.back();
        if (b.previous >= 0)
            m_current.insert(b.prefix, b.previous);
        else
            m_current.remove(b.prefix);
        m_bindings.pop_back();
    }
    if (m_open.empty())
        m_rootDone = true;
}

Parser::Token Parser::next() {
    if (m_pendingEnd) {
        m_pendingEnd = false;
        close();
        return EndElement;
    }
    for (;;) {
        if (m_p == m_end) {
            if (!m_rootDone)
                premature();
            return EndOfDocument;
        }
        if (*m_p != '<') {
            if (!m_open.empty()) {
                text();
                continue;
            }
            if (!isSpace(*m_p))
                malformed(m_p);
            ++m_p;
            continue;
        }
        if (m_end - m_p < 2)
            premature();
        const char c = m_p[1];
        if (c == '/') {
            if (m_open.empty())
                malformed(m_p);
            endTag();
            return EndElement;
        }
        if (c == '?') {
            processingInstruction();
            continue;
        }
        if (c == '!') {
            if (startsWith(m_p, "<!--"))
                comment();
            else if (!m_open.empty() && startsWith(m_p, "<![CDATA["))
                cdata();
            else if (!m_rootSeen && !m_docTypeSeen && startsWith(m_p, "<!DOCTYPE"))
                docType();
            else
                malformed(m_p);
            continue;
        }
        if (m_rootDone)
            malformed(m_p);
        startTag();
        return StartElement;
    }
}

void Parser::skipElement() {
    for (int depth = 1; depth > 0;) {
        const Token t = next();
        if (t == StartElement)
            ++depth;
        else if (t == EndElement)
            --depth;
    }
}

const Attribute* Parser::attribute(Ns ns, QByteArrayView local) const {
    for (const Attribute& a : m_attributes)
        if (a.ns == ns && a.local == local)
            return &a;
    return nullptr;
}

QByteArray Parser::utf8Value(const Attribute& a) {
    if (a.plain)
        return a.raw.toByteArray();
    QByteArray out;
    out.reserve(a.raw.size());
    const char* q = a.raw.data();
    const char* end = q + a.raw.size();
    while (q < end) {
        const char* run = q;
        while (q < end && *q != '&' && *q != '\t' && *q != '\n' && *q != '\r')
            ++q;
        out.append(run, q - run);
        if (q == end)
            break;
        const char c = *q++;
        if (c != '&') {
            // Line ends count once (CR LF is one), then white space is a blank.
            if (c == '\r' && q < end && *q == '\n')
                ++q;
            out += ' ';
            continue;
        }
        if (*q == '#') {
            ++q;
            const bool hex = *q == 'x';
            if (hex)
                ++q;
            char32_t cp = 0;
            for (; *q != ';'; ++q) {
                const char d = *q;
                cp = cp * (hex ? 16 : 10) + char32_t(d <= '9' ? d - '0' : (d | 0x20) - 'a' + 10);
            }
            ++q;
            appendUtf8(out, cp);
            continue;
        }
        const char* entity = q;
        while (*q != ';')
            ++q;
        const QByteArrayView n(entity, q - entity);
        ++q;
        out += n == "lt" ? '<' : n == "gt" ? '>' : n == "amp" ? '&' : n == "apos" ? '\'' : '"';
    }
    return out;
}

namespace {
// As QString::fromUtf8, but a byte-order mark at the start is a character
// of the value, not dropped.
QString fromUtf8(QByteArrayView utf8) {
    if (!utf8.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(utf8);
    return QChar(0xFEFF) + QString::fromUtf8(utf8.sliced(3));
}
} // namespace

QString Parser::value(const Attribute& a) {
    return a.plain ? fromUtf8(a.raw) : fromUtf8(utf8Value(a));
}

} // namespace ado::xml
