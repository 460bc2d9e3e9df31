#pragma once

#include "link/comthread.h"
#include "link/jobindex.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>

// What a printer's panel shows after a refresh; the panel only reads it.
struct PanelValues {
    QString ledColor;        // "red", "yellow", "green", or empty (closed, or blanked while blinking)
    QString status;          // the error in red, or empty
    QString z;               // "Z: 12.300"
    QString temperatures;    // head + "/" + bed
    QString fan;             // "OFF", "MAX" or "1%".."99%"
    QString fileName;        // the job's file name or "&lt; No GCODE file loaded &gt;"
    QString time;            // total, "T- " + remaining, "Finished", "Parsing..." or empty
    int progressMaximum = 0; // total seconds x 10
    int progressValue = 0;   // elapsed seconds x 10
    QString titleSuffix;     // the new-firmware hint behind the title
    QString okWait;          // "Waiting for ok " + duration, once an ok is overdue
};

// One printer: its link thread, its job and the job's indexes, the temperatures and firmware build it
// reported, and the Play/Pause/Stop logic. Lives on the GUI thread; update() runs once per host
// timer tick. Positions in mm, feeds in mm/min, temperatures in degrees Celsius.
class Printer : public QObject
{
    Q_OBJECT
public:
    enum Kind { UnknownPrinter = 0, Taliform = 1, TaliformFirmwareUpdate = 2 };
    static constexpr int baudRate = 2500000;
    // Where Pause parks the head (mm) and how fast it travels there and back (mm/min): the front-left
    // corner is reachable on every printer and keeps the head off the part.
    static constexpr float parkX = 0, parkY = 0;
    static constexpr float travelFeed = 6000;

    // `clock` times the wait for an "ok" (tests advance their own); empty means the wall clock.
    explicit Printer(ComThread::Clock clock = {}, QObject *parent = nullptr);
    ~Printer() override;

    static QString kindName(int kind);
    void setPort(int kind, const QString &portName, const QString &description);
    int kind() const { return m_kind; }
    QString description() const { return m_description; }

    // Reads, converts and indexes a G-code file; false with `error` set when it cannot be read or a
    // job has begun. loadJobText does the same with text already in memory.
    bool loadJob(const QString &fileName, QString *error = nullptr);
    bool loadJobText(const QByteArray &text, const QString &fileName, QString *error = nullptr);
    const JobIndex &jobIndex() const { return m_index; }
    QString jobFileName() const { return m_jobFileName; }

    void playPause();
    void stop();
    void sendCommand(const QByteArray &command) { m_link.sendCommand(command); }
    void setBypass(bool heat, bool fan) { m_link.setBypass(heat, fan); }
    bool bypassHeat() const { return m_link.bypassHeat(); }
    bool bypassFan() const { return m_link.bypassFan(); }

    // The panel's extruder move: `lengthMm` above 0 extrudes, below 0 retracts, at `speed` mm/min. A
    // Taliform takes it with Z words of 0 at 0.8 of the speed; afterwards both kinds are back in
    // absolute mode at the feed the job had (left alone while no feed is known).
    QByteArray extrudeCommand(float lengthMm, float speed) const;
    void extrude(float lengthMm, float speed) { sendCommand(extrudeCommand(lengthMm, speed)); }
    // Speed (M220) and flow (M221) overrides in percent; the printer keeps them for the Tweak dialog.
    int speedFactor() const { return m_speedFactor; }
    int extrudeFactor() const { return m_extrudeFactor; }
    void setSpeedFactor(int percent);
    void setExtrudeFactor(int percent);

    // The port vanished from the system's list: the port is closed and the panel shows the error
    // "Disconnected" until setPort() opens it again.
    void markDisconnected();
    bool disconnected() const { return m_disconnected; }

    bool jobLoaded() const { return !m_jobFileName.isEmpty(); }
    bool jobAtStart() const;
    bool jobAtEnd() const;
    bool jobBegun() const { return jobLoaded() && (m_playing || !jobAtStart()); }
    bool playing() const { return m_playing; }
    bool paused() const { return m_paused; }
    // Where the job stood when Pause parked the head; Resume returns there.
    const FollowState &pausedAt() const { return m_pausedAt; }
    // Why the job stopped without the user: the printer restarted or the link failed; empty otherwise.
    QString stopReason() const { return m_stopReason; }

    int tempHead() const { return m_tempHead; }
    int tempBed() const { return m_tempBed; }
    int fwBuild() const { return m_fwBuild; }
    void setLatestFirmwareBuild(int build) { m_latestFirmwareBuild = build; }

    // 0 none, 1 requested, 2 and 3 installer started.
    int firmwareUpdateStep() const { return m_firmwareUpdateStep; }
    void requestFirmwareUpdate();
    // The installer moves the request on: back to 1 after the main board (the LCD board follows once the
    // printer is back in normal mode), 0 when the update ended. From 2 on the link keeps the port closed.
    void setFirmwareUpdateStep(int step);

    // One refresh; the first form measures the wall time since the previous call itself.
    void update();
    void update(double elapsedSeconds);
    const PanelValues &panel() const { return m_panel; }

    ComThread &link() { return m_link; }
    const ComThread &link() const { return m_link; }

signals:
    // A text the window shows the user in a message box.
    void message(const QString &text);
    // The firmware installer's turn (the firmware-update step reached 2 or 3).
    void installFirmwareRequested();

public slots:
    void bInstallFW();

private:
    void pause();
    void resume();
    void pollTemperatures(double elapsedSeconds, bool connectedNow);
    void readReplies();
    void followJob();
    void driveFirmwareUpdate();
    void applyPortSettings(const QString &portName);
    void refreshPanel();
    QString parkMove(float x, float y) const;

    ComThread m_link;
    int m_kind = UnknownPrinter;
    QString m_description;
    QString m_jobFileName;
    JobIndex m_index;
    bool m_playing = false;
    bool m_paused = false;
    FollowState m_pausedAt;
    QString m_stopReason;
    int m_tempHead = 0, m_tempBed = 0;
    bool m_temperatureSeen = false;
    int m_fwBuild = 0;
    int m_latestFirmwareBuild = 0;
    int m_firmwareUpdateStep = 0;
    int m_speedFactor = 100, m_extrudeFactor = 100;
    bool m_disconnected = false;
    bool m_lcdBoardNext = false; // the main board is done: the LCD board follows in normal mode
    double m_pollAccumulator = 0;
    bool m_wasConnected = false;
    bool m_wasAtEnd = false;
    int m_restartsSeen = 0;
    qint64 m_logPosition = 0;
    QByteArray m_logRest;
    int m_tick = 0;
    QElapsedTimer m_wallClock;
    PanelValues m_panel;
};
