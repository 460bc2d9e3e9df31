#pragma once

#include "geometry/v3f.h"
#include "view/gcodecolors.h"
#include "view/gcodepreview.h"

#include <vector>

// The G-code lists' vertex encoding: three floats per vertex (x, y, k) in the layer plane (G-code X
// and Y, mm); the height comes from the uniform layerZ, so a layer's vertices serve at any height.
// |k| > 4: a vertex on the bead's top or bottom, k * 0.0001 mm above layerZ, normal (0, sign k, 0).
// Otherwise k is the angle of the side's outward normal (sin k, 0, cos k). The world position is
// (x, layerZ + offset, y).
//
// Each segment is a bead of four long faces around its path: a cross-section of a top and a bottom
// vertex on the path and two side vertices beadWidth away from it, at the start and at the end.
// Consecutive segments of a path that turn only gently share their side vertices through a mitre.
constexpr float kGCodeVertexOffsetScale = 0.0001f;
constexpr float kGCodeVertexAngleLimit = 4.0f;
// Top and bottom lie this share of the bead width above and below the path.
constexpr float kGCodeBeadHeightShare = 0.25f;
// Travels are drawn as thin beads.
constexpr float kGCodeTravelWidth = 0.05f;
// Vertices per segment: four faces of two triangles.
constexpr int kGCodeVerticesPerSegment = 24;

// The layers first..last of a preview as one vertex buffer.
struct GCodeVertexBuffer {
    struct LayerSpan {
        int layer = 0;
        float z = 0; // the layerZ to draw it with
        int firstSegment = 0;
        int endSegment = 0;
    };
    std::vector<float> vertices; // x, y, k per vertex
    std::vector<LayerSpan> layers;
    // Segment s of the preview (within the spans) starts at vertex (s - firstSegment) * 24.
    int firstSegment = 0;

    int vertexCount() const { return int(vertices.size() / 3); }
    int firstVertexOf(int segment) const { return (segment - firstSegment) * kGCodeVerticesPerSegment; }
};

GCodeVertexBuffer buildGCodeVertices(const GCodePreview &preview, int firstLayer, int lastLayer);

// What the vertex shader makes of one vertex.
struct GCodeVertex {
    V3f position;
    V3f normal;
};
GCodeVertex decodeGCodeVertex(float x, float y, float k, float layerZ);

// atan2 by the polynomial the shaders' data uses, in (-π, π] (error below 0.011 rad).
float fastAtan2(float y, float x);

// Consecutive segments of one layer and one colour, drawn in one call with u_color and layerZ.
struct GCodeColourRun {
    float layerZ = 0;
    int firstVertex = 0;
    int vertexCount = 0;
    quint32 colour = 0;
};
std::vector<GCodeColourRun> gcodeColourRuns(const GCodeVertexBuffer &buffer, const GCodePreview &preview, int mode,
                                            bool showTravel, const HeatPalette &palette);
