#pragma once

#include "geometry/faces.h"

// The 16-triangle body of a support bar from `lower` to `upper` (mm) whose cross-section is the
// axis-aligned square of side `width` around the axis, in the layout the layer cutter reads:
// one group of four records per side of the square, the sides in clockwise order in the (x, z) plane
// (x right, z up), starting with the side at x - width / 2:
//   0  the upper triangle of the side (display and picking only),
//   1  the lower triangle of the side, read by the cutter as a parallelogram: two lower corners, then
//      the upper corner above the first,
//   2  a triangle of the bottom cap, 3  a triangle of the top cap (horizontal: cutting gives nothing).
// Together the 16 triangles close the bar, wound counter-clockwise seen from outside.
Faces supportBarBody(const V3f &lower, const V3f &upper, float width);

// What the layer cutter needs of one support bar: its 16-triangle body (laid out as above), its width
// (mm) and its slope ((|dx| + |dz|) / dy).
struct CutBar {
    Faces body;
    float width = 0.0f;
    float slope = 0.0f;
};
