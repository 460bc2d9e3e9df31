// Files dragged onto the main window. Models join the scene, selected, as soon as the drag enters
// and follow the cursor over the plate, leave it again when the drag leaves; a drop records them
// where they were dropped as one change.
#include "forms/frmmain.h"

#include "forms/droppedfiles.h"
#include "forms/scenesession.h"

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
        Project &project = m_session->project();
        project.selectAll(false);
        m_draggedModels = project.addFiles(files.models);
        m_draggedNames.clear();
        for (const QString &path : files.models)
            m_draggedNames << QFileInfo(path).fileName();
        m_session->changed();
        placeDraggedModels(event->pos());
    }
    event->acceptProposedAction();
}

void FrmMain::dragMoveEvent(QDragMoveEvent *event)
{
    // The models follow the cursor over the plate.
    placeDraggedModels(event->pos());
    event->acceptProposedAction();
}

void FrmMain::dragLeaveEvent(QDragLeaveEvent *event)
{
    if (m_draggedModels > 0) {
        m_session->project().removeSelected();
        m_draggedModels = 0;
        m_session->changed();
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
        placeDraggedModels(event->pos());
        m_draggedModels = 0;
        m_session->fileOps().chg("add(" + m_draggedNames.join(' '));
        m_session->edited();
    } else if (!files.gcode.isEmpty()) {
        setEditMode(EditMode::GCode);
        openPath(files.gcode, false);
    } else if (!files.project.isEmpty()) {
        openPath(files.project, true);
    }
}
