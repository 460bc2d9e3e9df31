#include "fw_tool/sam-ba.h"

#include "fw_tool/applet/applet.h"

#include <QDebug>
#include <QFile>
#include <QIODevice>
#include <QSerialPort>
#include <QThread>

#include <algorithm>

namespace
{

constexpr char SOH = 0x01, EOT = 0x04, ACK = 0x06, NAK = 0x15;
constexpr int xmodemBlockBytes = 128;
// Lock blocks of the update sequence are counted in 8 KB.
constexpr int lockBlockBytes = 8192;
constexpr int unlockBlocks = 32;
// Bytes the receiver may send before its 'C' or NAK (a prompt, an echo) before we stop listening.
constexpr int xmodemStartNoise = 64;
// Before each command whatever is still queued must be out; a stuck port must not stop us for long.
constexpr int pendingWriteMs = 500;
constexpr int xmodemEchoMs = 300;
// The update sequence's fixed pauses.
constexpr int chunkPauseMs = 180, flagPauseMs = 75, restartPauseMs = 375, rawPacketPauseMs = 50;

QByteArray hex8(quint32 value)
{
    return QByteArray::number(value, 16).toUpper().rightJustified(8, '0');
}

} // namespace

SambaTiming SambaTiming::fromEnvironment()
{
    SambaTiming timing;
    bool ok = false;
    const double scale = qEnvironmentVariable("SPOOLWATCH_FLASH_WAIT_SCALE").toDouble(&ok);
    if (ok && scale >= 0)
        timing.waitScale = scale;
    return timing;
}

QByteArray SAM_BA::flashApplet()
{
    Q_INIT_RESOURCE(fwtool);
    QFile file(":/bootloader.flash");
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

SAM_BA::SAM_BA(QIODevice *port, const QByteArray &applet, const QByteArray &image, Timing timing)
    : m_port(port), m_applet(applet), m_image(image), m_timing(timing)
{
}

QByteArray SAM_BA::writeCommand(quint32 address, quint32 value)
{
    return "W" + hex8(address) + "," + hex8(value) + "#";
}

QByteArray SAM_BA::readCommand(quint32 address)
{
    return "w" + hex8(address) + ",4#";
}

QByteArray SAM_BA::sendCommand(quint32 address, quint32 length)
{
    return "S" + hex8(address) + "," + hex8(length) + "#";
}

QByteArray SAM_BA::goCommand(quint32 address)
{
    return "G" + hex8(address) + "#";
}

int SAM_BA::appletWaitMs(int waitMs)
{
    return std::max(0, (waitMs / 15 - 1) * 15);
}

QString SAM_BA::resultText(unsigned int result)
{
    switch (result) {
    case Success:
        return "done";
    case InvalidChip:
        return "ERROR_INVALID_CHIP";
    case EraseFailed:
        return "erasing the flash failed";
    case LockFailed:
        return "locking the flash failed";
    case UnlockFailed:
        return "unlocking the flash failed";
    case InitFailed:
        return "the flash applet did not start";
    case WriteFailed:
        return "writing the flash failed";
    case TransferFailed:
        return "the boot loader refused the data";
    case BootFlagFailed:
        return "the boot-from-flash bit could not be set";
    default:
        return QString("error %1").arg(result);
    }
}

void SAM_BA::SetRange(int range)
{
    qDebug() << "SetRange" << range;
    if (onRange)
        onRange(range);
}

void SAM_BA::SetStatus(const QString &status, bool error)
{
    if (onStatus)
        onStatus(status, error);
}

void SAM_BA::advance(int steps)
{
    m_progress += steps;
    if (onProgress)
        onProgress(m_progress);
}

void SAM_BA::sleep(int ms) const
{
    const int scaled = int(std::max(0, ms) * m_timing.waitScale);
    if (scaled > 0)
        QThread::msleep(ulong(scaled));
}

void SAM_BA::command(const QByteArray &text)
{
    auto *serial = qobject_cast<QSerialPort *>(m_port);
    if (m_port->bytesToWrite() > 0)
        m_port->waitForBytesWritten(pendingWriteMs);
    m_port->write(text);
    if (serial)
        serial->flush();
    else
        m_port->waitForBytesWritten(pendingWriteMs);
}

QByteArray SAM_BA::read(int bytes)
{
    QByteArray got;
    for (int step = 0; got.size() < bytes;) {
        if (m_port->bytesAvailable() > 0) {
            got += m_port->read(bytes - got.size());
            continue;
        }
        if (step++ >= m_timing.readSteps)
            throw "Timeout";
        m_port->waitForReadyRead(m_timing.readStepMs);
    }
    return got;
}

void SAM_BA::writeWord(quint32 address, quint32 value)
{
    command(writeCommand(address, value));
}

quint32 SAM_BA::readWord(quint32 address)
{
    command(readCommand(address));
    const QByteArray raw = read(4);
    return quint32(quint8(raw[0])) | quint32(quint8(raw[1])) << 8 | quint32(quint8(raw[2])) << 16 |
           quint32(quint8(raw[3])) << 24;
}

QByteArray SAM_BA::version()
{
    command("V#");
    // The version is a line of unknown length: read until its line end, within the reader's bound.
    QByteArray text = read(1);
    for (int step = 0; !text.endsWith("\n\r") && step < m_timing.readSteps; ++step) {
        if (m_port->bytesAvailable() == 0 && !m_port->waitForReadyRead(m_timing.readStepMs))
            continue;
        text += m_port->readAll();
    }
    return text.trimmed();
}

void SAM_BA::go(quint32 address)
{
    command(goCommand(address));
}

quint32 SAM_BA::runApplet(quint32 command, const std::vector<quint32> &arguments, int waitMs)
{
    writeWord(APPLET_COMMAND, command);
    for (std::size_t i = 0; i < arguments.size(); ++i)
        writeWord(APPLET_ARGUMENT(i), arguments[i]);
    sleep(appletWaitMs(waitMs));
    go(APPLET_ADDRESS);
    sleep(appletWaitMs(waitMs));
    if (m_mode == Xmodem) {
        // Behind the LCD board's pass-through the boot loader may echo; what it echoed is not the status.
        if (m_port->bytesToWrite() > 0)
            m_port->waitForBytesWritten(xmodemEchoMs);
        m_port->waitForReadyRead(int(xmodemEchoMs * m_timing.waitScale));
        m_port->readAll();
    }
    m_lastStatus = readWord(APPLET_STATUS);
    return m_lastStatus;
}

quint16 SAM_BA::xmodemCrc(const QByteArray &data)
{
    quint16 crc = 0;
    for (const char byte : data) {
        crc ^= quint16(quint8(byte) << 8);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 0x8000) ? quint16((crc << 1) ^ 0x1021) : quint16(crc << 1);
    }
    return crc;
}

