// The host's window driving four virtual printers at once, as a print farm does from one computer.
//
// BM_FourPrintersStream: each printer streams its own job of about 30000 commands while the window's
// timers run as they do for the user (panel refresh, channel, keep-awake). Reported: commands per
// second over all four, and the link's turnaround (a printer's "ok" read -> the next command
// written, measured inside each link thread) as median and 99th percentile over all four. Goal: the
// turnaround of one printer alone (bench/host_stream.sh), so that no printer's buffer runs dry while
// the others stream.
//
// BM_RefreshTickFourPanels: one refresh tick of the window (port poll, four printers' update, four
// panels redrawn) while the four printers stream. Goal: under 5 ms, so that the 100 ms tick takes at
// most a twentieth of the GUI thread.
#include "gcodegen.h"

#include "link/printer.h"
#include "platform/ports.h"
#include "ui/frmmain.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <memory>
#include <vector>

namespace
{

constexpr int printerCount = 4;
constexpr int waitMs = 60000;

class VirtualPrinter
{
public:
    explicit VirtualPrinter()
    {
        m_process.start(VIRTUAL_PRINTER_PATH, QStringList());
        while (!m_process.canReadLine() && m_process.waitForReadyRead(waitMs)) {
        }
        path = QString::fromLocal8Bit(m_process.readLine().trimmed());
    }
    ~VirtualPrinter()
    {
        m_process.terminate();
        m_process.waitForFinished(waitMs);
    }
    QString path;

private:
    QProcess m_process;
};

double threadCpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

UserPrompts silentPrompts()
{
    UserPrompts prompts;
    prompts.inform = [](QWidget *, const QString &) {};
    prompts.ask = [](QWidget *, const QString &, const QString &) { return true; };
    prompts.choose = [](QWidget *, const QString &, const QStringList &) { return 0; };
    prompts.addPrinter = [](QWidget *, const QStringList &) { return QString(); };
    prompts.openGCode = [](QWidget *, const QString &) { return QString(); };
    return prompts;
}

// Four virtual printers published through the entry folder, a window that found them, a job each.
class Farm
{
public:
    explicit Farm(std::int64_t jobBytes)
    {
        QDir(folder.path()).mkdir("ports");
        qputenv(ports::portDirVariable, QDir(folder.path()).filePath("ports").toLocal8Bit());
        for (int i = 0; i < printerCount; ++i) {
            printers.push_back(std::make_unique<VirtualPrinter>());
            ports::writePortEntry(QDir(folder.path()).filePath(QString("ports/p%1").arg(i)), printers.back()->path,
                                  0x04d8, 0x000a, QString("printer %1").arg(i));
        }
        window = std::make_unique<FrmMain>(QString(), silentPrompts());
        window->show();
        waitUntil([&] {
            const std::vector<Printer *> found = window->printers();
            return found.size() == printerCount && std::all_of(found.begin(), found.end(), [](Printer *p) {
                       return p->link().linkState() == ComThread::Connected && p->link().idle();
                   });
        });
        for (int i = 0; i < printerCount; ++i) {
            const QString job = QDir(folder.path()).filePath(QString("job%1.gcode").arg(i));
            QFile file(job);
            file.open(QIODevice::WriteOnly);
            file.write(gcodegen::slicerDialect(jobBytes, std::uint32_t(i + 1)));
            file.close();
            window->printers()[size_t(i)]->loadJob(job);
        }
    }
    ~Farm()
    {
        window.reset();
        qunsetenv(ports::portDirVariable);
    }
    void playAll()
    {
        for (Printer *printer : window->printers())
            printer->playPause();
    }
    bool allDone() const
    {
        const std::vector<Printer *> found = window->printers();
        return std::all_of(found.begin(), found.end(), [](Printer *p) { return p->jobAtEnd() && p->link().idle(); });
    }
    static bool waitUntil(const std::function<bool()> &done)
    {
        QElapsedTimer timer;
        timer.start();
        while (!done()) {
            if (timer.elapsed() > waitMs * 10)
                return false;
            QApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
        }
        return true;
    }

    QTemporaryDir folder;
    std::vector<std::unique_ptr<VirtualPrinter>> printers;
    std::unique_ptr<FrmMain> window;
};

void BM_FourPrintersStream(benchmark::State &state)
{
    const QString turnaroundLog = QDir::temp().filePath("hostwindow_turnaround.txt");
    QFile::remove(turnaroundLog);
    // Each link thread appends its samples when it ends.
    qputenv("SPOOLWATCH_TURNAROUND_LOG", turnaroundLog.toLocal8Bit());
    std::int64_t commands = 0;
    for (auto _ : state) {
        Farm farm(1500000);
        farm.playAll();
        if (!Farm::waitUntil([&] { return farm.allDone(); }))
            state.SkipWithError("the jobs did not finish");
        farm.window.reset(); // ends the link threads, which write their samples
    }
    qunsetenv("SPOOLWATCH_TURNAROUND_LOG");
    QFile file(turnaroundLog);
    file.open(QIODevice::ReadOnly);
    std::vector<qint64> samples;
    for (const QByteArray &line : file.readAll().split('\n'))
        if (!line.isEmpty())
            samples.push_back(line.toLongLong());
    std::sort(samples.begin(), samples.end());
    commands = std::int64_t(samples.size());
    if (samples.empty())
        return;
    state.counters["commands"] = double(commands);
    state.counters["commands/s"] = benchmark::Counter(double(commands), benchmark::Counter::kIsRate);
    state.counters["turnaround_median_us"] = samples[samples.size() / 2] / 1000.0;
    state.counters["turnaround_p99_us"] = samples[std::min(samples.size() - 1, samples.size() * 99 / 100)] / 1000.0;
}
BENCHMARK(BM_FourPrintersStream)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

void BM_RefreshTickFourPanels(benchmark::State &state)
{
    Farm farm(20000000); // long enough to stream through every tick measured
    farm.playAll();
    std::vector<double> ticks, cpuTicks;
    for (auto _ : state) {
        const double cpuStarted = threadCpuMs();
        const auto started = std::chrono::steady_clock::now();
        farm.window->onTimer();
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - started;
        cpuTicks.push_back(threadCpuMs() - cpuStarted);
        state.SetIterationTime(took.count());
        ticks.push_back(took.count() * 1000);
        // The links stream between ticks as they do between the window's own ticks.
        QElapsedTimer between;
        between.start();
        while (between.elapsed() < 10)
            QApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
    }
    std::sort(ticks.begin(), ticks.end());
    state.counters["tick_max_ms"] = ticks.back();
    state.counters["tick_p99_ms"] = ticks[std::min(ticks.size() - 1, ticks.size() * 99 / 100)];
    // The GUI thread's own work, apart from the time the four link threads and printers held the cores.
    std::sort(cpuTicks.begin(), cpuTicks.end());
    state.counters["tick_cpu_median_ms"] = cpuTicks[cpuTicks.size() / 2];
    state.counters["tick_cpu_p99_ms"] = cpuTicks[std::min(cpuTicks.size() - 1, cpuTicks.size() * 99 / 100)];
}
BENCHMARK(BM_RefreshTickFourPanels)->Unit(benchmark::kMicrosecond)->UseManualTime()->Iterations(500);

} // namespace

int main(int argc, char **argv)
{
    // The window reads and writes its settings: a benchmark must not touch the user's.
    QTemporaryDir home;
    qputenv("HOME", home.path().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", (home.path() + "/config").toLocal8Bit());
    qputenv("XDG_DATA_HOME", (home.path() + "/data").toLocal8Bit());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
