#include "raster/polyline.h"

#include <QString>

#include <gtest/gtest.h>

#include <random>

namespace
{

PolyLine lineOf(std::initializer_list<V2f> points)
{
    PolyLine line(SegType::Infill);
    for (const V2f &p : points)
        line.points.append(p);
    return line;
}

QString messageOf(const std::function<void()> &call)
{
    try {
        call();
    } catch (const char *text) {
        return text;
    } catch (const QString &text) {
        return text;
    }
    return QString();
}

} // namespace

TEST(PolyLineAppend, PrunesNearlyCollinearPointsButNeverTwiceInARow)
{
    PolyLine line;
    line.append({0, 0}, 0.1f);
    line.append({1, 0.001f}, 0.1f);
    line.append({2, 0}, 0.1f);
    ASSERT_EQ(line.count(), 2);
    EXPECT_EQ(line.points[1], V2f(2, 0));
    EXPECT_TRUE(line.pruned);
    line.append({3, 0.001f}, 0.1f);
    EXPECT_EQ(line.count(), 3);
    EXPECT_FALSE(line.pruned);
    // Widths follow their points out.
    PolyLine wide;
    wide.append({0, 0}, 1.0f, 0.1f);
    wide.append({1, 0}, 2.0f, 0.1f);
    wide.append({2, 0}, 3.0f, 0.1f);
    EXPECT_EQ(wide.w, QVector<float>({1.0f, 3.0f}));
}

TEST(PolyLineSimplify, KeepsEndsFlagsAndShapeWithinTheTolerance)
{
    std::mt19937 rng(9);
    std::uniform_real_distribution<float> noise(-0.01f, 0.01f);
    PolyLine line(SegType::Loop);
    line.retract = true;
    line.tag = 42;
    for (int i = 0; i <= 200; ++i)
        line.points.append(V2f(i * 0.5f, (i < 100 ? 0.0f : (i - 100) * 0.5f) + noise(rng)));
    line.w.fill(1.0f, line.count());
    const PolyLine before = line;
    line.simplify(0.5f);
    EXPECT_LT(line.count(), 20);
    EXPECT_EQ(line.points.first(), before.points.first());
    EXPECT_EQ(line.points.last(), before.points.last());
    EXPECT_EQ(line.w.size(), line.count());
    EXPECT_EQ(line.type, SegType::Loop);
    EXPECT_EQ(line.tag, 42);
    EXPECT_FALSE(line.retract);
    // The corner survives.
    bool corner = false;
    for (const V2f &p : line.points)
        corner = corner || (std::fabs(p.x - 50.0f) < 1.0f && std::fabs(p.y) < 1.0f);
    EXPECT_TRUE(corner);
}

TEST(PolyLineSmoothed, ThreeAndFivePointWindows)
{
    const PolyLine triangle = lineOf({{0, 0}, {1, 1}, {2, 0}});
    EXPECT_EQ(triangle.smoothed(3).points, QVector<V2f>({{0, 0}, {1, 0.5f}, {2, 0}}));
    EXPECT_EQ(triangle.smoothed(1).points, triangle.points);

    PolyLine spike = lineOf({{0, 0}, {1, 0}, {2, 0}, {3, 16}, {4, 0}, {5, 0}, {6, 0}});
    spike.w = {0, 0, 0, 16, 0, 0, 0};
    const PolyLine smooth = spike.smoothed(5);
    EXPECT_EQ(smooth.points[3], V2f(3, 6));
    EXPECT_EQ(smooth.points[2], V2f(2, 4));
    EXPECT_EQ(smooth.points[1], V2f(1, 0)); // the 3-point rule next to the ends
    EXPECT_EQ(smooth.points[0], V2f(0, 0));
    EXPECT_EQ(smooth.w[3], 6.0f);

    PolyLine closed = triangle;
    closed.closed = true;
    EXPECT_EQ(messageOf([&] { closed.smoothed(3); }), "PolyLine::smoothed() closed polygon smotthing not implemented.");
    EXPECT_EQ(messageOf([&] { triangle.smoothed(4); }), "PolyLine::smoothed() invalid parameter");
}

