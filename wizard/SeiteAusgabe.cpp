#include "SeiteAusgabe.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

SeiteAusgabe::SeiteAusgabe(Kalibrierung& k, QWidget* parent)
    : Seite(k, 5, QStringLiteral("Schritt 5: Ausgabe der Ergebnisse"), parent) {
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(16);
    grid->setVerticalSpacing(4);
    int row = 0;
    auto add = [&](const QString& name, const QString& caption, const QString& heading,
                   const QString& explanation) {
        auto* button = new QPushButton(caption, this);
        button->setObjectName(name);
        button->setMinimumWidth(150);
        auto* title = überschrift(heading, this);
        auto* text = new QLabel(explanation, this);
        text->setWordWrap(true);
        grid->addWidget(button, row, 0, 2, 1, Qt::AlignTop);
        grid->addWidget(title, row, 1);
        grid->addWidget(text, row + 1, 1);
        grid->setRowMinimumHeight(row + 2, 18);
        row += 3;
        return button;
    };
    cmdOutSave = add(QStringLiteral("cmdOutSave"), QStringLiteral("Datei speichern"),
                     QStringLiteral("Ablage der Daten als Datei"),
                     QStringLiteral("Legen Sie Ihre Daten als XML-Datei ab und archivieren Sie "
                                    "diese elektronisch. Die XML-Datei kann jederzeit mit diesem "
                                    "Programm geladen und bearbeitet - und von anderen "
                                    "Programmen genutzt werden."));
    cmdOutProtocoll =
        add(QStringLiteral("cmdOutProtocoll"), QStringLiteral("Protokoll erzeugen"),
            QStringLiteral("Anzeige und ggf. Ausdruck eines Berechnungsprotokolls"),
            QStringLiteral("Lassen Sie ein Berechnungsprotokoll erstellen und drucken Sie dieses "
                           "bei Bedarf aus."));
    cmdOutExport = add(QStringLiteral("cmdOutExport"), QStringLiteral("Daten exportieren"),
                       QStringLiteral("Export in dritte Programme"),
                       QStringLiteral("Exportieren Sie die Daten und die Berechnungsergebnisse "
                                      "in Programme von Drittanbietern."));
    grid->setColumnStretch(1, 1);
    QVBoxLayout* v = inhalt();
    v->addSpacing(12);
    v->addLayout(grid);
    v->addStretch(1);
}
