#include "PictrelTestSupport.h"

#include <cmath>

namespace {
clsElementGenerator gen;

std::shared_ptr<clsDrawDestHDC> fixedDest(std::shared_ptr<FixedMetricsContext>& dc, int cw = 10,
                                          int lh = 10) {
    dc = std::make_shared<FixedMetricsContext>(nullptr, cw, lh);
    auto dest = std::make_shared<clsDrawDestHDC>();
    dest->sethDC(dc);
    return dest;
}
} // namespace

TEST(DrawDestTest, OwnObjectsAreMadeOnlyForADifferentObject) {
    Canvas canvas(50, 50);
    const auto& dc = canvas.dc;
    const GdiPenHandle stockPen = dc->selectedPen();
    const PenPtr pen = gen.NewPen(255, 3, PS_SOLID);
    canvas.dest->setPen(pen);
    canvas.dest->setPen(pen);
    EXPECT_EQ(dc->createdObjects(), 1);
    EXPECT_NE(dc->selectedPen(), stockPen);
    EXPECT_EQ(dc->selectedPen()->pen.width(), 3);
    // Changing the same object is not seen until a different one is set.
    pen->setWidth(7);
    canvas.dest->setPen(pen);
    EXPECT_EQ(dc->selectedPen()->pen.width(), 3);
    canvas.dest->setPen(gen.NewPen(0, 7, PS_SOLID));
    EXPECT_EQ(dc->createdObjects(), 2);
    EXPECT_EQ(dc->deletedObjects(), 1);
    EXPECT_EQ(dc->selectedPen()->pen.width(), 7);
    // Nothing restores what the context had before.
    canvas.dest->setPen(nullptr);
    EXPECT_EQ(dc->selectedPen(), stockPen);
    EXPECT_EQ(dc->deletedObjects(), 2);

    const GdiBrushHandle stockBrush = dc->selectedBrush();
    EXPECT_EQ(stockBrush->brush.color(), QColor(Qt::white));
    canvas.dest->setBrush(gen.NewBrush(rt::rgbColorValue(0, 0, 255), BS_SOLID, HS_HORIZONTAL));
    EXPECT_EQ(dc->selectedBrush()->brush.color(), QColor(0, 0, 255));
    canvas.dest->setBrush(gen.NewBrush(0, BS_HATCHED, HS_CROSS));
    EXPECT_EQ(dc->selectedBrush()->brush.style(), Qt::CrossPattern);
    canvas.dest->setBrush(nullptr);
    EXPECT_EQ(dc->selectedBrush(), stockBrush);

    // Fonts: the cell-height rule, the text colour, bold as weight 800.
    const FontPtr font = gen.NewFont(QStringLiteral("Arial"), 12, true);
    font->setColor(rt::rgbColorValue(200, 0, 0));
    canvas.dest->setFont(font);
    EXPECT_EQ(dc->textColor(), rt::rgbColorValue(200, 0, 0));
    EXPECT_EQ(dc->selectedFont()->font().weight(), 800);
    EXPECT_EQ(dc->selectedFont()->lineHeight(), 16); // 12 pt at 96 dpi
    canvas.finish(QStringLiteral("styles"));
}

TEST(DrawDestTest, FontHeightFollowsTheDeviceResolution) {
    Canvas printer(10, 10, 600);
    printer.dest->setFont(gen.NewFont(QStringLiteral("Times New Roman"), 10));
    // 10 pt at 600 dpi: a cell of 83 device units.
    EXPECT_EQ(printer.dc->selectedFont()->lineHeight(), 83);
    EXPECT_EQ(printer.dc->selectedFont()->font().family(), QStringLiteral("Times New Roman"));
    // A line is the cell height on every resolution, and the text's ink fits in it.
    const struct {
        int dpi;
        double points;
        int cell;
    } cases[] = {{96, 12, 16}, {120, 10, 17}, {96, 9, 12}, {300, 12, 50}, {600, 16, 133}};
    for (const auto& c : cases) {
        Canvas canvas(400, 200, c.dpi);
        canvas.dest->setFont(gen.NewFont(QStringLiteral("Times New Roman"), c.points));
        EXPECT_EQ(canvas.dc->selectedFont()->lineHeight(), c.cell) << c.dpi << " " << c.points;
        EXPECT_EQ(canvas.dest->TextHeight(QStringLiteral("Hg"), 0), c.cell);
        canvas.dest->DrawText(GetPoint(0, 0, 0), QStringLiteral("ÄHgjy"), AlignLeftTop, 0);
        const QRect ink = canvas.inkRect();
        EXPECT_GE(ink.top(), 0);
        EXPECT_LE(ink.bottom(), c.cell + 1) << c.dpi << " " << c.points;
        EXPECT_GE(ink.height(), c.cell * 2 / 3);
    }
}

