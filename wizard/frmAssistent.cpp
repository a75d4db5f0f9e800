#include "frmAssistent.h"

#include "Einstellungen.h"
#include "FieldChecks.h"
#include "Hilfe.h"
#include "Protokolldatenpruefung.h"
#include "SeiteAusgabe.h"
#include "SeiteErgebnis.h"
#include "SeiteFelder.h"
#include "SeiteIntro.h"
#include "SeiteMerkmale.h"
#include "SeiteMesswerte.h"
#include "Symbole.h"
#include "ctlAssistent.h"
#include "frmMesswertImport.h"

#include "Fensterfabrik.h"
#include "Kalibrierung.h"
#include "MessageService.h"
#include "MesswertImport.h"
#include "Wartecursor.h"

#include "Conversion.h"
#include "RuntimeError.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>

#include <QShortcut>
#include <QStackedWidget>
#include <QUndoStack>
#include <QVBoxLayout>
#include <algorithm>

namespace {
// The longest path a recent-files entry may hold (PATH_MAX), and the width
// of its menu entry in pixels.
constexpr int MaxPfadlänge = 4096;
constexpr int MenüBreite = 480;
// The design size of the page area.
constexpr int PageWidth = 640;
constexpr int PageHeight = 440;
// The frame control's left offset is the margin on every side.
constexpr int Offset = 8;
// The steps kept for undo, and the most memory their recorded values may
// take (a paste of 100,000 pairs records about 50 MB).
constexpr int UndoSchritte = 100;
constexpr qint64 UndoBytes = 200 * 1024 * 1024;

// One step of the user: the store's keys before and after. It is pushed
// once it happened, so its first redo does nothing.
class Schritt : public QUndoCommand {
public:
    Schritt(Kalibrierung& k, const QString& text, std::shared_ptr<const StoreChanges> changes)
        : QUndoCommand(text), m_k(k), m_changes(std::move(changes)), m_bytes(m_changes->bytes()) {}
    const std::shared_ptr<const StoreChanges>& changes() const { return m_changes; }
    qint64 bytes() const { return m_bytes; }
    void undo() override { m_k.anwenden(*m_changes, true); }
    void redo() override {
        if (m_geschehen) {
            m_geschehen = false;
            return;
        }
        m_k.anwenden(*m_changes, false);
    }

private:
    Kalibrierung& m_k;
    std::shared_ptr<const StoreChanges> m_changes;
    qint64 m_bytes;
    bool m_geschehen = true;
};

// A text field with nothing of its own to undo leaves Ctrl+Z and Ctrl+Y to
// the window: they undo the calibration's steps there.
class FeldUndo : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* edit = qobject_cast<QLineEdit*>(watched);
        // An editable combo box hands the keys to its text field itself.
        if (auto* combo = qobject_cast<QComboBox*>(watched))
            edit = combo->lineEdit();
        if (edit && event->type() == QEvent::ShortcutOverride) {
            auto* key = static_cast<QKeyEvent*>(event);
            const bool redo = key->matches(QKeySequence::Redo) ||
                              (key->key() == Qt::Key_Y && key->modifiers() == Qt::ControlModifier);
            if ((key->matches(QKeySequence::Undo) && !edit->isUndoAvailable()) ||
                (redo && !edit->isRedoAvailable()))
                return true;
        }
        return false;
    }
};
} // namespace

frmAssistent::frmAssistent(Kalibrierung& k, QWidget* parent) : QMainWindow(parent), m_k(k) {
    setObjectName(QStringLiteral("frmAssistent"));
    setWindowTitle(ProductName);
    setWindowIcon(Symbole::programm());
    m_checks = new FieldChecks(this);
    buildPages();
    setUpButtons();
    m_undo = new QUndoStack(this);
    m_undo->setUndoLimit(UndoSchritte);
    buildMenus();
    setUpHelpKey();
    connectPages();
    setAcceptDrops(true);

    // Start-up.
    setApplicationHelpFile(QDir(HelpFolder()).filePath(QStringLiteral("VelmorTeilE4.html")));
    seite0->chkDontShowPage0->setChecked(Einstellungen::DontShowPage0());
    ctlAssistent1->Page = seite0->chkDontShowPage0->isChecked() ? 1 : 0;
    ctlAssistent1->GoToPage(0);
    placeWindow();
    // The file dialogs start in the folder last used.
    MessageService::setFolderMemory(Einstellungen::LastFolder(), &Einstellungen::setLastFolder);
    connectCalibration();
    installFieldUndo();
    setFileName(QString());
    updateRecentFiles(QString());
    // The first focus is on "weiter >", so that Enter goes on.
    ctlAssistent1->cmdNext->setFocus(Qt::OtherFocusReason);
}

