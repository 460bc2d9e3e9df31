#include "geometry/faces.h"

#include "geometry/objreader.h"
#include "geometry/objwriter.h"
#include "geometry/stlreader.h"
#include "geometry/stlwriter.h"
#include "geometry/workerthread.h"

#include <QDataStream>
#include <QFileInfo>
#include <QIODevice>
#include <QSaveFile>
#include <QtEndian>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <limits>
#include <vector>
#include <zlib.h>

namespace
{

QString extensionOf(const QString &path)
{
    return "." + QFileInfo(path).suffix();
}

bool hasExtension(const QString &extension, const char *wanted)
{
    return extension.compare(QLatin1String(wanted), Qt::CaseInsensitive) == 0;
}

// Whole-mesh passes run on all threads in blocks of this many triangles (about a megabyte).
constexpr int facesPerBlock = 1 << 15;
constexpr int vertexBytes = 9 * sizeof(float);

int blockCount(int faces)
{
    return faces <= 0 ? 0 : (faces - 1) / facesPerBlock + 1;
}

// Runs edit(face) for every triangle, by blocks on all threads.
template <typename Edit> void forEachFace(QVector<Face> &faces, Edit &&edit)
{
    if (faces.isEmpty())
        return;
    Face *data = faces.data();
    const int total = faces.size();
    paralellEach(blockCount(total), [&](int b, int) {
        for (int i = b * facesPerBlock; i < std::min(total, (b + 1) * facesPerBlock); ++i)
            edit(data[i]);
    });
}

// The box of place(p) over every vertex p of a mesh that is not empty, by blocks on all threads. Each block
// starts from the first vertex and the blocks are joined in order, keeping the earlier bound on a tie, so the
// box is exactly that of one pass from the first vertex (the sign of a zero and a NaN first vertex included).
template <typename Place> Box3f boundsOf(const QVector<Face> &faces, Place &&place)
{
    const Face *data = faces.constData();
    const int total = faces.size();
    const V3f first = place(data[0].p[0]);
    std::vector<Box3f> boxOf(static_cast<size_t>(blockCount(total)));
    paralellEach(blockCount(total), [&](int b, int) {
        Box3f box{first, first}; // local, so that it stays in registers
        for (int i = b * facesPerBlock; i < std::min(total, (b + 1) * facesPerBlock); ++i)
            for (const V3f &p : data[i].p)
                box.include(place(p));
        boxOf[size_t(b)] = box;
    });
    Box3f box{first, first};
    for (const Box3f &blockBox : boxOf)
        box = box.united(blockBox);
    return box;
}

// CRC-32 of the vertex bytes of `count` triangles, gathered into a buffer first: one zlib call per 36 bytes
// would cost more than the copy.
uLong vertexCrc(const Face *faces, int count)
{
    static_assert(offsetof(Face, p) == 0, "the vertices open the record");
    constexpr int facesPerCall = 2048;
    unsigned char buffer[facesPerCall * vertexBytes];
    uLong crc = crc32(0L, Z_NULL, 0);
    for (int start = 0; start < count; start += facesPerCall) {
        const int n = std::min(facesPerCall, count - start);
        for (int i = 0; i < n; ++i)
            std::memcpy(buffer + i * vertexBytes, &faces[start + i], vertexBytes);
        crc = crc32(crc, buffer, uInt(n * vertexBytes));
    }
    return crc;
}

} // namespace

void Faces::importFile(const QString &path)
{
    clear();
    QFileInfo info(path);
    if (!info.exists() || !info.isFile())
        throw QString("Faces::importFile() File not found: " + path);
    const QString extension = extensionOf(path);
    const bool isStl = hasExtension(extension, ".stl");
    if (!isStl && !hasExtension(extension, ".obj"))
        throw QString("Faces::importFile() unsupported extension: " + extension);
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            throw QString("Faces::importFile() File not found: " + path);
        // Mapped rather than copied when the system allows: a big mesh file is read once, front to back, and
        // let go of (closing the file unmaps it) before the orientation check needs memory of its own.
        const qint64 size = file.size();
        const uchar *mapped = size > 0 && size < std::numeric_limits<int>::max() ? file.map(0, size) : nullptr;
        const QByteArray data =
            mapped ? QByteArray::fromRawData(reinterpret_cast<const char *>(mapped), int(size)) : file.readAll();
        if (isStl)
            readStl(*this, data);
        else
            readObj(*this, data);
    }
    if (!isOutward())
        flipAll();
}

void Faces::exportFata(const QString &path, bool binary) const
{
    const QString extension = extensionOf(path);
    QByteArray data;
    if (hasExtension(extension, ".stl"))
        data = binary ? writeStlBinary(*this) : writeStlAscii(*this);
    else if (hasExtension(extension, ".obj"))
        data = writeObj(*this);
    else
        throw QString("Faces::exportFata() unsupported extension: " + extension);
    // Written aside and renamed, so a full disk never leaves half a file in place of a good one.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size() || !file.commit())
        throw QString("Faces::exportFata() cannot write: " + path);
}

void Faces::clear()
{
    m_faces.clear();
    meshHash = 0;
}

Box3f Faces::boundingBox() const
{
    if (m_faces.isEmpty())
        return {};
    return boundsOf(m_faces, [](const V3f &p) { return p; });
}

