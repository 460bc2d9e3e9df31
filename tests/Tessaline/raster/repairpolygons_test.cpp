#include "cuttinghelpers.h"
#include "raster/layercutter.h"
#include "raster/repairpolygons.h"
#include "repairreference.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace cuttingtest;

namespace
{

// Closed random loops with pieces removed, shuffled, endpoints nudged; coordinates on a coarse grid
// so that equal distances (and so the tie rules) come up often.
std::vector<Seg2f> brokenLoops(std::mt19937 &rng, int loops, float jitter)
{
    std::uniform_int_distribution<int> grid(0, 40);
    std::uniform_int_distribution<int> corners(3, 9);
    std::uniform_real_distribution<float> nudge(-jitter, jitter);
    std::vector<Seg2f> segs;
    for (int l = 0; l < loops; ++l) {
        const int n = corners(rng);
        std::vector<std::pair<float, float>> points;
        for (int i = 0; i < n; ++i)
            points.push_back({grid(rng) * 0.5f, grid(rng) * 0.5f});
        for (int i = 0; i < n; ++i) {
            if (rng() % 4 == 0)
                continue; // a missing piece
            const auto &p = points[size_t(i)], &q = points[size_t((i + 1) % n)];
            segs.emplace_back(p.first + nudge(rng), p.second + nudge(rng), q.first + nudge(rng), q.second + nudge(rng));
            if (rng() % 10 == 0)
                segs.push_back(segs.back()); // doubled piece: balance 2
        }
    }
    std::shuffle(segs.begin(), segs.end(), rng);
    return segs;
}

} // namespace

TEST(RepairPolygons, SameResultAsExhaustiveSearch)
{
    std::mt19937 rng(77);
    for (int round = 0; round < 400; ++round) {
        const float tolerance = round % 3 == 0 ? 0.03f : (round % 3 == 1 ? 0.3f : 0.0f);
        const float jitter = round % 2 ? 0.02f : 0.0f;
        std::vector<Seg2f> fast = brokenLoops(rng, 1 + round % 7, jitter);
        std::vector<Seg2f> reference = fast;
        repairPolygons(fast, tolerance);
        repairtest::referenceRepair(reference, tolerance);
        ASSERT_TRUE(repairtest::sameBits(fast, reference))
            << "round " << round << ": " << fast.size() << " vs " << reference.size() << " segments";
    }
}

TEST(RepairPolygons, ClosesEveryLoopThatLostPieces)
{
    std::mt19937 rng(5);
    for (int round = 0; round < 100; ++round) {
        std::vector<Seg2f> segs = brokenLoops(rng, 5, 0.0f);
        repairPolygons(segs, 0.0f);
        EXPECT_TRUE(openEndpoints(segs).empty()) << "round " << round;
    }
}

TEST(RepairPolygons, WeldsWithinToleranceOnly)
{
    // An open triangle a -> b -> c whose closing point lies 0.02 (welded) or 0.05 (not welded) from a.
    for (const float gap : {0.02f, 0.05f}) {
        std::vector<Seg2f> segs{{0, 0, 10, 0}, {10, 0, 10, 10}, {10, 10, gap, 0}};
        repairPolygons(segs, 0.03f);
        if (gap < 0.03f) {
            EXPECT_EQ(segs.size(), 3u) << "welded: nothing to close";
        } else {
            ASSERT_EQ(segs.size(), 4u);
            EXPECT_EQ(segs[3].x0, gap);
            EXPECT_EQ(segs[3].x1, 0.0f);
        }
    }
}

TEST(RepairPolygons, OpenMeshLayersAreBridgedFromEndToStart)
{
    Faces open = boxMesh({0, 0, 0}, {6, 6, 6});
    open.faces().removeAt(2); // one side loses a triangle
    LayerCutter cut;
    cut.setSceneTriangles(open);
    cut.SliceFaces(0.0f, 1000.0f, 0.5f, 0.5f, 0.0f, 0.5f);
    int bridged = 0;
    for (SliceLayer &layer : cut.layers()) {
        const auto gaps = openEndpoints(layer.meshSegs);
        const size_t before = layer.meshSegs.size();
        repairPolygons(layer.meshSegs, 0.03f);
        EXPECT_TRUE(openEndpoints(layer.meshSegs).empty()) << layer.index;
        if (gaps.empty()) {
            EXPECT_EQ(layer.meshSegs.size(), before);
            continue;
        }
        ASSERT_EQ(layer.meshSegs.size(), before + 1);
        const Seg2f &bridge = layer.meshSegs.back();
        EXPECT_EQ(gaps.at({bridge.x0, bridge.z0}), 1);
        EXPECT_EQ(gaps.at({bridge.x1, bridge.z1}), -1);
        ++bridged;
    }
    EXPECT_GT(bridged, 0);
}

TEST(RepairPolygons, HugeAndHostileLayersFinish)
{
    std::mt19937 rng(9);
    std::uniform_real_distribution<float> coord(-200.0f, 200.0f);
    std::vector<Seg2f> segs;
    for (int i = 0; i < 100000; ++i)
        segs.emplace_back(coord(rng), coord(rng), coord(rng), coord(rng));
    repairPolygons(segs, 0.0f);
    EXPECT_EQ(segs.size(), 200000u); // one bridge per open end
    EXPECT_TRUE(openEndpoints(segs).empty());

    std::vector<Seg2f> hostile{{NAN, 0, 1, 1}, {1, 1, INFINITY, 2}, {5, 5, 6, 6}, {1e38f, 0, -1e38f, 0}};
    repairPolygons(hostile, 0.03f);
    repairPolygons(hostile, NAN);
    repairPolygons(hostile, -1.0f);
    repairPolygons(hostile, INFINITY);
    EXPECT_GE(hostile.size(), 4u);
}
