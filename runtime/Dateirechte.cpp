#include "Dateirechte.h"

#include <QFile>

#include <cerrno>
#include <cstring>

#include <sys/xattr.h>
#include <unistd.h>

namespace rt {

namespace {

constexpr char AclName[] = "system.posix_acl_access";
constexpr QByteArrayView Marke = ".orvanta-";

// The xattr calls on an O_PATH descriptor fail with EBADF; the descriptor's
// entry in /proc reaches the same file.
QByteArray procName(int fd) {
    return "/proc/self/fd/" + QByteArray::number(fd);
}

ssize_t liste(int fd, char* buffer, size_t size) {
    ssize_t n = ::flistxattr(fd, buffer, size);
    if (n < 0 && errno == EBADF)
        n = ::listxattr(procName(fd).constData(), buffer, size);
    return n;
}

ssize_t wert(int fd, const char* name, void* buffer, size_t size) {
    ssize_t n = ::fgetxattr(fd, name, buffer, size);
    if (n < 0 && errno == EBADF)
        n = ::getxattr(procName(fd).constData(), name, buffer, size);
    return n;
}

// The whole value of an attribute; nullopt with errno set when it fails.
std::optional<QByteArray> leseWert(int fd, const char* name) {
    for (int attempt = 0; attempt < 8; ++attempt) {
        const ssize_t size = wert(fd, name, nullptr, 0);
        if (size < 0)
            return std::nullopt;
        QByteArray value(size, '\0');
        const ssize_t n = wert(fd, name, value.data(), size_t(value.size()));
        if (n >= 0) {
            value.truncate(n);
            return value;
        }
        if (errno != ERANGE) // grown in between: once more
            return std::nullopt;
    }
    errno = ERANGE;
    return std::nullopt;
}

bool nichtUnterstützt(int error) {
    return error == ENOTSUP || error == EOPNOTSUPP || error == ENOSYS;
}

// The entry of the owning group in an ACL as the kernel stores it (a version
// word, then entries of tag, permissions and id) gets no permissions.
QByteArray ohneGruppenrechte(QByteArray acl) {
    constexpr quint16 GroupObj = 0x04;
    for (qsizetype at = 4; at + 8 <= acl.size(); at += 8) {
        const auto tag = quint16(quint8(acl[at]) | quint8(acl[at + 1]) << 8);
        if (tag == GroupObj) {
            acl[at + 2] = '\0';
            acl[at + 3] = '\0';
        }
    }
    return acl;
}

QByteArray gekürzt(const QString& fileName) {
    constexpr qsizetype MaxName = 255 - 1 - Marke.size() - 6;
    QString name = fileName;
    while (!name.isEmpty() && QFile::encodeName(name).size() > MaxName) {
        name.chop(1);
        if (!name.isEmpty() && name.back().isHighSurrogate())
            name.chop(1);
    }
    return '.' + QFile::encodeName(name) + Marke.toByteArray();
}

} // namespace

int leseKennung(int fd, Dateikennung& kennung) {
    kennung = Dateikennung();
    if (::fstat(fd, &kennung.status) != 0)
        return errno;
    const ssize_t size = liste(fd, nullptr, 0);
    if (size < 0)
        return nichtUnterstützt(errno) ? 0 : errno;
    QByteArray names(size, '\0');
    const ssize_t n = liste(fd, names.data(), size_t(names.size()));
    if (n < 0)
        return errno;
    names.truncate(n);
    for (const QByteArray& name : names.split('\0')) {
        if (name.isEmpty() || (name != AclName && !name.startsWith("user.")))
            continue;
        const std::optional<QByteArray> value = leseWert(fd, name.constData());
        if (!value) {
            if (errno == ENODATA) // removed in between
                continue;
            return errno;
        }
        if (name == AclName)
            kennung.acl = *value;
        else
            kennung.attribute.emplace_back(name, *value);
    }
    return 0;
}

int übertrageKennung(int fd, const Dateikennung& kennung) {
    const struct stat& alt = kennung.status;
    mode_t mode = alt.st_mode & 0777;
    bool gruppeBehalten = true;
    // Only a privileged process may give a file away; the group where the
    // caller belongs to it.
    if (::fchown(fd, alt.st_uid, alt.st_gid) != 0 && ::fchown(fd, uid_t(-1), alt.st_gid) != 0) {
        struct stat neu {};
        if (::fstat(fd, &neu) != 0)
            return errno;
        gruppeBehalten = neu.st_gid == alt.st_gid;
    }
    if (!gruppeBehalten)
        mode &= ~mode_t(0070);
    if (kennung.acl) {
        if (::fchmod(fd, mode) != 0)
            return errno;
        const QByteArray acl = gruppeBehalten ? *kennung.acl : ohneGruppenrechte(*kennung.acl);
        // The list sets the mode's bits again: the mask as the group's.
        if (::fsetxattr(fd, AclName, acl.constData(), size_t(acl.size()), 0) != 0)
            return errno;
    } else {
        // A list inherited from the folder's default would give more than
        // the old file had.
        if (::fremovexattr(fd, AclName) != 0 && errno != ENODATA && !nichtUnterstützt(errno))
            return errno;
        if (::fchmod(fd, mode) != 0)
            return errno;
    }
    for (const auto& [name, value] : kennung.attribute)
        if (::fsetxattr(fd, name.constData(), value.constData(), size_t(value.size()), 0) != 0)
            return errno;
    return 0;
}

QByteArray zwischenName(const QString& fileName, const QByteArray& sechs) {
    return gekürzt(fileName) + sechs;
}

bool istZwischenName(const QString& fileName, const QByteArray& name) {
    const QByteArray prefix = gekürzt(fileName);
    if (name.size() != prefix.size() + 6 || !name.startsWith(prefix))
        return false;
    for (qsizetype i = prefix.size(); i < name.size(); ++i) {
        const char c = name[i];
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')))
            return false;
    }
    return true;
}

} // namespace rt
