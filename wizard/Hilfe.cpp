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

void ShowHelp(rt::Long Index) {
    const QString path = HelpFilePath(Index);
    if (path.isEmpty() || !QFileInfo(path).isFile()) {
        showMessage(nullptr,
                    QStringLiteral("Die Hilfedatei „%1“ wurde nicht gefunden.")
                        .arg(QDir::toNativeSeparators(path)),
                    MessageService::Warning);
        return;
    }
    if (!fenster)
        fenster = new frmHilfe;
    fenster->zeigen(path);
}

frmHilfe::frmHilfe(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("frmHilfe"));
    setAttribute(Qt::WA_DeleteOnClose);
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

void frmHilfe::zeigen(const QString& path) {
    m_inhalt = path;
    browser->setSource(QUrl::fromLocalFile(path));
    show();
    raise();
    activateWindow();
}

frmHilfe* frmHilfe::offen() {
    return fenster;
}
