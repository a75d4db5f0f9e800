#pragma once

#include <QStringList>

class Kalibrierung;

// Whether the arguments ask for a job of the command line (an option such as
// --auswertung or --help) instead of the window.
bool isCommandLineJob(const QStringList& arguments);

// The program's start: opens the wizard modeless on the calibration and sets
// the debug switch from the arguments (not the program's own path),
// announcing it once the wizard is shown.
void SubMain(Kalibrierung& kalibrierung, const QStringList& arguments);
