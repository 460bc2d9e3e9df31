#include "platform/portwatch.h"

std::vector<PortChange> PortWatch::refresh(const std::vector<FoundPort> &present, const QStringList &manualPorts)
{
    std::vector<PortChange> changes;
    QSet<QString> seen;
    auto offer = [&](const QString &portName, int kind, const QString &description) {
        seen.insert(portName);
        if (m_dismissed.contains(portName))
            return;
        auto it = m_ports.find(portName);
        if (it == m_ports.end()) {
            m_ports[portName] = Watched{kind, true, 0};
            changes.push_back({PortChange::Added, portName, kind, description});
            return;
        }
        Watched &watched = it->second;
        if (!watched.present) {
            watched.present = true;
            watched.missingRefreshes = 0;
            changes.push_back({PortChange::Returned, portName, kind, description});
        }
        if (watched.kind != kind) {
            watched.kind = kind;
            changes.push_back({PortChange::KindChanged, portName, kind, description});
        }
    };
    for (const FoundPort &port : present) {
        const int kind = ports::kindOfHardwareId(port.hardwareId);
        if (kind != 0 && !manualPorts.contains(port.portName))
            offer(port.portName, kind, port.description);
    }
    for (const QString &portName : manualPorts)
        if (!seen.contains(portName))
            offer(portName, 0, portName);

    // A dismissed port that went away is offered again when it comes back: it was unplugged.
    for (auto it = m_dismissed.begin(); it != m_dismissed.end();)
        it = seen.contains(*it) ? std::next(it) : m_dismissed.erase(it);

    for (auto it = m_ports.begin(); it != m_ports.end();) {
        Watched &watched = it->second;
        if (seen.contains(it->first) || watched.kind == 0) {
            ++it;
            continue;
        }
        if (watched.present) {
            watched.present = false;
            watched.missingRefreshes = 0;
            if (watched.kind == 1)
                changes.push_back({PortChange::Vanished, it->first, watched.kind, QString()});
        }
        if (watched.kind == 2 && ++watched.missingRefreshes >= bootLoaderGraceRefreshes) {
            changes.push_back({PortChange::Removed, it->first, watched.kind, QString()});
            it = m_ports.erase(it);
            continue;
        }
        ++it;
    }
    return changes;
}

void PortWatch::forget(const QString &portName)
{
    m_ports.erase(portName);
    m_dismissed.insert(portName);
}
