#include "geometry/workerthread.h"

#include "common/platform/allocator.h"

#include <QString>

#include <chrono>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>
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

void WorkerThread::post(std::function<void()> job)
{
    {
        std::lock_guard<std::mutex> lock(m_jobMutex);
        m_job = std::move(job);
    }
    m_jobWord.store(jobRun, std::memory_order_release);
    wake();
}

std::function<void()> WorkerThread::takeJob()
{
    std::lock_guard<std::mutex> lock(m_jobMutex);
    return std::exchange(m_job, nullptr);
}

bool WorkerThread::finishJob()
{
    std::lock_guard<std::mutex> lock(m_jobMutex);
    if (m_job)
        return false; // posted while the last one ran
    // Only the owner may stop us while a job runs; keep a stop request that arrived meanwhile.
    int expected = jobRun;
    m_jobWord.compare_exchange_strong(expected, 0, std::memory_order_acq_rel);
    return true;
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
        if (check < busyChecks) {
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
    // Each thread allocates from a heap of its own; the raster buffers of its jobs fill it.
    platform::growHeapInHugePages();
    applyWantedPriority();
    while (waitForJobWord()) {
        applyWantedPriority();
        do {
            if (const std::function<void()> job = takeJob())
                job();
        } while (!finishJob());
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

using Task = std::function<void(int task, int slot)>;

// Runs one task and keeps its exception for the caller: an exception must not end a worker thread.
void runTask(const Task &run, int task, int slot, std::exception_ptr &failure)
{
    try {
        run(task, slot);
    } catch (...) {
        failure = std::current_exception();
    }
}

// One call as the threads share it. Tasks are claimed in order by whichever thread asks next, so a worker the
// system has not scheduled yet holds nobody up: the caller runs the tasks itself and waits only for tasks that
// a worker has actually started. A worker that wakes after the call has ended finds no task left and touches
// nothing of the caller's; the record is shared so that it outlives the call for it.
struct SharedCall {
    SharedCall(const Task &run, int tasks) : run(run), tasks(tasks), failures(size_t(tasks)) {}

    void runTasks(int slot)
    {
        for (int k = nextTask.fetch_add(1, std::memory_order_relaxed); k < tasks;
             k = nextTask.fetch_add(1, std::memory_order_relaxed)) {
            runTask(run, k, slot, failures[size_t(k)]);
            doneTasks.fetch_add(1, std::memory_order_release);
        }
    }

    const Task &run; // only touched while a claimed task runs
    const int tasks;
    std::vector<std::exception_ptr> failures;
    std::atomic<int> nextTask{0};
    std::atomic<int> doneTasks{0};
};

// Runs run(task, slot) for tasks 0 ... tasks - 1 on the pool, or on the calling thread alone when the pool is
// taken or a SerialRasterScope exists. Slot 0 is the calling thread, slot w + 1 worker w: a slot runs one task
// at a time. Rethrows the first failure in task order once every task has finished.
void runOnPool(int tasks, const Task &run)
{
    WorkerPool &p = pool();
    std::unique_lock<std::mutex> lock(p.busy, std::defer_lock);
    if (p.serialScopes.load(std::memory_order_acquire) == 0)
        lock.try_lock();
    std::vector<std::exception_ptr> failures(size_t(std::max(tasks, 0)));
    if (!lock.owns_lock()) {
        for (int k = 0; k < tasks; ++k)
            runTask(run, k, 0, failures[size_t(k)]);
    } else {
        const auto call = std::make_shared<SharedCall>(run, tasks);
        const int helpers = std::min(int(p.workers.size()), tasks - 1);
        for (int w = 0; w < helpers; ++w)
            p.workers[size_t(w)]->post([call, w] { call->runTasks(w + 1); });
        call->runTasks(0);
        while (call->doneTasks.load(std::memory_order_acquire) < tasks)
            std::this_thread::yield();
        failures = call->failures;
    }
    for (const std::exception_ptr &failure : failures) {
        if (failure)
            std::rethrow_exception(failure);
    }
}

} // namespace

void paralell(int count, const std::function<double(int item)> &cost,
              const std::function<void(int begin, int end, int rangeIndex)> &work)
{
    if (count <= 0)
        return;
    const std::vector<int> ends = paralellRangeEnds(count, workerThreadCount(), cost);
    runOnPool(int(ends.size()), [&](int k, int) {
        const int begin = k == 0 ? 0 : ends[size_t(k) - 1];
        if (begin < ends[size_t(k)])
            work(begin, ends[size_t(k)], k);
    });
}

void paralellEach(int count, const std::function<void(int item, int slot)> &work)
{
    if (count > 0)
        runOnPool(count, work);
}
