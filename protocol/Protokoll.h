#pragma once

#include "clsBander.h"

#include "ElementGenerator.h"
#include "ElementTable.h"
#include "SimpleElements.h"

#include "basKalibrierungVelmorTeilE4.h"

#include "RuntimeError.h"

#include <functional>

class Kalibrierung;
class Prüfmerkmal;
class ProtokollSeiten;
struct AnforderungWert;
struct Merkmalstabelle;

// The protocol of a calibration: site data, measured values, statistics and
// calibration lines, as a sequence of bands that the bander places on the
// pages of a page host. It knows no window: the protocol type and whether it
// prints are arguments.
class Protokoll {
public:
    // Typ 0: "Kalibrierfeldprotokoll mit Berechnungsergebnissen" (with the
    // site data of the calibration field); any other: "Berechnungsergebnisse".
    Protokoll(const Kalibrierung& k, ProtokollSeiten& seiten, int typ);

    // Builds every band in order and completes the last page. Failing
    // statements are skipped. Returns the number of pages.
    int BuildProtocol(bool Printing);

    // The width between the margins of the current sheet (17 cm on A4), and
    // a length laid out for A4 in proportion to it.
    double Breite() const;
    double Maß(double a4) const;
    static constexpr double SheetMargin = 2.0;
    static constexpr double A4Width = 17.0;
    // A cell whose text is wider than the cell gets smaller type (numbers in
    // exponent form, long numbers on narrow sheets).
    void FitCell(clsElementTable& Table, qint32 Col, qint32 Row) const;
    // The label column of a two-column table as wide as its labels need.
    void fitLabels(clsElementTable& Table) const;
    // A text whose words wider than Width are cut into pieces that fit.
    QString BreakLongWords(const QString& Text, const FontPtr& Font, double Width) const;
    double widestWord(const QString& Text, const FontPtr& Font) const;
    double widestLine(const QString& Text, const FontPtr& Font) const;
    // A text broken into lines at most Width wide, at blanks where it can.
    QString Wrapped(const QString& Text, const FontPtr& Font, double Width) const;
    // The font, or a smaller copy of it (down to two thirds) in which Text is
    // at most Width wide; the font itself without a page to measure on.
    FontPtr FittingFont(const FontPtr& Font, const QString& Text, double Width) const;

    // The protocol's fonts: Times New Roman, scaled with the zoom.
    FontPtr ProtocolFont(bool IsHeading, int Level, bool Printing) const;
    PictrelPtr TextBand(int Level, const QString& Text, bool Printing) const;
    PictrelPtr SpacerBand(double Height) const;
    static void AppendRow(clsElementTable& Table, const QString& Text1, const QString& Text2);
    // A row of a statistics table: label, number (right-aligned), unit.
    static void AppendValueRow(clsElementTable& Table, const QString& Label, const QString& Value,
                               const QString& Unit = QString());
    // The room between a label and its value, in cm.
    static constexpr double LabelGap = 0.2;
    void AppendDataRow(clsElementTable& Table, const QString& Label, const QString& Key) const;
    // which: 1 the Unterlage block, 2 the Kalibrierfeld block.
    PictrelPtr FieldDataBand(int Level, const QString& Title, bool Printing, int which) const;
    PictrelPtr MeasuredValuesBand(int Level, const QString& Title, bool Printing) const;

    // Page 1: the report header (project, client, lab, examiner, report
    // number and date) and the result in a box; the signatures at the end.
    PictrelPtr HeaderBand(bool Printing) const;
    PictrelPtr SummaryBand(bool Printing) const;
    PictrelPtr SignatureBand(bool Printing) const;
    // A two-column table with a frame round every cell, no rows yet.
    ElementTablePtr BoxTable(double Spacing, bool Printing) const;

