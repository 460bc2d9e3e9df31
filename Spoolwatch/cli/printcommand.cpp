#include "cli/printcommand.h"

#include "common/duration.h"
#include "common/gcode/gcodesimxcode.h"
#include "link/printer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTextStream>
#include <QTimer>

#include <atomic>
#include <csignal>
#include <unistd.h>

namespace
{

// The host window refreshes its printers every 100 ms; the command line does the same.
constexpr int tickMs = 100;
// After Ctrl+C the park move and "M110 S2" still go out; a printer that no longer answers must not
// keep the tool waiting for ever.
constexpr int stopGraceTicks = 100;

std::atomic<bool> interrupted{false};

void onInterrupt(int)
{
    interrupted = true;
}

struct PrintOptions {
    QString port;
    QString file;
    bool bypassHeat = false;
    bool bypassFan = false;
    int kind = Printer::Taliform;
};

void printErr(const QString &text)
{
    QTextStream(stderr) << text;
}

int usageError(const QString &message)
{
    printErr("spoolwatch-cli: " + message + "\n" + usageText());
    return kExitUsage;
}

// Empty when the arguments are sound, else the usage error.
QString parseOptions(const QStringList &args, PrintOptions &options)
{
    for (int i = 0; i < args.size(); ++i) {
        const QString &arg = args[i];
        if (arg == "--port" || arg == "--kind") {
            if (i + 1 >= args.size())
                return arg + " needs a value";
            const QString value = args[++i];
            if (arg == "--port")
                options.port = value;
            else if (value == "Taliform")
                options.kind = Printer::Taliform;
            else if (value == "Unknown")
                options.kind = Printer::UnknownPrinter;
            else
                return QString("unknown printer kind '%1' (Taliform or Unknown)").arg(value);
        } else if (arg == "--bypass-heat") {
            options.bypassHeat = true;
        } else if (arg == "--bypass-fan") {
            options.bypassFan = true;
        } else if (arg.startsWith("-")) {
            return QString("unknown option '%1'").arg(arg);
        } else if (options.file.isEmpty()) {
            options.file = arg;
        } else {
            return QString("more than one job file: '%1'").arg(arg);
        }
    }
    if (options.port.isEmpty())
        return "print needs --port PATH";
    if (options.file.isEmpty())
        return "print needs a G-code FILE";
    return {};
}

// Streams one job: started once the link is connected, finished when its last command and the
// end-of-job command are acknowledged.
class PrintSession
{
public:
    explicit PrintSession(const PrintOptions &options) : m_showProgress(isatty(STDERR_FILENO))
    {
        m_printer.setBypass(options.bypassHeat, options.bypassFan);
        m_printer.setPort(options.kind, options.port, options.port);
    }

    Printer &printer() { return m_printer; }

    // Called every tick; returns the exit code once the session is over, -1 while it runs.
    int tick()
    {
        m_printer.update();
        const int state = m_printer.link().linkState();
        if (state == ComThread::Error)
            return fail(m_printer.link().linkError());
        if (interrupted && !m_stopping) {
            m_stopping = true;
            m_printer.stop();
        }
        if (m_stopping) {
            if (m_printer.link().idle() || ++m_stopTicks > stopGraceTicks)
                return fail("stopped by the user");
            return -1;
        }
        if (state != ComThread::Connected)
            return -1;
        if (!m_started) {
            // The greeting (temperature poll, version request) is answered first: a printer that
            // announces its start-up after the port opened must not cut off the job's first command.
            if (++m_connectedTicks < 2 || !m_printer.link().idle())
                return -1;
            m_started = true;
            m_printer.playPause();
            return -1;
        }
        if (!m_printer.stopReason().isEmpty())
            return fail(m_printer.stopReason());
        showProgress();
        if (m_printer.jobAtEnd() && m_printer.link().idle()) {
            finishProgressLine();
            return kExitOk;
        }
        return -1;
    }

private:
    int fail(const QString &reason)
    {
        finishProgressLine();
        printErr("spoolwatch-cli: " + reason + "\n");
        return kExitFailure;
    }

