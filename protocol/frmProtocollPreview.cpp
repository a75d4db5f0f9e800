#include "frmProtocollPreview.h"

#include "DruckSeiten.h"
#include "Protokoll.h"
#include "ProtokollPdf.h"
#include "Protokolldatenpruefung.h"
#include "Symbole.h"
#include "VorschauSeiten.h"
#include "Zieldatei.h"

#include "Kalibrierung.h"
#include "MessageService.h"
#include "Wartecursor.h"

#include "Conversion.h"
#include "RuntimeError.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinterInfo>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QShortcut>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <QWindow>

#include <cmath>

namespace {

// The workspace: reports its resizes to the window.
class Arbeitsflaeche : public QWidget {
public:
    explicit Arbeitsflaeche(frmProtocollPreview* window) : QWidget(window), m_window(window) {
        setObjectName(QStringLiteral("picWorkspace"));
        setFocusPolicy(Qt::StrongFocus);
        setBackgroundRole(QPalette::Dark);
        setAutoFillBackground(true);
    }

protected:
    void resizeEvent(QResizeEvent* event) override {
        QWidget::resizeEvent(event);
        m_window->LayoutPages();
    }

private:
    frmProtocollPreview* m_window;
};

bool noPrinter() {
    return QPrinterInfo::availablePrinters().isEmpty();
}

// The percentage of a zoom text, with or without "%": "120" is 120.
double zoomProzent(const QString& text) {
    const qsizetype percent = text.indexOf(u'%');
    return rt::textToDouble(percent >= 0 ? text.left(percent) : text);
}

} // namespace

frmProtocollPreview::frmProtocollPreview(QWidget* parent) : QDialog(parent) {
    // F1: the help on this window.
    connect(new QShortcut(QKeySequence(Qt::Key_F1), this), &QShortcut::activated, this,
            [] { ShowHelpTopic(QStringLiteral("protokoll.html")); });
    setObjectName(QStringLiteral("frmProtocollPreview"));
    setWindowTitle(QStringLiteral("Berechnungsprotokoll"));
    setWindowIcon(Symbole::programm());
    setWindowFlag(Qt::WindowMaximizeButtonHint);
    setSizeGripEnabled(true);

    // The widgets are created in their tab order.
    buildToolBar();
    buildBoxes();
    buildPageView();
    layOut();
    m_seiten = std::make_unique<VorschauSeiten>(
        picWorkspace, [this] { return ZoomFactor(false); }, [this] { return pageSizeCm(); });

    connectActions();
    connectBoxes();
    watchOtherWindows();
    resize(900, 700);
}

// The tool bar and its actions.
void frmProtocollPreview::buildToolBar() {
    tbProtokoll = new QToolBar(this);
    tbProtokoll->setObjectName(QStringLiteral("tbProtokoll"));
    tbProtokoll->setIconSize(QSize(24, 24));
    auto button = [this](const QString& key, const QIcon& icon, const QString& tip) {
        QAction* a = tbProtokoll->addAction(icon, tip);
        a->setObjectName(key);
        a->setToolTip(tip);
        return a;
    };
    refresh = button(QStringLiteral("refresh"), Symbole::neuAufbauen(),
                     QStringLiteral("Dokument neu aufbauen"));
    print = button(QStringLiteral("print"), Symbole::drucken(), QStringLiteral("Drucken ..."));
    printersetup = button(QStringLiteral("printersetup"), Symbole::druckerEinrichten(),
                          QStringLiteral("Drucker einrichten ..."));
    pdf = button(QStringLiteral("pdf"), Symbole::pdf(), QStringLiteral("Als PDF speichern ..."));
    tr1 = tbProtokoll->addSeparator();
    tr1->setObjectName(QStringLiteral("tr1"));
    edit = button(QStringLiteral("edit"), Symbole::bearbeiten(),
                  QStringLiteral("Protokolldaten bearbeiten"));
    refresh->setShortcut(QKeySequence::Refresh);
    print->setShortcut(QKeySequence::Print);
}

