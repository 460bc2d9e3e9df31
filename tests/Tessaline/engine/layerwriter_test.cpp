#include "engine/layerwriter.h"
#include "gcodereadback.h"
#include "writertesthelpers.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

namespace
{

constexpr float pi = 3.1415927f;

struct Layer {
    SlicerParams sp;
    int index = 5;
    float raftHeight = 0.0f;
    RasterFrame frame = testFrame();
    MachineRecord machine = testMachine();

    Layer() { sp.MinLayerTime = 0.0f; }
    QByteArray write(const QVector<PolyLine> &paths) const
    {
        return writeLayerGCode({sp, index, frame, machine, 0.333f, raftHeight}, paths);
    }
};

double xyLength(const ReadbackCommand &c)
{
    return std::hypot(double(c.x) - c.x0, double(c.y) - c.y0);
}

// Long random segments, so that the three written decimals hardly matter for the ratios checked.
QVector<PolyLine> longRandomPaths(std::mt19937 &random, int count)
{
    QVector<PolyLine> paths = randomPaths(random, count, 1000.0f);
    std::uniform_real_distribution<float> coordinate(20.0f, 980.0f);
    for (PolyLine &path : paths)
        for (V2f &p : path.points)
            p = V2f(coordinate(random), coordinate(random));
    return paths;
}

// Expected E per mm of a type, straight from the documented formula.
double expectedEPerMm(const SlicerParams &sp, int layer, float raft, int type)
{
    const bool first = layer == 0 && raft == 0.0f;
    const double t = layer == 0 ? sp.FirstLayerHeight : sp.LayerHeight;
    const double ratio = first ? sp.FirstLayerExtruderSpeedRatio : sp.ExtruderSpeedRatio;
    const double r = sp.FilamentDiameter / 2.0;
    double e = t * sp.ExtrusionWidth / (double(pi) * r * r) * ratio * 0.01 * sp.EFactor[size_t(type)];
    if (type == int(SegType::HShell) && sp.HShellType == 0)
        e /= sp.HShellDensity;
    return e;
}

struct ExtrusionCase {
    const char *name;
    int layer;
    float raft;
    float filament;
    float ratio;
    float firstRatio;
    float density;
};

void PrintTo(const ExtrusionCase &c, std::ostream *out)
{
    *out << c.name;
}

class ExtrusionPerMm : public testing::TestWithParam<ExtrusionCase>
{
};

} // namespace

TEST_P(ExtrusionPerMm, EveryExtrudingMoveMatchesTheFormula)
{
    const ExtrusionCase &c = GetParam();
    std::mt19937 random(1234 + c.layer);
    Layer layer;
    layer.index = c.layer;
    layer.raftHeight = c.raft;
    layer.sp.FilamentDiameter = c.filament;
    layer.sp.ExtruderSpeedRatio = c.ratio;
    layer.sp.FirstLayerExtruderSpeedRatio = c.firstRatio;
    layer.sp.HShellDensity = c.density;
    layer.sp.FirstLayerHeight = 0.3f;
    layer.sp.EFactor[size_t(SegType::Infill)] = 1.25f;
    const Readback back = readBack(layer.write(longRandomPaths(random, 40)));
    ASSERT_TRUE(back.error.isEmpty()) << back.error.toStdString();
    int checked = 0;
    for (const ReadbackCommand &m : back.commands) {
        if (!m.extrudes() || m.number != 1)
            continue;
        const double expected = expectedEPerMm(layer.sp, c.layer, c.raft, m.segType) * xyLength(m);
        // Each written E and coordinate is within half a thousandth of the exact value.
        EXPECT_NEAR(m.e - m.e0, expected, 0.0011 + 0.002 * expected) << "type " << m.segType;
        ++checked;
    }
    EXPECT_GT(checked, 40);
}

INSTANTIATE_TEST_SUITE_P(
    Layers, ExtrusionPerMm,
    testing::Values(ExtrusionCase{"FirstLayerUsesItsOwnHeightAndRatio", 0, 0.0f, 1.75f, 100.0f, 130.0f, 1.0f},
                    ExtrusionCase{"RaftMakesLayerZeroAnOrdinaryLayer", 0, 0.8f, 1.75f, 90.0f, 130.0f, 1.0f},
                    ExtrusionCase{"LaterLayerThickFilament", 7, 0.0f, 2.85f, 110.0f, 50.0f, 1.0f},
                    ExtrusionCase{"SparseShellsCarryMore", 3, 0.0f, 1.75f, 100.0f, 100.0f, 0.5f}),
    [](const testing::TestParamInfo<ExtrusionCase> &info) { return info.param.name; });

