#include "geometry/workerthread.h"

#include <QString>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <random>
#include <set>
#include <thread>

TEST(ParalellRanges, ContiguousRangesOfBalancedCost)
{
    std::mt19937 rng(31);
    std::uniform_real_distribution<double> costOf(0.1, 10.0);
    for (int round = 0; round < 200; ++round) {
        const int count = 1 + int(rng() % 300);
        const int ranges = 1 + int(rng() % 8);
        std::vector<double> costs(static_cast<size_t>(count));
        double total = 0.0, largest = 0.0;
        for (double &c : costs) {
            c = costOf(rng);
            total += c;
            largest = std::max(largest, c);
        }
        const std::vector<int> ends = paralellRangeEnds(count, ranges, [&](int i) { return costs[size_t(i)]; });
        ASSERT_EQ(int(ends.size()), ranges);
        EXPECT_EQ(ends.back(), count);
        int begin = 0;
        for (int k = 0; k < ranges; ++k) {
            ASSERT_GE(ends[size_t(k)], begin);
            double cost = 0.0;
            for (int i = begin; i < ends[size_t(k)]; ++i)
                cost += costs[size_t(i)];
            // Each range holds its share within one item of the boundary on either side.
            EXPECT_LE(cost, total / ranges + 2 * largest);
            begin = ends[size_t(k)];
        }
    }
}

TEST(ParalellRanges, CostsMustBePositive)
{
    for (double bad : {0.0, -1.0, std::nan("")}) {
        try {
            paralell(
                3, [&](int i) { return i == 1 ? bad : 1.0; }, [](int, int, int) {});
            FAIL();
        } catch (const QString &text) {
            EXPECT_TRUE(text.startsWith("paralell() invalid work cost (")) << text.toStdString();
            EXPECT_TRUE(text.endsWith(") must be greater than 0.")) << text.toStdString();
        }
    }
}

TEST(Paralell, EveryItemRunsOnceAtEveryThreadCount)
{
    for (int threads : {1, 2, 3, 8}) {
        setWorkerThreadCount(threads);
        EXPECT_GE(workerThreadCount(), 1);
        EXPECT_LE(workerThreadCount(), std::max(1, QThread::idealThreadCount()));
        std::vector<std::atomic<int>> runs(1000);
        for (int repeat = 0; repeat < 50; ++repeat) {
            paralell(
                1000, [](int i) { return 1.0 + i % 7; },
                [&](int begin, int end, int) {
                    for (int i = begin; i < end; ++i)
                        runs[size_t(i)]++;
                });
        }
        for (const std::atomic<int> &r : runs)
            ASSERT_EQ(r.load(), 50);
    }
    setWorkerThreadCount(1);
}

TEST(Paralell, ExceptionsOfAnyRangeReachTheCaller)
{
    setWorkerThreadCount(4);
    for (int failing : {0, 999}) {
        try {
            paralell(
                1000, [](int) { return 1.0; },
                [&](int begin, int end, int) {
                    if (failing >= begin && failing < end)
                        throw "range failed";
                });
            FAIL();
        } catch (const char *text) {
            EXPECT_STREQ(text, "range failed");
        }
    }
    // The pool still works afterwards.
    std::atomic<int> total{0};
    paralell(
        10, [](int) { return 1.0; }, [&](int b, int e, int) { total += e - b; });
    EXPECT_EQ(total.load(), 10);
    setWorkerThreadCount(1);
}

TEST(Paralell, NestedAndConcurrentCallsRunInline)
{
    setWorkerThreadCount(4);
    std::atomic<int> inner{0};
    paralell(
        8, [](int) { return 1.0; },
        [&](int begin, int end, int) {
            for (int i = begin; i < end; ++i)
                paralell(
                    10, [](int) { return 1.0; }, [&](int b, int e, int) { inner += e - b; });
        });
    EXPECT_EQ(inner.load(), 80);

    std::atomic<int> fromThreads{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&] {
            for (int repeat = 0; repeat < 100; ++repeat)
                paralell(
                    16, [](int) { return 1.0; }, [&](int b, int e, int) { fromThreads += e - b; });
        });
    for (std::thread &t : threads)
        t.join();
    EXPECT_EQ(fromThreads.load(), 4 * 100 * 16);
    setWorkerThreadCount(1);
}

