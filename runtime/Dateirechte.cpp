#include "Dateirechte.h"

#include <QFile>

#include <sys/stat.h>
#include <unistd.h>

namespace rt {

QFileDevice::Permissions defaultFilePermissions() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    const mode_t mode = 0666 & ~mask;
    QFileDevice::Permissions p;
    if (mode & S_IRUSR)
        p |= QFileDevice::ReadOwner | QFileDevice::ReadUser;
    if (mode & S_IWUSR)
        p |= QFileDevice::WriteOwner | QFileDevice::WriteUser;
    if (mode & S_IRGRP)
        p |= QFileDevice::ReadGroup;
    if (mode & S_IWGRP)
        p |= QFileDevice::WriteGroup;
    if (mode & S_IROTH)
        p |= QFileDevice::ReadOther;
    if (mode & S_IWOTH)
        p |= QFileDevice::WriteOther;
    return p;
}

void keepIdentity(int fd, const QString& target) {
    struct stat old {};
    if (fd < 0 || ::stat(QFile::encodeName(target).constData(), &old) != 0 || !S_ISREG(old.st_mode))
        return;
    ::fchmod(fd, old.st_mode & 07777);
    // Only a privileged process may give a file away; the mode stays anyway.
    if (::fchown(fd, old.st_uid, old.st_gid) != 0)
        ::fchown(fd, -1, old.st_gid);
    ::fchmod(fd, old.st_mode & 07777); // chown clears set-id bits
}

QString temporaryPrefix(const QString& fileName) {
    constexpr qsizetype MaxName = 255 - 2 - 6;
    QString name = fileName;
    while (!name.isEmpty() && QFile::encodeName(name).size() > MaxName) {
        name.chop(1);
        if (!name.isEmpty() && name.back().isHighSurrogate())
            name.chop(1);
    }
    return u'.' + name + u'.';
}

int linkCount(const QString& path) {
    struct stat s {};
    if (::stat(QFile::encodeName(path).constData(), &s) != 0)
        return 0;
    return int(s.st_nlink);
}

bool isReadOnlyFile(const QString& path) {
    struct stat s {};
    return ::stat(QFile::encodeName(path).constData(), &s) == 0 && S_ISREG(s.st_mode) &&
           (s.st_mode & 0222) == 0;
}

} // namespace rt
