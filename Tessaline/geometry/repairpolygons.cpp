#include "repairpolygons.h"

#include "nearestpointindex.h"
#include "perfdata.h"

#include <QString>

#include <algorithm>
#include <cmath>
#include <queue>
#include <unordered_map>

namespace
{

struct WeldedVertex {
    float x;
    float z;
    int balance; // arrivals minus departures
};

// Welds endpoints to the first earlier vertex within the tolerance. A grid of cells at least as wide as
// the tolerance finds the candidates in the 3 x 3 cells around a point.
class VertexWelder
{
public:
    explicit VertexWelder(float tolerance) : m_tolerance(tolerance)
    {
        m_cellSize = tolerance > 0.0f && std::isfinite(tolerance) ? tolerance : 1.0f;
    }

    int weld(float x, float z)
    {
        const double cx = cellIndex(x), cz = cellIndex(z);
        const bool gridded = std::isfinite(cx) && std::isfinite(cz);
        if (gridded) {
            int found = -1;
            for (int dx = -1; dx <= 1; ++dx)
                for (int dz = -1; dz <= 1; ++dz)
                    found = firstMatch(key(qint64(cx) + dx, qint64(cz) + dz), x, z, found);
            if (found >= 0)
                return found;
        }
        const int id = int(m_vertices.size());
        m_vertices.push_back({x, z, 0});
        if (gridded)
            m_cells[key(qint64(cx), qint64(cz))].push_back(id);
        return id;
    }

    std::vector<WeldedVertex> &vertices() { return m_vertices; }

private:
    // Far-away points share the outermost cells: slower there, never wrong.
    double cellIndex(float v) const
    {
        constexpr double limit = double(1 << 30);
        return std::clamp(std::floor(double(v) / m_cellSize), -limit, limit);
    }
    static quint64 key(qint64 cx, qint64 cz) { return (quint64(cx) << 32) ^ quint64(quint32(cz)); }

    int firstMatch(quint64 cellKey, float x, float z, int best) const
    {
        const auto it = m_cells.find(cellKey);
        if (it == m_cells.end())
            return best;
        for (int id : it->second) {
            if (best >= 0 && id >= best)
                break; // cells list vertices in insertion order
            const WeldedVertex &v = m_vertices[size_t(id)];
            if (std::fabs(v.x - x) <= m_tolerance && std::fabs(v.z - z) <= m_tolerance)
                return id;
        }
        return best;
    }

    float m_tolerance;
    float m_cellSize;
    std::vector<WeldedVertex> m_vertices;
    std::unordered_map<quint64, std::vector<int>> m_cells;
};

struct Candidate {
    float distance;
    int end;   // position in the open-end list
    int start; // position in the open-start list
    bool operator>(const Candidate &o) const
    {
        if (distance != o.distance)
            return distance > o.distance;
        return end != o.end ? end > o.end : start > o.start;
    }
};

// Pairs open ends with open starts, closest pair first (ties to the earlier end, then the earlier start).
// Each end keeps one candidate in a heap; when its start is used up the candidate is looked up again, and
// since starts only ever disappear, an outdated candidate is never better than the truth.
void bridgeOpenEnds(std::vector<WeldedVertex> &vertices, std::vector<Seg2f> &segs)
{
    std::vector<int> ends, starts;
    for (int id = 0; id < int(vertices.size()); ++id) {
        if (vertices[size_t(id)].balance > 0)
            ends.push_back(id);
        else if (vertices[size_t(id)].balance < 0)
            starts.push_back(id);
    }
    if (ends.empty() || starts.empty())
        return;
    std::vector<NearestPointIndex::Point> startPoints;
    startPoints.reserve(starts.size());
    for (int id : starts)
        startPoints.push_back({vertices[size_t(id)].x, vertices[size_t(id)].z});
    NearestPointIndex index(startPoints);

    std::priority_queue<Candidate, std::vector<Candidate>, std::greater<Candidate>> heap;
    auto lookUp = [&](int end) {
        const WeldedVertex &v = vertices[size_t(ends[size_t(end)])];
        const auto nearest = index.nearest(v.x, v.z);
        if (nearest.id >= 0)
            heap.push({nearest.distance, end, nearest.id});
    };
    for (int end = 0; end < int(ends.size()); ++end)
        lookUp(end);

    while (!heap.empty()) {
        const Candidate best = heap.top();
        heap.pop();
        WeldedVertex &e = vertices[size_t(ends[size_t(best.end)])];
        if (e.balance <= 0)
            continue;
        if (!index.contains(best.start)) {
            lookUp(best.end);
            continue;
        }
        WeldedVertex &b = vertices[size_t(starts[size_t(best.start)])];
        segs.emplace_back(e.x, e.z, b.x, b.z);
        --e.balance;
        if (++b.balance == 0)
            index.remove(best.start);
        if (e.balance > 0)
            lookUp(best.end);
    }
}

} // namespace

void repairPolygons(std::vector<Seg2f> &segs, float tolerance)
{
    PerfSection timing(QStringLiteral("repairPolygons"));
    VertexWelder welder(tolerance);
    std::vector<WeldedVertex> &vertices = welder.vertices();
    for (const Seg2f &s : segs) {
        --vertices[size_t(welder.weld(s.x0, s.z0))].balance;
        ++vertices[size_t(welder.weld(s.x1, s.z1))].balance;
    }
    bridgeOpenEnds(vertices, segs);
}
