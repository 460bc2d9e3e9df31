#pragma once

#include "raster/rasterframe.h"
#include "raster/slicelayer.h"

#include <atomic>
#include <vector>

class EdgeMarkPlane;
class Plane1;
class Plane8;

// Fill rules for turning a layer's segments into its area (the PolyFillerAlg setting).
enum class PolyFiller : int { NonZero = 0, Positive = 1, Odd = 2 };

// Turns a layer's segments into its area planes. The layer is rasterised with the check on; when its
// contours do not close, its mesh segments are repaired and it is rasterised again. Once more than
// maxCheckedRepairs layers of the slice have needed repair the mesh is taken as broken throughout and
// every layer is repaired straight away, which costs less than rasterising twice.
//
// Inputs: the layer table of LayerCutter, the raster frame, the fill rule. Outputs: the coverage plane
// (0 ... 255) and the layer plane, 1 for empty pixels and 0 for solid ones. One preparer serves one
// slice; its repair counter is shared by all its calls.
class LayerAreaPreparer
{
public:
    static constexpr int maxCheckedRepairs = 20;
    // Endpoints closer than this (mm) are taken as one when closing contours.
    static constexpr float repairTolerance = 0.01f * (1.0f / cellFraction);

    LayerAreaPreparer(const RasterFrame &frame, int polyFillerAlg);

    // A layer index outside the table gives an empty area (coverage 0, layer plane all 1).
    // The repair may append segments to the layer's mesh list.
    void prepare(std::vector<SliceLayer> &layers, int layerIndex, Plane8 &coverage, Plane1 &area,
                 EdgeMarkPlane &scratch);
    // The same with the repair decision taken by the caller: layers prepared side by side on several threads
    // share one decision taken before them, so that the result does not depend on which finished first.
    // Safe to call from several threads at once for different layers. Returns whether the layer was repaired.
    bool prepare(std::vector<SliceLayer> &layers, int layerIndex, Plane8 &coverage, Plane1 &area,
                 EdgeMarkPlane &scratch, bool repairEverything);
    bool repairsEverything() const { return m_repairCount.load() > maxCheckedRepairs; }

    int repairCount() const { return m_repairCount.load(); }

private:
    bool rasterise(const std::vector<Seg2f> &segs, Plane8 &coverage, EdgeMarkPlane &scratch, bool check) const;

    RasterFrame m_frame;
    int m_polyFillerAlg;
    std::atomic<int> m_repairCount{0};
};