void frmAssistent::buildPages() {
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(Offset, Offset, Offset, Offset);
    layout->setSpacing(Offset);
    picContainer = new QStackedWidget(central);
    picContainer->setObjectName(QStringLiteral("picContainer"));
    picContainer->setMinimumSize(PageWidth, PageHeight);
    seite0 = new SeiteIntro(m_k, picContainer);
    seite1 = new SeiteMerkmale(m_k, *m_checks, picContainer);
    seite2 = new SeiteFelder(m_k, picContainer);
    seite3 = new SeiteMesswerte(m_k, picContainer);
    seite4 = new SeiteErgebnis(m_k, picContainer);
    seite5 = new SeiteAusgabe(m_k, picContainer);
    for (int i = LowerBound; i <= UpperBound; ++i)
        picContainer->addWidget(seite(i));
    ctlAssistent1 = new ctlAssistent(central);
    layout->addWidget(picContainer, 1);
    layout->addWidget(ctlAssistent1);
    setCentralWidget(central);
}

void frmAssistent::setUpButtons() {
    for (QPushButton* b :
         {ctlAssistent1->cmdNext, ctlAssistent1->cmdPrevious, ctlAssistent1->cmdCancel}) {
        m_checks->addNonValidating(b);
        b->setAutoDefault(true);
    }
    // Enter is "weiter >" on every page: the page's own buttons take Space
    // (or their Alt key), never Enter.
    for (QPushButton* b : {seite0->cmdInfo, seite4->cmdPlausibilitätOptionen, seite5->cmdOutSave,
                           seite5->cmdOutProtocoll, seite5->cmdOutExport})
        b->setAutoDefault(false);
}

void frmAssistent::buildMenus() {
    buildFileMenu();
    buildEditMenu();
    buildHelpMenu();
    // A menu opened while a cell is edited (Alt+B, a click) takes the typed
    // text into its cell first, which stays current.
    for (QMenu* menu : {menuDatei, menuBearbeiten, menuHilfe})
        connect(menu, &QMenu::aboutToShow, this, [this] {
            if (Seite* s = seite(ctlAssistent1->Page))
                s->eingabeStillBeenden();
        });
}

void frmAssistent::buildHelpMenu() {
    menuHilfe = menuBar()->addMenu(QStringLiteral("&?"));
    menuHilfe->setObjectName(QStringLiteral("menuHilfe"));
    mh_Helpthemes = menuHilfe->addAction(QStringLiteral("Hilfethemen"));
    mh_Helpthemes->setObjectName(QStringLiteral("mh_Helpthemes"));
    mh_tr1 = menuHilfe->addSeparator();
    mh_tr1->setObjectName(QStringLiteral("mh_tr1"));
    mh_Info = menuHilfe->addAction(QStringLiteral("&Info"));
    mh_Info->setObjectName(QStringLiteral("mh_Info"));
    connect(mh_Helpthemes, &QAction::triggered, this, [] { ShowHelp(0); });
    connect(mh_Info, &QAction::triggered, this, [this] { m_k.ShowInfo(true, this); });
}

// F1 opens the help of the page shown; the program's other windows ask for
// their topics through the same help window.
void frmAssistent::setUpHelpKey() {
    setHelpTopicHandler([](const QString& page) { ShowHelpPage(page); });
    auto* help = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(help, &QShortcut::activated, this, [this] {
        static const char* const pages[] = {"einfuehrung.html", "schritt1.html", "schritt2.html",
                                            "schritt3.html",    "schritt4.html", "schritt5.html"};
        const int page = ctlAssistent1->Page;
        ShowHelpPage(page >= LowerBound && page <= UpperBound ? QString::fromLatin1(pages[page])
                                                              : QString());
    });
}

