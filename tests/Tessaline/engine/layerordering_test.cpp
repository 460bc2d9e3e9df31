#include "engine/layerordering.h"
#include "engine/slicerparams.h"
#include "writertesthelpers.h"

#include <QString>

#include <gtest/gtest.h>

TEST(LayerOrdering, StartPointsLieFarOutsideTheBedInTheirDirection)
{
    MachineRecord machine;
    machine.buildWidth = 200.0f;
    machine.buildDepth = 150.0f;
    const float ppe = 3.003f;
    const float farX = 200.0f * ppe * 100.0f;
    const float farZ = 150.0f * ppe * 100.0f;
    EXPECT_EQ(layerStartPoint(2, 7, machine, ppe), V2f(0, farZ));
    EXPECT_EQ(layerStartPoint(3, 7, machine, ppe), V2f(0, -farZ));
    EXPECT_EQ(layerStartPoint(4, 7, machine, ppe), V2f(farX, 0));
    EXPECT_EQ(layerStartPoint(5, 7, machine, ppe), V2f(-farX, 0));
    // Random: r = 2 * i * 134775813 + 1 modulo 2^32, angle r mod 10000 radians.
    for (int layer : {0, 1, 2, 1000, 123456}) {
        const quint32 r = quint32((2ull * quint64(layer) * 134775813ull + 1ull) & 0xFFFFFFFFull);
        const float angle = float(r % 10000u);
        const V2f p = layerStartPoint(1, layer, machine, ppe);
        EXPECT_FLOAT_EQ(p.x, farX * std::cos(angle)) << layer;
        EXPECT_FLOAT_EQ(p.y, farZ * std::sin(angle)) << layer;
        EXPECT_EQ(p, layerStartPoint(1, layer, machine, ppe));
    }
    for (int invalid : {0, 6, -1}) {
        try {
            layerStartPoint(invalid, 0, machine, ppe);
            ADD_FAILURE() << "no error for " << invalid;
        } catch (const QString &message) {
            EXPECT_EQ(message,
                      QString("FATAL ERROR: invalid sp.LayerStartPos while paralellLayerProcessing %1").arg(invalid));
        }
    }
}

TEST(LayerOrdering, SupportsFirstThenIslandsIntoOneListWithTravelBetween)
{
    Plane1 area(256, 256);
    area.fill(true);
    for (int y = 20; y < 230; ++y)
        for (int x = 20; x < 230; ++x)
            area.setPixel(x, y, false);
    SlicerParams sp;
    sp.PerimeterGap = 0.0f;
    LayerOrdering layer(sp, testFrame(256, 256), area, area, area, 3.003f);
    V2f head = layer.orderSupportBars(
        {makePath(SegType::Support, {{30, 30}, {30, 60}}), makePath(SegType::Support, {{33, 62}, {33, 90}})}, V2f(0, 0),
        6.0f);
    head = layer.orderIsland({makePath(SegType::Perimeter, {{150, 150}, {200, 150}, {200, 200}, {150, 200}}, true),
                              makePath(SegType::Infill, {{160, 160}, {190, 190}})},
                             head);
    const QVector<PolyLine> &paths = layer.paths();
    // The two bar lines are bridged (5 pixels apart, within 2.5 * 0.6 * 6); a safe travel leads to the island.
    ASSERT_EQ(paths.size(), 5);
    EXPECT_EQ(paths[0].type, SegType::Support);
    EXPECT_EQ(paths[0].count(), 4);
    EXPECT_EQ(paths[1].type, SegType::Travel);
    EXPECT_FALSE(paths[1].retract);
    EXPECT_EQ(paths[2].type, SegType::Perimeter);
    EXPECT_EQ(paths[2].points.first(), V2f(150, 150));
    EXPECT_EQ(paths[4].type, SegType::Infill);
    EXPECT_EQ(head, V2f(190, 190));
}
