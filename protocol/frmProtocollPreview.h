#pragma once

#include <QDialog>
#include <QPrinter>

#include <memory>

class Kalibrierung;
class QAction;
class QComboBox;
class QLabel;
class QScrollBar;
class QStatusBar;
class QToolBar;
class VorschauSeiten;

// "Berechnungsprotokoll": the protocol page by page at a chosen zoom and
// type, with printing, printer setup, PDF output and the editor of the site
// data. The whole protocol is rebuilt whenever the window is shown, the zoom
// or the type changes, the site data were edited, or the window becomes
// active again after another window of the program.
class frmProtocollPreview : public QDialog {
    Q_OBJECT

public:
    explicit frmProtocollPreview(QWidget* parent = nullptr);
    ~frmProtocollPreview() override;

    Kalibrierung* kalibrierung() const { return m_k; }
    // Stores the calibration and rebuilds the preview.
    void setKalibrierung(Kalibrierung* k);
    // The calibration's file ("" = none): the PDF is proposed beside it.
    QString dateiname() const { return m_dateiname; }
    void setDateiname(const QString& path) { m_dateiname = path; }

    void RebuildPreview();
    void PrintProtocol();
    void PrinterSetup();
    // Writes the protocol of the chosen type as a PDF file the user names;
    // the status bar names the file written.
    void SaveAsPdf();
    // 1.0 when printing; else from the zoom box: "75%" gives 0.75, a number
    // without "%" is a percentage too ("120" gives 1.2). A build shows the
    // zoom as the list's entries read ("120%").
    double ZoomFactor(bool Printing) const;
    void LayoutPages();

    // Builds done so far (for the window's own bookkeeping and its tests).
    int builds() const { return m_builds; }
    int PageCount() const;

    QToolBar* tbProtokoll;
    QAction* refresh;
    QAction* print;
    QAction* printersetup;
    QAction* tr1;
    QAction* edit;
    QAction* pdf;
    QWidget* Picture1;
    QLabel* Label1;
    QComboBox* cboZoom;
    QWidget* Picture2;
    QLabel* Label2;
    QComboBox* cboTyp;
    QWidget* picWorkspace;
    QScrollBar* VScroll1;
    QScrollBar* HScroll1;
    QStatusBar* StatusBar1;
    QPrinter& printer() { return m_printer; }
    // The sheet the protocol is laid out on: preview, print and PDF.
    QPageSize blatt() const { return m_blatt; }
    // Whether the warning that no printer is installed was shown in this
    // run (it is shown once, when printing or setting up the page without a
    // printer); false shows it again.
    static bool printerWarningShown() { return s_printerWarningShown; }
    static void setPrinterWarningShown(bool shown) { s_printerWarningShown = shown; }

    // The zooms a user may type, as factors.
    static constexpr double MinZoom = 0.1;
    static constexpr double MaxZoom = 4.0;
    VorschauSeiten& seiten() { return *m_seiten; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    static inline bool s_printerWarningShown = false;
    // The constructor's parts, in the order it runs them.
    void buildToolBar();
    void buildBoxes();
    void buildPageView();
    void layOut();
    void connectActions();
    void connectBoxes();
    void watchOtherWindows();
    // Runs a toolbar action; an error is shown as "Folgender Fehler ist aufgetreten:".
    template <class F>
    void aktion(F&& f);
    void navigate(int key);
    void warnWithoutPrinter();
    QSizeF pageSizeCm() const;

    Kalibrierung* m_k = nullptr;
    QString m_dateiname;
    QPrinter m_printer;
    QPageSize m_blatt{QPageSize::A4};
    std::unique_ptr<VorschauSeiten> m_seiten;
    int m_builds = 0;
    bool m_otherWindowWasActive = false;
    bool m_building = false;
    QString m_zoomBuilt; // the zoom text of the last build
};
