#pragma once

#include <QByteArray>
#include <QString>

#include <functional>
#include <vector>

// A printer on the far side of a real pseudo-terminal, driven by the test thread: it collects the
// lines the host writes and, in auto mode, answers each with "ok". The host opens path() like any
// serial port. Waits poll the terminal with a deadline; none sleeps for a fixed time.
class PtyPrinter
{
public:
    PtyPrinter();
    ~PtyPrinter();

    QString path() const { return m_path; }
    bool isOpen() const { return m_master >= 0; }
    // The printer is unplugged: the terminal goes away, the host's reads fail.
    void unplug();

    void write(const QByteArray &bytes);
    // Reads what the host wrote; returns true when something arrived within timeoutMs.
    bool pump(int timeoutMs = 10);
    // Pumps until `done` holds (true) or the deadline passes (false). `each` runs after every pump.
    bool waitFor(const std::function<bool()> &done, int deadlineMs = 10000, const std::function<void()> &each = {});

    // Answer every main-channel line with this reply (empty: answer nothing).
    QByteArray autoReply = "ok\n";
    // Called before each automatic reply with the line; may write extra bytes or change the reply.
    std::function<QByteArray(const QByteArray &line)> replyFor;

    const std::vector<QByteArray> &lines() const { return m_lines; }
    QByteArray raw() const { return m_raw; }
    // Lines from the first equal to `line`, or from the start when `line` is empty.
    int indexOf(const QByteArray &line, int from = 0) const;

private:
    int m_master = -1;
    int m_slave = -1;
    QString m_path;
    QByteArray m_raw;
    QByteArray m_partial;
    std::vector<QByteArray> m_lines;
};
