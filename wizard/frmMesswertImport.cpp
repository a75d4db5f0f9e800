#include "frmMesswertImport.h"

#include "Symbole.h"

#include "Kalibrierung.h"
#include "MessageService.h"
#include "basKalibrierungVelmorTeilE4.h"

#include "Conversion.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QShortcut>
#include <QTableWidget>
#include <QVBoxLayout>

using namespace MesswertImport;

namespace {
const QList<std::pair<QChar, QString>> Trenner = {{u';', QStringLiteral("Semikolon ( ; )")},
                                                  {u',', QStringLiteral("Komma ( , )")},
                                                  {u'\t', QStringLiteral("Tabulator")}};
const Spalte Spaltenarten[] = {Spalte::Keine, Spalte::Prüffeld, Spalte::Kovariable, Spalte::Direkt,
                               Spalte::Indirekt};
} // namespace

frmMesswertImport::frmMesswertImport(const Tabelle& tabelle, const Kalibrierung& k,
                                     const QString& path, QWidget* parent)
    : QDialog(parent), m_tabelle(tabelle), m_k(k) {
    setObjectName(QStringLiteral("frmMesswertImport"));
    setWindowTitle(QStringLiteral("Messwerte importieren"));
    setWindowIcon(Symbole::programm());
    connect(new QShortcut(QKeySequence(Qt::Key_F1), this), &QShortcut::activated, this,
            [] { ShowHelpTopic(QStringLiteral("import.html")); });

    auto* layout = new QVBoxLayout(this);
    labDatei = new QLabel(
        QStringLiteral("Datei: %1 (Zeichensatz %2)")
            .arg(QDir::toNativeSeparators(QFileInfo(path).fileName()), tabelle.zeichensatz()),
        this);
    labDatei->setObjectName(QStringLiteral("labDatei"));
    labDatei->setToolTip(QDir::toNativeSeparators(path));
    layout->addWidget(labDatei);

    auto* einstellungen = new QGridLayout;
    cboTrenner = new QComboBox(this);
    cboTrenner->setObjectName(QStringLiteral("cboTrenner"));
    for (const auto& [zeichen, name] : Trenner)
        cboTrenner->addItem(name, QVariant(zeichen));
    auto* labTrenner = new QLabel(QStringLiteral("&Trennzeichen:"), this);
    labTrenner->setBuddy(cboTrenner);
    cboDezimal = new QComboBox(this);
    cboDezimal->setObjectName(QStringLiteral("cboDezimal"));
    cboDezimal->addItem(QStringLiteral("Komma (95,5)"), int(Dezimal::Komma));
    cboDezimal->addItem(QStringLiteral("Punkt (95.5)"), int(Dezimal::Punkt));
    cboDezimal->setPlaceholderText(QStringLiteral("bitte wählen"));
    auto* labDezimalTitel = new QLabel(QStringLiteral("&Dezimaltrennzeichen:"), this);
    labDezimalTitel->setBuddy(cboDezimal);
    labDezimal = new QLabel(this);
    labDezimal->setObjectName(QStringLiteral("labDezimal"));
    chkKopfzeile =
        new QCheckBox(QStringLiteral("&Erste Zeile enthält die Spaltenüberschriften"), this);
    chkKopfzeile->setObjectName(QStringLiteral("chkKopfzeile"));
    einstellungen->addWidget(labTrenner, 0, 0);
    einstellungen->addWidget(cboTrenner, 0, 1);
    einstellungen->addWidget(chkKopfzeile, 0, 2, 1, 2);
    einstellungen->addWidget(labDezimalTitel, 1, 0);
    einstellungen->addWidget(cboDezimal, 1, 1);
    einstellungen->addWidget(labDezimal, 1, 2, 1, 2);
    einstellungen->setColumnStretch(3, 1);
    layout->addLayout(einstellungen);

    auto* labVorschau = new QLabel(
        QStringLiteral("&Vorschau der ersten Zeilen, wie sie gelesen werden; wählen Sie über "
                       "jeder Spalte, was sie enthält. Die Prüfpunkte werden in der "
                       "Reihenfolge der Zeilen eines Prüffeldes nummeriert."),
        this);
    labVorschau->setWordWrap(true);
    layout->addWidget(labVorschau);
    tblVorschau = new QTableWidget(this);
    tblVorschau->setObjectName(QStringLiteral("tblVorschau"));
    tblVorschau->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tblVorschau->setMinimumHeight(220);
    tblVorschau->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    labVorschau->setBuddy(tblVorschau);
    layout->addWidget(tblVorschau, 1);

    labErgebnis = new QLabel(this);
    labErgebnis->setObjectName(QStringLiteral("labErgebnis"));
    labErgebnis->setWordWrap(true);
    layout->addWidget(labErgebnis);
    lstFehler = new QListWidget(this);
    lstFehler->setObjectName(QStringLiteral("lstFehler"));
    lstFehler->setMaximumHeight(110);
    layout->addWidget(lstFehler);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    cmdImportieren = new QPushButton(QStringLiteral("&Importieren"), this);
    cmdImportieren->setObjectName(QStringLiteral("cmdImportieren"));
    cmdImportieren->setDefault(true);
    cmdAbbrechen = new QPushButton(QStringLiteral("Abbrechen"), this);
    cmdAbbrechen->setObjectName(QStringLiteral("cmdAbbrechen"));
    buttons->addWidget(cmdImportieren);
    buttons->addWidget(cmdAbbrechen);
    layout->addLayout(buttons);
    connect(cmdImportieren, &QPushButton::clicked, this, &frmMesswertImport::importieren);
    connect(cmdAbbrechen, &QPushButton::clicked, this, &QDialog::reject);

    m_lesart = tabelle.erkennen(k);
    m_erkannt = m_lesart.dezimal;
    m_füllt = true;
    for (int i = 0; i < cboTrenner->count(); ++i)
        if (cboTrenner->itemData(i).value<QChar>() == m_lesart.trenner)
            cboTrenner->setCurrentIndex(i);
    chkKopfzeile->setChecked(m_lesart.kopfzeile);
    m_füllt = false;
    connect(cboTrenner, &QComboBox::currentIndexChanged, this, &frmMesswertImport::erkennen);
    connect(chkKopfzeile, &QCheckBox::toggled, this, &frmMesswertImport::erkennen);
    connect(cboDezimal, &QComboBox::currentIndexChanged, this, [this] {
        if (m_füllt)
            return;
        m_lesart.dezimal = cboDezimal->currentIndex() < 0
                               ? Dezimal::Unbestimmt
                               : Dezimal(cboDezimal->currentData().toInt());
        m_gewählt = m_lesart.dezimal;
        lesen();
    });
    zeigeVorschau();
    lesen();
    resize(900, 580);
}