    // The statistical evaluation.
    PictrelPtr StatisticsTableBand(int Level, const QString& Caption, bool Printing) const;
    PictrelPtr MeansBand(int Level, const QString& Caption, bool Printing) const;
    PictrelPtr VariancesBand(int Level, const QString& Caption, bool Printing) const;
    PictrelPtr StdDevBand(int Level, const QString& Caption, bool Printing) const;
    PictrelPtr CovariancesBand(int Level, const QString& Caption, bool Printing) const;
    PictrelPtr DeterminationBand(int Level, const QString& Caption, bool Printing) const;
    // The plausibility verdict: R² of the indirect and the direct
    // characteristic, the minimum, the rating and the sentence of the results
    // page. A protocol never shows a calibration line without it.
    PictrelPtr VerdictBand(int Level, const QString& Caption, bool Printing) const;
    bool VerdictOk() const;
    // A text wrapped at the width of the statistics tables, at (0, 0).
    ElementTablePtr WrappedText(const QString& Text, const FontPtr& Font) const;
    // Why the calibration line between A and B cannot be computed, in a few
    // words; empty when it can.
    QString LineProblem(MerkmalEnum MerkmalA, const QString& SymbolA, MerkmalEnum MerkmalB,
                        const QString& SymbolB) const;
    // Why a calibration-line block could not be computed, in a few words.
    QString NotComputable(MerkmalEnum MerkmalA, const QString& SymbolA, MerkmalEnum MerkmalB,
                          const QString& SymbolB, const rt::RuntimeError& error) const;
    // A is on the diagram's x axis, B on its y axis; B as a function of A.
    // Warning: a line above the block (the verdict that the line must not be used).
    PictrelPtr CalibrationLineBand(int Level, const QString& Caption, MerkmalEnum MerkmalA,
                                   const QString& SymbolA, const QString& UnitA,
                                   MerkmalEnum MerkmalB, const QString& SymbolB,
                                   const QString& UnitB, bool Printing,
                                   const QString& Warning = QString()) const;
    // The diagram of a calibration-line block: the measured pairs of A and B
    // and the calibration line of B as a function of A, at (0, 0).
    std::shared_ptr<clsElementPictrel>
    CalibrationDiagram(MerkmalEnum MerkmalA, const QString& SymbolA, const QString& UnitA,
                       MerkmalEnum MerkmalB, const QString& SymbolB, const QString& UnitB,
                       bool Printing) const;
    struct AxisRangeRecord {
        double Min = 0, Max = 0, Step = 0;
    };
    AxisRangeRecord AxisRange(MerkmalEnum Merkmal, bool IncludeExtra, double Extra1,
                              double Extra2) const;
    // The range of a characteristic widened to hold the extra values.
    AxisRangeRecord AxisRange(MerkmalEnum Merkmal, const std::vector<double>& Extra) const;
    // A requirement value in the diagram of the indirect against the direct
    // characteristic: the point that translates it on the line indirect =
    // f(direct), that line's ends over the measured range, and its label.
    struct Anforderungspunkt {
        double direkt = 0, indirekt = 0;
        std::pair<double, double> linieVon, linieBis; // (indirect, direct)
        QString beschriftung;
        bool imDiagramm = true;
        double steigung = 0; // of the line indirect = f(direct)
    };
    std::vector<Anforderungspunkt> Anforderungspunkte() const;
    static QString UnitText(const QString& Unit);
    // A statistic's text as the results page shows it: empty when it cannot
    // be computed, so that its row stays and the other rows of the table too.
    static QString StatistikText(const std::function<QString()>& text);
    // The store keys of the free site data, in the order the editor lists
    // them: 20 keys, one per test field, 7 keys.
    static QStringList SiteDataKeys(const Kalibrierung& k);
    // An equation of a calibration line: "left = intercept ± |slope| * right",
    // the sign "+" for a slope above 0, else "-"; the intercept as it stands.
    static QString Gleichung(const QString& Left, const QString& Intercept, const QString& Slope,
                             const QString& Right);
    double MerkmalValue(MerkmalEnum Merkmal, rt::Long Feld, rt::Long Punkt) const;

    clsBander& bander() { return m_bander; }

private:
    // Places every band of the protocol in order, section by section.
    void layOut(bool Printing);
    class LayoutPass;
    void layOutTitle(LayoutPass& pass, bool Printing);
    void layOutFieldData(LayoutPass& pass, bool Printing);
    void layOutMeasuredValues(LayoutPass& pass, bool Printing);
    void layOutStatistics(LayoutPass& pass, bool Printing);
    void layOutCalibrationLines(LayoutPass& pass, bool Printing);
    // The block of the calibration line of B as a function of A.
    void layOutCalibrationLine(LayoutPass& pass, const Prüfmerkmal& b, MerkmalEnum mb,
                               const Prüfmerkmal& a, MerkmalEnum ma, bool Printing);
    // The requirement values, each line with its critical note below it.
    PictrelPtr AnforderungswerteBand(const QList<AnforderungWert>& anforderungen,
                                     bool Printing) const;
    // The two header rows of the measured-values table, and a row per
    // test point below them, each test field's number spanning its points.
    void fillMeasuredValuesHeader(clsElementTable& table, bool Printing) const;
    void fillMeasuredValues(clsElementTable& table) const;
    // The summary's R² of the indirect and the direct characteristic: the
    // reason when it cannot be computed, and as many digits as tell it from
    // the minimum. r2 is the text as the results page shows it.
    QString summaryR2Text(QString r2, const QString& problem) const;
    // The summary's equation of that calibration line, or why it is missing.
    QString summaryLineText(const Prüfmerkmal& indirekt, const Prüfmerkmal& direkt,
                            const QString& problem) const;
    // The report number of the site data, for the footer.
    QString Berichtsnummer() const;
    // Draws a band; a band with a table taller than an empty page is drawn
    // in parts between rows, each part repeating the table's header rows.
    void drawBand(const PictrelPtr& band, int headerRows);
    void drawTableInParts(const PictrelPtr& band, const ElementTablePtr& table, int headerRows);
    double bandHeight(const PictrelPtr& band) const;
    // The least of a band that must stand on a page for the band to start
    // there: a table with header rows its caption, headers and first rows.
    double startHeight(const PictrelPtr& band, int headerRows) const;
    // The height of an element on the current page.
    double heightOf(const ElementPtr& element) const;
    // A statistics table of the three characteristics (means, variances,
    // standard deviations), as one of the tables of ProtokollStatistik.cpp says.
    PictrelPtr merkmalsBand(int Level, const QString& Caption, bool Printing,
                            const Merkmalstabelle& art) const;
    // The labels and numbers of a statistics table fitted into their columns.
    void fitValues(clsElementTable& table) const;
    // The statistics table band's table, filled by its users.
    static ElementTablePtr tableOf(const PictrelPtr& band);

    const Kalibrierung& m_k;
    ProtokollSeiten& m_seiten;
    int m_typ;
    clsBander m_bander;
    clsElementGenerator m_gen;
};
