#include "raygrid.h"

#include "meshray.h"
#include "platform/memory.h"
#include "workerthread.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace
{

// About one cell per triangle, the cells as near cubic as the box allows, never more than this many.
constexpr double maxCells = 1 << 22;
constexpr float cellMargin = 1e-3f;

// Ranges of triangles binned at once, and cells per block of the prefix over them.
constexpr int maxBinRanges = 4;
constexpr int cellsPerBlock = 1 << 16;
constexpr int trianglesPerBoundsBlock = 1 << 15;

bool isFiniteFace(const Face &face)
{
    return face.p[0].isFinite() && face.p[1].isFinite() && face.p[2].isFinite();
}

// The box of the finite triangles, by blocks on all threads. Blocks are joined in order and a box keeps its
// own bound on a tie, so the result is the one box of a single pass (down to the sign of a zero).
Box3f finiteBounds(const Face *faces, int count)
{
    const int blocks = std::max(1, (count - 1) / trianglesPerBoundsBlock + 1);
    std::vector<Box3f> boxOf(static_cast<size_t>(blocks));
    std::vector<char> started(size_t(blocks), 0);
    paralellEach(blocks, [&](int b, int) {
        const int end = std::min(count, (b + 1) * trianglesPerBoundsBlock);
        int i = b * trianglesPerBoundsBlock;
        while (i < end && !isFiniteFace(faces[i]))
            ++i;
        if (i == end)
            return;
        Box3f box{faces[i].p[0], faces[i].p[0]}; // local, so that it stays in registers
        for (; i < end; ++i)
            if (isFiniteFace(faces[i]))
                for (const V3f &p : faces[i].p)
                    box.include(p);
        boxOf[size_t(b)] = box;
        started[size_t(b)] = 1;
    });
    Box3f box;
    bool any = false;
    for (int b = 0; b < blocks; ++b) {
        if (!started[size_t(b)])
            continue;
        box = any ? box.united(boxOf[size_t(b)]) : boxOf[size_t(b)];
        any = true;
    }
    return box;
}

// Room for `count` values in a fresh vector before anything is written to it: on huge pages when it is big,
// and mapped in one call rather than by a page fault per 4 KB.
void reserveFresh(std::vector<int> &values, size_t count)
{
    values.reserve(count);
    platform::adviseHugePages(values.data(), count * sizeof(int));
    platform::prefaultPages(values.data(), count * sizeof(int));
}

} // namespace

RayGrid::RayGrid(const Face *faces, int count) : m_faces(faces), m_count(count)
{
    m_box = finiteBounds(faces, count);
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
        m_cellsPerUnit[size_t(a)] = 1.0 / double(m_cellSize[a]);
    }
    binTriangles(count);
}

// Called for both corners of every triangle's box in both binning passes. The product is off by one ulp of the
// quotient at most, which the margin around every triangle covers; clamped first, the cell is not negative, so
// truncating is flooring (and needs no call to the maths library).
std::array<int, 3> RayGrid::cellOf(const V3f &p) const
{
    std::array<int, 3> cell{};
    for (int a = 0; a < 3; ++a) {
        const double c = (double(p[a]) - m_box.min[a]) * m_cellsPerUnit[size_t(a)];
        cell[size_t(a)] = int(std::clamp(c, 0.0, double(m_dims[size_t(a)] - 1)));
    }
    return cell;
}

void RayGrid::cellSpanOf(const Face &face, std::array<int, 3> &from, std::array<int, 3> &to) const
{
    V3f low = face.p[0], high = face.p[0];
    for (const V3f &p : face.p) {
        low = minV(low, p);
        high = maxV(high, p);
    }
    const V3f margin = m_cellSize * cellMargin;
    from = cellOf(low - margin);
    to = cellOf(high + margin);
}

template <typename Visit> void RayGrid::forEachCellOf(const Face &face, Visit &&visit) const
{
    std::array<int, 3> from, to;
    cellSpanOf(face, from, to);
    for (int z = from[2]; z <= to[2]; ++z)
        for (int y = from[1]; y <= to[1]; ++y)
            for (int x = from[0]; x <= to[0]; ++x)
                visit(cellIndex(x, y, z));
}

