#pragma once

#include <QByteArray>

class Faces;

// Appends the triangles of an OBJ text held in memory. OBJ is Y-up like the scene: no conversion.
// Only "v" and "f" lines count; polygons are fanned from their first vertex; texture and normal
// indices are ignored. A face naming a vertex that is not defined yet (or an unparsable index) is
// dropped, as is any triangle touching a vertex with a non-finite coordinate. Never throws.
void readObj(Faces &faces, const QByteArray &data);
