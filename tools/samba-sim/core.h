// The SAM3X's Cortex-M3 for the boot loader's G command: Debian's unicorn engine emulates Thumb code,
// with the chip's SRAM as plain memory and its flash and registers reached through the chip model, so
// that an uploaded applet drives the simulated flash controllers exactly as it would drive real ones.
#pragma once

#include "sam3xchip.h"

#include <cstdint>
#include <string>

struct uc_struct;

namespace sambasim
{

class Core
{
public:
    explicit Core(Sam3xChip &chip);
    ~Core();
    Core(const Core &) = delete;
    Core &operator=(const Core &) = delete;

    bool ok() const { return m_engine != nullptr; }
    const std::string &error() const { return m_error; }
    // Runs the code at `address` as the boot loader does: the stack pointer from its first word, the entry
    // from its second, returning to the boot loader when the code returns. False with error() when the
    // code faults or runs past its instruction budget (on the chip the boot loader would hang).
    bool go(std::uint32_t address);

private:
    static constexpr long budget = 400000000; // instructions; a hung applet must not hang the simulator

    Sam3xChip &m_chip;
    uc_struct *m_engine = nullptr;
    std::string m_error;
};

} // namespace sambasim
