// The protocol builder: the order of the bands, the title, the site data and
// the measured values. The statistical evaluation is in ProtokollStatistik.cpp.

#include "Protokoll.h"

#include "ProtokollSeiten.h"

#include "Ergebnisliste.h"
#include "Kalibrierung.h"
#include "Protokolldaten.h"

#include "Conversion.h"

#include "RuntimeError.h"
#include <QRegularExpression>

Protokoll::Protokoll(const Kalibrierung& k, ProtokollSeiten& seiten, int typ)
    : m_k(k), m_seiten(seiten), m_typ(typ) {
    m_bander.OnNewPage = [this] { m_seiten.Bander_NewPage(m_bander); };
    m_bander.CompletePage = [this] { m_seiten.Bander_CompletePage(m_bander); };
}

QStringList Protokoll::SiteDataKeys(const Kalibrierung& k) {
    return ProtokollSchlüssel(k);
}

// ---- building blocks -----------------------------------------------------------

FontPtr Protokoll::ProtocolFont(bool IsHeading, int Level, bool Printing) const {
    const double z = Printing ? 1.0 : m_seiten.zoom();
    double size = 0;
    bool bold = false, underline = false;
    if (IsHeading && Level == 0) {
        size = 16;
        bold = underline = true;
    } else if (IsHeading && (Level == 1 || Level == 2)) {
        size = 14;
        bold = true;
    } else if (!IsHeading && (Level == 0 || Level == 1)) {
        size = 12;
        bold = Level == 1;
    } else {
        return {};
    }
    return m_gen.NewFont(QStringLiteral("Times New Roman"), size * z, bold, false, underline, false,
                         0);
}

PictrelPtr Protokoll::TextBand(int Level, const QString& Text, bool Printing) const {
    auto band = std::make_shared<clsPictrel>();
    auto text = m_gen.NewText(0, 0, 0, Text, AlignLeftTop, ProtocolFont(true, Level, Printing));
    // A heading wraps at the right margin of any sheet.
    text->setMaxTextWidth(Breite());
    band->Elements()->Add(text);
    return band;
}

void Protokoll::fitLabels(clsElementTable& Table) const {
    // The labels' column as wide as its widest label, within a quarter and
    // almost half of the width; a label still too wide gets smaller type.
    double widest = 0;
    if (m_bander.DrawDest) {
        clsDrawDest& dest = drawDestOf(m_bander.DrawDest);
        for (qint32 r = 1; r <= Table.Rows(); ++r) {
            if (Table.CellColSpan(1, r) > 1 || !Table.CellFont(1, r))
                continue;
            dest.setFont(Table.CellFont(1, r));
            widest = std::max(widest, dest.TextWidth(Table.TextMatrix(1, r), 0));
        }
    }
    const double spacing =
        Table.CellInnerSpacingLeft(1, 1) + Table.CellInnerSpacingRight(1, 1) + LabelGap;
    const double label =
        std::clamp(widest + spacing, std::min(Maß(4.5), Breite() * 0.45), Breite() * 0.45);
    Table.setColWidth(1, label);
    Table.setColWidth(2, Breite() - label);
    for (qint32 r = 1; r <= Table.Rows(); ++r)
        if (Table.CellColSpan(1, r) == 1)
            FitCell(Table, 1, r);
}

double Protokoll::Breite() const {
    // As wide as the sheet less 2 cm on either side: 17 cm on A4, and
    // without a page (a diagram on the screen).
    if (!(m_bander.PageWidth > 0))
        return A4Width;
    return std::max(1.0, m_bander.PageWidth - 2 * SheetMargin);
}

double Protokoll::Maß(double a4) const {
    return a4 * Breite() / A4Width;
}

namespace {
const QRegularExpression Wortgrenzen(QStringLiteral("[ \\r\\n]+"));
} // namespace

double Protokoll::widestWord(const QString& Text, const FontPtr& Font) const {
    clsDrawDest& dest = drawDestOf(m_bander.DrawDest);
    dest.setFont(Font);
    double width = 0;
    for (const QString& word : Text.split(Wortgrenzen, Qt::SkipEmptyParts))
        width = std::max(width, dest.TextWidth(word, 0));
    return width;
}

double Protokoll::widestLine(const QString& Text, const FontPtr& Font) const {
    clsDrawDest& dest = drawDestOf(m_bander.DrawDest);
    dest.setFont(Font);
    double width = 0;
    for (const QString& line : Text.split(QRegularExpression(QStringLiteral("\\r\\n|\\n|\\r"))))
        width = std::max(width, dest.TextWidth(line, 0));
    return width;
}

QString Protokoll::Wrapped(const QString& Text, const FontPtr& Font, double Width) const {
    if (!m_bander.DrawDest || Width <= 0 || !(widestLine(Text, Font) > Width))
        return Text;
    clsDrawDest& dest = drawDestOf(m_bander.DrawDest);
    dest.setFont(Font);
    QStringList lines;
    QString line;
    for (const QString& word : BreakLongWords(Text, Font, Width).split(u' ', Qt::SkipEmptyParts)) {
        const QString longer = line.isEmpty() ? word : line + u' ' + word;
        if (!line.isEmpty() && dest.TextWidth(longer, 0) > Width) {
            lines.append(line);
            line = word;
        } else {
            line = longer;
        }
    }
    lines.append(line);
    return lines.join(QStringLiteral("\r\n"));
}

