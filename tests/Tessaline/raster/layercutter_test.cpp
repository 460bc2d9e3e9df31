#include "cuttinghelpers.h"
#include "geometry/scenetriangles.h"
#include "geometry/supportbarbody.h"
#include "geometry/workerthread.h"
#include "raster/layercutter.h"
#include "raster/segmentlists.h"
#include "testenvironment.h"

#include <QDir>
#include <QString>
#include <gtest/gtest.h>

#include <cstring>

using namespace cuttingtest;

namespace
{

LayerCutter cutScene(const std::vector<SceneItem> &items, float thickness = 0.25f, float first = 0.25f,
                     float bottom = 0.0f, float top = 1000.0f)
{
    LayerCutter cutter;
    cutter.setSceneTriangles(gatherTriangles(items));
    cutter.SliceFaces(bottom, top, thickness, first, 0.0f, 0.5f);
    return cutter;
}

// Sets the worker pool for one test and puts it back to one thread afterwards.
struct ThreadCount {
    explicit ThreadCount(int threads) { setWorkerThreadCount(threads); }
    ~ThreadCount() { setWorkerThreadCount(1); }
    ThreadCount(const ThreadCount &) = delete;
    ThreadCount &operator=(const ThreadCount &) = delete;
};

double planeHeight(const LayerCutter &cutter, int k, float thickness)
{
    return cutter.sliceBottom() + (k + 0.5) * thickness;
}

// Every layer closes exactly, is wound with the solid on the right, and has the mesh's true cross-section.
void expectConvexSections(const LayerCutter &cutter, const Faces &worldMesh, float thickness, const char *what)
{
    int checked = 0;
    for (const SliceLayer &layer : cutter.layers()) {
        const double y = planeHeight(cutter, layer.index, thickness);
        const double expected = convexSectionArea(worldMesh, y);
        EXPECT_TRUE(openEndpoints(layer.meshSegs).empty()) << what << " layer " << layer.index;
        EXPECT_NEAR(-signedArea(layer.meshSegs), expected, 1e-4 * expected + 1e-4) << what << " layer " << layer.index;
        if (expected < 1e-3)
            continue;
        // Solid on the right: the section's centroid lies right of every segment of a convex section.
        double cx = 0, cz = 0, length = 0;
        for (const Seg2f &s : layer.meshSegs) {
            const double l = std::hypot(s.x1 - s.x0, s.z1 - s.z0);
            cx += l * (s.x0 + s.x1) * 0.5, cz += l * (s.z0 + s.z1) * 0.5, length += l;
        }
        cx /= length, cz /= length;
        for (const Seg2f &s : layer.meshSegs) {
            const double side = (double(s.x1) - s.x0) * (cz - s.z0) - (double(s.z1) - s.z0) * (cx - s.x0);
            EXPECT_LE(side, 1e-6) << what << " layer " << layer.index;
        }
        ++checked;
    }
    EXPECT_GT(checked, 0) << what;
}

} // namespace

TEST(LayerTable, CubeOfTenMillimetresGivesFortyLayersCutAtTheirPlanes)
{
    const LayerCutter cubes = cutScene({{boxMesh({0, 0, 0}, {10, 10, 10}), M44f()}});
    ASSERT_EQ(cubes.layerCount(), 40);
    EXPECT_FLOAT_EQ(cubes.layers()[0].height, 0.125f);
    EXPECT_FLOAT_EQ(cubes.layers()[39].height, 9.875f);
    for (const SliceLayer &layer : cubes.layers())
        EXPECT_NEAR(-signedArea(layer.meshSegs), 100.0, 1e-3) << layer.index;

    // A pyramid's section shrinks with height, which shows where each plane really cuts.
    Faces pyramid;
    const V3f apex(5, 10, 5), a(0, 0, 0), b(0, 0, 10), c(10, 0, 10), d(10, 0, 0);
    pyramid.append(Face(a, b, apex));
    pyramid.append(Face(b, c, apex));
    pyramid.append(Face(c, d, apex));
    pyramid.append(Face(d, a, apex));
    pyramid.append(Face(a, c, b));
    pyramid.append(Face(a, d, c));
    const LayerCutter cut = cutScene({{pyramid, M44f()}});
    ASSERT_EQ(cut.layerCount(), 40);
    EXPECT_NEAR(-signedArea(cut.layers()[0].meshSegs), std::pow(10 - 0.125, 2), 1e-3);
    EXPECT_NEAR(-signedArea(cut.layers()[39].meshSegs), std::pow(10 - 9.875, 2), 1e-4);
}

