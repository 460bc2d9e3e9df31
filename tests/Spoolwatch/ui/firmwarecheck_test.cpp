// The latest firmware build, read from a local server standing in for the firmware server.
#include "ui/firmwarecheck.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTcpServer>
#include <QTcpSocket>

namespace
{

TEST(FirmwareBuild, IsTheDigitsOfTheReply)
{
    EXPECT_EQ(FirmwareCheck::buildFromReply("976\n"), 976);
    EXPECT_EQ(FirmwareCheck::buildFromReply("\xEF\xBB\xBF build 1,024\r\n"), 1024);
    EXPECT_EQ(FirmwareCheck::buildFromReply("0"), 0);
    EXPECT_EQ(FirmwareCheck::buildFromReply(""), -1);
    EXPECT_EQ(FirmwareCheck::buildFromReply("<html>not found</html>"), -1);
    EXPECT_EQ(FirmwareCheck::buildFromReply("12345678901"), -1);
}

// Answers every request with one canned HTTP response and remembers the request lines.
class CannedServer
{
public:
    explicit CannedServer(QByteArray response) : m_response(std::move(response))
    {
        m_server.listen(QHostAddress::LocalHost);
        QObject::connect(&m_server, &QTcpServer::newConnection, [this] {
            QTcpSocket *socket = m_server.nextPendingConnection();
            QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                const QByteArray request = socket->readAll();
                requests << request.left(request.indexOf('\r'));
                socket->write(m_response);
                socket->disconnectFromHost();
            });
        });
    }
    QString url() const { return QString("http://127.0.0.1:%1").arg(m_server.serverPort()); }
    QByteArrayList requests;

    void setResponse(const QByteArray &response) { m_response = response; }

private:
    QTcpServer m_server;
    QByteArray m_response;
};

bool finishes(const FirmwareCheck &check)
{
    QElapsedTimer timer;
    timer.start();
    while (check.running() && timer.elapsed() < 30000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return !check.running();
}

TEST(FirmwareCheck, LearnsTheBuildAndKeepsItWhenARequestFails)
{
    CannedServer server("HTTP/1.0 200 OK\r\nContent-Length: 6\r\n\r\nv 1234");
    qputenv("SPOOLWATCH_FIRMWARE_SERVER", server.url().toUtf8());
    FirmwareCheck check;
    EXPECT_EQ(check.latestBuild(), 0);
    check.start();
    ASSERT_TRUE(finishes(check));
    EXPECT_EQ(check.latestBuild(), 1234);
    ASSERT_EQ(server.requests.size(), 1);
    EXPECT_EQ(server.requests[0], "GET /version HTTP/1.1");

    server.setResponse("HTTP/1.0 404 Not Found\r\nContent-Length: 4\r\n\r\n4040");
    check.start();
    ASSERT_TRUE(finishes(check));
    EXPECT_EQ(server.requests.size(), 2);
    EXPECT_EQ(check.latestBuild(), 1234);
    qunsetenv("SPOOLWATCH_FIRMWARE_SERVER");
}

} // namespace
