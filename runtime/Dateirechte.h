#pragma once

#include <QFileDevice>

namespace rt {

// The permissions a new file gets from the user's umask (0666 & ~umask), for
// files written through a private temporary file first.
QFileDevice::Permissions defaultFilePermissions();

} // namespace rt
