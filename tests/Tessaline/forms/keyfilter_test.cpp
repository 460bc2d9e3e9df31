#include "common/ini.h"
#include "forms/frmmain.h"
#include "forms/keyfilter.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <gtest/gtest.h>

TEST(KeyText, PortableNamesWithKeypadForms)
{
    const struct { int key; Qt::KeyboardModifiers mods; const char *text; } cases[] = {
        {Qt::Key_L, Qt::ControlModifier | Qt::ShiftModifier, "Ctrl+Shift+L"},
        {Qt::Key_C, Qt::ControlModifier | Qt::AltModifier, "Ctrl+Alt+C"},
        {Qt::Key_Plus, Qt::KeypadModifier, "Num++"},
        {Qt::Key_Minus, Qt::KeypadModifier, "Num+-"},
        {Qt::Key_5, Qt::KeypadModifier, "Num5"},
        {Qt::Key_Insert, Qt::NoModifier, "Ins"},
        {Qt::Key_Delete, Qt::ShiftModifier, "Shift+Del"},
        {Qt::Key_PageUp, Qt::NoModifier, "PgUp"},
        {Qt::Key_PageDown, Qt::NoModifier, "PgDown"},
        {Qt::Key_Escape, Qt::NoModifier, "Esc"},
        {Qt::Key_Space, Qt::ControlModifier, "Ctrl+Space"},
        {Qt::Key_M, Qt::NoModifier, "M"},
        {Qt::Key_Shift, Qt::ShiftModifier, ""}, // a modifier alone is no key
    };
    for (const auto &c : cases) {
        QKeyEvent event(QEvent::KeyPress, c.key, c.mods);
        EXPECT_EQ(keyText(&event), c.text);
    }
}

TEST(KeyPassesThrough, EachWidgetKindKeepsTheKeysItNeeds)
{
    QSpinBox spin;
    QComboBox combo;
    QPushButton button;
    for (const char *key : {"5", "Num5", "-", ",", "Ctrl+C", "Ctrl+V", "Shift+End", "Up", "Del"})
        EXPECT_TRUE(keyPassesThrough(&spin, key)) << key;
    for (const char *key : {"M", "Ctrl+S", "Ctrl+Z", "Esc", "Num++"})
        EXPECT_FALSE(keyPassesThrough(&spin, key)) << key;
    for (const char *key : {"Space", "Left", "PgDown", "Ctrl+Ins"}) {
        EXPECT_TRUE(keyPassesThrough(&combo, key)) << key;
        EXPECT_TRUE(keyPassesThrough(&button, key)) << key;
    }
    for (const char *key : {"5", "Ctrl+C", "M"})
        EXPECT_FALSE(keyPassesThrough(&combo, key)) << key;
    EXPECT_FALSE(keyPassesThrough(nullptr, "Space"));
    EXPECT_FALSE(keyPassesThrough(&spin, "")); // " " + "" + " " must not match the gaps in the list
}

TEST(KeyFilter, TypingIntoASpinBoxReachesItAndCommandLettersStillWork)
{
    Ini::global().reload();
    FrmMain window;
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    window.setEditMode(EditMode::Select);
    auto *spin = window.findChild<QSpinBox *>("seAngleSnap_1");
    ASSERT_NE(spin, nullptr);
    ASSERT_TRUE(spin->isVisible());
    spin->setFocus();
    spin->selectAll();
    QTest::keyClick(spin, Qt::Key_7);
    EXPECT_EQ(spin->value(), 7);
    EXPECT_EQ(window.editMode(), EditMode::Select);
    QTest::keyClick(spin, Qt::Key_Space); // Space selects Select mode elsewhere; here it is the spin box's
    EXPECT_EQ(window.editMode(), EditMode::Select);
    QTest::keyClick(spin, Qt::Key_M);
    EXPECT_EQ(window.editMode(), EditMode::Move);
    EXPECT_EQ(spin->value(), 7);
    QTest::keyClick(spin, Qt::Key_G);
    EXPECT_EQ(window.editMode(), EditMode::GCode);
}
