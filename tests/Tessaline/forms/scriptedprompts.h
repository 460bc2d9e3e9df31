#pragma once

#include "forms/userprompts.h"

// Answers every question of the window from a script and remembers what was asked, so that no test
// ever waits on a real dialog. Questions get `answer`, warnings are only noted; save dialogs `savePath`; open dialogs
// `openPaths` (empty: the user cancelled).
class ScriptedPrompts : public UserPrompts
{
public:
    QMessageBox::StandardButton answer = QMessageBox::Discard;
    QString savePath;
    QStringList openPaths;
    QStringList asked;

    QMessageBox::StandardButton question(QWidget *, const QString &text, const QString &informative,
                                         QMessageBox::StandardButtons, QMessageBox::StandardButton) override
    {
        asked << (informative.isEmpty() ? text : text + " / " + informative);
        return answer;
    }
    void warning(QWidget *, const QString &text, const QString &informative) override
    {
        asked << (informative.isEmpty() ? text : text + " / " + informative);
    }
    void information(QWidget *, const QString &text, const QString &informative) override
    {
        asked << (informative.isEmpty() ? text : text + " / " + informative);
    }
    QString openFileName(QWidget *, const QString &title, const QString &, const QString &) override
    {
        asked << title;
        return openPaths.value(0);
    }
    QStringList openFileNames(QWidget *, const QString &title, const QString &, const QString &) override
    {
        asked << title;
        return openPaths;
    }
    QString saveFileName(QWidget *, const QString &title, const QString &, const QString &) override
    {
        asked << title;
        return savePath;
    }
};
