// The printer's firmware as the host sees it: one reply per command line on the main channel, a second command
// stream framed by '@' ... '#', heaters that move towards their targets, the head position, line numbering
// with checksums, and the faults of the plan injected before the replies to job commands. Positions in mm,
// temperatures in degrees Celsius. Writes every command to the log before its reply is queued, so a host that
// has read a reply finds its command in the log.
#pragma once

#include "faults.h"
#include "options.h"
#include "output.h"

#include <cstdio>
#include <deque>
#include <string>

namespace vprinter
{

class Firmware
{
public:
    Firmware(const Options &options, Output &output, FaultPlan &faults, std::FILE *log);
    // Power on or restart: state reset, "start" and the banner queued.
    void boot(Clock::time_point now);
    void receive(const char *data, std::size_t size, Clock::time_point now);
    // Moves the heaters and finishes a wait for temperature; run it at least by nextWake().
    void tick(Clock::time_point now);
    Clock::time_point nextWake(Clock::time_point now) const;
    // True once after an unplug fault; the caller closes the port.
    bool takeUnplug();
    // What the boot loaders must do after the last command: none, the main board's boot loader takes the
    // cable ("M6969 S69"), the LCD board's is passed through ("M6969S96" then "M1106").
    enum class BootRequest { None, MainBoard, LcdBoard };
    BootRequest takeBootRequest();
    // The host sent XOFF and no XON since.
    bool outputHeld() const { return m_xoff; }

private:
    enum class Reply { Normal, Lost, Slow, Split };
    struct Heater {
        double temp = 0;
        double target = 0; // 0: off
    };
    struct Words; // the letter-number words of one command

    void handleMainLine(std::string line, Clock::time_point now);
    void handleSideLine(std::string line, Clock::time_point now);
    bool stripLineNumber(std::string &line, Clock::time_point now);
    bool injectFaults(Reply &reply, Clock::time_point now);
    void execute(const std::string &command, Reply reply, Clock::time_point now);
    void move(const Words &words);
    void setPosition(const Words &words, bool home);
    void heat(int heater, const Words &words, bool wait, Reply reply, Clock::time_point now);
    void finishWait(Clock::time_point now);
    void processPending(Clock::time_point now);
    void reply(const std::string &info, const std::string &ack, Reply how, Clock::time_point now);
    void log(char mark, const std::string &text);
    double goal(const Heater &heater) const;
    std::string temperatures() const;
    std::string banner() const;
    // An information answer's label, or nothing with --bare-info.
    std::string label(const char *text) const;

    const Options &m_options;
    Output &m_output;
    FaultPlan &m_faults;
    std::FILE *m_log;

    std::string m_mainRx, m_sideRx;
    bool m_side = false;
    bool m_xoff = false;
    std::deque<std::string> m_pending; // main-channel lines waiting for a heater
    long m_jobCount = 0;
    long m_lastLine = 0;
    bool m_unplug = false;
    bool m_lcdArmed = false;
    BootRequest m_bootRequest = BootRequest::None;

    double m_pos[4] = {0, 0, 0, 0}; // X Y Z E
    double m_feed = 0;
    bool m_relXYZ = false, m_relE = false;
    Heater m_heaters[2];   // head, bed
    int m_waitingFor = -1; // heater an M109 or M190 waits for, or -1
    Reply m_waitReply = Reply::Normal;
    Clock::time_point m_lastTick, m_nextReport;
};

} // namespace vprinter
