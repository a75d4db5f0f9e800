#include "TestSupport.h"

#include <QFile>

#include <cerrno>
#include <clocale>
#include <cstring>

#include <poll.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

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
