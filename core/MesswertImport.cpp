#include "MesswertImport.h"

#include "Kalibrierung.h"
#include "MappeLesen.h"
#include "Protokolldaten.h"
#include "Pruefmerkmal.h"

#include "Conversion.h"
#include "NumberReader.h"
#include "RuntimeError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLocale>
#include <QStringDecoder>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <string>
#include <string_view>
#include <vector>

namespace MesswertImport {

namespace {

using Mappe::Zahlmarke;
using Mappe::Zellentrenner;

// A count as the German texts write it: 1.000.
QString anzahl(qint64 n) {
    return QLocale(QLocale::German).toString(n);
}

// ---- numbers ---------------------------------------------------------------

// A number the calibration file keeps: it writes 15 digits, and a value that
// rounds beyond the largest double would not load again.
bool darstellbar(double value) {
    return std::isfinite(value) && std::abs(value) <= 1.79769313486231e308;
}

std::string_view getrimmt(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

// The reading of a cell that may hold a number; see zahlText.
std::optional<double> zahlGelesen(std::string_view text, Dezimal dezimal) {
    static constexpr rt::NumberSyntax komma{u',', u'.', true, true, {}};
    static constexpr rt::NumberSyntax punkt{u'.', u',', true, true, {}};
    // Read here, with the separators known: tables have many numbers.
    using Zahlleser = rt::NumberReader<std::string_view, true>;
    const auto value =
        dezimal == Dezimal::Komma ? Zahlleser(text, komma).read() : Zahlleser(text, punkt).read();
    if (!value || !darstellbar(*value))
        return std::nullopt;
    return value;
}

// A number with the given decimal separator; the other one is taken only
// between groups of three digits. An exponent as the run-time writes very
// large and very small numbers ("1E-05", "1,5E+15"). Inlined: a refusal
// returned through a call stalls on the optional's partly written bytes.
[[gnu::always_inline]] inline std::optional<double> zahlText(std::string_view text,
                                                             Dezimal dezimal) {
    // A longer cell is no number: a file of them reads in bounded time.
    constexpr size_t MaxLänge = 400;
    const std::string_view kern = getrimmt(text);
    if (dezimal == Dezimal::Unbestimmt || kern.empty() || kern.size() > MaxLänge)
        return std::nullopt;
    // A cell that cannot begin a number is answered here, where the answer
    // costs nothing: a hostile table has millions of them.
    const char erstes = kern.front();
    if (!(erstes >= '0' && erstes <= '9') && erstes != '-' && erstes != '+' &&
        erstes != (dezimal == Dezimal::Komma ? ',' : '.'))
        return std::nullopt;
    return zahlGelesen(text, dezimal);
}

// A workbook's numeric cell.
std::optional<double> markierteZahl(std::string_view cell) {
    if (cell.empty() || cell.front() != Zahlmarke)
        return std::nullopt;
    double value = 0;
    const auto r = std::from_chars(cell.data() + 1, cell.data() + cell.size(), value);
    if (r.ec != std::errc() || !darstellbar(value))
        return std::nullopt;
    return value;
}

// The text of a cell as the user sees it.
QString zellText(std::string_view cell) {
    if (const auto value = markierteZahl(cell))
        return rt::doubleToText(*value);
    return QString::fromUtf8(cell.data(), qsizetype(cell.size()));
}

// A cell's text as a message quotes it: no control characters, and a long
// one shortened.
QString zitat(const QString& text) {
    constexpr int Länge = 40;
    QString clean = rt::withoutControls(text);
    // Direction marks would turn the message's own text around.
    clean.removeIf([](QChar c) {
        const char16_t u = c.unicode();
        return u == 0x061C || u == 0x200E || u == 0x200F || (u >= 0x202A && u <= 0x202E) ||
               (u >= 0x2066 && u <= 0x2069);
    });
    return clean.size() > Länge ? clean.left(Länge) + QStringLiteral("…") : clean;
}
QString zitat(std::string_view cell) {
    return zitat(zellText(cell.substr(0, 200)));
}

// ---- rows ------------------------------------------------------------------

struct Datensatz {
    // The line it begins on (from 1); the cells split, all of them counted;
    // the last non-empty one's position + 1.
    int zeile = 0;
    int anzahl = 0;
    int ausdehnung = 0;
    std::array<std::string_view, MaxSpalten + 1> zellen{};
    std::string_view zelle(int c) const {
        return c >= 0 && c < std::min(anzahl, MaxSpalten + 1) ? zellen[size_t(c)]
                                                              : std::string_view();
    }
};

// Splits a text into rows of cells: a cell in double quotes may hold the
// separator and line breaks, "" in it is one quote. Stops at a line longer
// than MaxZeilenlänge and at a quote that is never closed.
class Leser {
public:
    Leser(const QByteArray& text, char trenner, bool anführung)
        : m_p(text.constData()), m_end(text.constData() + text.size()), m_trenner(trenner),
          m_anführung(anführung) {}

    bool nächster(Datensatz& d);
    // The line that was too long, or where an open quote began; 0 if none.
    int zuLang = 0;
    int offen = 0;

private:
    struct Ref {
        std::string_view view;
        bool puffer = false;
        size_t anfang = 0, länge = 0;
    };
    void leerzeilen();
    bool zelle(const char*& p, const char* zeilenAnfang, int zeile, Ref& ref);
    bool zitierteZelle(const char*& p, const char* zeilenAnfang, int zeile, Ref& ref);
    const char* zellenEnde(const char* p) const;
    std::string_view text(const Ref& ref) const;

    const char* m_p;
    const char* m_end;
    char m_trenner;
    bool m_anführung;
    int m_zeile = 1;
    std::string m_puffer;
    std::array<Ref, MaxSpalten + 1> m_refs{};
};

bool Leser::nächster(Datensatz& d) {
    if (m_p >= m_end || zuLang || offen)
        return false;
    d.zeile = m_zeile;
    d.anzahl = 0;
    d.ausdehnung = 0;
    m_puffer.clear();
    // Empty lines in a row are one empty row: millions of them cost little.
    if (*m_p == '\n' || *m_p == '\r') {
        leerzeilen();
        d.anzahl = 1;
        return true;
    }
    // A row is at most MaxZeilenlänge long, also one whose quoted cells
    // span lines.
    const char* zeilenAnfang = m_p;
    const char* p = m_p;
    for (;;) {
        Ref ref;
        if (!zelle(p, zeilenAnfang, d.zeile, ref))
            return false;
        if (d.anzahl <= MaxSpalten)
            m_refs[size_t(d.anzahl)] = ref;
        ++d.anzahl;
        if (!getrimmt(text(ref)).empty())
            d.ausdehnung = d.anzahl;
        if (p < m_end && *p == m_trenner) {
            ++p;
            continue;
        }
        if (p < m_end && *p == '\r')
            ++p;
        if (p < m_end && *p == '\n')
            ++p;
        ++m_zeile;
        break;
    }
    m_p = p;
    const int n = std::min(d.anzahl, MaxSpalten + 1);
    for (int c = 0; c < n; ++c)
        d.zellen[size_t(c)] = getrimmt(text(m_refs[size_t(c)]));
    return true;
}

void Leser::leerzeilen() {
    const char* p = m_p;
    while (p < m_end && (*p == '\n' || *p == '\r')) {
        if (*p == '\r' && p + 1 < m_end && p[1] == '\n')
            ++p;
        ++p;
        ++m_zeile;
    }
    m_p = p;
}

// The cell at p, p then at what follows it; false at a limit.
bool Leser::zelle(const char*& p, const char* zeilenAnfang, int zeile, Ref& ref) {
    const char* start = p;
    while (p < m_end && *p == ' ')
        ++p;
    if (m_anführung && p < m_end && *p == '"') {
        if (!zitierteZelle(p, zeilenAnfang, zeile, ref))
            return false;
    } else {
        const char* q = zellenEnde(p);
        ref.view = getrimmt(std::string_view(start, size_t(q - start)));
        p = q;
    }
    if (p - zeilenAnfang > MaxZeilenlänge) {
        zuLang = zeile;
        return false;
    }
    return true;
}

// A cell from its opening quote on, its text into the buffer.
bool Leser::zitierteZelle(const char*& p, const char* zeilenAnfang, int zeile, Ref& ref) {
    ++p;
    ref.puffer = true;
    ref.anfang = m_puffer.size();
    bool geschlossen = false;
    while (p < m_end) {
        const char* q = p;
        while (q < m_end && *q != '"' && *q != '\n' && *q != '\r')
            ++q;
        if (q - zeilenAnfang > MaxZeilenlänge) {
            zuLang = zeile;
            return false;
        }
        m_puffer.append(p, q);
        if (q >= m_end) {
            p = q;
            break;
        }
        if (*q == '\n' || *q == '\r') {
            // A line break in the cell, counted once also as CR LF.
            m_puffer += '\n';
            ++m_zeile;
            p = *q == '\r' && q + 1 < m_end && q[1] == '\n' ? q + 2 : q + 1;
        } else if (q + 1 < m_end && q[1] == '"') {
            m_puffer += '"';
            p = q + 2;
        } else {
            p = q + 1;
            geschlossen = true;
            break;
        }
    }
    if (!geschlossen) {
        offen = zeile;
        return false;
    }
    // What follows the closing quote up to the separator is text too.
    const char* q = zellenEnde(p);
    m_puffer.append(p, q);
    p = q;
    ref.länge = m_puffer.size() - ref.anfang;
    return true;
}

const char* Leser::zellenEnde(const char* p) const {
    while (p < m_end && *p != m_trenner && *p != '\n' && *p != '\r')
        ++p;
    return p;
}

std::string_view Leser::text(const Ref& ref) const {
    return ref.puffer ? std::string_view(m_puffer).substr(ref.anfang, ref.länge) : ref.view;
}

// Where a table ends: rows after an empty line belong to it only when a row
// with a readable measured value follows, so that a gap between fields
// drops nothing and what follows the table (a note, the export's results
// block) is not read.
class Tabellenende {
public:
    void leerzeile() { m_nachLeerzeile = m_daten; }
    // A row of data: whether it waits for such a row. bestätigt() then says
    // whether this row ended a wait, so that the rows waiting belong.
    bool wartet(int zeile, bool messwert) {
        m_daten = true;
        const bool wartet = !messwert && (m_ab > 0 || m_nachLeerzeile);
        m_nachLeerzeile = false;
        m_bestätigt = !wartet && m_ab > 0;
        if (!wartet)
            m_ab = 0;
        else if (m_ab == 0)
            m_ab = zeile;
        return wartet;
    }
    bool bestätigt() const { return m_bestätigt; }
    // The first row still waiting (the table ends before it); 0 if none.
    int ab() const { return m_ab; }
    bool daten() const { return m_daten; }

private:
    bool m_daten = false;
    bool m_nachLeerzeile = false;
    bool m_bestätigt = false;
    int m_ab = 0;
};

// Why the reader stopped before the end; "" when it did not.
QString leseGrenze(const Leser& leser) {
    if (leser.zuLang)
        return QStringLiteral("Die Zeile %1 ist länger als %2 MB; die Datei ist keine "
                              "Messwerttabelle.")
            .arg(leser.zuLang)
            .arg(MaxZeilenlänge / (1024 * 1024));
    if (leser.offen)
        return QStringLiteral("Das Anführungszeichen am Anfang einer Zelle in Zeile %1 wird bis "
                              "zum Ende der Datei nicht geschlossen.")
            .arg(leser.offen);
    return QString();
}

// A row kept beyond the next one: its cells copied.
struct Probe {
    int zeile = 0;
    int anzahl = 0;
    int ausdehnung = 0;
    std::vector<std::string> zellen;
    std::string_view zelle(int c) const {
        return c >= 0 && size_t(c) < zellen.size() ? std::string_view(zellen[size_t(c)])
                                                   : std::string_view();
    }
};

// The first non-empty rows.
std::vector<Probe> proben(const QByteArray& text, char trenner, bool anführung, int höchstens) {
    std::vector<Probe> rows;
    Leser leser(text, trenner, anführung);
    Datensatz d;
    while (int(rows.size()) < höchstens && leser.nächster(d)) {
        if (d.ausdehnung == 0)
            continue;
        Probe p{d.zeile, d.anzahl, d.ausdehnung, {}};
        for (int c = 0; c < std::min(d.anzahl, MaxSpalten + 1); ++c)
            p.zellen.emplace_back(d.zelle(c));
        rows.push_back(std::move(p));
    }
    return rows;
}

bool istZahl(std::string_view cell) {
    return markierteZahl(cell) || zahlText(cell, Dezimal::Komma) || zahlText(cell, Dezimal::Punkt);
}

// The separator of a text table: tab, then semicolon, when it splits nearly
// every one of the first rows (a comma in them may be a decimal comma);
// else the one that splits them into the same number of cells most often.
char trennerIn(const QByteArray& text) {
    for (const char kandidat : {'\t', ';'}) {
        const std::vector<Probe> rows = proben(text, kandidat, true, 50);
        const auto geteilt =
            std::count_if(rows.begin(), rows.end(), [](const Probe& p) { return p.anzahl > 1; });
        if (!rows.empty() && geteilt * 10 >= qsizetype(rows.size()) * 9)
            return kandidat;
    }
    char best = ';';
    int score = 0;
    for (const char kandidat : {'\t', ';', ','}) {
        QHash<int, int> häufigkeit;
        for (const Probe& p : proben(text, kandidat, true, 50))
            if (p.anzahl > 1)
                ++häufigkeit[p.anzahl];
        int s = 0;
        for (const int h : häufigkeit)
            s = std::max(s, h);
        if (s > score) {
            score = s;
            best = kandidat;
        }
    }
    return best;
}

// The first row is a header when one of its cells is no number in a column
// whose cells below are numbers (the next row's, or most of them).
bool kopfzeileIn(const std::vector<Probe>& rows) {
    if (rows.empty())
        return false;
    const Probe& erste = rows.front();
    // A row of numbers with a gap ("1;2;n.b.;36,6") is data.
    int zahlen = 0, texte = 0;
    for (int c = 0; c < erste.ausdehnung; ++c)
        if (!erste.zelle(c).empty())
            ++(istZahl(erste.zelle(c)) ? zahlen : texte);
    if (zahlen >= texte)
        return false;
    if (rows.size() == 1) {
        for (int c = 0; c < erste.ausdehnung; ++c)
            if (!erste.zelle(c).empty() && !istZahl(erste.zelle(c)))
                return true;
        return false;
    }
    for (int c = 0; c < erste.ausdehnung; ++c) {
        if (erste.zelle(c).empty() || istZahl(erste.zelle(c)))
            continue;
        int zahlenInSpalte = 0, belegt = 0;
        for (size_t r = 1; r < rows.size(); ++r) {
            const std::string_view cell = rows[r].zelle(c);
            if (cell.empty())
                continue;
            ++belegt;
            zahlenInSpalte += istZahl(cell) ? 1 : 0;
        }
        if ((belegt > 0 && 2 * zahlenInSpalte > belegt) || istZahl(rows[1].zelle(c)))
            return true;
    }
    return false;
}

// The columns of a table without header: the most frequent width of its
// first rows (the wider on a tie).
int spaltenzahlIn(const std::vector<Probe>& rows) {
    QHash<int, int> häufigkeit;
    for (const Probe& p : rows)
        ++häufigkeit[p.ausdehnung];
    int best = 0, score = 0;
    for (auto it = häufigkeit.cbegin(); it != häufigkeit.cend(); ++it)
        if (it.value() > score || (it.value() == score && it.key() > best)) {
            best = it.key();
            score = it.value();
        }
    return best;
}

// Alike to 15 digits.
bool gleich(double a, double b) {
    return a == b || std::abs(a - b) <= 5e-15 * std::max(std::abs(a), std::abs(b));
}

bool wert(Spalte s) {
    return s == Spalte::Kovariable || s == Spalte::Direkt || s == Spalte::Indirekt;
}

int spalteVon(const Lesart& lesart, Spalte s) {
    return int(lesart.spalten.indexOf(s));
}

// ---- header words ----------------------------------------------------------

// A header as it is compared: lower case, without a unit in brackets or
// parentheses, umlauts and accents folded ("Ü", "Ue" and "U" alike), words
// separated by one blank.
QString normiert(const QString& text) {
    QString ohneEinheit;
    int tiefe = 0;
    for (const QChar c : text) {
        if (c == u'[' || c == u'(') {
            ++tiefe;
        } else if (c == u']' || c == u')') {
            tiefe = std::max(0, tiefe - 1);
            ohneEinheit += u' ';
        } else if (tiefe == 0) {
            ohneEinheit += c;
        }
    }
    QString s = ohneEinheit.toLower();
    s.replace(u'ß', QStringLiteral("ss"));
    s = s.normalized(QString::NormalizationForm_D);
    QString folded;
    for (const QChar c : s)
        if (c.category() != QChar::Mark_NonSpacing)
            folded += c;
    folded.replace(QStringLiteral("ae"), QStringLiteral("a"));
    folded.replace(QStringLiteral("oe"), QStringLiteral("o"));
    folded.replace(QStringLiteral("ue"), QStringLiteral("u"));
    QString out;
    bool blank = false;
    for (const QChar c : folded) {
        if (c.isLetterOrNumber()) {
            if (blank && !out.isEmpty())
                out += u' ';
            blank = false;
            out += c;
        } else {
            blank = true;
        }
    }
    return out;
}

const QStringList& feldWörter() {
    static const QStringList w = {QStringLiteral("pruffeld"),
                                  QStringLiteral("feld"),
                                  QStringLiteral("versuchsfeld"),
                                  QStringLiteral("pruffeld nr"),
                                  QStringLiteral("feld nr"),
                                  QStringLiteral("versuchsfeld nr"),
                                  QStringLiteral("pruffelder"),
                                  QStringLiteral("testfeld"),
                                  QStringLiteral("pruffeldnummer"),
                                  QStringLiteral("feldnummer"),
                                  QStringLiteral("versuchsfeldnummer"),
                                  QStringLiteral("pruffeld nummer"),
                                  QStringLiteral("feld nummer"),
                                  QStringLiteral("pruffeldnr"),
                                  QStringLiteral("feldnr")};
    return w;
}
const QStringList& punktWörter() {
    static const QStringList w = {QStringLiteral("prufpunkt"),
                                  QStringLiteral("punkt"),
                                  QStringLiteral("nr"),
                                  QStringLiteral("prufpunkt nr"),
                                  QStringLiteral("punkt nr"),
                                  QStringLiteral("lfd nr"),
                                  QStringLiteral("messpunkt"),
                                  QStringLiteral("messpunkt nr"),
                                  QStringLiteral("prufpunktnummer"),
                                  QStringLiteral("punktnummer"),
                                  QStringLiteral("nummer"),
                                  QStringLiteral("prufpunkt nummer"),
                                  QStringLiteral("prufpunktnr"),
                                  QStringLiteral("punktnr")};
    return w;
}

struct Merkmal {
    Spalte spalte;
    QString zeichen;
    QString name;
    QStringList wörter;
};

std::array<Merkmal, 3> merkmale(const Kalibrierung& k) {
    std::array<Merkmal, 3> m = {Merkmal{Spalte::Kovariable, {}, {}, {}},
                                Merkmal{Spalte::Direkt, {}, {}, {}},
                                Merkmal{Spalte::Indirekt, {}, {}, {}}};
    const Prüfmerkmal* quelle[] = {&k.Kovariable(), &k.DirektesPrüfmerkmal(),
                                   &k.IndirektesPrüfmerkmal()};
    for (size_t i = 0; i < m.size(); ++i) {
        rt::SkipErrors skip;
        skip([&] {
            m[i].zeichen = normiert(quelle[i]->Formelzeichen());
            m[i].name = normiert(quelle[i]->Name());
        });
        m[i].wörter = m[i].name.split(u' ', Qt::SkipEmptyParts);
    }
    return m;
}

} // namespace

int Ergebnis::punkte() const {
    int n = 0;
    for (const Feld& f : felder)
        n += int(f.punkte.size());
    return n;
}

std::optional<double> zahl(QStringView text, Dezimal dezimal) {
    const QByteArray utf8 = text.trimmed().toUtf8();
    return zahlText(std::string_view(utf8.constData(), size_t(utf8.size())), dezimal);
}

namespace {

// What a header names and how surely: 2 when the whole header is a word of
// the role, a symbol or a name; 1 when it only holds one.
std::pair<Spalte, int> rolleAusKopf(const QString& kopf, const Kalibrierung& k) {
    const QString h = normiert(kopf);
    if (h.isEmpty())
        return {Spalte::Keine, 0};
    if (feldWörter().contains(h))
        return {Spalte::Prüffeld, 2};
    if (punktWörter().contains(h))
        return {Spalte::Prüfpunkt, 2};
    const QStringList wörter = h.split(u' ');
    auto hat = [&](std::initializer_list<const char*> ws) {
        return std::any_of(ws.begin(), ws.end(),
                           [&](const char* w) { return wörter.contains(QLatin1String(w)); });
    };
    // The export's headers ("Direktes Prüfmerkmal: …") and plain words.
    const int sicher = wörter.size() == 1 || hat({"prufmerkmal"}) ? 2 : 1;
    if (hat({"indirekt", "indirektes", "indirekter"}))
        return {Spalte::Indirekt, sicher};
    if (hat({"direkt", "direktes", "direkter"}))
        return {Spalte::Direkt, sicher};
    if (hat({"kovariable"}))
        return {Spalte::Kovariable, sicher};
    const std::array<Merkmal, 3> m = merkmale(k);
    // The header is a symbol or a name.
    QVector<Spalte> genau;
    for (const Merkmal& x : m)
        if ((!x.zeichen.isEmpty() && h == x.zeichen) || (!x.name.isEmpty() && h == x.name) ||
            (!x.name.isEmpty() && h == x.name + u' ' + x.zeichen))
            genau.append(x.spalte);
    if (genau.size() == 1)
        return {genau.first(), 2};
    if (genau.size() > 1)
        return {Spalte::Keine, 0};
    // The header holds a symbol, a name, or a word of one name that no other
    // characteristic's name or symbol holds.
    QVector<Spalte> treffer;
    const QString gerahmt = u' ' + h + u' ';
    for (const Merkmal& x : m) {
        bool passt = (!x.zeichen.isEmpty() && gerahmt.contains(u' ' + x.zeichen + u' ')) ||
                     (!x.name.isEmpty() && gerahmt.contains(u' ' + x.name + u' '));
        // A single word of the name names only the covariable ("Übergänge");
        // the characteristics are named by symbol or whole name, so that
        // "Statischer Verformungsmodul Ev2" is not EVD.
        for (const QString& w : x.wörter) {
            if (passt || x.spalte != Spalte::Kovariable || w.size() < 4 || !wörter.contains(w))
                continue;
            const bool eindeutig = std::none_of(m.begin(), m.end(), [&](const Merkmal& y) {
                return y.spalte != x.spalte && (y.wörter.contains(w) || y.zeichen == w);
            });
            passt = eindeutig;
        }
        if (passt)
            treffer.append(x.spalte);
    }
    return treffer.size() == 1 ? std::pair{treffer.first(), 1} : std::pair{Spalte::Keine, 0};
}

} // namespace

Spalte spalteAusKopf(const QString& kopf, const Kalibrierung& k) {
    return rolleAusKopf(kopf, k).first;
}

QString spaltenName(Spalte spalte) {
    switch (spalte) {
    case Spalte::Prüffeld:
        return QStringLiteral("Prüffeld");
    case Spalte::Prüfpunkt:
        return QStringLiteral("Prüfpunkt (nicht gelesen)");
    case Spalte::Kovariable:
        return QStringLiteral("Kovariable");
    case Spalte::Direkt:
        return QStringLiteral("direktes Prüfmerkmal");
    case Spalte::Indirekt:
        return QStringLiteral("indirektes Prüfmerkmal");
    case Spalte::Keine:
        break;
    }
    return QStringLiteral("nicht lesen");
}

QVector<Spalte> fehlendeSpalten(const Lesart& lesart) {
    QVector<Spalte> fehlend;
    for (const Spalte s : {Spalte::Kovariable, Spalte::Direkt, Spalte::Indirekt})
        if (!lesart.spalten.contains(s))
            fehlend.append(s);
    return fehlend;
}

QString spaltenBeschreibung(Spalte spalte, const Kalibrierung& k) {
    const Prüfmerkmal* m = nullptr;
    QString art;
    switch (spalte) {
    case Spalte::Kovariable:
        m = &k.Kovariable();
        art = QStringLiteral("die Kovariable");
        break;
    case Spalte::Direkt:
        m = &k.DirektesPrüfmerkmal();
        art = QStringLiteral("das direkte Prüfmerkmal");
        break;
    case Spalte::Indirekt:
        m = &k.IndirektesPrüfmerkmal();
        art = QStringLiteral("das indirekte Prüfmerkmal");
        break;
    default:
        return QStringLiteral("„%1“").arg(spaltenName(spalte));
    }
    QString name, zeichen;
    rt::SkipErrors skip;
    skip([&] {
        name = m->Name().trimmed();
        zeichen = m->Formelzeichen().trimmed();
    });
    if (!name.isEmpty())
        art += QStringLiteral(" „%1“").arg(zitat(name));
    if (!zeichen.isEmpty())
        art += QStringLiteral(" (%1)").arg(zitat(zeichen));
    return art;
}

std::optional<QVector<Spalte>> spaltenAusText(const QString& text) {
    QVector<Spalte> spalten;
    for (const QString& teil : text.split(u',')) {
        const QString w = normiert(teil);
        if (w.isEmpty() || teil.trimmed() == u"-")
            spalten.append(Spalte::Keine);
        else if (w == u"feld" || w == u"pruffeld")
            spalten.append(Spalte::Prüffeld);
        else if (w == u"punkt" || w == u"prufpunkt")
            spalten.append(Spalte::Prüfpunkt);
        else if (w == u"kovariable")
            spalten.append(Spalte::Kovariable);
        else if (w == u"direkt")
            spalten.append(Spalte::Direkt);
        else if (w == u"indirekt")
            spalten.append(Spalte::Indirekt);
        else
            return std::nullopt;
    }
    if (spalten.size() > MaxSpalten)
        return std::nullopt;
    // A role belongs to one column.
    for (qsizetype i = 0; i < spalten.size(); ++i)
        if (spalten[i] != Spalte::Keine && spalten[i] != Spalte::Prüfpunkt &&
            spalten.indexOf(spalten[i]) < i)
            return std::nullopt;
    return spalten;
}

// ---- the file ----------------------------------------------------------------

namespace {

[[noreturn]] void keineTabelle(const QString& shown) {
    rt::raiseError(rt::err::PathFileAccessError,
                   QStringLiteral("Die Datei „%1“ ist weder eine Texttabelle (CSV, TXT) noch eine "
                                  "Arbeitsmappe (.xlsx, .ods) und kann nicht importiert werden.")
                       .arg(shown));
}

// The UTF-8 sequences of a text that are right and wrong.
struct Utf8Befund {
    qint64 richtig = 0, falsch = 0;
};
Utf8Befund utf8Befund(const QByteArray& bytes) {
    Utf8Befund befund;
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
    const auto* end = p + bytes.size();
    while (p < end) {
        if (*p < 0x80) {
            ++p;
            continue;
        }
        int folge = 0;
        unsigned cp = 0;
        if ((*p & 0xE0) == 0xC0) {
            folge = 1;
            cp = *p & 0x1F;
        } else if ((*p & 0xF0) == 0xE0) {
            folge = 2;
            cp = *p & 0x0F;
        } else if ((*p & 0xF8) == 0xF0) {
            folge = 3;
            cp = *p & 0x07;
        }
        bool gut = folge > 0 && end - p > folge;
        for (int i = 1; gut && i <= folge; ++i) {
            gut = (p[i] & 0xC0) == 0x80;
            cp = (cp << 6) | (p[i] & 0x3F);
        }
        static constexpr unsigned kleinste[] = {0, 0x80, 0x800, 0x10000};
        gut = gut && cp >= kleinste[folge] && cp <= 0x10FFFF && (cp < 0xD800 || cp > 0xDFFF);
        if (gut) {
            ++befund.richtig;
            p += folge + 1;
        } else {
            ++befund.falsch;
            ++p;
        }
    }
    return befund;
}
bool gültigesUtf8(const QByteArray& bytes) {
    return utf8Befund(bytes).falsch == 0;
}

// Text with NUL bytes or many control characters is no table.
bool siehtBinärAus(const QByteArray& utf8) {
    if (utf8.contains('\0'))
        return true;
    const qsizetype n = std::min<qsizetype>(utf8.size(), 65536);
    qsizetype steuer = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        if ((c < 0x20 && c != '\t' && c != '\n' && c != '\r' && c != '\f' && c != 0x1A) ||
            c == 0x7F)
            ++steuer;
    }
    return steuer * 100 > n;
}

// UTF-16 without byte-order mark shows as every other byte being NUL.
bool nullenBei(const QByteArray& bytes, int versatz) {
    const qsizetype n = std::min<qsizetype>(bytes.size() & ~qsizetype(1), 512);
    if (n < 4)
        return false;
    for (qsizetype i = 0; i < n; i += 2)
        if (bytes[i + versatz] != '\0' || bytes[i + 1 - versatz] == '\0')
            return false;
    return true;
}

// A text file's bytes as UTF-8, and the encoding they are read in.
struct Textinhalt {
    QByteArray utf8;
    QString zeichensatz;
};

Textinhalt alsUtf8(const QByteArray& bytes, const QString& shown) {
    auto utf16 = [&](QStringDecoder::Encoding encoding, qsizetype skip) {
        QStringDecoder decoder(encoding, QStringDecoder::Flag::Stateless);
        const QString text = decoder(QByteArrayView(bytes.constData() + skip, bytes.size() - skip));
        if (decoder.hasError())
            keineTabelle(shown);
        return Textinhalt{text.toUtf8(), QStringLiteral("UTF-16")};
    };
    if (bytes.startsWith("\xFF\xFE"))
        return utf16(QStringDecoder::Utf16LE, 2);
    if (bytes.startsWith("\xFE\xFF"))
        return utf16(QStringDecoder::Utf16BE, 2);
    if (nullenBei(bytes, 1))
        return utf16(QStringDecoder::Utf16LE, 0);
    if (nullenBei(bytes, 0))
        return utf16(QStringDecoder::Utf16BE, 0);
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        // The mark says UTF-8: a broken sequence is a replacement character,
        // not a reason to read the file as Latin-1.
        QByteArray text = bytes.mid(3);
        if (!gültigesUtf8(text))
            text = QString::fromUtf8(text).toUtf8();
        return {text, QStringLiteral("UTF-8")};
    }
    if (const Utf8Befund befund = utf8Befund(bytes);
        befund.falsch == 0 || befund.richtig > befund.falsch) {
        // UTF-8, also with a stray byte of another encoding in a remark: the
        // rest (the header's umlauts) is read as written.
        return {befund.falsch == 0 ? bytes : QString::fromUtf8(bytes).toUtf8(),
                QStringLiteral("UTF-8")};
    }
    // Not UTF-8: the single-byte encoding of older Windows programs.
    return {QString::fromLatin1(bytes).toUtf8(), QStringLiteral("Latin-1")};
}

} // namespace

