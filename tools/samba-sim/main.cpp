// A SAM-BA boot loader on a pseudo-terminal: the ATSAM3X8E's ROM monitor over a simulated chip whose
// Cortex-M3 runs uploaded applets for real (unicorn), for testing firmware updaters, ours and others'.
// The first line on stdout is the terminal's path; see usageText() for the command line.
#include "core.h"
#include "monitor.h"
#include "sam3xchip.h"

#include "Spoolwatch/fw_tool/applet/applet.h"
#include "tools/virtual-printer/pty.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <poll.h>
#include <string>
#include <unistd.h>

using namespace sambasim;

namespace
{

volatile sig_atomic_t stopRequested = 0;

void requestStop(int)
{
    stopRequested = 1;
}

const char *usageText()
{
    return "usage: samba-sim [options]\n"
           "  A SAM-BA boot loader of an ATSAM3X8E on a pseudo-terminal; prints the terminal's path first.\n"
           "  --xmodem              S and R transfers use XMODEM-CRC (the boot loader behind a UART), not raw\n"
           "                        bytes; R waits for the receiver's 'C' and resends a block on NAK\n"
           "  --chip-id HEX         the chip id register's value (default 285E0A60)\n"
           "  --stay-in-bootloader  keep answering after a restart, even with the boot-from-flash bit set\n"
           "  --dump FILE           write the 512 KB of flash to FILE at every restart and at exit\n"
           "  --port-dir DIR        publish the terminal in DIR as a port entry with the boot loader's\n"
           "                        USB ids (03eb:6124), removed when the boot loader goes\n"
           "  --link PATH           also make PATH a symbolic link to the terminal\n"
           "  --time-scale F        sleep F times the flash controller's modelled busy time (default 1)\n"
           "  --fault KIND[:N]      inject a fault (repeatable):\n"
           "                          no-answer:N     from the N-th command on nothing is answered\n"
           "                          nak:N           refuse the N-th XMODEM block once; nak-always every one\n"
           "                          bad-crc:N       the N-th XMODEM block arrives damaged; bad-crc-always\n"
           "                          stuck-ready:N   from the N-th flash command on the controller stays busy\n"
           "                          write-fail:N    the N-th page write and all after it report a lock error\n"
           "                          write-lost:N    the N-th page write reports success but programs nothing\n"
           "  --log FILE            log every command\n";
}

struct Options {
    bool xmodem = false;
    bool stayInBootloader = false;
    std::uint32_t chipId = SAM3X8E_CHIP_ID;
    std::string dumpPath, portDir, linkPath, logPath;
    double timeScale = 1;
    MonitorFaults monitorFaults;
    ChipFaults chipFaults;
};

bool parseFault(const std::string &text, Options &options)
{
    const std::size_t colon = text.find(':');
    const std::string kind = text.substr(0, colon);
    long at = 1;
    if (colon != std::string::npos) {
        char *end = nullptr;
        at = std::strtol(text.c_str() + colon + 1, &end, 10);
        if (*end != '\0' || at < 1)
            return false;
    }
    if (kind == "no-answer")
        options.monitorFaults.noAnswerAt = at;
    else if (kind == "nak")
        options.monitorFaults.nakAt = at;
    else if (kind == "nak-always")
        options.monitorFaults.nakAlways = true;
    else if (kind == "bad-crc")
        options.monitorFaults.badCrcAt = at;
    else if (kind == "bad-crc-always")
        options.monitorFaults.badCrcAlways = true;
    else if (kind == "stuck-ready")
        options.chipFaults.stuckReadyAt = at;
    else if (kind == "write-fail")
        options.chipFaults.failWriteAt = at;
    else if (kind == "write-lost")
        options.chipFaults.ignoreWriteAt = at;
    else
        return false;
    return true;
}

// Empty when the command line is sound, else the usage error; "help" for --help.
std::string parseOptions(int argc, char **argv, Options &options)
{
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--help" || arg == "-h")
            return "help";
        if (arg == "--xmodem") {
            options.xmodem = true;
        } else if (arg == "--stay-in-bootloader") {
            options.stayInBootloader = true;
        } else if (!hasValue) {
            return arg + (arg.rfind("--", 0) == 0 ? " needs a value or is unknown" : " is not an option");
        } else if (arg == "--chip-id") {
            char *end = nullptr;
            options.chipId = std::uint32_t(std::strtoul(argv[++i], &end, 16));
            if (*end != '\0')
                return "--chip-id takes a hexadecimal value";
        } else if (arg == "--time-scale") {
            char *end = nullptr;
            options.timeScale = std::strtod(argv[++i], &end);
            if (*end != '\0' || options.timeScale < 0)
                return "--time-scale takes a number of at least 0";
        } else if (arg == "--fault") {
            if (!parseFault(argv[++i], options))
                return std::string("unknown fault '") + argv[i] + "'";
        } else if (arg == "--dump") {
            options.dumpPath = argv[++i];
        } else if (arg == "--port-dir") {
            options.portDir = argv[++i];
        } else if (arg == "--link") {
            options.linkPath = argv[++i];
        } else if (arg == "--log") {
            options.logPath = argv[++i];
        } else {
            return "unknown option " + arg;
        }
    }
    return std::string();
}

