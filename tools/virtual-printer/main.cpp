// A virtual printer for testing printer hosts: a pseudo-terminal with a firmware behind it that answers the
// host's commands and injects faults on request. See usageText() in options.cpp for the command line.
#include "bootloader.h"
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
#include <fstream>
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
        : m_options(options), m_faults(options), m_firmware(options, m_output, m_faults, log),
          m_bootLoaders(options.sambaSimPath, options.linkPath, options.portDir, options.sambaDumpDir)
    {
    }
    ~Printer() { removeEntry(); }
    bool plugIn();
    int run();

private:
    void readHost(Clock::time_point now);
    void writeHost(Clock::time_point now);
    void unplug(Clock::time_point now);
    int pollTimeoutMs(Clock::time_point now) const;
    void publishEntry();
    void removeEntry();
    bool followBootRequest(Clock::time_point now);
    void relayToLcd(const char *data, std::size_t size, Clock::time_point now);
    void relayFromLcd();

    const Options &m_options;
    Output m_output;
    FaultPlan m_faults;
    Firmware m_firmware;
    Pty m_pty;
    bool m_replugPending = false;
    Clock::time_point m_replugAt;
    BootLoaders m_bootLoaders;
    bool m_inBootLoader = false;
    std::string m_entryPath;
    std::string m_heldForLcd;   // host bytes that may begin "EXITSAMBA"
    bool m_passThrough = false; // host bytes belong to the LCD board's boot loader until "EXITSAMBA"
};

// The entry the host's port provider reads when SPOOLWATCH_PORT_DIR names the folder.
void Printer::publishEntry()
{
    if (m_options.portDir.empty())
        return;
    m_entryPath = m_options.portDir + "/vprinter-" + std::to_string(::getpid());
    const std::string temporary = m_entryPath + ".new";
    const std::string path = m_options.linkPath.empty() ? m_pty.slavePath() : m_options.linkPath;
    std::ofstream(temporary) << "path=" << path << "\nvid=4d8\npid=a\nname=Virtual Taliform\n";
    std::rename(temporary.c_str(), m_entryPath.c_str());
}

void Printer::removeEntry()
{
    if (!m_entryPath.empty())
        ::unlink(m_entryPath.c_str());
    m_entryPath.clear();
}

// Returns true while the main board's boot loader holds the cable.
bool Printer::followBootRequest(Clock::time_point now)
{
    if (m_inBootLoader) {
        if (m_bootLoaders.mainBoardRunning())
            return true;
        // It restarted the chip into the new firmware: the printer is back.
        m_inBootLoader = false;
        plugIn();
        return false;
    }
    const Firmware::BootRequest request = m_firmware.takeBootRequest();
    if (request == Firmware::BootRequest::None || !m_bootLoaders.available())
        return false;
    std::string error;
    writeHost(now);
    if (request == Firmware::BootRequest::MainBoard) {
        m_pty.drain(500);
        m_pty.close();
        m_output.clear();
        removeEntry();
        if (!m_options.linkPath.empty())
            ::unlink(m_options.linkPath.c_str());
        m_inBootLoader = m_bootLoaders.startMainBoard(error);
        if (!m_inBootLoader) {
            std::fprintf(stderr, "virtual-printer: %s\n", error.c_str());
            plugIn();
        }
        return m_inBootLoader;
    }
    m_passThrough = m_bootLoaders.startLcdBoard(error) >= 0;
    if (!m_passThrough)
        std::fprintf(stderr, "virtual-printer: %s\n", error.c_str());
    m_heldForLcd.clear();
    return false;
}

