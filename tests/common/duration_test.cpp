#include "common/duration.h"

#include <gtest/gtest.h>

TEST(DurationText, FormatsHoursMinutesSecondsAndDays)
{
    EXPECT_EQ(durationText(59), "0:00:59");
    EXPECT_EQ(durationText(90061), "1 days, 1:01:01");
    EXPECT_EQ(durationText(0), "0:00:00");
    EXPECT_EQ(durationText(3599.9), "0:59:59");     // whole seconds, not rounded
    EXPECT_EQ(durationText(86399), "23:59:59");
    EXPECT_EQ(durationText(86400), "1 days, 0:00:00");
    EXPECT_EQ(durationText(10 * 86400 + 36000), "10 days, 10:00:00");
}

TEST(DurationText, NonsenseReadsAsZero)
{
    EXPECT_EQ(durationText(-5), "0:00:00");
    EXPECT_EQ(durationText(std::numeric_limits<double>::quiet_NaN()), "0:00:00");
    EXPECT_EQ(durationText(std::numeric_limits<double>::infinity()), "0:00:00");
}
