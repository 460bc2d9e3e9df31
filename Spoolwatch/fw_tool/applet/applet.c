/* The flash applet the host uploads through the SAM-BA boot loader to program the SAM3X8E's internal
 * flash. It runs once per G command: reads the command and its arguments from the mailbox, drives the
 * two flash controllers and leaves a status (0 = success) and its results in the mailbox, then returns
 * to the boot loader. Every wait for a controller is bounded, and every controller error reaches the
 * status, so that the host never mistakes a failed write for a written page. */
#include "applet.h"

#include <stdint.h>

/* Polls of the ready flag before a command counts as hung. A full erase is the slowest command; at the
 * boot loader's clock this bound is well over a second. */
#define READY_POLLS 2000000u

#ifndef APPLET_HOST_TEST
static inline uint32_t applet_read32(uint32_t address)
{
    return *(volatile uint32_t *)address;
}
static inline void applet_write32(uint32_t address, uint32_t value)
{
    *(volatile uint32_t *)address = value;
}
#endif

static uint32_t argument(unsigned n)
{
    return applet_read32(APPLET_ARGUMENT(n));
}

static void set_argument(unsigned n, uint32_t value)
{
    applet_write32(APPLET_ARGUMENT(n), value);
}

static uint32_t controller_of(uint32_t flash_offset)
{
    return flash_offset < SAM3X_PLANE_BYTES ? SAM3X_EEFC0 : SAM3X_EEFC1;
}

/* The error flags clear when the status register is read, so they are gathered over every poll. */
static uint32_t run_flash_command(uint32_t controller, uint32_t command, uint32_t argument_value)
{
    uint32_t flags = 0;
    uint32_t polls;
    applet_write32(controller + EEFC_FCR, EEFC_KEY | (argument_value << 8) | command);
    for (polls = 0; polls < READY_POLLS; ++polls) {
        flags |= applet_read32(controller + EEFC_FSR);
        if (flags & EEFC_FSR_FRDY)
            break;
    }
    if (!(flags & EEFC_FSR_FRDY))
        return APPLET_FLASH_TIMEOUT;
    if (flags & EEFC_FSR_FLOCKE)
        return APPLET_FLASH_LOCKED;
    if (flags & EEFC_FSR_FCMDE)
        return APPLET_FLASH_COMMAND_ERROR;
    return APPLET_SUCCESS;
}

static uint32_t init(void)
{
    /* Six wait states: safe at any clock the boot loader may have left the core running at. */
    const uint32_t wait_states = 6u << 8;
    applet_write32(SAM3X_EEFC0 + EEFC_FMR, wait_states);
    applet_write32(SAM3X_EEFC1 + EEFC_FMR, wait_states);
    set_argument(0, SAM3X_FLASH_BYTES);
    set_argument(1, APPLET_BUFFER_ADDRESS);
    set_argument(2, APPLET_BUFFER_BYTES);
    set_argument(3, SAM3X_LOCK_REGION_BYTES);
    set_argument(4, SAM3X_LOCK_REGIONS);
    return APPLET_SUCCESS;
}

static uint32_t erase_all(void)
{
    uint32_t status = run_flash_command(SAM3X_EEFC0, EEFC_EA, 0);
    if (status == APPLET_SUCCESS)
        status = run_flash_command(SAM3X_EEFC1, EEFC_EA, 0);
    return status;
}

/* The bytes of the word at `at` that lie inside [begin, end), as a mask. */
static uint32_t mask_of(uint32_t at, uint32_t begin, uint32_t end)
{
    uint32_t mask = 0;
    uint32_t byte;
    for (byte = 0; byte < 4; ++byte)
        if (at + byte >= begin && at + byte < end)
            mask |= 0xFFu << (8 * byte);
    return mask;
}

/* Fills one page's latch from the buffer, keeping what the flash holds outside [begin, end), writes it
 * and reads it back. Offsets count from the start of flash; the buffer holds offset `begin` first. */