Tabelle Tabelle::ausDatei(const QString& path, const QString& blatt) {
    const QString shown = QDir::toNativeSeparators(path);
    const QFileInfo info(path);
    if (!info.exists())
        rt::raiseError(rt::err::FileNotFound,
                       QStringLiteral("Die Datei „%1“ wurde nicht gefunden.").arg(shown));
    QFile file(path);
    if (!info.isFile())
        rt::raiseError(rt::err::PathFileAccessError,
                       QStringLiteral("„%1“ ist keine gewöhnliche Datei.").arg(shown));
    errno = 0;
    if (!file.open(QIODevice::ReadOnly))
        rt::raiseError(rt::err::PathFileAccessError,
                       QStringLiteral("Die Datei „%1“ kann nicht gelesen werden: %2")
                           .arg(shown, rt::fileErrorText(file.errorString())));
    auto zuGroß = [&] {
        rt::raiseError(rt::err::OutOfMemory,
                       QStringLiteral("Die Datei „%1“ ist größer als %2 MB und daher keine "
                                      "Messwerttabelle.")
                           .arg(shown)
                           .arg(Kalibrierung::MaxDateigröße / (1024 * 1024)));
    };
    if (file.size() > Kalibrierung::MaxDateigröße)
        zuGroß();
    const QByteArray bytes = file.read(Kalibrierung::MaxDateigröße + 1);
    if (file.error() != QFileDevice::NoError)
        rt::raiseError(rt::err::PathFileAccessError,
                       QStringLiteral("Die Datei „%1“ kann nicht gelesen werden: %2")
                           .arg(shown, rt::fileErrorText(file.errorString())));
    if (bytes.size() > Kalibrierung::MaxDateigröße)
        zuGroß();
    return aus(bytes, blatt, shown);
}

