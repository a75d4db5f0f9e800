// The members that open the program's windows: they go through the factory
// that the user-interface library registers.

#include "Kalibrierung.h"

#include "Fensterfabrik.h"

#include "RuntimeError.h"

namespace {
Fensterfabrik& fabrik() {
    Fensterfabrik* f = Fensterfabrik::instance();
    if (!f)
        rt::raiseError(rt::err::ObjectNotSet);
    return *f;
}
} // namespace

void Kalibrierung::ShowForm(QObject* Form, bool Modal, QObject* ParentForm) {
    fabrik().show(Form, Modal, ParentForm);
}

void Kalibrierung::ShowAssistent(bool Modal, QObject* ParentForm) {
    QObject* form = fabrik().create(Fensterfabrik::Assistent, *this, QString());
    emit BeforeShowAssistent(form);
    ShowForm(form, Modal, ParentForm);
}

void Kalibrierung::ShowInfo(bool Modal, QObject* ParentForm) {
    ShowForm(fabrik().create(Fensterfabrik::Info, *this, QString()), Modal, ParentForm);
}

void Kalibrierung::ShowCalcOptions(bool Modal, QObject* ParentForm) {
    ShowForm(fabrik().create(Fensterfabrik::CalcOptions, *this, QString()), Modal, ParentForm);
}

void Kalibrierung::ShowProtocollExtraData(bool Modal, QObject* ParentForm) {
    ShowForm(fabrik().create(Fensterfabrik::ProtocollExtraData, *this, QString()), Modal,
             ParentForm);
}
