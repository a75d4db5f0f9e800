#include "Zieldatei.h"

#include "Dateirechte.h"
#include "RuntimeError.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <deque>

#include <dirent.h>
#include <fcntl.h>
#include <linux/magic.h>
#include <pthread.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/vfs.h>
#include <unistd.h>

namespace rt {

QString ausgabeNeben(const QString& file, const QString& suffix) {
    if (file.isEmpty())
        return QString();
    const QFileInfo info(file);
    return info.absoluteDir().filePath(info.completeBaseName() + u'.' + suffix);
}

[[noreturn]] void cannotWrite(const QString& path, const QString& reason) {
    raiseError(err::PathFileAccessError,
               QStringLiteral("Die Datei „%1“ kann nicht geschrieben werden: %2")
                   .arg(QDir::toNativeSeparators(path), reason));
}

namespace {

// The hidden file being written, for the signal handler: plain variables,
// read only by async-signal-safe calls.
volatile sig_atomic_t laufend = 0;
int laufendOrdner = -1;
char laufendName[256] = {};

void merke(int ordner, const QByteArray& name) {
    laufend = 0;
    const size_t n = std::min<size_t>(size_t(name.size()), sizeof laufendName - 1);
    std::memcpy(laufendName, name.constData(), n);
    laufendName[n] = '\0';
    laufendOrdner = ordner;
    laufend = n > 0 ? 1 : 0;
}

void vergiss() {
    laufend = 0;
}

// Holds back the interrupting signals for its lifetime, so that a hidden
// file is never there without its name being known to the handler.
class SignaleAufhalten {
public:
    SignaleAufhalten() {
        sigset_t set;
        sigemptyset(&set);
        for (int signal : {SIGINT, SIGTERM, SIGHUP})
            sigaddset(&set, signal);
        ::pthread_sigmask(SIG_BLOCK, &set, &m_vorher);
    }
    ~SignaleAufhalten() { ::pthread_sigmask(SIG_SETMASK, &m_vorher, nullptr); }
    SignaleAufhalten(const SignaleAufhalten&) = delete;
    SignaleAufhalten& operator=(const SignaleAufhalten&) = delete;

private:
    sigset_t m_vorher;
};

extern "C" void beiAbbruch(int signal) {
    if (laufend)
        ::unlinkat(laufendOrdner, laufendName, 0);
    struct sigaction standard {};
    standard.sa_handler = SIG_DFL;
    sigemptyset(&standard.sa_mask);
    ::sigaction(signal, &standard, nullptr);
    ::raise(signal);
}

class Deskriptor {
public:
    explicit Deskriptor(int fd = -1) : m_fd(fd) {}
    ~Deskriptor() { reset(); }
    Deskriptor(const Deskriptor&) = delete;
    Deskriptor& operator=(const Deskriptor&) = delete;
    int get() const { return m_fd; }
    void reset(int fd = -1) {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = fd;
    }
    int release() {
        const int fd = m_fd;
        m_fd = -1;
        return fd;
    }

private:
    int m_fd;
};

std::function<void(Zieldatei::Schritt)>& eingriff() {
    static std::function<void(Zieldatei::Schritt)> f;
    return f;
}
bool nurBenannt = false;

void greifeEin(Zieldatei::Schritt schritt) {
    if (eingriff())
        eingriff()(schritt);
}

bool procDa() {
    return ::faccessat(AT_FDCWD, "/proc/self/fd", X_OK, 0) == 0;
}

// Gives the file open as fd (which has no name, or another one) the name.
int verknüpfe(int fd, int ordner, const QByteArray& name) {
    const QByteArray self = "/proc/self/fd/" + QByteArray::number(fd);
    if (::linkat(AT_FDCWD, self.constData(), ordner, name.constData(), AT_SYMLINK_FOLLOW) == 0)
        return 0;
    if (errno == ENOENT && !procDa() &&
        ::linkat(fd, "", ordner, name.constData(), AT_EMPTY_PATH) == 0)
        return 0;
    return errno;
}

std::deque<QByteArray> teile(const QByteArray& path) {
    std::deque<QByteArray> teile;
    for (const QByteArray& teil : path.split('/'))
        if (!teil.isEmpty())
            teile.push_back(teil);
    // "name/" names a folder.
    if (path.endsWith('/'))
        teile.push_back(".");
    return teile;
}

bool aufDateisystem(int fd, long magic) {
    struct statfs s {};
    return ::fstatfs(fd, &s) == 0 && long(s.f_type) == magic;
}

const QString MehrereNamen =
    QStringLiteral("sie hat mehrere Namen (harte Verknüpfungen) und würde nur unter diesem "
                   "ersetzt; die anderen behielten den alten Inhalt");

} // namespace

void entferneZieldateiBeiAbbruch() {
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction vorher {};
        if (::sigaction(signal, nullptr, &vorher) != 0)
            continue;
        // Ignored (nohup) or handled by someone else: left as it is.
        if ((vorher.sa_flags & SA_SIGINFO) || vorher.sa_handler != SIG_DFL)
            continue;
        struct sigaction neu {};
        neu.sa_handler = beiAbbruch;
        sigemptyset(&neu.sa_mask);
        ::sigaction(signal, &neu, nullptr);
    }
}