TEST(LayerWriter, DrawFeedsFollowTheSettingsAndTheInitialLayerRamp)
{
    Layer layer;
    layer.sp.DrawSpeed = 33.3f;
    layer.sp.FirstLayerDrawSpeed = 21.7f;
    layer.sp.InitialLayerCnt = 5;
    layer.sp.InitialLayerSpeed = 0.4f;
    layer.sp.FFactor[size_t(SegType::Support)] = 1.5f;
    const QVector<PolyLine> paths{makePath(SegType::Infill, {{10, 10}, {300, 10}}),
                                  makePath(SegType::Support, {{300, 40}, {10, 40}}),
                                  makePath(SegType::Loop, {{10, 90}, {300, 90}, {300, 120}})};
    for (int index = 0; index <= 7; ++index) {
        layer.index = index;
        const float ramp = std::fmin(0.4f + 0.6f * float(index) / 5.0f, 1.0f);
        const float base = (index == 0 ? 21.7f : 33.3f) * 60.0f;
        const Readback back = readBack(layer.write(paths));
        int feeds = 0;
        for (const ReadbackCommand &m : back.commands)
            if (m.letter == 'G' && m.number == 1 && m.hasF) {
                const float factor = layer.sp.FFactor[size_t(m.segType)];
                EXPECT_EQ(int(m.feed), int(factor * base * ramp)) << "layer " << index << " type " << m.segType;
                ++feeds;
            }
        EXPECT_EQ(feeds, 3);
    }
}

TEST(LayerWriter, EveryRetractIsPrimedBeforeExtrudingAndTravelIsLifted)
{
    for (unsigned seed = 1; seed <= 25; ++seed) {
        std::mt19937 random(seed);
        Layer layer;
        layer.index = int(seed % 9);
        layer.sp.TravelRetract = 3.0f + float(seed % 3);
        layer.sp.TravelPrime = layer.sp.TravelRetract;
        layer.sp.TravelHeight = seed % 2 ? 0.4f : 0.0f;
        QVector<PolyLine> paths = randomPaths(random, 40, 600.0f);
        std::bernoulli_distribution flag(0.2);
        for (PolyLine &path : paths)
            path.retract = flag(random);
        // Explicit travels between some of them, starting where the previous path ended.
        for (int i = paths.size() - 1; i > 0; i -= 3) {
            PolyLine travel = makePath(SegType::Travel, {paths[i - 1].points.last(), paths[i].points.first()});
            travel.retract = flag(random);
            paths.insert(i, travel);
        }
        const Readback back = readBack(layer.write(paths));
        const float z = layer.sp.LayerHeight * float(layer.index) + layer.sp.FirstLayerHeight;
        bool retracted = false;
        int retracts = 0;
        for (const ReadbackCommand &m : back.commands) {
            if (!m.isMove())
                continue;
            const bool extruderOnly = m.hasE && !m.hasX && !m.hasY && !m.hasZ;
            if (extruderOnly && m.e < m.e0) {
                ASSERT_FALSE(retracted) << "retracted twice, seed " << seed;
                EXPECT_NEAR(m.e0 - m.e, layer.sp.TravelRetract, 0.0011);
                retracted = true;
                ++retracts;
            } else if (extruderOnly && m.e > m.e0) {
                ASSERT_TRUE(retracted) << "primed without a retract, seed " << seed;
                EXPECT_NEAR(m.e - m.e0, layer.sp.TravelPrime, 0.0011);
                EXPECT_NEAR(m.z, z, 0.0006) << "primed above the layer";
                retracted = false;
            } else if (m.extrudes()) {
                ASSERT_FALSE(retracted) << "extruded while retracted, seed " << seed;
                EXPECT_NEAR(m.z, z, 0.0006);
            } else if (retracted && m.movesXY() && m.feed != 1800.0f) { // the wipe comes before the lift
                EXPECT_NEAR(m.z, z + layer.sp.TravelHeight, 0.0006) << "travel not lifted";
            }
        }
        EXPECT_GT(retracts, 3);
    }
}

