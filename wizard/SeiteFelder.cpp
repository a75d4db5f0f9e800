#include "SeiteFelder.h"

#include "EditGrid.h"
#include "FlexGrid.h"
#include "MessageService.h"

#include "Kalibrierung.h"

#include "Conversion.h"
#include "RuntimeError.h"

#include <QLabel>
#include <QVBoxLayout>

namespace {
const QString ProtokollKovariable = QStringLiteral(
    "Protokoll Verdichtung Kalibrierfeld Kovariable (Anzahl der Verdichtungsübergänge) - "
    "Prüffeld ");
}

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
    connect(egKeysMessreihen, &clsEditGrid::AfterCellEdit, this,
            [this](int row, int col, QString& value, bool& cancel) {
                zellenEdit(row, col, value, cancel);
            });
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

void SeiteFelder::zellenEdit(int, int col, QString& newValue, bool&) {
    // The covariable value is shown with its decimals. Point counts are
    // whole numbers, read back as digits: grouping them ("1.000") would make
    // them read as 1, so they keep what was typed.
    if (col != 2 || newValue.isEmpty() || !rt::isNumericText(newValue))
        return;
    try {
        newValue =
            FormatNumberText(rt::textToDouble(newValue), m_k.Kovariable().Nachkommastellen());
    } catch (const rt::RuntimeError&) {
        // the text stays as typed
    }
}

void SeiteFelder::übernehmen(int direction, bool& cancel) {
    editBeenden();
    const bool forward = direction == 1;
    FlexGrid& g = *fgKeysMessreihen;
    rt::SkipErrors skip;
    for (int r = g.FixedRows(); r < g.Rows(); ++r) {
        const rt::Long f = r - g.FixedRows() + 1;
        const QString value = g.TextMatrix(r, 2);
        if (value.isEmpty() && forward) {
            showMessage(window(), QStringLiteral("Der Name einer Messreihe darf nicht leer sein."),
                        MessageService::Warning);
            cancel = true;
            return;
        }
        // Only what the user changed is written: a pass keeps stored values.
        if (geändert(r, 2))
            skip([&] { m_k.setPrüffeldWert(f, rt::textToDouble(value)); });
        // The protocol's entry of the field is seeded once, as a default that
        // marks nothing as changed.
        skip([&] {
            const QString key = ProtokollKovariable + QString::number(f);
            const rt::Variant* seeded = m_k.DataStore()->find(key);
            if (!seeded || seeded->toText().isEmpty())
                m_k.DataStore()->setValue(key, m_k.PrüffeldWert(f));
        });
        const QString count = g.TextMatrix(r, 1);
        double points = 0;
        skip([&] { points = rt::val(count); });
        if (points < 3 && forward) {
            showMessage(window(),
                        QStringLiteral("Die Anzahl der Prüfpunkte einer Messreihe darf nicht "
                                       "leer oder kleiner als 3 sein."),
                        MessageService::Warning);
            cancel = true;
            return;
        }
        if (geändert(r, 1))
            skip([&] { m_k.setPrüffeldPrüfpunkte(f, rt::toLong(points)); });
    }
}
