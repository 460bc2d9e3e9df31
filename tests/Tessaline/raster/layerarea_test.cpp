#include "cuttinghelpers.h"
#include "raster/edgemarkplane.h"
#include "raster/layerarea.h"
#include "raster/plane1.h"
#include "raster/plane8.h"
#include "raster/rasterframesetup.h"

#include <gtest/gtest.h>

using namespace cuttingtest;

namespace
{

struct Slice {
    LayerCutter cutter;
    RasterFrame frame;
};

Slice slice(const Faces &world, float thickness = 0.5f)
{
    Slice s;
    s.cutter.setSceneTriangles(world);
    s.cutter.SliceFaces(0.0f, 1000.0f, thickness, thickness, 0.0f, 0.5f);
    s.frame = setupRasterFrame(s.cutter.boundingBox(), 0.4f);
    return s;
}

qint64 solidPixels(const Plane1 &area)
{
    qint64 count = 0;
    for (int y = 0; y < area.height(); ++y)
        for (int x = 0; x < area.width(); ++x)
            count += area.pixel(x, y) ? 0 : 1;
    return count;
}

} // namespace

TEST(LayerArea, EveryFillRuleGivesTheSolidArea)
{
    Slice s = slice(boxMesh({0, 0, 0}, {10, 2, 6}));
    for (int rule : {0, 1, 2, 7}) {
        LayerAreaPreparer preparer(s.frame, rule);
        Plane8 coverage;
        Plane1 area;
        EdgeMarkPlane scratch;
        preparer.prepare(s.cutter.layers(), 1, coverage, area, scratch);
        ASSERT_EQ(area.width(), s.frame.width);
        const double pixelArea = double(s.frame.pixelSizeX) * s.frame.pixelSizeZ;
        // Within a one-pixel border of the true 60 mm2.
        const double border = (2 * 10 + 2 * 6) / double(s.frame.pixelSizeX);
        EXPECT_NEAR(double(solidPixels(area)), 60.0 / pixelArea, border) << "rule " << rule;
        EXPECT_EQ(preparer.repairCount(), 0);
    }
}

TEST(LayerArea, LayerOutsideTheTableIsEmpty)
{
    Slice s = slice(boxMesh({0, 0, 0}, {3, 3, 3}));
    LayerAreaPreparer preparer(s.frame, 0);
    Plane8 coverage;
    Plane1 area;
    EdgeMarkPlane scratch;
    for (int k : {-3, s.cutter.layerCount()}) {
        preparer.prepare(s.cutter.layers(), k, coverage, area, scratch);
        EXPECT_EQ(solidPixels(area), 0);
        EXPECT_EQ(coverage.pixel(coverage.width() / 2, coverage.height() / 2), 0);
    }
}

TEST(LayerArea, OpenLayersAreRepairedAndAfterTwentyEveryLayerIs)
{
    Faces open = boxMesh({0, 0, 0}, {6, 20, 6});
    open.faces().removeAt(2);
    Slice s = slice(open, 0.5f);
    ASSERT_EQ(s.cutter.layerCount(), 40);
    LayerAreaPreparer preparer(s.frame, 0);
    Plane8 coverage;
    Plane1 area;
    EdgeMarkPlane scratch;
    const double pixelArea = double(s.frame.pixelSizeX) * s.frame.pixelSizeZ;
    int openLayers = 0;
    for (int k = 0; k < 40; ++k) {
        const bool wasOpen = !openEndpoints(s.cutter.layers()[size_t(k)].meshSegs).empty();
        openLayers += wasOpen ? 1 : 0;
        const int before = preparer.repairCount();
        preparer.prepare(s.cutter.layers(), k, coverage, area, scratch);
        const bool repaired = preparer.repairCount() == before + 1;
        EXPECT_EQ(repaired, wasOpen || before > 20) << "layer " << k;
        EXPECT_TRUE(openEndpoints(s.cutter.layers()[size_t(k)].meshSegs).empty()) << "layer " << k;
        EXPECT_NEAR(double(solidPixels(area)) * pixelArea, 36.0, 2.0) << "layer " << k;
    }
    EXPECT_GT(openLayers, 21); // so that the "every layer" rule was exercised
}