Tabelle Tabelle::ausBytes(const QByteArray& bytes, const QString& blatt) {
    return aus(bytes, blatt, QStringLiteral("Eingabe"));
}

Tabelle Tabelle::aus(const QByteArray& bytes, const QString& blatt, const QString& shown) {
    Tabelle t;
    switch (Mappe::artVon(bytes)) {
    case Mappe::Art::Zip: {
        Mappe::Inhalt inhalt = Mappe::lesen(bytes, blatt, shown);
        t.m_mappe = true;
        t.m_roh = bytes;
        t.m_shown = shown;
        t.m_zeichensatz = inhalt.art;
        t.m_blätter = inhalt.blätter;
        t.m_blatt = inhalt.blatt;
        t.m_text = std::move(inhalt.text);
        return t;
    }
    case Mappe::Art::AltesOffice:
        rt::raiseError(
            rt::err::PathFileAccessError,
            QStringLiteral("Die Datei „%1“ hat ein altes Office-Format (zum Beispiel eine "
                           "Excel-Arbeitsmappe .xls), das nicht gelesen wird. Speichern "
                           "Sie sie als .xlsx, .ods oder CSV-Datei und importieren Sie "
                           "diese.")
                .arg(shown));
    case Mappe::Art::Keine:
        break;
    }
    Textinhalt inhalt = alsUtf8(bytes, shown);
    t.m_text = std::move(inhalt.utf8);
    t.m_zeichensatz = inhalt.zeichensatz;
    // The end-of-file mark of old DOS programs.
    while (t.m_text.endsWith('\x1A'))
        t.m_text.chop(1);
    if (siehtBinärAus(t.m_text))
        keineTabelle(shown);
    // Excel's first line "sep=;" names the separator; it is no row.
    if (t.m_text.size() >= 5 && t.m_text.startsWith("sep=") &&
        (t.m_text.size() == 5 || t.m_text[5] == '\n' || t.m_text[5] == '\r')) {
        const char sep = t.m_text[4];
        if (sep == ';' || sep == ',' || sep == '\t') {
            t.m_sep = sep;
            t.m_text.replace(0, 5, "");
        }
    }
    return t;
}