// The zoom and type boxes on the tool bar.
void frmProtocollPreview::buildBoxes() {
    auto box = [this](const QString& name, QLabel*& label, const QString& caption,
                      QComboBox*& combo, const QString& comboName) {
        auto* w = new QWidget(this);
        w->setObjectName(name);
        auto* layout = new QHBoxLayout(w);
        layout->setContentsMargins(8, 0, 4, 0);
        label = new QLabel(caption, w);
        combo = new QComboBox(w);
        combo->setObjectName(comboName);
        label->setBuddy(combo);
        layout->addWidget(label);
        layout->addWidget(combo);
        tbProtokoll->addWidget(w);
        return w;
    };
    tbProtokoll->addSeparator();
    Picture1 = box(QStringLiteral("Picture1"), Label1, QStringLiteral("&Zoom"), cboZoom,
                   QStringLiteral("cboZoom"));
    Label1->setObjectName(QStringLiteral("Label1"));
    cboZoom->setEditable(true);
    cboZoom->setInsertPolicy(QComboBox::NoInsert);
    cboZoom->addItems({QStringLiteral("200%"), QStringLiteral("150%"), QStringLiteral("100%"),
                       QStringLiteral("75%"), QStringLiteral("50%"), QStringLiteral("25%"),
                       QStringLiteral("10%")});
    cboZoom->setCurrentIndex(2);
    cboZoom->setMinimumContentsLength(5);
    // What is typed is the zoom: no completion ("10" stays 10 %).
    cboZoom->setCompleter(nullptr);
    Picture2 = box(QStringLiteral("Picture2"), Label2, QStringLiteral("Protokoll&typ"), cboTyp,
                   QStringLiteral("cboTyp"));
    Label2->setObjectName(QStringLiteral("Label2"));
    cboTyp->addItems({QStringLiteral("Kalibrierfeldprotokoll mit Berechnungsergebnissen"),
                      QStringLiteral("Berechnungsergebnisse")});
    cboTyp->setCurrentIndex(0);
}

// The workspace the pages lie on, its scroll bars and the status bar.
void frmProtocollPreview::buildPageView() {
    picWorkspace = new Arbeitsflaeche(this);
    picWorkspace->installEventFilter(this);
    VScroll1 = new QScrollBar(Qt::Vertical, this);
    VScroll1->setObjectName(QStringLiteral("VScroll1"));
    HScroll1 = new QScrollBar(Qt::Horizontal, this);
    HScroll1->setObjectName(QStringLiteral("HScroll1"));
    for (QScrollBar* bar : {VScroll1, HScroll1}) {
        bar->setRange(0, 0);
        bar->setEnabled(false);
        connect(bar, &QScrollBar::valueChanged, this, &frmProtocollPreview::LayoutPages);
    }
    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(false);
}

// The window: tool bar on top, the pages with their scroll bars, the status bar.
void frmProtocollPreview::layOut() {
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(0);
    grid->addWidget(tbProtokoll, 0, 0, 1, 2);
    grid->addWidget(picWorkspace, 1, 0);
    grid->addWidget(VScroll1, 1, 1);
    grid->addWidget(HScroll1, 2, 0);
    grid->addWidget(StatusBar1, 3, 0, 1, 2);
    grid->setRowStretch(1, 1);
    grid->setColumnStretch(0, 1);
}

// The tool bar's actions; an error is reported, never thrown out of a slot.
void frmProtocollPreview::connectActions() {
    connect(refresh, &QAction::triggered, this, [this] { aktion([this] { RebuildPreview(); }); });
    connect(print, &QAction::triggered, this, [this] { aktion([this] { PrintProtocol(); }); });
    connect(printersetup, &QAction::triggered, this,
            [this] { aktion([this] { PrinterSetup(); }); });
    connect(pdf, &QAction::triggered, this, [this] { aktion([this] { SaveAsPdf(); }); });
    connect(edit, &QAction::triggered, this, [this] {
        aktion([this] {
            if (!m_k)
                return;
            // Only changed site data (OK in the editor) make a new build; the
            // editor's reading adds missing keys, which changes nothing shown.
            auto siteData = [this] {
                QStringList values;
                for (const QString& key : Protokoll::SiteDataKeys(*m_k)) {
                    const rt::Variant* value = m_k->DataStore()->find(key);
                    values.append(value ? value->toText() : QString());
                }
                return values;
            };
            const QStringList before = siteData();
            m_k->ShowProtocollExtraData(true, this);
            if (siteData() != before)
                RebuildPreview();
        });
    });
}

