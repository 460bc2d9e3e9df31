#include "ui/frmmain.h"

#include "common/gui/applook.h"
#include "common/gui/singleinstance.h"
#include "common/gui/windowgeometry.h"
#include "common/ini.h"
#include "common/platform/paths.h"
#include "common/platform/window.h"
#include "link/printer.h"
#include "spoolwatchversion.h"
#include "ui/frameprinter.h"
#include "ui/resources.h"

#include <QAction>
#include <QCloseEvent>
#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QMenuBar>
#include <QScrollArea>
#include <QTimer>
#include <QVBoxLayout>

namespace
{

constexpr char manualPortsKey[] = "nonTaliformPortNames";
constexpr char alwaysOnTopKey[] = "AlwaysOnTop";

} // namespace

FrmMain::FrmMain(const QString &fileArgument, UserPrompts prompts, QWidget *parent)
    : QMainWindow(parent), m_prompts(std::move(prompts)), m_fileArgument(fileArgument)
{
    initSpoolwatchResources();
    setObjectName("FrmMain");
    setWindowTitle(SpoolwatchVersion::title);
    setWindowIcon(programIcon(":/icons/spoolwatch"));
    resize(720, 480);

    auto *scroll = new QScrollArea;
    scroll->setWidgetResizable(true);
    m_panels = new QWidget;
    m_panelLayout = new QVBoxLayout(m_panels);
    m_empty = new QLabel(emptyText);
    m_empty->setObjectName("lEmpty");
    m_empty->setAlignment(Qt::AlignCenter);
    m_panelLayout->addWidget(m_empty);
    m_panelLayout->addStretch(1);
    scroll->setWidget(m_panels);
    setCentralWidget(scroll);

    QMenu *printersMenu = menuBar()->addMenu("&Printers");
    QAction *add = printersMenu->addAction("Add a printer manually...");
    add->setShortcut(QKeySequence("Ctrl+A"));
    connect(add, &QAction::triggered, this, &FrmMain::on_actionAddPrinterManually_triggered);
    QAction *detect = printersMenu->addAction("Detect Taliforms");
    detect->setShortcut(QKeySequence("Ctrl+R"));
    connect(detect, &QAction::triggered, this, &FrmMain::on_actionDetectTaliforms_triggered);
    QMenu *windowMenu = menuBar()->addMenu("&Window");
    m_alwaysOnTop = windowMenu->addAction("&Always on top");
    m_alwaysOnTop->setCheckable(true);

    Ini &ini = Ini::global();
    ::restoreGeometry(this, ini);
    m_alwaysOnTop->setChecked(ini.getBool(alwaysOnTopKey, false));
    setWindowFlag(Qt::WindowStaysOnTopHint, m_alwaysOnTop->isChecked());
    connect(m_alwaysOnTop, &QAction::toggled, this, [this](bool on) {
        setWindowFlag(Qt::WindowStaysOnTopHint, on);
        show();
    });
    m_manualPorts = ini.getString(manualPortsKey).split(';', Qt::SkipEmptyParts);

    m_timer = new QTimer(this);
    connect(m_timer, &QTimer::timeout, this, &FrmMain::onTimer);
    m_timer->start(100);
    m_timerRapid = new QTimer(this);
    connect(m_timerRapid, &QTimer::timeout, this, &FrmMain::onTimerRapid);
    m_timerRapid->start(30);
    m_timerMinute = new QTimer(this);
    connect(m_timerMinute, &QTimer::timeout, this, &FrmMain::onTimerMinute);
    m_timerMinute->start(60000);
    QTimer::singleShot(0, this, &FrmMain::startup);
}

FrmMain::~FrmMain()
{
    // Panels go before their printers: a panel refers to its printer.
    for (Entry &entry : m_entries)
        delete entry.frame;
}

std::vector<Printer *> FrmMain::printers() const
{
    std::vector<Printer *> list;
    for (const Entry &entry : m_entries)
        list.push_back(entry.printer.get());
    return list;
}

std::vector<FramePrinter *> FrmMain::frames() const
{
    std::vector<FramePrinter *> list;
    for (const Entry &entry : m_entries)
        list.push_back(entry.frame);
    return list;
}

void FrmMain::startup()
{
    updateTaliforms();
    processCommandLine();
}

void FrmMain::onTimer()
{
    // Printers come and go with their USB ports; the port list is cheap to read, so it is polled.
    updateTaliforms();
    for (Entry &entry : m_entries) {
        entry.printer->setLatestFirmwareBuild(m_firmwareCheck.latestBuild());
        entry.printer->update();
        entry.frame->refresh();
    }
}

void FrmMain::onTimerRapid()
{
    QByteArray message;
    while (singleInstanceReceive(message)) {
        if (message == "focus" || message.startsWith("open"))
            platform::bringToFront(this);
        if (message.startsWith("open "))
            loadFromOutside(QString::fromUtf8(message.mid(5)));
    }
    // Renewed every 5 s rather than every tick: asking logind costs a round trip on the system bus.
    m_keepAwakeSeconds += m_timerRapid->interval() / 1000.0;
    if (m_keepAwakeSeconds >= 5) {
        m_keepAwakeSeconds = 0;
        bool printing = false;
        for (const Entry &entry : m_entries)
            printing = printing || (entry.printer->playing() && !entry.printer->paused());
        m_keepAwake.update(printing);
    }
}

void FrmMain::onTimerMinute()
{
    m_firmwareCheck.start();
}