Tabelle Tabelle::mitBlatt(const QString& blatt) const {
    if (!m_mappe || blatt.normalized(QString::NormalizationForm_C) ==
                        m_blatt.normalized(QString::NormalizationForm_C))
        return *this;
    return aus(m_roh, blatt, m_shown);
}

char Tabelle::trennzeichen(const Lesart& lesart) const {
    if (m_mappe)
        return Zellentrenner;
    const char16_t c = lesart.trenner.unicode();
    return c == u'\t' || c == u',' || c == u';' ? char(c) : ';';
}

// ---- how it is read ----------------------------------------------------------

namespace {

// The header names the columns; what it does not name is asked for, never
// guessed by position.
void spaltenNachKopf(const Probe& kopf, const Kalibrierung& k, Lesart& lesart) {
    QVector<std::pair<Spalte, int>> rollen;
    for (int c = 0; c < std::min(kopf.ausdehnung, MaxSpalten); ++c)
        rollen.append(rolleAusKopf(zellText(kopf.zelle(c)), k));
    // A role belongs to the column that names it most surely; two that name
    // it alike are asked about, never decided by their order.
    lesart.spalten.fill(Spalte::Keine, rollen.size());
    for (int c = 0; c < rollen.size(); ++c) {
        const auto [rolle, sicher] = rollen[c];
        if (rolle == Spalte::Keine)
            continue;
        QVector<int> gleich;
        bool übertroffen = false;
        for (int o = 0; o < rollen.size(); ++o)
            if (rollen[o].first == rolle) {
                übertroffen = übertroffen || rollen[o].second > sicher;
                if (rollen[o].second == sicher)
                    gleich.append(o);
            }
        if (übertroffen)
            continue;
        if (gleich.size() == 1 || rolle == Spalte::Prüfpunkt)
            lesart.spalten[c] = rolle;
        else
            lesart.doppelt.insert(rolle, gleich);
    }
}

// The export's point column counts 1, 2, 3 in each field; a table whose
// third column does not is not laid out so (decimal commas between
// comma-separated cells split it otherwise).
bool exportLayout(const std::vector<Probe>& daten) {
    std::string_view feld;
    double erwartet = 1;
    for (const Probe& p : daten) {
        std::optional<double> nr = markierteZahl(p.zelle(2));
        if (!nr)
            nr = zahlText(p.zelle(2), Dezimal::Punkt);
        if (p.zelle(0) != feld) {
            feld = p.zelle(0);
            erwartet = 1;
        }
        if (!nr || *nr != erwartet)
            return false;
        ++erwartet;
    }
    return true;
}

// Without a header, by position: the export's layout, or covariable,
// direct, indirect.
QVector<Spalte> spaltenNachLage(const std::vector<Probe>& rows) {
    const std::vector<Probe> daten(rows.begin(), rows.begin() + std::min<size_t>(rows.size(), 50));
    const int spalten = std::min(spaltenzahlIn(daten), MaxSpalten);
    using S = Spalte;
    QVector<Spalte> lage;
    if (spalten >= 5 && exportLayout(daten))
        lage = {S::Prüffeld, S::Kovariable, S::Prüfpunkt, S::Direkt, S::Indirekt};
    else if (spalten == 4)
        lage = {S::Prüffeld, S::Kovariable, S::Direkt, S::Indirekt};
    else if (spalten == 3)
        lage = {S::Kovariable, S::Direkt, S::Indirekt};
    else if (spalten == 2)
        lage = {S::Direkt, S::Indirekt};
    lage.resize(spalten, Spalte::Keine);
    return lage;
}

} // namespace

