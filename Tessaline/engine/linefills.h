#pragma once

#include "engine/linepattern.h"
#include "raster/plane1.h"
#include "raster/polyline.h"

#include <QVector>

struct SliceContext;

// Line fills of one layer, run on the batch threads: infill lines in the sparse region (cache H), parallel-line
// shells in the shell region (cache G, HShellType 0) and the support lines, appended to the layer's lineFills.
// Touches only its own layer's record and cache slots.
void lineFills(SliceContext &context, int layerIndex);

// One fill of a region: the pattern, the paths' type, the shortest run kept (x or z extent, pixels) and how far
// apart the ends of neighbouring runs may be to be joined into one path (pixels).
struct FillRequest {
    LinePatternRequest pattern;
    SegType type = SegType::Infill;
    float minimumRunLength = 0.0f;
    float joinLimit = 0.0f;
};

// The region (1 inside) filled with the pattern's lines, cut to the region and joined.
QVector<PolyLine> fillRegion(const Plane1 &region, const FillRequest &request);
