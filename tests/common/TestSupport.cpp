#include "TestSupport.h"

#include <QFile>

#include <clocale>

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
