#include "Export.h"

#include "Protokoll.h"
#include "Zieldatei.h"

#include "Ergebnisliste.h"
#include "Kalibrierung.h"
#include "Protokolldaten.h"

#include "Conversion.h"
#include "RuntimeError.h"
#include "UserLocale.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>

#include <xlsxwriter.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <locale.h>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// One measured pair of the table, as the calibration holds it.
struct Messpunkt {
    rt::Long feld, punkt;
    double kovariable;
    std::optional<double> direkt, indirekt;
};

std::optional<double> zahl(const rt::Variant& v) {
    if (v.isNull() || !v.isNumeric())
        return std::nullopt;
    try {
        return v.toDouble();
    } catch (const rt::RuntimeError&) {
        return std::nullopt;
    }
}

std::vector<Messpunkt> messpunkte(const Kalibrierung& k) {
    std::vector<Messpunkt> out;
    k.PrüfpunkteTotal(); // bounds the walk
    const rt::Long felder = k.PrüffelderAnzahl();
    for (rt::Long f = 1; f <= felder; ++f) {
        const rt::Long punkte = k.PrüffeldPrüfpunkte(f);
        const double z = k.PrüffeldWert(f);
        for (rt::Long p = 1; p <= punkte; ++p)
            out.push_back(
                {f, p, z, zahl(k.Messwert(pmDirekt, f, p)), zahl(k.Messwert(pmIndirekt, f, p))});
    }
    return out;
}

QString spalte(const Prüfmerkmal& m) {
    return m.Bezeichung().trimmed() + QStringLiteral(" [") + m.Einheit() + u']';
}

QStringList kopf(const Kalibrierung& k) {
    return {QStringLiteral("Prüffeld"), spalte(k.Kovariable()), QStringLiteral("Prüfpunkt"),
            QStringLiteral("Direktes Prüfmerkmal: ") + spalte(k.DirektesPrüfmerkmal()),
            QStringLiteral("Indirektes Prüfmerkmal: ") + spalte(k.IndirektesPrüfmerkmal())};
}

// The number format of a count of decimals, as spreadsheet programs store it.
QByteArray zahlenformat(rt::Long decimals) {
    return NumberPattern(std::clamp<rt::Long>(decimals, 0, 30)).toUtf8();
}

// The decimals of a number as a text shows them ("97,45" has 2).
rt::Long stellenVon(const QString& shown) {
    const qsizetype point = shown.indexOf(rt::userLocale().decimal);
    return point < 0 ? 0 : rt::Long(shown.size() - point - 1);
}

// The requirement values beside their lines: what the numbers are, with the
// units of the direct and the indirect characteristic ("DPr [%]").
struct Anforderungskopf {
    QString direkt, indirekt;
    rt::Long stellenDirekt = 0, stellenIndirekt = 0;
};

Anforderungskopf anforderungskopf(const Kalibrierung& k) {
    Anforderungskopf kopf;
    rt::SkipErrors skip;
    skip([&] { kopf.direkt = k.DirektesPrüfmerkmal().FormelzeichenMitEinheit(); });
    skip([&] { kopf.indirekt = k.IndirektesPrüfmerkmal().FormelzeichenMitEinheit(); });
    skip([&] { kopf.stellenDirekt = k.DirektesPrüfmerkmal().Nachkommastellen(); });
    skip([&] { kopf.stellenIndirekt = k.IndirektesPrüfmerkmal().Nachkommastellen(); });
    return kopf;
}

// ---- xlsx -----------------------------------------------------------------

// The library prints numbers with the C library, which follows the user's
// locale: "99,5" in a workbook is no number. While a workbook is written,
// this thread's numbers use the point.
class CZahlen {
public:
    CZahlen() {
        m_c = newlocale(LC_NUMERIC_MASK, "C", duplocale(LC_GLOBAL_LOCALE));
        if (m_c)
            m_previous = uselocale(m_c);
    }
    ~CZahlen() {
        if (m_c) {
            uselocale(m_previous);
            freelocale(m_c);
        }
    }
    CZahlen(const CZahlen&) = delete;
    CZahlen& operator=(const CZahlen&) = delete;

private:
    locale_t m_c = nullptr;
    locale_t m_previous = nullptr;
};

