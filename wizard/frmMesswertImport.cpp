#include "frmMesswertImport.h"

#include "Symbole.h"

#include "Kalibrierung.h"
#include "MessageService.h"
#include "Wartecursor.h"
#include "basKalibrierungVelmorTeilE4.h"

#include "Conversion.h"
#include "RuntimeError.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QTableWidget>
#include <QVBoxLayout>

using namespace MesswertImport;

namespace {
const QList<std::pair<QChar, QString>> Trenner = {{u';', QStringLiteral("Semikolon ( ; )")},
                                                  {u',', QStringLiteral("Komma ( , )")},
                                                  {u'\t', QStringLiteral("Tabulator")}};
const Spalte Spaltenarten[] = {Spalte::Keine,      Spalte::Prüffeld, Spalte::Prüfpunkt,
                               Spalte::Kovariable, Spalte::Direkt,   Spalte::Indirekt};

QString deutsch(qint64 n) {
    return QLocale(QLocale::German).toString(n);
}

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
    labDatei =
        new QLabel(QStringLiteral("Datei: %1 (%2)")
                       .arg(QDir::toNativeSeparators(QFileInfo(path).fileName()),
                            tabelle.istArbeitsmappe()
                                ? tabelle.zeichensatz()
                                : QStringLiteral("Zeichensatz %1").arg(tabelle.zeichensatz())),
                   this);
    labDatei->setObjectName(QStringLiteral("labDatei"));
    labDatei->setToolTip(QDir::toNativeSeparators(path));
    layout->addWidget(labDatei);

    auto* einstellungen = new QGridLayout;
    cboBlatt = new QComboBox(this);
    cboBlatt->setObjectName(QStringLiteral("cboBlatt"));
    cboBlatt->addItems(tabelle.blätter());
    cboBlatt->setCurrentText(tabelle.blatt());
    auto* labBlatt = new QLabel(QStringLiteral("Tabellen&blatt:"), this);
    labBlatt->setBuddy(cboBlatt);
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
    // A workbook has its cells: a sheet is chosen instead of a separator.
    if (tabelle.istArbeitsmappe()) {
        einstellungen->addWidget(labBlatt, 0, 0);
        einstellungen->addWidget(cboBlatt, 0, 1);
        labTrenner->hide();
        cboTrenner->hide();
    } else {
        einstellungen->addWidget(labTrenner, 0, 0);
        einstellungen->addWidget(cboTrenner, 0, 1);
        labBlatt->hide();
        cboBlatt->hide();
    }
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

    // Replace the calibration's fields, or keep them and add the new ones.
    auto* ziel = new QHBoxLayout;
    optErsetzen = new QRadioButton(QStringLiteral("&ersetzen"), this);
    optErsetzen->setObjectName(QStringLiteral("optErsetzen"));
    optAnhängen = new QRadioButton(QStringLiteral("an&hängen"), this);
    optAnhängen->setObjectName(QStringLiteral("optAnhaengen"));
    auto* gruppe = new QButtonGroup(this);
    gruppe->addButton(optErsetzen);
    gruppe->addButton(optAnhängen);
    optErsetzen->setChecked(true);
    // With no measured values there is nothing to add to.
    optAnhängen->setEnabled(hatMesswerte(k));
    auto* labWie = new QLabel(QStringLiteral("Prüffelder der Kalibrierung:"), this);
    ziel->addWidget(labWie);
    ziel->addWidget(optErsetzen);
    ziel->addWidget(optAnhängen);
    ziel->addStretch(1);
    layout->addLayout(ziel);
    labZiel = new QLabel(this);
    labZiel->setObjectName(QStringLiteral("labZiel"));
    labZiel->setWordWrap(true);
    layout->addWidget(labZiel);
    connect(optAnhängen, &QRadioButton::toggled, this, &frmMesswertImport::zielZeigen);

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

    {
        const Wartecursor warten;
        m_lesart = tabelle.erkennen(k);
    }
    m_erkannt = m_lesart.dezimal;
    m_füllt = true;
    for (int i = 0; i < cboTrenner->count(); ++i)
        if (cboTrenner->itemData(i).value<QChar>() == m_lesart.trenner)
            cboTrenner->setCurrentIndex(i);
    chkKopfzeile->setChecked(m_lesart.kopfzeile);
    m_füllt = false;
    connect(cboTrenner, &QComboBox::currentIndexChanged, this, &frmMesswertImport::erkennen);
    connect(cboBlatt, &QComboBox::currentIndexChanged, this, &frmMesswertImport::blattWählen);
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
    resize(900, 640);
}

bool frmMesswertImport::anhängen() const {
    return optAnhängen->isChecked();
}

