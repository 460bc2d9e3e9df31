#include "link/jobcommands.h"

#include <algorithm>

namespace
{

bool endsCommand(char c)
{
    return c == '\0' || c == '\n' || c == '\r' || c == '(' || c == ';';
}

bool startsNextCommand(char c)
{
    return c == 'G' || c == 'M' || c == 'T';
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

// Steps over one line end ("\n", "\r", "\r\n" or "\n\r") and counts it.
void passLineEnd(JobPosition &position)
{
    const char first = *position.cursor++;
    if (position.cursor < position.end) {
        const char second = *position.cursor;
        if ((first == '\n' && second == '\r') || (first == '\r' && second == '\n'))
            ++position.cursor;
    }
    ++position.lineNo;
}

// Steps over what follows a command on its line: comments, blanks and the line end. A '(' comment
// runs to its ')' even across lines, as the parser reads it.
void skipNonCommand(JobPosition &position)
{
    const char *&p = position.cursor;
    while (p < position.end) {
        const char c = *p;
        if (isBlank(c)) {
            ++p;
        } else if (c == '(') {
            while (p < position.end && *p != ')' && *p != '\0')
                ++p;
            if (p < position.end && *p == ')')
                ++p;
        } else if (c == ';') {
            while (p < position.end && *p != '\n' && *p != '\r' && *p != '\0')
                ++p;
        } else if (c == '\n' || c == '\r') {
            passLineEnd(position);
            return;
        } else if (c == '\0') {
            // A NUL inside the job would otherwise stop the cursor for good.
            ++p;
        } else {
            return;
        }
    }
}

// The number of an M command ("M104 S200" -> 104), -1 when the text after the letter is no number.
// Longer numbers than any firmware knows saturate instead of overflowing.
int mNumber(const QByteArray &command)
{
    constexpr int beyondAnyCommand = 1000000;
    int number = -1;
    for (int i = 1; i < command.size() && command[i] >= '0' && command[i] <= '9'; ++i)
        number = std::min(beyondAnyCommand, (number < 0 ? 0 : number * 10) + (command[i] - '0'));
    return number;
}

} // namespace

QByteArray spacedCommand(QByteArray command)
{
    command = command.trimmed();
    int at = command.indexOf('E', 1);
    if (at < 0)
        at = command.indexOf('e', 1);
    if (at > 0 && command[at - 1] != ' ')
        command.insert(at, ' ');
    return command;
}

bool isBypassed(const QByteArray &command, const JobCommandOptions &options)
{
    if (command.isEmpty() || (command[0] != 'M' && command[0] != 'm'))
        return false;
    const int number = mNumber(command);
    if (options.bypassHeatCommands && (number == 104 || number == 109 || number == 140 || number == 190))
        return true;
    return options.bypassFanCommands && (number == 106 || number == 107 || number == 126 || number == 127);
}

QByteArray nextJobCommand(JobPosition &position, int &printMode, const JobCommandOptions &options)
{
    if (printMode <= 0)
        return {};
    while (position.cursor < position.end) {
        while (position.cursor < position.end && isBlank(*position.cursor))
            ++position.cursor;
        const char *start = position.cursor;
        const char *p = start;
        // "M104 T0 S200" is one command: a T after an M names the tool it applies to, as the parser
        // reads it; cutting it off would send M104 without its target.
        bool toolParameterAllowed = start < position.end && (*start == 'M' || *start == 'm');
        while (p < position.end && !endsCommand(*p)) {
            if (p > start && startsNextCommand(*p)) {
                if (!(*p == 'T' && toolParameterAllowed))
                    break;
                toolParameterAllowed = false;
            }
            ++p;
        }
        position.cursor = p;
        skipNonCommand(position);
        const QByteArray command = spacedCommand(QByteArray(start, int(p - start)));
        if (command.isEmpty() || isBypassed(command, options))
            continue;
        if (printMode == 2)
            printMode = 0;
        return command + '\n';
    }
    printMode = 0;
    return {};
}
