#pragma once

#include "engine/areaoffset.h"
#include "engine/hairdetect.h"
#include "raster/plane1.h"
#include "raster/plane8.h"
#include "raster/polyline.h"

#include <QVector>

#include <memory>

// Fills a region with concentric closed loops one extrusion width apart, the first half a width inside the
// region's edge, the way the vertical shells are offset: blur and threshold per pass, each offset traced.
// What no loop reaches - the middle of a region whose width is not a whole number of loops, necks where the
// next offset breaks apart, strips thinner than one width - gets open centre lines, found by the hair
// detector's thinning, so that the shell closes without printing anything twice.
// Input: a 1-bit region (1 inside) in the raster frame; output: closed and open "HShell" paths in pixels.
// One object per call site and thread; the blur and the tracing use the worker pool.
class ConcentricFill
{
public:
    ConcentricFill(float pixelsPerEw, float smoothingTolerance);

    QVector<PolyLine> fill(const Plane1 &region);

private:
    float m_pixelsPerEw;
    float m_tolerance;
    AreaOffset m_offsetter;
    std::unique_ptr<HairDetector> m_centreLines;
    Plane8 m_current;
    Plane8 m_next;
    TileMap m_currentTiles;
    TileMap m_nextTiles;
    Plane1 m_visited;
};
