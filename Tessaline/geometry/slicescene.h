#pragma once

#include "geometry/scenetriangles.h"
#include "geometry/v3f.h"

#include <vector>

// One support bar as the slice sees it: its two end points and its width (mm).
struct SliceBar {
    V3f anchor;
    V3f end;
    float width = 0.0f;
};

// The snapshot of the scene one slice works on: every object's mesh with its transform, and the support
// bars. The caller copies it out of its project, so the scene may change while a slice runs.
struct SliceScene {
    std::vector<SceneItem> objects;
    std::vector<SliceBar> bars;
};
