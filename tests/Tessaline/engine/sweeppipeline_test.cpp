#include "engine/sweeppipeline.h"
#include "geometry/workerthread.h"

#include <gtest/gtest.h>

#include <QString>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace
{

// Records what every stage saw when it started, and checks there that what it reads was ready and that the
// cache slots it takes over were no longer in use. Stages spin a random few microseconds, so that the threads
// meet the stages in ever different orders.
class Recorder
{
public:
    Recorder(const SweepShape &shape, int blockSize, unsigned seed)
        : m_shape(shape), m_blockSize(blockSize), m_seed(seed), m_look(size_t(shape.lastLook - shape.firstLook + 1)),
          m_begun(m_look.size()), m_step(size_t(shape.layerCount - shape.firstStep)),
          m_finish(size_t(shape.layerCount)), m_order(size_t(shape.layerCount)), m_write(size_t(shape.layerCount)),
          m_retire(size_t(shape.layerCount)), m_caller(std::this_thread::get_id())
    {
    }

    SweepStages stages(bool ordered)
    {
        SweepStages s;
        // Blocks of blockSize layers, each begun once the blocks below the one before it are computed.
        s.lookBarrier = [this](int j) {
            return (j - m_shape.firstLook) % m_blockSize == 0 ? std::max(j - m_blockSize, m_shape.firstLook)
                                                              : m_shape.firstLook;
        };
        s.beginLook = [this](int j) {
            expect(j == m_shape.firstLook || m_begun[size_t(j - 1 - m_shape.firstLook)], "look begun out of order", j);
            m_begun[size_t(j - m_shape.firstLook)] = 1;
        };
        s.look = [this](int j, int) { lookStage(j); };
        s.step = [this](int i) { stepStage(i); };
        s.finish = [this, ordered](int i) {
            expect(isDone(m_step, i - m_shape.firstStep), "finish before its step", i);
            run(m_finish, i);
            if (!ordered)
                m_write[size_t(i)].store(1);
        };
        if (ordered) {
            s.order = [this](int i) {
                expect(isDone(m_finish, i), "order before finish", i);
                expect(i == 0 || isDone(m_order, i - 1), "order out of order", i);
                inOrder(m_orderRunning, m_order, i);
            };
            s.write = [this](int i) {
                expect(isDone(m_order, i), "write before order", i);
                run(m_write, i);
            };
        }
        s.retire = [this](int i) {
            expect(std::this_thread::get_id() == m_caller, "retired on another thread", i);
            expect(isDone(m_write, i), "retired before written", i);
            expect(i == 0 || isDone(m_retire, i - 1), "retired out of order", i);
            m_retired.store(i + 1);
            run(m_retire, i);
        };
        return s;
    }

    // Every stage ran exactly once for every index; the first fault seen otherwise.
    std::string fault() const
    {
        std::lock_guard<std::mutex> lock(m_faultMutex);
        if (!m_fault.empty())
            return m_fault;
        const auto allOnce = [](const std::vector<std::atomic<int>> &runs) {
            return std::all_of(runs.begin(), runs.end(), [](const std::atomic<int> &r) { return r.load() == 1; });
        };
        if (!allOnce(m_look) || !allOnce(m_step) || !allOnce(m_finish) || !allOnce(m_write) || !allOnce(m_retire))
            return "a stage did not run exactly once";
        return {};
    }

    // Makes the stage at (kind, index) throw.
    int throwAt = -1;
    char throwKind = 0;

private:
    void lookStage(int j)
    {
        const int first = m_shape.firstLook;
        expect(m_begun[size_t(j - first)] == 1, "look not begun", j);
        if ((j - first) % m_blockSize == 0)
            for (int k = first; k < j - m_blockSize; ++k)
                expect(isDone(m_look, k - first), "block opened before the blocks below its barrier were done", j);
        const int retired = m_retired.load();
        expect(j - m_shape.loopSlots < retired, "loop slot taken over before its layer retired", j);
        expect(j - m_shape.areaSlots + 1 < retired, "area slot taken over while the layer above was unretired", j);
        const int replacedInner = j - m_shape.innerSlots;
        expect(replacedInner < m_shape.firstStep || isDone(m_step, replacedInner - m_shape.firstStep),
               "inner slot taken over before its step", j);
        maybeThrow('L', j);
        run(m_look, j - first);
    }

    void stepStage(int i)
    {
        const int needed = i + m_shape.lookBeyondStep;
        for (int k = m_shape.firstLook; k <= needed; ++k)
            expect(isDone(m_look, k - m_shape.firstLook), "step before its look-ahead", i);
        expect(i - m_shape.regionSlots < m_retired.load(), "region slot taken over before its layer retired", i);
        expect(i == m_shape.firstStep || isDone(m_step, i - 1 - m_shape.firstStep), "step out of order", i);
        maybeThrow('S', i);
        inOrder(m_stepRunning, m_step, i - m_shape.firstStep);
    }

    void inOrder(std::atomic<bool> &running, std::vector<std::atomic<int>> &runs, int k)
    {
        expect(!running.exchange(true), "two calls of an in-order stage at once", k);
        run(runs, k);
        running.store(false);
    }

    void run(std::vector<std::atomic<int>> &runs, int k)
    {
        std::minstd_rand random(m_seed * 7919u + unsigned(k) * 104729u + unsigned(runs.size()));
        const auto until = std::chrono::steady_clock::now() + std::chrono::microseconds(random() % 40);
        while (std::chrono::steady_clock::now() < until) {
        }
        runs[size_t(k)].fetch_add(1);
    }

    void maybeThrow(char kind, int index)
    {
        if (kind == throwKind && index == throwAt)
            throw QString("stage %1 failed at %2").arg(kind).arg(index);
    }

    static bool isDone(const std::vector<std::atomic<int>> &runs, int k) { return runs[size_t(k)].load() == 1; }

    void expect(bool condition, const char *what, int index)
    {
        if (condition)
            return;
        std::lock_guard<std::mutex> lock(m_faultMutex);
        if (m_fault.empty())
            m_fault = std::string(what) + " at " + std::to_string(index);
    }

    const SweepShape m_shape;
    const int m_blockSize;
    const unsigned m_seed;
    std::vector<std::atomic<int>> m_look;
    std::vector<std::atomic<int>> m_begun; // only touched in order, under the pipeline's lock
    std::vector<std::atomic<int>> m_step;
    std::vector<std::atomic<int>> m_finish;
    std::vector<std::atomic<int>> m_order;
    std::vector<std::atomic<int>> m_write;
    std::vector<std::atomic<int>> m_retire;
    std::atomic<int> m_retired{0};
    std::atomic<bool> m_stepRunning{false};
    std::atomic<bool> m_orderRunning{false};
    const std::thread::id m_caller;
    mutable std::mutex m_faultMutex;
    std::string m_fault;
};

// A shape as the slicer builds it, with spare slots over the least each cache needs for the sweep to move at
// all: the same number for every cache, or (spare < 0) a random number for each, so that each cache's limit
// is sometimes the one that holds the look-ahead back.
SweepShape shapeFor(int layerCount, int N, int spare, std::mt19937 *random = nullptr)
{
    const auto extra = [&] { return spare >= 0 ? spare : int((*random)() % 6); };
    SweepShape shape;
    shape.layerCount = layerCount;
    shape.firstStep = -2 * N;
    shape.lookBeyondStep = N + 2;
    shape.firstLook = shape.firstStep + shape.lookBeyondStep - 2;
    shape.lastLook = layerCount - 1 + shape.lookBeyondStep;
    shape.loopSlots = N + 3 + extra();
    shape.areaSlots = N + 4 + extra();
    shape.innerSlots = N + 3 + extra();
    shape.regionSlots = 1 + extra();
    return shape;
}

} // namespace

