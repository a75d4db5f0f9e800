#include "WizardTestSupport.h"

#include "FlexGrid.h"
#include "SeiteMerkmale.h"
#include "Start.h"
#include "ctlAssistent.h"

#include "Ergebnisliste.h"

#include "../core/Beispiel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTreeWidget>

#include <tuple>

namespace {

QAction* action(QWidget* w, const char* name) {
    return w->findChild<QAction*>(QString::fromUtf8(name));
}

// The save question names the file, or says that there is none yet.
const QString Question =
    QStringLiteral("Die neue Kalibrierung wurde noch nicht gespeichert.\nSollen die Änderungen "
                   "gespeichert werden?");
QString questionFor(const QString& fileName) {
    return QStringLiteral("Die Kalibrierung „%1“ wurde geändert.\nSollen die Änderungen "
                          "gespeichert werden?")
        .arg(fileName);
}

} // namespace

class DateiTest : public WizardTest {
protected:
    void SetUp() override {
        WizardTest::SetUp();
        Einstellungen::setRecentFiles(QStringList(9, QString()));
    }
    QString path(const QString& name) const { return dir.filePath(name); }
    // A saved calibration (the worked example) under name.
    QString saved(const QString& name) {
        Kalibrierung example;
        fillWorkedExample(example);
        example.DirektesPrüfmerkmal().setName(QStringLiteral("Verdichtungsgrad"));
        example.DataStore()->setValue(QStringLiteral("AssistentActivePage"), rt::Long(3));
        example.SaveFile(path(name));
        return path(name);
    }
    QTemporaryDir dir;
};

TEST_F(DateiTest, TheFileMenuAsTheUserSeesIt) {
    frmAssistent* w = open(k);
    const QList<QAction*> items = w->menuDatei->actions();
    QStringList captions;
    for (QAction* a : items)
        captions.append(a->isSeparator() ? QStringLiteral("-") : a->text());
    EXPECT_EQ(captions.mid(0, 8),
              (QStringList{QStringLiteral("neu"), QStringLiteral("-"), QStringLiteral("&öffnen..."),
                           QStringLiteral("&speichern"), QStringLiteral("speichern unter..."),
                           QStringLiteral("-"), QStringLiteral("Messwerte &importieren..."),
                           QStringLiteral("-")}));
    EXPECT_EQ(captions.last(), QStringLiteral("Beenden\tAlt+F4"));
    EXPECT_EQ(action(w, "mf_new")->shortcut(), QKeySequence(QStringLiteral("Ctrl+N")));
    EXPECT_EQ(action(w, "mf_open")->shortcut(), QKeySequence(QStringLiteral("Ctrl+O")));
    EXPECT_EQ(action(w, "mf_save")->shortcut(), QKeySequence(QStringLiteral("Ctrl+S")));
    EXPECT_FALSE(action(w, "mf_LastFile0")->isVisible());
    // With an empty list the separator below it is hidden.
    EXPECT_FALSE(action(w, "mf_LastFileTr")->isVisible());
    for (int i = 1; i <= 9; ++i)
        EXPECT_FALSE(w->mf_LastFile[i]->isVisible());
    EXPECT_EQ(w->menuBar()->actions().first()->text(), QStringLiteral("&Datei"));
    EXPECT_EQ(w->menuBar()->actions().last()->text(), QStringLiteral("&?"));
}

