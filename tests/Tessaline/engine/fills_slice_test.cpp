#include "engine/slicer.h"
#include "gcodereadback.h"
#include "raster/segtype.h"
#include "slicerun.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>

namespace
{

// A box standing on the plate, 20 x 16 mm, centred at x = 5, z = -5: printer X = x + 100, Y = 100 - z.
SliceScene boxScene(float height)
{
    Faces faces;
    faces.makeBox(Box3f{V3f(-5, 0, -13), V3f(15, height, 3)});
    SliceScene scene;
    scene.objects.push_back(SceneItem{faces, M44f::identity()});
    return scene;
}

SlicerParams fillParams()
{
    SlicerParams sp;
    sp.LayerHeight = 0.2f;
    sp.FirstLayerHeight = 0.2f;
    sp.sliceZMin = 0.0f;
    sp.sliceZMax = 200.0f;
    sp.HShellCnt = 3;
    sp.HShellType = 0;
    sp.InfillType = 3;
    sp.InfillDensity = 0.2f;
    return sp;
}

// Extruded length per type for every printed height, in layer order.
std::vector<std::map<int, double>> extrusionByLayer(const Readback &readback)
{
    std::map<float, std::map<int, double>> byHeight;
    for (const ReadbackCommand &c : readback.commands)
        if (c.extrudes())
            byHeight[c.z][c.segType] += std::hypot(c.x - c.x0, c.y - c.y0);
    std::vector<std::map<int, double>> layers;
    for (const auto &entry : byHeight)
        layers.push_back(entry.second);
    return layers;
}

double lengthOf(const std::map<int, double> &layer, SegType type)
{
    const auto it = layer.find(int(type));
    return it == layer.end() ? 0.0 : it->second;
}

} // namespace

// The lowest and highest HShellCnt layers are solid; between them a box of unchanging cross-section has
// sparse infill inside its loops and no shell.
TEST(FillsSlice, BoxOfFortyLayersHasThreeSolidLayersTopAndBottom)
{
    const QByteArray gcode = sliceOnThreads(boxScene(8.0f), fillParams(), 2);
    const Readback readback = readBack(gcode);
    ASSERT_TRUE(readback.error.isEmpty()) << readback.error.toStdString();
    const std::vector<std::map<int, double>> layers = extrusionByLayer(readback);
    ASSERT_EQ(layers.size(), 40u);
    for (int index = 0; index < 40; ++index) {
        const std::map<int, double> &layer = layers[size_t(index)];
        const bool solid = index < 3 || index >= 37;
        EXPECT_GT(lengthOf(layer, SegType::Perimeter), 0.0) << "layer " << index;
        if (solid) {
            // 20 x 16 mm less the loops, one 0.4 mm line per width: well over 500 mm of shell.
            EXPECT_GT(lengthOf(layer, SegType::HShell), 500.0) << "layer " << index;
            EXPECT_EQ(lengthOf(layer, SegType::Infill), 0.0) << "layer " << index;
        } else {
            EXPECT_EQ(lengthOf(layer, SegType::HShell), 0.0) << "layer " << index;
            EXPECT_GT(lengthOf(layer, SegType::Infill), 100.0) << "layer " << index;
        }
    }
}

// Nothing of the object's own paths is extruded outside the box, fills included.
TEST(FillsSlice, NoExtrusionOutsideTheObject)
{
    SlicerParams sp = fillParams();
    sp.InfillThickness = 3;
    sp.InfillAngle = 30.0f;
    sp.InfillAngleInc = 17.0f;
    const Readback readback = readBack(sliceOnThreads(boxScene(2.0f), sp, 2));
    ASSERT_TRUE(readback.error.isEmpty());
    const float margin = 0.2f; // half an extrusion width
    int fillMoves = 0;
    for (const ReadbackCommand &c : readback.commands) {
        // The skirt is meant to lie around the object.
        if (!c.extrudes() || c.segType == int(SegType::Skirt) || c.segType == int(SegType::Raft))
            continue;
        fillMoves += c.segType == int(SegType::Infill) || c.segType == int(SegType::HShell);
        for (const auto &[x, y] : {std::make_pair(c.x0, c.y0), std::make_pair(c.x, c.y)}) {
            EXPECT_GE(x, 95 - margin);
            EXPECT_LE(x, 115 + margin);
            EXPECT_GE(y, 97 - margin);
            EXPECT_LE(y, 113 + margin);
        }
    }
    EXPECT_GT(fillMoves, 100);
}

// Results never depend on the thread count, whatever the fill settings.
TEST(FillsSlice, OneAndTwoThreadsWriteTheSameGCode)
{
    for (int shellType : {0, 1}) {
        SlicerParams sp = fillParams();
        sp.HShellType = shellType;
        sp.InfillType = 2 + shellType;
        sp.InfillAngleInc = 90.0f;
        const QByteArray one = sliceOnThreads(boxScene(3.0f), sp, 1);
        const QByteArray two = sliceOnThreads(boxScene(3.0f), sp, 2);
        EXPECT_EQ(one, two) << "HShellType " << shellType;
        EXPECT_GT(one.count(";segType:HShell"), 0);
    }
}

