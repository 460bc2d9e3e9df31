#include "shapes.h"

#include <QSet>
#include <cmath>

namespace
{

constexpr double pi = 3.14159265358979323846;

V3f onCircle(float radius, int i, int segments, float y)
{
    const double angle = 2.0 * pi * i / segments;
    return {float(radius * std::cos(angle)), y, float(-radius * std::sin(angle))};
}

// A quad a-b-c-d, counter-clockwise seen from outside.
void addQuad(Faces &faces, const V3f &a, const V3f &b, const V3f &c, const V3f &d)
{
    faces.append(Face(a, b, c));
    faces.append(Face(a, c, d));
}

} // namespace

Faces makeCone(float bottomRadius, float topRadius, float height, int segments)
{
    Faces faces;
    const V3f bottomCentre(0, 0, 0), topCentre(0, height, 0);
    for (int i = 0; i < segments; ++i) {
        const V3f b0 = onCircle(bottomRadius, i, segments, 0), b1 = onCircle(bottomRadius, i + 1, segments, 0);
        const V3f t0 = onCircle(topRadius, i, segments, height), t1 = onCircle(topRadius, i + 1, segments, height);
        faces.append(Face(bottomCentre, b1, b0));
        if (topRadius > 0) {
            addQuad(faces, b0, b1, t1, t0);
            faces.append(Face(topCentre, t0, t1));
        } else {
            faces.append(Face(b0, b1, topCentre));
        }
    }
    return faces;
}

Faces makeCylinder(float radius, float height, int segments)
{
    return makeCone(radius, radius, height, segments);
}

Faces makeSphere(float radius, int segments, int rings)
{
    Faces faces;
    faces.reserve(2 * segments * (rings - 1));
    auto point = [&](int ring, int i) {
        const double polar = pi * ring / rings;
        const float y = float(radius * (1.0 - std::cos(polar)));
        return onCircle(float(radius * std::sin(polar)), i, segments, y);
    };
    for (int ring = 0; ring < rings; ++ring)
        for (int i = 0; i < segments; ++i) {
            const V3f a = point(ring, i), b = point(ring, i + 1);
            const V3f c = point(ring + 1, i + 1), d = point(ring + 1, i);
            if (ring == 0)
                faces.append(Face(a, c, d)); // bottom pole: a == b
            else if (ring == rings - 1)
                faces.append(Face(a, b, c)); // top pole: c == d
            else
                addQuad(faces, a, b, c, d);
        }
    return faces;
}

Faces makeTorus(float majorRadius, float minorRadius, int majorSegments, int minorSegments)
{
    Faces faces;
    auto point = [&](int i, int j) {
        const double around = 2.0 * pi * i / majorSegments;
        const double tube = 2.0 * pi * j / minorSegments;
        const double r = majorRadius + minorRadius * std::cos(tube);
        return V3f(float(r * std::cos(around)), float(minorRadius * (1.0 + std::sin(tube))),
                   float(-r * std::sin(around)));
    };
    for (int i = 0; i < majorSegments; ++i)
        for (int j = 0; j < minorSegments; ++j)
            addQuad(faces, point(i, j), point(i + 1, j), point(i + 1, j + 1), point(i, j + 1));
    return faces;
}

Faces makeCells(const QVector<Cell> &cells, float edge)
{
    QSet<quint64> filled;
    auto key = [](int x, int y, int z) {
        return (quint64(quint16(x)) << 32) | (quint64(quint16(y)) << 16) | quint16(z);
    };
    for (const Cell &c : cells)
        filled.insert(key(c.x, c.y, c.z));
    Faces faces;
    for (const Cell &c : cells) {
        Faces cube;
        const V3f lo(c.x * edge, c.y * edge, c.z * edge);
        cube.makeBox({lo, lo + V3f(edge, edge, edge)});
        // makeBox emits two triangles per side, each side's normal along one axis.
        for (int i = 0; i < cube.count(); ++i) {
            const V3f n = cube[i].n;
            if (!filled.contains(key(c.x + int(n.x), c.y + int(n.y), c.z + int(n.z))))
                faces.append(cube[i]);
        }
    }
    return faces;
}
