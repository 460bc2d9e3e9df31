// A second start of the slicer hands its file to the running one: real processes of the program.
#include "common/gui/singleinstance.h"
#include "common/ini.h"
#include "exceptioncatcher.h"
#include "forms/frmmain.h"
#include "testenvironment.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QProcess>
#include <QTest>
#include <gtest/gtest.h>

namespace {

QString slicerProgram()
{
    return binaryDir() + "/Tessaline/Tessaline";
}

bool waitUntil(const std::function<bool()> &condition, int ms)
{
    QDeadlineTimer deadline(ms);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QTest::qWait(10);
    }
    return true;
}

// Starts the slicer and waits for it to end; returns its exit code, -1 when it did not end in time.
int runSecondStart(const QStringList &arguments, QString *errorOutput = nullptr)
{
    QProcess second;
    second.setWorkingDirectory(testHomeDir());
    second.start(slicerProgram(), arguments);
    bool finished = false;
    waitUntil([&] { return finished = second.state() == QProcess::NotRunning; }, 30000);
    if (!finished) {
        second.kill();
        second.waitForFinished();
        return -1;
    }
    if (errorOutput)
        *errorOutput = QString::fromLocal8Bit(second.readAllStandardError());
    return second.exitStatus() == QProcess::NormalExit ? second.exitCode() : -1;
}

class HandOver : public testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        // This process plays the running slicer: same name, same channel.
        QCoreApplication::setApplicationName("Tessaline");
        ipc_startServer();
        // Not a first start: the first-start question would wait for a click once the window's delayed
        // start-up comes due, which a slow second start lets happen.
        Ini::global().reload();
        Ini::global().setInt("askForCheckUpdates", 0);
    }
    static void TearDownTestSuite() { ipc_stopServer(); }
};

} // namespace

TEST_F(HandOver, ASecondStartWithAFileHandsItOverAndExitsZero)
{
    FrmMain first;
    first.show();
    first.showMinimized();
    ExceptionCatcher catcher;

    // A relative path is made absolute against the second start's working folder.
    EXPECT_EQ(runSecondStart({"no such model.stl"}), 0);
    const QString expected = "EXCEPTION : File not found: \"" + testHomeDir() + "/no such model.stl\"";
    ASSERT_TRUE(waitUntil([&] { return !catcher.texts.isEmpty(); }, 5000));
    EXPECT_EQ(catcher.texts.value(0), expected);
    EXPECT_FALSE(first.isMinimized()); // and it came to the front
}

TEST_F(HandOver, ASecondStartWithoutAFileOnlyBringsTheFirstForward)
{
    FrmMain first;
    first.show();
    first.showMinimized();
    ExceptionCatcher catcher;
    EXPECT_EQ(runSecondStart({}), 0);
    ASSERT_TRUE(waitUntil([&] { return !first.isMinimized(); }, 5000));
    QTest::qWait(100);
    EXPECT_TRUE(catcher.texts.isEmpty());
}

TEST(HandOverProcesses, TwoRealSlicersTheSecondLeavesTheFirstOpensTheFile)
{
    // The first slicer is a process of its own here; it reports what it was asked to open in its log.
    QProcess first;
    first.setWorkingDirectory(testHomeDir());
    first.setProcessChannelMode(QProcess::SeparateChannels);
    first.start(slicerProgram(), QStringList());
    ASSERT_TRUE(first.waitForStarted(10000));
    ASSERT_TRUE(waitUntil([] { return SingleInstanceServer::send("Tessaline", "focus"); }, 30000))
        << "the first slicer never listened";

    QDir().mkpath(testHomeDir() + "/two");
    const QString file = testHomeDir() + "/two/notes.txt";
    QFile(file).open(QIODevice::WriteOnly);
    QString secondErrors;
    EXPECT_EQ(runSecondStart({file}, &secondErrors), 0);
    EXPECT_FALSE(secondErrors.contains("EXCEPTION"));

    QString firstLog;
    const bool reported = waitUntil(
        [&] {
            firstLog += QString::fromLocal8Bit(first.readAllStandardError());
            return firstLog.contains("### EXCEPTION: Unsupported type of file: \"" + file + "\"");
        },
        15000);
    first.kill();
    first.waitForFinished();
    EXPECT_TRUE(reported) << firstLog.toStdString();
}
