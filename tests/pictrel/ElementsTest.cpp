#include "PictrelTestSupport.h"

namespace {
QString box(const PointPtr& p1, const PointPtr& p2) {
    return p1->ContentString() + QStringLiteral(" / ") + p2->ContentString();
}
clsElementGenerator gen;
} // namespace

TEST(ElementsTest, BoundingBoxesOfTheSimpleElements) {
    const auto line = gen.NewLine(5, 1, 0, 2, 4, 0);
    EXPECT_EQ(box(line->BoundingBoxP1(nullptr), line->BoundingBoxP2(nullptr)),
              QStringLiteral("2 : 1 : 0 / 5 : 4 : 0"));
    EXPECT_EQ(line->BoundingBoxCenter(nullptr)->ContentString(), QStringLiteral("3,5 : 2,5 : 0"));

    const auto circle = gen.NewCircle(10, 10, 3, 2);
    EXPECT_EQ(box(circle->BoundingBoxP1(nullptr), circle->BoundingBoxP2(nullptr)),
              QStringLiteral("8 : 8 : 3 / 12 : 12 : 3"));
    EXPECT_EQ(circle->BoundingBoxCenter(nullptr)->ContentString(), QStringLiteral("10 : 10 : 3"));

    clsElementPolyline polyline;
    EXPECT_EQ(polyline.BoundingBoxP1(nullptr), nullptr);
    EXPECT_EQ(polyline.BoundingBoxCenter(nullptr), nullptr);
    polyline.AddPoint(gen.NewPoint(0, 0, 0));
    polyline.AddPoint(gen.NewPoint(4, -1, 0));
    polyline.AddPoint(gen.NewPoint(2, 5, 0));
    EXPECT_EQ(polyline.PointCount(), 3);
    EXPECT_EQ(box(polyline.BoundingBoxP1(nullptr), polyline.BoundingBoxP2(nullptr)),
              QStringLiteral("0 : -1 : 0 / 4 : 5 : 0"));
    EXPECT_EQ(polyline.BoundingBoxCenter(nullptr)->ContentString(), QStringLiteral("2 : 2 : 0"));
    EXPECT_EQ(polyline.Points()[0], nullptr);

    auto rect = gen.NewRectangle(1, 2, 0, -1, 5, 0);
    EXPECT_EQ(box(rect->BoundingBoxP1(nullptr), rect->BoundingBoxP2(nullptr)),
              QStringLiteral("-1 : 2 : 0 / 1 : 5 : 0"));

    // Styles and defaults.
    clsPen pen;
    EXPECT_EQ(pen.Style(), PS_SOLID);
    EXPECT_EQ(pen.Width(), 1);
    EXPECT_EQ(pen.Color(), 0u);
    EXPECT_EQ(clsBrush().Style(), BS_HOLLOW);
    EXPECT_EQ(clsFont().Name(), QStringLiteral("Times New Roman"));
    EXPECT_EQ(clsFont().Size(), 8);
    const FontPtr font = gen.NewFont(QStringLiteral("Arial"), 12, true, false, true);
    EXPECT_TRUE(font->Bold() && font->Underline() && !font->Italic() && !font->StrikeOut());
    EXPECT_EQ(font->Escapement(), 0);
    const PenPtr shared = gen.NewPen(255, 2, PS_DASH);
    const auto a = gen.NewLine(0, 0, 0, 1, 1, 0, shared);
    shared->setColor(1);
    EXPECT_EQ(a->Pen()->Color(), 1u); // stored by reference
    EXPECT_EQ(gen.NewText(1, 2, 3, QStringLiteral("x"), AlignLeftTop, font)->MaxTextWidth(), 0);
}