QString Protokoll::BreakLongWords(const QString& Text, const FontPtr& Font, double Width) const {
    if (!m_bander.DrawDest || Width <= 0)
        return Text;
    clsDrawDest& dest = drawDestOf(m_bander.DrawDest);
    dest.setFont(Font);
    // Lines and words as they stand; a word wider than the width is cut
    // where the width ends, as often as it needs.
    QString out;
    QString word;
    // Only the piece of a line is measured, never the rest of the word: a
    // word of 100,000 characters takes as long as its lines.
    auto flush = [&] {
        qsizetype start = 0;
        while (start < word.size()) {
            qsizetype fit = 1;
            while (start + fit < word.size() &&
                   dest.TextWidth(word.mid(start, fit + 1), 0) <= Width)
                ++fit;
            if (start + fit == word.size()) {
                // The rest: on the line when it fits, else one character
                // wider than the width on a line of its own.
                out += word.mid(start);
                if (dest.TextWidth(word.mid(start), 0) > Width)
                    out += QStringLiteral("\r\n");
                break;
            }
            if (word[start + fit - 1].isHighSurrogate() && fit > 1)
                --fit;
            out += word.mid(start, fit) + QStringLiteral("\r\n");
            start += fit;
        }
        word.clear();
    };
    for (const QChar c : Text) {
        if (c == u' ' || c == u'\r' || c == u'\n') {
            flush();
            out += c;
        } else {
            word += c;
        }
    }
    flush();
    return out;
}

namespace {
// A copy of the font small enough for a text Needed wide to take Room, in
// half points, never below two thirds of its size.
FontPtr smallerFont(const FontPtr& Font, double Needed, double Room) {
    auto smaller = std::make_shared<clsFont>(*Font);
    smaller->setSize(
        std::max(Font->Size() * 2 / 3, std::floor(Font->Size() * Room / Needed * 2) / 2));
    return smaller;
}
} // namespace

FontPtr Protokoll::FittingFont(const FontPtr& Font, const QString& Text, double Width) const {
    if (!Font || !m_bander.DrawDest || Width <= 0)
        return Font;
    clsDrawDest& dest = drawDestOf(m_bander.DrawDest);
    dest.setFont(Font);
    const double width = dest.TextWidth(Text, 0);
    if (!(width > Width))
        return Font;
    return smallerFont(Font, width, Width);
}

void Protokoll::FitCell(clsElementTable& Table, qint32 Col, qint32 Row) const {
    const QString text = Table.TextMatrix(Col, Row);
    if (text.isEmpty() || !m_bander.DrawDest)
        return;
    const FontPtr font = Table.CellFont(Col, Row);
    if (!font)
        return;
    auto room = [&] {
        return Table.CellWidth(Col, Row) - Table.CellInnerSpacingLeft(Col, Row) -
               Table.CellInnerSpacingRight(Col, Row);
    };
    // The widest word decides: the others wrap.
    double width = widestWord(text, font);
    if (!(width > room()) || room() <= 0)
        return;
    // First the room a number keeps on its right, then smaller type, down to
    // two thirds of the size; what is still too wide breaks: a number in
    // exponent form before its exponent, a long word where the cell ends.
    if (Table.CellInnerSpacingRight(Col, Row) > Table.CellInnerSpacingLeft(Col, Row)) {
        Table.setCellInnerSpacingRight(Col, Row, Table.CellInnerSpacingLeft(Col, Row));
        if (!(width > room()))
            return;
    }
    const FontPtr smaller = smallerFont(font, width, room());
    Table.setCellFont(Col, Row, smaller);
    width = widestWord(text, smaller);
    if (!(width > room()))
        return;
    const qsizetype exponent = text.lastIndexOf(u'E');
    const QString mantissa = text.left(exponent);
    if (exponent > 0 && !text.contains(Wortgrenzen) && !(widestWord(mantissa, smaller) > room()))
        Table.setTextMatrix(Col, Row, mantissa + QStringLiteral("\r\n") + text.mid(exponent));
    else
        Table.setTextMatrix(Col, Row, BreakLongWords(text, smaller, room()));
}

PictrelPtr Protokoll::SpacerBand(double Height) const {
    auto band = std::make_shared<clsPictrel>();
    band->Elements()->Add(m_gen.NewLine(0, 0, 0, 0, Height, 0, m_gen.NewPen(0, 1, PS_NULL)));
    return band;
}

void Protokoll::AppendRow(clsElementTable& Table, const QString& Text1, const QString& Text2) {
    Table.setRows(Table.Rows() + 1);
    const qint32 row = Table.Rows();
    Table.setTextMatrix(1, row, Text1);
    Table.setCellAlignment(1, row, AlignLeftTop);
    // A label never touches its value.
    Table.setCellInnerSpacingRight(1, row, LabelGap);
    Table.setTextMatrix(2, row, Text2);
    Table.setCellAlignment(2, row, AlignLeftTop);
}

void Protokoll::AppendValueRow(clsElementTable& Table, const QString& Label, const QString& Value,
                               const QString& Unit) {
    AppendRow(Table, Label, Value);
    const qint32 row = Table.Rows();
    // Numbers to the right of their column, so that the decimal commas line
    // up; the unit in a column of its own.
    Table.setCellAlignment(2, row, AlignRightTop);
    Table.setTextMatrix(3, row, Value.isEmpty() ? QString() : Unit);
    Table.setCellAlignment(3, row, AlignLeftTop);
    Table.setCellInnerSpacingLeft(3, row, Unit.startsWith(u' ') ? 0.0 : LabelGap / 2);
}

