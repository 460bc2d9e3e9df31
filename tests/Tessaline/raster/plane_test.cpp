#include "raster/plane1.h"
#include "raster/plane8.h"
#include "rastertesthelpers.h"

#include <QString>

#include <gtest/gtest.h>

#include <cstdint>

using namespace rastertest;

namespace
{

// Per-pixel statement of the one-pixel morphology: rows form one bit stream, pixels outside the stream are
// clear, the first and the last row are copied.
Plane1 morphologyReference(const Plane1 &source, char operation)
{
    Plane1 result;
    source.copyTo(result);
    const qint64 total = qint64(source.width()) * source.height();
    auto bit = [&](qint64 k) { return k >= 0 && k < total && source.testBit(k); };
    const bool dilate = operation == 'O' || operation == 'o';
    const bool square = operation == 'A' || operation == 'O';
    for (int y = 1; y + 1 < source.height(); ++y) {
        for (int x = 0; x < source.width(); ++x) {
            const qint64 k = qint64(y) * source.width() + x;
            bool value = !dilate;
            for (int dy = -1; dy <= 1; ++dy) {
                for (int dx = -1; dx <= 1; ++dx) {
                    if (!square && dx != 0 && dy != 0)
                        continue;
                    const bool b = bit(k + qint64(dy) * source.width() + dx);
                    value = dilate ? (value || b) : (value && b);
                }
            }
            result.setPixel(x, y, value);
        }
    }
    return result;
}

bool bitwiseReference(int operation, bool a, bool b, bool c)
{
    switch (operation) {
    case 1:
        return b;
    case 2:
        return a && b;
    case 3:
        return a != b;
    case 4:
        return b && c;
    case 5:
        return !(a && b) && c;
    case 6:
        return a || b;
    case 7:
        return a || !b;
    default:
        return a;
    }
}

} // namespace

TEST(PlaneStorage, BuffersAreAlignedAndSizesRoundedTo16)
{
    for (int w : {0, 1, 3, 32, 48, 96}) {
        for (int h : {0, 1, 5, 32}) {
            Plane8 p8(w, h);
            Plane1 p1(w, h);
            EXPECT_EQ(p8.byteSize(), (w * h + 15) / 16 * 16);
            EXPECT_EQ(p1.byteSize(), (w * h / 8 + 15) / 16 * 16);
            if (p8.byteSize() > 0)
                EXPECT_EQ(reinterpret_cast<std::uintptr_t>(p8.data()) % 16, 0u);
            if (p1.byteSize() > 0)
                EXPECT_EQ(reinterpret_cast<std::uintptr_t>(p1.data()) % 16, 0u);
        }
    }
    // The byte size is a signed 32-bit field: a broken frame fails instead of asking for gigabytes.
    Plane8 huge;
    EXPECT_THROW(huge.resize(100000, 100000), QString);
    EXPECT_THROW(huge.resize(-32, 32), QString);
}

TEST(PlaneStorage, BitOrderIsLeastSignificantFirst)
{
    Plane1 plane(64, 32);
    plane.fill(false);
    plane.setPixel(3, 0, true);
    plane.setPixel(33, 1, true);
    EXPECT_EQ(plane.data()[0], 1 << 3);
    EXPECT_EQ(plane.words()[1 * 2 + 1], 1u << 1);
    EXPECT_TRUE(plane.testBit(64 + 33));
}

TEST(PlaneStorage, MovedPlaneKeepsItsPixelsAndLeavesAnEmptyOne)
{
    Plane8 a(32, 32);
    a.fill(7);
    Plane8 b(std::move(a));
    EXPECT_EQ(b.pixel(31, 31), 7);
    EXPECT_TRUE(a.isEmpty());
    EXPECT_EQ(a.data(), nullptr);
}

TEST(Plane8Copy, TransposedCopyMovesXyToYx)
{
    std::mt19937 rng(1);
    Plane8 plane(64, 32);
    for (int i = 0; i < plane.byteSize(); ++i)
        plane.data()[i] = quint8(rng());
    Plane8 t;
    plane.copyTo(t, true);
    ASSERT_EQ(t.width(), 32);
    ASSERT_EQ(t.height(), 64);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 64; ++x)
            ASSERT_EQ(t.pixel(y, x), plane.pixel(x, y));
    Plane8 back;
    t.copyTo(back, true);
    EXPECT_TRUE(samePixels(back, plane));
}

