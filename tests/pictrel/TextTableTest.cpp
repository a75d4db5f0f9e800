#include "PictrelTestSupport.h"

namespace {
clsElementGenerator gen;

// A destination on a context with fixed metrics: every character cw wide,
// lines lh high, identity transformation.
struct FixedDest {
    FixedDest(int cw, int lh) : dc(std::make_shared<FixedMetricsContext>(nullptr, cw, lh)) {
        dest->sethDC(dc);
    }
    std::shared_ptr<FixedMetricsContext> dc;
    std::shared_ptr<clsDrawDestHDC> dest = std::make_shared<clsDrawDestHDC>();
};

QString box(clsElement& e, const DrawDestPtr& d) {
    return e.BoundingBoxP1(d)->ContentString() + QStringLiteral(" / ") +
           e.BoundingBoxP2(d)->ContentString();
}
} // namespace

TEST(ElementTextTest, BoxFollowsTheAlignment) {
    FixedDest f(10, 8);
    const auto text = gen.NewText(100, 50, 0, QStringLiteral("abc"), AlignRightBottom, nullptr);
    EXPECT_EQ(box(*text, f.dest), QStringLiteral("70 : 42 : 0 / 100 : 50 : 0"));
    text->setAlign(AlignCenter); // a bare value: like left/top
    EXPECT_EQ(box(*text, f.dest), QStringLiteral("100 : 50 : 0 / 130 : 58 : 0"));
    text->setAlign(AlignCenterMiddle);
    EXPECT_EQ(box(*text, f.dest), QStringLiteral("85 : 46 : 0 / 115 : 54 : 0"));
    EXPECT_EQ(text->BoundingBoxCenter(f.dest)->ContentString(), QStringLiteral("100 : 50 : 0"));
    EXPECT_EQ(clsElementText().Align(), AlignCenterMiddle);

    // A wrap width is the box's width; a short text is one line high.
    text->setText(QStringLiteral("a b"));
    text->setMaxTextWidth(40);
    EXPECT_EQ(text->TextWidth(f.dest), 40);
    EXPECT_EQ(text->TextHeight(f.dest), 8);
    text->setMaxTextWidth(20);
    EXPECT_EQ(text->TextHeight(f.dest), 16);

    // Measuring and drawing select the element's font.
    const FontPtr font = gen.NewFont(QStringLiteral("Arial"), 9);
    text->setFont(font);
    text->BoundingBoxP1(f.dest);
    EXPECT_EQ(f.dest->Font(), font);
    text->setFont(nullptr);
    text->Draw(f.dest);
    EXPECT_EQ(f.dest->Font(), nullptr);
    EXPECT_EQ(text->Element().get(), static_cast<clsElement*>(text.get()));
}

TEST(ElementTableTest, SettingsAndDefaults) {
    clsElementTable table;
    EXPECT_EQ(table.Width(), 0);
    EXPECT_EQ(table.Height(nullptr), 0);
    table.setCols(3);
    EXPECT_EQ(table.Width(), 3);
    EXPECT_EQ(table.RowHeight(2), -1);
    table.setRowHeight(2, 0);
    EXPECT_EQ(table.RowHeightReal(2, nullptr), 0);
    table.setCellInnerSpacingStd(0.5);
    table.setCellInnerSpacing(1, 1, 2);
    EXPECT_EQ(table.CellInnerSpacingTop(1, 1), 2);
    EXPECT_EQ(table.CellInnerSpacingRight(1, 1), 2);
    EXPECT_EQ(table.CellInnerSpacingTop(1, 2), 0.5);
    EXPECT_EQ(table.CellAlignment(2, 2), AlignCenterMiddle);
    table.setCellAlignmentStd(AlignLeftTop);
    EXPECT_EQ(table.CellAlignment(2, 2), AlignLeftTop);
    const FontPtr font = gen.NewFont(QStringLiteral("Arial"), 9);
    table.setCellFontStd(font);
    EXPECT_EQ(table.CellFont(9, 9), font);
    table.setTextMatrix(2, 10, QStringLiteral("x"));
    EXPECT_EQ(table.TextMatrix(2, 10), QStringLiteral("x"));
    EXPECT_EQ(table.TextMatrix(10, 2), QString());
    table.setColWidth(2, 4.5);
    EXPECT_EQ(table.Width(), 6.5);
    EXPECT_EQ(table.ColLeft(3), 5.5);
    table.PositionTopLeft()->MoveTo(10, 20, 0);
    EXPECT_EQ(table.ColLeft(1), 10);
    EXPECT_EQ(table.ColLeft(3), 15.5);
    // Changing Cols keeps the settings.
    table.setCols(1);
    table.setCols(3);
    EXPECT_EQ(table.ColWidth(2), 4.5);
}

