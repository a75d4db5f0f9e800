// Figures of the wizard window, offscreen: the start up to the first page
// painted, and entering the results page of a large calibration.

#include "GrosseKalibrierung.h"

#include "Einstellungen.h"
#include "ProgrammFenster.h"
#include "ctlAssistent.h"
#include "frmAssistent.h"

#include "UserLocale.h"

#include <QApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

// Program start: the calibration, the wizard, its first page painted.
void StartBisErsteSeite(benchmark::State& state) {
    for (auto _ : state) {
        Kalibrierung k;
        frmAssistent w(k);
        w.show();
        w.repaint();
        benchmark::DoNotOptimize(w.ctlAssistent1->Page);
        state.PauseTiming();
        w.hide();
        state.ResumeTiming();
    }
}

// Entering page 4 with 100 fields of 100 points, after a change of a value.
void Seite4Betreten(benchmark::State& state) {
    Kalibrierung k;
    fillLarge(k);
    frmAssistent w(k);
    w.show();
    w.ctlAssistent1->Page = 4;
    w.ctlAssistent1->GoToPage(0);
    int i = 0;
    for (auto _ : state) {
        state.PauseTiming();
        k.DataStore()->setValue(QStringLiteral("Messwert direktes Prüfmerkmal 1.1"),
                                (++i % 2) ? QStringLiteral("90,1") : QStringLiteral("90,2"));
        state.ResumeTiming();
        w.ctlAssistent1->GoToPage(0);
        w.repaint();
    }
}

} // namespace

BENCHMARK(StartBisErsteSeite)->Unit(benchmark::kMillisecond);
BENCHMARK(Seite4Betreten)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.path().toUtf8());
    QApplication app(argc, argv);
    rt::setUserLocale(rt::germanLocale());
    registerProgrammFenster();
    Einstellungen::setDontShowPage0(false);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
