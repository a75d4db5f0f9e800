// The calibration file (an XML recordset of key and value) and the property
// bag block of the whole store.

#include "Kalibrierung.h"

#include "AdoRecordset.h"

#include "Dateirechte.h"
#include "RuntimeError.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QRandomGenerator>
#include <QTemporaryFile>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
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

const QString MehrereNamen =
    QStringLiteral("die Datei hat mehrere Namen (harte Verknüpfungen); sie wird nicht ersetzt, "
                   "damit kein Name den alten Inhalt behält");

[[noreturn]] void systemFileError(int number, const QString& path, int error) {
    fileError(number, path, rt::systemErrorText(error));
}

// Writes every byte; false with errno set on failure.
bool writeAll(int fd, const QByteArray& bytes) {
    const char* data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, data, size_t(std::min<qsizetype>(left, 1 << 20)));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += n;
        left -= n;
    }
    return true;
}

// A free hidden name beside the target for a file about to replace it.
QByteArray temporaryName(const QFileInfo& target) {
    static const char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    QString suffix;
    for (int k = 0; k < 6; ++k)
        suffix += QLatin1Char(letters[QRandomGenerator::global()->bounded(62)]);
    return QFile::encodeName(
        target.absoluteDir().filePath(rt::temporaryPrefix(target.fileName()) + suffix));
}

