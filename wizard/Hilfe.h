#pragma once

#include "Variant.h"

#include <QWidget>

class QTextBrowser;

// Opens the help file HelpFilePath(Index) in the program's help window, on its
// table of contents. A help file that does not exist is reported in German.
void ShowHelp(rt::Long Index);
// Opens one page of the help ("schritt3.html"; "" for the contents) in the
// help window.
void ShowHelpPage(const QString& page);

// The help window: the help pages with their table of contents, back and
// forward. One window serves the whole program.
class frmHilfe : public QWidget {
    Q_OBJECT

public:
    explicit frmHilfe(QWidget* parent = nullptr);
    // Shows a page and brings the window to the front.
    // contents: the table of contents the "Inhalt" button shows ("" = path).
    void zeigen(const QString& path, const QString& contents = QString());
    // The window, if it is open.
    static frmHilfe* offen();

    QTextBrowser* browser;

private:
    QString m_inhalt;
};
