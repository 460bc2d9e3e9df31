#pragma once

#include "common/gcode/gcodeparser.h"
#include "link/jobcommands.h"

#include <QByteArray>
#include <QMutex>
#include <QString>
#include <QThread>

#include <atomic>
#include <functional>
#include <vector>

class QSerialPort;

// The modal state of the printer as the link has streamed it, for Pause to save and Resume to restore.
struct FollowState {
    float x = 0, y = 0, z = 0, e = 0;
    float feed = 0; // mm/min
    int fan = 0;    // 0..255
    float headTarget = 0, bedTarget = 0; // degrees Celsius, as the last M104/M109 and M140/M190 set them
    bool relXYZ = false;
    bool relE = false;
};

// The link to one printer: a thread at time-critical priority that owns the serial port, polls it
// every 2 ms (sooner when bytes arrive), sends one command at a time per channel and waits for its
// "ok", takes job commands from the loaded job and collects the printer's replies.
//
// Two logical channels share the byte stream: the main channel carries G-code, the side channel
// (framed "@" ... "#") carries the firmware tools' traffic. The GUI thread (Printer) talks to it only
// through the methods below; every shared field sits behind one of the named locks, held around a
// single buffer operation and never nested.
class ComThread : public QThread
{
    Q_OBJECT
public:
    enum LinkState { Closed = 0, Error = 1, Connected = 2 };
    // Milliseconds on a monotonic clock; tests hand in one they advance by hand.
    using Clock = std::function<qint64()>;
    // How long an unanswered command may wait before the link reports the wait (the printer may
    // legitimately take long, e.g. heating, so it never gives up on its own).
    static constexpr qint64 okWaitReportMs = 30000;
    // Largest side-channel frame; the firmware's side buffer holds this much.
    static constexpr int sideFrameBytes = 1024;

    // An empty clock means the monotonic wall clock.
    explicit ComThread(Clock clock = {}, QObject *parent = nullptr);
    ~ComThread() override;

    // Settings lock: the thread reopens the port when they differ from what it has open.
    void setPort(const QString &portName, bool portEnabled, int baudRate);
    QString portName() const;
    void requestReconnect() { m_reconnectRequested = true; }
    // Ends the thread loop; the destructor also does this and waits.
    void requestStop() { m_stopRequested = true; }

    int linkState() const { return m_linkState; }
    QString linkError() const;
    // Whether a main-channel command is sent and not yet acknowledged.
    bool mainOutstanding() const { return m_mainOutstandingShared; }
    // How long the link has been waiting for the main channel's "ok", once that passes okWaitReportMs;
    // 0 before that and while nothing waits.
    qint64 okWaitMs() const;
    // Nothing queued, no job command to stream and nothing in flight.
    bool idle() const;
    // Counts the printer's "start" replies (firmware restarts) since the thread began.
    int restartCount() const { return m_restartCount; }
    bool takeActivity() { return m_activity.exchange(false); }

    // Queue lock: a user command, '\n' added when missing.
    void sendCommand(QByteArray command);
    // Side-out lock: raw bytes for the side channel.
    void sendSide(const QByteArray &bytes);
    // Log locks: the bytes of each log from `position` on; position moves to the log's end. Old text
    // is dropped from long logs, so a position before what is kept starts at the oldest kept byte.
    QByteArray mainLogSince(qint64 &position) const;
    QByteArray sideLogSince(qint64 &position) const;

    // Job lock: the job text, its cursor (offset from its start) and the line ends it passed.
    void loadJob(const QByteArray &job);
    QByteArray jobText() const;
    qint64 jobSize() const;
    qint64 jobCursor() const;
    int jobLineNo() const;
    void rewindJob();
    // 0 not printing, 1 printing, 2 one more command only.
    int printMode() const { return m_printMode; }
    void setPrintMode(int mode) { m_printMode = mode; }
    // Stops taking job commands and returns the modal state after the last command sent, so that a
    // command being cut from the job cannot slip past the state a Pause saves.
    FollowState stopJobAndFollow();
    FollowState followState() const;
    void setBypass(bool heat, bool fan);
    bool bypassHeat() const { return m_bypassHeat; }
    bool bypassFan() const { return m_bypassFan; }

protected:
    void run() override;

private:
    struct Channel {
        QByteArray rx;       // received bytes not yet ending in '\n'
        int outstanding = 0; // 0 or 1
        QByteArray logChunk; // received bytes of this read, for the log
    };

    bool syncSettings();
    void reopen(QSerialPort &port);
    void ioStep(QSerialPort &port);
    void receive(QSerialPort &port);
    void handleLine(Channel &channel, bool mainChannel, const QByteArray &line, bool &restarted);
    // The main channel may send and has something to send.
    bool mainReadyToSend() const;
    QByteArray takeMainLine();
    QByteArray takeSideFrame();
    bool writeAll(QSerialPort &port, const QByteArray &bytes);
    void setError(const QString &text);
    void writeTurnaroundLog() const;

    // Settings lock.
    mutable QMutex m_settingsLock;
    QString m_portName;
    bool m_portEnabled = false;
    int m_baudRate = 2500000;
    QString m_linkError;
    // Thread only.
    QString m_openPortName;
    bool m_openEnabled = false;
    int m_openBaud = 0;
    Channel m_main, m_side;
    bool m_sideMode = false;
    QByteArray m_carry; // bytes after a "start" reply, handled by the next read
    qint64 m_mainSentAt = 0;

    // Queue lock, side-out lock, log locks.
    mutable QMutex m_queueLock;
    QByteArray m_priorityQueue;
    mutable QMutex m_sideOutLock;
    QByteArray m_sideOut;
    mutable QMutex m_mainLogLock;
    QByteArray m_mainLog;
    qint64 m_mainLogBase = 0;
    mutable QMutex m_sideLogLock;
    QByteArray m_sideLog;
    qint64 m_sideLogBase = 0;

    // Job lock: the job, its cursor and the parser that follows what the main channel sent.
    mutable QMutex m_jobLock;
    QByteArray m_job;
    JobPosition m_jobPosition;
    GCodeParser m_follow;

    std::atomic<int> m_linkState{Closed};
    std::atomic<int> m_printMode{0};
    std::atomic<bool> m_bypassHeat{false}, m_bypassFan{false};
    std::atomic<bool> m_reconnectRequested{false}, m_stopRequested{false};
    std::atomic<bool> m_activity{false};
    std::atomic<bool> m_mainOutstandingShared{false};
    std::atomic<qint64> m_mainSentAtShared{0};
    std::atomic<int> m_restartCount{0};
    Clock m_clock;

    // SPOOLWATCH_TURNAROUND_LOG=<file>: nanoseconds from each main-channel "ok" to the next command
    // written, saved when the thread ends (bench/host_stream.sh reads them).
    QString m_turnaroundLogPath;
    qint64 m_okArrivedNs = -1;
    std::vector<qint64> m_turnaroundNs;
};