void Protokoll::AppendDataRow(clsElementTable& Table, const QString& Label,
                              const QString& Key) const {
    QString value;
    // Only asked whether the key exists: a missing key is not added.
    if (!Key.isEmpty())
        if (const rt::Variant* stored = m_k.DataStore()->find(Key))
            value = NullToString(*stored);
    // A text longer than half a page goes into several rows, so that the
    // table continues on the next page instead of running under the footer.
    const double limit = m_bander.UsableHeight() / 2;
    const double width = Table.ColWidth(2);
    clsDrawDest* dest = m_bander.DrawDest ? &drawDestOf(m_bander.DrawDest) : nullptr;
    if (!dest || limit <= 0 || width <= 0) {
        AppendRow(Table, Label, value);
        return;
    }
    // Words longer than the column are cut first, so that nothing runs over
    // the margin.
    value = BreakLongWords(value, Table.CellFontStd(),
                           width - Table.CellInnerSpacingStd() - Table.CellInnerSpacingStd());
    dest->setFont(Table.CellFontStd());
    QString label = Label;
    // Words end after a blank or a line break, which they keep.
    static const QRegularExpression nachWort(QStringLiteral("(?<=[ \\n])"));
    while (dest->TextHeight(value, width) > limit) {
        // The most words that still fit, at least one.
        const QStringList words = value.split(nachWort);
        qsizetype low = 1, high = words.size();
        while (low < high) {
            const qsizetype mid = (low + high + 1) / 2;
            if (dest->TextHeight(words.mid(0, mid).join(QString()), width) <= limit)
                low = mid;
            else
                high = mid - 1;
        }
        if (low >= words.size())
            break;
        // The blank or break at the cut goes.
        AppendRow(Table, label, words.mid(0, low).join(QString()).chopped(1));
        label.clear();
        value = words.mid(low).join(QString());
    }
    AppendRow(Table, label, value);
}

double Protokoll::heightOf(const ElementPtr& element) const {
    return pointOf(element->BoundingBoxP2(m_bander.DrawDest)).Y() -
           pointOf(element->BoundingBoxP1(m_bander.DrawDest)).Y();
}

PictrelPtr Protokoll::FieldDataBand(int Level, const QString& Title, bool Printing,
                                    int which) const {
    auto band = std::make_shared<clsPictrel>();
    auto heading = m_gen.NewText(0, 0, 0, Title, AlignLeftTop, ProtocolFont(true, Level, Printing));
    auto table = std::make_shared<clsElementTable>();
    table->setCellFontStd(ProtocolFont(false, 0, Printing));
    table->setPen(m_gen.NewPen(0, 1, PS_NULL));
    table->setCols(2);
    table->setColWidth(1, Maß(9.0));
    table->setColWidth(2, Maß(8.0));
    table->setRows(0);
    table->PositionTopLeft()->setY(heightOf(heading) + 0.15);
    const QString indent(4, u' ');
    for (const Protokollangabe& a : Protokollangaben()) {
        if (a.block != which)
            continue;
        const QString label = (a.eingerückt ? indent : QString()) + a.beschriftung;
        if (!a.jeFeld) {
            AppendDataRow(*table, label, ProtokollSchlüssel(a));
            continue;
        }
        // The fields are walked only when the calibration can hold them.
        m_k.PrüfpunkteTotal();
        const rt::Long felder = m_k.PrüffelderAnzahl();
        for (rt::Long f = 1; f <= felder; ++f)
            AppendDataRow(*table,
                          (a.eingerückt ? indent : QString()) + QString::number(f) +
                              QStringLiteral(". Prüffeld"),
                          ProtokollSchlüssel(a, f));
    }
    band->Elements()->Add(heading);
    band->Elements()->Add(table);
    return band;
}

void Protokoll::fillMeasuredValuesHeader(clsElementTable& table, bool Printing) const {
    const FontPtr bold = ProtocolFont(false, 1, Printing);
    const Prüfmerkmal& direkt = m_k.DirektesPrüfmerkmal();
    const Prüfmerkmal& indirekt = m_k.IndirektesPrüfmerkmal();
    const QString header[4][2] = {
        {QStringLiteral("Prüffeld"), QStringLiteral("Nr.")},
        {QStringLiteral("Prüfpunkt"), QStringLiteral("Nr.")},
        {QStringLiteral("Direktes Prüfmerkmal ") + direkt.Bezeichung(),
         u'[' + direkt.Einheit() + u']'},
        {QStringLiteral("Indirektes Prüfmerkmal ") + indirekt.Bezeichung(),
         u'[' + indirekt.Einheit() + u']'},
    };
    for (qint32 c = 1; c <= 4; ++c) {
        table.setTextMatrix(c, 1, header[c - 1][0]);
        table.setTextMatrix(c, 2, header[c - 1][1]);
        table.setCellFont(c, 1, bold);
        table.setCellAlignment(c, 1, AlignCenterMiddle);
        table.setCellAlignment(c, 2, AlignCenterMiddle);
        // A long word of a name on a narrow sheet.
        FitCell(table, c, 1);
    }
}

