// The statistical evaluation of the protocol: the five statistics tables and
// the three calibration-line blocks with their diagrams.

#include "Protokoll.h"

#include "ProtokollSeiten.h"

#include "ElementDiagramm2DPoint.h"
#include "MessageService.h"
#include "SimpleElements.h"

#include "Ergebnisliste.h"
#include "Kalibrierung.h"

#include "Conversion.h"
#include "RuntimeError.h"
#include "UserLocale.h"

#include <algorithm>
#include <cmath>
#include <functional>

namespace {
const QString TableKey = QStringLiteral("Table");

double signOf(double v) {
    return v > 0 ? 1 : (v < 0 ? -1 : 0);
}

} // namespace

QString Protokoll::StatistikText(const std::function<QString()>& text) {
    try {
        return text();
    } catch (const rt::RuntimeError&) {
        return QString();
    }
}

QString Protokoll::UnitText(const QString& Unit) {
    return Unit.trimmed() == u"-" ? QString() : Unit;
}

double Protokoll::MerkmalValue(MerkmalEnum Merkmal, rt::Long Feld, rt::Long Punkt) const {
    if (Merkmal == mZ)
        return m_k.PrüffeldWert(Feld);
    return m_k.Messwert(PrüfmerkmalEnum(Merkmal), Feld, Punkt).toDouble();
}

ElementTablePtr Protokoll::tableOf(const PictrelPtr& band) {
    return std::dynamic_pointer_cast<clsElementTable>(band->Elements()->Item(TableKey));
}

PictrelPtr Protokoll::StatisticsTableBand(int Level, const QString& Caption, bool Printing) const {
    auto band = std::make_shared<clsPictrel>();
    auto caption =
        m_gen.NewText(0, 0, 0, Caption, AlignLeftTop, ProtocolFont(false, Level, Printing));
    caption->setMaxTextWidth(Breite());
    auto table = std::make_shared<clsElementTable>();
    table->setCellFontStd(ProtocolFont(false, 0, Printing));
    table->setPen(m_gen.NewPen(0, 1, PS_NULL));
    // Label, number and unit, within the margins; the numbers right-aligned
    // in a column of their own.
    table->setCols(3);
    table->setColWidth(1, Maß(8.0));
    table->setColWidth(2, Maß(4.0));
    table->setColWidth(3, Maß(5.0));
    table->PositionTopLeft()->setY(heightOf(caption) + 0.15);
    band->Elements()->Add(caption);
    band->Elements()->Add(table, TableKey);
    return band;
}

namespace {
// The three characteristics with their labels in the statistics tables.
struct Zeile {
    MerkmalEnum merkmal;
    const char16_t* label;
};
const Zeile Merkmale[] = {
    {mDirekt, u"direktes Prüfmerkmal ("},
    {mIndirekt, u"indirektes Prüfmerkmal ("},
    {mZ, u"Kovariable ("},
};
const Prüfmerkmal& merkmal(const Kalibrierung& k, MerkmalEnum m) {
    return m == mDirekt ? k.DirektesPrüfmerkmal()
                        : (m == mIndirekt ? k.IndirektesPrüfmerkmal() : k.Kovariable());
}
} // namespace

// How a statistics table of the three characteristics shows its unit: after a
// blank, in brackets squared, and whether the covariable has one.
struct Merkmalstabelle {
    enum class Einheit { Blank, Quadrat };
    QString (Kalibrierung::*text)(MerkmalEnum) const;
    Einheit einheit;
    bool kovariableMitEinheit;
};

namespace {
using Einheit = Merkmalstabelle::Einheit;
const Merkmalstabelle Mittelwerte{&Kalibrierung::StatistikMittelwertString, Einheit::Blank, true};
const Merkmalstabelle Varianzen{&Kalibrierung::StatistikVarianzString, Einheit::Quadrat, false};
const Merkmalstabelle Standardabweichungen{&Kalibrierung::StatistikStandardabweichungString,
                                           Einheit::Blank, false};
} // namespace

