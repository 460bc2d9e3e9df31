#pragma once

#include "engine/slicerparams.h"
#include "forms/overlaycommands.h"
#include "scene/fileops.h"
#include "scene/project.h"
#include "scene/scenecommands.h"

#include <QMainWindow>
#include <QTimer>

#include <memory>

namespace Ui {
class FrmMain;
}
class KeyFilter;
class OverlayBar;
class ProjectFileUi;
class UserPrompts;

// The slicer's main window. Owns the scene and its undo history, the current settings, the G-code
// preview and the settings forms; drives them from one 15 ms timer (title, single-instance messages,
// pending work). Commands arrive from the overlay buttons of the view, the side panels, the keyboard
// (KeyFilter -> handleKeyPress), dropped files and the single-instance channel.
class FrmMain : public QMainWindow
{
    Q_OBJECT
public:
    // `openArgument`: a file named on the command line, opened instead of the last project.
    explicit FrmMain(const QString &openArgument = QString(), QWidget *parent = nullptr);
    ~FrmMain() override;

    // Replaces the question boxes (tests answer them).
    void setUserPrompts(std::unique_ptr<UserPrompts> prompts);

    // The edit mode 0..6 ("Select" .. "GCode"); also sets the view mode it belongs to.
    void setEditMode(int mode);
    int editMode() const { return m_editMode; }
    ViewMode viewMode() const { return m_viewMode; }
    bool autoDrop() const { return m_autoDrop; }
    bool viewStats() const { return m_viewStats; }
    const Project &project() const { return m_project; }
    FileOps &fileOps() { return m_fileOps; }

    // True when the key (portable key text, "Ctrl+S") was a command and has been acted on.
    bool handleKeyPress(const QString &key);
    // Acts on an overlay command by its button name ("Save", "Move", "Slice...").
    void runCommand(const QString &name);
    // Opens a project, adds a model or loads G-code, by the file's extension.
    void openPath(const QString &path, bool askToSaveChanges);
    // Handles one single-instance message ("focus", "open <path>", "showline <path>\t<line>").
    void handleInstanceMessage(const QByteArray &message);

    static QString versionText();

signals:
    void addObj(const QString &fileName);
    void removeObj(const QString &fileName);
    void showFrmSlicer();

public slots:
    void onTimer();
    void on_fileOp(FileOpEnum op);
    void delayedStartup();
    void on_ObjListViewChanged();

protected:
    void closeEvent(QCloseEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragLeaveEvent(QDragLeaveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private slots:
    // Object panel.
    void on_bSelectAll_clicked();
    void on_bSelectNone_clicked();
    void on_bDrop_clicked();
    void on_bRotReset_clicked();
    void on_bScaleReset_clicked();
    void on_bRealign_clicked();
    void on_bMirrorX_clicked();
    void on_bMirrorY_clicked();
    void on_bMirrorZ_clicked();
    void on_seAngleSnap_1_valueChanged(int value);
    void on_seAngleSnap_2_valueChanged(int value);
    void on_chAngleSnap_1_toggled(bool on);
    void on_chAngleSnap_2_toggled(bool on);
    // Support panel.
    void on_bClearSupport_clicked();
    void on_bGenSupport_clicked();
    void on_seMinSteepness_valueChanged(int value);
    // G-code panel.
    void on_seGCodeLayer_valueChanged(int value);
    void on_slGCodeLayer_valueChanged(int value);
    void on_slGCodeAdditionalLayers_valueChanged(int value);
    void on_seGCodeLine_valueChanged(int value);
    void on_slGCodeLine_valueChanged(int value);
    void on_cbGCodeColoring_currentIndexChanged(int index);
    void on_chShowTravel_clicked();
    void on_chShowLegend_clicked();
    void on_bLoadGCode_clicked();
    void on_bSaveGCode_clicked();
    void on_bClearGCode_clicked();
    void on_bPrintGCode_clicked();
    // Clipping panel.
    void on_bClipRedraw_clicked();
    void on_chClipping_clicked();
    // Key frames of the preview animation.
    void on_bkfPrev_clicked();
    void on_bkfNext_clicked();
    void on_bkfPlay_clicked();
    void on_bkfRender_clicked();
    void on_bkfSet_clicked();
    void on_bkfInsert_clicked();
    void on_bkfInsertAfter_clicked();
    void on_bkfDelete_clicked();
    void on_bkfDeleteAll_clicked();
    void on_bkfHome_clicked();
    void on_bkfEnd_clicked();
    void on_seKeyDuration_valueChanged(int value);

private:
    void readSettings();
    void storeSettings();
    void openStartupFile(const QString &openArgument);
    void updateTitle();
    void firstTick();
    void drainInstanceMessages();
    void showView(int viewMode);
    void setViewMode(ViewMode mode);
    void updatePanels();
    void showGCodeLine(const QString &path, int line);
    void openWelcomeProject();
    void storeUnsavedProject();
    QString unsavedProjectPath() const;
    // Shows the scene's objects and selection in the object list.
    void refreshObjectList();
    // After a scene edit: auto drop, then the list.
    void sceneEdited();

    void projectCommand(const QString &name);
    void addModels();
    void removeSelectedObjects();

    // Commands whose machinery arrives with the view, slicing and the settings forms.
    void exportMeshes();
    void openOptions();
    void sliceInBackground();
    void reloadGCodePreview();
    void sendGCodeToHost();
    void homeCamera();

    std::unique_ptr<Ui::FrmMain> ui;
    std::unique_ptr<UserPrompts> m_prompts;
    Project m_project;
    std::unique_ptr<ProjectFileUi> m_projectFileUi;
    FileOps m_fileOps;
    SceneCommands m_scene;
    // Models a drag brought in: they follow the drag and leave with it unless dropped.
    int m_draggedModels = 0;
    QStringList m_draggedNames;
    bool m_refreshingList = false;
    int m_angleSnap[2] = {15, 5};
    bool m_angleSnapOn[2] = {false, false};
    OverlayBar *m_overlayBar = nullptr;
    QTimer m_timer;
    bool m_firstTickDone = false;

    int m_editMode = 1;
    int m_lastNonGCodeMode = 1;
    int m_lastObjEditMode = 1;
    ViewMode m_viewMode = ViewMode::Objects;
    ViewMode m_previousViewMode = ViewMode::Objects;

    bool m_frmSlicerIsSimple = false;
    bool m_autoDrop = true;
    bool m_viewGCode = true;
    bool m_viewStats = false;
    bool m_checkUpdatesOnStart = false;

    SlicerParams m_params;
    // The camera as stored, handed back untouched until the view reads it.
    QString m_cameraText;
};
