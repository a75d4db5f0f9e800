#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// Reads the cell values of a workbook (.xlsx, .ods) for the import of
// measured values; no formula is evaluated, a formula cell gives the value
// stored with it.
namespace MesswertImport::Mappe {

// Between the cells of a row, and before a cell that holds a number (written
// with a decimal point, as std::to_chars does). Rows end with '\n', one line
// per row of the sheet, so that a line is the sheet's row number.
constexpr char Zellentrenner = '\x1F';
constexpr char Zahlmarke = '\x02';

// What the first bytes show: a ZIP archive (a workbook is one), a file of
// the old Office formats, or neither.
enum class Art { Keine, Zip, AltesOffice };
Art artVon(const QByteArray& bytes);

struct Inhalt {
    QString art; // "Excel-Arbeitsmappe" or "OpenDocument-Tabelle"
    QStringList blätter;
    QString blatt;
    QByteArray text;
};

// The sheet named, or the first that holds data. Raises run-time error 75
// with a German reason (no workbook, damaged, sheet missing) or 7 when it is
// too large.
Inhalt lesen(const QByteArray& bytes, const QString& blatt, const QString& shown);

} // namespace MesswertImport::Mappe