TEST(PolyLineSplitLongSegs, InsertsEvenlySpacedPoints)
{
    EXPECT_EQ(lineOf({{0, 0}, {3, 0}}).splitLongSegs(1).points, QVector<V2f>({{0, 0}, {1, 0}, {2, 0}, {3, 0}}));
    EXPECT_EQ(lineOf({{0, 0}, {1.4f, 0}}).splitLongSegs(1).points, QVector<V2f>({{0, 0}, {1.4f, 0}}));
    EXPECT_EQ(lineOf({{0, 0}, {2, 2}}).splitLongSegs(2).points.size(), 3); // Manhattan length 4

    PolyLine withWidths = lineOf({{0, 0}, {3, 0}});
    withWidths.w = {1, 1};
    EXPECT_EQ(messageOf([&] { withWidths.splitLongSegs(1); }),
              "PolyLine::splitLongSegs handling w[] is not implemented.");
    PolyLine withHairs = lineOf({{0, 0}, {3, 0}});
    withHairs.hairs.append(PolyLineHair());
    EXPECT_EQ(messageOf([&] { withHairs.splitLongSegs(1); }),
              "PolyLine::splitLongSegs handling hairs[] is not implemented.");
    PolyLine closed = lineOf({{0, 0}, {3, 0}, {3, 3}});
    closed.closed = true;
    EXPECT_EQ(messageOf([&] { closed.splitLongSegs(1); }), "PolyLine::splitLongSegs closed oikys not supported.");
    EXPECT_FALSE(messageOf([&] { lineOf({{0, 0}, {3, 0}}).splitLongSegs(0); }).isEmpty());
    EXPECT_FALSE(messageOf([&] { lineOf({{0, 0}, {3e30f, 0}}).splitLongSegs(1e-6f); }).isEmpty());
}

TEST(PolyLineTruncate, CutsAtTheLengthAndReportsTheWalk)
{
    PolyLine line = lineOf({{0, 0}, {1, 0}, {2, 0}, {3, 0}});
    line.w = {0, 1, 2, 3};
    float walked = -1;
    EXPECT_TRUE(line.truncate(1.5f, &walked));
    EXPECT_EQ(line.points, QVector<V2f>({{0, 0}, {1, 0}, {1.5f, 0}}));
    EXPECT_EQ(line.w, QVector<float>({0, 1, 1.5f}));
    EXPECT_FLOAT_EQ(walked, 1.0f);

    PolyLine shorter = lineOf({{0, 0}, {1, 0}, {2, 0}, {3, 0}});
    EXPECT_FALSE(shorter.truncate(5, &walked));
    EXPECT_EQ(shorter.count(), 4);
    EXPECT_FLOAT_EQ(walked, 3.0f);

    PolyLine atVertex = lineOf({{0, 0}, {1, 0}, {2, 0}});
    EXPECT_TRUE(atVertex.truncate(-3));
    EXPECT_EQ(atVertex.points, QVector<V2f>({{0, 0}}));

    PolyLine closed = lineOf({{0, 0}, {1, 0}, {1, 1}});
    closed.closed = true;
    EXPECT_EQ(messageOf([&] { closed.truncate(1); }), "PolyLine::truncate() invalid operation: closed polygon");
}

TEST(PolyLineTruncate, ListKeepsTheTotalLengthAndDropsWhatFollowsTheCut)
{
    QVector<PolyLine> list = {lineOf({{0, 0}, {2, 0}}), lineOf({{0, 1}, {2, 1}}), lineOf({{0, 2}, {2, 2}}),
                              lineOf({{0, 3}, {2, 3}})};
    float walked = 0;
    EXPECT_TRUE(PolyLine::truncate(list, 3.0f, 1, &walked));
    ASSERT_EQ(list.size(), 3);
    EXPECT_EQ(list[0].count(), 2); // before the start index: untouched
    EXPECT_EQ(list[1].count(), 2);
    EXPECT_EQ(list[2].points.last(), V2f(1, 2));
    EXPECT_FLOAT_EQ(walked, 2.0f);

    EXPECT_FALSE(PolyLine::truncate(list, 100.0f, 0, &walked));
    EXPECT_FALSE(PolyLine::truncate(list, 1.0f, 7, &walked));
    EXPECT_FLOAT_EQ(walked, 0.0f);
}

TEST(PolyLineGeometry, SignedAreaTranslateAndReverse)
{
    PolyLine square = lineOf({{0, 0}, {2, 0}, {2, 2}, {0, 2}});
    EXPECT_DOUBLE_EQ(square.signedArea(), 8.0);
    square.translate(10, -5);
    EXPECT_EQ(square.points[2], V2f(12, -3));
    EXPECT_DOUBLE_EQ(square.signedArea(), 8.0);
    square.w = {1, 2, 3, 4};
    square.reverse();
    EXPECT_DOUBLE_EQ(square.signedArea(), -8.0);
    EXPECT_EQ(square.w, QVector<float>({4, 3, 2, 1}));
    EXPECT_EQ(lineOf({{0, 0}, {1, 1}}).signedArea(), 0.0);
}

TEST(PolyLineCopies, ShareUntilWritten)
{
    PolyLine a = lineOf({{0, 0}, {1, 0}});
    PolyLine b = a;
    EXPECT_EQ(a.points.constData(), b.points.constData());
    b.translate(1, 1);
    EXPECT_NE(a.points.constData(), b.points.constData());
    EXPECT_EQ(a.points[0], V2f(0, 0));
}
