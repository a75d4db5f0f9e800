#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// The per-user settings of the program: application name = the product name,
// sections "Main" and "RecentFiles".
namespace Einstellungen {
bool DontShowPage0();
void setDontShowPage0(bool on);
// Slots 1 to 9 of the recent-files list (index 0 is slot 1); free files are "".
QStringList RecentFiles();
void setRecentFiles(const QStringList& files);
// The wizard window's size and position (Qt's geometry block; empty: none).
QByteArray WindowGeometry();
void setWindowGeometry(const QByteArray& geometry);
// The folder the file dialogs used last; a file given (or stored by an
// earlier version) stands for its folder.
QString LastFolder();
void setLastFolder(const QString& folder);
} // namespace Einstellungen
