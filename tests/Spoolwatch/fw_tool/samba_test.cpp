// SAM_BA against tools/samba-sim: the boot loader on a real pseudo-terminal and the project's applet
// running on the emulated Cortex-M3. What Program() reports is checked against the flash the simulator
// holds afterwards, so a reported success can never hide a wrong flash.
#include "fw_tool/sam-ba.h"
#include "sambasim.h"

#include <QSerialPort>
#include <QtEndian>

#include <gtest/gtest.h>
#include <random>

namespace
{

struct FlashRun {
    unsigned int result = 0;
    QString thrown;
    QStringList statuses;
    int range = 0, progress = 0;
};

// Programs `image` through the simulator; `timing` shrinks the waits (the reader's bound stays real).
FlashRun program(SambaSimProcess &sim, const QByteArray &image, unsigned int mode, SambaTiming timing = {0, 20, 50})
{
    FlashRun run;
    QSerialPort port(sim.port());
    if (!port.open(QIODevice::ReadWrite)) {
        run.thrown = "cannot open " + sim.port();
        return run;
    }
    SAM_BA samba(&port, SAM_BA::flashApplet(), image, timing);
    samba.onStatus = [&run](const QString &status, bool) { run.statuses << status; };
    samba.onRange = [&run](int range) { run.range = range; };
    samba.onProgress = [&run](int value) { run.progress = value; };
    try {
        run.result = samba.Program(mode);
    } catch (const char *message) {
        run.thrown = message;
    }
    return run;
}

struct ImageCase {
    const char *name;
    int size;
    bool xmodem;
};

class Flashing : public ::testing::TestWithParam<ImageCase>
{
};

TEST_P(Flashing, LeavesTheImageInFlashAndRestartsIntoIt)
{
    SKIP_WITHOUT_SAMBA_SIM();
    const ImageCase &c = GetParam();
    SambaSimProcess sim(c.xmodem ? QStringList{"--xmodem"} : QStringList{});
    const QByteArray image = randomImage(c.size, unsigned(c.size));
    const FlashRun run = program(sim, image, c.xmodem ? SAM_BA::Xmodem : SAM_BA::RawUsb);
    ASSERT_EQ(run.thrown, QString());
    ASSERT_EQ(run.result, unsigned(SAM_BA::Success));
    ASSERT_TRUE(sim.waitForExit()) << "the chip did not restart into its firmware";
    const QByteArray flash = sim.flash();
    ASSERT_EQ(flash.size(), 512 * 1024);
    EXPECT_TRUE(flash.startsWith(image));
    EXPECT_EQ(flash.mid(image.size()), QByteArray(flash.size() - image.size(), '\xFF'));
    EXPECT_EQ(run.progress, run.range);
    EXPECT_EQ(run.statuses.mid(0, 3), (QStringList{"Set Terminal mode", "Get Chip ID...", "Send boot loader..."}));
    EXPECT_TRUE(run.statuses.contains("Restart chip.."));
    if (c.xmodem) {
        const int blocks = (c.size + 127) / 128;
        EXPECT_TRUE(sim.log().contains(QString("received %1 bytes in %2 blocks").arg(c.size).arg(blocks).toUtf8()));
    }
}

INSTANTIATE_TEST_SUITE_P(Images, Flashing,
                         ::testing::Values(ImageCase{"MainBoardOneChunk", 5000, false},
                                           ImageCase{"MainBoardThreeChunks", 70000, false},
                                           ImageCase{"MainBoardOddLength", 1001, false},
                                           ImageCase{"LcdBoard130Bytes", 130, true},
                                           ImageCase{"LcdBoardManyBlocks", 3000, true}),
                         [](const ::testing::TestParamInfo<ImageCase> &info) { return std::string(info.param.name); });

TEST(Flashing, WrongChipLeavesTheFlashUntouched)
{
    SKIP_WITHOUT_SAMBA_SIM();
    SambaSimProcess sim({"--chip-id", "284E0A60"});
    const FlashRun run = program(sim, randomImage(4000, 1), SAM_BA::RawUsb);
    EXPECT_EQ(run.result, unsigned(SAM_BA::InvalidChip));
    sim.stop();
    EXPECT_EQ(sim.flash(), QByteArray(512 * 1024, '\xFF'));
    EXPECT_FALSE(sim.log().contains("command S")) << "nothing may be uploaded to a chip we do not know";
}

// A boot loader that falls silent ends in the reader's "Timeout", wherever it stops.
TEST(Flashing, SilentBootLoaderTimesOut)
{
    SKIP_WITHOUT_SAMBA_SIM();
    for (const int silentFrom : {1, 3, 40, 90}) {
        SambaSimProcess sim({"--fault", QString("no-answer:%1").arg(silentFrom)});
        const FlashRun run = program(sim, randomImage(3000, 7), SAM_BA::RawUsb, {0, 10, 10});
        EXPECT_EQ(run.thrown, QString("Timeout")) << "silent from command " << silentFrom;
    }
}

// The order in which the update runs flash commands for a 20000-byte image: 32 unlocks, the erase of
// both planes, 79 page writes, 2 locks, 2 attempts at the boot bit.
unsigned int expectedForStuckCommand(long command)
{
    if (command <= 32)
        return SAM_BA::UnlockFailed;
    if (command <= 34)
        return SAM_BA::EraseFailed;
    if (command <= 34 + 79)
        return SAM_BA::WriteFailed;
    if (command <= 34 + 79 + 2)
        return SAM_BA::LockFailed;
    return SAM_BA::BootFlagFailed;
}

struct FaultCase {
    const char *name;
    const char *fault; // --fault argument; %1 is replaced by the seeded event number
    long firstEvent, lastEvent;
    bool xmodem;
    int expected; // the result, or -1 for the stuck-ready table above
};

class FaultInjection : public ::testing::TestWithParam<FaultCase>
{
};

TEST_P(FaultInjection, EndsInItsResultNeverInAFalseSuccess)
{
    SKIP_WITHOUT_SAMBA_SIM();
    const FaultCase &c = GetParam();
    const QByteArray image = randomImage(20000, 3);
    for (unsigned seed = 1; seed <= 3; ++seed) {
        std::mt19937 random(seed * 7919u + unsigned(c.firstEvent));
        const long event = c.firstEvent + long(random() % unsigned(c.lastEvent - c.firstEvent + 1));
        SambaSimProcess sim({"--fault", QString(c.fault).arg(event), c.xmodem ? "--xmodem" : "--stay-in-bootloader"});
        const FlashRun run = program(sim, image, c.xmodem ? SAM_BA::Xmodem : SAM_BA::RawUsb);
        ASSERT_EQ(run.thrown, QString()) << c.fault << " at " << event;
        const unsigned int expected = c.expected < 0 ? expectedForStuckCommand(event) : unsigned(c.expected);
        EXPECT_EQ(run.result, expected) << c.fault << " at " << event;
        sim.stop();
        const bool written = sim.flash().startsWith(image);
        if (run.result == SAM_BA::Success)
            EXPECT_TRUE(written) << "success reported without the image in flash: " << c.fault << " at " << event;
        else
            EXPECT_FALSE(sim.log().contains("W20001040,00000069#")) << "a failed update restarted the chip";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Faults, FaultInjection,
    ::testing::Values(FaultCase{"StuckReadyFlag", "stuck-ready:%1", 1, 117, false, -1},
                      FaultCase{"FailingWriteStatus", "write-fail:%1", 1, 79, false, SAM_BA::WriteFailed},
                      FaultCase{"LostPageWrite", "write-lost:%1", 1, 79, false, SAM_BA::WriteFailed},
                      FaultCase{"OneNak", "nak:%1", 1, 160, true, SAM_BA::Success},
                      FaultCase{"AlwaysNak", "nak-always", 1, 1, true, SAM_BA::TransferFailed},
                      FaultCase{"OneBadCrc", "bad-crc:%1", 1, 160, true, SAM_BA::Success},
                      FaultCase{"AlwaysBadCrc", "bad-crc-always", 1, 1, true, SAM_BA::TransferFailed}),
    [](const ::testing::TestParamInfo<FaultCase> &info) { return std::string(info.param.name); });

} // namespace

namespace
{

QByteArray readExactly(QSerialPort &port, int bytes)
{
    QByteArray got;
    while (got.size() < bytes && (port.bytesAvailable() > 0 || port.waitForReadyRead(SambaSimProcess::waitMs)))
        got += port.read(bytes - got.size());
    return got;
}

void send(QSerialPort &port, const QByteArray &bytes)
{
    port.write(bytes);
    port.flush();
}

// R over XMODEM, received by hand: 'C', then blocks checked and acknowledged, the second refused once.
TEST(Reading, XmodemReadGivesBackWhatWasWrittenAndResendsARefusedBlock)
{
    SKIP_WITHOUT_SAMBA_SIM();
    SambaSimProcess sim({"--xmodem"});
    QSerialPort port(sim.port());
    ASSERT_TRUE(port.open(QIODevice::ReadWrite));
    SAM_BA samba(&port, QByteArray(), QByteArray());
    send(port, "N#");
    ASSERT_EQ(readExactly(port, 2), QByteArray("\n\r"));
    const quint32 address = 0x20005000;
    const QByteArray written = randomImage(300, 9); // three blocks, the last one padded
    for (int i = 0; i < written.size(); i += 4)
        samba.writeWord(address + quint32(i), qFromLittleEndian<quint32>(written.constData() + i));
    send(port, "R20005000,0000012C#C");
    QByteArray received;
    int packets = 0;
    bool refused = false;
    for (quint8 expected = 1;;) {
        const QByteArray first = readExactly(port, 1);
        ASSERT_EQ(first.size(), 1) << "the sender fell silent";
        if (first[0] == '\x04')
            break;
        ASSERT_EQ(first[0], '\x01');
        const QByteArray block = readExactly(port, 132);
        ++packets;
        ASSERT_EQ(quint8(block[0]), expected);
        ASSERT_EQ(quint8(block[1]), quint8(~expected));
        const QByteArray data = block.mid(2, 128);
        ASSERT_EQ(SAM_BA::xmodemCrc(data), quint16(quint8(block[130]) << 8 | quint8(block[131])));
        if (expected == 2 && !refused) {
            refused = true;
            send(port, "\x15");
            continue;
        }
        received += data;
        ++expected;
        send(port, "\x06");
    }
    send(port, "\x06");
    // The next command's answer shows the transfer over.
    send(port, "V#");
    EXPECT_TRUE(readExactly(port, 27).startsWith("v1.1"));
    EXPECT_EQ(received.left(300), written);
    EXPECT_EQ(received.mid(300), QByteArray(84, '\0'));
    EXPECT_EQ(packets, 4);
    sim.stop();
    EXPECT_TRUE(sim.log().contains("sent 300 bytes in 3 blocks"));
}

} // namespace
