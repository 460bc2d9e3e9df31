#include "common/gui/singleinstance.h"
#include "common/ini.h"
#include "engine/slicerparams.h"
#include "exceptioncatcher.h"
#include "forms/frmmain.h"
#include "scriptedprompts.h"
#include "testenvironment.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QLabel>
#include <QSpinBox>
#include <QTest>
#include <gtest/gtest.h>

namespace {

void waitUntil(const std::function<bool()> &condition, int ms = 3000)
{
    QDeadlineTimer deadline(ms);
    while (!condition() && !deadline.hasExpired())
        QTest::qWait(10);
}

class FrmMainTest : public testing::Test
{
protected:
    void SetUp() override
    {
        Ini::global().reload();
        window = std::make_unique<FrmMain>();
        auto prompts = std::make_unique<ScriptedPrompts>();
        prompts->answer = QMessageBox::Yes;
        script = prompts.get();
        window->setUserPrompts(std::move(prompts));
    }
    void TearDown() override
    {
        window.reset();
        // Every test starts from an empty store.
        Ini &ini = Ini::global();
        for (const QString &key : {"lastEditMode", "lastObjEditMode", "lastNonGCodeMode", "autoDrop", "viewStats",
                                   "askForCheckUpdates", "FrmMain.Width", "slicerParams", "cam"})
            ini.remove(key);
        ini.store();
    }

    std::unique_ptr<FrmMain> window;
    ScriptedPrompts *script = nullptr;
};

} // namespace

TEST_F(FrmMainTest, EditModesSelectTheirViewAndTheTitleFollows)
{
    window->onTimer();
    EXPECT_EQ(window->windowTitle(), "Tessaline 1.07 beta #7970   Project:[]");
    const struct { EditMode mode; ViewMode view; } cases[] = {
        {EditMode::Select, ViewMode::Objects}, {EditMode::DropPlane, ViewMode::Objects},
        {EditMode::Support, ViewMode::Support}, {EditMode::GCode, ViewMode::GCode},
    };
    for (const auto &c : cases) {
        window->setEditMode(c.mode);
        EXPECT_EQ(window->editMode(), c.mode) << int(c.mode);
        EXPECT_EQ(window->viewMode(), c.view) << int(c.mode);
    }
    window->onTimer();
    EXPECT_EQ(window->windowTitle(), "Tessaline 1.07 beta #7970   GCode:[Empty GCode]");
    window->findChild<QLabel *>("lGCodeFileName")->setText("Unsaved GCode: /tmp/a.tsprj");
    window->onTimer();
    EXPECT_EQ(window->windowTitle(), "Tessaline 1.07 beta #7970   GCode:[Unsaved GCode: /tmp/a.tsprj]*");
}

// Stored modes are numbers that users and older files hand in: out-of-range ones are clamped, and only
// an object mode can become the mode that key "1" returns to.
TEST_F(FrmMainTest, StoredModesAreClampedWhenRead)
{
    const struct { int lastEditMode, lastObjEditMode; EditMode mode; ViewMode view; EditMode objectMode; } cases[] = {
        {-3, 2, EditMode::Select, ViewMode::Objects, EditMode::Select},
        {99, 2, EditMode::GCode, ViewMode::GCode, EditMode::Rotate},
        {5, 4, EditMode::Support, ViewMode::Support, EditMode::DropPlane},
        {6, 99, EditMode::GCode, ViewMode::GCode, EditMode::Move},
        {6, -1, EditMode::GCode, ViewMode::GCode, EditMode::Select},
    };
    for (const auto &c : cases) {
        Ini::global().setInt("lastEditMode", c.lastEditMode);
        Ini::global().setInt("lastObjEditMode", c.lastObjEditMode);
        window = std::make_unique<FrmMain>();
        EXPECT_EQ(window->editMode(), c.mode) << c.lastEditMode;
        EXPECT_EQ(window->viewMode(), c.view) << c.lastEditMode;
        window->handleKeyPress("1");
        EXPECT_EQ(window->editMode(), c.objectMode) << c.lastObjEditMode;
    }
}

