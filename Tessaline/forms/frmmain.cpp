#include "forms/frmmain.h"
#include "ui_frmmain.h"

#include "common/gui/singleinstance.h"
#include "common/gui/windowgeometry.h"
#include "common/ini.h"
#include "common/platform/paths.h"
#include "common/platform/window.h"
#include "forms/droppedfiles.h"
#include "forms/keyfilter.h"
#include "forms/overlaybar.h"
#include "forms/projectfileui.h"
#include "forms/userprompts.h"

#include "forms/resources.h"
#include "tessalineversion.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

const int timerIntervalMs = 15;
const int delayedStartupMs = 1000;
const int gcodeEditMode = 6;
const int supportEditMode = 5;
const char *const unsavedGCodePrefix = "Unsaved GCode:";

int clampEditMode(int mode)
{
    return qBound(0, mode, gcodeEditMode);
}

ViewMode viewModeOfEditMode(int mode)
{
    if (mode == gcodeEditMode)
        return ViewMode::GCode;
    return mode == supportEditMode ? ViewMode::Support : ViewMode::Objects;
}

} // namespace

FrmMain::FrmMain(const QString &openArgument, QWidget *parent)
    : QMainWindow(parent), ui(std::make_unique<Ui::FrmMain>()), m_prompts(std::make_unique<UserPrompts>()),
      m_projectFileUi(std::make_unique<ProjectFileUi>(this, m_prompts)), m_fileOps(m_projectFileUi.get()),
      m_scene(m_project, m_fileOps)
{
    initTessalineResources();
    ui->setupUi(this);
    connect(&m_fileOps, &FileOps::fileOp, this, &FrmMain::on_fileOp);
    connect(ui->lwObjects, &QListWidget::itemSelectionChanged, this, &FrmMain::on_ObjListViewChanged);
    setAcceptDrops(true);
    for (QWidget *panel : {ui->gbObject, ui->gbSupport, ui->gbGCode, ui->gbStats, ui->gbClipping, ui->pKeyFrames})
        panel->hide();

    readSettings();

    m_overlayBar = new OverlayBar(ui->viewHost);
    ui->viewHostLayout->addWidget(m_overlayBar);
    ui->viewHostLayout->addStretch(1);
    connect(m_overlayBar, &OverlayBar::clicked, this, &FrmMain::runCommand);
    qApp->installEventFilter(new KeyFilter(this, [this](const QString &key) { return handleKeyPress(key); }));

    openStartupFile(openArgument);

    m_lastNonGCodeMode = Ini::global().getInt("lastNonGCodeMode", m_lastNonGCodeMode);
    m_lastObjEditMode = Ini::global().getInt("lastObjEditMode", m_lastObjEditMode);
    setEditMode(Ini::global().getInt("lastEditMode", 1));

    connect(&m_timer, &QTimer::timeout, this, &FrmMain::onTimer);
    m_timer.start(timerIntervalMs);

    const Ini &ini = Ini::global();
    m_frmSlicerIsSimple = ini.getInt("frmSlicerIsSimple", m_frmSlicerIsSimple);
    m_autoDrop = ini.getInt("autoDrop", m_autoDrop);
    m_viewGCode = ini.getInt("viewGCode", m_viewGCode);
    m_viewStats = ini.getInt("viewStats", m_viewStats);
    m_overlayBar->setChecked("Auto drop", m_autoDrop);
    m_overlayBar->setChecked("Stats", m_viewStats);
    updatePanels();
    ::restoreGeometry(this, ini);
    updateTitle();
}

FrmMain::~FrmMain() = default;

void FrmMain::setUserPrompts(std::unique_ptr<UserPrompts> prompts)
{
    m_prompts = std::move(prompts);
}

QString FrmMain::versionText()
{
    return QString::fromLatin1(TessalineVersion::title);
}

void FrmMain::readSettings()
{
    const Ini &ini = Ini::global();
    m_params.loadFromIni(ini);
    m_cameraText = ini.getString("cam");
}

