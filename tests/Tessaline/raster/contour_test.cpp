#include "geometry/workerthread.h"
#include "raster/contourtracer.h"
#include "raster/edgemarkplane.h"
#include "raster/plane1.h"
#include "raster/plane8.h"
#include "rastertesthelpers.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace rastertest;

namespace
{

QVector<PolyLine> trace(const Plane8 &source, float tolerance = 0.01f)
{
    TileMap tiles;
    source.tileMap(tiles);
    Plane1 visited;
    QVector<PolyLine> lines;
    contourDetect3(lines, source, visited, tiles, SegType::Perimeter, tolerance);
    return lines;
}

Plane8 squarePlane(int size, int x0, int y0, int side)
{
    Plane8 plane(size, size);
    plane.fill(0);
    for (int y = y0; y < y0 + side; ++y)
        for (int x = x0; x < x0 + side; ++x)
            plane.setPixel(x, y, 255);
    return plane;
}

double distanceToSegment(const V2f &p, const V2f &a, const V2f &b)
{
    const double abx = double(b.x) - a.x, aby = double(b.y) - a.y;
    const double length2 = abx * abx + aby * aby;
    double t = length2 > 0 ? ((double(p.x) - a.x) * abx + (double(p.y) - a.y) * aby) / length2 : 0.0;
    t = std::min(1.0, std::max(0.0, t));
    const double dx = a.x + t * abx - p.x, dy = a.y + t * aby - p.y;
    return std::sqrt(dx * dx + dy * dy);
}

double distanceToOutline(const V2f &p, const std::vector<V2f> &outline)
{
    double best = 1e30;
    for (size_t i = 0; i < outline.size(); ++i)
        best = std::min(best, distanceToSegment(p, outline[i], outline[(i + 1) % outline.size()]));
    return best;
}

// Traced paths have pixel centres at whole numbers; the rasterisers' pixel i spans [i, i + 1) of the frame.
std::vector<Seg2f> segmentsOf(const QVector<PolyLine> &lines)
{
    std::vector<Seg2f> segs;
    for (const PolyLine &line : lines) {
        std::vector<V2f> shifted;
        for (const V2f &p : line.points)
            shifted.emplace_back(p.x + 0.5f, p.y + 0.5f);
        addOutline(segs, shifted, true); // anticlockwise around the inside: reversed into solid winding
    }
    return segs;
}

} // namespace

TEST(ContourDetect3, FilledSquareTracesToOneClosedAnticlockwiseContour)
{
    const Plane8 plane = squarePlane(64, 20, 30, 10);
    const QVector<PolyLine> lines = trace(plane);
    ASSERT_EQ(lines.size(), 1);
    const PolyLine &line = lines[0];
    EXPECT_TRUE(line.closed);
    EXPECT_EQ(line.type, SegType::Perimeter);
    EXPECT_GT(line.signedArea(), 0.0);
    // Crossings lie 127/255 of a pixel outside the centres of the border pixels.
    const float offset = 127.0f / 255.0f;
    const float left = 20 - offset, right = 29 + offset, bottom = 30 - offset, top = 39 + offset;
    for (const V2f &p : line.points) {
        const bool onVertical = (std::fabs(p.x - left) < 1e-4f || std::fabs(p.x - right) < 1e-4f) &&
                                p.y >= bottom - 1e-4f && p.y <= top + 1e-4f;
        const bool onHorizontal = (std::fabs(p.y - bottom) < 1e-4f || std::fabs(p.y - top) < 1e-4f) &&
                                  p.x >= left - 1e-4f && p.x <= right + 1e-4f;
        EXPECT_TRUE(onVertical || onHorizontal) << p.x << "," << p.y;
    }
    EXPECT_NEAR(line.signedArea() / 2.0, (right - left) * (top - bottom), 1.0);
}

TEST(ContourDetect3, PixelsTouchingAtACornerStayApart)
{
    Plane8 plane(64, 64);
    plane.fill(0);
    for (int y = 10; y < 13; ++y)
        for (int x = 10; x < 13; ++x) {
            plane.setPixel(x, y, 255);
            plane.setPixel(x + 3, y + 3, 255);
        }
    const QVector<PolyLine> lines = trace(plane);
    ASSERT_EQ(lines.size(), 2);
    for (const PolyLine &line : lines) {
        EXPECT_TRUE(line.closed);
        // A 3 x 3 square through the crossings, its corners cut by half a pixel.
        EXPECT_NEAR(line.signedArea() / 2.0, 8.48, 0.02);
        EXPECT_EQ(line.count(), 8);
    }
}

TEST(ContourDetect3, HolesRunClockwise)
{
    Plane8 plane = squarePlane(96, 20, 20, 40);
    for (int y = 30; y < 45; ++y)
        for (int x = 30; x < 45; ++x)
            plane.setPixel(x, y, 0);
    const QVector<PolyLine> lines = trace(plane);
    ASSERT_EQ(lines.size(), 2);
    int outer = 0, holes = 0;
    for (const PolyLine &line : lines) {
        EXPECT_TRUE(line.closed);
        (line.signedArea() > 0 ? outer : holes) += 1;
    }
    EXPECT_EQ(outer, 1);
    EXPECT_EQ(holes, 1);
}

