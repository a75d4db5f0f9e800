#pragma once

#include <QSizeF>
#include <QString>

class Kalibrierung;

// Writes the protocol of a calibration as a PDF file: print mode (zoom 1.0),
// A4 portrait, text as text with the fonts embedded, title
// "Berechnungsprotokoll". The file is written beside the target first and
// moved into place when complete. Returns the number of pages; raises error
// 75 with a German description when the file cannot be written.
// sheetCm: the sheet, A4 when empty.
int ProtokollAlsPdf(const Kalibrierung& kalibrierung, int typ, const QString& path,
                    QSizeF sheetCm = QSizeF());
