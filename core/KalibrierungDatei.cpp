// The calibration file (an XML recordset of key and value) and the property
// bag block of the whole store.

#include "Kalibrierung.h"

#include "AdoRecordset.h"

#include "RuntimeError.h"
#include "Zieldatei.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>

#include <cerrno>

using rt::Variant;

namespace {

const QString HeaderKey = QStringLiteral("KalibrierungVelmorTeilE4");
const QString HeaderValue = QStringLiteral("V1");

[[noreturn]] void fileError(int number, const QString& path, const QString& detail = QString()) {
    QString description =
        rt::errorDescription(number) + QStringLiteral(": ") + QDir::toNativeSeparators(path);
    if (!detail.isEmpty())
        description += QStringLiteral(" (") + detail + u')';
    rt::raiseError(number, description);
}

// Writes bytes so that the target is always either the complete old file or
// the complete new one. Without replace an existing target is refused; with
// it the target (through a link, the file it names) is replaced in one step,
// read-only or not as art says.
void writeFile(const QString& path, const QByteArray& bytes, rt::Zieldatei::Art art) {
    rt::Zieldatei ziel(path, art);
    ziel.schreiben(bytes);
    ziel.commit();
}

QByteArray fileContent(const DataStore& store) {
    std::vector<QStringList> rows;
    rows.reserve(store.count() + 1);
    rows.push_back({HeaderKey, HeaderValue});
    store.forEach([&](const QString& key, const Variant& value) {
        rows.push_back({key, value.toText()});
    });
    return ado::write({QStringLiteral("Variable"), QStringLiteral("Wert")}, rows);
}

} // namespace

void Kalibrierung::SaveFile(const QString& FilePath) const {
    writeFile(FilePath, fileContent(*m_store), rt::Zieldatei::Art::Neu);
}

void Kalibrierung::ReplaceFile(const QString& FilePath, bool ReadOnlyToo) const {
    writeFile(FilePath, fileContent(*m_store),
              ReadOnlyToo ? rt::Zieldatei::Art::Ersetzen : rt::Zieldatei::Art::Ausgabe);
}

