#include "MappeLesen.h"

#include "MesswertImport.h"

#include "RuntimeError.h"

#include <QDateTime>
#include <QHash>
#include <QLocale>
#include <QSet>
#include <QVector>
#include <QXmlStreamReader>

#include <unzip.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstring>

namespace MesswertImport::Mappe {

namespace {

// A sheet has at most this many rows (as in the spreadsheet programs).
constexpr int MaxZeilen = 1'048'576;
// No part of a workbook is unpacked beyond the first size (the shared texts
// beyond the second), nor all parts read together beyond the third: their
// XML is read at 15 to 30 MB a second, and a workbook is answered within two
// seconds like any file. The export's sheet of 100,000 points has 21 MB;
// the shared texts of a table of measured values are a few headers and names.
constexpr qint64 MaxTeil = 24 * 1024 * 1024;
constexpr qint64 MaxTexte = 8 * 1024 * 1024;
constexpr qint64 MaxEntpackt = 32 * 1024 * 1024;

[[noreturn]] void beschädigt(const QString& shown, const QString& warum) {
    rt::raiseError(
        rt::err::PathFileAccessError,
        QStringLiteral("Die Arbeitsmappe „%1“ kann nicht gelesen werden: %2").arg(shown, warum));
}

[[noreturn]] void zuGroß(const QString& shown) {
    rt::raiseError(rt::err::OutOfMemory,
                   QStringLiteral("Die Arbeitsmappe „%1“ ist entpackt zu groß für eine "
                                  "Messwerttabelle (höchstens %2 MB je Tabellenblatt, %3 MB "
                                  "zusammen). Speichern Sie das Tabellenblatt als CSV-Datei und "
                                  "importieren Sie diese.")
                       .arg(shown)
                       .arg(MaxTeil / (1024 * 1024))
                       .arg(MaxEntpackt / (1024 * 1024)));
}

// An element has at most this many attributes and namespace declarations:
// the XML reader compares them pairwise, and a single row of 100,000 would
// keep it busy for minutes. Workbooks write a few, their root some 40.
constexpr int MaxAttribute = 512;

// Whether an element of the part has more attributes than MaxAttribute:
// one pass that counts the '=' of each tag outside quoted values, past
// comments, processing instructions, CDATA sections and declarations.
bool zuVieleAttribute(const QByteArray& xml) {
    const char* p = xml.constData();
    const char* const end = p + xml.size();
    auto überspringe = [&](const char* bis) {
        const qsizetype n = qsizetype(std::strlen(bis));
        const char* q = std::search(p, end, bis, bis + n);
        p = q == end ? end : q + n;
    };
    while (p < end) {
        p = static_cast<const char*>(std::memchr(p, '<', size_t(end - p)));
        if (!p)
            return false;
        const qsizetype rest = end - p;
        if (rest >= 4 && std::memcmp(p, "<!--", 4) == 0) {
            überspringe("-->");
        } else if (rest >= 9 && std::memcmp(p, "<![CDATA[", 9) == 0) {
            überspringe("]]>");
        } else if (rest >= 2 && p[1] == '?') {
            überspringe("?>");
        } else if (rest >= 2 && p[1] == '!') {
            überspringe(">");
        } else {
            int attribute = 0;
            char quote = 0;
            for (++p; p < end; ++p) {
                const char c = *p;
                if (quote) {
                    if (c == quote)
                        quote = 0;
                } else if (c == '"' || c == '\'') {
                    quote = c;
                } else if (c == '=') {
                    if (++attribute > MaxAttribute)
                        return true;
                } else if (c == '>') {
                    break;
                }
            }
        }
    }
    return false;
}

// The archive read from memory through minizip's unzip (the library the
// workbook export's writer uses too).
// Sheet names compare as they read: "März" typed or composed alike.
bool gleicherName(const QString& a, const QString& b) {
    return a.normalized(QString::NormalizationForm_C) == b.normalized(QString::NormalizationForm_C);
}

// More sheets than a workbook of measured values has.
constexpr qsizetype MaxBlätter = 1000;

[[noreturn]] void zuVieleBlätter(const QString& shown) {
    beschädigt(shown, QStringLiteral("Sie hat mehr als %1 Tabellenblätter.")
                          .arg(QLocale(QLocale::German).toString(MaxBlätter)));
}

// The sheets a message names: the first few.
QString blattliste(const QStringList& blätter) {
    QStringList namen;
    for (const QString& b : blätter.mid(0, 10))
        namen.append(QStringLiteral("„%1“").arg(b.left(40)));
    return namen.join(QStringLiteral(", ")) +
           (blätter.size() > 10 ? QStringLiteral(" und %1 weitere").arg(blätter.size() - 10)
                                : QString());
}

class Archiv {
public:
    Archiv(const QByteArray& bytes, const QString& shown) : m_shown(shown) {
        m_daten.bytes = bytes;
        zlib_filefunc64_def io{};
        io.zopen64_file = [](voidpf opaque, const void*, int) -> voidpf { return opaque; };
        io.zread_file = [](voidpf, voidpf stream, void* buf, uLong size) -> uLong {
            auto* d = static_cast<Speicher*>(stream);
            const qint64 n = std::clamp<qint64>(d->bytes.size() - d->pos, 0, qint64(size));
            std::memcpy(buf, d->bytes.constData() + d->pos, size_t(n));
            d->pos += n;
            return uLong(n);
        };
        io.zwrite_file = [](voidpf, voidpf, const void*, uLong) -> uLong { return 0; };
        io.ztell64_file = [](voidpf, voidpf stream) -> ZPOS64_T {
            return ZPOS64_T(static_cast<Speicher*>(stream)->pos);
        };
        io.zseek64_file = [](voidpf, voidpf stream, ZPOS64_T offset, int origin) -> long {
            auto* d = static_cast<Speicher*>(stream);
            qint64 basis = 0;
            if (origin == ZLIB_FILEFUNC_SEEK_CUR)
                basis = d->pos;
            else if (origin == ZLIB_FILEFUNC_SEEK_END)
                basis = d->bytes.size();
            if (offset > ZPOS64_T(d->bytes.size()) || basis + qint64(offset) > d->bytes.size())
                return -1;
            d->pos = basis + qint64(offset);
            return 0;
        };
        io.zclose_file = [](voidpf, voidpf) -> int { return 0; };
        io.zerror_file = [](voidpf, voidpf) -> int { return 0; };
        io.opaque = &m_daten;
        m_zip = unzOpen2_64("", &io);
        if (!m_zip)
            rt::raiseError(
                rt::err::PathFileAccessError,
                QStringLiteral("Die Datei „%1“ kann nicht gelesen werden: Sie beginnt wie "
                               "ein ZIP-Archiv (eine Arbeitsmappe ist eines), ist aber "
                               "beschädigt.")
                    .arg(shown));
        for (int r = unzGoToFirstFile(m_zip); r == UNZ_OK; r = unzGoToNextFile(m_zip)) {
            std::array<char, 512> name{};
            if (unzGetCurrentFileInfo64(m_zip, nullptr, name.data(), name.size() - 1, nullptr, 0,
                                        nullptr, 0) == UNZ_OK) {
                const QString n = QString::fromUtf8(name.data());
                m_namen.insert(n.toLower(), n);
            }
        }
    }
    ~Archiv() {
        if (m_zip)
            unzClose(m_zip);
    }
    Archiv(const Archiv&) = delete;
    Archiv& operator=(const Archiv&) = delete;

