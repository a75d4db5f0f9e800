// Figures of the grid library for a grid of 10,000 rows and 4 columns.

#include "Sorbel.h"

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>

#include <benchmark/benchmark.h>

namespace {

QString tenThousandLines() {
    QString text;
    for (int i = 1; i <= 10000; ++i)
        text += QStringLiteral("Prüffeld %1\tPrüfpunkt %2\t%3,%4\t%5,%6\r\n")
                    .arg((i - 1) / 100 + 1)
                    .arg(i)
                    .arg(90 + i % 10)
                    .arg(i % 100)
                    .arg(30 + i % 40)
                    .arg(i % 10);
    return text;
}

struct Window {
    Window() {
        widget.resize(600, 400);
        grid = new FlexGrid(&widget);
        grid->setGeometry(0, 0, 600, 400);
        grid->setCols(5);
        input = new QLineEdit(&widget);
        input->hide();
        editGrid.setMSFlexGrid(grid);
        editGrid.setInputObject(input);
        widget.show();
    }
    QWidget widget;
    FlexGrid* grid;
    QLineEdit* input;
    clsEditGrid editGrid;
};

void GridTextLet10000(benchmark::State& state) {
    Window w;
    const QString text = tenThousandLines();
    for (auto _ : state) {
        w.editGrid.setGridText(false, QStringLiteral("\t"), QStringLiteral("\r\n"), false, text);
        benchmark::DoNotOptimize(w.grid->Rows());
    }
    if (w.grid->Rows() != 10001)
        state.SkipWithError("wrong row count");
}

void ClipboardPasteInsert10000(benchmark::State& state) {
    Window w;
    const QString text = tenThousandLines();
    for (auto _ : state) {
        state.PauseTiming();
        w.grid->setRows(2);
        w.grid->setCurrentCell(1, 1);
        QApplication::clipboard()->setText(text);
        state.ResumeTiming();
        w.editGrid.ClipboardPaste(true);
    }
    if (w.grid->Rows() != 10002)
        state.SkipWithError("wrong row count");
}

} // namespace

BENCHMARK(GridTextLet10000)->Unit(benchmark::kMillisecond);
BENCHMARK(ClipboardPasteInsert10000)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
