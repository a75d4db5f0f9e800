#pragma once

#include "Seite.h"

#include <functional>
#include <vector>

class FieldChecks;
class Prüfmerkmal;
class QComboBox;
class QGroupBox;
class QLineEdit;
class UpDown;

// Page 1: the direct and the indirect characteristic and the covariable (name,
// symbol, unit, decimals), and the number of test fields. Each group completes
// itself from a known characteristic when one of its three texts is given.
class SeiteMerkmale : public Seite {
public:
    SeiteMerkmale(Kalibrierung& k, FieldChecks& checks, QWidget* parent);

    void füllen() override;
    void übernehmen(int direction, bool& cancel) override;
    // Refuses (with a message) a count or number of decimals that cannot be
    // stored, before a command stores the page.
    bool eingabeBeenden() override;
    // Whether every number typed on the page reads one way (with a message
    // and the focus on the first that does not).
    bool zahlenLesbar();

    QGroupBox* Frame1;
    QGroupBox* Frame2;
    QGroupBox* Frame3;
    QComboBox* cboDirektesPrüfmerkmal;
    QComboBox* cboDirektesPrüfmerkmalZeichen;
    QComboBox* cboDirektesPrüfmerkmalEinheit;
    QLineEdit* txtDirektesPrüfmerkmalStellen;
    UpDown* udDirektesPrüfmerkmalStellen;
    QComboBox* cboIndirektesPrüfmerkmal;
    QComboBox* cboIndirektesPrüfmerkmalZeichen;
    QComboBox* cboIndirektesPrüfmerkmalEinheit;
    QLineEdit* txtIndirektesPrüfmerkmalStellen;
    UpDown* udIndirektesPrüfmerkmalStellen;
    QComboBox* cboMessreihe;
    QComboBox* cboMessreiheZeichen;
    QComboBox* cboMessreiheEinheit;
    QLineEdit* txtMessreiheStellen;
    UpDown* UpDown1;
    QLineEdit* txtMessreihen;
    UpDown* udMessreihen;

    // A known characteristic; the table keeps index 0 empty.
    struct Preset {
        QString Name;
        QString Einheit;
        QString Formelzeichen;
    };
    const std::vector<Preset>& presets() const { return m_presets; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Gruppe {
        QGroupBox* frame;
        QComboBox* name;
        QComboBox* zeichen;
        QComboBox* einheit;
        QLineEdit* stellen;
        UpDown* upDown;
        Prüfmerkmal& (Kalibrierung::*merkmal)() const;
    };
    Gruppe gruppe(const QString& frameName, const QString& title, const QString& name,
                  const QString& zeichen, const QString& einheit, const QString& stellen,
                  const QString& upDown, int design, Prüfmerkmal& (Kalibrierung::*merkmal)() const);
    void registerPreset(const Gruppe& g, const QString& name, const QString& symbol,
                        const QString& unit);
    void completeFromPreset(const Gruppe& g);
    void messreihenKey(int key);
    // Writes the page into the calibration (no checks).
    void schreiben();
    // A field was finished (left, Enter, chosen, stepped): once the focus
    // change has run its completion, the page is written as one step named
    // after the field.
    void feldFertig(const QString& text);

    std::vector<Gruppe> m_gruppen;
    std::vector<Preset> m_presets;
    // The ten field checks in their order, each showing its own message,
    // then the checks of the decimals boxes.
    std::vector<std::function<bool()>> m_checks;
    // The check of the number of fields, among m_checks.
    std::function<bool()> m_anzahlPrüfen;
    // Grows with every fill: a pending write of an earlier fill is dropped.
    quint64 m_füllung = 0;
    bool m_schreibenAnstehend = false;
    QString m_schrittText;
};
