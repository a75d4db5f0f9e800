#include "ProtokollTestSupport.h"

#include "Protokoll.h"
#include "ProtokollPdf.h"
#include "RecordingMessages.h"

#include "ElementDiagramm2DPoint.h"
#include "ElementTable.h"

#include "Ergebnisliste.h"
#include "Kalibrierung.h"
#include "Protokolldaten.h"

#include "../common/GrosseKalibrierung.h"
#include "../core/Beispiel.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <cmath>
#include <map>

namespace {

// A built protocol with its pages.
struct Gebaut {
    explicit Gebaut(int typ, QSizeF sheet = QSizeF(21.0, 29.7)) : pages(sheet) { typ_ = typ; }
    int build(const Kalibrierung& k) {
        Protokoll p(k, pages, typ_);
        return p.BuildProtocol(true);
    }
    int typ_;
    BildSeiten pages;
};

QStringList headings(const BildSeiten& pages) {
    QStringList out;
    for (const auto& t : pages.texts)
        if (!t.text.isEmpty() && t.text[0].isDigit() && t.text.contains(u' ') &&
            !t.text.contains(u','))
            out.append(t.text);
    return out;
}

// The words of a PDF with their boxes in points, and each page's text, as
// poppler's pdftotext reads them.
struct PdfText {
    struct Word {
        int page;
        QString text;
        QRectF box;
    };
    QSizeF size; // of the first page
    std::vector<Word> words;
    QStringList pages;
};

PdfText pdfText(const QString& pdf) {
    PdfText out;
    QProcess boxes;
    boxes.start(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")});
    boxes.waitForFinished(120000);
    const QString html = QString::fromUtf8(boxes.readAllStandardOutput());
    static const QRegularExpression page(
        QStringLiteral("<page width=\"([0-9.]+)\" height=\"([0-9.]+)\">"));
    static const QRegularExpression word(
        QStringLiteral("<word xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\" xMax=\"([0-9.]+)\" "
                       "yMax=\"([0-9.]+)\">([^<]*)</word>|<page "));
    if (const auto m = page.match(html); m.hasMatch())
        out.size = QSizeF(m.captured(1).toDouble(), m.captured(2).toDouble());
    int n = 0;
    for (auto it = word.globalMatch(html); it.hasNext();) {
        const auto m = it.next();
        if (m.captured(5).isNull() && m.captured(0).startsWith(QStringLiteral("<page"))) {
            ++n;
            continue;
        }
        const QPointF from(m.captured(1).toDouble(), m.captured(2).toDouble());
        const QPointF to(m.captured(3).toDouble(), m.captured(4).toDouble());
        QString text = m.captured(5);
        text.replace(QStringLiteral("&amp;"), QStringLiteral("&"))
            .replace(QStringLiteral("&lt;"), QStringLiteral("<"))
            .replace(QStringLiteral("&gt;"), QStringLiteral(">"))
            .replace(QStringLiteral("&quot;"), QStringLiteral("\""));
        out.words.push_back({n, text, QRectF(from, to)});
    }
    QProcess plain;
    plain.start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
    plain.waitForFinished(120000);
    out.pages = QString::fromUtf8(plain.readAllStandardOutput()).split(u'\f');
    if (!out.pages.isEmpty() && out.pages.last().trimmed().isEmpty())
        out.pages.removeLast();
    for (QString& p : out.pages)
        p.replace(u'\n', u' ');
    return out;
}

} // namespace

// A verdict at the minimum: the summary shows R² with the digits that make
// "kritisch" visible, and "gut" at the minimum itself.
TEST(ProtokollTest, TheSummaryShowsWhyAVerdictAtTheMinimumIsCritical) {
    Kalibrierung k;
    fillWorkedExample(k);
    describeWorkedExample(k);
    const double r = k.StatistikBestimmtheitsmaß(mIndirekt, mDirekt);
    for (const double über : {1e-4, 1e-9}) {
        k.setMinBestimmtheitsmaßIndirektDirekt(r + über);
        Gebaut g(1);
        g.build(k);
        const BildSeiten::Text* t =
            g.pages.find(QStringLiteral("kritisch (Bestimmtheitsmaß R² = "), true);
        ASSERT_TRUE(t) << über;
        const QString shown = t->text.section(QStringLiteral("R² = "), 1).section(u',', 0, 1);
        EXPECT_LT(rt::textToDouble(shown), k.MinBestimmtheitsmaßIndirektDirekt())
            << t->text.toStdString();
        EXPECT_NE(shown, rt::doubleToText(k.MinBestimmtheitsmaßIndirektDirekt()));
    }
    k.setMinBestimmtheitsmaßIndirektDirekt(r);
    Gebaut g(1);
    g.build(k);
    EXPECT_TRUE(g.pages.find(QStringLiteral("gut (Bestimmtheitsmaß R² = "), true));
}

TEST(ProtokollTest, SectionsOfBothProtocolTypes) {
    Kalibrierung k;
    fillWorkedExample(k);
    describeWorkedExample(k);
    Gebaut full(0);
    const int pages = full.build(k);
    EXPECT_EQ(pages, int(full.pages.pages.size()));
    EXPECT_EQ(full.pages.texts.front().text, QStringLiteral("Seite 1 von %1").arg(pages));
    // Page 1 opens with the report header, then the title and the result.
    const QStringList first = full.pages.textsOn(1);
    const qsizetype header = first.indexOf(QStringLiteral("Bauvorhaben"));
    const qsizetype title = first.indexOf(
        QStringLiteral("Kalibrierung eines direkten und eines indirekten Prüfmerkmals \r\nnach "
                       "Velmor Teil E 4 (Ausgabe 2003)"));
    const qsizetype summary = first.indexOf(QStringLiteral("Ergebnis der Kalibrierung"));
    ASSERT_TRUE(header > 0 && title > header && summary > title) << header << title << summary;
    EXPECT_EQ(first.mid(header, 7),
              (QStringList{QStringLiteral("Bauvorhaben"), QStringLiteral("Auftraggeber"),
                           QStringLiteral("Prüfstelle"), QStringLiteral("Bearbeiter"),
                           QStringLiteral("Berichtsnummer"), QStringLiteral("Berichtsdatum"),
                           first[title]}));
    // The signatures close the protocol.
    const QStringList last = full.pages.textsOn(pages);
    EXPECT_EQ(last.mid(last.size() - 6),
              (QStringList{QStringLiteral("Bearbeiter"), QStringLiteral("Prüfstelle"),
                           QStringLiteral("Ort, Datum"), QStringLiteral("Unterschrift"),
                           QStringLiteral("Ort, Datum"), QStringLiteral("Unterschrift")}));
    const QStringList sections = headings(full.pages);
    EXPECT_EQ(sections.mid(0, 5),
              (QStringList{QStringLiteral("1 Protokoll zur Anlage des Kalibrierfeldes"),
                           QStringLiteral("1.1 Unterlage"), QStringLiteral("1.2 Kalibrierfeld"),
                           QStringLiteral("2 Messergebnisse im Kalibrierfeld"),
                           QStringLiteral("3 Statistische Auswertung")}));
    // Every page completed once, in order, and numbered.
    for (int n = 1; n <= pages; ++n) {
        EXPECT_TRUE(full.pages.events.contains(QStringLiteral("complete %1").arg(n)));
        EXPECT_EQ(full.pages.textsOn(n).first(),
                  QStringLiteral("Seite %1 von %2").arg(n).arg(pages));
    }
    EXPECT_EQ(full.pages.events.last(), QStringLiteral("complete %1").arg(pages));
    full.pages.save(QStringLiteral("protokoll-typ0"));

    Gebaut results(1);
    results.build(k);
    EXPECT_EQ(headings(results.pages).mid(0, 2),
              (QStringList{QStringLiteral("1 Messergebnisse im Kalibrierfeld"),
                           QStringLiteral("2 Statistische Auswertung")}));
    EXPECT_FALSE(results.pages.find(QStringLiteral("Bodenart nach DIN 18196: ")));
    // The blocks of the statistical evaluation, and the three calibration lines.
    for (const char* caption :
         {"Mittelwerte", "Varianzen", "Standardabweichungen", "Kovarianzen", "Bestimmtheitsmaße",
          "Kalibriergerade zwischen DPr und EVD", "Kalibriergerade zwischen DPr und Z",
          "Kalibriergerade zwischen EVD und Z"})
        EXPECT_TRUE(results.pages.find(QString::fromUtf8(caption))) << caption;
    // Nothing lies below the bottom margin but the footer.
    for (const auto& t : full.pages.texts) {
        if (!BildSeiten::isFooter(t.text)) {
            EXPECT_LE(t.cm.bottom(), 29.7 - 2.0 + 0.01) << t.text.toStdString();
        }
    }
}

TEST(ProtokollTest, TheSiteDataAndTheMeasuredValuesTables) {
    Kalibrierung k;
    describeWorkedExample(k);
    k.setPrüffelderAnzahl(5);
    BildSeiten pages;
    Protokoll p(k, pages, 0);
    p.bander().NewPage();
    // An empty store still prints every label; a missing key is not added.
    k.DataStore()->removeAll();
    const int keys = k.DataStore()->count();
    auto table = [](const PictrelPtr& band) {
        return std::dynamic_pointer_cast<clsElementTable>(band->Elements()->Item(2));
    };
    const ElementTablePtr unterlage =
        table(p.FieldDataBand(2, QStringLiteral("1.1 Unterlage"), true, 1));
    ASSERT_EQ(unterlage->Rows(), 9);
    EXPECT_EQ(unterlage->TextMatrix(1, 1),
              QStringLiteral("Bodenart nach DIN 4022 bzw. DIN EN ISO 14688-1: "));
    EXPECT_EQ(unterlage->TextMatrix(1, 8), QStringLiteral("Verformungsmodul EV2: "));
    for (int r = 1; r <= 9; ++r)
        EXPECT_EQ(unterlage->TextMatrix(2, r), QString());
    EXPECT_EQ(unterlage->ColWidth(1) + unterlage->ColWidth(2), 17.0);
    EXPECT_EQ(k.DataStore()->count(), keys);

    // With 5 test fields: five field rows, each with its key.
    k.Reset();
    k.setPrüffelderAnzahl(5);
    k.DataStore()->setValue(QStringLiteral("Protokoll Verdichtung Kalibrierfeld Kovariable "
                                           "(Anzahl der Verdichtungsübergänge) - Prüffeld 4"),
                            rt::Variant(QStringLiteral("8 dynamisch")));
    const ElementTablePtr feld =
        table(p.FieldDataBand(2, QStringLiteral("1.2 Kalibrierfeld"), true, 2));
    ASSERT_EQ(feld->Rows(), 22 + 5 - 1);
    EXPECT_EQ(feld->TextMatrix(1, 9), QStringLiteral("    Fahrgeschwindigkeit:"));
    EXPECT_EQ(feld->TextMatrix(2, 9), QStringLiteral("?? km/h"));
    EXPECT_EQ(feld->TextMatrix(1, 12),
              QStringLiteral("Anzahl der Verdichtungsübergänge dynamisch/statisch im:"));
    for (int f = 1; f <= 5; ++f)
        EXPECT_EQ(feld->TextMatrix(1, 12 + f), QStringLiteral("    %1. Prüffeld").arg(f));
    EXPECT_EQ(feld->TextMatrix(2, 16), QStringLiteral("8 dynamisch"));
    EXPECT_EQ(feld->TextMatrix(1, 18), QStringLiteral("Verdichtung am/bei"));
    EXPECT_EQ(feld->TextMatrix(1, 26), QStringLiteral("Bemerkungen:"));

    // Fields of 4, 5 and 3 points: 14 rows, the field cells spanning their points.
    k.Reset();
    describeWorkedExample(k);
    k.setPrüffelderAnzahl(3);
    const int points[] = {4, 5, 3};
    for (int f = 1; f <= 3; ++f) {
        k.setPrüffeldPrüfpunkte(f, points[f - 1]);
        k.setPrüffeldWert(f, 2.5 * f);
    }
    k.setMesswert(pmDirekt, 2, 3, 97.25);
    const ElementTablePtr werte =
        table(p.MeasuredValuesBand(1, QStringLiteral("2 Messergebnisse im Kalibrierfeld"), true));
    ASSERT_EQ(werte->Rows(), 14);
    EXPECT_EQ(werte->CellRowSpan(1, 3), 4);
    EXPECT_EQ(werte->CellRowSpan(1, 7), 5);
    EXPECT_EQ(werte->CellRowSpan(1, 12), 3);
    EXPECT_EQ(werte->TextMatrix(1, 7), QStringLiteral("Prüffeld 2\r\nKovariable Z = 5"));
    EXPECT_EQ(werte->TextMatrix(1, 12), QStringLiteral("Prüffeld 3\r\nKovariable Z = 7,5"));
    EXPECT_EQ(werte->TextMatrix(2, 9), QStringLiteral("Prüfpunkt 3"));
    EXPECT_EQ(werte->TextMatrix(3, 9), QStringLiteral("97,25"));
    EXPECT_EQ(werte->CellAlignment(3, 9), AlignRightTop);
    EXPECT_EQ(werte->CellInnerSpacingRight(3, 9), 1.5);
    EXPECT_EQ(werte->TextMatrix(3, 1), QStringLiteral("Direktes Prüfmerkmal Verdichtungsgrad DPr"));
    EXPECT_EQ(werte->TextMatrix(4, 2), QStringLiteral("[MN/m²]"));
    EXPECT_EQ(werte->CellAlignment(1, 1), AlignCenterMiddle);
}

TEST(ProtokollTest, FontsFollowTheZoom) {
    Kalibrierung k;
    BildSeiten preview(QSizeF(21.0, 29.7), 1.5, false);
    Protokoll p(k, preview, 0);
    EXPECT_EQ(p.ProtocolFont(true, 0, false)->Size(), 24);
    EXPECT_EQ(p.ProtocolFont(true, 0, true)->Size(), 16);
    EXPECT_TRUE(p.ProtocolFont(true, 0, true)->Underline());
    EXPECT_EQ(p.ProtocolFont(true, 2, true)->Size(), 14);
    EXPECT_TRUE(p.ProtocolFont(false, 1, true)->Bold());
    EXPECT_FALSE(p.ProtocolFont(false, 0, true)->Bold());
    EXPECT_EQ(p.ProtocolFont(false, 0, true)->Name(), QStringLiteral("Times New Roman"));
    EXPECT_EQ(p.ProtocolFont(false, 2, true), nullptr);
    EXPECT_EQ(p.ProtocolFont(true, 3, true), nullptr);
}

TEST(ProtokollTest, StatisticsTablesAndEquations) {
    Kalibrierung k;
    fillWorkedExample(k);
    describeWorkedExample(k);
    BildSeiten pages;
    Protokoll p(k, pages, 1);
    p.bander().NewPage();
    auto rows = [](const PictrelPtr& band) {
        const auto table = std::dynamic_pointer_cast<clsElementTable>(
            band->Elements()->Item(QStringLiteral("Table")));
        QStringList out;
        for (int r = 1; r <= table->Rows(); ++r)
            out.append(table->TextMatrix(1, r) + u'|' + table->TextMatrix(2, r) +
                       table->TextMatrix(3, r));
        return out;
    };
    EXPECT_EQ(rows(p.MeansBand(1, QStringLiteral("Mittelwerte"), true)),
              (QStringList{QStringLiteral("direktes Prüfmerkmal (Verdichtungsgrad DPr)|99,0 %"),
                           QStringLiteral("indirektes Prüfmerkmal (Dynamischer Verformungsmodul "
                                          "EVD)|42,0 MN/m²"),
                           QStringLiteral("Kovariable (Anzahl der Übergänge Z)|4,0 ")}));
    EXPECT_EQ(rows(p.VariancesBand(1, QStringLiteral("Varianzen"), true)),
              (QStringList{QStringLiteral("direktes Prüfmerkmal (Verdichtungsgrad DPr)|7,50 (%)²"),
                           QStringLiteral("indirektes Prüfmerkmal (Dynamischer Verformungsmodul "
                                          "EVD)|78,00 (MN/m²)²"),
                           QStringLiteral("Kovariable (Anzahl der Übergänge Z)|3,00")}));
    EXPECT_EQ(rows(p.StdDevBand(1, QStringLiteral("Standardabweichungen"), true)).last(),
              QStringLiteral("Kovariable (Anzahl der Übergänge Z)|1,73"));
    EXPECT_EQ(rows(p.CovariancesBand(1, QStringLiteral("Kovarianzen"), true)).first(),
              QStringLiteral("direktes und indirektes Prüfmerkmal|24,00"));
    EXPECT_EQ(rows(p.DeterminationBand(1, QStringLiteral("Bestimmtheitsmaße"), true)).last(),
              QStringLiteral("indirektes Prüfmerkmal und Kovariable|0,96"));
    // A unit "-" gives nothing after the mean but the blank, an empty pair of brackets
    // after the variance.
    k.DirektesPrüfmerkmal().setEinheit(QStringLiteral(" - "));
    EXPECT_EQ(rows(p.MeansBand(1, QString(), true)).first(),
              QStringLiteral("direktes Prüfmerkmal (Verdichtungsgrad DPr)|99,0 "));
    EXPECT_EQ(rows(p.VariancesBand(1, QString(), true)).first(),
              QStringLiteral("direktes Prüfmerkmal (Verdichtungsgrad DPr)|7,50 ()²"));
    EXPECT_EQ(Protokoll::UnitText(QStringLiteral("-")), QString());
    EXPECT_EQ(Protokoll::UnitText(QStringLiteral("%")), QStringLiteral("%"));

    // The equations: sign and amount of the slope, the intercept as it stands.
    EXPECT_EQ(Protokoll::Gleichung(QStringLiteral("DPr"), QStringLiteral("80,500"),
                                   QStringLiteral("0,123"), QStringLiteral("EVD")),
              QStringLiteral("DPr = 80,500 + 0,123 * EVD"));
    EXPECT_EQ(Protokoll::Gleichung(QStringLiteral("EVD"), QStringLiteral("12,00"),
                                   QStringLiteral("-0,250"), QStringLiteral("DPr")),
              QStringLiteral("EVD = 12,00 - 0,25 * DPr"));
    EXPECT_EQ(Protokoll::Gleichung(QStringLiteral("Z"), QStringLiteral("4,00"),
                                   QStringLiteral("0,0000"), QStringLiteral("DPr")),
              QStringLiteral("Z = 4,00 - 0 * DPr"));
    // Grouped as the table's cells are.
    EXPECT_EQ(Protokoll::Gleichung(QStringLiteral("XA"), QStringLiteral("0"),
                                   QStringLiteral("27.910,9007"), QStringLiteral("Z")),
              QStringLiteral("XA = 0 + 27.910,9007 * Z"));
    // A value that rounds to zero has no sign, in the tables and the equations.
    EXPECT_EQ(FormatNumberText(-0.04, 1), QStringLiteral("0,0"));
    EXPECT_EQ(FormatNumberText(-0.4, 0), QStringLiteral("0"));
    EXPECT_EQ(FormatNumberText(-0.6, 0), QStringLiteral("-1"));
    EXPECT_EQ(FormatNumberText(-1234.5, 1), QStringLiteral("-1.234,5"));
    // From 1E+15 on, the exponent form.
    EXPECT_EQ(FormatNumberText(1e308, 1), QStringLiteral("1E+308"));
    EXPECT_EQ(FormatNumberText(-2.5e15, 2), QStringLiteral("-2,5E+15"));
    EXPECT_EQ(FormatNumberText(999999999999999.0, 0), QStringLiteral("999.999.999.999.999"));
    const auto line = p.CalibrationLineBand(
        1, QStringLiteral("Kalibriergerade zwischen DPr und EVD"), mIndirekt, QStringLiteral("EVD"),
        QStringLiteral("MN/m²"), mDirekt, QStringLiteral("DPr"), QStringLiteral("%"), true);
    const auto table = std::dynamic_pointer_cast<clsElementTable>(line->Elements()->Item(2));
    EXPECT_EQ(table->TextMatrix(2, 1), QStringLiteral("DPr = f(EVD)"));
    EXPECT_EQ(table->TextMatrix(2, 4), QStringLiteral("DPr = 86,40 + 0,3 * EVD"));
    EXPECT_EQ(table->TextMatrix(3, 4), QStringLiteral("EVD = -288,00 + 3,3333 * DPr"));
}

// A value missing: every statistics table is there, with the rows that can
// be computed; what fails is empty, as on the results page. The verdict is
// printed, and the block without a line says why.
TEST(ProtokollTest, AMissingValueKeepsEveryTableAndTheVerdict) {
    Kalibrierung k;
    fillWorkedExample(k);
    describeWorkedExample(k);
    k.DataStore()->remove(QStringLiteral("Messwert direktes Prüfmerkmal 2.2"));
    Gebaut g(1);
    g.build(k);
    for (const char* caption : {"Mittelwerte", "Varianzen", "Standardabweichungen", "Kovarianzen",
                                "Bestimmtheitsmaße", "Plausibilitätsprüfung"})
        EXPECT_TRUE(g.pages.find(QString::fromUtf8(caption))) << caption;
    for (const char* value : {"42,0", "78,00", "8,83", "15,00", "0,96", "kritisch"})
        EXPECT_TRUE(g.pages.find(QString::fromUtf8(value))) << value;
    EXPECT_TRUE(g.pages.find(QStringLiteral("Das Bestimmtheitsmaß zwischen dem direkten und "
                                            "indirekten Prüfmerkmal liegt nicht über"),
                             true));
    EXPECT_TRUE(g.pages.find(QStringLiteral("Kalibriergerade zwischen DPr und EVD: nicht "
                                            "berechenbar: Messwerte fehlen oder sind keine "
                                            "Zahlen (DPr)")));
    EXPECT_TRUE(g.pages.find(QStringLiteral("Kalibriergerade zwischen EVD und Z")));
}

// A calibration whose R² is below the minimum says so in the verdict and
// above its calibration line; a good one says it may be used.
TEST(ProtokollTest, TheVerdictIsPrintedInBothTypes) {
    Kalibrierung k;
    fillWorkedExample(k);
    describeWorkedExample(k);
    for (int typ : {0, 1}) {
        Gebaut good(typ);
        good.build(k);
        EXPECT_TRUE(good.pages.find(QStringLiteral("gut")));
        EXPECT_TRUE(good.pages.find(QStringLiteral("Das Bestimmtheitsmaß zwischen dem direkten "
                                                   "und indirekten Prüfmerkmal liegt über"),
                                    true));
        EXPECT_FALSE(good.pages.find(QStringLiteral("Das Bestimmtheitsmaß ist kritisch"), true));
    }
    // Indirect values that hardly follow the direct ones.
    const double indirect[3][3] = {{40, 31, 52}, {33, 50, 41}, {44, 30, 39}};
    for (int f = 1; f <= 3; ++f)
        for (int p = 1; p <= 3; ++p)
            k.setMesswert(pmIndirekt, f, p, indirect[f - 1][p - 1]);
    ASSERT_FALSE(k.StatistikBestimmtheitsmaßIndirektDirektOk());
    for (int typ : {0, 1}) {
        Gebaut bad(typ);
        bad.build(k);
        EXPECT_TRUE(bad.pages.find(QStringLiteral("kritisch")));
        EXPECT_TRUE(bad.pages.find(QStringLiteral("0,65")));
        EXPECT_TRUE(bad.pages.find(QStringLiteral("Das Bestimmtheitsmaß ist kritisch: Diese "
                                                  "Kalibriergerade darf nicht"),
                                   true));
        const auto* warning =
            bad.pages.find(QStringLiteral("Das Bestimmtheitsmaß ist kritisch"), true);
        const auto* block = bad.pages.find(QStringLiteral("Kalibriergerade zwischen DPr und EVD"));
        ASSERT_TRUE(warning && block);
        EXPECT_EQ(warning->page, block->page);
        EXPECT_LT(warning->cm.top(), block->cm.top());
        // Only above the line between the measured characteristics.
        const auto* other = bad.pages.find(QStringLiteral("Kalibriergerade zwischen DPr und Z"));
        ASSERT_TRUE(other);
        int warnings = 0;
        for (const auto& t : bad.pages.texts)
            warnings += t.text.startsWith(QStringLiteral("Das Bestimmtheitsmaß ist kritisch"));
        EXPECT_EQ(warnings, 1);
    }
}

// The calibration line runs over the whole range of the data, after the
// points, dark on a white edge; the markers shrink when there are many.
TEST(ProtokollTest, TheCalibrationLineSpansTheDataAndStaysVisible) {
    Kalibrierung k;
    fillWorkedExample(k);
    describeWorkedExample(k);
    BildSeiten pages;
    Protokoll p(k, pages, 1);
    p.bander().NewPage();
    auto diagramOf = [&] {
        const auto nested =
            p.CalibrationDiagram(mIndirekt, QStringLiteral("EVD"), QStringLiteral("MN/m²"), mDirekt,
                                 QStringLiteral("DPr"), QStringLiteral("%"), true);
        return std::dynamic_pointer_cast<clsElementDiagramm2DPoint>(
            nested->Pictrel()->Elements()->Item(1));
    };
    const auto d = diagramOf();
    ASSERT_TRUE(d);
    ASSERT_EQ(d->RowCount(), 3);
    EXPECT_EQ(d->RowPoints(1).size(), 9u);
    EXPECT_DOUBLE_EQ(d->RowPointSymbolSize(1), 0.5);
    const double a = k.StatistikKalibriergeradeAchsenabschnitt(mDirekt, mIndirekt);
    const double b = k.StatistikKalibriergeradeAnstieg(mDirekt, mIndirekt);
    for (qint32 row : {2, 3}) {
        const auto line = d->RowPoints(row);
        ASSERT_EQ(line.size(), 2u);
        EXPECT_DOUBLE_EQ(line[0]->X(), 30.0); // the smallest EVD measured
        EXPECT_DOUBLE_EQ(line[1]->X(), 54.0); // the largest
        EXPECT_DOUBLE_EQ(line[1]->Y(), 54.0 * b + a);
        EXPECT_GE(line[0]->X(), d->AxisXMin());
        EXPECT_LE(line[1]->X(), d->AxisXMax());
    }

    fillLarge(k);
    EXPECT_LT(diagramOf()->RowPointSymbolSize(1), 0.2);
}

// Calibrations of 22 to 34 points in both types: a heading never ends a
// page, a split table keeps two rows on each side of every break, and the
// first page holds more than the title.
TEST(ProtokollTest, HeadingsStayWithWhatFollowsAndBreaksKeepTwoRows) {
    for (int total = 22; total <= 34; ++total) {
        Kalibrierung k;
        describeWorkedExample(k);
        k.setPrüffelderAnzahl(3);
        for (int f = 1; f <= 3; ++f) {
            const int points = total / 3 + (f <= total % 3);
            k.setPrüffeldPrüfpunkte(f, points);
            k.setPrüffeldWert(f, 2.0 * f);
            for (int p = 1; p <= points; ++p) {
                k.setMesswert(pmDirekt, f, p, 94.0 + f + 0.1 * p);
                k.setMesswert(pmIndirekt, f, p, 30.0 + 5 * f + 0.3 * p);
            }
        }
        for (int typ : {0, 1}) {
            SCOPED_TRACE(QStringLiteral("%1 Punkte, Typ %2").arg(total).arg(typ).toStdString());
            Gebaut g(typ);
            const int pages = g.build(k);
            // The texts in drawing order, without the page footers.
            std::vector<const BildSeiten::Text*> body;
            for (const auto& t : g.pages.texts)
                if (!BildSeiten::isFooter(t.text))
                    body.push_back(&t);
            for (size_t i = 0; i + 1 < body.size(); ++i) {
                const QString& text = body[i]->text;
                const bool heading = text.startsWith(QStringLiteral("Kalibrierung eines")) ||
                                     text.endsWith(QStringLiteral(" Statistische Auswertung")) ||
                                     text.endsWith(QStringLiteral(" Protokoll zur Anlage des "
                                                                  "Kalibrierfeldes"));
                if (heading) {
                    EXPECT_EQ(body[i + 1]->page, body[i]->page) << text.toStdString();
                }
            }
            // Rows of the measured values on each page that has any.
            std::map<int, int> rows;
            for (const auto& t : g.pages.texts)
                if (t.text.startsWith(QStringLiteral("Prüfpunkt ")))
                    ++rows[t.page];
            for (const auto& [page, count] : rows)
                EXPECT_GE(count, 2) << "Seite " << page;
            EXPECT_GT(g.pages.textsOn(1).size(), 2);
            EXPECT_GE(pages, 2);
        }
    }
}

// Axis numbers as the printed page measures them: on the diagrams of
// several ranges and decimals, no two numbers overlap or touch.
TEST(ProtokollTest, AxisNumbersNeverOverlapOnThePage) {
    struct Case {
        double low, high;
        int decimals;
    } cases[] = {{15, 105, 0},          {15, 105, 1}, {15, 105, 2}, {40.0, 40.4, 2},
                 {1234567, 1334567, 0}, {-60, -5, 1}, {-3, 4, 2}};
    const QRegularExpression number(QStringLiteral("^-?[0-9.]+(,[0-9]+)? ?$"));
    for (const Case& c : cases) {
        SCOPED_TRACE(QStringLiteral("%1 .. %2, %3 Stellen")
                         .arg(c.low)
                         .arg(c.high)
                         .arg(c.decimals)
                         .toStdString());
        Kalibrierung k;
        fillWorkedExample(k);
        describeWorkedExample(k);
        k.IndirektesPrüfmerkmal().setNachkommastellen(c.decimals);
        k.DirektesPrüfmerkmal().setNachkommastellen(c.decimals);
        for (int f = 1; f <= 3; ++f)
            for (int p = 1; p <= 3; ++p) {
                const double t = ((f - 1) * 3 + p - 1) / 8.0;
                k.setMesswert(pmIndirekt, f, p, c.low + t * (c.high - c.low));
                k.setMesswert(pmDirekt, f, p, c.low + (t + 0.05 * (p - 2)) * (c.high - c.low));
            }
        Gebaut g(1);
        g.build(k);
        std::vector<const BildSeiten::Text*> numbers;
        for (const auto& t : g.pages.texts)
            if (number.match(t.text).hasMatch())
                numbers.push_back(&t);
        ASSERT_GT(numbers.size(), 20u);
        for (size_t i = 0; i < numbers.size(); ++i)
            for (size_t j = i + 1; j < numbers.size(); ++j)
                if (numbers[i]->page == numbers[j]->page) {
                    EXPECT_FALSE(numbers[i]->cm.intersects(numbers[j]->cm))
                        << numbers[i]->text.toStdString() << " / "
                        << numbers[j]->text.toStdString();
                }
        g.pages.save(QStringLiteral("achsen-%1-%2").arg(c.low).arg(c.decimals));
    }
}

// Remarks longer than a page continue on the next pages, above the footer.
TEST(ProtokollTest, LongRemarksContinueOnTheNextPage) {
    Kalibrierung k;
    fillWorkedExample(k);
    describeWorkedExample(k);
    QStringList words;
    for (int i = 1; i <= 2500; ++i)
        words.append(QStringLiteral("Wort%1").arg(i));
    k.DataStore()->setValue(QStringLiteral("Protokoll Verdichtung Kalibrierfeld Bemerkungen"),
                            rt::Variant(words.join(u' ')));
    Gebaut g(0);
    const int pages = g.build(k);
    EXPECT_GE(pages, 4);
    bool first = false, last = false;
    for (const auto& t : g.pages.texts) {
        if (BildSeiten::isFooter(t.text))
            continue;
        first = first || t.text.contains(QStringLiteral("Wort1 "));
        last = last || t.text.contains(QStringLiteral("Wort2500"));
        EXPECT_LE(t.cm.bottom(), 29.7 - 2.0 + 0.05) << t.text.left(30).toStdString();
    }
    EXPECT_TRUE(first);
    EXPECT_TRUE(last);
}

// A value too wide for its cell is printed in the exponent form, within it.
TEST(ProtokollTest, AHugeValueStaysInItsCell) {
    Kalibrierung k;
    fillWorkedExample(k);
    describeWorkedExample(k);
    k.setMesswert(pmDirekt, 1, 1, 1e308);
    Gebaut g(1);
    g.build(k);
    const BildSeiten::Text* huge = g.pages.find(QStringLiteral("1E+308"));
    ASSERT_TRUE(huge);
    // The table's four columns end 2 + 17 cm from the sheet's left edge.
    EXPECT_LE(huge->cm.right(), 19.0 + 1e-6);
    // The statistics of such a value too: no number fills a line.
    for (const auto& t : g.pages.texts)
        if (!t.text.isEmpty() && t.text[0].isDigit()) {
            EXPECT_LT(t.text.size(), 40) << t.text.left(40).toStdString();
        }
}

TEST(ProtokollTest, AxisRanges) {
    Kalibrierung k;
    k.setPrüffelderAnzahl(3);
    const double values[] = {93.4, 95, 96.2, 97, 98.8, 99, 100.5, 101, 103.2};
    for (int f = 1; f <= 3; ++f) {
        k.setPrüffeldPrüfpunkte(f, 3);
        for (int p = 1; p <= 3; ++p)
            k.setMesswert(pmDirekt, f, p, values[(f - 1) * 3 + p - 1]);
    }
    BildSeiten pages;
    Protokoll p(k, pages, 1);
    Protokoll::AxisRangeRecord r = p.AxisRange(mDirekt, false, 0, 0);
    EXPECT_DOUBLE_EQ(r.Min, 93);
    EXPECT_DOUBLE_EQ(r.Max, 104);
    EXPECT_DOUBLE_EQ(r.Step, 1);
    // The covariable: values 1, 2, 3 of the fields.
    r = p.AxisRange(mZ, false, 0, 0);
    EXPECT_DOUBLE_EQ(r.Min, 0);
    EXPECT_DOUBLE_EQ(r.Max, 4);
    // Values within 95.0 .. 99.0 and a line ending at 101.7: up to 102.
    for (int f = 1; f <= 3; ++f)
        for (int pt = 1; pt <= 3; ++pt)
            k.setMesswert(pmDirekt, f, pt, 95.0 + (f - 1) * 2 + (pt == 2));
    r = p.AxisRange(mDirekt, true, 96.0, 101.7);
    EXPECT_DOUBLE_EQ(r.Max, 102);
    EXPECT_DOUBLE_EQ(r.Min, 94);
    // A negative minimum is rounded down: no point below the axis.
    k.setMesswert(pmDirekt, 1, 1, -3.4);
    k.setMesswert(pmDirekt, 3, 3, 1.6);
    for (int f = 1; f <= 3; ++f)
        for (int pt = 1; pt <= 3; ++pt)
            if (!(f == 1 && pt == 1) && !(f == 3 && pt == 3))
                k.setMesswert(pmDirekt, f, pt, 0.5);
    r = p.AxisRange(mDirekt, false, 0, 0);
    EXPECT_DOUBLE_EQ(r.Step, 1);
    EXPECT_DOUBLE_EQ(r.Min, -4);
    EXPECT_DOUBLE_EQ(r.Max, 2);
    // All values equal: no range, an error.
    for (int f = 1; f <= 3; ++f)
        for (int pt = 1; pt <= 3; ++pt)
            k.setMesswert(pmDirekt, f, pt, 97.0);
    EXPECT_NE(errorNumberOf([&] { p.AxisRange(mDirekt, false, 0, 0); }), 0);
}

TEST(ProtokollTest, TheDiagramShowsLargerValuesAtTheTop) {
    Kalibrierung k;
    fillWorkedExample(k);
    describeWorkedExample(k);
    Gebaut g(1);
    g.build(k);
    // On the page of the first diagram, the labels of its y axis.
    const BildSeiten::Text* top = g.pages.find(QStringLiteral("110,00 "));
    const BildSeiten::Text* middle = g.pages.find(QStringLiteral("100,00 "));
    const BildSeiten::Text* bottom = g.pages.find(QStringLiteral("90,00 "));
    ASSERT_TRUE(top && middle && bottom);
    EXPECT_LT(top->cm.top(), middle->cm.top());
    EXPECT_LT(middle->cm.top(), bottom->cm.top());
    // The x axis numbers below the plot area, from left to right.
    const BildSeiten::Text* left = g.pages.find(QStringLiteral("20,00"));
    const BildSeiten::Text* right = g.pages.find(QStringLiteral("60,00"));
    ASSERT_TRUE(left && right);
    EXPECT_LT(left->cm.left(), right->cm.left());
    EXPECT_GT(left->cm.top(), bottom->cm.top());
    g.pages.save(QStringLiteral("protokoll-typ1"));
}

// A characteristic whose values are all equal has no calibration line: its
// blocks are missing, the rest is complete.
TEST(ProtokollTest, EqualValuesLeaveTheirCalibrationLinesOut) {
    Kalibrierung k;
    fillWorkedExample(k);
    describeWorkedExample(k);
    for (int f = 1; f <= 3; ++f)
        for (int p = 1; p <= 3; ++p)
            k.setMesswert(pmIndirekt, f, p, 40.0);
    Gebaut g(1);
    g.build(k);
    EXPECT_FALSE(g.pages.find(QStringLiteral("Kalibriergerade zwischen DPr und EVD")));
    EXPECT_FALSE(g.pages.find(QStringLiteral("Kalibriergerade zwischen EVD und Z")));
    // Each block left out is named, with the reason.
    EXPECT_TRUE(g.pages.find(QStringLiteral("Kalibriergerade zwischen DPr und EVD: nicht "
                                            "berechenbar: Varianz 0 (EVD)")));
    EXPECT_TRUE(g.pages.find(QStringLiteral("Kalibriergerade zwischen EVD und Z: nicht "
                                            "berechenbar: Varianz 0 (EVD)")));
    EXPECT_TRUE(g.pages.find(QStringLiteral("Kalibriergerade zwischen DPr und Z")));
    EXPECT_TRUE(g.pages.find(QStringLiteral("Bestimmtheitsmaße")));
    EXPECT_TRUE(g.pages.find(QStringLiteral("(Fehler)")));
}

// Every slope goes through the covariable: one covariable value for all
// fields leaves every block out for its variance, a characteristic that does
// not change with the covariable for its covariance, never for the error of
// a failed line's text read back.
TEST(ProtokollTest, ACovariableThatNeverChangesIsNamedAsTheReason) {
    Kalibrierung k;
    fillWorkedExample(k);
    describeWorkedExample(k);
    for (int f = 1; f <= 3; ++f)
        k.setPrüffeldWert(f, 4.0);
    Gebaut g(1);
    g.build(k);
    for (const char* block : {"DPr und EVD", "DPr und Z", "EVD und Z"})
        EXPECT_TRUE(g.pages.find(QStringLiteral("Kalibriergerade zwischen %1: nicht berechenbar: "
                                                "Varianz 0 (Z)")
                                     .arg(QString::fromUtf8(block))))
            << block;
    for (const BildSeiten::Text& t : g.pages.texts)
        EXPECT_FALSE(t.text.contains(QStringLiteral("Typen unverträglich")))
            << t.text.toStdString();
    // The summary says what its block says, and converts no requirement.
    setAnforderung(k, 1, 97.5);
    Gebaut summary(1);
    summary.build(k);
    EXPECT_TRUE(summary.pages.find(QStringLiteral("nicht berechenbar: Varianz 0 (Z)")));
    EXPECT_TRUE(summary.pages.find(QStringLiteral("Ohne Kalibriergerade lassen sich die "
                                                  "Anforderungen nicht auf das indirekte "
                                                  "Prüfmerkmal umrechnen.")));
    setAnforderung(k, 1, std::nullopt);

    // The direct values the same in every field: no covariance with Z.
    fillWorkedExample(k);
    for (int f = 1; f <= 3; ++f)
        for (int p = 1; p <= 3; ++p)
            k.setMesswert(pmDirekt, f, p, 95.0 + 4 * (p - 1));
    Gebaut h(1);
    h.build(k);
    for (const char* block : {"DPr und EVD", "DPr und Z"})
        EXPECT_TRUE(h.pages.find(QStringLiteral("Kalibriergerade zwischen %1: nicht berechenbar: "
                                                "Kovarianz 0 (DPr, Z)")
                                     .arg(QString::fromUtf8(block))))
            << block;
    EXPECT_FALSE(h.pages.find(QStringLiteral("Kalibriergerade zwischen EVD und Z: nicht")));
    for (const BildSeiten::Text& t : h.pages.texts)
        EXPECT_FALSE(t.text.contains(QStringLiteral("Typen unverträglich")))
            << t.text.toStdString();
}

// Long tables continue on the next pages: every row once, header rows
// repeated, the field cell shown again, nothing below the bottom margin.
TEST(ProtokollTest, LongTablesContinueOnTheNextPages) {
    Kalibrierung k;
    describeWorkedExample(k);
    k.setPrüffelderAnzahl(40);
    for (int f = 1; f <= 40; ++f) {
        k.setPrüffeldPrüfpunkte(f, f == 2 ? 30 : 3);
        k.setPrüffeldWert(f, f);
        for (int p = 1; p <= k.PrüffeldPrüfpunkte(f); ++p) {
            k.setMesswert(pmDirekt, f, p, 95 + 0.01 * (f * 7 % 13) + 0.1 * p);
            k.setMesswert(pmIndirekt, f, p, 30 + 0.5 * f + 0.2 * p);
        }
    }
    Gebaut g(0);
    const int pages = g.build(k);
    EXPECT_GT(pages, 6);
    int points = 0, headers = 0, field2 = 0;
    QSet<int> pagesWithHeaders;
    for (const auto& t : g.pages.texts) {
        if (BildSeiten::isFooter(t.text)) {
            EXPECT_NEAR(t.cm.top(), 29.7 - 2.0, 0.02);
        } else {
            EXPECT_LE(t.cm.bottom(), 29.7 - 2.0 + 0.01) << t.text.toStdString();
        }
        points += t.text.startsWith(QStringLiteral("Prüfpunkt "));
        if (t.text == QStringLiteral("[MN/m²]")) {
            ++headers;
            pagesWithHeaders.insert(t.page);
        }
        field2 += t.text.startsWith(QStringLiteral("Prüffeld 2\r\n"));
    }
    EXPECT_EQ(points, 39 * 3 + 30);
    EXPECT_EQ(headers, int(pagesWithHeaders.size()));
    EXPECT_GE(headers, 3);
    EXPECT_GE(field2, 1);
    // 40 fields in the Kalibrierfeld block: every row there, on as many pages as needed.
    for (int f = 1; f <= 40; ++f)
        EXPECT_TRUE(g.pages.find(QStringLiteral("    %1. Prüffeld").arg(f))) << f;
    g.pages.save(QStringLiteral("protokoll-lang"));
}

namespace {
// A page host whose surfaces cannot be made.
class KaputteSeiten : public BildSeiten {
protected:
    DeviceContextPtr beginSurface(int, QSizeF, double, double&) override {
        rt::raiseError(rt::err::ObjectNotSet);
    }
};
} // namespace

// Page-setup failures are reported once per page at the end of its setup;
// the debug mode shows its information; the build always goes on.
TEST(ProtokollTest, PageSetupErrorsAndDebugInformation) {
    RecordingMessages messages;
    Kalibrierung k;
    fillWorkedExample(k);
    describeWorkedExample(k);
    KaputteSeiten broken;
    Protokoll p(k, broken, 1);
    EXPECT_GE(p.BuildProtocol(true), 1);
    ASSERT_FALSE(messages.texts.isEmpty());
    EXPECT_EQ(messages.texts.first(), QStringLiteral("Programmfehler: Objektvariable oder "
                                                     "With-Blockvariable nicht festgelegt (91)"));
    EXPECT_EQ(messages.buttons.first(), MessageService::Ok);

    messages.clear();
    setDebugMode(true);
    BildSeiten pages;
    Protokoll q(k, pages, 1);
    const int count = q.BuildProtocol(true);
    setDebugMode(false);
    EXPECT_EQ(messages.titles.count(QStringLiteral("Debug-Modus")), count + 3);
    // The pages' footers come when the pages are drawn, after the layout.
    const QStringList footers = messages.texts.filter(QStringLiteral("Seitenfuß von Seite "));
    ASSERT_EQ(footers.size(), count);
    EXPECT_TRUE(footers.first().startsWith(QStringLiteral(
        "Seitenfuß von Seite 1 bei 8,5 cm / 25,7 cm, Breite des Textes „Seite 1 von")))
        << footers.first().toStdString();
    EXPECT_TRUE(messages.texts.filter(QStringLiteral("Achsbeschriftung „EVD [MN/m²]“")).size() ==
                1);
}

// 10,000 measured pairs give a complete protocol as a PDF.
TEST(ProtokollTest, ALargeCalibrationAsAPdf) {
    Kalibrierung k;
    describeWorkedExample(k);
    k.setPrüffelderAnzahl(100);
    for (int f = 1; f <= 100; ++f) {
        k.setPrüffeldPrüfpunkte(f, 100);
        k.setPrüffeldWert(f, f);
        for (int p = 1; p <= 100; ++p) {
            k.setMesswert(pmDirekt, f, p, 90 + 0.1 * f + 0.013 * std::sin(f * 31.0 + p));
            k.setMesswert(pmIndirekt, f, p, 20 + 0.5 * f + 0.7 * std::cos(f * 17.0 + p * 3.0));
        }
    }
    QTemporaryDir dir;
    const QString folder = qEnvironmentVariable("ORVANTA_ARTIFACTS", dir.path());
    QDir().mkpath(folder);
    const QString pdf = QDir(folder).filePath(QStringLiteral("Gross-100x100.pdf"));
    k.DataStoreLet(BerichtsnummerSchlüssel, rt::Variant(QStringLiteral("R-2026/99")));
    const int pages = ProtokollAlsPdf(k, 0, pdf);
    EXPECT_GT(pages, 200);
    EXPECT_LT(pages, 400);
    EXPECT_GT(QFileInfo(pdf).size(), 100000);
    // Every page names the report and its place among all pages; the
    // header opens the first page, the signatures close the last.
    const PdfText text = pdfText(pdf);
    ASSERT_EQ(int(text.pages.size()), pages);
    for (int n = 1; n <= pages; ++n)
        EXPECT_TRUE(text.pages[size_t(n - 1)].contains(
            QStringLiteral("R-2026/99 · Seite %1 von %2").arg(n).arg(pages)))
            << n;
    EXPECT_TRUE(text.pages.front().contains(QStringLiteral("Bauvorhaben")));
    EXPECT_TRUE(text.pages.front().contains(QStringLiteral("Ergebnis der Kalibrierung")));
    EXPECT_TRUE(text.pages.back().contains(QStringLiteral("Unterschrift")));
    EXPECT_FALSE(text.pages[size_t(pages - 2)].contains(QStringLiteral("Unterschrift")));
}

// Every sheet: each word within the margins, each measured value printed,
// the sheet's own size in points.
TEST(ProtokollTest, EverySheetKeepsItsMarginsAndItsValues) {
    Kalibrierung k;
    fillWorkedExample(k);
    describeWorkedExample(k);
    // Long numbers, requirements close together and one far outside, words
    // longer than a line, and a header entry taller than a page: on a narrow
    // sheet the hardest to fit.
    k.setMesswert(pmIndirekt, 1, 1, 2.22206503431924e15);
    setAnforderung(k, 1, 97.45);
    setAnforderung(k, 2, 97.5);
    setAnforderung(k, 3, 80);
    k.DataStoreLet(BerichtsnummerSchlüssel,
                   rt::Variant(QStringLiteral("R-2026/17-") + QStringLiteral("A").repeated(190)));
    k.DataStoreLet(BauvorhabenSchlüssel,
                   rt::Variant(QStringLiteral("https://bau.example.org/") +
                               QStringLiteral("ortsumgehung-neustadt-los-2-").repeated(6)));
    QStringList zeilen;
    for (int i = 1; i <= 80; ++i)
        zeilen.append(QStringLiteral("Zeile%1").arg(i));
    k.DataStoreLet(PrüfstelleSchlüssel, rt::Variant(zeilen.join(u'\n')));
    k.IndirektesPrüfmerkmal().setName(
        QStringLiteral("Verformungsmodulmessgerätekalibrierungsbezeichnung"));
    k.IndirektesPrüfmerkmal().setEinheit(QStringLiteral("MN/m² (Meganewton je Quadratmeter)"));
    k.DirektesPrüfmerkmal().setFormelzeichen(QStringLiteral("DPr_Proctorverdichtungsgrad"));
    k.DataStoreLet(BearbeiterSchlüssel,
                   rt::Variant(QStringLiteral("Dipl.-Ing. (FH) Maximilian Mustermann-Schulze und "
                                              "B. Eng. Anna-Lena Beispielfrau-Meier, Abteilung "
                                              "Erdbau, Labor für Bodenmechanik")));
    QTemporaryDir temporary;
    const QDir dir(qEnvironmentVariable("ORVANTA_ARTIFACTS", temporary.path()));
    dir.mkpath(QStringLiteral("."));
    const struct {
        const char* name;
        QSizeF points;
    } sheets[] = {{"A4", {595, 842}},
                  {"A5", {420, 595}},
                  {"A3", {842, 1191}},
                  {"Letter", {612, 792}},
                  {"Legal", {612, 1008}}};
    for (const auto& s : sheets) {
        SCOPED_TRACE(s.name);
        const std::optional<QPageSize> blatt = blattNamens(QString::fromLatin1(s.name));
        ASSERT_TRUE(blatt);
        const QString pdf = dir.filePath(QStringLiteral("Blatt-") + QString::fromLatin1(s.name) +
                                         QStringLiteral(".pdf"));
        ProtokollAlsPdf(k, 0, pdf, *blatt);
        const PdfText text = pdfText(pdf);
        ASSERT_FALSE(text.words.empty());
        EXPECT_NEAR(text.size.width(), s.points.width(), 1.0);
        EXPECT_NEAR(text.size.height(), s.points.height(), 1.0);
        constexpr double cm = 72 / 2.54;
        for (const PdfText::Word& w : text.words) {
            EXPECT_GE(w.box.left(), 1.0 * cm) << w.text.toStdString();
            EXPECT_LE(w.box.right(), text.size.width() - 2.0 * cm + 0.5) << w.text.toStdString();
            EXPECT_GE(w.box.top(), 1.0 * cm) << w.text.toStdString();
            // Above the footer, which stands 2 cm above the sheet's edge.
            const double foot = text.size.height() - 2.0 * cm;
            if (w.box.top() < foot - 0.5) {
                EXPECT_LE(w.box.bottom(), foot + 1.0) << w.text.toStdString();
            }
            EXPECT_LE(w.box.bottom(), text.size.height() - 1.0 * cm) << w.text.toStdString();
        }
        // No word runs into another (a label into its value, a number over
        // its neighbour).
        for (size_t i = 0; i < text.words.size(); ++i)
            for (size_t j = i + 1; j < text.words.size(); ++j) {
                const PdfText::Word& a = text.words[i];
                const PdfText::Word& b = text.words[j];
                if (a.page == b.page) {
                    const QRectF both = a.box.adjusted(0.5, 0.5, -0.5, -0.5)
                                            .intersected(b.box.adjusted(0.5, 0.5, -0.5, -0.5));
                    EXPECT_TRUE(both.isEmpty()) << a.text.toStdString() << " / "
                                                << b.text.toStdString() << " on page " << a.page;
                }
            }
        // Every line of the tall entry, the requirement labels in the
        // diagram, the footer on every page.
        const QString all = text.pages.join(u' ');
        for (const QString& zeile : zeilen)
            EXPECT_TRUE(all.contains(zeile + u' ')) << zeile.toStdString();
        EXPECT_EQ(all.count(QStringLiteral("→ EVD")), 3);
        for (qsizetype n = 0; n < text.pages.size(); ++n)
            EXPECT_TRUE(text.pages[n].contains(
                QStringLiteral("· Seite %1 von %2").arg(n + 1).arg(text.pages.size())))
                << n + 1;
        // Each measured value, as often as it was measured.
        std::map<QString, int> wanted, found;
        for (rt::Long f = 1; f <= k.PrüffelderAnzahl(); ++f)
            for (rt::Long p = 1; p <= k.PrüffeldPrüfpunkte(f); ++p)
                for (PrüfmerkmalEnum m : {pmDirekt, pmIndirekt})
                    ++wanted[k.MesswertString(m, f, p)];
        for (size_t i = 0; i < text.words.size(); ++i) {
            const QString& w = text.words[i].text;
            // A number in exponent form may break before its exponent.
            const QString joined = i + 1 < text.words.size() ? w + text.words[i + 1].text : w;
            if (wanted.count(w))
                ++found[w];
            else if (wanted.count(joined) && joined.contains(u'E'))
                ++found[joined];
        }
        for (const auto& [value, count] : wanted)
            EXPECT_GE(found[value], count) << value.toStdString();
    }
}
