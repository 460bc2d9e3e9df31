#include "raster/nearestpointindex.h"

#include <algorithm>
#include <cmath>

namespace
{

float coordinate(const NearestPointIndex::Point &p, int axis)
{
    return axis == 0 ? p.x : p.z;
}

// NaN sorts after everything, so that nth_element gets a strict weak order.
bool lessOnAxis(float a, float b)
{
    if (std::isnan(a))
        return false;
    return std::isnan(b) || a < b;
}

} // namespace

NearestPointIndex::NearestPointIndex(const std::vector<Point> &points)
{
    m_nodes.reserve(points.size());
    for (int id = 0; id < int(points.size()); ++id)
        m_nodes.push_back({points[size_t(id)], id, 0});
    m_removed.assign(points.size(), 0);
    m_position.assign(points.size(), 0);
    rebuild();
}

void NearestPointIndex::rebuild()
{
    m_nodes.erase(
        std::remove_if(m_nodes.begin(), m_nodes.end(), [this](const Node &n) { return m_removed[size_t(n.id)]; }),
        m_nodes.end());
    m_remaining.assign(m_nodes.size(), 0);
    build(0, int(m_nodes.size()));
    for (int i = 0; i < int(m_nodes.size()); ++i)
        m_position[size_t(m_nodes[size_t(i)].id)] = i;
}

void NearestPointIndex::build(int lo, int hi)
{
    // Iterative over a stack of ranges: deep recursion is not wanted on adversarial point sets.
    std::vector<std::pair<int, int>> pending{{lo, hi}};
    while (!pending.empty()) {
        const auto [first, last] = pending.back();
        pending.pop_back();
        if (first >= last)
            continue;
        float minX = INFINITY, maxX = -INFINITY, minZ = INFINITY, maxZ = -INFINITY;
        for (int i = first; i < last; ++i) {
            const Point &p = m_nodes[size_t(i)].p;
            minX = std::min(minX, p.x), maxX = std::max(maxX, p.x);
            minZ = std::min(minZ, p.z), maxZ = std::max(maxZ, p.z);
        }
        const int axis = (maxZ - minZ) > (maxX - minX) ? 1 : 0;
        const int mid = (first + last) / 2;
        std::nth_element(
            m_nodes.begin() + first, m_nodes.begin() + mid, m_nodes.begin() + last,
            [axis](const Node &a, const Node &b) { return lessOnAxis(coordinate(a.p, axis), coordinate(b.p, axis)); });
        m_nodes[size_t(mid)].axis = axis;
        m_remaining[size_t(mid)] = last - first;
        pending.push_back({first, mid});
        pending.push_back({mid + 1, last});
    }
}

void NearestPointIndex::remove(int id)
{
    if (m_removed[size_t(id)])
        return;
    m_removed[size_t(id)] = 1;
    const int target = m_position[size_t(id)];
    int lo = 0, hi = int(m_nodes.size());
    while (lo < hi) {
        const int mid = (lo + hi) / 2;
        --m_remaining[size_t(mid)];
        if (mid == target)
            break;
        if (target < mid)
            hi = mid;
        else
            lo = mid + 1;
    }
    // Searches slow down as removed points thin the tree out; rebuilding from the rest whenever half is
    // gone keeps them fast at an amortised cost of one build.
    const size_t remaining = size_t(m_remaining[m_nodes.size() / 2]);
    if (m_nodes.size() > rebuildMinimum && remaining * 2 < m_nodes.size())
        rebuild();
}

NearestPointIndex::Result NearestPointIndex::nearest(float x, float z) const
{
    Result best;
    best.distance = farLimit;
    search(0, int(m_nodes.size()), x, z, best);
    return best;
}

void NearestPointIndex::search(int lo, int hi, float x, float z, Result &best) const
{
    if (lo >= hi)
        return;
    const int mid = (lo + hi) / 2;
    if (m_remaining[size_t(mid)] == 0)
        return;
    const Node &node = m_nodes[size_t(mid)];
    if (!m_removed[size_t(node.id)]) {
        const float dx = node.p.x - x, dz = node.p.z - z;
        const float d = dx * dx + dz * dz;
        if (d < best.distance || (best.id >= 0 && d == best.distance && node.id < best.id))
            best = {d, node.id};
    }
    const float diff = (node.axis == 0 ? x : z) - coordinate(node.p, node.axis);
    const bool goLeft = diff < 0.0f;
    if (goLeft)
        search(lo, mid, x, z, best);
    else
        search(mid + 1, hi, x, z, best);
    // A point beyond the split lies at least diff away along the axis; equal distances are still visited
    // because the lower id might sit there. NaN coordinates fail every comparison and visit both sides.
    if (!(diff * diff > best.distance))
        goLeft ? search(mid + 1, hi, x, z, best) : search(lo, mid, x, z, best);
}