TEST(LayerTable, FirstLayerHeightShapesTheTableAndAnEmptyTopLayerIsDropped)
{
    // 1 + ceil((10 - 0.1) / 0.25) = 41 layers; the 41st plane (10.125) is above the cube and is trimmed.
    const LayerCutter thin = cutScene({{boxMesh({0, 0, 0}, {10, 10, 10}), M44f()}}, 0.25f, 0.1f);
    EXPECT_EQ(thin.layerCount(), 40);
    EXPECT_FLOAT_EQ(thin.layers()[0].height, 0.05f);
    EXPECT_FLOAT_EQ(thin.layers()[1].height, 0.1f + 0.125f);

    // Bounds: only 2 ... 6 mm of a cube from -5 to 15 is sliced.
    const LayerCutter bounded = cutScene({{boxMesh({0, -5, 0}, {1, 15, 1}), M44f()}}, 0.5f, 0.5f, 2.0f, 6.0f);
    EXPECT_FLOAT_EQ(bounded.sliceBottom(), 2.0f);
    EXPECT_EQ(bounded.layerCount(), 8);
    EXPECT_FLOAT_EQ(bounded.layers()[3].height, 2.0f + 0.5f + 2.5f * 0.5f);
}

TEST(LayerTable, EmptySceneGivesOneEmptyLayer)
{
    const LayerCutter cut = cutScene({});
    ASSERT_EQ(cut.layerCount(), 1);
    EXPECT_TRUE(cut.layers()[0].meshSegs.empty());
    EXPECT_TRUE(cut.layers()[0].supportSegs.empty());
    EXPECT_EQ(cut.boundingBox().min, V3f());
    EXPECT_EQ(cut.boundingBox().max, V3f());
}

TEST(LayerTable, RefusesLayerHeightsThatCannotMakeATable)
{
    const std::vector<SceneItem> scene{{boxMesh({0, 0, 0}, {1, 10, 1}), M44f()}};
    for (float thickness : {0.0f, -0.2f, NAN, INFINITY}) {
        try {
            cutScene(scene, thickness);
            ADD_FAILURE() << "no exception for " << thickness;
        } catch (const char *message) {
            EXPECT_STREQ(message, "LayerCutter::SliceFaces() invalid layer height");
        }
    }
    for (const bool oneSweep : {false, true}) {
        ThreadCount threads(2);
        LayerCutter cutter;
        cutter.setSceneItems(scene);
        cutter.setCutInOneSweep(oneSweep);
        try {
            cutter.SliceFaces(0.0f, 1000.0f, 1e-6f, 0.25f, 0.0f, 0.5f);
            ADD_FAILURE() << "no exception for ten million layers";
        } catch (const QString &message) {
            EXPECT_TRUE(message.startsWith("LayerCutter::SliceFaces() too many layers: ")) << message.toStdString();
        }
    }
}

TEST(LayerCutting, RandomConvexSolidsCloseWithTheirTrueSections)
{
    std::mt19937 rng(1234);
    for (int round = 0; round < 60; ++round) {
        const Faces base = round % 3 == 0 ? boxMesh({-2, -1, -3}, {2, 3, 1}) : randomConvexHull(rng, 6 + round % 25);
        const M44f placement = randomAffine(rng);
        const Faces world = gatherTriangles({{base, placement}});
        const float thickness = 0.05f + 0.1f * float(round % 5);
        const LayerCutter cut = cutScene({{base, placement}}, thickness, thickness, -1000.0f);
        const std::string what = "round " + std::to_string(round) + (placement.determinant3() < 0 ? " mirrored" : "");
        expectConvexSections(cut, world, thickness, what.c_str());
    }
}

