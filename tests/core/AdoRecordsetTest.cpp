#include "TestSupport.h"

#include "AdoRecordset.h"

#include <QDir>
#include <QStringEncoder>

#include <stdexcept>

namespace {

QString sample(const char* name) {
    return QStringLiteral(ADO_SAMPLES_DIR "/") + QLatin1String(name);
}

ado::Recordset readSample(const char* name) {
    return ado::read(readFileBytes(sample(name)));
}

QString value(const ado::Recordset& rs, size_t row, const char* field) {
    const int index = rs.fieldIndex(QLatin1String(field));
    EXPECT_GE(index, 0) << field;
    if (index < 0 || row >= rs.rows.size())
        return QStringLiteral("<fehlt>");
    const auto& v = rs.rows[row][index];
    return v ? *v : QStringLiteral("<NULL>");
}

QString failureOf(const QByteArray& bytes) {
    try {
        ado::read(bytes);
    } catch (const rt::RuntimeError& e) {
        EXPECT_EQ(e.number(), rt::err::RecordsetSource);
        return e.description();
    }
    return QString();
}

const QByteArray Header = "<xml xmlns:s='uuid:BDC6E3F0-6DA3-11d1-A2A3-00AA00C14882' "
                          "xmlns:dt='uuid:C2F41010-65B3-11d1-A29F-00AA00C14882' "
                          "xmlns:rs='urn:schemas-microsoft-com:rowset' xmlns:z='#RowsetSchema'>";
const QByteArray Schema = "<s:Schema id='RowsetSchema'><s:ElementType name='row' content='eltOnly'>"
                          "<s:AttributeType name='Variable'/><s:AttributeType name='Wert'/>"
                          "</s:ElementType></s:Schema>";

} // namespace

TEST(AdoWriteTest, ReproducesTheExpectedFileByteForByte) {
    const QByteArray expected = readFileBytes(sample("expected-two-field-file.xml"));
    const QByteArray written = ado::write(
        {QStringLiteral("Variable"), QStringLiteral("Wert")},
        {{QStringLiteral("KalibrierungVelmorTeilE4"), QStringLiteral("V1")},
         {QStringLiteral("Protokoll Verdichtung Kalibrierfeld Schütthöhe & Prüfmerkmal (Maß in "
                         "m², Temperatur in °C)"),
          QStringLiteral("?? m")},
         {QStringLiteral("minimales Bestimmtheitsmaß Indirektes Prüfmerkmal, Direktes Prüfmerkmal"),
          QString()}});
    EXPECT_EQ(written, expected);
    EXPECT_EQ(written.size(), 1082);
    EXPECT_FALSE(written.endsWith("\r\n"));
}

TEST(AdoWriteTest, ReproducesRealFilesOfTheRecordsetLayer) {
    // The empty rowset: our schema lines differ only in the fields, so compare the data part.
    const QByteArray empty = ado::write({QStringLiteral("A")}, {});
    EXPECT_TRUE(empty.endsWith("<rs:data>\r\n</rs:data>\r\n</xml>"));
    // Escapes, and the wrap of long rows before the second attribute.
    const QByteArray text =
        ado::write({QStringLiteral("Variable"), QStringLiteral("Wert")},
                   {{QStringLiteral("Joe's <xml> & \"data\""), QStringLiteral("a\tb\r\nc")}});
    EXPECT_TRUE(text.contains("\t<z:row Variable='Joe&#x27;s &#x3c;xml&#x3e; &#x26; "
                              "&#x22;data&#x22;' Wert='a&#x9;b&#xd;&#xa;c'/>\r\n"));
    const QString longKey(89, u'x');
    const QByteArray wrapped =
        ado::write({QStringLiteral("Variable"), QStringLiteral("Wert")},
                   {{longKey, QStringLiteral("1")}, {longKey.left(88), QStringLiteral("2")}});
    EXPECT_TRUE(wrapped.contains("x'\r\n\t\t Wert='1'/>"));
    EXPECT_TRUE(wrapped.contains("x' Wert='2'/>"));
    // Field names that are no identifiers get an alias.
    const QByteArray aliased = ado::write({QStringLiteral("Field Space")}, {{QStringLiteral("v")}});
    EXPECT_TRUE(aliased.contains("<s:AttributeType name='c0' rs:name='Field Space' rs:number='1' "
                                 "rs:write='true'>"));
    EXPECT_TRUE(aliased.contains("<z:row c0='v'/>"));
}