void Zieldatei::setzeEingriff(std::function<void(Schritt)> f) {
    eingriff() = std::move(f);
}

void Zieldatei::setzeNurBenannt(bool nur) {
    nurBenannt = nur;
}

Zieldatei::Zieldatei(const QString& path, Art art) : m_path(path), m_art(art) {
    try {
        auflösen();
        prüfen();
        anlegen();
    } catch (...) {
        aufräumen();
        throw;
    }
}

Zieldatei::~Zieldatei() {
    aufräumen();
}

void Zieldatei::aufräumen() {
    m_datei.close();
    if (!m_zwischen.isEmpty()) {
        const SignaleAufhalten aufgehalten;
        if (istUnsere(m_zwischen))
            ::unlinkat(m_ordner, m_zwischen.constData(), 0);
        vergiss();
    }
    if (m_fd >= 0)
        ::close(m_fd);
    if (m_ordner >= 0)
        ::close(m_ordner);
    m_fd = m_ordner = -1;
    m_zwischen.clear();
}

void Zieldatei::fehler(int number, const QString& reason) const {
    if (m_art == Art::Ausgabe)
        cannotWrite(m_path, reason);
    QString description =
        errorDescription(number) + QStringLiteral(": ") + QDir::toNativeSeparators(m_path);
    if (!reason.isEmpty())
        description += QStringLiteral(" (") + reason + u')';
    raiseError(number, description);
}

void Zieldatei::systemFehler(int error) const {
    fehler(err::PathFileAccessError, systemErrorText(error));
}