Lesart Tabelle::erkennen(const Kalibrierung& k, std::optional<QChar> trenner,
                         std::optional<bool> kopfzeile) const {
    Lesart lesart;
    if (m_mappe)
        lesart.trenner = QChar(Zellentrenner);
    else
        lesart.trenner = trenner ? *trenner : QChar(m_sep ? m_sep : trennerIn(m_text));
    const char t = trennzeichen(lesart);
    const std::vector<Probe> rows = proben(m_text, t, !m_mappe, 51);
    lesart.kopfzeile = kopfzeile ? *kopfzeile : kopfzeileIn(rows);
    for (const Spalte s : {Spalte::Kovariable, Spalte::Direkt, Spalte::Indirekt})
        lesart.namen.insert(s, spaltenBeschreibung(s, k));
    lesart.namen.insert(Spalte::Prüffeld, QStringLiteral("das Prüffeld"));
    if (lesart.kopfzeile && !rows.empty())
        spaltenNachKopf(rows.front(), k, lesart);
    else
        lesart.spalten = spaltenNachLage(rows);

    lesart.dezimal = dezimalIn(lesart);
    return lesart;
}

namespace {

// The votes of value cells for a decimal separator, per column.
struct Stimmen {
    std::vector<int> komma, punkt, beides, markiert;
    explicit Stimmen(size_t n) : komma(n), punkt(n), beides(n), markiert(n) {}
    void dazu(Stimmen& andere) {
        for (size_t c = 0; c < komma.size(); ++c) {
            komma[c] += std::exchange(andere.komma[c], 0);
            punkt[c] += std::exchange(andere.punkt[c], 0);
            beides[c] += std::exchange(andere.beides[c], 0);
            markiert[c] += std::exchange(andere.markiert[c], 0);
        }
    }
    void zählen(size_t c, std::string_view cell, bool mappe) {
        if (mappe && markierteZahl(cell)) {
            ++markiert[c];
            return;
        }
        const auto kz = zahlText(cell, Dezimal::Komma);
        const auto pz = zahlText(cell, Dezimal::Punkt);
        if (kz && !pz)
            ++komma[c];
        else if (pz && !kz)
            ++punkt[c];
        else if (kz && pz && *kz != *pz)
            ++beides[c];
    }
    Dezimal ergebnis() const {
        int k = 0, p = 0, b = 0;
        for (size_t c = 0; c < komma.size(); ++c) {
            k += komma[c];
            p += punkt[c];
            b += markiert[c] > 0 ? 0 : beides[c];
        }
        if (k > 0 && p == 0)
            return Dezimal::Komma;
        if (p > 0 && k == 0)
            return Dezimal::Punkt;
        if (k == 0 && p == 0 && b == 0)
            return Dezimal::Komma; // whole numbers only: both readings agree
        return Dezimal::Unbestimmt;
    }
};

} // namespace