void frmMesswertImport::blattWählen() {
    if (m_füllt || cboBlatt->currentText() == m_tabelle.blatt())
        return;
    try {
        const Wartecursor warten;
        m_tabelle = m_tabelle.mitBlatt(cboBlatt->currentText());
    } catch (const rt::RuntimeError& e) {
        showMessage(this, e.description(), MessageService::Warning);
        const QSignalBlocker block(cboBlatt);
        cboBlatt->setCurrentText(m_tabelle.blatt());
        return;
    }
    // Another sheet is another table: its header and columns are found anew.
    m_füllt = true;
    m_lesart = m_tabelle.erkennen(m_k);
    chkKopfzeile->setChecked(m_lesart.kopfzeile);
    m_füllt = false;
    erkannt();
}

void frmMesswertImport::erkannt() {
    m_erkannt = m_lesart.dezimal;
    if (m_gewählt)
        m_lesart.dezimal = *m_gewählt;
    zeigeVorschau();
    lesen();
}

void frmMesswertImport::zielZeigen() {
    const QString hindernis = hindernisFür(m_k, m_ergebnis, anhängen());
    cmdImportieren->setEnabled(hindernis.isEmpty());
    rt::Long felder = 0, punkte = 0;
    rt::SkipErrors skip;
    skip([&] {
        felder = m_k.PrüffelderAnzahl();
        punkte = m_k.PrüfpunkteTotal();
    });
    QString text;
    if (!hatMesswerte(m_k))
        text = QStringLiteral("Die Kalibrierung enthält noch keine Messwerte; die Prüffelder der "
                              "Datei werden ihre Prüffelder.");
    else if (anhängen())
        text = QStringLiteral("Die %1 Prüffelder der Datei werden nach den %2 Prüffeldern der "
                              "Kalibrierung angefügt; diese bleiben.")
                   .arg(m_ergebnis.felder.size())
                   .arg(felder);
    else
        text = QStringLiteral("Die %1 Prüffelder mit %2 Prüfpunkten der Kalibrierung werden "
                              "ersetzt.")
                   .arg(felder)
                   .arg(deutsch(punkte));
    // What cannot be done is said instead of what would happen.
    if (!hindernis.isEmpty() && m_ergebnis.hindernis.isEmpty())
        text = hindernis;
    labZiel->setText(text);
}

void frmMesswertImport::erkennen() {
    if (m_füllt)
        return;
    {
        const Wartecursor warten;
        m_lesart = m_tabelle.erkennen(m_k, cboTrenner->currentData().value<QChar>(),
                                      chkKopfzeile->isChecked());
    }
    erkannt();
}

void frmMesswertImport::zeigeVorschau() {
    const QVector<VorschauZeile> rows = m_tabelle.vorschau(m_lesart, VorschauZeilen);
    const QStringList kopf = m_tabelle.kopf(m_lesart);
    const int spalten = int(m_lesart.spalten.size());
    const int zeilen = int(rows.size());
    tblVorschau->clear();
    tblVorschau->setColumnCount(spalten);
    tblVorschau->setRowCount(zeilen + 1);
    QStringList köpfe;
    for (int c = 0; c < spalten; ++c)
        köpfe.append(!kopf.value(c).trimmed().isEmpty() ? kopf.value(c).trimmed()
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
            // The user's choice settles which of two alike columns it is.
            m_lesart.doppelt.clear();
            // Other columns show other numbers: the decimal separator is
            // found anew unless the user chose it.
            m_erkannt = m_tabelle.dezimalIn(m_lesart);
            if (!m_gewählt)
                m_lesart.dezimal = m_erkannt;
            lesen();
        });
        tblVorschau->setCellWidget(0, c, combo);
        cboSpalten.append(combo);
    }
    tblVorschau->setVerticalHeaderItem(0, new QTableWidgetItem(QStringLiteral("Spalte")));
    for (int r = 0; r < zeilen; ++r) {
        const VorschauZeile& z = rows[r];
        auto* kopfItem = new QTableWidgetItem(QStringLiteral("Zeile %1").arg(z.nummer));
        kopfItem->setData(Qt::UserRole, z.nummer);
        tblVorschau->setVerticalHeaderItem(r + 1, kopfItem);
        for (int c = 0; c < spalten && c < z.zellen.size(); ++c)
            tblVorschau->setItem(r + 1, c, new QTableWidgetItem);
    }
}

