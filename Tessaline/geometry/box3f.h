#pragma once

#include "geometry/v3f.h"

// An axis-aligned box in millimetres: min then max. Empty meshes report the zero box.
struct Box3f {
    V3f min;
    V3f max;

    V3f center() const { return (min + max) * 0.5f; }
    V3f size() const { return max - min; }

    // Grows the box to hold p.
    void include(const V3f &p)
    {
        min = minV(min, p);
        max = maxV(max, p);
    }
    // The smallest box holding both (an accumulator starts from the first real box, not from zero).
    Box3f united(const Box3f &o) const { return {minV(min, o.min), maxV(max, o.max)}; }
};
