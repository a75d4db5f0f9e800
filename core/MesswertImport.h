#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

#include <optional>
#include <utility>

class Kalibrierung;

// Measured values from a text table (CSV, for example the program's own
// export or a table of covariable, direct and indirect values): the table is
// read once, the way it is read (separator, decimal separator, header row,
// what each column holds) is detected and may be changed, and the rows are
// grouped into test fields.
namespace MesswertImport {

enum class Dezimal { Unbestimmt, Komma, Punkt };

// What a column holds. Point numbers follow the row order within a field, so
// a column of them is read as nothing.
enum class Spalte { Keine, Prüffeld, Kovariable, Direkt, Indirekt };

struct Lesart {
    QChar trenner = u';';
    Dezimal dezimal = Dezimal::Unbestimmt;
    bool kopfzeile = false;
    QVector<Spalte> spalten;
};

// A row of the table with its line in the file (from 1).
struct Zeile {
    int nummer = 0;
    QStringList zellen;
};

struct Fehler {
    int zeile = 0;
    QString grund;
};

struct Feld {
    // The field's text in the field column, or the covariable value's.
    QString schlüssel;
    double kovariable = 0;
    QVector<std::pair<double, double>> punkte; // direct, indirect
};

struct Ergebnis {
    QVector<Feld> felder;
    // Rows that cannot be read, in file order.
    QVector<Fehler> fehler;
    // Why nothing can be imported; "" when the fields can be.
    QString hindernis;
    // The rows read, and the line at which the table ended (0: at the end
    // of the file); what follows an empty line that heads no data (the
    // results block of an export) is not read.
    int gelesen = 0;
    int endeBeiZeile = 0;
    int punkte() const;
};

// The largest file read, as for a calibration.
constexpr qint64 MaxDateigröße = 64 * 1024 * 1024;

class Tabelle {
public:
    // Reads a file: UTF-8 with or without byte-order mark, else Latin-1.
    // Raises error 53 (missing), 75 (not readable) or 7 (too large) with a
    // German description naming the file.
    static Tabelle ausDatei(const QString& path);
    static Tabelle ausBytes(const QByteArray& bytes);

    // "UTF-8" or "Latin-1".
    QString zeichensatz() const { return m_zeichensatz; }
    // The way the table most likely is read; the decimal separator stays
    // Unbestimmt when both readings are possible and give other numbers.
    // The characteristics' symbols (of k) name columns in a header row. A
    // separator or header choice given is kept, the rest detected with it.
    Lesart erkennen(const Kalibrierung& k, std::optional<QChar> trenner = std::nullopt,
                    std::optional<bool> kopfzeile = std::nullopt) const;
    // The rows split at a separator (quotes "" respected), empty lines left out.
    QVector<Zeile> zeilen(QChar trenner) const;
    // Reads the rows into fields.
    Ergebnis lesen(const Lesart& lesart) const;

private:
    QStringList m_zeilen;
    QString m_zeichensatz;
};

// A number as a table writes it, with the given decimal separator; the
// other separator is taken only between groups of three digits.
std::optional<double> zahl(QStringView text, Dezimal dezimal);

// Reads a column's header into what it holds (Keine when unknown).
Spalte spalteAusKopf(const QString& kopf, const Kalibrierung& k);
QString spaltenName(Spalte spalte);

// Replaces the calibration's fields and measured values by the result's
// (one step for undo); characteristics and site data stay.
void übernehmen(Kalibrierung& k, const Ergebnis& ergebnis);

} // namespace MesswertImport
