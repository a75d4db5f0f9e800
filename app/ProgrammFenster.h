#pragma once

#include "Fensterfabrik.h"

// The program's windows: the wizard, the info box, the options, and the
// windows of the protocol. Registered at start-up.
class ProgrammFenster : public Fensterfabrik {
public:
    QObject* create(Fenster kind, Kalibrierung& kalibrierung, const QString& datei) override;
    void show(QObject* form, bool modal, QObject* parentForm) override;
};

// Registers one ProgrammFenster for the life of the program.
void registerProgrammFenster();
