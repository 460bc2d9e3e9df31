#pragma once

#include <QString>

// The questions FileOps asks the user. The main window answers them with message boxes and file
// dialogs (the save dialog confirms overwriting an existing file itself); tests answer from a script.
class FileOpsUi
{
public:
    enum class SaveAnswer { Save, Discard, Cancel };

    virtual ~FileOpsUi() = default;
    // Buttons Save, Discard and Cancel, Save the default.
    virtual SaveAnswer askSaveChanges(const QString &text, const QString &informativeText) = 0;
    // The chosen path, or an empty string when the user cancelled.
    virtual QString askOpenFileName(const QString &title, const QString &filter) = 0;
    virtual QString askSaveFileName(const QString &title, const QString &filter) = 0;
};
