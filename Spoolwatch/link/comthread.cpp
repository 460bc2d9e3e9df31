#include "link/comthread.h"

#include "common/takeline.h"
#include "link/replies.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QMutexLocker>
#include <QSerialPort>

#include <algorithm>

namespace
{

// Logs keep the recent text the panel and the terminal show; a job of many megabytes must not pile
// up in memory.
constexpr int logKeepBytes = 1 << 20;
constexpr int logTrimBytes = 4 << 20;
constexpr int pollMs = 2;

void appendLog(QMutex &lock, QByteArray &log, qint64 &base, const QByteArray &bytes)
{
    if (bytes.isEmpty())
        return;
    QMutexLocker locker(&lock);
    log += bytes;
    if (log.size() > logTrimBytes) {
        const int drop = log.size() - logKeepBytes;
        log.remove(0, drop);
        base += drop;
    }
}

QByteArray logSince(QMutex &lock, const QByteArray &log, qint64 base, qint64 &position)
{
    QMutexLocker locker(&lock);
    const qint64 from = std::max(position, base);
    position = base + log.size();
    return log.mid(int(from - base));
}

qint64 monotonicMs()
{
    static QElapsedTimer timer;
    static const bool started = (timer.start(), true);
    (void)started;
    return timer.elapsed();
}

FollowState snapshot(const GCodeParser &parser)
{
    FollowState state;
    state.x = parser.posX;
    state.y = parser.posY;
    state.z = parser.posZ;
    state.e = parser.posE;
    state.feed = parser.feed;
    state.fan = parser.fan;
    state.headTarget = parser.extruderTemp;
    state.bedTarget = parser.bedTemp;
    state.relXYZ = parser.relXYZ;
    state.relE = parser.relE;
    return state;
}

qint64 steadyNs()
{
    static QElapsedTimer timer;
    static const bool started = (timer.start(), true);
    (void)started;
    return timer.nsecsElapsed();
}

} // namespace

ComThread::ComThread(Clock clock, QObject *parent)
    : QThread(parent), m_clock(clock ? std::move(clock) : Clock(monotonicMs))
{
    m_follow.reset();
    m_turnaroundLogPath = qEnvironmentVariable("SPOOLWATCH_TURNAROUND_LOG");
}

ComThread::~ComThread()
{
    requestStop();
    wait();
}

void ComThread::setPort(const QString &portName, bool portEnabled, int baudRate)
{
    QMutexLocker locker(&m_settingsLock);
    m_portName = portName;
    m_portEnabled = portEnabled;
    m_baudRate = baudRate;
}

QString ComThread::portName() const
{
    QMutexLocker locker(&m_settingsLock);
    return m_portName;
}

QString ComThread::linkError() const
{
    QMutexLocker locker(&m_settingsLock);
    return m_linkError;
}

void ComThread::setError(const QString &text)
{
    QMutexLocker locker(&m_settingsLock);
    m_linkError = text;
    m_linkState = Error;
}

qint64 ComThread::okWaitMs() const
{
    if (!m_mainOutstandingShared)
        return 0;
    const qint64 waited = m_clock() - m_mainSentAtShared;
    return waited >= okWaitReportMs ? waited : 0;
}

bool ComThread::idle() const
{
    if (m_mainOutstandingShared || m_printMode > 0)
        return false;
    QMutexLocker locker(&m_queueLock);
    return m_priorityQueue.trimmed().isEmpty();
}

void ComThread::sendCommand(QByteArray command)
{
    if (!command.endsWith('\n'))
        command += '\n';
    QMutexLocker locker(&m_queueLock);
    m_priorityQueue += command;
}

void ComThread::sendSide(const QByteArray &bytes)
{
    QMutexLocker locker(&m_sideOutLock);
    m_sideOut += bytes;
}

QByteArray ComThread::mainLogSince(qint64 &position) const
{
    return logSince(m_mainLogLock, m_mainLog, m_mainLogBase, position);
}

QByteArray ComThread::sideLogSince(qint64 &position) const
{
    return logSince(m_sideLogLock, m_sideLog, m_sideLogBase, position);
}

void ComThread::loadJob(const QByteArray &job)
{
    QMutexLocker locker(&m_jobLock);
    m_job = job;
    m_jobPosition = {m_job.constData(), m_job.constData() + m_job.size(), 0};
}

QByteArray ComThread::jobText() const
{
    QMutexLocker locker(&m_jobLock);
    return m_job;
}

qint64 ComThread::jobSize() const
{
    QMutexLocker locker(&m_jobLock);
    return m_job.size();
}

qint64 ComThread::jobCursor() const
{
    QMutexLocker locker(&m_jobLock);
    return m_jobPosition.cursor ? m_jobPosition.cursor - m_job.constData() : 0;
}

int ComThread::jobLineNo() const
{
    QMutexLocker locker(&m_jobLock);
    return m_jobPosition.lineNo;
}

