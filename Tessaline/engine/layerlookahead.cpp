#include "layerlookahead.h"

#include "layerthreads.h"
#include "slicecontext.h"
#include "verticalshells.h"

#include <algorithm>
#include <limits>

LayerLookahead::LayerLookahead(SliceContext &context, int threads)
    : m_context(context), m_preparer(context.frame, context.sp.PolyFillerAlg),
      m_workers(size_t(std::max(threads, 1))), m_readyUntil(std::numeric_limits<int>::min())
{
    for (Worker &worker : m_workers)
        worker.shells = std::make_unique<VerticalShells>(context.sp, context.pixelsPerEw);
}

LayerLookahead::~LayerLookahead() = default;

void LayerLookahead::ensure(int j)
{
    while (m_readyUntil < j + extraLayers) {
        const int first = std::max(j, m_readyUntil + 1);
        // Nothing beyond the top layer needs more than an empty area, however far the sweep reaches.
        const int last = std::max(first, std::min(first + blockSize - 1, m_context.layerCount - 1));
        computeBlock(first, last);
        m_readyUntil = last;
    }
}

void LayerLookahead::computeBlock(int first, int last)
{
    // Slots are taken in layer order here: the caches hand them out oldest first.
    for (int j = first; j <= last; ++j) {
        m_context.C.slot(j);
        m_context.A.slot(j);
        m_context.D.slot(j);
    }
    const bool repairEverything = m_preparer.repairsEverything();
    forEachLayer(first, last, [&](int j, int slot) { computeLayer(m_workers[size_t(slot)], j, repairEverything); });
}

void LayerLookahead::computeLayer(Worker &worker, int j, bool repairEverything)
{
    m_preparer.prepare(m_context.cutLayers(), j, worker.coverage, m_context.C.get(j), worker.scratch,
                       repairEverything);
    if (j == 0)
        worker.coverage.copyTo(m_context.coverage);
    LayerShellPaths &paths = m_context.A.get(j);
    Plane1 &innerArea = m_context.D.get(j);
    if (m_context.isLayer(j)) {
        worker.shells->build(worker.coverage, paths, innerArea);
    } else {
        paths.clear();
        innerArea.resize(m_context.frame.width, m_context.frame.height);
        innerArea.fill(false);
    }
}