TEST(AdoReadTest, ReadsEveryFormTheRecordsetLayerWrites) {
    // Our own example file.
    const ado::Recordset own = readSample("expected-two-field-file.xml");
    ASSERT_EQ(own.fields, (QStringList{QStringLiteral("Variable"), QStringLiteral("Wert")}));
    ASSERT_EQ(own.rows.size(), 3u);
    EXPECT_EQ(value(own, 1, "Variable"),
              QStringLiteral("Protokoll Verdichtung Kalibrierfeld Schütthöhe & Prüfmerkmal (Maß in "
                             "m², Temperatur in °C)"));
    EXPECT_EQ(value(own, 2, "Wert"), QString());

    // Pending changes: update merged with its original, insert taken, delete skipped.
    const ado::Recordset states = readSample("tablegram_flat_BSTR_states.xml");
    ASSERT_EQ(states.rows.size(), 3u);
    EXPECT_EQ(value(states, 0, "ID"), QStringLiteral("1"));
    EXPECT_EQ(value(states, 0, "VALUE_FIELD"), QString::fromUtf8("\xed\x95\x9c\xea\xb8\x80"));
    EXPECT_EQ(value(states, 1, "VALUE_FIELD"), QStringLiteral("Joe's <xml> & data"));
    EXPECT_EQ(value(states, 2, "ID"), QStringLiteral("4"));

    // Every row inside rs:insert, and an aliased field name.
    const ado::Recordset inserted = readSample("tablegram_random_0004.xml");
    EXPECT_FALSE(inserted.rows.empty());

    // Hand-written input with double quotes, minimal schema, aliases, unknown attributes.
    const ado::Recordset minimal = readSample("tablegram_doc_minimal_schema.xml");
    EXPECT_EQ(minimal.fields,
              (QStringList{QStringLiteral("ID"), QStringLiteral("Friendly Name"),
                           QStringLiteral("Direct Int"), QStringLiteral("Direct Binary")}));
    ASSERT_EQ(minimal.rows.size(), 2u);
    EXPECT_EQ(value(minimal, 0, "friendly name"), QStringLiteral("alpha"));
    EXPECT_EQ(value(minimal, 1, "Friendly Name"), QString());
    EXPECT_EQ(value(minimal, 1, "Direct Int"), QStringLiteral("<NULL>"));

    // UTF-16 with a byte-order mark.
    const ado::Recordset utf16 = readSample("tablegram_utf16_xml_stream.xml");
    EXPECT_FALSE(utf16.rows.empty());

    // Empty rowset, forced NULLs, empty strings, escapes.
    EXPECT_TRUE(readSample("tablegram_empty_rowset.xml").rows.empty());
    const ado::Recordset nulls = readSample("tablegram_flat_BSTR_null_states.xml");
    EXPECT_FALSE(nulls.rows.empty());
    const ado::Recordset escapes = readSample("tablegram_text_escapes.xml");
    EXPECT_FALSE(escapes.rows.empty());

    // Every sample parses, the raw control characters of one included.
    const QDir folder(QStringLiteral(ADO_SAMPLES_DIR));
    const QStringList samples = folder.entryList({QStringLiteral("*.xml")});
    EXPECT_GE(samples.size(), 15); // the samples are there: an empty loop proves nothing
    for (const QString& name : samples) {
        EXPECT_NO_THROW(ado::read(readFileBytes(folder.filePath(name)))) << name.toStdString();
    }
    const ado::Recordset controls = readSample("tablegram_text_controls.xml");
    bool sawControl = false;
    for (const auto& row : controls.rows)
        for (const auto& v : row)
            if (v && v->contains(QChar(u'\x01')))
                sawControl = true;
    EXPECT_TRUE(sawControl);
}