    bool hat(const QString& name) const { return m_namen.contains(name.toLower()); }

    // The part unpacked; empty when it is missing.
    QByteArray teil(const QString& name, qint64 höchstens = MaxTeil) {
        const QString echt = m_namen.value(name.toLower());
        if (echt.isEmpty() || unzLocateFile(m_zip, echt.toUtf8().constData(), 1) != UNZ_OK)
            return QByteArray();
        unz_file_info64 info{};
        unzGetCurrentFileInfo64(m_zip, &info, nullptr, 0, nullptr, 0, nullptr, 0);
        if (unzOpenCurrentFile(m_zip) != UNZ_OK)
            beschädigt(m_shown, QStringLiteral("„%1“ lässt sich nicht entpacken.").arg(name));
        QByteArray bytes;
        // The size the archive states, as far as it may be: it can lie.
        bytes.reserve(qsizetype(std::min<ZPOS64_T>(info.uncompressed_size, höchstens)));
        std::array<char, 65536> chunk{};
        for (;;) {
            const int n = unzReadCurrentFile(m_zip, chunk.data(), unsigned(chunk.size()));
            if (n < 0) {
                unzCloseCurrentFile(m_zip);
                beschädigt(m_shown, QStringLiteral("„%1“ lässt sich nicht entpacken.").arg(name));
            }
            if (n == 0)
                break;
            m_entpackt += n;
            if (bytes.size() + n > höchstens || m_entpackt > MaxEntpackt) {
                unzCloseCurrentFile(m_zip);
                zuGroß(m_shown);
            }
            bytes.append(chunk.data(), n);
        }
        if (unzCloseCurrentFile(m_zip) != UNZ_OK)
            beschädigt(m_shown, QStringLiteral("„%1“ ist beschädigt.").arg(name));
        if (zuVieleAttribute(bytes))
            beschädigt(m_shown, QStringLiteral("In „%1“ hat ein Element mehr als %2 Attribute.")
                                    .arg(name)
                                    .arg(MaxAttribute));
        return bytes;
    }

private:
    struct Speicher {
        QByteArray bytes;
        qint64 pos = 0;
    };
    QString m_shown;
    Speicher m_daten;
    unzFile m_zip = nullptr;
    QHash<QString, QString> m_namen;
    qint64 m_entpackt = 0;
};

// A text cell as the table reader takes it: no control characters (a line
// break typed in a cell becomes a blank).
void textZelle(QByteArray& out, const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    for (const char c : utf8)
        out += (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) ? ' ' : c;
}

void zahlZelle(QByteArray& out, double value) {
    std::array<char, 32> buffer{};
    const auto r = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    out += Zahlmarke;
    out.append(buffer.data(), r.ptr - buffer.data());
}

std::optional<double> alsZahl(QStringView text) {
    const QByteArray bytes = text.trimmed().toLatin1();
    double value = 0;
    const auto r = std::from_chars(bytes.data(), bytes.data() + bytes.size(), value);
    if (r.ec != std::errc() || r.ptr != bytes.data() + bytes.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

// A percentage as the cell shows it: 0.975 is "97,5 %".
double prozent(double anteil) {
    std::array<char, 32> buffer{};
    const auto r = std::to_chars(buffer.data(), buffer.data() + buffer.size(), anteil * 100,
                                 std::chars_format::general, 15);
    double value = anteil * 100;
    std::from_chars(buffer.data(), r.ptr, value);
    return value;
}

// Builds the text of a sheet: rows and cells placed where the sheet has them.
class Blattschreiber {
public:
    explicit Blattschreiber(const QString& shown) : m_shown(shown) {}

    // Rows count from 1, columns from 0.
    void zeile(int nummer) {
        if (nummer <= m_zeile)
            nummer = m_zeile + 1;
        if (nummer > MaxZeilen)
            m_voll = true;
        m_zeile = std::min(nummer, MaxZeilen + 1);
        m_spalte = -1;
        m_zeileBegonnen = false;
    }
    bool voll() const { return m_voll; }
    void text(int spalte, const QString& value) {
        if (value.trimmed().isEmpty())
            return;
        if (!zelle(spalte))
            return;
        textZelle(m_text, value);
    }
    void zahl(int spalte, double value) {
        if (!zelle(spalte))
            return;
        zahlZelle(m_text, value);
        m_zahlen = true;
    }
    bool hatDaten() const { return m_daten; }
    bool hatZahlen() const { return m_zahlen; }
    QByteArray ergebnis() {
        if (!m_text.isEmpty())
            m_text += '\n';
        return std::move(m_text);
    }

private:
    bool zelle(int spalte) {
        if (m_voll || spalte < 0 || spalte <= m_spalte)
            return false;
        // A cell beyond the columns a table is read from counts once: the
        // reader refuses such a row.
        if (spalte > MaxSpalten)
            spalte = m_spalte >= MaxSpalten ? -1 : MaxSpalten;
        if (spalte < 0)
            return false;
        if (!m_zeileBegonnen) {
            // Every row before, also the empty ones, is a line.
            m_text.append(QByteArray(m_zeile - 1 - m_umbrüche, '\n'));
            m_umbrüche = m_zeile - 1;
            m_zeileBegonnen = true;
        } else {
            m_text += Zellentrenner;
        }
        m_text.append(QByteArray(spalte - m_spalte - 1, Zellentrenner));
        m_spalte = spalte;
        m_daten = true;
        if (m_text.size() > MaxTeil)
            zuGroß(m_shown);
        return true;
    }

    QString m_shown;
    QByteArray m_text;
    int m_zeile = 0;
    int m_umbrüche = 0;
    int m_spalte = -1;
    bool m_zeileBegonnen = false;
    bool m_daten = false;
    bool m_zahlen = false;
    bool m_voll = false;
};

QStringView attribut(const QXmlStreamAttributes& attributes, QStringView name) {
    for (const QXmlStreamAttribute& a : attributes)
        if (a.name() == name)
            return a.value();
    return QStringView();
}
// For one attribute of an element; several are read from one copy of them.
QString attribut(const QXmlStreamReader& xml, QStringView name) {
    return attribut(xml.attributes(), name).toString();
}

// "B12" -> column 1.
int spalteAusBezug(QStringView ref) {
    int column = 0;
    int letters = 0;
    for (const QChar c : ref) {
        if (c >= u'A' && c <= u'Z')
            column = column * 26 + (c.unicode() - u'A' + 1);
        else if (c >= u'a' && c <= u'z')
            column = column * 26 + (c.unicode() - u'a' + 1);
        else
            break;
        if (++letters > 4)
            return -1;
    }
    return letters == 0 ? -1 : column - 1;
}

// The text of the element the reader stands on (a shared text, an inline
// text, a cell of a sheet), its children's included, up to its end:
// paragraphs joined by blanks, spaces, tabs and line breaks as blanks;
// phonetic runs and notes left out.
QString elementText(QXmlStreamReader& xml) {
    QString text;
    int tiefe = 1;
    int absätze = 0;
    while (tiefe > 0 && !xml.atEnd()) {
        switch (xml.readNext()) {
        case QXmlStreamReader::StartElement:
            if (xml.name() == u"rPh" || xml.name() == u"annotation") {
                xml.skipCurrentElement();
                break;
            }
            if (xml.name() == u"p" && absätze++ > 0)
                text += u' ';
            else if (xml.name() == u"s")
                text += QString(std::clamp(attribut(xml, u"c").toInt(), 1, 1000), u' ');
            else if (xml.name() == u"tab" || xml.name() == u"line-break")
                text += u' ';
            ++tiefe;
            break;
        case QXmlStreamReader::EndElement:
            --tiefe;
            break;
        case QXmlStreamReader::Characters:
            // Blanks between the elements of a cell are none of its text.
            if (tiefe > 1)
                text += xml.text();
            if (text.size() > MaxZeilenlänge)
                text.truncate(MaxZeilenlänge + 1);
            break;
        default:
            break;
        }
    }
    return text;
}

void xmlFehler(const QXmlStreamReader& xml, const QString& shown, const QString& teil) {
    if (xml.hasError())
        beschädigt(shown, QStringLiteral("„%1“ ist kein gültiges XML (Zeile %2).")
                              .arg(teil)
                              .arg(xml.lineNumber()));
}

// ---- xlsx -----------------------------------------------------------------

struct XlsxBlatt {
    QString name;
    QString teil;
    // Hidden sheets hold what is not shown, such as old values.
    bool versteckt = false;
};

QString relativZu(const QString& ordner, QString ziel) {
    if (ziel.startsWith(u'/'))
        return ziel.mid(1);
    QStringList teile = ordner.split(u'/', Qt::SkipEmptyParts);
    for (const QString& t : ziel.split(u'/', Qt::SkipEmptyParts)) {
        if (t == u"..") {
            if (!teile.isEmpty())
                teile.removeLast();
        } else if (t != u".") {
            teile.append(t);
        }
    }
    return teile.join(u'/');
}

QVector<XlsxBlatt> xlsxBlätter(Archiv& zip, const QString& shown) {
    QHash<QString, QString> ziele;
    {
        QXmlStreamReader xml(zip.teil(QStringLiteral("xl/_rels/workbook.xml.rels")));
        while (!xml.atEnd())
            if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == u"Relationship")
                ziele.insert(attribut(xml, u"Id"),
                             relativZu(QStringLiteral("xl"), attribut(xml, u"Target")));
        xmlFehler(xml, shown, QStringLiteral("xl/_rels/workbook.xml.rels"));
    }
    QVector<XlsxBlatt> blätter;
    QXmlStreamReader xml(zip.teil(QStringLiteral("xl/workbook.xml")));
    while (!xml.atEnd())
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == u"sheet") {
            const QXmlStreamAttributes a = xml.attributes();
            blätter.append(
                {attribut(a, u"name").toString(), ziele.value(attribut(a, u"id").toString()),
                 !attribut(a, u"state").isEmpty() && attribut(a, u"state") != u"visible"});
        }
    xmlFehler(xml, shown, QStringLiteral("xl/workbook.xml"));
    if (blätter.isEmpty())
        beschädigt(shown, QStringLiteral("Sie enthält kein Tabellenblatt."));
    if (blätter.size() > MaxBlätter)
        zuVieleBlätter(shown);
    return blätter;
}

// The shared texts, kept as one UTF-8 block: a million short texts cost
// little more than their characters.
class Texte {
public:
    void append(const QString& text) {
        const QByteArray utf8 = text.toUtf8();
        m_orte.push_back({qint64(m_bytes.size()), qint64(utf8.size())});
        m_bytes += utf8;
    }
    qsizetype size() const { return qsizetype(m_orte.size()); }
    QString at(qsizetype i) const {
        const auto [anfang, länge] = m_orte[size_t(i)];
        return QString::fromUtf8(m_bytes.constData() + anfang, länge);
    }

private:
    QByteArray m_bytes;
    std::vector<std::pair<qint64, qint64>> m_orte;
};

Texte xlsxTexte(Archiv& zip, const QString& shown) {
    Texte texte;
    // A workbook without texts has no such part.
    const QByteArray bytes = zip.teil(QStringLiteral("xl/sharedStrings.xml"), MaxTexte);
    if (bytes.isEmpty())
        return texte;
    QXmlStreamReader xml(bytes);
    while (!xml.atEnd())
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == u"si")
            texte.append(elementText(xml));
    xmlFehler(xml, shown, QStringLiteral("xl/sharedStrings.xml"));
    return texte;
}

// How a cell format shows a number.
enum class Format { Zahl, Prozent, Datum };

// What a format code shows: a '%' or a date or time part outside quotes,
// escapes and brackets ("0.0%", "DD.MM.YYYY", "[h]:mm"; not "0.0\%").
Format formatVon(QStringView code) {
    bool prozent = false, datum = false;
    for (qsizetype i = 0; i < code.size(); ++i) {
        const QChar c = code[i];
        if (c == u'"') {
            while (++i < code.size() && code[i] != u'"') {
            }
        } else if (c == u'\\' || c == u'_' || c == u'*') {
            ++i;
        } else if (c == u'[') {
            const qsizetype ende = code.indexOf(u']', i);
            const QStringView inhalt = code.mid(i + 1, ende < 0 ? -1 : ende - i - 1);
            // Elapsed time: [h], [mm], [ss]; not a colour such as [Magenta].
            if (!inhalt.isEmpty() && QStringLiteral("hHmMsS").contains(inhalt[0]) &&
                std::all_of(inhalt.begin(), inhalt.end(),
                            [&](QChar x) { return x.toLower() == inhalt[0].toLower(); }))
                datum = true;
            i = ende < 0 ? code.size() : ende;
        } else if (c == u'%') {
            prozent = true;
        } else if (QStringLiteral("dDmMyYhHsS").contains(c)) {
            datum = true;
        }
    }
    return datum ? Format::Datum : prozent ? Format::Prozent : Format::Zahl;
}

// Per cell format (the s attribute of a cell): how it shows a number.
QVector<Format> xlsxFormate(Archiv& zip) {
    // The built-in formats: percentages, dates and times.
    QHash<int, Format> formate = {{9, Format::Prozent}, {10, Format::Prozent}};
    for (const int id : {14, 15, 16, 17, 18, 19, 20, 21, 22, 45, 46, 47})
        formate.insert(id, Format::Datum);
    for (int id = 27; id <= 36; ++id)
        formate.insert(id, Format::Datum);
    for (int id = 50; id <= 58; ++id)
        formate.insert(id, Format::Datum);
    QVector<Format> xf;
    QXmlStreamReader xml(zip.teil(QStringLiteral("xl/styles.xml")));
    bool inXfs = false;
    while (!xml.atEnd()) {
        const auto token = xml.readNext();
        if (token == QXmlStreamReader::StartElement) {
            if (xml.name() == u"numFmt") {
                const QXmlStreamAttributes a = xml.attributes();
                formate.insert(attribut(a, u"numFmtId").toInt(),
                               formatVon(attribut(a, u"formatCode")));
            } else if (xml.name() == u"cellXfs") {
                inXfs = true;
            } else if (inXfs && xml.name() == u"xf") {
                xf.append(formate.value(attribut(xml, u"numFmtId").toInt(), Format::Zahl));
            }
        } else if (token == QXmlStreamReader::EndElement && xml.name() == u"cellXfs") {
            inXfs = false;
        }
    }
    // A damaged style part only loses the formats.
    return xf;
}

// A date cell as the sheet shows it, in German: a date is no measured value.
QString datumText(double serial) {
    const QDateTime t = QDateTime(QDate(1899, 12, 30), QTime(0, 0))
                            .addMSecs(qint64(std::llround(serial * 86'400'000.0)));
    if (!t.isValid())
        return QStringLiteral("Datum %1").arg(serial);
    return t.time() == QTime(0, 0) ? t.toString(QStringLiteral("dd.MM.yyyy"))
                                   : t.toString(QStringLiteral("dd.MM.yyyy hh:mm"));
}

QByteArray xlsxBlatt(Archiv& zip, const QString& teil, const Texte& texte,
                     const QVector<Format>& formate, const QString& shown, bool& zahlen) {
    const QByteArray bytes = zip.teil(teil);
    if (bytes.isEmpty())
        beschädigt(shown, QStringLiteral("Das Tabellenblatt „%1“ fehlt.").arg(teil));
    Blattschreiber blatt(shown);
    QXmlStreamReader xml(bytes);
    int zeile = 0;
    int spalte = -1;
    while (!xml.atEnd() && !blatt.voll()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        const QXmlStreamAttributes attribute = xml.attributes();
        if (xml.name() == u"row") {
            bool ok = false;
            const int r = attribut(attribute, u"r").toInt(&ok);
            zeile = ok && r > zeile ? r : zeile + 1;
            blatt.zeile(zeile);
            spalte = -1;
        } else if (xml.name() == u"c") {
            const QStringView ref = attribut(attribute, u"r");
            const int c = ref.isEmpty() ? spalte + 1 : spalteAusBezug(ref);
            spalte = c < 0 ? spalte + 1 : c;
            const QStringView typ = attribut(attribute, u"t");
            bool sOk = false;
            const int stil = attribut(attribute, u"s").toInt(&sOk);
            QString wert;
            bool hatWert = false;
            int tiefe = 1;
            while (tiefe > 0 && !xml.atEnd()) {
                const auto token = xml.readNext();
                if (token == QXmlStreamReader::StartElement) {
                    if (xml.name() == u"v") {
                        wert = xml.readElementText(QXmlStreamReader::IncludeChildElements);
                        hatWert = true;
                    } else if (xml.name() == u"is") {
                        wert = elementText(xml);
                        hatWert = true;
                    } else {
                        ++tiefe;
                    }
                } else if (token == QXmlStreamReader::EndElement) {
                    --tiefe;
                }
            }
            if (!hatWert)
                continue;
            if (typ == u"s") {
                bool ok = false;
                const int index = wert.toInt(&ok);
                if (!ok || index < 0 || index >= texte.size())
                    beschädigt(shown, QStringLiteral("Die Zelle %1 verweist auf einen fehlenden "
                                                     "Text.")
                                          .arg(ref.toString()));
                blatt.text(spalte, texte.at(index));
            } else if (typ.isEmpty() || typ == u"n") {
                const Format format = sOk ? formate.value(stil, Format::Zahl) : Format::Zahl;
                const auto value = alsZahl(wert);
                if (!value)
                    blatt.text(spalte, wert);
                else if (format == Format::Datum)
                    blatt.text(spalte, datumText(*value));
                else
                    blatt.zahl(spalte, format == Format::Prozent ? prozent(*value) : *value);
            } else if (typ == u"b") {
                // A truth value is no number.
                blatt.text(spalte, wert.trimmed() == u"1" ? QStringLiteral("WAHR")
                                                          : QStringLiteral("FALSCH"));
            } else if (typ != u"e") {
                // Texts of formulas, inline texts, dates written as text.
                blatt.text(spalte, wert);
            }
        }
    }
    xmlFehler(xml, shown, teil);
    zahlen = blatt.hatZahlen();
    return blatt.ergebnis();
}

Inhalt xlsx(Archiv& zip, const QString& gewählt, const QString& shown) {
    Inhalt inhalt;
    inhalt.art = QStringLiteral("Excel-Arbeitsmappe");
    const QVector<XlsxBlatt> blätter = xlsxBlätter(zip, shown);
    for (const XlsxBlatt& b : blätter)
        inhalt.blätter.append(b.name);
    const Texte texte = xlsxTexte(zip, shown);
    const QVector<Format> formate = xlsxFormate(zip);
    // Without a choice, the first sheet with numbers; else the first with
    // anything in it (a cover sheet of text comes before); else the first.
    QString ersatzName = blätter.first().name;
    QByteArray ersatz;
    for (const XlsxBlatt& b : blätter) {
        if (gewählt.isEmpty() ? b.versteckt : !gleicherName(b.name, gewählt))
            continue;
        bool zahlen = false;
        QByteArray text = xlsxBlatt(zip, b.teil, texte, formate, shown, zahlen);
        if (!gewählt.isEmpty() || zahlen) {
            inhalt.blatt = b.name;
            inhalt.text = std::move(text);
            return inhalt;
        }
        if (ersatz.isEmpty() && !text.isEmpty()) {
            ersatzName = b.name;
            ersatz = std::move(text);
        }
    }
    if (gewählt.isEmpty()) {
        inhalt.blatt = ersatzName;
        inhalt.text = std::move(ersatz);
        return inhalt;
    }
    rt::raiseError(rt::err::PathFileAccessError,
                   QStringLiteral("Die Arbeitsmappe „%1“ hat kein Tabellenblatt „%2“; sie hat: "
                                  "%3.")
                       .arg(shown, gewählt.left(40), blattliste(inhalt.blätter)));
}

// ---- ods ------------------------------------------------------------------

Inhalt ods(Archiv& zip, const QString& gewählt, const QString& shown) {
    Inhalt inhalt;
    inhalt.art = QStringLiteral("OpenDocument-Tabelle");
    QXmlStreamReader xml(zip.teil(QStringLiteral("content.xml")));
    std::optional<Blattschreiber> blatt;
    QString name;
    bool gefunden = false;
    QString stil;
    QSet<QString> versteckt;
    QString ersatzName;
    QByteArray ersatz;
    int zeile = 0;
    int spalte = 0;
    // Rows are repeated; empty ones are counted, not written.
    while (!xml.atEnd()) {
        const auto token = xml.readNext();
        if (token == QXmlStreamReader::EndElement && xml.name() == u"table" && blatt) {
            // Without a choice, the first sheet with numbers; else the first
            // with anything in it (a cover sheet of text comes before).
            if (!gefunden &&
                (gewählt.isEmpty() ? blatt->hatZahlen() : gleicherName(name, gewählt))) {
                inhalt.blatt = name;
                inhalt.text = blatt->ergebnis();
                gefunden = true;
            } else if (!gefunden && gewählt.isEmpty() && blatt->hatDaten() && ersatz.isEmpty()) {
                ersatzName = name;
                ersatz = blatt->ergebnis();
            }
            blatt.reset();
            continue;
        }
        if (token != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == u"style" && attribut(xml, u"family") == u"table") {
            stil = attribut(xml, u"name");
        } else if (xml.name() == u"table-properties" && attribut(xml, u"display") == u"false") {
            versteckt.insert(stil);
        } else if (xml.name() == u"table") {
            name = attribut(xml, u"name");
            inhalt.blätter.append(name);
            if (inhalt.blätter.size() > MaxBlätter)
                zuVieleBlätter(shown);
            // Hidden sheets hold what is not shown, such as old values.
            const bool überspringen = gewählt.isEmpty()
                                          ? versteckt.contains(attribut(xml, u"style-name"))
                                          : !gleicherName(name, gewählt);
            if (gefunden || überspringen) {
                xml.skipCurrentElement();
                continue;
            }
            blatt.emplace(shown);
            zeile = 0;
        } else if (!blatt) {
            continue;
        } else if (xml.name() == u"table-row") {
            const int wiederholt =
                std::clamp(attribut(xml, u"number-rows-repeated").toInt(), 1, MaxZeilen);
            // The cells of the row, then as many copies as the row is repeated.
            struct Zelle {
                int spalte;
                std::optional<double> zahl;
                QString text;
            };
            QVector<Zelle> zellen;
            spalte = 0;
            int tiefe = 1;
            while (tiefe > 0 && !xml.atEnd()) {
                const auto t = xml.readNext();
                if (t == QXmlStreamReader::EndElement) {
                    --tiefe;
                    continue;
                }
                if (t != QXmlStreamReader::StartElement)
                    continue;
                if (xml.name() != u"table-cell" && xml.name() != u"covered-table-cell") {
                    ++tiefe;
                    continue;
                }
                const QXmlStreamAttributes attribute = xml.attributes();
                const int spalten =
                    std::clamp(attribut(attribute, u"number-columns-repeated").toInt(), 1, 1 << 20);
                const QStringView typ = attribut(attribute, u"value-type");
                std::optional<double> zahl;
                if (typ == u"float" || typ == u"currency" || typ == u"percentage") {
                    zahl = alsZahl(attribut(attribute, u"value"));
                    if (zahl && typ == u"percentage")
                        zahl = prozent(*zahl);
                }
                const QString text = elementText(xml);
                if (zahl || !text.trimmed().isEmpty())
                    for (int i = 0; i < spalten && spalte + i <= MaxSpalten; ++i)
                        zellen.append({spalte + i, zahl, text});
                spalte = std::min(spalte + spalten, MaxSpalten + 1);
            }
            if (zellen.isEmpty()) {
                zeile += wiederholt;
                continue;
            }
            for (int i = 0; i < wiederholt && !blatt->voll(); ++i) {
                blatt->zeile(++zeile);
                for (const Zelle& z : zellen) {
                    if (z.zahl)
                        blatt->zahl(z.spalte, *z.zahl);
                    else
                        blatt->text(z.spalte, z.text);
                }
            }
        }
    }
    xmlFehler(xml, shown, QStringLiteral("content.xml"));
    if (inhalt.blätter.isEmpty())
        beschädigt(shown, QStringLiteral("Sie enthält kein Tabellenblatt."));
    if (!gefunden && !gewählt.isEmpty())
        rt::raiseError(rt::err::PathFileAccessError,
                       QStringLiteral("Die Arbeitsmappe „%1“ hat kein Tabellenblatt „%2“; sie "
                                      "hat: %3.")
                           .arg(shown, gewählt.left(40), blattliste(inhalt.blätter)));
    if (!gefunden) {
        inhalt.blatt = ersatz.isEmpty() ? inhalt.blätter.first() : ersatzName;
        inhalt.text = std::move(ersatz);
    }
    return inhalt;
}

} // namespace

Art artVon(const QByteArray& bytes) {
    if (bytes.startsWith("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1"))
        return Art::AltesOffice;
    if (bytes.startsWith("PK\x03\x04"))
        return Art::Zip;
    return Art::Keine;
}

Inhalt lesen(const QByteArray& bytes, const QString& blatt, const QString& shown) {
    Archiv zip(bytes, shown);
    if (zip.hat(QStringLiteral("xl/workbook.xml")))
        return xlsx(zip, blatt, shown);
    if (zip.hat(QStringLiteral("content.xml")))
        return ods(zip, blatt, shown);
    rt::raiseError(rt::err::PathFileAccessError,
                   QStringLiteral("Die Datei „%1“ ist weder eine Texttabelle (CSV, TXT) noch eine "
                                  "Arbeitsmappe (.xlsx, .ods) und kann nicht importiert werden.")
                       .arg(shown));
}

} // namespace MesswertImport::Mappe