void frmProtocollPreview::connectBoxes() {
    // The zoom is taken when one is picked or when typing is finished.
    connect(cboZoom, &QComboBox::currentIndexChanged, this, [this] { RebuildPreview(); });
    // Picking the entry that is current while a typed zoom is shown changes
    // no index: the text tells.
    connect(cboZoom, &QComboBox::activated, this, [this] {
        if (cboZoom->currentText() != m_zoomBuilt)
            RebuildPreview();
    });
    connect(cboZoom->lineEdit(), &QLineEdit::editingFinished, this, [this] {
        // Leaving the box also finishes the editing: only a new text rebuilds.
        if (cboZoom->currentText() != m_zoomBuilt)
            RebuildPreview();
    });
    connect(cboTyp, &QComboBox::currentIndexChanged, this, [this] { RebuildPreview(); });
}

void frmProtocollPreview::watchOtherWindows() {
    // Another window of the program becoming active (not a message box of
    // this window's own) makes the next activation rebuild.
    connect(qGuiApp, &QGuiApplication::focusWindowChanged, this, [this](QWindow* focus) {
        if (!focus || focus == windowHandle())
            return;
        // The preview's own dialogs (print, page setup, file, editor) are
        // no other window: they rebuild what they change themselves.
        auto own = [this](const QWidget* w) {
            for (const QWidget* p = w; p; p = p->parentWidget())
                if (p == this)
                    return true;
            return false;
        };
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->windowHandle() == focus && !qobject_cast<QMessageBox*>(w) && !own(w))
                m_otherWindowWasActive = true;
    });
}

frmProtocollPreview::~frmProtocollPreview() {
    // The base destructor hides the window, which moves the focus out of the
    // zoom box: its handlers must not reach this half-destroyed window.
    for (QObject* sender : std::initializer_list<QObject*>{cboZoom->lineEdit(), cboZoom, cboTyp,
                                                           VScroll1, HScroll1, qGuiApp})
        sender->disconnect(this);
}

void frmProtocollPreview::setKalibrierung(Kalibrierung* k) {
    m_k = k;
    // A hidden window builds when it is shown.
    if (isVisible())
        RebuildPreview();
}

template <class F>
void frmProtocollPreview::aktion(F&& f) {
    try {
        f();
    } catch (const rt::RuntimeError& e) {
        showMessage(this,
                    QStringLiteral("Folgender Fehler ist aufgetreten:\r\n%1 (%2)")
                        .arg(e.description())
                        .arg(e.number()),
                    MessageService::Warning);
    }
}

int frmProtocollPreview::PageCount() const {
    return m_seiten->PageCount;
}

double frmProtocollPreview::ZoomFactor(bool Printing) const {
    if (Printing)
        return 1.0;
    return zoomProzent(cboZoom->currentText()) / 100.0;
}

QSizeF frmProtocollPreview::pageSizeCm() const {
    return blattCm(m_blatt);
}

void frmProtocollPreview::RebuildPreview() {
    if (!m_k || m_building)
        return;
    const QScopedValueRollback<bool> building(m_building, true);
    aktion([this] {
        // An unreadable zoom is reported once, not once per page.
        double zoom = 0;
        try {
            zoom = ZoomFactor(false);
        } catch (const rt::RuntimeError&) {
            zoom = 0;
        }
        if (!(zoom >= MinZoom - 1e-9 && zoom <= MaxZoom + 1e-9)) {
            // The zoom shown stays the one built.
            const QString refused = cboZoom->currentText();
            if (!m_zoomBuilt.isEmpty()) {
                const QSignalBlocker block(cboZoom);
                cboZoom->setEditText(m_zoomBuilt);
            }
            rt::raiseError(rt::err::InvalidPropertyValue,
                           QStringLiteral("Der Zoom „%1“ ist ungültig: erlaubt sind 10 % bis 400 %")
                               .arg(refused));
        }
        // A typed zoom reads as the list's entries do ("120" becomes
        // "120%"); the box's signals stay quiet, so this builds nothing more.
        const QString shown = rt::doubleToText(zoomProzent(cboZoom->currentText())) + u'%';
        if (shown != cboZoom->currentText()) {
            const QSignalBlocker block(cboZoom);
            const int entry = cboZoom->findText(shown);
            if (entry >= 0)
                cboZoom->setCurrentIndex(entry);
            else
                cboZoom->setEditText(shown);
        }
        m_zoomBuilt = cboZoom->currentText();
        const Wartecursor wait;
        m_seiten->PageCount = 0;
        Protokoll protokoll(*m_k, *m_seiten, cboTyp->currentIndex());
        protokoll.BuildProtocol(false);
        ++m_builds;
    });

    // Keys and the wheel over any page move the view (pages come with builds).
    for (size_t k = 1; k < m_seiten->picPage.size(); ++k)
        m_seiten->picPage[k]->installEventFilter(this);
    LayoutPages();
    const QSizeF sheet = pageSizeCm();
    // The sheet by the name the page setup lists, else as the system names it.
    QString papier = m_blatt.name();
    for (const QString& name : BlattNamen())
        if (blattNamens(name)->id() == m_blatt.id())
            papier = name;
    StatusBar1->showMessage(
        QStringLiteral("%1 %2 · Papier %3 (%4 × %5 cm) · Zoom %6")
            .arg(PageCount())
            .arg(PageCount() == 1 ? QStringLiteral("Seite") : QStringLiteral("Seiten"), papier,
                 rt::formatNumber(sheet.width(), QStringLiteral("0.0")),
                 rt::formatNumber(sheet.height(), QStringLiteral("0.0")), cboZoom->currentText()));
}