// Walks the path one name at a time, as the kernel would, but looks at every
// link before following it; ends with the folder open and the target's name
// in it, which is no link.
void Zieldatei::auflösen() {
    const QByteArray path = QFile::encodeName(m_path);
    if (path.isEmpty())
        fehler(err::PathNotFound, QStringLiteral("kein Dateiname"));
    std::deque<QByteArray> rest = teile(path);
    Deskriptor ordner(::open(path.startsWith('/') ? "/" : ".", O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (ordner.get() < 0)
        systemFehler(errno);
    if (rest.empty())
        fehler(err::PathFileAccessError, QStringLiteral("es ist ein Ordner"));
    int verweise = 0;
    while (!rest.empty()) {
        const QByteArray name = rest.front();
        rest.pop_front();
        const bool letzter = rest.empty();
        if (letzter && (name == "." || name == ".."))
            fehler(err::PathFileAccessError, QStringLiteral("es ist ein Ordner"));
        if (name == ".")
            continue;
        struct stat s {};
        if (::fstatat(ordner.get(), name.constData(), &s, AT_SYMLINK_NOFOLLOW) != 0) {
            if (errno == ENOENT && letzter) {
                m_name = name;
                break;
            }
            if (errno == ENOENT)
                fehler(err::PathNotFound, QStringLiteral("der Ordner existiert nicht"));
            systemFehler(errno);
        }
        if (S_ISLNK(s.st_mode) && !(letzter && m_art == Art::Neu)) {
            // Links in /proc are the program's open files (/dev/stdout is
            // one): replacing one would replace whatever it writes to.
            if (aufDateisystem(ordner.get(), PROC_SUPER_MAGIC))
                fehler(err::PathFileAccessError,
                       QStringLiteral("sie verweist auf eine Datei, die das Programm geöffnet hat "
                                      "(wie die Standardausgabe), und ist keine gewöhnliche "
                                      "Datei"));
            // What the kernel's protected_symlinks promises, whether it is on
            // or not: a link in a folder everybody may write to is followed
            // only when it is the caller's or the folder owner's.
            struct stat o {};
            if (::fstat(ordner.get(), &o) != 0)
                systemFehler(errno);
            if (((o.st_mode & S_ISVTX) || (o.st_mode & S_IWOTH)) && s.st_uid != ::geteuid() &&
                s.st_uid != o.st_uid)
                fehler(err::PathFileAccessError,
                       QStringLiteral("der Verweis „%1“ gehört einem anderen Benutzer und liegt in "
                                      "einem Ordner, in den alle schreiben dürfen; ihm wird nicht "
                                      "gefolgt")
                           .arg(QFile::decodeName(name)));
            if (++verweise > 40)
                systemFehler(ELOOP);
            QByteArray ziel(4096, '\0');
            const ssize_t n =
                ::readlinkat(ordner.get(), name.constData(), ziel.data(), size_t(ziel.size()));
            if (n < 0)
                systemFehler(errno);
            if (n == 0 || n >= ziel.size())
                systemFehler(n == 0 ? ENOENT : ENAMETOOLONG);
            ziel.truncate(n);
            std::deque<QByteArray> weiter = teile(ziel);
            if (weiter.empty()) // a link to "/"
                fehler(err::PathFileAccessError, QStringLiteral("es ist ein Ordner"));
            rest.insert(rest.begin(), weiter.begin(), weiter.end());
            if (ziel.startsWith('/')) {
                ordner.reset(::open("/", O_PATH | O_DIRECTORY | O_CLOEXEC));
                if (ordner.get() < 0)
                    systemFehler(errno);
            }
            continue;
        }
        if (letzter) {
            m_name = name;
            break;
        }
        if (!S_ISDIR(s.st_mode))
            fehler(err::PathNotFound,
                   QStringLiteral("„%1“ ist kein Ordner").arg(QFile::decodeName(name)));
        const int weiter =
            ::openat(ordner.get(), name.constData(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (weiter < 0)
            systemFehler(errno);
        ordner.reset(weiter);
    }
    if (aufDateisystem(ordner.get(), PROC_SUPER_MAGIC) || aufDateisystem(ordner.get(), SYSFS_MAGIC))
        fehler(err::PathFileAccessError,
               QStringLiteral("sie liegt in einem Dateisystem des Systems (/proc, /sys)"));
    // A folder that may be read can be synced after the rename.
    const int lesbar = ::openat(ordner.get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    m_ordnerSync = lesbar >= 0;
    m_ordner = lesbar >= 0 ? lesbar : ordner.release();
    m_anzeigeName = QFile::decodeName(m_name);
}

void Zieldatei::prüfen() {
    struct stat s {};
    if (::fstatat(m_ordner, m_name.constData(), &s, AT_SYMLINK_NOFOLLOW) != 0) {
        if (errno == ENOENT)
            return;
        systemFehler(errno);
    }
    if (m_art == Art::Neu)
        fehler(err::FileAlreadyExists, QString());
    if (S_ISDIR(s.st_mode))
        fehler(err::PathFileAccessError, QStringLiteral("es ist ein Ordner"));
    // A device, a pipe or a link to one is never renamed over.
    if (!S_ISREG(s.st_mode))
        fehler(err::PathFileAccessError, QStringLiteral("es ist keine gewöhnliche Datei"));
    if (s.st_nlink > 1)
        fehler(err::PathFileAccessError, MehrereNamen);
    if (m_art == Art::Ausgabe && (s.st_mode & 0222) == 0)
        fehler(err::PathFileAccessError, QStringLiteral("sie ist schreibgeschützt"));
    // The permission as the system grants it (ACLs, groups, root), not the
    // mode's bits; a read-only file of the caller's own the save replaces.
    if (::faccessat(m_ordner, m_name.constData(), W_OK, AT_EACCESS) != 0 &&
        (m_art == Art::Ausgabe || errno != EACCES || s.st_uid != ::geteuid()))
        fehler(err::PathFileAccessError, errno == EACCES
                                             ? QStringLiteral("keine Schreibberechtigung")
                                             : systemErrorText(errno));
}

// A free hidden name, created with the flags (0: given to m_fd by a link).
QByteArray Zieldatei::freierName(int& fd, int flags, mode_t mode) {
    static const char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    for (int attempt = 0; attempt < 100; ++attempt) {
        QByteArray sechs;
        for (int k = 0; k < 6; ++k)
            sechs += letters[QRandomGenerator::global()->bounded(62)];
        const QByteArray name = zwischenName(m_anzeigeName, sechs);
        int error = 0;
        if (flags != 0) {
            fd = ::openat(m_ordner, name.constData(), flags, mode);
            error = fd >= 0 ? 0 : errno;
        } else {
            error = verknüpfe(m_fd, m_ordner, name);
        }
        if (error == 0) {
            merke(m_ordner, name);
            return name;
        }
        if (error != EEXIST)
            systemFehler(error);
    }
    systemFehler(EEXIST);
}

void Zieldatei::anlegen() {
    struct stat s {};
    const bool ersetzt = ::fstatat(m_ordner, m_name.constData(), &s, AT_SYMLINK_NOFOLLOW) == 0;
    // A new file gets the mode and ACL the folder and the umask give; one
    // that replaces another stays private until it has that one's identity.
    const mode_t mode = ersetzt ? 0600 : 0666;
    if (!nurBenannt && (procDa() || ::geteuid() == 0)) {
        int fd = -1;
        do
            fd = ::openat(m_ordner, ".", O_TMPFILE | O_RDWR | O_CLOEXEC, mode);
        while (fd < 0 && errno == EINTR);
        if (fd >= 0)
            m_fd = fd;
        else if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL && errno != ENOENT)
            systemFehler(errno);
    }
    if (m_fd < 0) {
        // Created exclusively, never through a link: the name is ours.
        const SignaleAufhalten aufgehalten;
        int fd = -1;
        m_zwischen = freierName(fd, O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
        m_fd = fd;
    }
    greifeEin(Schritt::Angelegt);
}

QFile& Zieldatei::datei() {
    if (!m_datei.isOpen() &&
        !m_datei.open(m_fd, QIODevice::ReadWrite, QFileDevice::DontCloseHandle))
        fehler(err::PathFileAccessError, m_datei.errorString());
    return m_datei;
}

QString Zieldatei::schreibfehler() const {
    struct statvfs s {};
    if (::fstatvfs(m_fd, &s) == 0 && quint64(s.f_bavail) * s.f_frsize < 1024 * 1024)
        return systemErrorText(ENOSPC);
    if (m_datei.error() == QFileDevice::NoError || m_datei.error() == QFileDevice::UnspecifiedError)
        return QStringLiteral("die Daten können nicht vollständig geschrieben werden");
    return m_datei.errorString();
}

void Zieldatei::schreiben(const QByteArray& bytes) {
    const char* data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(m_fd, data, size_t(std::min<qsizetype>(left, 1 << 20)));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            systemFehler(errno);
        }
        data += n;
        left -= n;
    }
}

// Whether the name in the folder is still the file this object writes.
bool Zieldatei::istUnsere(const QByteArray& name) const {
    struct stat a {};
    struct stat b {};
    return ::fstat(m_fd, &a) == 0 &&
           ::fstatat(m_ordner, name.constData(), &b, AT_SYMLINK_NOFOLLOW) == 0 &&
           a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

void Zieldatei::commit() {
    if (m_datei.isOpen()) {
        errno = 0;
        if (!m_datei.flush() || m_datei.error() != QFileDevice::NoError)
            fehler(err::PathFileAccessError, fileErrorText(m_datei.errorString()));
    }
    // Only a complete file on the disk replaces the target: a full disk shows
    // here and not after the rename.
    if (::fsync(m_fd) != 0)
        systemFehler(errno);
    const QString ersetzt = QStringLiteral(
        "die Zwischendatei wurde von einem anderen Benutzer ersetzt; der Ordner ist für alle "
        "beschreibbar (nichts wurde geschrieben)");
    for (int attempt = 0;; ++attempt) {
        if (attempt >= 10)
            fehler(err::PathFileAccessError,
                   QStringLiteral("sie wurde während des Schreibens immer wieder verändert"));
        struct stat alt {};
        if (::fstatat(m_ordner, m_name.constData(), &alt, AT_SYMLINK_NOFOLLOW) != 0) {
            if (errno != ENOENT)
                systemFehler(errno);
            // A new name: the file gets it directly, failing if it was taken.
            greifeEin(Schritt::VorDemUmbenennen);
            int error = 0;
            if (m_zwischen.isEmpty()) {
                error = verknüpfe(m_fd, m_ordner, m_name);
            } else {
                const SignaleAufhalten aufgehalten;
                if (!istUnsere(m_zwischen))
                    fehler(err::PathFileAccessError, ersetzt);
                if (::renameat2(m_ordner, m_zwischen.constData(), m_ordner, m_name.constData(),
                                RENAME_NOREPLACE) == 0) {
                    m_zwischen.clear();
                    vergiss();
                } else if (errno == EINVAL || errno == ENOSYS) {
                    if (::linkat(m_ordner, m_zwischen.constData(), m_ordner, m_name.constData(),
                                 0) != 0) {
                        error = errno;
                    } else {
                        ::unlinkat(m_ordner, m_zwischen.constData(), 0);
                        m_zwischen.clear();
                        vergiss();
                    }
                } else {
                    error = errno;
                }
            }
            if (error == EEXIST && m_art != Art::Neu)
                continue;
            if (error == EEXIST)
                fehler(err::FileAlreadyExists, QString());
            if (error != 0)
                systemFehler(error);
            break;
        }
        if (m_art == Art::Neu)
            fehler(err::FileAlreadyExists, QString());
        if (S_ISLNK(alt.st_mode))
            fehler(err::PathFileAccessError,
                   QStringLiteral("sie wurde während des Schreibens durch einen Verweis ersetzt"));
        if (S_ISDIR(alt.st_mode))
            fehler(err::PathFileAccessError, QStringLiteral("es ist ein Ordner"));
        if (!S_ISREG(alt.st_mode))
            fehler(err::PathFileAccessError, QStringLiteral("es ist keine gewöhnliche Datei"));
        if (alt.st_nlink > 1)
            fehler(err::PathFileAccessError, MehrereNamen);
        // The old file's identity, read through a descriptor of that file.
        Deskriptor altFd(::openat(m_ordner, m_name.constData(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
        struct stat geöffnet {};
        if (altFd.get() < 0 || ::fstat(altFd.get(), &geöffnet) != 0 ||
            geöffnet.st_dev != alt.st_dev || geöffnet.st_ino != alt.st_ino)
            continue; // changed in between: look again
        const int lesbar = ::openat(m_ordner, m_name.constData(),
                                    O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        struct stat l {};
        if (lesbar >= 0 && ::fstat(lesbar, &l) == 0 && l.st_dev == alt.st_dev &&
            l.st_ino == alt.st_ino)
            altFd.reset(lesbar);
        else if (lesbar >= 0)
            ::close(lesbar);
        Dateikennung kennung;
        if (const int error = leseKennung(altFd.get(), kennung))
            fehler(
                err::PathFileAccessError,
                QStringLiteral("die Rechte der bisherigen Datei können nicht gelesen werden (%1)")
                    .arg(systemErrorText(error)));
        if (const int error = übertrageKennung(m_fd, kennung))
            fehler(err::PathFileAccessError,
                   QStringLiteral("die Rechte und Attribute der bisherigen Datei können nicht "
                                  "übernommen werden (%1)")
                       .arg(systemErrorText(error)));
        if (::fsync(m_fd) != 0)
            systemFehler(errno);
        // rename(2) replaces the target in one step; a file without a name
        // gets a hidden one first, which exists only until then.
        const SignaleAufhalten aufgehalten;
        if (m_zwischen.isEmpty()) {
            int unbenutzt = -1;
            m_zwischen = freierName(unbenutzt, 0, 0);
        }
        greifeEin(Schritt::VorDemUmbenennen);
        if (!istUnsere(m_zwischen))
            fehler(err::PathFileAccessError, ersetzt);
        if (::renameat(m_ordner, m_zwischen.constData(), m_ordner, m_name.constData()) != 0)
            systemFehler(errno);
        m_zwischen.clear();
        vergiss();
        break;
    }
    if (!istUnsere(m_name))
        fehler(err::PathFileAccessError,
               QStringLiteral("sie wurde gleich nach dem Schreiben von einem anderen Prozess "
                              "ersetzt"));
    // The folder's entry reaches the disk too.
    if (m_ordnerSync && ::fsync(m_ordner) != 0 && errno != EINVAL)
        systemFehler(errno);
    m_fertig = true;
    entferneAlteReste();
}

// A write killed while its file had a hidden name leaves it behind. Such
// files of the caller's go once they are a minute old (a younger one may
// belong to a write still running); other files, whatever their names, stay.
void Zieldatei::entferneAlteReste() const {
    const int fd = ::openat(m_ordner, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    DIR* dir = ::fdopendir(fd);
    if (!dir) {
        ::close(fd);
        return;
    }
    const qint64 grenze = QDateTime::currentSecsSinceEpoch() - 60;
    while (const dirent* eintrag = ::readdir(dir)) {
        const QByteArray name(eintrag->d_name);
        if (!istZwischenName(m_anzeigeName, name))
            continue;
        struct stat s {};
        if (::fstatat(m_ordner, name.constData(), &s, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISREG(s.st_mode) && s.st_uid == ::geteuid() && s.st_nlink == 1 && s.st_mtime < grenze)
            ::unlinkat(m_ordner, name.constData(), 0);
    }
    ::closedir(dir);
}

} // namespace rt