TEST(ElementTableTest, SpansHideCellsAndAutomaticRowsFollowTheirTexts) {
    FixedDest f(1, 4);
    clsElementTable table;
    table.setCols(3);
    table.setRows(3);
    table.setColWidth(1, 5);
    table.setColWidth(2, 2);
    table.setColWidth(3, 3);
    table.setCellInnerSpacingStd(1);
    // One cell whose text wraps into 3 lines of 4 units: 1 + 12 + 1.
    table.setTextMatrix(1, 1, QStringLiteral("aa bb cc"));
    EXPECT_EQ(table.RowHeightReal(1, f.dest), 14);
    // An empty row has height 0.
    EXPECT_EQ(table.RowHeightReal(2, f.dest), 0);

    // A column span hides its neighbour and widens the cell.
    table.setTextMatrix(2, 1, QStringLiteral("hidden text that would be very tall indeed"));
    table.setCellColSpan(1, 1, 2);
    EXPECT_FALSE(table.CellVisible(2, 1));
    EXPECT_TRUE(table.CellVisible(3, 1));
    EXPECT_EQ(table.CellWidth(1, 1), 7);
    EXPECT_EQ(table.RowHeightReal(1, f.dest), 1 + 8 + 1); // inner width 5: "aa bb" / "cc"

    // A row span never makes rows taller; the hidden cells below are skipped.
    table.setTextMatrix(3, 2, QStringLiteral("x"));
    table.setCellRowSpan(3, 2, 2);
    table.setTextMatrix(3, 3, QStringLiteral("hidden"));
    table.setTextMatrix(1, 3, QStringLiteral("a b c d"));
    EXPECT_FALSE(table.CellVisible(3, 3));
    EXPECT_EQ(table.RowHeightReal(2, f.dest), 0);
    EXPECT_EQ(table.RowHeightReal(3, f.dest), 1 + 4 * 2 + 1); // "a b" / "c d"
    EXPECT_EQ(table.CellHeight(3, 2, f.dest), 10);
    EXPECT_EQ(table.Height(f.dest), 20);
    EXPECT_EQ(table.RowTop(3, f.dest), 10);
    EXPECT_TRUE(table.CellVisible(0, 5));
    const auto p2 = table.BoundingBoxP2(f.dest);
    EXPECT_EQ(p2->ContentString(), QStringLiteral("10 : 20 : 0"));
    EXPECT_EQ(table.BoundingBoxCenter(f.dest)->ContentString(), QStringLiteral("5 : 10 : 0"));
}

TEST(ElementTableTest, DrawsFrameBordersAndAnchoredTexts) {
    auto dest = std::make_shared<RecordingDrawDest>();
    dest->lineHeight = 2;
    clsElementTable table;
    table.setCols(2);
    table.setRows(2);
    table.setColWidth(1, 10);
    table.setColWidth(2, 6);
    table.setRowHeight(1, 4);
    table.setCellInnerSpacingStd(1);
    table.setTextMatrix(1, 1, QStringLiteral("a"));
    table.setTextMatrix(2, 1, QStringLiteral("b"));
    table.setCellAlignment(2, 1, AlignRightBottom);
    table.setTextMatrix(1, 2, QStringLiteral("c"));
    table.setCellColSpan(1, 2, 2);
    table.setTextMatrix(2, 2, QStringLiteral("never"));
    table.setCellAlignment(1, 2, AlignCenter); // a bare value: left/top
    const PenPtr pen = gen.NewPen(0, 1, PS_SOLID);
    table.setPen(pen);
    table.Draw(dest);

    const auto rects = dest->ofKind("Rectangle");
    ASSERT_EQ(rects.size(), 4u); // frame and three visible cells
    EXPECT_EQ(rects[0].x2, 16);
    EXPECT_EQ(rects[0].y2, 8); // 4 fixed + row 2 automatic: 1 + 2 + 1
    EXPECT_EQ(rects[0].pen, pen);
    EXPECT_EQ(rects[2].x1, 10); // cell (2, 1) starts at column 2
    EXPECT_EQ(rects[3].x2, 16); // the spanning cell is 16 wide
    const auto texts = dest->ofKind("Text");
    ASSERT_EQ(texts.size(), 3u);
    EXPECT_EQ(texts[0].x1, 5); // centre: (10 - 1 - 1) / 2 + 1
    EXPECT_EQ(texts[0].y1, 2);
    EXPECT_EQ(texts[1].x1, 15); // right: 10 + 6 - 1
    EXPECT_EQ(texts[1].y1, 3);  // bottom: 4 - 1
    EXPECT_EQ(texts[2].text, QStringLiteral("c"));
    EXPECT_EQ(texts[2].x1, 1); // left/top: the spacing
    EXPECT_EQ(texts[2].y1, 5);
    EXPECT_EQ(texts[2].align, AlignCenter);
}