void frmAssistent::connectPages() {
    connect(ctlAssistent1, &ctlAssistent::Cancel, this, &QWidget::close);
    connect(ctlAssistent1, &ctlAssistent::LeavePage, this, &frmAssistent::onLeavePage);
    connect(ctlAssistent1, &ctlAssistent::EnterPage, this, &frmAssistent::onEnterPage);
    connect(ctlAssistent1, &ctlAssistent::PageEntered, this, &frmAssistent::onPageEntered);
    connect(seite0->cmdInfo, &QPushButton::clicked, this, [this] { m_k.ShowInfo(true, this); });
    connect(seite4->cmdPlausibilitätOptionen, &QPushButton::clicked, this,
            &frmAssistent::showCalcOptions);
    connect(seite5->cmdOutSave, &QPushButton::clicked, this, &frmAssistent::speichern);
    connect(seite5->cmdOutProtocoll, &QPushButton::clicked, this, &frmAssistent::protokoll);
    connect(seite5->cmdOutExport, &QPushButton::clicked, this, &frmAssistent::exportieren);
}

void frmAssistent::placeWindow() {
    resize(sizeHint().expandedTo(QSize(PageWidth + 2 * Offset, 0)));
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        resize(defaultSize(screen->availableGeometry().size()));
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    // Where the user left the window last time.
    const QByteArray geometry = Einstellungen::WindowGeometry();
    if (!geometry.isEmpty()) {
        restoreGeometry(geometry);
        // A size kept from a larger screen would put the buttons off this one.
        fitIntoScreen();
        m_fitWhenShown = true;
    }
}

// Every step of the user can be undone; the pages refresh from the
// calibration, and the unsaved mark follows the saved step.
void frmAssistent::connectCalibration() {
    connect(&m_k, &Kalibrierung::IsDirtyChanged, this,
            [this] { setWindowModified(m_k.IsDirty()); });
    connect(&m_k, &Kalibrierung::Bearbeitet, this,
            [this](const QString& text, std::shared_ptr<const StoreChanges> changes) {
                m_undo->push(new Schritt(m_k, text, std::move(changes)));
                limitHistory();
            });
    connect(&m_k, &Kalibrierung::Angewendet, this, [this] {
        calibrationReplaced();
        const int page = ctlAssistent1->Page;
        if (Seite* s = seite(page)) {
            s->auffrischen();
            m_filled.insert(page);
        }
    });
    connect(m_undo, &QUndoStack::cleanChanged, this,
            [this](bool clean) { m_k.setIsDirty(!clean); });
}

void frmAssistent::installFieldUndo() {
    auto* feldUndo = new FeldUndo(this);
    for (QLineEdit* edit : picContainer->findChildren<QLineEdit*>())
        edit->installEventFilter(feldUndo);
    for (QComboBox* combo : picContainer->findChildren<QComboBox*>())
        combo->installEventFilter(feldUndo);
}

// ---- the file menu ----------------------------------------------------------------

namespace {
const QString Filter = QStringLiteral("XML-Dateien (*.xml);;alle Dateien (*)");
const QString ChangesQuestion = QStringLiteral("Sollen die Änderungen gespeichert werden?");
} // namespace

void frmAssistent::buildFileMenu() {
    menuDatei = menuBar()->addMenu(QStringLiteral("&Datei"));
    menuDatei->setObjectName(QStringLiteral("menuDatei"));
    auto action = [this](const QString& name, const QString& caption, const QKeySequence& key) {
        QAction* a = menuDatei->addAction(caption);
        a->setObjectName(name);
        a->setShortcut(key);
        return a;
    };
    auto separator = [this](const QString& name) {
        QAction* a = menuDatei->addSeparator();
        a->setObjectName(name);
        return a;
    };
    mf_new = action(QStringLiteral("mf_new"), QStringLiteral("neu"),
                    QKeySequence(QStringLiteral("Ctrl+N")));
    mf_tr1 = separator(QStringLiteral("mf_tr1"));
    mf_open = action(QStringLiteral("mf_open"), QStringLiteral("&öffnen..."),
                     QKeySequence(QStringLiteral("Ctrl+O")));
    mf_save = action(QStringLiteral("mf_save"), QStringLiteral("&speichern"),
                     QKeySequence(QStringLiteral("Ctrl+S")));
    mf_saveas = action(QStringLiteral("mf_saveas"), QStringLiteral("speichern unter..."), {});
    separator(QStringLiteral("mf_tr3"));
    mf_import = action(QStringLiteral("mf_import"), QStringLiteral("Messwerte &importieren..."),
                       QKeySequence(QStringLiteral("Ctrl+I")));
    mf_tr2 = separator(QStringLiteral("mf_tr2"));
    QAction* placeholder = menuDatei->addAction(QStringLiteral("LastFile0"));
    placeholder->setObjectName(QStringLiteral("mf_LastFile0"));
    placeholder->setVisible(false);
    mf_LastFile.append(placeholder);
    mf_LastFileTr = separator(QStringLiteral("mf_LastFileTr"));
    // The shortcut is the window system's; the text only names it.
    mf_exit = action(QStringLiteral("mf_exit"), QStringLiteral("Beenden\tAlt+F4"), {});
    connect(mf_new, &QAction::triggered, this, &frmAssistent::neu);
    connect(mf_open, &QAction::triggered, this, &frmAssistent::öffnen);
    connect(mf_save, &QAction::triggered, this, &frmAssistent::speichern);
    connect(mf_saveas, &QAction::triggered, this, &frmAssistent::speichernUnter);
    connect(mf_import, &QAction::triggered, this, [this] { importieren(); });
    connect(mf_exit, &QAction::triggered, this, &QWidget::close);
}

