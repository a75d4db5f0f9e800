#pragma once

class Kalibrierung;
class QWidget;

// Before a protocol (preview, print, PDF) or an export is produced from a
// window: when site data that the protocol of type typ prints still holds a
// placeholder or a report entry is empty, a message lists them and offers
// "Protokolldaten bearbeiten" (opens the site-data editor; nothing is
// produced, the user starts the output again), "Trotzdem erzeugen" and
// "Abbrechen" (also Escape and closing the message). Returns whether the
// output is to be produced. After "Trotzdem erzeugen" the same calibration,
// unchanged since, is not asked about again.
bool ProtokolldatenVollständigOderTrotzdem(QWidget* parent, Kalibrierung& k, int typ);
