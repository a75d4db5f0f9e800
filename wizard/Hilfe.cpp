#include "Hilfe.h"

#include "Symbole.h"

#include "MessageService.h"
#include "basKalibrierungVelmorTeilE4.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QScreen>
#include <QTextBrowser>
#include <QToolBar>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>

namespace {
QPointer<frmHilfe> fenster;
}

namespace {
void öffnen(const QString& path, const QString& contents) {
    if (path.isEmpty() || !QFileInfo(path).isFile()) {
        showMessage(nullptr,
                    QStringLiteral("Die Hilfedatei „%1“ wurde nicht gefunden.")
                        .arg(QDir::toNativeSeparators(path)),
                    MessageService::Warning);
        return;
    }
    if (!fenster)
        fenster = new frmHilfe;
    // A modal dialog blocks every window but its own: F1 in it gives it the help.
    fenster->zeigen(path, contents, QApplication::activeModalWidget());
}
} // namespace

void ShowHelp(rt::Long Index) {
    öffnen(HelpFilePath(Index), HelpFilePath(0));
}

void ShowHelpPage(const QString& page) {
    const QString contents = HelpFilePath(0);
    öffnen(page.isEmpty() ? contents : QFileInfo(contents).dir().filePath(page), contents);
}

frmHilfe::frmHilfe(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("frmHilfe"));
    setAttribute(Qt::WA_DeleteOnClose);
    // The help belongs to the program: it never keeps it running.
    setAttribute(Qt::WA_QuitOnClose, false);
    setWindowTitle(QStringLiteral("Hilfe - ") + ProductName);
    setWindowIcon(Symbole::programm());
    browser = new QTextBrowser(this);
    browser->setObjectName(QStringLiteral("browser"));
    browser->setOpenExternalLinks(true);
    auto* bar = new QToolBar(this);
    QAction* inhalt = bar->addAction(QStringLiteral("&Inhalt"));
    QAction* zurück = bar->addAction(QStringLiteral("&Zurück"));
    QAction* vor = bar->addAction(QStringLiteral("&Vor"));
    zurück->setEnabled(false);
    vor->setEnabled(false);
    connect(inhalt, &QAction::triggered, this,
            [this] { browser->setSource(QUrl::fromLocalFile(m_inhalt)); });
    connect(zurück, &QAction::triggered, browser, &QTextBrowser::backward);
    connect(vor, &QAction::triggered, browser, &QTextBrowser::forward);
    connect(browser, &QTextBrowser::backwardAvailable, zurück, &QAction::setEnabled);
    connect(browser, &QTextBrowser::forwardAvailable, vor, &QAction::setEnabled);
    connect(browser, &QTextBrowser::sourceChanged, this, [this] {
        const QString title = browser->documentTitle();
        setWindowTitle(title.isEmpty() ? QStringLiteral("Hilfe - ") + ProductName
                                       : title + QStringLiteral(" - Hilfe"));
    });
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(bar);
    layout->addWidget(browser);
    resize(720, 600);
}

void frmHilfe::zeigen(const QString& path, const QString& contents, QWidget* über) {
    m_inhalt = contents.isEmpty() ? path : contents;
    browser->setSource(QUrl::fromLocalFile(path));
    QWidget* owner = über ? über->window() : nullptr;
    bool place = !isVisible();
    if (parentWidget() != owner) {
        if (QWidget* previous = parentWidget())
            previous->removeEventFilter(this);
        // A window of the dialog's own stays above it and takes input.
        setParent(owner, windowFlags() | Qt::Window);
        if (owner)
            owner->installEventFilter(this);
        place = true;
    }
    if (place)
        platzieren(owner ? owner : QApplication::activeWindow());
    show();
    raise();
    activateWindow();
}

bool frmHilfe::eventFilter(QObject* watched, QEvent* event) {
    if (watched == parentWidget() && event->type() == QEvent::Hide && !event->spontaneous()) {
        // The dialog closes (and may be deleted): the help stays open where
        // it was, as a window of the dialog below (if one is still open) or
        // of its own.
        const bool shown = isVisible();
        const QPoint at = pos();
        watched->removeEventFilter(this);
        QWidget* below = QApplication::activeModalWidget();
        QWidget* owner = below && below != watched ? below->window() : nullptr;
        setParent(owner, windowFlags() | Qt::Window);
        if (owner)
            owner->installEventFilter(this);
        move(at);
        if (shown)
            show();
    }
    return QWidget::eventFilter(watched, event);
}

void frmHilfe::platzieren(const QWidget* neben) {
    if (neben == this)
        neben = nullptr;
    const QScreen* screen = neben ? neben->screen() : this->screen();
    if (!screen)
        return;
    const QRect frei = screen->availableGeometry();
    // This window has no frame before it is shown: that of the other one.
    QMargins rahmen;
    if (neben) {
        const QRect innen = neben->geometry();
        const QRect außen = neben->frameGeometry();
        rahmen = QMargins(innen.left() - außen.left(), innen.top() - außen.top(),
                          außen.right() - innen.right(), außen.bottom() - innen.bottom());
    }
    const QSize client = size().boundedTo(frei.size().shrunkBy(rahmen));
    const QSize ganz = client.grownBy(rahmen);
    int x = frei.left() + (frei.width() - ganz.width()) / 2;
    int y = frei.top() + (frei.height() - ganz.height()) / 2;
    if (neben) {
        // Right of it, else left of it, else over it at the screen's right edge.
        const QRect an = neben->frameGeometry();
        x = an.right() + 1;
        if (x + ganz.width() > frei.right() + 1)
            x = an.left() - ganz.width();
        if (x < frei.left())
            x = frei.right() + 1 - ganz.width();
        y = an.top();
    }
    x = std::clamp(x, frei.left(), frei.right() + 1 - ganz.width());
    y = std::clamp(y, frei.top(), frei.bottom() + 1 - ganz.height());
    resize(client);
    move(x, y);
}

frmHilfe* frmHilfe::offen() {
    return fenster;
}
