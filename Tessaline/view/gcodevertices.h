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
// Consecutive segments of a path that turn only gently share their side vertices through a mitre; at
// a sharper corner they share the inner side's mitre point (where both moves are long enough for it)
// and keep square ends on the outer side.
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

// A bead's cross-section at one end of its segment: a vertex on the path above it, the left side, a
// vertex on the path below it and the right side (left and right seen along the move).
struct GCodeSection {
    enum Corner { Top = 0, Left = 1, Bottom = 2, Right = 3 };
    float v[4][3];
};
struct GCodeBeadEnds {
    GCodeSection start;
    GCodeSection end;
};
// The sections of segment s of a layer, mitred with its neighbours where the path turns gently and
// on the inner side of its corners.
GCodeBeadEnds gcodeBeadEnds(const std::vector<GCodeSegment> &segments, const GCodeLayer &layer, int s);

// The reference list: every segment a closed bead of 24 vertices (GL_TRIANGLES), all four faces.
GCodeVertexBuffer buildGCodeVertices(const GCodePreview &preview, int firstLayer, int lastLayer);

// What the vertex shader makes of one vertex.
struct GCodeVertex {
    V3f position;
    V3f normal;
};
GCodeVertex decodeGCodeVertex(float x, float y, float k, float layerZ);

// atan2 by the polynomial the shaders' data uses, in (-π, π] (error below 0.011 rad).
float fastAtan2(float y, float x);
