#include "Hilfe.h"

#include "Symbole.h"

#include "MessageService.h"
#include "basKalibrierungVelmorTeilE4.h"

#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QTextBrowser>
#include <QToolBar>
#include <QUrl>
#include <QVBoxLayout>

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
    fenster->zeigen(path, contents);
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

void frmHilfe::zeigen(const QString& path, const QString& contents) {
    m_inhalt = contents.isEmpty() ? path : contents;
    browser->setSource(QUrl::fromLocalFile(path));
    show();
    raise();
    activateWindow();
}

frmHilfe* frmHilfe::offen() {
    return fenster;
}