TEST(LayerCutting, MirroredObjectIsWoundLikeTheOriginal)
{
    const Faces box = boxMesh({1, 0, 2}, {4, 6, 3});
    const LayerCutter plain = cutScene({{box, M44f()}});
    const LayerCutter mirrored = cutScene({{box, M44f::scaling({-1, 1, 1})}});
    ASSERT_EQ(plain.layerCount(), mirrored.layerCount());
    for (int k = 0; k < plain.layerCount(); ++k) {
        EXPECT_NEAR(signedArea(plain.layers()[size_t(k)].meshSegs), -3.0, 1e-4);
        EXPECT_NEAR(signedArea(mirrored.layers()[size_t(k)].meshSegs), -3.0, 1e-4);
    }
    EXPECT_FLOAT_EQ(mirrored.boundingBox().min.x, -4.0f);
}

TEST(LayerCutting, HoleRunsTheOtherWayAndTouchingPartsCancel)
{
    // A square tube built from four touching bars: 8 x 8 outside, 4 x 4 hole.
    const std::vector<SceneItem> tube{{boxMesh({0, 0, 0}, {2, 5, 8}), M44f()},
                                      {boxMesh({6, 0, 0}, {8, 5, 8}), M44f()},
                                      {boxMesh({2, 0, 0}, {6, 5, 2}), M44f()},
                                      {boxMesh({2, 0, 6}, {6, 5, 8}), M44f()}};
    const LayerCutter cut = cutScene(tube);
    for (const SliceLayer &layer : cut.layers()) {
        EXPECT_TRUE(openEndpoints(layer.meshSegs).empty());
        EXPECT_NEAR(-signedArea(layer.meshSegs), 64.0 - 16.0, 1e-4);
    }
}

TEST(LayerCutting, TopFaceOnAPlaneAddsNothing)
{
    // The top (y = 9.875) lies exactly on plane 39.
    const Faces box = boxMesh({0, 0, 0}, {10, 9.875f, 10});
    const LayerCutter cut = cutScene({{box, M44f()}});
    ASSERT_EQ(cut.layerCount(), 40);
    const SliceLayer &top = cut.layers()[39];
    EXPECT_TRUE(openEndpoints(top.meshSegs).empty());
    EXPECT_NEAR(-signedArea(top.meshSegs), 100.0, 1e-4);

    Faces horizontal;
    for (const Face &f : box.faces())
        if (f.p[0].y == 9.875f && f.p[1].y == 9.875f && f.p[2].y == 9.875f)
            horizontal.append(f);
    ASSERT_EQ(horizontal.count(), 2);
    LayerCutter alone;
    alone.setSceneTriangles(horizontal);
    alone.SliceFaces(0.0f, 1000.0f, 0.25f, 0.25f, 0.0f, 0.5f);
    for (const SliceLayer &layer : alone.layers())
        EXPECT_TRUE(layer.meshSegs.empty());
}

TEST(LayerCutting, DegenerateAndNonFiniteTrianglesDoNoHarm)
{
    Faces scene = boxMesh({0, 0, 0}, {4, 4, 4});
    scene.append(Face({1, 0, 1}, {2, 2, 2}, {3, 4, 3}));   // collinear: zero area
    scene.append(Face({1, 1, 1}, {1, 1, 1}, {1, 3, 1}));   // two equal corners
    scene.append(Face({NAN, 1, 1}, {1, 2, 1}, {1, 3, 2})); // never cut, never in the box
    scene.append(Face({1, 1, 1}, {INFINITY, 2, 1}, {1, 3, 2}));
    LayerCutter cut;
    cut.setSceneTriangles(scene);
    cut.SliceFaces(0.0f, 1000.0f, 0.25f, 0.25f, 0.0f, 0.5f);
    EXPECT_EQ(cut.boundingBox().max, V3f(4, 4, 4));
    ASSERT_EQ(cut.layerCount(), 16);
    for (const SliceLayer &layer : cut.layers()) {
        EXPECT_NEAR(-signedArea(layer.meshSegs), 16.0, 1e-4);
        for (const Seg2f &s : layer.meshSegs)
            EXPECT_TRUE(std::isfinite(s.x0) && std::isfinite(s.z0) && std::isfinite(s.x1) && std::isfinite(s.z1));
    }
}