void frmAssistent::buildEditMenu() {
    menuBearbeiten = menuBar()->addMenu(QStringLiteral("&Bearbeiten"));
    menuBearbeiten->setObjectName(QStringLiteral("menuBearbeiten"));
    mb_undo = menuBearbeiten->addAction(QStringLiteral("Rückgängig"));
    mb_undo->setObjectName(QStringLiteral("mb_undo"));
    mb_undo->setShortcut(QKeySequence(QStringLiteral("Ctrl+Z")));
    mb_redo = menuBearbeiten->addAction(QStringLiteral("Wiederholen"));
    mb_redo->setObjectName(QStringLiteral("mb_redo"));
    mb_redo->setShortcuts(
        {QKeySequence(QStringLiteral("Ctrl+Y")), QKeySequence(QStringLiteral("Ctrl+Shift+Z"))});
    connect(mb_undo, &QAction::triggered, this, &frmAssistent::rückgängig);
    connect(mb_redo, &QAction::triggered, this, &frmAssistent::wiederholen);
    connect(m_undo, &QUndoStack::indexChanged, this, &frmAssistent::updateEditMenu);
    connect(m_undo, &QUndoStack::cleanChanged, this, &frmAssistent::updateEditMenu);
    updateEditMenu();
}

void frmAssistent::updateEditMenu() {
    mb_undo->setEnabled(m_undo->canUndo());
    mb_undo->setText(m_undo->canUndo() ? QStringLiteral("Rückgängig: ") + m_undo->undoText()
                                       : QStringLiteral("Rückgängig"));
    mb_redo->setEnabled(m_undo->canRedo());
    mb_redo->setText(m_undo->canRedo() ? QStringLiteral("Wiederholen: ") + m_undo->redoText()
                                       : QStringLiteral("Wiederholen"));
}

void frmAssistent::clearHistory() {
    m_undo->clear();
}

void frmAssistent::limitHistory() {
    auto schritt = [this](int i) { return static_cast<const Schritt*>(m_undo->command(i)); };
    qint64 bytes = 0;
    for (int i = 0; i < m_undo->count(); ++i)
        bytes += schritt(i)->bytes();
    int drop = 0;
    while (bytes > UndoBytes && drop < m_undo->count() - 1)
        bytes -= schritt(drop++)->bytes();
    if (drop == 0)
        return;
    // The stack drops steps only beyond its count: the steps kept go onto a
    // new history, without being applied again, and the saved step keeps its
    // place among them (it is gone when it was dropped). Called right after
    // a step was pushed, so no step is undone.
    std::vector<std::pair<QString, std::shared_ptr<const StoreChanges>>> kept;
    for (int i = drop; i < m_undo->count(); ++i)
        kept.emplace_back(schritt(i)->text(), schritt(i)->changes());
    const int clean = m_undo->cleanIndex() - drop;
    {
        const QSignalBlocker quiet(m_undo);
        m_undo->clear();
        for (int i = 0; i < int(kept.size()); ++i) {
            if (i == clean)
                m_undo->setClean();
            m_undo->push(new Schritt(m_k, kept[size_t(i)].first, kept[size_t(i)].second));
        }
        if (clean == int(kept.size()))
            m_undo->setClean();
        else if (clean < 0)
            m_undo->resetClean();
    }
    updateEditMenu();
}

bool frmAssistent::seiteSchreiben() {
    if (!eingabeBeenden())
        return false;
    bool refused = false;
    onLeavePage(0, refused); // what the page still holds becomes a step
    return true;
}

