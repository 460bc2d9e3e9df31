#include "engine/lineextractor.h"
#include "engine/linefills.h"
#include "engine/linepattern.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace
{

constexpr float pixelsPerEw = 1.0f / 0.333f;

// A region of random discs and rectangles (1 inside) on a plane of 256 x 192 pixels.
Plane1 randomRegion(unsigned seed)
{
    std::mt19937 random(seed);
    Plane1 region(256, 192);
    region.fill(false);
    for (int shape = 0; shape < 4; ++shape) {
        const int cx = int(random() % 256), cy = int(random() % 192), r = 5 + int(random() % 60);
        const bool disc = random() % 2 == 0;
        for (int y = std::max(0, cy - r); y < std::min(192, cy + r); ++y)
            for (int x = std::max(0, cx - r); x < std::min(256, cx + r); ++x)
                if (!disc || (x - cx) * (x - cx) + (y - cy) * (y - cy) < r * r)
                    region.setPixel(x, y, true);
    }
    return region;
}

Plane1 rectangleRegion(int x0, int y0, int x1, int y1)
{
    Plane1 region(128, 128);
    region.fill(false);
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            region.setPixel(x, y, true);
    return region;
}

// The pixels a segment crosses, one per whole step of its longer axis with the other coordinate rounded.
bool segmentInside(const Plane1 &region, V2f a, V2f b)
{
    const bool xMajor = std::fabs(b.x - a.x) >= std::fabs(b.y - a.y);
    if (!xMajor) {
        std::swap(a.x, a.y);
        std::swap(b.x, b.y);
    }
    if (b.x < a.x)
        std::swap(a, b);
    for (int major = int(std::lround(a.x)); major <= int(std::lround(b.x)); ++major) {
        const double t = b.x > a.x ? (major - double(a.x)) / (double(b.x) - a.x) : 0.0;
        const int minor = int(std::lround(a.y + (double(b.y) - a.y) * t));
        const int x = xMajor ? major : minor, y = xMajor ? minor : major;
        if (x < 0 || y < 0 || x >= region.width() || y >= region.height() || !region.pixel(x, y))
            return false;
    }
    return true;
}

// How many pixels of the region lie within half a width of some path.
double coveredShare(const Plane1 &region, const QVector<PolyLine> &paths)
{
    Plane1 covered(region.width(), region.height());
    covered.fill(false);
    for (const PolyLine &path : paths)
        for (int k = 1; k < path.count(); ++k) {
            const V2f a = path.points[k - 1], b = path.points[k];
            const int count = int(std::ceil(std::max(std::fabs(b.x - a.x), std::fabs(b.y - a.y)) * 2)) + 1;
            for (int s = 0; s <= count; ++s) {
                const float t = float(s) / count;
                const float px = a.x + (b.x - a.x) * t, py = a.y + (b.y - a.y) * t;
                for (int y = int(py - 2); y <= int(py + 2); ++y)
                    for (int x = int(px - 2); x <= int(px + 2); ++x)
                        if (x >= 0 && y >= 0 && x < region.width() && y < region.height() &&
                            std::hypot(x - px, y - py) <= pixelsPerEw * 0.5f + 0.05f)
                            covered.setPixel(x, y, true);
            }
        }
    int inside = 0, hit = 0;
    for (int y = 0; y < region.height(); ++y)
        for (int x = 0; x < region.width(); ++x)
            if (region.pixel(x, y)) {
                ++inside;
                hit += covered.pixel(x, y);
            }
    return inside > 0 ? double(hit) / inside : 1.0;
}

FillRequest shellRequest(int angle, float density)
{
    FillRequest request;
    request.pattern.pattern = 1;
    request.pattern.spacing = pixelsPerEw / density;
    request.pattern.angleDegrees = angle;
    request.type = SegType::HShell;
    request.minimumRunLength = 0.7f * pixelsPerEw;
    request.joinLimit = 2 * pixelsPerEw;
    return request;
}

} // namespace

// Every path, joins included, stays in its region, for every pattern, angle and strand count.
TEST(LineFills, EveryPathStaysInsideItsRegion)
{
    std::mt19937 random(42);
    for (unsigned seed = 0; seed < 24; ++seed) {
        const Plane1 region = randomRegion(seed);
        FillRequest request;
        request.pattern.pattern = 1 + int(seed % 3);
        request.pattern.spacing = pixelsPerEw * (1.0f + float(random() % 8));
        request.pattern.angleDegrees = int(random() % 720) - 360;
        request.pattern.strands = 1 + int(random() % 4);
        request.pattern.strandSpacing = pixelsPerEw;
        request.minimumRunLength = pixelsPerEw;
        request.joinLimit = 2 * pixelsPerEw;
        const QVector<PolyLine> paths = fillRegion(region, request);
        EXPECT_FALSE(paths.isEmpty()) << "seed " << seed;
        for (const PolyLine &path : paths) {
            EXPECT_EQ(path.type, SegType::Infill);
            for (int k = 1; k < path.count(); ++k)
                ASSERT_TRUE(segmentInside(region, path.points[k - 1], path.points[k]))
                    << "seed " << seed << " k " << k << " of " << path.count() << " " << path.points[k - 1].x << ","
                    << path.points[k - 1].y << " " << path.points[k].x << "," << path.points[k].y << " pattern "
                    << request.pattern.pattern << " angle " << request.pattern.angleDegrees << " strands "
                    << request.pattern.strands;
        }
    }
}