    void showProgress()
    {
        if (!m_showProgress)
            return;
        const qint64 size = std::max<qint64>(1, m_printer.link().jobSize());
        const int percent = int(m_printer.link().jobCursor() * 100 / size);
        constexpr int barWidth = 30;
        const int filled = percent * barWidth / 100;
        const PanelValues &panel = m_printer.panel();
        printErr(QString("\r[%1%2] %3%  %4  %5  %6 ")
                     .arg(QString(filled, '#'), QString(barWidth - filled, ' '))
                     .arg(percent, 3)
                     .arg(panel.temperatures, panel.time, panel.okWait));
        m_progressShown = true;
    }

    void finishProgressLine()
    {
        if (m_progressShown)
            printErr("\n");
        m_progressShown = false;
    }

    Printer m_printer;
    const bool m_showProgress;
    bool m_progressShown = false;
    bool m_started = false;
    int m_connectedTicks = 0;
    bool m_stopping = false;
    int m_stopTicks = 0;
};

} // namespace

QString usageText()
{
    return "usage: spoolwatch-cli print --port PATH FILE [--bypass-heat] [--bypass-fan] [--kind Taliform|Unknown]\n"
           "       spoolwatch-cli index FILE\n"
           "       spoolwatch-cli flash --port PATH [--lcd] FILE | --raw IMAGE.bin\n"
           "       spoolwatch-cli --version | --help\n"
           "  print  streams the G-code FILE to the printer on the serial port PATH (a pseudo-terminal\n"
           "         path works too), one command per \"ok\"; Ctrl+C stops the job and parks the head.\n"
           "         --bypass-heat / --bypass-fan leave out the job's temperature / fan commands;\n"
           "         --kind Unknown skips the Taliform greeting (M1003, M110). Exit status 0 when the\n"
           "         printer acknowledged the whole job, 1 when the port, the printer or the user stopped it.\n"
           "  index  loads FILE as a printer does before a job (conversion, time and layer index) and prints\n"
           "         its size, estimated print time, layer count and the load's seconds.\n"
           "  flash  writes a board's firmware through the SAM-BA boot loader on PATH: the main board's\n"
           "         image of the firmware FILE (raw transfer), or with --lcd the LCD board's (XMODEM), or\n"
           "         a plain image with --raw. --wait-scale F multiplies the update's fixed pauses (tests).\n"
           "         Exit status 0 when the board was written and restarted, 1 with the error line otherwise.\n";
}

int runPrint(const QStringList &args)
{
    PrintOptions options;
    const QString problem = parseOptions(args, options);
    if (!problem.isEmpty())
        return usageError(problem);
    PrintSession session(options);
    QString error;
    if (!session.printer().loadJob(options.file, &error)) {
        printErr("spoolwatch-cli: " + error + "\n");
        return kExitFailure;
    }
    std::signal(SIGINT, onInterrupt);
    std::signal(SIGTERM, onInterrupt);
    QTimer timer;
    int exitCode = -1;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        exitCode = session.tick();
        if (exitCode >= 0) {
            timer.stop();
            QCoreApplication::exit(exitCode);
        }
    });
    timer.start(tickMs);
    QCoreApplication::exec();
    return exitCode;
}

int runIndex(const QStringList &args)
{
    if (args.size() != 1 || args.first().startsWith("-"))
        return usageError("index needs one G-code FILE");
    QElapsedTimer timer;
    timer.start();
    QFile file(args.first());
    if (!file.open(QIODevice::ReadOnly)) {
        printErr(QString("spoolwatch-cli: cannot open %1: %2\n").arg(args.first(), file.errorString()));
        return kExitFailure;
    }
    const QByteArray job = processXCode(file.readAll());
    const JobIndex index = JobIndex::build(job);
    QTextStream(stdout) << QString("bytes %1\nestimate %2\nlayers %3\nload_seconds %4\n")
                               .arg(job.size())
                               .arg(durationText(index.totalTime()))
                               .arg(index.layerIndex.size())
                               .arg(timer.nsecsElapsed() / 1e9, 0, 'f', 3);
    return kExitOk;
}
