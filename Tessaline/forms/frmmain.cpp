#include "forms/frmmain.h"
#include "ui_frmmain.h"

#include "common/files.h"
#include "common/gui/applook.h"
#include "common/gui/singleinstance.h"
#include "common/gui/windowgeometry.h"
#include "common/ini.h"
#include "common/platform/paths.h"
#include "common/platform/window.h"
#include "forms/clippingpanel.h"
#include "forms/droppedfiles.h"
#include "forms/frmoptions.h"
#include "forms/frmslicer.h"
#include "forms/frmslicersimple.h"
#include "forms/frmupdater.h"
#include "forms/gcodepanel.h"
#include "forms/keyfilter.h"
#include "forms/keyframespanel.h"
#include "forms/objectpanel.h"
#include "forms/projectfileui.h"
#include "forms/resources.h"
#include "forms/scenesession.h"
#include "forms/statspanel.h"
#include "forms/supportpanel.h"
#include "forms/userprompts.h"
#include "tessalineversion.h"
#include "view/gcodepreview.h"
#include "view/glviewer.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QFileInfo>

#include <exception>

namespace
{

const int timerIntervalMs = 15;
const int delayedStartupMs = 1000;
const char *const unsavedGCodePrefix = "Unsaved GCode:";

// The message of what opening threw, empty when it succeeded. Loaders throw their message as text.
QString failureOf(const std::function<void()> &open)
{
    try {
        open();
    } catch (const char *message) {
        return QString::fromUtf8(message);
    } catch (const QString &message) {
        return message;
    } catch (const std::exception &error) {
        return QString::fromUtf8(error.what());
    }
    return QString();
}

} // namespace

FrmMain::FrmMain(const QString &openArgument, QWidget *parent)
    : QMainWindow(parent), ui(std::make_unique<Ui::FrmMain>()), m_prompts(std::make_unique<UserPrompts>()),
      m_projectFileUi(std::make_unique<ProjectFileUi>(this, m_prompts)),
      m_session(std::make_unique<SceneSession>(m_projectFileUi.get())), m_commands([this] { return m_editMode; })
{
    initTessalineResources();
    ui->setupUi(this);
    setWindowIcon(programIcon(":/icons/tessaline"));
    setAcceptDrops(true);
    createPanels();

    readSettings();
    createForms();
    createView();

    addCommands();
    qApp->installEventFilter(new KeyFilter(this, [this](const QString &key) { return handleKeyPress(key); }));

    openStartupFile(openArgument);
    readModes();
    // G-code named on the command line is what the user wants to see, whatever view was left last time.
    if (isGCodeFile(openArgument))
        setEditMode(EditMode::GCode);

    connect(&m_timer, &QTimer::timeout, this, &FrmMain::onTimer);
    m_timer.start(timerIntervalMs);

    const Ini &ini = Ini::global();
    m_frmSlicerIsSimple = ini.getInt("frmSlicerIsSimple", m_frmSlicerIsSimple);
    m_session->setAutoDrop(ini.getInt("autoDrop", m_session->autoDrop()));
    m_viewGCode = ini.getInt("viewGCode", m_viewGCode);
    m_viewStats = ini.getInt("viewStats", m_viewStats);
    m_view->buttons().setChecked("Auto drop", m_session->autoDrop());
    m_view->buttons().setChecked("Stats", m_viewStats);
    updatePanels();
    ::restoreGeometry(this, ini);
    updateTitle();
}

FrmMain::~FrmMain()
{
    // The forms hold the settings, the prompts and the session, which go before the widget's children.
    delete m_frmSlicerSimple;
    delete m_frmSlicer;
    delete m_frmOptions;
    delete m_updater;
}

void FrmMain::createPanels()
{
    // In the dock's order, above its closing spacer; each view shows its own (updatePanels).
    int position = 0;
    auto dock = [&](QWidget *panel) {
        ui->sidePanelLayout->insertWidget(position++, panel);
        panel->hide();
    };
    dock(m_objectPanel = new ObjectPanel(*m_session, ui->sidePanel));
    dock(m_supportPanel = new SupportPanel(*m_session, ui->sidePanel));
    dock(m_gcodePanel = new GCodePanel(ui->sidePanel));
    connect(m_gcodePanel, &GCodePanel::commandRequested, this, &FrmMain::gcodeButtonPressed);
    connect(m_gcodePanel, &GCodePanel::viewChoiceChanged, this, &FrmMain::showPreviewInView);
    dock(m_statsPanel = new StatsPanel(ui->sidePanel));
    dock(m_clippingPanel = new ClippingPanel(ui->sidePanel));
    m_clippingPanel->setRecord(
        ClipRecord::fromJson(QJsonDocument::fromJson(Ini::global().getString("clipping").toUtf8()).object()));
    dock(m_keyFramesPanel = new KeyFramesPanel(ui->sidePanel));
    m_keyFramesPanel->load(keyFramesPath());
}

