#include "scene/scenecommands.h"

#include "scene/fileops.h"
#include "scene/project.h"

#include <QFileInfo>

bool SceneCommands::record(bool changed, const QString &caption)
{
    if (changed)
        m_fileOps.chg(caption);
    return changed;
}

bool SceneCommands::drop()
{
    return record(m_project.dropSelected(), "drop");
}

bool SceneCommands::mirror(int axisId)
{
    return record(m_project.mirrorSelected(axisId), "mirror");
}

bool SceneCommands::rotReset()
{
    return record(m_project.resetRotation(), "rotReset");
}

bool SceneCommands::scaleReset()
{
    return record(m_project.resetScale(), "scaleReset");
}

bool SceneCommands::realign()
{
    return record(m_project.realignAll(), "realignAll");
}

bool SceneCommands::add(const QStringList &paths)
{
    QStringList names;
    for (const QString &path : paths)
        names.append(QFileInfo(path).fileName());
    return record(m_project.addFiles(paths) > 0, "add(" + names.join(' '));
}

bool SceneCommands::remove()
{
    return record(m_project.removeSelected() > 0, "remove");
}

void SceneCommands::selectAll()
{
    m_project.selectAll(true);
}

void SceneCommands::selectNone()
{
    m_project.selectAll(false);
}
