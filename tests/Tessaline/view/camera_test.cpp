#include "view/camera.h"

#include <gtest/gtest.h>

#include <QJsonObject>
#include <QStringList>

#include <random>

namespace
{

const QSize kViewport(1024, 640);

// Cameras scattered around the plate, as a user leaves them after some orbiting and panning.
std::vector<Camera> scatteredCameras(int count)
{
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> angle(-1.2f, 1.2f), shift(-150.0f, 150.0f), zoom(0.3f, 1.5f);
    std::vector<Camera> cameras;
    for (int i = 0; i < count; ++i) {
        Camera c;
        c.orbit(angle(rng) * 2.0f, angle(rng) * 0.5f);
        c.pan(shift(rng), shift(rng), kViewport);
        c.zoomTowards(c.center, zoom(rng));
        c.fovy = 30.0f + 10.0f * float(i % 5);
        cameras.push_back(c);
    }
    return cameras;
}

double distance(const V3f &a, const V3f &b)
{
    return (a - b).length();
}

} // namespace

TEST(CameraJson, RoundTripKeepsEveryElement)
{
    for (const Camera &camera : scatteredCameras(10)) {
        Camera restored;
        restored.fromJson(camera.toJson());
        EXPECT_EQ(restored.eye, camera.eye);
        EXPECT_EQ(restored.center, camera.center);
        EXPECT_EQ(restored.fovy, camera.fovy);
    }
}

TEST(CameraJson, WritesExactlyTheStoredKeys)
{
    QStringList expected;
    for (int i = 0; i < 16; ++i)
        expected << QStringLiteral("eye%1").arg(i);
    expected << "center0"
             << "center1"
             << "center2"
             << "fovy";
    QStringList keys = Camera().toJson().keys();
    expected.sort();
    keys.sort();
    EXPECT_EQ(keys, expected);
}

TEST(CameraJson, MissingKeysReadZeroAndHomeRestoresFovy)
{
    const Camera original = scatteredCameras(1).front();
    QJsonObject json = original.toJson();
    json.remove("eye5");
    json.remove("center1");
    json.remove("fovy");
    Camera camera;
    camera.fromJson(json);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(camera.eye.m[i], i == 5 ? 0.0f : original.eye.m[i]) << "eye" << i;
    EXPECT_EQ(camera.center, V3f(original.center.x, 0.0f, original.center.z));
    EXPECT_EQ(camera.fovy, 0.0f);
    camera.home();
    EXPECT_EQ(camera.fovy, 60.0f);
}

TEST(CameraHome, LooksDownAtThePlateFromTheFront)
{
    const Camera camera;
    // (0, 30, 270) turned 30 degrees up about X.
    EXPECT_NEAR(camera.position().y, 30.0 * std::cos(M_PI / 6) + 270.0 * std::sin(M_PI / 6), 1e-3);
    EXPECT_NEAR(camera.position().z, 270.0 * std::cos(M_PI / 6) - 30.0 * std::sin(M_PI / 6), 1e-3);
    EXPECT_NEAR(camera.forward().y, -0.5, 1e-5);
    EXPECT_NEAR(camera.right().x, 1.0, 1e-5);
    QPointF pixel;
    float depth = 0;
    ASSERT_TRUE(camera.project({0, 0, 0}, kViewport, pixel, depth));
    EXPECT_NEAR(pixel.x(), kViewport.width() / 2.0, 1e-3); // the plate's centre is in the middle
    EXPECT_GT(pixel.y(), kViewport.height() / 2.0);        // and below the horizon
}

TEST(CameraMotion, ZoomTowardsAPointKeepsItUnderTheCursor)
{
    std::mt19937 rng(11);
    std::uniform_real_distribution<double> px(0, kViewport.width()), py(0, kViewport.height()), depth(20, 900);
    for (Camera camera : scatteredCameras(20)) {
        const QPointF cursor(px(rng), py(rng));
        const V3f target = camera.unproject(cursor, float(depth(rng)), kViewport);
        for (float factor : {0.8f, 1.25f, 0.1f}) {
            camera.zoomTowards(target, factor);
            QPointF pixel;
            float d = 0;
            ASSERT_TRUE(camera.project(target, kViewport, pixel, d));
            EXPECT_NEAR(pixel.x(), cursor.x(), 0.05);
            EXPECT_NEAR(pixel.y(), cursor.y(), 0.05);
            EXPECT_EQ(camera.center, target);
        }
    }
}