// Regression: a block that fills whole tiles leaves no mixed tile, yet its outline is a contour.
TEST(ContourDetect3, BlockAlignedToTilesIsStillTraced)
{
    const Plane8 plane = squarePlane(96, 32, 16, 32);
    TileMap tiles;
    plane.tileMap(tiles);
    for (int i = 0; i < tiles.width() * tiles.height(); ++i)
        ASSERT_NE(tiles.data()[i], 128);
    const QVector<PolyLine> lines = trace(plane);
    ASSERT_EQ(lines.size(), 1);
    EXPECT_TRUE(lines[0].closed);
    EXPECT_NEAR(lines[0].signedArea() / 2.0, 32.0 * 32.0, 2.0);
}

TEST(ContourDetect3, TracedRandomPolygonLiesWithinHalfAPixelOfItsOutline)
{
    std::mt19937 rng(21);
    EdgeMarkPlane scratch;
    for (int round = 0; round < 20; ++round) {
        const std::vector<V2f> outline = starPolygon(rng, 64, 64, 20, 55, 6 + round);
        std::vector<Seg2f> segs;
        addOutline(segs, outline, true);
        Plane8 plane(128, 128);
        Plane8::fromSegs3(plane, segs, FrameRect{0, 0, 128, 128}, scratch, false, false);
        // Spikes thinner than a pixel may leave islands of their own; together they make the polygon.
        const QVector<PolyLine> lines = trace(plane, 0.0f);
        ASSERT_GE(lines.size(), 1) << round;
        double area = 0.0, worst = 0.0;
        for (const PolyLine &line : lines) {
            EXPECT_TRUE(line.closed);
            area += line.signedArea();
            for (const V2f &p : line.points)
                worst = std::max(worst, distanceToOutline(V2f(p.x + 0.5f, p.y + 0.5f), outline));
        }
        EXPECT_GT(lines[0].signedArea(), 0.0);
        EXPECT_NEAR(area, doubleArea(outline), perimeter(outline) * 0.2) << round;
        EXPECT_LE(worst, 0.5) << round;
    }
}

TEST(ContourDetect3, RasterisingTracedBlobsGivesBackTheirPixels)
{
    std::mt19937 rng(22);
    EdgeMarkPlane scratch;
    for (int round = 0; round < 6; ++round) {
        Plane8 plane(128, 96);
        fillBlobs(plane, rng, 5 + round, false);
        // Keep the plane border empty, as the raster frame's margin does.
        for (int y = 0; y < plane.height(); ++y)
            for (int x = 0; x < plane.width(); ++x)
                if (x < 2 || y < 2 || x >= plane.width() - 2 || y >= plane.height() - 2)
                    plane.setPixel(x, y, 0);
        const QVector<PolyLine> lines = trace(plane, 0.0f);
        for (const PolyLine &line : lines)
            ASSERT_TRUE(line.closed);
        Plane8 again(plane.width(), plane.height());
        Plane8::fromSegs3(again, segmentsOf(lines), FrameRect{0, 0, float(plane.width()), float(plane.height())},
                          scratch, true, false);
        Plane1 expected, actual;
        Plane1::fromPlane8(expected, plane, 128, false);
        Plane1::fromPlane8(actual, again, 128, false);
        EXPECT_TRUE(samePixels(expected, actual)) << round;
    }
}

TEST(ContourDetect3, ResultDoesNotDependOnThreadCountOrVectorLevel)
{
    SimdLevelGuard guard;
    std::mt19937 rng(23);
    Plane8 plane(256, 160);
    fillBlobs(plane, rng, 7, true);
    setSimdLevel(SimdLevel::Plain);
    setWorkerThreadCount(1);
    const QVector<PolyLine> reference = trace(plane, 0.05f);
    ASSERT_GT(reference.size(), 10);
    setWorkerThreadCount(4);
    for (SimdLevel level : fastLevels()) {
        setSimdLevel(level);
        const QVector<PolyLine> lines = trace(plane, 0.05f);
        ASSERT_EQ(lines.size(), reference.size());
        for (int i = 0; i < lines.size(); ++i) {
            EXPECT_EQ(lines[i].points, reference[i].points) << i;
            EXPECT_EQ(lines[i].closed, reference[i].closed);
        }
    }
    setWorkerThreadCount(1);
}

TEST(ContourDetect3, ContoursCutByThePlaneBorderStayOpen)
{
    Plane8 plane(64, 64);
    plane.fill(0);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 20; ++x)
            plane.setPixel(x, y, 255);
    const QVector<PolyLine> lines = trace(plane);
    ASSERT_EQ(lines.size(), 1);
    EXPECT_FALSE(lines[0].closed);
    // Inside (x < 20) on the left: the boundary at x = 19.5 runs upwards.
    EXPECT_LT(lines[0].points.first().y, lines[0].points.last().y);
    EXPECT_NEAR(lines[0].points.first().x, 19.5f, 0.01f);
}
