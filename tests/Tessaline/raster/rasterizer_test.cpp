#include "geometry/workerthread.h"
#include "raster/edgemarkplane.h"
#include "raster/plane1.h"
#include "raster/plane8.h"
#include "rastertesthelpers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace rastertest;

namespace
{

// Planes of 64 x 64 pixels over a frame of 64 x 64 mm: one pixel per mm, four sub-samples per mm.
constexpr int side = 64;
const FrameRect unitFrame{0.0f, 0.0f, float(side), float(side)};

enum class Rule { NonZero, Positive, EvenOdd };

bool rasterise(Plane8 &plane, const std::vector<Seg2f> &segs, Rule rule, bool check = false)
{
    static EdgeMarkPlane scratch;
    plane.resize(side, side);
    if (rule == Rule::EvenOdd)
        return Plane8::fromSegs2(plane, segs, unitFrame, scratch, check);
    return Plane8::fromSegs3(plane, segs, unitFrame, scratch, rule == Rule::NonZero, check);
}

int coveredPixels(const Plane8 &plane)
{
    int count = 0;
    for (int i = 0; i < plane.width() * plane.height(); ++i)
        count += plane.data()[i] >= 128;
    return count;
}

// Sub-samples inside a pixel, from either rasteriser's value.
int subSamplesInside(quint8 v)
{
    return v == 255 ? 16 : v / 16;
}

double rasterArea(const Plane8 &plane)
{
    double sum = 0.0;
    for (int i = 0; i < plane.width() * plane.height(); ++i)
        sum += subSamplesInside(plane.data()[i]);
    return sum / 16.0;
}

} // namespace

TEST(WindingRasterizer, SquareOnPixelBoundariesGivesExactCoverage)
{
    const int a = 5, b = 12, c = 7, d = 20;
    std::vector<Seg2f> segs;
    addRect(segs, a, c, b, d, true);
    Plane8 plane;
    EXPECT_FALSE(rasterise(plane, segs, Rule::Positive, true));
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            const bool column = x >= a && x < b;
            const int expected = !column ? 0 : y == c ? 192 : y == d ? 64 : (y > c && y < d) ? 255 : 0;
            ASSERT_EQ(plane.pixel(x, y), expected) << "pixel " << x << "," << y;
        }
    }
}

TEST(WindingRasterizer, FillRulesTreatReversedAndOverlappingSquares)
{
    std::vector<Seg2f> reversed;
    addRect(reversed, 5, 7, 12, 20, false);
    Plane8 positive, nonZero, evenOdd;
    rasterise(positive, reversed, Rule::Positive);
    rasterise(nonZero, reversed, Rule::NonZero);
    rasterise(evenOdd, reversed, Rule::EvenOdd);
    EXPECT_EQ(coveredPixels(positive), 0);
    EXPECT_EQ(coveredPixels(nonZero), 7 * 13);
    EXPECT_EQ(coveredPixels(evenOdd), 7 * 13);

    std::vector<Seg2f> overlapping;
    addRect(overlapping, 4, 4, 20, 20, true);
    addRect(overlapping, 12, 12, 28, 28, true);
    const int unionArea = 2 * 16 * 16 - 8 * 8;
    rasterise(positive, overlapping, Rule::Positive);
    rasterise(nonZero, overlapping, Rule::NonZero);
    rasterise(evenOdd, overlapping, Rule::EvenOdd);
    EXPECT_NEAR(rasterArea(positive), unionArea, 1e-9);
    EXPECT_NEAR(rasterArea(nonZero), unionArea, 1e-9);
    // Full pixels next to a crossing read 240 with parity, so count pixels rather than sub-samples.
    EXPECT_EQ(coveredPixels(evenOdd), unionArea - 8 * 8);
    EXPECT_EQ(evenOdd.pixel(15, 15), 0);
}

TEST(WindingRasterizer, OpenContourSetsTheCheckFlag)
{
    std::vector<Seg2f> segs;
    addRect(segs, 5, 7, 12, 20, true);
    segs.pop_back(); // the left side (going up) is missing
    Plane8 plane;
    for (Rule rule : {Rule::NonZero, Rule::Positive, Rule::EvenOdd}) {
        EXPECT_TRUE(rasterise(plane, segs, rule, false));
        EXPECT_TRUE(rasterise(plane, segs, rule, true));
    }
    // A closed contour after an open one: the scratch was left clean.
    std::vector<Seg2f> closed;
    addRect(closed, 5, 7, 12, 20, true);
    for (Rule rule : {Rule::NonZero, Rule::Positive, Rule::EvenOdd}) {
        EXPECT_FALSE(rasterise(plane, closed, rule, true));
        EXPECT_EQ(coveredPixels(plane), 7 * 13);
    }
}

