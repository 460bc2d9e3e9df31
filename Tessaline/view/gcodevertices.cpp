#include "view/gcodevertices.h"

#include <algorithm>
#include <cmath>

namespace
{

constexpr float kPi = 3.14159265f;
// Joins whose unit directions differ more than this (sum of absolute coordinate differences) are
// corners: only their inner side is mitred, each segment keeps its own square end on the outer side.
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

// How a path goes on from one move to the next at their shared point.
enum class JoinKind {
    Apart,  // not connected (or too short a neighbour): square ends of their own width
    Mitre,  // a gentle turn: both sides mitred
    Corner, // a sharp turn: the inner side mitred, the outer side square (the lists fill its wedge)
};

struct Join {
    JoinKind kind = JoinKind::Apart;
    bool turnsLeft = false; // the inner side of a corner is the left one
    float width = 0;        // the shared section's half width
};

// Corners between beads whose widths differ by more than this share are left apart: joined, both
// would taper to the mean width, which would show.
constexpr float kCornerWidthTolerance = 0.1f;
// Beyond this half-angle cosine (a turn of more than about 165 degrees) the inner point runs off.
constexpr float kMinCornerHalfAngleCosine = 0.13f;

float lengthOf(const GCodeSegment &s)
{
    return std::sqrt(s.dx() * s.dx() + s.dy() * s.dy());
}

// Half the angle between two unit normals, as its cosine; the same bits whichever comes first.
float halfAngleCosine(const Dir2 &a, const Dir2 &b)
{
    float mx = a.x + b.x, my = a.y + b.y;
    const float len = std::sqrt(mx * mx + my * my);
    if (len == 0.0f)
        return 0.0f;
    mx /= len;
    my /= len;
    return 0.5f * ((mx * a.x + my * a.y) + (mx * b.x + my * b.y));
}

// How the path turns from move a to the move after it, before deciding how the beads meet there.
// A shared join claims a stretch of each of its moves, from the corner on: on the inner side up to
// the point where the offset edges meet, and as far as the other move's square end reaches into
// it, since the move's own faces stand in for that end; on the outer side the square end of a turn
// sharper than a right angle reaches into it too.
struct Turn {
    bool connected = false; // both extrude and meet end to start
    bool gentle = false;    // mitred on both sides whatever the lengths
    bool mayShareInside = false;
    bool turnsLeft = false;
    float width = 0; // the mean half width of the two beads
    float innerClaim = 0, outerClaim = 0;

