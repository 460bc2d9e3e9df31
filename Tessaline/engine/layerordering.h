#pragma once

#include "engine/machinerecord.h"
#include "engine/pathordering.h"
#include "engine/travelplanes.h"
#include "engine/travelrouter.h"
#include "raster/rasterframe.h"

#include <QVector>

struct SlicerParams;

// The ordering stage of one layer ("OptToolPath"): prepares the travel planes from the layer's area and its
// neighbours', then orders the skirt or brim rings, the support-bar paths and, island by island, the loops, hairs and fills into the
// one list the G-code writer reads, with Travel paths between them. Pixels throughout.
//
// Inputs: the settings (PerimeterGap, HShellType, TravelMinDist), the raster frame, the three area planes
// (set bits empty) and the pixels per extrusion width. Output: paths(), in print order. One object per
// layer and thread; the planes are copied, so the caller's caches may move on.
class LayerOrdering
{
public:
    LayerOrdering(const SlicerParams &sp, const RasterFrame &frame, const Plane1 &area, const Plane1 &below,
                  const Plane1 &above, float pixelsPerEw);
    LayerOrdering(const LayerOrdering &) = delete;
    LayerOrdering &operator=(const LayerOrdering &) = delete;

    // Each returns where the head ends, which is where the next group starts from.
    V2f orderSupportBars(QVector<PolyLine> paths, V2f position, float smallestBarWidthPixels);
    V2f orderIsland(QVector<PolyLine> paths, V2f position);
    // Paths that must print in the order given (the skirt or brim rings, built around the head's start).
    V2f orderAsGiven(QVector<PolyLine> paths, V2f position);

    // Prepares the routing ahead of the ordering (see TravelRouter::prepare).
    void prepareRoutes() { m_router.prepare(); }

    QVector<PolyLine> &paths() { return m_paths; }

private:
    const SlicerParams &m_sp;
    float m_pixelsPerEw;
    TravelPlanes m_planes;
    TravelRouter m_router;
    QVector<PolyLine> m_paths;
};

// Where a layer's ordering starts when layers are ordered in parallel (LayerStartPos 1 to 5): a point far
// outside the bed, in pixels, in the chosen direction (a fixed pseudo-random one per layer for 1). Throws
// "FATAL ERROR: invalid sp.LayerStartPos while paralellLayerProcessing" followed by the value for any other.
V2f layerStartPoint(int layerStartPos, int layerIndex, const MachineRecord &machine, float pixelsPerEw);