void ComThread::rewindJob()
{
    QMutexLocker locker(&m_jobLock);
    m_jobPosition = {m_job.constData(), m_job.constData() + m_job.size(), 0};
}

FollowState ComThread::stopJobAndFollow()
{
    QMutexLocker locker(&m_jobLock);
    m_printMode = 0;
    return snapshot(m_follow);
}

FollowState ComThread::followState() const
{
    QMutexLocker locker(&m_jobLock);
    return snapshot(m_follow);
}

void ComThread::setBypass(bool heat, bool fan)
{
    m_bypassHeat = heat;
    m_bypassFan = fan;
}

void ComThread::run()
{
    setPriority(QThread::TimeCriticalPriority);
    QSerialPort port;
    while (!m_stopRequested) {
        QCoreApplication::processEvents();
        // Both are taken in the same step: a reconnect left pending behind a settings change would reopen
        // the port a second time and drop what was queued on the first connection.
        const bool changed = syncSettings();
        const bool reconnect = m_reconnectRequested.exchange(false);
        if (changed || reconnect)
            reopen(port);
        if (m_linkState == Connected) {
            // A vanished device fails its reads: EIO (resource error) from a USB port, end of file
            // (read error) from a terminal whose far side closed.
            const QSerialPort::SerialPortError error = port.error();
            if (!port.isOpen() || error == QSerialPort::ResourceError || error == QSerialPort::ReadError) {
                setError("Disconnected " + port.errorString());
                port.close();
            } else {
                ioStep(port);
            }
        }
        if (m_linkState != Connected && m_printMode > 0)
            m_printMode = 0;
        // An "ok" read at the end of the step is answered at once, not after the poll; otherwise the
        // poll ends early when bytes arrive.
        if (m_linkState == Connected && port.isOpen() && !mainReadyToSend()) {
            if (!port.waitForReadyRead(pollMs) && port.error() == QSerialPort::TimeoutError)
                port.clearError();
        } else if (m_linkState != Connected) {
            msleep(pollMs);
        }
    }
    port.close();
    writeTurnaroundLog();
}

bool ComThread::syncSettings()
{
    QMutexLocker locker(&m_settingsLock);
    if (m_portName == m_openPortName && m_portEnabled == m_openEnabled && m_baudRate == m_openBaud)
        return false;
    m_openPortName = m_portName;
    m_openEnabled = m_portEnabled;
    m_openBaud = m_baudRate;
    return true;
}

void ComThread::reopen(QSerialPort &port)
{
    port.close();
    port.clearError();
    {
        QMutexLocker locker(&m_queueLock);
        m_priorityQueue.clear();
    }
    {
        QMutexLocker locker(&m_sideOutLock);
        m_sideOut.clear();
    }
    {
        QMutexLocker locker(&m_mainLogLock);
        m_mainLogBase += m_mainLog.size();
        m_mainLog.clear();
    }
    {
        QMutexLocker locker(&m_sideLogLock);
        m_sideLogBase += m_sideLog.size();
        m_sideLog.clear();
    }
    m_main = {};
    m_side = {};
    m_sideMode = false;
    m_carry.clear();
    m_mainOutstandingShared = false;
    m_printMode = 0;
    m_linkState = Closed;
    if (!m_openEnabled)
        return;
    port.setPortName(m_openPortName);
    // QSerialPortInfo does not list pseudo-terminals, so the port is opened by its path as given.
    const bool ok = port.open(QIODevice::ReadWrite) && port.setDataBits(QSerialPort::Data8) &&
                    port.setParity(QSerialPort::NoParity) && port.setStopBits(QSerialPort::OneStop) &&
                    port.setFlowControl(QSerialPort::SoftwareControl) &&
                    port.setBaudRate(m_openBaud, QSerialPort::AllDirections);
    if (ok) {
        m_linkState = Connected;
        return;
    }
    setError(port.errorString());
    port.close();
}

void ComThread::ioStep(QSerialPort &port)
{
    receive(port);
    QByteArray mainBytes;
    if (m_linkState == Connected && m_main.outstanding == 0)
        mainBytes = takeMainLine();
    QByteArray sideBytes;
    if (m_side.outstanding == 0)
        sideBytes = takeSideFrame();
    if (mainBytes.isEmpty())
        m_okArrivedNs = -1; // an idle link's wait for work is no turnaround
    if (!mainBytes.isEmpty()) {
        ++m_main.outstanding;
        m_mainSentAt = m_clock();
        m_mainSentAtShared = m_mainSentAt;
        m_mainOutstandingShared = true;
        m_activity = true;
        if (!writeAll(port, mainBytes))
            return;
        if (m_okArrivedNs >= 0 && !m_turnaroundLogPath.isEmpty())
            m_turnaroundNs.push_back(steadyNs() - m_okArrivedNs);
        m_okArrivedNs = -1;
    }
    if (!sideBytes.isEmpty()) {
        ++m_side.outstanding;
        m_activity = true;
        if (!writeAll(port, sideBytes))
            return;
    }
    receive(port);
}

