#include "faces.h"
#include "raygrid.h"
#include "shapes.h"
#include "workerthread.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace
{

// What the grid must reproduce: every triangle tested.
int plainCount(const Faces &faces, const V3f &origin, const V3f &dir, int skip)
{
    return faces.countRayHits(origin, origin + dir, skip);
}

Faces gridShapes()
{
    // A fine sphere, a voxel staircase whose edges and corners lie on round coordinates (rays along the
    // axes run exactly through them), and a thin sliver of a box far from the rest.
    Faces faces = makeSphere(20, 160, 80);
    const Faces cells = makeCells({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {2, 1, 0}, {2, 2, 1}, {0, 0, 1}}, 5);
    for (const Face &face : cells.faces())
        faces.append(face);
    Faces sliver;
    sliver.makeBox({{30, -2, -0.01f}, {60, 2, 0.01f}});
    for (const Face &face : sliver.faces())
        faces.append(face);
    return faces;
}

// A ray of one of three kinds, taking turns: from a triangle along its normal (skipping it), as the orientation
// vote casts them; from anywhere towards somewhere among the shapes; along an axis on the voxel grid's lines,
// through shared edges and corners.
struct TestRay {
    V3f origin, dir;
    int skip = -1;
};

TestRay randomRay(std::mt19937 &rng, const Faces &faces, int round)
{
    std::uniform_real_distribution<float> coordinate(-70.0f, 70.0f);
    std::uniform_int_distribution<int> anyFace(0, faces.count() - 1);
    std::uniform_int_distribution<int> small(-3, 15);
    const V3f axes[] = {{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}};
    TestRay ray;
    switch (round % 3) {
    case 0: {
        ray.skip = anyFace(rng);
        const Face &face = faces[ray.skip];
        ray.origin = face.centroid();
        ray.dir = (ray.origin + face.n) - ray.origin;
        break;
    }
    case 1:
        ray.origin = V3f(coordinate(rng), coordinate(rng), coordinate(rng));
        ray.dir = V3f(coordinate(rng), coordinate(rng), coordinate(rng)) * 0.3f - ray.origin;
        break;
    default:
        ray.origin = V3f(5.0f * small(rng), 5.0f * small(rng), 5.0f * small(rng));
        ray.dir = axes[rng() % 6];
        break;
    }
    return ray;
}

// Copies of triangles with a NaN corner at random places: the grid leaves them out, and the hit test never
// counts them.
Faces withBrokenTriangles(const Faces &faces, std::mt19937 &rng)
{
    Faces mixed;
    for (const Face &face : faces.faces()) {
        mixed.append(face);
        if (rng() % 100 == 0) {
            Face broken = face;
            broken.p[rng() % 3][int(rng() % 3)] = NAN;
            mixed.append(broken);
        }
    }
    return mixed;
}

} // namespace

TEST(RayGrid, CountsEqualTheTriangleByTriangleCountForManyRaysOnAnyThreadCount)
{
    std::mt19937 rng(7);
    const Faces faces = withBrokenTriangles(gridShapes(), rng);
    ASSERT_GT(faces.count(), RayGrid::worthwhileTriangles);
    for (const int threads : {1, 2, 4}) {
        setWorkerThreadCount(threads);
        const RayGrid grid(faces.constData(), faces.count());
        int nonZero = 0;
        for (int round = 0; round < 1500; ++round) {
            const TestRay ray = randomRay(rng, faces, round);
            const int expected = plainCount(faces, ray.origin, ray.dir, ray.skip);
            nonZero += expected > 0;
            ASSERT_EQ(grid.countHits(ray.origin, ray.dir, ray.skip), expected)
                << threads << " threads, round " << round << " origin " << ray.origin.x << "," << ray.origin.y << ","
                << ray.origin.z << " dir " << ray.dir.x << "," << ray.dir.y << "," << ray.dir.z;
        }
        EXPECT_GT(nonZero, 250) << "the rays must meet the shapes often enough to mean something";
    }
    setWorkerThreadCount(QThread::idealThreadCount());
}

TEST(RayGrid, LargeMeshesAreTurnedOutwardLikeSmallOnes)
{
    Faces sphere = makeSphere(15, 200, 100);
    ASSERT_GT(sphere.count(), RayGrid::worthwhileTriangles);
    EXPECT_TRUE(sphere.isOutward());
    sphere.flipAll();
    EXPECT_FALSE(sphere.isOutward());
}

TEST(RayGrid, FlatAndDegenerateMeshesAndRaysAreSafe)
{
    Faces flat; // every triangle in the plane y = 0
    for (int i = 0; i < 200; ++i)
        flat.append(Face(V3f(float(i), 0, 0), V3f(float(i) + 1, 0, 0), V3f(float(i), 0, 1)));
    const RayGrid grid(flat.constData(), flat.count());
    EXPECT_EQ(grid.countHits(V3f(10.2f, 5, 0.3f), V3f(0, -1, 0), -1), 1);
    EXPECT_EQ(grid.countHits(V3f(10.2f, 5, 0.3f), V3f(0, 0, 0), -1), 0);
    EXPECT_EQ(grid.countHits(V3f(NAN, 5, 0.3f), V3f(0, -1, 0), -1), 0);
    const RayGrid empty(nullptr, 0);
    EXPECT_EQ(empty.countHits(V3f(0, 0, 0), V3f(1, 0, 0), -1), 0);
}

TEST(RayGrid, HugeOverlappingTrianglesAreTestedOneByOneInsteadOfBinned)
{
    // Every triangle spans a large part of the box, so binning would need thousands of entries per triangle
    // (about 10^8 in all): the grid gives up on it quickly and its counts still equal the plain loop.
    std::mt19937 rng(5);
    std::uniform_real_distribution<float> coordinate(-100.0f, 100.0f);
    Faces faces;
    for (int i = 0; i < RayGrid::worthwhileTriangles + 1; ++i) {
        V3f p[3];
        for (V3f &v : p)
            v = V3f(coordinate(rng), coordinate(rng), coordinate(rng));
        faces.append(Face(p[0], p[1], p[2]));
    }
    for (const int threads : {1, 2}) {
        setWorkerThreadCount(threads);
        const RayGrid grid(faces.constData(), faces.count());
        for (int round = 0; round < 200; ++round) {
            const V3f origin(coordinate(rng), coordinate(rng), coordinate(rng));
            const V3f dir = V3f(coordinate(rng), coordinate(rng), coordinate(rng)) - origin;
            const int skip = round % 2 ? int(rng() % unsigned(faces.count())) : -1;
            ASSERT_EQ(grid.countHits(origin, dir, skip), plainCount(faces, origin, dir, skip)) << round;
        }
    }
    setWorkerThreadCount(QThread::idealThreadCount());
}