void Protokoll::fillMeasuredValues(clsElementTable& table) const {
    const QString symbol = m_k.Kovariable().Formelzeichen();
    qint32 row = 3;
    const rt::Long felder = m_k.PrüffelderAnzahl();
    for (rt::Long f = 1; f <= felder; ++f) {
        const rt::Long punkte = m_k.PrüffeldPrüfpunkte(f);
        table.setCellRowSpan(1, row, punkte);
        table.setCellAlignment(1, row, AlignLeftTop);
        table.setTextMatrix(1, row,
                            QStringLiteral("Prüffeld ") + QString::number(f) +
                                QStringLiteral("\r\nKovariable ") + symbol + QStringLiteral(" = ") +
                                rt::doubleToText(m_k.PrüffeldWert(f)));
        for (rt::Long p = 1; p <= punkte; ++p, ++row) {
            table.setTextMatrix(2, row, Kalibrierung::PrüfpunktKey(p));
            table.setCellAlignment(2, row, AlignCenterTop);
            table.setTextMatrix(3, row, m_k.MesswertString(pmDirekt, f, p));
            table.setTextMatrix(4, row, m_k.MesswertString(pmIndirekt, f, p));
            for (qint32 c : {3, 4}) {
                table.setCellAlignment(c, row, AlignRightTop);
                table.setCellInnerSpacingRight(c, row, Maß(1.5));
                // Only a long text can be too wide: the short ones are not measured.
                if (table.TextMatrix(c, row).size() > 8)
                    FitCell(table, c, row);
            }
        }
    }
}

PictrelPtr Protokoll::MeasuredValuesBand(int Level, const QString& Title, bool Printing) const {
    auto band = std::make_shared<clsPictrel>();
    auto heading = m_gen.NewText(0, 0, 0, Title, AlignLeftTop, ProtocolFont(true, Level, Printing));
    auto table = std::make_shared<clsElementTable>();
    table->PositionTopLeft()->setY(heightOf(heading) + 0.15);
    table->setPen(m_gen.NewPen(0, 1, PS_SOLID));
    table->setCols(4);
    table->setRows(m_k.PrüfpunkteTotal() + 2);
    table->setCellInnerSpacingStd(0.1);
    table->setCellFontStd(ProtocolFont(false, 0, Printing));
    for (qint32 c = 1; c <= 4; ++c)
        table->setColWidth(c, Maß(4.25));
    fillMeasuredValuesHeader(*table, Printing);
    fillMeasuredValues(*table);
    band->Elements()->Add(heading);
    band->Elements()->Add(table);
    return band;
}

// ---- report header, summary, signature ------------------------------------------

QString Protokoll::Berichtsnummer() const {
    QString number;
    for (const Berichtsangabe& a : Berichtskopf(m_k))
        if (a.schlüssel == BerichtsnummerSchlüssel)
            number = a.wert;
    return number;
}

ElementTablePtr Protokoll::BoxTable(double Spacing, bool Printing) const {
    auto table = std::make_shared<clsElementTable>();
    table->setCellFontStd(ProtocolFont(false, 0, Printing));
    table->setPen(m_gen.NewPen(0, 1, PS_SOLID));
    table->setCellInnerSpacingStd(Spacing);
    table->setCellAlignmentStd(AlignLeftTop);
    table->setCols(2);
    table->setRows(0);
    return table;
}

PictrelPtr Protokoll::HeaderBand(bool Printing) const {
    auto band = std::make_shared<clsPictrel>();
    const ElementTablePtr table = BoxTable(0.1, Printing);
    const FontPtr bold = ProtocolFont(false, 1, Printing);
    // Every entry has its row, filled or not: an empty one is filled in by
    // hand. The labels set the widths; a value longer than half a page goes
    // into several rows, as the site data do.
    const QList<Berichtsangabe> kopf = Berichtskopf(m_k);
    for (const Berichtsangabe& a : kopf) {
        AppendRow(*table, a.beschriftung, QString());
        table->setCellFont(1, table->Rows(), bold);
    }
    fitLabels(*table);
    table->setRows(0);
    for (const Berichtsangabe& a : kopf)
        AppendDataRow(*table, a.beschriftung, a.schlüssel);
    for (qint32 r = 1; r <= table->Rows(); ++r) {
        table->setCellFont(1, r, bold);
        FitCell(*table, 1, r);
    }
    band->Elements()->Add(table);
    return band;
}

QString Protokoll::summaryR2Text(QString r2, const QString& problem) const {
    if (r2.isEmpty() || r2.contains(QStringLiteral("Fehler")))
        r2 = QStringLiteral("nicht berechenbar") +
             (problem.isEmpty() ? QString() : QStringLiteral(": ") + problem);
    // Where the rounded R² reads as the minimum, as many digits as show the
    // difference.
    try {
        const double r = m_k.StatistikBestimmtheitsmaß(mIndirekt, mDirekt);
        const double min = m_k.MinBestimmtheitsmaßIndirektDirekt();
        for (rt::Long d = m_k.NachkommastellenBestimmtheitsmaße();
             d < 15 && r != min && FormatNumberText(r, d) == FormatNumberText(min, d); ++d)
            r2 = FormatNumberText(r, d + 1);
    } catch (const rt::RuntimeError&) {
        // the text as the results page shows it
    }
    return r2;
}

