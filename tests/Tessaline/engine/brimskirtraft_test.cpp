#include "engine/raftbuilder.h"
#include "engine/slicer.h"
#include "gcodereadback.h"

#include <QString>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <vector>

namespace
{

constexpr float boxSize = 20.0f;
constexpr float extrusionWidth = 0.4f;

SliceScene boxScene()
{
    Faces faces;
    faces.makeBox(Box3f{V3f(-boxSize / 2, 0, -boxSize / 2), V3f(boxSize / 2, 2.0f, boxSize / 2)});
    SliceScene scene;
    scene.objects.push_back(SceneItem{faces, M44f::identity()});
    return scene;
}

SlicerParams firstLayerParams(bool skirt, bool brim, bool raft)
{
    SlicerParams sp;
    sp.LayerHeight = 0.2f;
    sp.FirstLayerHeight = 0.2f;
    sp.ExtrusionWidth = extrusionWidth;
    sp.sliceZMin = 0.0f;
    sp.sliceZMax = 200.0f;
    sp.SkirtEnable = skirt;
    sp.BrimEnable = brim;
    sp.RaftEnable = raft;
    return sp;
}

// The box with a support bar standing apart from it, 15 mm beyond its +x side.
constexpr float barX = boxSize / 2 + 15.0f;
constexpr float barWidth = 2.0f;

SliceScene boxAndBarScene()
{
    SliceScene scene = boxScene();
    scene.bars.push_back(SliceBar{V3f(barX, 0, 0), V3f(barX, 2.0f, 0), barWidth});
    return scene;
}

Readback slice(const SlicerParams &sp, const SliceScene &scene = boxScene())
{
    static const MachineRecord machine;
    setSlicerThreads(1);
    Slicer slicer(scene, &sp, &machine, {});
    const Readback readback = readBack(slicer.slice());
    EXPECT_TRUE(readback.error.isEmpty()) << readback.error.toStdString();
    return readback;
}

QVector<ReadbackCommand> extrusions(const Readback &readback, SegType type)
{
    QVector<ReadbackCommand> moves;
    for (const ReadbackCommand &c : readback.commands)
        if (c.extrudes() && c.segType == int(type))
            moves.append(c);
    return moves;
}

// The box in printer coordinates, from the centre lines of its first-layer perimeters.
struct Rect {
    float minX = INFINITY, minY = INFINITY, maxX = -INFINITY, maxY = -INFINITY;
};

Rect boxOf(const Readback &readback)
{
    Rect box;
    const QVector<ReadbackCommand> perimeters = extrusions(readback, SegType::Perimeter);
    const float firstZ = perimeters.isEmpty() ? 0.0f : perimeters.first().z;
    for (const ReadbackCommand &c : perimeters) {
        if (c.z != firstZ)
            continue;
        box.minX = std::fmin(box.minX, c.x), box.maxX = std::fmax(box.maxX, c.x);
        box.minY = std::fmin(box.minY, c.y), box.maxY = std::fmax(box.maxY, c.y);
    }
    const float half = extrusionWidth / 2;
    return {box.minX - half, box.minY - half, box.maxX + half, box.maxY + half};
}

float distanceOutside(const Rect &box, float x, float y)
{
    const float dx = std::fmax(std::fmax(box.minX - x, x - box.maxX), 0.0f);
    const float dy = std::fmax(std::fmax(box.minY - y, y - box.maxY), 0.0f);
    return std::hypot(dx, dy);
}

float pathLength(const QVector<ReadbackCommand> &moves)
{
    float length = 0;
    for (const ReadbackCommand &c : moves)
        length += std::hypot(c.x - c.x0, c.y - c.y0);
    return length;
}

float lowestZ(const QVector<ReadbackCommand> &moves)
{
    float z = INFINITY;
    for (const ReadbackCommand &c : moves)
        z = std::fmin(z, c.z);
    return z;
}

QString messageOf(const SlicerParams &sp)
{
    try {
        slice(sp);
    } catch (const QString &message) {
        return message;
    } catch (const char *message) {
        return QString::fromUtf8(message);
    }
    return QString();
}

// Printer X of a scene x with the default machine (0,0 at the plate's left edge, X not mirrored).
float printerX(float x)
{
    return x + MachineRecord().buildWidth / 2;
}

} // namespace

