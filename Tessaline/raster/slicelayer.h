#pragma once

#include "raster/seg2f.h"

#include <QtGlobal>

#include <vector>

// What mesh slicing leaves for one layer. The slice driver keeps these in one array, one per layer, and
// its path stages keep their own per-layer results (paths, G-code text) beside them.
// Units: millimetres in the layer's (x, z) plane.
struct SliceLayer {
    qint32 index = 0;
    // The layer's nominal height read by the later stages: the first layer's half thickness for layer 0,
    // the middle of the printed layer above it. The cut itself is taken at the layer's plane (LayerCutter).
    float height = 0.0f;
    // Directed cross-section segments of the objects, solid on the right; their order means nothing.
    std::vector<Seg2f> meshSegs;
    // The same for the support bars, kept apart because supports are printed differently.
    std::vector<Seg2f> supportSegs;
};
