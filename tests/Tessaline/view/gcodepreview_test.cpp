#include "view/gcodecolors.h"
#include "view/gcodepreview.h"

#include "common/gcode/gcodeparser.h"
#include "geometry/v3f.h"
#include "slicedgcode.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QList>

#include <cmath>
#include <cstring>
#include <random>
#include <set>

namespace
{

// What the parser itself measures per command: extruded XY length per type, extruded heights.
struct ParserTotals {
    std::array<double, kSegTypeCount> extrudedPerType{};
    std::set<long long> heights;
    double extrudeDist = 0, travelDist = 0;
    int lines = 0;
};

ParserTotals parserTotals(const QByteArray &text)
{
    GCodeParser parser;
    ParserTotals totals;
    double before = 0;
    parser.parseWholeText(text, [&](bool) {
        if (parser.extrudeDist > before) {
            totals.extrudedPerType[size_t(parser.segType)] += parser.extrudeDist - before;
            totals.heights.insert(std::llround(double(parser.posZ) * 1000.0));
        }
        before = parser.extrudeDist;
    });
    totals.extrudeDist = parser.extrudeDist;
    totals.travelDist = parser.travelDist;
    totals.lines = parser.lineNo;
    return totals;
}

// Segments and layers are plain records without padding: equal previews are equal bytes.
template <class T> bool sameRecords(const std::vector<T> &a, const std::vector<T> &b)
{
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(T)) == 0;
}

GCodePreview previewOf(const char *text)
{
    GCodePreview preview;
    preview.build(QByteArray(text));
    return preview;
}

} // namespace

TEST(GCodePreviewSliced, LayersAndExtrudedLengthsMatchTheParser)
{
    const QByteArray &gcode = slicedGCode();
    ASSERT_GT(gcode.size(), 1000);
    GCodePreview preview;
    preview.build(gcode);
    const ParserTotals totals = parserTotals(gcode);
    EXPECT_TRUE(preview.error().isEmpty()) << preview.error().toStdString();
    EXPECT_EQ(preview.layerCount(), int(totals.heights.size()));
    EXPECT_GT(preview.layerCount(), 10);
    const std::array<double, kSegTypeCount> lengths = preview.extrudedLengthPerType();
    int typesSeen = 0;
    for (int type = 0; type < kSegTypeCount; ++type) {
        EXPECT_NEAR(lengths[size_t(type)], totals.extrudedPerType[size_t(type)], 1e-6 * totals.extrudeDist)
            << segTypeNames[type];
        typesSeen += lengths[size_t(type)] > 0;
    }
    EXPECT_GE(typesSeen, 4);
    double travel = 0;
    for (const GCodeSegment &s : preview.segments())
        if (!s.extrudes())
            travel += s.length();
    EXPECT_NEAR(travel, totals.travelDist, 1e-6 * totals.travelDist);
    EXPECT_EQ(preview.lineCount(), totals.lines);
    // The layers split the segments in file order at rising heights.
    int expectedFirst = 0;
    for (int l = 0; l < preview.layerCount(); ++l) {
        const GCodeLayer &layer = preview.layers()[size_t(l)];
        EXPECT_EQ(layer.firstSegment, expectedFirst);
        EXPECT_TRUE(l == 0 || layer.z > preview.layers()[size_t(l) - 1].z);
        EXPECT_EQ(preview.layerOfSegment(layer.endSegment - 1), l);
        expectedFirst = layer.endSegment;
    }
    EXPECT_EQ(expectedFirst, int(preview.segments().size()));
}

TEST(GCodePreviewSliced, LineCursorFindsTheCommandOfEachSegment)
{
    const QByteArray &gcode = slicedGCode();
    GCodePreview preview;
    preview.build(gcode);
    const QList<QByteArray> lines = gcode.split('\n'); // the writer ends lines with CR LF
    for (size_t i = 0; i < preview.segments().size(); ++i) {
        const GCodeSegment &s = preview.segments()[i];
        ASSERT_LT(s.line, lines.size());
        GCodeParser lineParser;
        lineParser.posX = s.x0;
        lineParser.posY = s.y0;
        const char *cursor = lines[s.line].constData();
        lineParser.parseCommand(cursor);
        ASSERT_EQ(lineParser.posX, s.x1) << lines[s.line].constData();
        ASSERT_EQ(lineParser.posY, s.y1) << lines[s.line].constData();
        const int atLine = preview.segmentAtLine(s.line);
        EXPECT_GE(atLine, int(i));
        EXPECT_EQ(preview.segments()[size_t(atLine)].line, s.line);
    }
    EXPECT_EQ(preview.segmentAtLine(-1), -1);
    for (int l = 0; l < preview.layerCount(); ++l) {
        const int line = preview.firstLineOfLayer(l);
        EXPECT_EQ(preview.layerOfSegment(preview.segmentAtLine(line)), l);
    }
}