// Each cell lists its triangles in index order. The triangles are split into a few ranges binned on all
// threads: every range counts its entries per cell, a prefix over (cell, range) gives each range its own
// place within every cell, and the ranges then fill their places. Range r's entries of a cell come before
// range r + 1's, so the lists do not depend on the number of ranges.
void RayGrid::binTriangles(int count)
{
    const int cellCount = m_dims[0] * m_dims[1] * m_dims[2];
    // A count per cell and range: few ranges, since there are about as many cells as triangles.
    const int ranges = std::max(1, std::min({workerThreadCount(), maxBinRanges, count}));
    const auto rangeBegin = [&](int r) { return int(qint64(count) * r / ranges); };
    // Each range stops counting once it alone is over the limit, so that no mesh takes long to give up on.
    const qint64 maxEntries = std::min<qint64>(qint64(maxEntriesPerTriangle) * count, std::numeric_limits<int>::max());
    std::vector<std::vector<int>> place(static_cast<size_t>(ranges));
    std::vector<char> overLimit(static_cast<size_t>(ranges), 0);
    paralellEach(ranges, [&](int r, int) {
        std::vector<int> &counts = place[size_t(r)];
        reserveFresh(counts, size_t(cellCount));
        counts.assign(size_t(cellCount), 0);
        qint64 entries = 0;
        for (int i = rangeBegin(r); i < rangeBegin(r + 1); ++i) {
            if (!isFiniteFace(m_faces[i]))
                continue;
            std::array<int, 3> from, to;
            cellSpanOf(m_faces[i], from, to);
            entries += qint64(to[0] - from[0] + 1) * (to[1] - from[1] + 1) * (to[2] - from[2] + 1);
            if (entries > maxEntries) {
                overLimit[size_t(r)] = 1;
                return;
            }
            for (int z = from[2]; z <= to[2]; ++z)
                for (int y = from[1]; y <= to[1]; ++y)
                    for (int x = from[0]; x <= to[0]; ++x)
                        ++counts[size_t(cellIndex(x, y, z))];
        }
    });
    if (std::find(overLimit.begin(), overLimit.end(), 1) != overLimit.end())
        return;

    // The prefix in blocks of cells: the entries of each block, their running sum, then each block's places.
    const int blocks = (cellCount - 1) / cellsPerBlock + 1;
    const auto blockCells = [&](int b, auto &&visit) {
        for (int c = b * cellsPerBlock; c < std::min(cellCount, (b + 1) * cellsPerBlock); ++c)
            visit(c);
    };
    std::vector<qint64> blockStart(size_t(blocks) + 1, 0);
    paralellEach(blocks, [&](int b, int) {
        qint64 entries = 0;
        blockCells(b, [&](int c) {
            for (const std::vector<int> &counts : place)
                entries += counts[size_t(c)];
        });
        blockStart[size_t(b) + 1] = entries;
    });
    for (int b = 0; b < blocks; ++b)
        blockStart[size_t(b) + 1] += blockStart[size_t(b)];
    if (blockStart.back() > maxEntries)
        return;
    const size_t entries = size_t(blockStart.back());
    reserveFresh(m_cellStart, size_t(cellCount) + 1);
    m_cellStart.resize(size_t(cellCount) + 1);
    m_cellStart.back() = int(entries);
    paralellEach(blocks, [&](int b, int) {
        int next = int(blockStart[size_t(b)]);
        blockCells(b, [&](int c) {
            m_cellStart[size_t(c)] = next;
            for (std::vector<int> &counts : place) {
                const int n = counts[size_t(c)];
                counts[size_t(c)] = next;
                next += n;
            }
        });
    });

    reserveFresh(m_triangles, entries);
    m_triangles.resize(entries);
    paralellEach(ranges, [&](int r, int) {
        std::vector<int> &cursor = place[size_t(r)];
        for (int i = rangeBegin(r); i < rangeBegin(r + 1); ++i)
            if (isFiniteFace(m_faces[i]))
                forEachCellOf(m_faces[i], [&](int cell) { m_triangles[size_t(cursor[size_t(cell)]++)] = i; });
    });
    m_binned = true;
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
    if (!origin.isFinite() || !dir.isFinite())
        return 0;
    if (!m_binned)
        return countEveryTriangle(origin, dir, skipIndex);
    if (m_triangles.empty())
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

// The rays of a mesh that was not binned, with the triangles the grid would have had.
int RayGrid::countEveryTriangle(const V3f &origin, const V3f &dir, int skipIndex) const
{
    int hits = 0;
    for (int i = 0; i < m_count; ++i) {
        double t = 0.0;
        if (i != skipIndex && isFiniteFace(m_faces[i]) && rayHitsTriangle(origin, dir, m_faces[i], t))
            ++hits;
    }
    return hits;
}
