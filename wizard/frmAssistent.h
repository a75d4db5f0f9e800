#pragma once

#include <functional>

#include <QHash>
#include <QMainWindow>
#include <QSet>

class Kalibrierung;
class FieldChecks;
class QAction;
class QMenu;
class QStackedWidget;
class QUndoStack;
class Seite;
class SeiteAusgabe;
class SeiteErgebnis;
class SeiteFelder;
class SeiteIntro;
class SeiteMerkmale;
class SeiteMesswerte;
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

    // The file last opened or saved ("" for a new calibration), always
    // trimmed; the caption shows its name.
    QString FileName() const { return m_fileName; }
    void setFileName(const QString& NewName);
    // Opens a calibration file and shows the page it was saved on. A failure
    // is reported in a warning box; the calibration is then unchanged and the
    // file name is the one from before. Returns whether the file was loaded.
    bool FileOpen(const QString& sFileName);
    // Saves the calibration to a file, replacing it once the new one is
    // complete. A failure is reported in a warning box and keeps the old file.
    bool FileSave(const QString& sFileName);

    // The menu commands.
    // "neu": returns whether a new calibration was started (false when the
    // user cancelled the question or saving failed).
    bool neu();
    void öffnen();
    void speichern();
    void speichernUnter();
    // Reads measured values from a text table (a file dialog asks for one
    // when path is empty) in place of the fields and measured values.
    // Returns whether they were taken over.
    bool importieren(const QString& path = QString());
    // Undoes or redoes the last step, after what is being typed became one.
    void rückgängig();
    void wiederholen();
    QUndoStack* undoStack() const { return m_undo; }

    ctlAssistent* ctlAssistent1;
    QStackedWidget* picContainer;
    SeiteIntro* seite0;
    SeiteMerkmale* seite1;
    SeiteFelder* seite2;
    SeiteMesswerte* seite3;
    SeiteErgebnis* seite4;
    SeiteAusgabe* seite5;

    QMenu* menuDatei;
    QAction* mf_new;
    QAction* mf_tr1;
    QAction* mf_open;
    QAction* mf_save;
    QAction* mf_saveas;
    QAction* mf_import;
    QAction* mf_tr2;
    QList<QAction*> mf_LastFile; // element 0 is a hidden placeholder
    QAction* mf_LastFileTr;
    QAction* mf_exit;
    QMenu* menuBearbeiten;
    QAction* mb_undo;
    QAction* mb_redo;
    QMenu* menuHilfe;
    QAction* mh_Helpthemes;
    QAction* mh_tr1;
    QAction* mh_Info;

    // The window's size at start-up on a screen of this available size.
    QSize defaultSize(const QSize& available) const;
    // The screen's room for windows; tests put a smaller screen here.
    static inline std::function<QRect()> availableScreen;
    // Fits the window into that room: no larger, moved inside.
    void fitIntoScreen();

    static constexpr int LowerBound = 0;
    static constexpr int UpperBound = 5;

protected:
    // Once shown, the frame is known: the window is fitted again with it.
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    Seite* seite(int index) const;
    // Commits what is still being typed on the page shown; false when it was
    // refused, and the command that asked must not go on.
    bool eingabeBeenden();
    void onLeavePage(qint32 Direction, bool& Cancel);
    void onEnterPage(qint32 Direction, bool& Cancel);
    void onPageEntered(bool& NewNextEnabled, bool& NewPreviousEnabled, bool& NewCancelEnabled);
    // Fills the current page from the calibration.
    void seiteFüllen();
    // The calibration was replaced (new or loaded): no page holds its data.
    void calibrationReplaced() { m_filled.clear(); }
    void showCalcOptions();
    // Page 5: the protocol preview, modal over the wizard; the export form.
    void protokoll();
    void exportieren();
    // Opens a window of the factory (a Fensterfabrik::Fenster) modally; a failure
    // gets the critical message of page 5.
    void zeigeFenster(int art);
    // Updates the recent-files list with a path ("" only rebuilds the menu).
    void updateRecentFiles(const QString& path);
    void openRecent(int index);
    // The parts of the window, in the order the constructor builds them:
    // the order of the widgets is the order of the tab key.
    void buildPages();
    // The frame's buttons take Enter; the pages' own buttons never do.
    void setUpButtons();
    void buildMenus();
    void buildFileMenu();
    void buildEditMenu();
    void buildHelpMenu();
    void setUpHelpKey();
    void connectPages();
    // The size and place at start-up, or those the user left it in.
    void placeWindow();
    void connectCalibration();
    // Ctrl+Z and Ctrl+Y of the pages' text fields, see FeldUndo.
    void installFieldUndo();
    // Commits what is being typed and what the page shown still holds (as
    // a step); false when a typed value was refused.
    bool seiteSchreiben();
    // Asks whether the unsaved changes are saved and saves them on "Ja";
    // false when the user cancelled or saving failed. "Nein" sets verworfen.
    bool änderungenSichern(bool* verworfen = nullptr);
    // A new history: nothing before can be undone.
    void clearHistory();
    // After a new step: drops the oldest steps while the values they
    // recorded take more than the history may keep; the newest one stays.
    void limitHistory();
    // The texts and states of "Rückgängig" and "Wiederholen".
    void updateEditMenu();

    Kalibrierung& m_k;
    FieldChecks* m_checks;
    QHash<QString, bool> m_pageShowable;
    QString m_fileName;
    // Pages whose controls hold the calibration's data: only those commit
    // when they are left, so that a page never writes what it was not given.
    QSet<int> m_filled;
    QUndoStack* m_undo;
    bool m_fitWhenShown = false;
};