// The library assembles every part of a workbook in a temporary file of
// its own (in /tmp, else in the current folder) and does not notice when
// writing one fails: a full disk gave a damaged workbook reported as
// written. Its parts are kept in memory instead, and a failed write is noted.
thread_local int teilFehler = 0;

int teilFd(void* cookie) {
    return int(reinterpret_cast<intptr_t>(cookie));
}

ssize_t teilLesen(void* cookie, char* buffer, size_t size) {
    ssize_t n = 0;
    do
        n = ::read(teilFd(cookie), buffer, size);
    while (n < 0 && errno == EINTR);
    return n;
}

ssize_t teilSchreiben(void* cookie, const char* buffer, size_t size) {
    size_t done = 0;
    while (done < size) {
        const ssize_t n = ::write(teilFd(cookie), buffer + done, size - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (teilFehler == 0)
                teilFehler = n < 0 ? errno : EIO;
            return 0;
        }
        done += size_t(n);
    }
    return ssize_t(size);
}

int teilSuchen(void* cookie, off64_t* offset, int whence) {
    const off64_t at = ::lseek64(teilFd(cookie), *offset, whence);
    if (at < 0)
        return -1;
    *offset = at;
    return 0;
}

int teilSchließen(void* cookie) {
    return ::close(teilFd(cookie));
}

} // namespace

extern "C" FILE* lxw_tmpfile(char*) {
    const int fd = ::memfd_create("arbeitsmappe-teil", MFD_CLOEXEC);
    if (fd < 0) {
        teilFehler = errno;
        return nullptr;
    }
    const cookie_io_functions_t io{teilLesen, teilSchreiben, teilSuchen, teilSchließen};
    FILE* file = ::fopencookie(reinterpret_cast<void*>(intptr_t(fd)), "w+", io);
    if (!file) {
        teilFehler = errno;
        ::close(fd);
    }
    return file;
}

