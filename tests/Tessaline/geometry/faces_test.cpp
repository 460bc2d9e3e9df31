#include "geometry/facescache.h"
#include "geometry/workerthread.h"
#include "meshtestutil.h"

#include <QBuffer>
#include <QDataStream>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <zlib.h>

namespace
{

// Bit-by-bit CRC-32 (reflected 0xEDB88320), written independently of zlib.
quint32 referenceCrc(const QByteArray &bytes)
{
    quint32 crc = 0xFFFFFFFFu;
    for (char c : bytes) {
        crc ^= quint8(c);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

// The box of one pass over the vertices from the first one, as std::min and std::max keep the bound they have
// on a tie: a NaN first vertex stays, a zero keeps the sign it was first met with.
template <typename Place> Box3f plainBox(const Faces &faces, Place &&place)
{
    Box3f box{place(faces[0].p[0]), place(faces[0].p[0])};
    for (const Face &face : faces.faces())
        for (const V3f &p : face.p)
            for (int a = 0; a < 3; ++a) {
                const float c = place(p)[a];
                box.min[a] = std::min(box.min[a], c);
                box.max[a] = std::max(box.max[a], c);
            }
    return box;
}

bool sameBits(const Box3f &a, const Box3f &b)
{
    return std::memcmp(&a, &b, sizeof(Box3f)) == 0;
}

// Meshes over several blocks whose coordinates are zeros of either sign, with a few NaN corners. The first
// vertex holds the only other values, so the box's other bound on each axis is a zero: which zero it is depends
// on the order in which ties are met. nanFirst starts with a NaN as well.
Faces zeroHeavyMesh(std::mt19937 &rng, int count, bool nanFirst)
{
    const float values[] = {0.0f, -0.0f, NAN};
    Faces faces;
    for (int i = 0; i < count; ++i) {
        V3f p[3];
        for (V3f &v : p)
            for (int a = 0; a < 3; ++a)
                v[a] = values[rng() % (rng() % 100 == 0 ? 3 : 2)];
        faces.append(Face(p[0], p[1], p[2]));
    }
    faces[0].p[0] = nanFirst ? V3f(NAN, -1.5f, 1.5f) : V3f(1.5f, -1.5f, 2.5f);
    return faces;
}

QByteArray vertexBytes(const Faces &faces)
{
    QByteArray bytes;
    for (const Face &face : faces.faces())
        bytes.append(reinterpret_cast<const char *>(face.p), 36);
    return bytes;
}

} // namespace

TEST(FacesHash, IsCrc32OfTheVertexBytesOnlyOnAnyThreadCount)
{
    EXPECT_EQ(referenceCrc("123456789"), 0xCBF43926u); // the reference itself, on the standard check string
    std::mt19937 rng(1);
    for (int count : {0, 1, 7, 2047, 2048, 2049, 5000, 32767, 32768, 32769, 70001}) {
        Faces faces = randomMesh(rng, count);
        const QByteArray bytes = vertexBytes(faces);
        const quint32 expected = referenceCrc(bytes);
        EXPECT_EQ(quint32(crc32(0, reinterpret_cast<const Bytef *>(bytes.constData()), uInt(bytes.size()))), expected);
        for (const int threads : {1, 2, 4}) {
            setWorkerThreadCount(threads);
            EXPECT_EQ(faces.hash(), expected) << count << " triangles on " << threads << " threads";
        }
        Faces changedNormals = faces;
        for (int i = 0; i < changedNormals.count(); ++i)
            changedNormals[i].n = V3f(1, 2, 3);
        changedNormals.shadeVariation = true;
        EXPECT_EQ(changedNormals.hash(), faces.hash());
    }
    setWorkerThreadCount(QThread::idealThreadCount());
}

TEST(FacesCache, BitIdenticalMeshesShareOneEntry)
{
    std::mt19937 rng(2);
    Faces a = randomMesh(rng, 50);
    Faces b;
    for (const Face &face : a.faces())
        b.append(Face(face.p[0], face.p[1], face.p[2]));
    a.shadeVariation = true;
    FacesCache cache;
    Faces *first = cache.add(a);
    Faces *second = cache.add(b);
    EXPECT_EQ(first, second);
    EXPECT_EQ(cache.count(), 1);
    EXPECT_EQ(b.meshHash, a.hash());
    EXPECT_EQ(first->meshHash, a.meshHash);
    EXPECT_TRUE(first->shadeVariation); // the first copy is the one kept
    EXPECT_EQ(cache.get(a.meshHash), first);

    Faces other = randomMesh(rng, 50);
    EXPECT_NE(cache.add(other), first);
    EXPECT_EQ(thrownMessage([&] { cache.get(a.meshHash ^ other.meshHash ^ 1u); }),
              "FacesCache: FATAL error, hash not found.");
    cache.clear();
    EXPECT_EQ(thrownMessage([&] { cache.get(a.meshHash); }), "FacesCache: FATAL error, hash not found.");
}

TEST(Faces, BoundingBoxesAndAlignment)
{
    Faces empty;
    EXPECT_EQ(empty.boundingBox().min, V3f());
    EXPECT_EQ(empty.boundingBox(M44f::translation({5, 5, 5})).max, V3f());

    Faces faces;
    faces.makeBox({{2, 5, -8}, {6, 15, -2}});
    const Box3f moved = faces.boundingBox(M44f::translation({1, 2, 3}) * M44f::scaling({2, 1, 1}));
    EXPECT_EQ(moved.min, V3f(5, 7, -5));
    EXPECT_EQ(moved.max, V3f(13, 17, 1));

    faces.alignTo({0, -1, 0});
    EXPECT_EQ(faces.boundingBox().min, V3f(-2, 0, -3));
    EXPECT_EQ(faces.boundingBox().max, V3f(2, 10, 3));
    faces.alignTo({1, 0, -1});
    EXPECT_EQ(faces.boundingBox().min, V3f(-4, -5, 0));
    EXPECT_EQ(faces.boundingBox().max, V3f(0, 5, 6));
}

TEST(Faces, WholeMeshPassesGiveTheBitsOfOnePassOnAnyThreadCount)
{
    std::mt19937 rng(9);
    const M44f matrix = M44f::translation({1, -2, 3}) * M44f::scaling({2, 0.5f, -1});
    for (const int count : {1, 5, 32768, 32769, 100003}) {
        for (const bool nanFirst : {false, true}) {
            const Faces faces = zeroHeavyMesh(rng, count, nanFirst);
            const Box3f plain = plainBox(faces, [](const V3f &p) { return p; });
            const Box3f mapped = plainBox(faces, [&](const V3f &p) { return matrix.mapPoint(p); });
            Faces shifted = faces, flipped = faces;
            for (int i = 0; i < count; ++i) {
                for (V3f &p : shifted[i].p)
                    p += V3f(0.25f, -0.0f, 3);
                Faces::flip(flipped[i]);
            }
            for (const int threads : {1, 2, 4}) {
                setWorkerThreadCount(threads);
                EXPECT_TRUE(sameBits(faces.boundingBox(), plain)) << count << " on " << threads << " threads";
                EXPECT_TRUE(sameBits(faces.boundingBox(matrix), mapped)) << count << " on " << threads << " threads";
                Faces edited = faces;
                edited.translate({0.25f, -0.0f, 3});
                EXPECT_EQ(std::memcmp(edited.constData(), shifted.constData(), size_t(count) * sizeof(Face)), 0);
                edited = faces;
                edited.flipAll();
                EXPECT_EQ(std::memcmp(edited.constData(), flipped.constData(), size_t(count) * sizeof(Face)), 0);
            }
        }
    }
    setWorkerThreadCount(QThread::idealThreadCount());
}

TEST(Faces, ZeroTranslationKeepsSharedDataAndCopiesAreIndependent)
{
    std::mt19937 rng(4);
    const Faces original = randomMesh(rng, 10);
    Faces copy = original;
    copy.translate({0, 0, 0});
    EXPECT_EQ(copy.constData(), original.constData());
    copy.translate({0, 1, 0});
    EXPECT_NE(copy.constData(), original.constData());
    EXPECT_EQ(copy[3].p[1].y, original[3].p[1].y + 1);
    EXPECT_EQ(copy[3].n, original[3].n);
}

TEST(Faces, BoxSidesHaveExactOutwardNormalsMatchingTheirWinding)
{
    Faces box;
    box.makeBox({{-1, 0, -3}, {2, 4, 3}});
    ASSERT_EQ(box.count(), 12);
    const V3f centre = box.boundingBox().center();
    for (const Face &face : box.faces()) {
        EXPECT_EQ(std::fabs(face.n.x) + std::fabs(face.n.y) + std::fabs(face.n.z), 1.0f);
        EXPECT_EQ(Face::normalOf(face.p[0], face.p[1], face.p[2]), face.n);
        EXPECT_GT(dot(face.centroid() - centre, face.n), 0.0);
    }
}

TEST(Faces, FlipAndTransformed)
{
    const Face face({0, 0, 0}, {1, 0, 0}, {0, 0, -1});
    Face flipped = face;
    Faces::flip(flipped);
    EXPECT_EQ(flipped.p[1], face.p[2]);
    EXPECT_EQ(flipped.n, V3f(0, -1, 0));

    const M44f mirror = M44f::scaling({1, -1, 1});
    EXPECT_EQ(Faces::transformed(face, mirror, false).n, V3f());
    const Face mirrored = Faces::transformed(face, M44f::translation({0, 3, 0}) * mirror, true);
    EXPECT_EQ(mirrored.p[2], V3f(0, 3, -1));
    EXPECT_EQ(mirrored.n, V3f(0, 1, 0)); // a mirror in y keeps this flat triangle's winding as seen from +y
    EXPECT_EQ(Face({1, 1, 1}, {2, 2, 2}, {3, 3, 3}).n, V3f()); // degenerate triangles have no normal
}

TEST(FacesStream, RoundTripInBothPrecisionsAndTruncatedData)
{
    std::mt19937 rng(6);
    const Faces original = randomMesh(rng, 100);
    for (auto precision : {QDataStream::SinglePrecision, QDataStream::DoublePrecision}) {
        QByteArray bytes;
        {
            QDataStream out(&bytes, QIODevice::WriteOnly);
            out.setFloatingPointPrecision(precision);
            out << original;
        }
        EXPECT_EQ(bytes.size(), 4 + 100 * 9 * (precision == QDataStream::SinglePrecision ? 4 : 8));
        QDataStream in(bytes);
        in.setFloatingPointPrecision(precision);
        Faces loaded;
        in >> loaded;
        EXPECT_TRUE(sameVertices(loaded, original));
        EXPECT_EQ(loaded[5].n, original[5].n);

        // Cut inside the 41st triangle: 40 whole ones survive and the stream reports the short read.
        QDataStream cut(bytes.left(4 + 40 * 9 * (precision == QDataStream::SinglePrecision ? 4 : 8) + 7));
        cut.setFloatingPointPrecision(precision);
        cut >> loaded;
        EXPECT_EQ(loaded.count(), 40);
        EXPECT_EQ(cut.status(), QDataStream::ReadPastEnd);
    }
}

TEST(FacesStream, HugeCountReservesOnlyWhatTheDataHolds)
{
    QByteArray bytes;
    {
        QDataStream out(&bytes, QIODevice::WriteOnly);
        out.setFloatingPointPrecision(QDataStream::SinglePrecision);
        out << qint32(0x7FFFFFFF);
        for (int i = 0; i < 9; ++i)
            out << float(i);
    }
    QDataStream in(bytes);
    in.setFloatingPointPrecision(QDataStream::SinglePrecision);
    Faces loaded;
    in >> loaded;
    EXPECT_EQ(loaded.count(), 1);
    EXPECT_LE(loaded.faces().capacity(), 16);
}
