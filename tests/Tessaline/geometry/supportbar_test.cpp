#include "cuttinghelpers.h"
#include "geometry/supportbar.h"
#include "raster/layercutter.h"

#include <gtest/gtest.h>
#include <random>

using namespace cuttingtest;

namespace
{

// Every directed edge of a closed, consistently wound surface is met once in each direction.
bool isClosedSurface(const Faces &body)
{
    std::map<std::pair<std::tuple<float, float, float>, std::tuple<float, float, float>>, int> edges;
    const auto key = [](const V3f &v) { return std::make_tuple(v.x, v.y, v.z); };
    for (int i = 0; i < body.count(); ++i)
        for (int k = 0; k < 3; ++k) {
            const V3f &a = body[i].p[k], &b = body[i].p[(k + 1) % 3];
            ++edges[{key(a), key(b)}];
            --edges[{key(b), key(a)}];
        }
    for (const auto &edge : edges)
        if (edge.second != 0)
            return false;
    return true;
}

// Every segment's end meets the start of another (within float rounding of the cutter's interpolation).
bool isClosedOutline(const std::vector<Seg2f> &segs)
{
    std::vector<bool> used(segs.size(), false);
    for (const Seg2f &s : segs) {
        bool found = false;
        for (size_t k = 0; k < segs.size() && !found; ++k)
            if (!used[k] && std::fabs(segs[k].x0 - s.x1) < 1e-4f && std::fabs(segs[k].z0 - s.z1) < 1e-4f)
                used[k] = found = true;
        if (!found)
            return false;
    }
    return true;
}

} // namespace

TEST(SupportBar, BodyAndSlopeFollowTheEndsWhicheverIsAnchor)
{
    const SupportBar down({2, 9.9f, 3}, {2, 0, 3}, 1.5f);
    const SupportBar up({2, 0, 3}, {2, 9.9f, 3}, 1.5f);
    EXPECT_EQ(down.slope(), 0.0f);
    EXPECT_EQ(down.body().count(), 16);
    EXPECT_TRUE(isClosedSurface(down.body()));
    for (int i = 0; i < 16; ++i)
        for (int k = 0; k < 3; ++k)
            EXPECT_EQ(down.body()[i].p[k], up.body()[i].p[k]);
    EXPECT_EQ(down.lower(), V3f(2, 0, 3));
    EXPECT_EQ(down.colour, 0xC0FF30u);
    EXPECT_EQ(down.tag, 0);
    EXPECT_TRUE(down.bodyRebuilt);

    const SupportBar tilted({4, 8, 1}, {2, 0, 3}, 1.0f);
    EXPECT_FLOAT_EQ(tilted.slope(), 0.5f);
    EXPECT_FLOAT_EQ(tilted.manhattanLength(), 12.0f);
    EXPECT_FLOAT_EQ(tilted.distanceToEnds({2, 0.5f, 3.25f}), 0.75f);
}

TEST(SupportBar, BarsWithoutWidthOrLengthHaveNoBody)
{
    const SupportBar cases[] = {
        {{0, 5, 0}, {0, 0, 0}, 0.0f}, {{0, 5, 0}, {0, 0, 0}, -1.0f},       {{1, 2, 3}, {1, 2, 3}, 1.0f},
        {{0, 5, 0}, {0, 0, 0}, NAN},  {{0, INFINITY, 0}, {0, 0, 0}, 1.0f},
    };
    for (const SupportBar &bar : cases) {
        EXPECT_FALSE(bar.isBuildable());
        EXPECT_EQ(bar.body().count(), 0);
        LayerCutter cutter;
        cutter.setSupportBars({bar.cutBar()});
        cutter.SliceFaces(0.0f, 1000.0f, 0.25f, 0.25f, 0.0f, 0.5f);
        for (const SliceLayer &layer : cutter.layers())
            EXPECT_TRUE(layer.supportSegs.empty());
    }
}

// Random bars, steep and tilted, thin and wide, cut both ways the slicer may choose: every layer the
// bar crosses gets one closed square of the bar's width.
TEST(SupportBar, EveryLayerOfARandomBarIsAClosedSquare)
{
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> coordinate(-20.0f, 20.0f), height(0.0f, 15.0f), widthOf(0.2f, 3.0f);
    for (int n = 0; n < 200; ++n) {
        const V3f a(coordinate(rng), height(rng), coordinate(rng));
        V3f b = n % 3 == 0 ? V3f(a.x, height(rng), a.z)
                           : V3f(a.x + coordinate(rng) * 0.1f, height(rng), a.z + coordinate(rng) * 0.1f);
        if (std::fabs(b.y - a.y) < 1.0f)
            b.y = a.y + (a.y < 7.5f ? 1.0f : -1.0f) * 3.0f;
        const SupportBar bar(a, b, widthOf(rng));
        ASSERT_TRUE(isClosedSurface(bar.body()));
        for (const float widthLimit : {0.0f, 1e9f}) {
            const bool everySide = bar.width() > widthLimit || bar.slope() > 0.5f;
            LayerCutter cutter;
            cutter.setSupportBars({bar.cutBar()});
            cutter.SliceFaces(0.0f, 1000.0f, 0.2f, 0.2f, widthLimit, 0.5f);
            int cutLayers = 0;
            for (const SliceLayer &layer : cutter.layers()) {
                if (layer.supportSegs.empty())
                    continue;
                ++cutLayers;
                EXPECT_EQ(layer.supportSegs.size(), everySide ? 8u : 4u);
                EXPECT_TRUE(isClosedOutline(layer.supportSegs)) << "bar " << n << " layer " << layer.index;
                EXPECT_NEAR(-signedArea(layer.supportSegs), bar.width() * bar.width(), 2e-3 * (1 + bar.width()))
                    << "bar " << n << " layer " << layer.index;
            }
            const float rise = bar.upper().y - bar.lower().y;
            EXPECT_NEAR(cutLayers, rise / 0.2f, 1.01f) << "bar " << n;
        }
    }
}
