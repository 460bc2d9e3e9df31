#include "raster/layerarea.h"

#include "raster/edgemarkplane.h"
#include "raster/plane1.h"
#include "raster/plane8.h"
#include "raster/repairpolygons.h"

namespace
{

// Coverage at or above this counts as solid.
constexpr int solidCoverage = 128;

} // namespace

LayerAreaPreparer::LayerAreaPreparer(const RasterFrame &frame, int polyFillerAlg)
    : m_frame(frame), m_polyFillerAlg(polyFillerAlg)
{
}

bool LayerAreaPreparer::rasterise(const std::vector<Seg2f> &segs, Plane8 &coverage, EdgeMarkPlane &scratch,
                                  bool check) const
{
    const FrameRect rect = FrameRect::of(m_frame);
    switch (PolyFiller(m_polyFillerAlg)) {
    case PolyFiller::Odd:
        return Plane8::fromSegs2(coverage, segs, rect, scratch, check);
    case PolyFiller::Positive:
        return Plane8::fromSegs3(coverage, segs, rect, scratch, false, check);
    case PolyFiller::NonZero:
        break;
    }
    // Unknown values from hand-edited settings take the default rule.
    return Plane8::fromSegs3(coverage, segs, rect, scratch, true, check);
}

void LayerAreaPreparer::prepare(std::vector<SliceLayer> &layers, int layerIndex, Plane8 &coverage, Plane1 &area,
                                EdgeMarkPlane &scratch)
{
    prepare(layers, layerIndex, coverage, area, scratch, repairsEverything());
}

bool LayerAreaPreparer::prepare(std::vector<SliceLayer> &layers, int layerIndex, Plane8 &coverage, Plane1 &area,
                                EdgeMarkPlane &scratch, bool repairEverything)
{
    bool repaired = false;
    coverage.resize(m_frame.width, m_frame.height);
    if (layerIndex < 0 || layerIndex >= int(layers.size())) {
        coverage.fill(0);
    } else {
        std::vector<Seg2f> &segs = layers[size_t(layerIndex)].meshSegs;
        const bool open = !repairEverything && rasterise(segs, coverage, scratch, true);
        if (open || repairEverything) {
            ++m_repairCount;
            repaired = true;
            repairPolygons(segs, repairTolerance);
            rasterise(segs, coverage, scratch, false);
        }
    }
    Plane1::fromPlane8(area, coverage, solidCoverage, true);
    return repaired;
}
