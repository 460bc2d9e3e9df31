#include "firmware.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <utility>

namespace vprinter
{

namespace
{

constexpr char xon = 0x11;
constexpr char xoff = 0x13;
constexpr int head = 0, bed = 1;
// A real firmware reports its heaters about once a second while it waits for them.
constexpr auto reportInterval = std::chrono::seconds(1);
// Often enough that a 1 degree/s heater reaches its target within 50 ms of the exact moment.
constexpr auto heatStep = std::chrono::milliseconds(50);

std::string trimmed(const std::string &text)
{
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

bool isNumberChar(char c)
{
    return std::isdigit(static_cast<unsigned char>(c)) || c == '.' || c == '-' || c == '+';
}

std::string format(const char *pattern, double a, double b = 0, double c = 0, double d = 0)
{
    char text[160];
    std::snprintf(text, sizeof text, pattern, a, b, c, d);
    return text;
}

} // namespace

// Letters followed by numbers, with or without spaces between the words ("G28X0Y0", "G1 X10 E5").
struct Firmware::Words {
    explicit Words(const std::string &command)
    {
        for (std::size_t i = 0; i < command.size(); ++i) {
            const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(command[i])));
            if (letter < 'A' || letter > 'Z')
                continue;
            std::size_t end = i + 1;
            while (end < command.size() && isNumberChar(command[end]))
                ++end;
            const int slot = letter - 'A';
            has[slot] = true;
            value[slot] = std::atof(command.substr(i + 1, end - i - 1).c_str());
            if (code.empty())
                code = letter + command.substr(i + 1, end - i - 1);
            i = end - 1;
        }
    }
    bool has[26] = {};
    double value[26] = {};
    std::string code; // the first word, such as "G1" or "M105"
    bool is(char letter) const { return has[letter - 'A']; }
    double operator[](char letter) const { return value[letter - 'A']; }
};

Firmware::Firmware(const Options &options, Output &output, FaultPlan &faults, std::FILE *log)
    : m_options(options), m_output(output), m_faults(faults), m_log(log)
{
    for (Heater &heater : m_heaters)
        heater.temp = options.ambient;
}

void Firmware::boot(Clock::time_point now)
{
    m_mainRx.clear();
    m_sideRx.clear();
    m_side = false;
    m_xoff = false;
    m_pending.clear();
    m_lastLine = 0;
    std::fill(std::begin(m_pos), std::end(m_pos), 0.0);
    m_feed = 0;
    m_relXYZ = m_relE = false;
    for (Heater &heater : m_heaters)
        heater.target = 0;
    m_waitingFor = -1;
    m_lastTick = now;
    m_output.push("start\n" + banner(), now);
}

std::string Firmware::banner() const
{
    return "zor3nixa version: " + m_options.firmware + "\n";
}

std::string Firmware::label(const char *text) const
{
    return m_options.bareInfo ? std::string() : std::string(text);
}

std::string Firmware::temperatures() const
{
    return format("T:%.0f B:%.0f", std::round(m_heaters[head].temp), std::round(m_heaters[bed].temp));
}

void Firmware::log(char mark, const std::string &text)
{
    if (!m_log)
        return;
    std::fprintf(m_log, "%c %s\n", mark, text.c_str());
    std::fflush(m_log);
}

Firmware::BootRequest Firmware::takeBootRequest()
{
    const BootRequest request = m_bootRequest;
    m_bootRequest = BootRequest::None;
    return request;
}

bool Firmware::takeUnplug()
{
    const bool unplug = m_unplug;
    m_unplug = false;
    return unplug;
}

void Firmware::receive(const char *data, std::size_t size, Clock::time_point now)
{
    for (std::size_t i = 0; i < size; ++i) {
        const char c = data[i];
        if (c == xoff || c == xon)
            m_xoff = c == xoff;
        else if (c == '@' || c == '#')
            m_side = c == '@';
        else if (c == '\r')
            continue;
        else if (c != '\n')
            (m_side ? m_sideRx : m_mainRx).push_back(c);
        else if (m_side)
            handleSideLine(std::exchange(m_sideRx, {}), now);
        else {
            // In order of arrival across both channels, unless a wait for a heater holds the main one.
            m_pending.push_back(std::exchange(m_mainRx, {}));
            processPending(now);
        }
    }
}

void Firmware::processPending(Clock::time_point now)
{
    while (m_waitingFor < 0 && !m_unplug && !m_pending.empty()) {
        std::string line = std::move(m_pending.front());
        m_pending.pop_front();
        handleMainLine(std::move(line), now);
    }
}

