#pragma once

#include <QString>

class Kalibrierung;

// The measured values and results for other programs, chosen by the file's
// suffix: ".csv" a CSV file, ".xlsx" an Excel workbook; any other suffix
// raises error 5 with the reason (ExportFormatFehler). The
// file is written beside the target first and moved into place when
// complete; failures raise error 75 with a German description.
void ExportiereKalibrierung(const Kalibrierung& k, const QString& path);
// Why a file name cannot be exported to (a suffix other than .xlsx or .csv),
// or "" when it can.
QString ExportFormatFehler(const QString& path);

// A workbook: sheet "Messwerte" with a scatter chart of the measured pairs and
// the calibration line, sheet "Statistik" (the statistics list with the
// minimum, the verdict and the requirement lines, their values as numbers),
// sheet "Protokolldaten" (the site data).
void ExportXlsx(const Kalibrierung& k, const QString& path);

// The measured values, then the statistics list, the minimum, the verdict
// and the requirement lines (with the requirement and the indirect value as
// the program shows them) as CSV: semicolons, the user's decimal separator,
// UTF-8 with byte-order mark, CR LF.
void ExportCsv(const Kalibrierung& k, const QString& path);
