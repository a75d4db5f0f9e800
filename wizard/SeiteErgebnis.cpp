#include "SeiteErgebnis.h"

#include "KalibrierDiagramm.h"
#include "Symbole.h"

#include "Ergebnisliste.h"
#include "Kalibrierung.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QSplitter>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {
constexpr int BildGröße = 32;
}

SeiteErgebnis::SeiteErgebnis(Kalibrierung& k, QWidget* parent)
    : Seite(k, 4, QStringLiteral("Schritt 4: Plausibilitätsprüfung"), parent) {
    labPlausibilität = new QLabel(this);
    labPlausibilität->setObjectName(QStringLiteral("labPlausibilität"));
    labPlausibilität->setWordWrap(true);
    labPlausibilität->setTextFormat(Qt::PlainText);
    labPlausibilität->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Minimum);
    imgPlausibilität = new QLabel(this);
    imgPlausibilität->setObjectName(QStringLiteral("imgPlausibilität"));
    imgPlausibilität->setFixedSize(BildGröße, BildGröße);

    lvPlausibilität = new QTreeWidget(this);
    lvPlausibilität->setMinimumWidth(300);
    lvPlausibilität->setObjectName(QStringLiteral("lvPlausibilität"));
    lvPlausibilität->setColumnCount(3);
    lvPlausibilität->setHeaderLabels(
        {QStringLiteral("Statistische Größe"), QStringLiteral("Wert"), QStringLiteral("Wertung")});
    lvPlausibilität->setRootIsDecorated(false);
    lvPlausibilität->setUniformRowHeights(true);
    lvPlausibilität->setSelectionMode(QAbstractItemView::SingleSelection);
    lvPlausibilität->setSelectionBehavior(QAbstractItemView::SelectRows);
    lvPlausibilität->header()->setStretchLastSection(false);
    lvPlausibilität->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    cmdPlausibilitätOptionen = new QPushButton(QStringLiteral("Optionen..."), this);
    cmdPlausibilitätOptionen->setObjectName(QStringLiteral("cmdPlausibilitätOptionen"));

    QVBoxLayout* v = inhalt();
    // The wrapped verdict takes the height of its text at the width it gets
    // (height for width), so the list always begins right below it.
    auto* verdictRow = new QHBoxLayout;
    verdictRow->addWidget(imgPlausibilität, 0, Qt::AlignTop);
    verdictRow->addWidget(labPlausibilität, 1);
    v->addLayout(verdictRow);
    // The requirement values translated to the indirect characteristic; rich
    // text, so that the note of a critical verdict stands out in bold.
    labAnforderungen = new QLabel(this);
    labAnforderungen->setObjectName(QStringLiteral("labAnforderungen"));
    labAnforderungen->setTextFormat(Qt::RichText);
    labAnforderungen->setWordWrap(true);
    labAnforderungen->hide();
    v->addWidget(labAnforderungen);
    v->addSpacing(10); // the list begins 10 pixels below the verdict
    picKalibrierdiagramm = new KalibrierDiagramm(this);
    picKalibrierdiagramm->setKalibrierung(&k);
    // The user may give the list or the diagram more room.
    auto* beside = new QSplitter(Qt::Horizontal, this);
    beside->setObjectName(QStringLiteral("splitPlausibilität"));
    beside->addWidget(lvPlausibilität);
    beside->addWidget(picKalibrierdiagramm);
    beside->setStretchFactor(0, 2);
    beside->setStretchFactor(1, 1);
    beside->setChildrenCollapsible(false);
    v->addWidget(beside, 1);
    v->addSpacing(5); // and ends 5 pixels above the options button
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdPlausibilitätOptionen);
    v->addLayout(buttons);
}

void SeiteErgebnis::spaltenbreiten() {
    // Column 1 takes 70 %, column 3 12,5 %, column 2 the rest beside the
    // vertical scroll bar.
    const int l = lvPlausibilität->width();
    const int c1 = qRound(l * 0.7);
    const int c3 = qRound(l * 0.125);
    const int bar = lvPlausibilität->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    lvPlausibilität->setColumnWidth(0, c1);
    lvPlausibilität->setColumnWidth(1, qMax(0, l - bar - 6 - c1 - c3));
    lvPlausibilität->setColumnWidth(2, c3);
}

void SeiteErgebnis::füllen() {
    spaltenbreiten();
    lvPlausibilität->clear();
    QList<QTreeWidgetItem*> items;
    const QList<StatistikZeile> rows = StatistikListe(m_k);
    items.reserve(rows.size());
    for (const StatistikZeile& row : rows) {
        auto* item = new QTreeWidgetItem({row.Text, row.Wert, row.Wertung});
        item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
        // A text cut off by its column shows in full when the mouse rests on it.
        item->setToolTip(0, row.Text.trimmed());
        items.append(item);
    }
    lvPlausibilität->addTopLevelItems(items);

    const bool ok = m_k.StatistikBestimmtheitsmaßIndirektDirektOk();
    m_bild = ok ? QStringLiteral("Info") : QStringLiteral("Examination");
    labPlausibilität->setText(PlausibilitätText(m_k));
    QStringList anforderungen;
    for (const AnforderungWert& w : AnforderungWerte(m_k)) {
        // Names come from the file: escaped. A dash stays with the note it begins.
        auto html = [](const QString& text) {
            return text.toHtmlEscaped().replace(QStringLiteral(" – "), QStringLiteral("&nbsp;– "));
        };
        QString line = html(w.zeile);
        if (!w.hinweis.isEmpty())
            line += QStringLiteral("<b>") + html(w.hinweis) + QStringLiteral("</b>");
        // A hanging indent: a wrapped line's rest is told from the next line.
        anforderungen.append(
            QStringLiteral("<p style=\"margin:0 0 0 16px; text-indent:-16px\">%1</p>").arg(line));
    }
    labAnforderungen->setText(anforderungen.join(QString()));
    labAnforderungen->setVisible(!anforderungen.isEmpty());
    picKalibrierdiagramm->aktualisieren();
    const QIcon icon = ok ? Symbole::info() : Symbole::examination();
    imgPlausibilität->setPixmap(icon.pixmap(QSize(BildGröße, BildGröße), devicePixelRatioF()));
    // The icon says the verdict in words, for the mouse and screen readers.
    const QString verdict =
        ok ? QStringLiteral("Plausibilitätsprüfung bestanden: Die Kalibriergerade kann für die "
                            "Umrechnung genutzt werden.")
           : QStringLiteral("Plausibilitätsprüfung nicht bestanden: Die Kalibriergerade darf "
                            "nicht für die Umrechnung genutzt werden.");
    imgPlausibilität->setToolTip(verdict);
    imgPlausibilität->setAccessibleName(verdict);
}

void SeiteErgebnis::resizeEvent(QResizeEvent* event) {
    Seite::resizeEvent(event);
    spaltenbreiten();
}
