// The project and its scene edits, as the main window offers them.
#include "forms/frmmain.h"
#include "ui_frmmain.h"

#include "common/opendialogpaths.h"
#include "forms/userprompts.h"

#include <QListWidget>

void FrmMain::on_fileOp(FileOpEnum op)
{
    m_project.serveFileOp(op, m_fileOps.buffer());
    if (op == FileOpLoadFile || op == FileOpLoadSnapshot) {
        refreshObjectList();
        update();
    }
}

void FrmMain::projectCommand(const QString &name)
{
    if (name == "New Proj")
        m_fileOps.clickNew();
    else if (name == "Open")
        m_fileOps.clickOpen();
    else if (name == "Save")
        m_fileOps.clickSave();
    else if (name == "SaveAs")
        m_fileOps.clickSaveAs();
    else if (name == "Undo")
        m_fileOps.undo();
    else if (name == "Redo")
        m_fileOps.redo();
    refreshObjectList();
}

void FrmMain::addModels()
{
    const QStringList paths =
        m_prompts->openFileNames(this, "Open model", openDialogPaths().path("model"), "3D formats (*.stl *.obj)");
    if (paths.isEmpty())
        return;
    openDialogPaths().remember("model", paths.first());
    if (m_scene.add(paths))
        sceneEdited();
}

void FrmMain::removeSelectedObjects()
{
    if (m_scene.remove())
        refreshObjectList();
}

void FrmMain::sceneEdited()
{
    if (m_autoDrop)
        m_scene.drop();
    refreshObjectList();
    update();
}

void FrmMain::refreshObjectList()
{
    m_refreshingList = true;
    ui->lwObjects->clear();
    for (int i = 0; i < m_project.objectCount(); ++i) {
        const Obj *obj = m_project.object(i);
        auto *item = new QListWidgetItem(obj->name, ui->lwObjects);
        item->setSelected(obj->selected);
    }
    m_refreshingList = false;
}

void FrmMain::on_ObjListViewChanged()
{
    if (m_refreshingList)
        return;
    for (int i = 0; i < m_project.objectCount() && i < ui->lwObjects->count(); ++i)
        m_project.object(i)->selected = ui->lwObjects->item(i)->isSelected();
    update();
}

void FrmMain::on_bSelectAll_clicked()
{
    m_scene.selectAll();
    refreshObjectList();
}

void FrmMain::on_bSelectNone_clicked()
{
    m_scene.selectNone();
    refreshObjectList();
}

void FrmMain::on_bDrop_clicked()
{
    m_scene.drop();
    refreshObjectList();
}

void FrmMain::on_bRotReset_clicked()
{
    if (m_scene.rotReset())
        sceneEdited();
}

void FrmMain::on_bScaleReset_clicked()
{
    if (m_scene.scaleReset())
        sceneEdited();
}

void FrmMain::on_bRealign_clicked()
{
    if (m_scene.realign())
        refreshObjectList();
}

void FrmMain::on_bMirrorX_clicked()
{
    if (m_scene.mirror(0))
        sceneEdited();
}

void FrmMain::on_bMirrorY_clicked()
{
    if (m_scene.mirror(1))
        sceneEdited();
}

void FrmMain::on_bMirrorZ_clicked()
{
    if (m_scene.mirror(2))
        sceneEdited();
}

// The snap angles step the rotation that the view applies with the mouse.
void FrmMain::on_seAngleSnap_1_valueChanged(int value)
{
    m_angleSnap[0] = value;
}

void FrmMain::on_seAngleSnap_2_valueChanged(int value)
{
    m_angleSnap[1] = value;
}

void FrmMain::on_chAngleSnap_1_toggled(bool on)
{
    m_angleSnapOn[0] = on;
}

void FrmMain::on_chAngleSnap_2_toggled(bool on)
{
    m_angleSnapOn[1] = on;
}
