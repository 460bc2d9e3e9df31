#include "shellstesthelpers.h"

#include <gtest/gtest.h>

using namespace shellstest;

namespace
{

constexpr int planeSize = 128;
constexpr float wallLength = 70.0f;

Plane8 wall(float thicknessEw, float angle)
{
    std::vector<Seg2f> segs;
    rastertest::addOutline(segs, bar(64.0f, 64.0f, wallLength, thicknessEw * ppe, angle), false);
    return rasterise(segs, planeSize);
}

// Distance of a traced point from the wall's centre line (traced coordinates: centre at 63.5).
double offCentre(const V2f &p, float angle)
{
    return std::fabs(-(p.x - 63.5) * std::sin(angle) + (p.y - 63.5) * std::cos(angle));
}

struct PrintedArea {
    int shape = 0;   // pixels of the shape
    int printed = 0; // of those, printed at least once
    int twice = 0;   // pixels printed by two paths or more
};

PrintedArea printedArea(const Plane8 &coverage, const Shells &shells)
{
    PrintedArea area;
    const std::vector<int> count = printCount(shells.all(), &shells.inner, planeSize, 0.5 * ppe);
    for (int y = 0; y < planeSize; ++y) {
        for (int x = 0; x < planeSize; ++x) {
            const int n = count[size_t(y) * planeSize + x];
            area.twice += n >= 2;
            if (coverage.pixel(x, y) >= 192) {
                ++area.shape;
                area.printed += n >= 1;
            }
        }
    }
    return area;
}

} // namespace

// The blur offset loses a wall up to about 1.6 widths thick altogether; the hair takes its place.
TEST(Hairs, WallUpToOneAndAHalfWidthsPrintsAsOneCentreLine)
{
    std::mt19937 rng(11);
    std::uniform_real_distribution<float> angles(0.0f, 3.14159f);
    for (float thickness : {0.7f, 1.0f, 1.3f}) {
        for (int round = 0; round < 12; ++round) {
            const float angle = round == 0 ? 0.0f : angles(rng);
            const Shells shells = buildShells(shellParams(2), wall(thickness, angle));
            SCOPED_TRACE(testing::Message() << "thickness " << thickness << " angle " << angle);
            EXPECT_TRUE(shells.ofType(SegType::Perimeter).isEmpty());
            EXPECT_TRUE(shells.ofType(SegType::Loop).isEmpty());
            const QVector<PolyLine> hairs = shells.ofType(SegType::OuterHair);
            ASSERT_EQ(hairs.size(), 1);
            EXPECT_FALSE(hairs[0].closed);
            EXPECT_GT(hairs[0].length(), wallLength - 2.5f * ppe);
            for (const V2f &p : hairs[0].points)
                EXPECT_LT(offCentre(p, angle), 0.75);
            EXPECT_TRUE(shells.ofType(SegType::InnerHair).isEmpty());
        }
    }
}

TEST(Hairs, WallIsNotPrintedWithOuterHairOff)
{
    SlicerParams sp = shellParams(2);
    sp.OuterHair = false;
    const Shells shells = buildShells(sp, wall(1.0f, 0.4f));
    EXPECT_TRUE(shells.all().isEmpty());
}

TEST(Hairs, WallTwoWidthsThickGetsAPerimeterAndNoHair)
{
    for (float thickness : {2.0f, 2.5f}) {
        const Shells shells = buildShells(shellParams(2), wall(thickness, 0.25f));
        ASSERT_EQ(shells.ofType(SegType::Perimeter).size(), 1) << thickness;
        EXPECT_TRUE(shells.ofType(SegType::OuterHair).isEmpty()) << thickness;
        EXPECT_TRUE(shells.ofType(SegType::Loop).isEmpty()) << thickness;
        for (const V2f &p : samplesAlong(shells.ofType(SegType::Perimeter)[0])) {
            const double along = (p.x - 63.5) * std::cos(0.25) + (p.y - 63.5) * std::sin(0.25);
            if (std::fabs(along) < wallLength / 2 - 2 * ppe)
                EXPECT_NEAR(offCentre(p, 0.25f), (thickness - 1.0f) * ppe * 0.5f, 0.4) << thickness;
        }
    }
}