TEST(LayerCutting, FarAwayTrianglesStayWithinTheBounds)
{
    Faces scene = boxMesh({0, 0, 0}, {1, 1, 1});
    scene.append(Face({-1e30f, -1e30f, 0}, {1e30f, 1e30f, 0}, {0, 1e30f, 1e30f}));
    LayerCutter cut;
    cut.setSceneTriangles(scene);
    cut.SliceFaces(0.0f, 5.0f, 0.5f, 0.5f, 0.0f, 0.5f);
    EXPECT_EQ(cut.layerCount(), 10);
    for (const SliceLayer &layer : cut.layers())
        EXPECT_GE(layer.meshSegs.size(), 1u);
}

TEST(SupportCutting, ParallelogramNeedsTwoCornersAtOneHeight)
{
    LayerCutter cutter;
    cutter.SliceFaces(0.0f, 10.0f, 0.25f, 0.25f, 0.0f, 0.5f);
    try {
        cutter.paralelogramProcess({0, 0, 0}, {1, 1, 0}, {0, 2, 1}, true);
        FAIL() << "no exception";
    } catch (const char *message) {
        EXPECT_STREQ(message, "FATAL error: paralelogramProcess() invalid input");
    }
}

// Thin bars are cut on every other side, wide or sloped ones on every side; either way each layer
// the bar crosses gets its square outline once, wound like a solid, and nothing lands in the mesh list.
TEST(SupportCutting, BarsGiveOneClosedSquarePerLayer)
{
    struct Case {
        const char *name;
        V3f lower, upper;
        float width;
        float slope;
    };
    const Case cases[] = {
        {"thin vertical", {5, 0, 5}, {5, 8, 5}, 1.0f, 0.0f},
        {"wide vertical", {5, 0, 5}, {5, 8, 5}, 3.0f, 0.0f},
        {"sloped", {2, 0, 3}, {6, 8, 1}, 1.0f, 6.0f / 8.0f},
    };
    for (const Case &c : cases) {
        LayerCutter cutter;
        cutter.setSupportBars({{supportBarBody(c.lower, c.upper, c.width), c.width, c.slope}});
        cutter.SliceFaces(0.0f, 1000.0f, 0.25f, 0.25f, 1.1f * 1.0f, 0.5f);
        ASSERT_EQ(cutter.layerCount(), 32) << c.name;
        for (const SliceLayer &layer : cutter.layers()) {
            EXPECT_TRUE(layer.meshSegs.empty());
            const bool everySide = c.width > 1.1f || c.slope > 0.5f;
            EXPECT_EQ(layer.supportSegs.size(), everySide ? 8u : 4u) << c.name;
            EXPECT_TRUE(openEndpoints(layer.supportSegs).empty()) << c.name << " layer " << layer.index;
            EXPECT_NEAR(-signedArea(layer.supportSegs), c.width * c.width, 1e-4) << c.name;
            // The square sits around the bar's axis at the plane's height.
            const double y = planeHeight(cutter, layer.index, 0.25f);
            const double t = y / 8.0;
            const double axisX = c.lower.x + t * (c.upper.x - c.lower.x);
            double meanX = 0;
            for (const Seg2f &s : layer.supportSegs)
                meanX += (s.x0 + s.x1) * 0.5 / double(layer.supportSegs.size());
            EXPECT_NEAR(meanX, axisX, 1e-4) << c.name;
        }
    }
}

TEST(SupportCutting, BarBodyIsAClosedSolidForTheMeshCutterToo)
{
    const Faces body = supportBarBody({3, 0, 3}, {4, 6, 2}, 2.0f);
    ASSERT_EQ(body.count(), 16);
    const LayerCutter cut = cutScene({{body, M44f()}});
    for (const SliceLayer &layer : cut.layers()) {
        EXPECT_TRUE(openEndpoints(layer.meshSegs).empty());
        EXPECT_NEAR(-signedArea(layer.meshSegs), 4.0, 1e-4);
    }
}

