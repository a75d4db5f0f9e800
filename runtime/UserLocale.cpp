#include "UserLocale.h"

#include <QLocale>

#include <atomic>
#include <cstdlib>

namespace rt {

namespace {
UserLocale& current() {
    static UserLocale locale = localeFromEnvironment();
    return locale;
}
std::atomic<quint64> revision{1};
} // namespace

const UserLocale& userLocale() {
    return current();
}

void setUserLocale(const UserLocale& locale) {
    current() = locale;
    ++revision;
}

quint64 userLocaleRevision() {
    return revision.load();
}

UserLocale germanLocale() {
    return UserLocale{QStringLiteral("de_DE"), QChar(u','), QChar(u'.'), QStringLiteral("€")};
}

UserLocale localeNamed(const QString& name) {
    QString base = name.section(u'.', 0, 0).section(u'@', 0, 0).trimmed();
    if (base.isEmpty() || base == u"C" || base == u"POSIX")
        return germanLocale();
    const QLocale qt(base);
    if (qt.language() == QLocale::C)
        return germanLocale();
    UserLocale locale;
    locale.name = qt.name();
    const QString decimal = qt.decimalPoint();
    const QString group = qt.groupSeparator();
    locale.decimal = decimal.isEmpty() ? QChar(u'.') : decimal.at(0);
    locale.group = group.isEmpty() ? QChar(u',') : group.at(0);
    locale.currency = qt.currencySymbol();
    return locale;
}

UserLocale localeFromEnvironment() {
    for (const char* variable : {"LC_ALL", "LC_NUMERIC", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value && *value)
            return localeNamed(QString::fromLocal8Bit(value));
    }
    return germanLocale();
}

} // namespace rt

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace rt {

void installQtTranslation() {
    if (!QCoreApplication::instance() || !userLocale().name.startsWith(QStringLiteral("de")))
        return;
    auto* translator = new QTranslator(QCoreApplication::instance());
    if (translator->load(QStringLiteral("qtbase_de"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(translator);
    else
        delete translator;
}

} // namespace rt
