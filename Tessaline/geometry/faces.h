#pragma once

#include "geometry/box3f.h"
#include "geometry/face.h"
#include "geometry/m44f.h"

#include <QString>
#include <QVector>
#include <array>

class QDataStream;

// Six planes (a, b, c, d): a point is inside when a·x + b·y + c·z + d > 0 for all of them.
using VolumePlanes = std::array<std::array<float, 4>, 6>;

// A triangle mesh: a flat list of independent triangles in millimetres, scene frame (Y up).
// There is no shared vertex table and no topology. The list is implicitly shared, so copies are
// cheap and independent (slicing threads take their own). meshHash is the CRC-32 of the vertex data
// once someone has computed it (FacesCache does); it is not kept up to date by later edits.
//
// Non-finite coordinates never enter a mesh through the readers (STL, OBJ, data stream): a triangle
// with a NaN, infinite or absurdly large coordinate (beyond meshCoordinateLimit) is dropped as it is
// read, so bounding boxes, hashes and slicing only ever see finite numbers with room to spare.
class Faces
{
public:
    quint32 meshHash = 0;
    // Read by the renderer only: perturbs normals so that flat regions show their facets.
    bool shadeVariation = false;

    // Replaces the contents with the mesh in the file (".stl" or ".obj", any case) and turns it
    // outward when its triangles face inward.
    void importFile(const QString &path);
    // Writes the mesh as binary or ASCII STL (".stl") or OBJ (".obj"). The name keeps its historic
    // spelling: callers and scripts use it.
    void exportFata(const QString &path, bool binary) const;

    void append(const Face &face) { m_faces.append(face); }
    void reserve(int count) { m_faces.reserve(count); }
    void clear();
    int count() const { return m_faces.size(); }
    bool isEmpty() const { return m_faces.isEmpty(); }
    const Face &operator[](int i) const { return m_faces.at(i); }
    Face &operator[](int i) { return m_faces[i]; }
    const Face *constData() const { return m_faces.constData(); }
    // For loaders that fill a reserved array in place; the caller shrinks it to what was filled.
    QVector<Face> &faces() { return m_faces; }
    const QVector<Face> &faces() const { return m_faces; }

    Box3f boundingBox() const;
    Box3f boundingBox(const M44f &matrix) const;
    // CRC-32 over the nine vertex floats of every triangle, little-endian. Normals and flags do not
    // count, so bit-identical vertex data gives the same hash.
    quint32 hash() const;

    void translate(const V3f &d);
    // Per axis: a = 0 centres the axis on 0, a = -1 moves the minimum to 0, a = +1 the maximum.
    void alignTo(const V3f &a);
    void flipAll();
    // Appends the 12 triangles of the box with exact axis-aligned outward normals.
    void makeBox(const Box3f &box);

    // Whether the (closed) mesh faces outward, by ray-parity votes from sampled triangles.
    bool isOutward() const;
    // Index of the nearest triangle that the ray from origin towards target hits, or -1. Only
    // triangles whose normal points along the ray (frontOnly) or against it (!frontOnly) count.
    int rayPick(const V3f &origin, const V3f &target, bool frontOnly, V3f &hitPoint, V3f &hitNormal) const;
    // Triangles hit by the ray from origin towards target, except the one at skipIndex.
    int countRayHits(const V3f &origin, const V3f &target, int skipIndex) const;
    // all: every vertex inside the planes; otherwise at least one.
    bool insideVolume(const VolumePlanes &planes, bool all) const;

    static void flip(Face &face)
    {
        std::swap(face.p[1], face.p[2]);
        face.n = -face.n;
    }
    // The triangle with its vertices transformed as points; the normal is recomputed when withNormal
    // is set and left at (0, 0, 0) otherwise (layer cutting needs none).
    static Face transformed(const Face &face, const M44f &matrix, bool withNormal);

private:
    QVector<Face> m_faces;
};

// Triangle count (i32), then nine floats per triangle; normals are recomputed on reading. The float
// width follows the stream's precision setting. Reading replaces the mesh; a count beyond the
// data left in the stream reads what is there and leaves the stream marked as past its end.
QDataStream &operator<<(QDataStream &out, const Faces &faces);
QDataStream &operator>>(QDataStream &in, Faces &faces);
