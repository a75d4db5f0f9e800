#include "PictrelTestSupport.h"

#include "Conversion.h"

#include <cmath>

namespace {
clsElementGenerator gen;

using Calls = std::vector<RecordingDrawDest::Call>;

QStringList texts(const Calls& calls) {
    QStringList out;
    for (const auto& c : calls)
        out.append(c.text);
    return out;
}
std::vector<int> aligns(const Calls& calls) {
    std::vector<int> out;
    for (const auto& c : calls)
        out.push_back(c.align);
    return out;
}

// A 100 x 50 frame at the origin with an X axis from min to max.
std::shared_ptr<clsElementDiagramm2DPoint> xDiagram(double min, double max, double step) {
    auto d = std::make_shared<clsElementDiagramm2DPoint>();
    d->EdgeBottomRight()->MoveTo(100, 50, 0);
    d->setAxisXMin(min);
    d->setAxisXMax(max);
    d->setAxisYMin(0);
    d->setAxisYMax(1);
    d->setAxisXGridMajorStep(step);
    d->setAxisXNumberFormat(QStringLiteral("0"));
    return d;
}
} // namespace

TEST(DiagramTest, NewDiagramDrawsOnlyItsFrameAndEmptyCaptions) {
    auto dest = std::make_shared<RecordingDrawDest>();
    clsElementDiagramm2DPoint d;
    d.EdgeBottomRight()->MoveTo(10, 5, 0);
    d.Draw(dest);
    const Calls rects = dest->ofKind("Rectangle");
    ASSERT_EQ(rects.size(), 1u);
    EXPECT_EQ(rects[0].pen, nullptr);
    EXPECT_TRUE(dest->ofKind("Line").empty());
    EXPECT_EQ(texts(dest->ofKind("Text")), (QStringList{QString(), QString()}));
    EXPECT_EQ(d.AxisXNumberFormat(), QStringLiteral("#,##0.00"));
    EXPECT_EQ(d.AxisYNumberFormat(), QStringLiteral(" #,##0.00 "));
    EXPECT_EQ(d.BoundingBoxP1(dest)->ContentString(), QStringLiteral("0 : 0 : 0"));
    EXPECT_EQ(d.BoundingBoxP2(dest)->ContentString(), QStringLiteral("10 : 5 : 0"));
}

TEST(DiagramTest, XAxisTicksLinesAndLabels) {
    auto dest = std::make_shared<RecordingDrawDest>();
    auto d = xDiagram(0, 10, 2);
    const PenPtr major = gen.NewPen(0, 1, PS_SOLID);
    d->setPenGridMajor(major);
    d->Draw(dest);
    const Calls lines = dest->ofKind("Line");
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0].x1, 20);
    EXPECT_EQ(lines[0].y1, 0);
    EXPECT_EQ(lines[0].y2, 50);
    EXPECT_EQ(lines[3].x1, 80);
    EXPECT_EQ(lines[0].pen, major);
    Calls labels = dest->ofKind("Text");
    labels.pop_back(); // Y caption
    labels.pop_back(); // X caption
    EXPECT_EQ(texts(labels),
              (QStringList{QStringLiteral("0"), QStringLiteral("2"), QStringLiteral("4"),
                           QStringLiteral("6"), QStringLiteral("8"), QStringLiteral("10")}));
    EXPECT_EQ(aligns(labels),
              (std::vector<int>{AlignLeftBottom, AlignCenterBottom, AlignCenterBottom,
                                AlignCenterBottom, AlignCenterBottom, AlignRightBottom}));
    EXPECT_EQ(labels[5].x1, 100);

    // A mirrored X axis swaps the sides of the end labels.
    auto mirrored = std::make_shared<RecordingDrawDest>();
    mirrored->Transformator()->Scaling()->setX(-1);
    d->Draw(mirrored);
    const Calls m = mirrored->ofKind("Text");
    EXPECT_EQ(m.front().align, AlignRightBottom);
    EXPECT_EQ(m[5].align, AlignLeftBottom);

    // Ticks start at Fix(min / step) * step; those below the minimum are skipped.
    auto shifted = std::make_shared<RecordingDrawDest>();
    xDiagram(0.5, 10, 2)->Draw(shifted);
    Calls s = shifted->ofKind("Text");
    s.resize(s.size() - 2);
    EXPECT_EQ(texts(s), (QStringList{QStringLiteral("2"), QStringLiteral("4"), QStringLiteral("6"),
                                     QStringLiteral("8"), QStringLiteral("10")}));
    EXPECT_EQ(s.back().align, AlignRightBottom);
}

