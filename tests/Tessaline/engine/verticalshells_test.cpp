#include "engine/cornerrepair.h"
#include "shellstesthelpers.h"

#include <QString>

#include <gtest/gtest.h>

using namespace shellstest;

namespace
{

constexpr int planeSize = 128;
constexpr float squareLow = 24.0f, squareHigh = 104.0f; // an 80 pixel square, edges on pixel boundaries

Plane8 square()
{
    std::vector<Seg2f> segs;
    rastertest::addRect(segs, squareLow, squareLow, squareHigh, squareHigh, true);
    return rasterise(segs, planeSize);
}

// Distance of a traced point inside the square to the square's nearest side.
float depthInSquare(const V2f &p)
{
    const float low = squareLow - 0.5f, high = squareHigh - 0.5f;
    return std::min(std::min(p.x - low, high - p.x), std::min(p.y - low, high - p.y));
}

bool midSide(const V2f &p, float margin)
{
    const auto inMiddle = [&](float v) { return v > squareLow + margin && v < squareHigh - margin; };
    return inMiddle(p.x) != inMiddle(p.y) || (inMiddle(p.x) && inMiddle(p.y));
}

int setPixels(const Plane1 &plane)
{
    int count = 0;
    for (int y = 0; y < plane.height(); ++y)
        for (int x = 0; x < plane.width(); ++x)
            count += plane.pixel(x, y);
    return count;
}

class SquareLoops : public ::testing::TestWithParam<int>
{
};

} // namespace

TEST_P(SquareLoops, LieHalfAWidthInsideAndOneWidthApart)
{
    const int loops = GetParam();
    const Shells shells = buildShells(shellParams(loops), square());
    ASSERT_EQ(shells.paths.size(), loops + 1);
    for (int k = 0; k < loops; ++k) {
        ASSERT_EQ(shells.paths[k].size(), 1) << "loop " << k;
        const PolyLine &loop = shells.paths[k][0];
        EXPECT_EQ(loop.type, k == 0 ? SegType::Perimeter : SegType::Loop);
        EXPECT_TRUE(loop.closed);
        EXPECT_GT(loop.signedArea(), 0.0) << "outer loops run anticlockwise";
        const float wanted = (0.5f + float(k)) * ppe;
        int measured = 0;
        for (const V2f &p : samplesAlong(loop)) {
            EXPECT_GT(depthInSquare(p), wanted - 0.4f) << "loop " << k;
            if (midSide(p, wanted + 4.0f)) {
                // The blur kernels place an edge within a quarter pixel, a little more after several passes.
                EXPECT_NEAR(depthInSquare(p), wanted, 0.35f + 0.05f * k) << "loop " << k << " at " << p.x << "," << p.y;
                ++measured;
            }
        }
        EXPECT_GE(measured, 40) << "every side has a straight stretch";
    }
    EXPECT_TRUE(shells.paths[loops].isEmpty()) << "a plain square has no hairs";
    // The fills take what lies inside the innermost loop's outer edge: a square shrunk by the loop widths.
    const double side = double(squareHigh - squareLow) - 2.0 * loops * ppe;
    EXPECT_NEAR(setPixels(shells.inner), side * side, 4.0 * side);
}

INSTANTIATE_TEST_SUITE_P(LoopCounts, SquareLoops, ::testing::Values(1, 2, 3, 5),
                         [](const ::testing::TestParamInfo<int> &info) {
                             return "Loops" + std::to_string(info.param);
                         });

TEST(VerticalShells, LoopsStopWhenTheAreaIsUsedUp)
{
    std::vector<Seg2f> segs;
    rastertest::addRect(segs, 40, 40, 60, 60, true); // 20 pixels: room for three loops and a sliver
    const Plane8 coverage = rasterise(segs, planeSize);
    for (int loops : {10, 1000000}) {
        const Shells shells = buildShells(shellParams(loops), coverage);
        int nonEmpty = 0;
        for (int k = 0; k + 1 < shells.paths.size(); ++k)
            nonEmpty += !shells.paths[k].isEmpty();
        EXPECT_EQ(nonEmpty, 3) << loops;
        EXPECT_LE(shells.paths.size(), planeSize) << "empty loops are not stored without end";
        EXPECT_EQ(setPixels(shells.inner), 0);
    }
}

TEST(VerticalShells, EmptyLayerGivesNothing)
{
    Plane8 coverage(planeSize, planeSize);
    coverage.fill(0);
    const Shells shells = buildShells(shellParams(3), coverage);
    EXPECT_TRUE(shells.all().isEmpty());
    EXPECT_EQ(setPixels(shells.inner), 0);
}

