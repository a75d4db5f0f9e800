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

int ProtokollAlsPdf(const Kalibrierung& kalibrierung, int typ, const QString& path,
                    QSizeF sheetCm) {
    Zieldatei ziel(path);

    int pages = 0;
    {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(ziel.temporaryPath());
        printer.setResolution(600);
        const QPageSize sheet =
            sheetCm.isEmpty() ? QPageSize(QPageSize::A4)
                              : QPageSize(QSizeF(sheetCm.width() * 10, sheetCm.height() * 10),
                                          QPageSize::Millimeter, QString(), QPageSize::FuzzyMatch);
        printer.setPageLayout(QPageLayout(sheet, QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
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