namespace
{

struct FanCase {
    const char *name;
    int fanN, first, second, nth, layer, expected;
};

void PrintTo(const FanCase &c, std::ostream *out)
{
    *out << c.name;
}

class FanMap : public testing::TestWithParam<FanCase>
{
};

} // namespace

TEST_P(FanMap, LayerGetsItsFanValue)
{
    const FanCase &c = GetParam();
    Layer layer;
    layer.sp.FanN = c.fanN;
    layer.sp.FanFirstLayer = c.first;
    layer.sp.FanSecondLayer = c.second;
    layer.sp.FanNthLayer = c.nth;
    layer.index = c.layer;
    const QByteArray text = layer.write({});
    const Readback back = readBack(text);
    ASSERT_EQ(back.commands.last().letter, 'M');
    EXPECT_EQ(back.commands.last().number, 106);
    EXPECT_EQ(back.commands.last().fan, c.expected);
    EXPECT_TRUE(text.endsWith("M106 S" + QByteArray::number(c.expected) + "\r\n"));
}

INSTANTIATE_TEST_SUITE_P(
    Layers, FanMap,
    testing::Values(FanCase{"FirstLayer", 3, 0, 33, 100, 0, 0}, FanCase{"SecondLayer", 3, 0, 33, 100, 1, 33},
                    FanCase{"HalfWayRoundsUp", 3, 0, 33, 100, 2, 67}, FanCase{"NthLayer", 3, 0, 33, 100, 3, 100},
                    FanCase{"BeyondNth", 3, 0, 33, 100, 40, 100}, FanCase{"RampMiddle", 5, 10, 20, 100, 3, 60},
                    FanCase{"RampDown", 6, 255, 200, 0, 4, 80}, FanCase{"ShortestRamp", 2, 5, 50, 90, 2, 90},
                    FanCase{"BelowOneIsOff", 3, 0, 33, 100, 0, 0}),
    [](const testing::TestParamInfo<FanCase> &info) { return info.param.name; });

TEST(LayerWriter, EmptyLayerIsTheBannerAndTheFanLine)
{
    Layer layer;
    layer.index = 12;
    EXPECT_EQ(layer.write({}), QByteArray("; ------------------------------------\r\n; Layer #12\r\n"
                                          "; ------------------------------------\r\nG21 ; mm\r\nG90 ; abs\r\n"
                                          "G92 E0 ; reset extr\r\nM106 S100\r\n"));
    layer.sp.FanEnable = false;
    EXPECT_FALSE(layer.write({}).contains("M106"));
}

TEST(LayerWriter, LinesEndInCrLfAndRealsHaveThreeDecimals)
{
    std::mt19937 random(99);
    Layer layer;
    layer.sp.TravelHeight = 0.25f;
    layer.sp.ZAdjust = -0.0004f;
    QVector<PolyLine> paths = randomPaths(random, 60, 3000.0f);
    paths[3].w = QVector<float>(paths[3].count(), 2.5f);
    const QByteArray text = layer.write(paths);
    const QList<QByteArray> lines = text.split('\n');
    ASSERT_TRUE(lines.last().isEmpty()); // ends in a line end
    static const QRegularExpression number("[XYZE](-?\\d+\\.\\d{3})(?=\\s|$)");
    static const QRegularExpression integer("[FS](-?\\d+)(?=\\s|$)");
    int reals = 0;
    for (int i = 0; i + 1 < lines.size(); ++i) {
        const QString line = QString::fromLatin1(lines[i]);
        ASSERT_TRUE(line.endsWith('\r')) << line.toStdString();
        ASSERT_EQ(line.count('\r'), 1) << line.toStdString();
        if (line.startsWith(';') || line.startsWith("G92 E0 ;"))
            continue;
        const QString command = line.section(';', 0, 0);
        for (const QString &word : command.split(' ', Qt::SkipEmptyParts)) {
            if (word.startsWith('G') || word.startsWith('M'))
                continue;
            const bool real = QString("XYZE").contains(word[0]);
            const QRegularExpression &shape = real ? number : integer;
            EXPECT_TRUE(shape.match(word).hasMatch()) << word.toStdString();
            reals += real;
        }
    }
    EXPECT_GT(reals, 200);
}

