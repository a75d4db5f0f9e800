#pragma once

#include "runtime_export.h"

#include <QString>

namespace rt {

// The user's number settings: one process-wide setting that every conversion
// between numbers and text reads.
struct UserLocale {
    QString name;     // e.g. "de_DE"
    QChar decimal;    // ',' in German
    QChar group;      // '.' in German
    QString currency; // "€" in German
};

// The current user locale. Initialised from the environment on first use.
RUNTIME_EXPORT const UserLocale& userLocale();

// Replaces the process-wide locale (tests pin it; start-up may set it).
RUNTIME_EXPORT void setUserLocale(const UserLocale& locale);

// German number settings, the program's default.
RUNTIME_EXPORT UserLocale germanLocale();

// The locale named like "en_US.UTF-8" (German for "", "C" and "POSIX").
RUNTIME_EXPORT UserLocale localeNamed(const QString& name);

// The locale the environment names: the first of LC_ALL, LC_NUMERIC, LANG that is set.
RUNTIME_EXPORT UserLocale localeFromEnvironment();

// Counts changes of the user locale, so that caches of parsed numbers can notice them.
RUNTIME_EXPORT quint64 userLocaleRevision();

} // namespace rt

namespace rt {

// Qt's own texts (standard buttons, file and print dialogs, the context menu
// of text fields, key names such as "Strg") in German when the user locale
// is German. Needs the application object; a missing translation changes
// nothing.
RUNTIME_EXPORT void installQtTranslation();

} // namespace rt
