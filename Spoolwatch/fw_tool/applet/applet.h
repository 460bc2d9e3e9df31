/* The flash applet's contract with the host: where it runs, its mailbox, its commands and status
 * codes, and the SAM3X8E registers it drives. Shared by the applet (C, Cortex-M3), the host's
 * SAM_BA (C++) and the boot-loader simulator, so that the three cannot drift apart. */
#ifndef SPOOLWATCH_APPLET_H
#define SPOOLWATCH_APPLET_H

/* Where the host uploads the applet; its first 16 words are a vector table (initial stack, entry),
 * because the boot loader's G command starts code the way the core starts after reset. */
#define APPLET_ADDRESS 0x20001000u
#define APPLET_MAILBOX (APPLET_ADDRESS + 0x40u)
#define APPLET_COMMAND (APPLET_MAILBOX + 0x00u)
#define APPLET_STATUS (APPLET_MAILBOX + 0x04u)
#define APPLET_ARGUMENT(n) (APPLET_MAILBOX + 0x08u + 4u * (n)) /* n = 0..4 */
/* Data for the write command waits here: above the applet's code, below its stack. */
#define APPLET_BUFFER_ADDRESS 0x20002000u
#define APPLET_BUFFER_BYTES 0x8000u
#define APPLET_STACK_TOP 0x2000FF00u

enum AppletCommand {
    APPLET_INIT = 0x00, /* in: communication type, trace level; out: flash size, buffer, buffer size,
                           lock region size, lock region count */
    APPLET_ERASE_ALL = 0x01,
    APPLET_WRITE = 0x02,  /* in: buffer address, byte count, offset in flash; out: bytes written */
    APPLET_LOCK = 0x04,   /* in: lock region */
    APPLET_UNLOCK = 0x05, /* in: lock region */
    APPLET_GPNVM = 0x06,  /* in: 1 set / 0 clear, bit number */
    APPLET_RESTART = 0x69,
};

enum AppletStatus {
    APPLET_SUCCESS = 0,
    APPLET_UNKNOWN_COMMAND = 1,
    APPLET_BAD_ARGUMENT = 2,
    APPLET_FLASH_TIMEOUT = 3, /* the controller never became ready */
    APPLET_FLASH_COMMAND_ERROR = 4,
    APPLET_FLASH_LOCKED = 5,
    APPLET_VERIFY_FAILED = 6, /* a page reads back different from what was written */
};

/* SAM3X8E: 512 KB of flash in two planes of 256 KB, each behind its enhanced embedded flash
 * controller (EEFC); 256-byte pages; 16 lock regions of 16 KB per plane. */
#define SAM3X_FLASH_ADDRESS 0x00080000u
#define SAM3X_FLASH_BYTES 0x00080000u
#define SAM3X_PLANE_BYTES 0x00040000u
#define SAM3X_PAGE_BYTES 256u
#define SAM3X_LOCK_REGION_BYTES 0x4000u
#define SAM3X_LOCK_REGIONS 32u
#define SAM3X_EEFC0 0x400E0A00u
#define SAM3X_EEFC1 0x400E0C00u
#define SAM3X_CHIP_ID_REGISTER 0x400E0940u
#define SAM3X8E_CHIP_ID 0x285E0A60u
#define SAM3X_RSTC_CR 0x400E1A00u
#define SAM3X_RSTC_RESET 0xA5000005u /* key, processor and peripheral reset */

#define EEFC_FMR 0x00u
#define EEFC_FCR 0x04u
#define EEFC_FSR 0x08u
#define EEFC_FRR 0x0Cu
#define EEFC_KEY 0x5A000000u
#define EEFC_FSR_FRDY 0x1u
#define EEFC_FSR_FCMDE 0x2u
#define EEFC_FSR_FLOCKE 0x4u

enum EefcCommand {
    EEFC_GETD = 0x00,
    EEFC_WP = 0x01,
    EEFC_WPL = 0x02,
    EEFC_EWP = 0x03,
    EEFC_EWPL = 0x04,
    EEFC_EA = 0x05,
    EEFC_SLB = 0x08,
    EEFC_CLB = 0x09,
    EEFC_GLB = 0x0A,
    EEFC_SGPB = 0x0B,
    EEFC_CGPB = 0x0C,
    EEFC_GGPB = 0x0D,
};

#ifdef __cplusplus
extern "C" {
#endif
/* The applet's entry: runs the mailbox's command and writes its status. */
void applet_main(void);
#ifdef APPLET_HOST_TEST
/* The host build reaches memory and registers through these, which the test's simulated chip serves. */
unsigned applet_read32(unsigned address);
void applet_write32(unsigned address, unsigned value);
#endif
#ifdef __cplusplus
}
#endif

#endif
