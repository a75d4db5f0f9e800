#include "WizardTestSupport.h"

#include "Ergebnisliste.h"
#include "Export.h"
#include "FlexGrid.h"
#include "Hilfe.h"
#include "KalibrierDiagramm.h"
#include "MappeLesen.h"
#include "SeiteAusgabe.h"
#include "SeiteErgebnis.h"
#include "VorschauSeiten.h"
#include "ctlAssistent.h"
#include "frmCalcOptions.h"
#include "frmExport.h"
#include "frmProtocollExtraData.h"
#include "frmProtocollPreview.h"

#include "Conversion.h"
#include "Fensterfabrik.h"
#include "ProtokollPdf.h"
#include "Protokolldaten.h"

#include "../core/Beispiel.h"

#include <QAbstractItemView>
#include <QAction>
#include <QComboBox>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPicture>
#include <QPrintDialog>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>
#include <QToolBar>
#include <QWheelEvent>

namespace {

int pdfPages(const QString& pdf) {
    QProcess p;
    p.start(QStringLiteral("pdfinfo"), {pdf});
    p.waitForFinished(30000);
    const QRegularExpressionMatch m = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)"))
                                          .match(QString::fromUtf8(p.readAllStandardOutput()));
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

// The text of a PDF as pdftotext reads it.
QString pdfText(const QString& pdf) {
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

// The size of a PDF's first page in whole millimetres.
// The sheet in whole points, as pdfinfo reads it.
QSize pdfPageSizePt(const QString& pdf) {
    QProcess p;
    p.start(QStringLiteral("pdfinfo"), {pdf});
    p.waitForFinished(30000);
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral("Page size:\\s+([0-9.]+) x ([0-9.]+) pts"))
            .match(QString::fromUtf8(p.readAllStandardOutput()));
    if (!m.hasMatch())
        return QSize();
    return QSize(int(std::lround(m.captured(1).toDouble())),
                 int(std::lround(m.captured(2).toDouble())));
}

// The numbers of a worksheet's cells; a cell that does not read as a
// number with a point fails.
QList<double> numbersIn(const QString& sheet) {
    QList<double> numbers;
    const QRegularExpression number(QStringLiteral("<c [^>]*><v>([^<]*)</v>"));
    for (const QRegularExpressionMatch& m : number.globalMatch(sheet)) {
        if (m.captured(0).contains(QStringLiteral("t=\"s\"")))
            continue; // a shared string's index
        bool ok = false;
        numbers.append(m.captured(1).toDouble(&ok));
        EXPECT_TRUE(ok) << m.captured(1).toStdString();
    }
    return numbers;
}

// The text of one file inside a workbook (a zip archive).
QString inWorkbook(const QString& xlsx, const QString& member) {
    QProcess p;
    p.start(QStringLiteral("unzip"), {QStringLiteral("-p"), xlsx, member});
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

// The cells of a workbook's sheet as the import reads them, row by row (the
// first is the sheet's row 1); a number is MesswertImport::Mappe::Zahlmarke
// and the number with a point.
QList<QStringList> zellen(const QString& xlsx, const QString& sheet) {
    const MesswertImport::Mappe::Inhalt inhalt =
        MesswertImport::Mappe::lesen(readFileBytes(xlsx), sheet, xlsx);
    QList<QStringList> rows;
    for (const QByteArray& line : inhalt.text.split('\n'))
        rows.append(QString::fromUtf8(line).split(QChar(MesswertImport::Mappe::Zellentrenner)));
    return rows;
}

// The number format of a cell ("B12") of the second sheet.
QString zahlenformatIn(const QString& xlsx, const QString& cell) {
    const QString sheet = inWorkbook(xlsx, QStringLiteral("xl/worksheets/sheet2.xml"));
    const QRegularExpressionMatch c =
        QRegularExpression(QStringLiteral("<c r=\"%1\" s=\"(\\d+)\"").arg(cell)).match(sheet);
    if (!c.hasMatch())
        return QString();
    const QString styles = inWorkbook(xlsx, QStringLiteral("xl/styles.xml"));
    const QString xfs = styles.mid(styles.indexOf(QStringLiteral("<cellXfs")));
    QStringList ids;
    for (const QRegularExpressionMatch& m :
         QRegularExpression(QStringLiteral("<xf numFmtId=\"(\\d+)\"")).globalMatch(xfs))
        ids.append(m.captured(1));
    const QString id = ids.value(c.captured(1).toInt());
    // Two formats are built into every spreadsheet program.
    if (id == u"3")
        return QStringLiteral("#,##0");
    if (id == u"4")
        return QStringLiteral("#,##0.00");
    const QRegularExpressionMatch f =
        QRegularExpression(
            QStringLiteral("<numFmt numFmtId=\"%1\" formatCode=\"([^\"]*)\"").arg(id))
            .match(styles);
    return f.hasMatch() ? f.captured(1) : QStringLiteral("(Nummer %1)").arg(id);
}

} // namespace

class VorschauTest : public WizardTest {
protected:
    void SetUp() override {
        WizardTest::SetUp();
        fillWorkedExample(k);
        describeWorkedExample(k);
        // The example's site data hold placeholders: outputs go on.
        messages.choiceAnswer = QStringLiteral("Trotzdem erzeugen");
    }
    // A preview of k, shown and active.
    frmProtocollPreview& show() {
        preview = std::make_unique<frmProtocollPreview>();
        preview->setKalibrierung(&k);
        preview->resize(900, 700);
        preview->show();
        preview->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(preview.get()));
        return *preview;
    }
    std::unique_ptr<frmProtocollPreview> preview;
};

TEST_F(VorschauTest, ThePagesAreTiledAndScrolledAsTheWindowSays) {
    frmProtocollPreview::setPrinterWarningShown(false);
    frmProtocollPreview& p = show();
    // No printer on this machine: the default sheet, and no warning for a
    // preview (it comes with printing, see below).
    EXPECT_TRUE(messages.texts.filter(QStringLiteral("kein Drucker")).isEmpty());
    EXPECT_EQ(p.windowTitle(), QStringLiteral("Berechnungsprotokoll"));
    EXPECT_EQ(p.cboZoom->currentText(), QStringLiteral("100%"));
    EXPECT_EQ(p.cboZoom->count(), 7);
    EXPECT_EQ(p.cboTyp->currentIndex(), 0);
    QStringList keys;
    for (QAction* a : p.tbProtokoll->actions())
        if (!a->objectName().isEmpty())
            keys.append(a->objectName());
    EXPECT_EQ(keys.mid(0, 6), (QStringList{QStringLiteral("refresh"), QStringLiteral("print"),
                                           QStringLiteral("printersetup"), QStringLiteral("pdf"),
                                           QStringLiteral("tr1"), QStringLiteral("edit")}));
    EXPECT_EQ(p.refresh->toolTip(), QStringLiteral("Dokument neu aufbauen"));
    EXPECT_EQ(p.edit->toolTip(), QStringLiteral("Protokolldaten bearbeiten"));

    const int pages = p.PageCount();
    EXPECT_EQ(pages, 4);
    auto& pic = p.seiten().picPage;
    const double perCm = p.picWorkspace->logicalDpiX() / 2.54;
    EXPECT_NEAR(pic[1]->width(), 21.0 * perCm, 1);
    EXPECT_NEAR(pic[1]->height(), 29.7 * perCm, 1);
    // 100 %: one page a row, centred, the vertical bar in use.
    const int width = p.picWorkspace->width();
    EXPECT_EQ(pic[1]->x(), (width - (pic[1]->width() + 20)) / 2 + 10);
    EXPECT_EQ(pic[2]->y(), pic[1]->y() + pic[1]->height() + 10);
    EXPECT_TRUE(p.VScroll1->isEnabled());
    EXPECT_EQ(p.VScroll1->maximum(),
              pic[4]->y() + pic[4]->height() + 10 - p.picWorkspace->height());
    saveScreenshot(&p, QStringLiteral("vorschau-100"));
    saveScreenshot(pic[1], QStringLiteral("vorschau-seite1"));
    // The page on the screen is its recording on white paper: the workspace's
    // dark palette must not leak into the page's first texts.
    {
        QImage paper(pic[1]->size(), QImage::Format_RGB32);
        paper.fill(Qt::white);
        QPainter painter(&paper);
        painter.drawPicture(0, 0, pic[1]->picture());
        painter.end();
        EXPECT_TRUE(pic[1]->grab().toImage().convertToFormat(QImage::Format_RGB32) == paper);
    }

    // 10 %: several pages side by side in one centred row.
    p.cboZoom->setCurrentIndex(6);
    EXPECT_NEAR(p.ZoomFactor(false), 0.1, 1e-12);
    // Text measured at a tenth of its size may break the tables differently.
    const int small = p.PageCount();
    const int w = pic[1]->width();
    const int columns = std::min(small, (width - 10) / (w + 10));
    ASSERT_GE(columns, 4);
    const int left = std::max(0, int(std::nearbyint((width - ((w + 10) * columns + 10)) / 2.0)));
    EXPECT_EQ(pic[1]->x(), 10 + left);
    for (int n = 2; n <= small; ++n) {
        EXPECT_EQ(pic[size_t(n)]->y(), pic[1]->y());
        EXPECT_EQ(pic[size_t(n)]->x(), pic[size_t(n - 1)]->x() + w + 10);
    }
    EXPECT_FALSE(p.VScroll1->isEnabled());
    EXPECT_FALSE(p.HScroll1->isEnabled());
    p.cboZoom->setCurrentIndex(5);
    saveScreenshot(&p, QStringLiteral("vorschau-25"));

    // 200 %: one page a row, both bars.
    p.cboZoom->setCurrentIndex(0);
    EXPECT_TRUE(p.HScroll1->isEnabled());
    EXPECT_TRUE(p.VScroll1->isEnabled());
    EXPECT_GT(pic[2]->y(), pic[1]->y());

    // Keys move the bars and stop at both ends.
    p.picWorkspace->setFocus();
    for (int i = 0; i < 200; ++i)
        QTest::keyClick(p.picWorkspace, Qt::Key_PageDown);
    EXPECT_EQ(p.VScroll1->value(), p.VScroll1->maximum());
    QTest::keyClick(p.picWorkspace, Qt::Key_Down);
    EXPECT_EQ(p.VScroll1->value(), p.VScroll1->maximum());
    const int bottom = pic[size_t(pages)]->y() + pic[size_t(pages)]->height();
    EXPECT_EQ(bottom + 10, p.picWorkspace->height());
    for (int i = 0; i < 200; ++i)
        QTest::keyClick(pic[1], Qt::Key_PageUp);
    EXPECT_EQ(p.VScroll1->value(), 0);
    QTest::keyClick(p.picWorkspace, Qt::Key_Right);
    EXPECT_EQ(p.HScroll1->value(), p.HScroll1->singleStep());
    QTest::keyClick(p.picWorkspace, Qt::Key_Left);
    QTest::keyClick(p.picWorkspace, Qt::Key_Left);
    EXPECT_EQ(p.HScroll1->value(), 0);
    // Back to 10 %: nothing stays scrolled out of sight.
    for (int i = 0; i < 5; ++i)
        QTest::keyClick(p.picWorkspace, Qt::Key_PageDown);
    p.cboZoom->setCurrentIndex(6);
    EXPECT_EQ(p.VScroll1->value(), 0);
    EXPECT_EQ(pic[1]->y(), 10);
}

