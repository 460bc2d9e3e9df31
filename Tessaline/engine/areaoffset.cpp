#include "engine/areaoffset.h"

#include <algorithm>
#include <cmath>

namespace
{

// With the narrowest window (3) the threshold stays inside 1 ... 254 only for distances above about
// -1.49 pixels; below this the complement is shrunk instead.
constexpr double smallestDirectDistance = -1.0;
constexpr int maxHalfWindow = 7; // the blur window is at most 15 pixels
constexpr double longestStep = 7.0;

} // namespace

void AreaOffset::blurOffset(const Plane8 &source, const TileMap &sourceTiles, const BlurLevels &levels, Plane8 &target,
                            TileMap &targetTiles)
{
    BlurLevels plain = levels;
    plain.scale = 0;
    Plane8::blur2(plain, source, sourceTiles, m_half, m_halfTiles);
    Plane8::blur2(levels, m_half, m_halfTiles, target, targetTiles);
}

void AreaOffset::offset(const Plane8 &source, const TileMap &sourceTiles, double distance, double factor,
                        Plane8 &target, TileMap &targetTiles)
{
    // The widest window reaches about 7.4 pixels; longer offsets are made of equal steps, which add up on
    // straight edges.
    const int steps = std::isfinite(distance) ? std::max(1, int(std::ceil(std::fabs(distance) / longestStep))) : 1;
    if (steps > 1) {
        Plane8 stepped;
        TileMap steppedTiles;
        offsetStep(source, sourceTiles, distance / steps, factor, target, targetTiles);
        for (int step = 1; step < steps; ++step) {
            std::swap(stepped, target);
            std::swap(steppedTiles, targetTiles);
            offsetStep(stepped, steppedTiles, distance / steps, factor, target, targetTiles);
        }
        return;
    }
    offsetStep(source, sourceTiles, distance, factor, target, targetTiles);
}

void AreaOffset::offsetStep(const Plane8 &source, const TileMap &sourceTiles, double distance, double factor,
                            Plane8 &target, TileMap &targetTiles)
{
    if (distance >= smallestDirectDistance) {
        blurOffset(source, sourceTiles, ThresholdScaleFromWinsize(distance, factor), target, targetTiles);
        return;
    }
    complementCoverage(source, m_complement, m_complementTiles);
    Plane8 grown;
    TileMap grownTiles;
    blurOffset(m_complement, m_complementTiles, ThresholdScaleFromWinsize(-distance, factor), grown, grownTiles);
    complementCoverage(grown, target, targetTiles);
    // Outside the plane the blur sees nothing, so the shrunk complement leaves the plane's edge: growing
    // the area must not fill the frame margin, which never holds material.
    clearBorder(target, int(std::ceil(-distance)) + maxHalfWindow + 1);
    target.tileMap(targetTiles);
}

void AreaOffset::clearBorder(Plane8 &plane, int band)
{
    for (int y = 0; y < plane.height(); ++y) {
        quint8 *row = plane.row(y);
        if (y < band || y >= plane.height() - band) {
            std::fill(row, row + plane.width(), quint8(0));
            continue;
        }
        std::fill(row, row + std::min(band, plane.width()), quint8(0));
        std::fill(row + std::max(0, plane.width() - band), row + plane.width(), quint8(0));
    }
}

void complementCoverage(const Plane8 &source, Plane8 &target, TileMap &targetTiles)
{
    target.resize(source.width(), source.height());
    const qint64 count = qint64(source.width()) * source.height();
    const quint8 *from = source.data();
    quint8 *to = target.data();
    for (qint64 i = 0; i < count; ++i)
        to[i] = quint8(255 - from[i]);
    target.tileMap(targetTiles);
}
