// The calibration file (an XML recordset of key and value) and the property
// bag block of the whole store.

#include "Kalibrierung.h"

#include "AdoRecordset.h"

#include "RuntimeError.h"
#include "Zieldatei.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>

using rt::Variant;

namespace {

const QString HeaderKey = QStringLiteral("KalibrierungVelmorTeilE4");
const QString HeaderValue = QStringLiteral("V1");

[[noreturn]] void fileError(int number, const QString& path, const QString& detail = QString()) {
    QString description =
        rt::errorDescription(number) + QStringLiteral(": ") + QDir::toNativeSeparators(path);
    if (!detail.isEmpty())
        description += QStringLiteral(" (") + detail + u')';
    rt::raiseError(number, description);
}

// Writes bytes so that the target is always either the complete old file or
// the complete new one. Without replace an existing target is refused; with
// it the target (through a link, the file it names) is replaced in one step,
// read-only or not as art says.
void writeFile(const QString& path, const QByteArray& bytes, rt::Zieldatei::Art art) {
    rt::Zieldatei ziel(path, art);
    ziel.schreiben(bytes);
    ziel.commit();
}

QByteArray fileContent(const DataStore& store) {
    std::vector<QStringList> rows;
    rows.reserve(store.count() + 1);
    rows.push_back({HeaderKey, HeaderValue});
    store.forEach([&](const QString& key, const Variant& value) {
        rows.push_back({key, value.toText()});
    });
    return ado::write({QStringLiteral("Variable"), QStringLiteral("Wert")}, rows);
}

} // namespace

void Kalibrierung::SaveFile(const QString& FilePath) const {
    writeFile(FilePath, fileContent(*m_store), rt::Zieldatei::Art::Neu);
}

void Kalibrierung::ReplaceFile(const QString& FilePath, bool ReadOnlyToo) const {
    writeFile(FilePath, fileContent(*m_store),
              ReadOnlyToo ? rt::Zieldatei::Art::Ersetzen : rt::Zieldatei::Art::Ausgabe);
}

void Kalibrierung::LoadFile(const QString& FilePath) {
    QFile file(FilePath);
    if (!QFileInfo(FilePath).isFile())
        fileError(QFileInfo::exists(FilePath) ? rt::err::PathFileAccessError
                                              : rt::err::FileNotFound,
                  FilePath);
    errno = 0;
    if (!file.open(QIODevice::ReadOnly))
        fileError(rt::err::PathFileAccessError, FilePath, rt::fileErrorText(file.errorString()));
    auto tooLarge = [&] {
        rt::raiseError(rt::err::RecordsetSource,
                       rt::errorDescription(rt::err::RecordsetSource) +
                           QStringLiteral(": die Datei „%1“ ist größer als %2 MB und daher "
                                          "keine Kalibrierung")
                               .arg(QDir::toNativeSeparators(FilePath))
                               .arg(MaxDateigröße / (1024 * 1024)));
    };
    if (file.size() > MaxDateigröße)
        tooLarge();
    errno = 0;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        fileError(rt::err::PathFileAccessError, FilePath, rt::fileErrorText(file.errorString()));
    if (bytes.size() > MaxDateigröße) // grown while it was read
        tooLarge();

    // Everything is read and checked before the calibration is touched.
    // Only the two fields of a calibration are kept; a file that would take
    // more memory than there is fails as a file too large.
    ado::Recordset recordset;
    try {
        recordset = ado::read(bytes, {QStringLiteral("Variable"), QStringLiteral("Wert")});
    } catch (const std::bad_alloc&) {
        rt::raiseError(rt::err::OutOfMemory);
    }
    // A table without these fields is not a calibration, whatever else it holds.
    auto field = [&](const QString& name) {
        const int index = recordset.fieldIndex(name);
        if (index < 0)
            rt::raiseError(rt::err::ItemNotFound,
                           rt::errorDescription(rt::err::ItemNotFound) +
                               QStringLiteral(": die Datei hat kein Feld „%1“ und ist daher "
                                              "keine Kalibrierung")
                                   .arg(name));
        return index;
    };
    const int variable = field(QStringLiteral("Variable"));
    const int wert = field(QStringLiteral("Wert"));

    Reset();
    for (const auto& row : recordset.rows) {
        const std::optional<QString>& key = row[variable];
        if (!key || key->isEmpty())
            continue;
        m_store->setValue(*key, row[wert].value_or(QString()));
    }
}

void Kalibrierung::WriteProperties(rt::PropertyBag& bag) const {
    int i = 0;
    m_store->forEach([&](const QString& key, const Variant& value) {
        ++i;
        bag.writeProperty(QStringLiteral("Key%1").arg(i), key);
        bag.writeProperty(QStringLiteral("Val%1").arg(i), value);
    });
    bag.writeProperty(QStringLiteral("Count"), rt::Long(i));
}

void Kalibrierung::ReadProperties(const rt::PropertyBag& bag) {
    Reset();
    const rt::Long count = bag.readProperty(QStringLiteral("Count"), rt::Long(0)).toLong();
    for (rt::Long i = 1; i <= count; ++i) {
        const QString key = bag.readProperty(QStringLiteral("Key%1").arg(i)).toText();
        if (!key.isEmpty())
            m_store->setValue(key, bag.readProperty(QStringLiteral("Val%1").arg(i)));
    }
}

QByteArray Kalibrierung::ContentString() const {
    rt::PropertyBag bag;
    WriteProperties(bag);
    return bag.contents();
}

void Kalibrierung::setContentString(const QByteArray& value) {
    rt::PropertyBag bag;
    bag.setContents(value);
    ReadProperties(bag);
}
