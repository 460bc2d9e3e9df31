#include "bootloader.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace vprinter
{

namespace
{

// The boot loader prints its terminal at once; this only bounds a simulator that fails to start.
constexpr int startTimeoutMs = 5000;

void stopChild(pid_t &pid)
{
    if (pid <= 0)
        return;
    ::kill(pid, SIGTERM);
    ::waitpid(pid, nullptr, 0);
    pid = -1;
}

} // namespace

BootLoaders::~BootLoaders()
{
    stopLcdBoard();
    stopChild(m_main);
}

pid_t BootLoaders::spawn(bool xmodem, const std::string &dumpName, int *stdoutFd, std::string &error)
{
    std::vector<std::string> args{m_simulator};
    if (xmodem) {
        args.push_back("--xmodem");
    } else {
        if (!m_link.empty())
            args.insert(args.end(), {"--link", m_link});
        if (!m_portDir.empty())
            args.insert(args.end(), {"--port-dir", m_portDir});
    }
    if (!m_dumpDir.empty())
        args.insert(args.end(), {"--dump", m_dumpDir + "/" + dumpName});
    std::vector<char *> argv;
    for (std::string &arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    int pipeFds[2] = {-1, -1};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (::pipe(pipeFds) != 0) {
        error = std::strerror(errno);
        return -1;
    }
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
    pid_t pid = -1;
    const int failed = posix_spawn(&pid, m_simulator.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeFds[1]);
    if (failed != 0) {
        error = "cannot start " + m_simulator + ": " + std::strerror(failed);
        ::close(pipeFds[0]);
        return -1;
    }
    if (stdoutFd)
        *stdoutFd = pipeFds[0];
    else
        ::close(pipeFds[0]);
    return pid;
}

bool BootLoaders::startMainBoard(std::string &error)
{
    int out = -1;
    m_main = spawn(false, "main.bin", &out, error);
    if (m_main < 0)
        return false;
    // Its first line says the terminal (and so the link and the port entry) is there.
    char byte = 0;
    pollfd ready{out, POLLIN, 0};
    while (::poll(&ready, 1, startTimeoutMs) > 0 && ::read(out, &byte, 1) == 1 && byte != '\n') {
    }
    ::close(out);
    return true;
}

bool BootLoaders::mainBoardRunning()
{
    if (m_main <= 0)
        return false;
    if (::waitpid(m_main, nullptr, WNOHANG) == m_main)
        m_main = -1;
    return m_main > 0;
}

int BootLoaders::startLcdBoard(std::string &error)
{
    int out = -1;
    m_lcd = spawn(true, "lcd.bin", &out, error);
    if (m_lcd < 0)
        return -1;
    std::string path;
    char byte = 0;
    pollfd ready{out, POLLIN, 0};
    while (::poll(&ready, 1, startTimeoutMs) > 0 && ::read(out, &byte, 1) == 1 && byte != '\n')
        path += byte;
    ::close(out);
    m_lcdFd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    termios settings{};
    if (m_lcdFd < 0 || tcgetattr(m_lcdFd, &settings) != 0) {
        error = "cannot open the LCD board's boot loader at " + path;
        stopLcdBoard();
        return -1;
    }
    cfmakeraw(&settings);
    tcsetattr(m_lcdFd, TCSANOW, &settings);
    return m_lcdFd;
}

void BootLoaders::stopLcdBoard()
{
    if (m_lcdFd >= 0)
        ::close(m_lcdFd);
    m_lcdFd = -1;
    stopChild(m_lcd);
}

} // namespace vprinter
