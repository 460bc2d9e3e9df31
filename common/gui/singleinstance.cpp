#include "common/gui/singleinstance.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>

namespace {

const int connectTimeoutMs = 500;
const int writeTimeoutMs = 500;
const int firstDataTimeoutMs = 100;
// A sender writes its whole message at once; a message in pieces gets this long to complete.
const int completeMessageTimeoutMs = 500;

bool isHexText(const QByteArray &text)
{
    if (text.size() % 2 != 0)
        return false;
    for (char c : text) {
        const bool hex = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
        if (!hex)
            return false;
    }
    return true;
}

// Reads one sender's hex text until it disconnects or its time is up; empty when it sent nothing in
// time or more than a message may hold.
QByteArray readHexText(QLocalSocket &socket)
{
    if (socket.bytesAvailable() == 0 && !socket.waitForReadyRead(firstDataTimeoutMs))
        return QByteArray();
    QByteArray text;
    const QDeadlineTimer deadline(completeMessageTimeoutMs);
    do {
        text += socket.readAll();
        if (text.size() > 2 * SingleInstanceServer::maxMessageBytes)
            return QByteArray();
    } while (socket.state() == QLocalSocket::ConnectedState && !deadline.hasExpired()
             && socket.waitForReadyRead(int(deadline.remainingTime())));
    return text + socket.readAll();
}

SingleInstanceServer &processServer()
{
    static SingleInstanceServer server;
    return server;
}

} // namespace

// A socket in the shared temporary folder, owned by another user, would keep this user's program from
// starting at all.
QString channelPath(const QString &name)
{
    if (name.contains('/'))
        return name;
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    return folder.isEmpty() ? name : folder + "/" + name;
}

SingleInstanceServer::SingleInstanceServer() = default;
SingleInstanceServer::~SingleInstanceServer() = default;

void SingleInstanceServer::start(const QString &name)
{
    if (isListening())
        return;
    if (!m_server)
        m_server = std::make_unique<QLocalServer>();
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    const QString path = channelPath(name);
    if (m_server->listen(path))
        return;
    // Nobody answered our "focus", so a socket file in the way is a leftover of a crashed instance.
    QLocalServer::removeServer(path);
    if (!m_server->listen(path))
        throw "ipc_startServer().listen failed";
}

bool SingleInstanceServer::isListening() const
{
    return m_server && m_server->isListening();
}

bool SingleInstanceServer::receive(QByteArray &message)
{
    if (!isListening())
        return false;
    while (m_server->hasPendingConnections()) {
        std::unique_ptr<QLocalSocket> socket(m_server->nextPendingConnection());
        if (!socket)
            break;
        const QByteArray text = readHexText(*socket).trimmed();
        if (text.isEmpty() || !isHexText(text))
            continue;
        message = QByteArray::fromHex(text);
        return true;
    }
    return false;
}

void SingleInstanceServer::stop()
{
    if (m_server)
        m_server->close();
}

bool SingleInstanceServer::send(const QString &name, const QByteArray &message)
{
    QLocalSocket socket;
    socket.connectToServer(channelPath(name), QIODevice::ReadWrite);
    if (!socket.waitForConnected(connectTimeoutMs))
        return false;
    socket.write(message.toHex());
    if (!socket.waitForBytesWritten(writeTimeoutMs) && socket.bytesToWrite() > 0)
        return false;
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState)
        socket.waitForDisconnected(writeTimeoutMs);
    return true;
}

void ipc_startServer()
{
    processServer().start(QCoreApplication::applicationName());
}

void ipc_stopServer()
{
    processServer().stop();
}

bool singleInstanceSend(const QByteArray &message)
{
    return SingleInstanceServer::send(QCoreApplication::applicationName(), message);
}

bool singleInstanceReceive(QByteArray &message)
{
    return processServer().receive(message);
}

bool handOverToRunningInstance(const QString &fileArgument)
{
    if (!singleInstanceSend("focus"))
        return false;
    if (!fileArgument.isEmpty())
        singleInstanceSend("open " + QDir::current().absoluteFilePath(fileArgument).toUtf8());
    return true;
}
