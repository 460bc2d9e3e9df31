// The link against the virtual printer on a real pseudo-terminal: a large job through benign faults,
// the faults that stop a job, pause and resume read back with M114, and two printers at once. The
// virtual printer's command log tells what the firmware received.
#include "gcodegen.h"
#include "link/printer.h"
#include "streamcheck.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QThread>

#include <atomic>

namespace
{

constexpr int waitMs = 20000;

// Polls `done` with a deadline, refreshing the printers in between as the host's timer would.
bool waitUntil(const std::function<bool()> &done, const std::vector<Printer *> &printers, int deadlineMs = waitMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > deadlineMs)
            return false;
        for (Printer *printer : printers)
            printer->update();
        QThread::msleep(2);
    }
    return true;
}

// One virtual printer process with its command log, and a Printer connected to it.
class VirtualRig
{
public:
    explicit VirtualRig(const QStringList &faults, const QString &name = "vp", ComThread::Clock clock = {})
        : m_logPath(QDir::temp().filePath(name + ".log")), printer(std::move(clock))
    {
        m_process.start(VIRTUAL_PRINTER_PATH, QStringList{"--log", m_logPath} + faults);
        QElapsedTimer timer;
        timer.start();
        while (!m_process.canReadLine() && timer.elapsed() < waitMs)
            m_process.waitForReadyRead(100);
        path = QString::fromLocal8Bit(m_process.readLine().trimmed());
        printer.setPort(Printer::Taliform, path, name);
    }
    ~VirtualRig()
    {
        m_process.terminate();
        m_process.waitForFinished(waitMs);
    }
    // Connected, greeted, and every greeting command answered.
    bool ready()
    {
        int ticks = 0;
        return waitUntil(
            [&] { return printer.link().linkState() == ComThread::Connected && ++ticks > 2 && printer.link().idle(); },
            {&printer});
    }
    bool finished(int deadlineMs = waitMs)
    {
        return waitUntil([&] { return printer.jobAtEnd() && printer.link().idle(); }, {&printer}, deadlineMs);
    }
    // The log's lines with this mark, without the mark.
    std::vector<QByteArray> logged(char mark) const
    {
        QFile file(m_logPath);
        file.open(QIODevice::ReadOnly);
        std::vector<QByteArray> lines;
        for (const QByteArray &line : file.readAll().split('\n'))
            if (line.size() >= 2 && line[0] == mark)
                lines.push_back(line.mid(2));
        return lines;
    }
    // Asks for the position and returns the reply's (X, Y, E).
    std::array<double, 3> position()
    {
        qint64 from = 0;
        printer.link().mainLogSince(from);
        printer.sendCommand("M114");
        static const QRegularExpression reply("X:([-\\d.]+) Y:([-\\d.]+) Z:[-\\d.]+ E:([-\\d.]+)");
        QByteArray seen;
        QRegularExpressionMatch match;
        waitUntil(
            [&] {
                seen += printer.link().mainLogSince(from);
                match = reply.match(QString::fromLatin1(seen));
                return match.hasMatch();
            },
            {&printer});
        return {match.captured(1).toDouble(), match.captured(2).toDouble(), match.captured(3).toDouble()};
    }

    QString path;

private:
    QString m_logPath;
    QProcess m_process;

public:
    Printer printer;
};

TEST(VirtualPrinterStream, AMegabyteJobArrivesByteForByteThroughBenignFaults)
{
    VirtualRig rig(
        {"--random-faults", "slow,garbage,nul,split", "--fault-rate", "0.004", "--slow-ms", "20", "--seed", "7"});
    const QByteArray job = gcodegen::slicerDialect(1500000, 41);
    ASSERT_TRUE(rig.printer.loadJobText(job, "large.gcode"));
    ASSERT_TRUE(rig.ready()) << rig.printer.link().linkError().toStdString();
    rig.printer.playPause();
    ASSERT_TRUE(rig.finished(600000)) << rig.printer.stopReason().toStdString();
    EXPECT_EQ(firstDifference(rig.logged('J'), jobCommands(job)), "same");
    EXPECT_GT(rig.logged('F').size(), 20u) << "faults were injected";
    EXPECT_EQ(rig.printer.link().linkState(), ComThread::Connected);
    EXPECT_TRUE(rig.printer.stopReason().isEmpty());
}

struct FaultCase {
    const char *name;
    const char *fault;
    int linkState;
    QString errorStart; // start of the link error, or of the stop reason while the link stays up
};

class VirtualPrinterFaults : public testing::TestWithParam<FaultCase>
{
};

