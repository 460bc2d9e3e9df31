#include "geometry/faces.h"
#include "geometry/raybatch.h"
#include "geometry/workerthread.h"
#include "shapes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace
{

// What the batch must reproduce: every triangle tested.
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
MeshRay randomRay(std::mt19937 &rng, const Faces &faces, int round)
{
    std::uniform_real_distribution<float> coordinate(-70.0f, 70.0f);
    std::uniform_int_distribution<int> anyFace(0, faces.count() - 1);
    std::uniform_int_distribution<int> small(-3, 15);
    const V3f axes[] = {{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}};
    MeshRay ray;
    switch (round % 3) {
    case 0: {
        ray.skipIndex = anyFace(rng);
        const Face &face = faces[ray.skipIndex];
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

// Copies of triangles with a NaN corner at random places: the batch leaves them out, and the hit test never
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

TEST(RayBatch, CountsEqualTheTriangleByTriangleCountForManyRaysOnAnyThreadCount)
{
    std::mt19937 rng(7);
    const Faces faces = withBrokenTriangles(gridShapes(), rng);
    for (const int threads : {1, 2, 4}) {
        setWorkerThreadCount(threads);
        int nonZero = 0;
        // Batches of the orientation vote's size and one of a single ray.
        for (const int batchSize : {150, 150, 150, 150, 150, 150, 150, 150, 150, 150, 1}) {
            std::vector<MeshRay> rays;
            for (int k = 0; k < batchSize; ++k)
                rays.push_back(randomRay(rng, faces, int(rays.size()) + batchSize));
            const std::vector<int> hits = countRayHitsOnMesh(faces.constData(), faces.count(), rays);
            ASSERT_EQ(hits.size(), rays.size());
            for (size_t r = 0; r < rays.size(); ++r) {
                const MeshRay &ray = rays[r];
                const int expected = plainCount(faces, ray.origin, ray.dir, ray.skipIndex);
                nonZero += expected > 0;
                ASSERT_EQ(hits[r], expected)
                    << threads << " threads, ray " << r << " origin " << ray.origin.x << "," << ray.origin.y << ","
                    << ray.origin.z << " dir " << ray.dir.x << "," << ray.dir.y << "," << ray.dir.z;
            }
        }
        EXPECT_GT(nonZero, 250) << "the rays must meet the shapes often enough to mean something";
    }
    setWorkerThreadCount(QThread::idealThreadCount());
}

TEST(RayBatch, MeshesOfAnySizeAreTurnedOutward)
{
    for (const int segments : {8, 40, 200}) {
        Faces sphere = makeSphere(15, segments, segments / 2);
        EXPECT_TRUE(sphere.isOutward()) << segments;
        sphere.flipAll();
        EXPECT_FALSE(sphere.isOutward()) << segments;
    }
}

TEST(RayBatch, FlatAndDegenerateMeshesAndRaysAreSafe)
{
    Faces flat; // every triangle in the plane y = 0
    for (int i = 0; i < 200; ++i)
        flat.append(Face(V3f(float(i), 0, 0), V3f(float(i) + 1, 0, 0), V3f(float(i), 0, 1)));
    const std::vector<MeshRay> rays{{V3f(10.2f, 5, 0.3f), V3f(0, -1, 0), -1},
                                    {V3f(10.2f, 5, 0.3f), V3f(0, 0, 0), -1},
                                    {V3f(NAN, 5, 0.3f), V3f(0, -1, 0), -1},
                                    {V3f(10.2f, 5, 0.3f), V3f(0, -1, INFINITY), -1},
                                    {V3f(10.2f, 5, 0.3f), V3f(0, -1, 0), 10}};
    EXPECT_EQ(countRayHitsOnMesh(flat.constData(), flat.count(), rays), std::vector<int>({1, 0, 0, 0, 0}));
    EXPECT_EQ(countRayHitsOnMesh(nullptr, 0, rays), std::vector<int>(rays.size(), 0));
    EXPECT_TRUE(countRayHitsOnMesh(flat.constData(), flat.count(), {}).empty());
    Faces broken; // no finite corner anywhere
    broken.append(Face(V3f(NAN, 0, 0), V3f(1, NAN, 0), V3f(0, 0, INFINITY)));
    EXPECT_EQ(countRayHitsOnMesh(broken.constData(), broken.count(), rays), std::vector<int>(rays.size(), 0));
}

TEST(RayBatch, HugeOverlappingTrianglesAreTestedAgainstEveryRayInsteadOfCellByCell)
{
    // Every triangle spans a large part of the box, so visiting its cells would take thousands of steps per
    // triangle: it is tested against each ray instead, and the counts still equal the plain loop.
    std::mt19937 rng(5);
    std::uniform_real_distribution<float> coordinate(-100.0f, 100.0f);
    Faces faces;
    for (int i = 0; i < 20000; ++i) {
        V3f p[3];
        for (V3f &v : p)
            v = V3f(coordinate(rng), coordinate(rng), coordinate(rng));
        faces.append(Face(p[0], p[1], p[2]));
    }
    for (const int threads : {1, 2}) {
        setWorkerThreadCount(threads);
        std::vector<MeshRay> rays;
        for (int round = 0; round < 100; ++round) {
            const V3f origin(coordinate(rng), coordinate(rng), coordinate(rng));
            const V3f dir = V3f(coordinate(rng), coordinate(rng), coordinate(rng)) - origin;
            rays.push_back({origin, dir, round % 2 ? int(rng() % unsigned(faces.count())) : -1});
        }
        const std::vector<int> hits = countRayHitsOnMesh(faces.constData(), faces.count(), rays);
        for (size_t r = 0; r < rays.size(); ++r)
            ASSERT_EQ(hits[r], plainCount(faces, rays[r].origin, rays[r].dir, rays[r].skipIndex)) << r;
    }
    setWorkerThreadCount(QThread::idealThreadCount());
}
