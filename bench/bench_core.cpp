// Figures for a large calibration as a user gets it after loading it from a
// file.

#include "GrosseKalibrierung.h"

#include "Ergebnisliste.h"

#include "UserLocale.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

void ResultsPage(benchmark::State& state) {
    Kalibrierung k;
    fillLarge(k);
    for (auto _ : state) {
        // Every pass starts from a changed store, as after an edit.
        k.DataStore()->setValue(QStringLiteral("Messwert direktes Prüfmerkmal 1.1"),
                                QStringLiteral("90,1"));
        const auto rows = StatistikListe(k);
        const QString verdict = PlausibilitätText(k);
        benchmark::DoNotOptimize(rows.size() + verdict.size());
    }
}

void SaveFile(benchmark::State& state) {
    Kalibrierung k;
    fillLarge(k);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("gross.xml"));
    for (auto _ : state) {
        state.PauseTiming();
        QFile::remove(path);
        state.ResumeTiming();
        k.SaveFile(path);
    }
}

void LoadFile(benchmark::State& state) {
    Kalibrierung k;
    fillLarge(k);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("gross.xml"));
    k.SaveFile(path);
    Kalibrierung loaded;
    for (auto _ : state)
        loaded.LoadFile(path);
    state.counters["keys"] = loaded.DataStore()->count();
}

} // namespace

BENCHMARK(ResultsPage)->Unit(benchmark::kMillisecond);
BENCHMARK(SaveFile)->Unit(benchmark::kMillisecond);
BENCHMARK(LoadFile)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    rt::setUserLocale(rt::germanLocale());
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