QString Protokoll::summaryLineText(const Prüfmerkmal& indirekt, const Prüfmerkmal& direkt,
                                   const QString& problem) const {
    QString gerade = QStringLiteral("nicht berechenbar: ") + problem;
    if (problem.isEmpty()) {
        try {
            gerade =
                Gleichung(indirekt.Formelzeichen(),
                          m_k.StatistikKalibriergeradeAchsenabschnittString(mIndirekt, mDirekt),
                          m_k.StatistikKalibriergeradeAnstiegString(mIndirekt, mDirekt),
                          direkt.Formelzeichen());
        } catch (const rt::RuntimeError& e) {
            gerade =
                QStringLiteral("nicht berechenbar: %1 (%2)").arg(e.description()).arg(e.number());
        }
    }
    return gerade;
}

PictrelPtr Protokoll::SummaryBand(bool Printing) const {
    auto band = std::make_shared<clsPictrel>();
    const ElementTablePtr table = BoxTable(0.15, Printing);
    const FontPtr bold = ProtocolFont(false, 1, Printing);
    auto row = [&](const QString& label, const QString& text, bool strong = false) {
        AppendRow(*table, label, text);
        table->setCellFont(1, table->Rows(), bold);
        if (strong)
            table->setCellFont(2, table->Rows(), bold);
    };
    AppendRow(*table, QStringLiteral("Ergebnis der Kalibrierung"), QString());
    table->setCellColSpan(1, 1, 2);
    table->setCellFont(1, 1, ProtocolFont(true, 2, Printing));

    const Prüfmerkmal& direkt = m_k.DirektesPrüfmerkmal();
    const Prüfmerkmal& indirekt = m_k.IndirektesPrüfmerkmal();
    // Computable exactly when its block below is.
    const QString problem =
        LineProblem(mIndirekt, indirekt.Formelzeichen(), mDirekt, direkt.Formelzeichen());
    QString r2 =
        StatistikText([&] { return m_k.StatistikBestimmtheitsmaßString(mIndirekt, mDirekt); });
    const QString minimum =
        StatistikText([&] { return rt::doubleToText(m_k.MinBestimmtheitsmaßIndirektDirekt()); });
    const bool ok = VerdictOk();
    r2 = summaryR2Text(r2, problem);
    row(QStringLiteral("Bewertung"),
        (ok ? QStringLiteral("gut") : QStringLiteral("kritisch")) +
            QStringLiteral(" (Bestimmtheitsmaß R² = %1, erforderlich mindestens %2)")
                .arg(r2.isEmpty() ? QStringLiteral("–") : r2,
                     minimum.isEmpty() ? QStringLiteral("–") : minimum),
        !ok);
    row(QStringLiteral("Kalibriergerade"), summaryLineText(indirekt, direkt, problem),
        !problem.isEmpty());
    if (!ok)
        row(QString(),
            QStringLiteral("Die Kalibriergerade darf nicht für die Umrechnung zwischen den "
                           "Prüfmerkmalen genutzt werden!"),
            true);
    QList<AnforderungWert> werte = AnforderungWerte(m_k);
    if (!problem.isEmpty() && !werte.isEmpty()) {
        row(QStringLiteral("Anforderungswerte"),
            QStringLiteral("Ohne Kalibriergerade lassen sich die Anforderungen nicht auf das "
                           "indirekte Prüfmerkmal umrechnen."),
            true);
        werte.clear();
    }
    for (qsizetype i = 0; i < werte.size(); ++i)
        row(i == 0 ? QStringLiteral("Anforderungswerte") : QString(), werte[i].zeile);
    if (werte.size() > 1)
        table->setCellRowSpan(1, table->Rows() - qint32(werte.size()) + 1, qint32(werte.size()));
    fitLabels(*table);
    band->Elements()->Add(table);
    return band;
}

PictrelPtr Protokoll::SignatureBand(bool Printing) const {
    auto band = std::make_shared<clsPictrel>();
    const double w = Breite();
    const double column = (w - 1.0) / 2;
    const FontPtr bold = ProtocolFont(false, 1, Printing);
    const FontPtr small =
        m_gen.NewFont(QStringLiteral("Times New Roman"), 10 * (Printing ? 1.0 : m_seiten.zoom()));
    QString bearbeiter, prüfstelle;
    for (const Berichtsangabe& a : Berichtskopf(m_k)) {
        if (a.schlüssel == BearbeiterSchlüssel)
            bearbeiter = a.wert.simplified();
        else if (a.schlüssel == PrüfstelleSchlüssel)
            prüfstelle = a.wert.section(u'\n', 0, 0).trimmed();
    }
    const struct {
        double x;
        QString role, name;
    } parties[] = {{0, QStringLiteral("Bearbeiter"), bearbeiter},
                   {column + 1.0, QStringLiteral("Prüfstelle"), prüfstelle}};
    const PenPtr pen = m_gen.NewPen(0, 1, PS_SOLID);
    // The lines to sign on stand below the longer of the two names.
    double first = 2.6;
    for (const auto& p : parties) {
        auto role = m_gen.NewText(p.x, 0, 0, p.role, AlignLeftTop, bold);
        role->setMaxTextWidth(column);
        band->Elements()->Add(role);
        if (!p.name.isEmpty()) {
            auto name = m_gen.NewText(
                p.x, 0.6, 0, BreakLongWords(p.name, ProtocolFont(false, 0, Printing), column),
                AlignLeftTop, ProtocolFont(false, 0, Printing));
            name->setMaxTextWidth(column);
            band->Elements()->Add(name);
            if (m_bander.DrawDest)
                first = std::max(first, 0.6 + heightOf(name) + 1.2);
        }
    }
    for (const auto& p : parties) {
        for (const auto& [y, label] : {std::pair{first, QStringLiteral("Ort, Datum")},
                                       std::pair{first + 1.8, QStringLiteral("Unterschrift")}}) {
            band->Elements()->Add(m_gen.NewLine(p.x, y, 0, p.x + column, y, 0, pen));
            band->Elements()->Add(m_gen.NewText(p.x, y + 0.1, 0, label, AlignLeftTop, small));
        }
    }
    return band;
}

