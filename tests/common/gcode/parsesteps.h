#pragma once

// Parses a whole text command by command the way parseWholeText does, checking each step: every call must
// move the cursor forward and stay inside the text. Shared by the parser tests and its fuzz target.
#include "common/gcode/gcodeparser.h"

#include <QByteArray>

// False (and the parse stopped) at the first step that stands still or runs past the end.
inline bool parseEveryStepForward(GCodeParser &parser, const QByteArray &text)
{
    parser.reset();
    parser.textStart = text.constData();
    const char *cursor = text.constData();
    const char *const end = cursor + text.size();
    while (cursor < end) {
        const char *before = cursor;
        if (*cursor == '\0')
            ++cursor;
        else
            parser.parseCommand(cursor);
        if (cursor <= before || cursor > end)
            return false;
    }
    return true;
}

// Parses one line of a streamed text command by command, as feedLines does, skipping NUL bytes; whether any
// command changed the parser's state.
inline bool parseLineCommands(GCodeParser &parser, const QByteArray &line)
{
    bool changed = false;
    const char *cursor = line.constData(), *const end = cursor + line.size();
    while (cursor < end) {
        if (*cursor == '\0')
            ++cursor;
        else
            changed |= parser.parseCommand(cursor);
    }
    return changed;
}
