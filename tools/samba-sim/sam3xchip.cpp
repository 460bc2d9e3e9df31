#include "sam3xchip.h"

#include "Spoolwatch/fw_tool/applet/applet.h"

#include <algorithm>

namespace sambasim
{

namespace
{

constexpr std::uint32_t controllerBase[2] = {SAM3X_EEFC0, SAM3X_EEFC1};
constexpr std::uint32_t controllerBytes = 0x10;
constexpr std::uint32_t pagesPerRegion = SAM3X_LOCK_REGION_BYTES / SAM3X_PAGE_BYTES;
constexpr std::uint32_t pagesPerPlane = SAM3X_PLANE_BYTES / SAM3X_PAGE_BYTES;

constexpr std::uint32_t cpuIdRegister = 0xE000ED00u;
constexpr std::uint32_t cortexM3r2p0 = 0x412FC230u;

int planeOfRegister(std::uint32_t address)
{
    for (int plane = 0; plane < 2; ++plane)
        if (address >= controllerBase[plane] && address < controllerBase[plane] + controllerBytes)
            return plane;
    return -1;
}

} // namespace

Sam3xChip::Sam3xChip(std::uint32_t chipId)
    : m_chipId(chipId), m_sram(sramBytes, 0), m_flash(SAM3X_FLASH_BYTES, 0xFF), m_latch(SAM3X_PAGE_BYTES, 0xFF)
{
}

bool Sam3xChip::isMemory(std::uint32_t address, std::uint32_t size) const
{
    const std::uint64_t end = std::uint64_t(address) + size;
    return (address >= sramAddress && end <= std::uint64_t(sramAddress) + sramBytes) ||
           (address >= SAM3X_FLASH_ADDRESS && end <= std::uint64_t(SAM3X_FLASH_ADDRESS) + SAM3X_FLASH_BYTES);
}

bool Sam3xChip::isRegister(std::uint32_t address)
{
    return planeOfRegister(address) >= 0 || address == SAM3X_CHIP_ID_REGISTER || address == SAM3X_RSTC_CR ||
           address == cpuIdRegister;
}

std::uint8_t Sam3xChip::read8(std::uint32_t address)
{
    if (address >= sramAddress && address - sramAddress < sramBytes)
        return m_sram[address - sramAddress];
    if (address >= SAM3X_FLASH_ADDRESS && address - SAM3X_FLASH_ADDRESS < SAM3X_FLASH_BYTES)
        return m_flash[address - SAM3X_FLASH_ADDRESS];
    return std::uint8_t(read32(address & ~3u) >> (8 * (address & 3u)));
}

void Sam3xChip::write8(std::uint32_t address, std::uint8_t value)
{
    if (address >= sramAddress && address - sramAddress < sramBytes)
        m_sram[address - sramAddress] = value;
    else if (address >= SAM3X_FLASH_ADDRESS && address - SAM3X_FLASH_ADDRESS < SAM3X_FLASH_BYTES)
        m_latch[(address - SAM3X_FLASH_ADDRESS) % SAM3X_PAGE_BYTES] = value; // flash is written through the latch
}

std::uint32_t Sam3xChip::read32(std::uint32_t address)
{
    const int plane = planeOfRegister(address);
    if (plane >= 0)
        return readController(plane, address - controllerBase[plane]);
    if (address == SAM3X_CHIP_ID_REGISTER)
        return m_chipId;
    if (address == cpuIdRegister)
        return cortexM3r2p0; // clients read the core's id to tell a Cortex-M from an ARM7
    if (!isMemory(address, 4))
        return 0; // unmapped space reads as zero here; the real bus would fault
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | read8(address + std::uint32_t(i));
    return value;
}

void Sam3xChip::write32(std::uint32_t address, std::uint32_t value)
{
    const int plane = planeOfRegister(address);
    if (plane >= 0) {
        const std::uint32_t offset = address - controllerBase[plane];
        if (offset == EEFC_FMR)
            m_controllers[plane].mode = value;
        else if (offset == EEFC_FCR)
            runCommand(plane, value);
        return;
    }
    if (address == SAM3X_RSTC_CR) {
        m_resetRequested = (value & 0xFF000000u) == 0xA5000000u && (value & 1u);
        return;
    }
    if (!isMemory(address, 4))
        return;
    for (int i = 0; i < 4; ++i)
        write8(address + std::uint32_t(i), std::uint8_t(value >> (8 * i)));
}

std::uint32_t Sam3xChip::readController(int plane, std::uint32_t offset)
{
    Controller &controller = m_controllers[plane];
    switch (offset) {
    case EEFC_FMR:
        return controller.mode;
    case EEFC_FSR: {
        if (controller.busyFor > 0) {
            --controller.busyFor;
            return 0;
        }
        if (m_faults.stuckReadyAt > 0 && m_flashCommands >= m_faults.stuckReadyAt)
            return 0;
        // The error flags clear on read, as on the chip.
        const std::uint32_t status = EEFC_FSR_FRDY | controller.errors;
        controller.errors = 0;
        return status;
    }
    case EEFC_FRR:
        return controller.result;
    default:
        return 0;
    }
}

void Sam3xChip::runCommand(int plane, std::uint32_t value)
{
    Controller &controller = m_controllers[plane];
    const std::uint32_t command = value & 0xFF, argument = (value >> 8) & 0xFFFF;
    ++m_flashCommands;
    m_lastCommand = int(command);
    controller.busyFor = busyPolls;
    controller.errors = 0;
    m_busySeconds += command == EEFC_EA ? 0.1 : (command == EEFC_WP || command == EEFC_EWP) ? 0.003 : 0.001;
    if ((value & 0xFF000000u) != EEFC_KEY) {
        controller.errors = EEFC_FSR_FCMDE;
        return;
    }
    const std::uint32_t regionBit = std::uint32_t(plane) * (SAM3X_LOCK_REGIONS / 2) + argument / pagesPerRegion;
    switch (command) {
    case EEFC_WP:
    case EEFC_EWP:
        if (argument >= pagesPerPlane) {
            controller.errors = EEFC_FSR_FCMDE;
        } else if (m_locks >> regionBit & 1u) {
            controller.errors = EEFC_FSR_FLOCKE;
        } else {
            ++m_pageWrites;
            if (m_faults.failWriteAt > 0 && m_pageWrites >= m_faults.failWriteAt)
                controller.errors = EEFC_FSR_FLOCKE;
            else if (m_faults.ignoreWriteAt != m_pageWrites)
                writePage(plane, argument, command == EEFC_EWP);
        }
        std::fill(m_latch.begin(), m_latch.end(), 0xFF);
        break;
    case EEFC_EA:
        // An erase-all fails while any region of the plane is locked, as on the chip.
        if ((m_locks >> (plane * 16)) & 0xFFFFu)
            controller.errors = EEFC_FSR_FLOCKE;
        else
            std::fill(m_flash.begin() + plane * SAM3X_PLANE_BYTES, m_flash.begin() + (plane + 1) * SAM3X_PLANE_BYTES,
                      0xFF);
        break;
    case EEFC_SLB:
    case EEFC_CLB:
        if (argument >= pagesPerPlane)
            controller.errors = EEFC_FSR_FCMDE;
        else if (command == EEFC_SLB)
            m_locks |= 1u << regionBit;
        else
            m_locks &= ~(1u << regionBit);
        break;
    case EEFC_GLB:
        controller.result = (m_locks >> (plane * 16)) & 0xFFFFu;
        break;
    case EEFC_SGPB:
    case EEFC_CGPB:
        if (plane != 0 || argument > 2)
            controller.errors = EEFC_FSR_FCMDE;
        else if (command == EEFC_SGPB)
            m_gpnvm |= 1u << argument;
        else
            m_gpnvm &= ~(1u << argument);
        break;
    case EEFC_GGPB:
        controller.result = m_gpnvm;
        break;
    case EEFC_GETD:
        controller.result = m_chipId; // the flash descriptor begins with the flash id
        break;
    default:
        controller.errors = EEFC_FSR_FCMDE;
        break;
    }
}

void Sam3xChip::writePage(int plane, std::uint32_t page, bool erase)
{
    const std::size_t at = std::size_t(plane) * SAM3X_PLANE_BYTES + std::size_t(page) * SAM3X_PAGE_BYTES;
    // Programming only clears bits; erasing first sets the page to 0xFF.
    for (std::uint32_t i = 0; i < SAM3X_PAGE_BYTES; ++i)
        m_flash[at + i] = erase ? m_latch[i] : std::uint8_t(m_flash[at + i] & m_latch[i]);
}

bool Sam3xChip::takeResetRequest()
{
    const bool requested = m_resetRequested;
    m_resetRequested = false;
    return requested;
}

} // namespace sambasim
