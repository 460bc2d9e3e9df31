// The main window's keyboard commands.
#include "forms/frmmain.h"
#include "ui_frmmain.h"

#include <QHash>

namespace {

const int supportEditMode = 5;

} // namespace

bool FrmMain::handleKeyPress(const QString &key)
{
    const bool objectModes = m_editMode < supportEditMode;
    const bool projectModes = m_editMode <= supportEditMode;

    if (m_editMode == supportEditMode && (key == "Num++" || key == "Num+-")) {
        ui->seSupportBarScale->stepBy(key == "Num++" ? 1 : -1);
        return true;
    }
    if (objectModes) {
        if (key == "Ctrl+A")
            on_bSelectAll_clicked();
        else if (key == "Esc")
            on_bSelectNone_clicked();
        else if (key == "Ins" || key == "Num++")
            addModels();
        else if (key == "Del" || key == "Num+-")
            removeSelectedObjects();
        if (key == "Ctrl+A" || key == "Esc" || key == "Ins" || key == "Num++" || key == "Del" || key == "Num+-")
            return true;
    }

    static const QHash<QString, QString> fileKeys = {{"Ctrl+S", "Save"}, {"Ctrl+O", "Open"}, {"Ctrl+N", "New Proj"}};
    if (fileKeys.contains(key)) {
        if (projectModes)
            projectCommand(fileKeys.value(key));
        else if (key == "Ctrl+S")
            on_bSaveGCode_clicked();
        else if (key == "Ctrl+O")
            on_bLoadGCode_clicked();
        else
            on_bClearGCode_clicked();
        return true;
    }
    if ((key == "Ctrl+Z" || key == "Ctrl+Y") && projectModes) {
        projectCommand(key == "Ctrl+Z" ? "Undo" : "Redo");
        on_ObjListViewChanged();
        return true;
    }

    static const QHash<QString, int> modeKeys = {{"Space", 0}, {"M", 1}, {"R", 2}, {"S", 3}};
    static const QHash<QString, int> viewKeys = {{"1", 0}, {"2", 1}, {"3", 2}, {"U", 1}, {"G", 2}};
    if (modeKeys.contains(key)) {
        setEditMode(modeKeys.value(key));
    } else if (viewKeys.contains(key)) {
        showView(viewKeys.value(key));
    } else if (key == "Left" || key == "Right") {
        showView(int(m_viewMode) + (key == "Left" ? -1 : 1));
    } else if (key == "4") {
        on_bPrintGCode_clicked();
    } else if (key == "Ctrl+L") {
        reloadGCodePreview();
    } else if (key == "Ctrl+Shift+L") {
        sliceInBackground();
    } else if (key == "Ctrl+Q") {
        close();
    } else if (key == "Ctrl+P") {
        sendGCodeToHost();
    } else if (key == "Home") {
        homeCamera();
    } else if (key == "Ctrl+E") {
        exportMeshes();
    } else {
        return false;
    }
    return true;
}
