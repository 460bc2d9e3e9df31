// The vector versions of every pixel operator against the plain ones, on random inputs.
#include "raster/edgemarkplane.h"
#include "raster/plane1.h"
#include "raster/plane8.h"
#include "rastertesthelpers.h"

#include <gtest/gtest.h>

using namespace rastertest;

namespace
{

// Runs `produce` at the plain level and at every vector level the CPU has; all results must be equal bytes.
template <class Result, class Produce> void expectSameAtEveryLevel(Produce &&produce, const char *what)
{
    SimdLevelGuard guard;
    setSimdLevel(SimdLevel::Plain);
    Result reference;
    produce(reference);
    for (SimdLevel level : fastLevels()) {
        setSimdLevel(level);
        Result fast;
        produce(fast);
        EXPECT_TRUE(samePixels(reference, fast)) << what << " at level " << int(level);
    }
}

std::vector<Seg2f> randomScene(std::mt19937 &rng, int width, int height, bool withOpenEnds)
{
    std::vector<Seg2f> segs;
    std::uniform_real_distribution<float> x(0.0f, float(width)), y(0.0f, float(height));
    for (int i = 0; i < 25; ++i) {
        const float r = 2.0f + float(rng() % 40);
        addOutline(segs, starPolygon(rng, x(rng), y(rng), r * 0.3f, r, 3 + int(rng() % 40)), rng() % 4 != 0);
    }
    if (withOpenEnds)
        for (int i = 0; i < 20; ++i)
            segs.emplace_back(x(rng), y(rng), x(rng), y(rng));
    return segs;
}

} // namespace

TEST(VectorOperators, RasterisersAgreeWithThePlainRowPass)
{
    std::mt19937 rng(41);
    for (int round = 0; round < 12; ++round) {
        const int width = 32 * (1 + round % 5), height = 32 * (1 + round % 3);
        const std::vector<Seg2f> segs = randomScene(rng, width, height, round % 3 == 0);
        const FrameRect frame{0, 0, float(width), float(height)};
        for (int mode = 0; mode < 3; ++mode) {
            for (bool check : {false, true}) {
                EdgeMarkPlane scratch;
                bool flags[3] = {false, false, false};
                int calls = 0;
                expectSameAtEveryLevel<Plane8>(
                    [&](Plane8 &out) {
                        out.resize(width, height);
                        const bool open = mode == 2 ? Plane8::fromSegs2(out, segs, frame, scratch, check)
                                                    : Plane8::fromSegs3(out, segs, frame, scratch, mode == 0, check);
                        flags[calls++] = open;
                    },
                    "rasteriser");
                for (int i = 1; i < calls; ++i)
                    EXPECT_EQ(flags[i], flags[0]);
            }
        }
    }
}

TEST(VectorOperators, ThresholdBitwiseAndMorphologyAgree)
{
    std::mt19937 rng(42);
    for (int round = 0; round < 10; ++round) {
        const int width = 32 * (1 + round % 4), height = 32 * (1 + round % 3);
        Plane8 bytes(width, height);
        for (int i = 0; i < bytes.byteSize(); ++i)
            bytes.data()[i] = quint8(rng());
        const int threshold = int(rng() % 256);
        const bool invert = round % 2;
        expectSameAtEveryLevel<Plane1>([&](Plane1 &out) { Plane1::fromPlane8(out, bytes, threshold, invert); },
                                       "fromPlane8");

        Plane1 a(width, height), b(width, height), c(width, height);
        fillRandom(a, rng, 128);
        fillRandom(b, rng, 90);
        fillRandom(c, rng, 200);
        for (int operation = 1; operation <= 7; ++operation) {
            expectSameAtEveryLevel<Plane1>(
                [&](Plane1 &out) {
                    a.copyTo(out);
                    Plane1::bitwiseOp(operation, &out, &b, &c, true);
                },
                "bitwiseOp");
        }
        for (char operation : {'A', 'O', 'a', 'o'})
            expectSameAtEveryLevel<Plane1>([&](Plane1 &out) { a.offset1(out, operation); }, "offset1");
    }
}

TEST(VectorOperators, BlurAndTileMapsAgree)
{
    std::mt19937 rng(43);
    for (int round = 0; round < 10; ++round) {
        Plane8 source(32 * (1 + round % 4), 32 * (1 + round % 3));
        if (round % 2)
            fillBlobs(source, rng, 3 + round, true);
        else
            for (int i = 0; i < source.byteSize(); ++i)
                source.data()[i] = quint8(rng());
        TileMap tiles;
        source.tileMap(tiles);
        expectSameAtEveryLevel<TileMap>([&](TileMap &out) { source.tileMap(out); }, "tileMap");
        BlurLevels levels;
        levels.window = 3 + 2 * (round % 7);
        levels.threshold = 1 + int(rng() % 254);
        levels.scale = round % 3 == 0 ? 0 : 3 + int(rng() % 60);
        expectSameAtEveryLevel<Plane8>(
            [&](Plane8 &out) {
                TileMap outTiles;
                Plane8::blur2(levels, source, tiles, out, outTiles);
            },
            "blur2");
    }
}
