// tools/samba-sim as a process for the tests: its terminal's path, its log and its flash dump.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

#include <random>

// Without libunicorn-dev the simulator is not built and the tests that need it skip.
#define SKIP_WITHOUT_SAMBA_SIM()                                                                                 \
    if (!SambaSimProcess::available())                                                                         \
    GTEST_SKIP() << "tools/samba-sim is not built (libunicorn-dev is not installed)"

// A firmware image of `size` bytes that any misplaced byte would show in.
inline QByteArray randomImage(int size, unsigned seed)
{
    std::mt19937 random(seed);
    QByteArray image(size, '\0');
    for (char &byte : image)
        byte = char(random());
    return image;
}

class SambaSimProcess
{
public:
    static constexpr int waitMs = 20000; // deadline of every wait; a passing test never comes near it
    static bool available() { return SAMBA_SIM_PATH[0] != '\0'; }

    explicit SambaSimProcess(QStringList args)
    {
        args << "--time-scale"
             << "0"
             << "--dump" << dumpPath() << "--log" << logPath();
        m_process.start(SAMBA_SIM_PATH, args);
        m_process.waitForStarted(waitMs);
        while (!m_process.canReadLine() && m_process.state() == QProcess::Running)
            m_process.waitForReadyRead(waitMs);
        m_port = QString::fromUtf8(m_process.readLine().trimmed());
    }
    ~SambaSimProcess() { stop(); }

    const QString &port() const { return m_port; }
    // Ends the simulator (it writes its dump on the way out).
    void stop()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.terminate();
            m_process.waitForFinished(waitMs);
        }
    }
    // Waits for the simulator to leave by itself: a restart into the new firmware ends the boot loader.
    bool waitForExit() { return m_process.waitForFinished(waitMs); }
    QByteArray flash() const { return readAll(dumpPath()); }
    QByteArray log() const { return readAll(logPath()); }

private:
    QString dumpPath() const { return m_dir.filePath("flash.bin"); }
    QString logPath() const { return m_dir.filePath("sim.log"); }
    static QByteArray readAll(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QTemporaryDir m_dir;
    QProcess m_process;
    QString m_port;
};
