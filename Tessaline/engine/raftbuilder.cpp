#include "engine/raftbuilder.h"

#include "engine/firstlayerfootprint.h"
#include "engine/layerwriter.h"
#include "engine/linefills.h"
#include "engine/rafttable.h"
#include "engine/slicecontext.h"
#include "raster/rasterframesetup.h"

#include <QString>

#include <cmath>
#include <limits>
#include <utility>

namespace
{

// Pixels per extrusion width of margin beyond the raft's offset, so that the outermost raft lines stay off
// the plane's border.
constexpr int raftMarginWidths = 10;

QVector<PolyLine> raftLayerLines(const Plane1 &area, const RaftLayerPlan &layer, float pixelsPerEw)
{
    FillRequest request;
    request.pattern.pattern = layer.type;
    request.pattern.spacing = pixelsPerEw / layer.fillDensity;
    // Whole degrees, as every fill angle is taken.
    request.pattern.angleDegrees = int(std::trunc(layer.angle));
    request.pattern.strands = 1;
    request.type = SegType::Raft;
    // A run no longer than one width either way is a dot, not a line.
    request.minimumRunLength = pixelsPerEw;
    request.joinLimit = 2.0f * pixelsPerEw;
    return fillRegion(area, request);
}

QByteArray writeRaftLayer(const SliceContext &context, const RaftLayerPlan &layer, QVector<PolyLine> lines)
{
    SlicerParams params = context.sp;
    params.FirstLayerHeight = layer.layerHeight;
    const LayerWriterInput input{params, 0, context.frame, context.machine, cellFraction, context.raftHeight};
    return writeLayerGCode(input, lines);
}

} // namespace

Plane1 raftArea(const SliceContext &context, const FirstLayerFootprint &footprint, int offsetPixels)
{
    const int shrinkSteps = int(std::lround(context.pixelsPerEw));
    Plane1 shrunk;
    footprint.solid.copyTo(shrunk);
    Plane1 scratch;
    for (int step = 0; step < shrinkSteps; ++step) {
        shrunk.offset1(scratch, 'a');
        std::swap(shrunk, scratch);
    }
    const Plane1 empty = firstLayerEmptyArea(context, footprint);
    Plane1::bitwiseOp(7, &shrunk, &empty, nullptr, true);
    Plane1 area;
    shrunk.offset(area, offsetPixels);
    return area;
}

void buildRaft(SliceContext &context)
{
    const QVector<RaftLayerPlan> layers = raftLayers(parseRaftTable(context.sp.RaftConfig));
    if (layers.isEmpty())
        return;
    if (layers.size() > maxRaftLayers)
        throw QString("BrimSkirtRaft() The raft table has %1 layers; a raft has at most %2.")
            .arg(layers.size())
            .arg(maxRaftLayers);

    const float p = context.pixelsPerEw;
    const int offsetPixels = widthsToPixels(context.sp.RaftOffset, p, "RaftOffset");
    const FirstLayerFootprint footprint =
        firstLayerFootprint(context, offsetPixels + raftMarginWidths * int(std::lround(p)));
    const Plane1 area = raftArea(context, footprint, offsetPixels);
    const float margin = float(footprint.margin);

    V2f head = context.lastHeadPosition + V2f(margin, margin);
    for (const RaftLayerPlan &layer : layers) {
        if (layer.type > 0) {
            QVector<PolyLine> lines = orderRaftLines(raftLayerLines(area, layer, p), head);
            for (PolyLine &line : lines)
                line.translate(-margin, -margin);
            context.raftGCode += "\r\n" + writeRaftLayer(context, layer, std::move(lines)) + "\r\n";
        }
        context.raftHeight += layer.layerHeight;
    }
    context.lastHeadPosition = head - V2f(margin, margin);
}

QVector<PolyLine> orderRaftLines(QVector<PolyLine> lines, V2f &head)
{
    QVector<PolyLine> ordered;
    ordered.reserve(lines.size());
    while (!lines.isEmpty()) {
        int best = 0;
        bool fromEnd = false;
        float bestDistance = std::numeric_limits<float>::infinity();
        for (int i = 0; i < lines.size(); ++i) {
            const float toStart = (lines[i].points.first() - head).length();
            const float toEnd = (lines[i].points.last() - head).length();
            if (toStart < bestDistance) {
                bestDistance = toStart;
                best = i;
                fromEnd = false;
            }
            if (toEnd < bestDistance) {
                bestDistance = toEnd;
                best = i;
                fromEnd = true;
            }
        }
        PolyLine line = std::move(lines[best]);
        if (fromEnd)
            line.reverse();
        head = line.points.last();
        ordered.append(std::move(line));
        lines[best] = std::move(lines.last());
        lines.removeLast();
    }
    return ordered;
}
