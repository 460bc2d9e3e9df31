// The link against a printer double on a real pseudo-terminal, for what the virtual printer cannot
// show: one main command in flight, reconnecting after an unplug, the two channels' own acks, the
// refresh's polls and panel values, and spoolwatch-cli as a process.
#include "ptyprinter.h"

#include "gcodegen.h"
#include "link/printer.h"
#include "streamcheck.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>

#include <algorithm>
#include <set>

namespace
{

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
};

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
    // The banner answers M1003 before the printer has read the M110 that follows it: wait for both.
    ASSERT_TRUE(peer.waitFor(
        [&] { return printer.fwBuild() == 345 && printer.tempHead() == 215 && peer.lines().size() >= 3; }, 10000,
        refresh));
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
    // The link's thread may have failed after the last refresh: the panel shows it from the next one.
    printer.update();
    EXPECT_FALSE(printer.link().linkError().isEmpty());
    EXPECT_EQ(printer.panel().status, "<font color=red><b>Error:</b></font> " + printer.link().linkError());
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