void FrmMain::setUserPrompts(std::unique_ptr<UserPrompts> prompts)
{
    m_prompts = std::move(prompts);
}

bool FrmMain::autoDrop() const
{
    return m_session->autoDrop();
}

const Project &FrmMain::project() const
{
    return m_session->project();
}

FileOps &FrmMain::fileOps()
{
    return m_session->fileOps();
}

QString FrmMain::versionText()
{
    return QString::fromLatin1(TessalineVersion::title);
}

void FrmMain::readSettings()
{
    const Ini &ini = Ini::global();
    m_params.loadFromIni(ini);
}

void FrmMain::readModes()
{
    const Ini &ini = Ini::global();
    m_lastNonGCodeMode = editModeFromInt(ini.getInt("lastNonGCodeMode", int(m_lastNonGCodeMode)));
    // Key "1" returns to this mode: only an object mode may come back from the store.
    const EditMode objectMode = editModeFromInt(ini.getInt("lastObjEditMode", int(m_lastObjEditMode)));
    if (isObjectMode(objectMode))
        m_lastObjEditMode = objectMode;
    setEditMode(editModeFromInt(ini.getInt("lastEditMode", int(EditMode::Move))));
}

void FrmMain::storeSettings()
{
    Ini &ini = Ini::global();
    m_params.storeToIni(ini);
    ini.setString("cam", cameraText());
    ini.setString("clipping",
                  QString::fromUtf8(QJsonDocument(m_clippingPanel->record().toJson()).toJson(QJsonDocument::Compact)));
    ini.setString("lastProject", m_session->fileOps().fileName());
    ini.setInt("lastNonGCodeMode", int(m_lastNonGCodeMode));
    ini.setInt("lastObjEditMode", int(m_lastObjEditMode));
    ini.setInt("lastEditMode", int(m_editMode));
    ini.setInt("frmSlicerIsSimple", m_frmSlicerIsSimple);
    ini.setInt("autoDrop", m_session->autoDrop());
    ini.setInt("viewGCode", m_viewGCode);
    ini.setInt("viewStats", m_viewStats);
    ::storeGeometry(this, ini);
    ini.store();
    m_keyFramesPanel->store(keyFramesPath());
}

QString FrmMain::keyFramesPath()
{
    return platform::dataDir() + "keyframes.dat";
}

void FrmMain::openStartupFile(const QString &openArgument)
{
    if (openArgument.isEmpty()) {
        openLastProject();
        return;
    }
    openPath(openArgument, false);
    m_openedAtStart = true;
    m_commands.run("Camera home");
}

void FrmMain::openLastProject()
{
    const QString lastProject = Ini::global().getString("lastProject");
    const bool named = !lastProject.isEmpty() && QFileInfo(lastProject).isFile();
    const QString path = named ? lastProject : unsavedProjectPath();
    // No file to come back to is the normal case of a fresh start or a project moved away.
    if (!QFileInfo(path).isFile())
        return;
    FileOps &fileOps = m_session->fileOps();
    const QString failure = failureOf([&] {
        fileOps.open(path, false);
        if (!named)
            fileOps.setFileName(QString());
    });
    if (failure.isEmpty())
        return;
    // The window starts empty; the file stays as it is (the close leaves an empty scene unwritten).
    m_startupProblem =
        named ? "The last project could not be opened." : "The last unsaved project could not be opened.";
    m_startupProblemDetail = "\"" + path + "\": " + failure;
}

void FrmMain::reportStartupProblem()
{
    if (m_startupProblem.isEmpty())
        return;
    const QString text = m_startupProblem;
    m_startupProblem.clear();
    m_prompts->warning(this, text, m_startupProblemDetail);
}

QString FrmMain::unsavedProjectPath() const
{
    return platform::dataDir() + "_lastUnsavedProject.tsprj";
}

void FrmMain::setEditMode(EditMode mode)
{
    m_editMode = mode;
    if (mode != EditMode::GCode)
        m_lastNonGCodeMode = mode;
    if (isObjectMode(mode))
        m_lastObjEditMode = mode;
    setViewMode(viewModeOf(mode));
}

void FrmMain::setViewMode(ViewMode mode)
{
    if (mode != m_viewMode) {
        // The view animates from the previous mode to the new one.
        m_previousViewMode = m_viewMode;
        m_viewMode = mode;
    }
    showViewMode();
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
        setEditMode(EditMode::Support);
        break;
    default:
        setEditMode(EditMode::GCode);
        break;
    }
}

