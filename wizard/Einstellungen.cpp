#include "Einstellungen.h"

#include "basKalibrierungVelmorTeilE4.h"

#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

#include <memory>

namespace {
// The per-user file named after the application, the product name, in the
// user's configuration folder ($XDG_CONFIG_HOME, usually ~/.config).
std::unique_ptr<QSettings> settings() {
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return std::make_unique<QSettings>(folder + u'/' + ProductName + QStringLiteral(".conf"),
                                       QSettings::IniFormat);
}
} // namespace

namespace Einstellungen {

bool DontShowPage0() {
    // Stored as the text of the box's value, 0 or 1; read as an integer.
    return settings()->value(QStringLiteral("Main/DontShowPage0"), QStringLiteral("0")).toInt() !=
           0;
}

void setDontShowPage0(bool on) {
    settings()->setValue(QStringLiteral("Main/DontShowPage0"),
                         on ? QStringLiteral("1") : QStringLiteral("0"));
}

QStringList RecentFiles() {
    const auto s = settings();
    QStringList files;
    for (int i = 1; i <= 9; ++i)
        files.append(s->value(QStringLiteral("RecentFiles/File%1").arg(i)).toString());
    return files;
}

void setRecentFiles(const QStringList& files) {
    const auto s = settings();
    for (int i = 1; i <= 9; ++i)
        s->setValue(QStringLiteral("RecentFiles/File%1").arg(i), files.value(i - 1));
}

QByteArray WindowGeometry() {
    return settings()->value(QStringLiteral("Main/WindowGeometry")).toByteArray();
}

void setWindowGeometry(const QByteArray& geometry) {
    settings()->setValue(QStringLiteral("Main/WindowGeometry"), geometry);
}

namespace {
QString folderOf(const QString& path) {
    const QFileInfo info(path);
    return info.isFile() ? info.absolutePath() : path;
}
} // namespace

QString LastFolder() {
    return folderOf(settings()->value(QStringLiteral("Main/LastFolder")).toString());
}

void setLastFolder(const QString& folder) {
    settings()->setValue(QStringLiteral("Main/LastFolder"), folderOf(folder));
}

} // namespace Einstellungen
