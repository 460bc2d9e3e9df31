#include "common/perfdata.h"
#include "engine/horizontalshells.h"
#include "engine/slicecontext.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

#include <map>
#include <random>

namespace
{

constexpr int planeSize = 64;

// Inner areas of a made-up object: each layer a random rectangle, often the same as the layer below, so the
// windows hold both covered and changing parts.
std::map<int, Plane1> randomInnerAreas(int layerCount, unsigned seed)
{
    std::mt19937 random(seed);
    std::map<int, Plane1> areas;
    int x0 = 8, y0 = 8, x1 = 50, y1 = 50;
    for (int layer = 0; layer < layerCount; ++layer) {
        if (random() % 3 == 0) {
            x0 = int(random() % 30), y0 = int(random() % 30);
            x1 = x0 + 4 + int(random() % 30), y1 = y0 + 4 + int(random() % 30);
        }
        Plane1 &plane = areas[layer];
        plane.resize(planeSize, planeSize);
        plane.fill(false);
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x)
                plane.setPixel(x, y, true);
    }
    return areas;
}

// shell(i) straight from its definition: the inner pixels not inside all N layers below and all N above.
bool expectedShellPixel(const std::map<int, Plane1> &areas, int N, int layer, int x, int y)
{
    const auto inner = [&](int index) {
        const auto it = areas.find(index);
        return it != areas.end() && it->second.pixel(x, y);
    };
    if (!inner(layer))
        return false;
    if (N == 0)
        return true;
    for (int d = 1; d <= N; ++d)
        if (!inner(layer - d) || !inner(layer + d))
            return true;
    return false;
}

struct SweepResult {
    int wrongPixels = 0;
    int checkedLayers = 0;
};

// Runs the region step the way the driver's sweep does and checks every layer's shell and fill.
SweepResult sweepAndCheck(int N, int layerCount, const std::map<int, Plane1> &areas, bool check)
{
    SlicerParams sp;
    sp.HShellCnt = N;
    const MachineRecord machine;
    SliceContext context(sp, machine, 2);
    context.layerCount = layerCount;
    context.frame.width = planeSize;
    context.frame.height = planeSize;
    SweepResult result;
    for (int i = -2 * N; i < layerCount; ++i) {
        Plane1 &inner = context.D.slot(i + N);
        const auto it = areas.find(i + N);
        if (it != areas.end()) {
            it->second.copyTo(inner);
        } else {
            inner.resize(planeSize, planeSize);
            inner.fill(false);
        }
        horizontalShellRegions(context, i);
        if (i < 0 || !check)
            continue;
        ++result.checkedLayers;
        const Plane1 &shell = context.G.get(i);
        const Plane1 &fill = context.H.get(i);
        for (int y = 0; y < planeSize; ++y)
            for (int x = 0; x < planeSize; ++x) {
                const bool wanted = expectedShellPixel(areas, N, i, x, y);
                const bool inner = areas.at(i).pixel(x, y);
                if (shell.pixel(x, y) != wanted || fill.pixel(x, y) != (inner && !wanted))
                    ++result.wrongPixels;
            }
    }
    return result;
}

int bitwiseCount()
{
    const QRegularExpression line(R"(\s(\d+) Bitwise\r?\n)");
    const QRegularExpressionMatch match = line.match(perfReport());
    return match.hasMatch() ? match.captured(1).toInt() : 0;
}

} // namespace

class HorizontalShellRegions : public testing::TestWithParam<int>
{
};

TEST_P(HorizontalShellRegions, MatchTheWindowDefinitionOnRandomLayers)
{
    const int N = GetParam();
    for (unsigned seed = 1; seed <= 3; ++seed) {
        const int layerCount = 5 + int(seed) * 7;
        const SweepResult result = sweepAndCheck(N, layerCount, randomInnerAreas(layerCount, seed * 17 + N), true);
        EXPECT_EQ(result.checkedLayers, layerCount);
        EXPECT_EQ(result.wrongPixels, 0) << "seed " << seed;
    }
}

INSTANTIATE_TEST_SUITE_P(ShellCount, HorizontalShellRegions, testing::Values(0, 1, 2, 3, 4, 5, 6, 7, 10),
                         [](const testing::TestParamInfo<int> &info) { return "N" + std::to_string(info.param); });

// The window is built from cached pairs: a layer costs about N / 2 + 3 plane operations, not 2 N.
TEST(HorizontalShellCost, AboutHalfTheWindowPlusThreeOperationsPerLayer)
{
    const int layerCount = 400;
    const std::map<int, Plane1> areas = randomInnerAreas(layerCount, 5);
    for (int N : {3, 5, 10}) {
        perfClear();
        sweepAndCheck(N, layerCount, areas, false);
        const double perLayer = double(bitwiseCount()) / layerCount;
        EXPECT_LE(perLayer, N / 2.0 + 3.0 + 0.3) << "N = " << N;
        EXPECT_GE(perLayer, N / 2.0 + 2.5) << "N = " << N;
    }
}

TEST(HorizontalShellRegions, OneLayerObjectIsAllShell)
{
    const std::map<int, Plane1> areas = randomInnerAreas(1, 9);
    EXPECT_EQ(sweepAndCheck(3, 1, areas, true).wrongPixels, 0);
}
