// mWORKER's questions before the update, on real pseudo-terminals: the virtual printer in normal mode
// (M1002, M1003, M1004, M1105, each answered with a line and "ok") and tools/samba-sim in the boot loader
// (V#, whose answer must leave nothing behind for Program's own N#).
#include "fw_tool/worker.h"
#include "sambasim.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace
{

constexpr int waitMs = 20000;

struct WorkerRun {
    int result = 0;
    QStringList steps;
    mWORKER::Information information;
    QString failure;
};

WorkerRun runWorker(const QString &port, bool printerInBootLoader, const QByteArray &image = QByteArray())
{
    mWORKER::Job job;
    job.portName = port;
    job.printerInBootLoader = printerInBootLoader;
    job.applet = SAM_BA::flashApplet();
    job.image = image;
    job.timing = {0, 20, 25};
    mWORKER worker(job);
    WorkerRun run;
    worker.onStep = [&run](const QString &name) { run.steps << name; };
    run.result = worker.Run();
    run.information = worker.information();
    run.failure = worker.failure();
    return run;
}

struct QuestionCase {
    const char *name;
    const char *option; // virtual-printer --fault KIND@N (before the reply to the n-th job command) or a flag
    QStringList steps;
    int result;
    QByteArray commandsSeen; // what the printer logged, marks and all
};

class PrinterQuestions : public testing::TestWithParam<QuestionCase>
{
};

TEST_P(PrinterQuestions, AreAskedInOrderBeforeTheRestartAndAnUnansweredOneStopsTheUpdate)
{
    const QuestionCase &c = GetParam();
    QTemporaryDir dir;
    QProcess printer;
    QStringList args{"--log", dir.filePath("printer.log"), "--firmware", "2.7.311"};
    if (QByteArray(c.option).startsWith("--"))
        args << c.option;
    else if (c.option[0] != '\0')
        args << "--fault" << c.option;
    printer.start(VIRTUAL_PRINTER_PATH, args);
    while (!printer.canReadLine() && printer.waitForReadyRead(waitMs)) {
    }
    const WorkerRun run = runWorker(QString::fromLocal8Bit(printer.readLine().trimmed()), false);
    printer.terminate();
    printer.waitForFinished(waitMs);
    QFile log(dir.filePath("printer.log"));
    log.open(QIODevice::ReadOnly);

    EXPECT_EQ(run.steps, c.steps);
    EXPECT_EQ(run.result, c.result) << run.failure.toStdString();
    EXPECT_EQ(log.readAll(), c.commandsSeen);
    EXPECT_EQ(run.information.uniqueId, "0000000000000000C0FFEE");
    if (c.result == mWORKER::restartRequested) {
        EXPECT_EQ(run.information.firmwareVersion, "2.7.311");
        EXPECT_EQ(run.information.lcdVersion, "1.0");
        EXPECT_EQ(run.information.lcdMode, "0");
    } else {
        EXPECT_EQ(run.failure, "No answer to M1004");
    }
}

const QStringList allAnswered{"i_CONNECT", "i_UID", "i_HMIVER", "i_HMIMODE"};

INSTANTIATE_TEST_SUITE_P(
    Questions, PrinterQuestions,
    testing::Values(QuestionCase{"AllAnswered", "", allAnswered, mWORKER::restartRequested,
                                 "J M1002\nV M1003\nJ M1004\nJ M1105\nJ M6969S69\n"},
                    // The answer is the information line; an "ok" that never comes does not matter.
                    QuestionCase{"OkLost", "lost@1", allAnswered, mWORKER::restartRequested,
                                 "J M1002\nF lost@1\nV M1003\nJ M1004\nJ M1105\nJ M6969S69\n"},
                    // A firmware that answers without labels: its informative lines are the answers.
                    QuestionCase{"BareAnswers", "--bare-info", allAnswered, mWORKER::restartRequested,
                                 "J M1002\nV M1003\nJ M1004\nJ M1105\nJ M6969S69\n"},
                    // The printer restarts instead of answering: its banner is not the LCD version.
                    QuestionCase{"RestartInsteadOfAnswer",
                                 "restart@2",
                                 {"i_CONNECT", "i_UID", "i_HMIVER", "i_NOTCOMPLETED"},
                                 mWORKER::notCompleted,
                                 "J M1002\nV M1003\nJ M1004\nF restart@2\n"}),
    [](const testing::TestParamInfo<QuestionCase> &info) { return std::string(info.param.name); });

// V# first, then Program() from the same port: a byte of the version's answer left unread would shift
// every answer after it and the chip id check would fail.
TEST(BootLoaderQuestion, ReadsTheVersionAndLeavesThePortCleanForProgram)
{
    SKIP_WITHOUT_SAMBA_SIM();
    for (const bool silent : {false, true}) {
        SambaSimProcess sim(silent ? QStringList{"--fault", "no-answer:1"} : QStringList{});
        const QByteArray image(3000, '\x5A');
        const WorkerRun run = runWorker(sim.port(), true, image);
        if (silent) {
            EXPECT_EQ(run.steps, (QStringList{"i_CONNECT", "i_SAMBAVER", "i_NOTCOMPLETED"}));
            EXPECT_EQ(run.result, mWORKER::notCompleted);
            sim.stop();
            EXPECT_FALSE(sim.log().contains("command N")) << "nothing may follow an unanswered question";
            continue;
        }
        EXPECT_EQ(run.steps, (QStringList{"i_CONNECT", "i_SAMBAVER", "i_STARTWORK"}));
        EXPECT_EQ(run.information.bootLoaderVersion, "v1.1 Dec 15 2010 19:25:04");
        EXPECT_EQ(run.result, int(SAM_BA::Success)) << run.failure.toStdString();
        ASSERT_TRUE(sim.waitForExit());
        EXPECT_TRUE(sim.flash().startsWith(image));
    }
}

} // namespace
