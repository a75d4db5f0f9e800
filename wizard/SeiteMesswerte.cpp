#include "SeiteMesswerte.h"

#include "EditGrid.h"
#include "FlexGrid.h"
#include "MessageService.h"

#include "Kalibrierung.h"

#include "Conversion.h"
#include "RuntimeError.h"

#include <QFontMetrics>
#include <QVBoxLayout>

SeiteMesswerte::SeiteMesswerte(Kalibrierung& k, QWidget* parent)
    : Rasterseite(k, 3, QStringLiteral("Schritt 3: Messwerteingabe"), 2,
                  QStringLiteral("fgMesswerte"), QStringLiteral("txtFGData"),
                  QStringLiteral("egMesswerte"), parent) {
    fgMesswerte = grid();
    txtFGData = input();
    egMesswerte = editGrid();
    inhalt()->addWidget(fgMesswerte, 1);
}

void SeiteMesswerte::spaltenbreiten(int width) {
    FlexGrid& g = *fgMesswerte;
    if (g.Cols() < 4)
        return;
    const int c0 = rt::toLong(width / 2.7);
    const int c1 = rt::toLong(width / 6.0);
    const int v = std::max(20, int(rt::toLong((width - randbreite() - c0 - c1) / 2.0)));
    g.setColWidth(0, c0);
    g.setColWidth(1, c1);
    g.setColWidth(2, v);
    g.setColWidth(3, v);
}

void SeiteMesswerte::füllen() {
    FlexGrid& g = *fgMesswerte;
    vergessen();
    m_punkte.clear();
    rt::SkipErrors skip;
    g.setRedraw(false);
    g.setCols(4);
    g.setRows(g.FixedRows());
    // The total bounds the walk: a damaged file with absurd counts gives an
    // empty table instead of a hang.
    skip([&] { g.setRows(g.FixedRows() + std::max<rt::Long>(0, m_k.PrüfpunkteTotal())); });
    zeigen(0, 0, QStringLiteral("Prüffeld"));
    zeigen(0, 1, QStringLiteral("Prüfpunkt"));
    // The values are typed in the characteristic's unit: the header names
    // it with the symbol, on a line of their own, so that a long name cut
    // off by the column never hides them.
    auto kopf = [](const QString& rolle, const Prüfmerkmal& m) {
        // Name first: plain reads insert missing keys in reading order.
        const QString name = m.Name().trimmed();
        return rolle + u'\n' + name + u'\n' + m.FormelzeichenMitEinheit();
    };
    skip([&] {
        zeigen(0, 2, kopf(QStringLiteral("Direktes Prüfmerkmal"), m_k.DirektesPrüfmerkmal()));
    });
    skip([&] {
        zeigen(0, 3, kopf(QStringLiteral("Indirektes Prüfmerkmal"), m_k.IndirektesPrüfmerkmal()));
    });
    const QFontMetrics metrics(window()->font());
    g.setRowHeight(0, 3 * metrics.height() + 4);
    spaltenbreiten(g.width());
    g.setColAlignment(0, FlexGrid::flexAlignLeftTop);
    g.setColAlignment(1, FlexGrid::flexAlignLeftTop);

    rt::Long direkt = 0, indirekt = 0;
    QString kovariable;
    skip([&] { direkt = m_k.DirektesPrüfmerkmal().Nachkommastellen(); });
    skip([&] { indirekt = m_k.IndirektesPrüfmerkmal().Nachkommastellen(); });
    skip([&] { kovariable = m_k.Kovariable().Bezeichung(); });
    int row = g.FixedRows();
    rt::Long felder = 0;
    skip([&] { felder = m_k.PrüffelderAnzahl(); });
    for (rt::Long f = 1; f <= felder && row < g.Rows(); ++f) {
        QString caption = QString::number(f);
        skip([&] {
            caption = QString::number(f) + QStringLiteral(" (") + kovariable +
                      QStringLiteral(" = ") + rt::doubleToText(m_k.PrüffeldWert(f)) + u')';
        });
        rt::Long punkte = 0;
        skip([&] { punkte = m_k.PrüffeldPrüfpunkte(f); });
        for (rt::Long p = 1; p <= punkte && row < g.Rows(); ++p, ++row) {
            m_punkte.append({f, p});
            zeigen(row, 0, caption);
            zeigen(row, 1, Kalibrierung::PrüfpunktKey(p));
            skip([&] { zeigen(row, 2, FormatNumberText(m_k.Messwert(pmDirekt, f, p), direkt)); });
            skip([&] {
                zeigen(row, 3, FormatNumberText(m_k.Messwert(pmIndirekt, f, p), indirekt));
            });
        }
    }
    g.setRedraw(true);
    egMesswerte->Refresh();
}

