#include "view/camera.h"
#include "view/picking.h"

#include "scene/project.h"
#include "shapes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace
{

const QSize kViewport(800, 600);

Faces boxMesh(const V3f &min, const V3f &max)
{
    Faces faces;
    faces.makeBox(Box3f{min, max});
    return faces;
}

// A camera high above the plate looking straight down, +Z towards the top of the screen.
Camera topCamera()
{
    Camera camera;
    camera.eye = M44f::translation({0, 400, 0}) * M44f::rotation({1, 0, 0}, float(M_PI / 2));
    camera.center = {0, 0, 0};
    return camera;
}

} // namespace

TEST(DepthEncoding, MostSignificantDigitInBlue)
{
    EXPECT_EQ(encodeDepth(0.5), (DepthPixel{0, 0, 128}));
    EXPECT_EQ(encodeDepth(1.0 / 256 + 2.0 / 65536 + 3.0 / 16777216), (DepthPixel{3, 2, 1}));
    EXPECT_EQ(encodeDepth(1.0), encodeDepth(2.0)); // clamped below the overflow of the top digit
    EXPECT_EQ(encodeDepth(-0.5), (DepthPixel{0, 0, 0}));
}

TEST(DepthEncoding, RoundTripWithinItsPrecisionOverManyDistances)
{
    // c carries 24 bits, so a distance d comes back within d^2 / 2^24 (plus rounding of the double).
    for (double d = 1.0; d < 12000.0; d *= 1.0013) {
        const DepthPixel pixel = encodeDepth(depthCode(d));
        const double back = distanceFromDepthCode(decodeDepth(pixel));
        EXPECT_LE(back, d * (1 + 1e-12)) << d; // the code is rounded down, never farther
        EXPECT_NEAR(back, d, d * d / 16777216.0 * 1.001 + 1e-9) << d;
    }
}

TEST(DepthEncoding, ChannelsSurviveAnEightBitBuffer)
{
    // What the shader writes must come back as the same digits from an 8-bit colour buffer.
    std::mt19937 rng(5);
    std::uniform_real_distribution<double> code(0.0, 1.0);
    for (int i = 0; i < 20000; ++i) {
        const double c = code(rng);
        const std::array<float, 3> channels = depthChannels(c);
        const DepthPixel stored{quint8(std::lround(channels[0] * 255.0f)), quint8(std::lround(channels[1] * 255.0f)),
                                quint8(std::lround(channels[2] * 255.0f))};
        ASSERT_EQ(stored, encodeDepth(c)) << c;
    }
}

TEST(DepthEncoding, PointUnderCursorFromTheReadBackPixel)
{
    Camera camera;
    camera.orbit(0.4f, 0.1f);
    std::mt19937 rng(9);
    std::uniform_real_distribution<float> xz(-80, 80), y(0, 60);
    for (int i = 0; i < 200; ++i) {
        const V3f world(xz(rng), y(rng), xz(rng));
        QPointF pixel;
        float distance = 0;
        ASSERT_TRUE(camera.project(world, kViewport, pixel, distance));
        V3f picked;
        ASSERT_TRUE(pointUnderCursor(camera, pixel, encodeDepth(depthCode(distance)), kViewport, picked));
        EXPECT_LT((picked - world).length(), 0.02) << i;
    }
    V3f untouched(1, 2, 3);
    EXPECT_FALSE(pointUnderCursor(camera, {10, 10}, kNoDepthPixel, kViewport, untouched));
    EXPECT_EQ(untouched, V3f(1, 2, 3));
}

TEST(ScenePick, TheObjectUnderEachPixelOfAGeneratedScene)
{
    // A grid of boxes of different heights; from straight above every top is visible, so the pick
    // at a top's pixel is that box, on its top, and a pixel between boxes picks nothing.
    Project project;
    std::mt19937 rng(21);
    std::uniform_real_distribution<float> height(2, 40);
    std::vector<float> heights;
    for (int i = 0; i < 16; ++i) {
        const float h = height(rng);
        heights.push_back(h);
        Obj *obj = project.addMesh(boxMesh({-5, 0, -5}, {5, h, 5}), QStringLiteral("box%1").arg(i));
        obj->setTransform(M44f::translation({-60.0f + 40.0f * float(i % 4), 0.0f, -60.0f + 40.0f * float(i / 4)}));
    }
    project.selectAll(false);
    const Camera camera = topCamera();
    for (int i = 0; i < project.objectCount(); ++i) {
        const V3f top = project.object(i)->transform().translationPart() + V3f(2.0f, heights[size_t(i)], -3.0f);
        QPointF pixel;
        float distance = 0;
        ASSERT_TRUE(camera.project(top, kViewport, pixel, distance));
        V3f origin, target;
        camera.pixelRay(pixel, kViewport, origin, target);
        const PickHit hit = pickScene(project, origin, target);
        ASSERT_EQ(hit.kind, PickHit::Object) << i;
        EXPECT_EQ(hit.index, i);
        EXPECT_LT((hit.point - top).length(), 0.01);
        EXPECT_NEAR(hit.normal.y, 1.0, 1e-5);
        EXPECT_NEAR(hit.distance, (top - origin).length(), 0.01); // Euclidean, not the view-axis depth
    }
    QPointF between;
    float d = 0;
    ASSERT_TRUE(camera.project({-40, 0, -40}, kViewport, between, d));
    V3f origin, target;
    camera.pixelRay(between, kViewport, origin, target);
    EXPECT_EQ(pickScene(project, origin, target).kind, PickHit::Nothing);
}

TEST(ScenePick, BarsArePickedUnlessAnObjectIsNearer)
{
    Project project;
    project.addMesh(boxMesh({-10, 0, -10}, {10, 20, 10}), "box");
    project.supportBars.append({{30, 15, 0}, {30, 0, 0}, 2.0f});
    project.supportBars.append({{0, 15, -30}, {0, 0, -30}, 2.0f}); // behind the box from the front
    Camera camera;
    camera.eye = M44f::translation({0, 10, 200}) * M44f::rotation({0, 1, 0}, float(M_PI));
    V3f origin, target;
    QPointF pixel;
    float distance = 0;

    ASSERT_TRUE(camera.project({30, 8, 1}, kViewport, pixel, distance));
    camera.pixelRay(pixel, kViewport, origin, target);
    PickHit hit = pickScene(project, origin, target);
    EXPECT_EQ(hit.kind, PickHit::Bar);
    EXPECT_EQ(hit.index, 0);
    EXPECT_NEAR(hit.point.z, 1.0, 1e-3); // the bar's front face
    EXPECT_NEAR(hit.normal.z, 1.0, 1e-5);

    ASSERT_TRUE(camera.project({0, 8, -30}, kViewport, pixel, distance));
    camera.pixelRay(pixel, kViewport, origin, target);
    hit = pickScene(project, origin, target);
    EXPECT_EQ(hit.kind, PickHit::Object);
    EXPECT_NEAR(hit.point.z, 10.0, 1e-3);

    // From behind, the same ray direction reversed meets the bar first.
    camera.eye = M44f::translation({0, 10, -200});
    ASSERT_TRUE(camera.project({0, 8, -30}, kViewport, pixel, distance));
    camera.pixelRay(pixel, kViewport, origin, target);
    hit = pickScene(project, origin, target);
    EXPECT_EQ(hit.kind, PickHit::Bar);
    EXPECT_EQ(hit.index, 1);
}
