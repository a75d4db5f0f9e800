#pragma once

#include <QStringList>
#include <QTextStream>

// The program's command-line jobs. Returns the exit status.
//   --auswertung DATEI  prints the statistics list and the verdict of a file
//   --protokoll DATEI --pdf AUSGABE.pdf [--typ 0|1]  writes the protocol as a PDF
//   --help              prints the usage
// The protocol needs a QGuiApplication (fonts); the others a QCoreApplication.
int runCommandLine(const QStringList& arguments, QTextStream& out, QTextStream& err);

// Whether the arguments ask for the protocol, which needs fonts.
bool isProtocolJob(const QStringList& arguments);

// The usage text.
QString usageText();
