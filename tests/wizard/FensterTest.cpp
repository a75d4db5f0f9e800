#include "WizardTestSupport.h"

#include "Hilfe.h"
#include "Start.h"
#include "UpDown.h"
#include "ctlAssistent.h"
#include "frmCalcOptions.h"
#include "frmExport.h"
#include "frmInfo.h"
#include "frmMesswertImport.h"
#include "frmProtocollExtraData.h"
#include "frmProtocollPreview.h"

#include "RuntimeError.h"

#include "../core/Beispiel.h"

#include <QAbstractButton>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>

#include <cerrno>

#include "Fensterfabrik.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextEdit>
#include <QToolBar>
#include <QToolButton>
#include <QWindow>

#include <functional>
#include <memory>
#include <utility>
#include <vector>

TEST_F(WizardTest, OptionsArrowsClampAndOkWritesWhileAbbruchDoesNot) {
    k.setMinBestimmtheitsmaßIndirektDirekt(0.65);
    frmCalcOptions dialog;
    dialog.setKalibrierung(&k);
    k.setIsDirty(false);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Berechnungsoptionen"));
    EXPECT_EQ(dialog.txtMittelwerteStellen->text(), QStringLiteral("1"));
    EXPECT_EQ(dialog.txtAnstiegStellen->text(), QStringLiteral("4"));
    EXPECT_FALSE(dialog.chkRoundIntermediaryResults->isChecked());
    EXPECT_EQ(
        dialog.chkRoundIntermediaryResults->text(),
        QStringLiteral("Zwischenergebnisse der Berechung runden (auf\u00a0angezeigte Werte)"));
    QLineEdit* minimum = dialog.txtMinBestimmtheitsmaßIndirektDirekt;
    // The labels name what page 4 names.
    auto labelOf = [&dialog](const QWidget* field) {
        for (const QLabel* l : dialog.findChildren<QLabel*>())
            if (l->buddy() == field)
                return l->text();
        return QString();
    };
    EXPECT_EQ(labelOf(dialog.txtNullwertStellen), QStringLiteral("Achsenabschnitt Gerade:"));
    EXPECT_EQ(labelOf(minimum),
              QStringLiteral("minimales Bestimmtheitsmaß (indirektes, direktes Prüfmerkmal)"));
    EXPECT_EQ(minimum->text(), QStringLiteral("0,65"));
    UpDown* arrows = dialog.udMinBestimmtheitsmaßIndirektDirekt;
    arrows->upButton()->click();
    EXPECT_EQ(minimum->text(), QStringLiteral("0,66"));
    minimum->setText(QStringLiteral("0,25"));
    arrows->downButton()->click();
    EXPECT_EQ(minimum->text(), QStringLiteral("0,25"));
    minimum->setText(QStringLiteral("1,00"));
    arrows->upButton()->click();
    EXPECT_EQ(minimum->text(), QStringLiteral("1,00"));
    minimum->setText(QStringLiteral("viel"));
    arrows->upButton()->click();
    EXPECT_EQ(minimum->text(), QStringLiteral("0,25"));
    minimum->setText(QStringLiteral("1,7")); // typing may enter anything numeric

    // Abbruch writes nothing.
    dialog.txtMittelwerteStellen->setText(QStringLiteral("5"));
    dialog.chkRoundIntermediaryResults->setChecked(true);
    dialog.cmdCancel->click();
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(k.NachkommastellenMittelwerte(), 1);
    EXPECT_FALSE(k.ZwischenergebnisseRunden());
    EXPECT_FALSE(k.IsDirty());

    // OK writes every field without range checks, in order: keys that are
    // missing are appended in the order of the writes.
    const QStringList settings = {
        QStringLiteral("Nachkommastellen Mittelwerte"),
        QStringLiteral("Nachkommastellen Varianzen"),
        QStringLiteral("Nachkommastellen Kovarianzen"),
        QStringLiteral("Nachkommastellen Bestimmtheitsmaße"),
        QStringLiteral("Nachkommastellen Anstieg"),
        QStringLiteral("Nachkommastellen Achsenabschnitt"),
        QStringLiteral("Zwischenergebnisse runden"),
        QStringLiteral("minimales Bestimmtheitsmaß Indirektes Prüfmerkmal, Direktes Prüfmerkmal"),
    };
    for (const QString& key : settings)
        k.DataStore()->remove(key);
    dialog.txtVarianzenStellen->setText(QStringLiteral("3"));
    dialog.txtKovarianzenStellen->setText(QStringLiteral("-1"));
    dialog.txtBestimmtheitsmaßeStellen->setText(QStringLiteral("x"));
    // A number that reads two ways on a German desktop is refused, and
    // nothing is written.
    dialog.txtAnstiegStellen->setText(QStringLiteral("2.5"));
    dialog.cmdOk->click();
    EXPECT_EQ(messages.texts,
              QStringList{QStringLiteral(
                  "Bitte geben Sie eine gültige Anzahl von Nachkommastellen an.\n„2.5“ im Feld "
                  "„Anstieg Gerade“ ist keine eindeutige Zahl: das Tausendertrennzeichen „.“ "
                  "steht nur zwischen Gruppen von genau drei Ziffern vor dem "
                  "Dezimaltrennzeichen „,“.\nBitte korrigieren Sie die Eingabe.")});
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_TRUE(k.DataStore()->find(settings[0]) == nullptr);
    messages.clear();
    dialog.txtAnstiegStellen->setText(QStringLiteral("2,5"));
    dialog.txtMinBestimmtheitsmaßIndirektDirekt->setText(QStringLiteral("0.7"));
    dialog.cmdOk->click();
    EXPECT_EQ(messages.texts.size(), 1);
    EXPECT_TRUE(messages.texts.value(0).contains(QStringLiteral("„0.7“ im Feld „minimales "
                                                                "Bestimmtheitsmaß“")));
    // A leading 0 before the point is a decimal typed with the wrong
    // separator, never 650; and no coefficient of determination exceeds 1.
    for (const char* text : {"0.650", "01.000", "1,7", "-0,1"}) {
        messages.clear();
        dialog.txtMinBestimmtheitsmaßIndirektDirekt->setText(QString::fromUtf8(text));
        dialog.cmdOk->click();
        ASSERT_EQ(messages.texts.size(), 1) << text;
        EXPECT_TRUE(messages.texts[0].startsWith(
            QStringLiteral("Bitte geben Sie ein gültiges minimales Bestimmtheitsmaß ein.")))
            << messages.texts[0].toStdString();
        EXPECT_TRUE(messages.texts[0].contains(QString::fromUtf8(text))) << text;
        EXPECT_NE(dialog.result(), QDialog::Accepted);
    }
    messages.clear();
    dialog.txtMinBestimmtheitsmaßIndirektDirekt->setText(QStringLiteral("0,7"));
    dialog.cmdOk->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(k.DataStore()->keys().mid(k.DataStore()->count() - 8), settings);
    EXPECT_EQ(k.NachkommastellenMittelwerte(), 5);
    EXPECT_EQ(k.NachkommastellenVarianzen(), 3);
    EXPECT_EQ(k.NachkommastellenKovarianzen(), -1);
    EXPECT_EQ(k.NachkommastellenBestimmtheitsmaße(), 0);
    EXPECT_EQ(k.NachkommastellenAnstieg(), 2);
    EXPECT_EQ(k.NachkommastellenAchsenabschnitt(), 2);
    EXPECT_TRUE(k.ZwischenergebnisseRunden());
    EXPECT_EQ(k.MinBestimmtheitsmaßIndirektDirekt(), 0.7);
    EXPECT_TRUE(k.IsDirty());
    EXPECT_TRUE(messages.texts.isEmpty());
}

