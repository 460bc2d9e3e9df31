#pragma once

#include <QtGlobal>

// The share of an extrusion width that one raster pixel nominally covers ("EW/3"). Everything measured in
// pixels per extrusion width derives from it: the frame's pixel size, the wipe length, tolerances and sampling
// steps. Changing it changes every G-code the slicer writes.
constexpr float cellFraction = 0.333f;

// The pixel grid shared by every layer of one slice. A pixel is nominally a third of the extrusion width;
// the real pixel size is a little smaller so that the frame rectangle divides into a whole number of
// pixels. Width and height are multiples of 32, which every raster operator relies on.
// Units: pixels for the size, millimetres for everything else.
struct RasterFrame {
    qint32 width = 0;        // pixels along x, a multiple of 32
    qint32 height = 0;       // pixels along z, a multiple of 32
    float pixelSizeX = 0.0f; // mm per pixel along x
    float pixelSizeZ = 0.0f; // mm per pixel along z
    float originX = 0.0f;    // x of the first pixel's corner, mm
    float originZ = 0.0f;    // z of the first pixel's corner, mm

    // The frame rectangle in mm; the rasterisers map it onto the whole plane.
    float minX = 0.0f;
    float minZ = 0.0f;
    float maxX = 0.0f;
    float maxZ = 0.0f;
};