TEST(Plane1Bitwise, EveryOperationMatchesItsTruthTable)
{
    std::mt19937 rng(2);
    Plane1 a0(96, 64), b(96, 64), c(96, 64);
    fillRandom(a0, rng, 128);
    fillRandom(b, rng, 128);
    fillRandom(c, rng, 128);
    for (int operation = 0; operation <= 8; ++operation) {
        Plane1 a;
        a0.copyTo(a);
        Plane1::bitwiseOp(operation, &a, &b, &c, true);
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 96; ++x)
                ASSERT_EQ(a.pixel(x, y), bitwiseReference(operation, a0.pixel(x, y), b.pixel(x, y), c.pixel(x, y)))
                    << "operation " << operation;
    }
}

TEST(Plane1Bitwise, CopyAndAndResizeTheTargetAndCheckOperands)
{
    Plane1 small(32, 32), b(64, 32), c(64, 32), other(32, 64);
    b.fill(true);
    c.fill(true);
    Plane1::bitwiseOp(1, &small, &b);
    EXPECT_TRUE(small.sameSize(b));
    Plane1 empty;
    Plane1::bitwiseOp(4, &empty, &b, &c);
    EXPECT_TRUE(empty.pixel(63, 31));

    auto message = [](auto call) {
        try {
            call();
        } catch (const char *text) {
            return QString(text);
        }
        return QString();
    };
    EXPECT_EQ(message([&] { Plane1::bitwiseOp(4, &small, &b); }), "Plane1::bitwiseOp() c operand is needed");
    EXPECT_EQ(message([&] { Plane1::bitwiseOp(2, &other, &b); }), "Plane1::bitwiseOp() incompatible input planes");
    EXPECT_EQ(message([&] { Plane1::bitwiseOp(6, &small, &b, &other); }),
              "Plane1::bitwiseOp() incompatible input planes");
    EXPECT_EQ(message([&] { Plane1::bitwiseOp(2, nullptr, &b); }), "Plane1::bitwiseOp() incompatible input planes");
}

TEST(Plane1FromPlane8, ThresholdAndInversionForEveryByte)
{
    Plane8 source(256, 32);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 256; ++x)
            source.setPixel(x, y, quint8((x + y * 7) & 255));
    for (int threshold : {-5, 0, 1, 127, 128, 160, 255, 256}) {
        for (bool invert : {false, true}) {
            Plane1 bits;
            Plane1::fromPlane8(bits, source, threshold, invert);
            for (int y = 0; y < 32; ++y)
                for (int x = 0; x < 256; ++x)
                    ASSERT_EQ(bits.pixel(x, y), (source.pixel(x, y) >= threshold) != invert)
                        << threshold << " " << invert;
        }
    }
    Plane8 ragged(48, 32);
    Plane1 bits;
    EXPECT_THROW(Plane1::fromPlane8(bits, ragged, 128, false), QString);
}

TEST(Plane1Offset, OneStepMatchesThePerPixelStatementOnRandomPlanes)
{
    std::mt19937 rng(4);
    for (int round = 0; round < 6; ++round) {
        Plane1 plane(32 * (1 + round % 4), 32 + 32 * (round % 2));
        fillRandom(plane, rng, 60 + 30 * round);
        for (char operation : {'A', 'O', 'a', 'o'}) {
            Plane1 result;
            plane.offset1(result, operation);
            EXPECT_TRUE(samePixels(result, morphologyReference(plane, operation))) << operation << round;
        }
    }
}

TEST(Plane1Offset, SinglePixelDilatedByTwoIsTheRoundedSquare)
{
    Plane1 plane(64, 64);
    plane.fill(false);
    plane.setPixel(30, 30, true);
    Plane1 grown;
    plane.offset(grown, 2);
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 64; ++x) {
            const int dx = std::abs(x - 30), dy = std::abs(y - 30);
            ASSERT_EQ(grown.pixel(x, y), dx <= 2 && dy <= 2 && !(dx == 2 && dy == 2)) << x << "," << y;
        }
    }
    Plane1 shrunk;
    grown.offset(shrunk, -2);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            ASSERT_EQ(shrunk.pixel(x, y), x == 30 && y == 30);
    Plane1 same;
    plane.offset(same, 0);
    EXPECT_TRUE(samePixels(same, plane));
    plane.offset(plane, 3); // in place
    EXPECT_TRUE(plane.pixel(33, 30));
    EXPECT_FALSE(plane.pixel(34, 30));
}

