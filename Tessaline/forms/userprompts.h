#pragma once

#include <QMessageBox>
#include <QString>
#include <QStringList>

// The questions the main window asks: message boxes and file dialogs. The window uses the real ones;
// tests install scripted answers and read what was asked. An empty path means the user cancelled.
class UserPrompts
{
public:
    virtual ~UserPrompts() = default;
    // A question box with the given buttons; returns the button pressed.
    virtual QMessageBox::StandardButton question(QWidget *parent, const QString &text, const QString &informative,
                                                 QMessageBox::StandardButtons buttons,
                                                 QMessageBox::StandardButton defaultButton);
    // A report that needs no answer but must not pass unseen (a file that could not be opened).
    virtual void warning(QWidget *parent, const QString &text, const QString &informative);
    // A plain notice ("The local version is up to date.").
    virtual void information(QWidget *parent, const QString &text, const QString &informative);
    virtual QString openFileName(QWidget *parent, const QString &title, const QString &folder, const QString &filter);
    virtual QStringList openFileNames(QWidget *parent, const QString &title, const QString &folder,
                                      const QString &filter);
    virtual QString saveFileName(QWidget *parent, const QString &title, const QString &proposedPath,
                                 const QString &filter);
};