PictrelPtr Protokoll::merkmalsBand(int Level, const QString& Caption, bool Printing,
                                   const Merkmalstabelle& t) const {
    PictrelPtr band = StatisticsTableBand(Level, Caption, Printing);
    const ElementTablePtr table = tableOf(band);
    for (const Zeile& z : Merkmale) {
        const Prüfmerkmal& pm = merkmal(m_k, z.merkmal);
        const QString value = StatistikText([&] { return (m_k.*t.text)(z.merkmal); });
        QString unit;
        if (z.merkmal != mZ || t.kovariableMitEinheit)
            unit = t.einheit == Einheit::Blank
                       ? u' ' + UnitText(pm.Einheit())
                       : QStringLiteral(" (") + UnitText(pm.Einheit()) + QStringLiteral(")²");
        AppendValueRow(*table, QString::fromUtf16(z.label) + pm.Bezeichung() + u')', value, unit);
    }
    fitValues(*table);
    return band;
}

void Protokoll::fitValues(clsElementTable& table) const {
    for (qint32 r = 1; r <= table.Rows(); ++r)
        for (qint32 c = 1; c <= 2; ++c)
            FitCell(table, c, r);
}

PictrelPtr Protokoll::MeansBand(int Level, const QString& Caption, bool Printing) const {
    return merkmalsBand(Level, Caption, Printing, Mittelwerte);
}

PictrelPtr Protokoll::VariancesBand(int Level, const QString& Caption, bool Printing) const {
    return merkmalsBand(Level, Caption, Printing, Varianzen);
}

PictrelPtr Protokoll::StdDevBand(int Level, const QString& Caption, bool Printing) const {
    return merkmalsBand(Level, Caption, Printing, Standardabweichungen);
}

PictrelPtr Protokoll::CovariancesBand(int Level, const QString& Caption, bool Printing) const {
    PictrelPtr band = StatisticsTableBand(Level, Caption, Printing);
    const ElementTablePtr table = tableOf(band);
    AppendValueRow(*table, QStringLiteral("direktes und indirektes Prüfmerkmal"),
                   StatistikText([&] { return m_k.StatistikKovarianzString(mIndirekt, mDirekt); }));
    AppendValueRow(*table, QStringLiteral("direktes Prüfmerkmal und Kovariable"),
                   StatistikText([&] { return m_k.StatistikKovarianzString(mDirekt, mZ); }));
    AppendValueRow(*table, QStringLiteral("indirektes Prüfmerkmal und Kovariable"),
                   StatistikText([&] { return m_k.StatistikKovarianzString(mIndirekt, mZ); }));
    fitValues(*table);
    return band;
}

PictrelPtr Protokoll::DeterminationBand(int Level, const QString& Caption, bool Printing) const {
    PictrelPtr band = StatisticsTableBand(Level, Caption, Printing);
    const ElementTablePtr table = tableOf(band);
    AppendValueRow(
        *table, QStringLiteral("direktes und indirektes Prüfmerkmal"),
        StatistikText([&] { return m_k.StatistikBestimmtheitsmaßString(mIndirekt, mDirekt); }));
    AppendValueRow(*table, QStringLiteral("direktes Prüfmerkmal und Kovariable"),
                   StatistikText([&] { return m_k.StatistikBestimmtheitsmaßString(mDirekt, mZ); }));
    AppendValueRow(
        *table, QStringLiteral("indirektes Prüfmerkmal und Kovariable"),
        StatistikText([&] { return m_k.StatistikBestimmtheitsmaßString(mIndirekt, mZ); }));
    fitValues(*table);
    return band;
}

ElementTablePtr Protokoll::WrappedText(const QString& Text, const FontPtr& Font) const {
    auto table = std::make_shared<clsElementTable>();
    table->setCellFontStd(Font);
    table->setPen(m_gen.NewPen(0, 1, PS_NULL));
    table->setCols(1);
    table->setRows(1);
    table->setColWidth(1, Breite());
    table->setTextMatrix(1, 1, Text);
    table->setCellAlignment(1, 1, AlignLeftTop);
    return table;
}

