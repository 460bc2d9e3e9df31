#include "engine/slicecontext.h"

#include "engine/layerlookahead.h"
#include "raster/rasterframesetup.h"

SliceContext::SliceContext(const SlicerParams &params, const MachineRecord &machineRecord, int batchSize)
    : sp(params), machine(machineRecord), K(batchSize), N(params.HShellCnt), loopCount(params.VShellCnt),
      extrusionWidth(params.ExtrusionWidth), nominalPixelSize(params.ExtrusionWidth * cellFraction),
      pixelsPerEw(1.0f / cellFraction), smoothingTolerance(pixelsPerEw * pixelsPerEw * params.PathSmoothing),
      halfBuildWidth(machineRecord.buildWidth * 0.5f), halfBuildDepth(machineRecord.buildDepth * 0.5f),
      paralellGCode(params.LayerStartPos > 0), A(K + N + LayerLookahead::cacheItems + pipelineSlack),
      C(K + N + 1 + LayerLookahead::cacheItems + pipelineSlack), D(N + 1 + LayerLookahead::cacheItems + pipelineSlack), E((N + 1) / 2),
      F(N + 2), G(K + pipelineSlack), H(K + pipelineSlack)
{
}
