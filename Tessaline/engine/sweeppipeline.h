#pragma once

#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <vector>

struct SliceContext;
class LayerLookahead;

// The driver's stages as the sweep pipeline calls them. Stages marked "in order" run one call at a time with
// the index rising by one; the others run side by side on any thread, one call per layer.
struct SweepStages {
    std::function<void(int step)> step;        // in order, steps -2N ... layerCount - 1: shell regions
    std::function<void(int layer)> finish;     // the layer's paths; also ordered and written if order is empty
    std::function<void(int layer)> order;      // in order, or empty when layers are ordered independently
    std::function<void(int layer)> write;      // the layer's text; empty when finish writes it
    std::function<void(int layer)> retire;     // in order, on the thread that calls run()
};

// Runs the sweep as a pipeline on every slicing thread. Each layer goes through the look-ahead, the sweep step,
// finishing, ordering, writing and retiring; a thread that comes free takes the most advanced stage that is
// ready, so the stages that must go in layer order (sweep steps, ordering with "last head position", the
// result) run beside the look-ahead of later layers instead of holding the other threads up.
//
// A stage starts only when what it reads is ready and the cache slots it takes over are no longer read:
// - look-ahead of layer j: blocks in order (see LayerLookahead); the layer that j's slots replace in caches A
//   and C retired (C is read by the ordering of the layer above and the support pads of two layers below), in
//   cache D past its sweep step;
// - sweep step i: look-ahead done up to neededBy(i), the G/H slot it replaces finished (retired);
// - finishing of layer i: sweep step i done; ordering: finishing done; writing: ordering done;
// - retiring: writing (or finishing) done.
// Every stage's result depends on its inputs only, so the G-code is the same for any thread count and timing.
// The first exception of any stage stops the pipeline and is rethrown by run() once the threads are out.
class SweepPipeline
{
public:
    SweepPipeline(SliceContext &context, LayerLookahead &lookahead, SweepStages stages);

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
    bool finished() const { return m_nextRetire >= m_layerCount || m_failure; }

    SliceContext &m_context;
    LayerLookahead &m_lookahead;
    SweepStages m_stages;
    const int m_layerCount;
    const bool m_ordered;

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::exception_ptr m_failure;

    // Look-ahead: next to begin, and everything below m_lookReady is computed.
    int m_nextLook;
    int m_lookReady;
    std::vector<char> m_lookDone; // by j - firstLayer()
    // Sweep steps: the next one, and whether it is running.
    int m_nextStep;
    bool m_stepRunning = false;
    // Per layer: the next to start and which are done.
    int m_nextFinish = 0;
    std::vector<char> m_finishDone;
    int m_nextOrder = 0;
    bool m_orderRunning = false;
    int m_nextWrite = 0;
    std::vector<char> m_writeDone;
    int m_nextRetire = 0;
};