// Densities the forms never offer: 0 prints no infill, above 1 prints lines that touch as at 1.
TEST(FillsSlice, OutOfRangeDensitiesGiveCleanResults)
{
    SlicerParams sp = fillParams();
    sp.InfillDensity = 0.0f;
    EXPECT_EQ(sliceOnThreads(boxScene(2.0f), sp, 2).count(";segType:Infill"), 0);
    const auto infillLength = [&] {
        double total = 0.0;
        for (const std::map<int, double> &layer : extrusionByLayer(readBack(sliceOnThreads(boxScene(2.0f), sp, 2))))
            total += lengthOf(layer, SegType::Infill);
        return total;
    };
    sp.InfillDensity = 1.0f;
    const double solid = infillLength();
    EXPECT_GT(solid, 0.0);
    sp.InfillDensity = 50.0f;
    EXPECT_DOUBLE_EQ(infillLength(), solid);
    sp.InfillType = 0;
    EXPECT_EQ(sliceOnThreads(boxScene(2.0f), sp, 2).count(";segType:Infill"), 0);
}

// At density 1 the shell lines of a solid layer lie one extrusion width (0.4 mm) apart at the layer's angle:
// 45 degrees on layer 0, 135 on layer 1 (HShellAngle 45, HShellAngleInc 90) in the slice's (x, z) frame, which
// the default machine's Y, running against z, shows mirrored: -45 and -135 degrees.
TEST(FillsSlice, SolidLayerLinesAreOneWidthApartAtTheLayersAngle)
{
    const Readback readback = readBack(sliceOnThreads(boxScene(2.0f), fillParams(), 2));
    std::map<float, std::vector<const ReadbackCommand *>> shellMoves;
    for (const ReadbackCommand &c : readback.commands)
        if (c.extrudes() && c.segType == int(SegType::HShell) && std::hypot(c.x - c.x0, c.y - c.y0) > 2.0f)
            shellMoves[c.z].push_back(&c);
    ASSERT_GE(shellMoves.size(), 2u);
    int layer = 0;
    for (const auto &[z, moves] : shellMoves) {
        if (layer > 1)
            break;
        const double angle = (layer == 0 ? -45.0 : -135.0) * M_PI / 180.0;
        std::vector<std::pair<double, const ReadbackCommand *>> lines;
        for (const ReadbackCommand *c : moves) {
            EXPECT_NEAR(std::fabs(std::sin(std::atan2(c->y - c->y0, c->x - c->x0) - angle)), 0.0, 0.01)
                << "layer " << layer;
            lines.emplace_back(-std::sin(angle) * c->x + std::cos(angle) * c->y, c);
        }
        std::sort(lines.begin(), lines.end(), [](const auto &a, const auto &b) { return a.first < b.first; });
        ASSERT_GT(lines.size(), 20u);
        // The distance of each line's middle from the line before it, along that line's own normal.
        for (size_t k = 1; k < lines.size(); ++k) {
            const ReadbackCommand &a = *lines[k - 1].second, &b = *lines[k].second;
            const double length = std::hypot(a.x - a.x0, a.y - a.y0);
            const double nx = -(a.y - a.y0) / length, ny = (a.x - a.x0) / length;
            const double distance = std::fabs(nx * ((b.x + b.x0) / 2 - a.x0) + ny * ((b.y + b.y0) / 2 - a.y0));
            EXPECT_NEAR(distance, 0.4, 0.01) << "layer " << layer << " line " << k;
        }
        ++layer;
    }
}

// Above 100 % the shell lines come closer and the writer thins each one to match: twice the density gives
// twice the line length on a solid layer and the same filament.
TEST(FillsSlice, DoubleShellDensityHalvesTheSpacingAndKeepsTheFilament)
{
    const auto firstLayerShell = [](float density) {
        SlicerParams sp = fillParams();
        sp.HShellDensity = density;
        sp.SkirtEnable = false;
        const Readback readback = readBack(sliceOnThreads(boxScene(2.0f), sp, 2));
        double length = 0.0, filament = 0.0;
        for (const ReadbackCommand &c : readback.commands)
            if (c.extrudes() && c.segType == int(SegType::HShell) && c.z < 0.25f) {
                length += std::hypot(c.x - c.x0, c.y - c.y0);
                filament += c.e - c.e0;
            }
        return std::make_pair(length, filament);
    };
    const auto [length1, filament1] = firstLayerShell(1.0f);
    const auto [length2, filament2] = firstLayerShell(2.0f);
    ASSERT_GT(length1, 500.0);
    EXPECT_NEAR(length2 / length1, 2.0, 0.1);
    EXPECT_NEAR(filament2 / filament1, 1.0, 0.05);
}
