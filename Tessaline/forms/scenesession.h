#pragma once

#include "scene/fileops.h"
#include "scene/project.h"
#include "scene/scenecommands.h"
#include "scene/supports.h"

#include <QObject>

class FileOpsUi;

// The project as the main window's parts share it: the scene, its document and undo history, the
// recorded scene edits and the auto-drop rule. The side panels, the keyboard commands and (later) the
// view edit the scene through it and learn of every change from sceneChanged, so that none of them
// reaches into another.
class SceneSession : public QObject
{
    Q_OBJECT
public:
    // `ui` answers the document's questions (save changes, file names); it must outlive the session.
    explicit SceneSession(FileOpsUi *ui, QObject *parent = nullptr);

    Project &project() { return m_project; }
    const Project &project() const { return m_project; }
    FileOps &fileOps() { return m_fileOps; }
    SceneCommands &edits() { return m_edits; }

    // When on, every transform ends with the selection dropped onto the plate.
    bool autoDrop() const { return m_autoDrop; }
    void setAutoDrop(bool on) { m_autoDrop = on; }

    // After an edit that has been recorded: auto drop, then everyone shows the scene again.
    void edited();
    // After a change that records nothing (selection, a drag in progress): everyone shows it again.
    void changed() { emit sceneChanged(); }
    bool isEmpty() const { return m_project.objectCount() == 0 && m_project.supportBars.isEmpty(); }

    // Replaces the bars by generated ones and records "Supports generated" (mm, degrees).
    void generateSupports(float thickness, float minSteepness, const SupportProgress &progress);
    // Records "Supports cleared" when there were bars.
    void clearSupports();

signals:
    void sceneChanged();

public slots:
    // Serves the document: loads the project from, or stores it into, the document's buffer.
    void on_fileOp(FileOpEnum op);

private:
    Project m_project;
    FileOps m_fileOps;
    SceneCommands m_edits;
    bool m_autoDrop = true;
};
