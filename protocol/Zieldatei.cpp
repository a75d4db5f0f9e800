#include "Zieldatei.h"

#include "Dateirechte.h"
#include "RuntimeError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>

#include <pthread.h>
#include <unistd.h>

QString ausgabeNeben(const QString& file, const QString& suffix) {
    if (file.isEmpty())
        return QString();
    const QFileInfo info(file);
    return info.absoluteDir().filePath(info.completeBaseName() + u'.' + suffix);
}

[[noreturn]] void cannotWrite(const QString& path, const QString& reason) {
    rt::raiseError(rt::err::PathFileAccessError,
                   QStringLiteral("Die Datei „%1“ kann nicht geschrieben werden: %2")
                       .arg(QDir::toNativeSeparators(path), reason));
}

namespace {
// The temporary file being written, for the signal handler: a plain buffer,
// read only by async-signal-safe calls.
char laufendeDatei[4096] = {};

void merke(const QString& path) {
    const QByteArray name = QFile::encodeName(path);
    const size_t n = std::min<size_t>(size_t(name.size()), sizeof laufendeDatei - 1);
    laufendeDatei[0] = '\0';
    std::memcpy(laufendeDatei + 1, name.constData(), n);
    laufendeDatei[n + 1] = '\0';
    laufendeDatei[0] = n > 0 ? '1' : '\0';
}

// Holds back the interrupting signals for its lifetime, so that a temporary
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
    if (laufendeDatei[0] == '1')
        ::unlink(laufendeDatei + 1);
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}
} // namespace

void entferneZieldateiBeiAbbruch() {
    for (int signal : {SIGINT, SIGTERM, SIGHUP})
        ::signal(signal, beiAbbruch);
}

Zieldatei::~Zieldatei() {
    merke(QString());
}

Zieldatei::Zieldatei(const QString& path) : m_path(path) {
    const QFileInfo target(path);
    if (target.isDir())
        cannotWrite(path, QStringLiteral("es ist ein Ordner"));
    // A device, a pipe or a link to one is never renamed over; a read-only
    // file or one with several names is not replaced.
    if (target.exists() && !target.isFile())
        cannotWrite(path, QStringLiteral("es ist keine gewöhnliche Datei"));
    if (rt::isReadOnlyFile(target.absoluteFilePath()))
        cannotWrite(path, QStringLiteral("sie ist schreibgeschützt"));
    if (rt::linkCount(target.absoluteFilePath()) > 1)
        cannotWrite(path, QStringLiteral("sie hat mehrere Namen (harte Verknüpfungen) und würde "
                                         "nur unter diesem ersetzt"));
    if (!target.absoluteDir().exists())
        cannotWrite(path, QStringLiteral("der Ordner existiert nicht"));
    m_temporary.setFileTemplate(target.absoluteDir().filePath(
        rt::temporaryPrefix(target.fileName()) + QStringLiteral("XXXXXX")));
    errno = 0;
    const SignaleAufhalten aufgehalten;
    if (!m_temporary.open())
        cannotWrite(path, rt::fileErrorText(m_temporary.errorString()));
    m_temporary.close();
    merke(m_temporary.fileName());
}

void Zieldatei::commit() {
    // Only a complete file on the disk replaces the target: its data are
    // synced first, so that a full disk shows here and not after the rename.
    {
        errno = 0;
        QFile written(m_temporary.fileName());
        if (!written.open(QIODevice::ReadWrite) || ::fsync(written.handle()) != 0)
            cannotWrite(m_path, rt::fileErrorText(written.errorString()));
        if (!QFileInfo::exists(m_path))
            written.setPermissions(rt::defaultFilePermissions());
        else
            rt::keepIdentity(written.handle(), QFileInfo(m_path).absoluteFilePath());
    }
    const QString target = QFileInfo(m_path).absoluteFilePath();
    if (std::rename(QFile::encodeName(m_temporary.fileName()).constData(),
                    QFile::encodeName(target).constData()) != 0)
        cannotWrite(
            m_path,
            QStringLiteral("sie kann nicht ersetzt werden (%1)").arg(rt::systemErrorText(errno)));
    m_temporary.setAutoRemove(false);
    merke(QString());
}
