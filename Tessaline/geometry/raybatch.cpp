#include "geometry/raybatch.h"

#include "geometry/box3f.h"
#include "geometry/meshray.h"
#include "geometry/workerthread.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <utility>

namespace
{

// About one cell per triangle, the cells as near cubic as the box allows, never more than this many (a bit
// each, 512 KB).
constexpr double maxCells = 1 << 22;
constexpr float cellMargin = 1e-3f;
constexpr int trianglesPerBlock = 1 << 15;

// The box of the finite triangles, by blocks on all threads; false when there is none. Blocks are joined in
// order and a box keeps its own bound on a tie, so the result is the one box of a single pass.
bool finiteBounds(const Face *faces, int count, Box3f &box)
{
    const int blocks = std::max(1, (count - 1) / trianglesPerBlock + 1);
    std::vector<Box3f> boxOf(static_cast<size_t>(blocks));
    std::vector<char> started(size_t(blocks), 0);
    paralellEach(blocks, [&](int b, int) {
        const int end = std::min(count, (b + 1) * trianglesPerBlock);
        int i = b * trianglesPerBlock;
        while (i < end && !faces[i].isFinite())
            ++i;
        if (i == end)
            return;
        Box3f local{faces[i].p[0], faces[i].p[0]}; // local, so that it stays in registers
        for (; i < end; ++i)
            if (faces[i].isFinite())
                for (const V3f &p : faces[i].p)
                    local.include(p);
        boxOf[size_t(b)] = local;
        started[size_t(b)] = 1;
    });
    bool any = false;
    for (int b = 0; b < blocks; ++b) {
        if (!started[size_t(b)])
            continue;
        box = any ? box.united(boxOf[size_t(b)]) : boxOf[size_t(b)];
        any = true;
    }
    return any;
}

// A uniform grid of cells over a box: the cells of a point, of a triangle's box and along a ray.
class CellGrid
{
public:
    CellGrid(const Box3f &box, int triangles) : m_box(box)
    {
        const V3f size = box.size();
        const double longest = std::max({double(size.x), double(size.y), double(size.z), 1e-30});
        const double cells = std::min(std::max(double(triangles), 1.0), maxCells);
        // Cells of edge e with (sx / e)(sy / e)(sz / e) = cells, each axis at least one cell.
        const double volume = std::max(double(size.x), longest * 1e-3) * std::max(double(size.y), longest * 1e-3) *
                              std::max(double(size.z), longest * 1e-3);
        const double edge = std::cbrt(volume / cells);
        for (int a = 0; a < 3; ++a) {
            m_dims[size_t(a)] = std::clamp(int(std::ceil(double(size[a]) / edge)), 1, 1024);
            m_cellSize[a] = std::max(size[a] / float(m_dims[size_t(a)]), 1e-30f);
            m_cellsPerUnit[size_t(a)] = 1.0 / double(m_cellSize[a]);
        }
        // The clamp to 1024 per axis can leave a few more cells than maxCells on a very flat box.
        while (double(cellCount()) > maxCells) {
            const size_t a = size_t(std::max_element(m_dims.begin(), m_dims.end()) - m_dims.begin());
            m_dims[a] = (m_dims[a] + 1) / 2;
            m_cellSize[int(a)] = std::max(size[int(a)] / float(m_dims[a]), 1e-30f);
            m_cellsPerUnit[a] = 1.0 / double(m_cellSize[int(a)]);
        }
    }

    int cellCount() const { return m_dims[0] * m_dims[1] * m_dims[2]; }
    int index(int x, int y, int z) const { return (z * m_dims[1] + y) * m_dims[0] + x; }

    // The product is off by one ulp of the quotient at most, which the margin around every triangle covers;
    // clamped first, the cell is not negative, so truncating is flooring.
    std::array<int, 3> cellOf(const V3f &p) const
    {
        std::array<int, 3> cell{};
        for (int a = 0; a < 3; ++a) {
            const double c = (double(p[a]) - m_box.min[a]) * m_cellsPerUnit[size_t(a)];
            cell[size_t(a)] = int(std::clamp(c, 0.0, double(m_dims[size_t(a)] - 1)));
        }
        return cell;
    }

    // The cells of the triangle's box widened by the margin; returns how many.
    qint64 span(const Face &face, std::array<int, 3> &from, std::array<int, 3> &to) const
    {
        V3f low = face.p[0], high = face.p[0];
        for (const V3f &p : face.p) {
            low = minV(low, p);
            high = maxV(high, p);
        }
        const V3f margin = m_cellSize * cellMargin;
        from = cellOf(low - margin);
        to = cellOf(high + margin);
        return qint64(to[0] - from[0] + 1) * (to[1] - from[1] + 1) * (to[2] - from[2] + 1);
    }