TEST(DrawDestTest, TextIsWrappedAtBlanksLikeTheWindowsLayout) {
    DeviceContext dc(nullptr);
    dc.selectFont(dc.createFont(-16, 0, 400, false, false, false, QStringLiteral("Arial")));
    EXPECT_EQ(dc.selectedFont()->lineHeight(), 17);
    GdiRect rect{0, 0, 60, 0};
    const qint64 height =
        dc.drawText(QStringLiteral("Kunde Müller GmbH"), rect, DT_CALCRECT | DT_WORDBREAK);
    EXPECT_EQ(
        dc.layoutText(QStringLiteral("Kunde Müller GmbH"), 60),
        (QStringList{QStringLiteral("Kunde "), QStringLiteral("Müller "), QStringLiteral("GmbH")}));
    EXPECT_EQ(height, 51);
    EXPECT_EQ(rect.bottom, 51);
    EXPECT_NEAR(double(rect.right), 51, 1); // the trailing blank that fits counts

    // Line breaks: CR, LF, CR LF, LF CR end one line; a final break adds none.
    EXPECT_EQ(dc.layoutText(QStringLiteral("a\r\nb\rc\nd\n\re"), std::nullopt).size(), 5);
    EXPECT_EQ(dc.layoutText(QStringLiteral("a\r\r"), std::nullopt).size(), 2);
    EXPECT_EQ(dc.layoutText(QStringLiteral("a\r\n\r\n"), std::nullopt).size(), 2);
    EXPECT_EQ(dc.layoutText(QStringLiteral("a\r\n"), std::nullopt).size(), 1);
    // A word wider than the line keeps a line of its own; words are never split.
    EXPECT_EQ(dc.layoutText(QStringLiteral("line1 line2"), 1),
              (QStringList{QStringLiteral("line1"), QStringLiteral("line2")}));
    // "&" is an ordinary character.
    GdiRect amp{0, 0, 999999999, 0}, plain{0, 0, 999999999, 0};
    dc.drawText(QStringLiteral("Müller & Co"), amp, DT_CALCRECT);
    dc.drawText(QStringLiteral("Müller Co"), plain, DT_CALCRECT);
    EXPECT_GT(amp.right, plain.right);
}

TEST(DrawDestTest, TextMeasuresWithTheSelectedFont) {
    Canvas canvas(10, 10);
    auto& dest = *canvas.dest;
    dest.setFont(gen.NewFont(QStringLiteral("Arial"), 12));
    const GdiFont& font = *canvas.dc->selectedFont();
    const QString two = QStringLiteral("Kalibrierung Verdichtung");
    EXPECT_EQ(dest.TextWidth(two, 0), double(font.width(two)));
    // A limit narrower than both words together: the wider word.
    const double wider = std::max(font.width(u"Kalibrierung "), font.width(u"Verdichtung"));
    EXPECT_EQ(dest.TextWidth(two, 150), wider);
    EXPECT_EQ(dest.TextHeight(two, 0), double(font.lineHeight()));
    EXPECT_EQ(dest.TextHeight(two, 150), 2.0 * font.lineHeight());

    // Drawing units: the X scale converts widths and heights back.
    dest.Transformator()->Scaling()->MoveTo(2, -4, 1);
    EXPECT_EQ(dest.TextWidth(two, 0), font.width(two) / 2.0);
    EXPECT_EQ(dest.TextHeight(two, 0), font.lineHeight() / 2.0);

    // Turned text: 90 degrees swaps the extents.
    dest.Transformator()->Scaling()->MoveTo(1, 1, 1);
    const double w = dest.TextWidth(two, 0), h = dest.TextHeight(two, 0);
    EXPECT_EQ(dest.TextWidthA(two, 0), w);
    EXPECT_EQ(dest.TextWidthB(two, 0), 0);
    EXPECT_EQ(dest.TextHeightA(two, 0), -h);
    EXPECT_EQ(dest.TextHeightB(two, 0), 0);
    dest.setFont(gen.NewFont(QStringLiteral("Arial"), 12, false, false, false, false, 90));
    EXPECT_NEAR(dest.TextWidthA(two, 0), h, 1e-9);
    EXPECT_NEAR(dest.TextWidthB(two, 0), 0, 1e-9);
    EXPECT_NEAR(dest.TextHeightA(two, 0), 0, 1e-9);
    EXPECT_NEAR(dest.TextHeightB(two, 0), w, 1e-9);
    // An empty text has no extent; its turned box cannot be computed.
    EXPECT_EQ(dest.TextWidth(QString(), 0), 0);
    EXPECT_EQ(errorNumberOf([&] { dest.TextWidthA(QString(), 0); }), rt::err::Overflow);
}

