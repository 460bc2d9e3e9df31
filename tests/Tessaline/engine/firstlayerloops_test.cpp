#include "engine/firstlayerloops.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>

namespace
{

constexpr float pixelsPerEw = 1.0f / 0.333f;
constexpr float pixelSizeMm = 0.4f * 0.333f;
const V2f mmPerPixel(pixelSizeMm, pixelSizeMm);

struct Shape {
    const char *name;
    std::function<bool(int, int)> inside; // on a 256 x 256 plane
};

Plane1 planeOf(const Shape &shape, QVector<V2f> &solidPixels)
{
    Plane1 plane(256, 256);
    plane.fill(false);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x)
            if (shape.inside(x, y)) {
                plane.setPixel(x, y, true);
                solidPixels.append(V2f(float(x), float(y)));
            }
    return plane;
}

const QVector<Shape> &shapes()
{
    static const QVector<Shape> all{
        {"Rectangle", [](int x, int y) { return x >= 100 && x < 160 && y >= 110 && y < 150; }},
        {"Disc", [](int x, int y) { return (x - 128) * (x - 128) + (y - 128) * (y - 128) < 25 * 25; }},
        {"LShape", [](int x, int y) { return x >= 100 && x < 150 && y >= 100 && y < 160 && (x < 115 || y < 115); }},
        {"Sliver", [](int x, int y) { return x >= 90 && x < 170 && y == 128; }},
    };
    return all;
}

float distanceToPixels(const V2f &point, const QVector<V2f> &pixels)
{
    float nearest = std::numeric_limits<float>::infinity();
    for (const V2f &p : pixels)
        nearest = std::fmin(nearest, (p - point).length());
    return nearest;
}

float distanceToSegment(const V2f &p, const V2f &a, const V2f &b)
{
    const V2f ab = b - a;
    const float lengthSquared = ab.x * ab.x + ab.y * ab.y;
    float t = lengthSquared > 0 ? ((p.x - a.x) * ab.x + (p.y - a.y) * ab.y) / lengthSquared : 0.0f;
    t = std::fmin(std::fmax(t, 0.0f), 1.0f);
    return (a + ab * t - p).length();
}

float distanceToLoop(const V2f &point, const PolyLine &loop)
{
    float nearest = std::numeric_limits<float>::infinity();
    const int n = loop.count();
    for (int i = 0; i < n; ++i) {
        if (!loop.closed && i == n - 1)
            break;
        nearest = std::fmin(nearest, distanceToSegment(point, loop.points[i], loop.points[(i + 1) % n]));
    }
    return nearest;
}

double totalLength(const QVector<PolyLine> &loops)
{
    double total = 0;
    for (const PolyLine &loop : loops)
        total += loopLength(loop, mmPerPixel);
    return total;
}

QVector<PolyLine> build(const Plane1 &solid, FirstLayerLoopSettings settings, V2f head = V2f(0, 0))
{
    return buildFirstLayerLoops(solid, settings, pixelsPerEw, mmPerPixel, head);
}

} // namespace

TEST(SkirtLoops, RingsLieOneWidthApartWithoutOverlap)
{
    for (const Shape &shape : shapes()) {
        QVector<V2f> solidPixels;
        const Plane1 solid = planeOf(shape, solidPixels);
        for (float offset : {0.0f, 2.0f, 5.0f}) {
            const QVector<PolyLine> loops = build(solid, {offset, 0.0f, 6, false});
            ASSERT_EQ(loops.size(), 6) << shape.name;
            const float first = std::lround(offset * pixelsPerEw);
            for (int ring = 0; ring < loops.size(); ++ring) {
                const PolyLine &loop = loops[ring];
                EXPECT_TRUE(loop.closed);
                EXPECT_EQ(loop.type, SegType::Skirt);
                EXPECT_GT(loop.signedArea(), 0.0) << "skirts go round the parts anticlockwise";
                for (const V2f &point : loop.points) {
                    // Half a pixel for the contour between pixel centres, the rest for the octagonal growth.
                    const float distance = distanceToPixels(point, solidPixels);
                    ASSERT_GE(distance, first + 3.0f * ring + 0.3f) << shape.name << " ring " << ring;
                    ASSERT_LE(distance, (first + 3.0f * ring) * 1.25f + 1.5f) << shape.name << " ring " << ring;
                    if (ring > 0) {
                        const float gap = distanceToLoop(point, loops[ring - 1]);
                        ASSERT_GE(gap, 2.0f) << shape.name << " ring " << ring; // neighbours touch, never overlap
                        ASSERT_LE(gap, 4.3f) << shape.name << " ring " << ring;
                    }
                }
            }
        }
    }
}