Dezimal Tabelle::dezimalIn(const Lesart& lesart) const {
    // The value cells of the first rows vote: each that reads only one way
    // for it; one that reads two ways as other numbers leaves it open, but
    // not in a column of a workbook that holds numeric cells (there it is a
    // bad row, its column showing no groups).
    const int n = int(lesart.spalten.size());
    Leser leser(m_text, trennzeichen(lesart), !m_mappe);
    Datensatz d;
    bool erste = true;
    // Rows after an empty line vote only when a row with a measured value
    // follows: what ends the table (a note, a results block) does not.
    Stimmen gezählt(lesart.spalten.size()), schwebend(lesart.spalten.size());
    Tabellenende ende;
    const int direkt = int(lesart.spalten.indexOf(Spalte::Direkt));
    const int indirekt = int(lesart.spalten.indexOf(Spalte::Indirekt));
    for (int r = 0; r < 100'000 && leser.nächster(d); ++r) {
        if (d.ausdehnung == 0) {
            ende.leerzeile();
            continue;
        }
        if (std::exchange(erste, false) && lesart.kopfzeile)
            continue;
        const bool wartet =
            ende.wartet(d.zeile, istZahl(d.zelle(direkt)) || istZahl(d.zelle(indirekt)));
        if (ende.bestätigt())
            gezählt.dazu(schwebend);
        Stimmen& ziel = wartet ? schwebend : gezählt;
        for (int c = 0; c < std::min(d.anzahl, n); ++c)
            if (wert(lesart.spalten[c]))
                ziel.zählen(size_t(c), d.zelle(c), m_mappe);
    }
    return gezählt.ergebnis();
}

QStringList Tabelle::kopf(const Lesart& lesart) const {
    QStringList köpfe;
    if (!lesart.kopfzeile)
        return köpfe;
    const std::vector<Probe> rows = proben(m_text, trennzeichen(lesart), !m_mappe, 1);
    if (rows.empty())
        return köpfe;
    for (int c = 0; c < lesart.spalten.size(); ++c)
        köpfe.append(zitat(zellText(rows.front().zelle(c))));
    return köpfe;
}

QVector<VorschauZeile> Tabelle::vorschau(const Lesart& lesart, int höchstens) const {
    QVector<VorschauZeile> zeilen;
    const std::vector<Probe> rows =
        proben(m_text, trennzeichen(lesart), !m_mappe, höchstens + (lesart.kopfzeile ? 1 : 0));
    for (size_t r = lesart.kopfzeile ? 1 : 0; r < rows.size(); ++r) {
        VorschauZeile z;
        z.nummer = rows[r].zeile;
        for (int c = 0; c < lesart.spalten.size(); ++c) {
            const std::string_view cell = rows[r].zelle(c);
            if (wert(lesart.spalten[c]) && !cell.empty()) {
                auto value = markierteZahl(cell);
                if (!value)
                    value = zahlText(cell, lesart.dezimal);
                z.zellen.append(value ? rt::doubleToText(*value) : zitat(cell));
                z.fehler.append(!value && lesart.dezimal != Dezimal::Unbestimmt);
            } else {
                z.zellen.append(zitat(cell));
                z.fehler.append(false);
            }
        }
        zeilen.append(z);
    }
    return zeilen;
}

// ---- reading ---------------------------------------------------------------

namespace {

// Rows that cannot be read: the first MaxFehler with their reasons, the
// rest counted. A reason is only made for a row that is kept.
struct Fehlerliste {
    QVector<Fehler> liste;
    qint64 weitere = 0;
    template <class Grund>
    void add(int zeile, Grund&& grund) {
        if (liste.size() < MaxFehler)
            liste.append({zeile, grund()});
        else
            ++weitere;
    }
    void übernehmen(Fehlerliste& andere) {
        for (Fehler& f : andere.liste)
            add(f.zeile, [&] { return std::move(f.grund); });
        weitere += andere.weitere;
        andere.liste.clear();
        andere.weitere = 0;
    }
};

// A row read: its field and values, and what reads two ways in it.
struct Gelesen {
    int feld = 0;
    int zeile = 0;
    double direkt = 0, indirekt = 0;
};

struct Zweideutig {
    size_t gelesen = 0;
    int rolle = 0; // 0 covariable, 1 direct, 2 indirect
    QString text;
    double anders = 0;
};

// Why a table without a row below its header is not read, or one that ends
// at a limit before such a row; "" when neither. A limit after it is
// answered by the reading.
QString ohneDatenzeile(const QByteArray& text, char trenner, bool anführung, bool kopfzeile) {
    Leser leser(text, trenner, anführung);
    Datensatz d;
    int zeilen = 0;
    while (zeilen < 2 && leser.nächster(d))
        zeilen += d.ausdehnung > 0 ? 1 : 0;
    QString hindernis = leseGrenze(leser);
    if (hindernis.isEmpty() && zeilen <= (kopfzeile ? 1 : 0))
        hindernis = QStringLiteral("Die Datei enthält keine Messwerte.");
    return hindernis;
}

// Roles without a column, or named alike by several: sets why nothing is
// read and which roles they are; false when every role has its column.
bool spaltenFehlen(const Tabelle& t, const Lesart& lesart, Ergebnis& e) {
    QVector<Spalte> fehlend = fehlendeSpalten(lesart);
    // Two field columns alike: grouping by the covariable instead would
    // merge fields that share its value.
    if (lesart.doppelt.contains(Spalte::Prüffeld) && !lesart.spalten.contains(Spalte::Prüffeld))
        fehlend.prepend(Spalte::Prüffeld);
    if (fehlend.isEmpty())
        return false;
    QStringList namen;
    QStringList doppelt;
    const QStringList köpfe = t.kopf(lesart);
    for (const Spalte s : fehlend) {
        if (!lesart.doppelt.contains(s)) {
            namen.append(lesart.namen.value(s, spaltenName(s)));
            continue;
        }
        QStringList genannt;
        for (const int c : lesart.doppelt.value(s))
            genannt.append(
                QStringLiteral("„%1“ (Spalte %2)").arg(zitat(köpfe.value(c))).arg(c + 1));
        doppelt.append(
            QStringLiteral("Die Spalten %1 nennen alle %2; wählen Sie, welche es ist.")
                .arg(genannt.join(QStringLiteral(", ")), lesart.namen.value(s, spaltenName(s))));
    }
    e.ohneSpalte = fehlend;
    if (namen.isEmpty()) {
        e.hindernis = doppelt.join(u' ');
        return true;
    }
    const QString liste = namen.size() == 1
                              ? namen.first()
                              : namen.mid(0, namen.size() - 1).join(QStringLiteral(", ")) +
                                    QStringLiteral(" und ") + namen.last();
    e.hindernis = QStringLiteral("Es gibt keine Spalte für %1.").arg(liste);
    if (!doppelt.isEmpty())
        e.hindernis += u' ' + doppelt.join(u' ');
    return true;
}

// Reads the data rows, handed in in file order, into fields: a row's faults
// are checked in a fixed order and only the first is reported.
class Einleser {
public:
    Einleser(const Lesart& lesart, bool mappe);

    void leerzeile() { m_ende.leerzeile(); }
    // A row with cells below the header: the limit it passes, "" if none.
    QString zeile(const Datensatz& d);
    // After the last row, with the limit the reading stopped at in e: where
    // the table ends and the rows that cannot be read.
    void abschließen(Ergebnis& e);
    // Fields in the order their first row is read, points in row order.
    void felderIn(Ergebnis& e) const;
    bool daten() const { return m_ende.daten(); }

private:
    using Werte = std::array<std::optional<double>, 3>;
    Werte werteIn(const Datensatz& d) const;
    bool prüfen(const Datensatz& d, const Werte& werte, Fehlerliste& ziel) const;
    QByteArray schlüsselFür(std::string_view feldZelle, double kovariable) const;
    void gruppenZählen(const Datensatz& d, const Werte& werte);
    QVector<Fehler> zweifel();
    void einreihen(const QVector<Fehler>& zweifel);

    static constexpr Spalte RolleDer[3] = {Spalte::Kovariable, Spalte::Direkt, Spalte::Indirekt};
    const bool m_mappe;
    const Dezimal m_dezimal;
    const Dezimal m_andere;
    const char m_gruppe;
    const int m_feldSpalte;
    const std::array<int, 3> m_spalteDer;
    const int m_spalten;
    int m_nötig = 0;