void frmMesswertImport::erkennen() {
    if (m_füllt)
        return;
    m_lesart = m_tabelle.erkennen(m_k, cboTrenner->currentData().value<QChar>(),
                                  chkKopfzeile->isChecked());
    m_erkannt = m_lesart.dezimal;
    if (m_gewählt)
        m_lesart.dezimal = *m_gewählt;
    zeigeVorschau();
    lesen();
}

void frmMesswertImport::zeigeVorschau() {
    const QVector<Zeile> rows = m_tabelle.zeilen(m_lesart.trenner);
    const int spalten = int(m_lesart.spalten.size());
    const int erste = m_lesart.kopfzeile ? 1 : 0;
    const int zeilen = std::max(0, std::min(int(rows.size()) - erste, VorschauZeilen));
    tblVorschau->clear();
    tblVorschau->setColumnCount(spalten);
    tblVorschau->setRowCount(zeilen + 1);
    QStringList köpfe;
    for (int c = 0; c < spalten; ++c)
        köpfe.append(m_lesart.kopfzeile && c < rows.first().zellen.size()
                         ? rt::withoutControls(rows.first().zellen[c].trimmed())
                         : QStringLiteral("Spalte %1").arg(c + 1));
    tblVorschau->setHorizontalHeaderLabels(köpfe);
    for (int c = 0; c < spalten; ++c)
        tblVorschau->horizontalHeaderItem(c)->setToolTip(köpfe[c]);
    cboSpalten.clear();
    for (int c = 0; c < spalten; ++c) {
        auto* combo = new QComboBox(tblVorschau);
        combo->setObjectName(QStringLiteral("cboSpalte%1").arg(c + 1));
        for (const Spalte art : Spaltenarten)
            combo->addItem(spaltenName(art), int(art));
        combo->setCurrentIndex(combo->findData(int(m_lesart.spalten[c])));
        connect(combo, &QComboBox::currentIndexChanged, this, [this, c, combo] {
            const Spalte art = Spalte(combo->currentData().toInt());
            // A kind belongs to one column: another column that had it gives it up.
            for (int other = 0; other < cboSpalten.size(); ++other)
                if (other != c && art != Spalte::Keine && m_lesart.spalten[other] == art) {
                    m_lesart.spalten[other] = Spalte::Keine;
                    const QSignalBlocker block(cboSpalten[other]);
                    cboSpalten[other]->setCurrentIndex(0);
                }
            m_lesart.spalten[c] = art;
            lesen();
        });
        tblVorschau->setCellWidget(0, c, combo);
        cboSpalten.append(combo);
    }
    tblVorschau->setVerticalHeaderItem(0, new QTableWidgetItem(QStringLiteral("Spalte")));
    for (int r = 0; r < zeilen; ++r) {
        const Zeile& z = rows[r + erste];
        auto* kopf = new QTableWidgetItem(QStringLiteral("Zeile %1").arg(z.nummer));
        kopf->setData(Qt::UserRole, z.nummer);
        tblVorschau->setVerticalHeaderItem(r + 1, kopf);
        for (int c = 0; c < spalten && c < z.zellen.size(); ++c) {
            // The cell's text as it stands in the file; lesen shows it as it is read.
            auto* item = new QTableWidgetItem;
            item->setData(Qt::UserRole, rt::withoutControls(z.zellen[c].trimmed()));
            tblVorschau->setItem(r + 1, c, item);
        }
    }
}