// ---- placing bands ---------------------------------------------------------------

namespace {
// A table split over pages keeps this many data rows on each side of a
// break, and starts under what stands on a page only with this many.
constexpr qint32 MinRowsAtBreak = 2;
constexpr qint32 MinRowsToStart = 3;

ElementTablePtr tableIn(const PictrelPtr& band) {
    ElementTablePtr table;
    for (const ElementPtr& e : *band->Elements())
        if (auto t = std::dynamic_pointer_cast<clsElementTable>(e))
            table = t;
    return table;
}
} // namespace

double Protokoll::bandHeight(const PictrelPtr& band) const {
    return pointOf(band->Elements()->BoundingBoxP2(m_bander.DrawDest)).Y() -
           pointOf(band->Elements()->BoundingBoxP1(m_bander.DrawDest)).Y();
}

double Protokoll::startHeight(const PictrelPtr& band, int headerRows) const {
    // A table with header rows may start with its first rows; anything else
    // starts only as a whole.
    const ElementTablePtr table = tableIn(band);
    const double whole = bandHeight(band);
    if (!table || headerRows <= 0)
        return whole;
    const DrawDestPtr& dest = m_bander.DrawDest;
    double height =
        pointOf(table->PositionTopLeft()).Y() - pointOf(band->Elements()->BoundingBoxP1(dest)).Y();
    const qint32 last = std::min(table->Rows(), headerRows + MinRowsToStart);
    for (qint32 r = 1; r <= last; ++r)
        height += table->RowHeightReal(r, dest);
    return std::min(height, whole);
}

void Protokoll::drawBand(const PictrelPtr& band, int headerRows) {
    const ElementTablePtr table = tableIn(band);
    const double height = bandHeight(band);
    // A band that fits where it is, or that fits on an empty page and cannot
    // start here, is placed as it is; a table with header rows that can start
    // here with its first rows is split instead of leaving the space empty.
    const bool fitsHere = height <= m_bander.RemainingHeight();
    const bool startsHere = table && headerRows > 0 && !m_bander.PageEmpty &&
                            startHeight(band, headerRows) <= m_bander.RemainingHeight();
    if (!table || fitsHere || (height <= m_bander.UsableHeight() && !startsHere)) {
        m_bander.DrawBand(band);
        return;
    }
    drawTableInParts(band, table, headerRows);
}

void Protokoll::drawTableInParts(const PictrelPtr& band, const ElementTablePtr& table,
                                 int headerRows) {
    const DrawDestPtr& dest = m_bander.DrawDest;
    double header = 0;
    for (qint32 r = 1; r <= headerRows; ++r)
        header += table->RowHeightReal(r, dest);
    // What comes before the table in the band (its caption), on the first part only.
    const double above =
        pointOf(table->PositionTopLeft()).Y() - pointOf(band->Elements()->BoundingBoxP1(dest)).Y();
    qint32 first = headerRows + 1;
    bool firstPart = true;
    while (first <= table->Rows()) {
        const double overhead = (firstPart ? above : 0) + header;
        double available = m_bander.RemainingHeight();
        // A part starts under what is on the page only with enough rows.
        double opening = overhead;
        for (qint32 r = first; r <= std::min(table->Rows(), first + MinRowsAtBreak - 1); ++r)
            opening += table->RowHeightReal(r, m_bander.DrawDest);
        if (!m_bander.PageEmpty && opening > available) {
            m_bander.NewPage();
            m_bander.CurrentY = 0;
            available = m_bander.RemainingHeight();
        }
        // As many rows as fit; at least one.
        qint32 last = first;
        double used = overhead + table->RowHeightReal(first, m_bander.DrawDest);
        while (last < table->Rows()) {
            const double next = table->RowHeightReal(last + 1, m_bander.DrawDest);
            if (used + next > available)
                break;
            used += next;
            ++last;
        }
        // No part ends with fewer rows after it than a break keeps.
        if (last < table->Rows() && table->Rows() - last < MinRowsAtBreak &&
            last - first + 1 > MinRowsAtBreak)
            last = std::max(first + MinRowsAtBreak - 1, table->Rows() - MinRowsAtBreak);
        // A span cut at the end of the part may need more room than its rows
        // had in the whole table: the part is measured as it will be drawn.
        ElementTablePtr rows = table->CopyRows(headerRows, first, last);
        while (last > first && overhead - header + rows->Height(m_bander.DrawDest) > available) {
            --last;
            rows = table->CopyRows(headerRows, first, last);
        }
        auto part = std::make_shared<clsPictrel>();
        if (firstPart) {
            for (const ElementPtr& e : *band->Elements())
                if (e != table)
                    part->Elements()->Add(e);
        } else {
            rows->PositionTopLeft()->setY(0);
        }
        part->Elements()->Add(rows);
        m_bander.DrawBand(part);
        first = last + 1;
        firstPart = false;
        if (first <= table->Rows()) {
            m_bander.NewPage();
            m_bander.CurrentY = 0;
        }
    }
}

