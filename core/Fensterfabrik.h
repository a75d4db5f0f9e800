#pragma once

class Kalibrierung;
class QObject;
class QString;

// Creates and shows the program's windows for a calibration. The calibration
// knows no widgets: the user-interface library registers the one factory, and
// the calibration's Show members go through it.
class Fensterfabrik {
public:
    enum Fenster {
        Assistent,          // the wizard, the main window
        Info,               // the info box
        CalcOptions,        // the calculation options
        ProtocollExtraData, // the editor of the protocol's site data
        ProtocollPreview,   // the protocol preview
        Export,             // the export form
    };

    virtual ~Fensterfabrik();

    // A new window of the kind, given the calibration, not yet shown. The
    // preview and the export propose their files beside `datei`, the
    // calibration's file (empty for a new one).
    virtual QObject* create(Fenster kind, Kalibrierung& kalibrierung, const QString& datei) = 0;
    // Shows a window made by create: modal (returns when it has closed and
    // discards it) or modeless (returns at once; the window is discarded
    // when it closes), with ParentForm as owner when it is given.
    virtual void show(QObject* form, bool modal, QObject* parentForm) = 0;

    // The registered factory, or nullptr.
    static Fensterfabrik* instance();
    // Registers a factory (nullptr unregisters); returns the previous one.
    static Fensterfabrik* setInstance(Fensterfabrik* factory);
};
