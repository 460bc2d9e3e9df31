#pragma once

#include "fw_tool/sam-ba.h"

#include <QByteArray>
#include <QString>

#include <functional>

class QSerialPort;

// One board's firmware update on the port it opens itself (the printer's link keeps its own port closed
// meanwhile). Run() goes through the steps once: open the port at 2500000 baud, ask the printer what it
// is (its ids and versions in normal mode, the boot loader's version in SAM-BA), then either program the
// main board through the boot loader, ask a printer in normal mode to restart into it, or pass the LCD
// board's boot loader through the main board and program that. Runs on a pooled thread; everything it
// reports goes out through the callbacks.
class mWORKER
{
public:
    enum Board { MainBoard = 0, LcdBoard = 1 };
    // Run() results besides SAM_BA's: the port did not open, an exchange failed, the printer was asked to
    // restart into its boot loader.
    static constexpr int connectError = -1;
    static constexpr int notCompleted = -2;
    static constexpr int restartRequested = -3;

    struct Job {
        QString portName;
        Board board = MainBoard;
        bool printerInBootLoader = true; // false: the printer runs its firmware (normal mode)
        QByteArray applet;
        QByteArray image;
        SambaTiming timing;
    };

    // What the printer said about itself; empty where it was not asked (normal mode or boot loader).
    struct Information {
        QString uniqueId;
        QString firmwareVersion;
        QString lcdVersion;
        QString lcdMode;
        QString bootLoaderVersion;
    };

    explicit mWORKER(Job job) : m_job(std::move(job)) {}

    int Run();
    // Sends a text command; false when it could not be written.
    bool WriteStr(const unsigned char *text);
    // Reads one line of what the printer answered within the reader's bound into `reply` (NUL-terminated,
    // at most replyBytes - 1 bytes); returns the byte count, 0 when nothing came.
    int Read(unsigned char *reply, int replyBytes);
    // Why the update ended without a SAM_BA result ("Timeout", the port's error, an unanswered question).
    QString failure() const { return m_failure; }
    const Information &information() const { return m_information; }

    std::function<void(int)> onRange;
    std::function<void(int)> onProgress;
    std::function<void(const QString &, bool)> onStatus;
    // The worker's steps: "i_CONNECT", "i_UID", "i_HMIVER", "i_HMIMODE", "i_SAMBAVER", "i_STARTWORK",
    // "i_PROGRAMHMI", "i_CLOSEPORT", and "i_NOTCOMPLETED" or "i_CONNECTERROR" when it stops short.
    std::function<void(const QString &)> onStep;

private:
    bool openPort();
    int program(unsigned int mode);
    void step(const QString &name);
    // Logs "i_NOTCOMPLETED" and ends the run with `why` as its failure.
    int giveUp(const QString &why);
    bool askPrinter();
    bool askBootLoader();
    // Sends `command` and reads lines until the one holding `key` (its text after the key goes to
    // `value`) or, unless the key is required, the first line that carries information (taken whole).
    bool ask(const char *command, const char *key, bool keyRequired, QString &value);
    // Reads until the port stays quiet for a read step, so that the next command's answer starts clean.
    void drainInput();

    Job m_job;
    QSerialPort *m_port = nullptr;
    QString m_failure;
    Information m_information;
};
