#include "SeiteFelder.h"

#include "EditGrid.h"
#include "FlexGrid.h"
#include "MessageService.h"

#include "Kalibrierung.h"
#include "Protokolldaten.h"

#include "Conversion.h"
#include "RuntimeError.h"

#include <QLabel>
#include <QVBoxLayout>

#include <cmath>

SeiteFelder::SeiteFelder(Kalibrierung& k, QWidget* parent)
    : Rasterseite(k, 2, QStringLiteral("Schritt 2: Werte der Prüffelder"), 1,
                  QStringLiteral("fgKeysMessreihen"), QStringLiteral("txtFGKeysMessreihen"),
                  QStringLiteral("egKeysMessreihen"), parent) {
    fgKeysMessreihen = grid();
    txtFGKeysMessreihen = input();
    egKeysMessreihen = editGrid();
    auto* label = new QLabel(QStringLiteral("Werte der Prüffelder:"), this);
    label->setBuddy(fgKeysMessreihen);
    inhalt()->addWidget(label);
    inhalt()->addWidget(fgKeysMessreihen, 1);
}

void SeiteFelder::spaltenbreiten(int width) {
    FlexGrid& g = *fgKeysMessreihen;
    if (g.Cols() < 3)
        return;
    const int c0 = rt::toLong(width / 4.0);
    const int c1 = rt::toLong(width / 4.0);
    g.setColWidth(0, c0);
    g.setColWidth(1, c1);
    g.setColWidth(2, std::max(20, width - randbreite() - c0 - c1));
}

void SeiteFelder::füllen() {
    FlexGrid& g = *fgKeysMessreihen;
    vergessen();
    rt::SkipErrors skip;
    g.setRedraw(false);
    g.setCols(3);
    g.setRows(g.FixedRows());
    skip([&] {
        const rt::Long felder = m_k.PrüffelderAnzahl();
        if (felder > Kalibrierung::MaxPrüfpunkte)
            rt::raiseError(rt::err::OutOfMemory);
        g.setRows(g.FixedRows() + std::max<rt::Long>(0, felder));
    });
    zeigen(0, 0, QStringLiteral("Prüffeld"));
    zeigen(0, 1, QStringLiteral("Anzahl Prüfpunkte"));
    skip([&] { zeigen(0, 2, m_k.Kovariable().Bezeichung()); });
    rt::Long decimals = 0;
    skip([&] { decimals = m_k.Kovariable().Nachkommastellen(); });
    for (int r = g.FixedRows(); r < g.Rows(); ++r) {
        const rt::Long f = r - g.FixedRows() + 1;
        zeigen(r, 0, QStringLiteral("Prüffeld ") + QString::number(f));
        skip([&] { zeigen(r, 1, QString::number(m_k.PrüffeldPrüfpunkte(f))); });
        skip([&] { zeigen(r, 2, FormatNumberText(m_k.PrüffeldWert(f), decimals)); });
    }
    spaltenbreiten(g.width());
    g.setColAlignment(1, FlexGrid::flexAlignLeftTop);
    g.setColAlignment(2, FlexGrid::flexAlignLeftTop);
    g.setRedraw(true);
    egKeysMessreihen->Refresh();
}

QString SeiteFelder::prüfen(int row, int col, const QString& text, double& value) const {
    const rt::Long f = row - fgKeysMessreihen->FixedRows() + 1;
    QString reason;
    const auto number = rt::parseTypedNumber(text, &reason);
    if (number && col == 1 && *number != std::floor(*number))
        reason = QStringLiteral("ist keine ganze Zahl");
    if (!number || !reason.isEmpty()) {
        QString spalte = QStringLiteral("Anzahl Prüfpunkte");
        if (col != 1) {
            rt::SkipErrors skip;
            skip([&] { spalte = m_k.Kovariable().Bezeichung(); });
        }
        return rt::typedNumberMessage(
            text, QStringLiteral("in Prüffeld %1 (%2)").arg(f).arg(spalte), reason);
    }
    value = *number;
    if (col == 1) {
        // A count is stored as shown, or refused: at least 3, and within the
        // calibration's limit for the field and for all fields together with
        // the counts the other rows will hold.
        if (value < Kalibrierung::MinPrüfpunkte)
            return leer(row, col);
        return punkteGrenze(row, value);
    }
    return QString();
}

QString SeiteFelder::leer(int, int col) const {
    return col == 1 ? QStringLiteral("Die Anzahl der Prüfpunkte einer Messreihe darf nicht "
                                     "leer oder kleiner als 3 sein.")
                    : QStringLiteral("Der Name einer Messreihe darf nicht leer sein.");
}

