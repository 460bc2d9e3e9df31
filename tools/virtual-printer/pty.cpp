#include "pty.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace vprinter
{

bool Pty::open(std::string &error)
{
    close();
    m_master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    const char *name = m_master >= 0 && grantpt(m_master) == 0 && unlockpt(m_master) == 0 ? ptsname(m_master) : nullptr;
    if (name)
        m_slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios settings{};
    if (m_slave < 0 || tcgetattr(m_slave, &settings) != 0) {
        error = std::string("cannot open a pseudo-terminal: ") + std::strerror(errno);
        close();
        return false;
    }
    cfmakeraw(&settings);
    cfsetispeed(&settings, B115200);
    cfsetospeed(&settings, B115200);
    tcsetattr(m_slave, TCSANOW, &settings);
    m_slavePath = name;
    return true;
}

void Pty::close()
{
    if (m_slave >= 0)
        ::close(m_slave);
    if (m_master >= 0)
        ::close(m_master);
    m_slave = m_master = -1;
    m_slavePath.clear();
}

void Pty::drain(int maxMs)
{
    // A pseudo-terminal tells nobody when its input queue empties, and bytes written to the master reach that
    // queue a moment later through the kernel's flip buffer: look every millisecond until it has stayed empty
    // for a while.
    constexpr int settledMs = 20;
    int waiting = 0;
    int emptyFor = 0;
    for (int ms = 0; ms < maxMs && emptyFor < settledMs && ioctl(m_slave, TIOCINQ, &waiting) == 0; ++ms) {
        emptyFor = waiting > 0 ? 0 : emptyFor + 1;
        usleep(1000);
    }
}

bool updateLink(const std::string &path, const std::string &target)
{
    const std::string temporary = path + ".new";
    ::unlink(temporary.c_str());
    return ::symlink(target.c_str(), temporary.c_str()) == 0 && ::rename(temporary.c_str(), path.c_str()) == 0;
}

} // namespace vprinter
