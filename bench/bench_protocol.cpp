// Figures of the protocol as a PDF: the example calibration in process, and
// 10,000 measured pairs as the whole "Orvanta --protokoll" process, with its
// peak memory.

#include "GrosseKalibrierung.h"

#include "ProtokollPdf.h"

#include "UserLocale.h"

#include <QGuiApplication>
#include <QProcess>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

void BeispielAlsPdf(benchmark::State& state) {
    Kalibrierung k;
    k.LoadFile(QStringLiteral(PROJECT_SOURCE_DIR "/beispiele/Kalibrierung-DPr-EVD.xml"));
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("beispiel.pdf"));
    for (auto _ : state)
        benchmark::DoNotOptimize(ProtokollAlsPdf(k, 0, pdf));
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
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
            state.SkipWithError("Orvanta --protokoll failed");
    }
    state.counters["peak_MB"] = double(peakKb) / 1024.0;
}

} // namespace

BENCHMARK(BeispielAlsPdf)->Unit(benchmark::kMillisecond);
BENCHMARK(GrossAlsPdfProzess)->Unit(benchmark::kMillisecond)->Iterations(3);

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    rt::setUserLocale(rt::germanLocale());
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
