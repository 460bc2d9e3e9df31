#include "forms/commandtable.h"

const Command *CommandTable::byName(const QString &name, EditMode mode) const
{
    for (const Command &command : m_commands)
        if (command.name == name && command.modes.contains(mode))
            return &command;
    return nullptr;
}

const Command *CommandTable::byKey(const QString &key, EditMode mode) const
{
    if (key.isEmpty())
        return nullptr;
    for (const Command &command : m_commands)
        if (command.keys.contains(key) && command.modes.contains(mode))
            return &command;
    return nullptr;
}

bool CommandTable::run(const QString &name) const
{
    return execute(byName(name, m_currentMode()));
}

bool CommandTable::runKey(const QString &key) const
{
    return execute(byKey(key, m_currentMode()));
}

bool CommandTable::execute(const Command *command)
{
    // A command whose feature is not built yet leaves its key to others.
    if (!command || !command->action)
        return false;
    command->action();
    return true;
}
