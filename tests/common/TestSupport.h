#pragma once

#include "RuntimeError.h"
#include "UserLocale.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <ostream>

// Lets GoogleTest print Qt strings in failure messages.
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

// Runs f and returns the number of the run-time error it raised, or 0.
template <class F>
int errorNumberOf(F&& f) {
    try {
        f();
    } catch (const rt::RuntimeError& e) {
        return e.number();
    }
    return 0;
}

// The top-level windows still shown, by class and object name; after every
// test this must be empty (test_main.cpp fails the test otherwise).
QStringList offeneFenster();

// Relative comparison of doubles.
inline bool fuzzyEqual(double a, double b, double relative = 1e-12) {
    return std::fabs(a - b) <= relative * std::max({1.0, std::fabs(a), std::fabs(b)});
}

// Pins a user locale for the lifetime of the object, then restores German.
class LocaleScope {
public:
    explicit LocaleScope(const rt::UserLocale& locale) { rt::setUserLocale(locale); }
    ~LocaleScope() { rt::setUserLocale(rt::germanLocale()); }
};

// Sets the C library's locale the way a Qt application does on start-up, and
// the user locale the environment would give, for the lifetime of the object;
// then restores what the test main set up (German).
class SystemLocaleScope {
public:
    explicit SystemLocaleScope(const char* name);
    ~SystemLocaleScope();
    bool ok() const { return m_ok; }

private:
    bool m_ok;
};

// The locales a user may have: German, English, and none (C).
inline constexpr const char* SystemLocales[] = {"de_DE.UTF-8", "en_US.UTF-8", "C"};

QByteArray readFileBytes(const QString& path);
void writeFileBytes(const QString& path, const QByteArray& bytes);

// A table of measured values as users write it: the header line, then three
// fields (1, 2, 3 with covariable 2, 4, 6) of three points each, one line
// "field;covariable;direct;indirect" per point; the values are made from the
// point's index 0..8.
QByteArray dreiFelder(const QByteArray& kopf, const std::function<QByteArray(int)>& direkt,
                      const std::function<QByteArray(int)>& indirekt);

// A small tmpfs mounted on a folder for the object's lifetime, for tests of a
// full disk. Only root may mount; why it is missing says what to skip with.
class KleinesTmpfs {
public:
    KleinesTmpfs(const QString& folder, const char* size);
    ~KleinesTmpfs();
    KleinesTmpfs(const KleinesTmpfs&) = delete;
    KleinesTmpfs& operator=(const KleinesTmpfs&) = delete;
    // "" when mounted, else the reason (for GTEST_SKIP).
    std::string fehlt() const { return m_fehlt; }

private:
    QByteArray m_path;
    std::string m_fehlt;
};

// What a child process gave back.
struct KindErgebnis {
    bool ended = false; // ended by itself, with status 0, in time
    QByteArray output;  // what its function returned
    long peakMb = 0;    // its peak resident memory
};

// Runs f in a child process and returns what f returned; a child still
// running after timeoutMs is killed. For what must not touch the test's own
// process: giving up root, limits, a load that might hang or crash.
KindErgebnis imKindprozess(const std::function<QByteArray()>& f, int timeoutMs = 120'000);

// The user "nobody" of the file-permission tests.
inline constexpr unsigned NobodyId = 65534;

// As "nobody", in a child process: every hidden file the program is writing
// in folder (".NAME.orvanta-XXXXXX") is replaced by a link to victim, as an
// attacker sharing the folder would. Returns how many were replaced.
int tauscheZwischendateienAlsNobody(const QString& folder, const QString& victim);

// Mode, owner, group, ACL and user attributes of a file as text, for
// comparing a file before and after it is replaced; "" for no file.
QString dateikennung(const QString& path);

// Runs a command (an ACL or attribute tool); false when it is missing or fails.
bool werkzeug(const QString& program, const QStringList& arguments);
