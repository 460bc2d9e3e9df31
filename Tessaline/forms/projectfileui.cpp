#include "forms/projectfileui.h"

#include "common/opendialogpaths.h"
#include "forms/userprompts.h"

namespace {
const char *const dialogKind = "project";
}

FileOpsUi::SaveAnswer ProjectFileUi::askSaveChanges(const QString &text, const QString &informativeText)
{
    switch (m_prompts->question(m_parent, text, informativeText,
                                QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, QMessageBox::Save)) {
    case QMessageBox::Save:
        return SaveAnswer::Save;
    case QMessageBox::Discard:
        return SaveAnswer::Discard;
    default:
        return SaveAnswer::Cancel;
    }
}

QString ProjectFileUi::askOpenFileName(const QString &title, const QString &filter)
{
    const QString path = m_prompts->openFileName(m_parent, title, openDialogPaths().path(dialogKind), filter);
    openDialogPaths().remember(dialogKind, path);
    return path;
}

QString ProjectFileUi::askSaveFileName(const QString &title, const QString &filter)
{
    const QString path = m_prompts->saveFileName(m_parent, title, openDialogPaths().path(dialogKind), filter);
    openDialogPaths().remember(dialogKind, path);
    return path;
}
