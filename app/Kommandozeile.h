#pragma once

#include <QStringList>
#include <QTextStream>

// The program's command-line jobs. Returns the exit status.
//   --auswertung DATEI  prints the statistics list and the verdict of a file
//   --help              prints the usage
int runCommandLine(const QStringList& arguments, QTextStream& out, QTextStream& err);

// The usage text.
QString usageText();
