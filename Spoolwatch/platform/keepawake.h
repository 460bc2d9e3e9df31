#pragma once

#include <QDBusConnection>
#include <QDBusUnixFileDescriptor>

// Keeps the computer from sleeping while a printer prints: a sleeping computer stops the job stream.
// Holds a logind inhibitor lock ("sleep:idle", mode "block") taken on the system bus; the lock lasts
// as long as its file descriptor stays open, so letting go is closing it. Without a system bus or
// logind it says so once in the debug log and the host prints on regardless.
class KeepAwake
{
public:
    // `systemBus` is the bus logind listens on; tests hand in a private one.
    explicit KeepAwake(QDBusConnection systemBus = QDBusConnection::systemBus());
    ~KeepAwake();
    // Called often; takes the lock while `printing`, lets it go otherwise.
    void update(bool printing);
    bool holding() const { return m_lock.isValid(); }

private:
    void unavailable(const QString &why);

    QDBusConnection m_bus;
    QDBusUnixFileDescriptor m_lock;
    bool m_reported = false;
};