Box3f Faces::boundingBox(const M44f &matrix) const
{
    if (m_faces.isEmpty())
        return {};
    return boundsOf(m_faces, [&](const V3f &p) { return matrix.mapPoint(p); });
}

quint32 Faces::hash() const
{
    static_assert(Q_BYTE_ORDER == Q_LITTLE_ENDIAN, "the hash is defined over little-endian floats");
    // Blocks hashed on all threads and chained in order: crc32_combine gives the CRC of two pieces joined
    // from the CRCs of the pieces, so the value is that of one pass over all the vertex bytes.
    const Face *faces = m_faces.constData();
    const int total = m_faces.size();
    const int blocks = blockCount(total);
    std::vector<uLong> crcOf(static_cast<size_t>(blocks));
    paralellEach(blocks, [&](int b, int) {
        const int first = b * facesPerBlock;
        crcOf[size_t(b)] = vertexCrc(faces + first, std::min(facesPerBlock, total - first));
    });
    uLong crc = crc32(0L, Z_NULL, 0);
    for (int b = 0; b < blocks; ++b) {
        const int n = std::min(facesPerBlock, total - b * facesPerBlock);
        crc = crc32_combine(crc, crcOf[size_t(b)], z_off_t(n) * z_off_t(vertexBytes));
    }
    return quint32(crc);
}

void Faces::translate(const V3f &d)
{
    if (d.isZero())
        return;
    const V3f shift = d; // a copy: d might lie in the mesh itself
    forEachFace(m_faces, [shift](Face &face) {
        for (V3f &p : face.p)
            p += shift;
    });
}

void Faces::alignTo(const V3f &a)
{
    const Box3f box = boundingBox();
    V3f d;
    for (int axis = 0; axis < 3; ++axis)
        d[axis] = -(box.max[axis] - box.min[axis]) / 2 * a[axis] - (box.max[axis] + box.min[axis]) / 2;
    translate(d);
}

void Faces::flipAll()
{
    forEachFace(m_faces, [](Face &face) { flip(face); });
}

void Faces::makeBox(const Box3f &box)
{
    const V3f lo = box.min, hi = box.max;
    auto corner = [&](int ix, int iy, int iz) { return V3f(ix ? hi.x : lo.x, iy ? hi.y : lo.y, iz ? hi.z : lo.z); };
    // Per side: the axis, which end of it, and four corners counter-clockwise seen from outside.
    struct Side {
        V3f normal;
        int corners[4][3];
    };
    static const Side sides[6] = {
        {{-1, 0, 0}, {{0, 0, 0}, {0, 0, 1}, {0, 1, 1}, {0, 1, 0}}},
        {{1, 0, 0}, {{1, 0, 0}, {1, 1, 0}, {1, 1, 1}, {1, 0, 1}}},
        {{0, -1, 0}, {{0, 0, 0}, {1, 0, 0}, {1, 0, 1}, {0, 0, 1}}},
        {{0, 1, 0}, {{0, 1, 0}, {0, 1, 1}, {1, 1, 1}, {1, 1, 0}}},
        {{0, 0, -1}, {{0, 0, 0}, {0, 1, 0}, {1, 1, 0}, {1, 0, 0}}},
        {{0, 0, 1}, {{0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}}},
    };
    m_faces.reserve(m_faces.size() + 12);
    for (const Side &side : sides) {
        V3f q[4];
        for (int i = 0; i < 4; ++i)
            q[i] = corner(side.corners[i][0], side.corners[i][1], side.corners[i][2]);
        Face first, second;
        first.p[0] = q[0], first.p[1] = q[1], first.p[2] = q[2], first.n = side.normal;
        second.p[0] = q[0], second.p[1] = q[2], second.p[2] = q[3], second.n = side.normal;
        m_faces.append(first);
        m_faces.append(second);
    }
}

Face Faces::transformed(const Face &face, const M44f &matrix, bool withNormal)
{
    Face r;
    for (int i = 0; i < 3; ++i)
        r.p[i] = matrix.mapPoint(face.p[i]);
    if (withNormal)
        r.recomputeNormal();
    return r;
}

QDataStream &operator<<(QDataStream &out, const Faces &faces)
{
    out << qint32(faces.count());
    for (const Face &face : faces.faces())
        for (const V3f &p : face.p)
            out << p.x << p.y << p.z;
    return out;
}

QDataStream &operator>>(QDataStream &in, Faces &faces)
{
    faces.clear();
    qint32 count = 0;
    in >> count;
    if (count <= 0 || in.status() != QDataStream::Ok)
        return in;
    // A count is only a claim: reserve no more than the bytes left can hold.
    const qint64 floatBytes = in.floatingPointPrecision() == QDataStream::SinglePrecision ? 4 : 8;
    const qint64 available = in.device() ? in.device()->bytesAvailable() : 0;
    faces.reserve(int(std::min<qint64>(count, available / (9 * floatBytes))));
    for (qint32 i = 0; i < count; ++i) {
        V3f p[3];
        for (V3f &v : p)
            in >> v.x >> v.y >> v.z;
        if (in.status() != QDataStream::Ok)
            break;
        const Face face(p[0], p[1], p[2]);
        if (face.isWithinLimit())
            faces.append(face);
    }
    return in;
}
