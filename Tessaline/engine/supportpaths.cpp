#include "engine/supportpaths.h"

#include "engine/linefills.h"
#include "engine/slicecontext.h"
#include "raster/plane8.h"

#include <algorithm>
#include <cmath>
#include <functional>

namespace
{

// Bar cross-sections are cut into short segments; ends closer than this many bar widths continue one path.
constexpr float barJoinWidths = 1.9f;
// Pruning tolerance of bar paths, as a share of the join distance squared.
constexpr float barPruneShare = 0.03f;

// |dx| + 2 |dz|: a bar's cross-section is a thin parallelogram, so its pieces lie much closer along x.
float barDistance(const V2f &a, const V2f &b)
{
    return std::fabs(a.x - b.x) + 2.0f * std::fabs(a.y - b.y);
}

bool emptyAt(const Plane1 &plane, const V2f &point)
{
    const int x = int(std::lround(point.x)), y = int(std::lround(point.y));
    return x < 0 || y < 0 || x >= plane.width() || y >= plane.height() || plane.pixel(x, y);
}

// Whether `test` holds at some point of the path, tried about every pixel along it.
bool anyPointAlong(const PolyLine &path, const std::function<bool(const V2f &)> &test)
{
    for (int k = 0; k < path.count(); ++k) {
        if (test(path.points[k]))
            return true;
        if (k == 0)
            continue;
        const V2f a = path.points[k - 1], b = path.points[k];
        const int steps = int(std::ceil(std::max(std::fabs(b.x - a.x), std::fabs(b.y - a.y))));
        for (int s = 1; s < steps; ++s)
            if (test(a + (b - a) * (float(s) / float(steps))))
                return true;
    }
    return false;
}

void rasteriseBars(const SliceContext &context, int layerIndex, Plane1 &bars, bool invert)
{
    const RasterFrame &frame = context.frame;
    Plane8 coverage(frame.width, frame.height);
    Plane8::fromSegs(coverage, context.cutter.layers()[size_t(layerIndex)].supportSegs, FrameRect::of(frame));
    Plane1::fromPlane8(bars, coverage, 128, invert);
}

// The layers above layer i that a bar ending in it can meet: the next one, and the one after it when the bar
// stops short of the object by up to a layer (bars keep a small gap under the surface they hold).
struct LayersAbove {
    const Plane1 &emptyHere;
    const Plane1 &emptyAbove;
    const Plane1 *emptyTwoAbove; // null when the cache no longer or not yet holds it

    // Whether the object may be over `point`, from the areas alone: the test that decides whether the contact
    // is worth computing.
    bool objectOver(const V2f &point) const
    {
        return emptyAt(emptyHere, point) &&
               (!emptyAt(emptyAbove, point) || (emptyTwoAbove && !emptyAt(*emptyTwoAbove, point)));
    }
};

// 1 where this layer's bars end under the object: it lies in the layer above, or two layers up over an empty
// layer where no bar goes on (a bar continuing meets the object there, not here); never inside this layer's
// own object area.
void contactMask(const SliceContext &context, int layerIndex, const LayersAbove &above, Plane1 &mask)
{
    Plane1::bitwiseOp(1, &mask, &above.emptyAbove, nullptr, true);
    Plane1::bitwiseOp(5, &mask, &mask, &above.emptyHere, true);
    if (!above.emptyTwoAbove || !context.isLayer(layerIndex + 1))
        return;
    // Where no bar of the next layer comes within two pixels: its outline there may fall either side of a
    // pixel's centre.
    Plane1 noBarNext, clearOfBars;
    rasteriseBars(context, layerIndex + 1, noBarNext, true);
    noBarNext.offset(clearOfBars, -2);
    Plane1 overGap;
    Plane1::bitwiseOp(1, &overGap, above.emptyTwoAbove, nullptr, true);
    Plane1::bitwiseOp(5, &overGap, &overGap, &above.emptyAbove, true);
    Plane1::bitwiseOp(2, &overGap, &above.emptyHere, nullptr, true);
    Plane1::bitwiseOp(2, &overGap, &clearOfBars, nullptr, true);
    Plane1::bitwiseOp(6, &mask, &overGap, nullptr, true);
}

// The part of the bars' cross-sections under the contact, one extrusion width inside their outline so that
// the pad's lines end where the outline's own line ends, filled with lines one width apart.
QVector<PolyLine> contactPad(const SliceContext &context, int layerIndex, const Plane1 &contact)
{
    Plane1 covered;
    rasteriseBars(context, layerIndex, covered, false);
    Plane1::bitwiseOp(2, &covered, &contact, nullptr, true);
    const float p = context.pixelsPerEw;
    Plane1 region;
    covered.offset(region, -int(std::lround(p)));

    FillRequest request;
    request.pattern.pattern = 1;
    request.pattern.spacing = p;
    request.pattern.angleDegrees = 0;
    request.pattern.strands = 1;
    request.type = SegType::SoftSupport;
    // A pad on a narrow bar is a few short lines; only single pixels are dropped.
    request.minimumRunLength = 1.0f;
    request.joinLimit = 2.0f * p;
    return fillRegion(region, request);
}

} // namespace