// OK without a change keeps a minimum with more digits than the box shows.
TEST_F(WizardTest, OptionsOkKeepsAnUnchangedMinimum) {
    k.setMinBestimmtheitsmaßIndirektDirekt(0.657);
    k.setIsDirty(false);
    frmCalcOptions dialog;
    dialog.setKalibrierung(&k);
    EXPECT_EQ(dialog.txtMinBestimmtheitsmaßIndirektDirekt->text(), QStringLiteral("0,66"));
    dialog.cmdOk->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(k.MinBestimmtheitsmaßIndirektDirekt(), 0.657);
    EXPECT_FALSE(k.IsDirty());
}

TEST_F(WizardTest, OptionsFieldsAreCheckedWhenTheyAreLeft) {
    frmCalcOptions dialog;
    dialog.setKalibrierung(&k);
    dialog.show();
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    dialog.txtVarianzenStellen->setFocus();
    dialog.txtVarianzenStellen->setText(QStringLiteral("zwei"));
    QTest::keyClick(dialog.txtVarianzenStellen, Qt::Key_Tab);
    EXPECT_EQ(messages.texts, QStringList{QStringLiteral(
                                  "Bitte geben Sie eine gültige Anzahl von Nachkommastellen an.")});
    EXPECT_TRUE(dialog.txtVarianzenStellen->hasFocus());
    dialog.txtVarianzenStellen->setText(QStringLiteral("2"));
    messages.clear();
    dialog.txtMinBestimmtheitsmaßIndirektDirekt->setFocus();
    dialog.txtMinBestimmtheitsmaßIndirektDirekt->setText(QStringLiteral("hoch"));
    dialog.txtMittelwerteStellen->setFocus();
    EXPECT_EQ(messages.texts, QStringList{QStringLiteral(
                                  "Bitte geben Sie ein gültiges minimales Bestimmtheitsmaß ein.")});
    EXPECT_EQ(messages.icons, QList<MessageService::Icon>{MessageService::Warning});
    EXPECT_TRUE(dialog.txtMinBestimmtheitsmaßIndirektDirekt->hasFocus());
    // OK and Abbruch take the focus unchecked.
    messages.clear();
    dialog.cmdCancel->setFocus();
    EXPECT_TRUE(messages.texts.isEmpty());
}

