#include "monitor.h"

#include "Spoolwatch/fw_tool/applet/applet.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

namespace sambasim
{

namespace
{

constexpr char version[] = "v1.1 Dec 15 2010 19:25:04";
constexpr char prompt[] = "\n\r>";
// A command longer than this is line noise, not a command.
constexpr std::size_t longestCommand = 64;
// How long the monitor waits for the next byte of a transfer before it gives the transfer up.
constexpr int transferByteTimeoutMs = 2000;
constexpr std::uint8_t SOH = 0x01, EOT = 0x04, ACK = 0x06, NAK = 0x15, CAN = 0x18;
constexpr int xmodemBlockBytes = 128;
// Times the receiver asks for the first block ('C') before it gives up, as the ROM does; the sender
// waits as many times for that 'C', and sends a block or the EOT as many times before it gives up.
constexpr int xmodemStartTries = 10;
constexpr int xmodemSendTries = 10;

bool parseHex(const std::string &text, std::uint32_t &value)
{
    if (text.empty() || text.size() > 8)
        return false;
    char *end = nullptr;
    value = std::uint32_t(std::strtoul(text.c_str(), &end, 16));
    return *end == '\0';
}

} // namespace

std::uint16_t xmodemCrc(const std::uint8_t *data, std::size_t size)
{
    std::uint16_t crc = 0;
    for (std::size_t i = 0; i < size; ++i) {
        crc ^= std::uint16_t(data[i] << 8);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 0x8000) ? std::uint16_t((crc << 1) ^ 0x1021) : std::uint16_t(crc << 1);
    }
    return crc;
}

Monitor::Monitor(Sam3xChip &chip, Core &core, MonitorLink link, bool xmodem, std::FILE *log)
    : m_chip(chip), m_core(core), m_link(std::move(link)), m_xmodem(xmodem), m_log(log)
{
}

void Monitor::answer(const std::string &bytes)
{
    m_link.write(bytes);
}

void Monitor::answerWord(std::uint32_t value, int bytes)
{
    if (m_terminal) {
        char text[32];
        std::snprintf(text, sizeof text, "\n\r0x%0*X%s", bytes * 2, value, prompt);
        answer(text);
        return;
    }
    std::string raw;
    for (int i = 0; i < bytes; ++i)
        raw += char(value >> (8 * i));
    answer(raw);
}

Monitor::Result Monitor::run()
{
    std::string command;
    for (;;) {
        const int byte = m_link.readByte(-1);
        if (byte == -2)
            return Result::LinkGone;
        if (byte < 0)
            continue;
        if (byte != '#') {
            // Line ends and spaces between commands are ignored, as the ROM does.
            if (command.empty() && (byte == '\n' || byte == '\r' || byte == ' '))
                continue;
            command += char(byte);
            if (command.size() > longestCommand)
                command.clear();
            continue;
        }
        const char op = command.empty() ? '\0' : command[0];
        const std::string arguments = command.empty() ? std::string() : command.substr(1);
        command.clear();
        ++m_commands;
        if (m_log)
            std::fprintf(m_log, "command %c%s#\n", op, arguments.c_str());
        if (m_faults.noAnswerAt > 0 && m_commands >= m_faults.noAnswerAt)
            continue; // the chip hangs: nothing is run or answered any more
        const double busyBefore = m_chip.busySeconds();
        if (!runCommand(op, arguments) && m_terminal)
            answer(prompt);
        const double busy = (m_chip.busySeconds() - busyBefore) * m_timeScale;
        if (busy > 0)
            std::this_thread::sleep_for(std::chrono::duration<double>(busy));
        if (m_chip.takeResetRequest()) {
            m_terminal = true;
            return Result::Restarted;
        }
        if (m_log)
            std::fflush(m_log);
    }
}

// False for a command the monitor does not know or cannot parse: it is dropped, as the ROM does.
bool Monitor::runCommand(char op, const std::string &arguments)
{
    const std::size_t comma = arguments.find(',');
    std::uint32_t address = 0, value = 0;
    const bool hasAddress = parseHex(arguments.substr(0, comma), address);
    const std::string second = comma == std::string::npos ? std::string() : arguments.substr(comma + 1);
    const bool hasValue = parseHex(second, value);
    switch (op) {
    case 'N':
        m_terminal = false;
        answer("\n\r");
        return true;
    case 'T':
        m_terminal = true;
        answer(prompt);
        return true;
    case 'V':
        answer(std::string(version) + "\n\r" + (m_terminal ? ">" : ""));
        return true;
    case 'O':
    case 'H':
    case 'W':
        if (!hasAddress || !hasValue)
            return false;
        if (op == 'W')
            m_chip.write32(address, value);
        for (int i = 0; op != 'W' && i < (op == 'O' ? 1 : 2); ++i)
            m_chip.write8(address + std::uint32_t(i), std::uint8_t(value >> (8 * i)));
        if (m_terminal)
            answer(prompt);
        return true;
    case 'o':
    case 'h':
    case 'w': {
        if (!hasAddress)
            return false;
        const int bytes = op == 'o' ? 1 : op == 'h' ? 2 : 4;
        std::uint32_t word = 0;
        if (bytes == 4)
            word = m_chip.read32(address);
        else
            for (int i = 0; i < bytes; ++i)
                word |= std::uint32_t(m_chip.read8(address + std::uint32_t(i))) << (8 * i);
        answerWord(word, bytes);
        return true;
    }
    case 'S':
        if (!hasAddress || !hasValue || !m_chip.isMemory(address, value))
            return false;
        if (m_xmodem ? receiveXmodem(address, value) : receiveRaw(address, value)) {
            if (m_terminal)
                answer(prompt);
        }
        return true;
    case 'R':
        if (!hasAddress || !hasValue || !m_chip.isMemory(address, value))
            return false;
        if (m_xmodem)
            sendXmodem(address, value);
        else
            sendRaw(address, value);
        return true;
    case 'G':
        if (!hasAddress)
            return false;
        go(address);
        if (m_terminal)
            answer(prompt);
        return true;
    default:
        return false;
    }
}

