#pragma once

#include <QString>
#include <QStringList>

#include <vector>

// One serial port present on the computer, with the USB identity of the device behind it.
struct FoundPort {
    QString portName;    // what QSerialPort opens: "COM3", "/dev/ttyACM0", a pseudo-terminal path
    QString hardwareId;  // "USB\VID_04D8&PID_000A", or empty for a port without USB identity
    QString description; // the device's friendly name
    QString manufacturer;
    QString serialNumber;
};

namespace ports
{

// USB identities (hardware-id prefixes) of a printer in normal operation and in its boot loader.
constexpr char taliformId[] = "USB\\VID_04D8&PID_000A";
constexpr char bootLoaderId[] = "USB\\VID_03EB&PID_6124";

// The environment variable naming a folder of port entry files that replaces the system's port list,
// so that virtual printers on pseudo-terminals are found like USB printers.
constexpr char portDirVariable[] = "SPOOLWATCH_PORT_DIR";

// The printer kind (1 normal, 2 boot loader) a hardware id stands for; 0 when it is no printer.
int kindOfHardwareId(const QString &hardwareId);

// "USB\VID_xxxx&PID_yyyy" from numeric USB ids, as the system names the device.
QString hardwareIdOf(quint16 vendorId, quint16 productId);

// A device-interface path turned into the device's instance identifier: '#' becomes '\', letters are
// upper case, and the interface class ("#{...}") is cut off; at most 260 characters.
QString instanceIdFromDevicePath(const QString &devicePath);

// The serial ports present now: the entries of the folder named by SPOOLWATCH_PORT_DIR when it is set,
// otherwise the system's serial ports.
std::vector<FoundPort> presentPorts();

// The entry files of a folder. Each file holds "key=value" lines: "path" (the port to open), "vid" and
// "pid" (hexadecimal USB ids) and optional "name", "manufacturer" and "serial". Files without a path are
// skipped.
std::vector<FoundPort> portsFromEntryFolder(const QString &folder);

// Writes an entry file for `port` (vid and pid in hexadecimal); used by tests and virtual-printer scripts.
bool writePortEntry(const QString &fileName, const QString &portPath, quint16 vendorId, quint16 productId,
                    const QString &name = QString());

} // namespace ports
