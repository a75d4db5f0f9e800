// Figures for a large calibration as a user gets it after loading it from a
// file: 100 test fields with 100 points each, every value stored as text.

#include "Ergebnisliste.h"
#include "Kalibrierung.h"

#include "UserLocale.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cmath>

namespace {

constexpr int Felder = 100;
constexpr int Punkte = 100;

// Fills k like a loaded file: all values as German text.
void fillLarge(Kalibrierung& k) {
    k.setPrüffelderAnzahl(Felder);
    for (int f = 1; f <= Felder; ++f) {
        k.setPrüffeldWert(f, f);
        k.setPrüffeldPrüfpunkte(f, Punkte);
        for (int p = 1; p <= Punkte; ++p) {
            const double direkt = 90.0 + 0.1 * f + 0.013 * std::sin(f * 31.0 + p);
            const double indirekt = 20.0 + 0.5 * f + 0.7 * std::cos(f * 17.0 + p * 3.0);
            k.setMesswert(pmDirekt, f, p, direkt);
            k.setMesswert(pmIndirekt, f, p, indirekt);
        }
    }
    const QStringList keys = k.DataStore()->keys();
    for (const QString& key : keys)
        k.DataStore()->setValue(key, k.DataStore()->find(key)->toText());
}

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
