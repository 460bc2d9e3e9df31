// The command table that the overlay buttons and the keys share.
#include "common/ini.h"
#include "forms/commandtable.h"
#include "forms/frmmain.h"
#include "forms/overlaycommands.h"

#include <QCoreApplication>
#include <QSet>
#include <QToolButton>
#include <gtest/gtest.h>

namespace
{

const EditMode allModes[] = {EditMode::Select,    EditMode::Move,    EditMode::Rotate, EditMode::Scale,
                             EditMode::DropPlane, EditMode::Support, EditMode::GCode};

// The button of that name that the bar shows now (buttons of the previous view may await deletion;
// the layout shows new ones from the event loop).
QToolButton *overlayButton(const FrmMain &window, const QString &name)
{
    QCoreApplication::processEvents();
    for (QToolButton *button : window.findChildren<QToolButton *>("overlay_" + name))
        if (!button->isHidden())
            return button;
    return nullptr;
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

    EXPECT_TRUE(table.runKey("4")); // a pending command takes its key and does nothing
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
    window.show();
    const struct {
        const char *button;
        EditMode mode;
    } clicks[] = {
        {"Rotate", EditMode::Rotate},   {"Support", EditMode::Support}, {"GCode", EditMode::GCode},
        {"Support", EditMode::Support}, {"Objects", EditMode::Rotate},  {"Drop plane", EditMode::DropPlane},
    };
    for (const auto &click : clicks) {
        QToolButton *button = overlayButton(window, click.button);
        ASSERT_NE(button, nullptr) << click.button;
        button->click(); // the click replaces the bar's buttons while the clicked one still reports it
        EXPECT_EQ(window.editMode(), click.mode) << click.button;
        // The mode's own button, where this view has one, shows it pressed.
        const QToolButton *modeButton = overlayButton(window, editModeName(click.mode));
        EXPECT_TRUE(modeButton == nullptr || modeButton->isChecked()) << click.button;
    }
    EXPECT_EQ(overlayButton(window, "Stats"), nullptr); // a button of the G-code view only
    const bool autoDrop = window.autoDrop();
    overlayButton(window, "Auto drop")->click();
    EXPECT_NE(window.autoDrop(), autoDrop);
    EXPECT_TRUE(overlayButton(window, "Auto drop")->isChecked() == window.autoDrop());
}
