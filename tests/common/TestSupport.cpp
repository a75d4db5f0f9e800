#include "TestSupport.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QWidget>

#include <algorithm>
#include <cerrno>
#include <clocale>
#include <cstring>

#include <dirent.h>
#include <poll.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

QStringList offeneFenster() {
    QStringList offen;
    for (const QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible())
            offen.append(QString::fromLatin1(w->metaObject()->className()) + u' ' +
                         w->objectName());
    return offen;
}

SystemLocaleScope::SystemLocaleScope(const char* name)
    : m_ok(std::setlocale(LC_ALL, name) != nullptr) {
    rt::setUserLocale(rt::localeNamed(QString::fromLatin1(name)));
}

SystemLocaleScope::~SystemLocaleScope() {
    std::setlocale(LC_ALL, "de_DE.UTF-8");
    rt::setUserLocale(rt::germanLocale());
}

QByteArray readFileBytes(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        ADD_FAILURE() << "cannot read " << path.toStdString();
    return file.readAll();
}

void writeFileBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        ADD_FAILURE() << "cannot write " << path.toStdString();
}

QByteArray dreiFelder(const QByteArray& kopf, const std::function<QByteArray(int)>& direkt,
                      const std::function<QByteArray(int)>& indirekt) {
    QByteArray bytes = kopf + '\n';
    for (int i = 0; i < 9; ++i)
        bytes += QByteArray::number(i / 3 + 1) + ';' + QByteArray::number(2 * (i / 3 + 1)) + ';' +
                 direkt(i) + ';' + indirekt(i) + '\n';
    return bytes;
}

KindErgebnis imKindprozess(const std::function<QByteArray()>& f, int timeoutMs) {
    int fds[2];
    if (::pipe(fds) != 0)
        return {};
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        QByteArray out;
        try {
            out = f();
        } catch (...) {
            ::_exit(2);
        }
        const char* data = out.constData();
        qsizetype left = out.size();
        while (left > 0) {
            const ssize_t n = ::write(fds[1], data, size_t(left));
            if (n <= 0)
                ::_exit(3);
            data += n;
            left -= n;
        }
        ::_exit(0);
    }
    ::close(fds[1]);
    KindErgebnis result;
    bool hung = false;
    for (;;) {
        pollfd p{fds[0], POLLIN, 0};
        if (::poll(&p, 1, timeoutMs) <= 0) {
            hung = true;
            ::kill(pid, SIGKILL);
            break;
        }
        char buffer[4096];
        const ssize_t n = ::read(fds[0], buffer, sizeof buffer);
        if (n <= 0)
            break;
        result.output.append(buffer, n);
    }
    ::close(fds[0]);
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    result.ended = !hung && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    result.peakMb = usage.ru_maxrss / 1024;
    return result;
}

KleinesTmpfs::KleinesTmpfs(const QString& folder, const char* size)
    : m_path(QFile::encodeName(folder)) {
    if (::geteuid() != 0) {
        m_fehlt = "Ein kleines tmpfs einzuhängen braucht root-Rechte.";
    } else if (::mount("tmpfs", m_path.constData(), "tmpfs", 0,
                       (QByteArray("size=") + size).constData()) != 0) {
        m_fehlt = std::string("tmpfs kann hier nicht eingehängt werden: ") + std::strerror(errno);
    }
}

KleinesTmpfs::~KleinesTmpfs() {
    if (m_fehlt.empty())
        ::umount2(m_path.constData(), MNT_DETACH);
}

int tauscheZwischendateienAlsNobody(const QString& folder, const QString& victim) {
    const QByteArray ordner = QFile::encodeName(folder);
    const QByteArray ziel = QFile::encodeName(victim);
    const KindErgebnis child = imKindprozess([&] {
        if (::setresgid(NobodyId, NobodyId, NobodyId) != 0 ||
            ::setresuid(NobodyId, NobodyId, NobodyId) != 0)
            return QByteArray("-1");
        int n = 0;
        DIR* dir = ::opendir(ordner.constData());
        if (!dir)
            return QByteArray("-2");
        while (const dirent* e = ::readdir(dir)) {
            const QByteArray name(e->d_name);
            if (!name.startsWith('.') || !name.contains(".orvanta-"))
                continue;
            const QByteArray path = ordner + '/' + name;
            if (::unlink(path.constData()) == 0 &&
                ::symlink(ziel.constData(), path.constData()) == 0)
                ++n;
        }
        ::closedir(dir);
        return QByteArray::number(n);
    });
    return child.ended ? child.output.toInt() : -3;
}

QString dateikennung(const QString& path) {
    const QByteArray name = QFile::encodeName(path);
    struct stat s {};
    if (::lstat(name.constData(), &s) != 0)
        return QString();
    QString text = QStringLiteral("%1 %2:%3")
                       .arg(s.st_mode & 07777, 4, 8, QLatin1Char('0'))
                       .arg(s.st_uid)
                       .arg(s.st_gid);
    QByteArray names(65536, '\0');
    const ssize_t n = ::llistxattr(name.constData(), names.data(), size_t(names.size()));
    QList<QByteArray> list = n > 0 ? names.left(n).split('\0') : QList<QByteArray>();
    std::sort(list.begin(), list.end());
    for (const QByteArray& attr : list) {
        if (attr.isEmpty() || attr.startsWith("security."))
            continue;
        QByteArray value(65536, '\0');
        const ssize_t m =
            ::lgetxattr(name.constData(), attr.constData(), value.data(), size_t(value.size()));
        text += u' ' + QString::fromLatin1(attr) + u'=' +
                QString::fromLatin1(value.left(std::max<ssize_t>(m, 0)).toHex());
    }
    return text;
}

bool werkzeug(const QString& program, const QStringList& arguments) {
    QProcess p;
    p.start(program, arguments);
    return p.waitForFinished(30000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}
