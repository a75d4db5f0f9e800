#include "frmExport.h"

#include "Export.h"
#include "Symbole.h"
#include "Zieldatei.h"

#include "MessageService.h"

#include "RuntimeError.h"
#include "basKalibrierungVelmorTeilE4.h"

#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

frmExport::frmExport(QWidget* parent) : QDialog(parent) {
    // F1: the help on this window.
    connect(new QShortcut(QKeySequence(Qt::Key_F1), this), &QShortcut::activated, this,
            [] { ShowHelpTopic(QStringLiteral("schritt5.html")); });
    setObjectName(QStringLiteral("frmExport"));
    setWindowTitle(QStringLiteral("Export in dritte Programme"));
    setWindowIcon(Symbole::programm());
    Label1 = new QLabel(QStringLiteral("Wählen Sie eine Aktion aus:"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    List1 = new QListWidget(this);
    List1->setObjectName(QStringLiteral("List1"));
    List1->addItem(QStringLiteral("Export der Messwerte und Ergebnisse nach MS Excel"));
    List1->addItem(QStringLiteral("Export der Messwerte und Ergebnisse als CSV-Datei"));
    List1->setCurrentRow(0);
    Label1->setBuddy(List1);
    cmdOk = new QPushButton(QStringLiteral("&Ok"), this);
    cmdOk->setObjectName(QStringLiteral("cmdOk"));
    cmdOk->setDefault(true);
    cmdClose = new QPushButton(QStringLiteral("&Abbruch"), this);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    connect(cmdOk, &QPushButton::clicked, this, &frmExport::ok);
    connect(List1, &QListWidget::itemDoubleClicked, this, &frmExport::ok);
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(List1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdOk);
    buttons->addWidget(cmdClose);
    layout->addLayout(buttons);
    resize(460, 220);
}

void frmExport::ok() {
    const int row = List1->currentRow();
    if (row < 0 || !m_k)
        return;
    const bool csv = row == 1;
    // The entry chosen decides the format. The dialog adds its suffix to a
    // name without one before it asks about replacing a file: the file
    // written is the one the dialog named, nothing is added afterwards.
    const QString suffix = csv ? QStringLiteral("csv") : QStringLiteral("xlsx");
    const QString path = MessageService::instance().saveFileName(
        this, csv ? QStringLiteral("Export als CSV-Datei") : QStringLiteral("Export nach MS Excel"),
        rt::ausgabeNeben(m_dateiname, suffix),
        csv ? QStringLiteral("CSV-Dateien (*.csv);;alle Dateien (*)")
            : QStringLiteral("Excel-Arbeitsmappen (*.xlsx);;alle Dateien (*)"),
        suffix);
    if (path.isEmpty())
        return;
    try {
        if (csv)
            ExportCsv(*m_k, path);
        else
            ExportXlsx(*m_k, path);
    } catch (const rt::RuntimeError& e) {
        showMessage(this, e.description(), MessageService::Warning);
        return;
    }
    showMessage(this,
                QStringLiteral("Die Messwerte und Ergebnisse wurden nach „%1“ exportiert.")
                    .arg(QDir::toNativeSeparators(path)),
                MessageService::Information);
    accept();
}