QByteArray SAM_BA::xmodemBlock(quint8 number, const QByteArray &data)
{
    QByteArray payload = data.left(xmodemBlockBytes);
    payload.append(QByteArray(xmodemBlockBytes - payload.size(), '\0'));
    const quint16 crc = xmodemCrc(payload);
    QByteArray block;
    block.append(SOH).append(char(number)).append(char(~number)).append(payload);
    return block.append(char(crc >> 8)).append(char(crc & 0xFF));
}

bool SAM_BA::sendRaw(const QByteArray &data)
{
    for (int offset = 0; offset < data.size(); offset += m_packetSize) {
        if (offset > 0)
            sleep(rawPacketPauseMs);
        qDebug() << "Send address:" << offset;
        m_port->write(data.mid(offset, m_packetSize));
        m_port->waitForBytesWritten(pendingWriteMs);
        advance();
    }
    // A pseudo-terminal or a USB port may still hold the tail: it must be out before the next command.
    for (int step = 0; m_port->bytesToWrite() > 0 && step < m_timing.readSteps; ++step)
        m_port->waitForBytesWritten(m_timing.readStepMs);
    return m_port->bytesToWrite() == 0;
}

bool SAM_BA::sendXmodem(const QByteArray &data)
{
    for (int noise = 0;; ++noise) {
        const char start = read(1)[0];
        if (start == 'C' || start == NAK)
            break;
        if (noise >= xmodemStartNoise)
            return false;
    }
    for (int offset = 0; offset < data.size(); offset += xmodemBlockBytes) {
        const QByteArray block = xmodemBlock(quint8(m_packetNumber), data.mid(offset, xmodemBlockBytes));
        for (int attempt = 0;; ++attempt) {
            qDebug() << "Send Packet:" << m_packetNumber;
            m_port->write(block);
            m_port->waitForBytesWritten(pendingWriteMs);
            const char answer = read(1)[0];
            if (answer == ACK || answer == 'C')
                break;
            // A receiver that keeps refusing a block will not take it: the transfer ends there.
            if (answer != NAK || attempt >= xmodemRetries)
                return false;
        }
        ++m_packetNumber;
        advance();
    }
    m_port->write(QByteArray(1, EOT));
    m_port->waitForBytesWritten(pendingWriteMs);
    return read(1)[0] == ACK;
}