bool ComThread::mainReadyToSend() const
{
    if (m_main.outstanding > 0)
        return false;
    if (m_printMode > 0)
        return true;
    QMutexLocker locker(&m_queueLock);
    return m_priorityQueue.contains('\n');
}

QByteArray ComThread::takeMainLine()
{
    QByteArray line;
    {
        QMutexLocker locker(&m_queueLock);
        const int end = m_priorityQueue.indexOf('\n');
        if (end >= 0) {
            line = m_priorityQueue.left(end + 1);
            m_priorityQueue.remove(0, end + 1);
        }
    }
    {
        QMutexLocker locker(&m_jobLock);
        if (line.isEmpty() && m_printMode > 0) {
            int mode = m_printMode;
            line = nextJobCommand(m_jobPosition, mode, {m_bypassHeat, m_bypassFan});
            m_printMode = mode;
        }
        if (line.trimmed().isEmpty())
            return {};
        // The parser keeps its own first error; a line it cannot read still goes to the printer.
        m_follow.feedLines(line);
    }
    appendLog(m_mainLogLock, m_mainLog, m_mainLogBase, line);
    return line;
}

QByteArray ComThread::takeSideFrame()
{
    QMutexLocker locker(&m_sideOutLock);
    if (m_sideOut.isEmpty())
        return {};
    const QByteArray bytes = m_sideOut.left(sideFrameBytes);
    m_sideOut.remove(0, bytes.size());
    return '@' + bytes + '#';
}

bool ComThread::writeAll(QSerialPort &port, const QByteArray &bytes)
{
    if (port.write(bytes) == bytes.size()) {
        while (port.bytesToWrite() > 0 && !m_stopRequested) {
            if (port.waitForBytesWritten(pollMs))
                continue;
            if (port.error() == QSerialPort::TimeoutError) {
                // The printer held us with XOFF, or the line is slow: keep waiting.
                port.clearError();
                QCoreApplication::processEvents();
                continue;
            }
            break;
        }
        if (port.error() == QSerialPort::NoError)
            return true;
    }
    setError("Write error. " + port.errorString());
    return false;
}

void ComThread::receive(QSerialPort &port)
{
    QByteArray bytes = m_carry + port.readAll();
    m_carry.clear();
    if (bytes.isEmpty())
        return;
    m_activity = true;
    bool restarted = false;
    for (int i = 0; i < bytes.size() && !restarted; ++i) {
        const char c = bytes[i];
        if (c == '@' || c == '#') {
            m_sideMode = c == '@';
            continue;
        }
        Channel &channel = m_sideMode ? m_side : m_main;
        channel.rx += c;
        channel.logChunk += c;
        if (c != '\n')
            continue;
        QByteArray line;
        while (!restarted && takeLine(channel.rx, line))
            handleLine(channel, !m_sideMode, line, restarted);
        if (restarted)
            m_carry = bytes.mid(i + 1);
    }
    appendLog(m_mainLogLock, m_mainLog, m_mainLogBase, m_main.logChunk);
    appendLog(m_sideLogLock, m_sideLog, m_sideLogBase, m_side.logChunk);
    m_main.logChunk.clear();
    m_side.logChunk.clear();
}

void ComThread::handleLine(Channel &channel, bool mainChannel, const QByteArray &line, bool &restarted)
{
    const QByteArray text = replyText(line);
    switch (classifyReply(text)) {
    case ReplyKind::Start:
        // The firmware restarted: whatever was in flight is lost, and the job must not run on.
        m_main.rx.clear();
        m_side.rx.clear();
        m_main.outstanding = 0;
        m_side.outstanding = 0;
        m_mainOutstandingShared = false;
        m_printMode = 0;
        ++m_restartCount;
        restarted = true;
        break;
    case ReplyKind::Ok:
        channel.outstanding = std::max(0, channel.outstanding - 1);
        if (mainChannel) {
            m_mainOutstandingShared = channel.outstanding > 0;
            if (!m_turnaroundLogPath.isEmpty())
                m_okArrivedNs = steadyNs();
        }
        break;
    case ReplyKind::HardwareError:
        setError("Hardware Error: \"" + QString::fromLatin1(text) + "\"");
        break;
    case ReplyKind::Other:
        break;
    }
}

void ComThread::writeTurnaroundLog() const
{
    if (m_turnaroundLogPath.isEmpty())
        return;
    QFile file(m_turnaroundLogPath);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        return;
    QByteArray text;
    for (const qint64 ns : m_turnaroundNs)
        text += QByteArray::number(ns) + '\n';
    file.write(text);
}