TEST(GCodePreviewSliced, PiecesOfAnySizeBuildTheSamePreview)
{
    const QByteArray &gcode = slicedGCode();
    GCodePreview whole;
    whole.build(gcode);
    std::mt19937 rng(4);
    // Pieces of one byte split every CR LF of the slicer's line ends.
    for (int maxPiece : {1, 7, 300, 70000}) {
        std::uniform_int_distribution<int> piece(1, maxPiece);
        GCodePreview streamed;
        streamed.reset();
        for (int at = 0; at < gcode.size();) {
            const int n = std::min(piece(rng), int(gcode.size()) - at);
            streamed.append(gcode.mid(at, n));
            at += n;
        }
        streamed.finish();
        EXPECT_TRUE(sameRecords(whole.segments(), streamed.segments())) << maxPiece;
        EXPECT_TRUE(sameRecords(whole.layers(), streamed.layers())) << maxPiece;
        EXPECT_EQ(whole.lineCount(), streamed.lineCount()) << maxPiece;
    }
}

struct SmallCase {
    const char *name;
    const char *gcode;
    int segments;
    int layers;
    int lastLayerFirstSegment;
};

class GCodePreviewSmall : public ::testing::TestWithParam<SmallCase>
{
};

TEST_P(GCodePreviewSmall, SegmentsAndLayers)
{
    const GCodePreview preview = previewOf(GetParam().gcode);
    EXPECT_EQ(int(preview.segments().size()), GetParam().segments);
    EXPECT_EQ(preview.layerCount(), GetParam().layers);
    if (preview.layerCount() > 0)
        EXPECT_EQ(preview.layers().back().firstSegment, GetParam().lastLayerFirstSegment);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, GCodePreviewSmall,
    ::testing::Values(SmallCase{"TravelOnlyHasNoLayer", "G1 Z0.2\nG1 X10 Y10\nG1 X20\n", 2, 0, 0},
                      SmallCase{"SetPositionDrawsNothing", "G1 X5 E1\nG92 X0 E0\nG1 X5 E1\n", 2, 1, 0},
                      SmallCase{"RetractAndZHopStayInTheLayer",
                                "G1 Z0.2\nG1 X10 E1\nG1 E0.5\nG1 Z0.6\nG1 X0 Y5\nG1 Z0.2\nG1 E1\nG1 X10 E2\n", 3, 1, 0},
                      SmallCase{"EachNewExtrusionHeightIsALayer",
                                "G1 Z0.2\nG1 X10 E1\nG1 Z0.4\nG1 X0 E2\nG1 Z0.6\nG1 X10 E3\n", 3, 3, 2},
                      SmallCase{"LastLineWithoutLineEnd", "G1 Z0.2\nG1 X10 E1\nG1 Y10 E2", 2, 1, 0},
                      SmallCase{"RelativeExtrusion", "M83\nG1 Z0.3\nG1 X10 E0.5\nG1 X20 E0.5\nG1 X30 E-1\n", 3, 1, 0}),
    [](const ::testing::TestParamInfo<SmallCase> &info) { return std::string(info.param.name); });

TEST(GCodePreviewSmallFile, BeadWidthFollowsTheExtrusionInSteps)
{
    // e = 0.04, then 0.041 (below the 0.002 step: width kept), then 0.09.
    const GCodePreview preview = previewOf("G1 Z0.2\nG1 X10 E0.4\nG1 X20 E0.81\nG1 X30 E1.71\n");
    ASSERT_EQ(preview.segments().size(), 3u);
    EXPECT_NEAR(preview.segments()[0].beadWidth, 1.42 * std::sqrt(0.04), 1e-5);
    EXPECT_EQ(preview.segments()[1].beadWidth, preview.segments()[0].beadWidth);
    EXPECT_NEAR(preview.segments()[2].beadWidth, 1.42 * std::sqrt(0.09), 1e-5);
    EXPECT_EQ(preview.layers()[0].maxBeadWidth, preview.segments()[2].beadWidth);
}