namespace {

// The library prints its own English messages on standard error: while it
// runs they go nowhere; the user reads the program's German one.
class OhneBibliothekstexte {
public:
    OhneBibliothekstexte() {
        std::fflush(stderr);
        const int leer = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
        m_vorher = leer >= 0 ? ::fcntl(2, F_DUPFD_CLOEXEC, 3) : -1;
        if (m_vorher >= 0)
            ::dup2(leer, 2);
        if (leer >= 0)
            ::close(leer);
    }
    ~OhneBibliothekstexte() {
        if (m_vorher >= 0) {
            std::fflush(stderr);
            ::dup2(m_vorher, 2);
            ::close(m_vorher);
        }
    }
    OhneBibliothekstexte(const OhneBibliothekstexte&) = delete;
    OhneBibliothekstexte& operator=(const OhneBibliothekstexte&) = delete;

private:
    int m_vorher = -1;
};

// Why the library failed, in German: the system's reason where there is one.
QString bibliotheksfehler(lxw_error error, int systemError) {
    switch (error) {
    case LXW_ERROR_MEMORY_MALLOC_FAILED:
        return QStringLiteral("nicht genügend Arbeitsspeicher für die Arbeitsmappe");
    case LXW_ERROR_CREATING_XLSX_FILE:
    case LXW_ERROR_CREATING_TMPFILE:
    case LXW_ERROR_READING_TMPFILE:
    case LXW_ERROR_ZIP_FILE_OPERATION:
    case LXW_ERROR_ZIP_FILE_ADD:
    case LXW_ERROR_ZIP_CLOSE:
        if (systemError != 0)
            return QStringLiteral("die Arbeitsmappe kann nicht zusammengestellt werden (%1)")
                .arg(rt::systemErrorText(systemError));
        return QStringLiteral("die Arbeitsmappe kann nicht zusammengestellt werden");
    default:
        return QStringLiteral("die Arbeitsmappe kann nicht zusammengestellt werden (interner "
                              "Fehler %1)")
            .arg(int(error));
    }
}

// The workbook is assembled in memory (the library wants a file name: the
// name of a memory file of this process, which no one else can reach) and
// then written through the target's descriptor.
class Arbeitsmappe {
public:
    explicit Arbeitsmappe(const QString& target) : m_target(target) {
        m_speicher = ::memfd_create("arbeitsmappe", MFD_CLOEXEC);
        if (m_speicher < 0)
            rt::cannotWrite(target,
                            QStringLiteral("die Arbeitsmappe kann nicht angelegt werden (%1)")
                                .arg(rt::systemErrorText(errno)));
        teilFehler = 0;
        const QByteArray name = "/proc/self/fd/" + QByteArray::number(m_speicher);
        m_workbook = workbook_new(name.constData());
        if (!m_workbook) {
            ::close(m_speicher);
            rt::cannotWrite(target, QStringLiteral("die Arbeitsmappe kann nicht angelegt werden"));
        }
    }
    ~Arbeitsmappe() {
        if (m_workbook)
            workbook_close(m_workbook);
        if (m_speicher >= 0)
            ::close(m_speicher);
    }
    lxw_workbook* get() const { return m_workbook; }
    // Completes the workbook; its bytes.
    QByteArray close() {
        errno = 0;
        const lxw_error error = workbook_close(m_workbook);
        const int systemError = teilFehler != 0 ? teilFehler : errno;
        m_workbook = nullptr;
        if (error != LXW_NO_ERROR)
            rt::cannotWrite(m_target, bibliotheksfehler(error, systemError));
        if (teilFehler != 0)
            rt::cannotWrite(m_target, bibliotheksfehler(LXW_ERROR_ZIP_FILE_ADD, teilFehler));
        struct stat s {};
        if (::fstat(m_speicher, &s) != 0)
            rt::cannotWrite(m_target, rt::systemErrorText(errno));
        QByteArray bytes(qsizetype(s.st_size), '\0');
        qsizetype read = 0;
        while (read < bytes.size()) {
            const ssize_t n =
                ::pread(m_speicher, bytes.data() + read, size_t(bytes.size() - read), off_t(read));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                rt::cannotWrite(m_target, rt::systemErrorText(n < 0 ? errno : EIO));
            read += n;
        }
        return bytes;
    }
    lxw_format* format(const QByteArray& numberFormat, bool bold = false) {
        lxw_format* f = workbook_add_format(m_workbook);
        if (!numberFormat.isEmpty())
            format_set_num_format(f, numberFormat.constData());
        if (bold)
            format_set_bold(f);
        return f;
    }

private:
    CZahlen m_zahlen; // first members: outlive the workbook's close
    OhneBibliothekstexte m_still;
    int m_speicher = -1;
    lxw_workbook* m_workbook = nullptr;
    QString m_target;
};

// A text longer than a cell holds: the export is refused rather than the
// value left out.
struct ZuLangerText {
    QString ort;
};
// The characters a cell holds (the workbook format's limit, which the
// library checks).
constexpr int MaxZellentext = 32'767;

void text(lxw_worksheet* sheet, int row, int col, const QString& value, lxw_format* f = nullptr) {
    const lxw_error error = worksheet_write_string(
        sheet, lxw_row_t(row), lxw_col_t(col), rt::withoutControls(value).toUtf8().constData(), f);
    if (error == LXW_ERROR_MAX_STRING_LENGTH_EXCEEDED) {
        char zelle[16] = {};
        lxw_rowcol_to_cell(zelle, lxw_row_t(row), lxw_col_t(col));
        throw ZuLangerText{QStringLiteral("Blatt „%1“, Zelle %2")
                               .arg(QString::fromUtf8(sheet->name), QLatin1String(zelle))};
    }
}

} // namespace

