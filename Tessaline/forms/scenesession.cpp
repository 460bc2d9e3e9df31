#include "forms/scenesession.h"

SceneSession::SceneSession(FileOpsUi *ui, QObject *parent)
    : QObject(parent), m_fileOps(ui), m_edits(m_project, m_fileOps)
{
    connect(&m_fileOps, &FileOps::fileOp, this, &SceneSession::on_fileOp);
}

void SceneSession::on_fileOp(FileOpEnum op)
{
    m_project.serveFileOp(op, m_fileOps.buffer());
    if (op == FileOpLoadFile || op == FileOpLoadSnapshot)
        emit sceneChanged();
}

void SceneSession::edited()
{
    if (m_autoDrop)
        m_edits.drop();
    emit sceneChanged();
}

void SceneSession::generateSupports(float thickness, float minSteepness, const SupportProgress &progress)
{
    ::generateSupports(m_project, thickness, minSteepness, progress);
    m_fileOps.chg("Supports generated");
    emit sceneChanged();
}

void SceneSession::clearSupports()
{
    if (m_project.supportBars.isEmpty())
        return;
    ::clearSupports(m_project);
    m_fileOps.chg("Supports cleared");
    emit sceneChanged();
}
