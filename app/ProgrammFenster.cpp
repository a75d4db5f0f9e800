#include "ProgrammFenster.h"

#include "frmAssistent.h"
#include "frmCalcOptions.h"
#include "frmExport.h"
#include "frmInfo.h"
#include "frmProtocollExtraData.h"
#include "frmProtocollPreview.h"

#include "RuntimeError.h"

#include <QDialog>
#include <QEventLoop>
#include <QPointer>

namespace {
// The one preview of the program: it is given the calibration anew on each use.
QPointer<frmProtocollPreview> vorschau;
} // namespace

QObject* ProgrammFenster::create(Fenster kind, Kalibrierung& kalibrierung, const QString& datei) {
    switch (kind) {
    case Assistent:
        return new frmAssistent(kalibrierung);
    case Info:
        return new frmInfo;
    case CalcOptions: {
        auto* form = new frmCalcOptions;
        form->setKalibrierung(&kalibrierung);
        return form;
    }
    case ProtocollExtraData: {
        auto* form = new frmProtocollExtraData;
        form->setKalibrierung(&kalibrierung);
        return form;
    }
    case ProtocollPreview:
        if (!vorschau)
            vorschau = new frmProtocollPreview;
        vorschau->setKalibrierung(&kalibrierung);
        vorschau->setDateiname(datei);
        return vorschau.data();
    case Export: {
        auto* form = new frmExport;
        form->setKalibrierung(&kalibrierung);
        form->setDateiname(datei);
        return form;
    }
    }
    // A window this program does not have.
    rt::raiseError(rt::err::InvalidProcedureCall);
}

void ProgrammFenster::show(QObject* form, bool modal, QObject* parentForm) {
    auto* window = qobject_cast<QWidget*>(form);
    if (!window)
        rt::raiseError(rt::err::ObjectNotSet);
    if (auto* owner = qobject_cast<QWidget*>(parentForm)) {
        // An owned window stays a window of its own, above its owner.
        const Qt::WindowFlags flags = window->windowFlags();
        window->setParent(owner, flags | Qt::Window);
    }
    if (!modal) {
        window->setAttribute(Qt::WA_DeleteOnClose);
        window->show();
        return;
    }
    QPointer<QWidget> guard(window);
    if (auto* dialog = qobject_cast<QDialog*>(window)) {
        dialog->exec();
        // The shared preview stays for the next use.
        if (window == vorschau.data()) {
            window->setParent(nullptr, window->windowFlags());
            return;
        }
    } else {
        window->setWindowModality(Qt::ApplicationModal);
        window->setAttribute(Qt::WA_DeleteOnClose);
        QEventLoop loop;
        QObject::connect(window, &QObject::destroyed, &loop, &QEventLoop::quit);
        window->show();
        loop.exec();
    }
    delete guard.data();
}

void registerProgrammFenster() {
    static ProgrammFenster fenster;
    Fensterfabrik::setInstance(&fenster);
}