void frmMesswertImport::lesen() {
    m_füllt = true;
    if (m_lesart.dezimal == Dezimal::Unbestimmt)
        cboDezimal->setCurrentIndex(-1);
    else
        cboDezimal->setCurrentIndex(cboDezimal->findData(int(m_lesart.dezimal)));
    m_füllt = false;
    labDezimal->setText(
        m_gewählt ? (m_erkannt == Dezimal::Unbestimmt || *m_gewählt == m_erkannt
                         ? QStringLiteral("(gewählt)")
                         : QStringLiteral("(gewählt; die Zahlen der Datei sprechen für das "
                                          "andere)"))
        : m_erkannt == Dezimal::Unbestimmt
            ? QStringLiteral("Die Zahlen lassen sich auf beide Arten lesen: bitte wählen.")
            : QStringLiteral("(aus den Zahlen der Datei erkannt)"));

    // The cells as they will be read: numbers in the user's format, a value
    // cell that cannot be read marked.
    const QVector<VorschauZeile> rows = m_tabelle.vorschau(m_lesart, VorschauZeilen);
    const QColor fehler(255, 220, 220);
    for (int r = 1; r < tblVorschau->rowCount(); ++r)
        for (int c = 0; c < tblVorschau->columnCount(); ++c) {
            QTableWidgetItem* item = tblVorschau->item(r, c);
            if (!item)
                continue;
            const VorschauZeile& z = rows.value(r - 1);
            const Spalte art = m_lesart.spalten.value(c);
            item->setText(z.zellen.value(c));
            item->setBackground(z.fehler.value(c) ? QBrush(fehler) : QBrush());
            item->setForeground(art == Spalte::Keine || art == Spalte::Prüfpunkt
                                    ? palette().color(QPalette::Disabled, QPalette::Text)
                                    : QBrush());
            const bool zahl =
                art == Spalte::Kovariable || art == Spalte::Direkt || art == Spalte::Indirekt;
            item->setTextAlignment((zahl ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
        }
    try {
        const Wartecursor warten;
        m_ergebnis = m_tabelle.lesen(m_lesart);
    } catch (const std::bad_alloc&) {
        m_ergebnis = Ergebnis();
        m_ergebnis.hindernis = QStringLiteral("Nicht genügend Speicher, um die Datei zu lesen.");
    }
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
    if (m_ergebnis.weitereFehler > 0)
        lstFehler->addItem(
            QStringLiteral("… und %1 weitere Zeilen").arg(deutsch(m_ergebnis.weitereFehler)));
    lstFehler->setVisible(!m_ergebnis.fehler.isEmpty());
    QString text;
    if (!m_ergebnis.hindernis.isEmpty()) {
        text = m_ergebnis.hindernis;
        if (!m_ergebnis.ohneSpalte.isEmpty())
            text += QStringLiteral(" Wählen Sie über den Spalten der Vorschau, was sie enthalten.");
    } else {
        text = QStringLiteral("Gelesen werden %1 Zeilen mit %2 Prüfpunkten in %3 Prüffeldern.")
                   .arg(m_ergebnis.gelesen)
                   .arg(m_ergebnis.punkte())
                   .arg(m_ergebnis.felder.size());
    }
    if (m_ergebnis.fehlerAnzahl() > 0)
        text +=
            (m_ergebnis.fehlerAnzahl() == 1
                 ? QStringLiteral(" Eine Zeile kann")
                 : QStringLiteral(" %1 Zeilen können").arg(deutsch(m_ergebnis.fehlerAnzahl()))) +
            QStringLiteral(" nicht gelesen werden:");
    if (m_ergebnis.endeBeiZeile > 0)
        text += QStringLiteral(" Die Tabelle endet vor Zeile %1; was folgt, wird nicht gelesen.")
                    .arg(m_ergebnis.endeBeiZeile);
    // Columns that are left out, by name.
    const QStringList kopf = m_tabelle.kopf(m_lesart);
    QStringList ausgelassen;
    for (int c = 0; c < m_lesart.spalten.size(); ++c)
        if (m_lesart.spalten[c] == Spalte::Keine)
            ausgelassen.append(kopf.value(c).trimmed().isEmpty()
                                   ? QStringLiteral("Spalte %1").arg(c + 1)
                                   : QStringLiteral("„%1“").arg(kopf.value(c).trimmed()));
    if (!ausgelassen.isEmpty())
        text += QStringLiteral(" Nicht gelesen: %1.").arg(ausgelassen.join(QStringLiteral(", ")));
    labErgebnis->setText(text.trimmed());
    zielZeigen();
}

void frmMesswertImport::importieren() {
    if (!hindernisFür(m_k, m_ergebnis, anhängen()).isEmpty())
        return;
    const qint64 schlecht = m_ergebnis.fehlerAnzahl();
    if (schlecht > 0 &&
        showMessage(this,
                    QStringLiteral("%1 der Datei %2 nicht gelesen werden und %3 ausgelassen "
                                   "(siehe Liste).\nSollen die übrigen %4 Zeilen importiert "
                                   "werden?")
                        .arg(schlecht == 1 ? QStringLiteral("Eine Zeile")
                                           : QStringLiteral("%1 Zeilen").arg(deutsch(schlecht)))
                        .arg(schlecht == 1 ? QStringLiteral("kann") : QStringLiteral("können"))
                        .arg(schlecht == 1 ? QStringLiteral("wird") : QStringLiteral("werden"))
                        .arg(m_ergebnis.gelesen),
                    MessageService::Question, MessageService::YesNo) != MessageService::AnswerYes)
        return;
    accept();
}
