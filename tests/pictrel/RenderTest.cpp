#include "PictrelTestSupport.h"

namespace {
clsElementGenerator gen;
const QColor Gray(200, 200, 200);

bool isBlack(QRgb c) {
    return qRed(c) < 60 && qGreen(c) < 60 && qBlue(c) < 60;
}
bool isRed(QRgb c) {
    return qRed(c) > 200 && qGreen(c) < 60 && qBlue(c) < 60;
}

QPoint centerOf(const QImage& image, bool (*match)(QRgb), const QRect& area) {
    qint64 sx = 0, sy = 0, n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (match(image.pixel(x, y))) {
                sx += x;
                sy += y;
                ++n;
            }
    return n ? QPoint(int(sx / n), int(sy / n)) : QPoint(-1, -1);
}
} // namespace

TEST(RenderTest, HollowBrushHidesShapesAndNothingFallsBackToTheContext) {
    Canvas canvas(120, 60, 96, Gray);
    const auto hollow = gen.NewRectangle(10, 10, 0, 50, 50, 0, gen.NewPen(0, 1, PS_SOLID),
                                         std::make_shared<clsBrush>());
    hollow->Draw(canvas.dest);
    const auto plain = gen.NewRectangle(60, 10, 0, 100, 50, 0, gen.NewPen(0, 1, PS_SOLID), nullptr);
    plain->Draw(canvas.dest);
    // A point is one pixel of colour 4, whatever its pen.
    clsElementPoint point;
    point.Coordinates()->MoveTo(5, 55, 0);
    point.setPen(gen.NewPen(rt::rgbColorValue(0, 255, 0), 5, PS_SOLID));
    point.Draw(canvas.dest);
    canvas.finish(QStringLiteral("brushes"));

    EXPECT_TRUE(canvas.inkRect(QRect(0, 0, 58, 55), Gray).isEmpty()); // not even an outline
    EXPECT_EQ(canvas.image.pixel(80, 30), QColor(Qt::white).rgb());   // the context's white brush
    EXPECT_TRUE(isBlack(canvas.image.pixel(60, 30)));                 // black outline
    EXPECT_TRUE(isBlack(canvas.image.pixel(80, 10)));
    EXPECT_EQ(canvas.image.pixel(5, 55), qRgb(4, 0, 0));
    EXPECT_EQ(canvas.inkRect(QRect(0, 52, 58, 8), Gray), QRect(5, 55, 1, 1));
}

TEST(RenderTest, CentredTextInkLiesAroundItsAnchor) {
    Canvas canvas(400, 200);
    canvas.dc->setBackgroundMode(DeviceContext::Transparent);
    const auto text = gen.NewText(200, 100, 0, QStringLiteral("Verdichtungsgrad DPr"),
                                  AlignCenterMiddle, gen.NewFont(QStringLiteral("Arial"), 20));
    text->Draw(canvas.dest);
    const double w = text->TextWidth(canvas.dest), h = text->TextHeight(canvas.dest);
    const auto left = gen.NewText(20, 20, 0, QStringLiteral("Müller & Co"), AlignLeftTop,
                                  gen.NewFont(QStringLiteral("Arial"), 10));
    left->Draw(canvas.dest);
    canvas.finish(QStringLiteral("text"));

    const QRect ink = canvas.inkRect(QRect(0, 60, 400, 140));
    ASSERT_FALSE(ink.isEmpty());
    EXPECT_NEAR(ink.center().x(), 200, 3);
    EXPECT_NEAR(ink.center().y(), 100, 4);
    EXPECT_NEAR(ink.width(), w, 4);
    EXPECT_LE(ink.height(), h);
    // The left/top text starts at its anchor.
    const QRect leftInk = canvas.inkRect(QRect(0, 0, 400, 60));
    EXPECT_NEAR(leftInk.left(), 20, 2);
    EXPECT_GE(leftInk.top(), 20);
    EXPECT_LE(leftInk.top(), 24);
}

