#pragma once

#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <vector>

// The layer ranges of one sweep and the cache sizes that bound how far its stages may run ahead.
struct SweepShape {
    int layerCount = 0;
    int firstStep = 0; // the sweep steps run firstStep ... layerCount - 1
    int firstLook = 0; // the look-ahead computes firstLook ... lastLook
    int lastLook = 0;
    int lookBeyondStep = 0; // step i reads the look-ahead of layers up to i + lookBeyondStep
    // Slots of the caches the stages share, by what holds them:
    int loopSlots = 1;   // look-ahead to finishing (loops, cache A)
    int areaSlots = 1;   // look-ahead to the ordering of the layer above (areas, cache C)
    int innerSlots = 1;  // look-ahead to the sweep step of the same layer (inner areas, cache D)
    int regionSlots = 1; // sweep step to finishing (shell and fill regions, caches G and H)
};

// The driver's stages as the pipeline calls them. Stages marked "in order" run one call at a time with the
// index rising by one; the others run side by side on any thread, one call per layer.
struct SweepStages {
    std::function<int(int j)> lookBarrier;     // every look-ahead layer below it is computed before j begins
    std::function<void(int j)> beginLook;      // in order: takes layer j's cache slots
    std::function<void(int j, int slot)> look; // the layer's area, loops and inner area; slot names the thread
    std::function<void(int step)> step;        // in order: shell regions
    std::function<void(int layer)> finish;     // the layer's paths; also ordered and written if order is empty
    std::function<void(int layer)> order;      // in order, or empty when layers are ordered independently
    std::function<void(int layer)> write;      // the layer's text; empty when finish writes it
    std::function<void(int layer)> retire;     // in order, on the thread that calls run()
};

// Runs the sweep as a pipeline on every slicing thread. Each layer goes through the look-ahead, the sweep step,
// finishing, ordering, writing and retiring; a thread that comes free takes the most advanced stage that is
// ready, so the stages that must go in layer order (sweep steps, ordering from the last head position, the
// result) run beside the look-ahead of later layers instead of holding the other threads up.
//
// A stage starts only when what it reads is ready and the cache slots it takes over are no longer read:
// - look-ahead of layer j: after the layers below its barrier; the layer whose slots j takes
//   over retired in caches A and C (C is also read by the ordering of the layer above, so that one too) and
//   past its sweep step in cache D;
// - sweep step i: look-ahead done up to i + lookBeyondStep, the region slot it takes over retired;
// - finishing of layer i: sweep step i done; ordering: finishing done; writing: ordering done;
// - retiring: writing (or finishing) done.
// Every stage's result depends on its inputs only, so the result is the same for any thread count and timing.
// The first exception of any stage stops the pipeline and is rethrown by run() once the threads are out.
class SweepPipeline
{
public:
    SweepPipeline(const SweepShape &shape, SweepStages stages);

    void run();

private:
    enum class Stage { None, Look, Step, Finish, Order, Write, Retire };
    struct Task {
        Stage stage = Stage::None;
        int index = 0;
    };

    void work(int slot);
    // Under the lock: the next task for this slot, claimed, or None.
    Task claim(int slot);
    bool canLook() const;
    bool canStep() const;
    void execute(const Task &task, int slot);
    // Under the lock.
    void complete(const Task &task);
    bool finished() const { return m_nextRetire >= m_shape.layerCount || m_failure; }

    const SweepShape m_shape;
    SweepStages m_stages;
    const bool m_ordered;

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::exception_ptr m_failure;

    // Look-ahead: the next layer to begin; every layer below m_lookReady is computed.
    int m_nextLook;
    int m_lookReady;
    std::vector<char> m_lookDone; // by j - firstLook
    int m_nextStep;
    bool m_stepRunning = false;
    int m_nextFinish = 0;
    std::vector<char> m_finishDone;
    int m_nextOrder = 0;
    bool m_orderRunning = false;
    int m_nextWrite = 0;
    std::vector<char> m_writeDone;
    int m_nextRetire = 0;
};
