// Files dragged onto the main window. Models join the scene, selected, as soon as the drag enters
// (so that they can follow the cursor) and leave it again when the drag leaves; a drop records them
// as one change.
#include "forms/frmmain.h"
#include "ui_frmmain.h"

#include "forms/droppedfiles.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QFileInfo>
#include <QMimeData>

void FrmMain::dragEnterEvent(QDragEnterEvent *event)
{
    if (QApplication::activeModalWidget() || !event->mimeData()->hasUrls())
        return;
    const DroppedFiles files = DroppedFiles::classify(event->mimeData());
    if (files.isEmpty())
        return;
    if (!files.models.isEmpty()) {
        m_project.selectAll(false);
        m_draggedModels = m_project.addFiles(files.models);
        m_draggedNames.clear();
        for (const QString &path : files.models)
            m_draggedNames << QFileInfo(path).fileName();
        refreshObjectList();
    }
    event->acceptProposedAction();
}

void FrmMain::dragLeaveEvent(QDragLeaveEvent *event)
{
    if (m_draggedModels > 0) {
        m_project.removeSelected();
        m_draggedModels = 0;
        refreshObjectList();
    }
    event->accept();
}

void FrmMain::dropEvent(QDropEvent *event)
{
    const DroppedFiles files = DroppedFiles::classify(event->mimeData());
    if (files.isEmpty())
        return;
    event->acceptProposedAction();
    activateWindow();
    setFocus();
    if (m_draggedModels > 0) {
        m_draggedModels = 0;
        m_fileOps.chg("add(" + m_draggedNames.join(' '));
        sceneEdited();
    } else if (!files.gcode.isEmpty()) {
        setEditMode(6);
        openPath(files.gcode, false);
    } else if (!files.project.isEmpty()) {
        openPath(files.project, true);
    }
}
