#include "UpDown.h"

#include "Conversion.h"
#include "RuntimeError.h"

#include <QKeyEvent>

#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

UpDown::UpDown(QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto arrow = [this, layout](Qt::ArrowType type, const QString& name) {
        auto* b = new QToolButton(this);
        b->setObjectName(name);
        b->setArrowType(type);
        b->setAutoRepeat(true);
        b->setFocusPolicy(Qt::NoFocus);
        b->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
        b->setFixedWidth(16);
        layout->addWidget(b);
        return b;
    };
    m_up = arrow(Qt::UpArrow, QStringLiteral("up"));
    m_down = arrow(Qt::DownArrow, QStringLiteral("down"));
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
    connect(m_up, &QToolButton::clicked, this, [this] {
        if (m_buddy)
            step(+1);
        emit UpClick();
    });
    connect(m_down, &QToolButton::clicked, this, [this] {
        if (m_buddy)
            step(-1);
        emit DownClick();
    });
}

void UpDown::setBuddy(QLineEdit* buddy) {
    if (m_buddy)
        m_buddy->removeEventFilter(this);
    m_buddy = buddy;
    if (m_buddy) {
        setFixedHeight(m_buddy->sizeHint().height());
        if (m_arrowKeys)
            m_buddy->installEventFilter(this);
    }
}

void UpDown::setRange(int min, int max) {
    m_min = min;
    m_max = max;
}

void UpDown::setArrowKeys(bool on) {
    m_arrowKeys = on;
    if (m_buddy) {
        m_buddy->removeEventFilter(this);
        if (on)
            m_buddy->installEventFilter(this);
    }
}

void UpDown::step(int direction) {
    // The position is the buddy's number, as far as it can be read.
    qint64 value = m_min;
    try {
        value = rt::toLong(rt::val(m_buddy->text()));
    } catch (const rt::RuntimeError&) {
        value = m_min;
    }
    value = std::clamp<qint64>(value, m_min, m_max);
    value = std::clamp<qint64>(value + qint64(direction) * Increment, m_min, m_max);
    m_buddy->setText(QString::number(value));
}

bool UpDown::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_buddy && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down) {
            (key == Qt::Key_Up ? m_up : m_down)->click();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
