// The flash applet's own source, compiled for the host and run against the simulated SAM3X: what it
// writes is what the flash holds, and every controller fault reaches its status word.
#include "Spoolwatch/fw_tool/applet/applet.h"
#include "sam3xchip.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <vector>

using sambasim::ChipFaults;
using sambasim::Sam3xChip;

namespace
{

Sam3xChip *currentChip = nullptr;

// Runs one applet command on `chip` and returns its status word.
unsigned runApplet(Sam3xChip &chip, unsigned command, std::vector<unsigned> arguments = {})
{
    currentChip = &chip;
    chip.write32(APPLET_COMMAND, command);
    chip.write32(APPLET_STATUS, 0xDEAD);
    for (unsigned i = 0; i < arguments.size(); ++i)
        chip.write32(APPLET_ARGUMENT(i), arguments[i]);
    applet_main();
    currentChip = nullptr;
    return chip.read32(APPLET_STATUS);
}

void putBuffer(Sam3xChip &chip, const std::vector<std::uint8_t> &data)
{
    for (std::size_t i = 0; i < data.size(); ++i)
        chip.write8(APPLET_BUFFER_ADDRESS + std::uint32_t(i), data[i]);
}

TEST(FlashApplet, InitReportsTheBufferAndTheFlash)
{
    Sam3xChip chip(SAM3X8E_CHIP_ID);
    ASSERT_EQ(runApplet(chip, APPLET_INIT, {0, 4, 0}), unsigned(APPLET_SUCCESS));
    EXPECT_EQ(chip.read32(APPLET_ARGUMENT(0)), SAM3X_FLASH_BYTES);
    EXPECT_EQ(chip.read32(APPLET_ARGUMENT(1)), APPLET_BUFFER_ADDRESS);
    EXPECT_EQ(chip.read32(APPLET_ARGUMENT(2)), APPLET_BUFFER_BYTES);
    EXPECT_EQ(chip.read32(APPLET_ARGUMENT(4)), SAM3X_LOCK_REGIONS);
}

// Writes at generated offsets and lengths (across pages and the border of the two planes) leave the
// flash equal to the data, and the bytes around it untouched.
TEST(FlashApplet, WritesWhatTheBufferHoldsAnywhereInFlash)
{
    std::mt19937 random(42);
    for (int run = 0; run < 60; ++run) {
        Sam3xChip chip(SAM3X8E_CHIP_ID);
        const bool nearPlaneBorder = run % 3 == 0;
        const std::uint32_t size = 1 + random() % 9000;
        std::uint32_t offset = nearPlaneBorder ? SAM3X_PLANE_BYTES - 4 * (random() % 1024) : 4 * (random() % 100000);
        offset = std::min(offset, (SAM3X_FLASH_BYTES - size) & ~3u);
        std::vector<std::uint8_t> data(size);
        for (auto &byte : data)
            byte = std::uint8_t(random());
        putBuffer(chip, data);
        ASSERT_EQ(runApplet(chip, APPLET_WRITE, {APPLET_BUFFER_ADDRESS, size, offset}), unsigned(APPLET_SUCCESS))
            << "run " << run << " offset " << offset << " size " << size;
        EXPECT_EQ(chip.read32(APPLET_ARGUMENT(0)), size);
        const auto &flash = chip.flash();
        ASSERT_TRUE(std::equal(data.begin(), data.end(), flash.begin() + offset)) << "run " << run;
        EXPECT_TRUE(std::all_of(flash.begin(), flash.begin() + offset, [](auto b) { return b == 0xFF; }));
        EXPECT_TRUE(std::all_of(flash.begin() + offset + size, flash.end(), [](auto b) { return b == 0xFF; }));
    }
}

struct AppletCase {
    const char *name;
    ChipFaults faults;
    std::function<void(Sam3xChip &)> before; // commands that set the scene
    unsigned command;
    std::vector<unsigned> arguments;
    unsigned expected;
};

class AppletStatus : public ::testing::TestWithParam<AppletCase>
{
};

TEST_P(AppletStatus, ReachesTheMailbox)
{
    const AppletCase &c = GetParam();
    Sam3xChip chip(SAM3X8E_CHIP_ID);
    putBuffer(chip, std::vector<std::uint8_t>(4096, 0x5A));
    if (c.before)
        c.before(chip);
    chip.setFaults(c.faults);
    EXPECT_EQ(runApplet(chip, c.command, c.arguments), c.expected);
}

const std::vector<unsigned> pageWrite = {APPLET_BUFFER_ADDRESS, 256, 0};

ChipFaults stuckReady()
{
    ChipFaults faults;
    faults.stuckReadyAt = 1;
    return faults;
}
ChipFaults failingWrite()
{
    ChipFaults faults;
    faults.failWriteAt = 1;
    return faults;
}
ChipFaults lostWrite()
{
    ChipFaults faults;
    faults.ignoreWriteAt = 1;
    return faults;
}
void lockRegion(Sam3xChip &chip, unsigned region)
{
    ASSERT_EQ(runApplet(chip, APPLET_LOCK, {region}), unsigned(APPLET_SUCCESS));
}

INSTANTIATE_TEST_SUITE_P(
    Commands, AppletStatus,
    ::testing::Values(
        AppletCase{"EraseAll", {}, nullptr, APPLET_ERASE_ALL, {}, APPLET_SUCCESS},
        AppletCase{"StuckReadyTimesOut", stuckReady(), nullptr, APPLET_ERASE_ALL, {}, APPLET_FLASH_TIMEOUT},
        AppletCase{"StuckReadyOnWrite", stuckReady(), nullptr, APPLET_WRITE, pageWrite, APPLET_FLASH_TIMEOUT},
        AppletCase{"FailingWriteStatus", failingWrite(), nullptr, APPLET_WRITE, pageWrite, APPLET_FLASH_LOCKED},
        AppletCase{"LostWriteFailsReadBack", lostWrite(), nullptr, APPLET_WRITE, pageWrite, APPLET_VERIFY_FAILED},
        AppletCase{"WriteIntoLockedRegion",
                   {},
                   [](Sam3xChip &chip) { lockRegion(chip, 0); },
                   APPLET_WRITE,
                   pageWrite,
                   APPLET_FLASH_LOCKED},
        AppletCase{"EraseWithPlaneOneLocked",
                   {},
                   [](Sam3xChip &chip) { lockRegion(chip, 20); },
                   APPLET_ERASE_ALL,
                   {},
                   APPLET_FLASH_LOCKED},
        AppletCase{"UnlockThenErase",
                   {},
                   [](Sam3xChip &chip) {
                       lockRegion(chip, 20);
                       ASSERT_EQ(runApplet(chip, APPLET_UNLOCK, {20}), unsigned(APPLET_SUCCESS));
                   },
                   APPLET_ERASE_ALL,
                   {},
                   APPLET_SUCCESS},
        AppletCase{
            "UnalignedBuffer", {}, nullptr, APPLET_WRITE, {APPLET_BUFFER_ADDRESS + 1, 16, 0}, APPLET_BAD_ARGUMENT},
        AppletCase{"WritePastTheEnd",
                   {},
                   nullptr,
                   APPLET_WRITE,
                   {APPLET_BUFFER_ADDRESS, 512, SAM3X_FLASH_BYTES - 256},
                   APPLET_BAD_ARGUMENT},
        AppletCase{"BufferOverrun",
                   {},
                   nullptr,
                   APPLET_WRITE,
                   {APPLET_BUFFER_ADDRESS, APPLET_BUFFER_BYTES + 4, 0},
                   APPLET_BAD_ARGUMENT},
        AppletCase{"LockRegionPastTheLast", {}, nullptr, APPLET_LOCK, {32}, APPLET_BAD_ARGUMENT},
        AppletCase{"SecurityBitRefused", {}, nullptr, APPLET_GPNVM, {1, 0}, APPLET_BAD_ARGUMENT},
        AppletCase{"BootBit", {}, nullptr, APPLET_GPNVM, {1, 1}, APPLET_SUCCESS},
        AppletCase{"UnknownCommand", {}, nullptr, 7, {}, APPLET_UNKNOWN_COMMAND}),
    [](const ::testing::TestParamInfo<AppletCase> &info) { return std::string(info.param.name); });

TEST(FlashApplet, LocksTheRegionOfEitherPlaneAndSetsTheBootBit)
{
    Sam3xChip chip(SAM3X8E_CHIP_ID);
    lockRegion(chip, 17);
    EXPECT_TRUE(chip.regionLocked(17));
    EXPECT_FALSE(chip.regionLocked(1));
    ASSERT_EQ(runApplet(chip, APPLET_GPNVM, {1, 1}), unsigned(APPLET_SUCCESS));
    EXPECT_TRUE(chip.gpnvm(1));
    EXPECT_FALSE(chip.gpnvm(0));
    ASSERT_EQ(runApplet(chip, APPLET_RESTART), unsigned(APPLET_SUCCESS));
    EXPECT_TRUE(chip.takeResetRequest());
}

// The resource holds the applet built from this source: after changing applet.c, its fresh build must
// be copied over applet/bootloader.flash.
TEST(FlashApplet, CommittedBuildIsTheFreshBuild)
{
    if (std::string(FRESH_APPLET) == COMMITTED_APPLET)
        GTEST_SKIP() << "arm-none-eabi-gcc is not installed: only the committed applet is there";
    std::FILE *fresh = std::fopen(FRESH_APPLET, "rb");
    std::FILE *committed = std::fopen(COMMITTED_APPLET, "rb");
    ASSERT_TRUE(fresh && committed);
    std::vector<char> a(65536), b(65536);
    a.resize(std::fread(a.data(), 1, a.size(), fresh));
    b.resize(std::fread(b.data(), 1, b.size(), committed));
    std::fclose(fresh);
    std::fclose(committed);
    EXPECT_EQ(a, b) << "copy " << FRESH_APPLET << " over " << COMMITTED_APPLET;
}

} // namespace

extern "C" unsigned applet_read32(unsigned address)
{
    return currentChip->read32(address);
}

extern "C" void applet_write32(unsigned address, unsigned value)
{
    currentChip->write32(address, value);
}