void frmProtocollPreview::LayoutPages() {
    if (!m_seiten)
        return;
    const int g = 10;
    const double width = picWorkspace->width();
    const double height = picWorkspace->height();
    const int count = PageCount();
    std::vector<SeitenBild*>& pages = m_seiten->picPage;
    double y = -VScroll1->value();
    double rowHeight = 0, rightmost = 0, x = 0, left = 0;
    if (count >= 1 && pages.size() > 1) {
        const double w = pages[1]->width();
        int columns = int(std::trunc((width - g) / (w + g)));
        columns = std::clamp(columns, 1, std::max(1, count));
        const double rowWidth = std::round((w + g) * columns + g);
        left = std::max(0.0, double(rt::toLong((width - rowWidth) / 2)));
    }
    for (int k = 1; k <= count && k < int(pages.size()); ++k) {
        const double w = pages[size_t(k)]->width();
        if (k == 1 || x + w + g > width) {
            rightmost = std::max(rightmost, HScroll1->value() + x);
            x = g - HScroll1->value() + left;
            y = y + rowHeight + g;
            rowHeight = 0;
        }
        pages[size_t(k)]->move(int(std::lround(x)), int(std::lround(y)));
        x = std::round(x + w + g);
        rowHeight = std::max(rowHeight, double(pages[size_t(k)]->height()));
    }
    rightmost = std::max(rightmost, HScroll1->value() + x);
    const double total = y + rowHeight + g + VScroll1->value();
    // The bars: a range that is no longer needed goes to 0, so that no page
    // stays scrolled out of sight.
    auto setBar = [](QScrollBar* bar, double excess, double extent) {
        const int m = std::max(0, int(std::lround(excess)));
        const QSignalBlocker block(bar);
        bar->setMaximum(m);
        if (m > 0) {
            bar->setPageStep(std::max(1, int(std::lround(extent)) / 4));
            bar->setSingleStep(std::max(1, int(std::lround(extent)) / 10));
        }
        bar->setEnabled(m >= 1);
    };
    const int vBefore = VScroll1->value(), hBefore = HScroll1->value();
    setBar(VScroll1, total - height, height);
    setBar(HScroll1, rightmost - width, width);
    if (VScroll1->value() != vBefore || HScroll1->value() != hBefore)
        LayoutPages();
}

void frmProtocollPreview::navigate(int key) {
    auto move = [](QScrollBar* bar, int delta) {
        if (bar->isEnabled())
            bar->setValue(std::clamp(bar->value() + delta, bar->minimum(), bar->maximum()));
    };
    switch (key) {
    case Qt::Key_PageUp:
        move(VScroll1, -VScroll1->pageStep());
        break;
    case Qt::Key_PageDown:
        move(VScroll1, VScroll1->pageStep());
        break;
    case Qt::Key_Up:
        move(VScroll1, -VScroll1->singleStep());
        break;
    case Qt::Key_Down:
        move(VScroll1, VScroll1->singleStep());
        break;
    case Qt::Key_Left:
        move(HScroll1, -HScroll1->singleStep());
        break;
    case Qt::Key_Right:
        move(HScroll1, HScroll1->singleStep());
        break;
    default:
        break;
    }
}

