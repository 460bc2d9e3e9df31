#include "geometry/workerthread.h"
#include "raster/plane1.h"
#include "raster/plane8.h"
#include "rastertesthelpers.h"

#include <QString>

#include <gtest/gtest.h>

using namespace rastertest;

namespace
{

// Blurs both ways; the second call maps the averages so that level 128 is the offset edge.
void offsetBlur(const Plane8 &source, const BlurLevels &levels, Plane8 &result, TileMap &resultTiles,
                bool forceCompute = false)
{
    TileMap tiles, halfTiles;
    source.tileMap(tiles);
    if (forceCompute)
        tiles.fill(128);
    Plane8 half;
    BlurLevels plain = levels;
    plain.scale = 0;
    Plane8::blur2(plain, source, tiles, half, halfTiles);
    if (forceCompute)
        halfTiles.fill(128);
    Plane8::blur2(levels, half, halfTiles, result, resultTiles);
}

// Position along a line of pixel values where they cross 128 (pixel centres at whole numbers).
double crossing(const std::vector<int> &values)
{
    for (size_t i = 0; i + 1 < values.size(); ++i) {
        const int a = values[i], b = values[i + 1];
        if ((a >= 128) != (b >= 128))
            return double(i) + double(128 - a) / double(b - a);
    }
    return -1.0;
}

} // namespace

TEST(ThresholdScaleFromWinsize, WindowThresholdAndScale)
{
    const BlurLevels levels = ThresholdScaleFromWinsize(1.5, 1.0);
    EXPECT_EQ(levels.window, 7);
    EXPECT_EQ(levels.threshold, 182);
    EXPECT_EQ(levels.scale, 4);
    // Every valid combination keeps 255 mapped to 255; beyond half the window the threshold leaves 1 ... 254.
    for (double d = -1.25; d <= 2.0; d += 0.25) {
        for (double s : {0.5, 1.0}) {
            try {
                const BlurLevels l = ThresholdScaleFromWinsize(d, s);
                EXPECT_EQ(l.window % 2, 1);
                EXPECT_GE((255 - l.threshold) * l.scale + 128, 255);
                EXPECT_LT(std::fabs(d), l.window / 2.0);
            } catch (const QString &text) {
                EXPECT_TRUE(text.contains("Threshold out of range")) << d << " " << s;
            }
        }
    }
}

TEST(ThresholdScaleFromWinsize, ThresholdOutOfRangeIsFatal)
{
    for (double d : {10.0, -10.0, std::nan("")}) {
        try {
            ThresholdScaleFromWinsize(d, 1.0);
            FAIL() << d;
        } catch (const QString &text) {
            EXPECT_TRUE(text.startsWith("FATAL ERROR: ThresholdScaleFromWinsize() Threshold out of range (")) << d;
        }
    }
}

TEST(Blur2, OffsetsStraightEdgesByTheRequestedDistance)
{
    const std::pair<double, double> cases[] = {{-1.0, 1.0}, {-0.5, 1.0}, {0.5, 1.0}, {1.0, 1.0}, {1.5, 1.0},
                                               {2.0, 1.0},  {-0.5, 0.5}, {0.5, 0.5}, {1.0, 0.5}, {2.0, 0.5}};
    for (const auto &[distance, factor] : cases) {
        {
            const BlurLevels levels = ThresholdScaleFromWinsize(distance, factor);
            // A square solid of pixels 40 ... 87: its edges lie at 39.5 and 87.5.
            Plane8 source(128, 128);
            source.fill(0);
            for (int y = 40; y < 88; ++y)
                for (int x = 40; x < 88; ++x)
                    source.setPixel(x, y, 255);
            Plane8 result;
            TileMap tiles;
            offsetBlur(source, levels, result, tiles);
            std::vector<int> row(128), column(128);
            for (int i = 0; i < 128; ++i) {
                row[i] = result.pixel(i, 64);
                column[i] = result.pixel(64, i);
            }
            EXPECT_NEAR(crossing(row), 39.5 + distance, 0.25) << distance << " " << factor;
            EXPECT_NEAR(crossing(column), 39.5 + distance, 0.25) << distance << " " << factor;
            // Thresholding at 128 gives the offset square in whole pixels.
            Plane1 bits;
            Plane1::fromPlane8(bits, result, 128, false);
            int setInRow = 0;
            for (int x = 0; x < 128; ++x)
                setInRow += bits.pixel(x, 64);
            EXPECT_NEAR(setInRow, 48 - 2 * distance, 1.0) << distance;
        }
    }
}

TEST(Blur2, SkippingUniformTilesGivesTheSamePixelsAsComputingThem)
{
    std::mt19937 rng(11);
    for (int round = 0; round < 8; ++round) {
        Plane8 source(96 + 32 * (round % 3), 64 + 32 * (round % 2));
        fillBlobs(source, rng, 8 + 4 * round, round % 2 == 0);
        const BlurLevels levels = ThresholdScaleFromWinsize(-1.0 + 0.4 * round, round % 2 ? 1.0 : 0.5);
        Plane8 skipped, computed;
        TileMap skippedTiles, computedTiles;
        offsetBlur(source, levels, skipped, skippedTiles);
        offsetBlur(source, levels, computed, computedTiles, true);
        EXPECT_TRUE(samePixels(skipped, computed)) << round;
        // The tile map it writes is the tile map of its result.
        TileMap actual;
        skipped.tileMap(actual);
        EXPECT_TRUE(samePixels(skippedTiles, actual)) << round;
    }
}

TEST(Blur2, ResultDoesNotDependOnThreadCount)
{
    std::mt19937 rng(12);
    Plane8 source(256, 128);
    fillBlobs(source, rng, 10, true);
    const BlurLevels levels = ThresholdScaleFromWinsize(1.0, 1.0);
    Plane8 single, several;
    TileMap tiles;
    setWorkerThreadCount(1);
    offsetBlur(source, levels, single, tiles);
    setWorkerThreadCount(4);
    offsetBlur(source, levels, several, tiles);
    setWorkerThreadCount(1);
    EXPECT_TRUE(samePixels(single, several));
}

TEST(Blur2, RejectsBadWindowsAndMismatchedTileMaps)
{
    Plane8 source(32, 32), target;
    source.fill(0);
    TileMap tiles, targetTiles;
    source.tileMap(tiles);
    BlurLevels even;
    even.window = 4;
    EXPECT_THROW(Plane8::blur2(even, source, tiles, target, targetTiles), QString);
    TileMap wrong(1, 1);
    EXPECT_THROW(Plane8::blur2(BlurLevels(), source, wrong, target, targetTiles), const char *);
    // In place works through a temporary.
    source.setPixel(5, 5, 255);
    source.tileMap(tiles);
    BlurLevels plainAverage;
    plainAverage.scale = 0;
    Plane8::blur2(plainAverage, source, tiles, source, tiles);
    EXPECT_EQ(source.pixel(5, 5), 85);
    EXPECT_EQ(source.pixel(5, 4), 85);
}
