#pragma once

#include <QStringList>

class Kalibrierung;

// Whether the arguments ask for a job of the command line (an option such as
// --auswertung or --help) instead of the window.
bool isCommandLineJob(const QStringList& arguments);

// The program's start: opens the wizard modeless on the calibration, sets
// the debug switch from the arguments (neither the program's own path nor a
// file named there), announcing it once the wizard is shown, and opens a
// calibration file named on the command line.
void SubMain(Kalibrierung& kalibrierung, const QStringList& arguments);
