#include "ctlAssistent.h"

#include <QEvent>
#include <QFrame>
#include <QPushButton>

namespace {
// The buttons' design size in pixels; a larger font makes them larger.
constexpr int ButtonWidth = 89;
constexpr int ButtonHeight = 25;
} // namespace

ctlAssistent::ctlAssistent(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("ctlAssistent1"));
    auto button = [this](const QString& name, const QString& caption) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(name);
        return b;
    };
    // Created in tab order: Next, Previous, Close.
    cmdNext = button(QStringLiteral("cmdNext"), QStringLiteral("&weiter >"));
    cmdPrevious = button(QStringLiteral("cmdPrevious"), QStringLiteral("< &zurück"));
    cmdCancel = button(QStringLiteral("cmdCancel"), QStringLiteral("&Schließen"));
    cmdNext->setDefault(true);
    linTop = new QFrame(this);
    linTop->setObjectName(QStringLiteral("linTop"));
    linTop->setAutoFillBackground(true);
    QPalette line = linTop->palette();
    line.setColor(QPalette::Window, line.color(QPalette::Shadow));
    linTop->setPalette(line);

    connect(cmdNext, &QPushButton::clicked, this, [this] { GoToPage(1); });
    connect(cmdPrevious, &QPushButton::clicked, this, [this] { GoToPage(-1); });
    connect(cmdCancel, &QPushButton::clicked, this, [this] { emit Cancel(); });
    layoutControls();
}

void ctlAssistent::setMargin(float value) {
    m_margin = value;
    layoutControls();
}

bool ctlAssistent::CancelEnabled() const {
    return cmdCancel->isEnabled();
}
void ctlAssistent::setCancelEnabled(bool value) {
    cmdCancel->setEnabled(value);
}
bool ctlAssistent::NextEnabled() const {
    return cmdNext->isEnabled();
}
void ctlAssistent::setNextEnabled(bool value) {
    cmdNext->setEnabled(value);
}
bool ctlAssistent::PreviousEnabled() const {
    return cmdPrevious->isEnabled();
}
void ctlAssistent::setPreviousEnabled(bool value) {
    cmdPrevious->setEnabled(value);
}

void ctlAssistent::GoToPage(qint32 Direction) {
    bool cancel = false;
    emit LeavePage(Direction, cancel);
    if (cancel)
        return;
    emit EnterPage(Direction, cancel);
    if (cancel)
        return;
    bool next = NextEnabled();
    bool previous = PreviousEnabled();
    bool close = CancelEnabled();
    // No second step can start while the host fills the page.
    setNextEnabled(false);
    setPreviousEnabled(false);
    setCancelEnabled(false);
    repaint();
    emit PageEntered(next, previous, close);
    setNextEnabled(next);
    setPreviousEnabled(previous);
    setCancelEnabled(close);
}

QSize ctlAssistent::buttonSize() const {
    QSize size(ButtonWidth, ButtonHeight);
    for (const QPushButton* b : {cmdNext, cmdPrevious, cmdCancel})
        size = size.expandedTo(b->sizeHint());
    return size;
}

void ctlAssistent::layoutControls() {
    const QSize button = buttonSize();
    const int margin = qRound(m_margin);
    linTop->setGeometry(0, 0, width(), 1);
    cmdCancel->setGeometry(0, margin, button.width(), button.height());
    cmdNext->setGeometry(width() - button.width(), margin, button.width(), button.height());
    cmdPrevious->setGeometry(cmdNext->x() - button.width() - margin, margin, button.width(),
                             button.height());
    // The control is as high as the bottom of the Close button.
    const int wanted = cmdCancel->geometry().bottom() + 1;
    if (minimumHeight() != wanted || maximumHeight() != wanted)
        setFixedHeight(wanted);
    setMinimumWidth(3 * button.width() + 2 * margin);
}

void ctlAssistent::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layoutControls();
}

bool ctlAssistent::event(QEvent* event) {
    const bool result = QWidget::event(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        layoutControls();
    return result;
}