// ---- the protocol ------------------------------------------------------------------

int Protokoll::BuildProtocol(bool Printing) {
    m_seiten.PageCount = 0;
    m_seiten.ReportNumber = Berichtsnummer();
    // The layout first, on pages that only measure: every footer names the
    // number of pages, known only when the last band is placed.
    m_bander = clsBander();
    m_bander.Recording = true;
    m_bander.OnNewPage = [this] { m_seiten.Bander_NewLayoutPage(m_bander); };
    layOut(Printing);
    std::vector<std::vector<clsBander::PlacedBand>> pages = std::move(m_bander.Pages);
    m_seiten.PageTotal = int(pages.size());

    m_bander = clsBander();
    m_bander.OnNewPage = [this] { m_seiten.Bander_NewPage(m_bander); };
    m_bander.CompletePage = [this] { m_seiten.Bander_CompletePage(m_bander); };
    rt::SkipErrors skip;
    for (std::vector<clsBander::PlacedBand>& page : pages) {
        skip([&] { m_bander.NewPage(); });
        for (clsBander::PlacedBand& placed : page) {
            skip([&] {
                drawDestOf(m_bander.DrawDest)
                    .Transformator()
                    ->PreScalingOffset()
                    ->MoveTo(placed.x, placed.y, 0);
                placed.band->Draw(m_bander.DrawDest);
                m_bander.PageEmpty = false;
            });
            // A page's bands go once it is drawn.
            placed.band.reset();
        }
    }
    m_seiten.Bander_CompletePage(m_bander);
    return m_seiten.PageCount;
}

// One pass of layOut. Headings (with the spacers after them) wait for what
// follows and go on the page only together with its start: never alone at a
// page's foot.
class Protokoll::LayoutPass {
public:
    explicit LayoutPass(Protokoll& protokoll) : m_p(protokoll) {}

    template <class Make>
    void band(Make make, int headerRows = 0) {
        skip([&] { place(make(), headerRows); });
    }
    template <class Make>
    void heading(Make make) {
        skip([&] { m_pending.push_back(make()); });
    }
    void spacer(double height) {
        if (m_pending.empty())
            band([&] { return m_p.SpacerBand(height); });
        else
            m_pending.push_back(m_p.SpacerBand(height));
    }
    // The headings still waiting at the end.
    void finish() {
        for (const PictrelPtr& p : m_pending)
            skip([&] { m_p.m_bander.DrawBand(p); });
    }

    rt::SkipErrors skip;
    // The number of the last numbered heading.
    int section = 0;

private:
    void place(const PictrelPtr& made, int headerRows) {
        clsBander& bander = m_p.m_bander;
        if (!m_pending.empty()) {
            double need = m_p.startHeight(made, headerRows);
            for (const PictrelPtr& p : m_pending)
                need += m_p.bandHeight(p);
            if (!bander.PageEmpty && need > bander.RemainingHeight()) {
                bander.NewPage();
                bander.CurrentY = 0;
            }
            std::vector<PictrelPtr> headings;
            headings.swap(m_pending);
            for (const PictrelPtr& p : headings)
                bander.DrawBand(p);
        }
        m_p.drawBand(made, headerRows);
    }

    Protokoll& m_p;
    std::vector<PictrelPtr> m_pending;
};

void Protokoll::layOut(bool Printing) {
    LayoutPass pass(*this);
    pass.skip([&] { m_bander.NewPage(); });
    layOutTitle(pass, Printing);
    if (m_typ == 0)
        layOutFieldData(pass, Printing);
    layOutMeasuredValues(pass, Printing);
    layOutStatistics(pass, Printing);
    layOutCalibrationLines(pass, Printing);
    // The requirement values, when any are set.
    const QList<AnforderungWert> anforderungen = AnforderungWerte(m_k);
    if (!anforderungen.isEmpty()) {
        pass.spacer(0.4);
        pass.band([&] { return AnforderungswerteBand(anforderungen, Printing); });
    }
    pass.spacer(1.0);
    pass.band([&] { return SignatureBand(Printing); });
    pass.finish();
}

// Who reports what to whom, the title, and the result first.
void Protokoll::layOutTitle(LayoutPass& pass, bool Printing) {
    pass.band([&] { return HeaderBand(Printing); });
    pass.spacer(0.4);
    pass.heading([&] {
        return TextBand(0,
                        QStringLiteral("Kalibrierung eines direkten und eines indirekten "
                                       "Prüfmerkmals \r\nnach Velmor Teil E 4 (Ausgabe 2003)"),
                        Printing);
    });
    pass.spacer(0.25);
    pass.band([&] { return SummaryBand(Printing); });
    pass.spacer(0.5);
}

void Protokoll::layOutFieldData(LayoutPass& pass, bool Printing) {
    ++pass.section;
    const int n = pass.section;
    pass.heading([&] {
        return TextBand(1,
                        QString::number(n) + QStringLiteral(" Protokoll zur Anlage des "
                                                            "Kalibrierfeldes"),
                        Printing);
    });
    pass.spacer(0.25);
    pass.band([&] {
        return FieldDataBand(2, QString::number(n) + QStringLiteral(".1 Unterlage"), Printing, 1);
    });
    pass.spacer(0.5);
    pass.band([&] {
        return FieldDataBand(2, QString::number(n) + QStringLiteral(".2 Kalibrierfeld"), Printing,
                             2);
    });
    pass.spacer(0.5);
}

