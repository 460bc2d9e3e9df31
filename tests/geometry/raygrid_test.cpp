#include "faces.h"
#include "raygrid.h"
#include "shapes.h"

#include <gtest/gtest.h>

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

} // namespace

TEST(RayGrid, CountsEqualTheTriangleByTriangleCountForManyRays)
{
    const Faces faces = gridShapes();
    ASSERT_GT(faces.count(), RayGrid::worthwhileTriangles);
    const RayGrid grid(faces.constData(), faces.count());
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> coordinate(-70.0f, 70.0f);
    std::uniform_int_distribution<int> anyFace(0, faces.count() - 1);
    std::uniform_int_distribution<int> small(-3, 15);
    const V3f axes[] = {{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}};
    int nonZero = 0;
    for (int round = 0; round < 3000; ++round) {
        V3f origin, dir;
        int skip = -1;
        switch (round % 3) {
        case 0: { // from a triangle along its normal, as the orientation vote does
            skip = anyFace(rng);
            const Face &face = faces[skip];
            origin = face.centroid();
            dir = (origin + face.n) - origin;
            break;
        }
        case 1: // from anywhere towards somewhere among the shapes
            origin = V3f(coordinate(rng), coordinate(rng), coordinate(rng));
            dir = V3f(coordinate(rng), coordinate(rng), coordinate(rng)) * 0.3f - origin;
            break;
        default: // on the voxel grid's lines, along an axis: through shared edges and corners
            origin = V3f(5.0f * small(rng), 5.0f * small(rng), 5.0f * small(rng));
            dir = axes[rng() % 6];
            break;
        }
        const int expected = plainCount(faces, origin, dir, skip);
        nonZero += expected > 0;
        ASSERT_EQ(grid.countHits(origin, dir, skip), expected)
            << "round " << round << " origin " << origin.x << "," << origin.y << "," << origin.z << " dir " << dir.x
            << "," << dir.y << "," << dir.z;
    }
    EXPECT_GT(nonZero, 500) << "the rays must meet the shapes often enough to mean something";
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