namespace {

// Sheet "Messwerte": every measured pair as a number, the calibration line's
// ends beside them and the scatter chart.
void blattMesswerte(Arbeitsmappe& mappe, const Kalibrierung& k,
                    const std::vector<Messpunkt>& punkte) {
    lxw_workbook* wb = mappe.get();
    lxw_format* bold = mappe.format(QByteArray(), true);
    // Headers wrap in their cells instead of being cut.
    lxw_format* kopfFormat = mappe.format(QByteArray(), true);
    format_set_text_wrap(kopfFormat);
    format_set_align(kopfFormat, LXW_ALIGN_VERTICAL_TOP);
    lxw_worksheet* werte = workbook_add_worksheet(wb, "Messwerte");
    const QStringList header = kopf(k);
    for (int c = 0; c < header.size(); ++c)
        text(werte, 0, c, header[c], kopfFormat);
    worksheet_set_row(werte, 0, 45, nullptr);
    lxw_format* kovFormat = mappe.format(zahlenformat(k.Kovariable().Nachkommastellen()));
    lxw_format* direktFormat =
        mappe.format(zahlenformat(k.DirektesPrüfmerkmal().Nachkommastellen()));
    lxw_format* indirektFormat =
        mappe.format(zahlenformat(k.IndirektesPrüfmerkmal().Nachkommastellen()));
    int row = 1;
    for (const Messpunkt& m : punkte) {
        worksheet_write_number(werte, row, 0, m.feld, nullptr);
        worksheet_write_number(werte, row, 1, m.kovariable, kovFormat);
        worksheet_write_number(werte, row, 2, m.punkt, nullptr);
        if (m.direkt)
            worksheet_write_number(werte, row, 3, *m.direkt, direktFormat);
        if (m.indirekt)
            worksheet_write_number(werte, row, 4, *m.indirekt, indirektFormat);
        ++row;
    }
    worksheet_set_column(werte, 0, 0, 10, nullptr);
    worksheet_set_column(werte, 1, 4, 28, nullptr);
    worksheet_freeze_panes(werte, 1, 0);

    // The chart: the measured pairs (indirect on x, direct on y) and the
    // calibration line of the direct as a function of the indirect.
    const QString xSymbol = k.IndirektesPrüfmerkmal().Formelzeichen();
    const QString ySymbol = k.DirektesPrüfmerkmal().Formelzeichen();
    lxw_chart* chart = workbook_add_chart(wb, LXW_CHART_SCATTER_STRAIGHT_WITH_MARKERS);
    lxw_chart_series* pairs = chart_add_series(chart, nullptr, nullptr);
    const int last = std::max(1, row - 1);
    chart_series_set_categories(pairs, "Messwerte", 1, 4, lxw_row_t(last), 4);
    chart_series_set_values(pairs, "Messwerte", 1, 3, lxw_row_t(last), 3);
    chart_series_set_name(pairs, "Messwerte");
    lxw_chart_line noLine{};
    noLine.none = LXW_TRUE;
    chart_series_set_line(pairs, &noLine);
    chart_series_set_marker_type(pairs, LXW_CHART_MARKER_DIAMOND);
    lxw_chart_fill black{};
    black.color = LXW_COLOR_BLACK;
    chart_series_set_marker_fill(pairs, &black);
    try {
        const double a = k.StatistikKalibriergeradeAchsenabschnitt(mDirekt, mIndirekt);
        const double b = k.StatistikKalibriergeradeAnstieg(mDirekt, mIndirekt);
        double low = 0, high = 0;
        bool any = false;
        for (const Messpunkt& m : punkte)
            if (m.indirekt) {
                low = any ? std::min(low, *m.indirekt) : *m.indirekt;
                high = any ? std::max(high, *m.indirekt) : *m.indirekt;
                any = true;
            }
        if (any) {
            text(werte, 0, 6, QStringLiteral("Kalibriergerade ") + xSymbol, bold);
            text(werte, 0, 7, ySymbol + QStringLiteral(" = f(") + xSymbol + u')', bold);
            worksheet_write_number(werte, 1, 6, low, indirektFormat);
            worksheet_write_number(werte, 1, 7, rt::checkedFinite(a + b * low), direktFormat);
            worksheet_write_number(werte, 2, 6, high, indirektFormat);
            worksheet_write_number(werte, 2, 7, rt::checkedFinite(a + b * high), direktFormat);
            worksheet_set_column(werte, 6, 7, 18, nullptr);
            lxw_chart_series* line = chart_add_series(chart, nullptr, nullptr);
            chart_series_set_categories(line, "Messwerte", 1, 6, 2, 6);
            chart_series_set_values(line, "Messwerte", 1, 7, 2, 7);
            chart_series_set_name(line, "Kalibriergerade");
            chart_series_set_marker_type(line, LXW_CHART_MARKER_NONE);
            lxw_chart_line solid{};
            solid.color = LXW_COLOR_BLACK;
            solid.width = 2;
            chart_series_set_line(line, &solid);
        }
    } catch (const rt::RuntimeError&) {
        // no calibration line: the chart shows the points only
    }
    const QByteArray xTitle =
        (xSymbol + QStringLiteral(" [") + k.IndirektesPrüfmerkmal().Einheit() + u']').toUtf8();
    const QByteArray yTitle =
        (ySymbol + QStringLiteral(" [") + k.DirektesPrüfmerkmal().Einheit() + u']').toUtf8();
    chart_axis_set_name(chart->x_axis, xTitle.constData());
    chart_axis_set_name(chart->y_axis, yTitle.constData());
    const QByteArray title =
        (QStringLiteral("Kalibriergerade zwischen ") + ySymbol + QStringLiteral(" und ") + xSymbol)
            .toUtf8();
    chart_title_set_name(chart, title.constData());
    chart_legend_set_position(chart, LXW_CHART_LEGEND_BOTTOM);
    lxw_chart_options place{};
    place.x_scale = 1.6;
    place.y_scale = 1.6;
    worksheet_insert_chart_opt(werte, 4, 6, chart, &place);
    // Printed across, one page wide: the chart stays on one sheet.
    worksheet_set_landscape(werte);
    worksheet_set_paper(werte, 9); // A4
    worksheet_fit_to_pages(werte, 1, 0);
}

// A new sheet with its bold header row.
lxw_worksheet* blatt(Arbeitsmappe& mappe, const char* name, const QStringList& headers) {
    lxw_worksheet* sheet = workbook_add_worksheet(mappe.get(), name);
    lxw_format* bold = mappe.format(QByteArray(), true);
    for (int col = 0; col < headers.size(); ++col)
        text(sheet, 0, col, headers[col], bold);
    return sheet;
}

// Sheet "Statistik": the list of the results page, the minimum, the verdict.
void blattStatistik(Arbeitsmappe& mappe, const Kalibrierung& k) {
    lxw_format* bold = mappe.format(QByteArray(), true);
    // The values as numbers.
    lxw_worksheet* statistik = blatt(
        mappe, "Statistik",
        {QStringLiteral("Statistische Größe"), QStringLiteral("Wert"), QStringLiteral("Wertung")});
    int row = 1;
    for (const StatistikZeile& z : StatistikListe(k)) {
        text(statistik, row, 0, z.Text.trimmed().isEmpty() ? QString() : z.Text,
             z.Text.startsWith(u' ') ? nullptr : bold);
        if (z.Zahl)
            worksheet_write_number(statistik, row, 1, *z.Zahl,
                                   mappe.format(zahlenformat(z.Nachkommastellen)));
        else if (!z.Wert.trimmed().isEmpty())
            text(statistik, row, 1, z.Wert);
        if (!z.Wertung.trimmed().isEmpty())
            text(statistik, row, 2, z.Wertung);
        ++row;
    }
    ++row;
    text(statistik, row, 0,
         QStringLiteral("Minimales Bestimmtheitsmaß (indirektes, direktes Prüfmerkmal)"), bold);
    try {
        // With as many decimals as the value has (0,655 stays 0,655).
        const double minimum = k.MinBestimmtheitsmaßIndirektDirekt();
        const rt::Long decimals = stellenVon(rt::doubleToText(minimum));
        worksheet_write_number(statistik, row, 1, minimum,
                               mappe.format(zahlenformat(std::max<rt::Long>(2, decimals))));
    } catch (const rt::RuntimeError&) {
        text(statistik, row, 1, QStringLiteral("(Fehler)"));
    }
    row += 2;
    for (const QString& line : PlausibilitätText(k).split(u'\n'))
        text(statistik, row++, 0, line);
    // Each requirement line, and beside it the requirement and the indirect
    // value as numbers: the requirement with its own digits (at least the
    // direct decimals), the value with the indirect decimals it is rounded to.
    const QList<AnforderungWert> anforderungen = AnforderungWerte(k);
    if (!anforderungen.isEmpty()) {
        const Anforderungskopf kopf = anforderungskopf(k);
        ++row;
        text(statistik, row, 0, QStringLiteral("Anforderungswerte"), bold);
        text(statistik, row, 1, kopf.direkt, bold);
        text(statistik, row, 2, kopf.indirekt, bold);
        ++row;
        lxw_format* wertFormat = mappe.format(zahlenformat(kopf.stellenIndirekt));
        for (const AnforderungWert& w : anforderungen) {
            text(statistik, row, 0, w.zeile + w.hinweis);
            const rt::Long stellen = std::max(kopf.stellenDirekt, stellenVon(w.anforderungText));
            worksheet_write_number(statistik, row, 1, w.anforderung,
                                   mappe.format(zahlenformat(stellen)));
            if (w.wert)
                worksheet_write_number(statistik, row, 2, *w.wert, wertFormat);
            else
                text(statistik, row, 2, w.wertText);
            ++row;
        }
    }
    worksheet_set_column(statistik, 0, 0, 70, nullptr);
    worksheet_set_column(statistik, 1, 2, 14, nullptr);
}

// Sheet "Protokolldaten": the site data with the protocol's labels.
void blattProtokolldaten(Arbeitsmappe& mappe, const Kalibrierung& k) {
    lxw_worksheet* daten =
        blatt(mappe, "Protokolldaten", {QStringLiteral("Angabe"), QStringLiteral("Wert")});
    int row = 1;
    for (const QString& key : Protokoll::SiteDataKeys(k)) {
        const rt::Variant* value = k.DataStore()->find(key);
        text(daten, row, 0, ProtokollBeschriftung(key));
        if (value && !value->isNull())
            text(daten, row, 1, value->toText());
        ++row;
    }
    worksheet_set_column(daten, 0, 0, 60, nullptr);
    worksheet_set_column(daten, 1, 1, 40, nullptr);
}

} // namespace

