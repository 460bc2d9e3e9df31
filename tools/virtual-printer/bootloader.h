// The printer's boot-loader side, played by tools/samba-sim: after "M6969 S69" the main board's boot loader
// takes the printer's place on the cable; after "M6969S96" and "M1106" the firmware passes the LCD board's
// boot loader through until the host sends "EXITSAMBA".
#pragma once

#include <string>
#include <sys/types.h>

namespace vprinter
{

class BootLoaders
{
public:
    BootLoaders(std::string simulatorPath, std::string linkPath, std::string portDir, std::string dumpDir)
        : m_simulator(std::move(simulatorPath)), m_link(std::move(linkPath)), m_portDir(std::move(portDir)),
          m_dumpDir(std::move(dumpDir))
    {
    }
    ~BootLoaders();
    BootLoaders(const BootLoaders &) = delete;
    BootLoaders &operator=(const BootLoaders &) = delete;

    bool available() const { return !m_simulator.empty(); }
    // The main board's boot loader appears on its own terminal (under the printer's link and port entry).
    bool startMainBoard(std::string &error);
    // True until the boot loader restarts the chip into its firmware.
    bool mainBoardRunning();
    // The LCD board's boot loader behind the firmware: returns the descriptor to relay bytes to, or -1.
    int startLcdBoard(std::string &error);
    void stopLcdBoard();
    int lcdDescriptor() const { return m_lcdFd; }

private:
    pid_t spawn(bool xmodem, const std::string &dumpName, int *stdoutFd, std::string &error);

    std::string m_simulator, m_link, m_portDir, m_dumpDir;
    pid_t m_main = -1, m_lcd = -1;
    int m_lcdFd = -1;
};

} // namespace vprinter