// The fault comes before the reply to the 30th job command: the job stops there and no job command
// follows, however long the link keeps running.
TEST_P(VirtualPrinterFaults, StopTheJobAtTheFault)
{
    const FaultCase &c = GetParam();
    std::atomic<qint64> now{0};
    VirtualRig rig({"--fault", QString(c.fault) + "@30"}, QString("vp-") + c.name, [&] { return now.load(); });
    ASSERT_TRUE(rig.printer.loadJobText(gcodegen::slicerDialect(50000, 3), "fault.gcode"));
    ASSERT_TRUE(rig.ready());
    rig.printer.playPause();
    if (std::string(c.name) == "Lost") {
        ASSERT_TRUE(waitUntil([&] { return rig.logged('J').size() == 30; }, {&rig.printer}));
        now += ComThread::okWaitReportMs;
        rig.printer.update();
        EXPECT_EQ(rig.printer.link().okWaitMs(), ComThread::okWaitReportMs);
        EXPECT_EQ(rig.printer.panel().okWait, "Waiting for ok 0:00:30");
        EXPECT_TRUE(rig.printer.playing()) << "a lost ok is waited for, never skipped";
        return;
    }
    ASSERT_TRUE(waitUntil([&] { return !rig.printer.playing(); }, {&rig.printer}));
    EXPECT_EQ(rig.printer.link().linkState(), c.linkState);
    const QString text = c.linkState == ComThread::Error ? rig.printer.link().linkError() : rig.printer.stopReason();
    EXPECT_TRUE(text.startsWith(c.errorStart)) << text.toStdString();
    if (c.linkState == ComThread::Connected) {
        rig.printer.sendCommand("M400");
        ASSERT_TRUE(waitUntil([&] { return rig.logged('J').back() == "M400"; }, {&rig.printer}));
        EXPECT_EQ(rig.logged('J').size(), 31u);
    } else {
        EXPECT_EQ(rig.logged('J').size(), 30u);
        EXPECT_EQ(rig.printer.panel().ledColor.isEmpty() ? "red" : rig.printer.panel().ledColor, "red");
    }
}

INSTANTIATE_TEST_SUITE_P(Table, VirtualPrinterFaults,
                         testing::Values(FaultCase{"Restart", "restart", ComThread::Connected, "The printer restarted"},
                                         FaultCase{"Halt", "halt", ComThread::Error, "Hardware Error: \"!!"},
                                         FaultCase{"Error", "error", ComThread::Error, "Hardware Error: \"Error:"},
                                         FaultCase{"Unplug", "unplug", ComThread::Error, "Disconnected "},
                                         FaultCase{"Lost", "lost", ComThread::Connected, ""}),
                         [](const testing::TestParamInfo<FaultCase> &info) { return std::string(info.param.name); });

TEST(VirtualPrinterPause, PauseParksTheHeadAndResumeRestoresItsPlace)
{
    VirtualRig rig({}, "vp-pause");
    const QByteArray job = gcodegen::slicerDialect(80000, 5);
    ASSERT_TRUE(rig.printer.loadJobText(job, "pause.gcode"));
    ASSERT_TRUE(rig.ready());
    rig.printer.playPause();
    ASSERT_TRUE(waitUntil([&] { return rig.logged('J').size() >= 200; }, {&rig.printer}));
    rig.printer.playPause();
    const std::array<double, 3> parked = rig.position();
    const FollowState saved = rig.printer.pausedAt();
    EXPECT_DOUBLE_EQ(parked[0], Printer::parkX);
    EXPECT_DOUBLE_EQ(parked[1], Printer::parkY);
    rig.printer.sendCommand("G92 E0"); // the user fiddles with the extruder while paused
    rig.printer.playPause();
    const std::array<double, 3> back = rig.position();
    EXPECT_NEAR(back[0], saved.x, 1e-3);
    EXPECT_NEAR(back[1], saved.y, 1e-3);
    EXPECT_NEAR(back[2], saved.e, 1e-3) << "E is restored to the thousandth";
    ASSERT_TRUE(rig.finished(120000));
}

TEST(VirtualPrinterTwo, TwoPrintersStreamTheirOwnJobsAtOnce)
{
    VirtualRig first({}, "vp-first"), second({}, "vp-second");
    const QByteArray jobA = gcodegen::slicerDialect(200000, 8), jobB = gcodegen::foreignDialect(200000, 9);
    ASSERT_TRUE(first.printer.loadJobText(jobA, "a.gcode"));
    ASSERT_TRUE(second.printer.loadJobText(jobB, "b.gcode"));
    ASSERT_TRUE(first.ready());
    ASSERT_TRUE(second.ready());
    first.printer.playPause();
    second.printer.playPause();
    auto done = [](VirtualRig &rig) { return rig.printer.jobAtEnd() && rig.printer.link().idle(); };
    ASSERT_TRUE(waitUntil([&] { return done(first) && done(second); }, {&first.printer, &second.printer}, 300000));
    EXPECT_EQ(firstDifference(first.logged('J'), jobCommands(jobA)), "same");
    EXPECT_EQ(firstDifference(second.logged('J'), jobCommands(jobB)), "same");
}

} // namespace
