// Camera flights (where the camera is between key frames, the list's file) and the clipping record.
#include "view/cliprecord.h"
#include "view/keyframes.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{

Camera cameraAt(float yaw, float distance, float fovy)
{
    Camera camera;
    camera.orbit(yaw, 0.0f);
    camera.zoomTowards(camera.center, distance);
    camera.fovy = fovy;
    return camera;
}

void expectNear(const Camera &actual, const Camera &expected, const char *what)
{
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(actual.eye[i], expected.eye[i], 1e-3f) << what << " eye" << i;
    for (int a = 0; a < 3; ++a)
        EXPECT_NEAR(actual.center[a], expected.center[a], 1e-3f) << what << " center" << a;
    EXPECT_NEAR(actual.fovy, expected.fovy, 1e-4f) << what;
}

} // namespace

TEST(KeyFrames, TheFlightPassesEveryFrameAtItsTimeAndStaysOnTheEndsOutside)
{
    KeyFrames flight;
    const Camera a = cameraAt(0.0f, 1.0f, 60.0f), b = cameraAt(1.2f, 0.5f, 40.0f), c = cameraAt(-0.7f, 2.0f, 70.0f);
    flight.insert(0, {a, 1000});
    flight.insert(1, {c, 250}); // the last frame's duration ends nothing
    flight.insert(1, {b, 500});
    ASSERT_EQ(flight.count(), 3);
    EXPECT_EQ(flight.totalMs(), 1500);
    const struct {
        double ms;
        const Camera &expected;
        int frame;
    } stops[] = {{-10, a, 0}, {0, a, 0}, {1000, b, 1}, {1500, c, 2}, {9000, c, 2}};
    for (const auto &stop : stops) {
        expectNear(flight.interpolate(stop.ms), stop.expected, "stop");
        EXPECT_EQ(flight.frameAt(stop.ms), stop.frame) << stop.ms;
    }
    // Halfway from a to b: the camera keeps its distance from the turning axis and the mid field of view.
    const Camera half = flight.interpolate(500);
    EXPECT_NEAR(half.fovy, 50.0f, 1e-4f);
    EXPECT_NEAR((half.position() - blendCameras(a, b, 0.5f).position()).length(), 0.0f, 1e-3f);
    const V3f forward = half.forward();
    EXPECT_NEAR(forward.length(), 1.0f, 1e-4f) << "the eye stays a rotation";
}

TEST(KeyFrames, AnEmptyFlightRefusesAndTheFileKeepsEveryFrame)
{
    KeyFrames flight;
    EXPECT_THROW(flight.interpolate(0), const char *);
    flight.insert(0, {cameraAt(0.3f, 1.5f, 55.0f), 700});
    flight.insert(5, {cameraAt(-0.3f, 0.8f, 65.0f), 1200});
    const KeyFrames back = KeyFrames::fromJson(flight.toJson());
    ASSERT_EQ(back.count(), 2);
    for (int i = 0; i < 2; ++i) {
        expectNear(back.frame(i).camera, flight.frame(i).camera, "read back");
        EXPECT_EQ(back.frame(i).durationMs, flight.frame(i).durationMs);
    }
    EXPECT_EQ(KeyFrames::fromJson("not json").count(), 0);
    EXPECT_EQ(KeyFrames::fromJson(R"({"frames":[1,{"duration":5},{"cam":{}}]})").count(), 1);
}

TEST(ClipRecord, SidesChooseTheKeptBoxAndTheRecordReadsBackRounded)
{
    ClipRecord clip;
    clip.enabled = true;
    clip.pos[0] = 10.0f;
    clip.side[0] = 1; // keep x <= 10
    clip.pos[1] = 2.0f;
    clip.side[1] = -1; // keep y >= 2
    const struct {
        V3f point;
        bool kept;
    } cases[] = {{{0, 5, 0}, true}, {{10, 2, -500}, true}, {{10.1f, 5, 0}, false}, {{0, 1.9f, 0}, false}};
    for (const auto &c : cases)
        EXPECT_EQ(clip.keeps(c.point), c.kept) << c.point.x << "," << c.point.y;
    clip.enabled = false;
    EXPECT_TRUE(clip.keeps({1e6f, -1e6f, 0})) << "off keeps everything";

    const ClipRecord back = ClipRecord::fromJson(QJsonObject{{"enabled", true}, {"pos2", 7.5}, {"side2", -0.6}});
    EXPECT_TRUE(back.enabled);
    EXPECT_EQ(back.side[2], -1);
    EXPECT_FLOAT_EQ(back.pos[2], 7.5f);
    EXPECT_EQ(back.side[0], 0);
    const ClipRecord again = ClipRecord::fromJson(back.toJson());
    EXPECT_EQ(again.toJson(), back.toJson());
}
