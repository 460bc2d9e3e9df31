// The printer's end of a pseudo-terminal. The master is what the firmware reads and writes; the slave is the
// "serial port" a host opens. We hold the slave open ourselves too, so that the terminal stays raw and the
// master does not report a hang-up while no host is connected. Closing the master is unplugging the cable.
#pragma once

#include <string>

namespace vprinter
{

class Pty
{
public:
    Pty() = default;
    ~Pty() { close(); }
    Pty(const Pty &) = delete;
    Pty &operator=(const Pty &) = delete;

    // Opens a new terminal in raw mode; false with a message in error when that fails.
    bool open(std::string &error);
    void close();
    // Waits up to maxMs for the host to read what was written: a hang-up throws away what it has not read,
    // where a real cable would have delivered the bytes that were already on the wire.
    void drain(int maxMs);
    bool isOpen() const { return m_master >= 0; }
    int master() const { return m_master; }
    const std::string &slavePath() const { return m_slavePath; }

private:
    int m_master = -1;
    int m_slave = -1;
    std::string m_slavePath;
};

// Points the symbolic link at path to target, replacing what was there in one step.
bool updateLink(const std::string &path, const std::string &target);

} // namespace vprinter