TEST_F(VorschauTest, ZoomTextTypeAndRebuilds) {
    frmProtocollPreview& p = show();
    p.cboZoom->setEditText(QStringLiteral("75%"));
    EXPECT_DOUBLE_EQ(p.ZoomFactor(false), 0.75);
    EXPECT_DOUBLE_EQ(p.ZoomFactor(true), 1.0);
    // A bare number is a percentage.
    p.cboZoom->setEditText(QStringLiteral("150"));
    EXPECT_DOUBLE_EQ(p.ZoomFactor(false), 1.5);
    p.cboZoom->setEditText(QStringLiteral("12,5"));
    EXPECT_DOUBLE_EQ(p.ZoomFactor(false), 0.125);
    // An unreadable zoom, or one outside 10 to 400 %: one message, no build,
    // and the box shows the zoom built.
    p.cboZoom->setCurrentIndex(2);
    for (const char* typed : {"groß", "1,5", "500%", "9"}) {
        messages.clear();
        const int builds = p.builds();
        p.cboZoom->setEditText(QString::fromUtf8(typed));
        p.RebuildPreview();
        EXPECT_EQ(p.builds(), builds) << typed;
        ASSERT_EQ(messages.texts.size(), 1) << typed;
        EXPECT_EQ(messages.texts[0],
                  QStringLiteral("Folgender Fehler ist aufgetreten:\r\nDer Zoom „%1“ ist ungültig: "
                                 "erlaubt sind 10 % bis 400 % (380)")
                      .arg(QString::fromUtf8(typed)));
        EXPECT_EQ(p.cboZoom->currentText(), QStringLiteral("100%"));
    }
    // A typed zoom builds once and then reads as the entries do, in the box
    // and in the status bar (also when it is the entry already current);
    // leaving the box builds nothing more. "10" is not completed to 100 %:
    // it is the entry "10%".
    for (const auto& [typed, shown, entry] :
         {std::tuple{"10", "10%", 6}, std::tuple{"120", "120%", 6}, std::tuple{"12,5", "12,5%", 6},
          std::tuple{"75 %", "75%", 3}, std::tuple{"100", "100%", 2},
          std::tuple{"100,0", "100%", 2}}) {
        const int builds = p.builds();
        p.cboZoom->lineEdit()->setFocus();
        p.cboZoom->lineEdit()->selectAll();
        QTest::keyClicks(p.cboZoom->lineEdit(), QString::fromUtf8(typed));
        QTest::keyClick(p.cboZoom->lineEdit(), Qt::Key_Return);
        EXPECT_EQ(p.builds(), builds + 1) << typed;
        EXPECT_EQ(p.cboZoom->currentText(), QString::fromUtf8(shown)) << typed;
        EXPECT_EQ(p.cboZoom->currentIndex(), entry) << typed;
        EXPECT_TRUE(p.StatusBar1->currentMessage().endsWith(QStringLiteral("Zoom ") +
                                                            QString::fromUtf8(shown)))
            << p.StatusBar1->currentMessage().toStdString();
        QTest::mouseClick(p.picWorkspace, Qt::LeftButton);
        EXPECT_TRUE(p.picWorkspace->hasFocus());
        EXPECT_EQ(p.builds(), builds + 1) << typed;
        if (QString::fromUtf8(typed) == u"120")
            saveScreenshot(&p, QStringLiteral("vorschau-zoom-getippt"));
    }
    EXPECT_DOUBLE_EQ(p.ZoomFactor(false), 1.0);
    // The entry that is current, picked again while a typed zoom is shown,
    // builds once.
    p.cboZoom->lineEdit()->setFocus();
    p.cboZoom->lineEdit()->selectAll();
    QTest::keyClicks(p.cboZoom->lineEdit(), QStringLiteral("120"));
    QTest::keyClick(p.cboZoom->lineEdit(), Qt::Key_Return);
    ASSERT_EQ(p.cboZoom->currentText(), QStringLiteral("120%"));
    const int typedBuilds = p.builds();
    p.cboZoom->showPopup();
    ASSERT_TRUE(p.cboZoom->view()->isVisible());
    ASSERT_EQ(p.cboZoom->view()->currentIndex().row(), 2);
    QTest::keyClick(p.cboZoom->view(), Qt::Key_Return);
    EXPECT_EQ(p.cboZoom->currentText(), QStringLiteral("100%"));
    EXPECT_EQ(p.builds(), typedBuilds + 1);
    EXPECT_DOUBLE_EQ(p.ZoomFactor(false), 1.0);

    // The type: results only, fewer pages; the surplus page is hidden, not destroyed.
    // (Long remarks in the site data make the difference a page at least.)
    k.DataStore()->setValue(QStringLiteral("Protokoll Verdichtung Kalibrierfeld Bemerkungen"),
                            rt::Variant(QStringLiteral("Bemerkung ").repeated(400)));
    p.RebuildPreview();
    const int full = p.PageCount();
    const size_t widgets = p.seiten().picPage.size();
    p.cboTyp->setCurrentIndex(1);
    EXPECT_LT(p.PageCount(), full);
    EXPECT_EQ(p.seiten().picPage.size(), widgets);
    EXPECT_TRUE(p.seiten().picPage[size_t(full)]->isHidden());
    p.cboTyp->setCurrentIndex(0);
    EXPECT_EQ(p.PageCount(), full);
    EXPECT_FALSE(p.seiten().picPage[size_t(full)]->isHidden());

    // Returning from another window of the program rebuilds; a message box does not.
    const int before = p.builds();
    QMessageBox box(QMessageBox::Information, QStringLiteral("Debug-Modus"), QStringLiteral("x"));
    box.show();
    box.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&box));
    box.close();
    p.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&p));
    EXPECT_EQ(p.builds(), before);
    QWidget other;
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    p.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&p));
    EXPECT_EQ(p.builds(), before + 1);
    // Refresh rebuilds.
    p.refresh->trigger();
    EXPECT_EQ(p.builds(), before + 2);
}

// Closing the window while a zoom is being typed: the focus leaves the zoom
// box as the window goes, and nothing of the going window runs any more.
TEST_F(VorschauTest, ClosingWhileTheZoomIsTypedDoesNothingMore) {
    frmProtocollPreview& p = show();
    p.cboZoom->lineEdit()->setFocus();
    QTest::keyClicks(p.cboZoom->lineEdit(), QStringLiteral("groß"));
    messages.clear();
    preview.reset();
    EXPECT_TRUE(messages.texts.isEmpty()) << messages.texts.join(u'|').toStdString();
}

TEST_F(VorschauTest, PrintingAndPdfGiveThePreviewsPages) {
    frmProtocollPreview& p = show();
    QTemporaryDir dir;
    const QString printed = dir.filePath(QStringLiteral("gedruckt.pdf"));
    messages.onDialog = [&](QDialog* dialog) {
        auto* print = qobject_cast<QPrintDialog*>(dialog);
        if (!print)
            return int(QDialog::Rejected);
        print->printer()->setOutputFormat(QPrinter::PdfFormat);
        print->printer()->setOutputFileName(printed);
        print->printer()->setPageOrientation(QPageLayout::Landscape);
        return int(QDialog::Accepted);
    };
    p.print->trigger();
    EXPECT_EQ(messages.dialogs, QStringList{QStringLiteral("druckDialog")});
    // The preview follows the printer's sheet, always upright.
    const int pages = p.PageCount();
    EXPECT_EQ(pdfPages(printed), pages);
    EXPECT_GT(p.seiten().picPage[1]->height(), p.seiten().picPage[1]->width());
    const QString pdf = dir.filePath(QStringLiteral("als-pdf.pdf"));
    messages.fileAnswers = {pdf};
    p.pdf->trigger();
    // A calibration without a file: no name is proposed.
    EXPECT_EQ(messages.fileDialogs.last(),
              QStringLiteral("save|Als PDF speichern|||PDF-Dateien (*.pdf);;alle Dateien (*)|pdf"));
    EXPECT_EQ(pdfPages(pdf), pages);
    // A4 is A4 everywhere: the window's PDF as the printed one.
    EXPECT_EQ(pdfPageSizePt(pdf), QSize(595, 842));
    EXPECT_EQ(pdfPageSizePt(printed), QSize(595, 842));
    // A cancelled print dialog or page setup prints and builds nothing.
    const int builds = p.builds();
    messages.onDialog = [](QDialog*) { return int(QDialog::Rejected); };
    QFile::remove(printed);
    p.print->trigger();
    EXPECT_FALSE(QFile::exists(printed));
    EXPECT_EQ(p.builds(), builds);
    p.printersetup->trigger();
    EXPECT_EQ(messages.dialogs.last(), QStringLiteral("seiteEinrichten"));
    EXPECT_EQ(p.builds(), builds);
}

