#pragma once

#include "RecordingMessages.h"
#include "TestSupport.h"

#include "Einstellungen.h"
#include "Kalibrierung.h"
#include "ProgrammFenster.h"
#include "frmAssistent.h"

#include <QApplication>
#include <QPointer>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

// The child of a window by its object name (the names carry umlauts).
template <class T>
T* child(const QObject* parent, const char* name) {
    return parent->findChild<T*>(QString::fromUtf8(name));
}

// Saves a picture of a widget as ORVANTA_SCREENSHOTS/name.png, when that
// folder is given.
void saveScreenshot(QWidget* widget, const QString& name);
// The same of the whole primary screen, every window where it is.
void saveScreen(const QString& name);

// Runs f on the next modal dialog, once it is shown (f should close it).
void whenModal(std::function<void(QWidget*)> f);

class FlexGrid;
class QLineEdit;
// Types a text into the current cell of a grid and commits it with Return:
// the first key opens the editor, the rest go into it.
void type(FlexGrid* grid, QLineEdit* input, const QString& text);
// A key with modifiers as a keyboard sends it: each modifier its own press
// and release, the release going to the widget that has the focus then.
void chord(QWidget* w, Qt::Key key, Qt::KeyboardModifiers mods);
// Ctrl+letter, the same way.
inline void ctrl(QWidget* w, Qt::Key letter) {
    chord(w, letter, Qt::ControlModifier);
}

// Each test starts with the program's windows registered, the intro page
// shown at start and the messages recorded.
class WizardTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Opens the wizard on k through the calibration's ShowAssistent.
    frmAssistent* open(Kalibrierung& k);
    // Shows the wizard and waits until it is the active window.
    void activate(frmAssistent* w);
    // Opens the wizard on a calibration, active, at a size that shows the grids, on a page.
    frmAssistent* openOnPage(Kalibrierung& calibration, int page);

    RecordingMessages messages;
    Kalibrierung k;
    QPointer<frmAssistent> wizard; // the last one opened
    QList<QPointer<frmAssistent>> opened;
};
