#pragma once

#include "face.h"
#include "v3f.h"

#include <cmath>

// What a project file keeps of a support bar: its two end points (mm) and its width (mm). The bar's
// body is rebuilt from these whenever a bar is made or loaded.
struct SupportBarRecord {
    V3f anchor;
    V3f end;
    float width = 0.0f;

    // Finite, within the scene's coordinate range and of a width that can be built.
    bool isUsable() const
    {
        for (float c : {anchor.x, anchor.y, anchor.z, end.x, end.y, end.z})
            if (!(std::fabs(c) <= meshCoordinateLimit))
                return false;
        return width >= 0.0f && width <= meshCoordinateLimit;
    }
};