TEST_F(VorschauTest, TheSiteDataEditorWorksOnACopy) {
    k.DataStore()->remove(QStringLiteral("Protokoll Verdichtung Unterlage Bemerkungen"));
    k.setIsDirty(false);
    frmProtocollExtraData editor;
    editor.setKalibrierung(&k);
    EXPECT_EQ(editor.windowTitle(), QStringLiteral("Daten Kalibrierprotokoll"));
    const SorbelDictionaryPtr copy = editor.Sorbel1->Dictionary();
    ASSERT_TRUE(copy);
    const QStringList keys = copy->keys();
    ASSERT_EQ(keys.size(), 6 + 27 + 3);
    // The report header first, under readable labels.
    EXPECT_EQ(keys.mid(0, 6),
              (QStringList{QStringLiteral("Bauvorhaben"), QStringLiteral("Auftraggeber"),
                           QStringLiteral("Prüfstelle (Name und Anschrift)"),
                           QStringLiteral("Bearbeiter"), QStringLiteral("Berichtsnummer"),
                           QStringLiteral("Berichtsdatum")}));
    EXPECT_EQ(keys[6], QStringLiteral("Unterlage Bodenart DIN 4022"));
    EXPECT_EQ(keys[14], QStringLiteral("Unterlage Bemerkungen"));
    EXPECT_EQ(keys[26], QStringLiteral("Kalibrierfeld Kovariable (Anzahl der "
                                       "Verdichtungsübergänge) - Prüffeld 1"));
    EXPECT_EQ(keys[28], QStringLiteral("Kalibrierfeld Kovariable (Anzahl der "
                                       "Verdichtungsübergänge) - Prüffeld 3"));
    EXPECT_EQ(keys.last(), QStringLiteral("Kalibrierfeld Bemerkungen"));
    // Missing keys now exist empty; nothing is dirty.
    EXPECT_TRUE(
        k.DataStore()->exists(QStringLiteral("Protokoll Verdichtung Unterlage Bemerkungen")));
    EXPECT_FALSE(k.IsDirty());

    // It opens wide enough that the longest label shows whole.
    editor.show();
    QString longest;
    for (const QString& key : copy->keys())
        if (key.size() > longest.size())
            longest = key;
    EXPECT_GE(editor.Sorbel1->FlexGrid_()->ColWidth(0),
              editor.Sorbel1->FlexGrid_()->fontMetrics().horizontalAdvance(longest))
        << longest.toStdString() << " " << editor.width();
    saveScreenshot(&editor, QStringLiteral("protokolldaten-geoeffnet"));

    // Typing a value, clearing one with Delete; Abbruch discards both.
    editor.resize(600, 500);
    editor.show();
    editor.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&editor));
    FlexGrid* grid = editor.Sorbel1->FlexGrid_();
    grid->setFocus();
    grid->setCurrentCell(9, 1);
    QTest::keyClicks(grid, QStringLiteral("1"));
    QTest::keyClicks(editor.Sorbel1->TextBox(), QStringLiteral("2,5 %"));
    QTest::keyClick(editor.Sorbel1->TextBox(), Qt::Key_Return);
    EXPECT_EQ(copy->find(QStringLiteral("Unterlage Wassergehalt"))->toText(),
              QStringLiteral("12,5 %"));
    grid->setCurrentCell(10, 1);
    QTest::keyClick(grid, Qt::Key_Delete);
    EXPECT_EQ(copy->find(QStringLiteral("Unterlage Trockendichte"))->toText(), QString());
    saveScreenshot(&editor, QStringLiteral("protokolldaten"));
    editor.cmdCancel->click();
    EXPECT_EQ(k.DataStore()
                  ->find(QStringLiteral("Protokoll Verdichtung Unterlage Wassergehalt"))
                  ->toText(),
              QStringLiteral("??%"));
    EXPECT_FALSE(k.IsDirty());

    // OK writes every key in the list's order: the typed value and the clear.
    frmProtocollExtraData again;
    again.setKalibrierung(&k);
    again.Sorbel1->Dictionary()->insert(QStringLiteral("Unterlage Wassergehalt"),
                                        rt::Variant(QStringLiteral("12,5 %")));
    emit again.Sorbel1->AfterItemClear(QStringLiteral("Unterlage Trockendichte"));
    again.cmdOk->click();
    EXPECT_EQ(k.DataStore()
                  ->find(QStringLiteral("Protokoll Verdichtung Unterlage Wassergehalt"))
                  ->toText(),
              QStringLiteral("12,5 %"));
    EXPECT_EQ(k.DataStore()
                  ->find(QStringLiteral("Protokoll Verdichtung Unterlage Trockendichte"))
                  ->toText(),
              QString());
    EXPECT_TRUE(k.IsDirty());
    // OK without changes changes nothing.
    k.setIsDirty(false);
    frmProtocollExtraData third;
    third.setKalibrierung(&k);
    third.cmdOk->click();
    EXPECT_FALSE(k.IsDirty());
    EXPECT_FALSE(k.DataStore()->exists(QStringLiteral("Protokoll Verdichtung ")));
}

TEST_F(VorschauTest, TheEditButtonOpensTheEditorAndTheProtocolFollows) {
    frmProtocollPreview& p = show();
    const int builds = p.builds();
    whenModal([](QWidget* modal) {
        auto* editor = qobject_cast<frmProtocollExtraData*>(modal);
        ASSERT_TRUE(editor);
        editor->Sorbel1->Dictionary()->insert(QStringLiteral("Kalibrierfeld Walzentyp"),
                                              rt::Variant(QStringLiteral("Glattmantelwalze")));
        editor->cmdOk->click();
    });
    p.edit->trigger();
    EXPECT_EQ(k.DataStore()
                  ->find(QStringLiteral("Protokoll Verdichtung Kalibrierfeld Walzentyp"))
                  ->toText(),
              QStringLiteral("Glattmantelwalze"));
    EXPECT_GE(p.builds(), builds + 1);
}

