#include "ui/frameprinter.h"

#include "common/gui/singleinstance.h"
#include "common/opendialogpaths.h"
#include "link/printer.h"
#include "ui/frmsetz.h"
#include "ui/frmterminal.h"
#include "ui/frmthermo.h"
#include "ui/frmtweak.h"
#include "ui/resources.h"
#include "ui/firmwarecheck.h"
#include "ui/userprompts.h"

#include <QDoubleSpinBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>

namespace
{

QLabel *valueLabel(const QString &sample, const QString &toolTip, const QString &name)
{
    auto *label = new QLabel(sample);
    label->setToolTip(toolTip);
    label->setObjectName(name);
    return label;
}

constexpr int buttonsPerRow = 8;
// The slicer's single-instance channel, which shows a G-code line on "showline".
constexpr char slicerServerName[] = "Tessaline";
// The extruder fields' first values: a short purge at a feed any hot end melts through.
constexpr double defaultExtrudeLength = 5; // mm
constexpr int defaultExtrudeSpeed = 300;   // mm/min

template <class Receiver>
QPushButton *iconButton(const QString &name, const QString &icon, const QString &toolTip, Receiver *receiver,
                        void (Receiver::*action)())
{
    auto *button = new QPushButton(QIcon(":/" + icon + ".png"), QString());
    button->setObjectName(name);
    button->setToolTip(toolTip);
    button->setIconSize(QSize(24, 24));
    button->setAutoDefault(false);
    QObject::connect(button, &QPushButton::clicked, receiver, action);
    return button;
}

QPixmap ledPixmap(const QString &color)
{
    return QPixmap(":/led_" + (color.isEmpty() ? QString("off") : color) + ".png");
}

} // namespace

FramePrinter::FramePrinter(Printer &printer, const UserPrompts &prompts, QWidget *parent)
    : QFrame(parent), m_printer(printer), m_prompts(prompts)
{
    initSpoolwatchResources();
    setFrameShape(QFrame::StyledPanel);
    setObjectName("FramePrinter");
    auto *grid = new QGridLayout(this);
    m_led = valueLabel(QString(), "Activity", "lLed");
    m_led->setFixedSize(16, 16);
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
    addButton("bClose", "close", "Disconnect and close the printer", &FramePrinter::mayCloseThenClose);
    addButton("bReconnect", "reconnect", "Reconnect the COM port", &FramePrinter::reconnect);
    addButton("bLoad", "load", "Load GCode", &FramePrinter::load);
    m_playPause = addButton("bPlayPause", "play", "Play/Pause", &FramePrinter::playPause);
    addButton("bStop", "stop", "Stop and rewind GCode", &FramePrinter::stop);
    addButton("bTerminal", "terminal", "COM Terminal", &FramePrinter::terminal);
    addButton("bViewProgress", "progress", "Show the line being printed in Tessaline", &FramePrinter::viewProgress);
    addButton("bInstallFW", "firmware", "Install the latest FirmWare", &FramePrinter::installFirmware);
    addButton("bMotorOff", "motorsoff", "Motors OFF", &FramePrinter::motorsOff);
    addButton("bHomeXY", "homexy", "Home horizontal X, Y axes", &FramePrinter::homeXY);
    addButton("bHomeZ", "homez", "Home vertical Z axis", &FramePrinter::homeZ);
    addButton("bSetZ", "setz", "Set Z", &FramePrinter::setZ);
    addButton("bThermo", "thermo", "Head and Bed temperature", &FramePrinter::thermo);
    addButton("bFan", "fan", "Fan speed", &FramePrinter::thermo);
    addButton("bTweak", "tweak", "Tweak", &FramePrinter::tweak);
    grid->addWidget(m_buttons, 5, 0, 1, 4);

    auto *extruder = new QHBoxLayout;
    m_extrudeLength = new QDoubleSpinBox;
    m_extrudeLength->setObjectName("seExtrudeLength");
    m_extrudeLength->setToolTip("Filament length");
    m_extrudeLength->setRange(0.1, 200);
    m_extrudeLength->setDecimals(1);
    m_extrudeLength->setSuffix(" mm");
    m_extrudeLength->setValue(defaultExtrudeLength);
    m_extrudeSpeed = new QSpinBox;
    m_extrudeSpeed->setObjectName("seExtrudeSpeed");
    m_extrudeSpeed->setToolTip("Filament speed");
    m_extrudeSpeed->setRange(10, 6000);
    m_extrudeSpeed->setSuffix(" mm/min");
    m_extrudeSpeed->setValue(defaultExtrudeSpeed);
    extruder->addWidget(m_extrudeLength);
    extruder->addWidget(m_extrudeSpeed);
    extruder->addWidget(iconButton("bExtrude", "extrude", "Extrude", this, &FramePrinter::extrude));
    extruder->addWidget(iconButton("bRetract", "retract", "Retract", this, &FramePrinter::retract));
    extruder->addStretch(1);
    grid->addLayout(extruder, 6, 0, 1, 4);

    connect(&m_printer, &Printer::installFirmwareRequested, this, &FramePrinter::startInstaller);
    connect(&m_printer, &Printer::message, this, [this](const QString &text) {
        ++m_messagesShown;
        m_prompts.inform(this, text);
    });
    refresh();
}

