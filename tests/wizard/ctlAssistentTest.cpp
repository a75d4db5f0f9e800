#include "TestSupport.h"

#include "ctlAssistent.h"

#include <QFrame>
#include <QPushButton>
#include <QTest>

namespace {

// A host that logs the frame's events and answers them as told.
struct Host {
    explicit Host(ctlAssistent& c) {
        QObject::connect(&c, &ctlAssistent::LeavePage, [this, &c](qint32 d, bool& cancel) {
            log.append(QStringLiteral("Leave %1 on %2").arg(d).arg(c.Page));
            cancel = refuseLeave;
        });
        QObject::connect(&c, &ctlAssistent::EnterPage, [this, &c](qint32 d, bool& cancel) {
            log.append(QStringLiteral("Enter %1").arg(d));
            cancel = refuseEnter;
            if (!cancel)
                c.Page += d;
        });
        QObject::connect(&c, &ctlAssistent::PageEntered, [this, &c](bool& n, bool& p, bool& x) {
            log.append(QStringLiteral("Entered %1%2%3 while %4%5%6")
                           .arg(n)
                           .arg(p)
                           .arg(x)
                           .arg(c.NextEnabled())
                           .arg(c.PreviousEnabled())
                           .arg(c.CancelEnabled()));
            if (answer) {
                n = answer->at(0) == u'1';
                p = answer->at(1) == u'1';
                x = answer->at(2) == u'1';
            }
        });
        QObject::connect(&c, &ctlAssistent::Cancel,
                         [this] { log.append(QStringLiteral("Cancel")); });
    }
    QStringList log;
    bool refuseLeave = false;
    bool refuseEnter = false;
    std::optional<QString> answer;
};

} // namespace

TEST(ctlAssistentTest, EveryStepRunsLeaveEnterEnteredAndAppliesTheHostsButtons) {
    ctlAssistent c;
    Host host(c);
    c.setPreviousEnabled(false);
    // Left alone, the host gets the states in force before the step, while
    // every button is disabled.
    QTest::mouseClick(c.cmdNext, Qt::LeftButton);
    EXPECT_EQ(host.log, (QStringList{QStringLiteral("Leave 1 on 0"), QStringLiteral("Enter 1"),
                                     QStringLiteral("Entered 101 while 000")}));
    EXPECT_EQ(c.Page, 1);
    EXPECT_TRUE(c.NextEnabled());
    EXPECT_FALSE(c.PreviousEnabled());
    EXPECT_TRUE(c.CancelEnabled());

    host.log.clear();
    host.answer = QStringLiteral("010");
    c.GoToPage(0);
    EXPECT_EQ(host.log, (QStringList{QStringLiteral("Leave 0 on 1"), QStringLiteral("Enter 0"),
                                     QStringLiteral("Entered 101 while 000")}));
    EXPECT_FALSE(c.NextEnabled());
    EXPECT_TRUE(c.PreviousEnabled());
    EXPECT_FALSE(c.CancelEnabled());

    host.log.clear();
    QTest::mouseClick(c.cmdPrevious, Qt::LeftButton);
    EXPECT_EQ(c.Page, 0);
    EXPECT_EQ(host.log.size(), 3);
    c.setCancelEnabled(true);
    host.log.clear();
    QTest::mouseClick(c.cmdCancel, Qt::LeftButton);
    EXPECT_EQ(host.log, QStringList{QStringLiteral("Cancel")});
    EXPECT_EQ(c.Page, 0);
}

TEST(ctlAssistentTest, ARefusalEndsTheStepWithTheButtonsUntouched) {
    ctlAssistent c;
    Host host(c);
    c.setNextEnabled(false);
    host.refuseLeave = true;
    c.GoToPage(1);
    EXPECT_EQ(host.log, QStringList{QStringLiteral("Leave 1 on 0")});
    host.log.clear();
    host.refuseLeave = false;
    host.refuseEnter = true;
    c.GoToPage(-1);
    EXPECT_EQ(host.log, (QStringList{QStringLiteral("Leave -1 on 0"), QStringLiteral("Enter -1")}));
    EXPECT_FALSE(c.NextEnabled());
    EXPECT_TRUE(c.PreviousEnabled());
    EXPECT_TRUE(c.CancelEnabled());
    EXPECT_EQ(c.Page, 0);
}

TEST(ctlAssistentTest, MarginPlacesTheButtonsAndTheHeight) {
    ctlAssistent c;
    c.resize(600, 10);
    c.show();
    const int width = c.cmdNext->width();
    EXPECT_EQ(c.Margin(), 10.0f);
    EXPECT_EQ(c.height(), 10 + c.cmdCancel->height());
    EXPECT_EQ(c.cmdCancel->x(), 0);
    EXPECT_EQ(c.cmdNext->geometry().right(), 599);
    EXPECT_EQ(c.cmdPrevious->geometry().right(), c.cmdNext->x() - 10 - 1);
    EXPECT_EQ(c.linTop->geometry(), QRect(0, 0, 600, 1));
    c.setMargin(20);
    EXPECT_EQ(c.cmdCancel->y(), 20);
    EXPECT_EQ(c.cmdNext->y(), 20);
    EXPECT_EQ(c.cmdPrevious->y(), 20);
    EXPECT_EQ(c.cmdPrevious->geometry().right(), c.cmdNext->x() - 20 - 1);
    EXPECT_EQ(c.height(), 20 + c.cmdCancel->height());
    EXPECT_EQ(c.cmdNext->width(), width);
    c.resize(400, c.height());
    EXPECT_EQ(c.cmdNext->geometry().right(), 399);
    EXPECT_EQ(c.cmdCancel->x(), 0);
    // The access keys and the default button.
    EXPECT_EQ(c.cmdNext->text(), QStringLiteral("&weiter >"));
    EXPECT_EQ(c.cmdPrevious->text(), QStringLiteral("< &zurück"));
    EXPECT_EQ(c.cmdCancel->text(), QStringLiteral("&Schließen"));
    EXPECT_TRUE(c.cmdNext->isDefault());
}