TEST(AdoReadTest, ForcedNullsAndFieldOrder) {
    const QByteArray bytes =
        Header +
        "<s:Schema id='RowsetSchema'><s:ElementType name='row'>"
        "<s:AttributeType name='B' rs:number='2'/><s:AttributeType name='A' rs:number='1'/>"
        "</s:ElementType></s:Schema><rs:data>"
        "<rs:update><rs:original><z:row A='1' B='x'/></rs:original>"
        "<z:row rs:forcenull='B'/></rs:update>"
        "<z:row A='2' B='y'/></rs:data></xml>";
    const ado::Recordset rs = ado::read(bytes);
    EXPECT_EQ(rs.fields, (QStringList{QStringLiteral("A"), QStringLiteral("B")}));
    ASSERT_EQ(rs.rows.size(), 2u);
    EXPECT_EQ(value(rs, 0, "A"), QStringLiteral("1"));
    EXPECT_EQ(value(rs, 0, "B"), QStringLiteral("<NULL>"));

    // The older layout: attribute references decide the order.
    const QByteArray older =
        Header + "<s:Schema id='RowsetSchema'><s:ElementType name='row' content='eltOnly'>"
                 "<s:attribute type='Wert'/><s:attribute type='Variable'/></s:ElementType>"
                 "<s:AttributeType name='Variable'/><s:AttributeType name='Wert'/></s:Schema>"
                 "<rs:data><z:row Variable='k' Wert='v'/></rs:data></xml>";
    const ado::Recordset o = ado::read(older);
    EXPECT_EQ(o.fields, (QStringList{QStringLiteral("Wert"), QStringLiteral("Variable")}));
    EXPECT_EQ(value(o, 0, "Variable"), QStringLiteral("k"));

    // A UTF-8 byte-order mark, a declaration, other prefixes and line ends.
    const QByteArray other =
        "\xEF\xBB\xBF<?xml version=\"1.0\"?>\n"
        "<xml xmlns:a=\"uuid:BDC6E3F0-6DA3-11d1-A2A3-00AA00C14882\"\n"
        "  xmlns:b=\"urn:schemas-microsoft-com:rowset\" xmlns:c=\"#RowsetSchema\">\n"
        "  <a:Schema id=\"RowsetSchema\"><a:ElementType name=\"row\">"
        "<a:AttributeType name=\"Variable\"/><a:AttributeType name=\"Wert\"/>"
        "</a:ElementType></a:Schema>\n"
        "  <b:data ItemCount=\"1\">\n    <c:row  Variable = \"Maß\"\n Wert=\"ü\" />"
        "\n  </b:data>\n</xml>\n";
    const ado::Recordset p = ado::read(other);
    ASSERT_EQ(p.rows.size(), 1u);
    EXPECT_EQ(value(p, 0, "Variable"), QStringLiteral("Maß"));
    EXPECT_EQ(value(p, 0, "Wert"), QStringLiteral("ü"));
}

