// The calibration file reader: any bytes as a calibration file. A failed load
// leaves the calibration as it was and says why; a successful one saves, and
// the saved file loads to the same keys and values.

#include "Pruefungen.h"

#include "Kalibrierung.h"
#include "RuntimeError.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <map>

namespace {

using Entries = std::vector<std::pair<QString, QString>>;

Entries entries(const Kalibrierung& k) {
    Entries out;
    k.DataStore()->forEach(
        [&](const QString& key, const rt::Variant& v) { out.emplace_back(key, v.toText()); });
    return out;
}

std::map<QString, QString> asMap(const Entries& entries) {
    return std::map<QString, QString>(entries.begin(), entries.end());
}

QTemporaryDir& folder() {
    static QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/pruefe_datei-XXXXXX"));
    return dir;
}

// Saves from and loads into to; the error's text, or "".
QString roundTrip(const Kalibrierung& from, Kalibrierung& to, const QString& path) {
    QFile::remove(path);
    try {
        from.SaveFile(path);
        to.LoadFile(path);
    } catch (const rt::RuntimeError& e) {
        return QStringLiteral("Speichern und Laden nach dem Laden: ") + e.description();
    }
    return QString();
}

} // namespace

QString pruefeDatei(QByteArrayView bytes) {
    const QString input = folder().filePath(QStringLiteral("eingabe.xml"));
    const QString saved = folder().filePath(QStringLiteral("gespeichert.xml"));
    {
        QFile file(input);
        PRUEFE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        PRUEFE(file.write(bytes.data(), bytes.size()) == bytes.size());
    }
    Kalibrierung k;
    k.setPrüffelderAnzahl(3);
    k.setMesswert(pmDirekt, 1, 1, 99.5);
    const Entries before = entries(k);
    try {
        k.LoadFile(input);
    } catch (const rt::RuntimeError& e) {
        PRUEFE(entries(k) == before);
        PRUEFE(!e.description().isEmpty());
        return QString();
    }
    // What was loaded saves, and loads again to the same keys and values; the
    // saved file has the header record, which a load keeps in the store.
    Kalibrierung again;
    if (const QString error = roundTrip(k, again, saved); !error.isEmpty())
        return error;
    std::map<QString, QString> expected = asMap(entries(k));
    expected.try_emplace(QStringLiteral("KalibrierungVelmorTeilE4"), QStringLiteral("V1"));
    PRUEFE(asMap(entries(again)) == expected);
    // From then on a round trip changes nothing, not even the order.
    Kalibrierung third;
    if (const QString error = roundTrip(again, third, saved); !error.isEmpty())
        return error;
    PRUEFE(entries(third) == entries(again));
    return QString();
}
