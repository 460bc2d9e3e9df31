// The slicer's Print with the printer host running as a program of its own and a virtual printer
// behind it: the sliced G-code goes through the hand-over folder and the single-instance channel into
// the host, which loads it into the printer it found.
#include "virtualprinterprocess.h"

#include "common/gui/singleinstance.h"
#include "common/ini.h"
#include "common/platform/paths.h"
#include "forms/frmmain.h"
#include "geometry/faces.h"
#include "scriptedprompts.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

namespace
{

// The host program, started the way a user starts it; its debug log is read from its standard error.
class HostProcess
{
public:
    HostProcess(const QString &portFolder)
    {
        // The test's HOME, TMPDIR and XDG folders are inherited: the channel and the hand-over folder
        // are this test's own.
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("SPOOLWATCH_PORT_DIR", portFolder);
        m_process.setProcessEnvironment(environment);
        m_process.start(SPOOLWATCH_PATH, QStringList());
    }
    ~HostProcess()
    {
        m_process.kill();
        m_process.waitForFinished(waitMs);
    }
    QString log()
    {
        m_log += QString::fromLocal8Bit(m_process.readAllStandardError());
        return m_log;
    }

private:
    QProcess m_process;
    QString m_log;
};

TEST(PrintToHost, SlicedGCodeReachesTheHostsPrinter)
{
    QTemporaryDir folder;
    const QDir dir(folder.path());
    ASSERT_TRUE(dir.mkdir("ports"));
    VirtualPrinter printer(dir.filePath("printer.log"));
    ASSERT_FALSE(printer.path.isEmpty());
    {
        QFile entry(dir.filePath("ports/taliform"));
        ASSERT_TRUE(entry.open(QIODevice::WriteOnly));
        entry.write("path=" + printer.path.toUtf8() + "\nvid=04d8\npid=000a\nname=Bench\n");
    }
    HostProcess host(dir.filePath("ports"));
    ASSERT_TRUE(waitFor([] { return SingleInstanceServer::send("Spoolwatch", "focus"); })) << "the host never listened";

    Ini::global().reload();
    FrmMain slicer;
    slicer.setUserPrompts(std::make_unique<ScriptedPrompts>());
    // The defaults: the shared hand-over folder and the host's own channel name.
    slicer.setHostHandOver(QString(), QString(), SPOOLWATCH_PATH);
    Faces box;
    box.makeBox({V3f(0, 0, 0), V3f(6, 4, 5)});
    const QString model = dir.filePath("cube.stl");
    box.exportFata(model, true);
    slicer.openPath(model, false);
    ASSERT_TRUE(slicer.sliceNow([](int, const QByteArray &) {}));
    ASSERT_FALSE(slicer.gcode().isEmpty());
    slicer.runCommand("Print");

    const QString handedOver = platform::handOverDir() + "temp_cube.gco";
    EXPECT_TRUE(QFile::exists(handedOver));
    const QString loaded = "FrmMain::loadFromOutside() " + handedOver + " loaded into " + printer.path;
    EXPECT_TRUE(waitFor([&] { return host.log().contains(loaded); })) << host.log().toStdString();
    // The printer it went to is the one the host talks to: it greeted it.
    EXPECT_TRUE(waitFor([&] {
        QFile log(dir.filePath("printer.log"));
        return log.open(QIODevice::ReadOnly) && log.readAll().contains("V M1003");
    }));
}

} // namespace
