// The SAM-BA ROM monitor's command loop over a byte link: N#, T#, V#, O/o, H/h, W/w, S, R and G, with
// S and R as raw transfers (USB) or XMODEM-CRC (UART), and the faults a test asks for.
#pragma once

#include "core.h"
#include "sam3xchip.h"

#include <cstdint>
#include <functional>
#include <string>

namespace sambasim
{

struct MonitorFaults {
    long noAnswerAt = 0;    // from the n-th command on (1-based) nothing is answered; 0 never
    long nakAt = 0;         // the n-th XMODEM block received is refused once; 0 never
    bool nakAlways = false; // every XMODEM block is refused
    long badCrcAt = 0;      // the n-th XMODEM block arrives damaged (its check fails) once; 0 never
    bool badCrcAlways = false;
};

// The monitor's side of the cable: blocking reads with a deadline and whole writes.
struct MonitorLink {
    std::function<int(int timeoutMs)> readByte; // -1 on timeout, -2 when the link is gone
    std::function<void(const std::string &)> write;
};

class Monitor
{
public:
    enum class Result { Running, Restarted, LinkGone };

    Monitor(Sam3xChip &chip, Core &core, MonitorLink link, bool xmodem, std::FILE *log);
    void setFaults(const MonitorFaults &faults) { m_faults = faults; }
    // Seconds of modelled flash time per flash command kind are slept times this scale (0: none).
    void setTimeScale(double scale) { m_timeScale = scale; }
    // Reads and runs commands until the chip restarts or the link goes.
    Result run();

private:
    bool runCommand(char op, const std::string &arguments);
    void answer(const std::string &bytes);
    void answerWord(std::uint32_t value, int bytes);
    bool receiveRaw(std::uint32_t address, std::uint32_t size);
    bool receiveXmodem(std::uint32_t address, std::uint32_t size);
    void sendRaw(std::uint32_t address, std::uint32_t size);
    // R as an XMODEM-CRC sender: waits for the receiver's 'C', then 128-byte blocks and EOT.
    void sendXmodem(std::uint32_t address, std::uint32_t size);
    bool waitForXmodemReceiver();
    bool sendUntilAcknowledged(const std::string &packet);
    void go(std::uint32_t address);

    Sam3xChip &m_chip;
    Core &m_core;
    MonitorLink m_link;
    bool m_xmodem;
    bool m_terminal = true; // the ROM starts in terminal mode until N#
    std::FILE *m_log;
    MonitorFaults m_faults;
    double m_timeScale = 1;
    long m_commands = 0;
    long m_blocks = 0;
};

// The XMODEM block check: CRC-16, polynomial 0x1021, initial value 0.
std::uint16_t xmodemCrc(const std::uint8_t *data, std::size_t size);

} // namespace sambasim
