// The G-code files of the window: open, save, clear, hand to the printer host; and the export of meshes.
#include "forms/frmmain.h"

#include "common/files.h"
#include "common/gcode/gcodesimxcode.h"
#include "common/opendialogpaths.h"
#include "common/platform/paths.h"
#include "forms/gcodehandover.h"
#include "forms/gcodepanel.h"
#include "forms/scenesession.h"
#include "forms/userprompts.h"

#include <QDebug>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSaveFile>

namespace
{

const char *const unsavedPrefix = "Unsaved GCode:";
const char *const emptyLabel = "Empty GCode";
const char *const gcodeFilter = "GCode files(*.gcode *.gco)";
const char *const meshFilter = "STL(*.stl);;Wavefront OBJ(*.obj)";

// False with the reason when the bytes could not all be written.
bool writeWhole(const QString &path, const QByteArray &bytes, QString &reason)
{
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit())
        return true;
    reason = file.errorString();
    return false;
}

} // namespace

void FrmMain::gcodeButtonPressed(const QString &name)
{
    if (name == "Load")
        on_bLoadGCode_clicked();
    else if (name == "Save")
        on_bSaveGCode_clicked();
    else if (name == "Clear")
        on_bClearGCode_clicked();
    else if (name == "Print")
        on_bPrintGCode_clicked();
}

void FrmMain::loadGCode(const QByteArray &data, const QString &label)
{
    QElapsedTimer clock;
    clock.start();
    setEditMode(EditMode::GCode);
    m_gcodePanel->setFileLabel(label);
    m_gcodePanel->showAllLayersBelow();
    m_gcode = processXCode(data);
    parseIntoPreview(m_gcode);
    const int lines = int(m_gcode.count('\n')) + (m_gcode.isEmpty() || m_gcode.endsWith('\n') ? 0 : 1);
    m_gcodePanel->setLineCount(lines);
    showStatistics();
    if (!m_gcode.isEmpty())
        qDebug() << "loadGCode" << label << clock.elapsed() << "ms";
    if (!m_gcodeSummary.error.isEmpty())
        m_prompts->warning(this, "There was an ignored error in the gcode:\n" + m_gcodeSummary.error, QString());
}

int FrmMain::gcodeLine() const
{
    return m_gcodePanel->line();
}

void FrmMain::on_bLoadGCode_clicked()
{
    const QString path = m_prompts->openFileName(this, "Open GCode", openDialogPaths().path("gcode"), gcodeFilter);
    if (path.isEmpty())
        return;
    openDialogPaths().remember("gcode", path);
    loadGCode(readFile(path, true), path);
}

void FrmMain::on_bSaveGCode_clicked()
{
    if (m_gcode.isEmpty())
        return;
    const QString label = m_gcodePanel->fileLabel();
    QString proposed = label;
    if (label.startsWith(unsavedPrefix)) {
        const QString folder = openDialogPaths().path("gcode");
        const QString name = (m_gcodeBaseName.isEmpty() ? QString("gcode") : m_gcodeBaseName) + ".gcode";
        proposed = folder.isEmpty() ? name : QDir(folder).filePath(name);
    }
    const QString path = m_prompts->saveFileName(this, "Save GCode", proposed, gcodeFilter);
    if (path.isEmpty())
        return;
    openDialogPaths().remember("gcode", path);
    QString reason;
    if (!writeWhole(path, m_gcode, reason)) {
        m_prompts->warning(this, "The G-code could not be saved to \"" + path + "\".", reason);
        return;
    }
    m_gcodePanel->setFileLabel(path);
}

void FrmMain::on_bClearGCode_clicked()
{
    loadGCode(QByteArray(), emptyLabel);
}

void FrmMain::setHostHandOver(const QString &folder, const QString &serverName, const QString &hostProgram)
{
    m_handOverFolder = folder;
    m_hostServerName = serverName;
    m_hostProgram = hostProgram;
}

void FrmMain::on_bPrintGCode_clicked()
{
    const QString label = m_gcodePanel->fileLabel();
    // Nothing sliced or loaded yet, or cleared: there is nothing the host could print.
    if (label == emptyLabel || m_gcode.isEmpty())
        return;
    QString path = label;
    if (label.startsWith(unsavedPrefix)) {
        const QString folder = m_handOverFolder.isEmpty() ? platform::handOverDir() : m_handOverFolder;
        const QString baseName = m_gcodeBaseName.isEmpty() ? QString("gcode") : m_gcodeBaseName;
        try {
            path = gcodehandover::writeTempFile(folder, baseName, m_gcode);
        } catch (const QString &reason) {
            m_prompts->warning(this, "The G-code could not be handed to the printer host.", reason);
            return;
        }
    }
    const QString server = m_hostServerName.isEmpty() ? QString(gcodehandover::hostName) : m_hostServerName;
    const QString program = m_hostProgram.isEmpty() ? gcodehandover::findHostProgram() : m_hostProgram;
    const gcodehandover::Outcome outcome = gcodehandover::handOver(path, server, program);
    if (outcome == gcodehandover::Outcome::HostMissing)
        m_prompts->warning(this, "The printer host Spoolwatch was not found.",
                           "It is looked for beside Tessaline and on the search path. The G-code is in \"" + path +
                               "\".");
    else if (outcome == gcodehandover::Outcome::StartFailed)
        m_prompts->warning(this, "The printer host could not be started: \"" + program + "\".",
                           "The G-code is in \"" + path + "\".");
}

void FrmMain::reloadPreview()
{
    m_gcodeBaseName = computeGCodeBaseName();
    loadGCode(m_gcode, "Unsaved GCode: " + m_session->fileOps().fileName());
}

void FrmMain::exportMeshes()
{
    const Project &project = m_session->project();
    if (project.objectCount() == 0) {
        m_prompts->warning(this, "Nothing to export.", QString());
        return;
    }
    std::vector<const Obj *> chosen;
    for (int i = 0; i < project.objectCount(); ++i)
        if (project.object(i)->selected)
            chosen.push_back(project.object(i));
    QString title = "Export scene";
    if (chosen.size() == 1)
        title = "Export object:" + chosen.front()->name;
    else if (chosen.size() > 1)
        title = "Export selected objects";
    if (chosen.empty())
        for (int i = 0; i < project.objectCount(); ++i)
            chosen.push_back(project.object(i));

    QString path = m_prompts->saveFileName(this, title, openDialogPaths().path("model"), meshFilter);
    if (path.isEmpty())
        return;
    // A name typed without one of the two extensions would have no format: it becomes STL.
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix != "stl" && suffix != "obj")
        path += ".stl";
    openDialogPaths().remember("model", path);

    Faces joined;
    for (const Obj *obj : chosen) {
        const Faces &mesh = *obj->mesh();
        joined.reserve(joined.count() + mesh.count());
        for (int i = 0; i < mesh.count(); ++i)
            joined.append(Faces::transformed(mesh[i], obj->transform(), true));
    }
    joined.exportFata(path, true);
}
