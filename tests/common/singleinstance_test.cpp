#include "common/gui/singleinstance.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QLocalSocket>
#include <QProcess>
#include <QThread>
#include <gtest/gtest.h>

namespace {

QString uniqueName()
{
    static int counter = 0;
    return QString("tessaline-test-%1-%2").arg(QCoreApplication::applicationPid()).arg(++counter);
}

// Polls the server as the window's timer does, until a message arrives or the time is up.
bool receiveWithin(SingleInstanceServer &server, QByteArray &message, int ms)
{
    QDeadlineTimer deadline(ms);
    while (!deadline.hasExpired()) {
        QCoreApplication::processEvents();
        if (server.receive(message))
            return true;
        QThread::msleep(5);
    }
    return false;
}

// Sends raw bytes (not hex-encoded) the way a foreign or broken client would.
void sendRaw(const QString &name, const QList<QByteArray> &pieces, int pauseMs)
{
    QLocalSocket socket;
    socket.connectToServer(channelPath(name));
    ASSERT_TRUE(socket.waitForConnected(1000));
    for (const QByteArray &piece : pieces) {
        socket.write(piece);
        socket.waitForBytesWritten(1000);
        if (pauseMs)
            QThread::msleep(pauseMs);
    }
    socket.disconnectFromServer();
}

} // namespace

TEST(SingleInstance, SendingToNobodyFailsAtOnce)
{
    QElapsedTimer timer;
    timer.start();
    EXPECT_FALSE(SingleInstanceServer::send(uniqueName(), "focus"));
    EXPECT_LT(timer.elapsed(), 400);
}

TEST(SingleInstance, MessagesArriveIntactAndInOrder)
{
    const QString name = uniqueName();
    SingleInstanceServer server;
    server.start(name);
    ASSERT_TRUE(server.isListening());
    server.start(name); // a second start is harmless

    const QByteArray path = QString::fromUtf8("open /tmp/\xc3\xbc\xe2\x82\xac model.stl").toUtf8();
    QByteArray binary(256, '\0');
    for (int i = 0; i < 256; ++i)
        binary[i] = char(i);
    for (const QByteArray &sent : {QByteArray("focus"), path, binary}) {
        ASSERT_TRUE(SingleInstanceServer::send(name, sent));
        QByteArray received;
        ASSERT_TRUE(receiveWithin(server, received, 2000));
        EXPECT_EQ(received, sent);
    }
    QByteArray nothing;
    EXPECT_FALSE(server.receive(nothing));
    server.stop();
    EXPECT_FALSE(server.isListening());
    EXPECT_FALSE(SingleInstanceServer::send(name, "focus"));
}

TEST(SingleInstance, BadSendersAreDroppedAndGoodOnesStillHeard)
{
    const QString name = uniqueName();
    SingleInstanceServer server;
    server.start(name);

    sendRaw(name, {"not hex!"}, 0);
    sendRaw(name, {"abc"}, 0); // odd length
    sendRaw(name, {QByteArray(2 * SingleInstanceServer::maxMessageBytes + 64, 'a')}, 0);
    QByteArray message;
    EXPECT_FALSE(receiveWithin(server, message, 1500));

    // A message in pieces is put together.
    sendRaw(name, {"66", "6f63", "7573"}, 30);
    ASSERT_TRUE(receiveWithin(server, message, 2000));
    EXPECT_EQ(message, "focus");
}

TEST(SingleInstance, ASilentConnectionDoesNotHangThePoll)
{
    const QString name = uniqueName();
    SingleInstanceServer server;
    server.start(name);
    QLocalSocket silent;
    silent.connectToServer(channelPath(name));
    ASSERT_TRUE(silent.waitForConnected(1000));
    QElapsedTimer timer;
    timer.start();
    QByteArray message;
    receiveWithin(server, message, 300);
    EXPECT_LT(timer.elapsed(), 1500);
    ASSERT_TRUE(SingleInstanceServer::send(name, "focus"));
    ASSERT_TRUE(receiveWithin(server, message, 2000));
    EXPECT_EQ(message, "focus");
}

TEST(SingleInstance, ALeftoverSocketOfACrashedInstanceIsCleared)
{
    const QString name = uniqueName();
    // A child process that listens and is then killed leaves its socket file behind.
    QProcess child;
    child.start("python3", {"-c", QString("import socket,os,time,tempfile\n"
                                          "s=socket.socket(socket.AF_UNIX)\n"
                                          "s.bind(os.path.join(tempfile.gettempdir(),'%1'))\n"
                                          "s.listen(1)\nprint('ready',flush=True)\ntime.sleep(60)\n")
                                      .arg(name)});
    ASSERT_TRUE(child.waitForReadyRead(5000));
    child.kill();
    child.waitForFinished();

    SingleInstanceServer server;
    ASSERT_NO_THROW(server.start(name));
    ASSERT_TRUE(SingleInstanceServer::send(name, "focus"));
    QByteArray message;
    ASSERT_TRUE(receiveWithin(server, message, 2000));
}
