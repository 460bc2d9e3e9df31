#pragma once

#include "geometry/faces.h"
#include "geometry/scenetriangles.h"
#include "raster/layercutter.h"
#include "raster/seg2f.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <random>
#include <vector>

// Closed test meshes and independent measures of the cut segments.
namespace cuttingtest
{

inline Faces boxMesh(const V3f &min, const V3f &max)
{
    Faces faces;
    faces.makeBox({min, max});
    return faces;
}

// Signed area of a layer's segments (shoelace, z up, anticlockwise positive): a correctly wound
// solid (clockwise outline) gives minus its area.
inline double signedArea(const std::vector<Seg2f> &segs)
{
    double sum = 0.0;
    for (const Seg2f &s : segs)
        sum += double(s.x0) * s.z1 - double(s.x1) * s.z0;
    return sum * 0.5;
}

// Arrivals minus departures at every exact endpoint; an empty map means every contour is closed.
inline std::map<std::pair<float, float>, int> openEndpoints(const std::vector<Seg2f> &segs)
{
    std::map<std::pair<float, float>, int> balance;
    for (const Seg2f &s : segs) {
        --balance[{s.x0, s.z0}];
        ++balance[{s.x1, s.z1}];
    }
    for (auto it = balance.begin(); it != balance.end();)
        it = it->second == 0 ? balance.erase(it) : std::next(it);
    return balance;
}

struct P2 {
    double x, z;
};

// Area of the convex hull of the points (monotone chain).
inline double convexHullArea(std::vector<P2> points)
{
    std::sort(points.begin(), points.end(),
              [](const P2 &a, const P2 &b) { return a.x < b.x || (a.x == b.x && a.z < b.z); });
    if (points.size() < 3)
        return 0.0;
    auto cross = [](const P2 &o, const P2 &a, const P2 &b) {
        return (a.x - o.x) * (b.z - o.z) - (a.z - o.z) * (b.x - o.x);
    };
    std::vector<P2> hull(2 * points.size());
    size_t k = 0;
    for (size_t i = 0; i < points.size(); ++i) {
        while (k >= 2 && cross(hull[k - 2], hull[k - 1], points[i]) <= 0)
            --k;
        hull[k++] = points[i];
    }
    for (size_t i = points.size() - 1, t = k + 1; i > 0; --i) {
        while (k >= t && cross(hull[k - 2], hull[k - 1], points[i - 1]) <= 0)
            --k;
        hull[k++] = points[i - 1];
    }
    hull.resize(k - 1);
    double sum = 0.0;
    for (size_t i = 0; i < hull.size(); ++i) {
        const P2 &p = hull[i], &q = hull[(i + 1) % hull.size()];
        sum += p.x * q.z - q.x * p.z;
    }
    return std::fabs(sum) * 0.5;
}

// Cross-section area of a convex closed mesh at height y, from its edges alone (no segments involved).
inline double convexSectionArea(const Faces &mesh, double y)
{
    std::vector<P2> points;
    for (const Face &f : mesh.faces())
        for (int e = 0; e < 3; ++e) {
            const V3f &a = f.p[e], &b = f.p[(e + 1) % 3];
            if ((a.y - y) * (b.y - y) > 0 || a.y == b.y)
                continue;
            const double t = (y - a.y) / (double(b.y) - a.y);
            points.push_back({a.x + t * (double(b.x) - a.x), a.z + t * (double(b.z) - a.z)});
        }
    return convexHullArea(points);
}

// A random invertible linear map with a translation; mirrored about half of the time.
inline M44f randomAffine(std::mt19937 &rng)
{
    std::uniform_real_distribution<float> entry(-1.5f, 1.5f);
    std::uniform_real_distribution<float> offset(-20.0f, 20.0f);
    M44f m;
    for (;;) {
        for (int c = 0; c < 3; ++c)
            for (int r = 0; r < 3; ++r)
                m.m[4 * c + r] = entry(rng) + (c == r ? 1.0f : 0.0f);
        if (std::fabs(m.determinant3()) > 0.3)
            break;
    }
    m.setTranslation({offset(rng), 5.0f + offset(rng), offset(rng)});
    return m;
}

// Convex hull of random points on a unit sphere, by testing every triple (fine for a few dozen points):
// a triple is a face when all other points lie behind its plane, wound to face away from them.
inline Faces randomConvexHull(std::mt19937 &rng, int count)
{
    std::normal_distribution<double> gauss;
    std::vector<V3f> points;
    while (int(points.size()) < count) {
        const double x = gauss(rng), y = gauss(rng), z = gauss(rng), r = std::sqrt(x * x + y * y + z * z);
        if (r > 1e-3)
            points.emplace_back(float(x / r), float(y / r), float(z / r));
    }
    Faces hull;
    for (int i = 0; i < count; ++i)
        for (int j = i + 1; j < count; ++j)
            for (int k = j + 1; k < count; ++k) {
                const V3f &a = points[size_t(i)], &b = points[size_t(j)], &c = points[size_t(k)];
                const V3f n = cross(b - a, c - a);
                int front = 0, back = 0;
                for (int m = 0; m < count; ++m) {
                    if (m == i || m == j || m == k)
                        continue;
                    const double side = dot(n, points[size_t(m)] - a);
                    front += side > 0 ? 1 : 0;
                    back += side < 0 ? 1 : 0;
                }
                if (front == 0)
                    hull.append(Face(a, b, c));
                else if (back == 0)
                    hull.append(Face(a, c, b));
            }
    return hull;
}

} // namespace cuttingtest
