#include "raygrid.h"

#include "meshray.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace
{

// About one cell per triangle, the cells as near cubic as the box allows, never more than this many.
constexpr double maxCells = 1 << 22;
constexpr float cellMargin = 1e-3f;

bool isFiniteFace(const Face &face)
{
    return face.p[0].isFinite() && face.p[1].isFinite() && face.p[2].isFinite();
}

} // namespace

RayGrid::RayGrid(const Face *faces, int count) : m_faces(faces)
{
    bool started = false;
    for (int i = 0; i < count; ++i) {
        if (!isFiniteFace(faces[i]))
            continue;
        for (const V3f &p : faces[i].p) {
            if (!started)
                m_box = {p, p};
            m_box.include(p);
            started = true;
        }
    }
    const V3f size = m_box.size();
    const double longest = std::max({double(size.x), double(size.y), double(size.z), 1e-30});
    const double cells = std::min(std::max(double(count), 1.0), maxCells);
    // Cells of edge e with (sx / e)(sy / e)(sz / e) = cells, each axis at least one cell.
    const double volume = std::max(double(size.x), longest * 1e-3) * std::max(double(size.y), longest * 1e-3) *
                          std::max(double(size.z), longest * 1e-3);
    const double edge = std::cbrt(volume / cells);
    for (int a = 0; a < 3; ++a) {
        m_dims[size_t(a)] = std::clamp(int(std::ceil(double(size[a]) / edge)), 1, 1024);
        m_cellSize[a] = std::max(size[a] / float(m_dims[size_t(a)]), 1e-30f);
    }

    // Two passes over the triangles: count each cell's entries, then place them.
    const int cellCount = m_dims[0] * m_dims[1] * m_dims[2];
    m_cellStart.assign(size_t(cellCount) + 1, 0);
    const auto forEachCell = [&](const Face &face, auto &&visit) {
        V3f low = face.p[0], high = face.p[0];
        for (const V3f &p : face.p) {
            low = minV(low, p);
            high = maxV(high, p);
        }
        const V3f margin = m_cellSize * cellMargin;
        const std::array<int, 3> from = cellOf(low - margin), to = cellOf(high + margin);
        for (int z = from[2]; z <= to[2]; ++z)
            for (int y = from[1]; y <= to[1]; ++y)
                for (int x = from[0]; x <= to[0]; ++x)
                    visit(cellIndex(x, y, z));
    };
    for (int i = 0; i < count; ++i)
        if (isFiniteFace(faces[i]))
            forEachCell(faces[i], [&](int cell) { ++m_cellStart[size_t(cell) + 1]; });
    for (int c = 0; c < cellCount; ++c)
        m_cellStart[size_t(c) + 1] += m_cellStart[size_t(c)];
    m_triangles.resize(size_t(m_cellStart.back()));
    std::vector<int> fill(m_cellStart.begin(), m_cellStart.end() - 1);
    for (int i = 0; i < count; ++i)
        if (isFiniteFace(faces[i]))
            forEachCell(faces[i], [&](int cell) { m_triangles[size_t(fill[size_t(cell)]++)] = i; });
}

std::array<int, 3> RayGrid::cellOf(const V3f &p) const
{
    std::array<int, 3> cell{};
    for (int a = 0; a < 3; ++a) {
        const double c = std::floor((double(p[a]) - m_box.min[a]) / m_cellSize[a]);
        cell[size_t(a)] = int(std::clamp(c, 0.0, double(m_dims[size_t(a)] - 1)));
    }
    return cell;
}

// Walks the cells along the ray from the origin's cell until it leaves the grid (Amanatides and Woo).
void RayGrid::gatherCandidates(const V3f &origin, const V3f &dir, std::vector<int> &candidates) const
{
    std::array<int, 3> cell = cellOf(origin);
    std::array<int, 3> step{};
    std::array<double, 3> tMax{}, tDelta{};
    const double infinity = std::numeric_limits<double>::infinity();
    for (int a = 0; a < 3; ++a) {
        const size_t s = size_t(a);
        const double d = dir[a];
        const double wallLow = double(m_box.min[a]) + double(cell[s]) * m_cellSize[a];
        if (d > 0.0) {
            step[s] = 1;
            tMax[s] = (wallLow + m_cellSize[a] - origin[a]) / d;
            tDelta[s] = m_cellSize[a] / d;
        } else if (d < 0.0) {
            step[s] = -1;
            tMax[s] = (wallLow - origin[a]) / d;
            tDelta[s] = -m_cellSize[a] / d;
        } else {
            tMax[s] = infinity;
            tDelta[s] = infinity;
        }
    }
    for (;;) {
        const int c = cellIndex(cell[0], cell[1], cell[2]);
        candidates.insert(candidates.end(), m_triangles.begin() + m_cellStart[size_t(c)],
                          m_triangles.begin() + m_cellStart[size_t(c) + 1]);
        const size_t a = size_t(std::min_element(tMax.begin(), tMax.end()) - tMax.begin());
        if (tMax[a] == infinity)
            return;
        cell[a] += step[a];
        if (cell[a] < 0 || cell[a] >= m_dims[a])
            return;
        tMax[a] += tDelta[a];
    }
}

int RayGrid::countHits(const V3f &origin, const V3f &dir, int skipIndex) const
{
    if (m_triangles.empty() || !origin.isFinite() || !dir.isFinite())
        return 0;
    std::vector<int> candidates;
    gatherCandidates(origin, dir, candidates);
    std::sort(candidates.begin(), candidates.end());
    candidates.erase(std::unique(candidates.begin(), candidates.end()), candidates.end());
    int hits = 0;
    for (const int i : candidates) {
        double t = 0.0;
        if (i != skipIndex && rayHitsTriangle(origin, dir, m_faces[i], t))
            ++hits;
    }
    return hits;
}
