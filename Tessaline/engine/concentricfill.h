#pragma once

#include "areaoffset.h"
#include "plane1.h"
#include "plane8.h"
#include "polyline.h"

#include <QVector>

// Fills a region with concentric closed loops one extrusion width apart, the first half a width inside the
// region's edge, the way the vertical shells are offset: blur and threshold per pass, each offset traced.
// Input: a 1-bit region (1 inside) in the raster frame; output: closed "HShell" paths in pixels.
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
    Plane8 m_current;
    Plane8 m_next;
    TileMap m_currentTiles;
    TileMap m_nextTiles;
    Plane1 m_visited;
};
