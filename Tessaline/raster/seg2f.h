#pragma once

#include <type_traits>

// One directed cut segment of a layer, in millimetres in the layer's (x, z) plane.
// The solid lies on its right when x points right and z points up: outer contours run clockwise,
// holes anticlockwise. The rasterisers count windings from the direction alone, so segment order
// within a layer never matters.
struct Seg2f {
    float x0 = 0.0f; // start x
    float z0 = 0.0f; // start z
    float x1 = 0.0f; // end x
    float z1 = 0.0f; // end z

    Seg2f() = default;
    Seg2f(float startX, float startZ, float endX, float endZ) : x0(startX), z0(startZ), x1(endX), z1(endZ) {}
};

// Layers hold millions of these in flat arrays that are copied and scanned as raw memory.
static_assert(sizeof(Seg2f) == 4 * sizeof(float), "Seg2f is four packed floats");
static_assert(std::is_trivially_copyable<Seg2f>::value, "Seg2f is copied as plain memory");
