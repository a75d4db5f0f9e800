#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QVector>

#include <optional>
#include <utility>

class Kalibrierung;

// Measured values from a table: a text file (CSV, for example the program's
// own export) or a workbook (.xlsx, .ods). The file is read once into a
// table; how it is read (separator, decimal separator, header row, what each
// column holds) is detected and may be changed, and the rows are grouped
// into test fields in one pass that keeps within bounded time and memory.
namespace MesswertImport {

enum class Dezimal { Unbestimmt, Komma, Punkt };

// What a column holds. Point numbers follow the row order within a field: a
// column of them is recognised and never read.
enum class Spalte { Keine, Prüffeld, Prüfpunkt, Kovariable, Direkt, Indirekt };

struct Lesart {
    // Between the cells of a text table; a workbook has its cells.
    QChar trenner = u';';
    Dezimal dezimal = Dezimal::Unbestimmt;
    bool kopfzeile = false;
    // One entry per column of the table.
    QVector<Spalte> spalten;
    // How messages name the characteristics ("die Kovariable „…“ (Z)").
    QMap<Spalte, QString> namen;
    // Roles that several columns of the header name alike: none of them
    // has the role until one is chosen.
    QMap<Spalte, QVector<int>> doppelt;
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
    // Rows that cannot be read, in file order: the first MaxFehler of them,
    // and how many more there are.
    QVector<Fehler> fehler;
    qint64 weitereFehler = 0;
    // Why nothing can be imported; "" when the fields can be. When the
    // reason is that roles have no column, these.
    QString hindernis;
    QVector<Spalte> ohneSpalte;
    // The rows read, and the line at which the table ended (0: at the end
    // of the file); rows after an empty line that no readable measured
    // value follows (the results block of an export) are not read.
    int gelesen = 0;
    int endeBeiZeile = 0;
    int punkte() const;
    qint64 fehlerAnzahl() const { return fehler.size() + weitereFehler; }
};

// A table is read from at most this many columns.
constexpr int MaxSpalten = 64;
// A longer line is no table's.
constexpr qint64 MaxZeilenlänge = 1024 * 1024;
constexpr int MaxFehler = 1000;

// A row of the preview: its line (from 1) and its cells as they are read.
struct VorschauZeile {
    int nummer = 0;
    QStringList zellen;
    // Per cell: a value column's cell that is no number.
    QVector<bool> fehler;
};

class Tabelle {
public:
    // Reads a file: a text table (UTF-8 with or without byte-order mark,
    // UTF-16 with byte-order mark, else Latin-1) or a workbook, whose sheet
    // is the one named or the first that holds data. Raises error 53
    // (missing), 75 (not readable or no table) or 7 (too large) with a
    // German description naming the file.
    static Tabelle ausDatei(const QString& path, const QString& blatt = QString());
    static Tabelle ausBytes(const QByteArray& bytes, const QString& blatt = QString());

    // "UTF-8", "UTF-16", "Latin-1", or the kind of workbook.
    QString zeichensatz() const { return m_zeichensatz; }
    bool istArbeitsmappe() const { return m_mappe; }
    QStringList blätter() const { return m_blätter; }
    QString blatt() const { return m_blatt; }
    // The same workbook with another of its sheets.
    Tabelle mitBlatt(const QString& blatt) const;

    // The way the table most likely is read; the decimal separator stays
    // Unbestimmt when both readings are possible and give other numbers.
    // The characteristics of k name columns in a header row; a header that
    // is found is never overridden by position. A separator or header
    // choice given is kept, the rest detected with it.
    Lesart erkennen(const Kalibrierung& k, std::optional<QChar> trenner = std::nullopt,
                    std::optional<bool> kopfzeile = std::nullopt) const;
    // The decimal separator the value columns of lesart show (Unbestimmt
    // when they read two ways); erkennen asks it for the columns it found.
    Dezimal dezimalIn(const Lesart& lesart) const;
    // The header's cells (empty without a header row), one per column,
    // shortened for messages.
    QStringList kopf(const Lesart& lesart) const;
    // The first data rows as they are read.
    QVector<VorschauZeile> vorschau(const Lesart& lesart, int höchstens) const;
    // Reads the rows into fields.
    Ergebnis lesen(const Lesart& lesart) const;

private:
    static Tabelle aus(const QByteArray& bytes, const QString& blatt, const QString& shown);
    char trennzeichen(const Lesart& lesart) const;

    // UTF-8 text. A workbook's sheet is kept as rows of cells separated by
    // a control character, numeric cells marked as such.
    QByteArray m_text;
    QByteArray m_roh;
    QString m_zeichensatz;
    bool m_mappe = false;
    QStringList m_blätter;
    QString m_blatt;
    QString m_shown;
    // The separator a text file names in its first line.
    char m_sep = 0;
};

// A number as a table writes it, with the given decimal separator; the
// other separator is taken only between groups of three digits.
std::optional<double> zahl(QStringView text, Dezimal dezimal);

// Reads a column's header into what it holds (Keine when unknown): the
// words of test field and point, the characteristics' symbols and names,
// ignoring case, accents, blanks and a unit in brackets.
Spalte spalteAusKopf(const QString& kopf, const Kalibrierung& k);
QString spaltenName(Spalte spalte);
// The roles a table must have a column for, missing in lesart.
QVector<Spalte> fehlendeSpalten(const Lesart& lesart);
// "die Kovariable „Anzahl der Übergänge“ (Z)" and so on.
QString spaltenBeschreibung(Spalte spalte, const Kalibrierung& k);

// Reads "feld,kovariable,direkt,indirekt,-" into the roles of the columns;
// nullopt for an unknown word or a role named twice.
std::optional<QVector<Spalte>> spaltenAusText(const QString& text);

// Takes the result's fields and measured values into the calibration as one
// step for undo: replacing its fields, or added after them. Characteristics
// and site data stay. Raises error 5 with the reason when the result, or the
// sum, is more than a calibration holds.
void übernehmen(Kalibrierung& k, const Ergebnis& ergebnis, bool anhängen = false);
// Whether the calibration holds a measured value.
bool hatMesswerte(const Kalibrierung& k);
// Why the result cannot be taken in that way ("" when it can).
QString hindernisFür(const Kalibrierung& k, const Ergebnis& ergebnis, bool anhängen);

} // namespace MesswertImport
