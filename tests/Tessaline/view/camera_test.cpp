#include "view/camera.h"

#include <gtest/gtest.h>

#include <QJsonObject>

#include <random>

namespace
{

const QSize kViewport(1024, 640);

// Cameras scattered around the plate, as a user leaves them after some orbiting and panning.
std::vector<Camera> scatteredCameras(int count)
{
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> angle(-1.2f, 1.2f), shift(-150.0f, 150.0f), zoom(0.3f, 1.5f);
    std::vector<Camera> cameras(static_cast<size_t>(count));
    for (Camera &c : cameras) {
        c.orbit(angle(rng) * 2.0f, angle(rng) * 0.5f);
        c.pan(shift(rng), shift(rng), kViewport);
        c.zoomTowards(c.center, zoom(rng));
        c.fovy = 30.0f + zoom(rng) * 20.0f;
    }
    return cameras;
}

QPointF pixelOf(const Camera &camera, const V3f &point)
{
    QPointF pixel;
    float depth = 0;
    EXPECT_TRUE(camera.project(point, kViewport, pixel, depth));
    return pixel;
}

} // namespace

TEST(CameraJson, RoundTripAndMissingKeysReadZero)
{
    for (const Camera &camera : scatteredCameras(10)) {
        Camera restored;
        restored.fromJson(camera.toJson());
        EXPECT_EQ(restored.eye, camera.eye);
        EXPECT_EQ(restored.center, camera.center);
        EXPECT_EQ(restored.fovy, camera.fovy);
    }
    const Camera original = scatteredCameras(1).front();
    QJsonObject json = original.toJson();
    EXPECT_EQ(json.size(), 20); // "eye0".."eye15", "center0".."center2", "fovy"
    for (const char *key : {"eye5", "center1", "fovy"}) {
        ASSERT_TRUE(json.contains(key)) << key;
        json.remove(key);
    }
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
    EXPECT_NEAR(camera.right().x, 1.0, 1e-5);
    const QPointF plateCentre = pixelOf(camera, {0, 0, 0});
    EXPECT_NEAR(plateCentre.x(), kViewport.width() / 2.0, 1e-3);
    EXPECT_GT(plateCentre.y(), kViewport.height() / 2.0);
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
            const QPointF pixel = pixelOf(camera, target);
            EXPECT_NEAR(pixel.x(), cursor.x(), 0.05);
            EXPECT_NEAR(pixel.y(), cursor.y(), 0.05);
            EXPECT_EQ(camera.center, target);
        }
    }
}

TEST(CameraMotion, OrbitKeepsTheCentresDistanceAndPlaceAndNeverTipsOver)
{
    for (Camera camera : scatteredCameras(20)) {
        const double before = (camera.position() - camera.center).length();
        const QPointF centreBefore = pixelOf(camera, camera.center);
        for (int i = 0; i < 12; ++i)
            camera.orbit(0.7f, -0.3f);
        EXPECT_NEAR((camera.position() - camera.center).length(), before, before * 1e-4);
        const QPointF centreAfter = pixelOf(camera, camera.center);
        EXPECT_NEAR(centreAfter.x(), centreBefore.x(), 0.05);
        EXPECT_NEAR(centreAfter.y(), centreBefore.y(), 0.05);
        EXPECT_LE(std::fabs(camera.forward().y), 0.9951f);
        EXPECT_GT(camera.up().y, 0.0f);
    }
}

TEST(CameraMotion, PanCarriesTheSceneWithTheDragAndLookAroundStaysPut)
{
    for (Camera camera : scatteredCameras(20)) {
        const V3f centre = camera.center;
        const QPointF before = pixelOf(camera, centre);
        camera.pan(50.0f, 30.0f, kViewport);
        const QPointF moved = pixelOf(camera, centre);
        EXPECT_NEAR(moved.x() - before.x(), 50.0, 0.5);
        EXPECT_NEAR(moved.y() - before.y(), 30.0, 0.5);
        const QPointF newCentre = pixelOf(camera, camera.center); // the centre went along
        EXPECT_NEAR(newCentre.x(), before.x(), 0.05);
        EXPECT_NEAR(newCentre.y(), before.y(), 0.05);

        const V3f position = camera.position();
        const double distance = (position - camera.center).length();
        camera.lookAround(0.4f, 0.2f);
        EXPECT_LT((camera.position() - position).length(), 1e-3);
        EXPECT_NEAR((camera.position() - camera.center).length(), distance, distance * 1e-5);
    }
}
