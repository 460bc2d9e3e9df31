#include "ui/frameprinter.h"

#include "common/opendialogpaths.h"
#include "link/printer.h"
#include "ui/firmwarecheck.h"
#include "ui/userprompts.h"

#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

namespace
{

QLabel *valueLabel(const QString &sample, const QString &toolTip, const QString &name)
{
    auto *label = new QLabel(sample);
    label->setToolTip(toolTip);
    label->setObjectName(name);
    return label;
}

} // namespace

FramePrinter::FramePrinter(Printer &printer, const UserPrompts &prompts, QWidget *parent)
    : QFrame(parent), m_printer(printer), m_prompts(prompts)
{
    setFrameShape(QFrame::StyledPanel);
    setObjectName("FramePrinter");
    auto *grid = new QGridLayout(this);
    m_led = valueLabel(QString(), "Activity", "lLed");
    m_led->setFixedSize(14, 14);
    m_title = valueLabel(QString(), QString(), "lTitle");
    m_status = valueLabel(QString(), QString(), "lStatus");
    m_z = valueLabel("Z: 123.456", "Z axis position", "lZ");
    m_temperatures = valueLabel("220/60", "Head and Bed temperature", "lTemperatures");
    m_fan = valueLabel("OFF", "Fan speed", "lFan");
    m_file = valueLabel(QString(), QString(), "lFile");
    m_time = valueLabel(QString(), "Estimaded elapsed/remaining time.", "lTime");
    m_okWait = valueLabel(QString(), QString(), "lOkWait");
    m_progress = new QProgressBar;
    m_progress->setObjectName("pbProgress");
    m_progress->setToolTip("Trace progress");
    m_progress->setTextVisible(false);

    auto *top = new QHBoxLayout;
    top->addWidget(m_led);
    top->addWidget(m_title, 1);
    grid->addLayout(top, 0, 0, 1, 4);
    grid->addWidget(m_status, 1, 0, 1, 4);
    grid->addWidget(m_z, 2, 0);
    grid->addWidget(m_temperatures, 2, 1);
    grid->addWidget(m_fan, 2, 2);
    grid->addWidget(m_okWait, 2, 3);
    grid->addWidget(m_file, 3, 0, 1, 3);
    grid->addWidget(m_time, 3, 3);
    grid->addWidget(m_progress, 4, 0, 1, 4);

    m_buttons = new QWidget;
    // Two rows keep the panel narrower than a small window.
    (new QGridLayout(m_buttons))->setContentsMargins(0, 0, 0, 0);
    addButton("Close", "Disconnect and close the printer", &FramePrinter::mayCloseThenClose);
    addButton("Reconnect", "Reconnect the COM port", &FramePrinter::reconnect);
    addButton("Load", "Load GCode", &FramePrinter::load);
    m_playPause = addButton("Play", "Play/Pause", &FramePrinter::playPause);
    addButton("Stop", "Stop and rewind GCode", &FramePrinter::stop);
    addButton("Motors off", "Motors OFF", &FramePrinter::motorsOff);
    addButton("Home XY", "Home horizontal X, Y axes", &FramePrinter::homeXY);
    addButton("Home Z", "Home vertical Z axis", &FramePrinter::homeZ);
    addButton("Firmware", "Install the latest FirmWare", &FramePrinter::installFirmware);
    grid->addWidget(m_buttons, 5, 0, 1, 4);

    connect(&m_printer, &Printer::installFirmwareRequested, this, &FramePrinter::startInstaller);
    connect(&m_printer, &Printer::message, this, [this](const QString &text) {
        ++m_messagesShown;
        m_prompts.inform(this, text);
    });
    refresh();
}

QPushButton *FramePrinter::addButton(const QString &text, const QString &toolTip, void (FramePrinter::*action)())
{
    auto *button = new QPushButton(text);
    button->setToolTip(toolTip);
    button->setAutoDefault(false);
    auto *grid = static_cast<QGridLayout *>(m_buttons->layout());
    const int index = grid->count();
    grid->addWidget(button, index / 5, index % 5);
    connect(button, &QPushButton::clicked, this, action);
    return button;
}

