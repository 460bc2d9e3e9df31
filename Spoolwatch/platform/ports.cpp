#include "platform/ports.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QSerialPortInfo>
#include <QTextStream>

namespace ports
{

int kindOfHardwareId(const QString &hardwareId)
{
    if (hardwareId.startsWith(taliformId, Qt::CaseInsensitive))
        return 1;
    if (hardwareId.startsWith(bootLoaderId, Qt::CaseInsensitive))
        return 2;
    return 0;
}

QString hardwareIdOf(quint16 vendorId, quint16 productId)
{
    return QString("USB\\VID_%1&PID_%2").arg(vendorId, 4, 16, QChar('0')).arg(productId, 4, 16, QChar('0')).toUpper();
}

QString instanceIdFromDevicePath(const QString &devicePath)
{
    QString id = devicePath;
    id.replace('#', '\\');
    id = id.toUpper();
    const int brace = id.indexOf('{');
    if (brace >= 0) {
        id.truncate(brace);
        // The separator that joined the instance and the interface class goes with the class.
        if (id.endsWith('\\'))
            id.chop(1);
    }
    // A device path begins with "\\?\"; the instance identifier does not.
    if (id.startsWith("\\\\?\\"))
        id.remove(0, 4);
    return id.left(260);
}

std::vector<FoundPort> portsFromEntryFolder(const QString &folder)
{
    std::vector<FoundPort> found;
    const QDir dir(folder);
    for (const QString &name : dir.entryList(QDir::Files, QDir::Name)) {
        QFile file(dir.filePath(name));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        QString path, vid, pid, friendly, manufacturer, serial;
        for (const QByteArray &raw : file.readAll().split('\n')) {
            const QString line = QString::fromUtf8(raw).trimmed();
            const int eq = line.indexOf('=');
            if (eq <= 0)
                continue;
            const QString key = line.left(eq).trimmed().toLower(), value = line.mid(eq + 1).trimmed();
            if (key == "path")
                path = value;
            else if (key == "vid")
                vid = value;
            else if (key == "pid")
                pid = value;
            else if (key == "name")
                friendly = value;
            else if (key == "manufacturer")
                manufacturer = value;
            else if (key == "serial")
                serial = value;
        }
        if (path.isEmpty())
            continue;
        bool vidOk = false, pidOk = false;
        const uint vendor = vid.toUInt(&vidOk, 16), product = pid.toUInt(&pidOk, 16);
        FoundPort port;
        port.portName = path;
        if (vidOk && pidOk)
            port.hardwareId = hardwareIdOf(quint16(vendor), quint16(product));
        port.description = friendly.isEmpty() ? name : friendly;
        port.manufacturer = manufacturer;
        port.serialNumber = serial;
        found.push_back(port);
    }
    return found;
}

bool writePortEntry(const QString &fileName, const QString &portPath, quint16 vendorId, quint16 productId,
                    const QString &name)
{
    // Written whole or not at all: a poll must never read half an entry.
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QTextStream out(&file);
    out << "path=" << portPath << '\n'
        << "vid=" << QString::number(vendorId, 16) << '\n'
        << "pid=" << QString::number(productId, 16) << '\n';
    if (!name.isEmpty())
        out << "name=" << name << '\n';
    out.flush();
    return file.commit();
}

std::vector<FoundPort> presentPorts()
{
    const QByteArray folder = qgetenv(portDirVariable);
    if (!folder.isEmpty())
        return portsFromEntryFolder(QString::fromLocal8Bit(folder));
    std::vector<FoundPort> found;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts()) {
        FoundPort port;
        port.portName = info.portName();
        if (info.hasVendorIdentifier() && info.hasProductIdentifier())
            port.hardwareId = hardwareIdOf(info.vendorIdentifier(), info.productIdentifier());
        port.description = info.description().isEmpty() ? info.portName() : info.description();
        port.manufacturer = info.manufacturer();
        port.serialNumber = info.serialNumber();
        found.push_back(port);
    }
    return found;
}

} // namespace ports
