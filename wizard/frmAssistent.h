#pragma once

#include <QHash>
#include <QMainWindow>
#include <QSet>

class Kalibrierung;
class FieldChecks;
class QAction;
class QMenu;
class QStackedWidget;
class Seite;
class SeiteAusgabe;
class SeiteErgebnis;
class SeiteIntro;
class SeiteMerkmale;
class ctlAssistent;

// The program's main window: a wizard of six pages above the frame control,
// with a menu bar. It edits one calibration.
class frmAssistent : public QMainWindow {
    Q_OBJECT

public:
    explicit frmAssistent(Kalibrierung& k, QWidget* parent = nullptr);
    ~frmAssistent() override;

    Kalibrierung& kalibrierung() const { return m_k; }

    // Whether a page may be entered: False outside 0..5, else the stored
    // value, True when none is stored.
    bool PageShowable(qint32 PageIndex) const;
    void setPageShowable(qint32 PageIndex, bool Showable);

    ctlAssistent* ctlAssistent1;
    QStackedWidget* picContainer;
    SeiteIntro* seite0;
    SeiteMerkmale* seite1;
    Seite* seite2;
    Seite* seite3;
    SeiteErgebnis* seite4;
    SeiteAusgabe* seite5;

    QMenu* menuDatei;
    QMenu* menuHilfe;
    QAction* mh_Helpthemes;
    QAction* mh_tr1;
    QAction* mh_Info;

    static constexpr int LowerBound = 0;
    static constexpr int UpperBound = 5;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    Seite* seite(int index) const;
    void onLeavePage(qint32 Direction, bool& Cancel);
    void onEnterPage(qint32 Direction, bool& Cancel);
    void onPageEntered(bool& NewNextEnabled, bool& NewPreviousEnabled, bool& NewCancelEnabled);
    // Fills the current page from the calibration.
    void fillPage();
    // The calibration was replaced (new or loaded): no page holds its data.
    void calibrationReplaced() { m_filled.clear(); }
    void showCalcOptions();

    Kalibrierung& m_k;
    FieldChecks* m_checks;
    QHash<QString, bool> m_pageShowable;
    // Pages whose controls hold the calibration's data: only those commit
    // when they are left, so that a page never writes what it was not given.
    QSet<int> m_filled;
};
