#pragma once

#include "scene/fileopsui.h"

#include <memory>

class QWidget;
class UserPrompts;

// Answers the project document's questions with the window's prompts; the folders of the project
// dialogs are remembered under the kind "project".
class ProjectFileUi : public FileOpsUi
{
public:
    ProjectFileUi(QWidget *parent, const std::unique_ptr<UserPrompts> &prompts) : m_parent(parent), m_prompts(prompts)
    {
    }

    SaveAnswer askSaveChanges(const QString &text, const QString &informativeText) override;
    QString askOpenFileName(const QString &title, const QString &filter) override;
    QString askSaveFileName(const QString &title, const QString &filter) override;

private:
    QWidget *m_parent;
    // The window may replace its prompts; always ask the current ones.
    const std::unique_ptr<UserPrompts> &m_prompts;
};