TEST(AdoReadTest, BrokenFilesGiveClearErrors) {
    const QByteArray good =
        Header + Schema + "<rs:data><z:row Variable='a' Wert='1'/></rs:data></xml>";
    EXPECT_NO_THROW(ado::read(good));

    const struct {
        QByteArray bytes;
        const char* reason;
    } broken[] = {
        {"", "leer"},
        {"   \r\n", "leer"},
        {"Variable;Wert\r\nAnzahl Prüffelder;3\r\n", "kein wohlgeformtes XML"},
        {good.left(good.indexOf("Wert='1'") + 7), "endet vorzeitig"},
        {good.left(good.size() - 3), "endet vorzeitig"},
        {"<html><body>Kalibrierung</body></html>", "Wurzelelement"},
        {Header + Schema + "</xml>", "rs:data"},
        {Header + "<rs:data><z:row Variable='a' Wert='1'/></rs:data></xml>", "Schema"},
        {Header + "<s:Schema id='RowsetSchema'/><rs:data/></xml>", "keine Felder"},
        {Header + Schema + "<rs:data><z:row Variable='a' Wert='1'></rs:data></xml>",
         "kein wohlgeformtes XML"},
        {good + "<xml/>", "kein wohlgeformtes XML"},
        {"<xml>\xFF\xFE\xFD</xml>", "ungültig kodierte Zeichen"},
        {Header + Schema + "<rs:data><z:row Variable='a' Variable='b'/></rs:data></xml>",
         "Attribut doppelt"},
        {Header + Schema +
             "<rs:data><z:row xmlns:a='urn:u' xmlns:b='urn:u' a:x='1' b:x='2'/></rs:data></xml>",
         "Attribut doppelt"},
        {Header + Schema + "<rs:data><q:row Variable='a'/></rs:data></xml>",
         "undeklarierte Namensraumpräfix „q“"},
        {Header + Schema + "<rs:data><z:row Variable='&amp;&unbekannt;'/></rs:data></xml>",
         "unbekannte Entität „unbekannt“"},
        {Header + Schema + "<rs:data><z:row Variable='&#x1;'/></rs:data></xml>",
         "kein wohlgeformtes XML"},
        {Header + Schema + "<rs:data><z:row Variable='&#xFFFE;'/></rs:data></xml>",
         "kein wohlgeformtes XML"},
        {Header + Schema + "<rs:data><z:row Variable='\xEF\xBF\xBE'/></rs:data></xml>",
         "kein wohlgeformtes XML"},
        {Header + Schema + "<rs:data><z:row Variable='a<b'/></rs:data></xml>",
         "kein wohlgeformtes XML"},
        {Header + Schema + "<rs:data><z:row Variable='a'Wert='b'/></rs:data></xml>",
         "kein wohlgeformtes XML"},
        {Header + Schema + "<rs:data><!-- a -- b --></rs:data></xml>", "kein wohlgeformtes XML"},
        {Header + Schema + "<rs:data>]]></rs:data></xml>", "kein wohlgeformtes XML"},
        {Header + Schema + "<rs:data><?xml version='1.0'?></rs:data></xml>",
         "kein wohlgeformtes XML"},
        {"<?xml version='2.0'?>" + good, "kein wohlgeformtes XML"},
        {Header + "<rs:data/>" + Schema + "</xml>", "Schema (s:Schema) fehlt vor dem Datenbereich"},
        {Header + Schema + "<rs:data/>" + Schema + "</xml>", "nach dem Datenbereich"},
        {"<!DOCTYPE xml [<!ENTITY a 'b'>]>" + good, "Dokumenttypdeklaration"},
        {"<!DOCTYPE xml [<!ATTLIST z:row Wert CDATA '1'>]>" + good, "Dokumenttypdeklaration"},
        {Header + "<x:a xmlns:x=''/>" + Schema + "<rs:data/></xml>", "unzulässigen Namensraum"},
    };
    for (const auto& c : broken) {
        const QString description = failureOf(c.bytes);
        EXPECT_TRUE(description.contains(QString::fromUtf8(c.reason)))
            << description.toStdString() << " / " << c.bytes.left(60).toStdString();
    }
    // The position of the fault is named.
    EXPECT_TRUE(failureOf(good.left(good.size() - 3)).contains(QStringLiteral("Zeile 1")));
    QByteArray lines = good;
    lines.replace("Wert='1'", "\n\nWert='1'\nWert='2'");
    EXPECT_TRUE(failureOf(lines).contains(QStringLiteral("(Zeile 1, Spalte ")))
        << failureOf(lines).toStdString();
    QByteArray third = good;
    third.replace("<rs:data>", "\n\n<rs:data>\n  <z:row Variable='a' Wert='&x;'/>");
    EXPECT_TRUE(failureOf(third).contains(QStringLiteral("(Zeile 4, Spalte 29)")))
        << failureOf(third).toStdString();

    // What a recordset file may hold besides: a document type without
    // declarations, comments, processing instructions, CDATA, references.
    QByteArray allowed = "<?xml version='1.0' encoding='UTF-8' standalone='yes'?>\r\n"
                         "<!DOCTYPE xml SYSTEM 'nie-gelesen.dtd' [ <!-- leer --> <?pi x?> ]>"
                         "<!-- vorher -->" +
                         good + "<?danach?>\n";
    allowed.replace("<rs:data>", "<rs:data><![CDATA[<z:row Variable='nein'/>]]>&lt;&#228;");
    allowed.replace("Variable='a'", "Variable='&#x3c;&amp;&#228;&#x1F600;\t&#x9;&quot;'");
    const ado::Recordset rs = ado::read(allowed);
    ASSERT_EQ(rs.rows.size(), 1u);
    EXPECT_EQ(value(rs, 0, "Variable"), QStringLiteral("<&ä\U0001F600 \t\""));
}