TEST_F(DateiTest, SavedOnPageThreeReopensOnPageThree) {
    fillWorkedExample(k);
    frmAssistent* w = open(k);
    activate(w);
    w->ctlAssistent1->Page = 3;
    w->ctlAssistent1->GoToPage(0);
    const QString file = path(QStringLiteral("feld.xml"));
    messages.fileAnswers = {file};
    QTest::keyClick(w, Qt::Key_S, Qt::ControlModifier);
    ASSERT_EQ(messages.fileDialogs.size(), 1);
    // No folder used yet: no folder, no name given.
    EXPECT_EQ(messages.fileDialogs[0],
              QStringLiteral("save|Kalibrierung speichern unter|||XML-Dateien (*.xml);;alle "
                             "Dateien (*)|xml"));
    EXPECT_EQ(w->FileName(), file);
    // The folder of the file is kept as a folder, never as the file.
    EXPECT_EQ(Einstellungen::LastFolder(), dir.path());
    EXPECT_EQ(w->windowTitle(), QStringLiteral("feld.xml[*] - Kalibrierung nach Velmor Teil E 4"));
    EXPECT_FALSE(k.IsDirty());
    EXPECT_TRUE(QFile::exists(file));
    EXPECT_EQ(Einstellungen::RecentFiles().first(), file);
    EXPECT_TRUE(action(w, "mf_LastFileTr")->isVisible());
    EXPECT_EQ(w->mf_LastFile[1]->data().toString(), file);

    // The next start: open it again.
    Kalibrierung again;
    frmAssistent* second = open(again);
    second->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(second));
    messages.fileAnswers = {file};
    QTest::keyClick(second, Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(messages.fileDialogs.last(), QStringLiteral("open|Kalibrierung öffnen|") +
                                               dir.path() +
                                               QStringLiteral("|XML-Dateien (*.xml);;alle "
                                                              "Dateien (*)"));
    EXPECT_EQ(second->ctlAssistent1->Page, 3);
    EXPECT_EQ(second->FileName(), file);
    EXPECT_FALSE(again.IsDirty());
    EXPECT_EQ(again.Messwert(pmIndirekt, 3, 3).toText(), QStringLiteral("54"));
    EXPECT_EQ(child<FlexGrid>(second, "fgMesswerte")->TextMatrix(9, 3), QStringLiteral("54,00"));
    saveScreenshot(second, QStringLiteral("geoeffnet"));

    // "speichern unter" proposes the file itself; for a new calibration it
    // opens in the folder used last and proposes no name (never the
    // folder's name one level up).
    const QString xml = QStringLiteral("|XML-Dateien (*.xml);;alle Dateien (*)|xml");
    messages.fileAnswers = {QString()};
    second->speichernUnter();
    EXPECT_EQ(messages.fileDialogs.last(), QStringLiteral("save|Kalibrierung speichern unter|") +
                                               dir.path() + QStringLiteral("|feld.xml") + xml);
    ASSERT_TRUE(second->neu());
    for (int i = 0; i < 2; ++i) {
        messages.fileAnswers = {i == 0 ? path(QStringLiteral("neu.xml")) : QString()};
        second->speichernUnter();
        EXPECT_EQ(messages.fileDialogs.last(),
                  QStringLiteral("save|Kalibrierung speichern unter|") + dir.path() + u'|' + xml);
        EXPECT_EQ(Einstellungen::LastFolder(), dir.path());
        second->neu();
    }
    delete second;
    // A file stored as the folder used last (by an earlier version, or given
    // by mistake) stands for its folder, in the settings and in the dialogs.
    QSettings settings(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                           QStringLiteral("/Kalibrierung nach Velmor Teil E 4.conf"),
                       QSettings::IniFormat);
    Einstellungen::setLastFolder(file);
    settings.sync();
    EXPECT_EQ(settings.value(QStringLiteral("Main/LastFolder")).toString(), dir.path());
    settings.setValue(QStringLiteral("Main/LastFolder"), file);
    settings.sync();
    EXPECT_EQ(Einstellungen::LastFolder(), dir.path());
    MessageService::setFolderMemory(file, nullptr);
    ASSERT_TRUE(w->neu());
    messages.fileAnswers = {QString()};
    w->speichernUnter();
    EXPECT_EQ(messages.fileDialogs.last(),
              QStringLiteral("save|Kalibrierung speichern unter|") + dir.path() + u'|' + xml);
    EXPECT_TRUE(messages.texts.isEmpty()) << messages.texts.join(u'|').toStdString();
}

TEST_F(DateiTest, RecentFilesMoveToTheTopAndTheTenthDropsTheLast) {
    frmAssistent* w = open(k);
    QStringList files;
    for (int i = 1; i <= 9; ++i)
        files.append(saved(QStringLiteral("k%1.xml").arg(i)));
    for (const QString& f : files) {
        w->neu();
        w->FileOpen(f);
    }
    QStringList expected = files;
    std::reverse(expected.begin(), expected.end());
    EXPECT_EQ(Einstellungen::RecentFiles(), expected);
    // Opening slot 4 moves it to slot 1; slots 5 to 9 keep their places.
    const QString fourth = expected[3];
    w->mf_LastFile[4]->trigger();
    EXPECT_EQ(w->FileName(), fourth);
    QStringList moved = expected;
    moved.move(3, 0);
    EXPECT_EQ(Einstellungen::RecentFiles(), moved);
    EXPECT_EQ(w->mf_LastFile[1]->text(), fourth);
    // A tenth file drops the ninth slot.
    const QString tenth = saved(QStringLiteral("k10.xml"));
    w->neu();
    w->FileOpen(tenth);
    EXPECT_EQ(Einstellungen::RecentFiles().first(), tenth);
    EXPECT_EQ(Einstellungen::RecentFiles().last(), moved[7]);
    EXPECT_FALSE(Einstellungen::RecentFiles().contains(moved[8]));
    // Paths that differ only in letter case take two slots.
    const QString upper = saved(QStringLiteral("K10.XML"));
    w->neu();
    w->FileOpen(upper);
    EXPECT_EQ(Einstellungen::RecentFiles().mid(0, 2), (QStringList{upper, tenth}));
}

