#pragma once

#include "TestSupport.h"

#include "Sorbel.h"

#include <QLineEdit>
#include <QStringList>
#include <QTest>
#include <QWidget>

// Records every message instead of showing it and answers with a preset answer.
class RecordingMessages : public MessageService {
public:
    RecordingMessages() : m_previous(MessageService::setInstance(this)) {}
    ~RecordingMessages() override { MessageService::setInstance(m_previous); }
    Answer show(QWidget*, const QString& text, const QString& title, Icon icon, Buttons) override {
        texts.append(text);
        titles.append(title);
        icons.append(icon);
        return answer;
    }
    QStringList texts;
    QStringList titles;
    QList<Icon> icons;
    Answer answer = AnswerOk;

private:
    MessageService* m_previous;
};

// A window with a flex grid, a line edit as input object and an edit grid
// over them; every event of the edit grid is logged as text.
class GridWindow : public QWidget {
public:
    explicit GridWindow(int rows = 4, int cols = 3);
    FlexGrid* grid;
    QLineEdit* input;
    clsEditGrid* editGrid;
    QStringList log;
    // Fills data cell (r, c) with "r:c".
    void fill();
    // Shows the window and waits until it is active.
    bool showActive();
};
