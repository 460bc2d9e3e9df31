#pragma once

#include "raster/edgemarkplane.h"
#include "raster/layerarea.h"
#include "raster/plane8.h"

#include <memory>
#include <vector>

struct SliceContext;
class VerticalShells;

// The sweep's look-ahead work - each layer's area (cache C), loops and hairs (cache A) and inner area (cache D).
// A layer needs nothing from its neighbours for this, so it is the part of the sweep that scales with the
// threads: layers are begun one at a time in order and computed on any thread, each thread (slot) with its own
// working planes and shell builder.
//
// Layers go in blocks of a fixed size whatever the thread count, and the switch to repairing every layer (once
// more than LayerAreaPreparer::maxCheckedRepairs layers needed repair) is decided once per block from the
// layers below the block before it. So that the switch falls on the same layer in every run, a block is begun
// only once those layers are computed; the block before it may still be running. Indexes outside the layer
// range get an empty area, no loops and an empty inner area; past the top layer every layer is a block.
class LayerLookahead
{
public:
    static constexpr int blockSize = 8;
    // Layers kept ready beyond the sweep's window: a bar's contact pad looks at the object areas of the two
    // layers above its own.
    static constexpr int extraLayers = 2;
    static constexpr int cacheItems = blockSize + extraLayers;

    LayerLookahead(SliceContext &context, int threads);
    ~LayerLookahead();
    LayerLookahead(const LayerLookahead &) = delete;
    LayerLookahead &operator=(const LayerLookahead &) = delete;

    // The first and the last layer the sweep asks for.
    int firstLayer() const;
    int lastLayer() const;
    // The last layer that sweep step i needs computed.
    int neededBy(int step) const;

    // The layer below which every layer must be computed before begin(j).
    int barrierFor(int j) const { return j > m_blockLast ? m_blockFirst : firstLayer(); }
    // Takes layer j's cache slots and, for a new block, the block's repair decision. One thread at a time, j
    // rising by one from firstLayer(), each after barrierFor(j).
    void begin(int j);
    // Computes layer j on the thread that owns `slot`; layers of a block may run side by side.
    void compute(int j, int slot);

private:
    struct Worker {
        Plane8 coverage;
        EdgeMarkPlane scratch;
        std::unique_ptr<VerticalShells> shells;
    };

    SliceContext &m_context;
    LayerAreaPreparer m_preparer;
    std::vector<Worker> m_workers;
    int m_blockFirst;
    int m_blockLast;
    bool m_repairEverything = false;
    std::vector<char> m_repaired; // by j - firstLayer(), written by compute
    int m_countedUntil;           // layers below this are in m_repairedCount
    int m_repairedCount = 0;
};
