#pragma once

#include "runtime_export.h"

#include <QString>

#include <exception>
#include <string>

namespace rt {

// Numbered run-time errors of the program. Members raise them; event handlers
// catch them and show description and number.
namespace err {
constexpr int InvalidProcedureCall = 5;
constexpr int Overflow = 6;
constexpr int OutOfMemory = 7;
constexpr int SubscriptOutOfRange = 9;
constexpr int DivisionByZero = 11;
constexpr int TypeMismatch = 13;
constexpr int FileNotFound = 53;
constexpr int FileAlreadyExists = 58;
constexpr int PathFileAccessError = 75;
constexpr int PathNotFound = 76;
// A file whose content is damaged (here: counts beyond what a calibration holds).
constexpr int InvalidFileFormat = 321;
constexpr int ObjectNotSet = 91;
constexpr int InvalidUseOfNull = 94;
constexpr int InvalidPropertyValue = 380;
constexpr int InvalidPropertyArrayIndex = 381;
constexpr int DuplicateKey = 457;
// A field that a recordset does not have (the recordset layer's number).
constexpr int ItemNotFound = 3265;
// A source that holds no readable recordset (the number the recordset layer reports).
constexpr int RecordsetSource = -2147467259;
} // namespace err

// The German description of a run-time error number; "" for unknown numbers.
RUNTIME_EXPORT QString errorDescription(int number);

// The German text of a system error number (errno): the program's own for
// the common cases of files, else the C library's in the user's language.
RUNTIME_EXPORT QString systemErrorText(int errnum);
// The German text of the system error of a file operation that just failed
// (errno, cleared by the caller before it); Qt's text when errno says nothing.
RUNTIME_EXPORT QString fileErrorText(const QString& qtText);

class RUNTIME_EXPORT RuntimeError : public std::exception {
public:
    explicit RuntimeError(int number);
    RuntimeError(int number, QString description);
    // Out of line: the class's type information then lives in the run-time
    // only, and every library catches the one type.
    ~RuntimeError() override;

    int number() const noexcept { return m_number; }
    const QString& description() const noexcept { return m_description; }
    const char* what() const noexcept override { return m_what.c_str(); }

private:
    int m_number;
    QString m_description;
    std::string m_what;
};

[[noreturn]] RUNTIME_EXPORT void raiseError(int number);
[[noreturn]] RUNTIME_EXPORT void raiseError(int number, const QString& description);

// Runs statements one by one, skipping those that raise a run-time error and
// remembering the last error, so a handler reads as a plain list of statements.
class SkipErrors {
public:
    template <class F>
    bool operator()(F&& statement) {
        try {
            statement();
            return true;
        } catch (const RuntimeError& e) {
            m_failed = true;
            m_number = e.number();
            m_description = e.description();
            return false;
        }
    }

    bool failed() const { return m_failed; }
    int lastNumber() const { return m_number; }
    const QString& lastDescription() const { return m_description; }
    void clear() {
        m_failed = false;
        m_number = 0;
        m_description.clear();
    }

private:
    bool m_failed = false;
    int m_number = 0;
    QString m_description;
};

} // namespace rt
