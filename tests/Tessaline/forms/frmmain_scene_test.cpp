// The main window's project: start-up, close, undo keys, dropped and handed-over files.
#include "common/ini.h"
#include "common/platform/paths.h"
#include "exceptioncatcher.h"
#include "forms/frmmain.h"
#include "geometry/faces.h"
#include "scriptedprompts.h"
#include "testenvironment.h"

#include <QDir>
#include <QDragEnterEvent>
#include <QFile>
#include <QMimeData>
#include <QTest>
#include <QUrl>
#include <gtest/gtest.h>

namespace {

QString writeBox(const QString &name, float size)
{
    Faces box;
    box.makeBox(Box3f{V3f(0, 0, 0), V3f(size, size * 2, size)});
    const QString path = testHomeDir() + "/" + name;
    box.exportFata(path, true);
    return path;
}

class SceneWindow : public testing::Test
{
protected:
    void SetUp() override
    {
        QFile::remove(platform::dataDir() + "_lastUnsavedProject.tsprj");
        Ini::global().reload();
        Ini::global().setInt("askForCheckUpdates", 0); // not a first start
        Ini::global().setString("lastProject", QString());
        Ini::global().store();
    }

    std::unique_ptr<FrmMain> newWindow(const QString &argument = QString())
    {
        auto window = std::make_unique<FrmMain>(argument);
        auto prompts = std::make_unique<ScriptedPrompts>();
        script = prompts.get();
        window->setUserPrompts(std::move(prompts));
        return window;
    }

    ScriptedPrompts *script = nullptr;
};

} // namespace

TEST_F(SceneWindow, FirstStartShowsTheWelcomeProjectUnnamed)
{
    Ini::global().remove("askForCheckUpdates");
    auto window = newWindow();
    window->onTimer();
    EXPECT_GT(window->project().objectCount(), 0);
    EXPECT_TRUE(window->fileOps().fileName().isEmpty());
    EXPECT_EQ(window->fileOps().changeCount(), 0);
    EXPECT_EQ(window->windowTitle(), "Tessaline 1.07 beta #7970   Project:[]");
}

TEST_F(SceneWindow, AnUnnamedProjectComesBackUnnamedAfterClose)
{
    auto window = newWindow(writeBox("cube.stl", 10));
    ASSERT_EQ(window->project().objectCount(), 1);
    window->onTimer();
    EXPECT_EQ(window->windowTitle(), "Tessaline 1.07 beta #7970   Project:[]*");
    script->answer = QMessageBox::Discard;
    window->show();
    ASSERT_TRUE(window->close());
    EXPECT_EQ(script->asked.value(0), "The Tessaline project has been modified. / Do you want to save your changes?");
    EXPECT_TRUE(QFile::exists(platform::dataDir() + "_lastUnsavedProject.tsprj"));

    window = newWindow();
    EXPECT_EQ(window->project().objectCount(), 1);
    EXPECT_EQ(window->project().object(0)->name, "cube");
    EXPECT_TRUE(window->fileOps().fileName().isEmpty());
}

TEST_F(SceneWindow, CancelKeepsTheWindowOpenAndSaveNamesTheProject)
{
    auto window = newWindow(writeBox("brick.stl", 5));
    window->show();
    script->answer = QMessageBox::Cancel;
    EXPECT_FALSE(window->close());
    EXPECT_TRUE(window->isVisible());

    const QString path = testHomeDir() + "/kept.tsprj";
    script->answer = QMessageBox::Save;
    script->savePath = path;
    ASSERT_TRUE(window->close());
    EXPECT_EQ(Ini::global().getString("lastProject"), path);

    window = newWindow();
    EXPECT_EQ(window->fileOps().fileName(), path);
    ASSERT_EQ(window->project().objectCount(), 1);
    window->onTimer();
    EXPECT_EQ(window->windowTitle(), "Tessaline 1.07 beta #7970   Project:[" + path + "]");
}

