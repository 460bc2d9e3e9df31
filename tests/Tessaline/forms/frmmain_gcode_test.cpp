// The window's G-code files through real files, the print hand-over to a stand-in host and the export of meshes.
#include "common/files.h"
#include "common/gcode/gcodesimxcode.h"
#include "common/gui/singleinstance.h"
#include "common/ini.h"
#include "forms/frmmain.h"
#include "geometry/faces.h"
#include "scriptedprompts.h"
#include "testenvironment.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace
{

QString fixture(const QString &name)
{
    return sourceDir() + "/tests/fixtures/gcode/" + name;
}

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// The messages that reached the stand-in host, decoded from the channel's hex text.
QByteArrayList takeMessages(QLocalServer &server)
{
    QByteArrayList messages;
    while (server.waitForNewConnection(0) || server.hasPendingConnections()) {
        QLocalSocket *socket = server.nextPendingConnection();
        if (!socket)
            break;
        QByteArray hex;
        QDeadlineTimer deadline(2000);
        while (!hex.endsWith('\0') && !deadline.hasExpired()) {
            if (socket->bytesAvailable() == 0 && !socket->waitForReadyRead(50)) {
                if (socket->state() != QLocalSocket::ConnectedState)
                    break;
                continue;
            }
            hex += socket->readAll();
        }
        hex += socket->readAll();
        messages << QByteArray::fromHex(hex);
        delete socket;
    }
    return messages;
}

class GCodeFilesTest : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        Ini::global().reload();
        window = std::make_unique<FrmMain>();
        auto prompts = std::make_unique<ScriptedPrompts>();
        script = prompts.get();
        window->setUserPrompts(std::move(prompts));
        window->setHostHandOver(dir.filePath("handover"), QString(), QString());
        QDir().mkpath(dir.filePath("handover"));
    }
    void TearDown() override { window.reset(); }

    // A model file holding an axis-aligned box.
    QString boxModel(const QString &name, const V3f &size)
    {
        Faces box;
        box.makeBox({V3f(0, 0, 0), size});
        const QString path = dir.filePath(name);
        box.exportFata(path, true);
        return path;
    }

    QTemporaryDir dir;
    std::unique_ptr<FrmMain> window;
    ScriptedPrompts *script = nullptr;
};

} // namespace

// Text and compact files preview the same text, and what is saved is that text, byte for byte.
TEST_F(GCodeFilesTest, OpenedGCodeSavesAsItsTextAndOpensAgainTheSame)
{
    for (const char *name : {"text/own.gcode", "compact/square.zcode"}) {
        SCOPED_TRACE(name);
        const QString source = fixture(name);
        const QByteArray text = processXCode(readFile(source, true));
        ASSERT_FALSE(isXCode(text));
        window->openPath(source, false);
        EXPECT_EQ(window->editMode(), EditMode::GCode);
        EXPECT_EQ(window->gcode(), text);
        EXPECT_EQ(window->gcodeLabel(), source);
        const QString stats = window->statsText();
        EXPECT_TRUE(stats.startsWith("Time:")) << stats.toStdString();

        script->savePath = dir.filePath(QFileInfo(source).completeBaseName() + ".gcode");
        window->runCommand("Save");
        EXPECT_EQ(readFile(script->savePath, true), text);
        EXPECT_EQ(window->gcodeLabel(), script->savePath);

        window->runCommand("Clear");
        EXPECT_TRUE(window->gcode().isEmpty());
        EXPECT_EQ(window->gcodeLabel(), "Empty GCode");

        script->openPaths = QStringList{script->savePath};
        window->runCommand("Load");
        EXPECT_EQ(window->gcode(), text);
        EXPECT_EQ(window->gcodeLabel(), script->savePath);
        EXPECT_EQ(window->statsText(), stats);
    }
    EXPECT_EQ(script->asked.count("Save GCode"), 2);
    EXPECT_EQ(script->asked.count("Open GCode"), 2);
}

