#include "ProtokollPdf.h"

#include "DruckSeiten.h"
#include "Protokoll.h"

#include "basKalibrierungVelmorTeilE4.h"

#include "Dateirechte.h"
#include "RuntimeError.h"

#include <QDir>
#include <QFileInfo>
#include <QPageLayout>
#include <QPageSize>
#include <QPrinter>
#include <QTemporaryFile>

#include <cstdio>

namespace {
[[noreturn]] void cannotWrite(const QString& path, const QString& reason) {
    rt::raiseError(rt::err::PathFileAccessError,
                   QStringLiteral("Die Datei „%1“ kann nicht geschrieben werden: %2")
                       .arg(QDir::toNativeSeparators(path), reason));
}
} // namespace

int ProtokollAlsPdf(const Kalibrierung& kalibrierung, int typ, const QString& path) {
    const QFileInfo target(path);
    if (target.isDir())
        cannotWrite(path, QStringLiteral("es ist ein Ordner"));
    if (!target.absoluteDir().exists())
        cannotWrite(path, QStringLiteral("der Ordner existiert nicht"));
    QTemporaryFile temporary(
        target.absoluteDir().filePath(QStringLiteral(".%1.XXXXXX").arg(target.fileName())));
    if (!temporary.open())
        cannotWrite(path, temporary.errorString());
    temporary.close();

    int pages = 0;
    {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(temporary.fileName());
        printer.setResolution(600);
        printer.setPageLayout(
            QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
        printer.setDocName(QStringLiteral("Berechnungsprotokoll"));
        printer.setCreator(ProductName);
        DruckSeiten seiten(printer);
        Protokoll protokoll(kalibrierung, seiten, typ);
        pages = protokoll.BuildProtocol(true);
        if (!seiten.finish())
            cannotWrite(path, QStringLiteral("die PDF-Ausgabe ist fehlgeschlagen"));
    }
    if (QFileInfo(temporary.fileName()).size() == 0)
        cannotWrite(path, QStringLiteral("die PDF-Ausgabe ist leer"));
    // rename(2) replaces an existing file in one step.
    if (std::rename(QFile::encodeName(temporary.fileName()).constData(),
                    QFile::encodeName(target.absoluteFilePath()).constData()) != 0)
        cannotWrite(path, QStringLiteral("sie kann nicht ersetzt werden"));
    temporary.setAutoRemove(false);
    QFile::setPermissions(target.absoluteFilePath(), rt::defaultFilePermissions());
    return pages;
}
