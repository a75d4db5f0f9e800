#include "frmAssistent.h"

#include "Einstellungen.h"
#include "FieldChecks.h"
#include "Hilfe.h"
#include "SeiteAusgabe.h"
#include "SeiteErgebnis.h"
#include "SeiteIntro.h"
#include "SeiteMerkmale.h"
#include "Symbole.h"
#include "ctlAssistent.h"

#include "Kalibrierung.h"

#include "RuntimeError.h"

#include <QCheckBox>
#include <QDir>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace {
// The design size of the page area.
constexpr int PageWidth = 640;
constexpr int PageHeight = 440;
} // namespace

frmAssistent::frmAssistent(Kalibrierung& k, QWidget* parent) : QMainWindow(parent), m_k(k) {
    setObjectName(QStringLiteral("frmAssistent"));
    setWindowTitle(ProductName);
    setWindowIcon(Symbole::programm());
    m_checks = new FieldChecks(this);

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    // The frame control's left offset is the margin on every side.
    constexpr int Offset = 8;
    layout->setContentsMargins(Offset, Offset, Offset, Offset);
    layout->setSpacing(Offset);
    picContainer = new QStackedWidget(central);
    picContainer->setObjectName(QStringLiteral("picContainer"));
    picContainer->setMinimumSize(PageWidth, PageHeight);
    seite0 = new SeiteIntro(k, picContainer);
    seite1 = new SeiteMerkmale(k, *m_checks, picContainer);
    seite2 = new Seite(k, 2, QStringLiteral("Schritt 2: Werte der Prüffelder"), picContainer);
    seite3 = new Seite(k, 3, QStringLiteral("Schritt 3: Messwerteingabe"), picContainer);
    seite4 = new SeiteErgebnis(k, picContainer);
    seite5 = new SeiteAusgabe(k, picContainer);
    for (int i = LowerBound; i <= UpperBound; ++i)
        picContainer->addWidget(seite(i));
    ctlAssistent1 = new ctlAssistent(central);
    layout->addWidget(picContainer, 1);
    layout->addWidget(ctlAssistent1);
    setCentralWidget(central);
    for (QPushButton* b :
         {ctlAssistent1->cmdNext, ctlAssistent1->cmdPrevious, ctlAssistent1->cmdCancel}) {
        m_checks->addNonValidating(b);
        b->setAutoDefault(true);
    }
    for (QPushButton* b : {seite0->cmdInfo, seite4->cmdPlausibilitätOptionen, seite5->cmdOutSave,
                           seite5->cmdOutProtocoll, seite5->cmdOutExport})
        b->setAutoDefault(true);

    menuDatei = menuBar()->addMenu(QStringLiteral("&Datei"));
    menuDatei->setObjectName(QStringLiteral("menuDatei"));
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
    auto* help = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(help, &QShortcut::activated, this, [] { ShowHelp(0); });

    connect(ctlAssistent1, &ctlAssistent::Cancel, this, &QWidget::close);
    connect(ctlAssistent1, &ctlAssistent::LeavePage, this, &frmAssistent::onLeavePage);
    connect(ctlAssistent1, &ctlAssistent::EnterPage, this, &frmAssistent::onEnterPage);
    connect(ctlAssistent1, &ctlAssistent::PageEntered, this, &frmAssistent::onPageEntered);
    connect(seite0->cmdInfo, &QPushButton::clicked, this, [this] { m_k.ShowInfo(true, this); });
    connect(seite4->cmdPlausibilitätOptionen, &QPushButton::clicked, this,
            &frmAssistent::showCalcOptions);
    // Until the commands behind them exist, these buttons are there but disabled.
    for (QPushButton* b : {seite5->cmdOutSave, seite5->cmdOutProtocoll, seite5->cmdOutExport})
        b->setEnabled(false);

    // Start-up.
    setApplicationHelpFile(QDir(HelpFolder()).filePath(QStringLiteral("VelmorTeilE4.html")));
    seite0->chkDontShowPage0->setChecked(Einstellungen::DontShowPage0());
    ctlAssistent1->Page = seite0->chkDontShowPage0->isChecked() ? 1 : 0;
    ctlAssistent1->GoToPage(0);
    resize(sizeHint().expandedTo(QSize(PageWidth + 2 * Offset, 0)));
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

frmAssistent::~frmAssistent() = default;

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
    if (Seite* s = seite(page))
        s->übernehmen(Direction, Cancel);
}

void frmAssistent::onEnterPage(qint32 Direction, bool& Cancel) {
    const qint64 target = qint64(ctlAssistent1->Page) + Direction;
    if (target < LowerBound || target > UpperBound || !PageShowable(qint32(target))) {
        Cancel = true;
        return;
    }
    ctlAssistent1->Page = qint32(target);
    // The page that had the focus goes away: that is no reason for a check.
    m_checks->setSuspended(true);
    picContainer->setCurrentIndex(int(target));
    m_checks->setSuspended(false);
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
    fillPage();
}

void frmAssistent::fillPage() {
    const int page = ctlAssistent1->Page;
    if (Seite* s = seite(page)) {
        s->füllen();
        m_filled.insert(page);
    }
}

void frmAssistent::showCalcOptions() {
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
