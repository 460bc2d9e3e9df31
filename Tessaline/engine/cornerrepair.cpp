#include "engine/cornerrepair.h"

#include <cmath>
#include <vector>

namespace
{

constexpr double cornerSine = 0.2;  // a smaller turn is no corner
constexpr double chordFactor = 1.7; // in longest run segments: a longer chord is a curve, not a corner
constexpr int longestRun = 10;      // segments
constexpr int fewestPoints = 5;
constexpr int fewestPointsLeft = 3;

struct Vec {
    double x = 0.0, y = 0.0;
    Vec() = default;
    Vec(double px, double py) : x(px), y(py) {}
    explicit Vec(const V2f &p) : x(p.x), y(p.y) {}
    Vec operator-(const Vec &o) const { return {x - o.x, y - o.y}; }
    Vec operator+(const Vec &o) const { return {x + o.x, y + o.y}; }
    Vec operator*(double s) const { return {x * s, y * s}; }
    double length() const { return std::sqrt(x * x + y * y); }
    Vec unit() const
    {
        const double l = length();
        return l > 0.0 ? Vec(x / l, y / l) : Vec();
    }
};

double cross(const Vec &a, const Vec &b)
{
    return a.x * b.y - a.y * b.x;
}

// Finds the corner that starts at vertex i and, when it can be repaired, the intersection point and the
// index (possibly past the end, taken modulo) of the first point of the outgoing edge.
struct CornerSearch {
    const std::vector<Vec> &p;
    const CornerRepair &rules;

    Vec segment(int k) const // from point k to point k + 1
    {
        const int n = int(p.size());
        return p[size_t((k + 1) % n)] - p[size_t(k % n)];
    }
    bool straightPair(const Vec &before, const Vec &after) const
    {
        return before.length() + after.length() >= rules.straightLength &&
               std::fabs(cross(before.unit(), after.unit())) < rules.collinearSine;
    }
    bool incoming(int i, Vec &direction) const
    {
        const int n = int(p.size());
        const Vec in = segment(i - 1 + n), before = segment(i - 2 + n);
        if (in.length() >= rules.straightLength) {
            direction = in.unit();
            return true;
        }
        if (!straightPair(before, in))
            return false;
        direction = before.unit();
        return true;
    }
    // Number of run segments before the outgoing edge and its direction; 0 when abandoned.
    int run(int i, Vec &direction) const
    {
        for (int m = 0; m <= longestRun; ++m) {
            const Vec s = segment(i + m);
            if (s.length() >= rules.straightLength) {
                direction = s.unit();
                return m;
            }
            if (m >= 1 && straightPair(segment(i + m - 1), s)) {
                direction = s.unit();
                return m - 1;
            }
            if (s.length() > rules.longestRunSegment)
                return 0;
        }
        return 0;
    }
    bool find(int i, Vec &corner, int &runLength) const
    {
        Vec in, out;
        if (!incoming(i, in))
            return false;
        runLength = run(i, out);
        if (runLength < 1 || std::fabs(cross(in, out)) <= cornerSine)
            return false;
        const int n = int(p.size());
        const Vec start = p[size_t(i % n)], end = p[size_t((i + runLength) % n)];
        const Vec chord = end - start;
        if (chord.length() >= chordFactor * rules.longestRunSegment)
            return false;
        const double denominator = cross(in, out);
        if (denominator == 0.0)
            return false;
        corner = start + in * (cross(end - start, out) / denominator);
        const Vec middle = (start + end) * 0.5;
        return std::isfinite(corner.x) && std::isfinite(corner.y) && (corner - middle).length() < chord.length();
    }
};

} // namespace

void CornerRepair::repair(PolyLine &path) const
{
    if (!path.closed || path.count() < fewestPoints)
        return;
    std::vector<Vec> points;
    for (const V2f &point : path.points)
        points.emplace_back(point);
    const CornerSearch search{points, *this};
    for (int i = 0; i < int(points.size()); ++i) {
        Vec corner;
        int runLength = 0;
        if (!search.find(i, corner, runLength))
            continue;
        const int n = int(points.size());
        const int inner = runLength - 1;
        if (n - inner < fewestPointsLeft)
            continue;
        points[size_t(i)] = corner;
        std::vector<bool> drop(size_t(n), false);
        for (int r = 1; r <= inner; ++r)
            drop[size_t((i + r) % n)] = true;
        std::vector<Vec> kept;
        int newIndex = 0;
        for (int k = 0; k < n; ++k) {
            if (k == i)
                newIndex = int(kept.size());
            if (!drop[size_t(k)])
                kept.push_back(points[size_t(k)]);
        }
        points.swap(kept);
        i = newIndex;
    }
    const int before = path.count();
    path.points.clear();
    for (const Vec &point : points)
        path.points.append(V2f(float(point.x), float(point.y)));
    if (path.count() != before) {
        path.w.clear();
        path.hairs.clear();
    }
}
