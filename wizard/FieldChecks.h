#pragma once

#include <QList>
#include <QObject>
#include <QPointer>

#include <functional>

class QWidget;

// Field checks as a desktop form runs them: when a field loses the focus to
// another control of the same window, its check runs; a failing check (which
// shows its own message) keeps the focus in the field. After a passed check
// the field's lost-focus action runs. Controls that do not cause validation
// (a wizard's navigation buttons, a dialog's OK and Cancel) take the focus
// unchecked; leaving the window, or a field that was hidden, checks nothing.
// The menu bar taking the focus checks nothing either; the field is checked
// when the focus goes on from the menu bar to another control.
class FieldChecks : public QObject {
    Q_OBJECT

public:
    explicit FieldChecks(QWidget* window);

    // check returns true when the field's content is acceptable.
    void addCheck(QWidget* field, std::function<bool()> check);
    void addLostFocus(QWidget* field, std::function<void()> action);
    void addNonValidating(QWidget* control);
    // While suspended (a page is being switched), focus moves check nothing.
    void setSuspended(bool on) { m_suspended = on; }
    // Suspends the checks for its lifetime, however the scope is left.
    class Suspension {
    public:
        explicit Suspension(FieldChecks& checks) : m_checks(checks), m_was(checks.m_suspended) {
            checks.m_suspended = true;
        }
        ~Suspension() { m_checks.m_suspended = m_was; }
        Suspension(const Suspension&) = delete;
        Suspension& operator=(const Suspension&) = delete;

    private:
        FieldChecks& m_checks;
        bool m_was;
    };

private:
    void focusChanged(QWidget* old, QWidget* now);

    struct Field {
        QPointer<QWidget> widget;
        std::function<bool()> check;
        std::function<void()> lostFocus;
    };
    Field* fieldOf(QWidget* w);

    QWidget* m_window;
    QList<Field> m_fields;
    QList<QPointer<QWidget>> m_nonValidating;
    QPointer<QWidget> m_beforeMenu; // the field the menu bar took the focus from
    bool m_suspended = false;
    bool m_running = false;
};