TEST_F(WizardTest, TheInfoBoxAndTheShowMembers) {
    // Modal: returns once the box is closed; the box is gone then.
    bool seen = false;
    whenModal([&seen](QWidget* box) {
        seen = true;
        auto* info = qobject_cast<frmInfo*>(box);
        ASSERT_TRUE(info);
        EXPECT_EQ(info->windowTitle(),
                  QStringLiteral("Info über Kalibrierung nach Velmor Teil E 4"));
        EXPECT_EQ(info->labVersion->text(), QStringLiteral("Version 1.0.0"));
        EXPECT_EQ(info->labProductName->text(),
                  QStringLiteral("Kalibrierung nach Velmor Teil E 4"));
        EXPECT_TRUE(info->labThema->text().endsWith(
            QStringLiteral("Teil E 4\n\nKalibrierung eines indirekten Prüfmerkmals\nmit einem "
                           "direkten Prüfmerkmal")));
        const QString text = info->RichTextBox1->toPlainText();
        EXPECT_TRUE(text.startsWith(QStringLiteral("Herstellung Vertrieb\n")));
        EXPECT_TRUE(text.contains(QStringLiteral("\nSupport und programmtechnische Umsetzung\n")));
        // The headings are bold, the address lines are not; the caret is at the start.
        auto weight = [info](int block) {
            return info->RichTextBox1->document()
                ->findBlockByNumber(block)
                .begin()
                .fragment()
                .charFormat()
                .fontWeight();
        };
        EXPECT_GE(weight(0), QFont::Bold);
        EXPECT_LT(weight(1), QFont::Bold);
        EXPECT_GE(weight(5), QFont::Bold);
        EXPECT_EQ(info->RichTextBox1->textCursor().position(), 0);
        saveScreenshot(info, QStringLiteral("info"));
        info->cmdClose->click();
    });
    k.ShowInfo(true);
    EXPECT_TRUE(seen);
    const QWidgetList windows = QApplication::topLevelWidgets();
    EXPECT_TRUE(std::none_of(windows.begin(), windows.end(),
                             [](QWidget* w) { return qobject_cast<frmInfo*>(w) != nullptr; }));

    // Modeless: returns at once, with the box shown; it goes when it closes.
    k.ShowInfo();
    frmInfo* open = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* info = qobject_cast<frmInfo*>(w); info && info->isVisible())
            open = info;
    ASSERT_TRUE(open);
    QPointer<frmInfo> guard(open);
    open->close();
    EXPECT_TRUE(QTest::qWaitFor([&] { return guard.isNull(); }, 1000));

    EXPECT_EQ(TitleLines(5), QString());
    EXPECT_EQ(TitleLines(1), QStringLiteral("Kalibrierung eines indirekten Prüfmerkmals\r\nmit "
                                            "einem direkten Prüfmerkmal"));
    EXPECT_TRUE(TitleLines(2).endsWith(QStringLiteral("\r\nTeil E 4")));
    EXPECT_EQ(TitleLines(0).count(QStringLiteral("\r\n")), 1);

    // Without a registered factory the members fail with error 91.
    Fensterfabrik* previous = Fensterfabrik::setInstance(nullptr);
    EXPECT_EQ(errorNumberOf([&] { k.ShowCalcOptions(); }), rt::err::ObjectNotSet);
    Fensterfabrik::setInstance(previous);
}

