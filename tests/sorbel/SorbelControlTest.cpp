#include "SorbelTestSupport.h"

#include "../pictrel/PictrelTestSupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QMessageBox>
#include <QStyle>
#include <QTimer>

namespace {

struct SorbelTest : ::testing::Test {
    void SetUp() override {
        window.resize(500, 300);
        control = new Sorbel(&window);
        control->setGeometry(0, 0, 480, 280);
        dict = std::make_shared<SorbelDictionary>();
        dict->insert(QStringLiteral("A"), rt::Variant(u"1"));
        dict->insert(QStringLiteral("B"), rt::Variant(2.5));
        dict->insert(QStringLiteral("C"), rt::Variant(u"drei"));
        QObject::connect(control, &Sorbel::BeforeItemEdit, control,
                         [this](const QString& key, bool&) {
                             log.append(QStringLiteral("BeforeItemEdit ") + key);
                         });
        QObject::connect(control, &Sorbel::AfterItemEdit, control,
                         [this](const QString& key, QString& value, bool& cancel) {
                             log.append(QStringLiteral("AfterItemEdit ") + key + u' ' + value);
                             cancel = cancelEdits;
                         });
        QObject::connect(control, &Sorbel::AfterItemClear, control, [this](const QString& key) {
            log.append(QStringLiteral("AfterItemClear ") + key);
        });
        QObject::connect(control, &Sorbel::Change, control,
                         [this] { log.append(QStringLiteral("Change")); });
        QObject::connect(control, &Sorbel::SelectItem, control,
                         [this](const QString& key) { selected.append(key); });
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    }
    QString value(const char* key) const {
        const rt::Variant* v = dict->find(QLatin1String(key));
        return v ? v->toText() : QStringLiteral("<fehlt>");
    }
    QWidget window;
    Sorbel* control = nullptr;
    SorbelDictionaryPtr dict;
    QStringList log;
    QStringList selected;
    bool cancelEdits = false;
};

} // namespace

TEST_F(SorbelTest, ShowsTheDictionaryAndEditsValuesInPlace) {
    control->setDictionary(dict);
    FlexGrid& g = *control->FlexGrid_();
    ASSERT_EQ(g.Rows(), 3);
    EXPECT_EQ(g.TextMatrix(1, 0), QStringLiteral("B"));
    EXPECT_EQ(g.TextMatrix(1, 1), QStringLiteral("2,5"));
    EXPECT_EQ(control->SelectedItem(), QStringLiteral("A"));
    EXPECT_EQ(g.Col(), 1);

    g.setFocus();
    QTest::keyClick(&g, Qt::Key_X);
    EXPECT_TRUE(control->TextBox()->isVisible());
    QTest::keyClick(control->TextBox(), Qt::Key_Return);
    EXPECT_EQ(value("A"), QStringLiteral("x"));
    EXPECT_EQ(g.TextMatrix(0, 1), QStringLiteral("x"));
    EXPECT_EQ(log, (QStringList{QStringLiteral("BeforeItemEdit A"),
                                QStringLiteral("AfterItemEdit A x"), QStringLiteral("Change")}));
    EXPECT_EQ(control->SelectedItem(), QStringLiteral("B")); // on to the next key
    EXPECT_TRUE(selected.contains(QStringLiteral("B")));
}

