#include "view/gcodelists.h"
#include "view/gcodeoverlay.h"

#include "slicedgcode.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <map>
#include <set>

namespace
{

// A layer with a 48-sided ring (gentle turns, shared sections), a square (sharp corners), a single
// line, a path whose bead widens half-way and travels between them.
QByteArray mixedPaths()
{
    QByteArray text = "G1 Z0.2 F1800\r\n";
    double e = 0, lastX = 0, lastY = 0;
    auto move = [&](double x, double y, double ratio) {
        e += std::hypot(x - lastX, y - lastY) * ratio;
        text += "G1 X" + QByteArray::number(x, 'f', 3) + " Y" + QByteArray::number(y, 'f', 3);
        text += ratio > 0 ? " E" + QByteArray::number(e, 'f', 5) + "\r\n" : QByteArray("\r\n");
        lastX = x;
        lastY = y;
    };
    move(20, 0, 0);
    for (int i = 1; i <= 48; ++i)
        move(20 * std::cos(i * 2 * M_PI / 48), 20 * std::sin(i * 2 * M_PI / 48), 0.04);
    move(-5, -5, 0);
    for (auto [x, y] : {std::pair{5, -5}, {5, 5}, {-5, 5}, {-5, -5}})
        move(x, y, 0.04);
    move(30, 30, 0);
    move(40, 30, 0.05);
    move(30, 40, 0);
    for (int i = 1; i <= 6; ++i)
        move(30 + 2 * i, 40, i <= 3 ? 0.03 : 0.06);
    text += "G1 Z0.4\r\n";
    move(0, 30, 0);
    move(10, 31, 0.04);
    move(20, 30, 0.04);
    return text;
}


// A decoded vertex as the shader sees it: position and normal.
using Decoded = std::array<float, 6>;
using Triangle = std::array<Decoded, 3>;

Decoded decoded(const float *v, float layerZ)
{
    const GCodeVertex d = decodeGCodeVertex(v[0], v[1], v[2], layerZ);
    return {d.position.x, d.position.y, d.position.z, d.normal.x, d.normal.y, d.normal.z};
}

bool degenerate(const Triangle &t)
{
    const V3f a(t[0][0], t[0][1], t[0][2]), b(t[1][0], t[1][1], t[1][2]), c(t[2][0], t[2][1], t[2][2]);
    return cross(b - a, c - a).length() < 1e-9;
}

std::vector<Triangle> stripTriangles(const std::vector<float> &vertices, const GCodeDrawRun &run)
{
    std::vector<Triangle> triangles;
    for (int i = run.firstVertex; i + 2 < run.firstVertex + run.vertexCount; ++i)
        triangles.push_back({decoded(&vertices[size_t(i) * 3], run.layerZ),
                             decoded(&vertices[size_t(i + 1) * 3], run.layerZ),
                             decoded(&vertices[size_t(i + 2) * 3], run.layerZ)});
    return triangles;
}

// The two upper faces of a segment in the reference list (faces 0 and 3 of its 24 vertices), each as
// its four corners in order around the face.
std::array<std::array<Decoded, 4>, 2> referenceUpperFaces(const GCodeVertexBuffer &reference, int segment, float layerZ)
{
    std::array<std::array<Decoded, 4>, 2> faces;
    const int faceIndex[2] = {0, 3};
    for (int f = 0; f < 2; ++f) {
        // Each face is written as (start a, start b, end b, start a, end b, end a).
        const int base = reference.firstVertexOf(segment) + faceIndex[f] * 6;
        for (int c = 0; c < 4; ++c) {
            const int order[4] = {0, 1, 2, 5};
            faces[size_t(f)][size_t(c)] = decoded(&reference.vertices[size_t(base + order[c]) * 3], layerZ);
        }
    }
    return faces;
}

// Whether two triangles of the run split the face along one of its diagonals.
bool faceCovered(const std::array<Decoded, 4> &face, const std::vector<Triangle> &triangles)
{
    std::vector<std::set<int>> inFace;
    for (const Triangle &t : triangles) {
        std::set<int> corners;
        for (const Decoded &v : t)
            for (int c = 0; c < 4; ++c)
                if (v == face[size_t(c)])
                    corners.insert(c);
        if (corners.size() == 3)
            inFace.push_back(corners);
    }
    for (const std::set<int> &a : inFace)
        for (const std::set<int> &b : inFace) {
            std::set<int> both = a;
            both.insert(b.begin(), b.end());
            const bool diagonal = (a.count(0) && a.count(2) && b.count(0) && b.count(2)) ||
                                  (a.count(1) && a.count(3) && b.count(1) && b.count(3));
            if (both.size() == 4 && diagonal)
                return true;
        }
    return false;
}

struct ListCase {
    const char *name;
    QByteArray (*text)();
    int mode;
};

class LeanLists : public testing::TestWithParam<ListCase>
{
};

// Every upper face of every printed move is drawn as the reference draws it, in its move's colour
// and layer; every other triangle is empty or joins sections of neighbouring moves of its run.
TEST_P(LeanLists, DrawTheReferenceUpperFacesInTheirRunsColour)
{
    GCodePreview preview;
    preview.build(GetParam().text());
    ASSERT_GT(preview.layerCount(), 0);
    const int mode = GetParam().mode;
    const HeatPalette palette;
    const GCodeLists lists = buildGCodeLists(preview, 0, preview.layerCount() - 1, mode, palette);
    const GCodeVertexBuffer reference = buildGCodeVertices(preview, 0, preview.layerCount() - 1);
    int extruding = 0;
    for (const GCodeSegment &s : preview.segments())
        extruding += s.extrudes();
    EXPECT_EQ(lists.extrudingSegments, extruding);

    int covered = 0;
    std::set<std::pair<int, quint32>> runKeys;
    for (const GCodeDrawRun &run : lists.beadRuns) {
        EXPECT_TRUE(runKeys.insert({run.layer, run.colour}).second) << "one call per layer and colour";
        EXPECT_EQ(run.layerZ, preview.layers()[size_t(run.layer)].z);
        const std::vector<Triangle> triangles = stripTriangles(lists.beads, run);
        // Which of the run's moves each upper corner belongs to.
        std::map<Decoded, std::set<int>> ownerOf;
        const GCodeLayer &layer = preview.layers()[size_t(run.layer)];
        for (int s = layer.firstSegment; s < layer.endSegment; ++s) {
            const GCodeSegment &seg = preview.segments()[size_t(s)];
            if (!seg.extrudes() || segmentColour(seg, s, mode, palette) != run.colour)
                continue;
            const auto faces = referenceUpperFaces(reference, s, run.layerZ);
            for (const auto &face : faces) {
                EXPECT_TRUE(faceCovered(face, triangles)) << "segment " << s;
                for (const Decoded &corner : face)
                    ownerOf[corner].insert(s);
            }
            ++covered;
        }
        for (const Triangle &t : triangles) {
            if (degenerate(t))
                continue;
            bool neighbours = false;
            for (int s : ownerOf[t[0]]) {
                auto near = [&](const Decoded &v) {
                    for (int other : ownerOf[v])
                        if (std::abs(other - s) <= 1)
                            return true;
                    return false;
                };
                neighbours = neighbours || (near(t[1]) && near(t[2]));
            }
            EXPECT_TRUE(neighbours) << "a triangle strays between moves of layer " << run.layer;
        }
    }
    EXPECT_EQ(covered, extruding);
}

INSTANTIATE_TEST_SUITE_P(Paths, LeanLists,
                         testing::Values(ListCase{"MixedPathsByType", mixedPaths, int(GCodeColoring::Type)},
                                         ListCase{"MixedPathsBySequence", mixedPaths, int(GCodeColoring::Sequence)},
                                         ListCase{"MixedPathsByExtrusion", mixedPaths, int(GCodeColoring::Extrusion)},
                                         ListCase{"SlicedByType", [] { return slicedGCode(); }, int(GCodeColoring::Type)},
                                         ListCase{"SlicedByDirection", [] { return slicedGCode(); }, int(GCodeColoring::Direction)}),
                         [](const testing::TestParamInfo<ListCase> &info) { return std::string(info.param.name); });

// The budget of a printed move in the lists of a real slice, in the colouring most files are viewed in:
// five vertices of twelve bytes, where the reference list spends 288.
TEST(LeanListsSize, SlicedFileStaysWithinSixtyBytesPerPrintedMove)
{
    GCodePreview preview;
    preview.build(slicedGCode());
    const GCodeLists lists =
        buildGCodeLists(preview, 0, preview.layerCount() - 1, int(GCodeColoring::Type), HeatPalette());
    ASSERT_GT(lists.extrudingSegments, 1000);
    EXPECT_LE(lists.beadBytesPerSegment(), 60.0);
}

// Travels are lines of their own, one run per layer, each move once at its layer.
TEST(LeanListsTravel, EveryTravelIsOneLineOfItsLayersRun)
{
    GCodePreview preview;
    preview.build(mixedPaths());
    const GCodeLists lists = buildGCodeLists(preview, 0, preview.layerCount() - 1, 1, HeatPalette());
    std::multiset<std::array<float, 5>> expected, drawn;
    for (int l = 0; l < preview.layerCount(); ++l) {
        const GCodeLayer &layer = preview.layers()[size_t(l)];
        for (int s = layer.firstSegment; s < layer.endSegment; ++s) {
            const GCodeSegment &seg = preview.segments()[size_t(s)];
            if (!seg.extrudes())
                expected.insert({layer.z, seg.x0, seg.y0, seg.x1, seg.y1});
        }
    }
    for (const GCodeDrawRun &run : lists.travelRuns) {
        EXPECT_EQ(run.colour, kGCodeTravelColour);
        EXPECT_EQ(run.vertexCount, run.segmentCount * 2);
        for (int v = run.firstVertex; v < run.firstVertex + run.vertexCount; v += 2) {
            const float *a = &lists.travels[size_t(v) * 3];
            const GCodeVertex from = decodeGCodeVertex(a[0], a[1], a[2], run.layerZ);
            EXPECT_NEAR(from.position.y, run.layerZ, 1e-3);
            drawn.insert({run.layerZ, a[0], a[1], a[3], a[4]});
        }
    }
    EXPECT_EQ(drawn, expected);
    EXPECT_FALSE(expected.empty());
}

} // namespace