void frmMesswertImport::lesen() {
    m_füllt = true;
    if (m_lesart.dezimal == Dezimal::Unbestimmt)
        cboDezimal->setCurrentIndex(-1);
    else
        cboDezimal->setCurrentIndex(cboDezimal->findData(int(m_lesart.dezimal)));
    m_füllt = false;
    labDezimal->setText(m_erkannt == Dezimal::Unbestimmt
                            ? QStringLiteral("Die Zahlen lassen sich auf beide Arten lesen: "
                                             "bitte wählen.")
                            : QStringLiteral("(aus den Zahlen der Datei erkannt)"));

    // The value cells as they will be read: numbers in the user's format,
    // a cell that cannot be read marked.
    const QColor fehler(255, 220, 220);
    for (int r = 1; r < tblVorschau->rowCount(); ++r)
        for (int c = 0; c < tblVorschau->columnCount(); ++c) {
            QTableWidgetItem* item = tblVorschau->item(r, c);
            if (!item)
                continue;
            const QString roh = item->data(Qt::UserRole).toString();
            const Spalte art = m_lesart.spalten.value(c);
            item->setBackground(QBrush());
            item->setForeground(QBrush());
            item->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
            if (art == Spalte::Kovariable || art == Spalte::Direkt || art == Spalte::Indirekt) {
                const auto wert = zahl(roh, m_lesart.dezimal);
                item->setText(wert ? rt::doubleToText(*wert) : roh);
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
                if (!wert && m_lesart.dezimal != Dezimal::Unbestimmt)
                    item->setBackground(fehler);
            } else {
                item->setText(roh);
                if (art == Spalte::Keine)
                    item->setForeground(palette().color(QPalette::Disabled, QPalette::Text));
            }
        }
    m_ergebnis = m_tabelle.lesen(m_lesart);
    // What follows the end of the table is not shown: it is not read.
    for (int r = 1; r < tblVorschau->rowCount(); ++r) {
        const QTableWidgetItem* zeile = tblVorschau->verticalHeaderItem(r);
        const int nummer = zeile ? zeile->data(Qt::UserRole).toInt() : 0;
        tblVorschau->setRowHidden(r,
                                  m_ergebnis.endeBeiZeile > 0 && nummer >= m_ergebnis.endeBeiZeile);
    }
    tblVorschau->resizeColumnsToContents();
    for (int c = 0; c < tblVorschau->columnCount(); ++c)
        tblVorschau->setColumnWidth(c, std::clamp(tblVorschau->columnWidth(c),
                                                  cboSpalten.value(c)->sizeHint().width(), 190));
    lstFehler->clear();
    for (const Fehler& f : m_ergebnis.fehler)
        lstFehler->addItem(
            QStringLiteral("Zeile %1: %2").arg(f.zeile).arg(rt::withoutControls(f.grund)));
    lstFehler->setVisible(!m_ergebnis.fehler.isEmpty());
    QString text;
    if (!m_ergebnis.hindernis.isEmpty()) {
        text = m_ergebnis.hindernis;
    } else {
        text = QStringLiteral("Gelesen werden %1 Zeilen mit %2 Prüfpunkten in %3 Prüffeldern.")
                   .arg(m_ergebnis.gelesen)
                   .arg(m_ergebnis.punkte())
                   .arg(m_ergebnis.felder.size());
    }
    if (!m_ergebnis.fehler.isEmpty())
        text += (m_ergebnis.fehler.size() == 1
                     ? QStringLiteral(" Eine Zeile kann")
                     : QStringLiteral(" %1 Zeilen können").arg(m_ergebnis.fehler.size())) +
                QStringLiteral(" nicht gelesen werden:");
    if (m_ergebnis.endeBeiZeile > 0)
        text += QStringLiteral(" Die Tabelle endet vor Zeile %1; was folgt, wird nicht gelesen.")
                    .arg(m_ergebnis.endeBeiZeile);
    labErgebnis->setText(text.trimmed());
    cmdImportieren->setEnabled(m_ergebnis.hindernis.isEmpty());
}

void frmMesswertImport::importieren() {
    if (!m_ergebnis.hindernis.isEmpty())
        return;
    if (!m_ergebnis.fehler.isEmpty() &&
        showMessage(this,
                    QStringLiteral("%1 der Datei %2 nicht gelesen werden und %3 ausgelassen "
                                   "(siehe Liste).\nSollen die übrigen %4 Zeilen importiert "
                                   "werden?")
                        .arg(m_ergebnis.fehler.size() == 1
                                 ? QStringLiteral("Eine Zeile")
                                 : QStringLiteral("%1 Zeilen").arg(m_ergebnis.fehler.size()))
                        .arg(m_ergebnis.fehler.size() == 1 ? QStringLiteral("kann")
                                                           : QStringLiteral("können"))
                        .arg(m_ergebnis.fehler.size() == 1 ? QStringLiteral("wird")
                                                           : QStringLiteral("werden"))
                        .arg(m_ergebnis.gelesen),
                    MessageService::Question, MessageService::YesNo) != MessageService::AnswerYes)
        return;
    accept();
}
