#pragma once

#include "engine/fifo.h"
#include "engine/islands.h"
#include "engine/layerordering.h"
#include "engine/machinerecord.h"
#include "engine/slicerparams.h"
#include "engine/verticalshells.h"
#include "geometry/v2f.h"
#include "raster/layercutter.h"
#include "raster/plane1.h"
#include "raster/plane8.h"
#include "raster/polyline.h"
#include "raster/rasterframe.h"

#include <QByteArray>
#include <QVector>

#include <memory>
#include <vector>

using PathList = QVector<PolyLine>;

// What the path stages keep for one layer beside its cut segments, filled during the sweep and released as
// soon as the layer's G-code is in the result. Paths are in raster pixels.
struct SlicerLayer {
    PathList orderedPaths;    // in print order with travels, what the G-code writer reads
    PathList lineFills;       // infill, parallel-line shells and support lines
    PathList supportBarPaths; // the bars' own paths
    PathList firstLayerLoops; // skirt or brim rings of layer 0, printed before anything else, in their order
    QByteArray gcode;         // the layer's text, framed for the file
    LayerShellPaths loops;    // perimeters, loops and hairs, taken out of cache A when the layer is finished
    // Prepared with the layer's paths for the ordering: its travel planes and routes, its paths by island.
    std::unique_ptr<LayerOrdering> ordering;
    LayerIslands islands;
};

// Everything the stages of one slice share: the settings, the machine, the raster frame, the values derived
// from them, the per-layer records and the caches A and C to H keyed by layer index (support paths need no
// cache: a bar's paths come from its layer's cut and the areas above it). The driver (Slicer) owns it for
// one run; a stage reads and writes only the entries of the layers it is called for.
//
// Cache contents:  A loop and hair paths   C area planes (set bit = empty)
//   D inner areas inside the last loop   E pair intersections of inner areas   F window intersections
//   G horizontal-shell regions   H sparse-infill regions
struct SliceContext {
    SliceContext(const SlicerParams &params, const MachineRecord &machineRecord, int batchSize);

    const SlicerParams &sp;
    const MachineRecord &machine;

    // Derived values.
    int K;                    // batch size: the slicing threads
    int N;                    // horizontal-shell window, HShellCnt
    int loopCount;            // VShellCnt
    float extrusionWidth;     // mm
    float nominalPixelSize;   // mm
    float pixelsPerEw;        // about 3.003
    float smoothingTolerance; // pixels squared, for PolyLine::simplify
    float barWidth = 0.0f;    // the narrowest support bar, mm; 0 without bars
    float raftHeight = 0.0f;  // mm; the raft stage raises it
    float halfBuildWidth;     // mm
    float halfBuildDepth;     // mm
    V2f lastHeadPosition{0.0f, 0.0f};
    bool paralellGCode;   // LayerStartPos > 0: each layer is ordered from its own start, on any thread
    QByteArray raftGCode; // written after the header

    // After mesh slicing.
    LayerCutter cutter;
    RasterFrame frame;
    int layerCount = 0;
    std::vector<SlicerLayer> layers;
    // The coverage of layer 0 (0 ... 255), for the first-layer structures.
    Plane8 coverage;

    FIFO<LayerShellPaths> A;
    FIFO<Plane1> C;
    FIFO<Plane1> D;
    FIFO<Plane1> E;
    FIFO<Plane1> F;
    FIFO<Plane1> G;
    FIFO<Plane1> H;

    // Layers the caches hold beyond what the stages read, so that the look-ahead and the shell regions can run
    // ahead while earlier layers are still being finished on other threads.
    static constexpr int pipelineSlack = 16;

    bool isLayer(int index) const { return index >= 0 && index < layerCount; }
    std::vector<SliceLayer> &cutLayers() { return cutter.layers(); }
};