// The folder's entry of a renamed or linked file reaches the disk.
void syncFolder(const QDir& folder) {
    const int fd = ::open(QFile::encodeName(folder.absolutePath()).constData(),
                          O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

class Deskriptor {
public:
    explicit Deskriptor(int fd) : m_fd(fd) {}
    ~Deskriptor() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Deskriptor(const Deskriptor&) = delete;
    Deskriptor& operator=(const Deskriptor&) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

// The new content first goes into a file without a name in the target's
// folder (O_TMPFILE), so that a save that is killed or fails leaves nothing
// behind; the complete and synced file then gets its name. False (nothing
// done) where the file system cannot make such a file.
bool writeUnnamed(const QString& path, const QFileInfo& target, const QByteArray& bytes,
                  bool replace) {
#ifdef O_TMPFILE
    int fd = -1;
    do
        fd = ::open(QFile::encodeName(target.absolutePath()).constData(),
                    O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        if (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL || errno == ENOENT)
            return false;
        systemFileError(rt::err::PathFileAccessError, path, errno);
    }
    const Deskriptor file(fd);
    if (!writeAll(fd, bytes) || ::fsync(fd) != 0)
        systemFileError(rt::err::PathFileAccessError, path, errno);
    if (replace)
        rt::keepIdentity(fd, target.absoluteFilePath());
    const QByteArray self = "/proc/self/fd/" + QByteArray::number(fd);
    const QByteArray destination = QFile::encodeName(target.absoluteFilePath());
    if (!replace) {
        // A link fails on an existing name: the target is never replaced.
        if (::linkat(AT_FDCWD, self.constData(), AT_FDCWD, destination.constData(),
                     AT_SYMLINK_FOLLOW) != 0) {
            if (errno == EEXIST)
                fileError(rt::err::FileAlreadyExists, path);
            if (errno == ENOENT && !QFileInfo::exists(QStringLiteral("/proc/self/fd")))
                return false;
            systemFileError(rt::err::PathFileAccessError, path, errno);
        }
        syncFolder(target.absoluteDir());
        return true;
    }
    // rename(2) replaces the target atomically; the name it moves from exists
    // only between the two calls.
    QByteArray temporary;
    for (int attempt = 0;; ++attempt) {
        temporary = temporaryName(target);
        if (::linkat(AT_FDCWD, self.constData(), AT_FDCWD, temporary.constData(),
                     AT_SYMLINK_FOLLOW) == 0)
            break;
        if (errno == ENOENT && !QFileInfo::exists(QStringLiteral("/proc/self/fd")))
            return false;
        if (errno != EEXIST || attempt >= 100)
            systemFileError(rt::err::PathFileAccessError, path, errno);
    }
    if (::rename(temporary.constData(), destination.constData()) != 0) {
        const int error = errno;
        ::unlink(temporary.constData());
        systemFileError(rt::err::PathFileAccessError, path, error);
    }
    syncFolder(target.absoluteDir());
    return true;
#else
    return false;
#endif
}

// Where no unnamed file can be made: a named temporary file beside the
// target, moved into place when complete and removed on failure.
void writeNamed(const QString& path, const QFileInfo& target, const QByteArray& bytes,
                bool replace) {
    QTemporaryFile temporary(target.absoluteDir().filePath(rt::temporaryPrefix(target.fileName()) +
                                                           QStringLiteral("XXXXXX")));
    errno = 0;
    if (!temporary.open())
        fileError(rt::err::PathFileAccessError, path, rt::fileErrorText(temporary.errorString()));
    if (temporary.write(bytes) != bytes.size() || !temporary.flush() ||
        ::fsync(temporary.handle()) != 0)
        fileError(rt::err::PathFileAccessError, path, rt::fileErrorText(temporary.errorString()));
    temporary.setPermissions(rt::defaultFilePermissions());
    if (replace)
        rt::keepIdentity(temporary.handle(), target.absoluteFilePath());
    temporary.close();
    const QString temporaryPath = temporary.fileName();
    if (replace) {
        if (::rename(QFile::encodeName(temporaryPath).constData(),
                     QFile::encodeName(target.absoluteFilePath()).constData()) != 0)
            systemFileError(rt::err::PathFileAccessError, path, errno);
    } else if (!QFile::rename(temporaryPath, target.absoluteFilePath())) {
        if (QFileInfo::exists(path))
            fileError(rt::err::FileAlreadyExists, path);
        fileError(rt::err::PathFileAccessError, path);
    }
    temporary.setAutoRemove(false);
    syncFolder(target.absoluteDir());
}

// A save killed between naming its new file and moving it over the target
// leaves a hidden copy ".name.XXXXXX" beside it. The next save of that file
// removes such copies once they are a minute old (a younger one may belong to
// a save still running).
void removeStaleCopies(const QFileInfo& target) {
    const QString prefix = rt::temporaryPrefix(target.fileName());
    const QDateTime limit = QDateTime::currentDateTimeUtc().addSecs(-60);
    const QDir folder = target.absoluteDir();
    const QFileInfoList candidates = folder.entryInfoList(
        {QStringLiteral("%1??????").arg(prefix)}, QDir::Files | QDir::Hidden | QDir::NoSymLinks);
    for (const QFileInfo& copy : candidates) {
        const QString suffix = copy.fileName().mid(prefix.size());
        const bool ours =
            suffix.size() == 6 && std::all_of(suffix.begin(), suffix.end(), [](QChar c) {
                return c.isLetterOrNumber() && c.unicode() < 128;
            });
        if (ours && copy.lastModified().toUTC() < limit)
            QFile::remove(copy.absoluteFilePath());
    }
}

// Writes bytes so that the target is always either the complete old file or
// the complete new one. Without replace an existing target is refused; with
// it the target (read-only or not; through a link, the file it points to) is
// replaced in one step, so the old file stays until the new one is complete.
void writeFile(const QString& path, const QByteArray& bytes, bool replace) {
    QFileInfo target(path);
    if (replace && target.isSymLink() && target.exists())
        target = QFileInfo(target.canonicalFilePath());
    if (target.isDir() || (!replace && (target.exists() || target.isSymLink())))
        fileError(target.isDir() ? rt::err::PathFileAccessError : rt::err::FileAlreadyExists, path);
    // A device, a pipe or a link to one is never renamed over.
    if (target.exists() && !target.isFile())
        fileError(rt::err::PathFileAccessError, path,
                  QStringLiteral("es ist keine gewöhnliche Datei"));
    // Replacing one name of a file with several would leave the old content
    // under the others.
    if (replace && rt::linkCount(target.absoluteFilePath()) > 1)
        fileError(rt::err::PathFileAccessError, path, MehrereNamen);
    if (!target.absoluteDir().exists())
        fileError(rt::err::PathNotFound, path);
    if (!writeUnnamed(path, target, bytes, replace))
        writeNamed(path, target, bytes, replace);
    removeStaleCopies(target);
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
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        fileError(rt::err::PathFileAccessError, FilePath, rt::fileErrorText(file.errorString()));
    if (bytes.size() > MaxDateigröße) // grown while it was read
        tooLarge();

    // Everything is read and checked before the calibration is touched: the
    // records are kept as they are read (only the two fields of a
    // calibration), the file's bytes go, and the records fill a calibration
    // of their own, which then replaces this one's content. A file that would
    // take more memory than there is fails as a file too large.
    const QString shown = QDir::toNativeSeparators(FilePath);
    class Laden : public ado::RecordHandler {
    public:
        explicit Laden(const QString& shown) : m_shown(shown) {}
        std::vector<std::pair<QString, QString>> datensätze;
        void fields(const QStringList& names) override {
            // A table without these fields is not a calibration, whatever else it holds.
            m_variable = index(names, QStringLiteral("Variable"));
            m_wert = index(names, QStringLiteral("Wert"));
        }
        void record(std::vector<std::optional<QString>>& values) override {
            if (++m_datensätze > MaxDatensätze)
                rt::raiseError(
                    rt::err::RecordsetSource,
                    rt::errorDescription(rt::err::RecordsetSource) +
                        QStringLiteral(": die Datei „%1“ hat mehr als %2 Datensätze "
                                       "und ist daher keine Kalibrierung")
                            .arg(m_shown, QLocale(QLocale::German).toString(MaxDatensätze)));
            std::optional<QString>& key = values[size_t(m_variable)];
            if (!key || key->isEmpty())
                return;
            std::optional<QString>& wert = values[size_t(m_wert)];
            datensätze.emplace_back(std::move(*key), wert ? std::move(*wert) : QString());
        }

    private:
        static int index(const QStringList& names, const QString& name) {
            for (int i = 0; i < names.size(); ++i)
                if (names[i].compare(name, Qt::CaseInsensitive) == 0)
                    return i;
            rt::raiseError(rt::err::ItemNotFound,
                           rt::errorDescription(rt::err::ItemNotFound) +
                               QStringLiteral(": die Datei hat kein Feld „%1“ und ist daher "
                                              "keine Kalibrierung")
                                   .arg(name));
        }
        const QString& m_shown;
        int m_variable = -1;
        int m_wert = -1;
        qint64 m_datensätze = 0;
    };
    Laden laden(shown);
    Kalibrierung neu;
    try {
        ado::read(bytes, {QStringLiteral("Variable"), QStringLiteral("Wert")}, laden);
        bytes = QByteArray();
        neu.m_store->reserve(neu.m_store->count() + qsizetype(laden.datensätze.size()));
        for (const auto& [key, wert] : laden.datensätze)
            neu.m_store->setValue(key, wert);
    } catch (const std::bad_alloc&) {
        rt::raiseError(rt::err::OutOfMemory);
    }
    laden.datensätze = {};
    // Counts beyond what a calibration can hold come from a damaged file.
    const QString anzahlfehler = neu.Anzahlfehler();
    if (!anzahlfehler.isEmpty())
        rt::raiseError(
            rt::err::InvalidFileFormat,
            QStringLiteral("Die Datei „%1“ ist beschädigt: %2").arg(shown, anzahlfehler));

    const bool dirty = IsDirty();
    m_store->replaceWith(std::move(*neu.m_store));
    ++m_änderungen;
    if (IsDirty() != dirty)
        emit IsDirtyChanged();
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
