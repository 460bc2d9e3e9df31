// The link against a printer double on a real pseudo-terminal: streaming, replies that stop the job,
// unplugging, a lost "ok", pause and resume, two printers at once, and spoolwatch-cli as a process.
#include "ptyprinter.h"

#include "gcodegen.h"
#include "link/printer.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>

#include <algorithm>
#include <atomic>
#include <set>

namespace
{

std::vector<QByteArray> jobCommands(const QByteArray &job)
{
    JobPosition position{job.constData(), job.constData() + job.size(), 0};
    int printMode = 1;
    std::vector<QByteArray> commands;
    for (QByteArray command = nextJobCommand(position, printMode, {}); !command.isEmpty();
         command = nextJobCommand(position, printMode, {}))
        commands.push_back(command.chopped(1));
    return commands;
}

// Where two command streams part, for a readable failure.
std::string firstDifference(const std::vector<QByteArray> &got, const std::vector<QByteArray> &expected)
{
    for (size_t i = 0; i < std::max(got.size(), expected.size()); ++i) {
        const QByteArray a = i < got.size() ? got[i] : "<none>", b = i < expected.size() ? expected[i] : "<none>";
        if (a != b)
            return "line " + std::to_string(i) + ": got '" + a.toStdString() + "', expected '" + b.toStdString() + "'";
    }
    return "same";
}

// The lines a printer received that came from the job, without what the host adds on its own.
std::vector<QByteArray> jobLines(const std::vector<QByteArray> &lines)
{
    static const std::set<QByteArray> hostCommands = {"M105", "M110 S1", "M110 S2", "M1003"};
    std::vector<QByteArray> result;
    for (const QByteArray &line : lines)
        if (!hostCommands.count(line))
            result.push_back(line);
    return result;
}

QByteArray smallJob(std::uint32_t seed, int bytes = 40000)
{
    return gcodegen::slicerDialect(bytes, seed);
}

// A printer of unknown kind: no greeting, so the tests see the job and the temperature polls only.
struct Rig {
    PtyPrinter peer;
    Printer printer;
    explicit Rig(ComThread::Clock clock = {}) : printer(std::move(clock))
    {
        printer.setPort(Printer::UnknownPrinter, peer.path(), "pty");
    }
    bool waitFor(const std::function<bool()> &done, int deadlineMs = 20000)
    {
        return peer.waitFor(done, deadlineMs, [this] { printer.update(); });
    }
    bool connect()
    {
        return waitFor([this] { return printer.link().linkState() == ComThread::Connected; });
    }
    // Sends a marker through the priority queue and waits until it arrives: everything the link sent
    // before it has arrived too.
    int barrier(const QByteArray &marker = "M114")
    {
        printer.sendCommand(marker);
        if (!waitFor([&] { return peer.indexOf(marker) >= 0; }))
            return -1;
        return peer.indexOf(marker);
    }
};

TEST(LinkStream, AJobArrivesAsItsCommandsWithNoisyReplies)
{
    Rig rig;
    const QByteArray job = smallJob(7, 300000);
    ASSERT_TRUE(rig.printer.loadJobText(job, "noisy.gcode"));
    QRandomGenerator random(11);
    rig.peer.replyFor = [&](const QByteArray &) -> QByteArray {
        switch (random.bounded(6)) {
        case 0:
            return QByteArray("\0ok\n", 4);
        case 1:
            return "echo:busy\xfe\x01\nok\n";
        case 2:
            return QByteArray("o\0k T:200 B:60\n", 15);
        case 3:
            return "\x02\x7f\x80\n\nok\n";
        default:
            return "ok\n";
        }
    };
    ASSERT_TRUE(rig.connect());
    rig.printer.playPause();
    ASSERT_TRUE(rig.waitFor([&] { return rig.printer.jobAtEnd() && rig.printer.link().idle(); }, 120000));
    EXPECT_EQ(firstDifference(jobLines(rig.peer.lines()), jobCommands(job)), "same");
    EXPECT_EQ(rig.printer.link().linkState(), ComThread::Connected);
    EXPECT_EQ(rig.peer.lines().back(), "M110 S2") << "the end of the job is announced";
    EXPECT_EQ(rig.printer.panel().time, "Finished");
}

TEST(LinkStream, NeverTwoMainCommandsInFlight)
{
    Rig rig;
    const QByteArray job = smallJob(3);
    ASSERT_TRUE(rig.printer.loadJobText(job, "one.gcode"));
    rig.peer.autoReply.clear();
    ASSERT_TRUE(rig.connect());
    rig.printer.playPause();
    // Answer each line only after checking that nothing followed it unanswered.
    for (int answered = 0; answered < 40; ++answered) {
        ASSERT_TRUE(rig.waitFor([&] { return int(rig.peer.lines().size()) > answered; }));
        const size_t seen = rig.peer.lines().size();
        rig.printer.sendCommand("M114"); // queued now, it may only go out after the ok below
        rig.peer.pump(20);
        EXPECT_EQ(rig.peer.lines().size(), seen) << "a line went out before the previous ok";
        rig.peer.write("ok\n");
        ASSERT_TRUE(rig.waitFor([&] { return rig.peer.lines().size() > seen; }));
        answered = int(rig.peer.lines().size()) - 1;
        rig.peer.write("ok\n");
    }
}

struct StopCase {
    const char *name;
    QByteArray reply;
    int linkState;
    QString error; // linkError, or the stop reason when the link stays up
};

class LinkStops : public testing::TestWithParam<StopCase>
{
};

// A reply that stops the job mid-way: no job line follows it, and the printer says why.
TEST_P(LinkStops, NoJobLineFollowsTheReply)
{
    const StopCase &c = GetParam();
    Rig rig;
    ASSERT_TRUE(rig.printer.loadJobText(smallJob(5), "stop.gcode"));
    rig.peer.replyFor = [&](const QByteArray &) -> QByteArray {
        return rig.peer.lines().size() == 60 ? c.reply : QByteArray("ok\n");
    };
    ASSERT_TRUE(rig.connect());
    rig.printer.playPause();
    ASSERT_TRUE(rig.waitFor([&] { return !rig.printer.playing(); }));
    const size_t stoppedAt = rig.peer.lines().size();
    EXPECT_EQ(rig.printer.link().linkState(), c.linkState);
    if (c.linkState == ComThread::Error) {
        EXPECT_EQ(rig.printer.link().linkError(), c.error);
        EXPECT_EQ(rig.printer.panel().ledColor.isEmpty() ? "red" : rig.printer.panel().ledColor, "red");
        EXPECT_EQ(rig.printer.stopReason(), c.error);
    } else {
        EXPECT_EQ(rig.printer.stopReason(), c.error);
        const int marker = rig.barrier();
        ASSERT_GE(marker, 0);
        for (size_t i = stoppedAt; i < size_t(marker); ++i)
            EXPECT_EQ(rig.peer.lines()[i], "M105") << "line " << i << " went out after the stop";
    }
    EXPECT_EQ(stoppedAt, 60u);
    EXPECT_FALSE(rig.printer.jobAtStart());
}

INSTANTIATE_TEST_SUITE_P(Replies, LinkStops,
                         testing::Values(StopCase{"Start", "start\nok\n", ComThread::Connected,
                                                  "The printer restarted during the job."},
                                         StopCase{"BangBang", "!!\n", ComThread::Error, "Hardware Error: \"!!\""},
                                         StopCase{"ErrorLine", "Error:Heater failed\n", ComThread::Error,
                                                  "Hardware Error: \"Error:Heater failed\""}),
                         [](const testing::TestParamInfo<StopCase> &info) { return std::string(info.param.name); });

// A Taliform is greeted, polled every 5 s of refresh time, and its replies reach the panel.
TEST(PrinterRefresh, GreetingPollsAndPanelValues)
{
    PtyPrinter peer;
    bool temperatures = true;
    peer.replyFor = [&](const QByteArray &line) -> QByteArray {
        if (line == "M105")
            return temperatures ? "ok T:215 B:60\n" : "ok\n";
        if (line == "M1003")
            return "zor3nixa version: 1.2.345\nok\n";
        return "ok\n";
    };
    Printer printer;
    printer.setLatestFirmwareBuild(400);
    printer.setPort(Printer::Taliform, peer.path(), "pty");
    auto refresh = [&] { printer.update(0.0); };
    EXPECT_EQ(printer.panel().fileName, "");
    ASSERT_TRUE(peer.waitFor([&] { return printer.fwBuild() == 345 && printer.tempHead() == 215; }, 10000, refresh));
    ASSERT_GE(peer.lines().size(), 3u);
    EXPECT_EQ(std::vector<QByteArray>(peer.lines().begin(), peer.lines().begin() + 3),
              (std::vector<QByteArray>{"M105", "M1003", "M110 S2"}));
    EXPECT_EQ(printer.panel().temperatures, "215/60");
    EXPECT_EQ(printer.panel().titleSuffix, " <font color=\"#FE1\">*New FirmWare is availabe.</font>");
    EXPECT_EQ(printer.panel().fileName, "&lt; No GCODE file loaded &gt;");

    auto polls = [&] { return std::count(peer.lines().begin(), peer.lines().end(), QByteArray("M105")); };
    printer.update(4.9);
    printer.sendCommand("M400");
    ASSERT_TRUE(peer.waitFor([&] { return peer.indexOf("M400") >= 0; }, 10000, refresh));
    EXPECT_EQ(polls(), 1) << "polled before 5 s had passed";
    temperatures = false;
    printer.update(0.2);
    ASSERT_TRUE(peer.waitFor([&] { return polls() == 2; }, 10000, refresh));
    EXPECT_EQ(printer.tempHead(), 215) << "a reply arrived since the previous poll";
    printer.update(5.0);
    ASSERT_TRUE(peer.waitFor([&] { return polls() == 3; }, 10000, refresh));
    EXPECT_EQ(printer.panel().temperatures, "0/0") << "no temperatures since the previous poll";

    struct PanelCase {
        QByteArray command;
        QString fan, z;
    };
    for (const PanelCase &c : {PanelCase{"M106 S128", "50%", "Z: 0.000"}, PanelCase{"M106 S1", "1%", "Z: 0.000"},
                               PanelCase{"M106 S254", "99%", "Z: 0.000"}, PanelCase{"M106 S255", "MAX", "Z: 0.000"},
                               PanelCase{"G1 Z12.3456", "MAX", "Z: 12.346"}, PanelCase{"M107", "OFF", "Z: 12.346"}}) {
        printer.sendCommand(c.command);
        ASSERT_TRUE(peer.waitFor([&] { return peer.lines().back() == c.command; }, 10000, refresh));
        refresh();
        EXPECT_EQ(printer.panel().fan, c.fan) << c.command.constData();
        EXPECT_EQ(printer.panel().z, c.z) << c.command.constData();
    }
}

TEST(LinkPort, UnplugStopsTheJobAndOnlyTheUserResumesIt)
{
    Rig rig;
    const QByteArray job = smallJob(9);
    ASSERT_TRUE(rig.printer.loadJobText(job, "unplug.gcode"));
    rig.peer.replyFor = [&](const QByteArray &) -> QByteArray {
        return rig.peer.lines().size() <= 50 ? QByteArray("ok\n") : QByteArray();
    };
    ASSERT_TRUE(rig.connect());
    rig.printer.playPause();
    ASSERT_TRUE(rig.waitFor([&] { return rig.peer.lines().size() == 51; }));
    const std::vector<QByteArray> before = rig.peer.lines();
    rig.peer.unplug();
    ASSERT_TRUE(rig.waitFor([&] { return rig.printer.link().linkState() == ComThread::Error; }));
    rig.printer.update();
    EXPECT_TRUE(rig.printer.link().linkError().startsWith("Disconnected "))
        << rig.printer.link().linkError().toStdString();
    EXPECT_EQ(rig.printer.stopReason().toStdString(), rig.printer.link().linkError().toStdString());
    EXPECT_FALSE(rig.printer.playing());

    // The printer comes back (often under the same terminal name) and the user reconnects; the job
    // still waits for the user's Play.
    PtyPrinter again;
    rig.printer.setPort(Printer::UnknownPrinter, again.path(), "pty");
    rig.printer.link().requestReconnect();
    ASSERT_TRUE(again.waitFor([&] { return rig.printer.link().linkState() == ComThread::Connected; }, 10000,
                              [&] { rig.printer.update(); }))
        << rig.printer.link().linkError().toStdString();
    rig.printer.sendCommand("M114");
    ASSERT_TRUE(again.waitFor([&] { return again.indexOf("M114") >= 0; }, 10000, [&] { rig.printer.update(); }));
    EXPECT_TRUE(jobLines(again.lines()) == std::vector<QByteArray>{"M114"}) << "the job resumed on its own";

    rig.printer.playPause();
    ASSERT_TRUE(again.waitFor([&] { return rig.printer.jobAtEnd() && rig.printer.link().idle(); }, 60000,
                              [&] { rig.printer.update(); }));
    std::vector<QByteArray> all = jobLines(before);
    for (const QByteArray &line : jobLines(again.lines()))
        if (line != "M114")
            all.push_back(line);
    EXPECT_EQ(firstDifference(all, jobCommands(job)), "same") << "the job goes on from its cursor";
}

TEST(LinkPort, AnUnopenablePortGivesItsErrorText)
{
    Printer printer;
    printer.setPort(Printer::Taliform, "/dev/spoolwatch-no-such-port", "none");
    PtyPrinter idle;
    ASSERT_TRUE(
        idle.waitFor([&] { return printer.link().linkState() == ComThread::Error; }, 10000, [&] { printer.update(); }));
    EXPECT_FALSE(printer.link().linkError().isEmpty());
    EXPECT_EQ(printer.panel().status, "<font color=red><b>Error:</b></font> " + printer.link().linkError());
}

TEST(LinkWait, ALostOkIsReportedAfterThirtySecondsAndTheLinkKeepsWaiting)
{
    std::atomic<qint64> now{1000};
    Rig rig([&] { return now.load(); });
    rig.peer.autoReply.clear();
    ASSERT_TRUE(rig.connect());
    ASSERT_TRUE(rig.waitFor([&] { return rig.peer.lines().size() == 1; })); // the first M105 poll
    rig.printer.sendCommand("G28");
    now += ComThread::okWaitReportMs - 1;
    rig.printer.update();
    EXPECT_EQ(rig.printer.link().okWaitMs(), 0);
    EXPECT_TRUE(rig.printer.panel().okWait.isEmpty());
    now += 1001;
    rig.printer.update();
    EXPECT_EQ(rig.printer.link().okWaitMs(), ComThread::okWaitReportMs + 1000);
    EXPECT_EQ(rig.printer.panel().okWait, "Waiting for ok 0:00:31");
    EXPECT_EQ(rig.printer.panel().ledColor.isEmpty() ? "yellow" : rig.printer.panel().ledColor, "yellow");
    EXPECT_EQ(rig.peer.lines().size(), 1u) << "nothing goes out while the ok is missing";
    rig.peer.write("ok\n");
    ASSERT_TRUE(rig.waitFor([&] { return rig.peer.indexOf("G28") >= 0; }));
    EXPECT_EQ(rig.printer.link().okWaitMs(), 0);
}

TEST(LinkChannels, EachChannelWaitsForItsOwnOk)
{
    PtyPrinter peer;
    peer.autoReply.clear();
    ComThread link;
    link.setPort(peer.path(), true, Printer::baudRate);
    link.start();
    ASSERT_TRUE(peer.waitFor([&] { return link.linkState() == ComThread::Connected; }));
    link.sendCommand("M105");
    link.sendSide("abc");
    ASSERT_TRUE(peer.waitFor([&] { return peer.raw().contains("@abc#") && peer.raw().contains("M105\n"); }));
    link.sendCommand("M114");
    link.sendSide("def");
    peer.pump(20);
    EXPECT_FALSE(peer.raw().contains("@def#"));
    EXPECT_FALSE(peer.raw().contains("M114"));
    peer.write("@ok\n#ok\n");
    ASSERT_TRUE(peer.waitFor([&] { return peer.raw().contains("@def#") && peer.raw().contains("M114\n"); }));
    qint64 position = 0;
    EXPECT_EQ(link.sideLogSince(position), "ok\n");
}

TEST(LinkPause, PauseParksAndResumeRestores)
{
    Rig rig;
    const QByteArray job = smallJob(13);
    ASSERT_TRUE(rig.printer.loadJobText(job, "pause.gcode"));
    ASSERT_TRUE(rig.connect());
    rig.printer.playPause();
    ASSERT_TRUE(rig.waitFor([&] { return jobLines(rig.peer.lines()).size() >= 80; }));
    rig.printer.playPause();
    EXPECT_TRUE(rig.printer.paused());
    const FollowState saved = rig.printer.pausedAt();
    const int park = rig.barrier("M400");
    ASSERT_GE(park, 2);
    EXPECT_EQ(rig.peer.lines()[size_t(park) - 2], "G90");
    EXPECT_EQ(rig.peer.lines()[size_t(park) - 1], "G0 X0 Y0 F6000");

    rig.printer.playPause();
    const int resumed = rig.barrier("M401");
    ASSERT_GE(resumed, 0);
    const QByteArray returnMove =
        "G0 X" + QByteArray::number(saved.x, 'g', 6) + " Y" + QByteArray::number(saved.y, 'g', 6) + " F6000";
    const int back = rig.peer.indexOf(returnMove, park);
    ASSERT_GT(back, park) << "no return move " << returnMove.constData();
    EXPECT_EQ(rig.peer.lines()[size_t(back) + 1], "G1 F" + QByteArray::number(saved.feed, 'f', 0));
    EXPECT_EQ(rig.peer.lines()[size_t(back) + 2], "G92 E" + QByteArray::number(saved.e, 'f', 3));

    ASSERT_TRUE(rig.waitFor([&] { return rig.printer.jobAtEnd() && rig.printer.link().idle(); }, 60000));
    std::vector<QByteArray> streamed;
    const std::set<QByteArray> inserted = {"G90",
                                           "G0 X0 Y0 F6000",
                                           "M400",
                                           "M401",
                                           returnMove,
                                           rig.peer.lines()[size_t(back) + 1],
                                           rig.peer.lines()[size_t(back) + 2]};
    for (size_t i = 0; i < rig.peer.lines().size(); ++i) {
        const QByteArray &line = rig.peer.lines()[i];
        const bool marker = line == "M400" || line == "M401";
        if (marker || (i >= size_t(park) - 2 && i <= size_t(back) + 2 && inserted.count(line))) {
            continue;
        }
        streamed.push_back(line);
    }
    EXPECT_EQ(firstDifference(jobLines(streamed), jobCommands(job)), "same");
}

TEST(LinkPrinters, TwoPrintersStreamTheirOwnJobsAtOnce)
{
    Rig first, second;
    const QByteArray jobA = smallJob(21, 120000), jobB = gcodegen::foreignDialect(100000, 22);
    ASSERT_TRUE(first.printer.loadJobText(jobA, "a.gcode"));
    ASSERT_TRUE(second.printer.loadJobText(jobB, "b.gcode"));
    ASSERT_TRUE(first.connect());
    ASSERT_TRUE(second.connect());
    first.printer.playPause();
    second.printer.playPause();
    auto done = [](Rig &rig) { return rig.printer.jobAtEnd() && rig.printer.link().idle(); };
    ASSERT_TRUE(first.peer.waitFor([&] { return done(first) && done(second); }, 120000,
                                   [&] {
                                       second.peer.pump(0);
                                       first.printer.update();
                                       second.printer.update();
                                   }));
    EXPECT_EQ(firstDifference(jobLines(first.peer.lines()), jobCommands(jobA)), "same");
    EXPECT_EQ(firstDifference(jobLines(second.peer.lines()), jobCommands(jobB)), "same");
}

#ifdef SPOOLWATCH_CLI_PATH
struct CliRun {
    int exitCode = -1;
    QString err;
};

CliRun runCli(PtyPrinter *peer, const QStringList &args)
{
    QProcess process;
    process.start(SPOOLWATCH_CLI_PATH, args);
    EXPECT_TRUE(process.waitForStarted());
    auto finished = [&] { return process.state() == QProcess::NotRunning || process.waitForFinished(0); };
    if (peer)
        EXPECT_TRUE(peer->waitFor(finished, 120000));
    else
        EXPECT_TRUE(process.waitForFinished(60000));
    return {process.exitCode(), QString::fromLocal8Bit(process.readAllStandardError())};
}

QString writeJob(const QByteArray &job)
{
    const QString path = QDir::temp().filePath("clijob.gcode");
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(job);
    return path;
}

TEST(LinkCli, PrintStreamsTheWholeJobAndExitsZero)
{
    PtyPrinter peer;
    const QByteArray job = smallJob(31, 100000);
    const CliRun run = runCli(&peer, {"print", "--port", peer.path(), writeJob(job), "--kind", "Unknown"});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(firstDifference(jobLines(peer.lines()), jobCommands(job)), "same");
}

TEST(LinkCli, InterruptStopsTheJobAndParksTheHead)
{
    PtyPrinter peer;
    const QString job = writeJob(smallJob(33, 400000));
    QProcess process;
    process.start(SPOOLWATCH_CLI_PATH, {"print", "--port", peer.path(), job, "--kind", "Unknown"});
    ASSERT_TRUE(peer.waitFor([&] { return peer.lines().size() > 100; }));
    process.terminate(); // SIGTERM, handled as Ctrl+C
    ASSERT_TRUE(peer.waitFor([&] { return process.state() == QProcess::NotRunning || process.waitForFinished(0); }));
    EXPECT_EQ(process.exitCode(), 1);
    EXPECT_TRUE(process.readAllStandardError().contains("stopped by the user"));
    const int park = peer.indexOf("G0 X0 Y0 F6000");
    ASSERT_GT(park, 100);
    EXPECT_EQ(peer.lines()[size_t(park) - 1], "G90");
    EXPECT_EQ(peer.lines().back(), "M110 S2");
}

TEST(LinkCli, FailuresExitWithTheLinksText)
{
    PtyPrinter peer;
    peer.replyFor = [&](const QByteArray &) -> QByteArray {
        return peer.lines().size() == 20 ? QByteArray("!! overheat\n") : QByteArray("ok\n");
    };
    const QString job = writeJob(smallJob(32));
    CliRun run = runCli(&peer, {"print", "--port", peer.path(), job});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains("Hardware Error: \"!! overheat\"")) << run.err.toStdString();

    run = runCli(nullptr, {"print", "--port", "/dev/spoolwatch-no-such-port", job});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.startsWith("spoolwatch-cli: ")) << run.err.toStdString();

    for (const QStringList &args :
         {QStringList{"print", job}, QStringList{"print", "--port", "x", job, "--kind", "Other"},
          QStringList{"print", "--port"}, QStringList{"frobnicate"}}) {
        run = runCli(nullptr, args);
        EXPECT_EQ(run.exitCode, 2) << args.join(' ').toStdString();
        EXPECT_TRUE(run.err.contains("usage: spoolwatch-cli print")) << run.err.toStdString();
    }
}
#endif

} // namespace