void Firmware::handleSideLine(std::string line, Clock::time_point now)
{
    line = trimmed(line);
    if (line.empty())
        return;
    log('S', line);
    m_output.push("@ok\n#", now);
}

void Firmware::handleMainLine(std::string line, Clock::time_point now)
{
    line = trimmed(line.substr(0, line.find(';')));
    if (line.empty() || !stripLineNumber(line, now) || line.empty())
        return;
    const Words words(line);
    const char mark = words.code == "M105" ? 'P' : words.code == "M110" ? 'L' : words.code == "M1003" ? 'V' : 'J';
    log(mark, line);
    Reply how = Reply::Normal;
    if (mark == 'J' && !injectFaults(how, now))
        return;
    execute(line, how, now);
}

// "N<n> <command>*<checksum>": the checksum is the XOR of every byte before '*', and n must follow the last
// line's number except in M110, which sets it. A refused line asks the host to send it again.
bool Firmware::stripLineNumber(std::string &line, Clock::time_point now)
{
    if (line[0] != 'N' || line.size() < 2 || !isNumberChar(line[1]))
        return true;
    char *end = nullptr;
    const long number = std::strtol(line.c_str() + 1, &end, 10);
    const std::size_t star = line.rfind('*');
    const std::string body = trimmed(line.substr(end - line.c_str(), star - (end - line.c_str())));
    std::string error;
    if (star == std::string::npos) {
        error = "No Checksum with line number";
    } else {
        unsigned char sum = 0;
        for (std::size_t i = 0; i < star; ++i)
            sum ^= static_cast<unsigned char>(line[i]);
        if (std::atoi(line.c_str() + star + 1) != sum)
            error = "checksum mismatch";
        else if (number != m_lastLine + 1 && Words(body).code != "M110")
            error = "Line Number is not Last Line Number+1";
    }
    if (!error.empty()) {
        m_output.push("Error:" + error + ", Last Line: " + std::to_string(m_lastLine) +
                          "\nResend: " + std::to_string(m_lastLine + 1) + "\nok\n",
                      now);
        return false;
    }
    m_lastLine = number;
    line = body;
    return true;
}

// Returns false when the command is lost with the fault (restart, unplug).
bool Firmware::injectFaults(Reply &how, Clock::time_point now)
{
    const long n = ++m_jobCount;
    for (FaultKind kind : m_faults.faultsFor(n)) {
        log('F', std::string(faultName(kind)) + "@" + std::to_string(n));
        switch (kind) {
        case FaultKind::Restart: {
            // What the host sends after the fatal command reaches the rebooted firmware.
            std::deque<std::string> pending = std::move(m_pending);
            boot(now);
            m_pending = std::move(pending);
            return false;
        }
        case FaultKind::Unplug:
            m_unplug = true;
            return false;
        case FaultKind::Halt:
            m_output.push("!!\n", now);
            break;
        case FaultKind::Error:
            m_output.push("Error:Printer halted by an injected fault\n", now);
            break;
        case FaultKind::Garbage:
            m_output.push(m_faults.garbage() + "\n", now);
            break;
        case FaultKind::Nul:
            m_output.push(m_faults.nuls() + "\n", now);
            break;
        case FaultKind::Lost:
            how = Reply::Lost;
            break;
        case FaultKind::Slow:
            how = Reply::Slow;
            break;
        case FaultKind::Split:
            how = Reply::Split;
            break;
        }
    }
    return true;
}

