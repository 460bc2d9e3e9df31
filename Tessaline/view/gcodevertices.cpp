#include "view/gcodevertices.h"

#include <algorithm>
#include <cmath>

namespace
{

constexpr float kPi = 3.14159265f;
// Joins whose unit directions differ more than this (sum of absolute coordinate differences) are
// corners: each segment keeps its own square end there.
constexpr float kMitreLimit = 0.7f;
constexpr float kMaxHalfAngle = 1.56f;
const float kMinHalfAngleCosine = std::cos(kMaxHalfAngle);

struct Dir2 {
    float x = 0, y = 0;
};

Dir2 unitDirection(const GCodeSegment &s)
{
    const double len = std::sqrt(double(s.dx()) * s.dx() + double(s.dy()) * s.dy());
    return len > 0 ? Dir2{float(s.dx() / len), float(s.dy() / len)} : Dir2{};
}

// Outward normal on the left of a direction.
Dir2 leftOf(const Dir2 &d)
{
    return {-d.y, d.x};
}

float halfWidthOf(const GCodeSegment &s)
{
    return s.extrudes() ? s.beadWidth : kGCodeTravelWidth;
}

// Whether b continues a with a mitre; da and db are their unit directions.
bool joins(const GCodeSegment &a, const Dir2 &da, const GCodeSegment &b, const Dir2 &db)
{
    if (!a.extrudes() || !b.extrudes() || a.x1 != b.x0 || a.y1 != b.y0)
        return false;
    return std::fabs(da.x - db.x) + std::fabs(da.y - db.y) < kMitreLimit;
}

// The left side offset at a segment end: the plain normal, or the mitre with the neighbour. The
// half-angle's cosine is taken from both normals alike, so that the two segments of a join compute
// the same bits and a list can share that cross-section between them.
Dir2 sideOffset(const Dir2 &ownNormal, const Dir2 *neighbourNormal, float width)
{
    if (!neighbourNormal)
        return {ownNormal.x * width, ownNormal.y * width};
    float mx = ownNormal.x + neighbourNormal->x, my = ownNormal.y + neighbourNormal->y;
    const float len = std::sqrt(mx * mx + my * my);
    mx /= len;
    my /= len;
    const float cosine =
        0.5f * ((mx * ownNormal.x + my * ownNormal.y) + (mx * neighbourNormal->x + my * neighbourNormal->y));
    // 1 / cos of the half-angle, the angle clamped to kMaxHalfAngle.
    const float scale = width / std::max(std::min(cosine, 1.0f), kMinHalfAngleCosine);
    return {mx * scale, my * scale};
}

float verticalCode(float offset)
{
    const float k = offset / kGCodeVertexOffsetScale;
    return std::copysign(std::max(std::fabs(k), kGCodeVertexAngleLimit * 1.001f), offset);
}

GCodeSection sectionAt(float x, float y, const Dir2 &side, float width)
{
    const float up = verticalCode(width * kGCodeBeadHeightShare);
    const float leftAngle = fastAtan2(side.x, side.y), rightAngle = fastAtan2(-side.x, -side.y);
    return {{{x, y, up}, {x + side.x, y + side.y, leftAngle}, {x, y, -up}, {x - side.x, y - side.y, rightAngle}}};
}

void appendSegment(std::vector<float> &out, const GCodeSection &start, const GCodeSection &end)
{
    for (int face = 0; face < 4; ++face) {
        const int a = face, b = (face + 1) % 4;
        for (const float *v : {start.v[a], start.v[b], end.v[b], start.v[a], end.v[b], end.v[a]})
            out.insert(out.end(), v, v + 3);
    }
}

} // namespace

GCodeBeadEnds gcodeBeadEnds(const std::vector<GCodeSegment> &segments, const GCodeLayer &layer, int s)
{
    const GCodeSegment &seg = segments[size_t(s)];
    const Dir2 direction = unitDirection(seg);
    const Dir2 normal = leftOf(direction);
    const float width = halfWidthOf(seg);
    Dir2 before, after;
    float startWidth = width, endWidth = width;
    bool joinsBefore = false, joinsAfter = false;
    if (s > layer.firstSegment) {
        const GCodeSegment &previous = segments[size_t(s) - 1];
        const Dir2 d = unitDirection(previous);
        joinsBefore = joins(previous, d, seg, direction);
        before = leftOf(d);
    }
    if (s + 1 < layer.endSegment) {
        const GCodeSegment &next = segments[size_t(s) + 1];
        const Dir2 d = unitDirection(next);
        joinsAfter = joins(seg, direction, next, d);
        after = leftOf(d);
    }
    // A mitred join takes the mean width of its two beads, so that a bead whose width changes tapers
    // along its move instead of stepping at the join; both moves then end in the same section.
    if (joinsBefore)
        startWidth = 0.5f * (halfWidthOf(segments[size_t(s) - 1]) + width);
    if (joinsAfter)
        endWidth = 0.5f * (width + halfWidthOf(segments[size_t(s) + 1]));
    return {sectionAt(seg.x0, seg.y0, sideOffset(normal, joinsBefore ? &before : nullptr, startWidth), startWidth),
            sectionAt(seg.x1, seg.y1, sideOffset(normal, joinsAfter ? &after : nullptr, endWidth), endWidth)};
}

float fastAtan2(float y, float x)
{
    if (x == 0.0f && y == 0.0f)
        return 0.0f;
    const float absY = std::fabs(y);
    float angle;
    if (x >= 0.0f) {
        const float r = (x - absY) / (x + absY);
        angle = (0.1963f * r * r - 0.9817f) * r + kPi / 4.0f;
    } else {
        const float r = (x + absY) / (absY - x);
        angle = (0.1963f * r * r - 0.9817f) * r + 3.0f * kPi / 4.0f;
    }
    // The half-line y = 0, x < 0 belongs to +π.
    return y < 0.0f ? -angle : angle;
}

GCodeVertexBuffer buildGCodeVertices(const GCodePreview &preview, int firstLayer, int lastLayer)
{
    GCodeVertexBuffer buffer;
    firstLayer = std::max(firstLayer, 0);
    lastLayer = std::min(lastLayer, preview.layerCount() - 1);
    if (firstLayer > lastLayer)
        return buffer;
    const std::vector<GCodeSegment> &segments = preview.segments();
    const std::vector<GCodeLayer> &layers = preview.layers();
    buffer.firstSegment = layers[size_t(firstLayer)].firstSegment;
    const int endSegment = layers[size_t(lastLayer)].endSegment;
    buffer.vertices.reserve(size_t(endSegment - buffer.firstSegment) * kGCodeVerticesPerSegment * 3);
    for (int l = firstLayer; l <= lastLayer; ++l) {
        const GCodeLayer &layer = layers[size_t(l)];
        buffer.layers.push_back({l, layer.z, layer.firstSegment, layer.endSegment});
        for (int s = layer.firstSegment; s < layer.endSegment; ++s) {
            const GCodeBeadEnds ends = gcodeBeadEnds(segments, layer, s);
            appendSegment(buffer.vertices, ends.start, ends.end);
        }
    }
    return buffer;
}

GCodeVertex decodeGCodeVertex(float x, float y, float k, float layerZ)
{
    if (std::fabs(k) > kGCodeVertexAngleLimit)
        return {{x, layerZ + k * kGCodeVertexOffsetScale, y}, {0.0f, k > 0.0f ? 1.0f : -1.0f, 0.0f}};
    return {{x, layerZ, y}, {std::sin(k), 0.0f, std::cos(k)}};
}
