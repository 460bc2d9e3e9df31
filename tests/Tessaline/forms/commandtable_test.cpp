// The command table that the overlay buttons and the keys share.
#include "common/ini.h"
#include "forms/commandtable.h"
#include "forms/frmmain.h"
#include "forms/overlaycommands.h"

#include "view/glshaders.h"
#include "view/glviewer.h"
#include "view/iconatlas.h"

#include <QImage>

#include <QCoreApplication>
#include <QSet>
#include <QTest>
#include <gtest/gtest.h>

namespace
{

const EditMode allModes[] = {EditMode::Select,    EditMode::Move,    EditMode::Rotate, EditMode::Scale,
                             EditMode::DropPlane, EditMode::Support, EditMode::GCode};

// Clicks the view's overlay button of that name in the current view; false when it shows none.
bool clickOverlayButton(FrmMain &window, const QString &name)
{
    GlViewer &view = window.view();
    for (const Btn *button : view.buttons().visibleButtons())
        if (button->name == name) {
            QTest::mouseClick(&view, Qt::LeftButton, {}, view.buttons().buttonRect(*button, view.size()).center());
            return true;
        }
    return false;
}

} // namespace

TEST(CommandTable, OneNameOrKeyRunsTheEntryOfTheCurrentMode)
{
    EditMode mode = EditMode::Move;
    CommandTable table([&] { return mode; });
    QStringList ran;
    table.add({"Save", {"Ctrl+S"}, EditModes::projectModes(), [&] { ran << "project"; }});
    table.add({"Save", {"Ctrl+S"}, {EditMode::GCode}, [&] { ran << "gcode"; }});
    table.add({"Print", {"4"}, EditModes::all(), {}});
    table.add({"Shadowed", {"4"}, EditModes::all(), [&] { ran << "shadowed"; }});

    EXPECT_TRUE(table.run("Save"));
    EXPECT_TRUE(table.runKey("Ctrl+S"));
    mode = EditMode::GCode;
    EXPECT_TRUE(table.run("Save"));
    EXPECT_TRUE(table.runKey("Ctrl+S"));
    EXPECT_EQ(ran, QStringList({"project", "project", "gcode", "gcode"}));

    // A pending command does nothing, so its key is not handled, and it still hides a later entry.
    EXPECT_FALSE(table.runKey("4"));
    EXPECT_TRUE(table.byName("Print", mode)->isPending());
    EXPECT_EQ(ran.size(), 4);
    EXPECT_FALSE(table.runKey("F9"));
    EXPECT_FALSE(table.runKey(""));
    EXPECT_FALSE(table.run("Nothing"));
}

class WindowCommands : public testing::Test
{
protected:
    void SetUp() override { Ini::global().reload(); }
    FrmMain window;
};

TEST_F(WindowCommands, EveryOverlayButtonHasACommandInEachModeOfItsView)
{
    for (const OverlayGroup &group : overlayGroups())
        for (EditMode mode : allModes)
            if (viewModeOf(mode) == group.viewMode)
                for (const OverlayButton &button : group.buttons)
                    EXPECT_NE(window.commands().byName(button.name, mode), nullptr)
                        << button.name.toStdString() << " in mode " << int(mode);
}

// A key or name claimed twice in one mode would leave the later command unreachable.
TEST_F(WindowCommands, NoKeyOrNameIsClaimedTwiceInOneMode)
{
    for (EditMode mode : allModes) {
        QSet<QString> keys, names;
        for (const Command &command : window.commands().commands()) {
            if (!command.modes.contains(mode))
                continue;
            EXPECT_FALSE(names.contains(command.name)) << command.name.toStdString() << " in mode " << int(mode);
            names.insert(command.name);
            for (const QString &key : command.keys) {
                EXPECT_FALSE(keys.contains(key)) << key.toStdString() << " in mode " << int(mode);
                keys.insert(key);
            }
        }
    }
}

TEST_F(WindowCommands, OverlayButtonsRunTheirCommandsAndFollowTheView)
{
    window.resize(1200, 800);
    window.show();
    const struct {
        const char *button;
        EditMode mode;
    } clicks[] = {
        {"Rotate", EditMode::Rotate},   {"Support", EditMode::Support}, {"GCode", EditMode::GCode},
        {"Support", EditMode::Support}, {"Objects", EditMode::Rotate},  {"Drop plane", EditMode::DropPlane},
    };
    BtnSys &buttons = window.view().buttons();
    for (const auto &click : clicks) {
        ASSERT_TRUE(clickOverlayButton(window, click.button)) << click.button;
        EXPECT_EQ(window.editMode(), click.mode) << click.button;
        EXPECT_EQ(buttons.viewMode(), int(viewModeOf(click.mode))) << click.button;
        // The mode's own button, where the view has one along the top, shows it selected.
        const bool modeHasButton = isObjectMode(click.mode) || click.mode == EditMode::GCode;
        EXPECT_EQ(buttons.selected(), modeHasButton ? editModeName(click.mode) : QString()) << click.button;
    }
    EXPECT_FALSE(clickOverlayButton(window, "Stats")); // a button of the G-code view only
    const bool autoDrop = window.autoDrop();
    ASSERT_TRUE(clickOverlayButton(window, "Auto drop"));
    EXPECT_NE(window.autoDrop(), autoDrop);
    EXPECT_EQ(buttons.isChecked("Auto drop"), window.autoDrop());
}

// Every icon index of the overlay table has a pictogram in the atlas the view draws from.
TEST(OverlayAtlas, HoldsAPictogramAtEveryIndexTheTableUses)
{
    initViewResources();
    const QImage atlas = QImage(":/res/icons.png").convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(atlas.size(), QSize(IconAtlas::atlasSize, IconAtlas::atlasSize));
    for (const OverlayGroup &group : overlayGroups())
        for (const OverlayButton &button : group.buttons) {
            ASSERT_GE(button.icon, 0) << button.name.toStdString();
            ASSERT_LT(button.icon, IconAtlas::cellCount) << button.name.toStdString();
            const QRect cell = IconAtlas::cellRect(button.icon);
            int opaque = 0, white = 0;
            for (int y = cell.top(); y <= cell.bottom(); ++y)
                for (int x = cell.left(); x <= cell.right(); ++x) {
                    const QColor c = atlas.pixelColor(x, y);
                    opaque += c.alpha() > 128;
                    white += c.alpha() > 200 && c.lightness() > 240;
                }
            EXPECT_GT(white, 60) << button.name.toStdString() << " icon " << button.icon;
            EXPECT_LT(opaque, cell.width() * cell.height() * 2 / 3) << "a pictogram, not a block: " << button.icon;
        }
}