// Records are handed on as they are read: a handler that stops reading at
// the first one never sees what follows, not even a fault further on.
TEST(AdoReadTest, RecordsAreHandedOnAsTheyAreRead) {
    const QByteArray bytes = Header + Schema +
                             "<rs:data><z:row Variable='a' Wert='1'/><z:row Variable='b'/>"
                             "<z:row Variable='c' Wert='3' Wert='4'/></rs:data></xml>";
    struct Erster : ado::RecordHandler {
        QStringList names;
        std::vector<std::optional<QString>> first;
        int calls = 0;
        void fields(const QStringList& n) override { names = n; }
        void record(std::vector<std::optional<QString>>& values) override {
            ++calls;
            first = values;
            throw std::runtime_error("genug");
        }
    } erster;
    EXPECT_THROW(ado::read(bytes, {QStringLiteral("wert")}, erster), std::runtime_error);
    EXPECT_EQ(erster.calls, 1);
    EXPECT_EQ(erster.names, QStringList{QStringLiteral("Wert")});
    ASSERT_EQ(erster.first.size(), 1u);
    EXPECT_EQ(erster.first[0].value_or(QString()), QStringLiteral("1"));
    // Read to its end, the file is not well-formed.
    EXPECT_TRUE(failureOf(bytes).contains(QStringLiteral("Attribut doppelt")));
}

TEST(AdoReadTest, EveryUnicodeEncodingReadsTheSame) {
    const QByteArray utf8 = readFileBytes(sample("expected-two-field-file.xml"));
    const QString text = QString::fromUtf8(utf8);
    auto encode = [&](QStringConverter::Encoding encoding, bool bom) {
        QStringEncoder encoder(encoding, bom ? QStringConverter::Flag::WriteBom
                                             : QStringConverter::Flag::Default);
        return QByteArray(encoder(text));
    };
    const ado::Recordset expected = ado::read(utf8);
    for (const QByteArray& bytes :
         {encode(QStringConverter::Utf8, true), encode(QStringConverter::Utf16LE, true),
          encode(QStringConverter::Utf16LE, false), encode(QStringConverter::Utf16BE, true),
          encode(QStringConverter::Utf16BE, false),
          "<?xml version='1.0' encoding='ISO-8859-1'?>" +
              QStringEncoder(QStringConverter::Latin1)(text)}) {
        const ado::Recordset rs = ado::read(bytes);
        EXPECT_EQ(rs.fields, expected.fields);
        EXPECT_EQ(rs.rows, expected.rows);
    }
}

// Only the fields asked for are kept; the others are still read as XML.
TEST(AdoReadTest, OnlyTheWantedFieldsAreKept) {
    const QByteArray bytes =
        ado::write({QStringLiteral("Variable"), QStringLiteral("Wert"), QStringLiteral("Extra")},
                   {{QStringLiteral("a"), QStringLiteral("1"), QStringLiteral("x")}});
    const ado::Recordset all = ado::read(bytes);
    EXPECT_EQ(all.fields.size(), 3);
    const ado::Recordset two =
        ado::read(bytes, {QStringLiteral("wert"), QStringLiteral("VARIABLE")});
    EXPECT_EQ(two.fields, (QStringList{QStringLiteral("Variable"), QStringLiteral("Wert")}));
    ASSERT_EQ(two.rows.size(), 1u);
    EXPECT_EQ(two.rows[0].size(), 2u);
    EXPECT_EQ(two.rows[0][1].value_or(QString()), QStringLiteral("1"));
    // A broken unwanted value still makes the file unreadable.
    QByteArray broken = bytes;
    broken.replace("Extra='x'", "Extra='x");
    EXPECT_EQ(errorNumberOf([&] { ado::read(broken, {QStringLiteral("Wert")}); }),
              rt::err::RecordsetSource);
}
