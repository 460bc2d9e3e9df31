#include "platform/keepawake.h"

#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusReply>

namespace
{

// The desktop's idle inhibitor; the session's power manager does not suspend while it is held.
QDBusInterface screenSaver()
{
    return QDBusInterface("org.freedesktop.ScreenSaver", "/org/freedesktop/ScreenSaver", "org.freedesktop.ScreenSaver",
                          QDBusConnection::sessionBus());
}

} // namespace

KeepAwake::~KeepAwake()
{
    update(false);
}

void KeepAwake::update(bool printing)
{
    if (printing == holding() || !QDBusConnection::sessionBus().isConnected())
        return;
    QDBusInterface inhibitor = screenSaver();
    if (!inhibitor.isValid())
        return;
    if (printing) {
        const QDBusReply<uint> cookie = inhibitor.call("Inhibit", QString("Spoolwatch"), QString("Printing"));
        if (cookie.isValid())
            m_cookie = cookie.value();
    } else {
        inhibitor.call("UnInhibit", m_cookie);
        m_cookie = 0;
    }
}
