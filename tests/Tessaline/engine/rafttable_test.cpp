#include "engine/rafttable.h"
#include "engine/slicerparams.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{

QVector<RaftLayerPlan> layersOf(const QByteArray &table)
{
    return raftLayers(parseRaftTable(table));
}

} // namespace

TEST(RaftTable, DefaultTableGivesFourLayersOfOneMillimetre)
{
    const QVector<RaftLayerPlan> layers = layersOf(SlicerParams::defaultRaftConfig());
    ASSERT_EQ(layers.size(), 4);
    const int types[] = {3, 3, 1, 1};
    const float heights[] = {0.4f, 0.4f, 0.1f, 0.1f};
    const float densities[] = {0.1f, 0.1f, 0.3f, 0.3f};
    const float angles[] = {45, 0, 20, 90};
    float total = 0;
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(layers[i].type, types[i]) << i;
        EXPECT_FLOAT_EQ(layers[i].layerHeight, heights[i]) << i;
        EXPECT_FLOAT_EQ(layers[i].fillDensity, densities[i]) << i;
        EXPECT_FLOAT_EQ(layers[i].angle, angles[i]) << i;
        total += layers[i].layerHeight;
    }
    EXPECT_NEAR(total, 1.0f, 1e-6f);
}

TEST(RaftTable, ColumnsAreFoundByNameInAnyOrderWithAnyLineEnds)
{
    for (const char *end : {"\n", "\r\n", "\r"}) {
        const QByteArray table = QByteArray("Angle ; Comment ; LayerHeight ; Type ; FillDensity") + end +
                                 "45 ; base ; 0.3 ; 2 ; 0.5" + end + " ; gap ; 0.2 ; 0 ; " + end +
                                 "oops ; top ; 0.15 ; 1 ; " + end;
        const QVector<RaftLayerPlan> layers = layersOf(table);
        ASSERT_EQ(layers.size(), 3) << end;
        EXPECT_EQ(layers[0].type, 2);
        EXPECT_FLOAT_EQ(layers[0].angle, 45);
        EXPECT_FLOAT_EQ(layers[0].fillDensity, 0.5f);
        EXPECT_EQ(layers[1].type, 0);
        EXPECT_FLOAT_EQ(layers[1].layerHeight, 0.2f);
        // Missing and non-numeric cells take the column's default.
        EXPECT_FLOAT_EQ(layers[2].angle, 0.0f);
        EXPECT_FLOAT_EQ(layers[2].fillDensity, 0.1f);
    }
}

TEST(RaftTable, TablesWithoutTheNamesGiveNoRaft)
{
    EXPECT_TRUE(layersOf("3;0.4;0.1;45\n1;0.1;0.3;20\n").isEmpty());
    EXPECT_TRUE(layersOf("LayerHeight;FillDensity\n0.4;0.1\n").isEmpty()); // no type: nothing to print
    EXPECT_TRUE(layersOf("Type;FillDensity\n1;0.1\n").isEmpty());          // no height
    EXPECT_TRUE(layersOf("").isEmpty());
    EXPECT_TRUE(layersOf("\n\n  \n").isEmpty());
    EXPECT_TRUE(layersOf(QByteArray("\0\0;\0", 4)).isEmpty());
}

struct RowCase {
    const char *name;
    const char *row; // Type;LayerHeight;FillDensity;Angle
    bool kept;
    float density;
};

class RaftRowValidation : public testing::TestWithParam<RowCase>
{
};

TEST_P(RaftRowValidation, RowsAreSkippedOrClamped)
{
    const RowCase &c = GetParam();
    const QVector<RaftLayerPlan> layers = layersOf(QByteArray("Type;LayerHeight;FillDensity;Angle\n") + c.row);
    ASSERT_EQ(layers.size(), c.kept ? 1 : 0);
    if (c.kept)
        EXPECT_FLOAT_EQ(layers[0].fillDensity, c.density);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, RaftRowValidation,
    testing::Values(RowCase{"PercentDensityPrintsSolid", "1;0.2;30;0", true, 1.0f},
                    RowCase{"TinyDensityRaisedToTheFloor", "1;0.2;0.0000001;0", true, 0.001f},
                    RowCase{"NegativeDensityRaisedToTheFloor", "1;0.2;-3;0", true, 0.001f},
                    RowCase{"MissingDensityIsATenth", "1;0.2", true, 0.1f},
                    RowCase{"NanDensityIsATenth", "1;0.2;nan;0", true, 0.1f},
                    RowCase{"LowestHeight", "1;0.03;0.5;0", true, 0.5f},
                    RowCase{"HighestHeight", "2;3.0;0.5;0", true, 0.5f}, RowCase{"TooThin", "1;0.029;0.5;0", false, 0},
                    RowCase{"TooThick", "1;3.01;0.5;0", false, 0}, RowCase{"MissingHeight", "1;;0.5;0", false, 0},
                    RowCase{"InfiniteHeight", "1;inf;0.5;0", false, 0}, RowCase{"TextHeight", "1;high;0.5;0", false, 0},
                    RowCase{"UnknownType", "4;0.2;0.5;0", false, 0}, RowCase{"NegativeType", "-1;0.2;0.5;0", false, 0},
                    RowCase{"FractionalType", "1.5;0.2;0.5;0", false, 0},
                    RowCase{"OnlyAGapPrintsNothing", "0;0.2;0.5;0", false, 0}),
    [](const testing::TestParamInfo<RowCase> &info) { return std::string(info.param.name); });

TEST(RaftTable, GapsCountOnlyAboveAPrintedLayer)
{
    const QVector<RaftLayerPlan> layers = layersOf("Type;LayerHeight\n0;0.5\n1;0.2\n0;0.1\n");
    ASSERT_EQ(layers.size(), 2);
    EXPECT_EQ(layers[0].type, 1);
    EXPECT_EQ(layers[1].type, 0);
}

TEST(RaftTable, ThousandsOfRowsAreReadInOrder)
{
    QByteArray table = "Type;LayerHeight;Angle\n";
    for (int i = 0; i < 5000; ++i)
        table += "1;0.05;" + QByteArray::number(i % 720 - 360) + "\n";
    const QVector<RaftLayerPlan> layers = layersOf(table);
    ASSERT_EQ(layers.size(), 5000);
    for (int i = 0; i < 5000; ++i)
        ASSERT_LE(std::fabs(layers[i].angle), 360.0f);
    EXPECT_FLOAT_EQ(layers[361].angle, 1.0f);
}
