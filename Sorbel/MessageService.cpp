#include "MessageService.h"

#include <QCoreApplication>
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
