#include "view/camera.h"
#include "view/picking.h"

#include "scene/project.h"

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

PickHit pickAt(const Project &project, const Camera &camera, const V3f &aim)
{
    QPointF pixel;
    float depth = 0;
    EXPECT_TRUE(camera.project(aim, kViewport, pixel, depth));
    V3f origin, target;
    camera.pixelRay(pixel, kViewport, origin, target);
    return pickScene(project, origin, target);
}

} // namespace

TEST(DepthEncoding, DigitsRoundTripWithinTheirPrecision)
{
    EXPECT_EQ(encodeDepth(0.5), (DepthPixel{0, 0, 128})); // most significant digit in blue
    EXPECT_EQ(encodeDepth(1.0 / 256 + 2.0 / 65536 + 3.0 / 16777216), (DepthPixel{3, 2, 1}));
    EXPECT_EQ(encodeDepth(1.0), encodeDepth(2.0)); // clamped below the top digit's overflow
    // c carries 24 bits, so a distance d comes back within d^2 / 2^24, never farther.
    for (double d = 1.0; d < 12000.0; d *= 1.0013) {
        const double back = distanceFromDepthCode(decodeDepth(encodeDepth(depthCode(d))));
        EXPECT_LE(back, d * (1 + 1e-12)) << d;
        EXPECT_NEAR(back, d, d * d / 16777216.0 * 1.001 + 1e-9) << d;
    }
}

TEST(DepthEncoding, RegressionChannelsSurviveAnEightBitBuffer)
{
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
}

TEST(ScenePick, TheObjectUnderEachPixelOfAGeneratedScene)
{
    // A grid of boxes of random heights seen from straight above: the pick at a point of each top is
    // that box, at that point, and a pixel between boxes picks nothing.
    Project project;
    std::mt19937 rng(21);
    std::uniform_real_distribution<float> height(2, 40);
    std::vector<float> heights;
    for (int i = 0; i < 16; ++i) {
        heights.push_back(height(rng));
        Obj *obj = project.addMesh(boxMesh({-5, 0, -5}, {5, heights.back(), 5}), QStringLiteral("box%1").arg(i));
        obj->setTransform(M44f::translation({-60.0f + 40.0f * float(i % 4), 0.0f, -60.0f + 40.0f * float(i / 4)}));
    }
    Camera camera;
    camera.eye = M44f::translation({0, 400, 0}) * M44f::rotation({1, 0, 0}, float(M_PI / 2));
    for (int i = 0; i < project.objectCount(); ++i) {
        const V3f top = project.object(i)->transform().translationPart() + V3f(2.0f, heights[size_t(i)], -3.0f);
        const PickHit hit = pickAt(project, camera, top);
        ASSERT_EQ(hit.kind, PickHit::Object) << i;
        EXPECT_EQ(hit.index, i);
        EXPECT_LT((hit.point - top).length(), 0.01);
        EXPECT_NEAR(hit.normal.y, 1.0, 1e-5);
        EXPECT_NEAR(hit.distance, (top - camera.position()).length(), 0.01);
    }
    EXPECT_EQ(pickAt(project, camera, {-40, 0, -40}).kind, PickHit::Nothing);
}

TEST(ScenePick, BarsArePickedUnlessAnObjectIsNearer)
{
    Project project;
    project.addMesh(boxMesh({-10, 0, -10}, {10, 20, 10}), "box");
    project.supportBars.append({{30, 15, 0}, {30, 0, 0}, 2.0f});
    project.supportBars.append({{0, 15, -30}, {0, 0, -30}, 2.0f}); // behind the box seen from the front
    Camera front;
    front.eye = M44f::translation({0, 10, 200}) * M44f::rotation({0, 1, 0}, float(M_PI));
    PickHit hit = pickAt(project, front, {30, 8, 1});
    EXPECT_EQ(hit.kind, PickHit::Bar);
    EXPECT_EQ(hit.index, 0);
    EXPECT_NEAR(hit.point.z, 1.0, 1e-3); // on the bar's front face
    hit = pickAt(project, front, {0, 8, -30});
    EXPECT_EQ(hit.kind, PickHit::Object);
    EXPECT_NEAR(hit.point.z, 10.0, 1e-3);
    Camera back;
    back.eye = M44f::translation({0, 10, -200});
    hit = pickAt(project, back, {0, 8, -30});
    EXPECT_EQ(hit.kind, PickHit::Bar);
    EXPECT_EQ(hit.index, 1);
}