    Fehlerliste m_fehler;
    // The bad rows that wait for the table to go on.
    Fehlerliste m_schwebend;
    Tabellenende m_ende;
    std::vector<Gelesen> m_gelesen;
    std::vector<double> m_kovariable; // per field
    std::vector<Zweideutig> m_zweideutig;
    // Per value column: the numbers read, and those written with groups.
    int m_zahlen[3] = {0, 0, 0};
    int m_gruppiert[3] = {0, 0, 0};
    QHash<QByteArray, int> m_felder;
    QStringList m_feldSchlüssel;
    // Per row read: dropped as reading two ways.
    std::vector<bool> m_verworfen;
};

Einleser::Einleser(const Lesart& lesart, bool mappe)
    : m_mappe(mappe), m_dezimal(lesart.dezimal),
      m_andere(lesart.dezimal == Dezimal::Komma ? Dezimal::Punkt : Dezimal::Komma),
      m_gruppe(lesart.dezimal == Dezimal::Komma ? '.' : ','),
      m_feldSpalte(spalteVon(lesart, Spalte::Prüffeld)),
      m_spalteDer{spalteVon(lesart, Spalte::Kovariable), spalteVon(lesart, Spalte::Direkt),
                  spalteVon(lesart, Spalte::Indirekt)},
      m_spalten(int(lesart.spalten.size())) {
    for (const int c : m_spalteDer)
        m_nötig = std::max(m_nötig, c + 1);
    m_nötig = std::max(m_nötig, m_feldSpalte + 1);
}

QString Einleser::zeile(const Datensatz& d) {
    if (d.ausdehnung > MaxSpalten)
        return QStringLiteral("Die Zeile %1 hat mehr als %2 Spalten; so breite Tabellen werden "
                              "nicht gelesen.")
            .arg(d.zeile)
            .arg(MaxSpalten);
    const Werte werte = werteIn(d);
    const bool wartet = m_ende.wartet(d.zeile, werte[1] || werte[2]);
    if (m_ende.bestätigt())
        m_fehler.übernehmen(m_schwebend);
    Fehlerliste& ziel = wartet ? m_schwebend : m_fehler;
    if (!prüfen(d, werte, ziel))
        return QString();

    // The field: by the field column, else by the covariable's value.
    const std::string_view feldZelle = d.zelle(m_feldSpalte);
    const QByteArray schlüssel = schlüsselFür(feldZelle, *werte[0]);
    auto it = m_felder.constFind(schlüssel);
    if (it == m_felder.cend()) {
        if (m_felder.size() == Kalibrierung::MaxPrüffelder)
            return QStringLiteral("In Zeile %1 beginnt das %2. Prüffeld; eine Kalibrierung kann "
                                  "höchstens %3 Prüffelder aufnehmen.")
                .arg(d.zeile)
                .arg(Kalibrierung::MaxPrüffelder + 1)
                .arg(Kalibrierung::MaxPrüffelder);
        it = m_felder.insert(schlüssel, int(m_kovariable.size()));
        m_kovariable.push_back(*werte[0]);
        m_feldSchlüssel.append(m_feldSpalte >= 0 ? zellText(feldZelle).trimmed()
                                                 : rt::doubleToText(*werte[0]));
    } else if (!gleich(m_kovariable[size_t(*it)], *werte[0])) {
        const int feld = *it;
        ziel.add(d.zeile, [&] {
            return QStringLiteral("Die Kovariable %1 weicht vom Wert %2 des Prüffeldes „%3“ ab.")
                .arg(rt::doubleToText(*werte[0]), rt::doubleToText(m_kovariable[size_t(feld)]),
                     zitat(m_feldSchlüssel[feld]));
        });
        return QString();
    }
    if (m_gelesen.size() == size_t(Kalibrierung::MaxPrüfpunkte))
        return QStringLiteral("Mit Zeile %1 sind es mehr als %2 Prüfpunkte; eine Kalibrierung "
                              "kann höchstens %2 aufnehmen.")
            .arg(d.zeile)
            .arg(anzahl(Kalibrierung::MaxPrüfpunkte));
    gruppenZählen(d, werte);
    m_gelesen.push_back({*it, d.zeile, *werte[1], *werte[2]});
    return QString();
}

// The values of the row, each read with the chosen decimal separator.
Einleser::Werte Einleser::werteIn(const Datensatz& d) const {
    Werte werte;
    for (int r = 0; r < 3; ++r) {
        const std::string_view cell = d.zelle(m_spalteDer[size_t(r)]);
        werte[size_t(r)] = m_mappe ? markierteZahl(cell) : std::nullopt;
        if (!werte[size_t(r)])
            werte[size_t(r)] = zahlText(cell, m_dezimal);
    }
    return werte;
}

// The row's first fault (its columns, its field, its values) goes to ziel:
// false then.
bool Einleser::prüfen(const Datensatz& d, const Werte& werte, Fehlerliste& ziel) const {
    if (d.ausdehnung > m_spalten || d.anzahl < m_nötig) {
        const int n = d.ausdehnung > m_spalten ? d.ausdehnung : d.anzahl;
        ziel.add(d.zeile, [&] {
            return QStringLiteral("Die Zeile hat %1 statt %2 Spalten.").arg(n).arg(m_spalten);
        });
        return false;
    }
    if (m_feldSpalte >= 0 && d.zelle(m_feldSpalte).empty()) {
        ziel.add(d.zeile, [] { return QStringLiteral("Kein Prüffeld angegeben."); });
        return false;
    }
    int schlecht = -1;
    for (int r = 0; r < 3 && schlecht < 0; ++r)
        if (!werte[size_t(r)])
            schlecht = r;
    if (schlecht < 0)
        return true;
    const std::string_view cell = d.zelle(m_spalteDer[size_t(schlecht)]);
    ziel.add(d.zeile, [&] {
        if (cell.empty())
            return QStringLiteral("Kein Wert für %1.").arg(spaltenName(RolleDer[schlecht]));
        return QStringLiteral("„%1“ ist kein Zahlenwert für %2.")
            .arg(zitat(cell), spaltenName(RolleDer[schlecht]));
    });
    return false;
}

QByteArray Einleser::schlüsselFür(std::string_view feldZelle, double kovariable) const {
    if (m_feldSpalte < 0) {
        // Values alike to 15 digits (as the calibration keeps them) are one
        // field: 0.1*3 and 0.3 are.
        return QByteArray::number(kovariable, 'g', 15);
    }
    // A field written as a number is that number ("1", "1,0", "01"); a name
    // is its text without blanks around it.
    // Whole numbers only: "1.1" and "1.10" are labels of their own.
    std::optional<double> nummer = m_mappe ? markierteZahl(feldZelle) : std::nullopt;
    if (!nummer) {
        const auto gewählt = zahlText(feldZelle, m_dezimal);
        const auto anders = zahlText(feldZelle, m_andere);
        nummer = gewählt ? gewählt : anders;
        if (gewählt && anders && *gewählt != *anders)
            nummer.reset();
    }
    if (nummer && *nummer != std::floor(*nummer))
        nummer.reset();
    return nummer ? QByteArray::number(*nummer, 'g', 15)
                  : QString::fromUtf8(feldZelle.data(), qsizetype(feldZelle.size()))
                        .trimmed()
                        .toUtf8();
}

// A number that another decimal separator reads otherwise is taken only
// when its whole column is written with the same groups.
void Einleser::gruppenZählen(const Datensatz& d, const Werte& werte) {
    for (int r = 0; r < 3; ++r) {
        const std::string_view cell = d.zelle(m_spalteDer[size_t(r)]);
        if (m_mappe && markierteZahl(cell)) {
            ++m_zahlen[r];
            continue;
        }
        ++m_zahlen[r];
        if (cell.find(m_gruppe) == std::string_view::npos)
            continue;
        ++m_gruppiert[r];
        if (const auto anders = zahlText(cell, m_andere); anders && *anders != *werte[size_t(r)])
            m_zweideutig.push_back({m_gelesen.size(), r, zitat(cell), *anders});
    }
}

void Einleser::abschließen(Ergebnis& e) {
    // The table ends before rows that no measured value follows.
    if (e.hindernis.isEmpty() && m_ende.ab() > 0)
        e.endeBeiZeile = m_ende.ab();
    else
        m_fehler.übernehmen(m_schwebend);
    einreihen(zweifel());
    e.fehler = std::move(m_fehler.liste);
    e.weitereFehler = m_fehler.weitere;
}

// Rows whose numbers read two ways in a column not grouped throughout.
QVector<Fehler> Einleser::zweifel() {
    m_verworfen.assign(m_gelesen.size(), false);
    QVector<Fehler> zweifel;
    for (const Zweideutig& z : m_zweideutig) {
        if (m_zahlen[z.rolle] == m_gruppiert[z.rolle] || m_verworfen[z.gelesen])
            continue;
        m_verworfen[z.gelesen] = true;
        const Gelesen& g = m_gelesen[z.gelesen];
        const double gelesenerWert = z.rolle == 0   ? m_kovariable[size_t(g.feld)]
                                     : z.rolle == 1 ? g.direkt
                                                    : g.indirekt;
        zweifel.append(
            {g.zeile,
             QStringLiteral("„%1“ (%2) lässt sich als %3 oder als %4 lesen; die übrigen Zahlen der "
                            "Spalte zeigen nicht, welches gemeint ist.")
                 .arg(z.text, spaltenName(RolleDer[z.rolle]), rt::doubleToText(gelesenerWert),
                      rt::doubleToText(z.anders))});
    }
    return zweifel;
}

// In line order with the other faults; none beyond the last one kept.
void Einleser::einreihen(const QVector<Fehler>& zweifel) {
    if (zweifel.isEmpty())
        return;
    const int letzte = m_fehler.weitere > 0 ? m_fehler.liste.last().zeile : INT_MAX;
    for (const Fehler& f : zweifel) {
        if (f.zeile > letzte)
            ++m_fehler.weitere;
        else
            m_fehler.liste.append(f);
    }
    std::stable_sort(m_fehler.liste.begin(), m_fehler.liste.end(),
                     [](const Fehler& a, const Fehler& b) { return a.zeile < b.zeile; });
    while (m_fehler.liste.size() > MaxFehler) {
        m_fehler.liste.removeLast();
        ++m_fehler.weitere;
    }
}

void Einleser::felderIn(Ergebnis& e) const {
    std::vector<int> neu(m_kovariable.size(), -1);
    for (size_t i = 0; i < m_gelesen.size(); ++i) {
        if (m_verworfen[i])
            continue;
        const Gelesen& g = m_gelesen[i];
        int& f = neu[size_t(g.feld)];
        if (f < 0) {
            f = int(e.felder.size());
            Feld feld;
            feld.schlüssel = m_feldSchlüssel[g.feld];
            feld.kovariable = m_kovariable[size_t(g.feld)];
            e.felder.append(feld);
        }
        e.felder[f].punkte.append({g.direkt, g.indirekt});
        ++e.gelesen;
    }
}

// Why the fields read are too few for a calibration; "" when they are not.
QString mangelIn(const Ergebnis& e, bool daten) {
    if (!daten)
        return QStringLiteral("Die Datei enthält keine Messwerte.");
    if (e.gelesen == 0)
        return QStringLiteral("Die Datei enthält keine lesbaren Messwerte.");
    if (e.felder.size() < Kalibrierung::MinPrüffelder)
        return QStringLiteral("Die Messwerte ergeben %1; eine Kalibrierung braucht "
                              "mindestens %2 Prüffelder.")
            .arg(e.felder.size() == 1 ? QStringLiteral("ein Prüffeld")
                                      : QStringLiteral("%1 Prüffelder").arg(e.felder.size()))
            .arg(Kalibrierung::MinPrüffelder);
    for (const Feld& feld : e.felder)
        if (feld.punkte.size() < Kalibrierung::MinPrüfpunkte)
            return QStringLiteral("Das Prüffeld „%1“ hat %2; jedes Prüffeld braucht "
                                  "mindestens %3.")
                .arg(zitat(feld.schlüssel),
                     feld.punkte.size() == 1
                         ? QStringLiteral("1 Prüfpunkt")
                         : QStringLiteral("%1 Prüfpunkte").arg(feld.punkte.size()))
                .arg(Kalibrierung::MinPrüfpunkte);
    return QString();
}

} // namespace