namespace
{

// Two layers of one long bead each (along X at y 0, z 0.2 and 0.4) and a travel between them.
const char *const kTwoLayers = "G1 Z0.2 F1200\r\nG1 X-20 Y0\r\nG1 X20 Y0 E1.6\r\nG1 Z0.4\r\nG1 X20 Y10\r\n"
                               "G1 X-20 Y10 E3.2\r\n";

struct HoverCase {
    const char *name;
    V3f at; // where the ray looking straight down passes (scene x, z)
    int topLayer;
    bool showTravel;
    int segment; // expected under it, -1 for none
};

class HoverPick : public testing::TestWithParam<HoverCase>
{
};

// The read-out names the move that is drawn under the cursor: the nearest layer along the ray wins,
// hidden layers and hidden travels are not picked, and off the beads there is nothing.
TEST_P(HoverPick, FindsTheDrawnMoveUnderTheRay)
{
    GCodePreview preview;
    preview.build(kTwoLayers);
    ASSERT_EQ(preview.layerCount(), 2);
    GCodeHoverIndex index;
    index.update(preview);
    const HoverCase &c = GetParam();
    const V3f origin(c.at.x, 100, c.at.z), target(c.at.x, 0, c.at.z);
    EXPECT_EQ(index.pick(preview, preview.visibleLayers(c.topLayer, 5), c.showTravel, origin, target), c.segment);
}

INSTANTIATE_TEST_SUITE_P(Rays, HoverPick,
                         testing::Values(HoverCase{"FirstLayerBead", {5, 0, 0.05f}, 1, false, 1},
                                         HoverCase{"SecondLayerBead", {-5, 0, 10}, 1, false, 3},
                                         HoverCase{"SecondLayerHiddenAboveTheTopLayer", {-5, 0, 10}, 0, false, -1},
                                         HoverCase{"TravelHidden", {20, 0, 5}, 1, false, -1},
                                         HoverCase{"TravelShown", {20, 0, 5}, 1, true, 2},
                                         HoverCase{"BesideTheBeads", {5, 0, 5}, 1, true, -1}),
                         [](const testing::TestParamInfo<HoverCase> &info) { return std::string(info.param.name); });

} // namespace