QString SeiteFelder::punkteGrenze(int row, double value) const {
    const QString max = FormatNumberText(Kalibrierung::MaxPrüfpunkte, 0);
    if (value > Kalibrierung::MaxPrüfpunkte)
        return QStringLiteral("Die Anzahl der Prüfpunkte einer Messreihe darf nicht größer als %1 "
                              "sein.")
            .arg(max);
    double total = std::max(0.0, value);
    for (int r = fgKeysMessreihen->FixedRows(); r < fgKeysMessreihen->Rows(); ++r)
        if (r != row)
            total += std::max(0.0, punkte(r));
    if (total > Kalibrierung::MaxPrüfpunkte)
        return QStringLiteral("Die Anzahl der Prüfpunkte aller Messreihen darf zusammen nicht "
                              "größer als %1 sein.")
            .arg(max);
    return QString();
}

QString SeiteFelder::schrittText(int row, int col) const {
    QString spalte = QStringLiteral("Anzahl Prüfpunkte");
    if (col != 1) {
        rt::SkipErrors skip;
        skip([&] { spalte = m_k.Kovariable().Name(); });
    }
    return QStringLiteral("%1, Prüffeld %2")
        .arg(spalte)
        .arg(row - fgKeysMessreihen->FixedRows() + 1);
}

QString SeiteFelder::anzeigen(int, int col, double value) const {
    // Point counts are whole numbers, shown as plain digits; the covariable
    // value with its decimals.
    if (col == 1)
        return QString::number(qint64(value));
    rt::Long decimals = 0;
    rt::SkipErrors skip;
    skip([&] { decimals = m_k.Kovariable().Nachkommastellen(); });
    return FormatNumberText(value, decimals);
}

void SeiteFelder::eintragen(int row, int col, std::optional<double> value) {
    const rt::Long f = row - fgKeysMessreihen->FixedRows() + 1;
    if (col == 1) {
        // More points than a calibration can hold are never written.
        if (value && punkteGrenze(-1, 0).isEmpty())
            m_k.setPrüffeldPrüfpunkte(f, rt::toLong(*value));
        return;
    }
    std::optional<double> before;
    rt::SkipErrors skip;
    skip([&] { before = m_k.PrüffeldWert(f); });
    if (value)
        skip([&] { m_k.setPrüffeldWert(f, *value); });
    FeldangabeNachführen(m_k, f, before);
}

void SeiteFelder::alleEintragen(const Zeilen& zeilen) {
    // As a pass through the page: row by row the field's value, its
    // protocol entry (which follows the value) and its points, so that keys
    // new to the file come in that order.
    FlexGrid& g = *fgKeysMessreihen;
    rt::SkipErrors skip;
    for (int r = g.FixedRows(); r < g.Rows(); ++r) {
        const rt::Long f = r - g.FixedRows() + 1;
        const QMap<int, std::optional<double>> zeile = zeilen.value(r);
        if (zeile.contains(2))
            skip([&] { eintragen(r, 2, zeile.value(2)); });
        else
            skip([&] { FeldangabeNachführen(m_k, f, m_k.PrüffeldWert(f)); });
        if (zeile.contains(1))
            skip([&] { eintragen(r, 1, zeile.value(1)); });
    }
}

double SeiteFelder::punkte(int row) const {
    if (const std::optional<double> checked = geprüft(row, 1))
        return *checked;
    if (bearbeitet(row, 1))
        return eingabe(row, 1).value_or(0);
    double points = 0;
    rt::SkipErrors skip;
    skip([&] { points = rt::val(fgKeysMessreihen->TextMatrix(row, 1)); });
    return points;
}

void SeiteFelder::übernehmen(int direction, bool& cancel) {
    if (!eingabeBeenden()) {
        cancel = true;
        return;
    }
    const bool forward = direction == 1;
    FlexGrid& g = *fgKeysMessreihen;
    rt::SkipErrors skip;
    // More points than a calibration can hold are never written.
    const bool zuViele = !punkteGrenze(-1, 0).isEmpty();
    for (int r = g.FixedRows(); r < g.Rows(); ++r) {
        const rt::Long f = r - g.FixedRows() + 1;
        const QString value = g.TextMatrix(r, 2);
        if (value.isEmpty() && forward) {
            showMessage(window(), leer(r, 2), MessageService::Warning);
            cancel = true;
            return;
        }
        // Only what the user changed is written: a pass keeps stored values.
        std::optional<double> before;
        skip([&] { before = m_k.PrüffeldWert(f); });
        if (bearbeitet(r, 2)) {
            if (const std::optional<double> entered = eingabe(r, 2))
                skip([&] { m_k.setPrüffeldWert(f, *entered); });
        } else if (geändert(r, 2)) {
            skip([&] { m_k.setPrüffeldWert(f, rt::textToDouble(value)); });
        }
        skip([&] { FeldangabeNachführen(m_k, f, before); });
        const double points = punkte(r);
        if (points < Kalibrierung::MinPrüfpunkte && forward) {
            showMessage(window(), leer(r, 1), MessageService::Warning);
            cancel = true;
            return;
        }
        if (zuViele && forward) {
            showMessage(window(), punkteGrenze(r, points), MessageService::Warning);
            cancel = true;
            return;
        }
        if (geändert(r, 1) && !zuViele)
            skip([&] { m_k.setPrüffeldPrüfpunkte(f, rt::toLong(points)); });
    }
}