void ExportXlsx(const Kalibrierung& k, const QString& path) {
    rt::Zieldatei ziel(path, rt::Zieldatei::Art::Ausgabe);
    const std::vector<Messpunkt> punkte = messpunkte(k);
    QByteArray bytes;
    try {
        Arbeitsmappe mappe(path);
        blattMesswerte(mappe, k, punkte);
        blattStatistik(mappe, k);
        blattProtokolldaten(mappe, k);
        bytes = mappe.close();
    } catch (const ZuLangerText& e) {
        rt::cannotWrite(path, QStringLiteral("ein Text hat mehr als %1 Zeichen, die eine Zelle "
                                             "einer Arbeitsmappe höchstens fasst (%2).")
                                  .arg(QLocale(QLocale::German).toString(MaxZellentext), e.ort));
    }
    ziel.schreiben(bytes);
    ziel.commit();
}

// ---- csv ------------------------------------------------------------------

namespace {
QString csvFeld(const QString& text) {
    QString value = rt::withoutControls(text);
    // A text that a spreadsheet would run as a formula gets the apostrophe
    // spreadsheet programs take as "this is text"; numbers stay numbers.
    if (value.size() > 1 &&
        (value[0] == u'=' || value[0] == u'+' || value[0] == u'-' || value[0] == u'@') &&
        !rt::isNumericText(value))
        value.prepend(u'\'');
    if (!value.contains(u';') && !value.contains(u'"'))
        return value;
    return u'"' + value.replace(u'"', QStringLiteral("\"\"")) + u'"';
}
QString csvZahl(const std::optional<double>& value) {
    return value ? rt::doubleToText(*value) : QString();
}
} // namespace

