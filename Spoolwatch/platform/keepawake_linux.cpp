#include "platform/keepawake.h"

#include <QDBusMessage>
#include <QDBusReply>
#include <QDebug>

namespace
{

// How long a refused or unanswered Inhibit may hold up the window's timer (ms).
constexpr int callTimeoutMs = 2000;

} // namespace

KeepAwake::KeepAwake(QDBusConnection systemBus) : m_bus(std::move(systemBus)) {}

KeepAwake::~KeepAwake()
{
    update(false);
}

void KeepAwake::update(bool printing)
{
    if (!printing) {
        // Closing our copy of the descriptor releases the lock.
        m_lock = QDBusUnixFileDescriptor();
        return;
    }
    if (holding())
        return;
    if (!m_bus.isConnected()) {
        unavailable("no system bus: " + m_bus.lastError().message());
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall("org.freedesktop.login1", "/org/freedesktop/login1",
                                                       "org.freedesktop.login1.Manager", "Inhibit");
    call << QString("sleep:idle") << QString("Spoolwatch") << QString("A printer is printing") << QString("block");
    const QDBusReply<QDBusUnixFileDescriptor> reply = m_bus.call(call, QDBus::Block, callTimeoutMs);
    if (!reply.isValid() || !reply.value().isValid()) {
        unavailable("logind refused the inhibitor: " + reply.error().message());
        return;
    }
    m_lock = reply.value();
}

void KeepAwake::unavailable(const QString &why)
{
    // Once: the window asks every few seconds while a job runs.
    if (m_reported)
        return;
    m_reported = true;
    qDebug().noquote() << "KeepAwake::update() the computer may sleep while printing," << why;
}