    // Every cell the ray passes from its origin's cell until it leaves the grid (Amanatides and Woo). An
    // origin outside the box starts in the nearest cell, which visits more cells than the ray meets, never
    // fewer.
    template <typename Visit> void walk(const V3f &origin, const V3f &dir, Visit &&visit) const
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
            visit(index(cell[0], cell[1], cell[2]));
            const size_t a = size_t(std::min_element(tMax.begin(), tMax.end()) - tMax.begin());
            if (tMax[a] == infinity)
                return;
            cell[a] += step[a];
            if (cell[a] < 0 || cell[a] >= m_dims[a])
                return;
            tMax[a] += tDelta[a];
        }
    }

private:
    Box3f m_box;
    std::array<int, 3> m_dims{1, 1, 1};
    V3f m_cellSize;
    std::array<double, 3> m_cellsPerUnit{}; // 1 / m_cellSize: a multiplication in place of a division
};

// The rays entered into the grid: a bit per cell that any ray passes, and the (cell, ray) pairs in cell order.
class RaysByCell
{
public:
    RaysByCell(const CellGrid &grid, const std::vector<MeshRay> &rays) : m_marked(size_t(grid.cellCount() / 64 + 1), 0)
    {
        for (int r = 0; r < int(rays.size()); ++r) {
            const MeshRay &ray = rays[size_t(r)];
            if (!ray.origin.isFinite() || !ray.dir.isFinite())
                continue;
            grid.walk(ray.origin, ray.dir, [&](int cell) {
                m_pairs.push_back({cell, r});
                m_marked[size_t(cell) / 64] |= std::uint64_t(1) << (cell % 64);
            });
        }
        std::sort(m_pairs.begin(), m_pairs.end());
    }

    bool isMarked(int cell) const { return (m_marked[size_t(cell) / 64] >> (cell % 64)) & 1; }

    template <typename Visit> void forEachRayIn(int cell, Visit &&visit) const
    {
        auto it = std::lower_bound(m_pairs.begin(), m_pairs.end(), std::pair<int, int>(cell, -1));
        for (; it != m_pairs.end() && it->first == cell; ++it)
            visit(it->second);
    }

private:
    std::vector<std::uint64_t> m_marked;
    std::vector<std::pair<int, int>> m_pairs;
};

} // namespace

std::vector<int> countRayHitsOnMesh(const Face *faces, int count, const std::vector<MeshRay> &rays)
{
    std::vector<int> hits(rays.size(), 0);
    Box3f box;
    if (count <= 0 || rays.empty() || !finiteBounds(faces, count, box))
        return hits;
    const CellGrid grid(box, count);
    const RaysByCell raysByCell(grid, rays);
    const int rayCount = int(rays.size());
    const int blocks = (count - 1) / trianglesPerBlock + 1;
    // Each block counts on its own, and remembers the last triangle each ray was tested against. Allocated
    // here: a worker's first allocation can cost it a fresh page of its own heap while everyone waits.
    std::vector<std::vector<int>> hitsOfBlock(size_t(blocks), std::vector<int>(size_t(rayCount), 0));
    std::vector<std::vector<int>> testedOnOfBlock(size_t(blocks), std::vector<int>(size_t(rayCount), -1));
    paralellEach(blocks, [&](int b, int) {
        std::vector<int> &blockHits = hitsOfBlock[size_t(b)];
        std::vector<int> &testedOn = testedOnOfBlock[size_t(b)];
        const auto test = [&](int r, int i) {
            if (testedOn[size_t(r)] == i)
                return;
            testedOn[size_t(r)] = i;
            const MeshRay &ray = rays[size_t(r)];
            double t = 0.0;
            if (i != ray.skipIndex && ray.origin.isFinite() && ray.dir.isFinite() &&
                rayHitsTriangle(ray.origin, ray.dir, faces[i], t))
                ++blockHits[size_t(r)];
        };
        const int end = std::min(count, (b + 1) * trianglesPerBlock);
        for (int i = b * trianglesPerBlock; i < end; ++i) {
            if (!faces[i].isFinite())
                continue;
            std::array<int, 3> from, to;
            // A triangle over more cells than there are rays is quicker to test against every ray.
            if (grid.span(faces[i], from, to) > rayCount) {
                for (int r = 0; r < rayCount; ++r)
                    test(r, i);
                continue;
            }
            for (int z = from[2]; z <= to[2]; ++z)
                for (int y = from[1]; y <= to[1]; ++y)
                    for (int x = from[0]; x <= to[0]; ++x) {
                        const int cell = grid.index(x, y, z);
                        if (raysByCell.isMarked(cell))
                            raysByCell.forEachRayIn(cell, [&](int r) { test(r, i); });
                    }
        }
    });
    for (const std::vector<int> &blockHits : hitsOfBlock)
        for (int r = 0; r < rayCount; ++r)
            hits[size_t(r)] += blockHits[size_t(r)];
    return hits;
}