TEST_F(DateiTest, TheSaveQuestionGuardsNewOpenAndClose) {
    frmAssistent* w = open(k);
    activate(w);
    k.DirektesPrüfmerkmal().setName(QStringLiteral("geändert"));
    ASSERT_TRUE(k.IsDirty());

    // Abbrechen: nothing changes, no open follows (not even for a new calibration).
    messages.answers = {MessageService::AnswerCancel};
    QTest::keyClick(w, Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(messages.texts, QStringList{Question});
    EXPECT_EQ(messages.icons, QList<MessageService::Icon>{MessageService::Question});
    EXPECT_EQ(messages.buttons, QList<MessageService::Buttons>{MessageService::YesNoCancel});
    EXPECT_TRUE(messages.fileDialogs.isEmpty());
    EXPECT_EQ(k.DirektesPrüfmerkmal().Name(), QStringLiteral("geändert"));
    EXPECT_TRUE(k.IsDirty());

    // Closing with Abbrechen keeps the program running with the data unchanged.
    messages.clear();
    messages.answers = {MessageService::AnswerCancel};
    EXPECT_FALSE(w->close());
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(k.DirektesPrüfmerkmal().Name(), QStringLiteral("geändert"));

    // Ja with a cancelled save dialog: still dirty, so nothing happens.
    messages.clear();
    messages.answers = {MessageService::AnswerYes};
    messages.fileAnswers = {QString()};
    QTest::keyClick(w, Qt::Key_N, Qt::ControlModifier);
    EXPECT_EQ(messages.fileDialogs.size(), 1);
    EXPECT_TRUE(k.IsDirty());
    EXPECT_EQ(k.DirektesPrüfmerkmal().Name(), QStringLiteral("geändert"));

    // Ja and a file: saved, then the new calibration.
    messages.answers = {MessageService::AnswerYes};
    messages.fileAnswers = {path(QStringLiteral("ja.xml"))};
    QTest::keyClick(w, Qt::Key_N, Qt::ControlModifier);
    EXPECT_TRUE(QFile::exists(path(QStringLiteral("ja.xml"))));
    EXPECT_EQ(k.DirektesPrüfmerkmal().Name(), QString());
    EXPECT_EQ(w->FileName(), QString());
    EXPECT_EQ(w->ctlAssistent1->Page, 0);

    // Nein discards and starts anew, on page 1 with the intro suppressed.
    k.DirektesPrüfmerkmal().setName(QStringLiteral("weg"));
    child<QCheckBox>(w, "chkDontShowPage0")->setChecked(true);
    messages.answers = {MessageService::AnswerNo};
    QTest::keyClick(w, Qt::Key_N, Qt::ControlModifier);
    EXPECT_EQ(k.DirektesPrüfmerkmal().Name(), QString());
    EXPECT_FALSE(k.IsDirty());
    EXPECT_EQ(w->ctlAssistent1->Page, 1);

    // A calibration from a file: the question names the file.
    w->FileOpen(saved(QStringLiteral("benannt.xml")));
    ASSERT_EQ(w->FileName(), path(QStringLiteral("benannt.xml")));
    k.DirektesPrüfmerkmal().setName(QStringLiteral("geändert"));
    messages.clear();
    messages.answers = {MessageService::AnswerCancel};
    EXPECT_FALSE(w->close());
    EXPECT_EQ(messages.texts, QStringList{questionFor(QStringLiteral("benannt.xml"))});
    EXPECT_TRUE(w->isVisible());
    k.setIsDirty(false);

    // Closing a clean calibration asks nothing.
    messages.clear();
    EXPECT_TRUE(w->close());
    EXPECT_TRUE(messages.texts.isEmpty());
}

TEST_F(DateiTest, AFailedOpenLeavesNoFileNameBehind) {
    const QString broken = path(QStringLiteral("kaputt.xml"));
    writeFileBytes(broken, "<xml><rs:data>");
    frmAssistent* w = open(k);
    w->FileOpen(broken);
    ASSERT_EQ(messages.texts.size(), 1);
    EXPECT_EQ(messages.icons[0], MessageService::Warning);
    EXPECT_TRUE(messages.texts[0].startsWith(QStringLiteral("Aus der angegebenen Quelle")));
    EXPECT_EQ(w->FileName(), QString());
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Kalibrierung nach Velmor Teil E 4[*]"));
    EXPECT_EQ(w->ctlAssistent1->Page, 0);
    EXPECT_EQ(Einstellungen::RecentFiles().first(), broken);
    // "speichern" asks for a name and never touches the file that could not be read.
    messages.fileAnswers = {QString()};
    w->speichern();
    EXPECT_EQ(messages.fileDialogs.size(), 1);
    EXPECT_EQ(readFileBytes(broken), QByteArray("<xml><rs:data>"));
}

TEST_F(DateiTest, SavingReplacesTheOldFileOnlyWhenTheNewOneIsComplete) {
    const QString file = saved(QStringLiteral("alt.xml"));
    QFile::setPermissions(file, QFileDevice::ReadOwner | QFileDevice::ReadGroup);
    frmAssistent* w = open(k);
    w->FileOpen(file);
    k.setPrüffeldWert(1, 9.0);
    EXPECT_TRUE(w->FileSave(file)); // read-only: replaced all the same
    Kalibrierung check;
    check.LoadFile(file);
    EXPECT_EQ(check.PrüffeldWert(1), 9.0);
    EXPECT_FALSE(k.IsDirty());

    // A target that cannot be written: the message, the old file, still dirty.
    k.setPrüffeldWert(1, 10.0);
    const QString folder = path(QStringLiteral("ordner.xml"));
    QDir().mkdir(folder);
    EXPECT_FALSE(w->FileSave(folder));
    ASSERT_EQ(messages.texts.size(), 1);
    EXPECT_EQ(messages.icons[0], MessageService::Warning);
    EXPECT_TRUE(messages.texts[0].contains(QStringLiteral("ordner.xml")));
    EXPECT_TRUE(k.IsDirty());
    check.LoadFile(file);
    EXPECT_EQ(check.PrüffeldWert(1), 9.0);
}

// A whole calibration typed through the keyboard, saved, closed, opened
// again: every value and every statistic as typed.
TEST_F(DateiTest, ARoundTripTypedThroughTheKeyboard) {
    frmAssistent* w = open(k);
    activate(w);
    QTest::keyClick(w, Qt::Key_Return); // to page 1
    // The focus is in the first field; a name and Tab complete its group.
    auto* directName = child<QComboBox>(w, "cboDirektesPrüfmerkmal");
    ASSERT_TRUE(directName->hasFocus());
    QTest::keyClicks(directName, QStringLiteral("Verdichtungsgrad"));
    QTest::keyClick(directName, Qt::Key_Tab);
    auto* indirectName = child<QComboBox>(w, "cboIndirektesPrüfmerkmal");
    indirectName->setFocus();
    QTest::keyClicks(indirectName, QStringLiteral("Dynamischer Verformungsmodul"));
    auto* decimals = child<QLineEdit>(w, "txtDirektesPrüfmerkmalStellen");
    decimals->setFocus();
    QTest::keyClick(decimals, Qt::Key_Down); // 2 -> 1
    QTest::keyClick(w, Qt::Key_Return);
    ASSERT_EQ(w->ctlAssistent1->Page, 2) << messages.texts.join(u'|').toStdString();
    FlexGrid* fields = child<FlexGrid>(w, "fgKeysMessreihen");
    auto* fieldInput = child<QLineEdit>(w, "txtFGKeysMessreihen");
    fields->setFocus();
    for (int f = 1; f <= 3; ++f) {
        for (const QString& text : {QStringLiteral("3"), QString::number(2 * f)}) {
            QTest::keyClicks(fields, text);
            QTest::keyClick(fieldInput, Qt::Key_Return);
        }
    }
    QTest::keyClick(fields, Qt::Key_PageDown);
    w->ctlAssistent1->cmdNext->click();
    ASSERT_EQ(w->ctlAssistent1->Page, 3) << messages.texts.join(u'|').toStdString();
    FlexGrid* values = child<FlexGrid>(w, "fgMesswerte");
    auto* valueInput = child<QLineEdit>(w, "txtFGData");
    values->setFocus();
    const QStringList typed = {
        QStringLiteral("95"),  QStringLiteral("30"),   QStringLiteral("96"),  QStringLiteral("32"),
        QStringLiteral("97"),  QStringLiteral("34"),   QStringLiteral("98"),  QStringLiteral("40"),
        QStringLiteral("99"),  QStringLiteral("42"),   QStringLiteral("100"), QStringLiteral("44"),
        QStringLiteral("101"), QStringLiteral("50"),   QStringLiteral("102"), QStringLiteral("52"),
        QStringLiteral("103"), QStringLiteral("54,04")};
    // Keys go where the focus is, as a user's do.
    for (const QString& text : typed) {
        for (QChar c : text)
            QTest::keyClicks(QApplication::focusWidget(), QString(c));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    }
    EXPECT_EQ(values->TextMatrix(9, 3), QStringLiteral("54,04"));
    EXPECT_FALSE(valueInput->isVisible());
    w->ctlAssistent1->cmdNext->click();
    ASSERT_EQ(w->ctlAssistent1->Page, 4) << messages.texts.join(u'|').toStdString();
    const QList<StatistikZeile> before = StatistikListe(k);
    messages.fileAnswers = {path(QStringLiteral("getippt.xml"))};
    QTest::keyClick(w, Qt::Key_S, Qt::ControlModifier);
    EXPECT_TRUE(w->close());
    EXPECT_TRUE(messages.texts.isEmpty()) << messages.texts.join(u'|').toStdString();

    // The next start.
    Kalibrierung again;
    frmAssistent* second = open(again);
    second->FileOpen(path(QStringLiteral("getippt.xml")));
    EXPECT_EQ(second->ctlAssistent1->Page, 4);
    EXPECT_EQ(again.DirektesPrüfmerkmal().Bezeichung(), QStringLiteral("Verdichtungsgrad DPr"));
    EXPECT_EQ(again.IndirektesPrüfmerkmal().Einheit(), QStringLiteral("MN/m²"));
    EXPECT_EQ(again.DirektesPrüfmerkmal().Nachkommastellen(), 1);
    EXPECT_EQ(again.PrüffeldWert(3), 6.0);
    EXPECT_EQ(again.PrüffeldPrüfpunkte(2), 3);
    EXPECT_EQ(again.Messwert(pmIndirekt, 3, 3).toDouble(), 54.04);
    EXPECT_EQ(again.Messwert(pmDirekt, 2, 2).toDouble(), 99.0);
    const QList<StatistikZeile> after = StatistikListe(again);
    ASSERT_EQ(after.size(), before.size());
    for (int i = 0; i < after.size(); ++i)
        EXPECT_EQ(after[i].Wert, before[i].Wert) << i;
    auto* list = child<QTreeWidget>(second, "lvPlausibilität");
    EXPECT_EQ(list->topLevelItem(21)->text(1), before[21].Wert);
    EXPECT_EQ(list->topLevelItem(21)->text(2), QStringLiteral("gut"));
    delete second;
}

TEST_F(DateiTest, ADroppedFileAndAFileOnTheCommandLineAreOpened) {
    const QString file = saved(QStringLiteral("gezogen.xml"));
    frmAssistent* w = open(k);
    k.DirektesPrüfmerkmal().setName(QStringLiteral("ungespeichert"));
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(file)});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    messages.answers = {MessageService::AnswerCancel}; // the changes are kept
    QApplication::sendEvent(w, &drop);
    EXPECT_EQ(k.DirektesPrüfmerkmal().Name(), QStringLiteral("ungespeichert"));
    messages.answers = {MessageService::AnswerNo};
    QDragEnterEvent enterAgain(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton,
                               Qt::NoModifier);
    QApplication::sendEvent(w, &enterAgain);
    QDropEvent again(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w, &again);
    EXPECT_EQ(messages.texts, QStringList(2, Question));
    EXPECT_EQ(w->FileName(), file);
    EXPECT_EQ(k.DirektesPrüfmerkmal().Name(), QStringLiteral("Verdichtungsgrad"));
    delete w;

    // "Orvanta DATEI.xml": the file opens in the wizard; its path takes no
    // part in the debug test.
    QDir().mkpath(path(QStringLiteral("debug")));
    const QString inDebug = path(QStringLiteral("debug/k.xml"));
    QFile::copy(file, inDebug);
    messages.clear();
    Kalibrierung started;
    QObject* form = nullptr;
    QObject::connect(&started, &Kalibrierung::BeforeShowAssistent,
                     [&form](QObject* f) { form = f; });
    SubMain(started, {inDebug});
    wizard = qobject_cast<frmAssistent*>(form);
    opened.append(wizard);
    ASSERT_TRUE(wizard);
    EXPECT_FALSE(DebugMode());
    EXPECT_EQ(wizard->FileName(), inDebug);
    EXPECT_EQ(started.PrüfpunkteTotal(), 9);
    EXPECT_TRUE(messages.texts.isEmpty());
}