TEST(SweepPipeline, EveryStageRunsOnceWhenWhatItReadsIsReadyAndItsSlotsAreFree)
{
    std::mt19937 random(20261207);
    for (int threads : {1, 2, 4}) {
        setWorkerThreadCount(threads);
        for (int round = 0; round < 60; ++round) {
            const int layerCount = 1 + int(random() % 30);
            const int N = int(random() % 6);
            const int spare = int(random() % 3) == 0 ? -1 : int(random() % 12);
            const int blockSize = 1 + int(random() % 9);
            const bool ordered = random() % 2 == 0;
            const SweepShape shape = shapeFor(layerCount, N, spare, &random);
            Recorder recorder(shape, blockSize, unsigned(random()));
            SweepPipeline(shape, recorder.stages(ordered)).run();
            EXPECT_EQ(recorder.fault(), "") << "threads " << threads << " layers " << layerCount << " N " << N
                                            << " spare " << spare << " block " << blockSize << " ordered " << ordered;
        }
    }
    setWorkerThreadCount(1);
}

TEST(SweepPipeline, AStageFailureStopsTheRunAndReachesTheCaller)
{
    setWorkerThreadCount(2);
    for (const char kind : {'L', 'S'}) {
        for (const int at : {0, 7, 19}) {
            const SweepShape shape = shapeFor(20, 3, 4);
            Recorder recorder(shape, 8, 5u);
            recorder.throwKind = kind;
            recorder.throwAt = at;
            QString message;
            try {
                SweepPipeline(shape, recorder.stages(true)).run();
            } catch (const QString &failure) {
                message = failure;
            }
            EXPECT_EQ(message, QString("stage %1 failed at %2").arg(kind).arg(at));
        }
    }
    // The pool is free again for the next run.
    const SweepShape shape = shapeFor(12, 2, 3);
    Recorder recorder(shape, 8, 9u);
    SweepPipeline(shape, recorder.stages(false)).run();
    EXPECT_EQ(recorder.fault(), "");
    setWorkerThreadCount(1);
}
