#include "MesswertImport.h"

#include "Kalibrierung.h"
#include "Protokolldaten.h"
#include "Pruefmerkmal.h"

#include "Conversion.h"
#include "RuntimeError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QStringDecoder>

#include <algorithm>
#include <array>
#include <cmath>

namespace MesswertImport {

namespace {

QChar dezimalZeichen(Dezimal d) {
    return d == Dezimal::Komma ? u',' : u'.';
}

// A line split at a separator; a cell in double quotes may hold the
// separator, and "" in it is one quote.
QStringList teile(const QString& line, QChar trenner) {
    if (!line.contains(u'"'))
        return line.split(trenner);
    QStringList cells;
    QString cell;
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line[i];
        if (quoted) {
            if (c == u'"' && i + 1 < line.size() && line[i + 1] == u'"') {
                cell += u'"';
                ++i;
            } else if (c == u'"') {
                quoted = false;
            } else {
                cell += c;
            }
        } else if (c == u'"') {
            quoted = true;
        } else if (c == trenner) {
            cells.append(cell);
            cell.clear();
        } else {
            cell += c;
        }
    }
    cells.append(cell);
    return cells;
}

bool leer(const QStringList& cells) {
    return std::all_of(cells.begin(), cells.end(),
                       [](const QString& c) { return c.trimmed().isEmpty(); });
}

bool wert(Spalte s) {
    return s == Spalte::Kovariable || s == Spalte::Direkt || s == Spalte::Indirekt;
}

// A cell's text as a message quotes it: no control characters, and a long
// one shortened.
QString zitat(const QString& text) {
    constexpr int Länge = 40;
    const QString clean = rt::withoutControls(text);
    return clean.size() > Länge ? clean.left(Länge) + QStringLiteral("…") : clean;
}

// A table is read from at most this many columns; the rest of a row is left.
constexpr qsizetype MaxSpalten = 64;

int spalteVon(const Lesart& lesart, Spalte s) {
    return int(lesart.spalten.indexOf(s));
}

// Whether the first row is a header: one of its cells is no number.
bool kopfzeileIn(const QVector<Zeile>& rows) {
    if (rows.isEmpty())
        return false;
    for (const QString& cell : rows.first().zellen)
        if (!cell.trimmed().isEmpty() && !zahl(cell, Dezimal::Komma) && !zahl(cell, Dezimal::Punkt))
            return true;
    return false;
}

// The decimal separator the value columns show: each cell that reads only
// one way votes for it; a cell that reads two ways as other numbers, or
// votes for both, leave it open.
Dezimal dezimalIn(const QVector<Zeile>& rows, const Lesart& lesart) {
    int komma = 0, punkt = 0, beides = 0;
    for (qsizetype r = lesart.kopfzeile ? 1 : 0; r < rows.size(); ++r) {
        const QStringList& cells = rows[r].zellen;
        for (qsizetype c = 0; c < cells.size() && c < lesart.spalten.size(); ++c) {
            if (!wert(lesart.spalten[c]))
                continue;
            const auto k = zahl(cells[c], Dezimal::Komma);
            const auto p = zahl(cells[c], Dezimal::Punkt);
            if (k && !p)
                ++komma;
            else if (p && !k)
                ++punkt;
            else if (k && p && *k != *p)
                ++beides;
        }
    }
    if (komma > 0 && punkt == 0)
        return Dezimal::Komma;
    if (punkt > 0 && komma == 0)
        return Dezimal::Punkt;
    if (komma == 0 && punkt == 0 && beides == 0)
        return Dezimal::Komma; // whole numbers only: both readings agree
    return Dezimal::Unbestimmt;
}

// The separator that splits the first lines of the table into the same
// number of cells most often; tab before semicolon before comma.
QChar trennerIn(const QStringList& lines) {
    QStringList probe;
    for (const QString& line : lines) {
        if (line.trimmed().isEmpty()) {
            if (!probe.isEmpty())
                break;
            continue;
        }
        probe.append(line);
        if (probe.size() == 50)
            break;
    }
    QChar trenner = u';';
    int best = 0;
    for (const QChar kandidat : {QChar(u'\t'), QChar(u';'), QChar(u',')}) {
        QHash<qsizetype, int> häufigkeit;
        for (const QString& line : probe)
            if (const qsizetype n = teile(line, kandidat).size(); n > 1)
                ++häufigkeit[n];
        int score = 0;
        for (const int h : häufigkeit)
            score = std::max(score, h);
        if (score > best) {
            best = score;
            trenner = kandidat;
        }
    }
    return trenner;
}

} // namespace

