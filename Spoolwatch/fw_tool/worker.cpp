#include "fw_tool/worker.h"

#include <QDebug>
#include <QSerialPort>
#include <QThread>

#include <cstring>
#include <memory>

namespace
{

constexpr int workerBaudRate = 2500000;
// The LCD board's pass-through needs this long to switch after each command: a device's need, so the
// time scale of the tests does not shrink it.
constexpr int passThroughPauseMs = 300;

} // namespace

void mWORKER::step(const QString &name)
{
    qDebug() << name;
    if (onStep)
        onStep(name);
}

bool mWORKER::openPort()
{
    m_port->setPortName(m_job.portName);
    if (!m_port->open(QIODevice::ReadWrite)) {
        m_failure = m_port->errorString();
        return false;
    }
    m_port->setBaudRate(workerBaudRate);
    m_port->setDataBits(QSerialPort::Data8);
    m_port->setParity(QSerialPort::NoParity);
    m_port->setStopBits(QSerialPort::OneStop);
    m_port->setFlowControl(QSerialPort::NoFlowControl);
    // Replies to the link that had the port before are still queued in the driver: they are not ours.
    m_port->clear(QSerialPort::Input);
    return true;
}

bool mWORKER::WriteStr(const unsigned char *text)
{
    const qint64 size = qint64(std::strlen(reinterpret_cast<const char *>(text)));
    if (m_port->write(reinterpret_cast<const char *>(text), size) != size)
        return false;
    for (int step = 0; m_port->bytesToWrite() > 0 && step < m_job.timing.readSteps; ++step)
        m_port->waitForBytesWritten(m_job.timing.readStepMs);
    return m_port->bytesToWrite() == 0;
}

int mWORKER::Read(unsigned char *reply, int replyBytes)
{
    QByteArray got;
    for (int step = 0; step < m_job.timing.readSteps && !got.endsWith('\n') && got.size() < replyBytes - 1; ++step) {
        if (m_port->bytesAvailable() == 0 && !m_port->waitForReadyRead(m_job.timing.readStepMs))
            continue;
        got += m_port->read(replyBytes - 1 - got.size());
    }
    std::memcpy(reply, got.constData(), size_t(got.size()));
    reply[got.size()] = 0;
    return got.size();
}

int mWORKER::program(unsigned int mode)
{
    SAM_BA samba(m_port, m_job.applet, m_job.image, m_job.timing);
    samba.onRange = onRange;
    samba.onProgress = onProgress;
    samba.onStatus = onStatus;
    try {
        return int(samba.Program(mode));
    } catch (const char *message) {
        m_failure = message;
        step("i_NOTCOMPLETED");
        return notCompleted;
    }
}

int mWORKER::Run()
{
    QSerialPort port;
    m_port = &port;
    if (!openPort()) {
        step("i_CONNECTERROR");
        return connectError;
    }
    step("i_CONNECT");
    if (m_job.board == MainBoard) {
        if (!m_job.printerInBootLoader) {
            // The printer restarts into its boot loader; the host finds it there and starts again.
            return WriteStr(reinterpret_cast<const unsigned char *>("M6969S69\n")) ? restartRequested : notCompleted;
        }
        step("i_STARTWORK");
        return program(SAM_BA::RawUsb);
    }
    if (!WriteStr(reinterpret_cast<const unsigned char *>("M6969S96\n"))) {
        step("i_NOTCOMPLETED");
        return notCompleted;
    }
    QThread::msleep(passThroughPauseMs);
    WriteStr(reinterpret_cast<const unsigned char *>("M1106\n"));
    step("i_PROGRAMHMI");
    step("i_STARTWORK");
    QThread::msleep(passThroughPauseMs);
    // What the printer answered to the switch is not for the boot loader's reader.
    port.readAll();
    port.clear(QSerialPort::Input);
    const int result = program(SAM_BA::Xmodem);
    if (!port.isOpen())
        openPort();
    if (port.isOpen() && !m_job.printerInBootLoader)
        WriteStr(reinterpret_cast<const unsigned char *>("\nEXITSAMBA\nM105\nM6666S69\n"));
    step("i_CLOSEPORT");
    return result;
}
