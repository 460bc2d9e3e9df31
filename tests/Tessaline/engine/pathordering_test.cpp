#include "engine/nextpathsearch.h"
#include "engine/pathordering.h"
#include "engine/travelrouter.h"
#include "writertesthelpers.h"

#include <QHash>

#include <gtest/gtest.h>

#include <set>

namespace
{

// Ordering with no travel planes: every far move becomes a retracting straight travel.
struct Orderer {
    TravelPlanes planes;
    TravelRouter router{planes, 0.125f, 0.125f, 1.0f};
    PathOrdering ordering;
    explicit Orderer(const PathOrderSettings &settings) : ordering(settings, router) {}
};

struct PointOwner {
    int path;
    int index;
};

using PointKey = QPair<float, float>;

QHash<PointKey, PointOwner> ownersOf(const QVector<PolyLine> &paths)
{
    QHash<PointKey, PointOwner> owners;
    for (int p = 0; p < paths.size(); ++p)
        for (int i = 0; i < paths[p].count(); ++i)
            owners.insert({paths[p].points[i].x, paths[p].points[i].y}, {p, i});
    return owners;
}

// Splits an ordered path into the input paths it was made of and checks that each appears whole, in one of its
// allowed orientations; returns their indexes.
QVector<int> piecesOf(const PolyLine &out, const QVector<PolyLine> &in, const QHash<PointKey, PointOwner> &owners)
{
    QVector<int> pieces;
    int k = 0;
    while (k < out.count()) {
        const PointOwner first = owners.value({out.points[k].x, out.points[k].y}, {-1, -1});
        EXPECT_GE(first.path, 0) << "a point that no input path has";
        if (first.path < 0)
            return pieces;
        const PolyLine &source = in[first.path];
        const int n = source.count();
        int taken = source.closed ? n + 1 : n;
        for (int step = 0; step < taken; ++step) {
            int index;
            if (source.closed)
                index = (first.index + step) % n;
            else
                index = first.index == 0 ? step : n - 1 - step;
            EXPECT_LT(k + step, out.count());
            if (k + step >= out.count())
                return pieces;
            EXPECT_EQ(out.points[k + step], source.points[index]) << "path " << first.path << " step " << step;
        }
        if (!source.closed)
            EXPECT_TRUE(first.index == 0 || first.index == n - 1);
        pieces.append(first.path);
        k += taken;
    }
    return pieces;
}

struct OrderingCase {
    const char *name;
    float joinFactor;
    unsigned seed;
};

class OrderingProperties : public testing::TestWithParam<OrderingCase>
{
};

} // namespace

TEST_P(OrderingProperties, EveryPathOnceWholeAndJoinedOnlyToItsOwnType)
{
    const OrderingCase &c = GetParam();
    for (unsigned seed = c.seed; seed < c.seed + 20; ++seed) {
        std::mt19937 random(seed);
        const QVector<PolyLine> input = randomPaths(random, 60, 400.0f);
        const auto owners = ownersOf(input);
        Orderer orderer({4.0f, c.joinFactor, 0.0f});
        QVector<PolyLine> ordered;
        const V2f end = orderer.ordering.order(input, V2f(0, 0), ordered);
        ASSERT_FALSE(ordered.isEmpty());
        EXPECT_EQ(end, ordered.last().points.last());

        std::multiset<int> seen;
        for (int i = 0; i < ordered.size(); ++i) {
            const PolyLine &out = ordered[i];
            if (out.type == SegType::Travel) {
                ASSERT_GT(i, 0);
                ASSERT_LT(i + 1, ordered.size());
                EXPECT_NE(ordered[i + 1].type, SegType::Travel);
                EXPECT_EQ(out.points.first(), ordered[i - 1].points.last());
                EXPECT_EQ(out.points.last(), ordered[i + 1].points.first());
                continue;
            }
            const QVector<int> pieces = piecesOf(out, input, owners);
            for (int piece = 0; piece < pieces.size(); ++piece) {
                seen.insert(pieces[piece]);
                EXPECT_EQ(input[pieces[piece]].type, out.type);
                if (piece == 0)
                    continue;
                EXPECT_NE(out.type, SegType::Perimeter);
                EXPECT_NE(out.type, SegType::Loop);
            }
        }
        ASSERT_EQ(int(seen.size()), input.size()) << "seed " << seed;
        for (int p = 0; p < input.size(); ++p)
            EXPECT_EQ(seen.count(p), 1u) << "path " << p << " seed " << seed;
    }
}

INSTANTIATE_TEST_SUITE_P(RandomSets, OrderingProperties,
                         testing::Values(OrderingCase{"Unjoined", 0.0f, 100}, OrderingCase{"Joined", 3.0f, 200},
                                         OrderingCase{"JoinedWidely", 40.0f, 300}),
                         [](const testing::TestParamInfo<OrderingCase> &info) { return info.param.name; });

