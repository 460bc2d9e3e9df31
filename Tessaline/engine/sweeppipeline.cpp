#include "engine/sweeppipeline.h"

#include "geometry/workerthread.h"

#include <algorithm>

SweepPipeline::SweepPipeline(const SweepShape &shape, SweepStages stages)
    : m_shape(shape), m_stages(std::move(stages)), m_ordered(bool(m_stages.order)), m_nextLook(shape.firstLook),
      m_lookReady(shape.firstLook), m_lookDone(size_t(std::max(shape.lastLook - shape.firstLook + 1, 0)), 0),
      m_nextStep(shape.firstStep), m_finishDone(size_t(std::max(shape.layerCount, 0)), 0),
      m_writeDone(m_finishDone.size(), 0)
{
}

void SweepPipeline::run()
{
    // One loop per thread; a worker the system starts late finds the work done and leaves at once.
    paralellEach(workerThreadCount(), [this](int, int slot) { work(slot); });
    if (m_failure)
        std::rethrow_exception(m_failure);
}

void SweepPipeline::work(int slot)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    while (!finished()) {
        Task task;
        try {
            task = claim(slot);
            if (task.stage == Stage::None) {
                m_changed.wait(lock);
                continue;
            }
            lock.unlock();
            execute(task, slot);
            lock.lock();
            complete(task);
        } catch (...) {
            // Every thread stops at its next look; the caller rethrows.
            if (!lock.owns_lock())
                lock.lock();
            if (!m_failure)
                m_failure = std::current_exception();
        }
        m_changed.notify_all();
    }
}

// The stages nearest the result come first: they free cache slots and layer records and keep the in-order
// stages moving; the look-ahead fills the time between.
SweepPipeline::Task SweepPipeline::claim(int slot)
{
    const int layerCount = m_shape.layerCount;
    const int r = m_nextRetire;
    if (slot == 0 && r < layerCount && (m_ordered ? m_writeDone[size_t(r)] : m_finishDone[size_t(r)]))
        return {Stage::Retire, r};
    if (m_ordered && !m_orderRunning && m_nextOrder < layerCount && m_finishDone[size_t(m_nextOrder)]) {
        m_orderRunning = true;
        return {Stage::Order, m_nextOrder};
    }
    if (m_ordered && m_nextWrite < m_nextOrder)
        return {Stage::Write, m_nextWrite++};
    if (canStep()) {
        m_stepRunning = true;
        return {Stage::Step, m_nextStep};
    }
    if (m_nextFinish < std::min(m_nextStep, layerCount))
        return {Stage::Finish, m_nextFinish++};
    if (canLook()) {
        m_stages.beginLook(m_nextLook);
        return {Stage::Look, m_nextLook++};
    }
    return {};
}

bool SweepPipeline::canStep() const
{
    if (m_stepRunning || m_nextStep >= m_shape.layerCount)
        return false;
    const int replacedRegions = m_nextStep - m_shape.regionSlots;
    return m_lookReady > m_nextStep + m_shape.lookBeyondStep && replacedRegions < m_nextRetire;
}

bool SweepPipeline::canLook() const
{
    const int j = m_nextLook;
    if (j > m_shape.lastLook || m_lookReady < m_stages.lookBarrier(j))
        return false;
    const int replacedLoops = j - m_shape.loopSlots;
    const int replacedArea = j - m_shape.areaSlots;
    const int replacedInner = j - m_shape.innerSlots;
    return replacedLoops < m_nextRetire && replacedArea + 1 < m_nextRetire && replacedInner < m_nextStep;
}

void SweepPipeline::execute(const Task &task, int slot)
{
    switch (task.stage) {
    case Stage::Look:
        m_stages.look(task.index, slot);
        break;
    case Stage::Step:
        m_stages.step(task.index);
        break;
    case Stage::Finish:
        m_stages.finish(task.index);
        break;
    case Stage::Order:
        m_stages.order(task.index);
        break;
    case Stage::Write:
        m_stages.write(task.index);
        break;
    case Stage::Retire:
        m_stages.retire(task.index);
        break;
    case Stage::None:
        break;
    }
}

void SweepPipeline::complete(const Task &task)
{
    switch (task.stage) {
    case Stage::Look: {
        const int first = m_shape.firstLook;
        m_lookDone[size_t(task.index - first)] = 1;
        while (m_lookReady <= m_shape.lastLook && m_lookDone[size_t(m_lookReady - first)])
            ++m_lookReady;
        break;
    }
    case Stage::Step:
        m_stepRunning = false;
        ++m_nextStep;
        break;
    case Stage::Finish:
        m_finishDone[size_t(task.index)] = 1;
        break;
    case Stage::Order:
        m_orderRunning = false;
        ++m_nextOrder;
        break;
    case Stage::Write:
        m_writeDone[size_t(task.index)] = 1;
        break;
    case Stage::Retire:
        ++m_nextRetire;
        break;
    case Stage::None:
        break;
    }
}
