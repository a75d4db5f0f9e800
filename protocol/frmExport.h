#pragma once

#include <QDialog>

class Kalibrierung;
class QLabel;
class QListWidget;
class QPushButton;

// "Export in dritte Programme": the measured values and the results as an
// Excel workbook or as a CSV file.
class frmExport : public QDialog {
    Q_OBJECT

public:
    explicit frmExport(QWidget* parent = nullptr);

    Kalibrierung* kalibrierung() const { return m_k; }
    void setKalibrierung(Kalibrierung* k) { m_k = k; }
    // The calibration's file ("" = none): the export is proposed beside it.
    QString dateiname() const { return m_dateiname; }
    void setDateiname(const QString& path) { m_dateiname = path; }

    QLabel* Label1;
    QListWidget* List1;
    QPushButton* cmdOk;
    QPushButton* cmdClose;

private:
    void ok();

    Kalibrierung* m_k = nullptr;
    QString m_dateiname;
};
