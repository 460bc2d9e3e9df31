#pragma once

#include "engine/linepattern.h"
#include "raster/plane1.h"
#include "raster/plane8.h"
#include "raster/polyline.h"

#include <QVector>

// Cuts pattern strands into the runs that lie inside a region (1-bit plane, 1 inside). A strand is walked
// pixel by pixel along its major axis from its lower end; tiles of 16 x 16 pixels that the region's tile map
// marks uniform are crossed without testing their pixels. Runs whose x and z extents both stay within the
// minimum length are dropped. Points are in pixels; the region must outlive the extractor.
class LineExtractor
{
public:
    LineExtractor(const Plane1 &region, float minimumRunLength);

    // The runs of one strand, two-point paths of `type` in walking order; `reversed` swaps each run's ends so
    // that every other line is drawn the other way.
    QVector<PolyLine> runs(const PatternLine &strand, SegType type, bool reversed) const;

    // Whether every pixel the straight line a - b crosses (walked the same way) is inside the region.
    bool insideRegion(const V2f &a, const V2f &b) const;

private:
    struct Walk;
    quint8 tileAt(int x, int y) const { return m_tiles.pixel(x >> 4, y >> 4); }

    const Plane1 &m_region;
    TileMap m_tiles;
    float m_minimumRunLength;
};