void FrmMain::storeSettings()
{
    Ini &ini = Ini::global();
    m_params.storeToIni(ini);
    ini.setString("cam", m_cameraText);
    ini.setString("lastProject", m_fileOps.fileName());
    ini.setInt("lastNonGCodeMode", m_lastNonGCodeMode);
    ini.setInt("lastObjEditMode", m_lastObjEditMode);
    ini.setInt("lastEditMode", m_editMode);
    ini.setInt("frmSlicerIsSimple", m_frmSlicerIsSimple);
    ini.setInt("autoDrop", m_autoDrop);
    ini.setInt("viewGCode", m_viewGCode);
    ini.setInt("viewStats", m_viewStats);
    ::storeGeometry(this, ini);
    ini.store();
}

void FrmMain::openStartupFile(const QString &openArgument)
{
    if (!openArgument.isEmpty()) {
        openPath(openArgument, false);
        homeCamera();
        return;
    }
    const QString lastProject = Ini::global().getString("lastProject");
    try {
        if (!lastProject.isEmpty() && QFileInfo(lastProject).isFile()) {
            m_fileOps.open(lastProject, false);
        } else if (QFileInfo(unsavedProjectPath()).isFile()) {
            m_fileOps.open(unsavedProjectPath(), false);
            m_fileOps.setFileName(QString());
        }
    } catch (...) {
        // A start must not fail on last time's file: the user starts with an empty project instead.
        m_fileOps.new_(false);
    }
    refreshObjectList();
}

QString FrmMain::unsavedProjectPath() const
{
    return platform::dataDir() + "_lastUnsavedProject.tsprj";
}

void FrmMain::setEditMode(int mode)
{
    mode = clampEditMode(mode);
    m_editMode = mode;
    if (mode != gcodeEditMode)
        m_lastNonGCodeMode = mode;
    if (mode < supportEditMode)
        m_lastObjEditMode = mode;
    m_overlayBar->setPressed(editModeNames().at(mode));
    setViewMode(viewModeOfEditMode(mode));
}

void FrmMain::setViewMode(ViewMode mode)
{
    if (mode != m_viewMode) {
        // The view animates from the previous mode to the new one.
        m_previousViewMode = m_viewMode;
        m_viewMode = mode;
    }
    m_overlayBar->showViewMode(mode);
    m_overlayBar->setPressed(editModeNames().at(m_editMode));
    updatePanels();
    update();
}

void FrmMain::showView(int viewMode)
{
    switch (qBound(0, viewMode, 2)) {
    case 0:
        setEditMode(m_lastObjEditMode);
        break;
    case 1:
        setEditMode(supportEditMode);
        break;
    default:
        setEditMode(gcodeEditMode);
        break;
    }
}

void FrmMain::updatePanels()
{
    ui->gbObject->setVisible(m_viewMode == ViewMode::Objects);
    ui->gbSupport->setVisible(m_viewMode == ViewMode::Support);
    ui->gbGCode->setVisible(m_viewMode == ViewMode::GCode);
    ui->gbStats->setVisible(m_viewMode == ViewMode::GCode && m_viewStats);
}

void FrmMain::updateTitle()
{
    QString title = versionText();
    if (m_editMode == gcodeEditMode) {
        const QString label = ui->lGCodeFileName->text();
        title += " GCode:[" + label + "]";
        if (label.startsWith(unsavedGCodePrefix))
            title += "*";
    } else {
        title += " Project:[" + m_fileOps.fileName() + "]";
        if (m_fileOps.changeCount() != 0)
            title += "*";
    }
    if (windowTitle() != title)
        setWindowTitle(title);
}

void FrmMain::onTimer()
{
    updateTitle();
    if (!m_firstTickDone) {
        m_firstTickDone = true;
        firstTick();
    }
    drainInstanceMessages();
}

void FrmMain::firstTick()
{
    if (Ini::global().getInt("askForCheckUpdates", 1) != 0)
        openWelcomeProject();
    QTimer::singleShot(delayedStartupMs, this, &FrmMain::delayedStartup);
}

void FrmMain::openWelcomeProject()
{
    m_fileOps.open(":/res/welcome.tsprj", false);
    m_fileOps.setFileName(QString());
    refreshObjectList();
}