int Ergebnis::punkte() const {
    int n = 0;
    for (const Feld& f : felder)
        n += int(f.punkte.size());
    return n;
}

std::optional<double> zahl(QStringView text, Dezimal dezimal) {
    if (dezimal == Dezimal::Unbestimmt)
        return std::nullopt;
    text = text.trimmed();
    const QChar punkt = dezimalZeichen(dezimal);
    const QChar gruppe = dezimal == Dezimal::Komma ? u'.' : u',';
    QByteArray plain;
    plain.reserve(text.size());
    qsizetype i = 0;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+'))
        plain += char(text[i++].unicode());
    int ganz = 0, seitGruppe = 0;
    bool gruppiert = false;
    for (; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c >= u'0' && c <= u'9') {
            plain += char(c.unicode());
            ++ganz;
            ++seitGruppe;
        } else if (c == gruppe) {
            if (ganz == 0 || seitGruppe > 3 || (gruppiert && seitGruppe != 3))
                return std::nullopt;
            gruppiert = true;
            seitGruppe = 0;
        } else {
            break;
        }
    }
    if (gruppiert && seitGruppe != 3)
        return std::nullopt;
    int bruch = 0;
    if (i < text.size() && text[i] == punkt) {
        plain += '.';
        for (++i; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i, ++bruch)
            plain += char(text[i].unicode());
        if (bruch == 0)
            return std::nullopt;
    }
    if (ganz + bruch == 0)
        return std::nullopt;
    // An exponent, as the run-time writes very large and very small numbers
    // ("1E-05", "1,5E+15").
    if (i < text.size() && (text[i] == u'E' || text[i] == u'e')) {
        plain += 'e';
        ++i;
        if (i < text.size() && (text[i] == u'-' || text[i] == u'+'))
            plain += char(text[i++].unicode());
        int stellen = 0;
        for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i, ++stellen)
            plain += char(text[i].unicode());
        if (stellen == 0)
            return std::nullopt;
    }
    if (i != text.size())
        return std::nullopt;
    bool ok = false;
    const double value = plain.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

Tabelle Tabelle::ausDatei(const QString& path) {
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
                           .arg(MaxDateigröße / (1024 * 1024)));
    };
    if (file.size() > MaxDateigröße)
        zuGroß();
    const QByteArray bytes = file.read(MaxDateigröße + 1);
    if (file.error() != QFileDevice::NoError)
        rt::raiseError(rt::err::PathFileAccessError,
                       QStringLiteral("Die Datei „%1“ kann nicht gelesen werden: %2")
                           .arg(shown, rt::fileErrorText(file.errorString())));
    if (bytes.size() > MaxDateigröße)
        zuGroß();
    return ausBytes(bytes);
}

Tabelle Tabelle::ausBytes(const QByteArray& bytes) {
    Tabelle t;
    QString text;
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        text = QString::fromUtf8(bytes.mid(3));
        t.m_zeichensatz = QStringLiteral("UTF-8");
    } else {
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        text = utf8(bytes);
        if (utf8.hasError()) {
            // Not UTF-8: the single-byte encoding of older Windows programs.
            text = QString::fromLatin1(bytes);
            t.m_zeichensatz = QStringLiteral("Latin-1");
        } else {
            t.m_zeichensatz = QStringLiteral("UTF-8");
        }
    }
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    t.m_zeilen = text.split(u'\n');
    return t;
}

QVector<Zeile> Tabelle::zeilen(QChar trenner) const {
    QVector<Zeile> rows;
    for (qsizetype i = 0; i < m_zeilen.size(); ++i) {
        if (m_zeilen[i].trimmed().isEmpty())
            continue;
        QStringList cells = teile(m_zeilen[i], trenner);
        if (!leer(cells))
            rows.append({int(i + 1), std::move(cells)});
    }
    return rows;
}