TEST_F(WizardTest, BeforeShowAssistentReachesTheHostBeforeTheWindowIsVisible) {
    bool visible = true;
    QObject* received = nullptr;
    QObject::connect(&k, &Kalibrierung::BeforeShowAssistent, [&](QObject* form) {
        received = form;
        visible = static_cast<QWidget*>(form)->isVisible();
        // A host may adjust the window before it is shown.
        static_cast<frmAssistent*>(form)->setPageShowable(4, false);
    });
    frmAssistent* w = open(k);
    EXPECT_EQ(received, w);
    EXPECT_FALSE(visible);
    EXPECT_TRUE(w->isVisible());
    EXPECT_FALSE(w->PageShowable(4));
}

TEST_F(WizardTest, HelpOpensTheContentsAndReportsAMissingFile) {
    // The help pages sit beside the program; the tests use the build's copy.
    const QString contents = QStringLiteral(ORVANTA_HELP_DIR "/VelmorTeilE4.html");
    ASSERT_TRUE(QFile::exists(contents));
    setApplicationHelpFile(contents);
    ShowHelp(0);
    ASSERT_TRUE(frmHilfe::offen());
    EXPECT_TRUE(frmHilfe::offen()->isVisible());
    EXPECT_EQ(frmHilfe::offen()->browser->source().toLocalFile(), contents);
    EXPECT_TRUE(frmHilfe::offen()->browser->toPlainText().contains(QStringLiteral("Inhalt")));
    saveScreenshot(frmHilfe::offen(), QStringLiteral("hilfe"));
    // Every page the contents link to exists.
    const QString html = QString::fromUtf8(readFileBytes(contents));
    QRegularExpression link(QStringLiteral("href=\"([^\"#:]+)\""));
    int links = 0;
    for (auto it = link.globalMatch(html); it.hasNext(); ++links)
        EXPECT_TRUE(QFile::exists(QStringLiteral(ORVANTA_HELP_DIR "/") + it.next().captured(1)));
    EXPECT_GE(links, 9);
    frmHilfe::offen()->close();
    EXPECT_TRUE(messages.texts.isEmpty());

    // F1 in the wizard opens the help too.
    frmAssistent* w = open(k);
    setApplicationHelpFile(contents);
    activate(w);
    QTest::keyClick(w, Qt::Key_F1);
    ASSERT_TRUE(frmHilfe::offen());
    EXPECT_TRUE(frmHilfe::offen()->isVisible());
    frmHilfe::offen()->close();

    // The second help file does not exist: a clear message, no window.
    EXPECT_EQ(HelpFilePath(1),
              QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("test.html")));
    EXPECT_EQ(HelpFilePath(2), QString());
    ShowHelp(1);
    ASSERT_EQ(messages.texts.size(), 1);
    EXPECT_TRUE(messages.texts[0].startsWith(QStringLiteral("Die Hilfedatei „")));
    EXPECT_TRUE(messages.texts[0].endsWith(QStringLiteral("test.html“ wurde nicht gefunden.")));
    ShowHelp(7);
    EXPECT_EQ(messages.texts.size(), 2);
}

