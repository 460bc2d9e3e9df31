#include "raster/rasterframesetup.h"

#include <QString>
#include <gtest/gtest.h>

#include <random>

TEST(RasterFrameSetup, HundredMillimetreSceneAtPointFourExtrusion)
{
    const RasterFrame frame = setupRasterFrame({{0, 0, 0}, {100, 20, 40}}, 0.4f);
    // ceil(100.8 / 0.1332) = 757 -> 768; ceil(40.8 / 0.1332) = 307 -> 320.
    EXPECT_EQ(frame.width, 768);
    EXPECT_EQ(frame.height, 320);
    EXPECT_FLOAT_EQ(frame.minX, -0.4f);
    EXPECT_FLOAT_EQ(frame.maxZ, 40.4f);
    EXPECT_FLOAT_EQ(frame.originX, -0.4f);
    EXPECT_FLOAT_EQ(frame.originZ, -0.4f);
    EXPECT_FLOAT_EQ(frame.pixelSizeX, 100.8f / 768.0f);
    EXPECT_FLOAT_EQ(frame.pixelSizeZ, 40.8f / 320.0f);
}

TEST(RasterFrameSetup, PixelsAreAlignedAndNeverLargerThanNominal)
{
    std::mt19937 rng(3);
    std::uniform_real_distribution<float> size(0.0f, 300.0f), position(-150.0f, 150.0f), width(0.1f, 3.0f);
    for (int i = 0; i < 500; ++i) {
        const V3f min(position(rng), 0.0f, position(rng));
        const V3f max = min + V3f(size(rng), 1.0f, size(rng));
        const float ew = width(rng);
        const RasterFrame f = setupRasterFrame({min, max}, ew);
        ASSERT_EQ(f.width % 32, 0);
        ASSERT_EQ(f.height % 32, 0);
        ASSERT_GT(f.width, 0);
        EXPECT_LE(f.pixelSizeX, ew * 0.333f * 1.0001f);
        EXPECT_LE(f.pixelSizeZ, ew * 0.333f * 1.0001f);
        // The rounding up adds less than 32 pixels and less than one nominal pixel before that.
        EXPECT_GT(f.pixelSizeX * (f.width + 0.0f), (max.x - min.x) + 2 * ew - 1e-3f);
        EXPECT_LT((f.maxX - f.minX) / (ew * 0.333f), float(f.width) + 1e-3f);
        EXPECT_GT((f.maxX - f.minX) / (ew * 0.333f), float(f.width - 33));
    }
}

TEST(RasterFrameSetup, RefusesWidthsAndScenesThatCannotBeRasterised)
{
    for (float ew : {0.0f, -0.4f, NAN, INFINITY}) {
        try {
            setupRasterFrame({{0, 0, 0}, {10, 10, 10}}, ew);
            ADD_FAILURE() << ew;
        } catch (const char *message) {
            EXPECT_STREQ(message, "setupRasterFrame() invalid extrusion width");
        }
    }
    for (const Box3f &box : {Box3f{{0, 0, 0}, {1e30f, 1, 1}}, Box3f{{-3000, 0, -3000}, {3000, 1, 3000}}}) {
        try {
            setupRasterFrame(box, 0.4f);
            ADD_FAILURE() << "frame accepted";
        } catch (const QString &message) {
            EXPECT_TRUE(message.contains("too large")) << message.toStdString();
        }
    }
}