PictrelPtr Protokoll::VerdictBand(int Level, const QString& Caption, bool Printing) const {
    PictrelPtr band = StatisticsTableBand(Level, Caption, Printing);
    const ElementTablePtr table = tableOf(band);
    AppendValueRow(
        *table, QStringLiteral("Bestimmtheitsmaß direktes und indirektes Prüfmerkmal"),
        StatistikText([&] { return m_k.StatistikBestimmtheitsmaßString(mIndirekt, mDirekt); }));
    AppendValueRow(
        *table, QStringLiteral("minimal erforderliches Bestimmtheitsmaß"),
        StatistikText([&] { return rt::doubleToText(m_k.MinBestimmtheitsmaßIndirektDirekt()); }));
    AppendValueRow(*table, QStringLiteral("Bewertung"),
                   VerdictOk() ? QStringLiteral("gut") : QStringLiteral("kritisch"));
    fitValues(*table);
    // The sentence of the results page below, wrapped at the table's width;
    // in bold when the line must not be used.
    table->setRows(table->Rows() + 1);
    const qint32 row = table->Rows();
    table->setCellColSpan(1, row, 3);
    table->setTextMatrix(1, row, PlausibilitätText(m_k).replace(u'\n', u' '));
    table->setCellAlignment(1, row, AlignLeftTop);
    table->setCellInnerSpacingTop(1, row, 0.15);
    if (!VerdictOk())
        table->setCellFont(1, row, ProtocolFont(false, 1, Printing));
    return band;
}

bool Protokoll::VerdictOk() const {
    return m_k.StatistikBestimmtheitsmaßIndirektDirektOk();
}

QString Protokoll::NotComputable(MerkmalEnum MerkmalA, const QString& SymbolA, MerkmalEnum MerkmalB,
                                 const QString& SymbolB, const rt::RuntimeError& error) const {
    const QString problem = LineProblem(MerkmalA, SymbolA, MerkmalB, SymbolB);
    return problem.isEmpty()
               ? QStringLiteral("%1 (%2)").arg(error.description()).arg(error.number())
               : problem;
}

QString Protokoll::LineProblem(MerkmalEnum MerkmalA, const QString& SymbolA, MerkmalEnum MerkmalB,
                               const QString& SymbolB) const {
    // The usual reasons, named: one value for all points (one test field for
    // the covariable), or values that are missing. Every slope is made of
    // covariances with the covariable, so it counts for each block.
    QString symbolZ;
    try {
        symbolZ = m_k.Kovariable().Formelzeichen();
    } catch (const rt::RuntimeError&) {
    }
    QList<std::pair<MerkmalEnum, QString>> merkmale{{MerkmalA, SymbolA}, {MerkmalB, SymbolB}};
    if (MerkmalA != mZ && MerkmalB != mZ)
        merkmale.append({mZ, symbolZ});
    for (const auto& [merkmal, symbol] : merkmale) {
        try {
            if (m_k.StatistikVarianz(merkmal) == 0)
                return QStringLiteral("Varianz 0 (%1)").arg(symbol);
        } catch (const rt::RuntimeError&) {
            return QStringLiteral("Messwerte fehlen oder sind keine Zahlen (%1)").arg(symbol);
        }
    }
    // A characteristic that does not change with the covariable.
    for (const auto& [merkmal, symbol] : merkmale) {
        try {
            if (merkmal != mZ && m_k.StatistikKovarianz(merkmal, mZ) == 0)
                return QStringLiteral("Kovarianz 0 (%1, %2)").arg(symbol, symbolZ);
        } catch (const rt::RuntimeError&) {
        }
    }
    // Else the error of the line itself.
    try {
        for (const auto& [x, y] : {std::pair{MerkmalB, MerkmalA}, std::pair{MerkmalA, MerkmalB}}) {
            m_k.StatistikKalibriergeradeAnstieg(x, y);
            m_k.StatistikKalibriergeradeAchsenabschnitt(x, y);
        }
    } catch (const rt::RuntimeError& e) {
        return QStringLiteral("%1 (%2)").arg(e.description()).arg(e.number());
    }
    return QString();
}

Protokoll::AxisRangeRecord Protokoll::AxisRange(MerkmalEnum Merkmal, bool IncludeExtra,
                                                double Extra1, double Extra2) const {
    std::vector<double> extra;
    if (IncludeExtra)
        extra = {Extra1, Extra2};
    return AxisRange(Merkmal, extra);
}

