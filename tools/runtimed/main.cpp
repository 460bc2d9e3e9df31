// Runs one command and reports how long it took and how much memory it needed, for the slicer comparison
// (bench/compare_slicers.sh):
//   runtimed SECONDS LOG -- COMMAND [ARGUMENTS...]
// starts COMMAND with its output and errors appended to LOG, stops it after SECONDS, and prints
//   WALL_SECONDS PEAK_KB STATUS
// where WALL_SECONDS runs from just before the command is started to its end (to the microsecond),
// PEAK_KB is its peak resident memory and STATUS its exit status (124 when it was stopped for taking too
// long, 128 + N when signal N ended it, 127 when it could not be started). The command is started directly:
// wrapping it in time(1) and timeout(1) charged the start of two more programs to every run, about 10 ms
// here, a fifth of the smallest slice.
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace
{

constexpr int statusTimedOut = 124;
constexpr int statusNotStarted = 127;

volatile sig_atomic_t timedOut = 0;
volatile pid_t child = 0; // read by the alarm handler

void stopChild(int)
{
    timedOut = 1;
    if (child > 0)
        kill(child, SIGKILL);
}

int usage()
{
    std::fprintf(stderr, "usage: runtimed SECONDS LOG -- COMMAND [ARGUMENTS...]\n");
    return 2;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 5 || std::strcmp(argv[3], "--") != 0)
        return usage();
    char *end = nullptr;
    const long seconds = std::strtol(argv[1], &end, 10);
    constexpr long longestLimit = 30L * 24 * 3600; // what alarm() surely holds
    if (*end != '\0' || seconds <= 0 || seconds > longestLimit)
        return usage();
    const int log = open(argv[2], O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (log < 0) {
        std::fprintf(stderr, "runtimed: cannot open %s: %s\n", argv[2], std::strerror(errno));
        return 2;
    }

    struct sigaction action = {};
    action.sa_handler = stopChild;
    sigaction(SIGALRM, &action, nullptr);
    const auto start = std::chrono::steady_clock::now();
    child = fork();
    if (child < 0) {
        std::fprintf(stderr, "runtimed: cannot start a process: %s\n", std::strerror(errno));
        return 2;
    }
    if (child == 0) {
        dup2(log, STDOUT_FILENO);
        dup2(log, STDERR_FILENO);
        execvp(argv[4], argv + 4);
        std::fprintf(stderr, "runtimed: cannot run %s: %s\n", argv[4], std::strerror(errno));
        _exit(statusNotStarted);
    }
    alarm(unsigned(seconds));

    int status = 0;
    struct rusage usage = {};
    while (wait4(child, &status, 0, &usage) < 0) {
        if (errno != EINTR) {
            std::fprintf(stderr, "runtimed: lost the process: %s\n", std::strerror(errno));
            return 2;
        }
    }
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    alarm(0);

    int exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    if (timedOut)
        exitStatus = statusTimedOut;
    std::printf("%.6f %ld %d\n", wall, usage.ru_maxrss, exitStatus);
    return 0;
}