void FrmMain::updatePanels()
{
    m_objectPanel->setVisible(m_viewMode == ViewMode::Objects);
    m_supportPanel->setVisible(m_viewMode == ViewMode::Support);
    m_gcodePanel->setVisible(m_viewMode == ViewMode::GCode);
    m_statsPanel->setVisible(m_viewMode == ViewMode::GCode && m_viewStats);
}

void FrmMain::updateTitle()
{
    QString title = versionText();
    if (m_editMode == EditMode::GCode) {
        const QString label = m_gcodePanel->fileLabel();
        title += " GCode:[" + label + "]";
        if (label.startsWith(unsavedGCodePrefix))
            title += "*";
    } else {
        const FileOps &fileOps = m_session->fileOps();
        title += " Project:[" + fileOps.fileName() + "]";
        if (fileOps.changeCount() != 0)
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
    if (m_frmOptions->takeUpdateRequest())
        m_updater->checkForUpdates(true);
    // Once only: the save prompt runs its own event loop, in which this timer ticks on, and a user who
    // cancels it wants to go on working; the download page still opens when the window closes later.
    if (m_updater->hasPackage() && !m_closedForUpdate) {
        m_closedForUpdate = true;
        close();
    }
}

void FrmMain::firstTick()
{
    reportStartupProblem();
    // A file opened from the file manager on the very first start is what the user asked for: the
    // welcome project neither replaces it nor joins it.
    if (Ini::global().getInt("askForCheckUpdates", 1) != 0 && !m_openedAtStart)
        openWelcomeProject();
    QTimer::singleShot(delayedStartupMs, this, &FrmMain::delayedStartup);
}

void FrmMain::openWelcomeProject()
{
    m_session->fileOps().open(":/res/welcome.tsprj", false);
    m_session->fileOps().setFileName(QString());
    dropObjectsInView();
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
    setEditMode(EditMode::GCode);
    if (m_gcodePanel->fileLabel() != path)
        openPath(path, false);
    m_gcodePanel->setLine(line);
}

void FrmMain::openPath(const QString &path, bool askToSaveChanges)
{
    if (!QFileInfo::exists(path))
        throw QString("File not found: \"" + path + "\"");
    if (isProjectFile(path)) {
        m_session->fileOps().open(path, askToSaveChanges);
    } else if (isModelFile(path)) {
        if (m_session->edits().add({path}))
            m_session->edited();
    } else if (isGCodeFile(path)) {
        loadGCode(readFile(path, true), path);
    } else if (isPresetFile(path)) {
        // A preset's settings are shown in the expert form, to be looked at and sliced with or not.
        // (after showing the form, which shows the current settings when it opens).
        m_frmSlicerIsSimple = false;
        showSlicerForm();
        m_frmSlicer->openPreset(path);
    } else {
        throw QString("Unsupported type of file: \"" + path + "\"");
    }
}

void FrmMain::delayedStartup()
{
    // A slice started in the first second pumps the events: its questions wait until it has ended.
    if (m_slicing) {
        QTimer::singleShot(delayedStartupMs, this, &FrmMain::delayedStartup);
        return;
    }
    const QString updater = "Tessaline_updater.exe";
    QFile::remove(QCoreApplication::applicationDirPath() + "/" + updater);
    QFile::remove(QDir::tempPath() + "/" + updater);

    Ini &ini = Ini::global();
    if (ini.getInt("askForCheckUpdates", 1) != 0) {
        const auto answer = m_prompts->question(this, "Looks like Tessaline started for the first time.",
                                                "Do you want automatic updates on application startup?",
                                                QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes);
        ini.setInt("askForCheckUpdates", 0);
        m_frmOptions->setCheckUpdatesOnStartup(answer == QMessageBox::Yes);
    }
    if (m_frmOptions->checkUpdatesOnStartup())
        m_updater->checkForUpdates(false);
}

void FrmMain::closeEvent(QCloseEvent *event)
{
    // The slice's progress is pumping the events: the window goes when the slice has ended.
    if (m_slicing) {
        event->ignore();
        return;
    }
    if (!m_session->fileOps().canCloseApp()) {
        event->ignore();
        return;
    }
    storeSettings();
    // An empty scene is never written over the unsaved project: after a start that could not open the
    // last project, that file still holds the user's earlier unnamed work.
    if (m_session->fileOps().fileName().isEmpty() && !m_session->isEmpty())
        storeUnsavedProject();
    if (m_updater->hasPackage())
        platform::openUrl(m_updater->downloadPageUrl());
    event->accept();
}

void FrmMain::storeUnsavedProject()
{
    // Kept for the next start, which shows it again still unnamed.
    m_session->fileOps().save(unsavedProjectPath());
    m_session->fileOps().setFileName(QString());
}
