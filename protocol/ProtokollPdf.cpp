#include "ProtokollPdf.h"

#include "DruckSeiten.h"
#include "Protokoll.h"
#include "Zieldatei.h"

#include "basKalibrierungVelmorTeilE4.h"

#include "RuntimeError.h"

#include <QFile>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>

#include <algorithm>
#include <cerrno>

#include <sys/stat.h>
#include <unistd.h>

QSizeF blattCm(const QPageSize& blatt) {
    const QSizeF mm = blatt.size(QPageSize::Millimeter);
    return QSizeF(std::min(mm.width(), mm.height()), std::max(mm.width(), mm.height())) / 10.0;
}

namespace {
const std::pair<const char16_t*, QPageSize::PageSizeId> Blätter[] = {
    {u"A4", QPageSize::A4},         {u"A5", QPageSize::A5},       {u"A3", QPageSize::A3},
    {u"Letter", QPageSize::Letter}, {u"Legal", QPageSize::Legal},
};
} // namespace

QStringList BlattNamen() {
    QStringList names;
    for (const auto& [text, id] : Blätter)
        names.append(QString::fromUtf16(text));
    return names;
}

std::optional<QPageSize> blattNamens(const QString& name) {
    for (const auto& [text, id] : Blätter)
        if (name.trimmed().compare(QString::fromUtf16(text), Qt::CaseInsensitive) == 0)
            return QPageSize(id);
    return std::nullopt;
}

int ProtokollAlsPdf(const Kalibrierung& kalibrierung, int typ, const QString& path,
                    const QPageSize& blatt) {
    rt::Zieldatei ziel(path, rt::Zieldatei::Art::Ausgabe);

    int pages = 0;
    {
        // The PDF goes straight into the new file's descriptor.
        QPdfWriter writer(&ziel.datei());
        writer.setResolution(600);
        writer.setPageLayout(QPageLayout(blatt.isValid() ? blatt : QPageSize(QPageSize::A4),
                                         QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
        writer.setTitle(QStringLiteral("Berechnungsprotokoll"));
        writer.setCreator(ProductName);
        DruckSeiten seiten(writer);
        Protokoll protokoll(kalibrierung, seiten, typ);
        pages = protokoll.BuildProtocol(true);
        const bool fertig = seiten.finish();
        // A failed write is the reason, where there was one.
        if (ziel.datei().error() != QFileDevice::NoError)
            rt::cannotWrite(path, ziel.schreibfehler());
        if (!fertig)
            rt::cannotWrite(path, QStringLiteral("die PDF-Ausgabe ist fehlgeschlagen"));
    }
    QFile& written = ziel.datei();
    errno = 0;
    if (!written.flush() || written.error() != QFileDevice::NoError)
        rt::cannotWrite(path, errno != 0 ? rt::systemErrorText(errno) : ziel.schreibfehler());
    // The PDF writer does not report every failed write: a PDF is complete
    // only with its end-of-file mark at the end.
    struct stat s {};
    if (::fstat(ziel.handle(), &s) != 0 || s.st_size == 0)
        rt::cannotWrite(path, QStringLiteral("die PDF-Ausgabe ist leer"));
    QByteArray ende(int(std::min<off_t>(s.st_size, 64)), '\0');
    if (::pread(ziel.handle(), ende.data(), size_t(ende.size()), s.st_size - ende.size()) !=
            ende.size() ||
        !ende.contains("%%EOF"))
        rt::cannotWrite(path, QStringLiteral("die PDF-Datei ist unvollständig (ist der Datenträger "
                                             "voll?)"));
    ziel.commit();
    return pages;
}
