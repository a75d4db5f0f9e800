#pragma once

#include <QWidget>

class QFrame;
class QPushButton;

// The bottom bar of the wizard: Previous, Next and Close with a line above.
// It knows nothing of the pages; every navigation step becomes the events
// LeavePage, EnterPage and PageEntered, in which the host validates, switches
// and fills its pages and decides which buttons are usable.
class ctlAssistent : public QWidget {
    Q_OBJECT

public:
    explicit ctlAssistent(QWidget* parent = nullptr);

    // The index of the current page: owned by the host, never changed here.
    qint32 Page = 0;

    // Distance of the buttons below the top edge and gap between Previous and
    // Next, in pixels; setting it lays the control out again.
    float Margin() const { return m_margin; }
    void setMargin(float value);

    bool CancelEnabled() const;
    void setCancelEnabled(bool value);
    bool NextEnabled() const;
    void setNextEnabled(bool value);
    bool PreviousEnabled() const;
    void setPreviousEnabled(bool value);

    // One navigation step: +1 forward, -1 back, 0 to refresh the current page.
    void GoToPage(qint32 Direction);

    QPushButton* cmdNext;
    QPushButton* cmdPrevious;
    QPushButton* cmdCancel;
    QFrame* linTop;

signals:
    void Cancel();
    void LeavePage(qint32 Direction, bool& Cancel);
    void EnterPage(qint32 Direction, bool& Cancel);
    void PageEntered(bool& NewNextEnabled, bool& NewPreviousEnabled, bool& NewCancelEnabled);

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool event(QEvent* event) override;

private:
    void layoutControls();
    QSize buttonSize() const;

    float m_margin = 10;
};
