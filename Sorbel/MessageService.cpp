#include "MessageService.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

namespace {
MessageService defaultService;
MessageService* current = &defaultService;
} // namespace

MessageService::~MessageService() = default;

MessageService::Answer MessageService::show(QWidget* parent, const QString& text,
                                            const QString& title, Icon icon, Buttons buttons) {
    QMessageBox box(parent);
    box.setText(text);
    box.setWindowTitle(title);
    switch (icon) {
    case Information:
        box.setIcon(QMessageBox::Information);
        break;
    case Warning:
        box.setIcon(QMessageBox::Warning);
        break;
    case Critical:
        box.setIcon(QMessageBox::Critical);
        break;
    case Question:
        box.setIcon(QMessageBox::Question);
        break;
    case NoIcon:
        break;
    }
    // German captions, whatever the system's language.
    QPushButton* ok = nullptr;
    QPushButton* cancel = nullptr;
    QPushButton* yes = nullptr;
    QPushButton* no = nullptr;
    if (buttons == Ok || buttons == OkCancel)
        ok = box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    if (buttons == YesNo || buttons == YesNoCancel) {
        yes = box.addButton(QStringLiteral("&Ja"), QMessageBox::YesRole);
        no = box.addButton(QStringLiteral("&Nein"), QMessageBox::NoRole);
    }
    if (buttons == OkCancel || buttons == YesNoCancel)
        cancel = box.addButton(QStringLiteral("Abbrechen"), QMessageBox::RejectRole);
    box.setDefaultButton(ok ? ok : yes);
    if (cancel)
        box.setEscapeButton(cancel);
    box.exec();
    QAbstractButton* clicked = box.clickedButton();
    if (clicked && clicked == yes)
        return AnswerYes;
    if (clicked && clicked == no)
        return AnswerNo;
    if (clicked && clicked == ok)
        return AnswerOk;
    return cancel || buttons != Ok ? AnswerCancel : AnswerOk;
}

namespace {
QString runFileDialog(QWidget* parent, const QString& caption, const QString& path,
                      const QString& filter, bool save, const QString& defaultSuffix) {
    QFileDialog dialog(parent, caption, path, filter);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::HideNameFilterDetails, false);
    if (save) {
        dialog.setDefaultSuffix(defaultSuffix);
        if (!path.isEmpty())
            dialog.selectFile(path);
    }
    // German buttons, whatever the system's language.
    dialog.setLabelText(QFileDialog::Accept,
                        save ? QStringLiteral("&Speichern") : QStringLiteral("&Öffnen"));
    dialog.setLabelText(QFileDialog::Reject, QStringLiteral("Abbrechen"));
    dialog.setLabelText(QFileDialog::FileName, QStringLiteral("Datei&name:"));
    dialog.setLabelText(QFileDialog::FileType, QStringLiteral("Datei&typ:"));
    dialog.setLabelText(QFileDialog::LookIn, QStringLiteral("Suchen &in:"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}
} // namespace

QString MessageService::openFileName(QWidget* parent, const QString& caption,
                                     const QString& directory, const QString& filter) {
    return runFileDialog(parent, caption, directory, filter, false, QString());
}

QString MessageService::saveFileName(QWidget* parent, const QString& caption,
                                     const QString& fileName, const QString& filter,
                                     const QString& defaultSuffix) {
    return runFileDialog(parent, caption, fileName, filter, true, defaultSuffix);
}

int MessageService::execDialog(QDialog* dialog) {
    return dialog->exec();
}

MessageService& MessageService::instance() {
    return *current;
}

MessageService* MessageService::setInstance(MessageService* service) {
    MessageService* previous = current;
    current = service ? service : &defaultService;
    return previous;
}

QString MessageService::productTitle() {
    return QCoreApplication::applicationName();
}

MessageService::Answer showMessage(QWidget* parent, const QString& text, MessageService::Icon icon,
                                   MessageService::Buttons buttons, const QString& title) {
    return MessageService::instance().show(
        parent, text, title.isEmpty() ? MessageService::productTitle() : title, icon, buttons);
}