TEST(Raft, DefaultTablePrintsFourLayersAndLiftsTheObjectByOneMillimetre)
{
    const Readback plain = slice(firstLayerParams(false, false, false));
    const Readback rafted = slice(firstLayerParams(false, false, true));
    EXPECT_TRUE(extrusions(plain, SegType::Raft).isEmpty());

    const QVector<ReadbackCommand> raft = extrusions(rafted, SegType::Raft);
    std::set<int> levels; // Z in micrometres
    for (const ReadbackCommand &c : raft)
        levels.insert(int(std::lround(c.z * 1000)));
    EXPECT_EQ(levels, (std::set<int>{400, 800, 900, 1000}));
    const float plainStart = lowestZ(extrusions(plain, SegType::Perimeter));
    const float raftedStart = lowestZ(extrusions(rafted, SegType::Perimeter));
    EXPECT_NEAR(plainStart, 0.2f, 1e-4f);
    EXPECT_NEAR(raftedStart - plainStart, 1.0f, 1e-4f);
}

// A solid layer of lines along X and one along Y show the raft's edge on every side: it lies RaftOffset widths
// beyond the box, within a pixel and a half of the raster. The bar apart from the box gets its own raft, one
// width narrower around it: the footprint is shrunk by a width before the objects are put back whole.
TEST(Raft, ReachesRaftOffsetBeyondTheObjectAndAWidthLessBeyondABar)
{
    SlicerParams sp = firstLayerParams(false, false, true);
    sp.RaftOffset = 6.0f;
    sp.RaftConfig = "Type;LayerHeight;FillDensity;Angle\n1;0.3;1;0\n1;0.3;1;90\n";
    const Readback readback = slice(sp, boxAndBarScene());
    const Rect box = boxOf(readback);
    const float reach = sp.RaftOffset * extrusionWidth;
    constexpr float tolerance = 0.2f; // a pixel and a half
    Rect nearBox, nearBar;
    for (const ReadbackCommand &c : extrusions(readback, SegType::Raft)) {
        for (const auto &[x, y] : {std::make_pair(c.x0, c.y0), std::make_pair(c.x, c.y)}) {
            Rect &part = x < (box.maxX + printerX(barX - barWidth / 2)) / 2 ? nearBox : nearBar;
            part.minX = std::fmin(part.minX, x), part.maxX = std::fmax(part.maxX, x);
            part.minY = std::fmin(part.minY, y), part.maxY = std::fmax(part.maxY, y);
        }
    }
    EXPECT_NEAR(nearBox.minX, box.minX - reach, tolerance);
    EXPECT_NEAR(nearBox.maxX, box.maxX + reach, tolerance);
    EXPECT_NEAR(nearBox.minY, box.minY - reach, tolerance);
    EXPECT_NEAR(nearBox.maxY, box.maxY + reach, tolerance);

    const float barReach = reach - extrusionWidth;
    EXPECT_NEAR(nearBar.minX, printerX(barX - barWidth / 2) - barReach, tolerance);
    EXPECT_NEAR(nearBar.maxX, printerX(barX + barWidth / 2) + barReach, tolerance);
    EXPECT_NEAR(nearBar.maxY - nearBar.minY, barWidth + 2 * barReach, 2 * tolerance);
}