TEST_F(VorschauTest, TheExportFilesReadBack) {
    QTemporaryDir dir;
    k.setMesswert(pmDirekt, 2, 2, 99.123456789);
    k.DataStoreLet(QStringLiteral("Protokoll Verdichtung Kalibrierfeld Walzentyp"),
                   rt::Variant(QStringLiteral("Walze „A“ & B")));
    const QString xlsx = dir.filePath(QStringLiteral("export.xlsx"));
    ExportXlsx(k, xlsx);
    const QString workbook = inWorkbook(xlsx, QStringLiteral("xl/workbook.xml"));
    for (const char* sheet : {"Messwerte", "Statistik", "Protokolldaten"})
        EXPECT_TRUE(workbook.contains(QStringLiteral("name=\"%1\"").arg(QLatin1String(sheet))))
            << sheet;
    const QString werte = inWorkbook(xlsx, QStringLiteral("xl/worksheets/sheet1.xml"));
    // Every measured value as a number at full precision.
    const QList<double> inWerte = numbersIn(werte);
    for (rt::Long f = 1; f <= k.PrüffelderAnzahl(); ++f)
        for (rt::Long pt = 1; pt <= k.PrüffeldPrüfpunkte(f); ++pt)
            for (PrüfmerkmalEnum m : {pmDirekt, pmIndirekt})
                EXPECT_TRUE(inWerte.contains(k.Messwert(m, f, pt).toDouble()))
                    << f << "/" << pt << ": " << k.Messwert(m, f, pt).toDouble();
    EXPECT_TRUE(werte.contains(QStringLiteral("<v>99.123456789</v>")));
    const QString strings = inWorkbook(xlsx, QStringLiteral("xl/sharedStrings.xml"));
    EXPECT_TRUE(strings.contains(QStringLiteral("Direktes Prüfmerkmal: Verdichtungsgrad DPr [%]")));
    EXPECT_TRUE(strings.contains(QStringLiteral("Walze „A“ &amp; B")));
    EXPECT_TRUE(strings.contains(QStringLiteral("Bestimmtheitsmaß direktes und indirektes")));
    const QString statistik = inWorkbook(xlsx, QStringLiteral("xl/worksheets/sheet2.xml"));
    const double r2 = k.StatistikBestimmtheitsmaß(mIndirekt, mDirekt);
    // Every statistic of page 4, r² among them, with the 16 significant
    // digits the workbook library writes (a spreadsheet shows 15).
    const QList<double> inStatistik = numbersIn(statistik);
    auto written = [&](double v) {
        return std::any_of(inStatistik.begin(), inStatistik.end(),
                           [v](double w) { return std::abs(w - v) <= 1e-15 * std::abs(v); });
    };
    int statistics = 0;
    for (const StatistikZeile& zeile : StatistikListe(k))
        if (zeile.Zahl) {
            ++statistics;
            EXPECT_TRUE(written(*zeile.Zahl)) << zeile.Text.toStdString();
        }
    EXPECT_GE(statistics, 20);
    EXPECT_TRUE(written(r2));
    EXPECT_FALSE(statistik.contains(QStringLiteral("width=\"70,")));
    const QString chart = inWorkbook(xlsx, QStringLiteral("xl/charts/chart1.xml"));
    EXPECT_TRUE(chart.contains(QStringLiteral("scatterChart")));
    EXPECT_TRUE(chart.contains(QStringLiteral("Kalibriergerade")));

    // The CSV as a German spreadsheet program reads it.
    const QString csv = dir.filePath(QStringLiteral("export.csv"));
    ExportCsv(k, csv);
    const QByteArray bytes = readFileBytes(csv);
    ASSERT_TRUE(bytes.startsWith("\xEF\xBB\xBF"));
    const QStringList lines = QString::fromUtf8(bytes.mid(3)).split(QStringLiteral("\r\n"));
    // The measured values, an empty line, the results.
    ASSERT_GT(lines.size(), 1 + 9 + 1 + 1 + 28);
    EXPECT_EQ(lines[10], QString());
    EXPECT_EQ(lines[11], QStringLiteral("Statistische Größe;Wert;Wertung"));
    EXPECT_TRUE(lines.contains(
        QStringLiteral("Bestimmtheitsmaß direktes und indirektes Prüfmerkmal;0,98;gut")))
        << lines.join(u'|').toStdString();
    EXPECT_TRUE(lines.contains(
        QStringLiteral("Minimales Bestimmtheitsmaß (indirektes, direktes Prüfmerkmal);0,65;")));
    EXPECT_TRUE(lines[lines.size() - 2].startsWith(QStringLiteral("Somit kann")));
    EXPECT_EQ(lines.last(), QString());
    EXPECT_TRUE(
        lines[0].startsWith(QStringLiteral("Prüffeld;Anzahl der Übergänge Z [-];Prüfpunkt;")));
    const QStringList row = lines[5].split(u';');
    ASSERT_EQ(row.size(), 5);
    EXPECT_EQ(row[0], QStringLiteral("2"));
    EXPECT_EQ(row[2], QStringLiteral("2"));
    EXPECT_EQ(rt::textToDouble(row[3]), 99.123456789);
    EXPECT_EQ(row[3], QStringLiteral("99,123456789"));
    EXPECT_EQ(rt::textToDouble(row[4]), 42.0);

    // A folder that cannot be written: an error, no file left.
    EXPECT_EQ(errorNumberOf([&] { ExportXlsx(k, dir.filePath(QStringLiteral("fehlt/x.xlsx"))); }),
              rt::err::PathFileAccessError);
    EXPECT_EQ(errorNumberOf([&] { ExportCsv(k, dir.path()); }), rt::err::PathFileAccessError);
    // A text longer than a cell holds refuses the workbook instead of
    // leaving the value out; 32,767 characters still fit.
    const QString walzentyp = QStringLiteral("Protokoll Verdichtung Kalibrierfeld Walzentyp");
    const QString lang = dir.filePath(QStringLiteral("lang.xlsx"));
    k.DataStoreLet(walzentyp, QString(32'767, u'W'));
    ExportXlsx(k, lang);
    EXPECT_TRUE(
        inWorkbook(lang, QStringLiteral("xl/sharedStrings.xml")).contains(QString(32'767, u'W')));
    k.DataStoreLet(walzentyp, QString(32'768, u'W'));
    try {
        ExportXlsx(k, lang);
        ADD_FAILURE() << "exported";
    } catch (const rt::RuntimeError& e) {
        EXPECT_EQ(e.number(), rt::err::PathFileAccessError);
        EXPECT_EQ(e.description(),
                  QStringLiteral("Die Datei „%1“ kann nicht geschrieben werden: ein Text hat mehr "
                                 "als 32.767 Zeichen, die eine Zelle einer Arbeitsmappe höchstens "
                                 "fasst (Blatt „Protokolldaten“, Zelle B24).")
                      .arg(lang));
    }
    EXPECT_TRUE(
        inWorkbook(lang, QStringLiteral("xl/sharedStrings.xml")).contains(QString(32'767, u'W')));
    k.DataStoreLet(walzentyp, QStringLiteral("Glattmantel"));
    QFile::remove(lang);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);

    // The form: the two entries; OK asks for a name beside the calibration's
    // file and writes the file.
    frmExport form;
    form.setKalibrierung(&k);
    form.setDateiname(dir.filePath(QStringLiteral("kalibrierung.v2.xml")));
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Export in dritte Programme"));
    EXPECT_EQ(form.Label1->text(), QStringLiteral("Wählen Sie eine Aktion aus:"));
    ASSERT_EQ(form.List1->count(), 2);
    EXPECT_EQ(form.List1->item(0)->text(),
              QStringLiteral("Export der Messwerte und Ergebnisse nach MS Excel"));
    saveScreenshot(&form, QStringLiteral("export"));
    form.List1->setCurrentRow(1);
    messages.fileAnswers = {dir.filePath(QStringLiteral("formular.csv"))};
    form.cmdOk->click();
    EXPECT_EQ(messages.fileDialogs.last(),
              QStringLiteral("save|Export als CSV-Datei|") + dir.path() +
                  QStringLiteral("|kalibrierung.v2.csv|CSV-Dateien (*.csv);;alle Dateien (*)|csv"));
    EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("formular.csv"))));
    EXPECT_EQ(form.result(), QDialog::Accepted);
    // The entry's suffix goes into the dialog, which adds it to a bare name
    // before it asks about replacing a file; nothing is added afterwards, so
    // a file with the name and the suffix is never replaced unasked.
    frmExport excel;
    excel.setKalibrierung(&k);
    excel.List1->setCurrentRow(0);
    for (const char* name : {"mappe.txt.xlsx", "werte.csv.xlsx"})
        writeFileBytes(dir.filePath(QString::fromUtf8(name)), "vorher");
    for (const char* name : {"mappe.txt", "werte.csv"}) {
        const QString chosen = dir.filePath(QString::fromUtf8(name));
        messages.fileAnswers = {chosen};
        messages.clear();
        excel.cmdOk->click();
        ASSERT_EQ(messages.fileDialogs.size(), 1);
        EXPECT_TRUE(messages.fileDialogs[0].endsWith(
            QStringLiteral("|Excel-Arbeitsmappen (*.xlsx);;alle Dateien (*)|xlsx")));
        EXPECT_TRUE(inWorkbook(chosen, QStringLiteral("xl/workbook.xml")).contains(u"Messwerte"));
        EXPECT_EQ(readFileBytes(chosen + QStringLiteral(".xlsx")), QByteArray("vorher"));
        EXPECT_EQ(messages.texts, QStringList{QStringLiteral("Die Messwerte und Ergebnisse wurden "
                                                             "nach „%1“ exportiert.")
                                                  .arg(chosen)});
    }

    // The minimum in the workbook with its own decimals; headers wrap.
    k.setMinBestimmtheitsmaßIndirektDirekt(0.655);
    const QString mappe = dir.filePath(QStringLiteral("minimum.xlsx"));
    ExportXlsx(k, mappe);
    const QString styles = inWorkbook(mappe, QStringLiteral("xl/styles.xml"));
    EXPECT_TRUE(styles.contains(QStringLiteral("formatCode=\"#,##0.000\"")))
        << styles.toStdString();
    EXPECT_TRUE(styles.contains(QStringLiteral("wrapText=\"1\"")));
}

// Qt's own save dialog behind the service: it opens beside the calibration
// with the name and the entry's suffix proposed, adds the suffix to a bare
// name before it asks (in German) about replacing that file, and returns a
// name with another suffix as typed.
TEST_F(VorschauTest, TheRealSaveDialogAsksAboutTheFileWritten) {
    struct EchteDateidialoge : RecordingMessages {
        QString saveFileDialog(QWidget* parent, const QString& caption, const QString& folder,
                               const QString& name, const QString& filter,
                               const QString& suffix) override {
            return MessageService::saveFileDialog(parent, caption, folder, name, filter, suffix);
        }
    } echte;
    QTemporaryDir dir;
    for (const char* name : {"mappe.xlsx", "mappe.txt.xlsx"})
        writeFileBytes(dir.filePath(QString::fromUtf8(name)), "vorher");
    frmExport form;
    form.setKalibrierung(&k);
    form.setDateiname(dir.filePath(QStringLiteral("k.xml")));
    form.List1->setCurrentRow(0);
    QString folder, proposed, suffix, question;
    bool stayedOpen = false;
    whenModal([&](QWidget* modal) {
        auto* d = qobject_cast<QFileDialog*>(modal);
        auto* name = modal->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        if (!d || !name) {
            ADD_FAILURE() << "kein Dateidialog";
            modal->close();
            return;
        }
        folder = d->directory().absolutePath();
        proposed = name->text();
        suffix = d->defaultSuffix();
        saveScreenshot(d, QStringLiteral("speichern-export"));
        // "mappe": mappe.xlsx exists, so the dialog asks; Nein goes back to it.
        whenModal([&](QWidget* box) {
            auto* m = qobject_cast<QMessageBox*>(box);
            question = m ? m->text() : QString();
            if (m && m->button(QMessageBox::No)) {
                saveScreenshot(m, QStringLiteral("speichern-ersetzen"));
                m->button(QMessageBox::No)->click();
            } else {
                box->close();
            }
        });
        // Typed where the user types: the name field has the focus.
        EXPECT_TRUE(QTest::qWaitFor([&] { return d->isActiveWindow(); }));
        name->setFocus();
        name->setText(QStringLiteral("mappe"));
        QTest::keyClick(name, Qt::Key_Return);
        stayedOpen = d->isVisible();
        // Back in the dialog, as after the question on a desktop.
        d->activateWindow();
        EXPECT_TRUE(QTest::qWaitFor([&] { return d->isActiveWindow(); }));
        name->setFocus();
        name->setText(QStringLiteral("mappe.txt"));
        QTest::keyClick(name, Qt::Key_Return);
        if (d->isVisible())
            d->reject();
    });
    form.cmdOk->click();
    EXPECT_EQ(folder, dir.path());
    EXPECT_EQ(proposed, QStringLiteral("k.xlsx"));
    EXPECT_EQ(suffix, QStringLiteral("xlsx"));
    EXPECT_EQ(
        question,
        QStringLiteral("Die Datei mappe.xlsx existiert bereits.\nSoll sie überschrieben werden?"));
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(readFileBytes(dir.filePath(QStringLiteral("mappe.xlsx"))), QByteArray("vorher"));
    EXPECT_EQ(readFileBytes(dir.filePath(QStringLiteral("mappe.txt.xlsx"))), QByteArray("vorher"));
    const QString written = dir.filePath(QStringLiteral("mappe.txt"));
    EXPECT_TRUE(inWorkbook(written, QStringLiteral("xl/workbook.xml")).contains(u"Messwerte"));
    EXPECT_EQ(echte.texts, QStringList{QStringLiteral("Die Messwerte und Ergebnisse wurden nach "
                                                      "„%1“ exportiert.")
                                           .arg(written)});
}

TEST_F(VorschauTest, PageFiveOpensThePreviewAndTheExport) {
    frmAssistent* w = open(k);
    // Saved in a folder of its own: PDF and export are proposed beside it.
    QTemporaryDir dir;
    messages.fileAnswers = {dir.filePath(QStringLiteral("k.xml"))};
    w->speichernUnter();
    messages.clear();
    w->ctlAssistent1->Page = 5;
    w->ctlAssistent1->GoToPage(0);
    auto* page = w->seite5;
    EXPECT_TRUE(page->cmdOutProtocoll->isEnabled());
    EXPECT_TRUE(page->cmdOutExport->isEnabled());
    int pages = 0;
    whenModal([&](QWidget* modal) {
        auto* p = qobject_cast<frmProtocollPreview*>(modal);
        ASSERT_TRUE(p);
        pages = p->PageCount();
        messages.fileAnswers = {QString()};
        p->pdf->trigger();
        p->reject();
    });
    page->cmdOutProtocoll->click();
    EXPECT_EQ(pages, 4);
    bool exported = false;
    whenModal([&](QWidget* modal) {
        auto* form = qobject_cast<frmExport*>(modal);
        exported = form != nullptr;
        for (int row = 0; form && row < 2; ++row) {
            form->List1->setCurrentRow(row);
            messages.fileAnswers = {QString()};
            form->cmdOk->click();
        }
        static_cast<QDialog*>(modal)->reject();
    });
    page->cmdOutExport->click();
    EXPECT_TRUE(exported);
    const QString folder = u'|' + dir.path() + u'|';
    EXPECT_EQ(messages.fileDialogs,
              (QStringList{QStringLiteral("save|Als PDF speichern") + folder +
                               QStringLiteral("k.pdf|PDF-Dateien (*.pdf);;alle Dateien (*)|pdf"),
                           QStringLiteral("save|Export nach MS Excel") + folder +
                               QStringLiteral("k.xlsx|Excel-Arbeitsmappen (*.xlsx);;alle "
                                              "Dateien (*)|xlsx"),
                           QStringLiteral("save|Export als CSV-Datei") + folder +
                               QStringLiteral("k.csv|CSV-Dateien (*.csv);;alle Dateien (*)|csv")}));
    // A failure shows the critical message and stays on page 5.
    messages.clear();
    Fensterfabrik* previous = Fensterfabrik::setInstance(nullptr);
    page->cmdOutProtocoll->click();
    Fensterfabrik::setInstance(previous);
    ASSERT_EQ(messages.texts.size(), 1);
    EXPECT_EQ(messages.texts[0],
              QStringLiteral("Währen der Programmausführung ist ein Fehler aufgetreten:\n"
                             "Objektvariable oder With-Blockvariable nicht festgelegt (91)"));
    EXPECT_EQ(messages.icons[0], MessageService::Critical);
    EXPECT_EQ(w->ctlAssistent1->Page, 5);

    // Page 4 shows the calibration diagram; without a line, a note.
    w->ctlAssistent1->Page = 4;
    w->ctlAssistent1->GoToPage(0);
    auto* diagram = child<KalibrierDiagramm>(w, "picKalibrierdiagramm");
    ASSERT_TRUE(diagram);
    diagram->grab();
    EXPECT_TRUE(diagram->hatDiagramm());
    // A requirement is drawn: dashed from the direct axis to the line
    // indirect = f(direct) and down to the indirect axis.
    diagram->resize(700, 460);
    diagram->aktualisieren();
    const QImage ohne = diagram->grab().toImage();
    setAnforderung(k, 1, 97.45);
    diagram->aktualisieren();
    const QImage bild = diagram->grab().toImage();
    ASSERT_EQ(bild.size(), ohne.size());
    if (const QString artefakte = qEnvironmentVariable("ORVANTA_ARTIFACTS"); !artefakte.isEmpty()) {
        QDir().mkpath(artefakte);
        bild.save(QDir(artefakte).filePath(QStringLiteral("seite4-anforderung.png")));
    }
    // The vertical dash: in one column, many short runs of new ink.
    int dashes = 0;
    for (int x = 0; x < bild.width(); ++x) {
        int runs = 0;
        bool ink = false;
        for (int y = 0; y < bild.height(); ++y) {
            const bool added = qGray(bild.pixel(x, y)) < 128 && qGray(ohne.pixel(x, y)) >= 128;
            runs += added && !ink;
            ink = added;
        }
        dashes = std::max(dashes, runs);
    }
    EXPECT_GE(dashes, 8) << "no dashed line";
    setAnforderung(k, 1, std::nullopt);
    for (int f = 1; f <= 3; ++f)
        for (int p = 1; p <= 3; ++p)
            k.setMesswert(pmIndirekt, f, p, 40.0);
    w->ctlAssistent1->GoToPage(0);
    diagram->grab();
    EXPECT_FALSE(diagram->hatDiagramm());
    EXPECT_TRUE(diagram->hinweis().startsWith(QStringLiteral("Kein Kalibrierdiagramm")));
}

// One build per action that changes what is shown: opening, a changed
// zoom; none for a cancelled editor, an own dialog or a second activation.
// The pages have the focus and the wheel; the warning about the printer
// comes with the page setup or printing, once per run, centred over the
// preview; printing without a printer gives one message.
TEST_F(VorschauTest, BuildsOncePerChangeAndScrollsWithTheWheel) {
    frmProtocollPreview::setPrinterWarningShown(false);
    frmProtocollPreview& p = show();
    EXPECT_EQ(p.builds(), 1);
    EXPECT_TRUE(p.picWorkspace->hasFocus());
    EXPECT_TRUE(messages.texts.filter(QStringLiteral("kein Drucker")).isEmpty());

    // The editor: Abbruch builds nothing, OK with a change builds once.
    whenModal([](QWidget* modal) {
        auto* editor = qobject_cast<frmProtocollExtraData*>(modal);
        ASSERT_TRUE(editor);
        editor->cmdCancel->click();
    });
    p.edit->trigger();
    EXPECT_EQ(p.builds(), 1);
    whenModal([](QWidget* modal) {
        auto* editor = qobject_cast<frmProtocollExtraData*>(modal);
        ASSERT_TRUE(editor);
        editor->Sorbel1->Dictionary()->insert(QStringLiteral("Unterlage Bemerkungen"),
                                              rt::Variant(QStringLiteral("neu")));
        editor->cmdOk->click();
    });
    p.edit->trigger();
    EXPECT_EQ(p.builds(), 2);

    // Page Down scrolls the pages, the zoom stays; the wheel scrolls too.
    p.cboZoom->setCurrentIndex(0); // 200 %
    EXPECT_EQ(p.builds(), 3);
    p.picWorkspace->setFocus();
    QTest::keyClick(p.picWorkspace, Qt::Key_PageDown);
    EXPECT_EQ(p.cboZoom->currentText(), QStringLiteral("200%"));
    EXPECT_GT(p.VScroll1->value(), 0);
    const int before = p.VScroll1->value();
    QWidget* page = p.seiten().picPage[1];
    const QPointF at(page->width() / 2.0, page->height() / 2.0);
    QWheelEvent down(at, page->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton,
                     Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(page, &down);
    EXPECT_GT(p.VScroll1->value(), before);
    QWheelEvent zoomOut(at, page->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton,
                        Qt::ControlModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(p.picWorkspace, &zoomOut);
    EXPECT_EQ(p.cboZoom->currentText(), QStringLiteral("150%"));
    EXPECT_EQ(p.builds(), 4);
    // The steps count from a typed zoom: 120 up gives 150, 10 down stays,
    // 60 down gives 50.
    QWheelEvent zoomIn(at, page->mapToGlobal(at), QPoint(), QPoint(0, 120), Qt::NoButton,
                       Qt::ControlModifier, Qt::NoScrollPhase, false);
    for (const auto& [typed, event, expected] :
         {std::tuple{"120", &zoomIn, "150%"}, std::tuple{"60", &zoomOut, "50%"},
          std::tuple{"10", &zoomOut, "10%"}, std::tuple{"300", &zoomIn, "300%"}}) {
        p.cboZoom->setEditText(QString::fromUtf8(typed));
        p.RebuildPreview();
        QApplication::sendEvent(p.picWorkspace, event);
        EXPECT_EQ(p.cboZoom->currentText(), QString::fromUtf8(expected)) << typed;
    }

    // The page setup without a printer: the warning first, as a real box
    // over the preview and centred on it, then the page setup.
    EXPECT_FALSE(frmProtocollPreview::printerWarningShown());
    {
        MessageService real;
        MessageService* recording = MessageService::setInstance(&real);
        QPointer<QWidget> boxParent;
        QString boxText;
        QPoint boxCentre;
        QString dialogAfter;
        whenModal([&](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            if (!box) {
                modal->close();
                return;
            }
            boxParent = box->parentWidget();
            boxText = box->text();
            boxCentre = box->frameGeometry().center();
            whenModal([&](QWidget* dialog) {
                dialogAfter = dialog->objectName();
                dialog->close();
            });
            box->defaultButton()->click();
        });
        p.printersetup->trigger();
        MessageService::setInstance(recording);
        EXPECT_EQ(boxParent.data(), &p);
        EXPECT_EQ(boxText, QStringLiteral("Es ist kein Drucker installiert. Während der "
                                          "Ausführung kann es deshalb zu Darstellungsfehlern "
                                          "kommen. Installieren Sie einen Drucker und starten "
                                          "Sie das Programm erneut."));
        EXPECT_LE((boxCentre - p.frameGeometry().center()).manhattanLength(), 4)
            << boxCentre.x() << "," << boxCentre.y();
        EXPECT_EQ(dialogAfter, QStringLiteral("seiteEinrichten"));
    }
    // Once per run: not again, not in a second preview.
    messages.clear();
    p.printersetup->trigger();
    frmProtocollPreview second;
    second.setKalibrierung(&k);
    second.printersetup->trigger();
    EXPECT_TRUE(messages.texts.filter(QStringLiteral("kein Drucker")).isEmpty());
    EXPECT_EQ(messages.dialogs, QStringList(2, QStringLiteral("seiteEinrichten")));

    // Printing without a printer (and no file): one message that says why.
    messages.clear();
    messages.onDialog = [](QDialog*) { return int(QDialog::Accepted); };
    p.print->trigger();
    ASSERT_EQ(messages.texts.size(), 1) << messages.texts.join(u'|').toStdString();
    EXPECT_TRUE(messages.texts[0].contains(QStringLiteral("kann nicht gedruckt werden")));
}

// The page setup sets the sheet of the preview and the PDF, without a
// printer too; the sheet chosen in the print dialog is the one printed, and
// the preview follows it.
TEST_F(VorschauTest, TheSheetChosenIsTheSheetPrinted) {
    frmProtocollPreview& p = show();
    const int a4Pages = p.PageCount();
    const double dotsPerCm = p.seiten().picPage[1]->logicalDpiX() / 2.54;
    EXPECT_NEAR(p.seiten().picPage[1]->width(), 21.0 * dotsPerCm, 2) << "A4 at 100 %";
    QTemporaryDir dir;
    const QString printed = dir.filePath(QStringLiteral("letter.pdf"));
    QPageSize printSheet(QPageSize::Letter);
    messages.onDialog = [&](QDialog* dialog) {
        if (dialog->objectName() == u"seiteEinrichten") {
            // Without a printer: the sheets the protocol is made for.
            auto* papier = dialog->findChild<QComboBox*>(QStringLiteral("cboPapier"));
            if (!papier)
                return int(QDialog::Rejected);
            EXPECT_EQ(papier->currentText(), QStringLiteral("A4 (21,0 × 29,7 cm)"));
            EXPECT_EQ(papier->count(), 5);
            papier->setCurrentIndex(papier->findData(QStringLiteral("A5")));
        } else if (auto* print = qobject_cast<QPrintDialog*>(dialog)) {
            print->printer()->setOutputFormat(QPrinter::PdfFormat);
            print->printer()->setOutputFileName(printed);
            print->printer()->setPageSize(printSheet);
        }
        return int(QDialog::Accepted);
    };
    p.printersetup->trigger();
    EXPECT_EQ(p.blatt().id(), QPageSize::A5);
    EXPECT_NEAR(p.seiten().picPage[1]->width(), 14.8 * dotsPerCm, 2);
    const int a5Pages = p.PageCount();
    EXPECT_GT(a5Pages, a4Pages);
    EXPECT_TRUE(p.StatusBar1->currentMessage().contains(QStringLiteral("Papier A5")))
        << p.StatusBar1->currentMessage().toStdString();
    const QString pdf = dir.filePath(QStringLiteral("als-pdf.pdf"));
    messages.fileAnswers = {pdf};
    p.pdf->trigger();
    EXPECT_EQ(pdfPages(pdf), a5Pages);
    EXPECT_EQ(pdfPageSizePt(pdf), QSize(420, 595));
    // The status bar names the file written.
    EXPECT_EQ(p.StatusBar1->currentMessage(),
              QStringLiteral("%1 Seiten als PDF gespeichert in „%2“")
                  .arg(a5Pages)
                  .arg(QDir::toNativeSeparators(pdf)));

    // Letter in the print dialog: Letter printed, and the preview shows it.
    p.print->trigger();
    EXPECT_EQ(pdfPageSizePt(printed), QSize(612, 792));
    EXPECT_EQ(p.blatt().id(), QPageSize::Letter);
    EXPECT_TRUE(
        p.StatusBar1->currentMessage().contains(QStringLiteral("Papier Letter (21,6 × 27,9 cm)")))
        << p.StatusBar1->currentMessage().toStdString();
    EXPECT_EQ(pdfPages(printed), p.PageCount());
    EXPECT_NEAR(p.seiten().picPage[1]->width(), 21.59 * dotsPerCm, 2);
}

// One table of site data drives Reset, the protocol, the site-data editor,
// the workbook and the seeding from page 2: an entry added to it appears in
// all five.
TEST_F(VorschauTest, TheSiteDataTableDrivesEveryUser) {
    const std::vector<Protokollangabe> vorher = Protokollangaben();
    struct Zurück {
        std::vector<Protokollangabe> angaben;
        ~Zurück() { setProtokollangaben(angaben); }
    } zurück{vorher};
    std::vector<Protokollangabe> angaben = vorher;
    Protokollangabe neu;
    neu.schlüssel = QStringLiteral("Kalibrierfeld Bodenfeuchte");
    neu.beschriftung = QStringLiteral("Bodenfeuchte:");
    neu.vorgabe = QStringLiteral("?? % feucht");
    neu.block = 2;
    angaben.insert(angaben.begin() + 11, neu);
    for (Protokollangabe& a : angaben)
        if (a.jeFeld)
            a.schlüssel = QStringLiteral("Kalibrierfeld Übergänge je Feld");
    setProtokollangaben(angaben);
    const QString key = QStringLiteral("Protokoll Verdichtung Kalibrierfeld Bodenfeuchte");

    // Reset writes its default.
    Kalibrierung neue;
    fillWorkedExample(neue);
    describeWorkedExample(neue);
    ASSERT_TRUE(neue.DataStore()->find(key));
    EXPECT_EQ(neue.DataStore()->find(key)->toText(), QStringLiteral("?? % feucht"));

    // The editor lists it.
    frmProtocollExtraData editor;
    editor.setKalibrierung(&neue);
    EXPECT_TRUE(editor.Sorbel1->Dictionary()->keys().contains(
        QStringLiteral("Kalibrierfeld Bodenfeuchte")));

    // The protocol prints it with its label.
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("p.pdf"));
    ProtokollAlsPdf(neue, 0, pdf);
    const QString printed = pdfText(pdf);
    EXPECT_TRUE(printed.contains(QStringLiteral("Bodenfeuchte:"))) << printed.toStdString();
    EXPECT_TRUE(printed.contains(QStringLiteral("?? % feucht")));

    // The workbook shows the protocol's labels.
    const QString xlsx = dir.filePath(QStringLiteral("w.xlsx"));
    ExportXlsx(neue, xlsx);
    const QString strings = inWorkbook(xlsx, QStringLiteral("xl/sharedStrings.xml"));
    EXPECT_TRUE(strings.contains(QStringLiteral("Kalibrierfeld: Bodenfeuchte")));
    EXPECT_TRUE(strings.contains(QStringLiteral("Unterlage: Wassergehalt")));
    EXPECT_FALSE(strings.contains(QStringLiteral(">Unterlage Wassergehalt<")));

    // Page 2 seeds the per-field entry under the table's key.
    frmAssistent* w = openOnPage(neue, 2);
    QTest::mouseClick(w->ctlAssistent1->cmdNext, Qt::LeftButton);
    ASSERT_EQ(w->ctlAssistent1->Page, 3);
    const rt::Variant* seeded = neue.DataStore()->find(
        QStringLiteral("Protokoll Verdichtung Kalibrierfeld Übergänge je Feld - Prüffeld 2"));
    ASSERT_TRUE(seeded);
    EXPECT_EQ(seeded->toDouble(), 4.0);
}

// Texts from the file never run as formulas in a spreadsheet, and control
// characters do not reach the CSV file or the workbook.
TEST_F(VorschauTest, ExportedTextsAreNoFormulasAndHaveNoControls) {
    k.Kovariable().setName(QStringLiteral("=1+1"));
    k.IndirektesPrüfmerkmal().setName(QStringLiteral("Modul\x01mit\x1bSteuer"));
    QTemporaryDir dir;
    const QString csv = dir.filePath(QStringLiteral("w.csv"));
    ExportCsv(k, csv);
    const QString text = QString::fromUtf8(readFileBytes(csv).mid(3));
    const QStringList header = text.section(QStringLiteral("\r\n"), 0, 0).split(u';');
    ASSERT_GE(header.size(), 2);
    EXPECT_EQ(header[1], QStringLiteral("'=1+1 Z [-]"));
    EXPECT_FALSE(text.contains(QChar(u'\x01')));
    EXPECT_FALSE(text.contains(QChar(u'\x1b')));
    // The rating "-" stays as it is.
    EXPECT_TRUE(text.contains(QStringLiteral(";-\r\n")));
    EXPECT_FALSE(text.contains(QStringLiteral(";'-")));
    const QString xlsx = dir.filePath(QStringLiteral("w.xlsx"));
    ExportXlsx(k, xlsx);
    const QString strings = inWorkbook(xlsx, QStringLiteral("xl/sharedStrings.xml"));
    EXPECT_TRUE(strings.contains(QStringLiteral("Modul mit Steuer")));
}

// Requirement values: set in the options with their own digits, translated
// to the indirect characteristic through the calibration line, rounded to
// the safe side; the same lines on page 4, in the protocol, the workbook
// and the CSV file.
TEST_F(VorschauTest, RequirementValuesAreTranslatedEverywhere) {
    k.IndirektesPrüfmerkmal().setNachkommastellen(1);
    k.DirektesPrüfmerkmal().setNachkommastellen(1);
    EXPECT_TRUE(AnforderungTexte(k).isEmpty());
    // The options dialog takes them; an empty box sets none.
    {
        frmCalcOptions dialog;
        dialog.setKalibrierung(&k);
        dialog.txtAnforderung[0]->setText(QStringLiteral("98"));
        dialog.txtAnforderung[1]->setText(QStringLiteral("1.5"));
        dialog.cmdOk->click();
        EXPECT_NE(dialog.result(), QDialog::Accepted); // "1.5" reads two ways
        dialog.txtAnforderung[1]->setText(QString());
        dialog.cmdOk->click();
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
    }
    ASSERT_TRUE(Anforderung(k, 1));
    EXPECT_EQ(*Anforderung(k, 1), 98.0);
    EXPECT_FALSE(Anforderung(k, 2));
    // EVD = -288 + 3,3333… · 98 = 38,67 → 38,7 (up: the line rises); the
    // requirement as entered.
    const QString line = QStringLiteral(
        "Anforderung DPr ≥ 98 % entspricht EVD ≥ 38,7 MN/m² (zur sicheren Seite gerundet)");
    EXPECT_EQ(AnforderungTexte(k), QStringList{line});

    // Page 4.
    frmAssistent* w = openOnPage(k, 4);
    auto* label = child<QLabel>(w, "labAnforderungen");
    ASSERT_TRUE(label);
    EXPECT_TRUE(label->isVisible());
    QTextDocument shown;
    shown.setHtml(label->text());
    EXPECT_EQ(shown.toPlainText(), line);
    saveScreenshot(w, QStringLiteral("seite4-anforderungen"));

    // The protocol, the workbook and the CSV file.
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("p.pdf"));
    ProtokollAlsPdf(k, 1, pdf);
    const QString printed = pdfText(pdf);
    EXPECT_TRUE(printed.contains(QStringLiteral("Anforderungswerte")));
    EXPECT_TRUE(printed.contains(QStringLiteral("entspricht EVD ≥ 38,7 MN/m²")))
        << printed.right(400).toStdString();
    const QString xlsx = dir.filePath(QStringLiteral("w.xlsx"));
    ExportXlsx(k, xlsx);
    EXPECT_TRUE(inWorkbook(xlsx, QStringLiteral("xl/sharedStrings.xml")).contains(line));

    // A critical verdict adds its note, bold on page 4; the lines of every
    // output are those of AnforderungTexte.
    const double indirect[3][3] = {{40, 31, 52}, {33, 50, 41}, {44, 30, 39}};
    for (int f = 1; f <= 3; ++f)
        for (int p = 1; p <= 3; ++p)
            k.setMesswert(pmIndirekt, f, p, indirect[f - 1][p - 1]);
    setAnforderung(k, 2, 97.45);
    setAnforderung(k, 3, 80);
    const QList<AnforderungWert> werte = AnforderungWerte(k);
    ASSERT_EQ(werte.size(), 3);
    const QString note =
        QStringLiteral(" – darf nicht genutzt werden, das Bestimmtheitsmaß ist kritisch");
    for (const AnforderungWert& wert : werte)
        EXPECT_EQ(wert.hinweis, note);
    EXPECT_EQ(werte[1].anforderungText, QStringLiteral("97,45"));
    EXPECT_TRUE(werte[2].außerhalb);
    const QStringList lines = AnforderungTexte(k);
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(lines[2].endsWith(QStringLiteral("(zur sicheren Seite gerundet) – außerhalb des "
                                                 "Messbereichs 95,0 … 103,0 %") +
                                  note))
        << lines[2].toStdString();

    w->ctlAssistent1->GoToPage(0); // page 4 filled anew
    shown.setHtml(label->text());
    EXPECT_EQ(shown.toPlainText(), lines.join(u'\n'));
    for (const QString& l : lines) {
        // The line itself plain, its note bold.
        const QString zeile = l.chopped(note.size());
        const QTextCursor atLine = shown.find(zeile);
        ASSERT_FALSE(atLine.isNull()) << zeile.toStdString();
        EXPECT_LT(atLine.charFormat().fontWeight(), QFont::Bold);
        const QTextCursor atNote = shown.find(note, atLine);
        ASSERT_FALSE(atNote.isNull());
        EXPECT_GE(atNote.charFormat().fontWeight(), QFont::Bold);
    }
    // Laid out anew: every line wraps below the verdict, none is cut off.
    QApplication::processEvents();
    EXPECT_GE(label->height(), label->heightForWidth(label->width()));
    saveScreenshot(w, QStringLiteral("seite4-anforderungen-kritisch"));

    // The workbook: beside each line the requirement and the indirect value
    // as numbers, read back as they were computed; the requirement with its
    // own digits (at least the direct decimals), the value with the
    // indirect decimals.
    ExportXlsx(k, xlsx);
    const QList<QStringList> blatt = zellen(xlsx, QStringLiteral("Statistik"));
    const qsizetype kopf = std::find_if(blatt.begin(), blatt.end(),
                                        [](const QStringList& zeile) {
                                            return zeile.value(0) == u"Anforderungswerte";
                                        }) -
                           blatt.begin();
    ASSERT_LT(kopf, blatt.size());
    EXPECT_EQ(blatt[kopf], (QStringList{QStringLiteral("Anforderungswerte"),
                                        QStringLiteral("DPr [%]"), QStringLiteral("EVD [MN/m²]")}));
    const QChar zahl(MesswertImport::Mappe::Zahlmarke);
    for (qsizetype i = 0; i < werte.size(); ++i) {
        const QStringList zeile = blatt.value(kopf + 1 + i);
        ASSERT_EQ(zeile.size(), 3) << i;
        EXPECT_EQ(zeile[0], lines[i]);
        ASSERT_TRUE(zeile[1].startsWith(zahl) && zeile[2].startsWith(zahl)) << i;
        EXPECT_EQ(zeile[1].mid(1).toDouble(), werte[i].anforderung);
        ASSERT_TRUE(werte[i].wert);
        EXPECT_EQ(zeile[2].mid(1).toDouble(), *werte[i].wert);
        const QString row = QString::number(kopf + 2 + i);
        EXPECT_EQ(zahlenformatIn(xlsx, QStringLiteral("C") + row), QStringLiteral("#,##0.0"));
    }
    EXPECT_EQ(zahlenformatIn(xlsx, QStringLiteral("B%1").arg(kopf + 2)), QStringLiteral("#,##0.0"));
    EXPECT_EQ(zahlenformatIn(xlsx, QStringLiteral("B%1").arg(kopf + 3)),
              QStringLiteral("#,##0.00"));

    // The CSV file: each line with the requirement and the indirect value as
    // the program writes them, read back as they were computed.
    const QString csv = dir.filePath(QStringLiteral("w.csv"));
    auto csvRows = [&] {
        ExportCsv(k, csv);
        return QString::fromUtf8(readFileBytes(csv).mid(3)).split(QStringLiteral("\r\n"));
    };
    const QString csvKopf = QStringLiteral("Anforderungswerte;DPr [%];EVD [MN/m²]");
    const QStringList rows = csvRows();
    const qsizetype at = rows.indexOf(csvKopf);
    ASSERT_GE(at, 0) << rows.join(u'|').toStdString();
    for (qsizetype i = 0; i < werte.size(); ++i) {
        const QStringList fields = rows.value(at + 1 + i).split(u';');
        ASSERT_EQ(fields.size(), 3) << i;
        EXPECT_EQ(fields[0], lines[i]);
        EXPECT_EQ(fields[1], werte[i].anforderungText);
        EXPECT_EQ(rt::textToDouble(fields[1]), werte[i].anforderung);
        EXPECT_EQ(fields[2], werte[i].wertText);
        EXPECT_EQ(rt::textToDouble(fields[2]), *werte[i].wert);
    }
    EXPECT_EQ(rows.value(at + 2).section(u';', 1), QStringLiteral("97,45;") + werte[1].wertText);

    // A line that cannot be computed gives "(Fehler)", in the CSV file too.
    for (int f = 1; f <= 3; ++f)
        for (int p = 1; p <= 3; ++p)
            k.setMesswert(pmDirekt, f, p, 97.0); // no variance: no line
    EXPECT_TRUE(AnforderungTexte(k).value(0).contains(QStringLiteral("(Fehler)")))
        << AnforderungTexte(k).value(0).toStdString();
    const QStringList failed = csvRows();
    EXPECT_TRUE(failed.value(failed.indexOf(csvKopf) + 1).endsWith(QStringLiteral(";98;(Fehler)")))
        << failed.join(u'|').toStdString();
}

// The options show a requirement with all its digits, whatever the direct
// decimals, and an unchanged box never rewrites it.
TEST_F(VorschauTest, TheOptionsKeepTheDigitsOfARequirement) {
    k.DirektesPrüfmerkmal().setNachkommastellen(0);
    {
        frmCalcOptions dialog;
        dialog.setKalibrierung(&k);
        dialog.txtAnforderung[0]->setText(QStringLiteral("97,45"));
        dialog.txtAnforderung[1]->setText(QStringLiteral("98,123"));
        dialog.cmdOk->click();
        ASSERT_EQ(dialog.result(), QDialog::Accepted);
    }
    EXPECT_EQ(*Anforderung(k, 1), 97.45);
    EXPECT_EQ(*Anforderung(k, 2), 98.123);
    // More digits than a number text shows, as a file may hold them.
    const QString inDatei = QStringLiteral("97,123456789012345");
    k.DataStoreLet(AnforderungSchlüssel(3), rt::Variant(inDatei));
    const double stored = *Anforderung(k, 3);
    EXPECT_NE(rt::textToDouble(rt::doubleToText(stored)), stored);
    k.setIsDirty(false);
    frmCalcOptions dialog;
    dialog.setKalibrierung(&k);
    EXPECT_EQ(dialog.txtAnforderung[0]->text(), QStringLiteral("97,45"));
    EXPECT_EQ(dialog.txtAnforderung[1]->text(), QStringLiteral("98,123"));
    EXPECT_EQ(dialog.txtAnforderung[2]->text(), rt::doubleToText(stored));
    dialog.cmdOk->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(*Anforderung(k, 1), 97.45);
    EXPECT_EQ(*Anforderung(k, 3), stored);
    EXPECT_EQ(k.DataStore()->find(AnforderungSchlüssel(3))->toText(), inDatei);
    EXPECT_FALSE(k.IsDirty());
}

namespace {
// Runs action and names the modal windows that opened meanwhile; each is
// handed to handle (which closes it), by default rejected at once.
QStringList modalsDuring(const std::function<void()>& action,
                         const std::function<void(QDialog*)>& handle = {}) {
    QStringList opened;
    QTimer timer;
    timer.setInterval(10);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        auto* modal = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!modal || !modal->isVisible() || modal->property("gesehen").toBool())
            return;
        modal->setProperty("gesehen", true);
        opened.append(modal->objectName());
        if (handle)
            handle(modal);
        else
            modal->reject();
    });
    timer.start();
    action();
    return opened;
}
bool opensModal(const std::function<void()>& action) {
    return !modalsDuring(action).isEmpty();
}

QString heute() {
    return QDate::currentDate().toString(QStringLiteral("dd.MM.yyyy"));
}
} // namespace

// The report header in the editor: first, under readable labels; the
// Prüfstelle takes several lines (Shift+Return); "Heute" enters today's date
// into a date entry, only when chosen; F1 opens the editor's help.
TEST_F(VorschauTest, TheEditorTakesTheReportHeader) {
    k.setIsDirty(false);
    frmProtocollExtraData editor;
    editor.setKalibrierung(&k);
    editor.resize(700, 520);
    editor.show();
    editor.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&editor));
    FlexGrid* grid = editor.Sorbel1->FlexGrid_();
    QLineEdit* box = editor.Sorbel1->TextBox();
    const SorbelDictionaryPtr copy = editor.Sorbel1->Dictionary();
    ASSERT_EQ(grid->TextMatrix(2, 0), QStringLiteral("Prüfstelle (Name und Anschrift)"));

    grid->setFocus();
    grid->setCurrentCell(0, 1);
    type(grid, box, QStringLiteral("Ortsumgehung B 12"));
    grid->setCurrentCell(2, 1);
    QTest::keyClicks(grid, QStringLiteral("E"));
    QTest::keyClicks(box, QStringLiteral("rdbaulabor Nord"));
    QTest::keyClick(box, Qt::Key_Return, Qt::ShiftModifier);
    QTest::keyClicks(box, QStringLiteral("Am Damm 3"));
    QTest::keyClick(box, Qt::Key_Return, Qt::ShiftModifier);
    QTest::keyClicks(box, QStringLiteral("80000 Ort"));
    EXPECT_TRUE(box->isVisible());
    QTest::keyClick(box, Qt::Key_Return);
    EXPECT_EQ(copy->find(QStringLiteral("Prüfstelle (Name und Anschrift)"))->toText(),
              QStringLiteral("Erdbaulabor Nord\nAm Damm 3\n80000 Ort"));
    EXPECT_GT(grid->RowHeight(2), grid->RowHeight(1));
    EXPECT_EQ(editor.Sorbel1->SelectedItem(), QStringLiteral("Bearbeiter"));

    // "Heute" only for a date entry.
    EXPECT_FALSE(editor.cmdHeute->isEnabled());
    grid->setCurrentCell(5, 1);
    EXPECT_TRUE(editor.cmdHeute->isEnabled());
    EXPECT_EQ(copy->find(QStringLiteral("Berichtsdatum"))->toText(), QString());
    const QString vorher = heute();
    QTest::mouseClick(editor.cmdHeute, Qt::LeftButton);
    const QString eingetragen = copy->find(QStringLiteral("Berichtsdatum"))->toText();
    EXPECT_TRUE(eingetragen == vorher || eingetragen == heute()) << eingetragen.toStdString();
    EXPECT_TRUE(QDate::fromString(eingetragen, QStringLiteral("dd.MM.yyyy")).isValid());
    EXPECT_EQ(grid->TextMatrix(5, 1), eingetragen);
    EXPECT_EQ(editor.Sorbel1->SelectedItem(), QStringLiteral("Berichtsdatum"));
    EXPECT_TRUE(grid->hasFocus());
    // Nothing reaches the calibration before OK.
    EXPECT_EQ(k.DataStore()->find(BerichtsdatumSchlüssel)->toText(), QString());
    EXPECT_FALSE(k.IsDirty());
    // Alt+H from the list, on a site-data date that holds its placeholder.
    const int prüfung =
        int(copy->keys().indexOf(QStringLiteral("Kalibrierfeld Datum bei Prüfung")));
    ASSERT_GT(prüfung, 5);
    grid->setCurrentCell(prüfung, 1);
    EXPECT_EQ(grid->TextMatrix(prüfung, 1), QStringLiteral("??.??.????"));
    QTest::keyClick(grid, Qt::Key_H, Qt::AltModifier); // an animated click
    EXPECT_TRUE(QTest::qWaitFor([&] { return grid->TextMatrix(prüfung, 1) == eingetragen; }, 2000));
    grid->setCurrentCell(prüfung + 1, 1);
    EXPECT_FALSE(editor.cmdHeute->isEnabled());

    // F1: the help on this window (the wizard routes help topics there).
    setHelpTopicHandler([](const QString& page) { ShowHelpPage(page); });
    setApplicationHelpFile(QStringLiteral(ORVANTA_HELP_DIR "/VelmorTeilE4.html"));
    QTest::keyClick(&editor, Qt::Key_F1);
    ASSERT_TRUE(frmHilfe::offen());
    EXPECT_EQ(QFileInfo(frmHilfe::offen()->browser->source().toLocalFile()).fileName(),
              QStringLiteral("protokolldaten.html"));
    EXPECT_TRUE(frmHilfe::offen()->browser->toPlainText().contains(
        QStringLiteral("Umschalt+Eingabetaste")));
    frmHilfe::offen()->close();
    saveScreenshot(&editor, QStringLiteral("protokolldaten-bericht"));

    // OK stores the header under its own keys.
    editor.activateWindow();
    editor.cmdOk->click();
    EXPECT_EQ(k.DataStore()->find(BauvorhabenSchlüssel)->toText(),
              QStringLiteral("Ortsumgehung B 12"));
    EXPECT_EQ(k.DataStore()->find(PrüfstelleSchlüssel)->toText(),
              QStringLiteral("Erdbaulabor Nord\nAm Damm 3\n80000 Ort"));
    EXPECT_EQ(k.DataStore()->find(BerichtsdatumSchlüssel)->toText(), eingetragen);
    EXPECT_EQ(k.DataStore()
                  ->find(QStringLiteral("Protokoll Verdichtung Kalibrierfeld Datum bei Prüfung"))
                  ->toText(),
              eingetragen);
    EXPECT_FALSE(k.DataStore()->exists(QStringLiteral("Protokoll Verdichtung Bauvorhaben")));
    EXPECT_TRUE(k.IsDirty());

    // Opening and committing an empty date without "Heute" leaves it empty.
    Kalibrierung neu;
    frmProtocollExtraData zweiter;
    zweiter.setKalibrierung(&neu);
    zweiter.show();
    zweiter.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&zweiter));
    FlexGrid* g = zweiter.Sorbel1->FlexGrid_();
    g->setFocus();
    g->setCurrentCell(5, 1);
    QTest::keyClick(g, Qt::Key_F2);
    EXPECT_EQ(zweiter.Sorbel1->TextBox()->text(), QString());
    QTest::keyClick(zweiter.Sorbel1->TextBox(), Qt::Key_Return);
    zweiter.cmdOk->click();
    EXPECT_EQ(neu.DataStore()->find(BerichtsdatumSchlüssel)->toText(), QString());
    EXPECT_FALSE(neu.IsDirty());
}