TEST(LayerWriter, PointsMapThroughFrameAndMachine)
{
    Layer layer;
    layer.frame.originX = -5.0f;
    layer.frame.originZ = 3.0f;
    layer.machine = {200.0f, 180.0f, 100.0f, 10.0f, 20.0f, -1.0f, 1.0f};
    layer.sp.ZAdjust = 0.05f;
    layer.index = 4;
    const Readback back = readBack(layer.write({makePath(SegType::Infill, {{8, 16}, {16, 16}})}));
    const ReadbackCommand *positioning = nullptr;
    const ReadbackCommand *drawing = nullptr;
    for (const ReadbackCommand &m : back.commands) {
        if (m.number == 0 && m.movesXY())
            positioning = &m;
        if (m.extrudes())
            drawing = &m;
    }
    ASSERT_TRUE(positioning && drawing);
    EXPECT_FLOAT_EQ(positioning->x, -86.0f); // (1 - 5 - 10 + 100) * -1
    EXPECT_FLOAT_EQ(positioning->y, 35.0f);  // 2 + 3 - 20 + 50
    EXPECT_FLOAT_EQ(drawing->x, -87.0f);
    EXPECT_NEAR(drawing->z, 0.2 * 4 + 0.2 + 0.05, 0.0006);
}

TEST(LayerWriter, RegressionFirstMoveSetsTheLayerHeightWhateverTheNearDistance)
{
    Layer layer;
    layer.frame = testFrame(1024, 1024, 0.0333f); // the finest extrusion width
    layer.sp.TravelMinDist = 1000.0f;
    layer.index = 3;
    const Readback back = readBack(layer.write({makePath(SegType::Infill, {{10, 10}, {50, 10}})}));
    bool zSet = false;
    for (const ReadbackCommand &m : back.commands) {
        zSet = zSet || m.hasZ;
        if (m.extrudes())
            EXPECT_TRUE(zSet) << "extruded before the layer's Z was set";
    }
    EXPECT_TRUE(zSet);
}

TEST(LayerWriter, WipeOfAClosedPerimeterGoesInside)
{
    Layer layer;
    layer.sp.WipeLength = 2.0f;
    const float wipe = 2.0f / 0.333f * 0.125f; // mm
    const auto wipeMove = [](const Readback &back) {
        for (const ReadbackCommand &m : back.commands)
            if (m.number == 0 && m.movesXY() && m.feed == 1800.0f)
                return m;
        return ReadbackCommand();
    };
    // An anticlockwise square, closed explicitly as the ordering leaves it: the wipe heads inside.
    const PolyLine square = makePath(SegType::Perimeter, {{80, 80}, {160, 80}, {160, 160}, {80, 160}, {80, 80}}, true);
    const ReadbackCommand loop = wipeMove(readBack(layer.write({square})));
    EXPECT_NEAR(loop.x, 10.0 + wipe / std::sqrt(2.0), 0.0011);
    EXPECT_NEAR(loop.y, 10.0 + wipe / std::sqrt(2.0), 0.0011);

    // A perimeter followed by infill needs no wipe: the infill covers its seam.
    const QByteArray text = layer.write({square, makePath(SegType::Infill, {{100, 100}, {140, 140}})});
    EXPECT_EQ(wipeMove(readBack(text)).letter, 0);
}

namespace
{

struct ContinuedWipeCase {
    const char *name;
    SegType continuing; // the type of the path that starts 0.025 mm from the support line's end
    float wipeX, wipeY; // where the one wipe of the layer goes (mm)
    int retracts;       // retractions in the layer
};

void PrintTo(const ContinuedWipeCase &c, std::ostream *out)
{
    *out << c.name;
}

class ContinuedWipe : public ::testing::TestWithParam<ContinuedWipeCase>
{
};

} // namespace

