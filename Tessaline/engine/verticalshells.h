#pragma once

#include "plane1.h"
#include "plane8.h"
#include "polyline.h"
#include "v2f.h"

#include <QVector>

struct SlicerParams;
class LayerOrdering;

// Loop and hair paths of one layer (the item of the loop cache), indexed by loop number k: entry 0 holds
// the perimeter and the outer hairs, entry k (1 ... VShellCnt - 1) loop k, entry VShellCnt the inner hairs.
using LayerShellPaths = QVector<QVector<PolyLine>>;

// The vertical shells of one layer: the perimeter and the inner loops, one extrusion width apart, and the
// hairs, open centre lines of walls and spikes too thin for a loop. Works on rasters: the layer's coverage
// is offset inwards by blur and threshold once per pass, each offset contour is traced into closed paths,
// and what remains inside the innermost loop is handed to the fills.
//
// Inputs: the settings (VShellCnt, VShellOffset, OuterHair, InnerHair, RepairCorners, LoopFillOverlap,
// PathSmoothing) and the pixels per extrusion width, fixed for the slice; per layer its coverage plane
// (0 empty ... 255 covered, in the raster frame, sizes multiples of 32).
// Output per layer: the loop and hair paths (pixels) and the inner area, a 1-bit plane with 1 for the pixels
// inside the innermost loop that the fills cover.
// One object per slice, used from one thread at a time; it keeps its working planes between layers. The
// blur and the tracing use the worker pool; results never depend on the thread count.
class VerticalShells
{
public:
    VerticalShells(const SlicerParams &sp, float pixelsPerEw);

    void build(const Plane8 &coverage, LayerShellPaths &paths, Plane1 &innerArea);

private:
    const SlicerParams &m_sp;
    float m_pixelsPerEw;
    Plane8 m_current;
    Plane8 m_half;
    Plane8 m_offset;
    TileMap m_currentTiles;
    TileMap m_halfTiles;
    TileMap m_offsetTiles;
    Plane1 m_visited;
};

// Orders one layer's shells and fills island by island into `ordering`: an island is an outer perimeter with
// everything that lies inside it (its holes, loops, hairs and fills) but not inside a nearer perimeter
// nested in one of its holes. From `position` the nearest island is ordered next; hairs and fills that lie
// in no island come last. Returns where the head ends.
V2f processIslands_and_RemainingHairs(LayerOrdering &ordering, const LayerShellPaths &shells, QVector<PolyLine> fills,
                                      V2f position);
