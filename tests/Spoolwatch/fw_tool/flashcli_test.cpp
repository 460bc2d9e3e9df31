// spoolwatch-cli flash as a real process against tools/samba-sim, with firmware files made by
// tools/fwpack; bossac, a SAM-BA client written elsewhere, reads back what it wrote.
#include "fw_tool/firmwarefile.h"
#include "sambasim.h"

#include <QDir>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace
{

struct CliRun {
    int exitCode = -1;
    QString out, err;
};

CliRun runProgram(const QString &program, const QStringList &args)
{
    QProcess process;
    process.start(program, args);
    process.waitForFinished(SambaSimProcess::waitMs);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()), QString::fromUtf8(process.readAllStandardError())};
}

CliRun flash(const QStringList &args)
{
    return runProgram(SPOOLWATCH_CLI_PATH, QStringList{"flash", "--wait-scale", "0"} + args);
}

class FlashCommand : public ::testing::Test
{
protected:
    QString write(const QString &name, const QByteArray &bytes)
    {
        QFile file(m_dir.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return file.fileName();
    }
    // A firmware file built by the real tool from two images.
    QString firmware(const QByteArray &main, const QByteArray &lcd)
    {
        const CliRun run = runProgram(
            FWPACK_PATH, {write("main.bin", main), write("lcd.bin", lcd), m_dir.filePath("release.firmware")});
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        return m_dir.filePath("release.firmware");
    }
    QTemporaryDir m_dir;
};

TEST_F(FlashCommand, WritesEitherBoardFromTheFirmwareFile)
{
    SKIP_WITHOUT_SAMBA_SIM();
    const QByteArray main = randomImage(40000, 1), lcd = randomImage(700, 2);
    const QString file = firmware(main, lcd);
    for (const bool lcdBoard : {false, true}) {
        SambaSimProcess sim(lcdBoard ? QStringList{"--xmodem"} : QStringList{});
        const CliRun run = flash(lcdBoard ? QStringList{"--port", sim.port(), "--lcd", file}
                                          : QStringList{"--port", sim.port(), file});
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        EXPECT_TRUE(
            run.out.contains(lcdBoard ? "LCD board updated successfully." : "Main board updated successfully."));
        EXPECT_TRUE(run.out.contains("100%")) << "the progress bar ends full";
        ASSERT_TRUE(sim.waitForExit());
        EXPECT_TRUE(sim.flash().startsWith(lcdBoard ? lcd : main));
    }
}

struct FailureCase {
    const char *name;
    QStringList simArgs;
    bool damagedFile;
    const char *errorLine;
};

class FlashCommandFails : public FlashCommand, public ::testing::WithParamInterface<FailureCase>
{
};

TEST_P(FlashCommandFails, WithTheErrorLineAndStatusOne)
{
    SKIP_WITHOUT_SAMBA_SIM();
    const FailureCase &c = GetParam();
    QByteArray file = firmwarefile::build({randomImage(9000, 5), randomImage(100, 6)});
    if (c.damagedFile)
        file[600] = char(file[600] ^ 0x10);
    SambaSimProcess sim(c.simArgs);
    const CliRun run = flash({"--port", sim.port(), write("release.firmware", file)});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains(c.errorLine)) << run.err.toStdString();
    sim.stop();
    EXPECT_FALSE(sim.flash().startsWith(file.mid(512, 64)));
    if (c.damagedFile)
        EXPECT_EQ(sim.log(), QByteArray()) << "nothing may reach the printer from a damaged file";
}

INSTANTIATE_TEST_SUITE_P(
    Failures, FlashCommandFails,
    ::testing::Values(
        FailureCase{"DamagedFile", {}, true, "Error updating Main board : Crc error loading firmware"},
        FailureCase{"FailingWrite",
                    {"--fault", "write-fail:3"},
                    false,
                    "Error updating Main board : writing the flash failed (result 6)"},
        FailureCase{
            "WrongChip", {"--chip-id", "285E0A61"}, false, "Error updating Main board : ERROR_INVALID_CHIP (result 1)"},
        FailureCase{"SilentBootLoader", {"--fault", "no-answer:5"}, false, "Error updating Main board : Timeout"}),
    [](const ::testing::TestParamInfo<FailureCase> &info) { return std::string(info.param.name); });

// bossac talks to the simulator as it talks to a real board (raw transfers with --usb-port=1) and
// verifies the image spoolwatch-cli wrote.
TEST_F(FlashCommand, BossacVerifiesWhatWasWritten)
{
    SKIP_WITHOUT_SAMBA_SIM();
    const QString bossac = QStandardPaths::findExecutable("bossac");
    if (bossac.isEmpty())
        GTEST_SKIP() << "bossac is not installed (Debian package bossa-cli)";
    const QByteArray image = randomImage(30000, 9);
    const QString imagePath = write("image.bin", image);
    SambaSimProcess sim({"--stay-in-bootloader"});
    const CliRun flashed = flash({"--port", sim.port(), "--raw", imagePath});
    ASSERT_EQ(flashed.exitCode, 0) << flashed.err.toStdString();
    const CliRun info = runProgram(bossac, {"--port=" + sim.port(), "--usb-port=1", "--info"});
    EXPECT_TRUE(info.out.contains("ATSAM3X8")) << info.out.toStdString();
    EXPECT_TRUE(info.out.contains(QRegularExpression("Boot Flash\\s*: true"))) << info.out.toStdString();
    const CliRun verify = runProgram(bossac, {"--port=" + sim.port(), "--usb-port=1", "--verify", imagePath});
    EXPECT_EQ(verify.exitCode, 0);
    EXPECT_TRUE(verify.out.contains("Verify successful")) << verify.out.toStdString() << verify.err.toStdString();
    // And a byte the simulator changes behind our back is noticed: the check can fail.
    QByteArray changed = image;
    changed[1234] = char(changed[1234] ^ 1);
    const CliRun mismatch =
        runProgram(bossac, {"--port=" + sim.port(), "--usb-port=1", "--verify", write("changed.bin", changed)});
    EXPECT_FALSE(mismatch.out.contains("Verify successful"));
}

} // namespace
