#pragma once

// A virtual printer process for the host's window tests, and the wait they share.
#include <QApplication>
#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QString>

#include <functional>
#include <vector>

constexpr int waitMs = 30000;

// Runs the event loop until `done` holds; false when the deadline passed first.
inline bool waitFor(const std::function<bool()> &done, int deadlineMs = waitMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > deadlineMs)
            return false;
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
    return true;
}

// A virtual printer process and the command log it keeps.
class VirtualPrinter
{
public:
    explicit VirtualPrinter(const QString &logPath) : m_logPath(logPath)
    {
        m_process.start(VIRTUAL_PRINTER_PATH, {"--log", logPath});
        QElapsedTimer timer;
        timer.start();
        while (!m_process.canReadLine() && timer.elapsed() < waitMs)
            m_process.waitForReadyRead(100);
        path = QString::fromLocal8Bit(m_process.readLine().trimmed());
    }
    ~VirtualPrinter()
    {
        m_process.terminate();
        m_process.waitForFinished(waitMs);
    }
    // The commands logged as job commands ("J "), which is everything but the host's polls and
    // greeting: the job's lines and what the user sent.
    std::vector<QByteArray> jobLines() const
    {
        QFile file(m_logPath);
        file.open(QIODevice::ReadOnly);
        std::vector<QByteArray> lines;
        for (const QByteArray &line : file.readAll().split('\n'))
            if (line.startsWith("J "))
                lines.push_back(line.mid(2));
        return lines;
    }
    QString path;

private:
    QString m_logPath;
    QProcess m_process;
};
