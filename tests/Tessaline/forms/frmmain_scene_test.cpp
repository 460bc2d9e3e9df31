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
#include <QPushButton>
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

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
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

// A file opened from the file manager on the very first start: the welcome project stays away.
TEST_F(SceneWindow, AFileOpenedOnTheFirstStartKeepsTheWelcomeProjectAway)
{
    Ini::global().remove("askForCheckUpdates");
    auto window = newWindow(writeBox("first.stl", 10));
    window->onTimer();
    ASSERT_EQ(window->project().objectCount(), 1);
    EXPECT_EQ(window->project().object(0)->name, "first");

    const QString gcode = testHomeDir() + "/first.gcode";
    QFile file(gcode);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write("G1 X10 Y10 E1\n") > 0);
    file.close();
    Ini::global().remove("askForCheckUpdates");
    window = newWindow(gcode);
    window->onTimer();
    EXPECT_EQ(window->project().objectCount(), 0);
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
    ExceptionCatcher catcher;
    auto window = newWindow();
    window->onTimer();
    EXPECT_EQ(window->project().objectCount(), 0);
    EXPECT_TRUE(script->asked.isEmpty());
    EXPECT_TRUE(catcher.texts.isEmpty());
}

// Regression: a last project that failed to load was dropped without a word, and the close that
// followed wrote the empty scene over the unsaved project, so the user's earlier unnamed work was lost.
struct UnopenableStart
{
    const char *name;
    bool brokenNamedProject; // else the unsaved project itself is broken
    const char *message;
};

void PrintTo(const UnopenableStart &start, std::ostream *out)
{
    *out << start.name;
}

class UnopenableLastProject : public SceneWindow, public testing::WithParamInterface<UnopenableStart>
{
};

TEST_P(UnopenableLastProject, IsReportedAndTheUnsavedProjectSurvivesTheClose)
{
    const QString unsavedPath = platform::dataDir() + "_lastUnsavedProject.tsprj";
    auto window = newWindow(writeBox("earlier work.stl", 10));
    script->answer = QMessageBox::Discard;
    window->show();
    ASSERT_TRUE(window->close());
    const QString broken = GetParam().brokenNamedProject ? testHomeDir() + "/broken.tsprj" : unsavedPath;
    if (GetParam().brokenNamedProject)
        Ini::global().setString("lastProject", broken);
    QFile file(broken);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("definitely not a project");
    file.close();
    const QByteArray unsavedBefore = readAll(unsavedPath);

    ExceptionCatcher catcher;
    window = newWindow();
    window->onTimer();
    ASSERT_EQ(script->asked.size(), 1);
    EXPECT_EQ(script->asked[0], QString(GetParam().message) + " / \"" + broken +
                                    "\": Project::loadFromStr() Invalid file signature.");
    EXPECT_TRUE(catcher.texts.isEmpty());
    EXPECT_EQ(window->project().objectCount(), 0);
    window->onTimer();
    EXPECT_EQ(script->asked.size(), 1); // told once

    ASSERT_TRUE(window->close());
    EXPECT_EQ(readAll(unsavedPath), unsavedBefore);
    if (GetParam().brokenNamedProject) {
        window = newWindow();
        ASSERT_EQ(window->project().objectCount(), 1);
        EXPECT_EQ(window->project().object(0)->name, "earlier work");
        EXPECT_TRUE(window->fileOps().fileName().isEmpty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Start, UnopenableLastProject,
    testing::Values(UnopenableStart{"NamedProject", true, "The last project could not be opened."},
                    UnopenableStart{"UnsavedProject", false, "The last unsaved project could not be opened."}),
    [](const testing::TestParamInfo<UnopenableStart> &info) { return std::string(info.param.name); });

TEST_F(SceneWindow, SupportPanelGeneratesAndClearsBarsAsUndoableChanges)
{
    // A block hovering 10 mm above the plate: its whole underside is an overhang.
    Project raised;
    Faces block;
    block.makeBox(Box3f{V3f(0, 0, 0), V3f(10, 4, 10)});
    raised.addMesh(block, "deck")->setTransform(M44f::translation(V3f(0, 10, 0)));
    const QString path = testHomeDir() + "/raised.tsprj";
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(raised.saveToStr(false));
    file.close();

    auto window = newWindow(path);
    window->setEditMode(EditMode::Support);
    auto *generate = window->findChild<QPushButton *>("bGenSupport");
    auto *clear = window->findChild<QPushButton *>("bClearSupport");
    ASSERT_TRUE(generate && clear && generate->isVisibleTo(window.get()));
    generate->click();
    const int bars = window->project().supportBars.size();
    EXPECT_GT(bars, 0);
    EXPECT_EQ(window->fileOps().undoCaption(), "Supports generated");
    EXPECT_TRUE(window->isEnabled());

    clear->click();
    EXPECT_EQ(window->project().supportBars.size(), 0);
    EXPECT_EQ(window->fileOps().undoCaption(), "Supports cleared");
    clear->click(); // nothing left to clear: no second record
    EXPECT_EQ(window->fileOps().undoCount(), 2);
    EXPECT_TRUE(window->handleKeyPress("Ctrl+Z"));
    EXPECT_EQ(window->project().supportBars.size(), bars);
}

TEST_F(SceneWindow, UndoAndRedoKeysWalkTheHistory)
{
    auto window = newWindow();
    window->setEditMode(EditMode::Move);
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
    window->setEditMode(EditMode::Select);
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
