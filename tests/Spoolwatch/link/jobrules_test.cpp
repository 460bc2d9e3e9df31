// The link's rules without a port: which commands a job sends, what replies mean, and how a job is
// indexed by time and layer.
#include "common/gcode/gcodeparser.h"
#include "gcodegen.h"
#include "link/jobcommands.h"
#include "link/jobindex.h"
#include "link/replies.h"

#include <gtest/gtest.h>

#include <QStringList>

namespace
{

struct JobCase {
    const char *name;
    QByteArray job;
    JobCommandOptions options;
    QStringList expected; // commands without their '\n'
    int lineEnds;
};

QStringList allCommands(const QByteArray &job, const JobCommandOptions &options, int *lineNo = nullptr)
{
    JobPosition position{job.constData(), job.constData() + job.size(), 0};
    int printMode = 1;
    QStringList commands;
    for (QByteArray command = nextJobCommand(position, printMode, options); !command.isEmpty();
         command = nextJobCommand(position, printMode, options)) {
        EXPECT_TRUE(command.endsWith('\n'));
        commands << QString::fromLatin1(command.chopped(1));
    }
    EXPECT_EQ(printMode, 0) << "the end of the job ends printing";
    if (lineNo)
        *lineNo = position.lineNo;
    return commands;
}

class JobCommands : public testing::TestWithParam<JobCase>
{
};

TEST_P(JobCommands, SendsTheJobAsThePrinterReadsIt)
{
    const JobCase &c = GetParam();
    int lineNo = 0;
    EXPECT_EQ(allCommands(c.job, c.options, &lineNo), c.expected);
    EXPECT_EQ(lineNo, c.lineEnds);
}

const JobCommandOptions plain{};
const JobCommandOptions noHeat{true, false};
const JobCommandOptions noFan{false, true};

INSTANTIATE_TEST_SUITE_P(
    Table, JobCommands,
    testing::Values(
        JobCase{"TwoCommandsOnALineWithoutTheComment", "G1 X1 G1 X2 ; comment\n", plain, {"G1 X1", "G1 X2"}, 1},
        JobCase{"GluedEGetsASpace", "G1X10E5\r\nG1 X1 E2\n", plain, {"G1X10 E5", "G1 X1 E2"}, 2},
        JobCase{"LowerCaseEOnlyWithoutUpperCase", "g1x1e2\n", plain, {"g1x1 e2"}, 1},
        JobCase{"HeatBypassKeepsM1040",
                "M104 S200\nm109 S200\nM1040\nM140 S60\nM190 S60\nG28\n",
                noHeat,
                {"M1040", "G28"},
                6},
        JobCase{"FanBypass", "M106 S255\nM107\nM126\nM127\nM104 S200\n", noFan, {"M104 S200"}, 5},
        JobCase{"NoBypassSendsAll", "M104 S200\nM106\n", plain, {"M104 S200", "M106"}, 2},
        JobCase{"ToolAfterMStaysWithItsCommand", "M104 T0 S200\nT0 T1\n", plain, {"M104 T0 S200", "T0", "T1"}, 2},
        JobCase{"EveryLineEndCountsOnce",
                "G1 X1\r\nG1 X2\n\rG1 X3\rG1 X4\n",
                plain,
                {"G1 X1", "G1 X2", "G1 X3", "G1 X4"},
                4},
        JobCase{"BlankAndCommentLinesSendNothing", "  \n; hello\n\t G28 \n(park)\n\n", plain, {"G28"}, 5},
        JobCase{"ParenthesisCommentSkipped", "G1 X1 (first) \nG1 X2(second)\n", plain, {"G1 X1", "G1 X2"}, 2},
        JobCase{"NulInsideTheJobIsPassed", QByteArray("G1 X1\0G1 X2\n", 12), plain, {"G1 X1", "G1 X2"}, 1},
        JobCase{"LastLineWithoutLineEnd", "G1 X1\nG1 X2", plain, {"G1 X1", "G1 X2"}, 1},
        JobCase{"EmptyJob", "", plain, {}, 0},
        JobCase{"RegressionHugeMNumberIsSentNotOverflowed", "M99999999999104 S1\n", noHeat, {"M99999999999104 S1"}, 1}),
    [](const testing::TestParamInfo<JobCase> &info) { return std::string(info.param.name); });

TEST(JobCommandsPrintMode, TwoSendsOneCommandThenStops)
{
    const QByteArray job = "G1 X1\nG1 X2\n";
    JobPosition position{job.constData(), job.constData() + job.size(), 0};
    int printMode = 2;
    EXPECT_EQ(nextJobCommand(position, printMode, {}), "G1 X1\n");
    EXPECT_EQ(printMode, 0);
    EXPECT_EQ(nextJobCommand(position, printMode, {}), "");
    printMode = 1;
    EXPECT_EQ(nextJobCommand(position, printMode, {}), "G1 X2\n");
}

// Streaming a generated job and parsing what went out must give the printer the same machine state
// as parsing the job file itself.
TEST(JobCommandsStream, StreamedCommandsReachTheSameMachineState)
{
    for (std::uint32_t seed = 1; seed <= 4; ++seed) {
        const QByteArray job = seed % 2 ? gcodegen::slicerDialect(60000, seed) : gcodegen::foreignDialect(60000, seed);
        GCodeParser fromFile;
        fromFile.parseWholeText(job);
        GCodeParser streamed;
        streamed.reset();
        for (const QString &command : allCommands(job, {}))
            streamed.feedLines(command.toLatin1() + '\n');
        EXPECT_FLOAT_EQ(streamed.posX, fromFile.posX) << seed;
        EXPECT_FLOAT_EQ(streamed.posY, fromFile.posY) << seed;
        EXPECT_FLOAT_EQ(streamed.posZ, fromFile.posZ) << seed;
        EXPECT_NEAR(streamed.totalE, fromFile.totalE, 1e-3) << seed;
        EXPECT_NEAR(streamed.timeSec, fromFile.timeSec, 1e-3 * fromFile.timeSec) << seed;
    }
}

struct ReplyCase {
    const char *name;
    QByteArray line;
    ReplyKind kind;
};

class Replies : public testing::TestWithParam<ReplyCase>
{
};

TEST_P(Replies, Classify)
{
    EXPECT_EQ(classifyReply(replyText(GetParam().line)), GetParam().kind);
}

INSTANTIATE_TEST_SUITE_P(Table, Replies,
                         testing::Values(ReplyCase{"BareOk", "ok", ReplyKind::Ok},
                                         ReplyCase{"OkWithText", "ok T:200 B:60", ReplyKind::Ok},
                                         ReplyCase{"OkayIsNotOk", "okay", ReplyKind::Other},
                                         ReplyCase{"OkWithCarriageReturn", "ok\r", ReplyKind::Ok},
                                         ReplyCase{"OkWithNulAndNoise", QByteArray("o\0k\x01\xff", 5), ReplyKind::Ok},
                                         ReplyCase{"Start", "start", ReplyKind::Start},
                                         ReplyCase{"StartedIsNotStart", "started", ReplyKind::Other},
                                         ReplyCase{"BangBang", "!!", ReplyKind::HardwareError},
                                         ReplyCase{"BangBangText", "!! thermal runaway", ReplyKind::HardwareError},
                                         ReplyCase{"BangBangGlued", "!!x", ReplyKind::Other},
                                         ReplyCase{"ErrorColon", "Error:MINTEMP", ReplyKind::HardwareError},
                                         ReplyCase{"LowerCaseError", "error: x", ReplyKind::Other},
                                         ReplyCase{"Temperatures", "T:210 B:60", ReplyKind::Other}),
                         [](const testing::TestParamInfo<ReplyCase> &info) { return std::string(info.param.name); });

TEST(RepliesPanel, TemperaturesAndFirmwareBuild)
{
    int head = -1, bed = -1, build = -1;
    EXPECT_TRUE(parseTemperatures("ok T:215 B:61 @:0", head, bed));
    EXPECT_EQ(head, 215);
    EXPECT_EQ(bed, 61);
    EXPECT_FALSE(parseTemperatures("T:215/B:61", head, bed));
    EXPECT_TRUE(parseFirmwareBuild("zor3nixa version: 1.2.345", build));
    EXPECT_EQ(build, 345);
    EXPECT_FALSE(parseFirmwareBuild("version: 1.2.345", build));
}

QByteArray paddedJob(int bytes)
{
    QByteArray job = "G28\nG1 X10 Y0 F600\n";
    while (job.size() < bytes)
        job += "G1 X20 Y0\nG1 X10 Y0\n";
    return job.left(bytes);
}

TEST(JobIndexTime, EntriesPerBlockOfTheJob)
{
    EXPECT_EQ(JobIndex::build(paddedJob(1000)).timeIndex.size(), 3u);
    EXPECT_EQ(JobIndex::build(paddedJob(255)).timeIndex.size(), 0u);
    EXPECT_EQ(jobTimeText(JobIndex::build(paddedJob(255)), 10), "");
    EXPECT_EQ(JobIndex::build(paddedJob(512)).timeIndex.size(), 2u);
}

// Over generated jobs: the time index never runs backwards and ends on the parser's total, the
// elapsed time climbs from the start to that total, and each layer entry points at a command that
// prints at its height.
TEST(JobIndexTime, GeneratedJobsIndexConsistently)
{
    for (std::uint32_t seed = 1; seed <= 4; ++seed) {
        const QByteArray job =
            seed % 2 ? gcodegen::slicerDialect(200000, seed) : gcodegen::foreignDialect(200000, seed);
        const JobIndex index = JobIndex::build(job);
        ASSERT_EQ(qint64(index.timeIndex.size()), job.size() / JobIndex::blockBytes);
        GCodeParser whole;
        whole.parseWholeText(job);
        EXPECT_FLOAT_EQ(index.totalTime(), float(whole.timeSec));
        for (size_t k = 1; k < index.timeIndex.size(); ++k)
            ASSERT_LE(index.timeIndex[k - 1], index.timeIndex[k]) << seed << " entry " << k;
        float previous = 0;
        for (qint64 offset = 0; offset <= job.size(); offset += 97) {
            const float elapsed = index.elapsedAt(offset);
            ASSERT_GE(elapsed, previous) << seed << " offset " << offset;
            previous = elapsed;
        }
        EXPECT_FLOAT_EQ(index.elapsedAt(job.size()), index.totalTime());
        EXPECT_EQ(jobTimeText(index, job.size()), "Finished");
        EXPECT_TRUE(jobTimeText(index, job.size() / 2).startsWith("T- "));

        ASSERT_GT(index.layerIndex.size(), 2u) << seed;
        for (size_t i = 0; i < index.layerIndex.size(); ++i) {
            if (i > 0)
                ASSERT_LT(index.layerIndex[i - 1].first, index.layerIndex[i].first);
            // Parsing the job up to the layer's command leaves the machine at that layer's height.
            const auto [z, offset] = index.layerIndex[i];
            GCodeParser upTo;
            upTo.parseWholeText(job.left(job.indexOf('\n', int(offset)) + 1));
            EXPECT_FLOAT_EQ(upTo.posZ, z) << seed << " layer " << i;
        }
    }
}

TEST(JobIndexLayers, FirstPrintingMoveOfEachHeight)
{
    const QByteArray job = "G1 Z0.2 F600\nG1 X5 Y5\nG1 X10 E1\nG1 Z0.4\nG1 X0 E2\nG1 Z0.2\nG1 X4 E3\nG1 Z0.4\n";
    const JobIndex index = JobIndex::build(job);
    ASSERT_EQ(index.layerIndex.size(), 2u);
    EXPECT_FLOAT_EQ(index.layerIndex[0].first, 0.2f);
    EXPECT_EQ(index.layerIndex[0].second, job.indexOf("G1 X10 E1"));
    EXPECT_FLOAT_EQ(index.layerIndex[1].first, 0.4f);
    EXPECT_EQ(index.layerIndex[1].second, job.indexOf("G1 X0 E2"));
}

} // namespace
