// The workbook reader of the import: a sound ZIP archive around parts taken
// from the input, as an .xlsx (workbook, relations, shared texts, styles, one
// sheet) or an .ods (content). Random bytes seldom make an archive, so the
// import's own target rarely gets past it.

#include "Pruefungen.h"

#include "Eingabe.h"

#include <zlib.h>

#include <utility>
#include <vector>

namespace {

void le(QByteArray& out, quint32 value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out += char((value >> (8 * i)) & 0xFF);
}

// The parts stored uncompressed: the reader inflates nothing it need not.
QByteArray archiv(const std::vector<std::pair<QByteArray, QByteArray>>& teile) {
    QByteArray out;
    QByteArray verzeichnis;
    for (const auto& [name, daten] : teile) {
        const quint32 crc = quint32(
            crc32(0, reinterpret_cast<const Bytef*>(daten.constData()), uInt(daten.size())));
        const quint32 lage = quint32(out.size());
        out += "PK\x03\x04";
        le(out, 20, 2); // version needed
        le(out, 0, 2);  // flags
        le(out, 0, 2);  // stored
        le(out, 0, 4);  // time and date
        le(out, crc, 4);
        le(out, quint32(daten.size()), 4);
        le(out, quint32(daten.size()), 4);
        le(out, quint32(name.size()), 2);
        le(out, 0, 2);
        out += name;
        out += daten;
        verzeichnis += "PK\x01\x02";
        le(verzeichnis, 20, 2);
        le(verzeichnis, 20, 2);
        le(verzeichnis, 0, 2);
        le(verzeichnis, 0, 2);
        le(verzeichnis, 0, 4);
        le(verzeichnis, crc, 4);
        le(verzeichnis, quint32(daten.size()), 4);
        le(verzeichnis, quint32(daten.size()), 4);
        le(verzeichnis, quint32(name.size()), 2);
        le(verzeichnis, 0, 2); // extra
        le(verzeichnis, 0, 2); // comment
        le(verzeichnis, 0, 2); // disk
        le(verzeichnis, 0, 2); // internal attributes
        le(verzeichnis, 0, 4); // external attributes
        le(verzeichnis, lage, 4);
        verzeichnis += name;
    }
    const quint32 beginn = quint32(out.size());
    out += verzeichnis;
    out += "PK\x05\x06";
    le(out, 0, 2);
    le(out, 0, 2);
    le(out, quint32(teile.size()), 2);
    le(out, quint32(teile.size()), 2);
    le(out, quint32(verzeichnis.size()), 4);
    le(out, beginn, 4);
    le(out, 0, 2);
    return out;
}

constexpr size_t MaxTeil = 1 << 20;

} // namespace

QString pruefeMappe(QByteArrayView input) {
    Eingabe e(input);
    std::vector<std::pair<QByteArray, QByteArray>> teile;
    if (e.jaNein()) {
        teile.emplace_back("mimetype", "application/vnd.oasis.opendocument.spreadsheet");
        teile.emplace_back("content.xml", e.rest());
    } else {
        // Parts the input leaves empty are left out, as a damaged file would.
        const char* namen[] = {"xl/workbook.xml", "xl/_rels/workbook.xml.rels",
                               "xl/sharedStrings.xml", "xl/styles.xml"};
        for (const char* name : namen) {
            QByteArray teil = e.text(MaxTeil);
            if (!teil.isEmpty())
                teile.emplace_back(name, std::move(teil));
        }
        teile.emplace_back("xl/worksheets/sheet1.xml", e.rest());
    }
    return pruefeTabelle(archiv(teile));
}
