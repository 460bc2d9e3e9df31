// The main window's command table: every overlay button and command key, declared once.
#include "forms/frmmain.h"

#include "common/opendialogpaths.h"
#include "forms/frmslicer.h"
#include "forms/scenesession.h"
#include "forms/statspanel.h"
#include "forms/supportpanel.h"
#include "forms/userprompts.h"
#include "view/glviewer.h"

namespace
{

// The action of a command whose feature has not been built yet: its button and key are taken and do
// nothing, so that the feature fills in this one entry when it lands.
const std::function<void()> pending;

} // namespace

bool FrmMain::handleKeyPress(const QString &key)
{
    return m_commands.runKey(key);
}

void FrmMain::runCommand(const QString &name)
{
    m_commands.run(name);
}

void FrmMain::addCommands()
{
    addProjectCommands();
    addViewCommands();
    addPendingCommands();
}

void FrmMain::addProjectCommands()
{
    const EditModes project = EditModes::projectModes();
    const EditModes objects = EditModes::objectModes();
    SceneSession &session = *m_session;
    FileOps &fileOps = session.fileOps();
    m_commands.add({"New Proj", {"Ctrl+N"}, project, [&fileOps] { fileOps.clickNew(); }});
    m_commands.add({"Open", {"Ctrl+O"}, project, [&fileOps] { fileOps.clickOpen(); }});
    m_commands.add({"Save", {"Ctrl+S"}, project, [&fileOps] { fileOps.clickSave(); }});
    m_commands.add({"SaveAs", {}, project, [&fileOps] { fileOps.clickSaveAs(); }});
    m_commands.add({"Undo", {"Ctrl+Z"}, project, [&fileOps] { fileOps.undo(); }});
    m_commands.add({"Redo", {"Ctrl+Y"}, project, [&fileOps] { fileOps.redo(); }});

    m_commands.add({"Select all", {"Ctrl+A"}, objects, [&session] {
                        session.edits().selectAll();
                        session.changed();
                    }});
    m_commands.add({"Select none", {"Esc"}, objects, [&session] {
                        session.edits().selectNone();
                        session.changed();
                    }});
    m_commands.add({"Add", {"Ins", "Num++"}, objects, [this] { addModels(); }});
    m_commands.add({"Remove", {"Del", "Num+-"}, objects, [&session] {
                        if (session.edits().remove())
                            session.changed();
                    }});

    // The keypad's plus and minus size the hand-placed bars while the support bars are edited.
    const EditModes support = {EditMode::Support};
    m_commands.add({"Bar scale up", {"Num++"}, support, [this] { m_supportPanel->stepBarScale(1); }});
    m_commands.add({"Bar scale down", {"Num+-"}, support, [this] { m_supportPanel->stepBarScale(-1); }});
    m_commands.add({"Auto drop", {}, EditModes::all(), [this] { toggleAutoDrop(); }});
}

void FrmMain::addViewCommands()
{
    const EditModes all = EditModes::all();
    const struct {
        EditMode mode;
        const char *key;
    } modeKeys[] = {{EditMode::Select, "Space"},
                    {EditMode::Move, "M"},
                    {EditMode::Rotate, "R"},
                    {EditMode::Scale, "S"},
                    {EditMode::DropPlane, nullptr}};
    for (const auto &entry : modeKeys) {
        const EditMode mode = entry.mode;
        const QStringList keys = entry.key ? QStringList{entry.key} : QStringList();
        m_commands.add({editModeName(mode), keys, all, [this, mode] { setEditMode(mode); }});
    }
    m_commands.add({"Objects", {"1"}, all, [this] { showView(int(ViewMode::Objects)); }});
    m_commands.add({"Support", {"U", "2"}, all, [this] { showView(int(ViewMode::Support)); }});
    m_commands.add({"GCode", {"G", "3"}, all, [this] { showView(int(ViewMode::GCode)); }});
    m_commands.add({"Previous view", {"Left"}, all, [this] { showView(int(m_viewMode) - 1); }});
    m_commands.add({"Next view", {"Right"}, all, [this] { showView(int(m_viewMode) + 1); }});
    m_commands.add({"Stats", {}, all, [this] { toggleStats(); }});
    m_commands.add({"Slice...", {}, all, [this] { emit showFrmSlicer(); }});
    m_commands.add({"Options", {}, all, [this] { showOptions(); }});
    m_commands.add({"Close", {"Ctrl+Q"}, all, [this] { close(); }});
}

void FrmMain::addPendingCommands()
{
    const EditModes all = EditModes::all();
    const EditModes gcode = {EditMode::GCode};
    // The G-code files; in the G-code view the project's file keys act on the G-code.
    m_commands.add({"Save", {"Ctrl+S"}, gcode, [this] { on_bSaveGCode_clicked(); }});
    m_commands.add({"Load", {"Ctrl+O"}, gcode, [this] { on_bLoadGCode_clicked(); }});
    m_commands.add({"Clear", {"Ctrl+N"}, gcode, [this] { on_bClearGCode_clicked(); }});
    m_commands.add({"Print", {"4"}, all, [this] { on_bPrintGCode_clicked(); }});
    m_commands.add({"Send to host", {"Ctrl+P"}, all, [this] { on_bPrintGCode_clicked(); }});
    // Refreshes the settings from the forms and shows the current G-code again as unsaved.
    m_commands.add({"Reload preview", {"Ctrl+L"}, all, [this] {
                        m_frmSlicer->takeParams(m_params);
                        reloadPreview();
                    }});
    m_commands.add({"Export", {"Ctrl+E"}, all, [this] { exportMeshes(); }});
    m_commands.add({"Slice in background", {"Ctrl+Shift+L"}, all, [this] { sliceBackground(); }});
    m_commands.add({"Camera home", {"Home"}, all, [this] {
                        m_view->camera().home();
                        m_view->update();
                    }});
}

void FrmMain::addModels()
{
    const QStringList paths =
        m_prompts->openFileNames(this, "Open model", openDialogPaths().path("model"), "3D formats (*.stl *.obj)");
    if (paths.isEmpty())
        return;
    openDialogPaths().remember("model", paths.first());
    if (m_session->edits().add(paths))
        m_session->edited();
}

void FrmMain::toggleAutoDrop()
{
    m_session->setAutoDrop(!m_session->autoDrop());
    m_view->buttons().setChecked("Auto drop", m_session->autoDrop());
    m_view->update();
}

void FrmMain::toggleStats()
{
    m_viewStats = !m_viewStats;
    m_view->buttons().setChecked("Stats", m_viewStats);
    m_view->update();
    updatePanels();
}