// Walls of every thickness and direction come out printed over (nearly) their whole area, and the strokes of
// different paths do not pile up on each other beyond the rounding at their edges.
TEST(Hairs, WallsOfAnyThicknessArePrintedOnceOver)
{
    std::mt19937 rng(5);
    std::uniform_real_distribution<float> angles(0.0f, 3.14159f);
    for (float thickness = 0.8f; thickness <= 4.01f; thickness += 0.4f) {
        const float angle = angles(rng);
        const Plane8 coverage = wall(thickness, angle);
        const PrintedArea area = printedArea(coverage, buildShells(shellParams(2), coverage));
        SCOPED_TRACE(testing::Message() << "thickness " << thickness << " angle " << angle);
        // Between two perimeter lines a gap under about a width stays open rather than be printed over.
        EXPECT_GT(area.printed, 0.65 * area.shape);
        EXPECT_LT(area.twice, 0.25 * area.shape);
    }
}

TEST(Hairs, SpikeTipBecomesAnOuterHairAlongItsAxis)
{
    // A square with a long, narrowing spike to the right along y = 64.
    std::vector<Seg2f> segs;
    rastertest::addOutline(segs, {{20, 44}, {60, 44}, {60, 60}, {118, 64}, {60, 68}, {60, 84}, {20, 84}}, false);
    const Shells shells = buildShells(shellParams(2), rasterise(segs, planeSize));
    const QVector<PolyLine> hairs = shells.ofType(SegType::OuterHair);
    ASSERT_FALSE(hairs.isEmpty());
    double reach = 0.0;
    for (const PolyLine &hair : hairs) {
        for (const V2f &p : hair.points) {
            EXPECT_GT(p.x, 80.0f) << "the thick part is the perimeter's";
            if (p.x > 88.0f) // where the hair leaves the perimeter it may hook onto it
                EXPECT_NEAR(p.y, 63.5, 0.5);
            reach = std::max(reach, double(p.x));
        }
    }
    // Out to where the spike is half a width thin (8 * (118 - x) / 58 = 1.5), less the line's round end.
    EXPECT_GT(reach, 108.0) << "the hair runs out to near the tip";
    // The perimeter follows the thick part of the spike, the hair carries on from it.
    ASSERT_EQ(shells.ofType(SegType::Perimeter).size(), 1);
}

TEST(Hairs, ThinWebBetweenHolesGetsAnInnerHair)
{
    // Two holes three widths apart: the perimeters leave one width in the middle of the web unprinted.
    const float web = 3.0f * ppe;
    std::vector<Seg2f> segs;
    rastertest::addRect(segs, 14, 24, 114, 104, true);
    rastertest::addRect(segs, 30, 40, 64 - web / 2, 88, false);
    rastertest::addRect(segs, 64 + web / 2, 40, 98, 88, false);
    const Plane8 coverage = rasterise(segs, planeSize);
    for (bool innerHair : {true, false}) {
        SlicerParams sp = shellParams(2);
        sp.InnerHair = innerHair;
        const Shells shells = buildShells(sp, coverage);
        const QVector<PolyLine> hairs = shells.ofType(SegType::InnerHair);
        if (!innerHair) {
            EXPECT_TRUE(hairs.isEmpty());
            continue;
        }
        ASSERT_FALSE(hairs.isEmpty());
        double along = 0.0;
        for (const PolyLine &hair : hairs) {
            along += hair.length();
            for (const V2f &p : hair.points)
                EXPECT_NEAR(p.x, 63.5, 1.0);
        }
        EXPECT_GT(along, 30.0);
        EXPECT_TRUE(shells.ofType(SegType::OuterHair).isEmpty());
    }
}