TEST(ElementsTest, CollectionKeysPositionsAndBox) {
    clsElements elements;
    const ElementPtr point = std::make_shared<clsElementPoint>();
    std::static_pointer_cast<clsElementPoint>(point)->Coordinates()->MoveTo(1, 1, 0);
    const ElementPtr line = gen.NewLine(3, -2, 0, 0, 0, 0);
    elements.Add(point, QString());
    elements.Add(line);
    elements.Add(gen.NewCircle(0, 0, 0, 0), QStringLiteral("Kreis"));
    EXPECT_EQ(elements.Count(), 3);
    EXPECT_EQ(elements.Item(1), point);
    EXPECT_EQ(elements.Item(QStringLiteral("KREIS")), elements.Item(3));
    EXPECT_EQ(errorNumberOf([&] { elements.Add(line, QStringLiteral("kreis")); }),
              rt::err::DuplicateKey);
    EXPECT_EQ(elements.Count(), 3);
    EXPECT_EQ(errorNumberOf([&] { elements.Item(0); }), rt::err::SubscriptOutOfRange);
    EXPECT_EQ(errorNumberOf([&] { elements.Item(4); }), rt::err::SubscriptOutOfRange);
    EXPECT_EQ(errorNumberOf([&] { elements.Item(QStringLiteral("fehlt")); }),
              rt::err::InvalidProcedureCall);
    EXPECT_EQ(errorNumberOf([&] { elements.Remove(QStringLiteral("fehlt")); }),
              rt::err::InvalidProcedureCall);

    elements.Remove(QStringLiteral("Kreis"));
    EXPECT_EQ(box(elements.BoundingBoxP1(nullptr), elements.BoundingBoxP2(nullptr)),
              QStringLiteral("0 : -2 : 0 / 3 : 1 : 0"));
    // The key is free again after removal.
    elements.Add(gen.NewCircle(0, 0, 0, 1), QStringLiteral("kreis"));
    elements.Remove(1);
    EXPECT_EQ(elements.Item(1), line);
    int visited = 0;
    for (const ElementPtr& e : elements)
        visited += e != nullptr;
    EXPECT_EQ(visited, 2);
    elements.Clear();
    EXPECT_EQ(elements.Count(), 0);
    EXPECT_EQ(elements.BoundingBoxP1(nullptr), nullptr);
    elements.Clear();
}

TEST(ElementsTest, DrawingSetsStylesAndResetsPenAndBrush) {
    auto dest = std::make_shared<RecordingDrawDest>();
    clsPictrel drawing;
    const PenPtr pen = gen.NewPen(0, 1, PS_SOLID);
    const BrushPtr brush = gen.NewBrush(0, BS_SOLID, HS_HORIZONTAL);
    drawing.Elements()->Add(gen.NewRectangle(0, 0, 0, 2, 2, 0, pen, brush));
    auto polygon = std::make_shared<clsElementPolygon>();
    polygon->setPen(pen);
    polygon->setBrush(brush);
    polygon->AddPoint(gen.NewPoint(0, 0, 0));
    polygon->AddPoint(gen.NewPoint(1, 0, 0));
    polygon->AddPoint(gen.NewPoint(1, 1, 0));
    drawing.Elements()->Add(polygon);
    drawing.Draw(dest);
    ASSERT_EQ(dest->calls.size(), 2u);
    EXPECT_EQ(dest->calls[0].op, QStringLiteral("Rectangle"));
    EXPECT_EQ(dest->calls[0].pen, pen);
    EXPECT_EQ(dest->calls[0].brush, brush);
    EXPECT_EQ(dest->calls[1].align, 3); // three points handed over
    EXPECT_EQ(dest->Pen(), nullptr);
    EXPECT_EQ(dest->Brush(), nullptr);
}

TEST(ElementsTest, NestedDrawingIsOffsetAndScaled) {
    auto dest = std::make_shared<clsDrawDestHDC>();
    dest->Transformator()->Scaling()->MoveTo(10, -10, 1);
    dest->Transformator()->PreScalingOffset()->MoveTo(5, 5, 0);
    const TransformatorPtr before = dest->Transformator();

    // A recording of where the nested point lands, through a tiny element.
    struct Probe : clsElement {
        PointPtr where;
        void Draw(const DrawDestPtr& d) override {
            where = d->Transformator()->TransformPoint3D(clsPoint3D(0, 0, 0));
        }
    };
    auto probe = std::make_shared<Probe>();
    clsElementPictrel nested;
    nested.Coordinates()->MoveTo(20, 30, 0);
    nested.Pictrel()->Elements()->Add(probe);
    nested.Draw(dest);
    const PointPtr outer = before->TransformPoint3D(clsPoint3D(20, 30, 0));
    EXPECT_EQ(probe->where->ContentString(), outer->ContentString());
    EXPECT_EQ(dest->Transformator(), before);

    nested.Scaling()->MoveTo(2, 3, 1);
    nested.Draw(dest);
    // PreScalingOffset + (p + Coordinates - PreScalingOffset) * Scaling, as an outer point.
    const PointPtr expected = before->TransformPoint3D(clsPoint3D(5 + 15 * 2, 5 + 25 * 3, 0));
    EXPECT_EQ(probe->where->ContentString(), expected->ContentString());

    // The box is that of the nested drawing, moved but not scaled.
    nested.Pictrel()->Elements()->Clear();
    EXPECT_EQ(errorNumberOf([&] { nested.BoundingBoxP1(dest); }), rt::err::ObjectNotSet);
    nested.Pictrel()->Elements()->Add(gen.NewLine(0, 0, 0, 1, 2, 0));
    EXPECT_EQ(box(nested.BoundingBoxP1(dest), nested.BoundingBoxP2(dest)),
              QStringLiteral("20 : 30 : 0 / 21 : 32 : 0"));
    EXPECT_EQ(nested.BoundingBoxCenter(dest)->ContentString(), QStringLiteral("20,5 : 31 : 0"));
}