void Firmware::execute(const std::string &command, Reply how, Clock::time_point now)
{
    const Words words(command);
    const std::string &code = words.code;
    std::string info;
    std::string ack = "ok\n";
    if (code == "G0" || code == "G1") {
        move(words);
    } else if (code == "G28" || code == "G92") {
        setPosition(words, code == "G28");
    } else if (code == "G90" || code == "G91") {
        m_relXYZ = m_relE = code == "G91";
    } else if (code == "M82" || code == "M83" || code == "G82" || code == "G83") {
        // The host restores the extruder mode with G82/G83 when it resumes a paused job.
        m_relE = code[2] == '3';
    } else if (code == "M104" || code == "M109" || code == "M140" || code == "M190") {
        heat(code == "M104" || code == "M109" ? head : bed, words, code == "M109" || code == "M190", how, now);
        return;
    } else if (code == "M105") {
        ack = "ok " + temperatures() + "\n";
    } else if (code == "M114") {
        info = format("X:%.3f Y:%.3f Z:%.3f E:%.3f\n", m_pos[0], m_pos[1], m_pos[2], m_pos[3]);
    } else if (code == "M110") {
        if (words.is('N'))
            m_lastLine = static_cast<long>(words['N']);
    } else if (code == "M1003") {
        info = banner();
    } else if (code == "M1002") {
        info = label("UID:") + "0000000000000000C0FFEE\n";
    } else if (code == "M1004") {
        info = label("LCD version: ") + "1.0\n";
    } else if (code == "M1105") {
        info = label("LCD mode: ") + "0\n";
    } else if (code == "M6969" && static_cast<int>(words['S']) == 69) {
        // The printer restarts into its boot loader at once: nothing is answered.
        m_bootRequest = BootRequest::MainBoard;
        return;
    } else if (code == "M6969" && static_cast<int>(words['S']) == 96) {
        m_lcdArmed = true;
    } else if (code == "M1106" && m_lcdArmed) {
        m_lcdArmed = false;
        m_bootRequest = BootRequest::LcdBoard;
    } else if (code == "M6666" && static_cast<int>(words['S']) == 69) {
        boot(now);
        return;
    }
    reply(info, ack, how, now);
}

void Firmware::move(const Words &words)
{
    static constexpr char axes[4] = {'X', 'Y', 'Z', 'E'};
    for (int i = 0; i < 4; ++i)
        if (words.is(axes[i]))
            m_pos[i] = ((i < 3 ? m_relXYZ : m_relE) ? m_pos[i] : 0.0) + words[axes[i]];
    if (words.is('F'))
        m_feed = words['F'];
}

// G92 sets the named axes (all with none named); G28 homes the named axes of X, Y and Z (all three with none).
void Firmware::setPosition(const Words &words, bool home)
{
    static constexpr char axes[4] = {'X', 'Y', 'Z', 'E'};
    const int count = home ? 3 : 4;
    bool any = false;
    for (int i = 0; i < count; ++i)
        any = any || words.is(axes[i]);
    for (int i = 0; i < count; ++i)
        if (!any || words.is(axes[i]))
            m_pos[i] = home ? 0.0 : words[axes[i]];
}

void Firmware::reply(const std::string &info, const std::string &ack, Reply how, Clock::time_point now)
{
    switch (how) {
    case Reply::Normal:
        m_output.push(info + ack, now);
        break;
    case Reply::Lost:
        m_output.push(info, now);
        break;
    case Reply::Slow:
        m_output.push(info, now);
        m_output.push(ack, now, m_options.slowMs);
        break;
    case Reply::Split:
        m_output.pushSplit(info + ack, now, m_options.splitMs);
        break;
    }
}

double Firmware::goal(const Heater &heater) const
{
    return std::max(heater.target, m_options.ambient);
}

void Firmware::heat(int heater, const Words &words, bool wait, Reply how, Clock::time_point now)
{
    tick(now);
    if (words.is('S'))
        m_heaters[heater].target = std::max(0.0, words['S']);
    if (m_options.heatRate <= 0)
        m_heaters[heater].temp = goal(m_heaters[heater]);
    if (!wait || m_heaters[heater].temp == goal(m_heaters[heater])) {
        reply({}, "ok\n", how, now);
        return;
    }
    m_waitingFor = heater;
    m_waitReply = how;
    m_nextReport = now + reportInterval;
}

void Firmware::tick(Clock::time_point now)
{
    const double seconds = std::chrono::duration<double>(now - m_lastTick).count();
    m_lastTick = now;
    for (Heater &heater : m_heaters) {
        const double step = m_options.heatRate * seconds;
        const double target = goal(heater);
        heater.temp =
            heater.temp < target ? std::min(target, heater.temp + step) : std::max(target, heater.temp - step);
    }
    if (m_waitingFor < 0)
        return;
    if (m_heaters[m_waitingFor].temp == goal(m_heaters[m_waitingFor])) {
        m_waitingFor = -1;
        reply({}, "ok\n", m_waitReply, now);
        processPending(now);
    } else if (now >= m_nextReport) {
        m_output.push(temperatures() + "\n", now);
        m_nextReport = now + reportInterval;
    }
}

Clock::time_point Firmware::nextWake(Clock::time_point now) const
{
    for (const Heater &heater : m_heaters)
        if (heater.temp != goal(heater))
            return now + heatStep;
    return now + std::chrono::hours(1);
}

} // namespace vprinter
