#pragma once

#include "edgemarkplane.h"
#include "layerarea.h"
#include "plane8.h"

#include <memory>
#include <vector>

struct SliceContext;
class VerticalShells;

// Computes the sweep's look-ahead work - each layer's area (cache C), loops and hairs (cache A) and inner
// area (cache D) - in blocks of layers spread over the slicing threads. A layer
// needs nothing from its neighbours for this, so it is the part of the sweep that scales with the threads;
// each thread keeps its own working planes and shell builder.
//
// Blocks are a fixed number of layers whatever the thread count, so a decision taken once per block (the
// preparer's switch to repairing every layer) falls on the same layer in every run. The caches must hold
// blockSize + extraLayers more items than the sweep itself needs.
class LayerLookahead
{
public:
    static constexpr int blockSize = 8;
    // Layers kept ready beyond the one asked for: a bar's contact pad looks at the object areas of the two
    // layers above its own.
    static constexpr int extraLayers = 2;
    static constexpr int cacheItems = blockSize + extraLayers;

    LayerLookahead(SliceContext &context, int threads);
    ~LayerLookahead();
    LayerLookahead(const LayerLookahead &) = delete;
    LayerLookahead &operator=(const LayerLookahead &) = delete;

    // Makes the items of layers j ... j + extraLayers ready, computing the blocks that start at the first layer
    // not ready yet. Indexes outside the layer range get an empty area, no loops and an empty inner area. The
    // coverage of layer 0 is left in the context for the first-layer structures. Call with j rising by one.
    void ensure(int j);

private:
    struct Worker {
        Plane8 coverage;
        EdgeMarkPlane scratch;
        std::unique_ptr<VerticalShells> shells;
    };

    void computeBlock(int first, int last);
    void computeLayer(Worker &worker, int j, bool repairEverything);

    SliceContext &m_context;
    LayerAreaPreparer m_preparer;
    std::vector<Worker> m_workers;
    int m_readyUntil;
};