TEST_F(WizardTest, StartUpOpensTheWizardAndAnnouncesDebugMode) {
    EXPECT_TRUE(isCommandLineJob({QStringLiteral("--auswertung"), QStringLiteral("x.xml")}));
    EXPECT_TRUE(isCommandLineJob({QStringLiteral("--help")}));
    EXPECT_FALSE(isCommandLineJob({}));
    EXPECT_FALSE(isCommandLineJob({QStringLiteral("debug")}));
    EXPECT_FALSE(isCommandLineJob({QStringLiteral("--Debug")}));
    EXPECT_TRUE(DebugRequested({QStringLiteral("xdebugx")}));
    EXPECT_TRUE(DebugRequested({QStringLiteral("a"), QStringLiteral("DeBuG")}));
    EXPECT_FALSE(DebugRequested({}));
    EXPECT_FALSE(DebugRequested({QStringLiteral("Bug")}));

    // The message comes after the wizard is shown.
    bool wizardShown = false;
    messages.onShow = [&wizardShown](const QString&) {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (qobject_cast<frmAssistent*>(w) && w->isVisible())
                wizardShown = true;
    };
    Kalibrierung a;
    SubMain(a, {QStringLiteral("debug")});
    EXPECT_TRUE(DebugMode());
    EXPECT_EQ(messages.texts, QStringList{QStringLiteral("Debug-Modus aktiviert")});
    EXPECT_EQ(messages.icons, QList<MessageService::Icon>{MessageService::Information});
    EXPECT_EQ(messages.titles, QStringList{QStringLiteral("Kalibrierung nach Velmor Teil E 4")});
    EXPECT_TRUE(wizardShown);
    messages.clear();
    Kalibrierung b;
    SubMain(b, {});
    EXPECT_FALSE(DebugMode());
    EXPECT_TRUE(messages.texts.isEmpty());
    QList<QPointer<QWidget>> wizards;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (qobject_cast<frmAssistent*>(w))
            wizards.append(w);
    qDeleteAll(wizards);
}

