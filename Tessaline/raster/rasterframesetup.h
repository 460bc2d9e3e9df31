#pragma once

#include "geometry/box3f.h"
#include "raster/rasterframe.h"

// The raster frame of one slice: the (x, z) extent of `box` grown by one extrusion width on every side,
// cut into pixels of about extrusionWidth * cellFraction mm, the pixel counts rounded up to multiples of
// 32 and the pixel size shrunk to fit them exactly.
// Throws for an extrusion width that is not positive and finite and for a frame too large to allocate.
RasterFrame setupRasterFrame(const Box3f &box, float extrusionWidth);

// Upper limit of width * height: the slice keeps several planes and a 4-byte-per-pixel scratch of this
// size, so a frame beyond it (a scene kilometres wide, a hair-thin extrusion) cannot be sliced.
constexpr qint64 maxFramePixels = qint64(1) << 27;