TEST(DrawDestTest, DrawTextPlacesTheBlockByItsAlignment) {
    std::shared_ptr<FixedMetricsContext> dc;
    auto dest = fixedDest(dc);
    const PointPtr anchor = gen.NewPoint(100, 100, 0);
    const QString text = QStringLiteral("abcd"); // 40 x 10 device units
    struct Case {
        TextAlignmentEnum align;
        qint64 left, top;
    } cases[] = {
        {AlignCenterMiddle, 80, 95}, {AlignLeftTop, 100, 100},  {AlignCenter, 100, 100},
        {AlignRightBottom, 60, 90},  {AlignCenterTop, 80, 100}, {AlignLeftMiddle, 100, 95},
        {AlignRightTop, 60, 100},    {AlignMiddle, 100, 100},   {AlignCenterBottom, 80, 90},
    };
    for (const Case& c : cases) {
        dc->drawnRects.clear();
        dest->DrawText(anchor, text, c.align, 0);
        ASSERT_EQ(dc->drawnRects.size(), 1u);
        EXPECT_EQ(dc->drawnRects[0].left, c.left) << c.align;
        EXPECT_EQ(dc->drawnRects[0].top, c.top) << c.align;
        // MaxTextWidth 0: 1000 more to the right and to the bottom.
        EXPECT_EQ(dc->drawnRects[0].right, c.left + 40 + 1000) << c.align;
        EXPECT_EQ(dc->drawnRects[0].bottom, c.top + 10 + 1000) << c.align;
    }
    // With a wrap width the rectangle is that wide.
    dc->drawnRects.clear();
    dest->DrawText(anchor, QStringLiteral("ab cd"), AlignLeftTop, 30);
    ASSERT_EQ(dc->drawnRects.size(), 1u);
    EXPECT_EQ(dc->drawnRects[0].right - dc->drawnRects[0].left, 30);
    EXPECT_EQ(dc->drawnRects[0].bottom - dc->drawnRects[0].top, 20);
    // An empty text: the measures fail, nothing is laid out, nothing fails.
    dc->drawnRects.clear();
    EXPECT_NO_THROW(dest->DrawText(anchor, QString(), AlignCenterMiddle, 0));
}

TEST(DrawDestTest, FailuresOfTheDrawingOperations) {
    std::shared_ptr<FixedMetricsContext> dc;
    auto dest = fixedDest(dc);
    EXPECT_EQ(errorNumberOf([&] { dest->DrawPolyline(PointList{PointPtr()}); }),
              rt::err::SubscriptOutOfRange);
    EXPECT_EQ(errorNumberOf([&] { dest->DrawPolygon(PointList{PointPtr()}); }),
              rt::err::SubscriptOutOfRange);
    EXPECT_EQ(
        errorNumberOf([&] { dest->DrawLine(gen.NewPoint(3e9, 0, 0), gen.NewPoint(0, 0, 0)); }),
        rt::err::Overflow);
    EXPECT_EQ(errorNumberOf([&] { dest->DrawLine(nullptr, gen.NewPoint(0, 0, 0)); }),
              rt::err::ObjectNotSet);
    // Without a device context nothing happens.
    auto none = std::make_shared<clsDrawDestHDC>();
    EXPECT_NO_THROW(none->DrawRectangle(gen.NewPoint(0, 0, 0), gen.NewPoint(1, 1, 0)));
    EXPECT_NO_THROW(none->setPen(gen.NewPen(0, 1, PS_SOLID)));
    EXPECT_EQ(none->DrawDest().get(), static_cast<clsDrawDest*>(none.get()));
}