// Qt's own texts are German under a German user locale: standard buttons,
// key names in menus.
TEST_F(WizardTest, QtsOwnTextsAreGerman) {
    QMessageBox box;
    box.setStandardButtons(QMessageBox::Cancel | QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(box.button(QMessageBox::Cancel)->text(), QStringLiteral("Abbrechen"));
    EXPECT_EQ(box.button(QMessageBox::Yes)->text(), QStringLiteral("&Ja"));
    frmAssistent* w = open(k);
    EXPECT_EQ(w->mf_new->shortcut().toString(QKeySequence::NativeText), QStringLiteral("Strg+N"));
    EXPECT_EQ(rt::systemErrorText(EACCES), QStringLiteral("Zugriff verweigert"));
    EXPECT_EQ(rt::systemErrorText(ENOSPC), QStringLiteral("Kein Platz mehr auf dem Datenträger"));
}

// Enter goes on from every page (the page's own buttons take Space), F1 opens
// the help of the page shown, the help goes with the wizard, the title
// shows unsaved changes, and the window comes back where it was left.
TEST_F(WizardTest, TheWizardBehavesAsADesktopProgram) {
    const QString contents = QStringLiteral(ORVANTA_HELP_DIR "/VelmorTeilE4.html");
    frmAssistent* w = open(k);
    setApplicationHelpFile(contents);
    activate(w);
    ASSERT_EQ(w->ctlAssistent1->Page, 0);
    EXPECT_TRUE(w->ctlAssistent1->cmdNext->hasFocus());
    child<QPushButton>(w, "cmdInfo")->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_EQ(w->ctlAssistent1->Page, 1);
    EXPECT_TRUE(messages.dialogs.isEmpty()); // no info box

    w->ctlAssistent1->Page = 3;
    w->ctlAssistent1->GoToPage(0);
    QTest::keyClick(w, Qt::Key_F1);
    ASSERT_TRUE(frmHilfe::offen());
    EXPECT_EQ(QFileInfo(frmHilfe::offen()->browser->source().toLocalFile()).fileName(),
              QStringLiteral("schritt3.html"));
    EXPECT_FALSE(frmHilfe::offen()->testAttribute(Qt::WA_QuitOnClose));

    // F1 in a dialog opens its topic.
    frmHilfe::offen()->close();
    {
        frmCalcOptions dialog;
        dialog.show();
        dialog.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
        QTest::keyClick(&dialog, Qt::Key_F1);
        ASSERT_TRUE(frmHilfe::offen());
        EXPECT_EQ(QFileInfo(frmHilfe::offen()->browser->source().toLocalFile()).fileName(),
                  QStringLiteral("optionen.html"));
    }
    activate(w);

    // Unsaved changes in the title.
    EXPECT_FALSE(w->isWindowModified());
    k.DirektesPrüfmerkmal().setName(QStringLiteral("geändert"));
    EXPECT_TRUE(w->isWindowModified());
    k.setIsDirty(false);
    EXPECT_FALSE(w->isWindowModified());

    // Closing the wizard closes the help as well.
    w->resize(900, 650);
    QPointer<frmHilfe> help = frmHilfe::offen();
    QPointer<frmAssistent> fenster = w;
    EXPECT_TRUE(w->close());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(help.isNull());
    delete fenster.data(); // the window deletes itself on close

    // (On a screen with room for it: the test screen is smaller.)
    frmAssistent::availableScreen = [] { return QRect(0, 0, 1600, 1200); };
    Kalibrierung second;
    frmAssistent* again = open(second);
    frmAssistent::availableScreen = nullptr;
    EXPECT_EQ(again->size(), QSize(900, 650));
}

// F1 in a modal dialog: the help comes up as the dialog's own window, above
// it, active, taking input and inside the screen, even where the dialog sits
// in the screen's corner; when the dialog closes, the help stays open. The
// first dialog makes the window, the others take it over from the one before.
TEST_F(WizardTest, HelpFromAModalDialogIsAboveItAndOnTheScreen) {
    fillWorkedExample(k);
    frmAssistent* w = open(k);
    activate(w);
    const QString contents = QStringLiteral(ORVANTA_HELP_DIR "/VelmorTeilE4.html");
    setApplicationHelpFile(contents);
    const auto tabelle = MesswertImport::Tabelle::ausDatei(
        QStringLiteral(PROJECT_SOURCE_DIR "/tests/data/import/r1-feldnamen.csv"));
    const std::vector<std::pair<QString, std::function<QDialog*()>>> dialogs = {
        {QStringLiteral("optionen.html"),
         [&] {
             auto* d = new frmCalcOptions;
             d->setKalibrierung(&k);
             return d;
         }},
        {QStringLiteral("protokolldaten.html"),
         [&] {
             auto* d = new frmProtocollExtraData;
             d->setKalibrierung(&k);
             return d;
         }},
        {QStringLiteral("schritt5.html"),
         [&] {
             auto* d = new frmExport;
             d->setKalibrierung(&k);
             return d;
         }},
        {QStringLiteral("import.html"),
         [&] { return new frmMesswertImport(tabelle, k, QStringLiteral("r1-feldnamen.csv")); }},
        {QStringLiteral("protokoll.html"),
         [&] {
             auto* d = new frmProtocollPreview;
             d->setKalibrierung(&k);
             return d;
         }},
    };
    QPointer<frmHilfe> help;
    // A click through the window system reaches it (a window a modal dialog
    // blocks drops it): "Inhalt" shows the contents.
    const auto takesClicks = [&] {
        auto* bar = help ? help->findChild<QToolBar*>() : nullptr;
        QWidget* inhalt = bar ? bar->widgetForAction(bar->actions().value(0)) : nullptr;
        if (!inhalt)
            return false;
        help->browser->setSource(
            QUrl::fromLocalFile(QStringLiteral(ORVANTA_HELP_DIR "/protokolldaten.html")));
        QTest::mouseClick(help->windowHandle(), Qt::LeftButton, {},
                          inhalt->mapTo(help, inhalt->rect().center()));
        return help->browser->source().toLocalFile() == contents;
    };
    for (const auto& [page, make] : dialogs) {
        SCOPED_TRACE(page.toStdString());
        QDialog* dialog = make();
        // Owned by the wizard as the program shows it, in the bottom right corner.
        dialog->setParent(w, dialog->windowFlags() | Qt::Window);
        const QRect screen = w->screen()->availableGeometry();
        dialog->move(screen.right() - dialog->width() / 2, screen.bottom() - dialog->height() / 2);
        whenModal([&](QWidget* modal) {
            // The dialog closes however the checks end.
            const std::unique_ptr<QDialog, void (*)(QDialog*)> closes(
                dialog, [](QDialog* d) { d->reject(); });
            EXPECT_EQ(modal, dialog);
            // The active window itself (a window counts as active while its
            // owner is, before it has the focus).
            EXPECT_TRUE(QTest::qWaitFor([&] { return modal->isActiveWindow(); }));
            QTest::keyClick(modal, Qt::Key_F1);
            help = frmHilfe::offen();
            ASSERT_TRUE(help);
            EXPECT_EQ(help->parentWidget(), dialog);
            ASSERT_TRUE(help->windowHandle());
            EXPECT_EQ(help->windowHandle()->transientParent(), dialog->windowHandle());
            EXPECT_TRUE(help->isVisible());
            // Active itself, not only through the dialog it belongs to.
            EXPECT_TRUE(QTest::qWaitFor([&] { return help->isActiveWindow(); }));
            EXPECT_EQ(QGuiApplication::focusWindow(), help->windowHandle());
            EXPECT_TRUE(screen.contains(help->frameGeometry()))
                << help->frameGeometry().x() << "," << help->frameGeometry().y() << " "
                << help->frameGeometry().width() << "x" << help->frameGeometry().height();
            EXPECT_EQ(QFileInfo(help->browser->source().toLocalFile()).fileName(), page);
            saveScreenshot(help, QStringLiteral("hilfe-ueber-") + dialog->objectName());
            saveScreen(QStringLiteral("hilfe-ueber-") + dialog->objectName() +
                       QStringLiteral("-bildschirm"));
            EXPECT_TRUE(takesClicks());
        });
        dialog->exec();
        ASSERT_TRUE(help);
        EXPECT_EQ(help->parentWidget(), nullptr);
        EXPECT_TRUE(help->isVisible());
        delete dialog;
        EXPECT_TRUE(help);
    }

    // From the site data opened in the preview: when the editor closes, the
    // help goes over to the preview, still modal, and still takes input.
    frmProtocollPreview preview(w);
    preview.setKalibrierung(&k);
    frmProtocollExtraData editor(&preview);
    editor.setKalibrierung(&k);
    bool checked = false;
    whenModal([&](QWidget*) {
        whenModal([&](QWidget* modal) {
            EXPECT_EQ(modal, &editor);
            EXPECT_TRUE(QTest::qWaitFor([&] { return editor.isActiveWindow(); }));
            QTest::keyClick(&editor, Qt::Key_F1);
            EXPECT_EQ(help->parentWidget(), &editor);
            editor.reject();
        });
        editor.exec();
        EXPECT_EQ(help->parentWidget(), &preview);
        EXPECT_TRUE(help->isVisible());
        EXPECT_TRUE(takesClicks());
        checked = true;
        preview.reject();
    });
    preview.exec();
    EXPECT_TRUE(checked);
    EXPECT_EQ(help->parentWidget(), nullptr);
    help->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(frmHilfe::offen());
}

// OK runs the check of the field with the focus: "0,7x" + Enter never closes
// the dialog silently.
TEST_F(WizardTest, OptionsOkChecksTheFocusedField) {
    frmCalcOptions dialog;
    dialog.setKalibrierung(&k);
    dialog.show();
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    dialog.txtMinBestimmtheitsmaßIndirektDirekt->setFocus();
    dialog.txtMinBestimmtheitsmaßIndirektDirekt->setText(QStringLiteral("0,7x"));
    QTest::keyClick(dialog.txtMinBestimmtheitsmaßIndirektDirekt, Qt::Key_Return);
    EXPECT_EQ(messages.texts,
              QStringList{QStringLiteral("Bitte geben Sie ein gültiges minimales Bestimmtheitsmaß "
                                         "ein.")});
    EXPECT_NE(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(k.MinBestimmtheitsmaßIndirektDirekt(), 0.65);
    dialog.txtMinBestimmtheitsmaßIndirektDirekt->setText(QStringLiteral("0,7"));
    dialog.txtVarianzenStellen->setFocus();
    messages.clear();
    dialog.txtVarianzenStellen->setText(QStringLiteral("x"));
    QTest::keyClick(dialog.txtVarianzenStellen, Qt::Key_Return);
    EXPECT_EQ(messages.texts, QStringList{QStringLiteral("Bitte geben Sie eine gültige Anzahl von "
                                                         "Nachkommastellen an.")});
    EXPECT_NE(dialog.result(), QDialog::Accepted);
    messages.clear();
    dialog.txtVarianzenStellen->setText(QStringLiteral("3"));
    QTest::keyClick(dialog.txtVarianzenStellen, Qt::Key_Return);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(k.MinBestimmtheitsmaßIndirektDirekt(), 0.7);
}

// Qt's file and print dialogs speak German (looked at as screenshots).
TEST_F(WizardTest, QtsDialogsAreGerman) {
    QFileDialog files(nullptr, QStringLiteral("Kalibrierung öffnen"), QDir::tempPath(),
                      QStringLiteral("XML-Dateien (*.xml)"));
    files.setOption(QFileDialog::DontUseNativeDialog);
    files.show();
    QCoreApplication::processEvents();
    QStringList texts;
    for (const QAbstractButton* b : files.findChildren<QAbstractButton*>())
        texts.append(b->text());
    for (const QLabel* l : files.findChildren<QLabel*>())
        texts.append(l->text());
    EXPECT_TRUE(texts.contains(QStringLiteral("Abbrechen"))) << texts.join(u'|').toStdString();
    EXPECT_TRUE(texts.contains(QStringLiteral("Suche in:")) ||
                texts.contains(QStringLiteral("Suchen in:")))
        << texts.join(u'|').toStdString();
    saveScreenshot(&files, QStringLiteral("dateidialog"));
    files.close();
    QPrinter printer;
    QPrintDialog print(&printer);
    print.show();
    QCoreApplication::processEvents();
    texts.clear();
    for (const QAbstractButton* b : print.findChildren<QAbstractButton*>())
        texts.append(b->text());
    EXPECT_TRUE(texts.contains(QStringLiteral("Abbrechen"))) << texts.join(u'|').toStdString();
    saveScreenshot(&print, QStringLiteral("druckdialog"));
    print.close();
}

// A window size kept from a larger screen comes back fitted into the screen
// it opens on: "weiter >" stays on it.
TEST_F(WizardTest, ARestoredWindowFitsIntoASmallerScreen) {
    Kalibrierung big;
    frmAssistent* w = open(big);
    w->setGeometry(300, 200, 1100, 950);
    Einstellungen::setWindowGeometry(w->saveGeometry());
    const QRect small(0, 0, 1366, 768);
    frmAssistent::availableScreen = [small] { return small; };
    struct Zurück {
        ~Zurück() {
            frmAssistent::availableScreen = nullptr;
            Einstellungen::setWindowGeometry(QByteArray());
        }
    } zurück;
    Kalibrierung zweite;
    frmAssistent* again = open(zweite);
    ASSERT_TRUE(again);
    EXPECT_TRUE(small.contains(again->frameGeometry()))
        << again->frameGeometry().x() << "," << again->frameGeometry().y() << " "
        << again->frameGeometry().width() << "x" << again->frameGeometry().height();
    auto* next = again->findChild<QPushButton*>(QStringLiteral("cmdNext"));
    ASSERT_TRUE(next);
    const QRect onScreen(next->mapToGlobal(QPoint(0, 0)), next->size());
    EXPECT_TRUE(small.contains(onScreen));
    // On a screen large enough the size is kept.
    frmAssistent::availableScreen = [] { return QRect(0, 0, 1600, 1200); };
    Einstellungen::setWindowGeometry(w->saveGeometry());
    Kalibrierung third;
    frmAssistent* wide = open(third);
    EXPECT_EQ(wide->size(), w->size());
}
