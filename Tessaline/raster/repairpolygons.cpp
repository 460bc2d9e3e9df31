#include "raster/repairpolygons.h"

#include "common/perfdata.h"
#include "raster/nearestpointindex.h"
#include "raster/vertexwelder.h"

#include <QString>

#include <algorithm>
#include <cmath>
#include <queue>

namespace
{

using WeldedVertex = VertexWelder::Vertex;

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
    VertexWelder welder(tolerance, int(std::min<size_t>(segs.size() * 2, 1u << 30)));
    std::vector<WeldedVertex> &vertices = welder.vertices();
    for (const Seg2f &s : segs) {
        --vertices[size_t(welder.weld(s.x0, s.z0))].balance;
        ++vertices[size_t(welder.weld(s.x1, s.z1))].balance;
    }
    bridgeOpenEnds(vertices, segs);
}
