#pragma once

#include <QStringList>

class FileOps;
class Project;

// The user's scene edits as the main window offers them: each acts on the project and, when it
// changed something, records one undoable change in FileOps under its caption ("drop", "mirror",
// "rotReset", "scaleReset", "realignAll", "add(<file names>", "remove"). Selecting is not a change of
// the document and records nothing.
class SceneCommands
{
public:
    SceneCommands(Project &project, FileOps &fileOps) : m_project(project), m_fileOps(fileOps) {}

    bool drop();
    // Axis 0, 1, 2 = X, Y, Z, about the centre of the selection.
    bool mirror(int axisId);
    bool rotReset();
    bool scaleReset();
    bool realign();
    // Imports every file first: one that fails to load (its message is thrown) adds nothing at all.
    bool add(const QStringList &paths);
    bool remove();
    void selectAll();
    void selectNone();

private:
    bool record(bool changed, const QString &caption);

    Project &m_project;
    FileOps &m_fileOps;
};
