#pragma once

#include "sorbel_export.h"

#include <QString>
#include <QStringList>

#include <functional>

class QDialog;
class QWidget;

// Every message box and dialog of the program and its libraries goes through
// this service, so that tests can answer them without a modal loop.
class SORBEL_EXPORT MessageService {
public:
    enum Icon { NoIcon, Information, Warning, Critical, Question };
    enum Buttons { Ok, OkCancel, YesNo, YesNoCancel };
    enum Answer { AnswerOk, AnswerCancel, AnswerYes, AnswerNo };

    virtual ~MessageService();
    // Shows a message and returns the answer.
    virtual Answer show(QWidget* parent, const QString& text, const QString& title, Icon icon,
                        Buttons buttons);
    // A message with buttons of its own (German texts, "&" marks an access
    // key): returns the index of the button chosen. Return chooses
    // defaultButton; Escape and closing the message choose escapeButton.
    virtual int choose(QWidget* parent, const QString& text, const QString& title, Icon icon,
                       const QStringList& buttons, int defaultButton, int escapeButton);
    // File dialogs: the path chosen, or "" when the user cancelled. filter is
    // in Qt's form ("XML-Dateien (*.xml);;alle Dateien (*)"). They open in
    // the folder of the path given (a folder, or a file whose name the save
    // dialog proposes), else in the folder used last; a bare file name is
    // proposed in the folder used last. The open dialog accepts existing
    // files only; the save dialog asks before it replaces a file and appends
    // defaultSuffix to a name without one, so that the question names the
    // file written. The folder of the file chosen becomes the folder used last.
    QString openFileName(QWidget* parent, const QString& caption, const QString& directory,
                         const QString& filter);
    QString saveFileName(QWidget* parent, const QString& caption, const QString& fileName,
                         const QString& filter, const QString& defaultSuffix);
    // Any other modal dialog (printing, page setup): runs it and returns its result.
    virtual int execDialog(QDialog* dialog);

    // The service in use; replacing it returns the previous one.
    static MessageService& instance();
    // The file dialogs open in the folder last used: start is that folder
    // now (of a file, its folder), chosen is told the folder of every file picked.
    static void setFolderMemory(const QString& start, std::function<void(const QString&)> chosen);
    static MessageService* setInstance(MessageService* service);

    // The title of the program's messages: its product name.
    static QString productTitle();

protected:
    // The file dialogs themselves: opened in folder ("" = the working
    // folder), the save dialog with name proposed ("" = none).
    virtual QString openFileDialog(QWidget* parent, const QString& caption, const QString& folder,
                                   const QString& filter);
    virtual QString saveFileDialog(QWidget* parent, const QString& caption, const QString& folder,
                                   const QString& name, const QString& filter,
                                   const QString& defaultSuffix);
};

// Shows a message through the current service.
SORBEL_EXPORT MessageService::Answer
showMessage(QWidget* parent, const QString& text, MessageService::Icon icon,
            MessageService::Buttons buttons = MessageService::Ok, const QString& title = QString());
// A message with buttons of its own through the current service.
SORBEL_EXPORT int chooseMessage(QWidget* parent, const QString& text, MessageService::Icon icon,
                                const QStringList& buttons, int defaultButton, int escapeButton,
                                const QString& title = QString());
