#pragma once

#include "fw_tool/fwupdater.h"

#include <QFrame>
#include <QPointer>

class FrmTerminal;
class Printer;
class QDoubleSpinBox;
class QLabel;
class QSpinBox;
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
    // The control dialogs; one at a time per panel (the terminal stays open beside the others).
    void setZ();
    void thermo();
    void tweak();
    void terminal();
    void extrude();
    void retract();
    void viewProgress();
    template <class Dialog> void openModal();
    QPushButton *addButton(const QString &name, const QString &icon, const QString &toolTip,
                           void (FramePrinter::*action)());
    // The firmware installer: started when the printer waits in a boot loader, followed every refresh.
    void startInstaller();
    void followInstaller();

    Printer &m_printer;
    const UserPrompts &m_prompts;
    QLabel *m_title, *m_led, *m_status, *m_z, *m_temperatures, *m_fan, *m_file, *m_time, *m_okWait;
    QProgressBar *m_progress;
    QPushButton *m_playPause = nullptr;
    QWidget *m_buttons;
    QDoubleSpinBox *m_extrudeLength;
    QSpinBox *m_extrudeSpeed;
    QPointer<FrmTerminal> m_terminal;
    int m_messagesShown = 0;
    bool m_dialogOpen = false;
    FWUpdater m_updater;
    FWUpdater::State m_updaterSeen = FWUpdater::Idle;
};
