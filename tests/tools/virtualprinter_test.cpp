#include "testenvironment.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QStringList>
#include <chrono>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace
{

using Clock = std::chrono::steady_clock;
constexpr int waitMs = 10000; // deadline of every wait; a passing test never comes near it
const std::string banner = "start\nzor3nixa version: 1.0.0\n";

// The program as a process; its standard output gives one terminal path per (re)plug.
class VirtualPrinter
{
public:
    explicit VirtualPrinter(const QStringList &args)
    {
        m_process.start(VIRTUAL_PRINTER_PATH, args);
        m_path = nextPath();
    }
    ~VirtualPrinter()
    {
        m_process.terminate();
        m_process.waitForFinished(waitMs);
    }
    std::string nextPath()
    {
        const auto deadline = Clock::now() + std::chrono::milliseconds(waitMs);
        while (!m_process.canReadLine() && Clock::now() < deadline)
            m_process.waitForReadyRead(100);
        return m_process.readLine().trimmed().toStdString();
    }
    const std::string &path() const { return m_path; }
    QProcess &process() { return m_process; }

private:
    QProcess m_process;
    std::string m_path;
};

// A raw client on the terminal, as a host opens a serial port.
class Port
{
public:
    explicit Port(const std::string &path) : m_fd(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK))
    {
        termios settings{};
        if (m_fd >= 0 && tcgetattr(m_fd, &settings) == 0) {
            cfmakeraw(&settings);
            tcsetattr(m_fd, TCSANOW, &settings);
        }
    }
    ~Port()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    bool isOpen() const { return m_fd >= 0; }
    void send(const std::string &bytes) { EXPECT_EQ(::write(m_fd, bytes.data(), bytes.size()), ssize_t(bytes.size())); }
    // Reads until done(received) holds, the port hangs up or the deadline passes; returns whether done held.
    bool readUntil(const std::function<bool(const std::string &)> &done, int timeoutMs = waitMs)
    {
        const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        while (!done(received)) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
            pollfd p{m_fd, POLLIN, 0};
            if (::poll(&p, 1, int(std::max<long long>(left, 0))) <= 0)
                return false;
            char buffer[4096];
            const ssize_t got = ::read(m_fd, buffer, sizeof buffer);
            if (got <= 0) {
                hungUp = true;
                return done(received);
            }
            received.append(buffer, size_t(got));
            ++reads;
        }
        return true;
    }
    bool readBanner()
    {
        return readUntil(
            [](const std::string &r) { return r.find("version: ") != std::string::npos && r.back() == '\n'; });
    }
    bool readLength(std::size_t n)
    {
        return readUntil([n](const std::string &r) { return r.size() >= n; });
    }
    bool readLine(const std::string &line)
    {
        return readUntil([&](const std::string &r) { return r.find(line) != std::string::npos; });
    }
    std::string take() { return std::exchange(received, {}); }

    std::string received;
    int reads = 0;
    bool hungUp = false;

private:
    int m_fd;
};

std::string numbered(long n, const std::string &command, int sumError = 0)
{
    const std::string body = "N" + std::to_string(n) + " " + command;
    unsigned char sum = 0;
    for (char c : body)
        sum ^= static_cast<unsigned char>(c);
    return body + "*" + std::to_string((sum + sumError) % 256) + "\n";
}