TEST_F(FrmMainTest, KeysSwitchModesAndViews)
{
    struct Step { QString key; bool consumed; int mode; }; // modes by their stored numbers
    const Step steps[] = {
        {"Space", true, 0}, {"M", true, 1}, {"R", true, 2}, {"S", true, 3},
        {"U", true, 5},     {"G", true, 6}, {"1", true, 3},  // back to the last object mode
        {"Right", true, 5}, {"Right", true, 6}, {"Right", true, 6}, {"Left", true, 5},
        {"2", true, 5},     {"3", true, 6}, {"Left", true, 5}, {"Left", true, 3},
        {"Shift+Q", false, 3}, {"F7", false, 3},
    };
    for (const Step &s : steps) {
        EXPECT_EQ(window->handleKeyPress(s.key), s.consumed) << s.key.toStdString();
        EXPECT_EQ(int(window->editMode()), s.mode) << s.key.toStdString();
    }
}

TEST_F(FrmMainTest, CommandKeysDependOnTheMode)
{
    auto *barScale = window->findChild<QSpinBox *>("seSupportBarScale");
    ASSERT_NE(barScale, nullptr);
    window->setEditMode(EditMode::Support);
    barScale->setValue(9);
    EXPECT_TRUE(window->handleKeyPress("Num++"));
    EXPECT_TRUE(window->handleKeyPress("Num++"));
    EXPECT_EQ(barScale->value(), 10); // range 1..10
    EXPECT_TRUE(window->handleKeyPress("Num+-"));
    EXPECT_EQ(barScale->value(), 9);
    EXPECT_FALSE(window->handleKeyPress("Ctrl+A")); // selection keys belong to the object modes
    EXPECT_FALSE(window->handleKeyPress("Esc"));
    EXPECT_TRUE(window->handleKeyPress("Ctrl+Z"));

    window->setEditMode(EditMode::Move);
    for (const char *key : {"Ctrl+A", "Esc", "Ins", "Num++", "Del", "Num+-", "Ctrl+S", "Ctrl+O", "Ctrl+N", "Ctrl+Z",
                            "Ctrl+Y", "Ctrl+E", "Home", "Ctrl+P", "4"})
        EXPECT_TRUE(window->handleKeyPress(key)) << key;
    EXPECT_EQ(window->editMode(), EditMode::Move);
    EXPECT_EQ(barScale->value(), 9);
    // Ctrl+L shows the current G-code again, in the G-code view.
    EXPECT_TRUE(window->handleKeyPress("Ctrl+L"));
    EXPECT_EQ(window->editMode(), EditMode::GCode);

    window->setEditMode(EditMode::GCode);
    for (const char *key : {"Ctrl+S", "Ctrl+O", "Ctrl+N"})
        EXPECT_TRUE(window->handleKeyPress(key)) << key;
    EXPECT_FALSE(window->handleKeyPress("Ctrl+Z"));
    EXPECT_FALSE(window->handleKeyPress("Ctrl+A"));
}

TEST_F(FrmMainTest, CtrlQClosesTheWindow)
{
    window->show();
    ASSERT_TRUE(window->isVisible());
    EXPECT_TRUE(window->handleKeyPress("Ctrl+Q"));
    EXPECT_FALSE(window->isVisible());
}

TEST_F(FrmMainTest, ToggleCommandsFlipTheirFlags)
{
    const bool autoDrop = window->autoDrop();
    window->runCommand("Auto drop");
    EXPECT_NE(window->autoDrop(), autoDrop);
    window->runCommand("Auto drop");
    EXPECT_EQ(window->autoDrop(), autoDrop);

    bool sliceFormAsked = false;
    QObject::connect(window.get(), &FrmMain::showFrmSlicer, [&] { sliceFormAsked = true; });
    window->runCommand("Slice...");
    EXPECT_TRUE(sliceFormAsked);

    window->runCommand("Support");
    EXPECT_EQ(window->editMode(), EditMode::Support);
    window->runCommand("GCode");
    EXPECT_EQ(window->editMode(), EditMode::GCode);
    window->runCommand("Objects");
    EXPECT_EQ(window->viewMode(), ViewMode::Objects);
    window->runCommand("Rotate");
    EXPECT_EQ(window->editMode(), EditMode::Rotate);
}

