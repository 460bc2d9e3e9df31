#pragma once

#include "geometry/face.h"
#include "geometry/supportbar.h"
#include "geometry/v3f.h"

#include <cmath>

// What a project file keeps of a support bar: its two end points (mm) and its width (mm). The bar's
// body is rebuilt from these whenever a bar is made or loaded (bar()).
struct SupportBarRecord {
    V3f anchor;
    V3f end;
    float width = 0.0f;

    // Finite, within the scene's coordinate range, of some length and of a width that can be built.
    // A bar of no width would make the slicer's support spacing (a multiple of the narrowest bar) zero,
    // so such bars are dropped where they come in rather than printed as nothing.
    bool isUsable() const
    {
        for (float c : {anchor.x, anchor.y, anchor.z, end.x, end.y, end.z})
            if (!(std::fabs(c) <= meshCoordinateLimit))
                return false;
        return width > 0.0f && width <= meshCoordinateLimit && anchor != end;
    }

    SupportBar bar() const { return SupportBar(anchor, end, width); }
    static SupportBarRecord of(const SupportBar &bar) { return {bar.anchor(), bar.end(), bar.width()}; }
};
