#pragma once

#include "fw_tool/fwupdater.h"

#include <QFrame>

class Printer;
class QLabel;
class QProgressBar;
class QPushButton;
struct UserPrompts;

// One printer's panel: its state, temperatures, progress and times, the job's file, the activity LED
// and the buttons. It shows what Printer::panel() holds after each refresh and passes clicks on.
class FramePrinter : public QFrame
{
    Q_OBJECT
public:
    FramePrinter(Printer &printer, const UserPrompts &prompts, QWidget *parent = nullptr);

    Printer &printer() { return m_printer; }
    // Shows the panel values of the printer's latest refresh.
    void refresh();
    // A printer whose port vanished shows the error "Disconnected" until the port returns.
    void setDisconnected(bool disconnected) { m_disconnected = disconnected; }
    bool disconnected() const { return m_disconnected; }
    // Asks what closing the printer needs; true when it may close.
    bool mayClose();
    const FWUpdater &updater() const { return m_updater; }

signals:
    void closeRequested(FramePrinter *frame);

private:
    void mayCloseThenClose();
    void reconnect();
    void load();
    void playPause();
    void stop();
    void motorsOff();
    void homeXY();
    void homeZ();
    void installFirmware();
    void startInstaller();
    void followInstaller();
    QPushButton *addButton(const QString &text, const QString &toolTip, void (FramePrinter::*action)());

    Printer &m_printer;
    const UserPrompts &m_prompts;
    QLabel *m_title, *m_led, *m_status, *m_z, *m_temperatures, *m_fan, *m_file, *m_time, *m_okWait;
    QProgressBar *m_progress;
    QPushButton *m_playPause = nullptr;
    QWidget *m_buttons;
    int m_messagesShown = 0;
    bool m_disconnected = false;
    FWUpdater m_updater;
    FWUpdater::State m_updaterSeen = FWUpdater::Idle;
};
