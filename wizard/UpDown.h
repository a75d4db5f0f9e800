#pragma once

#include <QWidget>

class QLineEdit;
class QToolButton;

// A pair of arrow buttons beside a text box. Bound to its text box (the
// buddy), an arrow reads the box's number, steps it by Increment within
// Min..Max and writes it back; unbound, the arrows only raise UpClick and
// DownClick for the host to handle.
class UpDown : public QWidget {
    Q_OBJECT

public:
    explicit UpDown(QWidget* parent = nullptr);

    void setBuddy(QLineEdit* buddy);
    QLineEdit* buddy() const { return m_buddy; }
    void setRange(int min, int max);
    int Min() const { return m_min; }
    int Max() const { return m_max; }
    int Increment = 1;
    // Lets the Up and Down keys in the bound text box press the arrows.
    void setArrowKeys(bool on);

    QToolButton* upButton() const { return m_up; }
    QToolButton* downButton() const { return m_down; }

signals:
    void UpClick();
    void DownClick();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void step(int direction);

    QLineEdit* m_buddy = nullptr;
    QToolButton* m_up;
    QToolButton* m_down;
    int m_min = 0;
    int m_max = 10;
    bool m_arrowKeys = false;
};