Ergebnis Tabelle::lesen(const Lesart& lesart) const {
    Ergebnis e;
    e.hindernis = ohneDatenzeile(m_text, trennzeichen(lesart), !m_mappe, lesart.kopfzeile);
    if (!e.hindernis.isEmpty() || spaltenFehlen(*this, lesart, e))
        return e;
    if (lesart.dezimal == Dezimal::Unbestimmt) {
        e.hindernis = QStringLiteral("Die Zahlen der Datei lassen sich mit Dezimalkomma und mit "
                                     "Dezimalpunkt lesen. Wählen Sie das Dezimaltrennzeichen.");
        return e;
    }
    Einleser einleser(lesart, m_mappe);
    Leser leser(m_text, trennzeichen(lesart), !m_mappe);
    Datensatz d;
    bool kopfÜbersprungen = !lesart.kopfzeile;
    while (e.hindernis.isEmpty() && leser.nächster(d)) {
        if (d.ausdehnung == 0)
            einleser.leerzeile();
        else if (!kopfÜbersprungen)
            kopfÜbersprungen = true;
        else
            e.hindernis = einleser.zeile(d);
    }
    if (const QString grund = leseGrenze(leser); !grund.isEmpty())
        e.hindernis = grund;
    einleser.abschließen(e);
    if (!e.hindernis.isEmpty())
        return e;
    einleser.felderIn(e);
    e.hindernis = mangelIn(e, einleser.daten());
    return e;
}

// ---- taking it over ----------------------------------------------------------

QString hindernisFür(const Kalibrierung& k, const Ergebnis& ergebnis, bool anhängen) {
    if (!ergebnis.hindernis.isEmpty())
        return ergebnis.hindernis;
    if (!anhängen)
        return QString();
    rt::Long felder = 0, punkte = 0;
    rt::SkipErrors skip;
    skip([&] {
        felder = k.PrüffelderAnzahl();
        punkte = k.PrüfpunkteTotal();
    });
    if (felder + ergebnis.felder.size() > Kalibrierung::MaxPrüffelder)
        return QStringLiteral(
                   "Mit den %1 Prüffeldern der Kalibrierung wären es %2 Prüffelder; eine "
                   "Kalibrierung kann höchstens %3 aufnehmen.")
            .arg(felder)
            .arg(felder + ergebnis.felder.size())
            .arg(Kalibrierung::MaxPrüffelder);
    if (punkte + ergebnis.punkte() > Kalibrierung::MaxPrüfpunkte)
        return QStringLiteral("Mit den %1 Prüfpunkten der Kalibrierung wären es %2 Prüfpunkte; "
                              "eine Kalibrierung kann höchstens %3 aufnehmen.")
            .arg(anzahl(punkte), anzahl(punkte + ergebnis.punkte()),
                 anzahl(Kalibrierung::MaxPrüfpunkte));
    return QString();
}

void übernehmen(Kalibrierung& k, const Ergebnis& ergebnis, bool anhängen) {
    if (const QString hindernis = hindernisFür(k, ergebnis, anhängen); !hindernis.isEmpty())
        rt::raiseError(rt::err::InvalidProcedureCall, hindernis);
    const Kalibrierung::Bearbeitung schritt(k, anhängen ? QStringLiteral("Messwerte anhängen")
                                                        : QStringLiteral("Messwerte importieren"));
    rt::Long alt = 0;
    rt::SkipErrors skip;
    skip([&] { alt = k.PrüffelderAnzahl(); });
    const rt::Long erstes = anhängen ? alt + 1 : 1;
    // The site data of each field follow the new values where they still
    // held the old ones; those of a field that is gone are gone with it, so
    // that they never stand for a field written later.
    const Protokollangabe* jeFeld = ProtokollangabeJeFeld();
    auto feldangabeVergessen = [&](rt::Long f) {
        if (jeFeld)
            k.DataStore()->remove(ProtokollSchlüssel(*jeFeld, f));
    };
    QVector<std::optional<double>> vorher;
    if (anhängen) {
        k.setPrüffelderAnzahl(alt + ergebnis.felder.size());
    } else {
        skip([&] {
            for (rt::Long f = 1; f <= std::min<rt::Long>(alt, ergebnis.felder.size()); ++f)
                vorher.append(k.PrüffeldWert(f));
        });
        k.MessreihenEntfernen();
        k.setPrüffelderAnzahl(ergebnis.felder.size());
        for (rt::Long f = ergebnis.felder.size() + 1; f <= alt; ++f)
            feldangabeVergessen(f);
    }
    for (qsizetype i = 0; i < ergebnis.felder.size(); ++i) {
        const Feld& feld = ergebnis.felder[i];
        const rt::Long f = erstes + i;
        k.setPrüffeldPrüfpunkte(f, feld.punkte.size());
        k.setPrüffeldWert(f, feld.kovariable);
        if (f > alt)
            feldangabeVergessen(f);
        FeldangabeNachführen(k, f, vorher.value(i));
        for (qsizetype p = 0; p < feld.punkte.size(); ++p) {
            k.setMesswert(pmDirekt, f, p + 1, feld.punkte[p].first);
            k.setMesswert(pmIndirekt, f, p + 1, feld.punkte[p].second);
        }
    }
}

bool hatMesswerte(const Kalibrierung& k) {
    bool any = false;
    k.DataStore()->forEach([&](const QString& key, const rt::Variant& value) {
        if (!any && key.startsWith(QStringLiteral("Messwert ")) && !value.isEmpty() &&
            !value.toText().trimmed().isEmpty())
            any = true;
    });
    return any;
}

} // namespace MesswertImport
