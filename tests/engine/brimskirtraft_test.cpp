#include "gcodereadback.h"
#include "raftbuilder.h"
#include "slicer.h"

#include <QString>

#include <gtest/gtest.h>

#include <cmath>
#include <set>

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

Readback slice(const SlicerParams &sp)
{
    static const MachineRecord machine;
    setSlicerThreads(1);
    Slicer slicer(boxScene(), &sp, &machine, {});
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

    // The raft reaches RaftOffset widths beyond the part and no further.
    const Rect box = boxOf(rafted);
    const float reach = firstLayerParams(false, false, true).RaftOffset * extrusionWidth;
    float farthest = 0;
    for (const ReadbackCommand &c : raft)
        farthest = std::fmax(farthest, distanceOutside(box, c.x, c.y));
    EXPECT_GT(farthest, reach - 0.5f);
    EXPECT_LT(farthest, reach + 0.5f);
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
