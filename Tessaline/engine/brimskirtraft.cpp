#include "engine/brimskirtraft.h"

#include "engine/firstlayerfootprint.h"
#include "engine/firstlayerloops.h"
#include "engine/raftbuilder.h"
#include "engine/slicecontext.h"

#include <cmath>
#include <utility>

namespace
{

// Brims start this many extrusion widths from the part, so that the first ring presses against the
// perimeter, and are never cut shorter than this (mm).
constexpr float brimOffset = 0.3f;
constexpr float brimMinLength = 1.0f;

// The plane's margin leaves room for every ring the builder may add beyond the first one.
void addLoops(SliceContext &context, const FirstLayerLoopSettings &settings, const char *offsetKey)
{
    const float p = context.pixelsPerEw;
    const int offsetPixels = widthsToPixels(settings.offset, p, offsetKey);
    const FirstLayerFootprint footprint =
        firstLayerFootprint(context, offsetPixels + maxFirstLayerRings * int(std::lround(p)));
    const float margin = float(footprint.margin);
    V2f head = context.lastHeadPosition + V2f(margin, margin);
    QVector<PolyLine> loops = buildFirstLayerLoops(footprint.solid, settings, p,
                                                   V2f(context.frame.pixelSizeX, context.frame.pixelSizeZ), head);
    for (PolyLine &loop : loops)
        loop.translate(-margin, -margin);
    context.layers.front().firstLayerLoops = std::move(loops);
}

} // namespace

void BrimSkirtRaft(SliceContext &context)
{
    if (context.layers.empty())
        return;
    const SlicerParams &sp = context.sp;
    if (sp.SkirtEnable) {
        addLoops(context, {sp.SkirtOffset, sp.SkirtMinLength, sp.SkirtMinCount, false}, "SkirtOffset");
    } else if (sp.BrimEnable) {
        // A brim of no rings is no brim, not a stub of the minimum length.
        if (sp.BrimCount > 0)
            addLoops(context, {brimOffset, brimMinLength, sp.BrimCount, true}, "BrimOffset");
    } else if (sp.RaftEnable) {
        buildRaft(context);
    }
}
