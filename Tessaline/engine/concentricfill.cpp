#include "engine/concentricfill.h"

#include "raster/contourtracer.h"

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
    QVector<PolyLine> paths;
    if (region.width() <= 0 || region.height() <= 0)
        return paths;
    coverageOf(region, m_current);
    m_current.tileMap(m_currentTiles);
    if (isEmptyArea(m_currentTiles))
        return paths;
    if (!m_centreLines || m_centreLines->lostArea().width() != region.width() ||
        m_centreLines->lostArea().height() != region.height())
        m_centreLines = std::make_unique<HairDetector>(region.width(), region.height(), m_pixelsPerEw);
    const double p = m_pixelsPerEw;
    // An area shrinks by a width per pass, so no region needs more passes than this.
    const int passLimit = int(std::ceil(std::max(region.width(), region.height()) / p)) + 2;
    for (int pass = 0; pass < passLimit; ++pass) {
        const bool first = pass == 0;
        m_offsetter.offset(m_current, m_currentTiles, first ? 0.5 * p : p, first ? 1.0 : 0.5, m_next, m_nextTiles);
        // The region's own edge must be printed up to the edge; after a loop, everything from half a width
        // inside it is the next loop's - whatever that loop cannot reach is collected for a centre line.
        m_centreLines->hairDetect0(m_current, first ? 0.0 : 0.5 * p, m_next);
        std::swap(m_current, m_next);
        std::swap(m_currentTiles, m_nextTiles);
        if (isEmptyArea(m_currentTiles))
            break;
        QVector<PolyLine> traced;
        contourDetect3(traced, m_current, m_visited, m_currentTiles, SegType::HShell, m_tolerance);
        paths += traced;
    }
    paths += m_centreLines->hairDetect1(SegType::HShell, HairDetectConstants::firstAndLast());
    return paths;
}