TEST(SupportCutting, PlaneAtTheLowerEndIsLeftOut)
{
    // The bar starts exactly on plane 0 (y = 0.125): its first outline belongs to plane 1.
    LayerCutter cutter;
    cutter.setSceneTriangles(boxMesh({20, 0, 20}, {21, 4, 21}));
    cutter.setSupportBars({{supportBarBody({5, 0.125f, 5}, {5, 3, 5}, 1.0f), 1.0f, 0.0f}});
    cutter.SliceFaces(0.0f, 1000.0f, 0.25f, 0.25f, 1.1f, 0.5f);
    EXPECT_TRUE(cutter.layers()[0].supportSegs.empty());
    EXPECT_EQ(cutter.layers()[1].supportSegs.size(), 4u);
}

TEST(LayerCutting, InsideOutStlFileIsCutAsASolidAfterImport)
{
    std::mt19937 rng(21);
    const Faces hull = randomConvexHull(rng, 24);
    Faces insideOut = gatherTriangles({{hull, M44f::scaling({10, 10, 10})}});
    insideOut.flipAll();
    for (const bool binary : {true, false}) {
        const QString path = QDir(testHomeDir()).filePath(binary ? "hull-bin.stl" : "hull-text.stl");
        insideOut.exportFata(path, binary);
        Faces imported;
        imported.importFile(path);
        ASSERT_EQ(imported.count(), hull.count());
        const LayerCutter cut = cutScene({{imported, M44f()}}, 0.3f, 0.3f, -1000.0f);
        expectConvexSections(cut, imported, 0.3f, binary ? "binary" : "text");
    }
}

// The cut shared among threads against the cut of one triangle after the other, bit for bit.
namespace
{

struct CutSetup {
    std::vector<SceneItem> items;
    std::vector<CutBar> bars;
    float bottom = 0.0f;
    float top = 1000.0f;
    float thickness = 0.25f;
    float firstLayer = 0.25f;
};

LayerCutter cutSetup(const CutSetup &setup, int threads, bool oneSweep)
{
    ThreadCount pool(threads);
    LayerCutter cutter;
    cutter.setSceneItems(setup.items);
    cutter.setSupportBars(setup.bars);
    cutter.setCutInOneSweep(oneSweep);
    cutter.SliceFaces(setup.bottom, setup.top, setup.thickness, setup.firstLayer, 1.1f, 0.5f);
    return cutter;
}

template <class T> bool sameBits(const T &a, const T &b)
{
    return std::memcmp(&a, &b, sizeof(T)) == 0;
}

void expectSameSegments(const std::vector<Seg2f> &expected, const std::vector<Seg2f> &actual, const std::string &what)
{
    ASSERT_EQ(actual.size(), expected.size()) << what;
    for (size_t i = 0; i < expected.size(); ++i)
        if (!sameBits(actual[i], expected[i])) {
            ADD_FAILURE() << what << ": segment " << i << " of " << expected.size() << " differs";
            return;
        }
}

void expectSameCut(const LayerCutter &expected, const LayerCutter &actual, const std::string &what)
{
    EXPECT_TRUE(sameBits(actual.boundingBox(), expected.boundingBox())) << what;
    EXPECT_TRUE(sameBits(actual.sliceBottom(), expected.sliceBottom())) << what;
    ASSERT_EQ(actual.layerCount(), expected.layerCount()) << what;
    for (int k = 0; k < expected.layerCount(); ++k) {
        const SliceLayer &want = expected.layers()[size_t(k)], &got = actual.layers()[size_t(k)];
        const std::string layer = what + " layer " + std::to_string(k);
        EXPECT_EQ(got.index, want.index) << layer;
        EXPECT_TRUE(sameBits(got.height, want.height)) << layer;
        expectSameSegments(want.meshSegs, got.meshSegs, layer + " mesh");
        expectSameSegments(want.supportSegs, got.supportSegs, layer + " support");
    }
}

// Cuts the setup in one sweep and shared on 1, 2 and 4 threads; returns the one-sweep cut.
LayerCutter expectSharedCutAsOneSweep(const CutSetup &setup, const std::string &what)
{
    LayerCutter reference = cutSetup(setup, 1, true);
    for (const int threads : {1, 2, 4})
        expectSameCut(reference, cutSetup(setup, threads, false), what + " on " + std::to_string(threads));
    return reference;
}

size_t segmentCount(const LayerCutter &cutter)
{
    size_t total = 0;
    for (const SliceLayer &layer : cutter.layers())
        total += layer.meshSegs.size() + layer.supportSegs.size();
    return total;
}

// Triangles of every awkward kind: corners on layer planes (y = 0.125 + 0.25 k with 0.25 mm layers from 0),
// flat ones in a plane, vertical ones, zero-area ones, signed zeros, non-finite and far-away corners.
Faces awkwardSoup(std::mt19937 &rng, int count)
{
    std::uniform_real_distribution<float> coordinate(-30.0f, 30.0f), height(0.0f, 25.0f), unit(0.0f, 1.0f);
    std::uniform_int_distribution<int> plane(0, 99), kind(0, 9);
    auto onPlane = [&] { return 0.125f + 0.25f * float(plane(rng)); };
    auto corner = [&] { return V3f(coordinate(rng), unit(rng) < 0.3f ? onPlane() : height(rng), coordinate(rng)); };
    Faces soup;
    soup.append(Face({0, 0, 0}, {1, 0.0f, 0}, {0, 1, 1})); // fixes the bottom at 0
    while (soup.count() < count) {
        V3f a = corner(), b = corner(), c = corner();
        switch (kind(rng)) {
        case 0: // flat on a plane
            a.y = b.y = c.y = onPlane();
            break;
        case 1: // vertical: all corners above one line
            c.x = a.x + (b.x - a.x) * 0.5f, c.z = a.z + (b.z - a.z) * 0.5f;
            break;
        case 2: // two corners equal
            b = a;
            break;
        case 3: // signed zeros and a corner on the bottom
            a.y = -0.0f, b.y = unit(rng) < 0.5f ? 0.0f : -0.0f;
            break;
        case 4: // one edge on a plane
            a.y = b.y = onPlane();
            break;
        case 5:
            if (unit(rng) < 0.2f)
                b.x = unit(rng) < 0.5f ? NAN : INFINITY;
            else if (unit(rng) < 0.2f)
                c = V3f(1e30f, -1e30f, 1e30f);
            break;
        default:
            break;
        }
        soup.append(Face(a, b, c));
    }
    return soup;
}

} // namespace

