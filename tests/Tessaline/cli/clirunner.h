#pragma once

#include <QByteArray>
#include <QProcess>
#include <QStringList>
#include <gtest/gtest.h>

// tessaline-cli run as a real process; TESSALINE_CLI_PATH is the built program.
struct CliResult {
    int exitCode = -1;
    QByteArray out, err;
};

inline CliResult runCli(const QStringList &args, int timeoutMs = 300000)
{
    QProcess process;
    process.start(TESSALINE_CLI_PATH, args);
    EXPECT_TRUE(process.waitForFinished(timeoutMs)) << args.join(' ').toStdString();
    CliResult r;
    r.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    r.out = process.readAllStandardOutput();
    r.err = process.readAllStandardError();
    return r;
}
