#include "geometry/objwriter.h"

#include "geometry/faces.h"
#include "geometry/meshnumbers.h"

#include <vector>

namespace
{

constexpr int dedupWindow = 1000;

// Where the search for an equal vertex starts, with c vertices written so far. Below a full window
// the start moves up twice as fast; files already in use were written this way.
int windowStart(int c)
{
    return c >= dedupWindow ? c - dedupWindow : std::max(2 * c - dedupWindow, 0);
}

int findOrAdd(std::vector<V3f> &written, const V3f &v, QByteArray &vertexLines)
{
    const int c = int(written.size());
    for (int i = windowStart(c); i < c; ++i)
        if (written[size_t(i)] == v)
            return i;
    written.push_back(v);
    vertexLines += "v ";
    appendFixed3(vertexLines, v.x);
    vertexLines += ' ';
    appendFixed3(vertexLines, v.y);
    vertexLines += ' ';
    appendFixed3(vertexLines, v.z);
    vertexLines += "\r\n";
    return c;
}

} // namespace

QByteArray writeObj(const Faces &faces)
{
    std::vector<V3f> written;
    QByteArray vertexLines;
    QByteArray faceLines;
    for (const Face &face : faces.faces()) {
        faceLines += 'f';
        for (const V3f &p : face.p) {
            faceLines += ' ';
            faceLines += QByteArray::number(findOrAdd(written, p, vertexLines) + 1);
        }
        faceLines += "\r\n";
    }
    return vertexLines + faceLines;
}
