#pragma once

#include <QIcon>

// The program's own small images, drawn in code so that they are sharp at
// every size and pixel ratio.
namespace Symbole {
// The verdict "usable": a blue disc with a white i.
QIcon info();
// The verdict "not usable": an amber triangle with an exclamation mark.
QIcon examination();
// The window icon: a calibration line through measured points.
QIcon programm();
// The preview's toolbar: rebuild, print, printer setup, edit the site data,
// save as PDF.
QIcon neuAufbauen();
QIcon drucken();
QIcon druckerEinrichten();
QIcon bearbeiten();
QIcon pdf();
} // namespace Symbole