TEST_F(SceneWindow, AMissingLastProjectIsSkippedSilently)
{
    Ini::global().setString("lastProject", testHomeDir() + "/moved away.tsprj");
    QFile broken(testHomeDir() + "/broken.tsprj");
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("definitely not a project");
    broken.close();
    ExceptionCatcher catcher;
    auto window = newWindow();
    EXPECT_EQ(window->project().objectCount(), 0);
    Ini::global().setString("lastProject", broken.fileName());
    window = newWindow();
    EXPECT_EQ(window->project().objectCount(), 0);
    EXPECT_TRUE(catcher.texts.isEmpty());
}

TEST_F(SceneWindow, UndoAndRedoKeysWalkTheHistory)
{
    auto window = newWindow();
    window->setEditMode(1);
    window->openPath(writeBox("a.stl", 10), false);
    window->openPath(writeBox("b.stl", 20), false);
    ASSERT_EQ(window->project().objectCount(), 2);
    EXPECT_TRUE(window->handleKeyPress("Ctrl+Z"));
    EXPECT_EQ(window->project().objectCount(), 1);
    EXPECT_TRUE(window->handleKeyPress("Ctrl+Z"));
    EXPECT_EQ(window->project().objectCount(), 0);
    EXPECT_TRUE(window->handleKeyPress("Ctrl+Y"));
    EXPECT_EQ(window->project().objectCount(), 1);
    EXPECT_TRUE(window->handleKeyPress("Ctrl+A"));
    EXPECT_TRUE(window->handleKeyPress("Del"));
    EXPECT_EQ(window->project().objectCount(), 0);
    EXPECT_EQ(window->fileOps().undoCaption(), "remove");
    EXPECT_TRUE(window->handleKeyPress("Ctrl+Z"));
    EXPECT_EQ(window->project().objectCount(), 1);
}

TEST_F(SceneWindow, AddAsksForModelsAndRecordsOneChange)
{
    auto window = newWindow();
    script->openPaths = QStringList{writeBox("one.stl", 4), writeBox("two.stl", 6)};
    window->setEditMode(0);
    EXPECT_TRUE(window->handleKeyPress("Ins"));
    ASSERT_EQ(window->project().objectCount(), 2);
    EXPECT_EQ(window->fileOps().undoCount(), 1);
    EXPECT_EQ(window->fileOps().undoCaption(), "add(one.stl two.stl");
    script->openPaths.clear(); // a cancelled dialog adds nothing
    window->runCommand("Add");
    EXPECT_EQ(window->project().objectCount(), 2);
}

TEST_F(SceneWindow, DraggedModelsFollowTheDragAndOnlyADropKeepsThem)
{
    auto window = newWindow();
    window->show();
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(writeBox("drag.stl", 8)), QUrl::fromLocalFile(testHomeDir() + "/none.stl")});

    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window.get(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    EXPECT_EQ(window->project().objectCount(), 1);
    QDragLeaveEvent leave;
    QApplication::sendEvent(window.get(), &leave);
    EXPECT_EQ(window->project().objectCount(), 0);
    EXPECT_EQ(window->fileOps().undoCount(), 0);

    QDragEnterEvent again(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window.get(), &again);
    QDropEvent drop(QPointF(20, 20), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window.get(), &drop);
    EXPECT_EQ(window->project().objectCount(), 1);
    EXPECT_EQ(window->fileOps().undoCaption(), "add(drag.stl");

    QMimeData nothingUseful;
    nothingUseful.setUrls({QUrl("http://example.com/model.stl"), QUrl::fromLocalFile(testHomeDir())});
    QDragEnterEvent refused(QPoint(1, 1), Qt::CopyAction, &nothingUseful, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window.get(), &refused);
    EXPECT_FALSE(refused.isAccepted());
}

TEST_F(SceneWindow, ABrokenProjectIsReportedAndTheSceneKept)
{
    auto window = newWindow(writeBox("keep.stl", 10));
    QFile bad(testHomeDir() + "/bad.tsprj");
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write(QByteArray("\x01\x02\x03\x04\x05\x06\x07\x08", 8));
    bad.close();
    script->answer = QMessageBox::Discard;
    EXPECT_THROW(window->openPath(bad.fileName(), true), const char *);
    EXPECT_EQ(window->project().objectCount(), 1);
}