TEST(SkirtLoops, AreCutAtExactlyTheMinimumLength)
{
    QVector<V2f> solidPixels;
    const Plane1 solid = planeOf(shapes()[0], solidPixels);
    const double firstRing = totalLength(build(solid, {5.0f, 0.0f, 1, false}));
    for (double share : {0.25, 0.999, 1.5, 2.7, 4.2}) {
        const float minLengthMm = float(firstRing * share);
        const QVector<PolyLine> loops = build(solid, {5.0f, minLengthMm, 0, false});
        ASSERT_FALSE(loops.isEmpty());
        EXPECT_NEAR(totalLength(loops), minLengthMm, 1e-3) << share;
        for (int i = 0; i + 1 < loops.size(); ++i)
            EXPECT_TRUE(loops[i].closed) << "only the last loop is cut";
        if (share <= 1.0)
            EXPECT_EQ(loops.size(), 1) << share;
        else
            EXPECT_GE(loops.size(), 2) << share;
        EXPECT_FALSE(loops.last().closed) << share;
    }
}

TEST(SkirtLoops, TheCountWinsOverTheLengthAndTwentyRingsAreTheMost)
{
    QVector<V2f> solidPixels;
    const Plane1 solid = planeOf(shapes()[1], solidPixels);
    QVector<PolyLine> loops = build(solid, {1.0f, 1.0f, 5, false});
    ASSERT_EQ(loops.size(), 5);
    for (const PolyLine &loop : loops)
        EXPECT_TRUE(loop.closed);

    loops = build(solid, {1.0f, 1.0e6f, 3, false});
    EXPECT_EQ(loops.size(), maxFirstLayerRings);
    loops = build(solid, {1.0f, 0.0f, 1000, false});
    EXPECT_EQ(loops.size(), maxFirstLayerRings);
}

TEST(SkirtLoops, NothingToGoAroundGivesNoLoops)
{
    Plane1 empty(128, 128);
    empty.fill(false);
    V2f head(7, 9);
    const QVector<PolyLine> loops =
        buildFirstLayerLoops(empty, {5.0f, 200.0f, 3, false}, pixelsPerEw, mmPerPixel, head);
    EXPECT_TRUE(loops.isEmpty());
    EXPECT_EQ(head.x, 7.0f);
    EXPECT_EQ(head.y, 9.0f);
}

TEST(BrimLoops, TouchThePartAndRunFromTheOutsideIn)
{
    for (const Shape &shape : shapes()) {
        QVector<V2f> solidPixels;
        const Plane1 solid = planeOf(shape, solidPixels);
        V2f head(0, 0);
        const QVector<PolyLine> loops =
            buildFirstLayerLoops(solid, {0.3f, 1.0f, 4, true}, pixelsPerEw, mmPerPixel, head);
        ASSERT_EQ(loops.size(), 4) << shape.name;
        float previousMean = std::numeric_limits<float>::infinity();
        for (const PolyLine &loop : loops) {
            EXPECT_TRUE(loop.closed);
            float sum = 0;
            for (const V2f &point : loop.points)
                sum += distanceToPixels(point, solidPixels);
            const float mean = sum / float(loop.count());
            EXPECT_LT(mean, previousMean) << shape.name << ": outermost ring first";
            previousMean = mean;
        }
        // The last loop is the innermost: its centre line lies within half a width of the part's edge, so the
        // extruded line presses against the part.
        for (const V2f &point : loops.last().points)
            EXPECT_LE(distanceToPixels(point, solidPixels), 0.5f + 0.5f * pixelsPerEw + 0.3f) << shape.name;
        EXPECT_EQ(head.x, loops.last().points.first().x);
    }
}

TEST(FirstLayerLoops, ABrimLinesTheHolesASkirtDoesNot)
{
    const Shape frame{"Frame", [](int x, int y) {
                          const bool outer = x >= 70 && x < 190 && y >= 70 && y < 190;
                          const bool hole = x >= 100 && x < 160 && y >= 100 && y < 160;
                          return outer && !hole;
                      }};
    QVector<V2f> solidPixels;
    const Plane1 solid = planeOf(frame, solidPixels);
    const auto holes = [](const QVector<PolyLine> &loops) {
        int count = 0;
        for (const PolyLine &loop : loops)
            count += loop.signedArea() < 0 ? 1 : 0;
        return count;
    };
    EXPECT_EQ(holes(build(solid, {0.3f, 1.0f, 3, true})), 3);
    const QVector<PolyLine> skirt = build(solid, {1.0f, 0.0f, 3, false});
    EXPECT_EQ(skirt.size(), 3);
    EXPECT_EQ(holes(skirt), 0);
}
