#include "ProtokollTestSupport.h"

#include "Protokoll.h"
#include "clsBander.h"

#include "Kalibrierung.h"

namespace {

// The bander of a builder on a sheet of the given size, with one page started.
struct Seiten {
    explicit Seiten(double height) : pages(QSizeF(21.0, height)), protokoll(k, pages, 1) {
        protokoll.bander().NewPage();
    }
    Kalibrierung k;
    BildSeiten pages;
    Protokoll protokoll;
};

} // namespace

TEST(BanderTest, BandsThatDoNotFitStartANewPage) {
    // 25.0 cm for bands on a 29.0 cm sheet with margins of 2 cm.
    Seiten s(29.0);
    clsBander& b = s.protokoll.bander();
    EXPECT_EQ(s.pages.events, QStringList{QStringLiteral("begin 1")}); // no completion first
    EXPECT_EQ(b.MarginTop, 2.0);
    EXPECT_EQ(b.MarginBottom, 2.0);
    EXPECT_EQ(b.PageHeight, 29.0);
    EXPECT_TRUE(b.PageEmpty);
    b.DrawBand(s.protokoll.SpacerBand(10));
    b.DrawBand(s.protokoll.SpacerBand(10));
    EXPECT_EQ(b.PageNumber, 1);
    EXPECT_DOUBLE_EQ(b.CurrentY, 20.0);
    b.DrawBand(s.protokoll.SpacerBand(6));
    EXPECT_EQ(b.PageNumber, 2);
    EXPECT_DOUBLE_EQ(b.CurrentY, 6.0);
    EXPECT_EQ(s.pages.events, (QStringList{QStringLiteral("begin 1"), QStringLiteral("complete 1"),
                                           QStringLiteral("begin 2")}));

    // Exactly 5.0 cm after 20.0 cm still fits.
    Seiten t(29.0);
    clsBander& c = t.protokoll.bander();
    c.DrawBand(t.protokoll.SpacerBand(20));
    c.DrawBand(t.protokoll.SpacerBand(5.0));
    EXPECT_EQ(c.PageNumber, 1);

    // A band taller than an empty page is drawn there; the next starts a page.
    Seiten u(29.0);
    clsBander& d = u.protokoll.bander();
    d.DrawBand(u.protokoll.SpacerBand(30));
    EXPECT_EQ(d.PageNumber, 1);
    d.DrawBand(u.protokoll.SpacerBand(1));
    EXPECT_EQ(d.PageNumber, 2);
    // Every page has its footer before any band; a bander alone knows no
    // number of pages, and no report number is set.
    EXPECT_EQ(u.pages.textsOn(1), QStringList{QStringLiteral("Seite 1")});
    EXPECT_EQ(u.pages.textsOn(2), QStringList{QStringLiteral("Seite 2")});
    u.pages.PageTotal = 12;
    u.pages.ReportNumber = QStringLiteral(" R-2026/17 ");
    d.NewPage();
    EXPECT_EQ(u.pages.textsOn(3), QStringList{QStringLiteral("R-2026/17 · Seite 3 von 12")});
}

TEST(BanderTest, TheFooterStandsBelowTheBandsAndTextNeverWipesALine) {
    Seiten s(29.7);
    clsBander& b = s.protokoll.bander();
    // A band that fills the page to its usable bottom: a text whose box ends
    // exactly there, and a line with a text drawn across it.
    auto band = std::make_shared<clsPictrel>();
    clsElementGenerator gen;
    band->Elements()->Add(gen.NewLine(0, 1, 0, 17, 1, 0, gen.NewPen(0, 1, PS_SOLID)));
    band->Elements()->Add(gen.NewText(8.5, 1, 0, QStringLiteral("Über der Linie"),
                                      AlignCenterMiddle, s.protokoll.ProtocolFont(false, 0, true)));
    band->Elements()->Add(gen.NewText(0, 25.7, 0, QStringLiteral("unten"), AlignLeftBottom,
                                      s.protokoll.ProtocolFont(false, 0, true)));
    b.DrawBand(band);
    s.pages.Bander_CompletePage(b);
    const BildSeiten::Text* footer = s.pages.find(QStringLiteral("Seite 1"));
    const BildSeiten::Text* bottom = s.pages.find(QStringLiteral("unten"));
    ASSERT_TRUE(footer && bottom);
    EXPECT_NEAR(footer->cm.top(), 29.7 - 2.0, 0.02);
    EXPECT_NEAR(footer->cm.center().x(), 10.5, 0.02);
    EXPECT_NEAR(bottom->cm.bottom(), 29.7 - 2.0, 0.02);
    EXPECT_LE(bottom->cm.bottom(), footer->cm.top() + 0.01);
    // The line at 3 cm from the top (2 cm margin + 1 cm) is unbroken under the text.
    const QImage& page = s.pages.pages[0];
    const double dotsPerCm = 120 / 2.54;
    const int y = int(std::lround(3.0 * dotsPerCm));
    const QRectF text = s.pages.find(QStringLiteral("Über der Linie"))->cm;
    int dark = 0, total = 0;
    for (int x = int(text.left() * dotsPerCm); x < int(text.right() * dotsPerCm); ++x, ++total) {
        bool ink = false;
        for (int dy = -1; dy <= 1; ++dy)
            ink = ink || qGray(page.pixel(x, y + dy)) < 96;
        dark += ink;
    }
    EXPECT_EQ(dark, total);
}
