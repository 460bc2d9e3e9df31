#pragma once

#include <QThread>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>

// One pooled thread of the raster operations. It raises itself to high priority and polls its job word:
// first with short busy loops (jobs of one slice follow each other closely), later with waits of up to 5 ms
// that a new job cuts short, so that an idle pool costs almost nothing yet starts its next job at once. Job word values: 0 idle, -1 stop, anything else run the posted job.
// The pool (paralell() and setWorkerThreadCount()) owns every WorkerThread.
class WorkerThread : public QThread
{
public:
    WorkerThread();
    ~WorkerThread() override; // stops the thread and waits for it

    // Hands the thread a job, which it keeps until it has run it. A job posted while another runs replaces
    // any job still waiting and runs next.
    void post(std::function<void()> job);
    // Taken on before the next job; high until set.
    void setWantedPriority(QThread::Priority priority) { m_wantedPriority.store(int(priority)); }

protected:
    void run() override;

private:
    bool waitForJobWord(); // false when told to stop

    // Wakes the worker from its idle wait as soon as a job or a stop arrives.
    void wake();

    void applyWantedPriority();
    std::function<void()> takeJob();
    // Goes idle unless a job was posted meanwhile (then false).
    bool finishJob();

    std::atomic<int> m_jobWord{0};
    std::atomic<int> m_wantedPriority{int(QThread::HighPriority)};
    int m_appliedPriority = -1;
    std::mutex m_jobMutex;
    std::function<void()> m_job; // under m_jobMutex
    std::mutex m_wakeMutex;
    std::condition_variable m_wakeUp;
};

// Sets the pool to threads - 1 workers (the calling thread is the last one), threads limited to
// 1 ... QThread::idealThreadCount(). Call it between slices, never while paralell() runs.
void setWorkerThreadCount(int threads);

// The priority the workers run their jobs at; InheritPriority keeps them at high.
void setWorkerThreadPriority(QThread::Priority priority);

// Workers plus the calling thread: the number of ranges paralell() makes.
int workerThreadCount();

// Runs work(begin, end, rangeIndex) over `count` items split into workerThreadCount() contiguous ranges of
// about equal total cost; range k ends at the first item where the running cost reaches
// total * (k + 1) / ranges. Ranges are numbered in item order, so results gathered per range and joined in
// range order never depend on the thread count. Every cost must be above 0. The threads claim the ranges in
// order as they come free, so one thread may run several ranges one after the other (never two at once); a
// busy machine that leaves a worker unscheduled slows the call down to the calling thread alone, no further.
// When the pool is already busy (a call from another thread or from inside a range) the ranges run one
// after the other on the calling thread. The first exception of a range is rethrown here after all ranges
// have finished.
void paralell(int count, const std::function<double(int item)> &cost,
              const std::function<void(int begin, int end, int rangeIndex)> &work);

// While one exists, paralell() runs its ranges one after the other on the calling thread. Code that already
// spreads whole layers over the threads holds one, so that the raster operations inside a layer do not pile
// more threads onto the busy cores.
class SerialRasterScope
{
public:
    SerialRasterScope();
    ~SerialRasterScope();
    SerialRasterScope(const SerialRasterScope &) = delete;
    SerialRasterScope &operator=(const SerialRasterScope &) = delete;
};

// Runs work(item, slot) for every item on the pool, the items handed out one at a time to whichever thread
// is free, for work whose result depends on the item alone. slot (0 ... workerThreadCount() - 1) names the
// thread, which runs one item at a time, so working storage can be kept per slot. Exceptions as paralell().
void paralellEach(int count, const std::function<void(int item, int slot)> &work);

// The ranges paralell() would use, as end indices (exposed for the tests of the balancing).
std::vector<int> paralellRangeEnds(int count, int ranges, const std::function<double(int item)> &cost);
