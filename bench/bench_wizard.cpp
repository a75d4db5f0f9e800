// Figures of the wizard window, offscreen: the start up to the first page
// painted, and entering the results page of a large calibration.

#include "GrosseKalibrierung.h"

#include "Einstellungen.h"
#include "FlexGrid.h"
#include "ProgrammFenster.h"
#include "ctlAssistent.h"
#include "frmAssistent.h"

#include "UserLocale.h"

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

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

// A wizard on page 3 of the large calibration.
struct Seite3 {
    Seite3() {
        fillLarge(k);
        k.setIsDirty(false);
        w.show();
        w.ctlAssistent1->Page = 3;
        w.ctlAssistent1->GoToPage(0);
    }
    FlexGrid& grid() { return *w.findChild<FlexGrid*>(QStringLiteral("fgMesswerte")); }
    Kalibrierung k;
    frmAssistent w{k};
};

// Entering page 3: 10,000 rows filled.
void Seite3Betreten(benchmark::State& state) {
    Seite3 s;
    for (auto _ : state) {
        s.w.ctlAssistent1->GoToPage(0);
        benchmark::DoNotOptimize(s.grid().Rows());
    }
}

// Leaving page 3 when nothing was typed.
void Seite3UnberuehrtVerlassen(benchmark::State& state) {
    Seite3 s;
    bool cancel = false;
    for (auto _ : state)
        emit s.w.ctlAssistent1->LeavePage(1, cancel);
    if (cancel)
        state.SkipWithError("refused");
}

// The 10,000 lines of two values a user pastes from a spreadsheet.
QString tenThousandLines(int variant) {
    QString text;
    for (int i = 0; i < Felder * Punkte; ++i)
        text += QStringLiteral("%1,%2\t%3,%4\r\n")
                    .arg(90 + i % 10)
                    .arg((i + variant) % 10)
                    .arg(30 + i % 20)
                    .arg(i % 7);
    return text;
}

// Ctrl+V of 10,000 lines of two values onto the first value cell.
void Seite3Einfuegen(benchmark::State& state) {
    Seite3 s;
    const QString texts[2] = {tenThousandLines(0), tenThousandLines(1)};
    s.grid().setFocus();
    int i = 0;
    for (auto _ : state) {
        state.PauseTiming();
        QApplication::clipboard()->setText(texts[++i % 2]);
        s.grid().setCurrentCell(1, 2);
        state.ResumeTiming();
        QTest::keyClick(&s.grid(), Qt::Key_V, Qt::ControlModifier);
    }
}

// Leaving page 3 after every value was changed (by a paste).
void Seite3GeaendertVerlassen(benchmark::State& state) {
    Seite3 s;
    const QString texts[2] = {tenThousandLines(0), tenThousandLines(1)};
    s.grid().setFocus();
    int i = 0;
    bool cancel = false;
    for (auto _ : state) {
        state.PauseTiming();
        s.w.ctlAssistent1->GoToPage(0);
        QApplication::clipboard()->setText(texts[++i % 2]);
        s.grid().setCurrentCell(1, 2);
        QTest::keyClick(&s.grid(), Qt::Key_V, Qt::ControlModifier);
        state.ResumeTiming();
        emit s.w.ctlAssistent1->LeavePage(0, cancel);
    }
}

// One value typed into a cell of the large calibration and committed with
// Return: it reaches the calibration at once, as a step that can be undone.
void Seite3ZelleEingeben(benchmark::State& state) {
    Seite3 s;
    s.grid().setFocus();
    QLineEdit* input = s.w.findChild<QLineEdit*>(QStringLiteral("txtFGData"));
    int i = 0;
    for (auto _ : state) {
        state.PauseTiming();
        s.grid().setCurrentCell(5000, 2);
        state.ResumeTiming();
        QTest::keyClick(&s.grid(), Qt::Key_9);
        QTest::keyClicks(input, QString::number(++i % 10));
        QTest::keyClick(input, Qt::Key_Return);
    }
}

// Undo and redo of a paste of 10,000 pairs, page 3 refreshed each time.
void Seite3EinfuegenRueckgaengig(benchmark::State& state) {
    Seite3 s;
    s.grid().setFocus();
    QApplication::clipboard()->setText(tenThousandLines(1));
    s.grid().setCurrentCell(1, 2);
    QTest::keyClick(&s.grid(), Qt::Key_V, Qt::ControlModifier);
    for (auto _ : state) {
        s.w.rückgängig();
        s.w.wiederholen();
    }
}

// "öffnen" of the large file, up to page 3 shown.
void Oeffnen(benchmark::State& state) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("gross.xml"));
    {
        Kalibrierung large;
        fillLarge(large);
        large.DataStore()->setValue(QStringLiteral("AssistentActivePage"), rt::Long(3));
        large.SaveFile(path);
    }
    Kalibrierung k;
    frmAssistent w(k);
    w.show();
    for (auto _ : state) {
        w.FileOpen(path);
        w.repaint();
        benchmark::DoNotOptimize(w.ctlAssistent1->Page);
    }
}

} // namespace

BENCHMARK(StartBisErsteSeite)->Unit(benchmark::kMillisecond);
BENCHMARK(Seite4Betreten)->Unit(benchmark::kMillisecond);
BENCHMARK(Seite3Betreten)->Unit(benchmark::kMillisecond);
BENCHMARK(Seite3UnberuehrtVerlassen)->Unit(benchmark::kMillisecond);
BENCHMARK(Seite3Einfuegen)->Unit(benchmark::kMillisecond);
BENCHMARK(Seite3GeaendertVerlassen)->Unit(benchmark::kMillisecond);
BENCHMARK(Seite3ZelleEingeben)->Unit(benchmark::kMillisecond);
BENCHMARK(Seite3EinfuegenRueckgaengig)->Unit(benchmark::kMillisecond);
BENCHMARK(Oeffnen)->Unit(benchmark::kMillisecond);

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
