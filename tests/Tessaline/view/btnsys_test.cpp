// The overlay buttons' layout and their errors, without GL.
#include "thrownmessage.h"
#include "view/btnsys.h"

#include <gtest/gtest.h>

namespace
{

const QSize view(1000, 700);

// Buttons of one view mode lie along their edge at the 64-pixel pitch, groups of one edge apart by a
// gap; the top row is centred; other modes' buttons are not there.
TEST(BtnSysLayout, ButtonsLieAlongTheirEdgesAtThePitch)
{
    BtnSys buttons;
    BtnGrp &files = buttons.addGroup('l', 0);
    files.add("New Proj", Qt::blue, 20, Btn::dividerFlag);
    files.add("Open", Qt::green, 19);
    BtnGrp &more = buttons.addGroup('l', 0);
    more.add("Export", Qt::red, 52);
    BtnGrp &top = buttons.addGroup('t', 0);
    top.add("Undo", Qt::red, 16);
    top.add("Redo", Qt::yellow, 17);
    buttons.addGroup('r', 0).add("Options", Qt::gray, 54);
    buttons.addGroup('r', 2).add("Print", Qt::gray, 51);

    const struct {
        const char *name;
        QRect slot;
    } expected[] = {
        {"New Proj", {0, 0, 64, 64}},
        {"Open", {0, 64, 64, 64}},
        {"Export", {0, 2 * 64 + BtnSys::groupGap, 64, 64}},
        {"Undo", {(1000 - 128) / 2, 0, 64, 64}},
        {"Redo", {(1000 - 128) / 2 + 64, 0, 64, 64}},
        {"Options", {1000 - 64, 0, 64, 64}},
    };
    ASSERT_EQ(buttons.visibleButtons().size(), 6);
    for (const auto &e : expected) {
        const Btn *button = buttons.buttonAt(e.slot.center(), view);
        ASSERT_NE(button, nullptr) << e.name;
        EXPECT_EQ(button->name, e.name);
        // The drawn square sits in the middle of its slot.
        EXPECT_EQ(buttons.buttonRect(*button, view), e.slot.adjusted(8, 8, -8, -8)) << e.name;
        EXPECT_EQ(button->toolTip(), QString("<p align=center>") + e.name + "</p>");
    }
    EXPECT_EQ(buttons.buttonAt(QPoint(32, 2 * 64 + 4), view), nullptr) << "the gap between two groups";
    EXPECT_EQ(buttons.buttonAt(QPoint(500, 400), view), nullptr);

    buttons.setViewMode(2);
    ASSERT_EQ(buttons.visibleButtons().size(), 1);
    EXPECT_EQ(buttons.buttonAt(QPoint(1000 - 32, 32), view)->name, "Print");
    EXPECT_EQ(buttons.buttonAt(QPoint(32, 32), view), nullptr);
}

TEST(BtnSysLayout, TheTopRowKeepsClearOfTheLeftColumnInANarrowView)
{
    BtnSys buttons;
    BtnGrp &top = buttons.addGroup('t', 0);
    for (int i = 0; i < 10; ++i)
        top.add(QString::number(i), Qt::red, i);
    const QRect first = buttons.buttonRect(top.button(0), QSize(500, 400));
    EXPECT_GE(first.left(), BtnSys::pitch);
}

TEST(BtnSysLayout, CheckedFollowsTheNameInEveryView)
{
    BtnSys buttons;
    Btn &objects = buttons.addGroup('t', 0).add("Auto drop", Qt::red, 22);
    Btn &gcode = buttons.addGroup('t', 2).add("Auto drop", Qt::red, 22);
    buttons.setChecked("Auto drop", true);
    EXPECT_TRUE(objects.checked && gcode.checked && buttons.isChecked("Auto drop"));
    buttons.setChecked("Auto drop", false);
    EXPECT_FALSE(objects.checked || gcode.checked || buttons.isChecked("Auto drop"));
}

struct ErrorCase {
    const char *name;
    std::function<void()> call;
    const char *message;
};

class BtnSysErrors : public testing::TestWithParam<ErrorCase>
{
};

TEST_P(BtnSysErrors, ThrowTheirTexts)
{
    EXPECT_EQ(thrownMessage(GetParam().call), GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(Texts, BtnSysErrors,
                         testing::Values(ErrorCase{"UnknownEdge", [] { BtnGrp('b', 0); }, "BtnGrp.edge unknown enum"},
                                         ErrorCase{"ButtonOutsideItsGroup",
                                                   [] {
                                                       BtnGrp group('l', 0), other('l', 0);
                                                       Btn stray(group, "Stray", Qt::red, 1, 0);
                                                       (void)stray.index();
                                                   },
                                                   "Fatal error: Btn::index() failed"},
                                         ErrorCase{"MissingAtlas",
                                                   [] {
                                                       BtnSys buttons;
                                                       buttons.setAtlas("noSuchIcons.png");
                                                       buttons.prepareImage();
                                                   },
                                                   "Fatal error: BtnSys::prepareImage() file not found"}),
                         [](const testing::TestParamInfo<ErrorCase> &info) { return std::string(info.param.name); });

} // namespace
