#include "RuntimeError.h"

namespace rt {

QString errorDescription(int number) {
    switch (number) {
    case err::InvalidProcedureCall:
        return QStringLiteral("Ungültiger Prozeduraufruf oder ungültiges Argument");
    case err::Overflow:
        return QStringLiteral("Überlauf");
    case err::OutOfMemory:
        return QStringLiteral("Nicht genügend Speicher");
    case err::SubscriptOutOfRange:
        return QStringLiteral("Index außerhalb des gültigen Bereichs");
    case err::DivisionByZero:
        return QStringLiteral("Division durch Null");
    case err::TypeMismatch:
        return QStringLiteral("Typen unverträglich");
    case err::FileNotFound:
        return QStringLiteral("Datei nicht gefunden");
    case err::FileAlreadyExists:
        return QStringLiteral("Datei existiert bereits");
    case err::PathFileAccessError:
        return QStringLiteral("Fehler beim Zugriff auf Pfad/Datei");
    case err::PathNotFound:
        return QStringLiteral("Pfad nicht gefunden");
    case err::InvalidFileFormat:
        return QStringLiteral("Ungültiges Dateiformat");
    case err::ObjectNotSet:
        return QStringLiteral("Objektvariable oder With-Blockvariable nicht festgelegt");
    case err::InvalidUseOfNull:
        return QStringLiteral("Ungültige Verwendung von Null");
    case err::InvalidPropertyValue:
        return QStringLiteral("Ungültiger Eigenschaftswert");
    case err::InvalidPropertyArrayIndex:
        return QStringLiteral("Ungültiger Eigenschaftsarray-Index");
    case err::DuplicateKey:
        return QStringLiteral("Dieser Schlüssel ist bereits einem Element dieser Auflistung "
                              "zugeordnet");
    case err::ItemNotFound:
        return QStringLiteral("Das Objekt ist in dieser Auflistung, die dem angeforderten Namen "
                              "bzw. der angeforderten Ordinalzahl entspricht, nicht vorhanden");
    case err::RecordsetSource:
        return QStringLiteral("Aus der angegebenen Quelle kann kein Recordset erstellt werden");
    default:
        return QString();
    }
}

RuntimeError::RuntimeError(int number) : RuntimeError(number, errorDescription(number)) {}

RuntimeError::RuntimeError(int number, QString description)
    : m_number(number), m_description(std::move(description)) {
    m_what = QStringLiteral("%1 (%2)").arg(m_description).arg(m_number).toStdString();
}

RuntimeError::~RuntimeError() = default;

void raiseError(int number) {
    throw RuntimeError(number);
}

void raiseError(int number, const QString& description) {
    throw RuntimeError(number, description);
}

} // namespace rt

#include <cerrno>
#include <cstring>

namespace rt {

QString systemErrorText(int errnum) {
    switch (errnum) {
    case EACCES:
    case EPERM:
        return QStringLiteral("Zugriff verweigert");
    case ENOENT:
        return QStringLiteral("Datei oder Ordner nicht gefunden");
    case ENOSPC:
        return QStringLiteral("Kein Platz mehr auf dem Datenträger");
    case EDQUOT:
        return QStringLiteral("Speicherplatzkontingent erschöpft");
    case EROFS:
        return QStringLiteral("Schreibgeschütztes Dateisystem");
    case EISDIR:
        return QStringLiteral("Ist ein Ordner");
    case ENOTDIR:
        return QStringLiteral("Ist kein Ordner");
    case EEXIST:
        return QStringLiteral("Datei existiert bereits");
    case EIO:
        return QStringLiteral("Ein-/Ausgabefehler");
    case EFBIG:
        return QStringLiteral("Datei zu groß");
    case ENAMETOOLONG:
        return QStringLiteral("Dateiname zu lang");
    case ELOOP:
        return QStringLiteral("Zu viele Verweise hintereinander");
    case ENOMEM:
        return QStringLiteral("Nicht genügend Arbeitsspeicher");
    case EXDEV:
        return QStringLiteral("Verschiedene Dateisysteme");
    default:
        return QString::fromLocal8Bit(std::strerror(errnum));
    }
}

QString fileErrorText(const QString& qtText) {
    return errno != 0 ? systemErrorText(errno) : qtText;
}

} // namespace rt
