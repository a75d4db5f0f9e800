#pragma once

#include "MessageService.h"

#include <QList>
#include <QStringList>

#include <functional>

// Records every message instead of showing it and answers with a preset
// answer (or the next of a list of answers).
class RecordingMessages : public MessageService {
public:
    RecordingMessages() : m_previous(MessageService::setInstance(this)) {}
    ~RecordingMessages() override { MessageService::setInstance(m_previous); }
    Answer show(QWidget*, const QString& text, const QString& title, Icon icon,
                Buttons buttons) override {
        texts.append(text);
        titles.append(title);
        icons.append(icon);
        this->buttons.append(buttons);
        if (onShow)
            onShow(text);
        return answers.isEmpty() ? answer : answers.takeFirst();
    }
    void clear() {
        texts.clear();
        titles.clear();
        icons.clear();
        buttons.clear();
    }
    QStringList texts;
    QStringList titles;
    QList<Icon> icons;
    QList<Buttons> buttons;
    Answer answer = AnswerOk;
    QList<Answer> answers;
    std::function<void(const QString&)> onShow;

private:
    MessageService* m_previous;
};
