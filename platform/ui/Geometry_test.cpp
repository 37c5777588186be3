#include "platform/ui/Geometry.h"

#include <gtest/gtest.h>
#include <numbers>

namespace ui {
namespace {

TEST(Geometry, RectEdgesReadTheStandardisedRectangle) {
    const Rect flipped(100, 50, -40, -20);
    EXPECT_EQ(flipped.minX(), 60);
    EXPECT_EQ(flipped.maxX(), 100);
    EXPECT_EQ(flipped.minY(), 30);
    EXPECT_EQ(flipped.maxY(), 50);
    EXPECT_EQ(flipped.standardized(), Rect(60, 30, 40, 20));
    EXPECT_TRUE(flipped.containsPoint(Point(70, 40)));
}

TEST(Geometry, SizesReadBackTheirTextForm) {
    EXPECT_EQ(Size(320, 50).description(), "{320, 50}");
    EXPECT_EQ(sizeFromString(Size(320.5, -2).description()), Size(320.5, -2));
    const std::pair<const char*, Size> cases[] = {
        {"{320,50}", Size(320, 50)},
        {" { 1.5 , 2 } ", Size(1.5, 2)},
        {"{+3,4}", Size(3, 4)},
        {"320,50", Size()},
        {"{320 50}", Size()},
        {"{320,}", Size()},
        {"{1,2", Size()},
        {"{inf,2}", Size()},
        {"{nan,2}", Size()},
        {"", Size()},
    };
    for (const auto& [text, size] : cases)
        EXPECT_EQ(sizeFromString(text), size) << text;
}

TEST(Geometry, ContainsPointExcludesTheFarEdges) {
    const Rect rect(0, 0, 10, 10);
    EXPECT_TRUE(rect.containsPoint(Point(0, 0)));
    EXPECT_TRUE(rect.containsPoint(Point(9.99, 9.99)));
    EXPECT_FALSE(rect.containsPoint(Point(10, 5)));
    EXPECT_FALSE(rect.containsPoint(Point(5, 10)));
    EXPECT_FALSE(Rect::null().containsPoint(Point()));
}

TEST(Geometry, IntersectionIsNullOnlyWhenRectanglesAreApart) {
    const Rect a(0, 0, 100, 100);
    EXPECT_EQ(a.intersection(Rect(50, 60, 100, 100)), Rect(50, 60, 50, 40));
    EXPECT_TRUE(a.intersection(Rect(200, 0, 10, 10)).isNull());
    // Sharing an edge: an empty rectangle, not null, and no overlap.
    const Rect touching = a.intersection(Rect(100, 0, 10, 10));
    EXPECT_FALSE(touching.isNull());
    EXPECT_TRUE(touching.isEmpty());
    EXPECT_FALSE(a.intersects(Rect(100, 0, 10, 10)));
    EXPECT_TRUE(a.intersection(Rect::null()).isNull());
}

TEST(Geometry, UnionIgnoresNullAndInsetKeepsTheCentre) {
    EXPECT_EQ(Rect(0, 0, 10, 10).unionWith(Rect(20, 30, 5, 5)), Rect(0, 0, 25, 35));
    EXPECT_EQ(Rect::null().unionWith(Rect(1, 2, 3, 4)), Rect(1, 2, 3, 4));
    EXPECT_EQ(Rect(0, 0, 100, 50).insetBy(10, 5), Rect(10, 5, 80, 40));
    EXPECT_TRUE(Rect(0, 0, 10, 10).insetBy(6, 0).isNull());
    EXPECT_EQ(Rect(0, 0, 100, 50).insetBy(EdgeInsets(1, 2, 3, 4)), Rect(2, 1, 94, 46));
    EXPECT_EQ(Rect(0.5, 0.2, 10, 10).integral(), Rect(0, 0, 11, 11));
}

TEST(Geometry, TransformsComposeInOrderAndInvert) {
    const auto scaleThenMove =
        AffineTransform::scale(2, 3).concat(AffineTransform::translation(10, 20));
    EXPECT_EQ(scaleThenMove.apply(Point(1, 1)), Point(12, 23));
    const auto moveThenScale =
        AffineTransform::translation(10, 20).concat(AffineTransform::scale(2, 3));
    EXPECT_EQ(moveThenScale.apply(Point(1, 1)), Point(22, 63));

    const Point back = scaleThenMove.inverted().apply(Point(12, 23));
    EXPECT_NEAR(back.x, 1, 1e-12);
    EXPECT_NEAR(back.y, 1, 1e-12);
    // A transform that flattens everything cannot be undone and comes back unchanged.
    const AffineTransform flat = AffineTransform::scale(0, 1);
    EXPECT_EQ(flat.inverted(), flat);
}

TEST(Geometry, QuarterTurnMapsAxesAndRectBoundingBox) {
    const auto turn = AffineTransform::rotation(std::numbers::pi / 2);
    const Point p = turn.apply(Point(1, 0));
    EXPECT_NEAR(p.x, 0, 1e-12);
    EXPECT_NEAR(p.y, 1, 1e-12); // clockwise on a y-down screen
    const Rect box = turn.apply(Rect(-20, -10, 40, 20));
    EXPECT_NEAR(box.origin.x, -10, 1e-9);
    EXPECT_NEAR(box.origin.y, -20, 1e-9);
    EXPECT_NEAR(box.size.width, 20, 1e-9);
    EXPECT_NEAR(box.size.height, 40, 1e-9);
    EXPECT_TRUE(AffineTransform::identity().isIdentity());
    EXPECT_FALSE(turn.isIdentity());
    // A mirrored, negative-width rectangle still gives a standardised box; null stays null.
    EXPECT_EQ(AffineTransform::scale(-2, 1).apply(Rect(10, 0, -4, 3)), Rect(-20, 0, 8, 3));
    EXPECT_TRUE(turn.apply(Rect::null()).isNull());
}

} // namespace
} // namespace ui