void dumpFlash(const Options &options, const Sam3xChip &chip)
{
    if (options.dumpPath.empty())
        return;
    // Written beside and renamed, so that a reader never sees half a dump.
    const std::string temporary = options.dumpPath + ".new";
    std::ofstream out(temporary, std::ios::binary);
    out.write(reinterpret_cast<const char *>(chip.flash().data()), std::streamsize(chip.flash().size()));
    out.close();
    std::rename(temporary.c_str(), options.dumpPath.c_str());
}

// The entry file the host's port provider reads when SPOOLWATCH_PORT_DIR names the folder.
std::string publishPort(const Options &options, const std::string &path)
{
    if (options.portDir.empty())
        return std::string();
    const std::string entry = options.portDir + "/samba-" + std::to_string(::getpid());
    const std::string temporary = entry + ".new";
    std::ofstream(temporary) << "path=" << path << "\nvid=3eb\npid=6124\nname=SAM-BA boot loader\n";
    std::rename(temporary.c_str(), entry.c_str());
    return entry;
}

MonitorLink ptyLink(int master)
{
    MonitorLink link;
    link.readByte = [master](int timeoutMs) {
        for (;;) {
            if (stopRequested)
                return -2;
            unsigned char byte = 0;
            const ssize_t got = ::read(master, &byte, 1);
            if (got == 1)
                return int(byte);
            pollfd port{master, POLLIN, 0};
            // Without a deadline, wake now and then to notice a stop request.
            const int ready = ::poll(&port, 1, timeoutMs < 0 ? 200 : timeoutMs);
            if (ready == 0 && timeoutMs >= 0)
                return -1;
        }
    };
    link.write = [master](const std::string &bytes) {
        std::size_t done = 0;
        while (done < bytes.size() && !stopRequested) {
            const ssize_t written = ::write(master, bytes.data() + done, bytes.size() - done);
            if (written > 0) {
                done += std::size_t(written);
                continue;
            }
            pollfd port{master, POLLOUT, 0};
            ::poll(&port, 1, 200);
        }
    };
    return link;
}

} // namespace

int main(int argc, char **argv)
{
    Options options;
    const std::string usage = parseOptions(argc, argv, options);
    if (usage == "help") {
        std::fputs(usageText(), stdout);
        return 0;
    }
    if (!usage.empty()) {
        std::fprintf(stderr, "samba-sim: %s\n%s", usage.c_str(), usageText());
        return 2;
    }
    std::FILE *log = nullptr;
    if (!options.logPath.empty() && !(log = std::fopen(options.logPath.c_str(), "w"))) {
        std::fprintf(stderr, "samba-sim: cannot write %s: %s\n", options.logPath.c_str(), std::strerror(errno));
        return 1;
    }
    struct sigaction action {
    };
    action.sa_handler = requestStop;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);

    Sam3xChip chip(options.chipId);
    chip.setFaults(options.chipFaults);
    Core core(chip);
    if (!core.ok()) {
        std::fprintf(stderr, "samba-sim: cannot start the emulated core: %s\n", core.error().c_str());
        return 1;
    }
    vprinter::Pty pty;
    std::string error;
    if (!pty.open(error)) {
        std::fprintf(stderr, "samba-sim: %s\n", error.c_str());
        return 1;
    }
    if (!options.linkPath.empty() && !vprinter::updateLink(options.linkPath, pty.slavePath())) {
        std::fprintf(stderr, "samba-sim: cannot link %s: %s\n", options.linkPath.c_str(), std::strerror(errno));
        return 1;
    }
    std::printf("%s\n", pty.slavePath().c_str());
    std::fflush(stdout);
    // Behind a link the host knows the port by the link's name, as it knows the printer's.
    const std::string entry = publishPort(options, options.linkPath.empty() ? pty.slavePath() : options.linkPath);

    Monitor monitor(chip, core, ptyLink(pty.master()), options.xmodem, log);
    monitor.setFaults(options.monitorFaults);
    monitor.setTimeScale(options.timeScale);
    for (;;) {
        const Monitor::Result result = monitor.run();
        if (result != Monitor::Result::Restarted)
            break;
        dumpFlash(options, chip);
        if (log)
            std::fprintf(log, "restart, boot from %s\n", chip.gpnvm(1) ? "flash" : "the boot loader");
        // With the boot-from-flash bit the chip now runs its firmware: the boot loader's port goes away.
        if (chip.gpnvm(1) && !options.stayInBootloader) {
            pty.drain(500);
            break;
        }
    }
    dumpFlash(options, chip);
    if (!entry.empty())
        ::unlink(entry.c_str());
    if (!options.linkPath.empty())
        ::unlink(options.linkPath.c_str());
    if (log)
        std::fclose(log);
    return 0;
}