TEST(SharedCutting, AwkwardTriangleSoupsGiveTheOneSweepListsBitForBit)
{
    std::mt19937 rng(77);
    for (int round = 0; round < 6; ++round) {
        CutSetup setup;
        setup.items = {{awkwardSoup(rng, 1500 + 1200 * round), M44f()}};
        setup.top = round % 2 == 0 ? 1000.0f : 12.3f;
        const LayerCutter cut = expectSharedCutAsOneSweep(setup, "soup " + std::to_string(round));
        EXPECT_GT(segmentCount(cut), size_t(1000 + 1000 * round)) << "round " << round;
    }
}

TEST(SharedCutting, SeveralPlacedObjectsKeepTheirOrder)
{
    std::mt19937 rng(5);
    for (int round = 0; round < 4; ++round) {
        CutSetup setup;
        // Objects of all sizes, so that shares begin and end inside objects, at their borders and across
        // small and empty ones.
        for (int object = 0; object < 7; ++object) {
            Faces mesh;
            switch ((object + round) % 4) {
            case 0:
                mesh = randomConvexHull(rng, 40);
                break;
            case 1:
                mesh = awkwardSoup(rng, 500);
                break;
            case 2:
                mesh = boxMesh({-1, -1, -1}, {1, 2, 1});
                break;
            default:
                break; // an object without triangles
            }
            M44f placement = randomAffine(rng);
            placement = placement * M44f::scaling({5, 5, 5});
            setup.items.push_back({mesh, placement});
        }
        setup.thickness = setup.firstLayer = 0.1f + 0.07f * float(round);
        setup.bottom = round == 3 ? 4.0f : -1000.0f;
        const LayerCutter cut = expectSharedCutAsOneSweep(setup, "objects " + std::to_string(round));
        EXPECT_GT(segmentCount(cut), 3000u) << "round " << round;
    }
}