// Each raft row is filled as asked: its pattern's directions from its angle, lines 1 / density widths apart
// (widths of the raster, whose pixels are a little smaller than a third of a width).
TEST(Raft, LayersFollowTheirRowsPatternAngleAndDensity)
{
    struct Row {
        int pattern;
        int angle;
        float density;
    };
    const Row rows[] = {{1, 30, 0.5f}, {2, 0, 0.25f}, {3, 15, 0.2f}};
    SlicerParams sp = firstLayerParams(false, false, true);
    sp.RaftConfig = "Type;LayerHeight;FillDensity;Angle\n";
    for (const Row &row : rows)
        sp.RaftConfig += QString("%1;0.3;%2;%3\n").arg(row.pattern).arg(double(row.density)).arg(row.angle).toUtf8();
    const Readback readback = slice(sp);
    std::vector<float> widths; // the spacing of each layer times its density
    for (int layer = 0; layer < 3; ++layer) {
        const Row &row = rows[layer];
        const float z = 0.3f * float(layer + 1);
        // Direction (whole degrees modulo 180) -> the lines' offsets across it; joins between lines are short.
        std::map<int, std::vector<float>> offsets;
        for (const ReadbackCommand &c : extrusions(readback, SegType::Raft)) {
            if (std::fabs(c.z - z) > 1e-3f || std::hypot(c.x - c.x0, c.y - c.y0) < 3.0f)
                continue;
            const int direction = (int(std::lround(std::atan2(c.y - c.y0, c.x - c.x0) * 57.29578)) % 180 + 180) % 180;
            const double angle = direction / 57.29578;
            offsets[direction].push_back(float(-c.x0 * std::sin(angle) + c.y0 * std::cos(angle)));
        }
        std::set<int> directions, expected;
        for (const auto &entry : offsets)
            directions.insert(entry.first);
        // Angles turn counter-clockwise in the slice's (x, z) frame; the printer's Y runs against z, so the
        // G-code shows them mirrored.
        for (int k = 0; k < row.pattern; ++k)
            expected.insert((180 - (row.angle + k * (row.pattern == 2 ? 90 : 60)) % 180) % 180);
        EXPECT_EQ(directions, expected) << "layer " << layer;

        std::vector<float> gaps;
        for (auto &[direction, across] : offsets) {
            std::sort(across.begin(), across.end());
            for (size_t i = 1; i < across.size(); ++i)
                if (across[i] - across[i - 1] > 0.05f) // not the same line drawn the other way
                    gaps.push_back(across[i] - across[i - 1]);
        }
        ASSERT_GT(gaps.size(), 5u) << "layer " << layer;
        const float spacing = *std::min_element(gaps.begin(), gaps.end());
        // Lines too short to count leave gaps of several spacings.
        for (float gap : gaps)
            EXPECT_NEAR(gap / spacing, std::round(gap / spacing), 0.02f) << "layer " << layer;
        widths.push_back(spacing * row.density);
    }
    for (float width : widths) {
        EXPECT_NEAR(width, widths.front(), 0.01f * extrusionWidth);
        EXPECT_NEAR(width, extrusionWidth, 0.05f * extrusionWidth);
    }
}

// Greedy from the head: the nearest end of all first, each path drawn from the end nearer the head.
TEST(Raft, OrderingTakesTheNearestEndNext)
{
    const auto path = [](V2f a, V2f b, V2f c) {
        PolyLine line(SegType::Raft);
        line.points = {a, b, c};
        return line;
    };
    QVector<PolyLine> lines = {path({50, 0}, {50, 10}, {60, 10}), path({0, 30}, {0, 20}, {1, 2}),
                               path({10, 10}, {20, 10}, {30, 12})};
    V2f head(0, 0);
    const QVector<PolyLine> ordered = orderRaftLines(lines, head);
    ASSERT_EQ(ordered.size(), 3);
    EXPECT_EQ(ordered[0].points.first(), V2f(1, 2));
    EXPECT_EQ(ordered[1].points.first(), V2f(10, 10));
    EXPECT_EQ(ordered[2].points.first(), V2f(50, 0));
    EXPECT_EQ(head, V2f(60, 10));
}

TEST(Raft, UnusableTablesPrintNoRaftAndDoNotLift)
{
    for (const char *table : {"3;0.4;0.1;45\n1;0.1;0.3;20\n", "Type;LayerHeight\n0;0.5\n7;0.2\n1;9\n", ""}) {
        SlicerParams sp = firstLayerParams(false, false, true);
        sp.RaftConfig = table;
        const Readback readback = slice(sp);
        EXPECT_TRUE(extrusions(readback, SegType::Raft).isEmpty()) << table;
        EXPECT_NEAR(lowestZ(extrusions(readback, SegType::Perimeter)), 0.2f, 1e-4f) << table;
    }
}

