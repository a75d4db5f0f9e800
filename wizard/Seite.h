#pragma once

#include <QWidget>

class Kalibrierung;
class QLabel;
class QVBoxLayout;

// One page of the wizard: fills itself from the calibration when it is
// entered and commits what the user entered when it is left.
class Seite : public QWidget {
public:
    // caption: the page's heading; none for the intro page.
    Seite(Kalibrierung& k, int index, const QString& caption, QWidget* parent = nullptr);

    // PageEntered: fill the page from the calibration (errors are skipped
    // statement by statement).
    virtual void füllen() {}
    // The calibration changed under the page (undo, redo): fill it again,
    // keeping the user's place where the page can.
    virtual void auffrischen() { füllen(); }
    // LeavePage: check (only when going forward) and commit the page; may set
    // cancel to stay on the page.
    virtual void übernehmen(int /*direction*/, bool& /*cancel*/) {}
    // Commits what is still being typed into a control of the page; false
    // when it was refused (with a message) and stays for correction. Every
    // command that reads or writes the calibration runs this first.
    virtual bool eingabeBeenden() { return true; }
    // The same without a message, as a menu opens: a refused text stays
    // open, and the command chosen from the menu shows why.
    virtual void eingabeStillBeenden() {}

    QLabel* labPageCaption = nullptr;

protected:
    // The layout below the heading, for the page's content.
    QVBoxLayout* inhalt() const { return m_inhalt; }
    Kalibrierung& m_k;

private:
    QVBoxLayout* m_inhalt;
};

// A label whose text is a heading, in bold.
QLabel* überschrift(const QString& text, QWidget* parent);
