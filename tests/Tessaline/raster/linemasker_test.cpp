#include "raster/linemasker2.h"
#include "raster/plane1.h"

#include <gtest/gtest.h>

TEST(LineMasker2, CutsWhereTheLineEntersAndLeavesTheMask)
{
    Plane1 mask(64, 32);
    mask.fill(false);
    for (int y = 0; y < 32; ++y)
        for (int x = 20; x < 40; ++x)
            mask.setPixel(x, y, true);
    PolyLine line(SegType::OuterHair);
    line.points = {{2, 10}, {30, 10}, {58, 10}};
    const QVector<PolyLine> pieces = LineMasker2::splitPolyLines(mask, line, SegType::Travel);
    ASSERT_EQ(pieces.size(), 3);
    EXPECT_EQ(pieces[0].type, SegType::Travel); // the first sample lies outside the mask
    EXPECT_EQ(pieces[1].type, SegType::OuterHair);
    EXPECT_EQ(pieces[2].type, SegType::Travel);
    // Cut points lie on the sampling grid, within one sample step of the mask border.
    EXPECT_NEAR(pieces[1].points.first().x, 20.0f, 3.1f);
    EXPECT_NEAR(pieces[1].points.last().x, 40.0f, 3.1f);
    EXPECT_EQ(pieces[0].points.first(), V2f(2, 10));
    EXPECT_EQ(pieces[2].points.last(), V2f(58, 10));
    EXPECT_EQ(pieces[0].points.last(), pieces[1].points.first());
    // The middle piece carries the path's own corner point.
    bool corner = false;
    for (const V2f &p : pieces[1].points)
        corner = corner || p == V2f(30, 10);
    EXPECT_TRUE(corner || pieces[1].count() == 2);
}

TEST(LineMasker2, WholeLineInsideIsOnePieceOfItsOwnType)
{
    Plane1 mask(32, 32);
    mask.fill(true);
    PolyLine line(SegType::InnerHair);
    line.points = {{1, 1}, {20, 20}};
    const QVector<PolyLine> pieces = LineMasker2::splitPolyLines(mask, line, SegType::Travel);
    ASSERT_EQ(pieces.size(), 1);
    EXPECT_EQ(pieces[0].type, SegType::InnerHair);
    EXPECT_EQ(pieces[0].points.first(), V2f(1, 1));
    EXPECT_EQ(pieces[0].points.last(), V2f(20, 20));
}

TEST(LineMasker2, EmptyAndTooShortPaths)
{
    Plane1 mask(32, 32);
    mask.fill(false);
    EXPECT_TRUE(LineMasker2::splitPolyLines(mask, PolyLine(), SegType::Travel).isEmpty());
    PolyLine shortLine;
    shortLine.points = {{1, 1}, {2, 1}, {2.5f, 1.5f}};
    try {
        LineMasker2::splitPolyLines(mask, shortLine, SegType::Travel);
        FAIL();
    } catch (const char *text) {
        EXPECT_STREQ(text, "LineMasker2::splitPolyLines fatal error");
    }
    // Paths leaving the mask plane read as outside instead of reading beyond it.
    PolyLine outside;
    outside.points = {{-50, -50}, {100, 100}};
    EXPECT_FALSE(LineMasker2::splitPolyLines(mask, outside, SegType::Travel).isEmpty());
}