void FrmMain::drainInstanceMessages()
{
    QByteArray message;
    while (singleInstanceReceive(message))
        handleInstanceMessage(message);
}

void FrmMain::handleInstanceMessage(const QByteArray &message)
{
    const bool open = message.startsWith("open ");
    const bool showLine = message.startsWith("showline ");
    if (message == "focus" || open || showLine)
        platform::bringToFront(this);
    if (open)
        openPath(QString::fromUtf8(message.mid(5)), true);
    if (showLine) {
        const QStringList fields = QString::fromUtf8(message.mid(9)).split('\t');
        bool numeric = false;
        const int line = fields.value(1).toInt(&numeric);
        if (fields.size() == 2 && numeric && QFileInfo(fields[0]).isFile())
            showGCodeLine(fields[0], line);
    }
}

void FrmMain::showGCodeLine(const QString &path, int line)
{
    m_overlayBar->setPressed("GCode");
    setEditMode(gcodeEditMode);
    if (ui->lGCodeFileName->text() != path)
        openPath(path, false);
    ui->seGCodeLine->setValue(line);
}

void FrmMain::openPath(const QString &path, bool askToSaveChanges)
{
    if (!QFileInfo::exists(path))
        throw QString("File not found: \"" + path + "\"");
    if (isProjectFile(path)) {
        m_fileOps.open(path, askToSaveChanges);
        refreshObjectList();
    } else if (isModelFile(path)) {
        if (m_scene.add({path}))
            sceneEdited();
    } else if (isGCodeFile(path)) {
        // The G-code preview loads it.
    } else {
        throw QString("Unsupported type of file: \"" + path + "\"");
    }
}

void FrmMain::delayedStartup()
{
    const QString updater = "Tessaline_updater.exe";
    QFile::remove(QCoreApplication::applicationDirPath() + "/" + updater);
    QFile::remove(QDir::tempPath() + "/" + updater);

    Ini &ini = Ini::global();
    if (ini.getInt("askForCheckUpdates", 1) != 0) {
        const auto answer = m_prompts->question(this, "Looks like Tessaline started for the first time.",
                                                "Do you want automatic updates on application startup?",
                                                QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes);
        m_checkUpdatesOnStart = answer == QMessageBox::Yes;
        ini.setInt("askForCheckUpdates", 0);
    }
}

void FrmMain::closeEvent(QCloseEvent *event)
{
    if (!m_fileOps.canCloseApp()) {
        event->ignore();
        return;
    }
    storeSettings();
    if (m_fileOps.fileName().isEmpty())
        storeUnsavedProject();
    event->accept();
}

void FrmMain::storeUnsavedProject()
{
    // Kept for the next start, which shows it again still unnamed.
    m_fileOps.save(unsavedProjectPath());
    m_fileOps.setFileName(QString());
}

void FrmMain::runCommand(const QString &name)
{
    const int mode = editModeNames().indexOf(name);
    if (mode >= 0 && mode < supportEditMode) {
        setEditMode(mode);
    } else if (name == "Objects") {
        showView(0);
    } else if (name == "Support") {
        showView(1);
    } else if (name == "GCode") {
        showView(2);
    } else if (name == "Auto drop") {
        m_autoDrop = !m_autoDrop;
        m_overlayBar->setChecked("Auto drop", m_autoDrop);
    } else if (name == "Stats") {
        m_viewStats = !m_viewStats;
        m_overlayBar->setChecked("Stats", m_viewStats);
        updatePanels();
    } else if (name == "Slice...") {
        emit showFrmSlicer();
    } else if (name == "Options") {
        openOptions();
    } else if (name == "Add") {
        addModels();
    } else if (name == "Remove") {
        removeSelectedObjects();
    } else if (name == "Export") {
        exportMeshes();
    } else if (m_viewMode == ViewMode::GCode && name == "Save") {
        on_bSaveGCode_clicked();
    } else if (name == "Load") {
        on_bLoadGCode_clicked();
    } else if (name == "Clear") {
        on_bClearGCode_clicked();
    } else if (name == "Print") {
        on_bPrintGCode_clicked();
    } else {
        projectCommand(name);
    }
}
