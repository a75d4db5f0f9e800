// Drawing figures of the drawing library on an A4 page image at 300 dpi.

#include "Pictrel.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <cmath>

namespace {

constexpr double PixelsPerCm = 300 / 2.54;

struct Page {
    Page() : image(2480, 3508, QImage::Format_RGB32) {
        image.setDotsPerMeterX(11811);
        image.setDotsPerMeterY(11811);
        image.fill(Qt::white);
        painter.begin(&image);
        dc = std::make_shared<DeviceContext>(&painter);
        dc->setBackgroundMode(DeviceContext::Transparent);
        dest = std::make_shared<clsDrawDestHDC>();
        dest->sethDC(dc);
        dest->Transformator()->Scaling()->MoveTo(PixelsPerCm, PixelsPerCm, 1);
    }
    QImage image;
    QPainter painter;
    DeviceContextPtr dc;
    std::shared_ptr<clsDrawDestHDC> dest;
};

void Table40x4(benchmark::State& state) {
    Page page;
    clsElementGenerator gen;
    auto table = std::make_shared<clsElementTable>();
    table->PositionTopLeft()->MoveTo(2, 2, 0);
    table->setCols(4);
    table->setRows(40);
    for (int c = 1; c <= 4; ++c)
        table->setColWidth(c, 4.5);
    table->setCellInnerSpacingStd(0.1);
    table->setCellFontStd(gen.NewFont(QStringLiteral("Times New Roman"), 12));
    table->setPen(gen.NewPen(0, 1, PS_SOLID));
    for (int r = 1; r <= 40; ++r) {
        table->setTextMatrix(1, r, QStringLiteral("Prüfpunkt %1").arg(r));
        table->setTextMatrix(2, r, QStringLiteral("%1,%2").arg(95 + r % 9).arg(r % 10));
        table->setTextMatrix(3, r, QStringLiteral("%1,%2").arg(30 + r).arg(r % 7));
        table->setTextMatrix(4, r, QStringLiteral("Prüffeld %1").arg((r - 1) / 10 + 1));
    }
    for (auto _ : state) {
        table->Draw(page.dest);
        benchmark::DoNotOptimize(table->Height(page.dest));
    }
}

void Diagram1000(benchmark::State& state) {
    Page page;
    clsElementGenerator gen;
    auto d = std::make_shared<clsElementDiagramm2DPoint>();
    d->EdgeTopLeft()->MoveTo(3, 3, 0);
    d->EdgeBottomRight()->MoveTo(19, 15, 0);
    d->setPenAxis(gen.NewPen(0, 2, PS_SOLID));
    d->setPenGridMajor(gen.NewPen(0x808080, 1, PS_SOLID));
    d->setPenGridMinor(gen.NewPen(0xC0C0C0, 1, PS_DOT));
    d->setFontAxisX(gen.NewFont(QStringLiteral("Arial"), 8));
    d->setFontAxisY(gen.NewFont(QStringLiteral("Arial"), 8));
    d->setFontAxisXCaption(gen.NewFont(QStringLiteral("Arial"), 10));
    d->setFontAxisYCaption(
        gen.NewFont(QStringLiteral("Arial"), 10, false, false, false, false, 90));
    d->setAxisXCaption(QStringLiteral("DPr [%]"));
    d->setAxisYCaption(QStringLiteral("EVD [MN/m²]"));
    d->setAxisXMin(90);
    d->setAxisXMax(105);
    d->setAxisXGridMajorStep(5);
    d->setAxisXGridMinorStep(1);
    d->setAxisYMin(80);
    d->setAxisYMax(0);
    d->setAxisYGridMajorStep(-10);
    d->setAxisYFlip(true);
    for (int i = 0; i < 1000; ++i)
        d->AddPoint(1, gen.NewPoint(90 + 15 * (i % 100) / 100.0, 40 + 30 * std::sin(i * 0.37), 0));
    d->setRowPointSymbol(1, psCircle);
    d->setRowPointSymbolSize(1, 1);
    d->setRowPointPen(1, gen.NewPen(0xFF, 1, PS_SOLID));
    d->setRowPointBrush(1, gen.NewBrush(0xFF, BS_SOLID, HS_HORIZONTAL));
    d->AddPoint(2, gen.NewPoint(90, 10, 0));
    d->AddPoint(2, gen.NewPoint(105, 70, 0));
    d->setRowLinePen(2, gen.NewPen(0xFF0000, 2, PS_SOLID));
    for (auto _ : state)
        d->Draw(page.dest);
}

} // namespace

BENCHMARK(Table40x4)->Unit(benchmark::kMillisecond);
BENCHMARK(Diagram1000)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