TEST(Raft, PercentDensityPrintsASolidLayerAndGapsLift)
{
    SlicerParams sp = firstLayerParams(false, false, true);
    sp.RaftConfig = "Type;LayerHeight;FillDensity;Angle\n1;0.3;30;0\n0;0.2\n";
    const Readback readback = slice(sp);
    const QVector<ReadbackCommand> raft = extrusions(readback, SegType::Raft);
    ASSERT_FALSE(raft.isEmpty());
    // Solid: lines one extrusion width apart, so the raft's line length is about its area over the width.
    const Rect box = boxOf(readback);
    const float side = box.maxX - box.minX + 2 * sp.RaftOffset * extrusionWidth;
    EXPECT_NEAR(pathLength(raft) / (side * side / extrusionWidth), 1.0f, 0.1f);
    EXPECT_NEAR(lowestZ(extrusions(readback, SegType::Perimeter)), 0.3f + 0.2f + 0.2f, 1e-4f);
}

TEST(Raft, ThousandsOfRowsAreRefusedWithAMessage)
{
    SlicerParams sp = firstLayerParams(false, false, true);
    QByteArray table = "Type;LayerHeight\n";
    for (int i = 0; i < 3000; ++i)
        table += "1;0.05\n";
    sp.RaftConfig = table;
    EXPECT_EQ(messageOf(sp),
              QString("BrimSkirtRaft() The raft table has 3000 layers; a raft has at most %1.").arg(maxRaftLayers));
    // The marker is clear again: the next slice runs.
    EXPECT_FALSE(extrusions(slice(firstLayerParams(true, false, false)), SegType::Skirt).isEmpty());
}

TEST(Skirt, LoopsStandOffOneWidthApartAndReachTheMinimumLength)
{
    const SlicerParams sp = firstLayerParams(true, false, false);
    const Readback readback = slice(sp);
    const QVector<ReadbackCommand> skirt = extrusions(readback, SegType::Skirt);
    ASSERT_FALSE(skirt.isEmpty());
    // The perimeters' seam gap is left open at the end of each loop.
    const float length = pathLength(skirt);
    EXPECT_GT(length, sp.SkirtMinLength - 0.5f);
    EXPECT_LT(length, sp.SkirtMinLength + 0.5f);

    const Rect box = boxOf(readback);
    const float first = sp.SkirtOffset * extrusionWidth;
    std::set<int> rings;
    for (const ReadbackCommand &c : skirt) {
        EXPECT_NEAR(c.z, 0.2f, 1e-4f);
        const float ring = (distanceOutside(box, c.x, c.y) - first) / extrusionWidth;
        EXPECT_GT(ring, -0.35f);
        // Along the box's sides each ring keeps its distance; the rounded corners lie between.
        const bool besideASide = (c.x > box.minX && c.x < box.maxX) || (c.y > box.minY && c.y < box.maxY);
        if (besideASide)
            EXPECT_LT(std::fabs(ring - std::round(ring)), 0.3f) << ring;
        rings.insert(int(std::lround(ring)));
    }
    EXPECT_EQ(rings, (std::set<int>{0, 1, 2})); // a 20 mm box needs three rings for 200 mm
}

TEST(Brim, LoopsTouchTheObject)
{
    SlicerParams sp = firstLayerParams(false, true, false);
    sp.BrimCount = 3;
    const Readback readback = slice(sp);
    const QVector<ReadbackCommand> brim = extrusions(readback, SegType::Skirt);
    ASSERT_FALSE(brim.isEmpty());
    const Rect box = boxOf(readback);
    float nearest = INFINITY, farthest = 0;
    for (const ReadbackCommand &c : brim) {
        const float distance = distanceOutside(box, c.x, c.y);
        nearest = std::fmin(nearest, distance);
        farthest = std::fmax(farthest, distance);
    }
    EXPECT_LT(nearest, extrusionWidth * 0.75f);
    EXPECT_GT(farthest, 2.0f * extrusionWidth);
    EXPECT_LT(farthest, 3.5f * extrusionWidth);
    // Three rings round the 20 mm box.
    EXPECT_NEAR(pathLength(brim), 3 * 4 * (boxSize + 2 * extrusionWidth), 4.0f);
}