void Kalibrierung::LoadFile(const QString& FilePath) {
    QFile file(FilePath);
    if (!QFileInfo(FilePath).isFile())
        fileError(QFileInfo::exists(FilePath) ? rt::err::PathFileAccessError
                                              : rt::err::FileNotFound,
                  FilePath);
    errno = 0;
    if (!file.open(QIODevice::ReadOnly))
        fileError(rt::err::PathFileAccessError, FilePath, rt::fileErrorText(file.errorString()));
    auto tooLarge = [&] {
        rt::raiseError(rt::err::RecordsetSource,
                       rt::errorDescription(rt::err::RecordsetSource) +
                           QStringLiteral(": die Datei „%1“ ist größer als %2 MB und daher "
                                          "keine Kalibrierung")
                               .arg(QDir::toNativeSeparators(FilePath))
                               .arg(MaxDateigröße / (1024 * 1024)));
    };
    if (file.size() > MaxDateigröße)
        tooLarge();
    errno = 0;
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        fileError(rt::err::PathFileAccessError, FilePath, rt::fileErrorText(file.errorString()));
    if (bytes.size() > MaxDateigröße) // grown while it was read
        tooLarge();

    // Everything is read and checked before the calibration is touched: the
    // records are kept as they are read (only the two fields of a
    // calibration), the file's bytes go, and the records fill a calibration
    // of their own, which then replaces this one's content. A file that would
    // take more memory than there is fails as a file too large.
    const QString shown = QDir::toNativeSeparators(FilePath);
    class Laden : public ado::RecordHandler {
    public:
        explicit Laden(const QString& shown) : m_shown(shown) {}
        std::vector<std::pair<QString, QString>> datensätze;
        void fields(const QStringList& names) override {
            // A table without these fields is not a calibration, whatever else it holds.
            m_variable = index(names, QStringLiteral("Variable"));
            m_wert = index(names, QStringLiteral("Wert"));
        }
        void record(std::vector<std::optional<QString>>& values) override {
            if (++m_datensätze > MaxDatensätze)
                rt::raiseError(
                    rt::err::RecordsetSource,
                    rt::errorDescription(rt::err::RecordsetSource) +
                        QStringLiteral(": die Datei „%1“ hat mehr als %2 Datensätze "
                                       "und ist daher keine Kalibrierung")
                            .arg(m_shown, QLocale(QLocale::German).toString(MaxDatensätze)));
            std::optional<QString>& key = values[size_t(m_variable)];
            if (!key || key->isEmpty())
                return;
            std::optional<QString>& wert = values[size_t(m_wert)];
            datensätze.emplace_back(std::move(*key), wert ? std::move(*wert) : QString());
        }

    private:
        static int index(const QStringList& names, const QString& name) {
            for (int i = 0; i < names.size(); ++i)
                if (names[i].compare(name, Qt::CaseInsensitive) == 0)
                    return i;
            rt::raiseError(rt::err::ItemNotFound,
                           rt::errorDescription(rt::err::ItemNotFound) +
                               QStringLiteral(": die Datei hat kein Feld „%1“ und ist daher "
                                              "keine Kalibrierung")
                                   .arg(name));
        }
        const QString& m_shown;
        int m_variable = -1;
        int m_wert = -1;
        qint64 m_datensätze = 0;
    };
    Laden laden(shown);
    Kalibrierung neu;
    try {
        ado::read(bytes, {QStringLiteral("Variable"), QStringLiteral("Wert")}, laden);
        bytes = QByteArray();
        neu.m_store->reserve(neu.m_store->count() + qsizetype(laden.datensätze.size()));
        for (const auto& [key, wert] : laden.datensätze)
            neu.m_store->setValue(key, wert);
    } catch (const std::bad_alloc&) {
        rt::raiseError(rt::err::OutOfMemory);
    }
    laden.datensätze = {};
    // Counts or numbers no calibration has come from a damaged file.
    const QString inhaltsfehler = neu.Inhaltsfehler();
    if (!inhaltsfehler.isEmpty())
        rt::raiseError(
            rt::err::InvalidFileFormat,
            QStringLiteral("Die Datei „%1“ ist beschädigt: %2").arg(shown, inhaltsfehler));

    const bool dirty = IsDirty();
    m_store->replaceWith(std::move(*neu.m_store));
    ++m_änderungen;
    if (IsDirty() != dirty)
        emit IsDirtyChanged();
}

void Kalibrierung::WriteProperties(rt::PropertyBag& bag) const {
    int i = 0;
    m_store->forEach([&](const QString& key, const Variant& value) {
        ++i;
        bag.writeProperty(QStringLiteral("Key%1").arg(i), key);
        bag.writeProperty(QStringLiteral("Val%1").arg(i), value);
    });
    bag.writeProperty(QStringLiteral("Count"), rt::Long(i));
}

void Kalibrierung::ReadProperties(const rt::PropertyBag& bag) {
    Reset();
    const rt::Long count = bag.readProperty(QStringLiteral("Count"), rt::Long(0)).toLong();
    for (rt::Long i = 1; i <= count; ++i) {
        const QString key = bag.readProperty(QStringLiteral("Key%1").arg(i)).toText();
        if (!key.isEmpty())
            m_store->setValue(key, bag.readProperty(QStringLiteral("Val%1").arg(i)));
    }
}

QByteArray Kalibrierung::ContentString() const {
    rt::PropertyBag bag;
    WriteProperties(bag);
    return bag.contents();
}

void Kalibrierung::setContentString(const QByteArray& value) {
    rt::PropertyBag bag;
    bag.setContents(value);
    ReadProperties(bag);
}
