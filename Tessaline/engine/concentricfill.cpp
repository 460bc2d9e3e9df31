#include "concentricfill.h"

#include "contourtracer.h"

#include <algorithm>
#include <cmath>

namespace
{

bool isEmptyArea(const TileMap &tiles)
{
    const qint64 count = qint64(tiles.width()) * tiles.height();
    return std::all_of(tiles.data(), tiles.data() + count, [](quint8 tile) { return tile == 0; });
}

void coverageOf(const Plane1 &region, Plane8 &coverage)
{
    coverage.resize(region.width(), region.height());
    for (int y = 0; y < region.height(); ++y) {
        quint8 *row = coverage.row(y);
        for (int x = 0; x < region.width(); ++x)
            row[x] = region.pixel(x, y) ? 255 : 0;
    }
}

} // namespace

ConcentricFill::ConcentricFill(float pixelsPerEw, float smoothingTolerance)
    : m_pixelsPerEw(pixelsPerEw), m_tolerance(smoothingTolerance)
{
}

QVector<PolyLine> ConcentricFill::fill(const Plane1 &region)
{
    QVector<PolyLine> loops;
    if (region.width() <= 0 || region.height() <= 0)
        return loops;
    coverageOf(region, m_current);
    m_current.tileMap(m_currentTiles);
    const double p = m_pixelsPerEw;
    // An area shrinks by a width per pass, so no region needs more passes than this.
    const int passLimit = int(std::ceil(std::max(region.width(), region.height()) / p)) + 2;
    for (int pass = 0; pass < passLimit && !isEmptyArea(m_currentTiles); ++pass) {
        const bool first = pass == 0;
        m_offsetter.offset(m_current, m_currentTiles, first ? 0.5 * p : p, first ? 1.0 : 0.5, m_next, m_nextTiles);
        std::swap(m_current, m_next);
        std::swap(m_currentTiles, m_nextTiles);
        if (isEmptyArea(m_currentTiles))
            break;
        QVector<PolyLine> traced;
        contourDetect3(traced, m_current, m_visited, m_currentTiles, SegType::HShell, m_tolerance);
        loops += traced;
    }
    return loops;
}