void Protokoll::layOutMeasuredValues(LayoutPass& pass, bool Printing) {
    ++pass.section;
    const int n = pass.section;
    // The measured values repeat their two header rows on every page.
    pass.band(
        [&] {
            return MeasuredValuesBand(
                1, QString::number(n) + QStringLiteral(" Messergebnisse im Kalibrierfeld"),
                Printing);
        },
        2);
    pass.spacer(0.5);
}

void Protokoll::layOutStatistics(LayoutPass& pass, bool Printing) {
    ++pass.section;
    const int n = pass.section;
    pass.heading([&] {
        return TextBand(1, QString::number(n) + QStringLiteral(" Statistische Auswertung"),
                        Printing);
    });
    pass.spacer(0.25);
    pass.band([&] { return MeansBand(1, QStringLiteral("Mittelwerte"), Printing); });
    pass.spacer(0.25);
    pass.band([&] { return VariancesBand(1, QStringLiteral("Varianzen"), Printing); });
    pass.spacer(0.25);
    pass.band([&] { return StdDevBand(1, QStringLiteral("Standardabweichungen"), Printing); });
    pass.spacer(0.25);
    pass.band([&] { return CovariancesBand(1, QStringLiteral("Kovarianzen"), Printing); });
    pass.spacer(0.25);
    pass.band([&] { return DeterminationBand(1, QStringLiteral("Bestimmtheitsmaße"), Printing); });
    pass.spacer(0.25);
    pass.band([&] { return VerdictBand(1, QStringLiteral("Plausibilitätsprüfung"), Printing); });
    pass.spacer(0.25);
}

void Protokoll::layOutCalibrationLines(LayoutPass& pass, bool Printing) {
    const Prüfmerkmal& direkt = m_k.DirektesPrüfmerkmal();
    const Prüfmerkmal& indirekt = m_k.IndirektesPrüfmerkmal();
    const Prüfmerkmal& kovariable = m_k.Kovariable();
    layOutCalibrationLine(pass, direkt, mDirekt, indirekt, mIndirekt, Printing);
    pass.spacer(0.4);
    layOutCalibrationLine(pass, direkt, mDirekt, kovariable, mZ, Printing);
    pass.spacer(0.4);
    layOutCalibrationLine(pass, indirekt, mIndirekt, kovariable, mZ, Printing);
}

// A block that cannot be computed is named, with the reason, instead of
// leaving a silent gap; the line between the two measured characteristics
// carries the verdict when it is critical.
void Protokoll::layOutCalibrationLine(LayoutPass& pass, const Prüfmerkmal& b, MerkmalEnum mb,
                                      const Prüfmerkmal& a, MerkmalEnum ma, bool Printing) {
    const QString caption = QStringLiteral("Kalibriergerade zwischen ") + b.Formelzeichen() +
                            QStringLiteral(" und ") + a.Formelzeichen();
    QString warning;
    if (ma == mIndirekt && mb == mDirekt && !VerdictOk())
        warning = QStringLiteral("Das Bestimmtheitsmaß ist kritisch: Diese Kalibriergerade "
                                 "darf nicht für die Umrechnung zwischen den Prüfmerkmalen "
                                 "genutzt werden!");
    PictrelPtr made;
    try {
        made = CalibrationLineBand(1, caption, ma, a.Formelzeichen(), a.Einheit(), mb,
                                   b.Formelzeichen(), b.Einheit(), Printing, warning);
    } catch (const rt::RuntimeError& e) {
        const QString reason = NotComputable(ma, a.Formelzeichen(), mb, b.Formelzeichen(), e);
        pass.band([&] {
            auto text = std::make_shared<clsPictrel>();
            text->Elements()->Add(
                WrappedText(caption + QStringLiteral(": nicht berechenbar: ") + reason,
                            ProtocolFont(false, 1, Printing)));
            return text;
        });
        return;
    }
    pass.band([&] { return made; });
}

PictrelPtr Protokoll::AnforderungswerteBand(const QList<AnforderungWert>& anforderungen,
                                            bool Printing) const {
    auto text = std::make_shared<clsPictrel>();
    auto caption = m_gen.NewText(0, 0, 0, QStringLiteral("Anforderungswerte"), AlignLeftTop,
                                 ProtocolFont(false, 1, Printing));
    text->Elements()->Add(caption);
    // Each line, with its critical note in bold below it.
    auto lines = WrappedText(QString(), ProtocolFont(false, 0, Printing));
    lines->setRows(0);
    auto zeile = [&](const QString& t) {
        lines->setRows(lines->Rows() + 1);
        lines->setTextMatrix(1, lines->Rows(), t);
        lines->setCellAlignment(1, lines->Rows(), AlignLeftTop);
    };
    for (const AnforderungWert& w : anforderungen) {
        zeile(w.zeile);
        if (!w.hinweis.isEmpty()) {
            zeile(w.hinweis.trimmed());
            lines->setCellFont(1, lines->Rows(), ProtocolFont(false, 1, Printing));
        }
    }
    lines->PositionTopLeft()->setY(heightOf(caption) + 0.15);
    text->Elements()->Add(lines);
    return text;
}