TEST(CameraMotion, OrbitKeepsTheCentresDistanceAndPlace)
{
    for (Camera camera : scatteredCameras(20)) {
        const double before = distance(camera.position(), camera.center);
        QPointF centreBefore, centreAfter;
        float d = 0;
        ASSERT_TRUE(camera.project(camera.center, kViewport, centreBefore, d));
        camera.orbit(0.7f, -0.3f);
        camera.orbit(-2.1f, 0.45f);
        EXPECT_NEAR(distance(camera.position(), camera.center), before, before * 1e-5);
        ASSERT_TRUE(camera.project(camera.center, kViewport, centreAfter, d));
        EXPECT_NEAR(centreAfter.x(), centreBefore.x(), 0.05);
        EXPECT_NEAR(centreAfter.y(), centreBefore.y(), 0.05);
        EXPECT_LT(std::fabs(camera.forward().y), 0.9951f);
    }
}

TEST(CameraMotion, OrbitNeverTipsOverTheVertical)
{
    Camera camera;
    for (int i = 0; i < 40; ++i)
        camera.orbit(0.0f, -0.2f);
    EXPECT_LE(std::fabs(camera.forward().y), 0.9951f);
    EXPECT_GT(camera.up().y, 0.0f);
}

TEST(CameraMotion, PanMovesTheCentreWithTheCursor)
{
    for (Camera camera : scatteredCameras(20)) {
        QPointF before, after;
        float d = 0;
        ASSERT_TRUE(camera.project(camera.center, kViewport, before, d));
        camera.pan(37.0f, -21.0f, kViewport);
        ASSERT_TRUE(camera.project(camera.center, kViewport, after, d));
        // The centre moved with the camera.
        EXPECT_NEAR(after.x(), before.x(), 0.05);
        EXPECT_NEAR(after.y(), before.y(), 0.05);
        // A point fixed in the world moves by the drag.
        const V3f worldPoint = camera.unproject(before, d, kViewport);
        camera.pan(50.0f, 30.0f, kViewport);
        QPointF moved;
        ASSERT_TRUE(camera.project(worldPoint, kViewport, moved, d));
        EXPECT_NEAR(moved.x() - before.x(), 50.0, 0.5);
        EXPECT_NEAR(moved.y() - before.y(), 30.0, 0.5);
    }
}

TEST(CameraMotion, LookAroundKeepsThePositionAndTheCentresDistance)
{
    for (Camera camera : scatteredCameras(10)) {
        const V3f position = camera.position();
        const double before = distance(position, camera.center);
        camera.lookAround(0.4f, 0.2f);
        EXPECT_LT(distance(camera.position(), position), 1e-3);
        EXPECT_NEAR(distance(camera.position(), camera.center), before, before * 1e-5);
    }
}

TEST(CameraProjection, UnprojectInvertsProject)
{
    std::mt19937 rng(3);
    std::uniform_real_distribution<double> px(0, kViewport.width()), py(0, kViewport.height()), depth(2, 5000);
    for (const Camera &camera : scatteredCameras(10))
        for (int i = 0; i < 50; ++i) {
            const QPointF cursor(px(rng), py(rng));
            const float d = float(depth(rng));
            QPointF pixel;
            float back = 0;
            ASSERT_TRUE(camera.project(camera.unproject(cursor, d, kViewport), kViewport, pixel, back));
            EXPECT_NEAR(pixel.x(), cursor.x(), 0.02);
            EXPECT_NEAR(pixel.y(), cursor.y(), 0.02);
            EXPECT_NEAR(back, d, d * 1e-4);
        }
}
