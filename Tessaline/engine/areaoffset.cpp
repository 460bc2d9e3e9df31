#include "areaoffset.h"

namespace
{

// With the narrowest window (3) the threshold stays inside 1 ... 254 only for distances above about
// -1.49 pixels; below this the complement is shrunk instead.
constexpr double smallestDirectDistance = -1.0;

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
    if (distance >= smallestDirectDistance) {
        blurOffset(source, sourceTiles, ThresholdScaleFromWinsize(distance, factor), target, targetTiles);
        return;
    }
    complementCoverage(source, m_complement, m_complementTiles);
    Plane8 grown;
    TileMap grownTiles;
    blurOffset(m_complement, m_complementTiles, ThresholdScaleFromWinsize(-distance, factor), grown, grownTiles);
    complementCoverage(grown, target, targetTiles);
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
