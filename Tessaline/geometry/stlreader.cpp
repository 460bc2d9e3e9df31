#include "geometry/stlreader.h"

#include "common/platform/memory.h"
#include "geometry/faces.h"
#include "geometry/meshtext.h"
#include "geometry/workerthread.h"

#include <QtEndian>

#include <algorithm>
#include <cstring>
#include <vector>

namespace
{

constexpr int binaryHeaderBytes = 80;
constexpr int binaryPreambleBytes = 84; // header and triangle count
constexpr int binaryRecordBytes = 50;   // normal, three vertices, two attribute bytes
// Records decoded per claim of a thread: a few hundred kilobytes, so that claiming costs nothing and a thread
// the machine leaves unscheduled for a while holds up little.
constexpr int recordsPerBlock = 8192;

V3f fromZUp(const V3f &v)
{
    return {v.x, v.z, -v.y};
}

V3f readVertex(const char *p)
{
    return {qFromLittleEndian<float>(p), qFromLittleEndian<float>(p + 4), qFromLittleEndian<float>(p + 8)};
}

// Only the most significant byte of the triangle count tells binary from text: a text file has a
// printable character there, a binary file of fewer than 2^27 triangles a small byte, and bytes
// 0x80-0xFF count as negative so that they too select binary.
bool looksBinary(const QByteArray &data)
{
    return data.size() >= binaryPreambleBytes && qint8(data[83]) < 10;
}

qint32 declaredCount(const QByteArray &data)
{
    return qFromLittleEndian<qint32>(data.constData() + binaryHeaderBytes);
}

bool countFitsFile(const QByteArray &data)
{
    const qint32 count = declaredCount(data);
    return count >= 0 && count <= (data.size() - binaryPreambleBytes) / binaryRecordBytes;
}

// Decodes `count` records into out, in file order, and returns how many were kept: a dropped record leaves
// no gap, so the kept ones fill out from its start.
int decodeRecords(const char *record, int count, bool convert, Face *out)
{
    int kept = 0;
    for (int i = 0; i < count; ++i, record += binaryRecordBytes) {
        V3f p[3] = {readVertex(record + 12), readVertex(record + 24), readVertex(record + 36)};
        if (convert)
            for (V3f &v : p)
                v = fromZUp(v);
        const Face face(p[0], p[1], p[2]);
        if (face.isWithinLimit())
            out[kept++] = face;
    }
    return kept;
}

void readBinary(Faces &faces, const QByteArray &data)
{
    if (data.size() < binaryPreambleBytes)
        throw "STL loader: invalid header";
    const QByteArray header = QByteArray(data.constData(), binaryHeaderBytes).trimmed();
    const qint32 count = declaredCount(data);
    if (count > (data.size() - binaryPreambleBytes) / binaryRecordBytes)
        throw "STL loader: Corrupt BinarySTL, triangleCnt > filesize";
    if (count <= 0)
        return;
    // Some exporters write a Y-up binary file behind a "solid " header; those are taken as they are.
    const bool convert = !header.startsWith("solid ");
    // One allocation for the whole mesh, on huge pages and mapped in one call before it is filled: a page
    // fault per 4 KB of a fresh array costs more than decoding the triangles that fill it.
    QVector<Face> &list = faces.faces();
    const int start = list.size();
    list.reserve(start + count);
    platform::adviseHugePages(list.data() + start, size_t(count) * sizeof(Face));
    platform::prefaultPages(list.data() + start, size_t(count) * sizeof(Face));
    list.resize(start + count);
    Face *out = list.data() + start;
    // Blocks of records on all threads, each decoded into its own place; the gaps that dropped records
    // leave at block ends are closed afterwards in file order.
    const int blocks = (count - 1) / recordsPerBlock + 1;
    std::vector<int> kept(size_t(blocks), 0);
    const char *records = data.constData() + binaryPreambleBytes;
    paralellEach(blocks, [&](int block, int) {
        const int first = block * recordsPerBlock;
        const int n = std::min(recordsPerBlock, count - first);
        kept[size_t(block)] = decodeRecords(records + qint64(first) * binaryRecordBytes, n, convert, out + first);
    });
    int filled = 0;
    for (int block = 0; block < blocks; ++block) {
        const int first = block * recordsPerBlock;
        if (filled != first)
            std::memmove(out + filled, out + first, size_t(kept[size_t(block)]) * sizeof(Face));
        filled += kept[size_t(block)];
    }
    list.resize(start + filled);
}

// Returns how many triangles it added.
int readAscii(Faces &faces, const QByteArray &data)
{
    const int before = faces.count();
    const bool convert = data.startsWith("solid ");
    V3f loop[3];
    int vertexCount = 0;
    forEachTokenLine(data, [&](const MeshTokens &tokens) {
        if (tokens.isEmpty())
            return;
        if (tokens[0].is("vertex")) {
            if (vertexCount < 3) {
                V3f v;
                for (int axis = 0; axis < 3; ++axis)
                    v[axis] = axis + 1 < tokens.size() ? tokens[axis + 1].toFloat() : 0.0f;
                loop[vertexCount] = convert ? fromZUp(v) : v;
            }
            // Counts on past three, so that a loop of four vertices yields nothing.
            if (vertexCount < 4)
                ++vertexCount;
        } else if (tokens[0].is("endloop")) {
            if (vertexCount == 3) {
                const Face face(loop[0], loop[1], loop[2]);
                if (face.isWithinLimit())
                    faces.append(face);
            }
            vertexCount = 0;
        }
    });
    return faces.count() - before;
}

} // namespace

void readStl(Faces &faces, const QByteArray &data)
{
    if (data.isEmpty())
        throw "STL loader: empty file.";
    if (!looksBinary(data)) {
        readAscii(faces, data);
        return;
    }
    // Byte 83 of a text file is small when it is a tab of an indented line, or part of a UTF-8 character of
    // the solid's name; the "count" it makes then cannot fit the file. Such a file is read as the text it is.
    // Should the text give no triangle, the file is what the byte said, a broken binary one, and fails (or
    // stays empty) as before.
    if (data.startsWith("solid") && !countFitsFile(data) && readAscii(faces, data) > 0)
        return;
    readBinary(faces, data);
}