void frmAssistent::rückgängig() {
    if (seiteSchreiben())
        m_undo->undo();
}

void frmAssistent::wiederholen() {
    if (seiteSchreiben())
        m_undo->redo();
}

bool frmAssistent::importieren(const QString& given) {
    if (!seiteSchreiben())
        return false;
    QString path = given;
    if (path.isEmpty())
        path = MessageService::instance().openFileName(
            this, QStringLiteral("Messwerte importieren"), QString(),
            QStringLiteral(
                "Messwerttabellen (*.csv *.txt *.xlsx *.ods);;Textdateien (*.csv *.txt);;"
                "Arbeitsmappen (*.xlsx *.ods);;alle Dateien (*)"));
    if (path.isEmpty())
        return false;
    std::optional<MesswertImport::Tabelle> tabelle;
    try {
        const Wartecursor warten;
        tabelle = MesswertImport::Tabelle::ausDatei(path);
    } catch (const rt::RuntimeError& e) {
        showMessage(this, e.description(), MessageService::Warning);
        return false;
    } catch (const std::bad_alloc&) {
        showMessage(this,
                    QStringLiteral("Nicht genügend Speicher, um die Datei „%1“ zu lesen.")
                        .arg(QDir::toNativeSeparators(path)),
                    MessageService::Warning);
        return false;
    }
    frmMesswertImport dialog(*tabelle, m_k, path, this);
    if (MessageService::instance().execDialog(&dialog) != QDialog::Accepted)
        return false;
    // Unsaved measured values are not replaced without asking.
    const bool anhängen = dialog.anhängen();
    if (!anhängen && m_k.IsDirty() && MesswertImport::hatMesswerte(m_k) && !änderungenSichern())
        return false;
    // The import starts a new history of which it is the first step; undone,
    // the values before are back, unsaved unless they were saved.
    const bool dirty = m_k.IsDirty();
    clearHistory();
    if (dirty)
        m_undo->resetClean();
    try {
        MesswertImport::übernehmen(m_k, dialog.ergebnis(), anhängen);
    } catch (const rt::RuntimeError& e) {
        showMessage(this, e.description(), MessageService::Warning);
        return false;
    } catch (const std::bad_alloc&) {
        showMessage(this,
                    QStringLiteral("Nicht genügend Speicher, um die Messwerte zu übernehmen."),
                    MessageService::Warning);
        return false;
    }
    calibrationReplaced();
    ctlAssistent1->Page = 3;
    ctlAssistent1->GoToPage(0);
    return true;
}

void frmAssistent::setFileName(const QString& NewName) {
    m_fileName = NewName.trimmed();
    // "[*]" shows unsaved changes.
    setWindowTitle(m_fileName.isEmpty()
                       ? ProductName + QStringLiteral("[*]")
                       : QFileInfo(m_fileName).fileName() + QStringLiteral("[*] - ") + ProductName);
    setWindowModified(m_k.IsDirty());
}

void frmAssistent::updateRecentFiles(const QString& path) {
    QStringList files = Einstellungen::RecentFiles();
    // Absolute paths: a relative one breaks when the program starts elsewhere.
    const QString absolute = path.isEmpty() ? path : QFileInfo(path).absoluteFilePath();
    if (!absolute.isEmpty()) {
        // A path already in the list leaves its slot (exact comparison) ...
        for (int i = 0; i < 9; ++i)
            if (files[i] == absolute)
                for (int j = i; j < 8; ++j)
                    files[j] = files[j + 1];
        // ... and every path moves down one slot for it.
        for (int i = 8; i >= 1; --i)
            files[i] = files[i - 1];
        files[0] = absolute;
        Einstellungen::setRecentFiles(files);
    }
    bool any = false;
    for (int i = 1; i <= 9; ++i) {
        if (mf_LastFile.size() <= i) {
            QAction* a = new QAction(this);
            a->setObjectName(QStringLiteral("mf_LastFile%1").arg(i));
            menuDatei->insertAction(mf_LastFileTr, a);
            connect(a, &QAction::triggered, this, [this, i] { openRecent(i); });
            mf_LastFile.append(a);
        }
        QAction* a = mf_LastFile[i];
        QString file = files.value(i - 1);
        // An entry longer than a path can be is no file: it is dropped.
        if (file.size() > MaxPfadlänge)
            file.clear();
        // Long paths are shortened in the middle in the menu; the whole path
        // is the tooltip.
        const QString shown =
            menuDatei->fontMetrics().elidedText(file, Qt::ElideMiddle, MenüBreite);
        a->setText(QString(shown).replace(u'&', QStringLiteral("&&")));
        a->setToolTip(file);
        a->setData(file);
        a->setVisible(!file.isEmpty());
        any = any || !file.isEmpty();
    }
    mf_LastFileTr->setVisible(any);
}