TEST_F(GCodeFilesTest, SavingUnsavedGCodeNamesItAfterTheProjectAndDropsTheStar)
{
    window->openPath(fixture("text/own.gcode"), false);
    window->openPath(boxModel("part.stl", V3f(10, 10, 10)), false);
    ASSERT_TRUE(window->handleKeyPress("Ctrl+L"));
    EXPECT_EQ(window->gcodeLabel(), "Unsaved GCode: ");
    window->onTimer();
    EXPECT_TRUE(window->windowTitle().endsWith("]*"));

    script->savePath = dir.filePath("saved.gco");
    ASSERT_TRUE(window->handleKeyPress("Ctrl+S"));
    EXPECT_EQ(window->gcodeLabel(), script->savePath);
    window->onTimer();
    EXPECT_TRUE(window->windowTitle().endsWith("GCode:[" + script->savePath + "]"));
    EXPECT_EQ(readFile(script->savePath, true), window->gcode());

    // A cancelled dialog keeps the label; with nothing to save the dialog is not even offered.
    script->savePath.clear();
    window->runCommand("Save");
    EXPECT_EQ(window->gcodeLabel(), dir.filePath("saved.gco"));
    window->runCommand("Clear");
    const int asked = script->asked.size();
    window->runCommand("Save");
    EXPECT_EQ(script->asked.size(), asked);
}

// The host asks for a line of a file it prints; a G-code file on the command line opens in the G-code view.
TEST_F(GCodeFilesTest, ShowlineAndTheCommandLineShowTheFile)
{
    const QString path = fixture("text/own.gcode");
    const QByteArray text = readFile(path, true);
    const int lastLine = int(text.count('\n')) - 1;
    window->setEditMode(EditMode::Rotate);
    window->handleInstanceMessage("showline " + path.toUtf8() + "\t12");
    EXPECT_EQ(window->editMode(), EditMode::GCode);
    EXPECT_EQ(window->gcode(), text);
    EXPECT_EQ(window->gcodeLine(), 12);
    window->handleInstanceMessage("showline " + path.toUtf8() + "\t99999999");
    EXPECT_EQ(window->gcodeLine(), lastLine);

    Ini::global().setInt("lastEditMode", int(EditMode::Move));
    FrmMain started(path);
    EXPECT_EQ(started.editMode(), EditMode::GCode);
    EXPECT_EQ(started.gcode(), text);
    EXPECT_EQ(started.gcodeLabel(), path);
    Ini::global().remove("lastEditMode");
}

TEST_F(GCodeFilesTest, ParseErrorIsReportedOnceAndThePreviewKeepsWhatParsed)
{
    const QString path = dir.filePath("bad.gcode");
    writeBytes(path, "G1 X10 Y10 E1\r\nG1 X5 X6\r\nG1 X20 E2\r\n");
    window->openPath(path, false);
    ASSERT_EQ(script->asked.size(), 1);
    EXPECT_TRUE(script->asked[0].startsWith("There was an ignored error in the gcode:\n"));
    EXPECT_EQ(window->gcodeLabel(), path);
}

// The host's side is a real local server under the host's name, reading the channel as the host does.
TEST_F(GCodeFilesTest, PrintWritesAFreshTempFileEachTimeAndTellsTheRunningHost)
{
    QLocalServer host;
    ASSERT_TRUE(host.listen(channelPath("Spoolwatch")));
    window->openPath(fixture("text/own.gcode"), false);
    window->openPath(boxModel("x.stl", V3f(5, 5, 5)), false);
    ASSERT_TRUE(window->handleKeyPress("Ctrl+L"));

    const QString folder = dir.filePath("handover");
    const QStringList expected = {folder + "/temp_x.gco", folder + "/temp_x(1).gco"};
    for (const QString &path : expected) {
        window->runCommand("Print");
        EXPECT_EQ(readFile(path, false), window->gcode()) << path.toStdString();
        EXPECT_EQ(takeMessages(host), (QByteArrayList{"focus", "open " + path.toUtf8()}));
    }
    // Ctrl+P is the same hand-over; a file that has a name is handed over as it is.
    script->savePath = dir.filePath("named.gcode");
    window->runCommand("Save");
    ASSERT_TRUE(window->handleKeyPress("Ctrl+P"));
    EXPECT_EQ(takeMessages(host), (QByteArrayList{"focus", "open " + script->savePath.toUtf8()}));

    window->runCommand("Clear");
    ASSERT_TRUE(window->handleKeyPress("4"));
    EXPECT_TRUE(takeMessages(host).isEmpty());
    EXPECT_EQ(QDir(folder).entryList(QDir::Files).size(), 2);
    EXPECT_TRUE(script->asked.filter("Spoolwatch").isEmpty());
}