bool SAM_BA::sendFile(quint32 address, const QByteArray &data)
{
    command(sendCommand(address, quint32(data.size())));
    m_packetNumber = 1;
    return m_mode == Xmodem ? sendXmodem(data) : sendRaw(data);
}

unsigned int SAM_BA::Program(unsigned int mode)
{
    m_mode = mode == Xmodem ? Xmodem : RawUsb;
    m_packetSize = m_mode == Xmodem ? xmodemBlockBytes : 2048;
    m_progress = 0;
    const int imageBytes = m_image.size();
    m_range = imageBytes / lockBlockBytes + imageBytes / m_packetSize + m_applet.size() / m_packetSize + 52;
    SetRange(m_range);
    command("N#");
    read(2);
    SetStatus("Set Terminal mode");
    command("N#");
    read(2);
    advance();
    SetStatus("Get Chip ID...");
    const quint32 chipId = readWord(chipIdRegister);
    advance();
    if (chipId != expectedChipId) {
        qDebug() << "ERROR_INVALID_CHIP" << Qt::hex << chipId;
        return InvalidChip;
    }
    return programSteps();
}

unsigned int SAM_BA::programSteps()
{
    const quint32 imageBytes = quint32(m_image.size());
    SetStatus("Send boot loader...");
    if (!sendFile(APPLET_ADDRESS, m_applet))
        return TransferFailed;
    SetStatus("Init boot loader...");
    const quint32 initStatus = runApplet(APPLET_INIT, {m_mode, m_mode ? 1u : 4u, 0}, 100);
    m_bufferAddress = readWord(APPLET_ARGUMENT(1));
    m_bufferSize = readWord(APPLET_ARGUMENT(2));
    advance();
    // A zero buffer would never get the image out; a huge one would overrun the chip's RAM.
    if (initStatus != 0 || m_bufferSize == 0 || m_bufferSize > APPLET_BUFFER_BYTES)
        return InitFailed;
    SetStatus("Unlock Flash...");
    for (quint32 block = 0; block < unlockBlocks; ++block) {
        SetStatus("Unlock Flash Block: " + QString::number(block));
        if (runApplet(APPLET_UNLOCK, {block}, 10) != 0)
            return UnlockFailed;
        advance();
    }
    SetStatus("Erase Flash...");
    if (runApplet(APPLET_ERASE_ALL, {}, 500) != 0)
        return EraseFailed;
    advance();
    SetStatus("Send binary...");
    for (quint32 offset = 0; offset < imageBytes; offset += m_bufferSize) {
        const QByteArray chunk = m_image.mid(int(offset), int(m_bufferSize));
        sleep(chunkPauseMs);
        if (!sendFile(m_bufferAddress, chunk))
            return TransferFailed;
        SetStatus("Write to flash...");
        sleep(chunkPauseMs);
        const quint32 status = runApplet(APPLET_WRITE, {m_bufferAddress, quint32(chunk.size()), offset}, 1000);
        // Checked before anything else happens: a failed write must stop short of the boot bit.
        if (status != 0 || readWord(APPLET_ARGUMENT(0)) != quint32(chunk.size()))
            return WriteFailed;
    }
    SetStatus("Lock Flash...");
    // The applet's lock regions are 16 KB, so the count in 8 KB blocks covers the image with room to
    // spare; it never names a region past the last.
    const quint32 lockBlocks = std::min<quint32>(imageBytes / lockBlockBytes, SAM3X_LOCK_REGIONS);
    for (quint32 block = 0; block < lockBlocks; ++block) {
        SetStatus("Lock Flash Block: " + QString::number(block));
        if (runApplet(APPLET_LOCK, {block}, 10) != 0)
            return LockFailed;
        advance();
    }
    bool bootBitSet = false;
    for (int attempt = 0; attempt < 2; ++attempt) {
        SetStatus("Set flag...");
        sleep(flagPauseMs);
        bootBitSet = runApplet(APPLET_GPNVM, {1, 1}, 200) == 0 || bootBitSet;
        sleep(flagPauseMs);
    }
    advance();
    // Without the boot-from-flash bit the chip would restart into the boot loader, not the new firmware.
    if (!bootBitSet)
        return BootFlagFailed;
    SetStatus("Restart chip..");
    sleep(restartPauseMs);
    writeWord(APPLET_COMMAND, APPLET_RESTART);
    go(APPLET_ADDRESS);
    advance();
    m_progress = m_range - 1;
    advance();
    SetStatus(" ");
    return Success;
}
