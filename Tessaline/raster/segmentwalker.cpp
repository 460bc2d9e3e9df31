#include "raster/segmentwalker.h"

#include <QString>

#include <algorithm>

SegmentWalker::SegmentWalker(const FrameRect &frame, int columns, int rows)
    : m_minX(frame.minX), m_minZ(frame.minZ), m_columns(columns), m_rows(rows)
{
    const double spanX = double(frame.maxX) - frame.minX;
    const double spanZ = double(frame.maxZ) - frame.minZ;
    if (!(spanX > 0.0) || !(spanZ > 0.0) || !std::isfinite(spanX) || !std::isfinite(spanZ) || !std::isfinite(m_minX) ||
        !std::isfinite(m_minZ))
        throw "Plane8: invalid frame rectangle";
    m_scaleX = columns / spanX;
    m_scaleZ = rows / spanZ;
}

void SegmentWalker::clipToRows(int firstRow, int direction, int &kBegin, int &kEnd) const
{
    // Row of crossing k is firstRow + direction * k; keep the k whose row lies in 0 ... rows - 1.
    qint64 lo, hi; // inclusive range of k
    if (direction > 0) {
        lo = -qint64(firstRow);
        hi = qint64(m_rows) - 1 - firstRow;
    } else {
        lo = qint64(firstRow) - (m_rows - 1);
        hi = firstRow;
    }
    kBegin = int(std::max<qint64>(kBegin, lo));
    kEnd = int(std::min<qint64>(kEnd, hi + 1));
}
