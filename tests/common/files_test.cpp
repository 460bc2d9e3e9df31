#include "common/debugswitches.h"
#include "common/files.h"
#include "common/platform/paths.h"
#include "testenvironment.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <gtest/gtest.h>

TEST(ReadFile, ReadsWholeFilesAndReportsMissingOnesWithThePath)
{
    const QString path = testHomeDir() + "/bytes.bin";
    QByteArray data(70000, '\0');
    for (int i = 0; i < data.size(); ++i)
        data[i] = char(i * 7);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(data);
    file.close();
    EXPECT_EQ(readFile(path, true), data);

    const QString missing = testHomeDir() + "/no such file";
    EXPECT_TRUE(readFile(missing, false).isEmpty());
    try {
        readFile(missing, true);
        FAIL() << "a missing file must throw when demanded";
    } catch (const QString &message) {
        EXPECT_EQ(message, "File not found \"" + missing + "\"");
    }
}

TEST(ReadResource, PrefersARealFileAndNamesWhatIsMissing)
{
    const QString path = testHomeDir() + "/override.htm";
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("<p>mine</p>");
    file.close();
    EXPECT_EQ(readResource(path), "<p>mine</p>");
    try {
        readResource("nothing-here.png");
        FAIL() << "expected a throw";
    } catch (const QString &message) {
        EXPECT_EQ(message, "Resouce not found: nothing-here.png");
    }
}

TEST(PlatformPaths, FoldersLiveInTheUsersDataFolder)
{
    const QString home = testHomeDir();
    EXPECT_TRUE(platform::dataDir().startsWith(home)) << platform::dataDir().toStdString();
    EXPECT_TRUE(platform::dataDir().endsWith('/'));
    EXPECT_TRUE(QDir(platform::dataDir()).exists());
    EXPECT_TRUE(platform::handOverDir().endsWith("/Tessaline/"));
    EXPECT_TRUE(QDir(platform::handOverDir()).exists());

    const QString het = platform::developerSwitchPath("c:/het");
    EXPECT_TRUE(het.startsWith(home));
    EXPECT_TRUE(het.endsWith("/het"));
    EXPECT_NE(platform::developerSwitchPath("c:/escale"), het);
    EXPECT_TRUE(platform::developerSwitchPath("c:/hdConsts.dat").endsWith("/hdConsts.dat"));
}

TEST(DebugSwitches, TheHetFileSwitchesDebugModeOn)
{
    initDebugSwitches();
    EXPECT_FALSE(debugMode());
    const quint32 first = appRandom().generate();

    const QString het = platform::developerSwitchPath("c:/het");
    QDir().mkpath(QFileInfo(het).absolutePath());
    QFile file(het);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    initDebugSwitches();
    EXPECT_TRUE(debugMode());
    // Seeded from the date: a second start on the same day draws the same numbers.
    EXPECT_EQ(appRandom().generate(), first);
    QFile::remove(het);
    initDebugSwitches();
    EXPECT_FALSE(debugMode());
}