std::vector<Protokoll::Anforderungspunkt> Protokoll::Anforderungspunkte() const {
    std::vector<Anforderungspunkt> punkte;
    double a = 0, b = 0, low = 0, high = 0;
    try {
        a = m_k.StatistikKalibriergeradeAchsenabschnitt(mIndirekt, mDirekt);
        b = m_k.StatistikKalibriergeradeAnstieg(mIndirekt, mDirekt);
        const AxisRangeRecord direkt = AxisRange(mDirekt, {});
        low = direkt.Min;
        high = direkt.Max;
    } catch (const rt::RuntimeError&) {
        return punkte;
    }
    const QString direkt = m_k.DirektesPrüfmerkmal().Formelzeichen();
    const QString indirekt = m_k.IndirektesPrüfmerkmal().Formelzeichen();
    // Requirements outside the measured range are drawn, the axes reaching
    // them, unless they are so far out that the points would shrink into a
    // corner: more than the range itself.
    for (const AnforderungWert& w : AnforderungWerte(m_k)) {
        if (!w.wert)
            continue;
        Anforderungspunkt p;
        const double range = high - low;
        p.imDiagramm = w.anforderung >= low - range && w.anforderung <= high + range;
        p.direkt = w.anforderung;
        p.indirekt = a + b * w.anforderung;
        p.steigung = b;
        p.linieVon = {a + b * low, low};
        p.linieBis = {a + b * high, high};
        p.beschriftung = direkt + QStringLiteral(" ≥ ") + w.anforderungText +
                         QStringLiteral(" → ") + indirekt +
                         (w.steigend ? QStringLiteral(" ≥ ") : QStringLiteral(" ≤ ")) + w.wertText;
        punkte.push_back(p);
    }
    return punkte;
}

Protokoll::AxisRangeRecord Protokoll::AxisRange(MerkmalEnum Merkmal,
                                                const std::vector<double>& Extra) const {
    AxisRangeRecord r;
    // The walk is bounded by what a calibration can hold.
    m_k.PrüfpunkteTotal();
    bool first = true;
    const rt::Long felder = m_k.PrüffelderAnzahl();
    for (rt::Long f = 1; f <= felder; ++f) {
        const rt::Long punkte = m_k.PrüffeldPrüfpunkte(f);
        for (rt::Long p = 1; p <= punkte; ++p) {
            const double v = MerkmalValue(Merkmal, f, p);
            if (first) {
                r.Min = r.Max = v;
                first = false;
            } else {
                if (v < r.Min)
                    r.Min = v;
                if (v > r.Max)
                    r.Max = v;
            }
        }
    }
    for (double e : Extra) {
        if (e < r.Min)
            r.Min = e;
        if (e > r.Max)
            r.Max = e;
    }
    const double range = rt::checkedFinite(r.Max - r.Min);
    r.Step = rt::checkedFinite(std::pow(10.0, -std::floor(-Log10(range)) - 1));
    r.Min -= r.Step / 10;
    r.Max += r.Step / 10;
    // The lower limit towards zero as the method draws it; a negative one
    // downwards, so that no point lies below the axis.
    const double low = rt::checkedDivide(r.Min, r.Step);
    r.Min = (r.Min < 0 ? std::floor(low) : std::trunc(low)) * r.Step;
    r.Max = std::ceil(rt::checkedDivide(r.Max, r.Step)) * r.Step;
    return r;
}

