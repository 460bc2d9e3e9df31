#pragma once

#include <QByteArray>

// How the link cuts the next command out of a job's text. Commands are taken straight from the job
// bytes (no copy of the file): several commands on one line go out one by one, comments never leave
// the host, and the temperature and fan commands of the job can be skipped while the user controls
// them by hand.
struct JobCommandOptions {
    bool bypassHeatCommands = false; // M104, M109, M140, M190
    bool bypassFanCommands = false;  // M106, M107, M126, M127
};

// Where the job stands: `cursor` is the next byte to send, `end` the end of the job text, `lineNo`
// the line ends passed so far. The job text need not be NUL-terminated: `end` bounds every read.
struct JobPosition {
    const char *cursor = nullptr;
    const char *end = nullptr;
    int lineNo = 0;
};

// The next command of the job with its '\n', or empty at the end of the job (printMode then drops
// to 0). Only while printMode is above 0; a printMode of 2 sends one command and falls back to 0.
QByteArray nextJobCommand(JobPosition &position, int &printMode, const JobCommandOptions &options);

// The command as the printer wants it: trimmed, and an E parameter glued to the word before it gets
// a space in front ("G1X10E5" goes out as "G1X10 E5"), since the firmware reads E only after a blank.
QByteArray spacedCommand(QByteArray command);

// Whether a job command is a temperature (heat) or fan command that the options skip.
bool isBypassed(const QByteArray &command, const JobCommandOptions &options);
