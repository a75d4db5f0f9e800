// The calibration file (an XML recordset of key and value) and the property
// bag block of the whole store.

#include "Kalibrierung.h"

#include "AdoRecordset.h"

#include "Dateirechte.h"
#include "RuntimeError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <unistd.h>

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

// Writes bytes into a temporary file beside the target first, which is moved
// into place only when everything was written: a failure never leaves a
// half-written file. Without replace an existing target is refused; with it
// the target (read-only or not; through a link, the file it points to) is
// replaced in one step, so the old file stays until the new one is complete.
void writeFile(const QString& path, const QByteArray& bytes, bool replace) {
    QFileInfo target(path);
    if (replace && target.isSymLink() && target.exists())
        target = QFileInfo(target.canonicalFilePath());
    if (target.isDir() || (!replace && (target.exists() || target.isSymLink())))
        fileError(target.isDir() ? rt::err::PathFileAccessError : rt::err::FileAlreadyExists, path);
    const QDir folder = target.absoluteDir();
    if (!folder.exists())
        fileError(rt::err::PathNotFound, path);
    QTemporaryFile temporary(folder.filePath(QStringLiteral(".%1.XXXXXX").arg(target.fileName())));
    if (!temporary.open())
        fileError(rt::err::PathFileAccessError, path, temporary.errorString());
    if (temporary.write(bytes) != bytes.size() || !temporary.flush() ||
        ::fsync(temporary.handle()) != 0)
        fileError(rt::err::PathFileAccessError, path, temporary.errorString());
    temporary.setPermissions(rt::defaultFilePermissions());
    temporary.close();
    const QString temporaryPath = temporary.fileName();
    if (replace) {
        // rename(2) replaces the target atomically.
        if (::rename(QFile::encodeName(temporaryPath).constData(),
                     QFile::encodeName(target.absoluteFilePath()).constData()) != 0)
            fileError(rt::err::PathFileAccessError, path);
    } else if (!QFile::rename(temporaryPath, target.absoluteFilePath())) {
        if (QFileInfo::exists(path))
            fileError(rt::err::FileAlreadyExists, path);
        fileError(rt::err::PathFileAccessError, path);
    }
    temporary.setAutoRemove(false);
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
    writeFile(FilePath, fileContent(*m_store), false);
}

void Kalibrierung::ReplaceFile(const QString& FilePath) const {
    writeFile(FilePath, fileContent(*m_store), true);
}

void Kalibrierung::LoadFile(const QString& FilePath) {
    QFile file(FilePath);
    if (!QFileInfo(FilePath).isFile())
        fileError(QFileInfo::exists(FilePath) ? rt::err::PathFileAccessError
                                              : rt::err::FileNotFound,
                  FilePath);
    if (!file.open(QIODevice::ReadOnly))
        fileError(rt::err::PathFileAccessError, FilePath, file.errorString());
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        fileError(rt::err::PathFileAccessError, FilePath, file.errorString());

    // Everything is read and checked before the calibration is touched.
    const ado::Recordset recordset = ado::read(bytes);
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
