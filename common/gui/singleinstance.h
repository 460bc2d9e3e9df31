#pragma once

#include <QByteArray>
#include <QString>

#include <memory>

class QLocalServer;

// The single-instance channel: a local server per process named after the application. A message is
// a byte string sent as hex text (two lower-case digits a byte). Polled from a GUI timer.
class SingleInstanceServer
{
public:
    SingleInstanceServer();
    ~SingleInstanceServer();

    // Listens under `name` unless already listening. A socket left behind by a crashed instance is
    // cleared first. Throws "ipc_startServer().listen failed" when listening is impossible.
    void start(const QString &name);
    bool isListening() const;
    // Takes the next complete message from the pending connections. False when none is waiting.
    // Connections that send nothing, invalid hex text or too much are dropped.
    bool receive(QByteArray &message);
    void stop();

    // Connects to the server `name`, writes the message and waits for it to leave. False when nobody
    // listens or the write does not complete in 500 ms.
    static bool send(const QString &name, const QByteArray &message);

    // Messages longer than this are dropped: the vocabulary is short commands and file paths.
    static constexpr int maxMessageBytes = 64 * 1024;

private:
    std::unique_ptr<QLocalServer> m_server;
};

// Where the channel `name` listens: a socket of that name in the user's own runtime folder (a name
// holding a '/' is taken as a path already).
QString channelPath(const QString &name);

// The channel of this process, named after the application.
void ipc_startServer();
void ipc_stopServer();
bool singleInstanceSend(const QByteArray &message);
bool singleInstanceReceive(QByteArray &message);
// A second start of the program: when a running instance answers "focus", hands it the file named on the
// command line (as "open " + its absolute path in UTF-8) and returns true; the caller then shows nothing.
bool handOverToRunningInstance(const QString &fileArgument);