// The user locale the program sets is the one both libraries format with:
// the run-time, and so the setting, exists once in the process.
TEST_F(SorbelTest, TheProgramsUserLocaleFormatsInSorbelAndPictrel) {
    struct Fall {
        const char* locale;
        const char* wert;  // B = 2.5 in the control
        const char* achse; // the diagram's first X label
    };
    for (const Fall& f : {Fall{"en_US", "2.5", "1,234.5"}, Fall{"de_DE", "2,5", "1.234,5"}}) {
        SCOPED_TRACE(f.locale);
        LocaleScope scope(rt::localeNamed(QString::fromLatin1(f.locale)));
        control->setDictionary(dict);
        EXPECT_EQ(control->FlexGrid_()->TextMatrix(1, 1), QLatin1String(f.wert));

        auto dest = std::make_shared<RecordingDrawDest>();
        clsElementDiagramm2DPoint d;
        d.EdgeBottomRight()->MoveTo(100, 50, 0);
        d.setAxisXMin(1234.5);
        d.setAxisXMax(1235.5);
        d.setAxisXGridMajorStep(0.5);
        d.setAxisXNumberFormat(QStringLiteral("#,##0.0"));
        d.Draw(dest);
        const std::vector<RecordingDrawDest::Call> texts = dest->ofKind("Text");
        ASSERT_FALSE(texts.empty());
        EXPECT_EQ(texts.front().text, QLatin1String(f.achse));
    }
}

// After every test the test main fails a test that left a window shown.
TEST_F(SorbelTest, ShownWindowsAreOpenUntilHidden) {
    window.setObjectName(QStringLiteral("Fenster"));
    EXPECT_EQ(offeneFenster(), QStringList{QStringLiteral("QWidget Fenster")});
    window.hide();
    EXPECT_EQ(offeneFenster(), QStringList());
}

