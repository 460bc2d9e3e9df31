#include "engine/linefills.h"

#include "engine/lineextractor.h"
#include "engine/runjoiner.h"
#include "engine/slicecontext.h"

#include <algorithm>
#include <cmath>

namespace
{

// A density outside 0 ... 1 cannot be printed as asked: at 0 (or not a number) there is nothing to fill, and
// lines closer than one extrusion width would pile material up, so above 1 the lines touch as at 1.
bool usableDensity(float density)
{
    return std::isfinite(density) && density > 0.0f;
}

// Lines closer than a width apart only make sense where the writer thins them to match: the shells, whose
// extrusion it divides by their density. Denser infill is taken as solid.
float lineSpacing(float pixelsPerEw, float density, float densest)
{
    return pixelsPerEw / std::min(density, densest);
}

QVector<PolyLine> infillLines(const SliceContext &context, int layerIndex)
{
    const SlicerParams &sp = context.sp;
    if (sp.InfillType == 0 || sp.InfillThickness <= 0 || !usableDensity(sp.InfillDensity))
        return {};
    const float p = context.pixelsPerEw;
    FillRequest request;
    request.pattern.pattern = sp.InfillType;
    request.pattern.spacing = lineSpacing(p, sp.InfillDensity, 1.0f);
    request.pattern.angleDegrees = fillAngleDegrees(sp.InfillAngleInc, sp.InfillAngle, layerIndex);
    request.pattern.strands = sp.InfillThickness;
    request.pattern.strandSpacing = sp.EFactor[int(SegType::Infill)] * p;
    request.type = SegType::Infill;
    // A run no longer than one width either way is a dot, not a line.
    request.minimumRunLength = p;
    request.joinLimit = 2.0f * p;
    return fillRegion(context.H.get(layerIndex), request);
}

QVector<PolyLine> shellLines(const SliceContext &context, int layerIndex)
{
    const SlicerParams &sp = context.sp;
    if (sp.HShellType != 0 || !usableDensity(sp.HShellDensity))
        return {};
    const float p = context.pixelsPerEw;
    FillRequest request;
    request.pattern.pattern = 1;
    request.pattern.spacing = lineSpacing(p, sp.HShellDensity, 2.0f);
    request.pattern.angleDegrees = fillAngleDegrees(sp.HShellAngleInc, sp.HShellAngle, layerIndex);
    request.pattern.strands = 1;
    request.type = SegType::HShell;
    request.minimumRunLength = std::isfinite(sp.HShellMinLineLen) ? std::max(0.0f, sp.HShellMinLineLen) * p : 0.0f;
    request.joinLimit = 2.0f * p;
    return fillRegion(context.G.get(layerIndex), request);
}

} // namespace

QVector<PolyLine> fillRegion(const Plane1 &region, const FillRequest &request)
{
    QVector<PolyLine> paths;
    const QVector<QVector<PatternLine>> directions = linePattern(region.width(), region.height(), request.pattern);
    if (directions.isEmpty())
        return paths;
    const LineExtractor extractor(region, request.minimumRunLength);
    RunJoiner joiner(extractor, request.joinLimit);
    for (const QVector<PatternLine> &lines : directions) {
        for (int index = 0; index < lines.size(); ++index)
            joiner.addLine(extractor.runs(lines[index], request.type, index % 2 == 1));
        paths += joiner.takePaths();
    }
    return paths;
}

void lineFills(SliceContext &context, int layerIndex)
{
    PathList &fills = context.layers[size_t(layerIndex)].lineFills;
    fills += shellLines(context, layerIndex);
    fills += infillLines(context, layerIndex);
}