Spalte spalteAusKopf(const QString& kopf, const Kalibrierung& k) {
    const QString lower = kopf.trimmed().toLower();
    if (lower.isEmpty())
        return Spalte::Keine;
    if (lower.contains(QStringLiteral("indirekt")))
        return Spalte::Indirekt;
    if (lower.contains(QStringLiteral("direkt")))
        return Spalte::Direkt;
    if (lower.contains(QStringLiteral("prüfpunkt")) || lower.contains(QStringLiteral("punkt")))
        return Spalte::Keine;
    if (lower.contains(QStringLiteral("prüffeld")) || lower == u"feld")
        return Spalte::Prüffeld;
    if (lower.contains(QStringLiteral("kovariable")))
        return Spalte::Kovariable;
    // The characteristics' symbols as words of the header, or their names in it.
    static const QRegularExpression nichtWort(QStringLiteral("[^\\w]+"),
                                              QRegularExpression::UseUnicodePropertiesOption);
    const QStringList wörter = lower.split(nichtWort, Qt::SkipEmptyParts);
    const std::pair<Prüfmerkmal&, Spalte> merkmale[] = {
        {k.IndirektesPrüfmerkmal(), Spalte::Indirekt},
        {k.DirektesPrüfmerkmal(), Spalte::Direkt},
        {k.Kovariable(), Spalte::Kovariable}};
    for (const auto& [m, spalte] : merkmale) {
        rt::SkipErrors skip;
        bool passt = false;
        skip([&] {
            const QString zeichen = m.Formelzeichen().trimmed().toLower();
            const QString name = m.Name().trimmed().toLower();
            passt = (!zeichen.isEmpty() && wörter.contains(zeichen)) ||
                    (!name.isEmpty() && lower.contains(name));
        });
        if (passt)
            return spalte;
    }
    return Spalte::Keine;
}