bool Monitor::receiveRaw(std::uint32_t address, std::uint32_t size)
{
    for (std::uint32_t i = 0; i < size; ++i) {
        const int byte = m_link.readByte(transferByteTimeoutMs);
        if (byte < 0)
            return false;
        m_chip.write8(address + i, std::uint8_t(byte));
    }
    return true;
}

bool Monitor::receiveXmodem(std::uint32_t address, std::uint32_t size)
{
    std::uint8_t expected = 1;
    std::uint32_t received = 0;
    int accepted = 0;
    bool started = false;
    for (int tries = 0;;) {
        if (!started) {
            if (tries++ >= xmodemStartTries)
                return false;
            answer("C");
        }
        const int first = m_link.readByte(transferByteTimeoutMs);
        if (first < 0) {
            if (started)
                return false;
            continue;
        }
        if (first == EOT) {
            answer(std::string(1, char(ACK)));
            if (m_log)
                std::fprintf(m_log, "received %u bytes in %d blocks\n", received, accepted);
            return received >= size;
        }
        if (first == CAN)
            return false;
        if (first != SOH)
            continue;
        started = true;
        std::vector<std::uint8_t> block(2 + xmodemBlockBytes + 2);
        for (auto &byte : block) {
            const int next = m_link.readByte(transferByteTimeoutMs);
            if (next < 0)
                return false;
            byte = std::uint8_t(next);
        }
        ++m_blocks;
        const std::uint8_t *data = block.data() + 2;
        std::uint16_t check = std::uint16_t(block[130] << 8 | block[131]);
        if (m_faults.badCrcAlways || m_blocks == m_faults.badCrcAt)
            check ^= 0x5A5A; // as if a byte had been damaged on the wire
        const bool intact = block[0] == std::uint8_t(~block[1]) && xmodemCrc(data, xmodemBlockBytes) == check;
        const bool refused = m_faults.nakAlways || m_blocks == m_faults.nakAt;
        if (!intact || refused || (block[0] != expected && block[0] != std::uint8_t(expected - 1))) {
            answer(std::string(1, char(NAK)));
            continue;
        }
        if (block[0] == expected) {
            for (int i = 0; i < xmodemBlockBytes && received < size; ++i, ++received)
                m_chip.write8(address + received, data[i]);
            ++expected;
            ++accepted;
        }
        answer(std::string(1, char(ACK)));
    }
}

void Monitor::sendRaw(std::uint32_t address, std::uint32_t size)
{
    std::string bytes;
    bytes.reserve(size);
    for (std::uint32_t i = 0; i < size; ++i)
        bytes += char(m_chip.read8(address + i));
    answer(bytes);
}

bool Monitor::waitForXmodemReceiver()
{
    for (int tries = 0; tries < xmodemSendTries; ++tries) {
        const int byte = m_link.readByte(transferByteTimeoutMs);
        if (byte == 'C')
            return true;
        if (byte == CAN || byte == -2)
            return false;
    }
    return false;
}

// Sends `packet` until the receiver acknowledges it; false when it cancels, is gone or keeps refusing.
bool Monitor::sendUntilAcknowledged(const std::string &packet)
{
    for (int tries = 0; tries < xmodemSendTries; ++tries) {
        answer(packet);
        const int reply = m_link.readByte(transferByteTimeoutMs);
        if (reply == ACK)
            return true;
        if (reply == CAN || reply == -2)
            return false;
        // A NAK, a damaged answer or silence: the same packet again.
    }
    return false;
}

void Monitor::sendXmodem(std::uint32_t address, std::uint32_t size)
{
    if (!waitForXmodemReceiver())
        return;
    int blocks = 0;
    for (std::uint32_t offset = 0; offset < size; offset += xmodemBlockBytes) {
        std::uint8_t data[xmodemBlockBytes] = {}; // the last block is padded with zeros
        for (std::uint32_t i = 0; i < xmodemBlockBytes && offset + i < size; ++i)
            data[i] = m_chip.read8(address + offset + i);
        const std::uint8_t number = std::uint8_t(blocks + 1);
        const std::uint16_t crc = xmodemCrc(data, xmodemBlockBytes);
        std::string packet{char(SOH), char(number), char(~number)};
        packet.append(reinterpret_cast<const char *>(data), xmodemBlockBytes);
        packet += char(crc >> 8);
        packet += char(crc & 0xFF);
        if (!sendUntilAcknowledged(packet))
            return;
        ++blocks;
    }
    if (sendUntilAcknowledged(std::string(1, char(EOT))) && m_log)
        std::fprintf(m_log, "sent %u bytes in %d blocks\n", size, blocks);
}

void Monitor::go(std::uint32_t address)
{
    if (!m_core.go(address) && m_log)
        std::fprintf(m_log, "go %08X: %s\n", address, m_core.error().c_str());
}

} // namespace sambasim
