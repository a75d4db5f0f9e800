#pragma once

#include <QFileDevice>

namespace rt {

// The permissions a new file gets from the user's umask (0666 & ~umask), for
// files written through a private temporary file first.
QFileDevice::Permissions defaultFilePermissions();

// Gives the file open as fd the mode of the file at target, and its owner
// and group where the process may: a replaced file keeps its identity (a
// private file stays private). Nothing when there is no such file.
void keepIdentity(int fd, const QString& target);

// The number of names (hard links) of a file; 0 when there is none.
int linkCount(const QString& path);

// The start of the hidden name of a file written beside a target before it
// replaces it: "." + the target's name (shortened where it must be) + ".",
// so that six more characters still make a name of at most 255 bytes.
QString temporaryPrefix(const QString& fileName);

// Whether an existing file has no write permission for anybody.
bool isReadOnlyFile(const QString& path);

} // namespace rt
