#pragma once

#include "runtime_export.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <utility>
#include <vector>

#include <sys/stat.h>

namespace rt {

// What a replaced file hands on to the file that replaces it: its mode,
// owner and group, its access control list and the user's extended
// attributes. Attributes of the system's own (security labels, file
// capabilities) are never copied: they would give the new content rights the
// old one was granted for itself.
struct Dateikennung {
    struct stat status {};
    std::optional<QByteArray> acl; // "system.posix_acl_access", as the kernel stores it
    std::vector<std::pair<QByteArray, QByteArray>> attribute; // "user.*"
};

// Reads the identity of an open file (fd may be an O_PATH descriptor);
// 0, or the system's error number.
RUNTIME_EXPORT int leseKennung(int fd, Dateikennung& kennung);

// Gives the new file open as fd the identity of the replaced one. Where the
// process may not keep the owner, the new file is the caller's (who may write
// the old one); where it may not keep the group, the group's permissions are
// dropped, so that no group gains access. Set-id bits are never copied.
// 0, or the system's error number.
RUNTIME_EXPORT int übertrageKennung(int fd, const Dateikennung& kennung);

// The hidden name of a file written beside a target before it replaces it:
// "." + the target's name (shortened where it must be) + ".orvanta-" + six
// letters or digits, at most 255 bytes. Only the program makes such names, so
// that only its own leftovers are ever removed.
RUNTIME_EXPORT QByteArray zwischenName(const QString& fileName, const QByteArray& sechs);

// Whether a name is one that zwischenName gives for fileName.
RUNTIME_EXPORT bool istZwischenName(const QString& fileName, const QByteArray& name);

} // namespace rt