// A long table goes onto several pages in parts: each part repeats the header
// rows, and a cell spanning into the part from above is shown again.
// Row heights are kept between calls, and measured anew after any change
// and on a destination that measures otherwise; a part keeps a row's
// height only while the row's spans stay.
TEST(ElementTableTest, RowHeightsAreMeasuredAnewAfterAChange) {
    FixedDest narrow(1, 4), tall(1, 8);
    clsElementTable table;
    table.setCols(2);
    table.setRows(3);
    table.setColWidth(1, 5);
    table.setColWidth(2, 5);
    table.setCellInnerSpacingStd(1);
    table.setTextMatrix(1, 1, QStringLiteral("aa bb cc"));
    EXPECT_EQ(table.RowHeightReal(1, narrow.dest), 14);
    EXPECT_EQ(table.RowHeightReal(1, tall.dest), 26);
    EXPECT_EQ(table.RowHeightReal(1, narrow.dest), 14);
    // Wider columns: one line.
    table.setColWidth(1, 10);
    EXPECT_EQ(table.RowHeightReal(1, narrow.dest), 1 + 4 + 1);
    // Inner width 6: "aa bb" / "cc".
    table.setCellInnerSpacingStd(2);
    EXPECT_EQ(table.Height(narrow.dest), 2 + 8 + 2);
    table.setTextMatrix(2, 2, QStringLiteral("x\ny"));
    EXPECT_EQ(table.Height(narrow.dest), 12 + 12);

    // A cell spanning rows 1 to 3 with three lines adds nothing to them; cut
    // to one row in a part, its lines make that row taller.
    clsElementTable spans;
    spans.setCols(2);
    spans.setRows(3);
    spans.setColWidth(1, 5);
    spans.setColWidth(2, 5);
    spans.setTextMatrix(1, 1, QStringLiteral("a\nb\nc"));
    spans.setCellRowSpan(1, 1, 3);
    for (int r = 1; r <= 3; ++r)
        spans.setTextMatrix(2, r, QString::number(r));
    EXPECT_EQ(spans.Height(narrow.dest), 12);
    const auto cut = spans.CopyRows(0, 1, 1);
    EXPECT_EQ(cut->RowHeightReal(1, narrow.dest), 12);
    const auto whole = spans.CopyRows(0, 1, 3);
    EXPECT_EQ(whole->Height(narrow.dest), 12);
    const auto below = spans.CopyRows(0, 2, 3);
    EXPECT_EQ(below->TextMatrix(1, 1), QStringLiteral("a\nb\nc"));
    EXPECT_EQ(below->RowHeightReal(1, narrow.dest), 4);
}

TEST(ElementTableTest, CopyRowsMakesThePartOfAPage) {
    clsElementGenerator gen;
    clsElementTable table;
    table.setCols(4);
    table.setRows(14);
    table.setColWidth(2, 3.5);
    table.setCellFontStd(gen.NewFont(QStringLiteral("Arial"), 12));
    const FontPtr bold = gen.NewFont(QStringLiteral("Arial"), 12, true);
    table.setTextMatrix(1, 1, QStringLiteral("Prüffeld"));
    table.setCellFont(1, 1, bold);
    table.setTextMatrix(1, 2, QStringLiteral("Nr."));
    const int spans[][2] = {{3, 4}, {7, 5}, {12, 3}};
    int field = 0;
    for (const auto& [row, span] : spans) {
        table.setTextMatrix(1, row, QStringLiteral("Prüffeld %1").arg(++field));
        table.setCellRowSpan(1, row, span);
        table.setCellAlignment(1, row, AlignLeftTop);
    }
    for (int r = 3; r <= 14; ++r)
        table.setTextMatrix(3, r, QString::number(r));
    table.setCellInnerSpacingRight(3, 9, 1.5);

    const auto part = table.CopyRows(2, 9, 12);
    ASSERT_EQ(part->Rows(), 6);
    EXPECT_EQ(part->Cols(), 4);
    EXPECT_EQ(part->ColWidth(2), 3.5);
    EXPECT_EQ(part->TextMatrix(1, 1), QStringLiteral("Prüffeld"));
    EXPECT_EQ(part->CellFont(1, 1), bold);
    EXPECT_EQ(part->TextMatrix(1, 2), QStringLiteral("Nr."));
    // Rows 9 to 11 of field 2 begin the part: its cell again, spanning three rows.
    EXPECT_EQ(part->TextMatrix(1, 3), QStringLiteral("Prüffeld 2"));
    EXPECT_EQ(part->CellRowSpan(1, 3), 3);
    EXPECT_EQ(part->CellAlignment(1, 3), AlignLeftTop);
    EXPECT_FALSE(part->CellVisible(1, 5));
    // Field 3 starts within the part; its span ends with the part.
    EXPECT_EQ(part->TextMatrix(1, 6), QStringLiteral("Prüffeld 3"));
    EXPECT_EQ(part->CellRowSpan(1, 6), 1);
    EXPECT_EQ(part->TextMatrix(3, 3), QStringLiteral("9"));
    EXPECT_EQ(part->TextMatrix(3, 6), QStringLiteral("12"));
    EXPECT_EQ(part->CellInnerSpacingRight(3, 3), 1.5);
    // The whole table, split into parts, holds every row once.
    int rows = 0;
    for (int first = 3; first <= 14; first += 5)
        rows += table.CopyRows(2, first, first + 4)->Rows() - 2;
    EXPECT_EQ(rows, 12);
    // Without header rows, the copy starts with the rows asked for.
    EXPECT_EQ(table.CopyRows(0, 13, 14)->TextMatrix(3, 1), QStringLiteral("13"));
}