TEST(RenderTest, TableGridLinesFallOnColumnBoundaries) {
    Canvas canvas(500, 300);
    canvas.dest->Transformator()->Scaling()->MoveTo(40, 40, 1); // 40 pixels per unit
    canvas.dc->setBackgroundMode(DeviceContext::Transparent);
    clsElementTable table;
    table.PositionTopLeft()->MoveTo(1, 1, 0);
    table.setCols(3);
    table.setRows(4);
    table.setColWidth(1, 4);
    table.setColWidth(2, 2.5);
    table.setColWidth(3, 3);
    table.setCellInnerSpacingStd(0.1);
    table.setCellFontStd(gen.NewFont(QStringLiteral("Times New Roman"), 12));
    table.setPen(gen.NewPen(0, 1, PS_SOLID));
    for (int r = 1; r <= 4; ++r)
        for (int c = 1; c <= 3; ++c)
            table.setTextMatrix(c, r, QStringLiteral("Zelle %1:%2").arg(c).arg(r));
    table.setTextMatrix(1, 2, QStringLiteral("Ein längerer Text, der in der Zelle umbricht"));
    table.Draw(canvas.dest);
    const double height = table.Height(canvas.dest);
    canvas.finish(QStringLiteral("table"));

    const int top = 40, bottom = 40 + int(height * 40);
    for (double boundary : {1.0, 5.0, 7.5, 10.5}) {
        const int x = int(boundary * 40);
        int black = 0;
        for (int y = top + 2; y < bottom - 2; ++y)
            black += isBlack(canvas.image.pixel(x, y));
        EXPECT_GT(black, (bottom - top) * 0.9) << boundary;
        // Next to the line there is no line.
        int beside = 0;
        for (int y = top + 2; y < bottom - 2; ++y)
            beside += isBlack(canvas.image.pixel(x + 3, y));
        EXPECT_LT(beside, (bottom - top) / 2) << boundary;
    }
    // The wrapped cell makes row 2 taller than row 1.
    EXPECT_GT(table.RowHeightReal(2, canvas.dest), table.RowHeightReal(1, canvas.dest) * 1.5);
}

TEST(RenderTest, DiagramPointsLandWhereTheyMapAndLargerYIsHigher) {
    Canvas canvas(400, 300);
    canvas.dest->Transformator()->Scaling()->MoveTo(20, 20, 1);
    canvas.dc->setBackgroundMode(DeviceContext::Transparent);
    clsElementDiagramm2DPoint d;
    d.EdgeTopLeft()->MoveTo(3, 1, 0);
    d.EdgeBottomRight()->MoveTo(18, 12, 0);
    d.setPenAxis(gen.NewPen(0, 1, PS_SOLID));
    d.setPenGridMajor(gen.NewPen(rt::rgbColorValue(160, 160, 160), 1, PS_SOLID));
    d.setFontAxisX(gen.NewFont(QStringLiteral("Arial"), 8));
    d.setFontAxisY(gen.NewFont(QStringLiteral("Arial"), 8));
    d.setFontAxisYCaption(gen.NewFont(QStringLiteral("Arial"), 10, false, false, false, false, 90));
    d.setAxisYCaption(QStringLiteral("EVD [MN/m²]"));
    d.setAxisYCaptionOffset(gen.NewPoint(-1.5, 0, 0));
    d.setAxisXCaption(QStringLiteral("DPr [%]"));
    d.setAxisXCaptionOffset(gen.NewPoint(0, -1, 0));
    d.setAxisXMin(94);
    d.setAxisXMax(104);
    d.setAxisXGridMajorStep(2);
    d.setAxisYMin(60);
    d.setAxisYMax(20);
    d.setAxisYGridMajorStep(-10);
    d.setAxisYFlip(true);
    // Row 1: two points as red squares.
    d.AddPoint(1, gen.NewPoint(96, 30, 0));
    d.AddPoint(1, gen.NewPoint(102, 50, 0));
    d.setRowPointSymbol(1, psRectangle);
    d.setRowPointSymbolSize(1, 1);
    d.setRowPointPen(1, gen.NewPen(rt::rgbColorValue(255, 0, 0), 1, PS_SOLID));
    d.setRowPointBrush(1, gen.NewBrush(rt::rgbColorValue(255, 0, 0), BS_SOLID, HS_HORIZONTAL));
    d.setRowLinePen(1, gen.NewPen(rt::rgbColorValue(0, 0, 255), 1, PS_SOLID));
    d.Draw(canvas.dest);
    canvas.finish(QStringLiteral("diagram"));

    // Mapped: X(96) = 3 + 2/10 * 15 = 6, Y(30) = 1 + (30-60)/(20-60) * 11 = 9.25.
    const QPoint low = centerOf(canvas.image, isRed, QRect(100, 160, 60, 60));
    EXPECT_NEAR(low.x(), 6 * 20, 2);
    EXPECT_NEAR(low.y(), 9.25 * 20, 2);
    // X(102) = 15, Y(50) = 3.75: the larger value is higher up.
    const QPoint high = centerOf(canvas.image, isRed, QRect(270, 45, 60, 60));
    EXPECT_NEAR(high.x(), 15 * 20, 2);
    EXPECT_NEAR(high.y(), 3.75 * 20, 2);
    EXPECT_LT(high.y(), low.y());
}