    float claimOn(bool leftSide) const
    {
        if (!mayShareInside)
            return 0.0f;
        return leftSide == turnsLeft ? innerClaim : outerClaim;
    }
};

Turn turnAt(const std::vector<GCodeSegment> &segments, const GCodeLayer &layer, int a)
{
    Turn turn;
    if (a < layer.firstSegment || a + 1 >= layer.endSegment)
        return turn;
    const GCodeSegment &first = segments[size_t(a)], &second = segments[size_t(a) + 1];
    if (!first.extrudes() || !second.extrudes() || first.x1 != second.x0 || first.y1 != second.y0)
        return turn;
    const Dir2 da = unitDirection(first), db = unitDirection(second);
    const float wa = halfWidthOf(first), wb = halfWidthOf(second);
    turn.connected = true;
    turn.gentle = std::fabs(da.x - db.x) + std::fabs(da.y - db.y) < kMitreLimit;
    turn.turnsLeft = da.x * db.y - da.y * db.x > 0.0f;
    // A mitred join takes the mean width of its two beads, so that a bead whose width changes tapers
    // along its move instead of stepping at the join; both moves then end in the same section.
    turn.width = 0.5f * (wa + wb);
    const float cosine = halfAngleCosine(leftOf(da), leftOf(db)); // of half the turn
    turn.mayShareInside = turn.gentle || (cosine >= kMinCornerHalfAngleCosine &&
                                          std::fabs(wa - wb) <= kCornerWidthTolerance * std::max(wa, wb));
    if (!turn.mayShareInside)
        return turn;
    const float sine = std::sqrt(std::max(0.0f, 1.0f - cosine * cosine));
    const float meetBack = turn.width * sine / std::max(cosine, kMinHalfAngleCosine); // width * tan(turn / 2)
    const float squareReach = turn.width * 2.0f * sine * cosine;                      // width * sin(turn)
    turn.innerClaim = std::max(meetBack, squareReach);
    turn.outerClaim = cosine * cosine < 0.5f ? squareReach : 0.0f;
    // A sharp corner whose claims do not fit on its own two moves cannot share.
    turn.mayShareInside = turn.gentle || turn.innerClaim <= std::min(lengthOf(first), lengthOf(second));
    return turn;
}

// Whether the corner `own` at index ownAt still fits on a move of this length beside the turn
// `other` at the move's other end (index otherAt). Where the move is too short for both, the corner
// that claims less of it keeps it (on a tie the earlier one), so that the two ends never claim the
// same stretch of a side and more corners stay shared.
bool fitsBeside(const Turn &own, int ownAt, const Turn &other, int otherAt, float length)
{
    if (own.claimOn(true) + other.claimOn(true) <= length && own.claimOn(false) + other.claimOn(false) <= length)
        return true;
    return !other.gentle &&
           (other.innerClaim > own.innerClaim || (other.innerClaim == own.innerClaim && otherAt > ownAt));
}

// The join at `turn` (index at), between `before` and `after`, the turns at the other ends of its
// two moves. Both moves ask with the same turns and so agree on it to the bit. A sharp corner shares
// its inner side only where each of its moves has room for it beside what the move's other end takes.
Join joinOf(const Turn &before, const Turn &turn, const Turn &after, int at, float firstLength, float secondLength)
{
    if (!turn.connected)
        return {};
    if (turn.gentle)
        return {JoinKind::Mitre, turn.turnsLeft, turn.width};
    if (!turn.mayShareInside)
        return {};
    const bool roomy =
        fitsBeside(turn, at, before, at - 1, firstLength) && fitsBeside(turn, at, after, at + 1, secondLength);
    return roomy ? Join{JoinKind::Corner, turn.turnsLeft, turn.width} : Join{};
}

// The mitred side offset at a join: the bisector of the two normals scaled to reach both offset
// edges, the half-angle clamped to kMaxHalfAngle. It is computed from both normals alike, so that
// the two moves of a join compute the same bits and a list can share the vertex between them.
Dir2 mitreOffset(const Dir2 &ownNormal, const Dir2 &neighbourNormal, float width)
{
    float mx = ownNormal.x + neighbourNormal.x, my = ownNormal.y + neighbourNormal.y;
    const float len = std::sqrt(mx * mx + my * my);
    mx /= len;
    my /= len;
    const float cosine = halfAngleCosine(ownNormal, neighbourNormal);
    const float scale = width / std::max(std::min(cosine, 1.0f), kMinHalfAngleCosine);
    return {mx * scale, my * scale};
}

float verticalCode(float offset)
{
    const float k = offset / kGCodeVertexOffsetScale;
    return std::copysign(std::max(std::fabs(k), kGCodeVertexAngleLimit * 1.001f), offset);
}

// The cross-section at (x, y): the left side at (x, y) + left, the right side at (x, y) - right.
GCodeSection sectionAt(float x, float y, const Dir2 &left, const Dir2 &right, float width)
{
    const float up = verticalCode(width * kGCodeBeadHeightShare);
    const float leftAngle = fastAtan2(left.x, left.y), rightAngle = fastAtan2(-right.x, -right.y);
    return {{{x, y, up}, {x + left.x, y + left.y, leftAngle}, {x, y, -up}, {x - right.x, y - right.y, rightAngle}}};
}

// The section of a move at one of its ends, given the join there with its neighbour.
GCodeSection endSection(float x, float y, const Dir2 &normal, float ownWidth, const Join &join,
                        const Dir2 &neighbourNormal)
{
    if (join.kind == JoinKind::Apart) {
        const Dir2 square{normal.x * ownWidth, normal.y * ownWidth};
        return sectionAt(x, y, square, square, ownWidth);
    }
    const Dir2 mitre = mitreOffset(normal, neighbourNormal, join.width);
    if (join.kind == JoinKind::Mitre)
        return sectionAt(x, y, mitre, mitre, join.width);
    const Dir2 square{normal.x * join.width, normal.y * join.width};
    return join.turnsLeft ? sectionAt(x, y, mitre, square, join.width) : sectionAt(x, y, square, mitre, join.width);
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
    // The turns at both ends of the move; those at the far ends of its neighbours matter only to a
    // sharp corner that might share its inner side.
    const Turn atStart = turnAt(segments, layer, s - 1), atEnd = turnAt(segments, layer, s);
    const auto needsNeighbours = [](const Turn &t) { return t.mayShareInside && !t.gentle; };
    const Turn beforeStart = needsNeighbours(atStart) ? turnAt(segments, layer, s - 2) : Turn{};
    const Turn afterEnd = needsNeighbours(atEnd) ? turnAt(segments, layer, s + 1) : Turn{};
    const float length = lengthOf(seg);
    const float lengthBefore = s > layer.firstSegment ? lengthOf(segments[size_t(s) - 1]) : 0.0f;
    const float lengthAfter = s + 1 < layer.endSegment ? lengthOf(segments[size_t(s) + 1]) : 0.0f;
    const Join before = joinOf(beforeStart, atStart, atEnd, s - 1, lengthBefore, length);
    const Join after = joinOf(atStart, atEnd, afterEnd, s, length, lengthAfter);
    const Dir2 normalBefore = before.kind == JoinKind::Apart ? Dir2{} : leftOf(unitDirection(segments[size_t(s) - 1]));
    const Dir2 normalAfter = after.kind == JoinKind::Apart ? Dir2{} : leftOf(unitDirection(segments[size_t(s) + 1]));
    return {endSection(seg.x0, seg.y0, normal, width, before, normalBefore),
            endSection(seg.x1, seg.y1, normal, width, after, normalAfter)};
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
