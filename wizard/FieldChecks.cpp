#include "FieldChecks.h"

#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QWidget>

FieldChecks::FieldChecks(QWidget* window) : QObject(window), m_window(window) {
    connect(qApp, &QApplication::focusChanged, this, &FieldChecks::focusChanged);
}

FieldChecks::Field* FieldChecks::fieldOf(QWidget* w) {
    if (!w)
        return nullptr;
    for (Field& f : m_fields)
        if (f.widget && (f.widget == w || f.widget->isAncestorOf(w)))
            return &f;
    return nullptr;
}

void FieldChecks::addCheck(QWidget* field, std::function<bool()> check) {
    if (Field* f = fieldOf(field); f && f->widget == field)
        f->check = std::move(check);
    else
        m_fields.append({field, std::move(check), {}});
}

void FieldChecks::addLostFocus(QWidget* field, std::function<void()> action) {
    if (Field* f = fieldOf(field); f && f->widget == field)
        f->lostFocus = std::move(action);
    else
        m_fields.append({field, {}, std::move(action)});
}

void FieldChecks::addNonValidating(QWidget* control) {
    m_nonValidating.append(control);
}

namespace {
bool menu(const QWidget* w) {
    return qobject_cast<const QMenuBar*>(w) || qobject_cast<const QMenu*>(w);
}
} // namespace

void FieldChecks::focusChanged(QWidget* old, QWidget* now) {
    if (m_suspended || m_running || !now || now->window() != m_window)
        return;
    // The menu bar takes the focus while it is used by key (Alt, or Escape
    // in an open menu): the field is not left for it. It is left when the
    // focus goes on from the menu bar to another control.
    if (qobject_cast<QMenuBar*>(now)) {
        if (old && !menu(old))
            m_beforeMenu = fieldOf(old) ? old : nullptr;
        return;
    }
    if (qobject_cast<QMenuBar*>(old))
        old = m_beforeMenu;
    m_beforeMenu = nullptr;
    Field* field = fieldOf(old);
    if (!field || field->widget->isAncestorOf(now) || !field->widget->isVisible())
        return;
    QWidget* widget = field->widget;
    const bool validates = !std::any_of(
        m_nonValidating.begin(), m_nonValidating.end(),
        [now](const QPointer<QWidget>& c) { return c && (c == now || c->isAncestorOf(now)); });
    m_running = true;
    bool ok = true;
    if (validates && field->check)
        ok = field->check();
    if (!ok) {
        widget->setFocus(Qt::OtherFocusReason);
    } else if (Field* again = fieldOf(widget); again && again->lostFocus) {
        again->lostFocus();
    }
    m_running = false;
}