TEST(VerticalShells, HoleLoopsRunClockwiseInsideTheRing)
{
    std::vector<Seg2f> segs;
    rastertest::addRect(segs, 20, 20, 108, 108, true);
    rastertest::addRect(segs, 50, 50, 78, 78, false);
    const Shells shells = buildShells(shellParams(2), rasterise(segs, planeSize));
    for (int k = 0; k < 2; ++k) {
        ASSERT_EQ(shells.paths[k].size(), 2) << k;
        int holes = 0;
        for (const PolyLine &loop : shells.paths[k]) {
            if (loop.signedArea() > 0)
                continue;
            ++holes;
            // Beside the hole's sides at half a width plus k widths. (At its corners the box blur keeps the
            // material almost up to the corner point, so the loop cuts across there.)
            for (const V2f &p : samplesAlong(loop)) {
                const double u = std::fabs(p.x - 63.5), v = std::fabs(p.y - 63.5);
                if (std::min(u, v) < 14.0 - (2.0 + k) * ppe)
                    EXPECT_NEAR(std::max(u, v) - 14.0, (0.5 + k) * ppe, 0.3 + 0.05 * k) << k;
                EXPECT_GT(std::max(u, v), 14.0 - 0.5);
            }
        }
        EXPECT_EQ(holes, 1);
    }
}

TEST(VerticalShells, FillOverlapMovesTheInnerEdgeByPixels)
{
    const Plane8 coverage = square();
    SlicerParams sp = shellParams(2);
    const int plain = setPixels(buildShells(sp, coverage).inner);
    for (int overlap : {-2, 2, 5}) {
        sp.LoopFillOverlap = overlap;
        const Plane1 inner = buildShells(sp, coverage).inner;
        const double side = std::sqrt(double(plain)) + 2.0 * overlap;
        // The disc-like pixel offset cuts the corners a little; the sides move by exactly `overlap`.
        EXPECT_NEAR(setPixels(inner), side * side, 3.0 * std::fabs(overlap) * std::fabs(overlap) + 2.0 * side)
            << overlap;
        EXPECT_EQ(inner.pixel(64, 64), true);
    }
}

TEST(VerticalShells, ShellOffsetMovesThePerimeterEvenBeyondTheNarrowestBlur)
{
    const Plane8 coverage = square();
    for (float shellOffset : {-0.2f, 0.1f, 0.5f, 1.0f}) {
        SlicerParams sp = shellParams(1);
        sp.VShellOffset = shellOffset;
        const Shells shells = buildShells(sp, coverage);
        ASSERT_EQ(shells.paths[0].size(), 1) << shellOffset;
        const float wanted = 0.5f * ppe - shellOffset * ppe * ppe;
        for (const V2f &p : samplesAlong(shells.paths[0][0]))
            if (midSide(p, std::fabs(wanted) + 4.0f))
                EXPECT_NEAR(depthInSquare(p), wanted, 0.5f) << shellOffset;
    }
}

TEST(CornerRepair, RestoresSquareCornersOfTheOffsetPerimeter)
{
    const Plane8 coverage = square();
    SlicerParams sp = shellParams(2);
    const float corner = squareLow - 0.5f + 0.5f * ppe;
    const auto cornerGap = [&](const PolyLine &loop) {
        double worst = 0.0;
        for (V2f ideal : {V2f(corner, corner), V2f(squareHigh - 0.5f - 0.5f * ppe, corner)}) {
            double nearest = 1e9;
            for (const V2f &p : loop.points)
                nearest = std::min(nearest, double((p - ideal).length()));
            worst = std::max(worst, nearest);
        }
        return worst;
    };
    const Shells rounded = buildShells(sp, coverage);
    sp.RepairCorners = true;
    const Shells repaired = buildShells(sp, coverage);
    EXPECT_GT(cornerGap(rounded.paths[0][0]), 0.8);
    EXPECT_LT(cornerGap(repaired.paths[0][0]), 0.3);
    EXPECT_LE(repaired.paths[0][0].count(), rounded.paths[0][0].count());
    // Only the perimeter is repaired.
    EXPECT_EQ(repaired.paths[1][0].points, rounded.paths[1][0].points);
}

TEST(CornerRepair, NeverBreaksPathsOnRandomShapes)
{
    std::mt19937 rng(7);
    for (int round = 0; round < 200; ++round) {
        PolyLine path(SegType::Perimeter);
        path.closed = true;
        for (const V2f &p : rastertest::starPolygon(rng, 50, 50, 5, 40, 5 + round % 30))
            path.points.append(p);
        PolyLine repaired = path;
        CornerRepair().repair(repaired);
        ASSERT_GE(repaired.count(), std::min(path.count(), 3));
        ASSERT_LE(repaired.count(), path.count());
        for (const V2f &p : repaired.points) {
            ASSERT_TRUE(std::isfinite(p.x) && std::isfinite(p.y));
            // A moved corner stays near the shape: within the longest run's chord of some original point.
            double nearest = 1e9;
            for (const V2f &q : path.points)
                nearest = std::min(nearest, double((p - q).length()));
            ASSERT_LT(nearest, 1.7 * 6.0 * 2.0);
        }
    }
}
