// Figures of the protocol: the example calibration as a PDF in process,
// 10,000 measured pairs as the whole "Orvanta --protokoll" process with its
// peak memory, the preview of those pairs built and one page painted, and
// their export as a workbook.

#include "GrosseKalibrierung.h"

#include "Export.h"
#include "MessageService.h"
#include "MesswertImport.h"
#include "ProtokollPdf.h"
#include "VorschauSeiten.h"
#include "frmProtocollPreview.h"

#include "UserLocale.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

long peakMbSelf() {
    struct rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

void BeispielAlsPdf(benchmark::State& state) {
    Kalibrierung k;
    k.LoadFile(QStringLiteral(PROJECT_SOURCE_DIR "/beispiele/Kalibrierung-DPr-EVD.xml"));
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("beispiel.pdf"));
    for (auto _ : state)
        benchmark::DoNotOptimize(ProtokollAlsPdf(k, 0, pdf));
}

// 10,000 pairs as a PDF in process: the CPU time of the protocol alone.
void GrossAlsPdf(benchmark::State& state) {
    Kalibrierung k;
    fillLarge(k);
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("gross.pdf"));
    int pages = 0;
    for (auto _ : state)
        pages = ProtokollAlsPdf(k, 0, pdf);
    state.counters["pages"] = pages;
    state.counters["peak_MB"] = double(peakMbSelf());
}

// The whole process; peak memory from the child's resource usage.
void GrossAlsPdfProzess(benchmark::State& state) {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("gross.xml"));
    {
        Kalibrierung k;
        fillLarge(k);
        k.SaveFile(file);
    }
    const QByteArray pdf = dir.filePath(QStringLiteral("gross.pdf")).toLocal8Bit();
    const QByteArray input = file.toLocal8Bit();
    long peakKb = 0;
    double cpu = 0;
    for (auto _ : state) {
        const pid_t pid = fork();
        if (pid == 0) {
            execl(ORVANTA_EXE, "Orvanta", "--protokoll", input.constData(), "--pdf",
                  pdf.constData(), static_cast<char*>(nullptr));
            _exit(127);
        }
        int status = 0;
        struct rusage usage {};
        wait4(pid, &status, 0, &usage);
        peakKb = std::max(peakKb, usage.ru_maxrss);
        cpu += double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
               double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
            state.SkipWithError("Orvanta --protokoll failed");
    }
    state.counters["peak_MB"] = double(peakKb) / 1024.0;
    // The child's CPU time, start-up included.
    state.counters["cpu_s"] =
        cpu / double(std::max<benchmark::IterationCount>(state.iterations(), 1));
}

// Messages (the missing printer) are counted, not shown.
class StilleMeldungen : public MessageService {
public:
    Answer show(QWidget*, const QString&, const QString&, Icon, Buttons) override {
        return AnswerOk;
    }
};

// The preview of 10,000 pairs at 100 %, shown (and so built once).
struct GrosseVorschau {
    Kalibrierung k;
    frmProtocollPreview preview;
    GrosseVorschau() {
        fillLarge(k);
        preview.setKalibrierung(&k);
        preview.show();
    }
};

// The whole preview, rebuilt as the refresh button does.
void VorschauGrossAufbauen(benchmark::State& state) {
    GrosseVorschau v;
    for (auto _ : state)
        v.preview.RebuildPreview();
    state.counters["pages"] = v.preview.PageCount();
    state.counters["peak_MB"] = double(peakMbSelf());
}

// One visible page of that preview painted at 100 %, as the screen does.
void VorschauSeiteMalen(benchmark::State& state) {
    GrosseVorschau v;
    SeitenBild* page = v.preview.seiten().picPage[2];
    QImage image(page->size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        page->render(&image);
        benchmark::DoNotOptimize(image.constBits());
    }
}

void ExportGrossXlsx(benchmark::State& state) {
    Kalibrierung k;
    fillLarge(k);
    QTemporaryDir dir;
    const QString xlsx = dir.filePath(QStringLiteral("gross.xlsx"));
    for (auto _ : state)
        ExportXlsx(k, xlsx);
}

// The 10,000 pairs of the exported workbook read back by the import.
void ImportGrossXlsx(benchmark::State& state) {
    Kalibrierung k;
    fillLarge(k);
    QTemporaryDir dir;
    const QString xlsx = dir.filePath(QStringLiteral("gross.xlsx"));
    ExportXlsx(k, xlsx);
    for (auto _ : state) {
        Kalibrierung ziel;
        ziel.setDPrUndEVD();
        const auto t = MesswertImport::Tabelle::ausDatei(xlsx);
        const auto ergebnis = t.lesen(t.erkennen(ziel));
        if (ergebnis.gelesen != k.PrüfpunkteTotal() || !ergebnis.fehler.isEmpty())
            state.SkipWithError("the workbook was not read");
        MesswertImport::übernehmen(ziel, ergebnis);
        benchmark::DoNotOptimize(ziel.PrüfpunkteTotal());
    }
}

} // namespace

BENCHMARK(BeispielAlsPdf)->Unit(benchmark::kMillisecond);
BENCHMARK(GrossAlsPdf)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(GrossAlsPdfProzess)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(VorschauGrossAufbauen)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(VorschauSeiteMalen)->Unit(benchmark::kMillisecond);
BENCHMARK(ExportGrossXlsx)->Unit(benchmark::kMillisecond);
BENCHMARK(ImportGrossXlsx)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    rt::setUserLocale(rt::germanLocale());
    StilleMeldungen meldungen;
    MessageService::setInstance(&meldungen);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
