#pragma once

#include "forms/modes.h"

#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>

// One command of the main window: the name of its overlay button (or, for a command that only has a
// key, a name that says what it does), the keys that trigger it, the edit modes in which it applies and
// what it does. One name or key may stand for different commands in different modes ("Save" and
// "Ctrl+S" save the project, or in the G-code view the G-code); the first entry that applies wins.
struct Command {
    QString name;
    QStringList keys; // portable key texts ("Ctrl+S", "Num++")
    EditModes modes = EditModes::all();
    // Empty while the feature that the command drives has not been built: the command is listed (its
    // button shows) and does nothing; its key is not consumed.
    std::function<void()> action;

    bool isPending() const { return !action; }
};

// The commands that the overlay buttons and the keyboard share, so that each is declared once. The
// table asks its owner for the edit mode at the time a command is looked up.
class CommandTable
{
public:
    explicit CommandTable(std::function<EditMode()> currentMode) : m_currentMode(std::move(currentMode)) {}

    void add(Command command) { m_commands.append(std::move(command)); }

    // The command of that name or key in the given mode, or nullptr.
    const Command *byName(const QString &name, EditMode mode) const;
    const Command *byKey(const QString &key, EditMode mode) const;

    // Runs the command of that name (an overlay button) or key in the current mode. False when none
    // applies or the one that applies is pending (it does nothing, so the key is not handled).
    bool run(const QString &name) const;
    bool runKey(const QString &key) const;

    const QVector<Command> &commands() const { return m_commands; }

private:
    static bool execute(const Command *command);

    std::function<EditMode()> m_currentMode;
    QVector<Command> m_commands;
};