TEST(PathOrdering, EachNextPathStartsAtTheNearestFreeStart)
{
    for (unsigned seed = 1; seed <= 30; ++seed) {
        std::mt19937 random(seed);
        const QVector<PolyLine> input = randomPaths(random, 50, 500.0f);
        const auto owners = ownersOf(input);
        Orderer orderer({0.001f, 0.0f, 0.0f}); // accept only an exact hit, so the nearest is found
        QVector<PolyLine> ordered;
        V2f position(250, -40);
        orderer.ordering.order(input, position, ordered);
        std::set<int> taken;
        for (const PolyLine &out : ordered) {
            if (out.type == SegType::Travel)
                continue;
            float nearest = 1e30f;
            for (int p = 0; p < input.size(); ++p) {
                if (taken.count(p))
                    continue;
                const PolyLine &c = input[p];
                for (int i = 0; i < c.count(); ++i)
                    if (c.closed || i == 0 || i == c.count() - 1)
                        nearest = std::fmin(nearest, (c.points[i] - position).length());
            }
            EXPECT_LE((out.points.first() - position).length(), nearest + 1e-3f) << "seed " << seed;
            taken.insert(owners.value({out.points.first().x, out.points.first().y}).path);
            position = out.points.last();
        }
        EXPECT_EQ(int(taken.size()), input.size());
    }
}

TEST(PathOrdering, ClosedPathsLeaveTheSeamGapAtTheirEnd)
{
    const PolyLine square = makePath(SegType::Perimeter, {{0, 0}, {30, 0}, {30, 30}, {0, 30}}, true);
    Orderer orderer({3.0f, 0.0f, 0.5f}); // a gap of 1.5 pixels
    QVector<PolyLine> ordered;
    orderer.ordering.order({square}, V2f(31, 31), ordered);
    ASSERT_EQ(ordered.size(), 1);
    const PolyLine &loop = ordered[0];
    EXPECT_TRUE(loop.closed);
    EXPECT_EQ(loop.points.first(), V2f(30, 30));
    PolyLine open = loop;
    open.closed = false;
    EXPECT_NEAR(open.length(), 120.0 - 1.5, 1e-3);
    EXPECT_NEAR(loop.points.last().x, 30.0f, 1e-4f); // on the closing edge, short of the start
    EXPECT_NEAR(loop.points.last().y, 28.5f, 1e-4f);

    // A loop too small for the gap prints whole.
    const PolyLine tiny = makePath(SegType::Loop, {{0, 0}, {0.5f, 0}, {0.5f, 0.5f}}, true);
    ordered.clear();
    orderer.ordering.order({tiny}, V2f(0, 0), ordered);
    ASSERT_EQ(ordered[0].count(), 4);
    EXPECT_EQ(ordered[0].points.last(), V2f(0, 0));
}

TEST(PathOrdering, RotationKeepsWidthsWithTheirPoints)
{
    PolyLine loop = makePath(SegType::OuterHair, {{0, 0}, {10, 0}, {10, 10}, {0, 10}}, true);
    loop.w = {1, 2, 3, 4};
    Orderer orderer({1.0f, 0.0f, 0.0f});
    QVector<PolyLine> ordered;
    orderer.ordering.order({loop}, V2f(10, 11), ordered);
    EXPECT_EQ(ordered[0].w, QVector<float>({3, 4, 1, 2, 3}));
    PolyLine line = makePath(SegType::Infill, {{0, 0}, {10, 0}});
    line.w = {5, 6};
    ordered.clear();
    orderer.ordering.order({line}, V2f(11, 0), ordered);
    EXPECT_EQ(ordered[0].w, QVector<float>({6, 5}));
}

TEST(PathOrdering, PathsThatAskForARetractionAreNeverJoined)
{
    PolyLine second = makePath(SegType::Infill, {{10.5f, 0}, {20, 0}});
    second.retract = true;
    Orderer orderer({3.0f, 2.5f, 0.0f});
    QVector<PolyLine> ordered;
    orderer.ordering.order({makePath(SegType::Infill, {{0, 0}, {10, 0}}), second}, V2f(0, 0), ordered);
    EXPECT_EQ(ordered.size(), 2);
    EXPECT_TRUE(ordered[1].retract);
}

TEST(NextPathSearch, FindsTheNearestStartWithTheDocumentedTies)
{
    const QVector<PolyLine> none;
    EXPECT_EQ(findNextPath(none, V2f(0, 0), 1.0f, true).path, -1);

    const QVector<PolyLine> paths{makePath(SegType::Infill, {{5, 0}, {50, 0}}),
                                  makePath(SegType::Infill, {{50, 10}, {0, 3}}),
                                  makePath(SegType::Loop, {{0, 5}, {-4, 0}, {0, -5}}, true)};
    // The reversed end of path 1 is nearest (3), unless reversal is off; then the loop's point 1 (4).
    NextPath found = findNextPath(paths, V2f(0, 0), 0.1f, true);
    EXPECT_EQ(found.path, 1);
    EXPECT_EQ(found.point, 1);
    found = findNextPath(paths, V2f(0, 0), 0.1f, false);
    EXPECT_EQ(found.path, 2);
    EXPECT_EQ(found.point, 1);
    // Within 1.5 tolerances the walk stops: path 0 at 5 is taken although nearer starts follow.
    found = findNextPath(paths, V2f(0, 0), 4.0f, true);
    EXPECT_EQ(found.path, 0);
    // Equal distances: the first in list order wins.
    const QVector<PolyLine> equal{makePath(SegType::Infill, {{0, 2}, {9, 9}}),
                                  makePath(SegType::Infill, {{2, 0}, {9, 8}})};
    EXPECT_EQ(findNextPath(equal, V2f(0, 0), 0.1f, true).path, 0);
}