TEST(Paralell, ASerialScopeKeepsEveryRangeOnTheCallingThread)
{
    setWorkerThreadCount(2);
    const auto threadsUsed = [](int count) {
        std::mutex mutex;
        std::set<std::thread::id> ids;
        int items = 0;
        paralell(
            count, [](int) { return 1.0; },
            [&](int begin, int end, int) {
                std::lock_guard<std::mutex> lock(mutex);
                ids.insert(std::this_thread::get_id());
                items += end - begin;
            });
        EXPECT_EQ(items, count);
        return ids;
    };
    {
        const SerialRasterScope serial;
        const std::set<std::thread::id> ids = threadsUsed(64);
        EXPECT_EQ(ids, std::set<std::thread::id>{std::this_thread::get_id()});
    }
    if (workerThreadCount() < 2)
        return;
    // Outside the scope the worker takes a range: the first range holds the calling thread until another
    // thread has started the second.
    std::atomic<bool> secondStarted{false};
    std::thread::id secondThread;
    paralell(
        2, [](int) { return 1.0; },
        [&](int, int, int range) {
            if (range == 1) {
                secondThread = std::this_thread::get_id();
                secondStarted = true;
                return;
            }
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
            while (!secondStarted && std::chrono::steady_clock::now() < deadline)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        });
    EXPECT_TRUE(secondStarted.load());
    EXPECT_NE(secondThread, std::this_thread::get_id()) << "the pool is back in use once the scope has ended";
    setWorkerThreadCount(1);
}

TEST(ParalellEach, EveryItemOnceAndASlotRunsOneItemAtATime)
{
    for (const int threads : {1, 2, 4}) {
        setWorkerThreadCount(threads);
        const int slotCount = workerThreadCount();
        std::vector<std::atomic<int>> runs(300);
        std::vector<std::atomic<int>> busy(static_cast<size_t>(slotCount));
        std::atomic<int> overlaps{0}, badSlots{0};
        paralellEach(int(runs.size()), [&](int item, int slot) {
            if (slot < 0 || slot >= slotCount) {
                ++badSlots;
                return;
            }
            if (busy[size_t(slot)].fetch_add(1) != 0)
                ++overlaps;
            ++runs[size_t(item)];
            std::this_thread::sleep_for(std::chrono::microseconds(item % 7 * 20));
            --busy[size_t(slot)];
        });
        EXPECT_EQ(badSlots.load(), 0);
        EXPECT_EQ(overlaps.load(), 0);
        for (const std::atomic<int> &count : runs)
            ASSERT_EQ(count.load(), 1);
    }
    setWorkerThreadCount(1);
}

TEST(ParalellEach, TheFirstFailureInItemOrderReachesTheCallerAfterEveryItemRan)
{
    setWorkerThreadCount(2);
    std::atomic<int> ran{0};
    try {
        paralellEach(50, [&](int item, int) {
            ++ran;
            if (item == 31 || item == 17)
                throw QString("item %1").arg(item);
        });
        ADD_FAILURE() << "no exception";
    } catch (const QString &message) {
        EXPECT_EQ(message, "item 17");
    }
    EXPECT_EQ(ran.load(), 50);
    setWorkerThreadCount(1);
}

// While one call holds the pool, a call from another thread runs on its own thread instead of waiting.
TEST(ParalellEach, ACallWhileThePoolIsTakenRunsOnItsOwnThread)
{
    setWorkerThreadCount(2);
    if (workerThreadCount() < 2)
        GTEST_SKIP() << "one core";
    std::atomic<bool> release{false};
    std::thread outer([&] {
        paralellEach(2, [&](int item, int) {
            while (item == 1 && !release.load())
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        });
    });
    // The outer call holds the pool until its slow item ends; this call meanwhile runs on its own thread.
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    int sum = 0;
    paralellEach(10, [&](int item, int) { sum += item; });
    EXPECT_EQ(sum, 45);
    release = true;
    outer.join();
    setWorkerThreadCount(1);
}