bool SupportContact::at(const V2f &point) const
{
    const int x = int(std::lround(point.x)), y = int(std::lround(point.y));
    return x >= 0 && y >= 0 && x < mask.width() && y < mask.height() && mask.pixel(x, y);
}

QVector<PolyLine> softenUnderContact(const PolyLine &path, const SupportContact &contact)
{
    QVector<PolyLine> pieces;
    if (path.count() < 2)
        return {path};
    PolyLine piece;
    const auto startPiece = [&](const V2f &from, bool soft) {
        if (piece.count() >= 2)
            pieces.append(piece);
        piece = PolyLine(soft ? SegType::SoftSupport : path.type);
        piece.points.append(from);
    };
    for (int k = 1; k < path.count(); ++k) {
        const V2f a = path.points[k - 1], b = path.points[k];
        const int steps = std::max(1, int(std::ceil(std::max(std::fabs(b.x - a.x), std::fabs(b.y - a.y)))));
        const auto pointAt = [&](int s) { return s == steps ? b : a + (b - a) * (float(s) / float(steps)); };
        const auto softAt = [&](int s) { return contact.at((pointAt(s) + pointAt(s + 1)) * 0.5f); };
        bool soft = softAt(0);
        for (int s = 0; s < steps; ++s) {
            if (piece.isEmpty() || soft != (piece.type == SegType::SoftSupport))
                startPiece(pointAt(s), soft);
            const bool nextSoft = s + 1 < steps ? softAt(s + 1) : soft;
            // Inside a segment only the cut points are kept; the path's own points always are.
            if (s + 1 == steps || nextSoft != soft)
                piece.points.append(pointAt(s + 1));
            soft = nextSoft;
        }
    }
    if (piece.count() >= 2)
        pieces.append(piece);
    return pieces;
}

void buildSupportBarPaths(SliceContext &context, int layerIndex)
{
    PathList &paths = context.layers[size_t(layerIndex)].supportBarPaths;
    const std::vector<Seg2f> &segments = context.cutLayers()[size_t(layerIndex)].supportSegs;
    if (segments.empty())
        return;
    const RasterFrame &frame = context.frame;
    const float gap = barJoinWidths * context.barWidth / context.nominalPixelSize;
    const float tolerance = barPruneShare * gap * gap;
    const auto toPixels = [&frame](float x, float z) {
        return V2f{(x - frame.originX) / frame.pixelSizeX, (z - frame.originZ) / frame.pixelSizeZ};
    };
    for (const Seg2f &segment : segments) {
        const V2f start = toPixels(segment.x0, segment.z0);
        const V2f end = toPixels(segment.x1, segment.z1);
        int found = paths.size() - 1;
        while (found >= 0 && !(barDistance(paths[found].points.last(), start) < gap))
            --found;
        if (found < 0) {
            paths.append(PolyLine(SegType::Support));
            found = paths.size() - 1;
        }
        paths[found].append(start, tolerance);
        paths[found].append(end, tolerance);
    }

    if (!context.C.contains(layerIndex + 1))
        return;
    const int twoAbove = layerIndex + 2;
    const LayersAbove above{context.C.get(layerIndex), context.C.get(layerIndex + 1),
                            context.C.contains(twoAbove) ? &context.C.get(twoAbove) : nullptr};
    const bool objectNear = std::any_of(paths.begin(), paths.end(), [&above](const PolyLine &path) {
        return anyPointAlong(path, [&above](const V2f &point) { return above.objectOver(point); });
    });
    if (!objectNear)
        return;
    Plane1 mask;
    contactMask(context, layerIndex, above, mask);
    const SupportContact contact{mask};
    PathList softened;
    for (const PolyLine &path : paths)
        softened += softenUnderContact(path, contact);
    // An object above that stays clear of every outline (smaller than the bar it stands on) gets no pad.
    const bool touches = std::any_of(softened.begin(), softened.end(),
                                     [](const PolyLine &piece) { return piece.type == SegType::SoftSupport; });
    if (!touches)
        return;
    paths = std::move(softened);
    paths += contactPad(context, layerIndex, mask);
}
