#include "engine/layerwriter.h"
#include "engine/pathordering.h"
#include "engine/travelrouter.h"
#include "gcodereadback.h"
#include "writertesthelpers.h"

#include <gtest/gtest.h>

#include <cstring>

namespace
{

constexpr int planeSize = 256;
constexpr float pixelsPerEw = 1.0f / 0.333f;

struct Rect {
    int x0, y0, x1, y1; // inclusive-exclusive
};

// A layer plane (set bits empty) with the rectangles solid and the holes cut out of them again.
Plane1 layerPlane(const QVector<Rect> &solid, const QVector<Rect> &holes = {})
{
    Plane1 plane(planeSize, planeSize);
    plane.fill(true);
    for (const Rect &r : solid)
        for (int y = r.y0; y < r.y1; ++y)
            for (int x = r.x0; x < r.x1; ++x)
                plane.setPixel(x, y, false);
    for (const Rect &r : holes)
        for (int y = r.y0; y < r.y1; ++y)
            for (int x = r.x0; x < r.x1; ++x)
                plane.setPixel(x, y, true);
    return plane;
}

// Every pixel a route passes over, sampled finely.
bool staysOnSolid(const QVector<V2f> &route, const Plane1 &area)
{
    for (int i = 1; i < route.size(); ++i) {
        const V2f d = route[i] - route[i - 1];
        const int samples = int(d.length() * 4) + 1;
        for (int s = 0; s <= samples; ++s) {
            const V2f p = route[i - 1] + d * (float(s) / float(samples));
            const int x = int(std::floor(p.x + 0.5f));
            const int y = int(std::floor(p.y + 0.5f));
            if (x < 0 || y < 0 || x >= area.width() || y >= area.height() || area.pixel(x, y))
                return false;
        }
    }
    return true;
}

const Plane1 &ringArea()
{
    static const Plane1 ring = layerPlane({{40, 40, 216, 216}}, {{100, 100, 156, 156}});
    return ring;
}

} // namespace

TEST(TravelRouter, GoesAroundAHoleInsteadOfAcrossIt)
{
    const Plane1 &area = ringArea();
    const TravelPlanes planes(area, area, area, pixelsPerEw);
    TravelRouter router(planes, 0.125f, 0.125f, 1.0f);
    const PolyLine route = router.route(V2f(70, 128), V2f(186, 128));
    ASSERT_EQ(route.type, SegType::Travel);
    EXPECT_FALSE(route.retract);
    EXPECT_GT(route.count(), 2);
    EXPECT_EQ(route.points.first(), V2f(70, 128));
    EXPECT_EQ(route.points.last(), V2f(186, 128));
    EXPECT_TRUE(staysOnSolid(route.points, area));
    // Pulled tight: not much longer than the way round the hole's corner (about 150 pixels).
    PolyLine open = route;
    EXPECT_LT(open.length(), 200.0);
}

TEST(TravelRouter, StartsAndEndsOnTheOuterWall)
{
    const Plane1 &area = ringArea();
    const TravelPlanes planes(area, area, area, pixelsPerEw);
    TravelRouter router(planes, 0.125f, 0.125f, 1.0f);
    // Centre lines of the outer perimeter, half a width inside the outline, on opposite sides.
    const PolyLine route = router.route(V2f(41.5f, 128), V2f(214.5f, 128));
    EXPECT_FALSE(route.retract);
    EXPECT_TRUE(staysOnSolid(route.points, area));
}

TEST(TravelRouter, RetractsBetweenSeparateIslandsAndSkipsNearMoves)
{
    const Plane1 area = layerPlane({{20, 20, 100, 100}, {150, 20, 230, 100}});
    const TravelPlanes planes(area, area, area, pixelsPerEw);
    TravelRouter router(planes, 0.125f, 0.125f, 1.0f);
    const PolyLine across = router.route(V2f(60, 60), V2f(190, 60));
    EXPECT_TRUE(across.retract);
    EXPECT_EQ(across.points, QVector<V2f>({V2f(60, 60), V2f(190, 60)}));
    EXPECT_FALSE(router.route(V2f(30, 30), V2f(90, 90)).retract);
    EXPECT_TRUE(router.route(V2f(60, 60), V2f(68, 60)).isEmpty()); // exactly 1 mm: a near move
    EXPECT_FALSE(router.route(V2f(60, 60), V2f(68.5f, 60)).isEmpty());
}

TEST(TravelRouter, ALoneSheetGivesNoCover)
{
    const Plane1 area = layerPlane({{20, 20, 200, 200}});
    const Plane1 emptyNeighbour = layerPlane({});
    const TravelPlanes covered(area, emptyNeighbour, area, pixelsPerEw);
    EXPECT_FALSE(TravelRouter(covered, 0.125f, 0.125f, 1.0f).route(V2f(30, 30), V2f(190, 190)).retract);
    const TravelPlanes lone(area, emptyNeighbour, emptyNeighbour, pixelsPerEw);
    EXPECT_TRUE(TravelRouter(lone, 0.125f, 0.125f, 1.0f).route(V2f(30, 30), V2f(190, 190)).retract);
}

