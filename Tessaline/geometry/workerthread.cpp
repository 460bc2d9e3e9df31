#include "workerthread.h"

#include <QString>

#include <chrono>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace
{

// Idle polling: this many checks of the job word with a short busy loop between them (a few milliseconds
// in all), then checks at most this far apart. The later checks wait on a condition that post() signals,
// so a worker that has gone idle starts a job at once instead of after the rest of a sleep: the raster
// operations hand out many short jobs, and a plain 5 ms sleep made two threads many times slower than one.
constexpr int busyChecks = 100000;
constexpr int busyLoopIterations = 50;
constexpr std::chrono::milliseconds idleCheckInterval{5};

constexpr int jobStop = -1;
constexpr int jobRun = 1;

void shortBusyLoop()
{
    for (volatile int i = 0; i < busyLoopIterations; i = i + 1) {
    }
}

struct WorkerPool {
    std::mutex busy; // held by the one paralell() call that owns the workers
    std::vector<std::unique_ptr<WorkerThread>> workers;
    std::atomic<int> workerCount{0}; // readable while another thread holds `busy`
    std::atomic<int> serialScopes{0};
};

WorkerPool &pool()
{
    static WorkerPool instance;
    return instance;
}

} // namespace

WorkerThread::WorkerThread() = default;

WorkerThread::~WorkerThread()
{
    m_jobWord.store(jobStop, std::memory_order_release);
    wake();
    wait();
}

void WorkerThread::post(const std::function<void()> *job)
{
    m_job = job;
    m_jobWord.store(jobRun, std::memory_order_release);
    wake();
}

void WorkerThread::wake()
{
    // Taking the mutex orders the word's change before a waiting worker's next look at it.
    { std::lock_guard<std::mutex> lock(m_wakeMutex); }
    m_wakeUp.notify_one();
}

bool WorkerThread::waitForJobWord()
{
    for (int check = 0;; ++check) {
        const int word = m_jobWord.load(std::memory_order_acquire);
        if (word == jobStop)
            return false;
        if (word != 0)
            return true;
        // While whole layers run on the threads the pool gets no jobs: spinning would only take a core away.
        if (check < busyChecks && pool().serialScopes.load(std::memory_order_relaxed) == 0) {
            shortBusyLoop();
        } else {
            std::unique_lock<std::mutex> lock(m_wakeMutex);
            m_wakeUp.wait_for(lock, idleCheckInterval,
                              [this] { return m_jobWord.load(std::memory_order_acquire) != 0; });
        }
    }
}

void WorkerThread::applyWantedPriority()
{
    const int wanted = m_wantedPriority.load();
    if (wanted != m_appliedPriority) {
        setPriority(QThread::Priority(wanted));
        m_appliedPriority = wanted;
    }
}

void WorkerThread::run()
{
    applyWantedPriority();
    while (waitForJobWord()) {
        applyWantedPriority();
        (*m_job)();
        // Only the owner may stop us while a job runs; keep a stop request that arrived meanwhile.
        int expected = jobRun;
        m_jobWord.compare_exchange_strong(expected, 0, std::memory_order_acq_rel);
    }
}

SerialRasterScope::SerialRasterScope()
{
    pool().serialScopes.fetch_add(1, std::memory_order_acq_rel);
}

SerialRasterScope::~SerialRasterScope()
{
    pool().serialScopes.fetch_sub(1, std::memory_order_acq_rel);
}

void setWorkerThreadCount(int threads)
{
    const int limit = std::max(1, QThread::idealThreadCount());
    const int workers = std::max(1, std::min(threads, limit)) - 1;
    WorkerPool &p = pool();
    std::lock_guard<std::mutex> lock(p.busy);
    while (int(p.workers.size()) > workers)
        p.workers.pop_back();
    while (int(p.workers.size()) < workers) {
        p.workers.push_back(std::make_unique<WorkerThread>());
        p.workers.back()->start(QThread::InheritPriority);
    }
    p.workerCount.store(workers);
}

void setWorkerThreadPriority(QThread::Priority priority)
{
    const QThread::Priority wanted = priority == QThread::InheritPriority ? QThread::HighPriority : priority;
    WorkerPool &p = pool();
    std::lock_guard<std::mutex> lock(p.busy);
    for (const std::unique_ptr<WorkerThread> &worker : p.workers)
        worker->setWantedPriority(wanted);
}

int workerThreadCount()
{
    return pool().workerCount.load() + 1;
}

std::vector<int> paralellRangeEnds(int count, int ranges, const std::function<double(int item)> &cost)
{
    std::vector<double> runningCost(std::max(count, 0));
    double total = 0.0;
    for (int i = 0; i < count; ++i) {
        const double c = cost(i);
        if (!(c > 0.0))
            throw QString("paralell() invalid work cost (%1) must be greater than 0.").arg(c);
        total += c;
        runningCost[i] = total;
    }
    std::vector<int> ends(ranges, std::max(count, 0));
    int item = 0;
    for (int k = 0; k + 1 < ranges; ++k) {
        const double goal = total * (k + 1) / ranges;
        while (item < count && runningCost[item] < goal)
            ++item;
        ends[k] = std::min(item + 1, std::max(count, 0));
    }
    return ends;
}

namespace
{

// Runs one range and keeps its exception for the caller: an exception must not end a worker thread.
void runRange(const std::function<void(int, int, int)> &work, int begin, int end, int rangeIndex,
              std::exception_ptr &failure)
{
    try {
        if (begin < end)
            work(begin, end, rangeIndex);
    } catch (...) {
        failure = std::current_exception();
    }
}

void waitForWorkers(const std::vector<std::unique_ptr<WorkerThread>> &workers, int used)
{
    for (int i = 0; i < used; ++i) {
        while (!workers[i]->isIdle())
            std::this_thread::yield();
    }
}

} // namespace

void paralell(int count, const std::function<double(int item)> &cost,
              const std::function<void(int begin, int end, int rangeIndex)> &work)
{
    if (count <= 0)
        return;
    WorkerPool &p = pool();
    std::unique_lock<std::mutex> lock(p.busy, std::defer_lock);
    if (p.serialScopes.load(std::memory_order_acquire) == 0)
        lock.try_lock();
    const int ranges = p.workerCount.load() + 1;
    const std::vector<int> ends = paralellRangeEnds(count, ranges, cost);
    std::vector<std::exception_ptr> failures(ranges);
    auto rangeBegin = [&](int k) { return k == 0 ? 0 : ends[k - 1]; };

    if (!lock.owns_lock()) {
        for (int k = 0; k < ranges; ++k)
            runRange(work, rangeBegin(k), ends[k], k, failures[k]);
    } else {
        // Range 0 stays on the calling thread; ranges 1.. go to the workers in order.
        std::vector<std::function<void()>> jobs(ranges);
        const int used = std::min(int(p.workers.size()), ranges - 1);
        for (int k = 1; k <= used; ++k) {
            jobs[k] = [&, k] { runRange(work, rangeBegin(k), ends[k], k, failures[k]); };
            p.workers[k - 1]->post(&jobs[k]);
        }
        runRange(work, rangeBegin(0), ends[0], 0, failures[0]);
        waitForWorkers(p.workers, used);
    }
    for (const std::exception_ptr &failure : failures) {
        if (failure)
            std::rethrow_exception(failure);
    }
}