struct ColourCase {
    const char *name;
    int mode;
    GCodeSegment segment;
    quint32 colour;
};

class GCodeColours : public ::testing::TestWithParam<ColourCase>
{
};

TEST_P(GCodeColours, SegmentColour)
{
    EXPECT_EQ(segmentColour(GetParam().segment, 0, GetParam().mode, HeatPalette()), GetParam().colour);
}

GCodeSegment seg(float dx, float dy, float dE, float feed, int type)
{
    GCodeSegment s;
    s.x1 = dx;
    s.y1 = dy;
    s.dE = dE;
    s.feed = feed;
    s.type = type;
    return s;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, GCodeColours,
    ::testing::Values(ColourCase{"TypePerimeter", 1, seg(1, 0, 0.1f, 1200, 1), 0xFFFFFF},
                      ColourCase{"TypeInfill", 1, seg(1, 0, 0.1f, 1200, 4), 0x1EFF00},
                      ColourCase{"TypeOutOfRangeIsUnknown", 1, seg(1, 0, 0.1f, 1200, 42), 0x8877DD},
                      ColourCase{"TravelInTypeMode", 1, seg(1, 0, 0, 1200, 1), 0xCCFF00},
                      ColourCase{"RetractingMoveIsTravel", 3, seg(1, 0, -0.5f, 1200, 1), 0xCCFF00},
                      ColourCase{"TravelInDirectionMode", 5, seg(1, 0, 0, 1200, 1), 0xCCFF00},
                      ColourCase{"SlowFeedIsTheColdEnd", 3, seg(1, 0, 0.1f, 100, 1), HeatPalette().at(0)},
                      ColourCase{"FastFeedIsTheHotEnd", 3, seg(1, 0, 0.1f, 20000, 1), HeatPalette().at(1)},
                      ColourCase{"HeavyExtrusionIsTheHotEnd", 4, seg(1, 0, 0.5f, 1200, 1), HeatPalette().at(1)},
                      ColourCase{"UnknownModeIsWhite", 9, seg(1, 0, 0.1f, 1200, 4), 0xFFFFFF}),
    [](const ::testing::TestParamInfo<ColourCase> &info) { return std::string(info.param.name); });

TEST(GCodeColourValues, DirectionSectorsSequenceAndLegend)
{
    const std::pair<V3f, int> sectors[] = {
        {{0, 1, 0}, 0}, {{1, 0, 0}, 6}, {{0, -1, 0}, 12}, {{-1, 0, 0}, 18}, {{-1, 1, 0}, 21}};
    for (const auto &[direction, sector] : sectors)
        EXPECT_EQ(directionSector(direction.x, direction.y), sector) << direction.x << "," << direction.y;
    const GCodeSegment s = seg(1, 0, 0.1f, 1200, 1);
    EXPECT_NE(segmentColour(s, 0, 2, HeatPalette()), segmentColour(s, 1, 2, HeatPalette()));
    for (int mode = 0; mode <= 6; ++mode)
        EXPECT_EQ(gcodeLegend(mode, HeatPalette()).back(), (LegendEntry{"Travel", kGCodeTravelColour}));
    EXPECT_EQ(gcodeLegend(1, HeatPalette())[4], (LegendEntry{"Infill", 0x1EFF00}));
    EXPECT_EQ(segmentReadout(seg(3, 4, 0.5f, 2400, 1)), "F: 40.0 mm/s  E: 0.1000 mm/mm  dE: 0.500 mm  Len: 5.00 mm");
}

TEST(GCodeColourValues, HeatPaletteFromImage)
{
    QImage image(64, 9, QImage::Format_RGB32);
    for (int row = 0; row < 9; ++row)
        for (int x = 0; x < 64; ++x)
            image.setPixel(x, row, qRgb(x * 4, row * 20, 7));
    EXPECT_EQ(HeatPalette::fromImage(image, 3).at(1.0f), 0xFC3C07u);
    EXPECT_EQ(HeatPalette::fromImage(image, 99).at(0.0f), 0x00A007u); // the ramp is clamped to 0..8
    try {
        HeatPalette::fromImage(QImage(64, 8, QImage::Format_RGB32), 0);
        FAIL() << "a 64 x 8 image was accepted";
    } catch (const char *message) {
        EXPECT_STREQ(message, "HeatPal: incompatible image");
    }
}