TEST(TravelRouter, RoutesOverRandomShapesNeverLeaveTheSolid)
{
    for (unsigned seed = 1; seed <= 20; ++seed) {
        std::mt19937 random(seed);
        std::uniform_int_distribution<int> corner(8, planeSize - 40);
        std::uniform_int_distribution<int> extent(12, 60);
        QVector<Rect> solid;
        QVector<Rect> holes;
        for (int i = 0; i < 8; ++i) {
            const int x = corner(random), y = corner(random);
            solid.append(
                {x, y, std::min(x + extent(random), planeSize - 8), std::min(y + extent(random), planeSize - 8)});
        }
        for (int i = 0; i < 4; ++i) {
            const int x = corner(random), y = corner(random);
            holes.append({x, y, x + extent(random) / 3, y + extent(random) / 3});
        }
        const Plane1 area = layerPlane(solid, holes);
        const TravelPlanes planes(area, area, area, pixelsPerEw);
        TravelRouter router(planes, 0.125f, 0.125f, 0.5f);
        QVector<V2f> safe;
        for (int y = 0; y < planeSize; ++y)
            for (int x = 0; x < planeSize; ++x)
                if (planes.isSafe(x, y))
                    safe.append(V2f(float(x), float(y)));
        ASSERT_FALSE(safe.isEmpty());
        std::uniform_int_distribution<int> pick(0, safe.size() - 1);
        int routed = 0;
        for (int i = 0; i < 300; ++i) {
            const V2f a = safe[pick(random)];
            const V2f b = safe[pick(random)];
            const PolyLine route = router.route(a, b);
            if (route.isEmpty() || route.retract)
                continue;
            ++routed;
            EXPECT_TRUE(staysOnSolid(route.points, area)) << "seed " << seed << " route " << i;
        }
        EXPECT_GT(routed, 30) << "seed " << seed;
    }
}

// The whole chain: ordered paths on a ring, written and read back, travel over the ring only.
TEST(TravelRouter, WrittenTravelNeverCrossesTheHoleWhenThePartIsConnected)
{
    const Plane1 &area = ringArea();
    const TravelPlanes planes(area, area, area, pixelsPerEw);
    TravelRouter router(planes, 0.125f, 0.125f, 1.0f);
    PathOrdering ordering(PathOrderSettings::island(pixelsPerEw, 0.1f, false), router);
    // Short fill lines scattered over all four sides of the ring.
    std::mt19937 random(5);
    std::uniform_real_distribution<float> along(50, 206);
    std::uniform_real_distribution<float> across(48, 92);
    QVector<PolyLine> fills;
    for (int i = 0; i < 40; ++i) {
        const float a = along(random), b = across(random);
        const int side = i % 4;
        const V2f p = side == 0 ? V2f(a, b) : side == 1 ? V2f(a, 256 - b) : side == 2 ? V2f(b, a) : V2f(256 - b, a);
        fills.append(makePath(SegType::Infill, {p, p + V2f(3, 2)}));
    }
    QVector<PolyLine> ordered;
    ordering.order(fills, V2f(0, 0), ordered);

    SlicerParams sp;
    sp.MinLayerTime = 0;
    const RasterFrame frame = testFrame(planeSize, planeSize);
    const MachineRecord machine = testMachine();
    const Readback back = readBack(writeLayerGCode({sp, 3, frame, machine, 0.333f, 0.0f}, ordered));
    bool retracted = false;
    int retracts = 0;
    for (const ReadbackCommand &m : back.commands) {
        if (!m.isMove())
            continue;
        if (m.hasE && !m.hasX && !m.hasY) {
            retracted = m.e < m.e0;
            retracts += retracted;
        } else if (m.movesXY() && !retracted) {
            const QVector<V2f> move{V2f(m.x0 / 0.125f, m.y0 / 0.125f), V2f(m.x / 0.125f, m.y / 0.125f)};
            EXPECT_TRUE(staysOnSolid(move, area)) << "move to " << m.x << ", " << m.y;
        }
    }
    EXPECT_EQ(retracts, 1); // the layer's first move only
}

TEST(TravelRouter, CoarseGridOfAHugeFrameStillKeepsToTheSolid)
{
    // Over a million cells at the usual size, so the router coarsens its grid; a narrow corridor of the ring
    // is then finer than a cell.
    constexpr int size = 3200;
    Plane1 area(size, size);
    area.fill(true);
    const auto solidRows = [&](int x0, int x1, int y0, int y1, bool empty) { // x in multiples of 8
        for (int y = y0; y < y1; ++y)
            std::memset(area.data() + qint64(y) * size / 8 + x0 / 8, empty ? 0xFF : 0x00, size_t(x1 - x0) / 8);
    };
    solidRows(800, 2400, 800, 2400, false);
    solidRows(856, 2344, 856, 2344, true); // a ring 56 pixels wide
    const TravelPlanes planes(area, area, area, pixelsPerEw);
    TravelRouter router(planes, 0.125f, 0.125f, 1.0f);
    const PolyLine route = router.route(V2f(828, 1600), V2f(2372, 1600));
    EXPECT_FALSE(route.retract);
    EXPECT_TRUE(staysOnSolid(route.points, area));
    EXPECT_GT(route.count(), 2);
}