// Page 4 opened from a file saved there looks as page 4 entered by "weiter":
// the verdict as high as its text, the list down to the coefficients of
// determination at the default size of a 1366 × 768 screen, the diagram no
// smaller than 8 pt text needs, long texts as tooltips.
TEST_F(DateiTest, PageFourFromAFileHasTheLayoutOfPageFour) {
    Kalibrierung example;
    fillWorkedExample(example);
    describeWorkedExample(example);
    example.DataStore()->setValue(QStringLiteral("AssistentActivePage"), rt::Long(4));
    example.SaveFile(path(QStringLiteral("seite4.xml")));

    auto layoutOf = [&](frmAssistent* w) {
        w->resize(w->defaultSize(QSize(1366, 728)));
        activate(w);
        QCoreApplication::processEvents();
        auto* verdict = child<QLabel>(w, "labPlausibilität");
        auto* list = child<QTreeWidget>(w, "lvPlausibilität");
        return std::make_tuple(verdict->height(), list, child<QWidget>(w, "picKalibrierdiagramm"));
    };
    frmAssistent* seite4 = open(k);
    ASSERT_TRUE(seite4->FileOpen(path(QStringLiteral("seite4.xml"))));
    ASSERT_EQ(seite4->ctlAssistent1->Page, 4);
    const auto [fromFile, list, diagram] = layoutOf(seite4);
    saveScreenshot(seite4, QStringLiteral("seite4-aus-datei"));
    EXPECT_LE(fromFile, 3 * seite4->fontMetrics().height() + 8);
    // Rows up to the last coefficient of determination are visible.
    ASSERT_EQ(list->topLevelItemCount(), 32);
    const QRect last = list->visualItemRect(list->topLevelItem(23));
    EXPECT_TRUE(list->topLevelItem(23)->text(0).contains(QStringLiteral("Bestimmtheitsmaß")));
    EXPECT_LE(last.bottom(), list->viewport()->height());
    EXPECT_EQ(list->topLevelItem(1)->toolTip(0), list->topLevelItem(1)->text(0).trimmed());
    EXPECT_GE(diagram->height(), int(8.8 * 8.0 / 12.0 * diagram->logicalDpiY() / 2.54));

    Kalibrierung second;
    fillWorkedExample(second);
    describeWorkedExample(second);
    frmAssistent* entered = open(second);
    entered->ctlAssistent1->Page = 3;
    entered->ctlAssistent1->GoToPage(0);
    QTest::mouseClick(entered->ctlAssistent1->cmdNext, Qt::LeftButton);
    ASSERT_EQ(entered->ctlAssistent1->Page, 4);
    const auto [byNext, list2, diagram2] = layoutOf(entered);
    EXPECT_EQ(fromFile, byNext);
    EXPECT_EQ(list->height(), list2->height());
}

// A recent-files entry longer than a path can be is dropped; long paths are
// shortened in the menu, whole in the tooltip and when opened.
TEST_F(DateiTest, LongRecentFilesAreShortenedOrDropped) {
    const QString tooLong = u'/' + QString(5000, u'x') + QStringLiteral(".xml");
    const QString deep =
        u'/' + QStringList(30, QStringLiteral("ordner")).join(u'/') + QStringLiteral("/feld.xml");
    Einstellungen::setRecentFiles({tooLong, deep, QString(), QString(), QString(), QString(),
                                   QString(), QString(), QString()});
    frmAssistent* w = open(k);
    EXPECT_FALSE(w->mf_LastFile[1]->isVisible());
    ASSERT_TRUE(w->mf_LastFile[2]->isVisible());
    EXPECT_LT(w->mf_LastFile[2]->text().size(), deep.size());
    EXPECT_TRUE(w->mf_LastFile[2]->text().contains(QStringLiteral("…")));
    EXPECT_EQ(w->mf_LastFile[2]->toolTip(), deep);
    EXPECT_EQ(w->mf_LastFile[2]->data().toString(), deep);
}
