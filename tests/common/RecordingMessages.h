#pragma once

#include "MessageService.h"

#include <QDialog>
#include <QList>
#include <QPointer>
#include <QStringList>

#include <functional>

// Records every message instead of showing it and answers with a preset
// answer (or the next of a list of answers).
class RecordingMessages : public MessageService {
public:
    RecordingMessages() : m_previous(MessageService::setInstance(this)) {}
    ~RecordingMessages() override { MessageService::setInstance(m_previous); }
    Answer show(QWidget* parent, const QString& text, const QString& title, Icon icon,
                Buttons shown) override {
        parents.append(parent);
        texts.append(text);
        titles.append(title);
        icons.append(icon);
        buttons.append(shown);
        if (onShow)
            onShow(text);
        return answers.isEmpty() ? answer : answers.takeFirst();
    }
    // Messages with buttons of their own: recorded apart from the others
    // and answered with the button whose text (without "&") is the next of
    // choiceAnswers (else choiceAnswer); an answer that is no button closes
    // the message.
    int choose(QWidget*, const QString& text, const QString& title, Icon icon,
               const QStringList& captions, int defaultButton, int escapeButton) override {
        choiceTexts.append(text);
        choiceTitles.append(title);
        choiceIcons.append(icon);
        choiceButtons.append(captions);
        choiceDefaults.append(defaultButton);
        if (onChoose)
            onChoose(text);
        const QString wanted = choiceAnswers.isEmpty() ? choiceAnswer : choiceAnswers.takeFirst();
        for (qsizetype i = 0; i < captions.size(); ++i)
            if (QString(captions[i]).remove(u'&') == wanted)
                return int(i);
        return escapeButton;
    }
    // File dialogs answer with the next of fileAnswers ("" = cancelled) and
    // record the folder they open in and the name they propose:
    // "open|caption|folder|filter", "save|caption|folder|name|filter|suffix".
    QString openFileDialog(QWidget*, const QString& caption, const QString& folder,
                           const QString& filter) override {
        fileDialogs.append(QStringLiteral("open|") + caption + u'|' + folder + u'|' + filter);
        return fileAnswers.isEmpty() ? QString() : fileAnswers.takeFirst();
    }
    QString saveFileDialog(QWidget*, const QString& caption, const QString& folder,
                           const QString& name, const QString& filter,
                           const QString& suffix) override {
        fileDialogs.append(QStringLiteral("save|") + caption + u'|' + folder + u'|' + name + u'|' +
                           filter + u'|' + suffix);
        return fileAnswers.isEmpty() ? QString() : fileAnswers.takeFirst();
    }
    // Other dialogs: handled by onDialog (which returns the result), else rejected.
    int execDialog(QDialog* dialog) override {
        dialogs.append(dialog->objectName());
        return onDialog ? onDialog(dialog) : 0;
    }
    QStringList fileDialogs;
    QStringList fileAnswers;
    QStringList dialogs;
    std::function<int(QDialog*)> onDialog;

    void clear() {
        parents.clear();
        texts.clear();
        titles.clear();
        icons.clear();
        buttons.clear();
        fileDialogs.clear();
        dialogs.clear();
        choiceTexts.clear();
        choiceTitles.clear();
        choiceIcons.clear();
        choiceButtons.clear();
        choiceDefaults.clear();
    }
    QList<QPointer<QWidget>> parents; // the window each message was shown over
    QStringList texts;
    QStringList titles;
    QList<Icon> icons;
    QList<Buttons> buttons;
    Answer answer = AnswerOk;
    QList<Answer> answers;
    std::function<void(const QString&)> onShow;
    QStringList choiceTexts;
    QStringList choiceTitles;
    QList<Icon> choiceIcons;
    QList<QStringList> choiceButtons;
    QList<int> choiceDefaults;
    QString choiceAnswer;
    QStringList choiceAnswers;
    std::function<void(const QString&)> onChoose;

private:
    MessageService* m_previous;
};
