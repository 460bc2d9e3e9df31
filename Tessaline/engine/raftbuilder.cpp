#include "raftbuilder.h"

#include "firstlayerfootprint.h"
#include "layerwriter.h"
#include "raftlines.h"
#include "rafttable.h"
#include "rasterframesetup.h"
#include "slicecontext.h"

#include <QString>

#include <cmath>

namespace
{

// Pixels per extrusion width of margin beyond the raft's offset, so that the outermost raft lines stay off
// the plane's border.
constexpr int raftMarginWidths = 10;

Plane1 raftArea(const FirstLayerFootprint &footprint, int offsetPixels)
{
    Plane1 area;
    footprint.solid.offset(area, offsetPixels);
    return area;
}

QByteArray writeRaftLayer(const SliceContext &context, const RaftLayerSpec &layer, QVector<PolyLine> lines)
{
    SlicerParams params = context.sp;
    params.FirstLayerHeight = layer.layerHeight;
    const LayerWriterInput input{params, 0, context.frame, context.machine, cellFraction, context.raftHeight};
    return writeLayerGCode(input, lines);
}

} // namespace

void buildRaft(SliceContext &context)
{
    const QVector<RaftLayerSpec> layers = raftLayers(parseRaftTable(context.sp.RaftConfig));
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
    const Plane1 area = raftArea(footprint, offsetPixels);
    const float margin = float(footprint.margin);

    V2f head = context.lastHeadPosition + V2f(margin, margin);
    for (const RaftLayerSpec &layer : layers) {
        if (layer.type > 0) {
            QVector<PolyLine> lines = raftLines(area, layer.type, p / layer.fillDensity, layer.angle, p);
            lines = orderRaftLines(std::move(lines), head);
            for (PolyLine &line : lines)
                line.translate(-margin, -margin);
            context.raftGCode += "\r\n" + writeRaftLayer(context, layer, std::move(lines)) + "\r\n";
        }
        context.raftHeight += layer.layerHeight;
    }
    context.lastHeadPosition = head - V2f(margin, margin);
}
