#pragma once

#include "Seite.h"

class QCheckBox;
class QPushButton;

// Page 0: the publisher, the subject and the version, the info button and the
// box that suppresses this page from the next start on.
class SeiteIntro : public Seite {
public:
    SeiteIntro(Kalibrierung& k, QWidget* parent);

    QLabel* labFirma;
    QLabel* labThema;
    QLabel* labVersion;
    QLabel* labCredit;
    QPushButton* cmdInfo;
    QCheckBox* chkDontShowPage0;
};