// At density 1 neighbouring lines lie one extrusion width apart and cover the whole region.
TEST(LineFills, ShellLinesOneWidthApartCloseTheRegion)
{
    for (int angle : {0, 45, 90, 135, -30}) {
        const Plane1 region = rectangleRegion(10, 12, 110, 100);
        const LineExtractor extractor(region, 0.0f);
        const QVector<PatternLine> lines = linePattern(128, 128, shellRequest(angle, 1.0f).pattern).value(0);
        ASSERT_GT(lines.size(), 10);
        const double a = angle * 0.017453292;
        const double nx = -std::sin(a), ny = std::cos(a);
        for (int k = 1; k < lines.size(); ++k) {
            const double offsetA = lines[k - 1].from.x * nx + lines[k - 1].from.y * ny;
            const double offsetB = lines[k].from.x * nx + lines[k].from.y * ny;
            EXPECT_NEAR(offsetB - offsetA, pixelsPerEw, 1e-3) << "angle " << angle;
        }
        EXPECT_GT(coveredShare(region, fillRegion(region, shellRequest(angle, 1.0f))), 0.97) << "angle " << angle;
    }
}

// At density 1 a convex region becomes one zig-zag path; consecutive lines run in opposite directions.
TEST(LineFills, ConvexShellIsOneZigZagPath)
{
    const Plane1 region = rectangleRegion(20, 20, 100, 90);
    const QVector<PolyLine> paths = fillRegion(region, shellRequest(0, 1.0f));
    ASSERT_EQ(paths.size(), 1);
    const PolyLine &path = paths.first();
    EXPECT_GT(path.count(), 40);
    for (int k = 3; k < path.count(); k += 2) {
        const float previous = path.points[k - 2].x - path.points[k - 3].x;
        const float current = path.points[k].x - path.points[k - 1].x;
        EXPECT_LT(previous * current, 0.0f) << "run " << k / 2;
    }
}

// Two islands a gap apart are never joined across the gap.
TEST(LineFills, RunsAreNotJoinedAcrossAGap)
{
    Plane1 region = rectangleRegion(10, 10, 50, 100);
    for (int y = 10; y < 100; ++y)
        for (int x = 54; x < 100; ++x)
            region.setPixel(x, y, true);
    const QVector<PolyLine> paths = fillRegion(region, shellRequest(90, 1.0f));
    EXPECT_EQ(paths.size(), 2);
    for (const PolyLine &path : paths)
        for (int k = 1; k < path.count(); ++k)
            EXPECT_TRUE(segmentInside(region, path.points[k - 1], path.points[k]));
}

TEST(LineFills, RunsNoLongerThanTheMinimumAreDropped)
{
    const Plane1 region = rectangleRegion(20, 20, 24, 100); // 4 pixels wide
    FillRequest request = shellRequest(0, 1.0f);
    request.minimumRunLength = 2.5f; // the runs reach from pixel 20 to pixel 23
    EXPECT_FALSE(fillRegion(region, request).isEmpty());
    request.minimumRunLength = 3.0f;
    EXPECT_TRUE(fillRegion(region, request).isEmpty());
}

TEST(LinePattern, DirectionsStrandsAndBadValues)
{
    LinePatternRequest request;
    request.spacing = 10.0f;
    request.strandSpacing = 3.0f;
    for (int pattern = 0; pattern <= 3; ++pattern) {
        request.pattern = pattern;
        EXPECT_EQ(linePattern(128, 64, request).size(), pattern);
    }
    request.pattern = 1;
    const int single = linePattern(128, 64, request).value(0).size();
    request.strands = 3;
    // Outer strands of the outermost lines may miss the plane.
    EXPECT_NEAR(linePattern(128, 64, request).value(0).size(), 3 * single, 4);
    request.strands = 0;
    EXPECT_TRUE(linePattern(128, 64, request).isEmpty());
    request.strands = 1000; // held to 20
    EXPECT_LE(linePattern(128, 64, request).value(0).size(), 20 * single);
    request.strands = 1;
    request.spacing = 0.0f;
    EXPECT_THROW(linePattern(128, 64, request), QString);
    request.spacing = NAN;
    EXPECT_THROW(linePattern(128, 64, request), QString);
    request.spacing = 10.0f;
    request.pattern = 4;
    EXPECT_THROW(linePattern(128, 64, request), QString);
}

TEST(LinePattern, AnglesAreTruncatedWholeDegrees)
{
    EXPECT_EQ(fillAngleDegrees(0.0f, 45.9f, 7), 45);
    EXPECT_EQ(fillAngleDegrees(0.0f, -45.9f, 7), -45);
    EXPECT_EQ(fillAngleDegrees(90.0f, 0.0f, 1) % 180, 90);
    EXPECT_EQ(fillAngleDegrees(90.0f, 0.0f, 2) % 180, 0);
    EXPECT_EQ(fillAngleDegrees(0.0f, 765.5f, 0), 45);
    EXPECT_EQ(fillAngleDegrees(1e30f, 0.0f, 1000) / 360, 0);
    EXPECT_THROW(fillAngleDegrees(0.0f, INFINITY, 0), QString);
    EXPECT_THROW(fillAngleDegrees(NAN, 0.0f, 0), QString);

    // Lines at 45.9 degrees run at 45.
    LinePatternRequest request;
    request.spacing = 10.0f;
    request.angleDegrees = fillAngleDegrees(0.0f, 45.9f, 3);
    for (const PatternLine &line : linePattern(256, 256, request).value(0))
        EXPECT_NEAR(std::atan2(line.to.y - line.from.y, line.to.x - line.from.x) * 57.29578, 45.0, 0.05);
}