void ExportCsv(const Kalibrierung& k, const QString& path) {
    rt::Zieldatei ziel(path, rt::Zieldatei::Art::Ausgabe);
    QString out;
    QStringList header = kopf(k);
    for (QString& h : header)
        h = csvFeld(h);
    out += header.join(u';') + QStringLiteral("\r\n");
    for (const Messpunkt& m : messpunkte(k))
        out += QString::number(m.feld) + u';' + rt::doubleToText(m.kovariable) + u';' +
               QString::number(m.punkt) + u';' + csvZahl(m.direkt) + u';' + csvZahl(m.indirekt) +
               QStringLiteral("\r\n");
    // The results after an empty line: the measured values stay one table.
    out += QStringLiteral("\r\nStatistische Größe;Wert;Wertung\r\n");
    for (const StatistikZeile& z : StatistikListe(k)) {
        if (z.Text.trimmed().isEmpty())
            continue;
        out += csvFeld(z.Text.trimmed()) + u';' + csvFeld(z.Wert.trimmed()) + u';' +
               csvFeld(z.Wertung.trimmed()) + QStringLiteral("\r\n");
    }
    QString minimum;
    try {
        minimum = rt::doubleToText(k.MinBestimmtheitsmaßIndirektDirekt());
    } catch (const rt::RuntimeError&) {
        minimum = QStringLiteral("(Fehler)");
    }
    out += QStringLiteral("Minimales Bestimmtheitsmaß (indirektes, direktes Prüfmerkmal);") +
           minimum + QStringLiteral(";\r\n");
    for (const QString& line : PlausibilitätText(k).split(u'\n'))
        out += csvFeld(line) + QStringLiteral(";;\r\n");
    // The requirement lines as the workbook and the results page show them,
    // each with the requirement and the indirect value as the program
    // writes them.
    const QList<AnforderungWert> anforderungen = AnforderungWerte(k);
    if (!anforderungen.isEmpty()) {
        const Anforderungskopf kopf = anforderungskopf(k);
        out += QStringLiteral("Anforderungswerte;") + csvFeld(kopf.direkt) + u';' +
               csvFeld(kopf.indirekt) + QStringLiteral("\r\n");
        for (const AnforderungWert& w : anforderungen)
            out += csvFeld(w.zeile + w.hinweis) + u';' + csvFeld(w.anforderungText) + u';' +
                   csvFeld(w.wertText) + QStringLiteral("\r\n");
    }
    ziel.schreiben(QByteArray("\xEF\xBB\xBF") + out.toUtf8());
    ziel.commit();
}

QString ExportFormatFehler(const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == u"csv" || suffix == u"xlsx")
        return QString();
    return QStringLiteral("Die Datei „%1“ hat %2: exportiert wird nach .xlsx (Excel-Arbeitsmappe) "
                          "oder .csv (CSV-Datei).")
        .arg(QDir::toNativeSeparators(path),
             suffix.isEmpty() ? QStringLiteral("keine Endung")
                              : QStringLiteral("die unbekannte Endung „.%1“").arg(suffix));
}

void ExportiereKalibrierung(const Kalibrierung& k, const QString& path) {
    const QString fehler = ExportFormatFehler(path);
    if (!fehler.isEmpty())
        rt::raiseError(rt::err::InvalidProcedureCall, fehler);
    if (QFileInfo(path).suffix().toLower() == u"csv")
        ExportCsv(k, path);
    else
        ExportXlsx(k, path);
}
