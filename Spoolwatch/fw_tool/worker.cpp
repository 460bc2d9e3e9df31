#include "fw_tool/worker.h"

#include <QDebug>
#include <QElapsedTimer>
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
// Room for one line of an answer; longer lines arrive in pieces.
constexpr int replyLineBytes = 256;

struct Question {
    const char *command;
    const char *key;      // a line holding it is the answer; the text after it is the value
    bool keyRequired;     // false: the firmware's own wording is not known, any informative line answers
    const char *stepName; // nullptr: no step of its own
    QString mWORKER::Information::*value;
};

// The firmware answers each with one line and then "ok". The version's line has a known form; the
// others are taken by their key where the firmware uses it and otherwise as the first line that carries
// information, so that a printer wording them its own way can still be updated.
const Question printerQuestions[] = {
    {"M1002\n", "UID:", false, "i_UID", &mWORKER::Information::uniqueId},
    {"M1003\n", "zor3nixa version:", true, nullptr, &mWORKER::Information::firmwareVersion},
    {"M1004\n", "LCD version:", false, "i_HMIVER", &mWORKER::Information::lcdVersion},
    {"M1105\n", "LCD mode:", false, "i_HMIMODE", &mWORKER::Information::lcdMode},
};

// Lines that never answer a question: an acknowledgement, a temperature report, a restart's "start" and
// banner (which must not pass for the unique id or the LCD's version), the firmware's notices.
bool isChatter(const QString &line)
{
    return line.isEmpty() || line == "ok" || line.startsWith("ok ") || line.startsWith("T:") || line == "start" ||
           line.startsWith("zor3nixa version:") || line.startsWith("echo:") || line.startsWith("busy:") ||
           line == "wait";
}

const unsigned char *asBytes(const char *command)
{
    return reinterpret_cast<const unsigned char *>(command);
}

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
        got += m_port->readLine(replyBytes - 1 - got.size());
    }
    std::memcpy(reply, got.constData(), size_t(got.size()));
    reply[got.size()] = 0;
    return got.size();
}

int mWORKER::giveUp(const QString &why)
{
    m_failure = why;
    step("i_NOTCOMPLETED");
    return notCompleted;
}

void mWORKER::drainInput()
{
    m_port->readAll();
    for (int step = 0; step < m_job.timing.readSteps && m_port->waitForReadyRead(m_job.timing.readStepMs); ++step)
        m_port->readAll();
}

bool mWORKER::ask(const char *command, const char *key, bool keyRequired, QString &value)
{
    const QString asked = QString(command).trimmed();
    m_failure = "No answer to " + asked;
    if (!WriteStr(asBytes(command)))
        return false;
    // Other lines may come first (the previous answer's "ok", a temperature report); the lines skipped
    // share one reader's bound, so a chatty printer cannot keep us here.
    QElapsedTimer clock;
    clock.start();
    const qint64 boundMs = qint64(m_job.timing.readSteps) * m_job.timing.readStepMs;
    unsigned char line[replyLineBytes];
    while (Read(line, replyLineBytes) > 0 && clock.elapsed() <= boundMs) {
        const QString got = QString::fromLatin1(reinterpret_cast<const char *>(line)).trimmed();
        const int at = got.indexOf(QLatin1String(key));
        const bool keyed = !got.isEmpty() && at >= 0;
        if (!keyed && (keyRequired || isChatter(got) || got == asked))
            continue;
        value = keyed ? got.mid(at + int(std::strlen(key))).trimmed() : got;
        m_failure.clear();
        return true;
    }
    return false;
}

bool mWORKER::askPrinter()
{
    for (const Question &question : printerQuestions) {
        if (question.stepName)
            step(question.stepName);
        QString &value = m_information.*question.value;
        if (!ask(question.command, question.key, question.keyRequired, value))
            return false;
        qDebug() << question.key << value;
    }
    return true;
}

bool mWORKER::askBootLoader()
{
    step("i_SAMBAVER");
    // The version is the first line that is not blank; in terminal mode the prompt follows it.
    const bool answered = ask("V#", "", true, m_information.bootLoaderVersion);
    // Program() reads N#'s answer by its length: nothing of this one may be left before it.
    drainInput();
    if (answered)
        qDebug() << "SAM-BA version:" << m_information.bootLoaderVersion;
    return answered;
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
        return giveUp(message);
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
    // A printer that does not say what it is gets nothing written into it.
    if (!(m_job.printerInBootLoader ? askBootLoader() : askPrinter()))
        return giveUp(m_failure);
    if (m_job.board == MainBoard) {
        if (!m_job.printerInBootLoader) {
            // The printer restarts into its boot loader; the host finds it there and starts again.
            return WriteStr(asBytes("M6969S69\n")) ? restartRequested : giveUp("Could not send M6969S69");
        }
        step("i_STARTWORK");
        return program(SAM_BA::RawUsb);
    }
    if (!WriteStr(asBytes("M6969S96\n")))
        return giveUp("Could not send M6969S96");
    QThread::msleep(passThroughPauseMs);
    WriteStr(asBytes("M1106\n"));
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
        WriteStr(asBytes("\nEXITSAMBA\nM105\nM6666S69\n"));
    step("i_CLOSEPORT");
    return result;
}
