#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QString>

#include <string>
#include <utility>
#include <vector>

// The XML reader behind ado::read: one pass over UTF-8 text in memory that
// checks well-formedness and resolves namespaces, in time and memory that
// grow with the size of the file and nothing else. It expands only character
// references and the five predefined entities; a document type declaration
// that declares anything is refused (a recordset file never has one), so no
// entity, default attribute or external file enters. Elements, attributes,
// namespace declarations in scope and nesting depth are bounded, and
// duplicate attributes and prefixes are found through hashing, never by
// comparing every pair.
namespace ado::xml {

// The most attributes (namespace declarations included) one element may
// carry, the most namespace declarations in scope at an element, and the
// deepest nesting.
inline constexpr int MaxAttributes = 512;
inline constexpr int MaxNamespaces = 512;
inline constexpr int MaxDepth = 1024;

// The namespaces of a recordset file, and the rest.
enum class Ns : unsigned char { None, Schema, Rowset, Row, Other };

struct Attribute {
    QByteArrayView name;  // as written, with its prefix
    QByteArrayView local; // without
    Ns ns = Ns::None;
    // While its tag is current: the binding of its prefix; -1 without a
    // prefix, -2 for a namespace declaration, -3 for the prefix xml.
    int binding = -1;
    QByteArrayView raw; // between the quotes
    bool plain = true;  // no reference, no white space to normalise
};

// Raises err::RecordsetSource with the recordset layer's text and reason.
[[noreturn]] void fail(const QString& reason);

// The bytes as UTF-8 text: UTF-8 (with or without byte-order mark) is taken
// as it is, other encodings (UTF-16 by mark or zero bytes, an 8-bit encoding
// named in the declaration) are converted. Raises when a byte sequence is no
// character of the encoding.
class Text {
public:
    explicit Text(const QByteArray& bytes);
    QByteArrayView view() const { return m_view; }

private:
    QByteArray m_converted;
    QByteArrayView m_view;
};

class Parser {
public:
    enum Token { StartElement, EndElement, EndOfDocument };

    explicit Parser(QByteArrayView text);

    // The next start or end tag; text, comments and processing instructions
    // between are checked and passed over. Raises on anything that is not
    // well-formed, on a premature end and beyond the limits.
    Token next();
    // After a start tag: reads to its end tag.
    void skipElement();

    // The current start tag.
    Ns ns() const { return m_ns; }
    QByteArrayView local() const { return m_local; }
    const std::vector<Attribute>& attributes() const { return m_attributes; }
    // The attribute of that local name, without a prefix (Ns::None) or in
    // namespace ns; nullptr when there is none.
    const Attribute* attribute(Ns ns, QByteArrayView local) const;

    // An attribute's value, references expanded and white space normalised.
    static QString value(const Attribute& a);
    static QByteArray utf8Value(const Attribute& a);

    // Raises with reason and the line and column of the current tag.
    [[noreturn]] void failHere(const QString& reason) const { failAt(m_tag, reason); }

private:
    struct Binding {
        QByteArrayView prefix;
        std::string uri;
        Ns ns;
        int previous; // the binding of the same prefix it hides, or -1
    };
    struct Open {
        QByteArrayView name;
        qsizetype bindings; // bindings in scope before its own
    };

    [[noreturn]] void failAt(const char* at, const QString& reason) const;
    [[noreturn]] void malformed(const char* at) const;
    [[noreturn]] void premature() const;
    bool startsWith(const char* at, QByteArrayView literal) const;
    bool skipSpace(const char*& q) const;
    QByteArrayView name(const char*& q, bool qualified) const;
    void reference(const char*& q) const;
    void text();
    void comment();
    void processingInstruction();
    void xmlDeclaration();
    void cdata();
    void docType();
    void equalSign(const char*& q) const;
    QByteArrayView quoted(const char*& q) const;
    void startTag();
    bool readAttributes(const char*& q);
    void attributeValue(const char*& q, Attribute& a) const;
    void openElement(QByteArrayView qname);
    void endTag();
    void close();
    void declare(const Attribute& a);
    const Binding* binding(QByteArrayView prefix) const;
    void checkDuplicates() const;

    const char* m_begin;
    const char* m_end;
    const char* m_p;
    const char* m_tag = nullptr; // where the current tag starts
    bool m_rootSeen = false;
    bool m_rootDone = false;
    bool m_docTypeSeen = false;
    bool m_pendingEnd = false;
    std::vector<Open> m_open;
    std::vector<Binding> m_bindings;
    QHash<QByteArrayView, int> m_current; // prefix -> its binding in scope
    Ns m_ns = Ns::None;
    QByteArrayView m_local;
    std::vector<Attribute> m_attributes;
    // Room for the check of duplicate attributes, kept between tags.
    mutable std::vector<std::pair<QByteArrayView, QByteArrayView>> m_keys;
    mutable std::vector<int> m_slots;
};

} // namespace ado::xml
