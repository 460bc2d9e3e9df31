#pragma once

#include "engine/slicer.h"
#include "engine/slicerparams.h"
#include "forms/commandtable.h"
#include "forms/gcodesummary.h"
#include "forms/gcodepanel.h"
#include "forms/modes.h"
#include "scene/project.h"
#include "view/gcodepreview.h"

#include <QMainWindow>
#include <QTimer>

#include <memory>

namespace Ui
{
class FrmMain;
}
class FrmOptions;
class FrmSlicer;
class FrmSlicerSimple;
class ClippingPanel;
class FrmUpdater;
class KeyFramesPanel;
class ObjectPanel;
class GlViewer;
class ProjectFileUi;
class SceneSession;
class StatsPanel;
class SupportPanel;
class UserPrompts;

// The slicer's main window: a frame that composes the scene session, one side panel per view, the
// 3D view with its overlay buttons and one command table, and drives them from a 15 ms timer (title, single-instance
// messages, pending work). Commands arrive from the overlay buttons and the keyboard (KeyFilter ->
// handleKeyPress), both through the command table (frmmain_commands.cpp); the panels serve their own
// widgets; dropped files and single-instance messages open files.
class FrmMain : public QMainWindow
{
    Q_OBJECT
public:
    // `openArgument`: a file named on the command line, opened instead of the last project.
    explicit FrmMain(const QString &openArgument = QString(), QWidget *parent = nullptr);
    ~FrmMain() override;

    // Replaces the question boxes (tests answer them).
    void setUserPrompts(std::unique_ptr<UserPrompts> prompts);

    // Also sets the view mode the edit mode belongs to and presses its overlay button.
    void setEditMode(EditMode mode);
    EditMode editMode() const { return m_editMode; }
    ViewMode viewMode() const { return m_viewMode; }
    bool autoDrop() const;
    bool viewStats() const { return m_viewStats; }
    const Project &project() const;
    FileOps &fileOps();
    const CommandTable &commands() const { return m_commands; }

    // True when the key (portable key text, "Ctrl+S") was a command in the current mode.
    bool handleKeyPress(const QString &key);
    // Runs the command of an overlay button's name ("Save", "Move", "Slice...") in the current mode.
    void runCommand(const QString &name);
    // Opens a project, adds a model or loads G-code, by the file's extension.
    void openPath(const QString &path, bool askToSaveChanges);
    // Handles one single-instance message ("focus", "open <path>", "showline <path>\t<line>").
    void handleInstanceMessage(const QByteArray &message);

    static QString versionText();

    // Slices the scene in this thread with the current settings, the options' machine record and thread
    // settings; keeps the G-code and shows its statistics (and the G-code view unless `noPreview`). A slice
    // that fails is reported and leaves the previous G-code in place. True when it succeeded.
    bool sliceNow(const SliceProgress &progress, bool noPreview = false);
    // Slices in this thread too, but shows the G-code view at once and grows its preview layer by layer
    // while the engine produces them; the window's controls are disabled until the slice ends.
    void sliceBackground();
    // The G-code in the preview: its segments by layer, parser totals and first error.
    const GCodePreview &preview() const { return m_preview; }
    // What the G-code panel chooses to draw (layers, colouring, travels, legend).
    GCodeViewChoice gcodeViewChoice() const;
    // The last sliced G-code, the project's base name for its files, its label and statistics.
    const QByteArray &gcode() const { return m_gcode; }
    const QString &gcodeBaseName() const { return m_gcodeBaseName; }
    QString gcodeLabel() const;
    // The preview's line cursor (a line of the G-code, from 0).
    int gcodeLine() const;
    const GCodeSummary &gcodeSummary() const { return m_gcodeSummary; }
    QString statsText() const;

    // Shows G-code (text or the compact binary form, which is converted) under a label: a file path,
    // "Unsaved GCode: " + the project's path or "Empty GCode". Reports a parse error once, keeping what parsed.
    void loadGCode(const QByteArray &data, const QString &label);
    // Where the print hand-over writes its temporary files and which host it calls; tests point them
    // elsewhere. By default the shared hand-over folder, "Spoolwatch" and the program found beside this one.
    void setHostHandOver(const QString &folder, const QString &serverName, const QString &hostProgram);

