#pragma once

#include "raster/plane1.h"
#include "raster/rasterframe.h"

struct SliceContext;

// What the first layer covers, on the slice's raster frame grown by a margin on every side so that skirts,
// brims and rafts reaching beyond the parts still fit on the plane. Pixel (x, y) of the grown frame is pixel
// (x - margin, y - margin) of the slice's frame, so paths built here move back by subtracting the margin.
struct FirstLayerFootprint {
    int margin = 0;    // pixels added on every side, a multiple of 32
    RasterFrame frame; // the grown frame
    Plane1 solid;      // 1 where layer 0 has an object or a support bar, 0 elsewhere
};

// Builds the footprint from layer 0's prepared coverage (the objects) and its support-bar segments. The
// margin is rounded up to the plane alignment. Throws when the grown frame would be too large to allocate
// (a skirt or raft offset of metres).
FirstLayerFootprint firstLayerFootprint(const SliceContext &context, int marginPixels);

// Layer 0's prepared area on the footprint's grown frame, as the layer planes hold it: 1 where no object is
// (the grown border too), 0 on the objects. Support bars are not in it.
Plane1 firstLayerEmptyArea(const SliceContext &context, const FirstLayerFootprint &footprint);

// 255 where `solid` is set, 0 elsewhere: the form the contour tracer reads.
void coverageOf(const Plane1 &solid, Plane8 &coverage);

// A distance in extrusion widths as whole pixels; rejects values that are not finite and treats negative ones
// as 0, since a skirt or raft cannot reach into the parts. `key` names the setting in the message.
int widthsToPixels(float widths, float pixelsPerEw, const char *key);
