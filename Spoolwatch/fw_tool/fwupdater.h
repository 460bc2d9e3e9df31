#pragma once

#include "fw_tool/firmwarefile.h"
#include "fw_tool/worker.h"

#include <QMutex>
#include <QString>
#include <QUrl>

#include <atomic>
#include <memory>

// Updates one board of one printer: fetches the firmware file from the firmware server once per program
// run ("/zor3nixa.firmware"), checks and splits it, and runs the worker on a pooled thread. The panel
// reads the state and its text on every refresh; nothing here touches a widget.
class FWUpdater
{
public:
    enum State { Idle, Running, Succeeded, Failed };

    static QString boardName(mWORKER::Board board);
    static QString workingText(mWORKER::Board board, const QString &status);
    static QString successText(mWORKER::Board board);
    static QString errorText(mWORKER::Board board, const QString &status);

    FWUpdater();
    // Starts the update unless one runs. The firmware file comes from `server` unless already in memory.
    void start(const QString &portName, mWORKER::Board board, bool printerInBootLoader, const QUrl &server,
               SambaTiming timing = SambaTiming());

    State state() const { return m_shared->state; }
    mWORKER::Board board() const { return m_shared->board; }
    // The panel's line: working, success or failure text.
    QString panelText() const;
    int range() const { return m_shared->range; }
    int progress() const { return m_shared->progress; }
    // A message for a box titled "Error" ("Failed to download latest FirmWare", "Crc error loading
    // firmware"), once; empty otherwise.
    QString takeMessage();
    // The worker's result: a SAM_BA result or one of mWORKER's.
    int result() const { return m_shared->result; }

    // What the printer said about itself before the update (kept from the last run).
    mWORKER::Information information() const;

    // Forgets the firmware file kept in memory (tests that serve several releases).
    static void forgetFirmware();

private:
    struct Shared {
        std::atomic<State> state{Idle};
        std::atomic<mWORKER::Board> board{mWORKER::MainBoard};
        std::atomic<int> range{0}, progress{0}, result{0};
        mutable QMutex lock;
        QString status;                   // guarded by lock
        QString message;                  // guarded by lock
        mWORKER::Information information; // guarded by lock
    };
    static void run(std::shared_ptr<Shared> shared, mWORKER::Job job, QUrl server);
    // Shared with the pooled thread, which may outlive the panel.
    std::shared_ptr<Shared> m_shared;
};