bool frmProtocollPreview::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Wheel) {
        // The wheel scrolls wherever it turns over the pages; with Ctrl it
        // zooms through the list's steps.
        auto* wheel = static_cast<QWheelEvent*>(event);
        const int steps = wheel->angleDelta().y() / 120;
        if (steps != 0 && (wheel->modifiers() & Qt::ControlModifier)) {
            // The steps count from the zoom shown, also a typed one: the
            // next list entry above (below) it, then on through the list,
            // which runs from the largest zoom down.
            double shown = 1.0;
            try {
                shown = ZoomFactor(false);
            } catch (const rt::RuntimeError&) {
                shown = 1.0;
            }
            auto value = [this](int i) {
                const QString text = cboZoom->itemText(i);
                return rt::textToDouble(text.left(text.indexOf(u'%'))) / 100.0;
            };
            int index = -1;
            if (steps > 0) {
                for (int i = cboZoom->count() - 1; i >= 0 && index < 0; --i)
                    if (value(i) > shown + 1e-9)
                        index = i - (steps - 1);
            } else {
                for (int i = 0; i < cboZoom->count() && index < 0; ++i)
                    if (value(i) < shown - 1e-9)
                        index = i + (-steps - 1);
            }
            if (index >= 0) {
                index = std::clamp(index, 0, cboZoom->count() - 1);
                if (index != cboZoom->currentIndex()) {
                    cboZoom->setCurrentIndex(index);
                } else if (cboZoom->currentText() != cboZoom->itemText(index)) {
                    // The entry is current but a typed zoom is shown.
                    const QSignalBlocker block(cboZoom);
                    cboZoom->setEditText(cboZoom->itemText(index));
                    RebuildPreview();
                } else if (cboZoom->currentText() != m_zoomBuilt) {
                    RebuildPreview();
                }
            }
        } else if (steps != 0 && VScroll1->isEnabled()) {
            VScroll1->setValue(std::clamp(VScroll1->value() - steps * 3 * VScroll1->singleStep(),
                                          VScroll1->minimum(), VScroll1->maximum()));
        }
        event->accept();
        return true;
    }
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_PageUp || key == Qt::Key_PageDown || key == Qt::Key_Up ||
            key == Qt::Key_Down || key == Qt::Key_Left || key == Qt::Key_Right) {
            navigate(key);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void frmProtocollPreview::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // Showing is the build: the activation that follows is none.
    m_otherWindowWasActive = false;
    RebuildPreview();
    // The pages take the keys; the zoom box only when the user goes there.
    picWorkspace->setFocus(Qt::OtherFocusReason);
}

void frmProtocollPreview::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && m_otherWindowWasActive) {
        m_otherWindowWasActive = false;
        RebuildPreview();
    }
}

void frmProtocollPreview::warnWithoutPrinter() {
    // Preview and PDF work without a printer: only printing and the page
    // setup miss it. Once per program run, over this window.
    if (!noPrinter() || s_printerWarningShown)
        return;
    s_printerWarningShown = true;
    showMessage(this,
                QStringLiteral("Es ist kein Drucker installiert. Während der Ausführung kann "
                               "es deshalb zu Darstellungsfehlern kommen. Installieren Sie "
                               "einen Drucker und starten Sie das Programm erneut."),
                MessageService::Warning);
}

void frmProtocollPreview::PrintProtocol() {
    warnWithoutPrinter();
    if (m_k && !ProtokolldatenVollständigOderTrotzdem(this, *m_k, cboTyp->currentIndex()))
        return;
    rt::SkipErrors skip;
    // The dialog opens with the sheet of the preview.
    const QPageLayout layout(m_blatt, QPageLayout::Portrait, QMarginsF(0, 0, 0, 0));
    m_printer.setPageLayout(layout);
    QPrintDialog dialog(&m_printer, this);
    dialog.setObjectName(QStringLiteral("druckDialog"));
    dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
    dialog.setOption(QAbstractPrintDialog::PrintToFile, false);
    dialog.setOption(QAbstractPrintDialog::PrintCurrentPage, false);
    if (MessageService::instance().execDialog(&dialog) == QDialog::Accepted && m_k) {
        // The sheet chosen in the print dialog is the one printed, and
        // the preview follows it.
        const QPageSize chosen = m_printer.pageLayout().pageSize();
        const QPageLayout gewählt(chosen.isValid() ? chosen : m_blatt, QPageLayout::Portrait,
                                  QMarginsF(0, 0, 0, 0));
        // Without a printer only a file can be printed: one message says so.
        if (m_printer.outputFileName().isEmpty() && (noPrinter() || !m_printer.isValid())) {
            m_printer.setPageLayout(layout);
            rt::raiseError(rt::err::PathFileAccessError,
                           QStringLiteral("Das Protokoll kann nicht gedruckt werden: Es ist kein "
                                          "Drucker installiert. Mit „Als PDF speichern“ entsteht "
                                          "eine Datei, die Sie später drucken können."));
        }
        m_blatt = gewählt.pageSize();
        skip([&] {
            // One printer page per protocol page, always upright.
            m_printer.setPageLayout(gewählt);
            m_printer.setDocName(QStringLiteral("Berechnungsprotokoll"));
            m_printer.setCreator(ProductName);
            DruckSeiten seiten(m_printer);
            Protokoll protokoll(*m_k, seiten, cboTyp->currentIndex());
            protokoll.BuildProtocol(true);
            if (!seiten.finish())
                rt::raiseError(rt::err::PathFileAccessError,
                               QStringLiteral("Der Druck ist fehlgeschlagen"));
        });
        // The sheet may have changed in the dialog.
        RebuildPreview();
    } else {
        m_printer.setPageLayout(layout);
    }
    if (skip.failed())
        rt::raiseError(skip.lastNumber(), skip.lastDescription());
}