TEST_F(SorbelTest, CancelledEditsAndClearingLeaveTheDictionary) {
    control->setDictionary(dict);
    FlexGrid& g = *control->FlexGrid_();
    g.setFocus();
    cancelEdits = true;
    QTest::keyClick(&g, Qt::Key_Y);
    QTest::keyClick(control->TextBox(), Qt::Key_Return);
    EXPECT_EQ(value("A"), QStringLiteral("1"));
    // The refused text does not show up in the cell either, also after leaving it.
    g.setCurrentCell(2, 1);
    EXPECT_EQ(g.TextMatrix(0, 1), QStringLiteral("1"));

    log.clear();
    QTest::keyClick(&g, Qt::Key_Delete);
    EXPECT_EQ(g.TextMatrix(2, 1), QString());
    EXPECT_EQ(log, QStringList{QStringLiteral("AfterItemClear C")});
    EXPECT_EQ(value("C"), QStringLiteral("drei"));

    // Rows are fixed by the dictionary.
    QTest::keyClick(&g, Qt::Key_Insert, Qt::ControlModifier);
    QTest::keyClick(&g, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(g.Rows(), 3);
    EXPECT_EQ(dict->count(), 3);
}

TEST_F(SorbelTest, EmptyOrNoDictionaryAndTheSelectedKey) {
    control->setDictionary(std::make_shared<SorbelDictionary>());
    EXPECT_EQ(control->FlexGrid_()->Rows(), 0);
    EXPECT_TRUE(control->EditGrid()->Active());
    EXPECT_EQ(control->SelectedItem(), QString());
    control->setDictionary(nullptr);
    EXPECT_EQ(control->FlexGrid_()->Rows(), 0);
    EXPECT_FALSE(control->EditGrid()->Active());

    control->setDictionary(dict);
    control->setSelectedItem(QStringLiteral("C"));
    EXPECT_EQ(control->FlexGrid_()->Row(), 2);
    EXPECT_EQ(errorNumberOf([&] { control->setSelectedItem(QStringLiteral("c")); }),
              rt::err::InvalidProcedureCall);
    // A new dictionary with the same keys keeps the selected key.
    auto other = std::make_shared<SorbelDictionary>();
    other->insert(QStringLiteral("C"), rt::Variant(u"neu"));
    other->insert(QStringLiteral("A"), rt::Variant(u"alt"));
    control->setDictionary(other);
    EXPECT_EQ(control->SelectedItem(), QStringLiteral("C"));
    EXPECT_EQ(control->FlexGrid_()->Row(), 0);
}

TEST_F(SorbelTest, SelectionIsReducedToOneRow) {
    control->setDictionary(dict);
    FlexGrid& g = *control->FlexGrid_();
    selected.clear();
    g.setRowSel(2);
    EXPECT_EQ(g.Row(), 2);
    EXPECT_EQ(g.RowSel(), 2);
    ASSERT_FALSE(selected.isEmpty());
    EXPECT_EQ(selected.last(), QStringLiteral("C"));
    // Moving the mouse reports the selection again.
    const int before = selected.size();
    QTest::mouseMove(g.viewport(), g.cellRect(1, 1).center());
    EXPECT_GT(selected.size(), before);
    EXPECT_EQ(control->MouseRow(), 1);
    EXPECT_EQ(control->MouseCol(), 1);
}

TEST_F(SorbelTest, PropertiesDefaultsPersistenceAndLayout) {
    EXPECT_EQ(control->Appearance(), 1);
    EXPECT_EQ(control->BorderStyle(), 1);
    EXPECT_EQ(control->BackColor(), 0x80000005u);
    EXPECT_TRUE(control->Enabled());
    EXPECT_EQ(control->ToolTipText(), QString());
    EXPECT_EQ(control->property("BackColor").toUInt(), 0x80000005u);

    QStringList changed;
    QObject::connect(control, &Sorbel::propertyChanged, control,
                     [&](const QString& name) { changed.append(name); });
    control->setToolTipText(QStringLiteral("Angaben"));
    control->setBackColor(0x00FFFFE1);
    control->setEnabled(false);
    control->setBorderStyle(0);
    EXPECT_EQ(changed, (QStringList{QStringLiteral("ToolTipText"), QStringLiteral("BackColor"),
                                    QStringLiteral("Enabled"), QStringLiteral("BorderStyle")}));
    EXPECT_FALSE(control->FlexGrid_()->isEnabled());
    EXPECT_EQ(control->FlexGrid_()->BackColor(), QColor(0xE1, 0xFF, 0xFF));

    rt::PropertyBag bag;
    control->WriteProperties(bag);
    Sorbel copy;
    copy.ReadProperties(bag);
    EXPECT_EQ(copy.ToolTipText(), QStringLiteral("Angaben"));
    EXPECT_EQ(copy.BackColor(), 0x00FFFFE1u);
    EXPECT_FALSE(copy.Enabled());
    EXPECT_EQ(copy.BorderStyle(), 0);
    Sorbel defaults;
    defaults.ReadProperties(rt::PropertyBag());
    EXPECT_EQ(defaults.BackColor(), 0x80000005u);
    EXPECT_TRUE(defaults.Enabled());

    // The grid fills the control; the key column takes two thirds.
    control->resize(400, 200);
    const int w =
        control->contentsRect().width() - control->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    EXPECT_EQ(control->FlexGrid_()->geometry(), control->contentsRect());
    EXPECT_NEAR(control->FlexGrid_()->ColWidth(0), w * 2.0 / 3.0, 0.5);
    EXPECT_NEAR(control->FlexGrid_()->ColWidth(1), w / 3.0, 0.5);
}

// What a user does in the editor: paste values from a spreadsheet, click a key.
TEST_F(SorbelTest, PastingOverwritesValuesAndAKeyCellSelectsItsRow) {
    RecordingMessages messages;
    control->setDictionary(dict);
    FlexGrid* grid = control->FlexGrid_();
    grid->setFocus();
    grid->setCurrentCell(1, 1);
    // Two lines from the second row: the values of B and C, keys untouched.
    QApplication::clipboard()->setText(QStringLiteral("zwei\r\nvier\r\n"));
    QTest::keyClick(grid, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(grid->Rows(), 3);
    EXPECT_EQ(value("B"), QStringLiteral("zwei"));
    EXPECT_EQ(value("C"), QStringLiteral("vier"));
    EXPECT_EQ(dict->count(), 3);
    EXPECT_FALSE(dict->contains(QString()));
    EXPECT_TRUE(messages.texts.isEmpty());
    // Past the last row: what fits is written, then the clipboard message.
    QApplication::clipboard()->setText(QStringLiteral("x\ny\nz"));
    grid->setCurrentCell(2, 1);
    QTest::keyClick(grid, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(value("C"), QStringLiteral("x"));
    EXPECT_EQ(dict->count(), 3);
    ASSERT_EQ(messages.texts.size(), 1);
    EXPECT_TRUE(messages.texts[0].startsWith(QStringLiteral("Fehler bei Zwischenablagenfunktion")));

    // A click on the key of A makes A's row current.
    selected.clear();
    const QPoint key = grid->viewport()->mapTo(grid, grid->cellRect(0, 0).center());
    QWidget* fixed = grid->childAt(key);
    ASSERT_TRUE(fixed);
    QTest::mouseClick(fixed, Qt::LeftButton, {}, fixed->mapFrom(grid, key));
    EXPECT_EQ(control->SelectedItem(), QStringLiteral("A"));
    EXPECT_EQ(grid->Col(), 1);
    EXPECT_EQ(selected.last(), QStringLiteral("A"));
}

// A multi-line value: Shift+Return and Ctrl+Return break the line in the
// open editor, Return commits; the row grows with its lines; a pasted
// address stays in its value. Other values keep one line.
TEST_F(SorbelTest, AMultiLineValueTakesLineBreaksAndPastedLines) {
    control->setMultiLineItems({QStringLiteral("C")});
    EXPECT_EQ(control->MultiLineItems(), QStringList{QStringLiteral("C")});
    control->setDictionary(dict);
    FlexGrid* grid = control->FlexGrid_();
    QLineEdit* box = control->TextBox();
    const int oneLine = grid->RowHeight(2);
    grid->setFocus();
    grid->setCurrentCell(2, 1);
    QTest::keyClicks(grid, QStringLiteral("P"));
    QTest::keyClicks(box, QStringLiteral("rufstelle Nord"));
    QTest::keyClick(box, Qt::Key_Return, Qt::ShiftModifier);
    QTest::keyClicks(box, QStringLiteral("Weg 1"));
    QTest::keyClick(box, Qt::Key_Return, Qt::ControlModifier);
    QTest::keyClicks(box, QStringLiteral("12345 Stadt"));
    EXPECT_TRUE(box->isVisible());
    EXPECT_EQ(box->text(), QStringLiteral("Prufstelle Nord\u21B5Weg 1\u21B5"
                                          "12345 Stadt"));
    QTest::keyClick(box, Qt::Key_Return);
    EXPECT_FALSE(box->isVisible());
    EXPECT_EQ(value("C"), QStringLiteral("Prufstelle Nord\nWeg 1\n12345 Stadt"));
    EXPECT_EQ(grid->TextMatrix(2, 1), value("C"));
    EXPECT_EQ(log.last(2).first(),
              QStringLiteral("AfterItemEdit C Prufstelle Nord\nWeg 1\n12345 Stadt"));
    EXPECT_EQ(grid->RowHeight(2), oneLine + 2 * grid->fontMetrics().lineSpacing());
    EXPECT_EQ(grid->RowHeight(0), oneLine);

    // Editing again shows the breaks as marks; a break is taken out again.
    grid->setCurrentCell(2, 1);
    QTest::keyClick(grid, Qt::Key_F2);
    ASSERT_TRUE(box->isVisible());
    EXPECT_EQ(box->text(), QStringLiteral("Prufstelle Nord\u21B5Weg 1\u21B5"
                                          "12345 Stadt"));
    box->setCursorPosition(box->text().indexOf(QStringLiteral("\u21B5"
                                                              "12345")) +
                           1);
    QTest::keyClick(box, Qt::Key_Backspace);
    QTest::keyClick(box, Qt::Key_Space);
    QTest::keyClick(box, Qt::Key_Return);
    EXPECT_EQ(value("C"), QStringLiteral("Prufstelle Nord\nWeg 1 12345 Stadt"));
    EXPECT_EQ(grid->RowHeight(2), oneLine + grid->fontMetrics().lineSpacing());

    // A value of one line: Shift+Return commits as Return does.
    grid->setCurrentCell(0, 1);
    QTest::keyClicks(grid, QStringLiteral("a"));
    QTest::keyClick(box, Qt::Key_Return, Qt::ShiftModifier);
    EXPECT_FALSE(box->isVisible());
    EXPECT_EQ(value("A"), QStringLiteral("a"));

    // An address pasted into the open editor keeps its lines in C.
    QApplication::clipboard()->setText(QStringLiteral("Amt\r\nPlatz 2\tHaus B\r\n"));
    grid->setCurrentCell(2, 1);
    QTest::keyClick(grid, Qt::Key_F2);
    box->selectAll();
    QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
    EXPECT_TRUE(box->isVisible());
    EXPECT_EQ(box->text(), QStringLiteral("Amt\u21B5Platz 2 Haus B"));
    QTest::keyClick(box, Qt::Key_Return);
    EXPECT_EQ(value("C"), QStringLiteral("Amt\nPlatz 2 Haus B"));
    EXPECT_EQ(value("A"), QStringLiteral("a"));
    EXPECT_EQ(value("B"), QStringLiteral("2,5"));

    // Pasted on the row itself, it opens the editor with the lines and
    // leaves the rows below alone.
    control->setMultiLineItems({QStringLiteral("A")});
    QApplication::clipboard()->setText(QStringLiteral("eins\nzwei\n"));
    grid->setCurrentCell(0, 1);
    grid->setFocus();
    QTest::keyClick(grid, Qt::Key_V, Qt::ControlModifier);
    ASSERT_TRUE(box->isVisible());
    EXPECT_EQ(box->text(), QStringLiteral("eins\u21B5zwei"));
    EXPECT_EQ(value("B"), QStringLiteral("2,5"));
    QTest::keyClick(box, Qt::Key_Return);
    EXPECT_EQ(value("A"), QStringLiteral("eins\nzwei"));
    EXPECT_EQ(value("B"), QStringLiteral("2,5"));
    // A grew with its lines; C, no longer multi-line, has an ordinary row.
    EXPECT_EQ(grid->RowHeight(0), oneLine + grid->fontMetrics().lineSpacing());
    EXPECT_EQ(grid->RowHeight(2), oneLine);
}

// A message with buttons of its own, in a real message box: a click gives
// the button's index, Escape the escape button's.
TEST(MessageServiceTest, ChooseShowsItsOwnButtons) {
    auto answer = [](std::function<void(QMessageBox*)> act) {
        auto* timer = new QTimer;
        timer->setInterval(10);
        QObject::connect(timer, &QTimer::timeout, timer, [timer, act] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box || !box->isVisible())
                return;
            timer->stop();
            timer->deleteLater();
            act(box);
        });
        timer->start();
    };
    const QStringList buttons = {QStringLiteral("Protokolldaten &bearbeiten"),
                                 QStringLiteral("&Trotzdem erzeugen"), QStringLiteral("Abbrechen")};
    QString shown;
    QStringList captions;
    answer([&](QMessageBox* box) {
        shown = box->text() + u'|' + box->windowTitle();
        for (QAbstractButton* b : box->buttons())
            captions.append(b->text());
        for (QAbstractButton* b : box->buttons())
            if (b->text() == buttons[1])
                b->click();
    });
    EXPECT_EQ(chooseMessage(nullptr, QStringLiteral("Text"), MessageService::Warning, buttons, 0, 2,
                            QStringLiteral("Titel")),
              1);
    EXPECT_EQ(shown, QStringLiteral("Text|Titel"));
    captions.sort();
    QStringList expected = buttons;
    expected.sort();
    EXPECT_EQ(captions, expected);
    answer([](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Escape); });
    EXPECT_EQ(
        chooseMessage(nullptr, QStringLiteral("Text"), MessageService::Warning, buttons, 0, 2), 2);
    // Return takes the default button.
    answer([](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Return); });
    EXPECT_EQ(
        chooseMessage(nullptr, QStringLiteral("Text"), MessageService::Warning, buttons, 0, 2), 0);
}
