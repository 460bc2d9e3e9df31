#include "engine/layerordering.h"
#include "geometry/workerthread.h"
#include "shellstesthelpers.h"
#include "writertesthelpers.h"

#include <QString>

#include <gtest/gtest.h>

using namespace shellstest;

namespace
{

constexpr int planeSize = 256;

// Square A at the left; ring B at the right with island C standing in its hole; a free wall D (a hair only).
enum Part { A, B, C, D, None };

Plane8 scene()
{
    std::vector<Seg2f> segs;
    rastertest::addRect(segs, 20, 20, 90, 90, true);
    rastertest::addRect(segs, 110, 20, 236, 146, true);
    rastertest::addRect(segs, 130, 40, 216, 126, false);
    rastertest::addRect(segs, 155, 65, 191, 101, true);
    rastertest::addOutline(segs, bar(120, 200, 80, ppe, 0.0f), false);
    return rasterise(segs, planeSize);
}

Part partAt(const V2f &p)
{
    if (p.x < 95 && p.y < 95)
        return A;
    if (p.y > 180)
        return D;
    if (p.x > 150 && p.x < 196 && p.y > 60 && p.y < 106)
        return C;
    if (p.x > 105)
        return B;
    return None;
}

} // namespace

TEST(Islands, LoopsHolesAndNestedPartsGoToTheirOwnIsland)
{
    const Shells shells = buildShells(shellParams(2), scene());
    const QVector<PolyLine> paths = shells.all();
    int islandCount = 0;
    const QVector<int> island = islandOfPaths(paths, islandCount);
    ASSERT_EQ(islandCount, 3);
    QVector<int> islandOfPart(4, -2);
    for (int i = 0; i < paths.size(); ++i) {
        const Part part = partAt(paths[i].points[0]);
        ASSERT_NE(part, None);
        if (part == D) {
            EXPECT_EQ(paths[i].type, SegType::OuterHair);
            EXPECT_EQ(island[i], -1) << "a free-standing hair belongs to no island";
            continue;
        }
        ASSERT_GE(island[i], 0);
        if (islandOfPart[part] == -2)
            islandOfPart[part] = island[i];
        EXPECT_EQ(island[i], islandOfPart[part]) << "path " << i << " of part " << part;
    }
    EXPECT_NE(islandOfPart[A], islandOfPart[B]);
    EXPECT_NE(islandOfPart[B], islandOfPart[C]);
    EXPECT_NE(islandOfPart[A], islandOfPart[C]);
}

TEST(Islands, OrderedOneIslandAfterTheOtherWithFreeHairsLast)
{
    const Plane8 coverage = scene();
    const Shells shells = buildShells(shellParams(2), coverage);
    Plane1 area;
    Plane1::fromPlane8(area, coverage, 128, true);
    SlicerParams sp;
    LayerOrdering ordering(sp, testFrame(planeSize, planeSize), area, area, area, ppe);
    PolyLine fill = makePath(SegType::Infill, {{40, 40}, {70, 70}});
    processIslands_and_RemainingHairs(ordering, shells.paths, {fill}, V2f(250, 250));
    QVector<Part> sequence;
    for (const PolyLine &path : ordering.paths()) {
        if (path.type == SegType::Travel)
            continue;
        const Part part = partAt(path.points[0]);
        if (sequence.isEmpty() || sequence.last() != part)
            sequence.append(part);
    }
    // From the far corner: the ring is nearest, then the island in its hole, then the square; the wall last.
    EXPECT_EQ(sequence, (QVector<Part>{B, C, A, D}));
}

TEST(Islands, BrokenCoordinatesAreAFatalError)
{
    PolyLine perimeter = makePath(SegType::Perimeter, {{10, 10}, {20, 10}, {20, 20}, {10, 20}}, true);
    Plane1 area(64, 64);
    area.fill(true);
    SlicerParams sp;
    LayerOrdering ordering(sp, testFrame(64, 64), area, area, area, ppe);
    try {
        processIslands_and_RemainingHairs(ordering, {{perimeter}}, {}, V2f(std::nanf(""), 0));
        ADD_FAILURE() << "no error";
    } catch (const QString &message) {
        EXPECT_EQ(message, "FATAL ERROR: processIslands_and_RemainingHairs() islandIdx<0 1");
    }
}

TEST(VerticalShells, SameResultWithOneAndTwoThreads)
{
    std::mt19937 rng(3);
    for (int round = 0; round < 6; ++round) {
        Plane8 coverage(planeSize, planeSize);
        rastertest::fillBlobs(coverage, rng, 6 + round, true);
        // Keep the frame margin clear, as the raster frame does.
        for (int y = 0; y < planeSize; ++y)
            for (int x = 0; x < planeSize; ++x)
                if (x < 8 || y < 8 || x >= planeSize - 8 || y >= planeSize - 8)
                    coverage.setPixel(x, y, 0);
        SlicerParams sp = shellParams(1 + round % 3);
        sp.RepairCorners = round % 2 == 1;
        Shells results[2];
        for (int threads : {1, 2}) {
            setWorkerThreadCount(threads);
            results[threads - 1] = buildShells(sp, coverage);
        }
        setWorkerThreadCount(1);
        const QVector<PolyLine> one = results[0].all(), two = results[1].all();
        ASSERT_EQ(one.size(), two.size()) << round;
        for (int i = 0; i < one.size(); ++i) {
            EXPECT_EQ(one[i].type, two[i].type);
            EXPECT_EQ(one[i].points, two[i].points);
        }
        EXPECT_TRUE(rastertest::samePixels(results[0].inner, results[1].inner));
        // Everything printed lies on the layer: no point more than a pixel from covered material.
        for (const PolyLine &path : one) {
            EXPECT_EQ(path.closed, path.type == SegType::Perimeter || path.type == SegType::Loop);
            for (const V2f &p : path.points) {
                ASSERT_TRUE(std::isfinite(p.x) && std::isfinite(p.y));
                int best = 0;
                for (int dy = -1; dy <= 2; ++dy)
                    for (int dx = -1; dx <= 2; ++dx)
                        best = std::max(best, int(coverage.pixel(int(p.x) + dx, int(p.y) + dy)));
                EXPECT_GE(best, 128) << p.x << "," << p.y;
            }
        }
    }
}
