#pragma once

#include "MesswertImport.h"

#include <QDialog>

class Kalibrierung;
class QCheckBox;
class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;
class QRadioButton;
class QTableWidget;

// Shows how a table of measured values will be read: the sheet of a
// workbook, separator, decimal separator and header row (detected,
// changeable), what each column holds, the first rows as they will be read,
// every row that cannot be read, and whether the calibration's fields are
// replaced or kept with the new ones after them.
// Nothing changes the calibration here; accepted, ergebnis() is what the
// import takes over.
class frmMesswertImport : public QDialog {

public:
    frmMesswertImport(const MesswertImport::Tabelle& tabelle, const Kalibrierung& k,
                      const QString& path, QWidget* parent = nullptr);

    const MesswertImport::Ergebnis& ergebnis() const { return m_ergebnis; }
    const MesswertImport::Lesart& lesart() const { return m_lesart; }
    // Whether the fields are added after the calibration's instead of
    // replacing them.
    bool anhängen() const;

    // The rows the preview shows.
    static constexpr int VorschauZeilen = 20;

    QLabel* labDatei;
    QComboBox* cboBlatt;
    QComboBox* cboTrenner;
    QComboBox* cboDezimal;
    QLabel* labDezimal;
    QCheckBox* chkKopfzeile;
    QTableWidget* tblVorschau;
    QList<QComboBox*> cboSpalten;
    QLabel* labErgebnis;
    QListWidget* lstFehler;
    QRadioButton* optErsetzen;
    QRadioButton* optAnhängen;
    QLabel* labZiel;
    QPushButton* cmdImportieren;
    QPushButton* cmdAbbrechen;

private:
    // Detects the columns again (after the separator or the header row
    // changed), then reads.
    void erkennen();
    // Shows a way of reading just detected, the user's decimal choice kept.
    void erkannt();
    // Reads the table the way the controls say and shows it.
    void lesen();
    void zeigeVorschau();
    void importieren();
    void blattWählen();
    void zielZeigen();

    MesswertImport::Tabelle m_tabelle;
    const Kalibrierung& m_k;
    MesswertImport::Lesart m_lesart;
    MesswertImport::Ergebnis m_ergebnis;
    MesswertImport::Dezimal m_erkannt = MesswertImport::Dezimal::Unbestimmt;
    // The decimal separator the user chose; it stays whatever else changes.
    std::optional<MesswertImport::Dezimal> m_gewählt;
    bool m_füllt = false;
};
