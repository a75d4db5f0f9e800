#pragma once

#include <QDialog>

class FieldChecks;
class Kalibrierung;
class QCheckBox;
class QGroupBox;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class UpDown;

// "Berechnungsoptionen": the decimals of the statistics, the rounding of
// intermediate results and the minimum coefficient of determination. Writes
// only on OK.
class frmCalcOptions : public QDialog {
    Q_OBJECT

public:
    explicit frmCalcOptions(QWidget* parent = nullptr);

    Kalibrierung* kalibrierung() const { return m_k; }
    // Stores the calibration and fills the fields from it.
    void setKalibrierung(Kalibrierung* k);

    QLabel* Label1;
    QGroupBox* Frame1;
    QLineEdit* txtMittelwerteStellen;
    UpDown* udMittelwerteStellen;
    QLineEdit* txtVarianzenStellen;
    UpDown* udVarianzenStellen;
    QLineEdit* txtKovarianzenStellen;
    UpDown* udKovarianzenStellen;
    QLineEdit* txtBestimmtheitsmaßeStellen;
    UpDown* udBestimmtheitsmaßeStellen;
    QLineEdit* txtAnstiegStellen;
    UpDown* udAnstiegStellen;
    QLineEdit* txtNullwertStellen;
    UpDown* udNullwertStellen;
    QCheckBox* chkRoundIntermediaryResults;
    QLineEdit* txtMinBestimmtheitsmaßIndirektDirekt;
    UpDown* udMinBestimmtheitsmaßIndirektDirekt;
    // Up to three requirement values of the direct characteristic (empty: none).
    QLineEdit* txtAnforderung[3] = {};
    QPushButton* cmdOk;
    QPushButton* cmdCancel;

private:
    // The constructor's parts, in the order it runs them.
    void buildNachkommastellen(FieldChecks* checks);
    QLabel* buildMinBestimmtheitsmaß(FieldChecks* checks);
    void buildButtons(FieldChecks* checks);
    void layOut(QLabel* minimumLabel, FieldChecks* checks);
    QHBoxLayout* buildAnforderungen(FieldChecks* checks);
    void ok();
    // Whether every box holds a valid entry; the first that does not gets the focus.
    bool eingabenGültig();
    void übernehmen();
    void stepMinimum(double delta);

    Kalibrierung* m_k = nullptr;
    // The decimals boxes with the names of their fields.
    QList<std::pair<QLineEdit*, QString>> m_felder;
    // The requirement texts as filled in: an unchanged box keeps the stored
    // value with all its digits.
    QString m_anforderungGezeigt[3];
    QString m_minimumGezeigt;
};
