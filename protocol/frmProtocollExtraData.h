#pragma once

#include "SorbelControl.h"

#include <QDialog>
#include <QHash>
#include <QSet>

class Kalibrierung;
class QPushButton;

// "Daten Kalibrierprotokoll": the protocol's free site data as a list of
// names and values. The edits live in a copy until OK writes every value
// back into the calibration.
class frmProtocollExtraData : public QDialog {
    Q_OBJECT

public:
    explicit frmProtocollExtraData(QWidget* parent = nullptr);

    Kalibrierung* kalibrierung() const { return m_k; }
    // Stores the calibration and fills the copy that the control edits.
    void setKalibrierung(Kalibrierung* k);

    Sorbel* Sorbel1;
    QPushButton* cmdOk;
    QPushButton* cmdCancel;
    // Enters today's date into the current date entry (of the copy).
    QPushButton* cmdHeute;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void ok();
    void heute();
    void AddEditEntry(SorbelDictionary& dictionary, const QString& label, const QString& key);

    Kalibrierung* m_k = nullptr;
    // The store key of each label in the list.
    QHash<QString, QString> m_schlüssel;
    // The entries whose value is a number (the covariable of each field).
    QSet<QString> m_zahlen;
    // The entries that hold a date.
    QSet<QString> m_daten;
};
