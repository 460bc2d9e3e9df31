#include "geometry/stlwriter.h"
#include "meshtestutil.h"
#include "shapes.h"

#include <gtest/gtest.h>

namespace
{

Faces unitBox()
{
    Faces box;
    box.makeBox({{-1, -1, -1}, {1, 1, 1}});
    return box;
}

bool allFacingOutFrom(const Faces &faces, const V3f &centre)
{
    for (const Face &face : faces.faces())
        if (dot(face.centroid() - centre, face.n) <= 0.0)
            return false;
    return true;
}

} // namespace

TEST(MeshRay, RayPickFindsTheNearestTriangleFacingTheRequestedWay)
{
    const Faces box = unitBox();
    V3f hit, normal;
    // From outside towards the box: the near side faces the origin (!frontOnly).
    int index = box.rayPick({0.2f, 0.3f, 10}, {0.2f, 0.3f, 0}, false, hit, normal);
    ASSERT_GE(index, 0);
    EXPECT_EQ(hit, V3f(0.2f, 0.3f, 1));
    EXPECT_EQ(normal, V3f(0, 0, 1));
    // frontOnly: only the far side, whose normal points along the ray.
    index = box.rayPick({0.2f, 0.3f, 10}, {0.2f, 0.3f, 0}, true, hit, normal);
    ASSERT_GE(index, 0);
    EXPECT_EQ(hit, V3f(0.2f, 0.3f, -1));
    EXPECT_EQ(normal, V3f(0, 0, -1));
    // Pointing away: the ray is a half-line, nothing behind the origin counts.
    EXPECT_EQ(box.rayPick({0, 0, 10}, {0, 0, 20}, false, hit, normal), -1);
    EXPECT_EQ(box.rayPick({0, 0, 10}, {0, 0, 20}, true, hit, normal), -1);
}

TEST(MeshRay, CountRayHitsCountsCrossingsAndSkipsOneTriangle)
{
    const Faces box = unitBox();
    EXPECT_EQ(box.countRayHits({0.3f, 0.1f, -5}, {0.3f, 0.1f, 5}, -1), 2);
    EXPECT_EQ(box.countRayHits({0.3f, 0.1f, 0}, {0.3f, 0.1f, 5}, -1), 1);
    EXPECT_EQ(box.countRayHits({5, 5, 5}, {6, 6, 6}, -1), 0);
    V3f hit, normal;
    const int near = box.rayPick({0.3f, 0.1f, -5}, {0.3f, 0.1f, 5}, false, hit, normal);
    EXPECT_EQ(box.countRayHits({0.3f, 0.1f, -5}, {0.3f, 0.1f, 5}, near), 1);
}

TEST(MeshRay, InsideVolumeNeedsAllOrAnyVertexStrictlyInside)
{
    const Faces box = unitBox();
    // The slab -2 < x < 0.5 with the other four planes far away.
    VolumePlanes planes = {{{1, 0, 0, 2}, {-1, 0, 0, 0.5f}, {0, 1, 0, 9}, {0, -1, 0, 9}, {0, 0, 1, 9}, {0, 0, -1, 9}}};
    EXPECT_TRUE(box.insideVolume(planes, false));
    EXPECT_FALSE(box.insideVolume(planes, true));
    planes[1] = {-1, 0, 0, 1}; // x < 1: the vertices at x = 1 lie on the plane, which is outside
    EXPECT_FALSE(box.insideVolume(planes, true));
    planes[1] = {-1, 0, 0, 1.001f};
    EXPECT_TRUE(box.insideVolume(planes, true));
}

TEST(MeshOrientation, ClosedMeshesWoundBackwardsComeOutOfImportOutward)
{
    QTemporaryDir dir;
    const QVector<Faces> shapes = {unitBox(), makeSphere(10, 24, 12), makeTorus(20, 5, 36, 12),
                                   makeCells({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {1, 2, 0}, {0, 0, 1}}, 10)};
    int shapeIndex = 0;
    for (Faces shape : shapes) {
        EXPECT_TRUE(shape.isOutward()) << shapeIndex;
        Faces backwards = shape;
        backwards.flipAll();
        EXPECT_FALSE(backwards.isOutward()) << shapeIndex;
        for (const char *name : {"shape.stl", "shape.obj"}) {
            backwards.exportFata(dir.filePath(name), true);
            Faces loaded;
            loaded.importFile(dir.filePath(name));
            ASSERT_EQ(loaded.count(), shape.count());
            EXPECT_TRUE(loaded.isOutward()) << shapeIndex << name;
            if (shapeIndex < 2) // convex: every normal points away from the centre
                EXPECT_TRUE(allFacingOutFrom(loaded, loaded.boundingBox().center())) << shapeIndex << name;
        }
        ++shapeIndex;
    }
}

TEST(MeshImport, MissingFilesAndUnknownExtensionsFailWithTheirMessages)
{
    QTemporaryDir dir;
    const QString missing = dir.filePath("none.stl");
    Faces faces = unitBox();
    EXPECT_EQ(thrownMessage([&] { faces.importFile(missing); }), "Faces::importFile() File not found: " + missing);
    EXPECT_EQ(faces.count(), 0); // cleared before reading
    const QString text = writeTempFile(dir, "model.3mf", "solid ");
    EXPECT_EQ(thrownMessage([&] { faces.importFile(text); }), "Faces::importFile() unsupported extension: .3mf");
    const QString empty = writeTempFile(dir, "empty.StL", "");
    EXPECT_EQ(thrownMessage([&] { faces.importFile(empty); }), "STL loader: empty file.");
}
