#include "engine/machinerecord.h"

#include <gtest/gtest.h>

namespace
{

// The printer's X and Y of a scene point, as the G-code writer computes them.
float printerX(const MachineRecord &m, float x)
{
    return (x - m.originX + m.buildWidth / 2) * m.signX;
}

float printerY(const MachineRecord &m, float z)
{
    return (z - m.originZ + m.buildDepth / 2) * m.signZ;
}

constexpr float width = 300, depth = 200, height = 150;

// The dialog's shortcuts, and a record nobody filled in, which once wrote every model mirrored front to back.
TEST(MachineRecord, TheShortcutsAndTheDefaultGiveTheDialogsOrigins)
{
    struct Case {
        const char *name;
        MachineRecord record;
        float width, depth, height, originX, originZ;
    };
    const Case cases[] = {
        {"front left", frontLeftMachineRecord(width, depth, height), width, depth, height, 0, depth},
        {"center", centerMachineRecord(width, depth, height), width, depth, height, width / 2, depth / 2},
        {"default", MachineRecord(), 200, 200, 200, 0, 200},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.record.buildWidth, c.width);
        EXPECT_EQ(c.record.buildDepth, c.depth);
        EXPECT_EQ(c.record.buildHeight, c.height);
        EXPECT_EQ(c.record.originX, c.originX);
        EXPECT_EQ(c.record.originZ, c.originZ);
        EXPECT_EQ(c.record.signX, 1);
        EXPECT_EQ(c.record.signZ, -1);
    }
}

// Every choice of the dialog puts the printer's 0,0 where its origin names and counts up the way its
// direction names. The scene's front is +z, its left -x; the plate is centred on 0.
TEST(MachineRecord, EveryChoicePutsZeroAtTheNamedOriginAndCountsTheNamedWay)
{
    const float leftCenterRight[] = {-width / 2, 0, width / 2};
    const float frontCenterBack[] = {depth / 2, 0, -depth / 2};
    for (int xDirection = 0; xDirection < 2; ++xDirection)
        for (int xOrigin = 0; xOrigin < 3; ++xOrigin)
            for (int yDirection = 0; yDirection < 2; ++yDirection)
                for (int yOrigin = 0; yOrigin < 3; ++yOrigin) {
                    const MachineAxes axes{xDirection, xOrigin, yDirection, yOrigin};
                    const MachineRecord m = machineRecordFromOptions(width, depth, height, axes);
                    SCOPED_TRACE(testing::Message() << xDirection << xOrigin << yDirection << yOrigin);
                    EXPECT_NEAR(printerX(m, leftCenterRight[xOrigin]), 0, 1e-3);
                    EXPECT_NEAR(printerY(m, frontCenterBack[yOrigin]), 0, 1e-3);
                    // One mm to the right, one mm to the back (scene z falls towards the back).
                    const float rightwards = printerX(m, 1) - printerX(m, 0);
                    const float backwards = printerY(m, -1) - printerY(m, 0);
                    EXPECT_FLOAT_EQ(rightwards, xDirection == 0 ? 1 : -1);
                    EXPECT_FLOAT_EQ(backwards, yDirection == 0 ? 1 : -1);
                }
}

TEST(MachineRecord, IndexesOutOfRangeKeepTheOriginOnThePlate)
{
    const MachineRecord low = machineRecordFromOptions(width, depth, height, MachineAxes{0, -1, 0, -1});
    const MachineRecord high = machineRecordFromOptions(width, depth, height, MachineAxes{1, 7, 1, 7});
    EXPECT_EQ(low.originX, 0);
    EXPECT_EQ(low.originZ, depth);
    EXPECT_EQ(high.originX, width);
    EXPECT_EQ(high.originZ, 0);
}

} // namespace
