#include "engine/fifo.h"

#include <QRandomGenerator>

#include <deque>
#include <gtest/gtest.h>

// Against a plain model of the cache: the last `capacity` distinct indexes taken, the oldest dropped first.
TEST(FIFO, HoldsTheLastDistinctIndexesOverRandomSequences)
{
    QRandomGenerator random(7);
    for (int capacity : {1, 2, 3, 5, 8}) {
        FIFO<int> fifo(capacity);
        std::deque<int> model;
        for (int step = 0; step < 500; ++step) {
            const int index = random.bounded(-4, 12);
            const bool held = std::find(model.begin(), model.end(), index) != model.end();
            int &item = fifo.slot(index);
            if (held) {
                EXPECT_EQ(item, index * 10) << "a held item must come back unchanged";
            } else {
                item = index * 10;
                model.push_back(index);
                if (int(model.size()) > capacity)
                    model.pop_front();
            }
            for (int probe = -4; probe < 12; ++probe) {
                const bool modelHolds = std::find(model.begin(), model.end(), probe) != model.end();
                ASSERT_EQ(fifo.contains(probe), modelHolds) << capacity << " " << step << " " << probe;
                if (modelHolds)
                    EXPECT_EQ(fifo.get(probe), probe * 10);
            }
        }
    }
}

TEST(FIFO, MissingItemsThrowTheirIndexAndEmptyCachesStillWork)
{
    FIFO<int> fifo(2);
    try {
        fifo.get(-999999 + 1);
        ADD_FAILURE() << "no error";
    } catch (const QString &message) {
        EXPECT_EQ(message, "FIFO.get(): Item not found ID:-999998");
    }
    // The unused slots carry a key no layer has, so a fresh cache holds nothing, not even layer 0.
    EXPECT_FALSE(fifo.contains(0));
    // A shell window of 0 gives capacity (0 + 1) / 2 = 0 for the pair cache; it must still take an item.
    FIFO<int> empty(0);
    EXPECT_EQ(empty.capacity(), 1);
    empty.slot(3) = 4;
    EXPECT_EQ(empty.get(3), 4);
}
