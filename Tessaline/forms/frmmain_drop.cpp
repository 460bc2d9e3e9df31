// Files dragged onto the main window.
#include "frmmain.h"
#include "ui_frmmain.h"

#include "droppedfiles.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QMimeData>

void FrmMain::dragEnterEvent(QDragEnterEvent *event)
{
    if (QApplication::activeModalWidget() || !event->mimeData()->hasUrls())
        return;
    if (DroppedFiles::classify(event->mimeData()).isEmpty())
        return;
    event->acceptProposedAction();
}

void FrmMain::dragLeaveEvent(QDragLeaveEvent *event)
{
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
    if (!files.gcode.isEmpty()) {
        setEditMode(6);
        openPath(files.gcode, false);
    } else if (!files.project.isEmpty()) {
        openPath(files.project, true);
    } else {
        for (const QString &model : files.models)
            openPath(model, false);
    }
}