void frmAssistent::openRecent(int index) {
    const QString path =
        mf_LastFile.value(index) ? mf_LastFile[index]->data().toString() : QString();
    if (neu() && m_fileName.isEmpty() && !path.isEmpty())
        FileOpen(path);
}

bool frmAssistent::änderungenSichern(bool* verworfen) {
    // The question names what would be lost: the file, or a calibration
    // that has none yet.
    const QString welche =
        m_fileName.isEmpty() ? QStringLiteral("Die neue Kalibrierung wurde noch nicht gespeichert.")
                             : QStringLiteral("Die Kalibrierung „%1“ wurde geändert.")
                                   .arg(QFileInfo(m_fileName).fileName());
    switch (showMessage(this, welche + u'\n' + ChangesQuestion, MessageService::Question,
                        MessageService::YesNoCancel)) {
    case MessageService::AnswerYes:
        speichern();
        return !m_k.IsDirty();
    case MessageService::AnswerNo:
        if (verworfen)
            *verworfen = true;
        return true;
    default:
        return false;
    }
}

bool frmAssistent::neu() {
    // The page is committed, not filled again: cancelled, it stays as it was.
    if (!seiteSchreiben())
        return false;
    bool verworfen = false;
    if (m_k.IsDirty() && !änderungenSichern(&verworfen))
        return false;
    if (verworfen)
        m_k.setIsDirty(false);
    m_k.Reset();
    calibrationReplaced();
    clearHistory();
    setFileName(QString());
    ctlAssistent1->Page = seite0->chkDontShowPage0->isChecked() ? 1 : 0;
    ctlAssistent1->GoToPage(0);
    return true;
}

void frmAssistent::öffnen() {
    // Unsaved changes that the user keeps (Abbrechen) are never replaced.
    if (!neu() || !m_fileName.isEmpty())
        return;
    const QString path = MessageService::instance().openFileName(
        this, QStringLiteral("Kalibrierung öffnen"), QString(), Filter);
    if (!path.isEmpty())
        FileOpen(path);
}

bool frmAssistent::FileOpen(const QString& sFileName) {
    const QString previousName = m_fileName;
    try {
        updateRecentFiles(sFileName);
        ctlAssistent1->Page = 0;
        ctlAssistent1->GoToPage(0);
        setFileName(sFileName);
        m_k.LoadFile(m_fileName);
        calibrationReplaced();
        m_k.setIsDirty(false);
        clearHistory();
        seiteFüllen();
        // The page the file was saved on; one outside the wizard gives the intro.
        rt::Long page = 0;
        if (m_k.DataStore()->exists(QStringLiteral("AssistentActivePage"))) {
            const rt::Variant stored =
                *m_k.DataStore()->find(QStringLiteral("AssistentActivePage"));
            page = rt::toLong(rt::val(stored.toText()));
        }
        if (page < LowerBound || page > UpperBound)
            page = 0;
        ctlAssistent1->Page = page;
        seiteFüllen();
        ctlAssistent1->GoToPage(0);
        return true;
    } catch (const rt::RuntimeError& e) {
        // The name of a file that could not be read is not kept: saving
        // would replace that file.
        setFileName(previousName);
        showMessage(this, e.description(), MessageService::Warning);
        return false;
    }
}

void frmAssistent::speichern() {
    if (!eingabeBeenden())
        return;
    if (!m_fileName.isEmpty())
        FileSave(m_fileName);
    else
        speichernUnter();
}

void frmAssistent::speichernUnter() {
    if (!eingabeBeenden())
        return;
    const QString path = MessageService::instance().saveFileName(
        this, QStringLiteral("Kalibrierung speichern unter"), m_fileName, Filter,
        QStringLiteral("xml"));
    if (path.isEmpty())
        return;
    setFileName(path);
    speichern();
}