QByteArray readLog(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

struct Exchange {
    const char *name;
    QStringList args;
    std::string sent;
    std::string expected; // every byte after the banner
};

void PrintTo(const Exchange &c, std::ostream *os)
{
    *os << c.name;
}

class Conversation : public testing::TestWithParam<Exchange>
{
};

TEST_P(Conversation, RepliesByteForByte)
{
    const Exchange &c = GetParam();
    VirtualPrinter printer(c.args);
    Port port(printer.path());
    ASSERT_TRUE(port.isOpen()) << printer.path();
    ASSERT_TRUE(port.readBanner());
    port.take();
    port.send(c.sent);
    port.readLength(c.expected.size());
    EXPECT_EQ(port.received, c.expected);
}

const std::string heated = "M140 S60\nM104 S210\nM105\n";

INSTANTIATE_TEST_SUITE_P(
    VirtualPrinter, Conversation,
    testing::Values(Exchange{"OneOkPerCommandLine", {}, "G21\r\nG90\n\nG1 X1 ; travel\nM18\n", "ok\nok\nok\nok\n"},
                    Exchange{"BannerOnVersionRequest",
                             {"--firmware", "2.10.7"},
                             "M1003\nM110 S2\n",
                             "zor3nixa version: 2.10.7\nok\nok\n"},
                    Exchange{"TemperaturesAtOnceWithoutHeatRate", {}, heated, "ok\nok\nok T:210 B:60\n"},
                    Exchange{"SideChannelRepliesInItsFrame", {}, "@M115\n#G1 X1\n@\n#", "@ok\n#ok\n"},
                    Exchange{"PositionsFollowModesHomingAndSetPosition",
                             {},
                             "G1X10 Y5 E2 F1200\nG91\nG1 X1 E1\nM83\nG1 E1\nG90\nG1 Z0.3\nG92 E0\nG28X0\nM114\n",
                             "ok\nok\nok\nok\nok\nok\nok\nok\nok\nX:0.000 Y:5.000 Z:0.300 E:0.000\nok\n"},
                    Exchange{"HomingAllAxesAndResumeExtruderModes",
                             {},
                             "G1 X3 Y4 Z5 E6\nG28\nG83\nG1 E2\nG1 E2\nG82\nG1 E1\nM114\n",
                             "ok\nok\nok\nok\nok\nok\nok\nX:0.000 Y:0.000 Z:0.000 E:1.000\nok\n"},
                    Exchange{"NumberedLinesCheckedAndStripped",
                             {},
                             "M110 N-1\n" + numbered(0, "G1 X7") + numbered(1, "G1 X8", 1) + numbered(2, "G1 X9") +
                                 numbered(1, "G1 X8") + "M114\n",
                             "ok\nok\nError:checksum mismatch, Last Line: 0\nResend: 1\nok\n"
                             "Error:Line Number is not Last Line Number+1, Last Line: 0\nResend: 1\nok\nok\n"
                             "X:8.000 Y:0.000 Z:0.000 E:0.000\nok\n"}),
    [](const testing::TestParamInfo<Exchange> &info) { return std::string(info.param.name); });

struct FaultCase {
    const char *name;
    std::string expected;                                 // after the banner, for "G1 X1" (job command 1) then "M105"
    std::function<bool(const std::string &)> firstLineOk; // for bytes that change with the seed
};

void PrintTo(const FaultCase &c, std::ostream *os)
{
    *os << c.name;
}

class Fault : public testing::TestWithParam<FaultCase>
{
};

TEST_P(Fault, AppearsBeforeTheReplyToItsJobCommand)
{
    const FaultCase &c = GetParam();
    VirtualPrinter printer({"--fault", QString(c.name) + "@2", "--slow-ms", "300", "--split-ms", "100"});
    Port port(printer.path());
    ASSERT_TRUE(port.readLine("version: 1.0.0\n"));
    port.send("G1 X0\n");
    ASSERT_TRUE(port.readLength(banner.size() + 3));
    port.take();
    const auto sent = Clock::now();
    port.send("G1 X1\nM105\n");
    port.readLine("ok T:25 B:25\n");
    std::string got = port.take();
    if (c.firstLineOk) {
        const std::size_t end = got.find('\n');
        ASSERT_NE(end, std::string::npos);
        EXPECT_TRUE(c.firstLineOk(got.substr(0, end))) << testing::PrintToString(got);
        got.erase(0, end + 1);
    }
    EXPECT_EQ(got, c.expected);
    if (c.name == std::string("slow"))
        EXPECT_GE(Clock::now() - sent, std::chrono::milliseconds(300));
    if (c.name == std::string("split"))
        EXPECT_GE(port.reads, 3); // "ok", "\nok", " T", ...: the pieces come 100 ms apart
}

bool onlyNuls(const std::string &line)
{
    return !line.empty() && line.find_first_not_of('\0') == std::string::npos;
}

bool notText(const std::string &line)
{
    for (unsigned char c : line)
        if (c == 0 || c == 0x11 || c == 0x13 || c == '@' || c == '#' || (c >= 0x20 && c < 0x7f))
            return false;
    return !line.empty();
}

const std::string temperatureAck = "ok T:25 B:25\n";

INSTANTIATE_TEST_SUITE_P(
    VirtualPrinter, Fault,
    testing::Values(FaultCase{"halt", "!!\nok\n" + temperatureAck, {}},
                    FaultCase{"error", "Error:Printer halted by an injected fault\nok\n" + temperatureAck, {}},
                    FaultCase{"restart", banner + temperatureAck, {}}, FaultCase{"lost", temperatureAck, {}},
                    FaultCase{"slow", "ok\n" + temperatureAck, {}}, FaultCase{"split", "ok\n" + temperatureAck, {}},
                    FaultCase{"nul", "ok\n" + temperatureAck, onlyNuls},
                    FaultCase{"garbage", "ok\n" + temperatureAck, notText}),
    [](const testing::TestParamInfo<FaultCase> &info) { return std::string(info.param.name); });

TEST(VirtualPrinter, TemperaturesRiseAtTheHeatRateAndWaitsAnswerAtTheTarget)
{
    VirtualPrinter printer({"--heat-rate", "40"});
    Port port(printer.path());
    ASSERT_TRUE(port.readBanner());
    port.send("M104 S65\n");
    ASSERT_TRUE(port.readLine("ok\n"));
    std::vector<int> heads;
    const QRegularExpression reply("^ok T:(\\d+) B:(\\d+)$");
    const auto deadline = Clock::now() + std::chrono::milliseconds(waitMs);
    while (heads.empty() || (heads.back() < 65 && Clock::now() < deadline)) {
        port.take();
        port.send("M105\n");
        ASSERT_TRUE(port.readLine("\n"));
        const auto match = reply.match(QString::fromStdString(port.received).trimmed());
        ASSERT_TRUE(match.hasMatch()) << port.received;
        heads.push_back(match.captured(1).toInt());
        EXPECT_EQ(match.captured(2).toInt(), 25);
    }
    EXPECT_LT(heads.front(), 65); // one degree takes 25 ms: the first poll comes well before the target
    EXPECT_TRUE(std::is_sorted(heads.begin(), heads.end()));
    EXPECT_EQ(heads.back(), 65);

    // The bed waits: its "ok" only once the target is reached, heater reports on their own lines meanwhile.
    port.take();
    port.send("M190 S50\nM105\n");
    ASSERT_TRUE(port.readLine("\nok T:65 B:50\n"));
    const std::string lines = port.take();
    EXPECT_TRUE(
        QRegularExpression("^(T:65 B:\\d+\n)*ok\nok T:65 B:50\n$").match(QString::fromStdString(lines)).hasMatch())
        << lines;
}

TEST(VirtualPrinter, LogMarksTheJobApartFromTheHostsTraffic)
{
    const QString log = testHomeDir() + "/marks.log";
    VirtualPrinter printer({"--log", log, "--fault", "halt@2"});
    Port port(printer.path());
    ASSERT_TRUE(port.readBanner());
    port.send("M105\nM110 S2\nM1003\n@M115\n#G1 X1\r\n" + numbered(1, "G1 X2") + "G1X3E1 ; comment\n");
    ASSERT_TRUE(port.readUntil([](const std::string &r) {
        return r.find("ok\nok\n", r.find("!!")) != std::string::npos;
    })) << testing::PrintToString(port.received);
    EXPECT_EQ(readLog(log).toStdString(), "P M105\nL M110 S2\nV M1003\nS M115\nJ G1 X1\nJ G1 X2\nF halt@2\nJ G1X3E1\n");
}

// Waits until the log holds text; the printer writes each command there before it queues the reply.
bool logShows(const QString &log, const QByteArray &text)
{
    const auto deadline = Clock::now() + std::chrono::milliseconds(waitMs);
    while (!readLog(log).contains(text))
        if (Clock::now() >= deadline || ::poll(nullptr, 0, 5) < 0)
            return false;
    return true;
}

TEST(VirtualPrinter, XoffHoldsRepliesUntilXon)
{
    const QString log = testHomeDir() + "/xoff.log";
    VirtualPrinter printer({"--log", log});
    Port port(printer.path());
    ASSERT_TRUE(port.readBanner());
    port.take();
    port.send("\x13G1 X1\n");
    ASSERT_TRUE(logShows(log, "J G1 X1\n"));
    // The next command is read after the first one's reply would have been written.
    port.send("M1003\n");
    ASSERT_TRUE(logShows(log, "V M1003\n"));
    EXPECT_FALSE(port.readUntil([](const std::string &r) { return !r.empty(); }, 0)) << port.received;
    port.send("\x11");
    const std::string held = "ok\nzor3nixa version: 1.0.0\nok\n";
    EXPECT_TRUE(port.readLength(held.size()));
    EXPECT_EQ(port.received, held);
}

// Job commands one at a time, as a host streams them; returns the fault lines of the log.
QByteArray randomFaults(const QString &seed)
{
    const QString log = testHomeDir() + "/random" + seed + ".log";
    VirtualPrinter printer(
        {"--log", log, "--random-faults", "halt,error,garbage,nul,split", "--fault-rate", "0.3", "--seed", seed});
    Port port(printer.path());
    EXPECT_TRUE(port.readBanner());
    for (int i = 0; i < 60; ++i) {
        port.take();
        port.send("G1 X" + std::to_string(i) + "\n");
        EXPECT_TRUE(port.readUntil(
            [](const std::string &r) { return r.size() >= 3 && r.compare(r.size() - 3, 3, "ok\n") == 0; }));
    }
    QByteArray faults;
    for (const QByteArray &line : readLog(log).split('\n'))
        if (line.startsWith("F "))
            faults += line + "\n";
    return faults;
}

TEST(VirtualPrinter, SeedMakesRandomFaultsRepeatable)
{
    const QByteArray first = randomFaults("7");
    EXPECT_GE(first.count('\n'), 5) << first.constData(); // 60 commands at 0.3
    EXPECT_LE(first.count('\n'), 35) << first.constData();
    EXPECT_EQ(randomFaults("7"), first);
    EXPECT_NE(randomFaults("8"), first);
}

TEST(VirtualPrinter, LinkFollowsAReplugAndTheNewTerminalBoots)
{
    const QString link = testHomeDir() + "/printer-port";
    VirtualPrinter printer({"--link", link, "--fault", "unplug@1", "--replug-ms", "50"});
    EXPECT_EQ(QFileInfo(link).symLinkTarget().toStdString(), printer.path());
    Port first(printer.path());
    ASSERT_TRUE(first.readLine("version: "));
    first.send("G1 X1\n");
    first.readUntil([](const std::string &) { return false; }, waitMs);
    EXPECT_TRUE(first.hungUp);
    const std::string second = printer.nextPath();
    ASSERT_FALSE(second.empty());
    EXPECT_NE(second, printer.path()); // the first terminal is still held here, its name still taken
    EXPECT_EQ(QFileInfo(link).symLinkTarget().toStdString(), second);
    Port port(second);
    ASSERT_TRUE(port.readLine("version: 1.0.0\n"));
    port.send("M105\n");
    EXPECT_TRUE(port.readLine("ok T:25 B:25\n"));
    EXPECT_EQ(port.received, banner + "ok T:25 B:25\n");

    printer.process().terminate();
    ASSERT_TRUE(printer.process().waitForFinished(waitMs));
    EXPECT_EQ(printer.process().exitCode(), 0);
    EXPECT_FALSE(QFileInfo(link).isSymLink());
}

TEST(VirtualPrinter, ExitsAfterUnplugWhenAsked)
{
    const QString link = testHomeDir() + "/exit-port";
    VirtualPrinter printer({"--link", link, "--fault", "unplug@2", "--exit-after-unplug"});
    Port port(printer.path());
    port.send("G1 X1\nG1 X2\n");
    // What was written before the unplug reaches the host, as over a real cable.
    port.readUntil([](const std::string &) { return false; });
    EXPECT_TRUE(port.hungUp);
    EXPECT_EQ(port.received, banner + "ok\n");
    ASSERT_TRUE(printer.process().waitForFinished(waitMs));
    EXPECT_EQ(printer.process().exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(printer.process().exitCode(), 0);
    EXPECT_FALSE(QFileInfo(link).isSymLink());
}

// A host nobody here wrote streams a small job through the terminal: its line numbers and checksums are
// stripped, and the job lines of the log are the job's commands in order, without comments or blank lines.
TEST(VirtualPrinter, PrintcoreStreamsAJobCommandForCommand)
{
    const QString printcore = QStandardPaths::findExecutable("printcore");
    if (printcore.isEmpty())
        GTEST_SKIP() << "printcore is not installed";
    const QString jobPath = testHomeDir() + "/job.gcode";
    std::string job = "; small job\r\nG21 ; mm\r\nG90\r\nM104 S200\r\nM140 S60\r\nG28\r\nM109 S200\r\n\r\nG92 E0\r\n";
    std::vector<std::string> expected = {"G21", "G90", "M104 S200", "M140 S60", "G28", "M109 S200", "G92 E0"};
    for (int i = 0; i < 200; ++i) {
        const std::string move = "G1 X" + std::to_string(i % 50) + "." + std::to_string(i % 10) + " Y" +
                                 std::to_string(i / 4) + (i % 3 ? " E0.05" : " F3000");
        job += move + (i % 7 ? "\r\n" : " ;segType:Perimeter\r\n");
        expected.push_back(move);
    }
    job += "M104 S0\r\nM114\r\n;Tessaline_Settings={}\r\n";
    expected.insert(expected.end(), {"M104 S0", "M114"});
    QFile file(jobPath);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(job.data(), qint64(job.size()));
    file.close();

    const QString log = testHomeDir() + "/printcore.log";
    VirtualPrinter printer({"--log", log, "--heat-rate", "400"});
    QProcess host;
    host.start(printcore, {"-b", "115200", QString::fromStdString(printer.path()), jobPath});
    ASSERT_TRUE(host.waitForFinished(120000)) << host.readAllStandardError().constData();
    EXPECT_EQ(host.exitCode(), 0) << host.readAllStandardError().constData();
    std::vector<std::string> jobLines;
    for (const QByteArray &line : readLog(log).split('\n'))
        if (line.startsWith("J "))
            jobLines.push_back(line.mid(2).toStdString());
    EXPECT_EQ(jobLines, expected);
}

} // namespace