std::shared_ptr<clsElementPictrel>
Protokoll::CalibrationDiagram(MerkmalEnum MerkmalA, const QString& SymbolA, const QString& UnitA,
                              MerkmalEnum MerkmalB, const QString& SymbolB, const QString& UnitB,
                              bool Printing) const {
    auto nested = std::make_shared<clsElementPictrel>();
    auto d = std::make_shared<clsElementDiagramm2DPoint>();
    d->EdgeTopLeft()->MoveTo(4.0, 0, 0);
    d->EdgeBottomRight()->MoveTo(14.0, 7.0, 0);
    // The requirements on the direct characteristic, where the diagram has
    // the indirect one across and the direct one up: each point on the line
    // indirect = f(direct) that translates it.
    std::vector<Anforderungspunkt> anforderungen, ausgelassen;
    if (MerkmalA == mIndirekt && MerkmalB == mDirekt) {
        for (const Anforderungspunkt& p : Anforderungspunkte())
            (p.imDiagramm ? anforderungen : ausgelassen).push_back(p);
    }
    std::vector<double> extraX, extraY;
    for (const Anforderungspunkt& p : anforderungen) {
        extraX.insert(extraX.end(), {p.indirekt, p.linieVon.first, p.linieBis.first});
        extraY.push_back(p.direkt);
    }
    const AxisRangeRecord x = AxisRange(MerkmalA, extraX);
    d->setAxisXCaption(SymbolA + QStringLiteral(" [") + UnitA + u']');
    d->AxisXCaptionOffset()->MoveTo(0, -1.0, 0);
    d->setAxisXMin(x.Min);
    d->setAxisXMax(x.Max);
    d->setAxisXGridMajorStep(signOf(d->AxisXMax() - d->AxisXMin()) * x.Step);
    d->setAxisXNumberFormat(m_k.MerkmalNumberFormat(MerkmalA));
    d->setFontAxisX(ProtocolFont(false, 0, Printing));
    d->setFontAxisXCaption(ProtocolFont(false, 1, Printing));
    // The y axis reaches the calibration line's ends, computed from the texts shown.
    const QString a1 = m_k.StatistikKalibriergeradeAchsenabschnittString(MerkmalB, MerkmalA);
    const QString b1 = m_k.StatistikKalibriergeradeAnstiegString(MerkmalB, MerkmalA);
    const double e1 = rt::textToDouble(b1) * d->AxisXMin() + rt::textToDouble(a1);
    const double e2 = rt::textToDouble(b1) * d->AxisXMax() + rt::textToDouble(a1);
    extraY.insert(extraY.end(), {e1, e2});
    // And the ends of the line as drawn, from the full numbers: a slope shown
    // as 0,0000 may still climb over a wide axis.
    {
        const double a = m_k.StatistikKalibriergeradeAchsenabschnitt(MerkmalB, MerkmalA);
        const double b = m_k.StatistikKalibriergeradeAnstieg(MerkmalB, MerkmalA);
        extraY.insert(extraY.end(), {b * x.Min + a, b * x.Max + a});
    }
    const AxisRangeRecord y = AxisRange(MerkmalB, extraY);
    d->setAxisYCaption(SymbolB + QStringLiteral(" [") + UnitB + u']');
    d->AxisYCaptionOffset()->MoveTo(-1.5, 0, 0);
    d->setAxisYMin(y.Max);
    d->setAxisYMax(y.Min);
    d->setAxisYGridMajorStep(signOf(d->AxisYMax() - d->AxisYMin()) * y.Step);
    d->setAxisYFlip(true);
    d->setAxisYNumberFormat(m_k.MerkmalNumberFormat(MerkmalB) + u' ');
    d->setFontAxisY(ProtocolFont(false, 0, Printing));
    d->setFontAxisYCaption(ProtocolFont(false, 1, Printing));
    // Room on the left for the y axis' numbers and caption, within the
    // margin where the sheet allows; the plot as wide as on A4 if it can be.
    double left = std::max(2.6, Maß(4.0));
    if (m_bander.DrawDest) {
        clsDrawDest& dest = drawDestOf(m_bander.DrawDest);
        dest.setFont(d->FontAxisY());
        double numbers = 0;
        for (const double v : {y.Min, y.Max, (y.Min + y.Max) / 2})
            numbers =
                std::max(numbers, dest.TextWidth(rt::formatNumber(v, d->AxisYNumberFormat()), 0));
        // The caption stands 1,5 cm left of the plot, or clear of the numbers;
        // a caption too long for the room left of a 4 cm plot gets smaller type.
        const double clear = std::max(1.5, numbers + 0.25) + 0.1;
        const double room = std::max(0.5, Breite() - 4.6 - clear);
        d->setFontAxisYCaption(FittingFont(d->FontAxisYCaption(), d->AxisYCaption(), room));
        d->setAxisYCaption(Wrapped(d->AxisYCaption(), d->FontAxisYCaption(), room));
        left = std::max(left, clear + widestLine(d->AxisYCaption(), d->FontAxisYCaption()));
        left = std::min(left, std::max(2.6, Breite() - 4.6));
    }
    d->EdgeTopLeft()->MoveTo(left, 0, 0);
    d->EdgeBottomRight()->MoveTo(left + std::min(10.0, Breite() - left - 0.6), 7.0, 0);
    // The x caption, centred under the plot, within the margins: a long one
    // under the middle of the line, in smaller type where it must.
    const double centre = (d->EdgeTopLeft()->X() + d->EdgeBottomRight()->X()) / 2;
    const FontPtr xCaption = FittingFont(d->FontAxisXCaption(), d->AxisXCaption(),
                                         2 * std::min(centre, Breite() - centre) - 0.2);
    if (xCaption != d->FontAxisXCaption()) {
        d->AxisXCaptionOffset()->MoveTo(Breite() / 2 - centre, -1.0, 0);
        d->setFontAxisXCaption(FittingFont(d->FontAxisXCaption(), d->AxisXCaption(), Breite()));
    }

    const rt::Long felder = m_k.PrüffelderAnzahl();
    double lowA = 0, highA = 0;
    qint64 count = 0;
    for (rt::Long f = 1; f <= felder; ++f) {
        const rt::Long punkte = m_k.PrüffeldPrüfpunkte(f);
        for (rt::Long p = 1; p <= punkte; ++p) {
            const double xv = MerkmalValue(MerkmalA, f, p);
            lowA = count == 0 ? xv : std::min(lowA, xv);
            highA = count == 0 ? xv : std::max(highA, xv);
            ++count;
            d->AddPoint(1, m_gen.NewPoint(xv, MerkmalValue(MerkmalB, f, p), 0));
        }
    }
    d->setRowLinePen(1, m_gen.NewPen(0, 1, PS_NULL));
    d->setRowPointSymbol(1, psRomb);
    d->setRowPointBrush(1, m_gen.NewBrush(0, BS_SOLID, HS_SOLID));
    // Many points would merge into a black area: the markers get smaller.
    d->setRowPointSymbolSize(
        1, std::clamp(0.5 * std::sqrt(30.0 / double(std::max<qint64>(count, 1))), 0.12, 0.5));
    // The calibration line over the whole range of the data, drawn after the
    // points: over a dense cloud of them a white edge keeps it visible; a
    // few points stay visible beside the thin line.
    const double a = m_k.StatistikKalibriergeradeAchsenabschnitt(MerkmalB, MerkmalA);
    const double b = m_k.StatistikKalibriergeradeAnstieg(MerkmalB, MerkmalA);
    for (const qint32 row : {2, 3})
        for (const double xv : {lowA, highA})
            d->AddPoint(row, m_gen.NewPoint(xv, xv * b + a, 0));
    constexpr qint64 DenseCloud = 200;
    d->setRowLinePen(2, m_gen.NewPen(0xFFFFFF, 6, count > DenseCloud ? PS_SOLID : PS_NULL));
    d->setRowPointSymbol(2, psNone);
    d->setRowLinePen(3, m_gen.NewPen(0, 2, PS_SOLID));
    d->setRowPointSymbol(3, psNone);
    // Each requirement: dashed from the direct axis across to the line and
    // down to the indirect axis, labelled with both values; the line it is
    // read on thin and grey.
    qint32 row = 4;
    const FontPtr klein =
        m_gen.NewFont(QStringLiteral("Times New Roman"), 9 * (Printing ? 1.0 : m_seiten.zoom()));
    const double plotLeft = d->EdgeTopLeft()->X();
    const double plotWidth = d->EdgeBottomRight()->X() - plotLeft;
    std::vector<std::shared_ptr<clsElementText>> labels;
    for (size_t i = 0; i < anforderungen.size(); ++i, ++row) {
        const Anforderungspunkt& p = anforderungen[i];
        if (i == 0) {
            // The line indirect = f(direct), cut to the plot area.
            const double yLow = std::min(d->AxisYMin(), d->AxisYMax());
            const double yHigh = std::max(d->AxisYMin(), d->AxisYMax());
            const double abschnitt = p.linieVon.first - p.linieVon.second * p.steigung;
            double from = std::max(yLow, p.linieVon.second),
                   to = std::min(yHigh, p.linieBis.second);
            if (p.steigung != 0) {
                const double y1 = (d->AxisXMin() - abschnitt) / p.steigung;
                const double y2 = (d->AxisXMax() - abschnitt) / p.steigung;
                from = std::max(from, std::min(y1, y2));
                to = std::min(to, std::max(y1, y2));
            }
            if (from < to) {
                d->AddPoint(row, m_gen.NewPoint(abschnitt + p.steigung * from, from, 0));
                d->AddPoint(row, m_gen.NewPoint(abschnitt + p.steigung * to, to, 0));
            }
            d->setRowLinePen(row, m_gen.NewPen(0x808080, 1, PS_SOLID));
            d->setRowPointSymbol(row, psNone);
            ++row;
        }
        d->AddPoint(row, m_gen.NewPoint(d->AxisXMin(), p.direkt, 0));
        d->AddPoint(row, m_gen.NewPoint(p.indirekt, p.direkt, 0));
        d->AddPoint(row, m_gen.NewPoint(p.indirekt, d->AxisYMax(), 0));
        d->setRowLinePen(row, m_gen.NewPen(0, 1, PS_DASH));
        d->setRowPointSymbol(row, psNone);
        const double yCm =
            d->EdgeTopLeft()->Y() + (p.direkt - d->AxisYMin()) / (d->AxisYMax() - d->AxisYMin()) *
                                        (d->EdgeBottomRight()->Y() - d->EdgeTopLeft()->Y());
        // Within the plot's width, in smaller type and wrapped where it must.
        const FontPtr font = FittingFont(klein, p.beschriftung, plotWidth - 0.2);
        auto label = m_gen.NewText(plotLeft + 0.1, yCm - 0.03, 0,
                                   BreakLongWords(p.beschriftung, font, plotWidth - 0.2),
                                   AlignLeftBottom, font);
        label->setMaxTextWidth(plotWidth - 0.2);
        labels.push_back(label);
    }
    // Labels of requirements close together stand one above the other.
    std::sort(labels.begin(), labels.end(), [](const auto& erstes, const auto& zweites) {
        return erstes->Coordinates()->Y() > zweites->Coordinates()->Y();
    });
    for (size_t i = 1; i < labels.size(); ++i) {
        const auto& unter = labels[i - 1];
        const double höhe =
            m_bander.DrawDest ? heightOf(unter) : unter->Font()->Size() * 2.54 / 72 * 1.25;
        const double über = unter->Coordinates()->Y() - höhe;
        if (labels[i]->Coordinates()->Y() > über)
            labels[i]->Coordinates()->setY(über);
    }
    nested->Pictrel()->Elements()->Add(d);
    // Over the plot area, which the diagram fills.
    for (const auto& label : labels)
        nested->Pictrel()->Elements()->Add(label);
    // Room below the plot area for the numbers and the caption of the x axis.
    double unten = d->EdgeBottomRight()->Y() + 1.2;
    // Requirements the axes would have to stretch to are named below.
    QStringList draußen;
    for (const Anforderungspunkt& p : ausgelassen)
        draußen.append(p.beschriftung);
    if (!draußen.isEmpty()) {
        auto note = m_gen.NewText(0, unten + 0.1, 0,
                                  QStringLiteral("Nicht im Diagramm, weit außerhalb des "
                                                 "Messbereichs: ") +
                                      draußen.join(QStringLiteral("; ")),
                                  AlignLeftTop, klein);
        note->setMaxTextWidth(Breite());
        nested->Pictrel()->Elements()->Add(note);
        unten += 0.1 + (m_bander.DrawDest ? heightOf(note) : 0.8);
    }
    nested->Pictrel()->Elements()->Add(
        m_gen.NewLine(0, d->EdgeBottomRight()->Y(), 0, 0, unten, 0, m_gen.NewPen(0, 1, PS_NULL)));
    return nested;
}