void FramePrinter::refresh()
{
    const PanelValues &panel = m_printer.panel();
    m_title->setText("<b>" + m_printer.description().toHtmlEscaped() + "</b> " + Printer::kindName(m_printer.kind()) +
                     " (" + m_printer.link().portName().toHtmlEscaped() + ")" + panel.titleSuffix);
    const QString led = m_disconnected ? QString("red") : panel.ledColor.isEmpty() ? QString("#333") : panel.ledColor;
    m_led->setStyleSheet("background-color: " + led + "; border-radius: 7px; border: 1px solid #111;");
    followInstaller();
    QString status = m_disconnected ? QString("<font color=red><b>Error:</b></font> Disconnected") : panel.status;
    if (m_updater.state() != FWUpdater::Idle && status.isEmpty())
        status = m_updater.panelText();
    m_status->setText(status);
    m_status->setVisible(!status.isEmpty());
    // Until its first refresh a printer has no values: the sample texts stay.
    if (!panel.z.isEmpty()) {
        m_z->setText(panel.z);
        m_temperatures->setText(panel.temperatures);
        m_fan->setText(panel.fan);
    }
    m_file->setText(panel.fileName);
    m_time->setText(panel.time);
    m_okWait->setText(panel.okWait);
    const bool updating = m_updater.state() == FWUpdater::Running;
    const int maximum = qMax(1, updating ? m_updater.range() : panel.progressMaximum);
    m_progress->setMaximum(maximum);
    m_progress->setValue(qMin(updating ? m_updater.progress() : panel.progressValue, maximum));
    m_playPause->setText(m_printer.playing() && !m_printer.paused() ? "Pause" : "Play");
}

bool FramePrinter::mayClose()
{
    if (m_printer.firmwareUpdateStep() >= 2) {
        m_prompts.inform(this, "This Taliform is updating its FirmWare. Please wait until it's finished.");
        return false;
    }
    if (m_printer.jobBegun())
        return m_prompts.ask(this, "Closing connection",
                             "There's and ongoing print job. Do you want to close the connection now?");
    return true;
}

void FramePrinter::mayCloseThenClose()
{
    if (mayClose())
        emit closeRequested(this);
}

void FramePrinter::reconnect()
{
    m_printer.link().requestReconnect();
}

void FramePrinter::load()
{
    const QString fileName = m_prompts.openGCode(this, openDialogPaths().path("GCode"));
    if (fileName.isEmpty())
        return;
    openDialogPaths().remember("GCode", fileName);
    QString error;
    // A refusal arrives as the printer's message as well; it is shown once.
    const int shownBefore = m_messagesShown;
    if (!m_printer.loadJob(fileName, &error) && m_messagesShown == shownBefore && !error.isEmpty())
        m_prompts.inform(this, error);
}

void FramePrinter::playPause()
{
    m_printer.playPause();
}

void FramePrinter::stop()
{
    m_printer.stop();
}

void FramePrinter::motorsOff()
{
    m_printer.sendCommand("M18");
}

void FramePrinter::homeXY()
{
    m_printer.sendCommand("G28X0Y0");
}

void FramePrinter::homeZ()
{
    if (m_printer.jobBegun() &&
        !m_prompts.ask(this, "Homing Z",
                       "Are you sure you want to Home the Z axis?\n(Make sure that there is nothing in the way!)"))
        return;
    m_printer.sendCommand("G28Z0");
}

void FramePrinter::installFirmware()
{
    m_printer.requestFirmwareUpdate();
}

void FramePrinter::startInstaller()
{
    // Step 2: the printer waits in its boot loader for the main board; step 3: it runs its firmware again
    // and passes the LCD board's boot loader through.
    const bool mainBoard = m_printer.firmwareUpdateStep() == 2;
    m_updater.start(m_printer.link().portName(), mainBoard ? mWORKER::MainBoard : mWORKER::LcdBoard, mainBoard,
                    FirmwareCheck::serverUrl(), SambaTiming::fromEnvironment());
    m_updaterSeen = FWUpdater::Running;
}

void FramePrinter::followInstaller()
{
    const QString message = m_updater.takeMessage();
    if (!message.isEmpty())
        m_prompts.inform(this, message);
    const FWUpdater::State state = m_updater.state();
    if (m_updaterSeen != FWUpdater::Running || state == FWUpdater::Running)
        return;
    m_updaterSeen = state;
    const bool mainBoardDone = state == FWUpdater::Succeeded && m_updater.board() == mWORKER::MainBoard;
    m_printer.setFirmwareUpdateStep(mainBoardDone ? 1 : 0);
}
