#include "options.h"

#include <cstdlib>
#include <cstring>

namespace vprinter
{

namespace
{

struct FaultNameEntry {
    FaultKind kind;
    const char *name;
};

constexpr FaultNameEntry faultNames[] = {
    {FaultKind::Restart, "restart"}, {FaultKind::Halt, "halt"},   {FaultKind::Error, "error"},
    {FaultKind::Lost, "lost"},       {FaultKind::Slow, "slow"},   {FaultKind::Garbage, "garbage"},
    {FaultKind::Nul, "nul"},         {FaultKind::Split, "split"}, {FaultKind::Unplug, "unplug"},
};

bool toDouble(const char *text, double &value)
{
    char *end = nullptr;
    value = std::strtod(text, &end);
    return end != text && *end == '\0';
}

bool toLong(const char *text, long &value)
{
    char *end = nullptr;
    value = std::strtol(text, &end, 10);
    return end != text && *end == '\0';
}

bool parseFault(const std::string &text, ScheduledFault &fault)
{
    const std::size_t at = text.find('@');
    long n = 0;
    return at != std::string::npos && faultFromName(text.substr(0, at), fault.kind) &&
           toLong(text.c_str() + at + 1, n) && n >= 1 && (fault.jobCommand = n, true);
}

bool parseKinds(const std::string &text, std::vector<FaultKind> &kinds)
{
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t comma = text.find(',', start);
        if (comma == std::string::npos)
            comma = text.size();
        FaultKind kind;
        if (!faultFromName(text.substr(start, comma - start), kind))
            return false;
        kinds.push_back(kind);
        start = comma + 1;
    }
    return !kinds.empty();
}

} // namespace

const char *faultName(FaultKind kind)
{
    for (const FaultNameEntry &entry : faultNames)
        if (entry.kind == kind)
            return entry.name;
    return "?";
}

bool faultFromName(const std::string &name, FaultKind &kind)
{
    for (const FaultNameEntry &entry : faultNames)
        if (name == entry.name) {
            kind = entry.kind;
            return true;
        }
    return false;
}

const char *usageText()
{
    return "usage: virtual-printer [options]\n"
           "A printer's firmware behind a pseudo-terminal, for testing hosts. The first line of standard output is\n"
           "the terminal's path (one more line per replug). Runs until SIGTERM or SIGINT.\n"
           "  --link PATH            keep a symbolic link at PATH to the current terminal\n"
           "  --port-dir DIR         publish the terminal in DIR as a port entry (USB ids 04d8:000a) for a host's\n"
           "                         SPOOLWATCH_PORT_DIR, removed while unplugged\n"
           "  --samba-sim PATH       tools/samba-sim plays the boot loaders: \"M6969 S69\" unplugs the printer and\n"
           "                         its main board's boot loader appears (same link and entry folder) until it\n"
           "                         restarts into flash; \"M6969S96\" then \"M1106\" pass the LCD board's boot\n"
           "                         loader (XMODEM) through until \"EXITSAMBA\"\n"
           "  --samba-dump DIR       the boot loaders write their flash to DIR/main.bin and DIR/lcd.bin\n"
           "  --log FILE             log every command received, one per line, with a mark:\n"
           "                           J job command (everything below not marked otherwise)\n"
           "                           P temperature poll (M105)   L line numbering (M110)\n"
           "                           V version request (M1003)   S side-channel command ('@' ... '#')\n"
           "                           F fault injected, as KIND@N (N = job command it came before)\n"
           "  --firmware A.B.C       version in the banner \"zor3nixa version: A.B.C\" (default 1.0.0)\n"
           "  --heat-rate DEG_PER_S  heaters move this fast towards their targets (default: at once)\n"
           "  --fault KIND@N         inject KIND before the reply to the N-th job command (repeatable)\n"
           "  --random-faults K,K..  inject one of these kinds at random ...\n"
           "  --fault-rate P         ... with chance P per job command (default 0)\n"
           "  --seed S               seed of the random faults and garbage bytes (default 1)\n"
           "  --slow-ms MS           delay of a slow \"ok\" (default 1000)\n"
           "  --split-ms MS          pause between the pieces of a split reply (default 5)\n"
           "  --replug-ms MS         after an unplug, open a new terminal MS later (default: stay unplugged)\n"
           "  --exit-after-unplug    exit when unplugged\n"
           "  --garbage-all          garbage may contain XON, XOFF, '@' and '#'\n"
           "  --bare-info            M1002, M1004 and M1105 answer their bare values, without labels\n"
           "Fault kinds: restart (\"start\" and banner, command lost), halt (\"!!\"), error (\"Error:...\"),\n"
           "lost (no \"ok\"), slow, garbage (a line of non-text bytes), nul (a line of NULs), split (reply in\n"
           "pieces), unplug (the terminal closes).\n"
           "Commands: one per line, '\\r' ignored, \"N<n> ... *<checksum>\" numbering checked. M105 answers\n"
           "\"ok T:<head> B:<bed>\"; M114 \"X:.. Y:.. Z:.. E:..\"; M1003 the banner; M1002 \"UID:..\";\n"
           "M1004 \"LCD version:..\"; M1105 \"LCD mode:..\"; M6666 S69 restarts; M109/M190 answer when the\n"
           "target is reached. G0/G1/G28/G90/G91/G92/M82/M83 (and G82/G83 for M82/M83) move the head.\n";
}