bool frmAssistent::FileSave(const QString& sFileName) {
    if (!eingabeBeenden())
        return false;
    try {
        updateRecentFiles(sFileName);
        bool refused = false;
        onLeavePage(0, refused); // the page shown is committed, a refusal is ignored
        m_k.DataStore()->setValue(QStringLiteral("AssistentActivePage"),
                                  rt::Long(ctlAssistent1->Page));
        m_k.ReplaceFile(sFileName);
        m_k.setIsDirty(false);
        m_undo->setClean();
        return true;
    } catch (const rt::RuntimeError& e) {
        showMessage(this, e.description(), MessageService::Warning);
        return false;
    }
}

void frmAssistent::closeEvent(QCloseEvent* event) {
    // Closing starts a new calibration first; unsaved changes the user keeps
    // keep the window open.
    if (!neu() || m_k.IsDirty()) {
        event->ignore();
        return;
    }
    Einstellungen::setWindowGeometry(saveGeometry());
    // The help window belongs to the wizard and goes with it.
    if (frmHilfe* help = frmHilfe::offen())
        help->close();
    event->accept();
}

namespace {
QString droppedFile(const QMimeData* data) {
    if (!data || !data->hasUrls() || data->urls().size() != 1)
        return QString();
    const QUrl url = data->urls().constFirst();
    return url.isLocalFile() ? url.toLocalFile() : QString();
}
} // namespace

