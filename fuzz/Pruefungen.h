#pragma once

// The checks behind the fuzz targets, one per input that comes from outside
// the program. Each takes any bytes and returns "" when everything held, or
// what broke. The fuzz targets abort on a break, so that libFuzzer keeps the
// input; the test suite runs every kept input (tests/data/fuzz/<target>/)
// through the same check.
//
// The checks that use widgets or fonts need a QApplication.

#include <QByteArrayView>
#include <QString>

QString pruefeDatei(QByteArrayView input);
QString pruefeZahlen(QByteArrayView input);
QString pruefeEigenschaften(QByteArrayView input);
QString pruefeEinfuegen(QByteArrayView input);
QString pruefeText(QByteArrayView input);
QString pruefeImport(QByteArrayView input);
// The parts of a workbook in a sound archive, so that mutations reach the
// sheet, text and style readers instead of stopping at the archive.
QString pruefeMappe(QByteArrayView input);

// The import's checks on the bytes of a table file.
QString pruefeTabelle(const QByteArray& bytes);

// A check that fails returns its condition and place.
#define PRUEFE(condition)                                                                          \
    do {                                                                                           \
        if (!(condition))                                                                          \
            return QStringLiteral("%1 (%2:%3)")                                                    \
                .arg(QLatin1String(#condition), QLatin1String(__FILE__))                           \
                .arg(__LINE__);                                                                    \
    } while (false)
