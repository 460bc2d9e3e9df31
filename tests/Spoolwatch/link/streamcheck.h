#pragma once

#include "link/jobcommands.h"

#include <QByteArray>

#include <algorithm>
#include <string>
#include <vector>

// The commands a printer should receive for a job, as the link cuts them (without their '\n').
inline std::vector<QByteArray> jobCommands(const QByteArray &job)
{
    JobPosition position{job.constData(), job.constData() + job.size(), 0};
    int printMode = 1;
    std::vector<QByteArray> commands;
    for (QByteArray command = nextJobCommand(position, printMode, {}); !command.isEmpty();
         command = nextJobCommand(position, printMode, {}))
        commands.push_back(command.chopped(1));
    return commands;
}

// "same", or where two command streams part, for a readable failure.
inline std::string firstDifference(const std::vector<QByteArray> &got, const std::vector<QByteArray> &expected)
{
    for (size_t i = 0; i < std::max(got.size(), expected.size()); ++i) {
        const QByteArray a = i < got.size() ? got[i] : "<none>", b = i < expected.size() ? expected[i] : "<none>";
        if (a != b)
            return "line " + std::to_string(i) + ": got '" + a.toStdString() + "', expected '" + b.toStdString() + "'";
    }
    return "same";
}