TEST(Plane1Offset, RejectsUnalignedWidthAndUnknownLetters)
{
    Plane1 narrow(48, 32), plane(64, 32), target;
    try {
        narrow.offset1(target, 'A');
        FAIL();
    } catch (const char *text) {
        EXPECT_STREQ(text, "Plane1::offset1 width must be aigned to 32");
    }
    try {
        plane.offset1(target, 'B');
        FAIL();
    } catch (const char *text) {
        EXPECT_STREQ(text, "Plane1::offset1() invalid operation");
    }
}

TEST(Plane1Inflate, GrowsBy32OnEverySideKeepingTheContent)
{
    std::mt19937 rng(6);
    Plane1 plane(32, 64);
    fillRandom(plane, rng, 100);
    Plane1 original;
    plane.copyTo(original);
    plane.inflate64(255);
    ASSERT_EQ(plane.width(), 96);
    ASSERT_EQ(plane.height(), 128);
    for (int y = 0; y < 128; ++y) {
        for (int x = 0; x < 96; ++x) {
            const bool inner = x >= 32 && x < 64 && y >= 32 && y < 96;
            ASSERT_EQ(plane.pixel(x, y), inner ? original.pixel(x - 32, y - 32) : true);
        }
    }
    Plane1 ragged(48, 32);
    EXPECT_THROW(ragged.inflate64(0), const char *);
}

TEST(TileMaps, UniformAndMixedTilesOfBothPlaneTypes)
{
    Plane1 bits(64, 32);
    bits.fill(false);
    for (int y = 0; y < 16; ++y)
        for (int x = 16; x < 32; ++x)
            bits.setPixel(x, y, true);
    bits.setPixel(40, 20, true);
    Plane8 map;
    bits.tileMap(map);
    ASSERT_EQ(map.width(), 4);
    ASSERT_EQ(map.height(), 2);
    EXPECT_EQ(map.pixel(0, 0), 0);
    EXPECT_EQ(map.pixel(1, 0), 255);
    EXPECT_EQ(map.pixel(2, 1), 128);

    Plane8 bytes(32, 32);
    bytes.fill(255);
    bytes.setPixel(20, 20, 254);
    bytes.tileMap(map);
    EXPECT_EQ(map.pixel(0, 0), 255);
    EXPECT_EQ(map.pixel(1, 1), 128);
}

TEST(EdgeReduce, MarksBothEndsOfEveryRunAlongRowsAndColumns)
{
    // Literal run walk along one line: the outside counts as 0.
    auto runEnds = [](const std::vector<quint8> &line, quint8 v) {
        std::vector<bool> marked(line.size(), false);
        bool equal = v == 0;
        for (size_t i = 0; i <= line.size(); ++i) {
            const bool now = i < line.size() ? line[i] == v : v == 0;
            if (equal && !now && i > 0)
                marked[i - 1] = true;
            if (!equal && now && i < line.size())
                marked[i] = true;
            equal = now;
        }
        return marked;
    };
    std::mt19937 rng(8);
    std::uniform_int_distribution<int> pick(0, 2);
    Plane8 plane(32, 32);
    for (int i = 0; i < 32 * 32; ++i)
        plane.data()[i] = quint8(pick(rng) * 100);
    for (quint8 v : {quint8(0), quint8(100)}) {
        for (int flags = 1; flags <= 3; ++flags) {
            Plane8 result;
            plane.copyTo(result);
            result.edgeReduce(v, flags & 1, flags & 2);
            for (int y = 0; y < 32; ++y) {
                for (int x = 0; x < 32; ++x) {
                    std::vector<quint8> row(32), column(32);
                    for (int i = 0; i < 32; ++i) {
                        row[i] = plane.pixel(i, y);
                        column[i] = plane.pixel(x, i);
                    }
                    const bool mark = ((flags & 1) && runEnds(row, v)[x]) || ((flags & 2) && runEnds(column, v)[y]);
                    ASSERT_EQ(result.pixel(x, y), mark ? 128 : plane.pixel(x, y)) << x << "," << y;
                }
            }
        }
    }
}