void FrmMain::updateTaliforms()
{
    for (const PortChange &change : m_portWatch.refresh(ports::presentPorts(), m_manualPorts)) {
        Entry *entry = find(change.portName);
        switch (change.type) {
        case PortChange::Added:
            addPrinter(change.portName, change.kind, change.description);
            break;
        case PortChange::KindChanged:
            if (entry)
                entry->printer->setPort(change.kind, change.portName, entry->printer->description());
            break;
        case PortChange::Vanished:
            if (entry)
                entry->printer->markDisconnected();
            break;
        case PortChange::Returned:
            if (entry)
                entry->printer->setPort(change.kind, change.portName, entry->printer->description());
            break;
        case PortChange::Removed:
            if (entry)
                closePrinter(entry->frame);
            break;
        }
    }
}

void FrmMain::on_actionAddPrinterManually_triggered()
{
    QStringList open = m_manualPorts;
    for (const Entry &entry : m_entries)
        open << entry.printer->link().portName();
    const QString port = m_prompts.addPrinter(this, open);
    if (port.isEmpty() || open.contains(port))
        return;
    m_manualPorts << port;
    updateTaliforms();
}

void FrmMain::on_actionDetectTaliforms_triggered()
{
    m_portWatch.rediscover();
    updateTaliforms();
}

void FrmMain::processCommandLine()
{
    if (!m_fileArgument.isEmpty())
        loadFromOutside(QFileInfo(m_fileArgument).absoluteFilePath());
    m_fileArgument.clear();
}

FrmMain::Entry *FrmMain::find(const QString &portName)
{
    for (Entry &entry : m_entries)
        if (entry.printer->link().portName() == portName)
            return &entry;
    return nullptr;
}

void FrmMain::addPrinter(const QString &portName, int kind, const QString &description)
{
    Entry entry;
    entry.printer = std::make_unique<Printer>();
    entry.printer->setPort(kind, portName, description);
    entry.frame = new FramePrinter(*entry.printer, m_prompts, m_panels);
    connect(entry.frame, &FramePrinter::closeRequested, this, &FrmMain::closePrinter);
    m_panelLayout->insertWidget(m_panelLayout->count() - 1, entry.frame);
    m_entries.push_back(std::move(entry));
    showEmptyText();
}

void FrmMain::closePrinter(FramePrinter *frame)
{
    for (auto it = m_entries.begin(); it != m_entries.end(); ++it) {
        if (it->frame != frame)
            continue;
        const QString portName = it->printer->link().portName();
        m_portWatch.forget(portName);
        m_manualPorts.removeAll(portName);
        // Deleted later: the close button that asked is still on the stack.
        it->frame->deleteLater();
        it->frame->hide();
        it->printer.release()->deleteLater();
        m_entries.erase(it);
        break;
    }
    showEmptyText();
}

void FrmMain::showEmptyText()
{
    m_empty->setVisible(m_entries.empty());
}

void FrmMain::loadFromOutside(const QString &fileName)
{
    std::vector<Printer *> candidates;
    QStringList names;
    for (const Entry &entry : m_entries) {
        Printer &printer = *entry.printer;
        if (printer.kind() == Printer::TaliformFirmwareUpdate || printer.jobBegun() || printer.disconnected())
            continue;
        candidates.push_back(&printer);
        names << printer.description() + " (" + printer.link().portName() + ")";
    }
    if (candidates.empty()) {
        m_prompts.inform(this, "No available printer to load that GCode.");
        return;
    }
    int picked = 0;
    if (candidates.size() > 1)
        picked = m_prompts.choose(this, chooserTitle, names);
    if (picked < 0 || picked >= int(candidates.size()))
        return;
    Printer &printer = *candidates[size_t(picked)];
    QString error;
    if (printer.loadJob(fileName, &error))
        qDebug().noquote() << "FrmMain::loadFromOutside()" << fileName << "loaded into" << printer.link().portName();
    else if (!error.isEmpty())
        m_prompts.inform(this, error);
}

bool FrmMain::isHandOverTempFile(const QString &fileName)
{
    const QFileInfo info(fileName);
    return QDir(info.absolutePath()) == QDir(platform::handOverDir()) && info.fileName().startsWith("temp_") &&
           info.fileName().endsWith(".gco");
}

void FrmMain::removeHandOverTempFiles()
{
    QDir folder(platform::handOverDir());
    for (const QString &name : folder.entryList({"temp_*.gco"}, QDir::Files))
        folder.remove(name);
}

bool FrmMain::mayQuit()
{
    int jobs = 0;
    for (const Entry &entry : m_entries) {
        if (entry.printer->firmwareUpdateStep() >= 2) {
            m_prompts.inform(this, "There is a Taliform updating its FirmWare. Please wait until it's finished.");
            return false;
        }
        jobs += entry.printer->jobBegun() ? 1 : 0;
    }
    if (jobs == 0)
        return true;
    const QString count =
        jobs == 1 ? QString("There is an ongoing print yob.") : QString("There are %1 ongoing print jobs.").arg(jobs);
    return m_prompts.ask(this, "Closing Spoolwatch", count + " Are you sure you want to quit?");
}

void FrmMain::closeEvent(QCloseEvent *event)
{
    if (!mayQuit()) {
        event->ignore();
        return;
    }
    Ini &ini = Ini::global();
    ini.setBool(alwaysOnTopKey, m_alwaysOnTop->isChecked());
    ini.setString(manualPortsKey, m_manualPorts.join(';'));
    ::storeGeometry(this, ini);
    ini.store();
    removeHandOverTempFiles();
    event->accept();
}
