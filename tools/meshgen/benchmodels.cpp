#include "benchmodels.h"

#include "shapes.h"

#include <cmath>

namespace
{

constexpr double pi = 3.14159265358979323846;

// The point of the profile at one of the lathe's angles. The last angle is the first one again
// (index modulo segments), so the seam closes on identical vertices.
V3f turned(const ProfilePoint &point, int index, int segments)
{
    const double angle = 2.0 * pi * (index % segments) / segments;
    return {float(point.radius * std::cos(angle)), point.y, float(-point.radius * std::sin(angle))};
}

// A profile through the given number of steps of t from 0 to 1, t = 1 included.
template <typename Curve> void appendCurve(QVector<ProfilePoint> &profile, int steps, Curve curve)
{
    for (int i = 0; i <= steps; ++i)
        profile.append(curve(double(i) / steps));
}

// A solid of revolution: an open profile starting and ending on the axis.
QVector<ProfilePoint> sphereProfile(float radius, int rings)
{
    QVector<ProfilePoint> profile;
    appendCurve(profile, rings, [&](double t) {
        const double polar = pi * t;
        return ProfilePoint{float(radius * std::sin(polar)), float(radius * (1.0 - std::cos(polar)))};
    });
    profile.first().radius = profile.last().radius = 0.0f; // sin(pi) is not exactly 0
    return profile;
}

Faces makeCylinderField()
{
    const QVector<ProfilePoint> profile{{0, 0}, {3, 0}, {3, 20}, {0, 20}};
    const float pitch = 12.0f;
    Faces field;
    for (int row = 0; row < 5; ++row)
        for (int column = 0; column < 5; ++column) {
            Faces cylinder = revolveProfile(profile, 64, false);
            cylinder.translate({(column - 2) * pitch, 0, (row - 2) * pitch});
            field.faces() += cylinder.faces();
        }
    return field;
}

// A vase with a wavy outline, walls 0.8 mm thick measured across (as a layer sees them), a 1.2 mm
// floor and an open top.
Faces makeVase()
{
    const float height = 60.0f, wall = 0.8f, floor = 1.2f;
    const int rings = 120;
    const auto outline = [](double t) { return float(15.0 + 8.0 * std::sin(3.0 * t)); };
    QVector<ProfilePoint> profile{{0, 0}};
    appendCurve(profile, rings, [&](double t) { return ProfilePoint{outline(t), float(height * t)}; });
    appendCurve(profile, rings, [&](double t) {
        const double y = height - (height - floor) * t;
        return ProfilePoint{outline(y / height) - wall, float(y)};
    });
    profile.append({0, floor});
    return revolveProfile(profile, 256, false);
}

// A column whose radius swells four times over its height; stretched in y only, so that twice the
// height slices into twice the layers of the same outlines.
Faces makeColumn(float height)
{
    const int rings = 160;
    QVector<ProfilePoint> profile{{0, 0}};
    appendCurve(profile, rings, [&](double t) {
        return ProfilePoint{float(10.0 + 3.0 * std::sin(8.0 * pi * t)), float(height * t)};
    });
    profile.append({0, height});
    return revolveProfile(profile, 128, false);
}

// A T: a 10 x 10 mm stem 20 mm tall under a 40 x 10 x 5 mm bar whose arms overhang by 15 mm.
Faces makeOverhang()
{
    QVector<Cell> cells;
    for (int y = 0; y < 4; ++y)
        for (int x = 3; x < 5; ++x)
            for (int z = 0; z < 2; ++z)
                cells.append({x, y, z});
    for (int x = 0; x < 8; ++x)
        for (int z = 0; z < 2; ++z)
            cells.append({x, 4, z});
    Faces faces = makeCells(cells, 5.0f);
    faces.translate({-20.0f, 0.0f, -5.0f});
    return faces;
}

// A torus 54 mm across and 18 mm tall of 2000 x 1000 quads: four million triangles.
Faces makeBigTorus()
{
    const int around = 2000, tube = 1000;
    const double major = 18.0, minor = 9.0;
    QVector<ProfilePoint> profile;
    for (int j = 0; j < tube; ++j) {
        const double angle = 2.0 * pi * j / tube;
        profile.append({float(major + minor * std::cos(angle)), float(minor + minor * std::sin(angle))});
    }
    return revolveProfile(profile, around, true);
}

} // namespace

Faces revolveProfile(const QVector<ProfilePoint> &profile, int segments, bool closed)
{
    Faces faces;
    const int spans = closed ? profile.size() : profile.size() - 1;
    faces.reserve(2 * spans * segments);
    for (int k = 0; k < spans; ++k) {
        const ProfilePoint &p = profile[k], &q = profile[(k + 1) % profile.size()];
        if (p.radius == 0.0f && q.radius == 0.0f)
            continue;
        for (int i = 0; i < segments; ++i) {
            const V3f a = turned(p, i, segments), b = turned(p, i + 1, segments);
            const V3f c = turned(q, i + 1, segments), d = turned(q, i, segments);
            if (p.radius == 0.0f) {
                faces.append(Face(a, c, d));
            } else if (q.radius == 0.0f) {
                faces.append(Face(a, b, c));
            } else {
                faces.append(Face(a, b, c));
                faces.append(Face(a, c, d));
            }
        }
    }
    return faces;
}

QStringList benchModelNames(bool withBig)
{
    QStringList names{"sphere.stl", "cylinders.stl", "vase.stl", "tall.stl", "tall2x.stl", "overhang.stl"};
    if (withBig)
        names << "big.stl";
    return names;
}

Faces makeBenchModel(const QString &fileName)
{
    if (fileName == "sphere.stl")
        return revolveProfile(sphereProfile(20.0f, 96), 192, false);
    if (fileName == "cylinders.stl")
        return makeCylinderField();
    if (fileName == "vase.stl")
        return makeVase();
    if (fileName == "tall.stl")
        return makeColumn(80.0f);
    if (fileName == "tall2x.stl")
        return makeColumn(160.0f);
    if (fileName == "overhang.stl")
        return makeOverhang();
    if (fileName == "big.stl")
        return makeBigTorus();
    throw QString("meshgen: no benchmark model " + fileName);
}
