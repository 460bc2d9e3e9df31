#include "engine/concentricfill.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <ostream>
#include <string>

namespace
{

constexpr float pixelsPerEw = 1.0f / 0.333f;
constexpr float smoothing = pixelsPerEw * pixelsPerEw * 0.08f;
constexpr int planeSize = 128;

Plane1 regionOf(const std::function<bool(float x, float y)> &inside)
{
    Plane1 region(planeSize, planeSize);
    for (int y = 0; y < planeSize; ++y)
        for (int x = 0; x < planeSize; ++x)
            region.setPixel(x, y, inside(float(x), float(y)));
    return region;
}

float distanceToSegment(const V2f &point, const V2f &a, const V2f &b)
{
    const V2f d = b - a;
    const float lengthSquared = d.x * d.x + d.y * d.y;
    const float t = lengthSquared > 0
                        ? std::fmin(std::fmax(((point - a).x * d.x + (point - a).y * d.y) / lengthSquared, 0.0f), 1.0f)
                        : 0.0f;
    return (point - (a + d * t)).length();
}

float distanceToPaths(const V2f &point, const QVector<PolyLine> &paths)
{
    float nearest = INFINITY;
    for (const PolyLine &path : paths) {
        const int n = path.count();
        for (int k = 1; k < n + (path.closed ? 1 : 0); ++k)
            nearest = std::fmin(nearest, distanceToSegment(point, path.points[k - 1], path.points[k % n]));
        if (n == 1)
            nearest = std::fmin(nearest, (point - path.points[0]).length());
    }
    return nearest;
}

struct ShapeCase {
    const char *name;
    std::function<bool(float, float)> inside;
    bool wantsCentreLines; // the width leaves a strip no loop reaches
};

void PrintTo(const ShapeCase &shape, std::ostream *out)
{
    *out << shape.name;
}

class ConcentricShapes : public testing::TestWithParam<ShapeCase>
{
};

} // namespace

// Loops and centre lines together: inside the region, every pixel of it printed, and nothing printed twice.
TEST_P(ConcentricShapes, CentreLinesFillWhatTheLoopsLeave)
{
    const ShapeCase &shape = GetParam();
    const Plane1 region = regionOf(shape.inside);
    ConcentricFill filler(pixelsPerEw, smoothing);
    const QVector<PolyLine> paths = filler.fill(region);
    QVector<PolyLine> loops, centreLines;
    for (const PolyLine &path : paths) {
        EXPECT_EQ(path.type, SegType::HShell);
        (path.closed ? loops : centreLines).append(path);
    }
    ASSERT_FALSE(loops.isEmpty());
    EXPECT_EQ(!centreLines.isEmpty(), shape.wantsCentreLines);

    for (const PolyLine &line : centreLines) {
        for (const V2f &point : line.points) {
            const int x = int(std::lround(point.x)), y = int(std::lround(point.y));
            ASSERT_TRUE(region.pixel(x, y)) << point.x << "," << point.y;
            // A line on top of a loop would lie within a pixel of it.
            EXPECT_GT(distanceToPaths(point, loops), 0.5f * pixelsPerEw) << point.x << "," << point.y;
        }
    }
    for (int i = 0; i < centreLines.size(); ++i)
        for (int j = 0; j < centreLines.size(); ++j)
            if (i != j)
                for (const V2f &point : centreLines[i].points)
                    EXPECT_GT(distanceToPaths(point, {centreLines[j]}), 0.5f * pixelsPerEw);

    // Every pixel of the region lies under some printed line (half a width and a pixel: a gap thinner than that is
    // left, since a line there would print much of it twice); only the pixels along its edge may be left to the rounded
    // corners of the loops.
    const auto deepInside = [&](int x, int y) {
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                if (!region.pixel(x + dx, y + dy))
                    return false;
        return true;
    };
    for (int y = 1; y < planeSize - 1; ++y)
        for (int x = 1; x < planeSize - 1; ++x)
            if (deepInside(x, y))
                EXPECT_LE(distanceToPaths(V2f(float(x), float(y)), paths), 0.5f * pixelsPerEw + 1.0f)
                    << x << "," << y << " " << shape.name;
}

INSTANTIATE_TEST_SUITE_P(
    Regions, ConcentricShapes,
    testing::Values(ShapeCase{"StripOfTwoLoopsAndAHalf",
                              [](float x, float y) { return x >= 14 && x < 114 && y >= 40 && y < 47.5f + 0.5f; }, true},
                    ShapeCase{"StripOfFourLoopsExactly",
                              [](float x, float y) { return x >= 14 && x < 114 && y >= 40 && y < 52; }, false},
                    ShapeCase{"RingOfTwoLoopsAndAHalf",
                              [](float x, float y) {
                                  const float r = std::hypot(x - 64, y - 64);
                                  return r >= 30.0f && r < 39.0f;
                              },
                              true},
                    ShapeCase{
                        "CornerOfTwoLoopsAndAHalf",
                        [](float x, float y) { return x >= 20 && y >= 20 && x < 100 && y < 100 && (x < 29 || y < 29); },
                        true}),
    [](const testing::TestParamInfo<ShapeCase> &info) { return std::string(info.param.name); });

TEST(ConcentricFill, EmptyRegionGivesNothing)
{
    Plane1 region(planeSize, planeSize);
    region.fill(false);
    ConcentricFill filler(pixelsPerEw, smoothing);
    EXPECT_TRUE(filler.fill(region).isEmpty());
}
