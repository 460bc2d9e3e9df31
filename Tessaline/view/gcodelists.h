#pragma once

#include "view/gcodecolors.h"
#include "view/gcodepreview.h"
#include "view/gcodevertices.h"

#include <QtGlobal>

#include <vector>

// One draw call of a G-code list: vertices firstVertex .. firstVertex + vertexCount - 1, drawn with
// u_color = colour and layerZ = the layer's height.
struct GCodeDrawRun {
    int layer = 0;
    float layerZ = 0;
    int firstVertex = 0;
    int vertexCount = 0;
    quint32 colour = 0;
    int segmentCount = 0; // moves of the preview that the run draws
};

// The lean lists of a range of layers in one colouring. Vertices use the three-float encoding of
// gcodevertices.h (decodeGCodeVertex reads them), so one list serves every layer of the range at its
// own height.
//
// Beads are GL_TRIANGLE_STRIP: only the two upper faces of a bead are kept, since the layer below
// (or the plate) hides its underside. A run of connected moves is one strip that goes out along
// the left faces and comes back along the right ones, sharing every cross-section with the next
// move where the path turns gently; at a sharper corner the moves share the inner side too (where
// their offset edges meet) and the outer side adds their square ends with a wedge between them
// (one or two vertices). Within a layer the strips of one colour are chained by degenerate triangles
// into one run, so a layer draws in as many calls as it has colours.
// Travels are GL_LINES in their own list (drawn only when asked), one run per layer.
struct GCodeLists {
    int firstLayer = 0;
    int lastLayer = -1;
    std::vector<float> beads;
    std::vector<GCodeDrawRun> beadRuns; // by layer, then by the colour's first appearance
    std::vector<float> travels;
    std::vector<GCodeDrawRun> travelRuns;
    int extrudingSegments = 0;

    int beadVertexCount() const { return int(beads.size() / 3); }
    int travelVertexCount() const { return int(travels.size() / 3); }
    // GPU bytes of the bead list per extruding move (0 without any).
    double beadBytesPerSegment() const;
};

// The lists of layers firstLayer..lastLayer (clamped to the preview) in a colouring mode
// (GCodeColoring value).
GCodeLists buildGCodeLists(const GCodePreview &preview, int firstLayer, int lastLayer, int mode,
                           const HeatPalette &palette);
