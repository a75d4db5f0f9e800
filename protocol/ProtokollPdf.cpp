#include "ProtokollPdf.h"

#include "DruckSeiten.h"
#include "Protokoll.h"
#include "Zieldatei.h"

#include "basKalibrierungVelmorTeilE4.h"

#include "RuntimeError.h"

#include <QFile>
#include <QFileInfo>
#include <QPageLayout>
#include <QPageSize>
#include <QPrinter>

#include <algorithm>

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
    Zieldatei ziel(path);

    int pages = 0;
    {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(ziel.temporaryPath());
        printer.setResolution(600);
        printer.setPageLayout(QPageLayout(blatt.isValid() ? blatt : QPageSize(QPageSize::A4),
                                          QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
        printer.setDocName(QStringLiteral("Berechnungsprotokoll"));
        printer.setCreator(ProductName);
        DruckSeiten seiten(printer);
        Protokoll protokoll(kalibrierung, seiten, typ);
        pages = protokoll.BuildProtocol(true);
        if (!seiten.finish())
            cannotWrite(path, QStringLiteral("die PDF-Ausgabe ist fehlgeschlagen"));
    }
    if (QFileInfo(ziel.temporaryPath()).size() == 0)
        cannotWrite(path, QStringLiteral("die PDF-Ausgabe ist leer"));
    // The PDF writer does not report failed writes (a full disk): a PDF is
    // complete only with its end-of-file mark at the end.
    QFile written(ziel.temporaryPath());
    if (!written.open(QIODevice::ReadOnly) || written.size() < 6 ||
        !written.seek(written.size() - std::min<qint64>(written.size(), 64)) ||
        !written.read(64).contains("%%EOF"))
        cannotWrite(path, QStringLiteral("die PDF-Datei ist unvollständig (ist der Datenträger "
                                         "voll?)"));
    ziel.commit();
    return pages;
}
