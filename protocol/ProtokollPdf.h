#pragma once

#include <QPageSize>
#include <QSizeF>
#include <QString>
#include <QStringList>

#include <optional>

class Kalibrierung;

// Writes the protocol of a calibration as a PDF file: print mode (zoom 1.0),
// the sheet portrait (A4 by default), text as text with the fonts embedded, title
// "Berechnungsprotokoll". The file is written beside the target first and
// moved into place when complete. Returns the number of pages; raises error
// 75 with a German description when the file cannot be written.
int ProtokollAlsPdf(const Kalibrierung& kalibrierung, int typ, const QString& path,
                    const QPageSize& blatt = QPageSize(QPageSize::A4));

// A sheet's size in cm, upright.
QSizeF blattCm(const QPageSize& blatt);
// The sheets the command line names: A4, A5, A3, Letter and Legal (any case);
// none for another name.
std::optional<QPageSize> blattNamens(const QString& name);
QStringList BlattNamen();