QString Protokoll::Gleichung(const QString& Left, const QString& Intercept, const QString& Slope,
                             const QString& Right) {
    // The slope's amount in the ordinary text of a number (-0,250 gives
    // 0,25), grouped as the table's cells are (27.910,9007).
    const double b = rt::textToDouble(Slope);
    QString amount = rt::doubleToText(std::fabs(b));
    if (!amount.contains(u'E')) {
        const qsizetype point = amount.indexOf(rt::userLocale().decimal);
        const qsizetype decimals = point < 0 ? 0 : amount.size() - point - 1;
        amount = rt::formatNumber(std::fabs(b),
                                  decimals ? QStringLiteral("#,##0.") + QString(decimals, u'0')
                                           : QStringLiteral("#,##0"));
    }
    return Left + QStringLiteral(" = ") + Intercept + u' ' + (b > 0 ? u'+' : u'-') + u' ' + amount +
           QStringLiteral(" * ") + Right;
}

PictrelPtr Protokoll::CalibrationLineBand(int Level, const QString& Caption, MerkmalEnum MerkmalA,
                                          const QString& SymbolA, const QString& UnitA,
                                          MerkmalEnum MerkmalB, const QString& SymbolB,
                                          const QString& UnitB, bool Printing,
                                          const QString& Warning) const {
    auto band = std::make_shared<clsPictrel>();
    double top = 0;
    if (!Warning.isEmpty()) {
        auto warning = WrappedText(Warning, ProtocolFont(false, 1, Printing));
        band->Elements()->Add(warning);
        top = warning->Height(m_bander.DrawDest) + 0.15;
    }
    auto caption =
        m_gen.NewText(0, top, 0, Caption, AlignLeftTop, ProtocolFont(false, Level, Printing));
    caption->setMaxTextWidth(Breite());
    band->Elements()->Add(caption);

    auto table = std::make_shared<clsElementTable>();
    table->setCellFontStd(ProtocolFont(false, 0, Printing));
    table->setPen(m_gen.NewPen(0, 1, PS_SOLID));
    table->setCellAlignmentStd(AlignLeftTop);
    table->setCellInnerSpacingStd(0.1);
    table->setCols(3);
    table->setRows(4);
    table->setColWidth(1, Maß(3.2));
    table->setColWidth(2, Maß(6.9));
    table->setColWidth(3, Maß(6.9));
    table->PositionTopLeft()->setY(top + heightOf(caption) + 0.15);
    const QString a1 = m_k.StatistikKalibriergeradeAchsenabschnittString(MerkmalB, MerkmalA);
    const QString b1 = m_k.StatistikKalibriergeradeAnstiegString(MerkmalB, MerkmalA);
    const QString a2 = m_k.StatistikKalibriergeradeAchsenabschnittString(MerkmalA, MerkmalB);
    const QString b2 = m_k.StatistikKalibriergeradeAnstiegString(MerkmalA, MerkmalB);
    table->setTextMatrix(1, 2, QStringLiteral("Achsenabschnitt a"));
    table->setTextMatrix(1, 3, QStringLiteral("Anstieg b"));
    table->setTextMatrix(1, 4, QStringLiteral("Gleichung"));
    table->setTextMatrix(2, 1, SymbolB + QStringLiteral(" = f(") + SymbolA + u')');
    table->setTextMatrix(2, 2, a1);
    table->setTextMatrix(2, 3, b1);
    table->setTextMatrix(2, 4, Gleichung(SymbolB, a1, b1, SymbolA));
    table->setTextMatrix(3, 1, SymbolA + QStringLiteral(" = f(") + SymbolB + u')');
    table->setTextMatrix(3, 2, a2);
    table->setTextMatrix(3, 3, b2);
    table->setTextMatrix(3, 4, Gleichung(SymbolA, a2, b2, SymbolB));
    const FontPtr bold = ProtocolFont(false, 1, Printing);
    for (qint32 c = 1; c <= 3; ++c)
        table->setCellFont(c, 1, bold);
    for (qint32 c = 1; c <= 3; ++c)
        for (qint32 r = 1; r <= 4; ++r)
            FitCell(*table, c, r);
    band->Elements()->Add(table);

    // The diagram of the measured pairs with the calibration line.
    const auto nested =
        CalibrationDiagram(MerkmalA, SymbolA, UnitA, MerkmalB, SymbolB, UnitB, Printing);
    nested->Coordinates()->MoveTo(
        0, pointOf(table->PositionTopLeft()).Y() + table->Height(m_bander.DrawDest) + 0.75, 0);
    band->Elements()->Add(nested);
    if (DebugMode()) {
        const QString achsText = SymbolA + QStringLiteral(" [") + UnitA + u']';
        clsDrawDest& dest = drawDestOf(m_bander.DrawDest);
        dest.setFont(ProtocolFont(false, 1, Printing));
        showMessage(nullptr,
                    QStringLiteral("Achsbeschriftung „%1“: %2 cm × %3 cm")
                        .arg(achsText, rt::doubleToText(dest.TextWidth(achsText, 0)),
                             rt::doubleToText(dest.TextHeight(achsText, 0))),
                    MessageService::Information, MessageService::Ok, QStringLiteral("Debug-Modus"));
    }
    return band;
}