rt::Long SeiteMesswerte::stellen(int col) const {
    rt::Long decimals = 0;
    rt::SkipErrors skip;
    skip([&] {
        decimals = col == 2 ? m_k.DirektesPrüfmerkmal().Nachkommastellen()
                            : m_k.IndirektesPrüfmerkmal().Nachkommastellen();
    });
    return decimals;
}

QString SeiteMesswerte::prüfen(int row, int col, const QString& text, double& value) const {
    QString reason;
    const auto number = rt::parseTypedNumber(text, &reason);
    if (number) {
        value = *number;
        return QString();
    }
    const int index = row - fgMesswerte->FixedRows();
    const auto [f, p] = m_punkte.value(index, {0, 0});
    return rt::typedNumberMessage(text,
                                  QStringLiteral("für Prüffeld %1, Prüfpunkt %2 (%3)")
                                      .arg(f)
                                      .arg(p)
                                      .arg(col == 2 ? QStringLiteral("Direktes Prüfmerkmal")
                                                    : QStringLiteral("Indirektes Prüfmerkmal")),
                                  reason);
}

QString SeiteMesswerte::schrittText(int row, int) const {
    const auto [f, p] = m_punkte.value(row - fgMesswerte->FixedRows(), {0, 0});
    return QStringLiteral("Messwert Prüffeld %1, Prüfpunkt %2").arg(f).arg(p);
}

QString SeiteMesswerte::anzeigen(int, int col, double value) const {
    return FormatNumberText(value, stellen(col));
}

void SeiteMesswerte::eintragen(int row, int col, std::optional<double> value) {
    const auto [f, p] = m_punkte.value(row - fgMesswerte->FixedRows(), {0, 0});
    const PrüfmerkmalEnum merkmal = col == 2 ? pmDirekt : pmIndirekt;
    if (value)
        m_k.setMesswert(merkmal, f, p, *value);
    else
        m_k.MesswertEntfernen(merkmal, f, p);
}

void SeiteMesswerte::übernehmen(int direction, bool& cancel) {
    if (!eingabeBeenden()) {
        cancel = true;
        return;
    }
    const bool forward = direction == 1;
    FlexGrid& g = *fgMesswerte;
    rt::Long f = 1, p = 0;
    for (int r = g.FixedRows(); r < g.Rows(); ++r) {
        rt::SkipErrors skip;
        skip([&] {
            ++p;
            if (p > m_k.PrüffeldPrüfpunkte(f)) {
                ++f;
                p = 1;
            }
        });
        for (const auto& spalte : {std::pair{2, pmDirekt}, std::pair{3, pmIndirekt}}) {
            const int col = spalte.first;
            const PrüfmerkmalEnum merkmal = spalte.second;
            const QString text = g.TextMatrix(r, col);
            skip([&] {
                // An edited cell stores the number entered, an emptied one
                // no value; a cell given another text stores that; an
                // untouched one keeps its value at full precision, and is
                // only checked as storing it would.
                if (bearbeitet(r, col)) {
                    if (const std::optional<double> value = eingabe(r, col))
                        m_k.setMesswert(merkmal, f, p, *value);
                    else
                        m_k.MesswertEntfernen(merkmal, f, p);
                } else if (geändert(r, col)) {
                    m_k.setMesswert(merkmal, f, p, text);
                } else if (forward && !rt::isNumericText(text)) {
                    rt::raiseError(rt::err::TypeMismatch);
                }
            });
        }
        if (skip.failed() && forward) {
            showMessage(window(),
                        QStringLiteral("Bei dem Auswerten des Messwertes für das Prüffeld %1 und "
                                       "Prüfpunkt %2 frat ein Fehler auf:\n%3 (%4)")
                            .arg(f)
                            .arg(p)
                            .arg(skip.lastDescription())
                            .arg(skip.lastNumber()),
                        MessageService::Warning);
            cancel = true;
            return;
        }
    }
}