void frmProtocollPreview::PrinterSetup() {
    warnWithoutPrinter();
    // Without a printer Qt's page setup works not at all: a dialog of our own
    // sets the sheet of the preview and the PDF.
    if (noPrinter() || m_printer.outputFormat() != QPrinter::NativeFormat) {
        QDialog dialog(this);
        dialog.setObjectName(QStringLiteral("seiteEinrichten"));
        dialog.setWindowTitle(QStringLiteral("Seite einrichten"));
        auto* label = new QLabel(QStringLiteral("&Papier (hochkant):"), &dialog);
        auto* papier = new QComboBox(&dialog);
        papier->setObjectName(QStringLiteral("cboPapier"));
        label->setBuddy(papier);
        for (const QString& name : BlattNamen()) {
            const QPageSize sheet = *blattNamens(name);
            const QSizeF cm = blattCm(sheet);
            papier->addItem(QStringLiteral("%1 (%2 × %3 cm)")
                                .arg(name, rt::formatNumber(cm.width(), QStringLiteral("0.0")),
                                     rt::formatNumber(cm.height(), QStringLiteral("0.0"))),
                            name);
            if (sheet.id() == m_blatt.id())
                papier->setCurrentIndex(papier->count() - 1);
        }
        auto* buttons = new QDialogButtonBox(&dialog);
        buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
        buttons->addButton(QStringLiteral("Abbrechen"), QDialogButtonBox::RejectRole);
        connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
        connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
        auto* layout = new QVBoxLayout(&dialog);
        layout->addWidget(label);
        layout->addWidget(papier);
        layout->addWidget(buttons);
        if (MessageService::instance().execDialog(&dialog) == QDialog::Accepted) {
            m_blatt = *blattNamens(papier->currentData().toString());
            RebuildPreview();
        }
        return;
    }
    m_printer.setPageLayout(
        QPageLayout(m_blatt, QPageLayout::Portrait, m_printer.pageLayout().margins()));
    QPageSetupDialog dialog(&m_printer, this);
    dialog.setObjectName(QStringLiteral("seiteEinrichten"));
    if (MessageService::instance().execDialog(&dialog) == QDialog::Accepted) {
        const QPageSize chosen = m_printer.pageLayout().pageSize();
        if (chosen.isValid())
            m_blatt = chosen;
        RebuildPreview();
    }
}

void frmProtocollPreview::SaveAsPdf() {
    if (!m_k || !ProtokolldatenVollständigOderTrotzdem(this, *m_k, cboTyp->currentIndex()))
        return;
    const QString path = MessageService::instance().saveFileName(
        this, QStringLiteral("Als PDF speichern"),
        rt::ausgabeNeben(m_dateiname, QStringLiteral("pdf")),
        QStringLiteral("PDF-Dateien (*.pdf);;alle Dateien (*)"), QStringLiteral("pdf"));
    if (path.isEmpty())
        return;
    const int pages = ProtokollAlsPdf(*m_k, cboTyp->currentIndex(), path, m_blatt);
    StatusBar1->showMessage(
        QStringLiteral("%1 %2 als PDF gespeichert in „%3“")
            .arg(pages)
            .arg(pages == 1 ? QStringLiteral("Seite") : QStringLiteral("Seiten"),
                 QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath())));
}
