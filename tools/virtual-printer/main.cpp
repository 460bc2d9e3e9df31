// A virtual printer for testing printer hosts: a pseudo-terminal with a firmware behind it that answers the
// host's commands and injects faults on request. See usageText() in options.cpp for the command line.
#include "faults.h"
#include "firmware.h"
#include "options.h"
#include "output.h"
#include "pty.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <poll.h>
#include <unistd.h>

using namespace vprinter;

namespace
{

volatile sig_atomic_t stopRequested = 0;

void requestStop(int)
{
    stopRequested = 1;
}

class Printer
{
public:
    explicit Printer(const Options &options, std::FILE *log)
        : m_options(options), m_faults(options), m_firmware(options, m_output, m_faults, log)
    {
    }
    bool plugIn();
    int run();

private:
    void readHost(Clock::time_point now);
    void writeHost(Clock::time_point now);
    void unplug(Clock::time_point now);
    int pollTimeoutMs(Clock::time_point now) const;

    const Options &m_options;
    Output m_output;
    FaultPlan m_faults;
    Firmware m_firmware;
    Pty m_pty;
    bool m_replugPending = false;
    Clock::time_point m_replugAt;
};

bool Printer::plugIn()
{
    std::string error;
    if (!m_pty.open(error)) {
        std::fprintf(stderr, "virtual-printer: %s\n", error.c_str());
        return false;
    }
    if (!m_options.linkPath.empty() && !updateLink(m_options.linkPath, m_pty.slavePath())) {
        std::fprintf(stderr, "virtual-printer: cannot link %s: %s\n", m_options.linkPath.c_str(), std::strerror(errno));
        return false;
    }
    std::printf("%s\n", m_pty.slavePath().c_str());
    std::fflush(stdout);
    m_output.clear();
    m_firmware.boot(Clock::now());
    return true;
}

void Printer::unplug(Clock::time_point now)
{
    // Half a second is far more than any host needs to read what is queued, and short enough not to stall
    // a test that unplugs a printer nobody listens to.
    constexpr int drainMs = 500;
    m_pty.drain(drainMs);
    m_pty.close();
    m_output.clear();
    if (!m_options.linkPath.empty())
        ::unlink(m_options.linkPath.c_str());
    m_replugPending = m_options.replugMs >= 0;
    m_replugAt = now + std::chrono::milliseconds(std::max(0, m_options.replugMs));
}

void Printer::readHost(Clock::time_point now)
{
    char buffer[4096];
    for (;;) {
        const ssize_t got = ::read(m_pty.master(), buffer, sizeof buffer);
        if (got <= 0)
            return; // EAGAIN; EIO while no host holds the terminal cannot happen, we hold it ourselves
        m_firmware.receive(buffer, static_cast<std::size_t>(got), now);
    }
}

void Printer::writeHost(Clock::time_point now)
{
    while (!m_firmware.outputHeld() && m_output.ready(now)) {
        std::string &bytes = m_output.front();
        const ssize_t written = ::write(m_pty.master(), bytes.data(), bytes.size());
        if (written < 0)
            return; // the host is not reading: the terminal's buffer is full
        if (static_cast<std::size_t>(written) < bytes.size()) {
            bytes.erase(0, static_cast<std::size_t>(written));
            return;
        }
        m_output.popFront();
    }
}

int Printer::pollTimeoutMs(Clock::time_point now) const
{
    Clock::time_point wake = m_firmware.nextWake(now);
    if (!m_output.empty() && !m_firmware.outputHeld())
        wake = std::min(wake, m_output.nextDue());
    if (m_replugPending)
        wake = std::min(wake, m_replugAt);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(wake - now).count() + 1;
    return static_cast<int>(std::clamp<long long>(ms, 0, 1000));
}

int Printer::run()
{
    while (!stopRequested) {
        Clock::time_point now = Clock::now();
        pollfd port{m_pty.master(), POLLIN, 0};
        if (m_pty.isOpen() && m_output.ready(now) && !m_firmware.outputHeld())
            port.events |= POLLOUT;
        const int ready = ::poll(&port, m_pty.isOpen() ? 1 : 0, pollTimeoutMs(now));
        if (ready < 0 && errno != EINTR)
            return 1;
        now = Clock::now();
        if (m_replugPending && now >= m_replugAt) {
            m_replugPending = false;
            if (!plugIn())
                return 1;
            continue;
        }
        if (!m_pty.isOpen())
            continue;
        if (port.revents & POLLIN)
            readHost(now);
        m_firmware.tick(now);
        if (m_firmware.takeUnplug()) {
            writeHost(now); // the replies before the fatal command were on their way
            unplug(now);
            if (m_options.exitAfterUnplug)
                return 0;
            continue;
        }
        writeHost(now);
    }
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    Options options;
    bool help = false;
    std::string error;
    if (!parseOptions(argc, argv, options, help, error)) {
        std::fprintf(stderr, "virtual-printer: %s\n%s", error.c_str(), usageText());
        return 2;
    }
    if (help) {
        std::fputs(usageText(), stdout);
        return 0;
    }
    std::FILE *log = nullptr;
    if (!options.logPath.empty() && !(log = std::fopen(options.logPath.c_str(), "w"))) {
        std::fprintf(stderr, "virtual-printer: cannot write %s: %s\n", options.logPath.c_str(), std::strerror(errno));
        return 1;
    }
    struct sigaction action {
    };
    action.sa_handler = requestStop;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
    int status = 1;
    {
        Printer printer(options, log);
        if (printer.plugIn())
            status = printer.run();
    }
    if (!options.linkPath.empty())
        ::unlink(options.linkPath.c_str());
    if (log)
        std::fclose(log);
    return status;
}
