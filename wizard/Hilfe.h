#pragma once

#include "Variant.h"

#include <QWidget>

class QTextBrowser;

// Opens the help file HelpFilePath(Index) in the program's help window, on its
// table of contents. A help file that does not exist is reported in German.
void ShowHelp(rt::Long Index);
// Opens one page of the help ("schritt3.html"; "" for the contents) in the
// help window. While a modal dialog is open, the help window is the
// dialog's child window, above it and not blocked by it.
void ShowHelpPage(const QString& page);

// The help window: the help pages with their table of contents, back and
// forward. One window serves the whole program.
class frmHilfe : public QWidget {
    Q_OBJECT

public:
    explicit frmHilfe(QWidget* parent = nullptr);
    // Shows a page and brings the window to the front, on the screen of
    // über (the modal dialog it belongs to, else the program's active
    // window) and, for a dialog, as its child window until it closes.
    // contents: the table of contents the "Inhalt" button shows ("" = path).
    void zeigen(const QString& path, const QString& contents = QString(), QWidget* über = nullptr);
    // The window, if it is open.
    static frmHilfe* offen();

    QTextBrowser* browser;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Beside the window neben (over it where there is no room), inside the
    // available part of its screen; centred on the screen without one.
    void platzieren(const QWidget* neben);

    QString m_inhalt;
};