QString spaltenName(Spalte spalte) {
    switch (spalte) {
    case Spalte::Prüffeld:
        return QStringLiteral("Prüffeld");
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

Lesart Tabelle::erkennen(const Kalibrierung& k, std::optional<QChar> trenner,
                         std::optional<bool> kopfzeile) const {
    Lesart lesart;
    lesart.trenner = trenner ? *trenner : trennerIn(m_zeilen);
    const QVector<Zeile> rows = zeilen(lesart.trenner);
    lesart.kopfzeile = kopfzeile ? *kopfzeile : kopfzeileIn(rows);
    qsizetype spalten = 0;
    for (const Zeile& z : rows.mid(0, 50))
        spalten = std::max(spalten, z.zellen.size());
    spalten = std::min(spalten, MaxSpalten);
    if (lesart.kopfzeile && !rows.isEmpty()) {
        for (const QString& kopf : rows.first().zellen.mid(0, spalten))
            lesart.spalten.append(spalteAusKopf(kopf, k));
        lesart.spalten.resize(spalten, Spalte::Keine);
        // Within one kind the first column counts.
        for (qsizetype i = 0; i < lesart.spalten.size(); ++i)
            if (lesart.spalten[i] != Spalte::Keine && lesart.spalten.indexOf(lesart.spalten[i]) < i)
                lesart.spalten[i] = Spalte::Keine;
    }
    const bool vollständig =
        spalteVon(lesart, Spalte::Direkt) >= 0 && spalteVon(lesart, Spalte::Indirekt) >= 0 &&
        (spalteVon(lesart, Spalte::Prüffeld) >= 0 || spalteVon(lesart, Spalte::Kovariable) >= 0);
    if (!vollständig) {
        // By position: the export's layout, or covariable, direct, indirect.
        using S = Spalte;
        if (spalten >= 5)
            lesart.spalten = {S::Prüffeld, S::Kovariable, S::Keine, S::Direkt, S::Indirekt};
        else if (spalten == 4)
            lesart.spalten = {S::Prüffeld, S::Kovariable, S::Direkt, S::Indirekt};
        else if (spalten == 3)
            lesart.spalten = {S::Kovariable, S::Direkt, S::Indirekt};
        else if (spalten == 2)
            lesart.spalten = {S::Direkt, S::Indirekt};
        else
            lesart.spalten.clear();
        lesart.spalten.resize(spalten, Spalte::Keine);
    }
    lesart.dezimal = dezimalIn(rows, lesart);
    return lesart;
}

Ergebnis Tabelle::lesen(const Lesart& lesart) const {
    Ergebnis e;
    const int feldSpalte = spalteVon(lesart, Spalte::Prüffeld);
    const int kovSpalte = spalteVon(lesart, Spalte::Kovariable);
    const int direktSpalte = spalteVon(lesart, Spalte::Direkt);
    const int indirektSpalte = spalteVon(lesart, Spalte::Indirekt);
    QVector<Zeile> rows = zeilen(lesart.trenner);
    if (rows.size() <= (lesart.kopfzeile ? 1 : 0)) {
        e.hindernis = QStringLiteral("Die Datei enthält keine Messwerte.");
        return e;
    }
    if (direktSpalte < 0 || indirektSpalte < 0) {
        e.hindernis = QStringLiteral("Ordnen Sie je eine Spalte dem direkten und dem indirekten "
                                     "Prüfmerkmal zu.");
        return e;
    }
    if (feldSpalte < 0 && kovSpalte < 0) {
        e.hindernis = QStringLiteral("Ordnen Sie eine Spalte dem Prüffeld oder der Kovariablen "
                                     "zu: nach ihr werden die Zeilen zu Prüffeldern "
                                     "zusammengefasst.");
        return e;
    }
    if (lesart.dezimal == Dezimal::Unbestimmt) {
        e.hindernis = QStringLiteral("Die Zahlen der Datei lassen sich mit Dezimalkomma und mit "
                                     "Dezimalpunkt lesen. Wählen Sie das Dezimaltrennzeichen.");
        return e;
    }
    const int nötig = std::max({feldSpalte, kovSpalte, direktSpalte, indirektSpalte}) + 1;

    // Empty lines are found between the rows' line numbers.
    int vorige = 0;
    if (lesart.kopfzeile && !rows.isEmpty()) {
        vorige = rows.first().nummer;
        rows.removeFirst();
    }
    QHash<QString, int> felder;
    for (const Zeile& z : rows) {
        const bool nachLeerzeile = z.nummer > vorige + 1 && (vorige > 0 || e.gelesen > 0);
        vorige = z.nummer;
        const QStringList& cells = z.zellen;
        auto cell = [&](int c) { return c < cells.size() ? cells[c].trimmed() : QString(); };
        if (nachLeerzeile && !zahl(cell(direktSpalte), lesart.dezimal) &&
            !zahl(cell(indirektSpalte), lesart.dezimal)) {
            e.endeBeiZeile = z.nummer;
            break;
        }
        if (cells.size() < nötig) {
            e.fehler.append({z.nummer, QStringLiteral("Die Zeile hat %1 statt %2 Spalten.")
                                           .arg(cells.size())
                                           .arg(nötig)});
            continue;
        }
        auto wertVon = [&](int c, Spalte s, double& value) {
            const QString text = cell(c);
            if (text.isEmpty())
                return QStringLiteral("Kein Wert für %1.").arg(spaltenName(s));
            const auto number = zahl(text, lesart.dezimal);
            if (!number)
                return QStringLiteral("„%1“ ist kein Zahlenwert für %2.")
                    .arg(zitat(text), spaltenName(s));
            value = *number;
            return QString();
        };
        double kov = 0, direkt = 0, indirekt = 0;
        QString grund;
        if (feldSpalte >= 0 && cell(feldSpalte).isEmpty())
            grund = QStringLiteral("Kein Prüffeld angegeben.");
        if (grund.isEmpty() && kovSpalte >= 0)
            grund = wertVon(kovSpalte, Spalte::Kovariable, kov);
        if (grund.isEmpty())
            grund = wertVon(direktSpalte, Spalte::Direkt, direkt);
        if (grund.isEmpty())
            grund = wertVon(indirektSpalte, Spalte::Indirekt, indirekt);
        if (!grund.isEmpty()) {
            e.fehler.append({z.nummer, grund});
            continue;
        }
        const QString schlüssel =
            feldSpalte >= 0 ? cell(feldSpalte) : QString::number(kov, 'g', 17);
        auto it = felder.constFind(schlüssel);
        if (it == felder.cend()) {
            Feld feld;
            feld.schlüssel = schlüssel;
            if (kovSpalte >= 0)
                feld.kovariable = kov;
            else
                feld.kovariable =
                    zahl(schlüssel, lesart.dezimal).value_or(double(e.felder.size() + 1));
            it = felder.insert(schlüssel, int(e.felder.size()));
            e.felder.append(feld);
        }
        e.felder[*it].punkte.append({direkt, indirekt});
        ++e.gelesen;
    }

    // What a calibration can hold.
    const int maxFelder = 100;
    if (e.gelesen == 0)
        e.hindernis = QStringLiteral("Die Datei enthält keine lesbaren Messwerte.");
    else if (e.felder.size() < 3)
        e.hindernis =
            QStringLiteral("Die Messwerte ergeben %1; eine Kalibrierung braucht "
                           "mindestens 3 Prüffelder.")
                .arg(e.felder.size() == 1 ? QStringLiteral("ein Prüffeld")
                                          : QStringLiteral("%1 Prüffelder").arg(e.felder.size()));
    else if (e.felder.size() > maxFelder)
        e.hindernis = QStringLiteral("Die Messwerte ergeben %1 Prüffelder; eine Kalibrierung "
                                     "kann höchstens %2 aufnehmen.")
                          .arg(e.felder.size())
                          .arg(maxFelder);
    else if (e.punkte() > Kalibrierung::MaxPrüfpunkte)
        e.hindernis = QStringLiteral("Die Datei enthält %1 Prüfpunkte; eine Kalibrierung kann "
                                     "höchstens %2 aufnehmen.")
                          .arg(e.punkte())
                          .arg(Kalibrierung::MaxPrüfpunkte);
    for (qsizetype i = 0; i < e.felder.size() && e.hindernis.isEmpty(); ++i)
        if (e.felder[i].punkte.size() < 3)
            e.hindernis = QStringLiteral("Das Prüffeld „%1“ hat %2 Prüfpunkte; jedes Prüffeld "
                                         "braucht mindestens 3.")
                              .arg(zitat(e.felder[i].schlüssel))
                              .arg(e.felder[i].punkte.size());
    return e;
}

void übernehmen(Kalibrierung& k, const Ergebnis& ergebnis) {
    if (!ergebnis.hindernis.isEmpty())
        rt::raiseError(rt::err::InvalidProcedureCall, ergebnis.hindernis);
    const Kalibrierung::Bearbeitung schritt(k, QStringLiteral("Messwerte importieren"));
    // The site data of each field follow the new values where they still
    // held the old ones.
    QVector<std::optional<double>> vorher;
    rt::SkipErrors skip;
    skip([&] {
        const rt::Long alt = std::min<rt::Long>(k.PrüffelderAnzahl(), ergebnis.felder.size());
        for (rt::Long f = 1; f <= alt; ++f)
            vorher.append(k.PrüffeldWert(f));
    });
    k.MessreihenEntfernen();
    k.setPrüffelderAnzahl(ergebnis.felder.size());
    for (qsizetype i = 0; i < ergebnis.felder.size(); ++i) {
        const Feld& feld = ergebnis.felder[i];
        const rt::Long f = i + 1;
        k.setPrüffeldPrüfpunkte(f, feld.punkte.size());
        k.setPrüffeldWert(f, feld.kovariable);
        FeldangabeNachführen(k, f, vorher.value(i));
        for (qsizetype p = 0; p < feld.punkte.size(); ++p) {
            k.setMesswert(pmDirekt, f, p + 1, feld.punkte[p].first);
            k.setMesswert(pmIndirekt, f, p + 1, feld.punkte[p].second);
        }
    }
}

} // namespace MesswertImport
