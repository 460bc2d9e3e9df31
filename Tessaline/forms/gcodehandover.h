#pragma once

#include <QByteArray>
#include <QString>

// Handing G-code to the printer host: the temporary file it loads and the message or start that tells it to.
namespace gcodehandover
{

// The name of the host's single-instance server and of its program.
extern const char *const hostName;

// "temp_" + base name + ".gco" in the folder, or the first of "temp_<base>(1).gco", "(2)", ... that is free.
QString freeTempPath(const QString &folder, const QString &baseName);

// Writes the G-code to a free temporary name in the folder and returns its path. Throws the QString
// "Could not write \"<path>\"" when the file cannot be written.
QString writeTempFile(const QString &folder, const QString &baseName, const QByteArray &gcode);

// The host program beside this executable, else on the search path; empty when neither has it.
QString findHostProgram();

enum class Outcome {
    Sent,        // a running host took "focus" and "open <path>"
    Started,     // no host answered; the program was started with the path
    HostMissing, // no host answered and no program was found
    StartFailed, // the program was found but would not start
};

// Tells a running host (server `serverName`) to come forward and open the file; when none answers, starts
// `hostProgram` detached with the path as its only argument.
Outcome handOver(const QString &path, const QString &serverName, const QString &hostProgram);

} // namespace gcodehandover
