// Drawn colours and transforms gliding towards their targets.
#include "view/animation.h"

#include <QRandomGenerator>
#include <gtest/gtest.h>

namespace
{

TEST(ApproachColor, AFrameOfAQuarterSecondOrMoreArrivesAtOnce)
{
    const QColor plain(0xCC, 0xCC, 0xCC), selected(0x3F, 0xBE, 0xF2);
    EXPECT_EQ(approachColor(plain, selected, 0.25f), selected);
    EXPECT_EQ(approachColor(plain, selected, 3.0f), selected);
    // At 60 frames a second a step covers 1 - 0.2^0.5 of the way.
    const QColor step = approachColor(plain, selected, 1.0f / 60);
    EXPECT_EQ(step.red(), 0xCC - 78);
}

// Over many random colour pairs and frame rates: every channel moves towards its target without
// overshooting, and the colour arrives exactly, within a second of frames.
TEST(ApproachColor, MovesMonotonicallyAndArrivesExactly)
{
    QRandomGenerator random(7);
    for (int trial = 0; trial < 500; ++trial) {
        const QColor target(random.bounded(256), random.bounded(256), random.bounded(256));
        QColor drawn(random.bounded(256), random.bounded(256), random.bounded(256));
        const float dt = 1.0f / float(20 + random.bounded(125));
        int frames = 0;
        for (float time = 0; drawn != target && time < 1.0f; time += dt, ++frames) {
            const QColor next = approachColor(drawn, target, dt);
            for (auto channel : {&QColor::red, &QColor::green, &QColor::blue}) {
                const int before = std::abs((drawn.*channel)() - (target.*channel)());
                const int after = std::abs((next.*channel)() - (target.*channel)());
                EXPECT_LE(after, before);
            }
            drawn = next;
        }
        EXPECT_EQ(drawn, target) << "after " << frames << " frames of " << dt << " s";
    }
}

TEST(ApproachTransform, TwoHalfFramesGoAsFarAsOneWholeFrame)
{
    const M44f from = M44f::translation(V3f(0, 0, 0));
    const M44f to = M44f::translation(V3f(100, -40, 20));
    for (float dt : {0.004f, 1.0f / 60, 0.1f}) {
        const M44f whole = approachTransform(from, to, dt);
        const M44f halves = approachTransform(approachTransform(from, to, dt / 2), to, dt / 2);
        for (int i = 12; i < 15; ++i)
            EXPECT_NEAR(whole[i], halves[i], 1e-3f) << "dt " << dt << " element " << i;
        EXPECT_GT(whole[12], 0.0f);
        EXPECT_LT(whole[12], 100.0f);
    }
}

// The snap is judged after the step: 6 thousandths become 4, 20 thousandths stay above 5.
TEST(ApproachTransform, SnapsOnceTheElementsDifferByAtMostFiveThousandths)
{
    const M44f to = M44f::translation(V3f(10, 0, 0));
    EXPECT_EQ(approachTransform(M44f::translation(V3f(10.006f, 0, 0)), to, 1.0f / 60), to);
    EXPECT_NE(approachTransform(M44f::translation(V3f(10.02f, 0, 0)), to, 1.0f / 60), to);
    M44f drawn = M44f::translation(V3f(-100, 0, 0));
    int frames = 0;
    while (drawn != to && frames < 120) {
        drawn = approachTransform(drawn, to, 1.0f / 60);
        ++frames;
    }
    EXPECT_EQ(drawn, to);
    EXPECT_GT(frames, 10) << "a move glides over several frames";
}

} // namespace