// A path that starts where the last one ended (0.05 mm or closer) continues it: the head never leaves, so the
// wipe the last one asked for is not made there and waits, with its retraction, until the head leaves.
TEST_P(ContinuedWipe, WaitsUntilTheHeadLeaves)
{
    const ContinuedWipeCase &c = GetParam();
    Layer layer;
    const QVector<PolyLine> paths{makePath(SegType::Support, {{0, 80}, {200, 80}}),
                                  makePath(c.continuing, {{200, 80.2f}, {200, 200}}),
                                  makePath(SegType::Infill, {{400, 400}, {500, 400}})};
    const Readback back = readBack(layer.write(paths));
    int retracts = 0, wipes = 0;
    bool continued = false;
    for (const ReadbackCommand &m : back.commands) {
        retracts += m.hasE && !m.hasX && m.e < m.e0;
        const bool onContinuingPath = std::fabs(m.x - 25.0f) < 0.001f && m.y > 10.0f && m.y < 25.001f;
        continued = continued || (m.extrudes() && onContinuingPath);
        if (m.movesXY() && m.feed == 1800.0f) {
            ++wipes;
            EXPECT_TRUE(continued) << "a wipe before the continuing path";
            EXPECT_LT(m.e, m.e0 + 1e-6f) << "wiped before retracting";
            EXPECT_NEAR(m.x, c.wipeX, 0.0011);
            EXPECT_NEAR(m.y, c.wipeY, 0.0011);
        }
        EXPECT_FALSE(m.number == 0 && m.movesXY() && onContinuingPath && !continued) << "a move onto the path";
    }
    EXPECT_EQ(wipes, 1);
    EXPECT_EQ(retracts, c.retracts);
}

// The wipe is 2 / 0.333 pixels of 0.125 mm back along the last segment. The support line's wipe survives a
// loop; a second support line plans its own. Either way the head retracts before it goes to the infill.
INSTANTIATE_TEST_SUITE_P(LayerWriter, ContinuedWipe,
                         ::testing::Values(ContinuedWipeCase{"LoopCarriesTheSupportWipe", SegType::Loop,
                                                             25.0f - 2.0f / 0.333f * 0.125f, 10.0f, 2},
                                           ContinuedWipeCase{"SupportPlansItsOwn", SegType::Support, 25.0f,
                                                             25.0f - 2.0f / 0.333f * 0.125f, 2}),
                         [](const ::testing::TestParamInfo<ContinuedWipeCase> &info) {
                             return std::string(info.param.name);
                         });

TEST(LayerWriter, ShortLayersAreSlowedToTheMinimumLayerTime)
{
    Layer layer;
    layer.sp.MinLayerTime = 5.0f;
    layer.index = 10; // full speed: 50 mm/s
    // 100 mm at 50 mm/s: 2 s, written again at 0.4 of the speed.
    const PolyLine line = makePath(SegType::Infill, {{0, 100}, {800, 100}});
    const QByteArray text = layer.write({line});
    EXPECT_EQ(text.count("; Layer #"), 1);
    const Readback back = readBack(text);
    for (const ReadbackCommand &m : back.commands)
        if (m.extrudes()) {
            EXPECT_EQ(m.feed, 1200.0f);
            EXPECT_NEAR(m.timeAfter - back.commands[&m - back.commands.data() - 1].timeAfter, 5.0, 1e-3);
        }

    // Far too short: slowed to the floor of 2.5 % and left there even though still under the time.
    layer.sp.MinLayerTime = 20.0f;
    const Readback slowest = readBack(layer.write({makePath(SegType::Infill, {{0, 100}, {8, 100}})}));
    for (const ReadbackCommand &m : slowest.commands)
        if (m.extrudes())
            EXPECT_EQ(m.feed, 75.0f);
}

TEST(LayerWriter, RegressionMinimumLayerTimeNeverSpeedsUpARampedLayer)
{
    Layer layer;
    layer.sp.MinLayerTime = 5.0f;
    layer.index = 0; // first layer: 20 mm/s at half speed, 10 mm/s
    // 20 mm at 10 mm/s is 2 s: stretching it to 5 s means 4 mm/s, not 0.4 of the full 20 mm/s.
    const Readback back = readBack(layer.write({makePath(SegType::Infill, {{0, 100}, {160, 100}})}));
    double extruding = 0;
    for (int i = 1; i < back.commands.size(); ++i)
        if (back.commands[i].extrudes()) {
            EXPECT_EQ(back.commands[i].feed, 240.0f);
            extruding += back.commands[i].timeAfter - back.commands[i - 1].timeAfter;
        }
    EXPECT_NEAR(extruding, 5.0, 1e-3);
}

