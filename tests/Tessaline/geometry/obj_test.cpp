#include "common/files.h"
#include "geometry/objreader.h"
#include "geometry/objwriter.h"
#include "meshtestutil.h"

#include <cmath>
#include <gtest/gtest.h>

namespace
{

Faces readAll(const QByteArray &data)
{
    Faces faces;
    readObj(faces, data);
    return faces;
}

const QByteArray sixVertices = "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nv 0 0 1\nv 1 0 1\n";

} // namespace

TEST(ObjReader, PolygonsFanFromTheirFirstVertex)
{
    const Faces faces = readAll(sixVertices + "f 1/2/3 2/3/4 3/4/5 4/5/6\n");
    ASSERT_EQ(faces.count(), 2);
    EXPECT_EQ(faces[0].p[0], V3f(0, 0, 0));
    EXPECT_EQ(faces[0].p[2], V3f(1, 1, 0));
    EXPECT_EQ(faces[1].p[1], V3f(1, 1, 0));
    EXPECT_EQ(faces[1].p[2], V3f(0, 1, 0));
    EXPECT_EQ(faces[0].n, V3f(0, 0, 1));
}

TEST(ObjReader, NegativeIndicesCountBackFromTheLastVertexReadSoFar)
{
    const Faces faces = readAll("v 0 0 0\nv 1 0 0\nv 0 1 0\nf -1 -2 -3\nv 5 5 5\nf -1 1 2\n");
    ASSERT_EQ(faces.count(), 2);
    EXPECT_EQ(faces[0].p[0], V3f(0, 1, 0));
    EXPECT_EQ(faces[0].p[2], V3f(0, 0, 0));
    EXPECT_EQ(faces[1].p[0], V3f(5, 5, 5));
}

TEST(ObjReader, BadFacesAndShortLinesAreSkipped)
{
    const Faces faces = readAll("v 0 0 0\nv 1 0 0\nv 0 1 0\n"
                                "f 1 2 4\n" // vertex 4 is defined later
                                "v 1 1\n"   // two coordinates: ignored
                                "v 0 0 1\n" // becomes vertex 4
                                "f 1 2 x\nf 0 1 2\nf 1 2 99999999999999999999\nf -5 1 2\nf 1 2\n"
                                "vn 0 0 1\ng part\n# f 1 2 3\nusemtl red\n"
                                "f 1 2 4\n");
    ASSERT_EQ(faces.count(), 1);
    EXPECT_EQ(faces[0].p[2], V3f(0, 0, 1));
}

TEST(ObjReader, TrianglesOnNonFiniteVerticesAreDroppedButNumberingKept)
{
    const Faces faces = readAll("v 0 0 0\nv nan 0 0\nv 1 0 0\nv 0 1 0\nv 1e40 0 0\n"
                                "f 1 2 3\nf 1 3 4\nf 1 4 5\nf 3 4 1 2\n");
    ASSERT_EQ(faces.count(), 2);
    EXPECT_EQ(faces[0].p[2], V3f(0, 1, 0));
    EXPECT_EQ(faces[1].p[0], V3f(1, 0, 0)); // the fan (3, 4, 1) survives, (3, 1, 2) does not
}

TEST(ObjWriter, IsByteExactWithCrLfAndSharedVertices)
{
    Faces faces;
    faces.append(Face({0, 0, 0}, {1.5f, 0, 0}, {0, 2.25f, -1.0005f}));
    faces.append(Face({0, 0, 0}, {0, 2.25f, -1.0005f}, {0, 0, 3}));
    EXPECT_EQ(writeObj(faces), QByteArray("v 0.000 0.000 0.000\r\nv 1.500 0.000 0.000\r\nv 0.000 2.250 -1.000\r\n"
                                          "v 0.000 0.000 3.000\r\nf 1 2 3\r\nf 1 3 4\r\n"));
}

TEST(ObjRoundTrip, VerticesComeBackRoundedToThreeDecimalsAndIndicesStayValid)
{
    std::mt19937 rng(9);
    // Many repeated vertices, so that the de-duplication window is exercised past its first thousand.
    Faces original;
    std::uniform_int_distribution<int> pick(0, 2999);
    for (int i = 0; i < 4000; ++i) {
        auto vertex = [&] {
            const int k = pick(rng);
            return V3f(float(k % 17) * 0.125f, float(k / 17) * 0.5f, float(k % 5) - 2.0f);
        };
        original.append(Face(vertex(), vertex(), vertex()));
    }
    const Faces random = randomMesh(rng, 300);
    for (const Face &face : random.faces())
        original.append(face);

    QTemporaryDir dir;
    const QString path = dir.filePath("mesh.OBJ");
    original.exportFata(path, true);
    Faces loaded;
    readObj(loaded, readFile(path, true));
    ASSERT_EQ(loaded.count(), original.count());
    for (int i = 0; i < loaded.count(); ++i)
        for (int k = 0; k < 3; ++k)
            for (int axis = 0; axis < 3; ++axis)
                ASSERT_NEAR(loaded[i].p[k][axis], std::round(original[i].p[k][axis] * 1000.0) / 1000.0, 1e-3) << i;
}
