#pragma once

#include "Seite.h"

class QPushButton;

// Page 5: save the file, create the protocol, export the data.
class SeiteAusgabe : public Seite {
public:
    SeiteAusgabe(Kalibrierung& k, QWidget* parent);

    QPushButton* cmdOutSave;
    QPushButton* cmdOutProtocoll;
    QPushButton* cmdOutExport;
};
