#include "geometry/objreader.h"

#include "geometry/faces.h"
#include "geometry/meshtext.h"

#include <vector>

namespace
{

// Resolves one "f" token ("7", "7/1/3", "-1//2") to a 0-based index into the vertices read so far;
// -1 when it is unparsable or out of range. Negative indices count back from the last vertex.
qint64 resolveIndex(const MeshToken &token, qint64 vertexCount)
{
    MeshToken number = token;
    const void *slash = std::memchr(token.begin, '/', size_t(token.size));
    if (slash)
        number.size = int(static_cast<const char *>(slash) - token.begin);
    qint64 index = 0;
    if (!number.toInt64(index))
        return -1;
    // Bounded first so that the arithmetic below cannot overflow.
    if (index > vertexCount || index < -vertexCount)
        return -1;
    const qint64 resolved = index < 1 ? index + vertexCount : index - 1;
    return resolved >= 0 && resolved < vertexCount ? resolved : -1;
}

void addPolygon(Faces &faces, const std::vector<V3f> &vertices, const MeshTokens &tokens)
{
    QVarLengthArray<qint64, 16> corners;
    for (int i = 1; i < tokens.size(); ++i) {
        const qint64 index = resolveIndex(tokens[i], qint64(vertices.size()));
        if (index < 0)
            return;
        corners.append(index);
    }
    for (int i = 2; i < corners.size(); ++i) {
        const Face face(vertices[size_t(corners[0])], vertices[size_t(corners[i - 1])], vertices[size_t(corners[i])]);
        if (face.isWithinLimit())
            faces.append(face);
    }
}

} // namespace

void readObj(Faces &faces, const QByteArray &data)
{
    std::vector<V3f> vertices;
    forEachTokenLine(data, [&](const MeshTokens &tokens) {
        if (tokens.size() < 4)
            return;
        if (tokens[0].is("v"))
            vertices.push_back({tokens[1].toFloat(), tokens[2].toFloat(), tokens[3].toFloat()});
        else if (tokens[0].is("f"))
            addPolygon(faces, vertices, tokens);
    });
}
