#pragma once

#include <QByteArray>

class Faces;

// Appends the triangles of an STL file (binary or ASCII, decided from byte 83) held in memory. A file that
// byte 83 calls binary but that begins with the word "solid" and declares more triangles than it holds is
// read as ASCII, as long as that gives triangles.
// STL files are Z-up: the file vertex (x, y, z) becomes (x, z, -y) unless the file says "solid "
// where a converter would not (see the .cpp). Stored normals are ignored and recomputed; records
// with a non-finite or out-of-range coordinate are dropped.
// Throws "STL loader: empty file.", "STL loader: invalid header" and
// "STL loader: Corrupt BinarySTL, triangleCnt > filesize".
void readStl(Faces &faces, const QByteArray &data);