struct PrecedenceCase {
    const char *name;
    bool skirt, brim, raft;
    SegType built; // Unknown for nothing
    bool isBrim;
};

class FirstLayerPrecedence : public testing::TestWithParam<PrecedenceCase>
{
};

TEST_P(FirstLayerPrecedence, OnlyOneStructureIsBuilt)
{
    const PrecedenceCase &c = GetParam();
    const Readback readback = slice(firstLayerParams(c.skirt, c.brim, c.raft));
    const QVector<ReadbackCommand> loops = extrusions(readback, SegType::Skirt);
    const QVector<ReadbackCommand> raft = extrusions(readback, SegType::Raft);
    EXPECT_EQ(!loops.isEmpty(), c.built == SegType::Skirt);
    EXPECT_EQ(!raft.isEmpty(), c.built == SegType::Raft);
    EXPECT_NEAR(lowestZ(extrusions(readback, SegType::Perimeter)), c.built == SegType::Raft ? 1.2f : 0.2f, 1e-4f);
    if (!loops.isEmpty()) {
        const Rect box = boxOf(readback);
        float nearest = INFINITY;
        for (const ReadbackCommand &m : loops)
            nearest = std::fmin(nearest, distanceOutside(box, m.x, m.y));
        EXPECT_EQ(nearest < 1.0f, c.isBrim);
    }
}

INSTANTIATE_TEST_SUITE_P(Flags, FirstLayerPrecedence,
                         testing::Values(PrecedenceCase{"Nothing", false, false, false, SegType::Unknown, false},
                                         PrecedenceCase{"SkirtOnly", true, false, false, SegType::Skirt, false},
                                         PrecedenceCase{"SkirtBeatsRaft", true, false, true, SegType::Skirt, false},
                                         PrecedenceCase{"SkirtBeatsBrim", true, true, false, SegType::Skirt, false},
                                         PrecedenceCase{"SkirtBeatsAll", true, true, true, SegType::Skirt, false},
                                         PrecedenceCase{"BrimOnly", false, true, false, SegType::Skirt, true},
                                         PrecedenceCase{"BrimBeatsRaft", false, true, true, SegType::Skirt, true},
                                         PrecedenceCase{"RaftOnly", false, false, true, SegType::Raft, false}),
                         [](const testing::TestParamInfo<PrecedenceCase> &info) {
                             return std::string(info.param.name);
                         });

TEST(FirstLayer, DefaultSettingsBuildTheSkirtAndNoRaftEvenWhenRaftIsOn)
{
    SlicerParams sp;
    sp.RaftEnable = true;
    static const MachineRecord machine;
    Slicer slicer(boxScene(), &sp, &machine, {});
    const Readback readback = readBack(slicer.slice());
    EXPECT_FALSE(extrusions(readback, SegType::Skirt).isEmpty());
    EXPECT_TRUE(extrusions(readback, SegType::Raft).isEmpty());
}

TEST(FirstLayer, OffsetsThatCannotFitAreRefused)
{
    SlicerParams sp = firstLayerParams(true, false, false);
    sp.SkirtOffset = 1.0e9f;
    EXPECT_TRUE(messageOf(sp).startsWith("BrimSkirtRaft() The skirt, brim or raft reaches too far"));
    sp.SkirtOffset = NAN;
    EXPECT_TRUE(messageOf(sp).startsWith("BrimSkirtRaft() SkirtOffset is not a number")) << messageOf(sp).toStdString();
    sp = firstLayerParams(false, false, true);
    sp.RaftOffset = -5.0f; // a raft cannot shrink under the part: it ends at the part's edge
    const Readback readback = slice(sp);
    EXPECT_FALSE(extrusions(readback, SegType::Raft).isEmpty());
}
