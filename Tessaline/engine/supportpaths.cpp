#include "supportpaths.h"

#include "slicecontext.h"

#include <cmath>

namespace
{

// Pieces of one support line are joined when one ends this close (pixels, in widths) to where the next starts.
constexpr float supportJoinWidths = 1.0f;
// Bar cross-sections are cut into short segments; ends closer than this many bar widths continue one path.
constexpr float barJoinWidths = 1.9f;
// Pruning tolerance of bar paths, as a share of the join distance squared.
constexpr float barPruneShare = 0.03f;

// |dx| + 2 |dz|: a bar's cross-section is a thin parallelogram, so its pieces lie much closer along x.
float barDistance(const V2f &a, const V2f &b)
{
    return std::fabs(a.x - b.x) + 2.0f * std::fabs(a.y - b.y);
}

} // namespace

void joinSupportLines(SliceContext &context, int layerIndex)
{
    if (!context.B.contains(layerIndex))
        return;
    PathList &pieces = context.B.get(layerIndex);
    const float limit = supportJoinWidths * context.pixelsPerEw;
    PathList joined;
    for (const PolyLine &piece : pieces) {
        if (piece.isEmpty())
            continue;
        if (!joined.isEmpty()) {
            PolyLine &last = joined.last();
            if (!last.closed && !piece.closed && last.type == piece.type &&
                std::hypot(last.points.last().x - piece.points.first().x,
                           last.points.last().y - piece.points.first().y) <= limit) {
                last.points += piece.points;
                continue;
            }
        }
        joined.append(piece);
    }
    pieces = std::move(joined);
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
}