TEST_F(FrmMainTest, SettingsAreStoredAtCloseAndReadAtStart)
{
    Ini::global().setString("slicerParams", "{\"LayerHeight\": 0.15, \"HeadTemp\": 231}");
    window = std::make_unique<FrmMain>();
    window->show();
    window->setEditMode(EditMode::Scale);
    window->setEditMode(EditMode::GCode);
    window->runCommand("Auto drop");
    window->runCommand("Stats");
    const bool autoDrop = window->autoDrop();
    window->close();

    Ini::global().reload();
    EXPECT_EQ(Ini::global().getInt("lastEditMode", -1), 6);
    EXPECT_EQ(Ini::global().getInt("lastObjEditMode", -1), 3);
    // The settings record went through the window and came back with its values.
    SlicerParams params;
    params.loadFromIni(Ini::global());
    EXPECT_FLOAT_EQ(params.LayerHeight, 0.15f);
    EXPECT_EQ(params.HeadTemp, 231);
    EXPECT_EQ(params.BedTemp, SlicerParams().BedTemp);
    window = std::make_unique<FrmMain>();
    EXPECT_EQ(window->editMode(), EditMode::GCode);
    EXPECT_EQ(window->autoDrop(), autoDrop);
    EXPECT_TRUE(window->viewStats());
    window->handleKeyPress("1");
    EXPECT_EQ(window->editMode(), EditMode::Scale); // the last object mode came back too
}

TEST_F(FrmMainTest, FirstStartAsksAboutUpdatesOnce)
{
    window->delayedStartup();
    ASSERT_EQ(script->asked.size(), 1);
    EXPECT_EQ(script->asked[0], "Looks like Tessaline started for the first time. / "
                        "Do you want automatic updates on application startup?");
    EXPECT_EQ(Ini::global().getInt("askForCheckUpdates", 1), 0);
    window->delayedStartup();
    EXPECT_EQ(script->asked.size(), 1);
}

TEST_F(FrmMainTest, TheFirstTimerTickSchedulesTheDelayedStartup)
{
    window->show();
    waitUntil([&] { return !script->asked.isEmpty(); }, 4000);
    EXPECT_EQ(script->asked.size(), 1);
}

TEST_F(FrmMainTest, InstanceMessagesOpenFilesAndReportWhatCannotBeOpened)
{
    ExceptionCatcher catcher;
    const QString missing = testHomeDir() + "/gone.stl";
    const QString unknown = testHomeDir() + "/notes.txt";
    QFile(unknown).open(QIODevice::WriteOnly);

    auto deliver = [&](const QByteArray &message) {
        try {
            window->handleInstanceMessage(message);
        } catch (const QString &text) {
            handleException(text);
        }
    };
    deliver("open " + missing.toUtf8());
    deliver("open " + unknown.toUtf8());
    deliver("showline " + missing.toUtf8() + "\t12");         // no such file: ignored
    deliver("showline " + unknown.toUtf8());                  // one field: ignored
    deliver("showline " + unknown.toUtf8() + "\t1\t2");       // three fields: ignored
    deliver("something else entirely");
    ASSERT_EQ(catcher.texts.size(), 2);
    EXPECT_EQ(catcher.texts[0], "EXCEPTION : File not found: \"" + missing + "\"");
    EXPECT_EQ(catcher.texts[1], "EXCEPTION : Unsupported type of file: \"" + unknown + "\"");
    EXPECT_NE(window->editMode(), EditMode::GCode);
}
