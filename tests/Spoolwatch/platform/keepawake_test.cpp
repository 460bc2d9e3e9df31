// The keep-awake lock on a private dbus-daemon that this process knows as its system bus, with a
// stand-in for logind's Inhibit that hands out one end of a pipe and sees it closed on release.
#include "platform/keepawake.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusUnixFileDescriptor>
#include <QDir>
#include <QMutex>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <poll.h>
#include <unistd.h>

#include <memory>

namespace
{

constexpr int waitMs = 10000;

// logind's Manager as far as the host uses it. Lives on its own thread: the host's call blocks the
// test's thread until the answer comes.
class LogindStandIn : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Manager")
public:
    struct Call {
        QString what, who, why, mode;
        int readEnd = -1; // our end of the pipe whose other end went to the caller
    };
    ~LogindStandIn() override
    {
        for (const Call &call : m_calls)
            ::close(call.readEnd);
    }
    std::vector<Call> calls() const
    {
        QMutexLocker locker(&m_lock);
        return m_calls;
    }

public slots:
    QDBusUnixFileDescriptor Inhibit(const QString &what, const QString &who, const QString &why, const QString &mode)
    {
        int ends[2];
        if (::pipe(ends) != 0)
            return QDBusUnixFileDescriptor();
        // The descriptor object keeps a copy of the write end; ours is closed, so that the read end
        // reports a hang-up once the caller closes the copy it was sent.
        QDBusUnixFileDescriptor handed(ends[1]);
        ::close(ends[1]);
        QMutexLocker locker(&m_lock);
        m_calls.push_back({what, who, why, mode, ends[0]});
        return handed;
    }

private:
    mutable QMutex m_lock;
    std::vector<Call> m_calls;
};

// True once every copy of the pipe's write end is closed (waits for it, up to the deadline).
bool writeEndClosed(int readEnd, int deadlineMs)
{
    pollfd watched{readEnd, POLLIN, 0};
    return ::poll(&watched, 1, deadlineMs) == 1 && (watched.revents & POLLHUP);
}

class PrivateSystemBus : public testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        folder = std::make_unique<QTemporaryDir>();
        const QString config = QDir(folder->path()).filePath("bus.conf");
        QFile file(config);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QString("<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
                           " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                           "<busconfig><type>session</type><listen>unix:dir=%1</listen><auth>EXTERNAL</auth>"
                           "<policy context=\"default\"><allow send_destination=\"*\" eavesdrop=\"true\"/>"
                           "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>\n")
                       .arg(folder->path())
                       .toUtf8());
        file.close();
        daemon = std::make_unique<QProcess>();
        daemon->start("dbus-daemon", {"--config-file=" + config, "--print-address", "--nofork"});
        ASSERT_TRUE(daemon->waitForStarted(waitMs));
        while (!daemon->canReadLine())
            ASSERT_TRUE(daemon->waitForReadyRead(waitMs)) << "dbus-daemon printed no address";
        address = QString::fromUtf8(daemon->readLine().trimmed());
        // Before the first use of the system bus, which is connected once per process.
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", address.toUtf8());
    }
    static void TearDownTestSuite()
    {
        daemon->terminate();
        daemon->waitForFinished(waitMs);
        daemon.reset();
        folder.reset();
    }
    void TearDown() override
    {
        if (thread.isRunning()) {
            thread.quit();
            thread.wait();
        }
        standIn.reset();
    }
    // Puts the stand-in on the bus under logind's name.
    void startLogind()
    {
        QDBusConnection logind = QDBusConnection::connectToBus(address, "logind");
        ASSERT_TRUE(logind.isConnected()) << address.toStdString();
        standIn = std::make_unique<LogindStandIn>();
        standIn->moveToThread(&thread);
        thread.start();
        ASSERT_TRUE(logind.registerObject("/org/freedesktop/login1", standIn.get(), QDBusConnection::ExportAllSlots));
        ASSERT_TRUE(logind.registerService("org.freedesktop.login1"));
    }

    static inline std::unique_ptr<QTemporaryDir> folder;
    static inline std::unique_ptr<QProcess> daemon;
    static inline QString address;
    QThread thread;
    std::unique_ptr<LogindStandIn> standIn;
};

TEST_F(PrivateSystemBus, LockIsTakenOnceWhilePrintingAndItsDescriptorClosedWhenPrintingEnds)
{
    startLogind();
    KeepAwake keepAwake;
    keepAwake.update(false);
    EXPECT_TRUE(standIn->calls().empty()) << "asked for a lock while nothing prints";

    keepAwake.update(true);
    keepAwake.update(true);
    ASSERT_EQ(standIn->calls().size(), 1u) << "a held lock is not asked for again";
    const LogindStandIn::Call first = standIn->calls()[0];
    EXPECT_EQ(first.what, "sleep:idle");
    EXPECT_EQ(first.who, "Spoolwatch");
    EXPECT_EQ(first.mode, "block");
    EXPECT_TRUE(keepAwake.holding());
    EXPECT_FALSE(writeEndClosed(first.readEnd, 0)) << "the lock was let go while printing";

    keepAwake.update(false);
    EXPECT_FALSE(keepAwake.holding());
    EXPECT_TRUE(writeEndClosed(first.readEnd, waitMs)) << "the lock outlived the job";

    // The next job takes a new lock, which ends with the host.
    {
        KeepAwake again;
        again.update(true);
        ASSERT_EQ(standIn->calls().size(), 2u);
        EXPECT_FALSE(writeEndClosed(standIn->calls()[1].readEnd, 0));
    }
    EXPECT_TRUE(writeEndClosed(standIn->calls()[1].readEnd, waitMs));
}

// What the host logs while it cannot keep the computer awake; filled by the message handler.
QStringList logged;

void collect(QtMsgType, const QMessageLogContext &, const QString &text)
{
    logged << text;
}

struct MissingService {
    const char *name;
    const char *busAddress; // empty: the private bus, on which no logind listens
};

class WithoutLogind : public PrivateSystemBus, public testing::WithParamInterface<MissingService>
{
};

TEST_P(WithoutLogind, HostGoesOnAndSaysSoOnce)
{
    const QString busAddress = GetParam().busAddress[0] ? QString(GetParam().busAddress) : address;
    KeepAwake keepAwake(QDBusConnection::connectToBus(busAddress, GetParam().name));
    logged.clear();
    const QtMessageHandler previous = qInstallMessageHandler(collect);
    for (int tick = 0; tick < 3; ++tick)
        keepAwake.update(true);
    qInstallMessageHandler(previous);
    EXPECT_FALSE(keepAwake.holding());
    ASSERT_EQ(logged.size(), 1) << logged.join('\n').toStdString();
    EXPECT_TRUE(logged[0].contains("may sleep while printing")) << logged[0].toStdString();
}

INSTANTIATE_TEST_SUITE_P(Cases, WithoutLogind,
                         testing::Values(MissingService{"NoSystemBus", "unix:path=/nonexistent/system_bus_socket"},
                                         MissingService{"NoLogindOnTheBus", ""}),
                         [](const testing::TestParamInfo<MissingService> &info) { return info.param.name; });

} // namespace

#include "keepawake_test.moc"
