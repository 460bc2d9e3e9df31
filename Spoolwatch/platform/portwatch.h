#pragma once

#include "platform/ports.h"

#include <QSet>
#include <QString>

#include <map>
#include <vector>

// What one refresh of the port list means for the printers.
struct PortChange {
    enum Type {
        Added,       // a new printer on this port
        KindChanged, // the printer restarted into or out of its boot loader
        Vanished,    // a normal printer's port is gone: show it disconnected
        Returned,    // a vanished port is back
        Removed,     // a boot-loader printer stayed away too long: drop it
    };
    Type type;
    QString portName;
    int kind = 0;
    QString description;
};

// Follows the printers among the ports from one refresh to the next. Printers are keyed by port name:
// a printer restarting into its boot loader shows up on its port with the other USB identity.
class PortWatch
{
public:
    // A boot-loader printer vanishes briefly while it restarts; it is dropped only after this many
    // refreshes away (about 5 s at one refresh per panel tick).
    static constexpr int bootLoaderGraceRefreshes = 50;

    // `manualPorts` are opened as printers of kind 0 whether or not the system lists them.
    std::vector<PortChange> refresh(const std::vector<FoundPort> &present, const QStringList &manualPorts);

    // The user closed this printer: it is not offered again until its port goes away and comes back,
    // or until rediscover().
    void forget(const QString &portName);
    // Offers every present printer again, also those the user closed.
    void rediscover() { m_dismissed.clear(); }

    bool watching(const QString &portName) const { return m_ports.count(portName) != 0; }

private:
    struct Watched {
        int kind = 0;
        bool present = true;
        int missingRefreshes = 0;
    };
    std::map<QString, Watched> m_ports;
    QSet<QString> m_dismissed;
};