TEST(DiagramTest, MinorGridSkipsMajorTicksAndTheFrame) {
    auto dest = std::make_shared<RecordingDrawDest>();
    auto d = xDiagram(0, 10, 2);
    const PenPtr minor = gen.NewPen(0, 1, PS_DOT);
    d->setPenGridMinor(minor);
    d->setAxisXGridMinorStep(0.5);
    d->Draw(dest);
    std::vector<double> minorX;
    for (const auto& c : dest->ofKind("Line"))
        if (c.pen == minor)
            minorX.push_back(c.x1);
    const std::vector<double> expected{5, 10, 15, 25, 30, 35, 45, 50, 55, 65, 70, 75, 85, 90, 95};
    ASSERT_EQ(minorX.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_NEAR(minorX[i], expected[i], 1e-9);
    // A minor grid without a major step divides by zero.
    d->setAxisXGridMajorStep(0);
    EXPECT_NE(errorNumberOf([&] { d->Draw(dest); }), 0);
}

TEST(DiagramTest, ReversedAndFlippedYAxis) {
    auto dest = std::make_shared<RecordingDrawDest>();
    clsElementDiagramm2DPoint d;
    d.EdgeBottomRight()->MoveTo(100, 100, 0);
    d.setAxisXMin(0);
    d.setAxisXMax(1);
    d.setAxisYMin(160);
    d.setAxisYMax(40);
    d.setAxisYGridMajorStep(-20);
    d.setAxisYFlip(true);
    d.setAxisYNumberFormat(QStringLiteral("0"));
    d.Draw(dest);
    Calls labels = dest->ofKind("Text");
    // X caption first, then the Y labels, then the Y caption.
    labels.erase(labels.begin());
    labels.pop_back();
    EXPECT_EQ(texts(labels),
              (QStringList{QStringLiteral("160"), QStringLiteral("140"), QStringLiteral("120"),
                           QStringLiteral("100"), QStringLiteral("80"), QStringLiteral("60"),
                           QStringLiteral("40")}));
    EXPECT_EQ(labels[0].y1, 0); // the minimum at TL.Y, top-aligned
    EXPECT_EQ(labels[0].align, AlignRightTop);
    EXPECT_EQ(labels[6].y1, 100); // the maximum at BR.Y, bottom-aligned
    EXPECT_EQ(labels[6].align, AlignRightBottom);
    for (int i = 1; i < 6; ++i)
        EXPECT_EQ(labels[i].align, AlignRightMiddle);
    // Larger values higher up.
    EXPECT_LT(labels[1].y1, labels[5].y1);
    EXPECT_EQ(dest->ofKind("Line").size(), 5u);

    // Ticks that miss both ends: 40 lies outside 50..150 and gets nothing.
    auto other = std::make_shared<RecordingDrawDest>();
    d.setAxisYMin(150);
    d.setAxisYMax(50);
    d.Draw(other);
    Calls l = other->ofKind("Text");
    l.erase(l.begin());
    l.pop_back();
    EXPECT_EQ(texts(l),
              (QStringList{QStringLiteral("140"), QStringLiteral("120"), QStringLiteral("100"),
                           QStringLiteral("80"), QStringLiteral("60")}));
    EXPECT_EQ(other->ofKind("Line").size(), 5u);
}

TEST(DiagramTest, RowsLinesAndSymbols) {
    auto dest = std::make_shared<RecordingDrawDest>();
    clsElementDiagramm2DPoint d;
    d.EdgeBottomRight()->MoveTo(100, 100, 0);
    d.setAxisXMax(10);
    d.setAxisYMax(10);
    d.AddPoint(3, gen.NewPoint(1, 1, 0));
    EXPECT_EQ(d.RowCount(), 3);
    EXPECT_EQ(errorNumberOf([&] { d.AddPoint(0, gen.NewPoint(0, 0, 0)); }),
              rt::err::SubscriptOutOfRange);
    d.AddPoint(3, gen.NewPoint(2, 4, 0));
    const PenPtr linePen = gen.NewPen(255, 1, PS_SOLID);
    d.setRowLinePen(3, linePen);
    d.Draw(dest);
    const Calls lines = dest->ofKind("Line");
    ASSERT_EQ(lines.size(), 1u); // psNone: one segment, no symbols
    EXPECT_EQ(lines[0].x1, 10);
    EXPECT_EQ(lines[0].y1, 10);
    EXPECT_EQ(lines[0].x2, 20);
    EXPECT_EQ(lines[0].y2, 40);
    EXPECT_EQ(lines[0].pen, linePen);

    const struct {
        PointSymbolEnum symbol;
        const char* op;
        size_t count;
    } symbols[] = {{psCircle, "Circle", 2},        {psRectangle, "Rectangle", 2},
                   {psRomb, "Polygon", 2},         {psTriangle1, "Polygon", 2},
                   {psTriangle2, "Polygon", 2},    {psCross, "Line", 1 + 4},
                   {psPlus, "Line", 1 + 4},        {psAsterix, "Line", 1 + 8},
                   {PointSymbolEnum(7), "Line", 1}};
    d.setRowPointSymbolSize(3, 10);
    for (const auto& s : symbols) {
        d.setRowPointSymbol(3, s.symbol);
        auto r = std::make_shared<RecordingDrawDest>();
        d.Draw(r);
        EXPECT_EQ(r->ofKind(s.op).size() - (s.op == QLatin1String("Rectangle") ? 1 : 0), s.count)
            << s.symbol;
    }
    // Size 10: s = 2, a square of 4 x 4 around the mapped point.
    d.setRowPointSymbol(3, psRectangle);
    const BrushPtr brush = gen.NewBrush(0, BS_SOLID, HS_HORIZONTAL);
    d.setRowPointBrush(3, brush);
    auto r = std::make_shared<RecordingDrawDest>();
    d.Draw(r);
    const Calls squares = r->ofKind("Rectangle");
    ASSERT_EQ(squares.size(), 3u);
    EXPECT_EQ(squares[1].x1, 8);
    EXPECT_EQ(squares[1].y1, 8);
    EXPECT_EQ(squares[1].x2, 12);
    EXPECT_EQ(squares[1].y2, 12);
    EXPECT_EQ(squares[1].brush, brush);

    // Equal ends of an axis divide by zero as soon as a point is mapped.
    d.setAxisXMax(0);
    EXPECT_NE(errorNumberOf([&] { d.Draw(r); }), 0);
}

// Decimal steps (0.1, 0.01) are not exact in binary: over many axes built as
// the protocol builds them, every end is labelled once at its corner, every
// inner tick once, and no grid line lands on the frame.
TEST(DiagramTest, DecimalStepsLabelEveryTickOnceOverManyRanges) {
    std::srand(20261208);
    int axes = 0;
    for (int i = 0; i < 2400; ++i) {
        // Values such as a degree of compaction between 97,1 and 98,2 %.
        const double scale = std::pow(10.0, std::rand() % 4 - 2);
        const double lo = std::round((std::rand() % 20000) * scale) / 100.0;
        const double range = (1 + std::rand() % 99) * scale / 100.0 * (1 + std::rand() % 9);
        const double hi = lo + range;
        // The axis as the protocol computes it: step a power of ten, padded
        // by a tenth of it, ends on whole steps.
        const double step = std::pow(10.0, std::ceil(std::log10(hi - lo)) - 1);
        const double min = std::trunc((lo - step / 10) / step) * step;
        const double max = std::ceil((hi + step / 10) / step) * step;
        const int decimals = std::max(0, int(std::lround(-std::log10(step))));
        const QString pattern = decimals ? QStringLiteral("0.") + QString(decimals, u'0') : u"0"_qs;
        const int ticks = int(std::lround((max - min) / step)) + 1;
        if (ticks < 2 || ticks > 40)
            continue;
        ++axes;
        SCOPED_TRACE(QStringLiteral("%1 .. %2 step %3").arg(min).arg(max).arg(step).toStdString());

        // The X axis, with labels small enough to leave none out.
        auto dest = std::make_shared<RecordingDrawDest>();
        dest->charWidth = 0.01;
        auto d = xDiagram(min, max, step);
        d->setAxisXNumberFormat(pattern);
        d->setAxisYGridMajorStep(0);
        d->Draw(dest);
        Calls labels = dest->ofKind("Text");
        labels.resize(labels.size() - 2); // the two captions
        ASSERT_EQ(int(labels.size()), ticks);
        EXPECT_EQ(labels.front().text, rt::formatNumber(min, pattern));
        EXPECT_EQ(labels.back().text, rt::formatNumber(max, pattern));
        EXPECT_EQ(labels.front().align, AlignLeftBottom);
        EXPECT_EQ(labels.back().align, AlignRightBottom);
        EXPECT_EQ(labels.back().x1, 100);
        for (size_t k = 1; k + 1 < labels.size(); ++k) {
            EXPECT_EQ(labels[k].align, AlignCenterBottom);
            EXPECT_NE(labels[k].text, labels[k - 1].text);
        }
        const Calls lines = dest->ofKind("Line");
        EXPECT_EQ(int(lines.size()), ticks - 2);
        for (const auto& line : lines)
            EXPECT_TRUE(line.x1 > 1e-6 && line.x1 < 100 - 1e-6) << line.x1;

        // The same range on a flipped Y axis given top-down, as the protocol does.
        auto ydest = std::make_shared<RecordingDrawDest>();
        ydest->lineHeight = 0.01;
        auto y = std::make_shared<clsElementDiagramm2DPoint>();
        y->EdgeBottomRight()->MoveTo(100, 50, 0);
        y->setAxisXMin(0);
        y->setAxisXMax(1);
        y->setAxisYMin(max);
        y->setAxisYMax(min);
        y->setAxisYGridMajorStep(-step);
        y->setAxisYFlip(true);
        y->setAxisYNumberFormat(pattern);
        y->Draw(ydest);
        Calls ylabels = ydest->ofKind("Text");
        ylabels.erase(ylabels.begin()); // the X caption comes first
        ylabels.pop_back();             // the Y caption
        ASSERT_EQ(int(ylabels.size()), ticks);
        EXPECT_EQ(ylabels.front().text, rt::formatNumber(max, pattern));
        EXPECT_EQ(ylabels.back().text, rt::formatNumber(min, pattern));
        EXPECT_EQ(int(ydest->ofKind("Line").size()), ticks - 2);
    }
    EXPECT_GT(axes, 1500);
}

// Labels that would overlap or touch are left out in a regular pattern,
// the ends kept; the Y caption keeps clear of the widest label.
TEST(DiagramTest, AxisLabelsNeverOverlapOrTouch) {
    struct Case {
        double min, max, step;
        const char* pattern;
    } cases[] = {
        {10, 110, 10, "0"},
        {10, 110, 10, "0.0"},
        {10, 110, 10, "0.00"},
        {40.0, 40.5, 0.1, "0.00"},
        {1.2e6, 1.3e6, 1e4, "#,##0"},
        {-60, 20, 10, "0.0"},
        {0, 100000, 1000, "#,##0.00"},
    };
    int thinned = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(
            QStringLiteral("%1 .. %2 / %3").arg(c.min).arg(c.max).arg(c.step).toStdString());
        auto dest = std::make_shared<RecordingDrawDest>();
        dest->charWidth = 1.3; // 100 units of axis: crowded at 11 ticks of 5 characters
        auto d = xDiagram(c.min, c.max, c.step);
        d->setAxisXNumberFormat(QString::fromUtf8(c.pattern));
        d->setAxisYGridMajorStep(0);
        d->Draw(dest);
        Calls labels = dest->ofKind("Text");
        labels.resize(labels.size() - 2);
        ASSERT_GE(labels.size(), 1u);
        EXPECT_EQ(labels.front().text, rt::formatNumber(c.min, QString::fromUtf8(c.pattern)));
        const int ticks = int(std::lround((c.max - c.min) / c.step)) + 1;
        // The boxes as drawn: the ends reach inward, the others are centred.
        std::vector<std::pair<double, double>> boxes;
        for (const auto& l : labels) {
            const double w = dest->TextWidth(l.text, 0);
            const double left = l.align == AlignLeftBottom    ? l.x1
                                : l.align == AlignRightBottom ? l.x1 - w
                                                              : l.x1 - w / 2;
            boxes.emplace_back(left, left + w);
        }
        for (size_t k = 1; k < boxes.size(); ++k)
            EXPECT_LT(boxes[k - 1].second, boxes[k].first) << labels[k].text.toStdString();
        if (labels.size() > 1) {
            EXPECT_EQ(labels.back().text, rt::formatNumber(c.max, QString::fromUtf8(c.pattern)));
        }
        // A regular pattern: equal distances between the labels before the last.
        for (size_t k = 2; k + 1 < labels.size(); ++k)
            EXPECT_NEAR(labels[k].x1 - labels[k - 1].x1, labels[1].x1 - labels[0].x1, 1e-6);
        thinned += int(labels.size()) < ticks;
        // Every grid line is still drawn.
        EXPECT_EQ(int(dest->ofKind("Line").size()), ticks - 2);
    }
    EXPECT_GE(thinned, 3);

    // The Y caption at an offset smaller than the widest label moves left of it.
    auto dest = std::make_shared<RecordingDrawDest>();
    auto y = std::make_shared<clsElementDiagramm2DPoint>();
    y->EdgeTopLeft()->MoveTo(20, 0, 0);
    y->EdgeBottomRight()->MoveTo(120, 50, 0);
    y->setAxisXMin(0);
    y->setAxisXMax(1);
    y->setAxisYMin(110);
    y->setAxisYMax(90);
    y->setAxisYGridMajorStep(-10);
    y->setAxisYFlip(true);
    y->setAxisYNumberFormat(QStringLiteral("0.0000 "));
    y->setAxisYCaption(QStringLiteral("DPr [%]"));
    y->AxisYCaptionOffset()->MoveTo(-1.5, 0, 0);
    y->Draw(dest);
    const Calls texts = dest->ofKind("Text");
    const auto& caption = texts.back();
    ASSERT_EQ(caption.text, QStringLiteral("DPr [%]"));
    EXPECT_LE(caption.x1, 20 - dest->TextWidth(QStringLiteral("100,0000 "), 0));
}