// Without a running host the program is started with the file; a host program that cannot be found or
// started is said so.
TEST_F(GCodeFilesTest, PrintStartsTheHostProgramWhenNoneAnswers)
{
    const QString received = dir.filePath("received.txt");
    const QString program = dir.filePath("host.sh");
    writeBytes(program, "#!/bin/sh\nprintf '%s' \"$1\" > '" + received.toUtf8() + ".part' && mv '" + received.toUtf8() +
                            ".part' '" + received.toUtf8() + "'\n");
    QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    window->setHostHandOver(dir.filePath("handover"), "NoHostListens", program);
    window->openPath(fixture("text/own.gcode"), false);
    window->runCommand("Print");
    QDeadlineTimer deadline(10000);
    while (!QFileInfo::exists(received) && !deadline.hasExpired())
        QTest::qWait(10);
    EXPECT_EQ(readFile(received, false), fixture("text/own.gcode").toUtf8());
    EXPECT_TRUE(script->asked.isEmpty());

    window->setHostHandOver(dir.filePath("handover"), "NoHostListens", dir.filePath("missing"));
    window->runCommand("Print");
    ASSERT_EQ(script->asked.size(), 1);
    EXPECT_TRUE(script->asked[0].contains(dir.filePath("missing")));
}

// What is exported reads back as the placed objects: same triangles, same place, in both formats.
TEST_F(GCodeFilesTest, ExportedMeshesReadBackAsTheChosenObjects)
{
    window->setEditMode(EditMode::Move);
    window->runCommand("Export");
    EXPECT_EQ(script->asked, QStringList{"Nothing to export."});
    script->asked.clear();

    window->openPath(boxModel("small.stl", V3f(4, 6, 8)), false);
    window->openPath(boxModel("tall.obj", V3f(3, 20, 5)), false);
    const Project &project = window->project();
    ASSERT_EQ(project.objectCount(), 2);

    const struct {
        const char *key; // the selection before exporting
        const char *title;
        const char *file;
        std::vector<int> objects;
    } cases[] = {
        {nullptr, "Export object:tall", "one.stl", {1}},
        {"Ctrl+A", "Export selected objects", "both.obj", {0, 1}},
        {"Esc", "Export scene", "scene", {0, 1}}, // no extension: STL
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.title);
        if (c.key)
            ASSERT_TRUE(window->handleKeyPress(c.key));
        script->asked.clear();
        script->savePath = dir.filePath(c.file);
        ASSERT_TRUE(window->handleKeyPress("Ctrl+E"));
        EXPECT_EQ(script->asked, QStringList{c.title});

        Box3f expected;
        int triangles = 0;
        for (size_t i = 0; i < c.objects.size(); ++i) {
            const Obj *obj = project.object(c.objects[i]);
            const Box3f box = obj->transformedBounds();
            expected = i == 0 ? box : expected.united(box);
            triangles += obj->mesh()->count();
        }
        const QString written =
            QFileInfo(script->savePath).suffix().isEmpty() ? script->savePath + ".stl" : script->savePath;
        Faces back;
        back.importFile(written);
        EXPECT_EQ(back.count(), triangles);
        const Box3f box = back.boundingBox();
        for (int axis = 0; axis < 3; ++axis) {
            EXPECT_NEAR(box.min[axis], expected.min[axis], 1e-3) << axis;
            EXPECT_NEAR(box.max[axis], expected.max[axis], 1e-3) << axis;
        }
    }
}
