#pragma once

#include "raster/plane8.h"
#include "raster/seg2f.h"

#include <cmath>

// Walks directed segments over the rows of a grid and reports one crossing column per row, shared by the
// three rasterisers so that they agree on which row a vertex belongs to.
// A point maps to grid coordinates round((x - minX) * columns / (maxX - minX)) and likewise for z, with
// round(v) = floor(v + 0.5). A segment going down marks rows Z0, Z0 - 1, ..., Z1 + 1 (x taken before each
// step), one going up marks rows Z0 + 1, ..., Z1 (x stepped first): the lower end row belongs to the segment
// going up only, so a shared vertex is counted once. The x step per row is accumulated in float.
// Crossing columns are clamped into the grid (a crossing left of the frame still changes the whole row);
// rows outside the grid are skipped; segments with non-finite coordinates are dropped.
class SegmentWalker
{
public:
    SegmentWalker(const FrameRect &frame, int columns, int rows);

    // visit(row, column, goingUp) for every crossing of the segment inside the grid.
    template <class Visit> void walk(const Seg2f &seg, Visit &&visit) const
    {
        int x0, z0, x1, z1;
        if (!toGrid(seg.x0, m_scaleX, m_minX, x0) || !toGrid(seg.z0, m_scaleZ, m_minZ, z0) ||
            !toGrid(seg.x1, m_scaleX, m_minX, x1) || !toGrid(seg.z1, m_scaleZ, m_minZ, z1) || z0 == z1)
            return;
        const bool up = z1 > z0;
        const int rowCount = up ? z1 - z0 : z0 - z1;
        const float step = float(x1 - x0) / float(rowCount);
        // Row of the k-th crossing (k = 0 ... rowCount - 1) and the number of steps taken before it.
        const int firstRow = up ? z0 + 1 : z0;
        const int direction = up ? 1 : -1;
        int kBegin = 0, kEnd = rowCount;
        clipToRows(firstRow, direction, kBegin, kEnd);
        if (kBegin >= kEnd)
            return;
        float x = float(x0);
        const int stepsBefore = up ? 1 : 0;
        // In-frame segments accumulate exactly as the walk describes; a segment reaching far outside the grid
        // jumps to its first visible row instead of stepping through millions of invisible ones.
        if (kBegin + stepsBefore > 2 * m_rows)
            x = float(x0) + step * float(kBegin + stepsBefore);
        else
            for (int k = 0; k < kBegin + stepsBefore; ++k)
                x += step;
        for (int k = kBegin; k < kEnd; ++k) {
            visit(firstRow + direction * k, column(x), up);
            x += step;
        }
    }

private:
    static bool toGrid(float v, double scale, double origin, int &out)
    {
        const double g = std::floor((double(v) - origin) * scale + 0.5);
        if (!std::isfinite(g))
            return false;
        // Far outside points keep their direction but stay within int range for the row arithmetic.
        constexpr double limit = 1 << 29;
        out = int(g < -limit ? -limit : g > limit ? limit : g);
        return true;
    }

    int column(float x) const
    {
        const float c = std::floor(x + 0.5f);
        return c < 0.0f ? 0 : c > float(m_columns - 1) ? m_columns - 1 : int(c);
    }

    void clipToRows(int firstRow, int direction, int &kBegin, int &kEnd) const;

    double m_minX, m_minZ, m_scaleX, m_scaleZ;
    int m_columns, m_rows;
};