TEST(SharedCutting, SupportBarsKeepTheirPlaceBesideTheMeshes)
{
    std::mt19937 rng(31);
    std::uniform_real_distribution<float> coordinate(-20.0f, 20.0f), width(0.5f, 2.0f);
    CutSetup setup;
    setup.items = {{awkwardSoup(rng, 3000), M44f()}, {randomConvexHull(rng, 30), M44f::scaling({8, 8, 8})}};
    for (int bar = 0; bar < 12; ++bar) {
        const V3f lower(coordinate(rng), 0.125f * float(bar % 3), coordinate(rng));
        const V3f upper = lower + V3f(bar % 2 == 0 ? 0.0f : coordinate(rng) * 0.2f, 5.0f + 1.5f * float(bar),
                                      bar % 4 == 1 ? 3.0f : 0.0f);
        const float side = width(rng);
        const float slope = (std::fabs(upper.x - lower.x) + std::fabs(upper.z - lower.z)) / (upper.y - lower.y);
        setup.bars.push_back({supportBarBody(lower, upper, side), side, slope});
    }
    const LayerCutter cut = expectSharedCutAsOneSweep(setup, "bars");
    size_t supportSegs = 0;
    for (const SliceLayer &layer : cut.layers())
        supportSegs += layer.supportSegs.size();
    EXPECT_GT(supportSegs, 12u * 4u * 20u);
}

TEST(SharedCutting, TallTableOfFewTrianglesAndSingleLayers)
{
    std::mt19937 rng(9);
    CutSetup tall;
    tall.items = {{randomConvexHull(rng, 12), M44f::scaling({5, 200, 5})}};
    tall.thickness = tall.firstLayer = 0.01f;
    tall.bottom = -1000.0f;
    EXPECT_GT(expectSharedCutAsOneSweep(tall, "tall").layerCount(), 30000);

    CutSetup flat;
    flat.items = {{awkwardSoup(rng, 2000), M44f::scaling({1, 0.001f, 1})}};
    flat.thickness = flat.firstLayer = 1.0f;
    EXPECT_LE(expectSharedCutAsOneSweep(flat, "flat").layerCount(), 2);
}

// Lists of all sizes, together far more than a huge page, so that runs of them are moved to huge pages; the
// lists get their sizes and zero segments, and memory allocated before them keeps its contents.
TEST(SegmentLists, ListsGetTheirSizesAndNeighboursKeepTheirContents)
{
    std::mt19937 rng(3);
    std::uniform_int_distribution<int> small(0, 3000), large(100000, 400000);
    std::vector<std::vector<Seg2f>> before(20);
    for (size_t i = 0; i < before.size(); ++i)
        before[i].assign(size_t(small(rng)), Seg2f(float(i), 1.0f, 2.0f, float(i) + 3.0f));
    std::vector<std::vector<Seg2f>> lists(300);
    std::vector<std::vector<Seg2f> *> targets;
    std::vector<size_t> sizes;
    for (size_t i = 0; i < lists.size(); ++i) {
        targets.push_back(&lists[i]);
        sizes.push_back(size_t(i % 50 == 7 ? large(rng) : i % 11 == 0 ? 0 : small(rng)));
    }
    allocateSegmentLists(targets, sizes);
    for (size_t i = 0; i < lists.size(); ++i) {
        ASSERT_EQ(lists[i].size(), sizes[i]) << i;
        const bool allZero = std::all_of(lists[i].begin(), lists[i].end(), [](const Seg2f &s) {
            return s.x0 == 0.0f && s.z0 == 0.0f && s.x1 == 0.0f && s.z1 == 0.0f;
        });
        EXPECT_TRUE(allZero) << i;
        for (Seg2f &s : lists[i])
            s = Seg2f(float(i), 0.5f, 0.25f, 0.125f);
    }
    for (size_t i = 0; i < before.size(); ++i)
        for (const Seg2f &s : before[i])
            ASSERT_TRUE(s.x0 == float(i) && s.z0 == 1.0f && s.x1 == 2.0f && s.z1 == float(i) + 3.0f) << i;
    for (size_t i = 0; i < lists.size(); ++i)
        for (const Seg2f &s : lists[i])
            ASSERT_TRUE(s.x0 == float(i) && s.z0 == 0.5f && s.x1 == 0.25f && s.z1 == 0.125f) << i;
}