TEST(LayerWriter, WidthListScalesEachSegment)
{
    Layer layer;
    PolyLine hair = makePath(SegType::InnerHair, {{0, 0}, {80, 0}, {160, 0}});
    hair.w = {0.0f, 3.0f, 6.0f}; // the width of the point a segment ends at counts
    const Readback back = readBack(layer.write({hair}));
    QVector<double> amounts;
    for (const ReadbackCommand &m : back.commands)
        if (m.extrudes())
            amounts.append(m.e - m.e0);
    ASSERT_EQ(amounts.size(), 2);
    const double perMm = expectedEPerMm(layer.sp, layer.index, 0.0f, int(SegType::InnerHair));
    EXPECT_NEAR(amounts[0], 10.0 * perMm * 3.0 * 0.1665, 0.0011);
    EXPECT_NEAR(amounts[1], 10.0 * perMm * 6.0 * 0.1665, 0.0011);
}

// One layer spelled out: layer 1 runs at 0.6 of the speed (ramp over 5 layers from 0.5), E per mm is
// 0.2 * 0.4 / (pi * 0.875^2) = 0.033260, pixels are 0.125 mm, the wipe is 2 / 0.333 pixels back.
TEST(LayerWriter, OneLayerByteForByte)
{
    Layer layer;
    layer.index = 1;
    layer.sp.TravelHeight = 0.4f;
    PolyLine travel = makePath(SegType::Travel, {{100, 108}, {100, 160}, {140, 160}});
    travel.retract = true;
    const QVector<PolyLine> paths{
        makePath(SegType::Support, {{100, 100}, {200, 100}}), // first move: retract, lift, move, lower, prime
        makePath(SegType::Support, {{200, 108}, {100, 108}}), // 1 mm away: a near move after the wipe
        travel,                                               // retract, wipe, lift, route, lower, prime
        makePath(SegType::Loop, {{140, 160}, {180, 160}, {180, 190}}),
        makePath(SegType::Loop, {{180, 190.25f}, {140, 190.25f}}), // 0.03 mm away: no move
        makePath(SegType::Infill, {{40, 40}, {60, 40}}),           // nothing pending: a plain move
    };
    const QByteArray expected = "; ------------------------------------\r\n"
                                "; Layer #1\r\n"
                                "; ------------------------------------\r\n"
                                "G21 ; mm\r\n"
                                "G90 ; abs\r\n"
                                "G92 E0 ; reset extr\r\n"
                                "M106 S33\r\n"
                                ";segType:Support\r\n"
                                "G0 F2400 E-4.500\r\n"
                                "G0 F600 Z0.800\r\n"
                                "G0 F5400 X12.500 Y12.500\r\n"
                                "G0 F600 Z0.400\r\n"
                                "G0 F2400 E0.000\r\n"
                                "G1 F2700 X25.000 Y12.500 E0.416\r\n"
                                "G0 F1800 X24.249 Y12.500\r\n"
                                "G0 X25.000 Y13.500 F5400\r\n"
                                "G1 F2700 X12.500 Y13.500 E0.832\r\n"
                                "G0 F2400 E-3.668\r\n"
                                "G0 F1800 X13.251 Y13.500\r\n"
                                "G0 F600 Z0.800\r\n"
                                "G0 F5400 X12.500 Y20.000\r\n"
                                "G0 X17.500 Y20.000\r\n"
                                "G0 F600 Z0.400\r\n"
                                "G0 F2400 E0.832\r\n"
                                ";segType:Loop\r\n"
                                "G1 F1800 X22.500 Y20.000 E0.998\r\n"
                                "G1 X22.500 Y23.750 E1.123\r\n"
                                "G1 F1800 X17.500 Y23.781 E1.289\r\n"
                                ";segType:Infill\r\n"
                                "G0 X5.000 Y5.000 F5400\r\n"
                                "G1 F1800 X7.500 Y5.000 E1.372\r\n";
    EXPECT_EQ(layer.write(paths), expected);
}
