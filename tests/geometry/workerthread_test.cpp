#include "workerthread.h"

#include <QString>

#include <gtest/gtest.h>

#include <atomic>
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
    if (workerThreadCount() > 1)
        EXPECT_EQ(threadsUsed(64).size(), 2u) << "the pool is back in use once the scope has ended";
    setWorkerThreadCount(1);
}
