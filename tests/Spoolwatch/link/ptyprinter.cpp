#include "ptyprinter.h"

#include <QElapsedTimer>

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

PtyPrinter::PtyPrinter()
{
    m_master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (m_master < 0 || grantpt(m_master) != 0 || unlockpt(m_master) != 0)
        return;
    m_path = QString::fromLocal8Bit(ptsname(m_master));
    // Holding the far end open keeps the terminal alive between the host's close and reopen, and
    // raw mode keeps the line discipline from echoing or translating anything.
    m_slave = ::open(ptsname(m_master), O_RDWR | O_NOCTTY);
    termios mode{};
    tcgetattr(m_slave, &mode);
    cfmakeraw(&mode);
    tcsetattr(m_slave, TCSANOW, &mode);
}

PtyPrinter::~PtyPrinter()
{
    unplug();
}

void PtyPrinter::unplug()
{
    if (m_slave >= 0)
        ::close(m_slave);
    if (m_master >= 0)
        ::close(m_master);
    m_slave = m_master = -1;
}

void PtyPrinter::write(const QByteArray &bytes)
{
    const char *p = bytes.constData();
    qint64 left = bytes.size();
    while (left > 0 && m_master >= 0) {
        const ssize_t written = ::write(m_master, p, size_t(left));
        if (written > 0) {
            p += written;
            left -= written;
        } else {
            pollfd fd{m_master, POLLOUT, 0};
            ::poll(&fd, 1, 10);
        }
    }
}

bool PtyPrinter::pump(int timeoutMs)
{
    if (m_master < 0)
        return false;
    pollfd fd{m_master, POLLIN, 0};
    if (::poll(&fd, 1, timeoutMs) <= 0 || !(fd.revents & POLLIN))
        return false;
    char buffer[65536];
    const ssize_t got = ::read(m_master, buffer, sizeof buffer);
    if (got <= 0)
        return false;
    m_raw.append(buffer, int(got));
    m_partial.append(buffer, int(got));
    for (int end = m_partial.indexOf('\n'); end >= 0; end = m_partial.indexOf('\n')) {
        const QByteArray line = m_partial.left(end);
        m_partial.remove(0, end + 1);
        m_lines.push_back(line);
        QByteArray reply = autoReply;
        if (replyFor)
            reply = replyFor(line);
        if (!reply.isEmpty())
            write(reply);
    }
    return true;
}

bool PtyPrinter::waitFor(const std::function<bool()> &done, int deadlineMs, const std::function<void()> &each)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > deadlineMs)
            return false;
        pump(5);
        if (each)
            each();
    }
    return true;
}

int PtyPrinter::indexOf(const QByteArray &line, int from) const
{
    for (int i = from; i < int(m_lines.size()); ++i)
        if (m_lines[size_t(i)] == line)
            return i;
    return -1;
}
