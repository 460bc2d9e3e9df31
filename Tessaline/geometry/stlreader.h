#pragma once

#include <QByteArray>

class Faces;

// Appends the triangles of an STL file (binary or ASCII, decided from byte 83) held in memory.
// STL files are Z-up: the file vertex (x, y, z) becomes (x, z, -y) unless the file says "solid "
// where a converter would not (see the .cpp). Stored normals are ignored and recomputed; records
// with a non-finite or out-of-range coordinate are dropped.
// Throws "STL loader: empty file.", "STL loader: invalid header" and
// "STL loader: Corrupt BinarySTL, triangleCnt > filesize".
void readStl(Faces &faces, const QByteArray &data);
