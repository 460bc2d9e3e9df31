#include "core.h"

#include "Spoolwatch/fw_tool/applet/applet.h"

#include <unicorn/unicorn.h>

namespace sambasim
{

namespace
{

// The boot loader's code lives in ROM; the applet returns to this address in it.
constexpr std::uint32_t romAddress = 0x00100000u;
constexpr std::uint32_t romBytes = 0x1000u;
// Register blocks reached through the chip model: the system controller (EEFC, chip id, reset).
constexpr std::uint32_t systemAddress = 0x400E0000u;
constexpr std::uint32_t systemBytes = 0x2000u;

std::uint64_t readChip(uc_engine *, std::uint64_t offset, unsigned size, void *user)
{
    auto *chip = static_cast<std::pair<Sam3xChip *, std::uint32_t> *>(user);
    const std::uint32_t address = chip->second + std::uint32_t(offset);
    if (size == 4)
        return chip->first->read32(address);
    std::uint64_t value = 0;
    for (unsigned i = 0; i < size; ++i)
        value |= std::uint64_t(chip->first->read8(address + i)) << (8 * i);
    return value;
}

void writeChip(uc_engine *, std::uint64_t offset, unsigned size, std::uint64_t value, void *user)
{
    auto *chip = static_cast<std::pair<Sam3xChip *, std::uint32_t> *>(user);
    const std::uint32_t address = chip->second + std::uint32_t(offset);
    if (size == 4) {
        chip->first->write32(address, std::uint32_t(value));
        return;
    }
    for (unsigned i = 0; i < size; ++i)
        chip->first->write8(address + i, std::uint8_t(value >> (8 * i)));
}

// The callbacks get the chip and the base address of their window.
std::pair<Sam3xChip *, std::uint32_t> flashWindow, systemWindow;

} // namespace

Core::Core(Sam3xChip &chip) : m_chip(chip)
{
    uc_engine *engine = nullptr;
    uc_err err = uc_open(UC_ARCH_ARM, uc_mode(UC_MODE_THUMB | UC_MODE_MCLASS), &engine);
    if (err == UC_ERR_OK)
        err = uc_ctl_set_cpu_model(engine, UC_CPU_ARM_CORTEX_M3);
    flashWindow = {&chip, SAM3X_FLASH_ADDRESS};
    systemWindow = {&chip, systemAddress};
    if (err == UC_ERR_OK)
        err = uc_mem_map_ptr(engine, Sam3xChip::sramAddress, Sam3xChip::sramBytes, UC_PROT_ALL, chip.sram().data());
    if (err == UC_ERR_OK)
        err = uc_mem_map(engine, romAddress, romBytes, UC_PROT_ALL);
    if (err == UC_ERR_OK)
        err = uc_mmio_map(engine, SAM3X_FLASH_ADDRESS, SAM3X_FLASH_BYTES, readChip, &flashWindow, writeChip,
                          &flashWindow);
    if (err == UC_ERR_OK)
        err = uc_mmio_map(engine, systemAddress, systemBytes, readChip, &systemWindow, writeChip, &systemWindow);
    if (err != UC_ERR_OK) {
        m_error = uc_strerror(err);
        if (engine)
            uc_close(engine);
        return;
    }
    m_engine = engine;
}

Core::~Core()
{
    if (m_engine)
        uc_close(m_engine);
}

bool Core::go(std::uint32_t address)
{
    if (!m_engine)
        return false;
    // The host has just uploaded new code over the old: translated blocks of the old code must go.
    uc_ctl_remove_cache(m_engine, Sam3xChip::sramAddress, Sam3xChip::sramAddress + Sam3xChip::sramBytes);
    const std::uint32_t stack = m_chip.read32(address), entry = m_chip.read32(address + 4);
    const std::uint32_t returnAddress = romAddress | 1u;
    uc_reg_write(m_engine, UC_ARM_REG_SP, &stack);
    uc_reg_write(m_engine, UC_ARM_REG_LR, &returnAddress);
    const uc_err err = uc_emu_start(m_engine, entry | 1u, romAddress, 0, budget);
    std::uint32_t pc = 0;
    uc_reg_read(m_engine, UC_ARM_REG_PC, &pc);
    if (err != UC_ERR_OK) {
        m_error = std::string("the code faulted: ") + uc_strerror(err);
        return false;
    }
    if ((pc & ~1u) != romAddress) {
        m_error = "the code did not return within its instruction budget";
        return false;
    }
    return true;
}

} // namespace sambasim
