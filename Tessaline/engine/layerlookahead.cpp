#include "engine/layerlookahead.h"

#include "engine/slicecontext.h"
#include "engine/verticalshells.h"

#include <algorithm>

LayerLookahead::LayerLookahead(SliceContext &context, int threads)
    : m_context(context), m_preparer(context.frame, context.sp.PolyFillerAlg), m_workers(size_t(std::max(threads, 1))),
      m_blockFirst(firstLayer()), m_blockLast(firstLayer() - 1), m_repaired(size_t(lastLayer() - firstLayer() + 1), 0),
      m_countedUntil(firstLayer())
{
    for (Worker &worker : m_workers)
        worker.shells = std::make_unique<VerticalShells>(context.sp, context.pixelsPerEw);
}

LayerLookahead::~LayerLookahead() = default;

int LayerLookahead::firstLayer() const
{
    return neededBy(-2 * m_context.N) - extraLayers;
}

int LayerLookahead::lastLayer() const
{
    return neededBy(m_context.layerCount - 1);
}

int LayerLookahead::neededBy(int step) const
{
    return step + m_context.N + extraLayers;
}

void LayerLookahead::begin(int j)
{
    if (j > m_blockLast) {
        for (; m_countedUntil < m_blockFirst; ++m_countedUntil)
            m_repairedCount += m_repaired[size_t(m_countedUntil - firstLayer())];
        m_repairEverything = m_repairedCount > LayerAreaPreparer::maxCheckedRepairs;
        m_blockFirst = j;
        // Nothing beyond the top layer needs more than an empty area, however far the sweep reaches.
        m_blockLast = std::max(j, std::min(j + blockSize - 1, m_context.layerCount - 1));
    }
    // Slots are taken in layer order: the caches hand them out oldest first.
    m_context.C.slot(j);
    m_context.A.slot(j);
    m_context.D.slot(j);
}

void LayerLookahead::compute(int j, int slot)
{
    Worker &worker = m_workers[size_t(slot)];
    m_repaired[size_t(j - firstLayer())] = m_preparer.prepare(m_context.cutLayers(), j, worker.coverage,
                                                              m_context.C.get(j), worker.scratch, m_repairEverything);
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