// Host bytes go to the LCD board's boot loader until "EXITSAMBA"; what follows is the firmware's again.
void Printer::relayToLcd(const char *data, std::size_t size, Clock::time_point now)
{
    static const std::string exitWord = "EXITSAMBA";
    m_heldForLcd.append(data, size);
    const std::size_t exitAt = m_heldForLcd.find(exitWord);
    std::size_t forward = exitAt == std::string::npos ? m_heldForLcd.size() : exitAt;
    if (exitAt == std::string::npos) {
        // Keep back a tail that may be the start of the word, and nothing else.
        for (std::size_t keep = std::min(m_heldForLcd.size(), exitWord.size() - 1); keep > 0; --keep)
            if (m_heldForLcd.compare(m_heldForLcd.size() - keep, keep, exitWord, 0, keep) == 0) {
                forward = m_heldForLcd.size() - keep;
                break;
            }
    }
    for (std::size_t done = 0; done < forward && m_bootLoaders.lcdDescriptor() >= 0;) {
        const ssize_t written = ::write(m_bootLoaders.lcdDescriptor(), m_heldForLcd.data() + done, forward - done);
        if (written > 0) {
            done += std::size_t(written);
            continue;
        }
        pollfd lcd{m_bootLoaders.lcdDescriptor(), POLLOUT, 0};
        // A boot loader that restarted into its firmware takes nothing more: the rest is lost, as on a cable.
        if ((written < 0 && errno != EAGAIN) || ::poll(&lcd, 1, 1000) <= 0 || (lcd.revents & (POLLHUP | POLLERR)))
            break;
    }
    if (exitAt == std::string::npos) {
        m_heldForLcd.erase(0, forward);
        return;
    }
    const std::string rest = m_heldForLcd.substr(exitAt + exitWord.size());
    m_heldForLcd.clear();
    m_bootLoaders.stopLcdBoard();
    m_passThrough = false;
    m_firmware.receive(rest.data(), rest.size(), now);
}

void Printer::relayFromLcd()
{
    char buffer[4096];
    const ssize_t got = ::read(m_bootLoaders.lcdDescriptor(), buffer, sizeof buffer);
    for (ssize_t done = 0; got > 0 && done < got;) {
        const ssize_t written = ::write(m_pty.master(), buffer + done, std::size_t(got - done));
        if (written > 0) {
            done += written;
            continue;
        }
        pollfd host{m_pty.master(), POLLOUT, 0};
        if (::poll(&host, 1, 1000) <= 0)
            return;
    }
}

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
    publishEntry();
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
    removeEntry();
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
        if (m_passThrough)
            relayToLcd(buffer, static_cast<std::size_t>(got), now);
        else
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
    // While a boot loader plays its part the printer only watches it.
    constexpr int bootLoaderPollMs = 20;
    while (!stopRequested) {
        Clock::time_point now = Clock::now();
        if (m_inBootLoader) {
            if (followBootRequest(now))
                ::poll(nullptr, 0, bootLoaderPollMs);
            continue;
        }
        pollfd ports[2] = {{m_pty.master(), POLLIN, 0}, {m_bootLoaders.lcdDescriptor(), POLLIN, 0}};
        if (m_pty.isOpen() && m_output.ready(now) && !m_firmware.outputHeld())
            ports[0].events |= POLLOUT;
        const nfds_t count = !m_pty.isOpen() ? 0 : m_bootLoaders.lcdDescriptor() >= 0 ? 2 : 1;
        const int ready = ::poll(ports, count, pollTimeoutMs(now));
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
        if (ports[0].revents & POLLIN)
            readHost(now);
        if (count == 2 && (ports[1].revents & POLLIN))
            relayFromLcd();
        else if (count == 2 && (ports[1].revents & (POLLHUP | POLLERR)))
            m_bootLoaders.stopLcdBoard(); // it restarted into its firmware; the pass-through waits for EXITSAMBA
        m_firmware.tick(now);
        if (m_firmware.takeUnplug()) {
            writeHost(now); // the replies before the fatal command were on their way
            unplug(now);
            if (m_options.exitAfterUnplug)
                return 0;
            continue;
        }
        if (followBootRequest(now))
            continue;
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