    SlicerParams &params() { return m_params; }
    // Opens the form chosen by "frmSlicerIsSimple" (the "Slice..." command).
    void showSlicerForm();
    void showOptions();
    FrmSlicer &frmSlicer() { return *m_frmSlicer; }
    FrmSlicerSimple &frmSlicerSimple() { return *m_frmSlicerSimple; }
    FrmOptions &frmOptions() { return *m_frmOptions; }
    GlViewer &view() { return *m_view; }
    // The view's camera as the settings store keeps it ("cam").
    QString cameraText() const;
    FrmUpdater &frmUpdater() { return *m_updater; }
    bool frmSlicerIsSimple() const { return m_frmSlicerIsSimple; }

signals:
    void addObj(const QString &fileName);
    void removeObj(const QString &fileName);
    void showFrmSlicer();

public slots:
    void onTimer();
    void delayedStartup();

public:
    // The G-code commands: open, save, clear, hand to the printer host. Run from the command table, not
    // slots: the window has no buttons of these names for the form's automatic connections to look for.
    void on_bLoadGCode_clicked();
    void on_bSaveGCode_clicked();
    void on_bClearGCode_clicked();
    void on_bPrintGCode_clicked();
    // Writes the selected objects (all when none is selected) as one STL or OBJ mesh.
    void exportMeshes();

protected:
    void closeEvent(QCloseEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragLeaveEvent(QDragLeaveEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void createPanels();
    void readSettings();
    void readModes();
    void storeSettings();
    void openStartupFile(const QString &openArgument);
    void openLastProject();
    void reportStartupProblem();
    void updateTitle();
    void firstTick();
    void drainInstanceMessages();
    void showView(int viewMode);
    void setViewMode(ViewMode mode);
    void updatePanels();
    void showGCodeLine(const QString &path, int line);
    void openWelcomeProject();
    void createForms();
    void slicerFormClosed(bool switchRequested);
    void showStatistics();
    QString computeGCodeBaseName() const;
    void gcodeButtonPressed(const QString &name);
    void reloadPreview();
    void storeUnsavedProject();
    // Runs the engine over the scene with the current settings and the options' machine and threads, the
    // window disabled meanwhile; an engine failure comes back as its message and an empty result.
    QByteArray runSlicer(const SliceProgress &progress, QString &failure);
    // The preview (frmmain_preview.cpp).
    void resetPreview();
    void parseIntoPreview(const QByteArray &text);
    // After the preview changed: the panel's ranges and the view follow it.
    void previewGrew(bool whole);
    void showPreviewInView();
    QString unsavedProjectPath() const;
    // Where the camera key frames are kept between runs.
    static QString keyFramesPath();

    // The command table (frmmain_commands.cpp).
    void addCommands();
    void addProjectCommands();
    void addViewCommands();
    void addPendingCommands();
    void addModels();
    void toggleAutoDrop();
    void toggleStats();

    // The 3D view (frmmain_view.cpp).
    void createView();
    void createOverlayButtons();
    // The view's mouse tools (frmmain_view.cpp): their edits reach the session, the panels set their options.
    void connectMouseEdits();
    void applyMouseOptions();
    void applyMouseMode();
    // Build volume, platform shape and the environment look of the current view from the options.
    void applyViewOptions();
    void applyCamera(const QString &text);
    void showViewMode();
    // The G-code view shows the beads of the current G-code.
    // Starts the objects raised, one above the other, so that they fall onto the plate.
    void dropObjectsInView();
    // Moves the models a drag brings in to the plate point under the cursor (window coordinates).
    void placeDraggedModels(const QPoint &windowPos);

    std::unique_ptr<Ui::FrmMain> ui;
    std::unique_ptr<UserPrompts> m_prompts;
    std::unique_ptr<ProjectFileUi> m_projectFileUi;
    std::unique_ptr<SceneSession> m_session;
    CommandTable m_commands;
    ObjectPanel *m_objectPanel = nullptr;
    SupportPanel *m_supportPanel = nullptr;
    GCodePanel *m_gcodePanel = nullptr;
    StatsPanel *m_statsPanel = nullptr;
    KeyFramesPanel *m_keyFramesPanel = nullptr;
    ClippingPanel *m_clippingPanel = nullptr;
    GlViewer *m_view = nullptr;
    QTimer m_timer;
    bool m_firstTickDone = false;
    // Why last time's project could not be opened; told the user once the window shows.
    QString m_startupProblem;
    // A file named on the command line was opened at start: the first start's welcome project stays away.
    bool m_openedAtStart = false;
    QString m_startupProblemDetail;

    // Models a drag brought in: they follow the drag and leave with it unless dropped.
    int m_draggedModels = 0;
    QStringList m_draggedNames;

    EditMode m_editMode = EditMode::Move;
    EditMode m_lastNonGCodeMode = EditMode::Move;
    EditMode m_lastObjEditMode = EditMode::Move;
    ViewMode m_viewMode = ViewMode::Objects;
    ViewMode m_previousViewMode = ViewMode::Objects;

    bool m_frmSlicerIsSimple = false;
    bool m_viewGCode = true;
    bool m_viewStats = false;
    // Set once a verified update has closed the window; a cancelled save prompt then keeps it open.
    bool m_closedForUpdate = false;

    SlicerParams m_params;
    // The settings forms and the options; the expert form edits m_params.
    FrmSlicer *m_frmSlicer = nullptr;
    FrmSlicerSimple *m_frmSlicerSimple = nullptr;
    FrmOptions *m_frmOptions = nullptr;
    FrmUpdater *m_updater = nullptr;
    // The last sliced G-code, kept for the preview, saving and printing.
    QByteArray m_gcode;
    QString m_gcodeBaseName;
    GCodeSummary m_gcodeSummary;
    GCodePreview m_preview;
    // A background slice is running: its progress pumps the events, so nothing may close the window.
    bool m_slicing = false;
    // Empty: the defaults (see setHostHandOver).
    QString m_handOverFolder;
    QString m_hostServerName;
    QString m_hostProgram;
};