TEST(WindingRasterizer, HalfCoveredPixelReadsExactly128)
{
    std::vector<Seg2f> segs;
    addRect(segs, 5.5f, 8, 12, 20, true); // pixel column 5: sub-samples 2 and 3 of every sub-row
    Plane8 plane;
    rasterise(plane, segs, Rule::Positive);
    EXPECT_EQ(plane.pixel(5, 10), 128);
    Plane1 bits;
    Plane1::fromPlane8(bits, plane, 128, false);
    EXPECT_TRUE(bits.pixel(5, 10));
    EXPECT_FALSE(bits.pixel(4, 10));
}

TEST(WindingRasterizer, AreaOfRandomPolygonsWithHolesMatchesWithinTheBorderPixels)
{
    std::mt19937 rng(17);
    for (int round = 0; round < 40; ++round) {
        const std::vector<V2f> outer = starPolygon(rng, 32, 32, 14, 28, 5 + round % 30);
        const std::vector<V2f> hole = starPolygon(rng, 32, 32, 3, 9, 4 + round % 7);
        std::vector<Seg2f> segs;
        addOutline(segs, outer, true);
        addOutline(segs, hole, false);
        const double area = (doubleArea(outer) - doubleArea(hole)) / 2.0;
        const double border = (perimeter(outer) + perimeter(hole)) * 0.25 + 1.0;
        Plane8 plane;
        for (Rule rule : {Rule::NonZero, Rule::Positive, Rule::EvenOdd}) {
            EXPECT_FALSE(rasterise(plane, segs, rule, true));
            EXPECT_NEAR(rasterArea(plane), area, border) << "round " << round << " rule " << int(rule);
        }
    }
}

TEST(WindingRasterizer, ResultDoesNotDependOnThreadCount)
{
    std::mt19937 rng(5);
    std::vector<Seg2f> segs;
    for (int i = 0; i < 12; ++i)
        addOutline(segs, starPolygon(rng, 8 + 4 * i, 30, 2, 20, 9), i % 3 != 0);
    Plane8 single, several;
    for (Rule rule : {Rule::NonZero, Rule::Positive, Rule::EvenOdd}) {
        setWorkerThreadCount(1);
        rasterise(single, segs, rule);
        setWorkerThreadCount(4);
        rasterise(several, segs, rule);
        EXPECT_TRUE(samePixels(single, several));
    }
    setWorkerThreadCount(1);
}

TEST(WindingRasterizer, DegenerateAndHugeInputNeitherCrashesNorHangs)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    std::vector<Seg2f> segs = {{nan, 1, 5, 5},  {1, 1, inf, 40},     {-1e30f, -1e30f, 1e30f, 1e30f},
                               {3, 3, 3, 3},    {2, -1e9f, 2, 1e9f}, {1e9f, 5, 1e9f, 60},
                               {-5, 10, -5, 2}, {10, 70, 10, 90}};
    Plane8 plane;
    for (Rule rule : {Rule::NonZero, Rule::Positive, Rule::EvenOdd})
        rasterise(plane, segs, rule, true);
    Plane8::fromSegs(plane, segs, unitFrame);

    EdgeMarkPlane scratch;
    Plane8 unsized;
    EXPECT_THROW(Plane8::fromSegs3(unsized, segs, unitFrame, scratch, true, false), const char *);
    plane.resize(side, side);
    const FrameRect flat{0, 0, 0, 10};
    EXPECT_THROW(Plane8::fromSegs2(plane, segs, flat, scratch, false), const char *);
}

TEST(WindingRasterizer, MillionSegmentsInOneLayer)
{
    constexpr int size = 512;
    std::vector<Seg2f> segs;
    segs.reserve(1000000);
    std::mt19937 rng(3);
    std::uniform_real_distribution<float> centre(20.0f, size - 20.0f);
    std::vector<V2f> centres;
    while (segs.size() < 1000000) {
        centres.emplace_back(centre(rng), centre(rng));
        addOutline(segs, starPolygon(rng, centres.back().x, centres.back().y, 8, 8.5f, 500), true);
    }
    Plane8 plane(size, size);
    EdgeMarkPlane scratch;
    EXPECT_FALSE(Plane8::fromSegs2(plane, segs, FrameRect{0, 0, size, size}, scratch, true));
    EXPECT_FALSE(Plane8::fromSegs3(plane, segs, FrameRect{0, 0, size, size}, scratch, true, true));
    for (const V2f &c : centres)
        ASSERT_EQ(plane.pixel(int(c.x), int(c.y)), 255);
}

TEST(RaftRasterizer, WholePixelWindingReads255Inside)
{
    std::vector<Seg2f> segs;
    addRect(segs, 5, 7, 12, 20, true);
    addRect(segs, 30, 30, 40, 40, true);
    addRect(segs, 33, 33, 36, 36, false); // a hole
    Plane8 plane(side, side);
    Plane8::fromSegs(plane, segs, unitFrame);
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            const bool first = x >= 5 && x < 12 && y > 7 && y <= 20;
            const bool second = x >= 30 && x < 40 && y > 30 && y <= 40;
            const bool hole = x >= 33 && x < 36 && y > 33 && y <= 36;
            ASSERT_EQ(plane.pixel(x, y), (first || (second && !hole)) ? 255 : 0) << x << "," << y;
        }
    }
}
