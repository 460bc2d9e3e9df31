// The command line of the virtual printer and the fault kinds it can inject.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vprinter
{

// What can go wrong before the reply to one job command.
enum class FaultKind {
    Restart, // "start" and the banner: the firmware rebooted, the command is lost
    Halt,    // a "!!" line, then the usual reply
    Error,   // an "Error:..." line, then the usual reply
    Lost,    // the command runs but its "ok" never comes
    Slow,    // the "ok" comes --slow-ms late
    Garbage, // a line of bytes that are not text
    Nul,     // a line of NUL bytes
    Split,   // the reply is written in pieces with a pause between them
    Unplug,  // the port closes
};

const char *faultName(FaultKind kind);
bool faultFromName(const std::string &name, FaultKind &kind);

struct ScheduledFault {
    FaultKind kind;
    long jobCommand; // 1-based count of job commands ("J" lines of the log)
};

struct Options {
    std::string linkPath;
    std::string portDir;      // publish the terminal there as a port entry with the printer's USB ids
    std::string sambaSimPath; // tools/samba-sim plays the boot loaders; without it M6969 is only answered
    std::string sambaDumpDir; // the boot loaders write their flash there (main.bin, lcd.bin)
    std::string logPath;
    std::string firmware = "1.0.0";
    double heatRate = 0; // degrees per second; 0 heats instantly
    double ambient = 25; // what heaters cool down to when switched off
    std::vector<ScheduledFault> faults;
    std::vector<FaultKind> randomFaults;
    double faultRate = 0; // chance per job command of one random fault
    std::uint32_t seed = 1;
    int slowMs = 1000;
    int splitMs = 5;   // pause between the pieces of a split reply
    int replugMs = -1; // < 0: stay unplugged
    bool exitAfterUnplug = false;
    bool garbageAll = false; // garbage may hold XON, XOFF, '@' and '#'
    bool bareInfo = false;   // M1002, M1004, M1105 answer their values without "UID:"-like labels
};

// Fills options from argv. Returns false with a message in error on a usage error; sets help for --help.
bool parseOptions(int argc, char **argv, Options &options, bool &help, std::string &error);
const char *usageText();

} // namespace vprinter
