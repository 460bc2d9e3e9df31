#include "testenvironment.h"

#include <QFile>
#include <QProcess>
#include <QStringList>
#include <gtest/gtest.h>

namespace
{

struct Timed {
    int exitCode = -1; // of runtimed itself
    double seconds = -1;
    long peakKb = -1;
    int status = -1; // of the command
    QByteArray log;
};

Timed runTimed(const QString &limitSeconds, const QStringList &command)
{
    const QString log = testHomeDir() + "/runtimed.log";
    QFile::remove(log);
    QProcess process;
    process.start(RUNTIMED_PATH, QStringList{limitSeconds, log, "--"} + command);
    EXPECT_TRUE(process.waitForFinished(60000));
    Timed t;
    t.exitCode = process.exitCode();
    const QList<QByteArray> fields = process.readAllStandardOutput().simplified().split(' ');
    if (fields.size() == 3) {
        t.seconds = fields[0].toDouble();
        t.peakKb = fields[1].toLong();
        t.status = fields[2].toInt();
    }
    QFile file(log);
    if (file.open(QIODevice::ReadOnly))
        t.log = file.readAll();
    return t;
}

} // namespace

TEST(Runtimed, ReportsTheCommandsStatusAndKeepsItsOutputAndErrors)
{
    const Timed t = runTimed("10", {"sh", "-c", "echo to-out; echo to-err >&2; exit 3"});
    EXPECT_EQ(t.exitCode, 0);
    EXPECT_EQ(t.status, 3);
    EXPECT_TRUE(t.log.contains("to-out\n"));
    EXPECT_TRUE(t.log.contains("to-err\n"));
    EXPECT_GT(t.seconds, 0.0);
    EXPECT_LT(t.seconds, 10.0);
}

TEST(Runtimed, TimesTheRunAndMeasuresItsPeakMemory)
{
    // dd reads 64 MB into one buffer: its peak is at least that, the shell's alone a few megabytes.
    const Timed busy =
        runTimed("30", {"sh", "-c", "sleep 0.3; dd if=/dev/zero of=/dev/null bs=64M count=1 2>/dev/null"});
    ASSERT_EQ(busy.status, 0) << busy.log.constData();
    EXPECT_GE(busy.seconds, 0.3);
    EXPECT_GE(busy.peakKb, 64 * 1024);
    const Timed idle = runTimed("30", {"true"});
    ASSERT_EQ(idle.status, 0);
    EXPECT_LT(idle.peakKb, 16 * 1024);
    EXPECT_LT(idle.seconds, busy.seconds);
}

TEST(Runtimed, StopsACommandThatRunsTooLongAndReportsSignalsAndMissingPrograms)
{
    const Timed late = runTimed("1", {"sleep", "20"});
    EXPECT_EQ(late.status, 124);
    EXPECT_GE(late.seconds, 1.0);
    EXPECT_LT(late.seconds, 10.0);

    const Timed killed = runTimed("10", {"sh", "-c", "kill -9 $$"});
    EXPECT_EQ(killed.status, 128 + 9);

    const Timed missing = runTimed("10", {testHomeDir() + "/no-such-program"});
    EXPECT_EQ(missing.status, 127);
    EXPECT_TRUE(missing.log.contains("cannot run")) << missing.log.constData();
}

TEST(Runtimed, RefusesBadArguments)
{
    for (const QStringList &args : {QStringList{}, QStringList{"10", "log"}, QStringList{"0", "log", "--", "true"},
                                    QStringList{"ten", "log", "--", "true"}, QStringList{"10", "log", "true", "x"}}) {
        QProcess process;
        process.start(RUNTIMED_PATH, args);
        ASSERT_TRUE(process.waitForFinished(10000));
        EXPECT_EQ(process.exitCode(), 2) << args.join(' ').toStdString();
        EXPECT_TRUE(process.readAllStandardError().startsWith("usage: runtimed")) << args.join(' ').toStdString();
    }
}
