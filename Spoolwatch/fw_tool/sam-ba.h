#pragma once

#include <QByteArray>
#include <QString>

#include <functional>
#include <vector>

class QIODevice;

// The fixed waits of the firmware update are multiplied by waitScale (tests shrink them to 0); the byte
// reader waits readSteps steps of readStepMs for an answer before it throws "Timeout".
struct SambaTiming {
    double waitScale = 1;
    int readStepMs = 20;
    int readSteps = 100;
    // The update's timing, with the waits scaled by SPOOLWATCH_FLASH_WAIT_SCALE when it is set (tests and
    // benchmarks against the simulator).
    static SambaTiming fromEnvironment();
};

// The SAM-BA boot-loader client: one method per monitor command, the flash applet's mailbox, and
// Program(), which writes one board's image into its ATSAM3X8E's flash. It works on the port it is
// given (a QSerialPort in the host, a pseudo-terminal to tools/samba-sim in the tests) and owns nothing
// but its state. Every wait is bounded: a silent boot loader ends in the "Timeout" thrown by the reader.
// Times in milliseconds.
class SAM_BA
{
public:
    // Program() results; 6 to 8 are ours: a failed write, transfer or boot bit must never look like success.
    enum Result : unsigned int {
        Success = 0,
        InvalidChip = 1,
        EraseFailed = 2,
        LockFailed = 3,
        UnlockFailed = 4,
        InitFailed = 5,
        WriteFailed = 6,
        TransferFailed = 7,
        BootFlagFailed = 8,
    };
    enum Mode : unsigned int { RawUsb = 0, Xmodem = 1 };

    using Timing = SambaTiming;

    static constexpr quint32 chipIdRegister = 0x400E0940;
    static constexpr quint32 expectedChipId = 0x285E0A60;
    // Times an XMODEM block is sent again after a NAK before the transfer is given up.
    static constexpr int xmodemRetries = 10;

    // The flash applet compiled into the program (":/bootloader.flash").
    static QByteArray flashApplet();

    SAM_BA(QIODevice *port, const QByteArray &applet, const QByteArray &image, Timing timing = Timing());

    // Writes the image into flash and restarts the chip from it; one of Result. Throws "Timeout" when the
    // boot loader stops answering.
    unsigned int Program(unsigned int mode);
    // A short explanation of a result, for the error line.
    static QString resultText(unsigned int result);

    // Progress and status reach the panel or the terminal through these.
    std::function<void(int)> onRange;
    std::function<void(int)> onProgress;
    std::function<void(const QString &, bool)> onStatus;
    std::function<void(const QString &)> onLog;
    void SetRange(int range);
    void SetStatus(const QString &status) { SetStatus(status, false); }
    void SetStatus(const QString &status, bool error);

    // The monitor's commands. Addresses, values and lengths go out as eight upper-case hex digits.
    static QByteArray writeCommand(quint32 address, quint32 value);
    static QByteArray readCommand(quint32 address);
    static QByteArray sendCommand(quint32 address, quint32 length);
    static QByteArray goCommand(quint32 address);
    void writeWord(quint32 address, quint32 value);
    quint32 readWord(quint32 address);
    QByteArray version();
    // Sends bytes to the chip's memory: raw in mode 0, XMODEM-CRC in mode 1. False when the receiver
    // gave the transfer up or kept refusing a block.
    bool sendFile(quint32 address, const QByteArray &data);
    void go(quint32 address);
    // Runs one applet command with its arguments and returns the applet's status word.
    quint32 runApplet(quint32 command, const std::vector<quint32> &arguments, int waitMs);
    quint32 bufferAddress() const { return m_bufferAddress; }
    quint32 bufferSize() const { return m_bufferSize; }

    // The wait the update sequence makes around an applet command: (w / 15 - 1) x 15 ms, never below 0.
    static int appletWaitMs(int waitMs);
    // One XMODEM block: SOH, number, its complement, 128 bytes padded with zeros, CRC-16 high byte first.
    static QByteArray xmodemBlock(quint8 number, const QByteArray &data);
    static quint16 xmodemCrc(const QByteArray &data);

private:
    void command(const QByteArray &text);
    QByteArray read(int bytes);
    void sleep(int ms) const;
    void advance(int steps = 1);
    bool sendRaw(const QByteArray &data);
    bool sendXmodem(const QByteArray &data);
    unsigned int programSteps();

    QIODevice *m_port;
    QByteArray m_applet;
    QByteArray m_image;
    Timing m_timing;
    unsigned int m_mode = RawUsb;
    int m_packetSize = 2048;
    quint32 m_lastStatus = 0;
    quint32 m_bufferAddress = 0;
    quint32 m_bufferSize = 0;
    int m_packetNumber = 1;
    int m_progress = 0;
    int m_range = 0;
};
