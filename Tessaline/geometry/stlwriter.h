#pragma once

#include <QByteArray>
#include <QString>

class Faces;

// STL files are Z-up: every vector is written as (x, -z, y) of the scene's (x, y, z), the inverse
// of the reader's conversion.

// 80-byte header "STL export <name>" padded with blanks, u32 count, 50-byte records (normal, three
// vertices, zero attribute), little-endian.
QByteArray writeStlBinary(const Faces &faces, const QString &name = QString());
// "solid <name>", one facet per triangle, "endsolid"; numbers as printf's %.7g; line feeds only.
QByteArray writeStlAscii(const Faces &faces, const QString &name = QString());