// Before the preview, the export, a print or a PDF: unfilled site data are
// named, with "Protokolldaten bearbeiten", "Trotzdem erzeugen" and
// "Abbrechen"; nothing is produced unless the user goes on, and going on is
// not asked again while the calibration stays as it is.
TEST_F(VorschauTest, UnfilledSiteDataAreNamedBeforeAnOutput) {
    frmAssistent* w = open(k);
    w->ctlAssistent1->Page = 5;
    w->ctlAssistent1->GoToPage(0);
    auto* page = w->seite5;

    // Closing the message: no preview.
    messages.choiceAnswer.clear();
    EXPECT_FALSE(opensModal([&] { page->cmdOutProtocoll->click(); }));
    ASSERT_EQ(messages.choiceTexts.size(), 1);
    const QString text = messages.choiceTexts[0];
    EXPECT_TRUE(text.contains(QStringLiteral("\n• Bauvorhaben\n"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("\n• Prüfstelle (Name und Anschrift)\n")));
    EXPECT_TRUE(text.contains(QStringLiteral("\n• Unterlage Wassergehalt\n")));
    EXPECT_TRUE(text.contains(QStringLiteral("\n• Kalibrierfeld Temperatur bei Prüfung\n")));
    EXPECT_FALSE(text.contains(QStringLiteral("Walzentyp")));
    EXPECT_EQ(messages.choiceButtons[0],
              (QStringList{QStringLiteral("Protokolldaten &bearbeiten"),
                           QStringLiteral("&Trotzdem erzeugen"), QStringLiteral("Abbrechen")}));
    EXPECT_EQ(messages.choiceIcons[0], MessageService::Warning);
    EXPECT_EQ(messages.choiceTitles[0], QStringLiteral("Kalibrierung nach Velmor Teil E 4"));
    EXPECT_EQ(messages.choiceDefaults[0], 0);
    EXPECT_TRUE(messages.texts.isEmpty());
    // The export asks the same.
    EXPECT_FALSE(opensModal([&] { page->cmdOutExport->click(); }));
    EXPECT_EQ(messages.choiceTexts.size(), 2);

    // "Protokolldaten bearbeiten": the editor, then nothing else.
    messages.choiceAnswer = QStringLiteral("Protokolldaten bearbeiten");
    const QStringList modals = modalsDuring(
        [&] { page->cmdOutProtocoll->click(); },
        [](QDialog* modal) {
            auto* editor = qobject_cast<frmProtocollExtraData*>(modal);
            if (!editor) {
                modal->reject();
                return;
            }
            editor->Sorbel1->Dictionary()->insert(QStringLiteral("Bauvorhaben"),
                                                  rt::Variant(QStringLiteral("Ortsumgehung")));
            editor->cmdOk->click();
        });
    EXPECT_EQ(modals, QStringList{QStringLiteral("frmProtocollExtraData")});
    EXPECT_EQ(k.DataStore()->find(BauvorhabenSchlüssel)->toText(), QStringLiteral("Ortsumgehung"));
    ASSERT_EQ(messages.choiceTexts.size(), 3);
    // Filled in, it is no longer named.
    messages.choiceAnswer.clear();
    EXPECT_FALSE(opensModal([&] { page->cmdOutProtocoll->click(); }));
    ASSERT_EQ(messages.choiceTexts.size(), 4);
    EXPECT_FALSE(messages.choiceTexts[3].contains(QStringLiteral("Bauvorhaben")));

    // "Trotzdem erzeugen": the preview; its print asks no second time, nor
    // does the export after it; a change asks again.
    messages.choiceAnswer = QStringLiteral("Trotzdem erzeugen");
    int pages = 0;
    whenModal([&](QWidget* modal) {
        auto* p = qobject_cast<frmProtocollPreview*>(modal);
        ASSERT_TRUE(p);
        pages = p->PageCount();
        messages.onDialog = [](QDialog*) { return int(QDialog::Rejected); };
        p->print->trigger();
        p->reject();
    });
    page->cmdOutProtocoll->click();
    EXPECT_GT(pages, 0);
    EXPECT_EQ(messages.choiceTexts.size(), 5);
    EXPECT_EQ(messages.dialogs, QStringList{QStringLiteral("druckDialog")});
    EXPECT_TRUE(opensModal([&] { page->cmdOutExport->click(); }));
    EXPECT_EQ(messages.choiceTexts.size(), 5);
    k.DataStoreLet(AuftraggeberSchlüssel, QStringLiteral("Land"));
    messages.choiceAnswer.clear();
    EXPECT_FALSE(opensModal([&] { page->cmdOutExport->click(); }));
    EXPECT_EQ(messages.choiceTexts.size(), 6);

    // Many fields with placeholders: the list is cut, the rest counted.
    k.setPrüffelderAnzahl(12);
    for (rt::Long f = 1; f <= 12; ++f)
        k.DataStoreLet(ProtokollSchlüssel(*ProtokollangabeJeFeld(), f), QStringLiteral("??"));
    ASSERT_EQ(UnfertigeProtokolldaten(k, 0).size(), 4 + 16 + 12);
    EXPECT_FALSE(opensModal([&] { page->cmdOutExport->click(); }));
    ASSERT_EQ(messages.choiceTexts.size(), 7);
    EXPECT_EQ(messages.choiceTexts[6].count(QStringLiteral("\n• ")), 30);
    EXPECT_TRUE(messages.choiceTexts[6].contains(
        QStringLiteral("\n• Kalibrierfeld Temperatur bei Verdichtung\n… und 2 weitere\n")))
        << messages.choiceTexts[6].toStdString();

    // Everything filled: no message, the output at once.
    for (const Protokolleintrag& e : ProtokollEinträge(k))
        k.DataStoreLet(e.schlüssel, QStringLiteral("1"));
    EXPECT_TRUE(UnfertigeProtokolldaten(k, 0).isEmpty());
    EXPECT_TRUE(opensModal([&] { page->cmdOutExport->click(); }));
    EXPECT_EQ(messages.choiceTexts.size(), 7);
}

// In the preview: print and "Als PDF speichern" ask for the chosen type
// (type 1: the header only); "Protokolldaten bearbeiten" opens the editor
// through the preview's own command, which rebuilds, and prints nothing.
TEST_F(VorschauTest, ThePreviewAsksBeforePrintAndPdf) {
    frmProtocollPreview& p = show();
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("p.pdf"));
    messages.choiceAnswer.clear();
    messages.fileAnswers = {pdf};
    p.pdf->trigger();
    ASSERT_EQ(messages.choiceTexts.size(), 1);
    EXPECT_TRUE(messages.fileDialogs.isEmpty());
    EXPECT_FALSE(QFile::exists(pdf));
    EXPECT_TRUE(messages.choiceTexts[0].contains(QStringLiteral("Unterlage Wassergehalt")));

    p.cboTyp->setCurrentIndex(1);
    p.print->trigger();
    ASSERT_EQ(messages.choiceTexts.size(), 2);
    EXPECT_TRUE(messages.dialogs.isEmpty());
    EXPECT_TRUE(messages.choiceTexts[1].contains(QStringLiteral("• Berichtsdatum")));
    EXPECT_FALSE(messages.choiceTexts[1].contains(QStringLiteral("Unterlage")));

    const int builds = p.builds();
    messages.choiceAnswer = QStringLiteral("Protokolldaten bearbeiten");
    whenModal([](QWidget* modal) {
        auto* editor = qobject_cast<frmProtocollExtraData*>(modal);
        ASSERT_TRUE(editor);
        editor->Sorbel1->Dictionary()->insert(QStringLiteral("Berichtsnummer"),
                                              rt::Variant(QStringLiteral("KB-17")));
        editor->cmdOk->click();
    });
    p.print->trigger();
    EXPECT_EQ(k.DataStore()->find(BerichtsnummerSchlüssel)->toText(), QStringLiteral("KB-17"));
    EXPECT_EQ(p.builds(), builds + 1);
    EXPECT_TRUE(messages.dialogs.isEmpty());

    // Going on writes the PDF.
    messages.choiceAnswer = QStringLiteral("Trotzdem erzeugen");
    messages.fileAnswers = {pdf};
    p.pdf->trigger();
    EXPECT_EQ(messages.choiceTexts.size(), 4);
    EXPECT_TRUE(QFile::exists(pdf));
}
