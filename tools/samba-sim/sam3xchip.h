// The parts of an ATSAM3X8E that the boot loader and a flash applet touch: 64 KB of SRAM, 512 KB of
// flash in two planes behind their enhanced embedded flash controllers (EEFC), the GPNVM bits, the chip
// id register and the reset controller. Faults of the flash controllers can be injected. Used by the
// SAM-BA simulator (through the emulated core) and by the applet's host-built tests.
#pragma once

#include <cstdint>
#include <vector>

namespace sambasim
{

struct ChipFaults {
    long stuckReadyAt = 0;  // from the n-th flash command (1-based) on FRDY never comes back; 0 never
    long failWriteAt = 0;   // the n-th page write (1-based) and every later one reports a lock error; 0 never
    long ignoreWriteAt = 0; // the n-th page write (1-based) reports success but programs nothing; 0 never
};

class Sam3xChip
{
public:
    static constexpr std::uint32_t sramAddress = 0x20000000u;
    static constexpr std::uint32_t sramBytes = 0x10000u;
    // Polls of FSR that read "busy" after each flash command, as the real controller takes a while.
    static constexpr int busyPolls = 3;

    explicit Sam3xChip(std::uint32_t chipId);

    std::uint32_t read32(std::uint32_t address);
    void write32(std::uint32_t address, std::uint32_t value);
    std::uint8_t read8(std::uint32_t address);
    void write8(std::uint32_t address, std::uint8_t value);
    // Whether [address, address + size) is memory this model holds (SRAM or flash).
    bool isMemory(std::uint32_t address, std::uint32_t size) const;
    // Whether the address belongs to a register block (EEFC, chip id, reset controller).
    static bool isRegister(std::uint32_t address);

    void setFaults(const ChipFaults &faults) { m_faults = faults; }
    const std::vector<std::uint8_t> &flash() const { return m_flash; }
    std::vector<std::uint8_t> &sram() { return m_sram; }
    bool gpnvm(int bit) const { return (m_gpnvm >> bit) & 1u; }
    bool regionLocked(int region) const { return (m_locks >> region) & 1u; }
    // Flash commands run so far (all kinds, both planes); the simulator times them.
    long flashCommands() const { return m_flashCommands; }
    int lastFlashCommand() const { return m_lastCommand; }
    // What the flash commands so far would have kept a real controller busy, in seconds (assumed figures
    // of the order the datasheet gives: 100 ms for a plane's erase, 3 ms for a page, 1 ms otherwise).
    double busySeconds() const { return m_busySeconds; }
    // True once after software wrote the reset key to the reset controller.
    bool takeResetRequest();

private:
    struct Controller {
        std::uint32_t mode = 0;
        std::uint32_t result = 0;
        std::uint32_t errors = 0;
        int busyFor = 0;
    };
    void runCommand(int plane, std::uint32_t value);
    void writePage(int plane, std::uint32_t page, bool erase);
    std::uint32_t readController(int plane, std::uint32_t offset);

    std::uint32_t m_chipId;
    std::vector<std::uint8_t> m_sram;
    std::vector<std::uint8_t> m_flash;
    std::vector<std::uint8_t> m_latch;
    Controller m_controllers[2];
    std::uint32_t m_gpnvm = 0;
    std::uint32_t m_locks = 0;
    long m_flashCommands = 0;
    long m_pageWrites = 0;
    double m_busySeconds = 0;
    int m_lastCommand = -1;
    bool m_resetRequested = false;
    ChipFaults m_faults;
};

} // namespace sambasim