QPushButton *FramePrinter::addButton(const QString &name, const QString &icon, const QString &toolTip,
                                     void (FramePrinter::*action)())
{
    QPushButton *button = iconButton(name, icon, toolTip, this, action);
    auto *grid = static_cast<QGridLayout *>(m_buttons->layout());
    const int index = grid->count();
    grid->addWidget(button, index / buttonsPerRow, index % buttonsPerRow);
    return button;
}

void FramePrinter::refresh()
{
    const PanelValues &panel = m_printer.panel();
    m_title->setText("<b>" + m_printer.description().toHtmlEscaped() + "</b> " + Printer::kindName(m_printer.kind()) +
                     " (" + m_printer.link().portName().toHtmlEscaped() + ")" + panel.titleSuffix);
    m_led->setPixmap(ledPixmap(panel.ledColor));
    followInstaller();
    QString status = panel.status;
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
    const bool pauses = m_printer.playing() && !m_printer.paused();
    if (m_playPause->property("pauses").toBool() != pauses) {
        m_playPause->setIcon(QIcon(pauses ? ":/pause.png" : ":/play.png"));
        m_playPause->setProperty("pauses", pauses);
    }
    if (m_terminal)
        m_terminal->showNewTraffic();
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

template <class Dialog> void FramePrinter::openModal()
{
    if (m_dialogOpen)
        return;
    m_dialogOpen = true;
    Dialog dialog(m_printer, this);
    dialog.exec();
    m_dialogOpen = false;
}

void FramePrinter::setZ()
{
    openModal<FrmSetZ>();
}

void FramePrinter::thermo()
{
    openModal<FrmThermo>();
}

void FramePrinter::tweak()
{
    openModal<FrmTweak>();
}

void FramePrinter::terminal()
{
    if (!m_terminal) {
        m_terminal = new FrmTerminal(m_printer, m_title->text(), this);
        m_terminal->setAttribute(Qt::WA_DeleteOnClose);
    }
    m_terminal->show();
    m_terminal->raise();
    m_terminal->activateWindow();
}

void FramePrinter::viewProgress()
{
    if (!m_printer.jobLoaded()) {
        m_prompts.inform(this, "Please load a GCode first!");
        return;
    }
    // The slicer's line cursor counts from 0, as the link counts the line ends it passed.
    const QByteArray message =
        "showline " + m_printer.jobFileName().toUtf8() + '\t' + QByteArray::number(m_printer.link().jobLineNo());
    if (!SingleInstanceServer::send(slicerServerName, "focus") ||
        !SingleInstanceServer::send(slicerServerName, message))
        m_prompts.inform(this, "Tessaline is not running: open it to follow the print there.");
}

void FramePrinter::extrude()
{
    m_printer.extrude(float(m_extrudeLength->value()), float(m_extrudeSpeed->value()));
}

void FramePrinter::retract()
{
    m_printer.extrude(-float(m_extrudeLength->value()), float(m_extrudeSpeed->value()));
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
        m_prompts.warn(this, "Error", message);
    const FWUpdater::State state = m_updater.state();
    if (m_updaterSeen != FWUpdater::Running || state == FWUpdater::Running)
        return;
    m_updaterSeen = state;
    const bool mainBoardDone = state == FWUpdater::Succeeded && m_updater.board() == mWORKER::MainBoard;
    m_printer.setFirmwareUpdateStep(mainBoardDone ? 1 : 0);
}