bool parseOptions(int argc, char **argv, Options &options, bool &help, std::string &error)
{
    help = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        const char *value = hasValue ? argv[i + 1] : "";
        long number = 0;
        bool ok = hasValue;
        if (arg == "--help" || arg == "-h") {
            help = true;
            return true;
        } else if (arg == "--exit-after-unplug") {
            options.exitAfterUnplug = true;
            continue;
        } else if (arg == "--garbage-all") {
            options.garbageAll = true;
            continue;
        } else if (arg == "--bare-info") {
            options.bareInfo = true;
            continue;
        } else if (arg == "--link") {
            options.linkPath = value;
        } else if (arg == "--port-dir") {
            options.portDir = value;
        } else if (arg == "--samba-sim") {
            options.sambaSimPath = value;
        } else if (arg == "--samba-dump") {
            options.sambaDumpDir = value;
        } else if (arg == "--log") {
            options.logPath = value;
        } else if (arg == "--firmware") {
            options.firmware = value;
        } else if (arg == "--heat-rate") {
            ok = ok && toDouble(value, options.heatRate) && options.heatRate >= 0;
        } else if (arg == "--fault") {
            ScheduledFault fault{};
            ok = ok && parseFault(value, fault);
            options.faults.push_back(fault);
        } else if (arg == "--random-faults") {
            ok = ok && parseKinds(value, options.randomFaults);
        } else if (arg == "--fault-rate") {
            ok = ok && toDouble(value, options.faultRate) && options.faultRate >= 0 && options.faultRate <= 1;
        } else if (arg == "--seed") {
            ok = ok && toLong(value, number) && number >= 0;
            options.seed = static_cast<std::uint32_t>(number);
        } else if (arg == "--slow-ms" || arg == "--split-ms" || arg == "--replug-ms") {
            ok = ok && toLong(value, number) && number >= 0 && number <= 3600000;
            (arg == "--slow-ms"    ? options.slowMs
             : arg == "--split-ms" ? options.splitMs
                                   : options.replugMs) = static_cast<int>(number);
        } else {
            error = "unknown option " + arg;
            return false;
        }
        if (!ok) {
            error = "bad or missing value for " + arg;
            return false;
        }
        ++i;
    }
    if (options.exitAfterUnplug && options.replugMs >= 0) {
        error = "--exit-after-unplug and --replug-ms exclude each other";
        return false;
    }
    return true;
}

} // namespace vprinter