static uint32_t write_page(uint32_t page_offset, uint32_t begin, uint32_t end, uint32_t buffer)
{
    const uint32_t page_address = SAM3X_FLASH_ADDRESS + page_offset;
    uint32_t word;
    uint32_t status;
    for (word = 0; word < SAM3X_PAGE_BYTES; word += 4) {
        const uint32_t at = page_offset + word;
        const uint32_t mask = mask_of(at, begin, end);
        uint32_t value = applet_read32(page_address + word);
        if (mask)
            value = (value & ~mask) | (applet_read32(buffer + (at - begin)) & mask);
        applet_write32(page_address + word, value);
    }
    status =
        run_flash_command(controller_of(page_offset), EEFC_WP, (page_offset % SAM3X_PLANE_BYTES) / SAM3X_PAGE_BYTES);
    if (status != APPLET_SUCCESS)
        return status;
    for (word = 0; word < SAM3X_PAGE_BYTES; word += 4) {
        const uint32_t at = page_offset + word;
        const uint32_t mask = mask_of(at, begin, end);
        if (mask && ((applet_read32(page_address + word) ^ applet_read32(buffer + (at - begin))) & mask))
            return APPLET_VERIFY_FAILED;
    }
    return APPLET_SUCCESS;
}

static uint32_t write_buffer(void)
{
    const uint32_t buffer = argument(0), size = argument(1), offset = argument(2);
    uint32_t page;
    set_argument(0, 0);
    /* The buffer and the flash are read and written in words; the last word may be partly used. */
    if ((buffer | offset) & 3u)
        return APPLET_BAD_ARGUMENT;
    if (size > APPLET_BUFFER_BYTES || offset > SAM3X_FLASH_BYTES || size > SAM3X_FLASH_BYTES - offset)
        return APPLET_BAD_ARGUMENT;
    for (page = offset - offset % SAM3X_PAGE_BYTES; page < offset + size; page += SAM3X_PAGE_BYTES) {
        const uint32_t status = write_page(page, offset, offset + size, buffer);
        if (status != APPLET_SUCCESS)
            return status;
        set_argument(0, (page + SAM3X_PAGE_BYTES < offset + size ? page + SAM3X_PAGE_BYTES : offset + size) - offset);
    }
    return APPLET_SUCCESS;
}

static uint32_t lock_region(uint32_t command)
{
    const uint32_t region = argument(0);
    const uint32_t region_offset = region * SAM3X_LOCK_REGION_BYTES;
    if (region >= SAM3X_LOCK_REGIONS)
        return APPLET_BAD_ARGUMENT;
    /* The controller takes the number of any page inside the region, counted within its plane. */
    return run_flash_command(controller_of(region_offset), command,
                             (region_offset % SAM3X_PLANE_BYTES) / SAM3X_PAGE_BYTES);
}

static uint32_t gpnvm(void)
{
    const uint32_t set = argument(0), bit = argument(1);
    /* Bit 0 is the security bit: setting it would lock the chip for good, so the applet never does. */
    if (bit == 0 || bit > 2)
        return APPLET_BAD_ARGUMENT;
    return run_flash_command(SAM3X_EEFC0, set ? EEFC_SGPB : EEFC_CGPB, bit);
}

void applet_main(void)
{
    uint32_t status;
    switch (applet_read32(APPLET_COMMAND)) {
    case APPLET_INIT:
        status = init();
        break;
    case APPLET_ERASE_ALL:
        status = erase_all();
        break;
    case APPLET_WRITE:
        status = write_buffer();
        break;
    case APPLET_LOCK:
        status = lock_region(EEFC_SLB);
        break;
    case APPLET_UNLOCK:
        status = lock_region(EEFC_CLB);
        break;
    case APPLET_GPNVM:
        status = gpnvm();
        break;
    case APPLET_RESTART:
        applet_write32(APPLET_STATUS, APPLET_SUCCESS);
        applet_write32(SAM3X_RSTC_CR, SAM3X_RSTC_RESET);
        return;
    default:
        status = APPLET_UNKNOWN_COMMAND;
        break;
    }
    applet_write32(APPLET_STATUS, status);
}

#ifndef APPLET_HOST_TEST
/* The boot loader's G command loads the stack pointer from the first word and jumps to the second, as
 * the core does at reset; it returns to the boot loader when applet_main returns. */
__attribute__((section(".vectors"), used)) static const uint32_t vectors[16] = {
    APPLET_STACK_TOP,
    (uint32_t)&applet_main,
};
/* The mailbox: the host writes the command and arguments here before each G. */
__attribute__((section(".mailbox"), used)) static volatile uint32_t mailbox[7];
#endif