void frmAssistent::dragEnterEvent(QDragEnterEvent* event) {
    if (!droppedFile(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void frmAssistent::dropEvent(QDropEvent* event) {
    const QString path = droppedFile(event->mimeData());
    if (path.isEmpty())
        return;
    event->acceptProposedAction();
    // A table brings measured values; anything else is a calibration.
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == u"csv" || suffix == u"txt" || suffix == u"xlsx" || suffix == u"ods")
        importieren(path);
    else if (neu() && m_fileName.isEmpty())
        FileOpen(path);
}

frmAssistent::~frmAssistent() {
    // Children go in QWidget's destructor, when this is no frmAssistent any
    // more: the undo stack, whose clearing signals a new index, goes first.
    m_undo->disconnect(this);
    delete m_undo;
}

void frmAssistent::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (std::exchange(m_fitWhenShown, false))
        fitIntoScreen();
}

void frmAssistent::fitIntoScreen() {
    QRect room;
    if (availableScreen)
        room = availableScreen();
    else if (const QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen())
        room = s->availableGeometry();
    if (!room.isValid())
        return;
    const QSize frame = frameGeometry().size() - size();
    const QSize inner = size().boundedTo(room.size() - frame).expandedTo(minimumSize());
    if (inner != size())
        resize(inner);
    const QRect outer = frameGeometry();
    const int x = std::clamp(outer.left(), room.left(),
                             std::max(room.left(), room.right() - outer.width() + 1));
    const int y = std::clamp(outer.top(), room.top(),
                             std::max(room.top(), room.bottom() - outer.height() + 1));
    if (x != outer.left() || y != outer.top())
        move(pos() + QPoint(x - outer.left(), y - outer.top()));
}

QSize frmAssistent::defaultSize(const QSize& available) const {
    // Page 4 shows its list down to the coefficients of determination: the
    // page is as high as the heading, two lines of verdict, the list's
    // header and 25 rows and the options button, as far as the screen allows
    // (less a window frame).
    const int line = fontMetrics().height();
    const int row = line + 5;
    const int page = std::max(PageHeight, 3 * line + 2 * line + 26 * row + 80);
    const QSize hint = sizeHint();
    QSize size(std::max(hint.width(), PageWidth + 2 * 8 + 180),
               hint.height() - picContainer->sizeHint().height() + page);
    size = size.expandedTo(hint);
    return size.boundedTo(available - QSize(0, 40)).expandedTo(minimumSizeHint());
}

Seite* frmAssistent::seite(int index) const {
    switch (index) {
    case 0:
        return seite0;
    case 1:
        return seite1;
    case 2:
        return seite2;
    case 3:
        return seite3;
    case 4:
        return seite4;
    case 5:
        return seite5;
    default:
        return nullptr;
    }
}

bool frmAssistent::eingabeBeenden() {
    Seite* s = seite(ctlAssistent1->Page);
    return !s || s->eingabeBeenden();
}

bool frmAssistent::PageShowable(qint32 PageIndex) const {
    if (PageIndex < LowerBound || PageIndex > UpperBound)
        return false;
    return m_pageShowable.value(QStringLiteral("Page%1").arg(PageIndex), true);
}

void frmAssistent::setPageShowable(qint32 PageIndex, bool Showable) {
    if (PageIndex >= LowerBound && PageIndex <= UpperBound)
        m_pageShowable.insert(QStringLiteral("Page%1").arg(PageIndex), Showable);
}

void frmAssistent::onLeavePage(qint32 Direction, bool& Cancel) {
    const int page = ctlAssistent1->Page;
    if (!m_filled.contains(page))
        return;
    if (Seite* s = seite(page)) {
        const Kalibrierung::Bearbeitung schritt(
            m_k, QStringLiteral("Eingaben %1")
                     .arg(s->labPageCaption ? s->labPageCaption->text().section(u':', 0, 0)
                                            : QStringLiteral("Seite %1").arg(page)));
        s->übernehmen(Direction, Cancel);
    }
}

void frmAssistent::onEnterPage(qint32 Direction, bool& Cancel) {
    const qint64 target = qint64(ctlAssistent1->Page) + Direction;
    if (target < LowerBound || target > UpperBound || !PageShowable(qint32(target))) {
        Cancel = true;
        return;
    }
    ctlAssistent1->Page = qint32(target);
    // The page that had the focus goes away: that is no reason for a check.
    {
        const FieldChecks::Suspension suspended(*m_checks);
        picContainer->setCurrentIndex(int(target));
    }
}

void frmAssistent::onPageEntered(bool& NewNextEnabled, bool& NewPreviousEnabled,
                                 bool& NewCancelEnabled) {
    const int page = ctlAssistent1->Page;
    NewNextEnabled = true;
    NewPreviousEnabled = true;
    NewCancelEnabled = true;
    NewNextEnabled = PageShowable(page + 1);
    if (page == LowerBound)
        NewPreviousEnabled = false;
    else if (page == UpperBound)
        NewNextEnabled = false;
    seiteFüllen();
}

void frmAssistent::seiteFüllen() {
    const int page = ctlAssistent1->Page;
    if (Seite* s = seite(page)) {
        s->füllen();
        m_filled.insert(page);
    }
}

void frmAssistent::zeigeFenster(int art) {
    if (!eingabeBeenden())
        return;
    try {
        Fensterfabrik* fabrik = Fensterfabrik::instance();
        if (!fabrik)
            rt::raiseError(rt::err::ObjectNotSet);
        // The PDF and the export are proposed beside the calibration's file.
        QObject* form = fabrik->create(Fensterfabrik::Fenster(art), m_k, m_fileName);
        fabrik->show(form, true, this);
    } catch (const rt::RuntimeError& e) {
        showMessage(this,
                    QStringLiteral("Währen der Programmausführung ist ein Fehler aufgetreten:\n"
                                   "%1 (%2)")
                        .arg(e.description())
                        .arg(e.number()),
                    MessageService::Critical);
    }
}

void frmAssistent::protokoll() {
    // The preview opens with the full protocol (type 0). A page's open
    // input counts before the site data are looked at.
    if (eingabeBeenden() && ProtokolldatenVollständigOderTrotzdem(this, m_k, 0))
        zeigeFenster(Fensterfabrik::ProtocollPreview);
}

void frmAssistent::exportieren() {
    // The workbook holds all site data.
    if (eingabeBeenden() && ProtokolldatenVollständigOderTrotzdem(this, m_k, 0))
        zeigeFenster(Fensterfabrik::Export);
}

void frmAssistent::showCalcOptions() {
    if (!eingabeBeenden())
        return;
    try {
        m_k.ShowCalcOptions(true, this);
    } catch (const rt::RuntimeError&) {
        // the dialog could not be shown; the page stays as it is
    }
    ctlAssistent1->GoToPage(0);
}

void frmAssistent::keyPressEvent(QKeyEvent* event) {
    // Enter is "weiter >" and Escape "Schließen", as a dialog's default and
    // cancel buttons, whenever the control with the focus does not use them.
    const int key = event->key();
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && event->modifiers() == Qt::NoModifier) {
        if (ctlAssistent1->cmdNext->isEnabled())
            ctlAssistent1->cmdNext->click();
        return;
    }
    if (key == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        if (ctlAssistent1->cmdCancel->isEnabled())
            ctlAssistent1->cmdCancel->click();
        return;
    }
    QMainWindow::keyPressEvent(event);
}
