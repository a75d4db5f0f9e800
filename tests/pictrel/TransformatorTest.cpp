#include "PictrelTestSupport.h"

TEST(Point3DTest, CopiesOffsetsAndText) {
    clsPoint3D p;
    const PointPtr moved = p.OffsetClone(1, 1, 1);
    EXPECT_EQ(moved->ContentString(), QStringLiteral("1 : 1 : 1"));
    EXPECT_EQ(p.ContentString(), QStringLiteral("0 : 0 : 0"));
    clsPoint3D q(1.5, -2, 0);
    EXPECT_EQ(q.ContentString(), QStringLiteral("1,5 : -2 : 0"));
    q.Offset(0.5, 2, 3);
    EXPECT_EQ(q.ContentString(), QStringLiteral("2 : 0 : 3"));
    const PointPtr copy = q.Clone();
    copy->setX(9);
    EXPECT_EQ(q.X(), 2);
    q.MoveTo(12.5, 3, 0);
    EXPECT_EQ(q.ContentString(), QStringLiteral("12,5 : 3 : 0"));
    EXPECT_EQ(dblMin(2, 2), 2);
    EXPECT_EQ(dblMax(1, 3), 3);
    EXPECT_EQ(dblMin(1, 3), 1);
    EXPECT_EQ(errorNumberOf([] { clsPoint3D(1e308, 0, 0).Offset(1e308, 0, 0); }),
              rt::err::Overflow);
}

TEST(TransformatorTest, MapsPositionsAndLengths) {
    clsTransformator identity;
    const PointPtr same = identity.TransformPoint3D(clsPoint3D(3, -4, 5));
    EXPECT_EQ(same->ContentString(), QStringLiteral("3 : -4 : 5"));

    clsTransformator t;
    t.PreScalingOffset()->MoveTo(10, 20, 0);
    t.Scaling()->MoveTo(2, -3, 1);
    t.Offset()->MoveTo(5, 5, 0);
    const PointPtr mapped = t.TransformPoint3D(clsPoint3D(11, 21, 0));
    EXPECT_EQ(mapped->X(), -3);
    EXPECT_EQ(mapped->Y(), -8);
    EXPECT_EQ(mapped->Z(), 0);
    EXPECT_EQ(t.TransformValue(4, DirectionY, true), -12);
    EXPECT_EQ(t.TransformValue(11, Directionx), -3);
    EXPECT_EQ(t.UntransformValue(-12, DirectionY, true), 4);
    EXPECT_EQ(t.TransformValue(4, DirectionEnum(7)), 0);
    const PointPtr back = t.UntransformPoint3D(*mapped);
    EXPECT_EQ(back->ContentString(), QStringLiteral("11 : 21 : 0"));
    for (double v : {-1e6, -3.25, 0.0, 0.1, 17.0, 2e5})
        EXPECT_NEAR(t.UntransformValue(t.TransformValue(v, Directionx), Directionx), v, 1e-9);

    // Objects by reference: changing the set point changes the mapping; a clone does not.
    const PointPtr scaling = std::make_shared<clsPoint3D>(1, 1, 1);
    t.setScaling(scaling);
    const TransformatorPtr clone = t.Clone();
    scaling->setX(10);
    EXPECT_EQ(t.TransformValue(1, Directionx, true), 10);
    EXPECT_EQ(clone->TransformValue(1, Directionx, true), 1);
    clone->Scaling()->setX(5);
    EXPECT_EQ(t.TransformValue(1, Directionx, true), 10);

    // Zero scaling and an unknown axis divide by zero.
    t.Scaling()->setY(0);
    EXPECT_EQ(errorNumberOf([&] { t.UntransformValue(3, DirectionY, true); }),
              rt::err::DivisionByZero);
    EXPECT_EQ(errorNumberOf([&] { t.UntransformValue(0, DirectionY, true); }), rt::err::Overflow);
    EXPECT_EQ(errorNumberOf([&] { t.UntransformPoint3D(clsPoint3D(1, 1, 1)); }),
              rt::err::DivisionByZero);
    EXPECT_EQ(errorNumberOf([&] { t.UntransformValue(3, DirectionEnum(0)); }),
              rt::err::DivisionByZero);
    EXPECT_EQ(errorNumberOf([&] { t.TransformValue(1e308, Directionx, true); }), rt::err::Overflow);
}
