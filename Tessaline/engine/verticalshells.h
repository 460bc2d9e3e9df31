#pragma once

#include "engine/areaoffset.h"
#include "engine/hairdetect.h"
#include "engine/islands.h"
#include "raster/plane1.h"
#include "raster/plane8.h"
#include "raster/polyline.h"

#include <QVector>

#include <memory>

struct SlicerParams;

// The vertical shells of one layer: the perimeter and the inner loops, one extrusion width apart, and the
// hairs, open centre lines of walls and spikes too thin for a loop. Works on rasters: the layer's coverage
// is offset inwards by blur and threshold once per pass, each offset contour is traced into closed paths,
// and what remains inside the innermost loop is handed to the fills.
//
// Inputs: the settings (VShellCnt, VShellOffset, OuterHair, InnerHair, RepairCorners, LoopFillOverlap,
// PathSmoothing) and the pixels per extrusion width, fixed for the slice; per layer its coverage plane
// (0 empty ... 255 covered, in the raster frame, sizes multiples of 32).
// Output per layer: the loop and hair paths (pixels, see LayerShellPaths) and the inner area, a 1-bit plane
// with 1 for the pixels inside the innermost loop that the fills cover.
// One object per slice, used from one thread at a time; it keeps its working planes between layers. The
// blur and the tracing use the worker pool; results never depend on the thread count.
class VerticalShells
{
public:
    VerticalShells(const SlicerParams &sp, float pixelsPerEw);

    void build(const Plane8 &coverage, LayerShellPaths &paths, Plane1 &innerArea);

    // Passes that can still find something on a plane of this size: an area shrinks by a width per pass,
    // so a loop count beyond this only adds empty loops.
    int effectiveLoopCount(int width, int height) const;

private:
    struct Pass {
        double distance;
        double factor;
    };
    Pass pass(int k, int loops) const;
    void traceLoop(const Plane8 &area, const TileMap &tiles, int loopIndex, QVector<PolyLine> &out);
    QVector<PolyLine> maskHairs(const QVector<PolyLine> &hairs, const Plane8 &remainingArea) const;
    void innerAreaOf(const Plane8 &remaining, Plane1 &innerArea) const;

    const SlicerParams &m_sp;
    float m_pixelsPerEw;
    AreaOffset m_offsetter;
    std::unique_ptr<HairDetector> m_hairs;
    Plane8 m_current;
    Plane8 m_offset;
    TileMap m_coverageTiles;
    TileMap m_currentTiles;
    TileMap m_offsetTiles;
    Plane1 m_visited;
};
