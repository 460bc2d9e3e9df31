#include "view/gcodelists.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

namespace
{

struct Point {
    double x = 0, y = 0;
};

// One layer of a single printed path through the points, at a constant filament rate per millimetre
// so that every move has the same bead width.
QByteArray pathGCode(const std::vector<Point> &points)
{
    QByteArray text = "G1 Z0.2 F1800\r\nG1 X" + QByteArray::number(points[0].x, 'f', 3) + " Y" +
                      QByteArray::number(points[0].y, 'f', 3) + "\r\n";
    double e = 0;
    for (size_t i = 1; i < points.size(); ++i) {
        e += std::hypot(points[i].x - points[i - 1].x, points[i].y - points[i - 1].y) * 0.05;
        text += "G1 X" + QByteArray::number(points[i].x, 'f', 3) + " Y" + QByteArray::number(points[i].y, 'f', 3) +
                " E" + QByteArray::number(e, 'f', 5) + "\r\n";
    }
    return text;
}

// A random path that turns sharply at every point (45 to 160 degrees), mostly on to the same side
// as before as infill and traced outlines do; its moves are from a third of a bead to a dozen beads
// long, so that some corners are too tight to share their inner side and some moves too short for
// the corners at both their ends.
std::vector<Point> sharpPath(std::mt19937 &random, int moves)
{
    std::uniform_real_distribution<double> length(0.1, 4.0), shortLength(0.1, 0.8), turn(M_PI / 4, M_PI * 160 / 180),
        chance(0, 1);
    std::vector<Point> points{{50, 50}};
    double heading = 0, side = 1;
    for (int i = 0; i < moves; ++i) {
        const double l = chance(random) < 0.5 ? shortLength(random) : length(random);
        points.push_back({points.back().x + l * std::cos(heading), points.back().y + l * std::sin(heading)});
        if (chance(random) < 0.3)
            side = -side;
        heading += side * turn(random);
    }
    return points;
}

// A staircase as pixel tracing makes it: one-pixel steps turning 90 degrees left and right in turn.
std::vector<Point> staircase(int moves)
{
    std::vector<Point> points{{10, 10}};
    for (int i = 0; i < moves; ++i)
        points.push_back({points.back().x + (i % 2 ? 0 : 0.8), points.back().y + (i % 2 ? 0.8 : 0)});
    return points;
}

struct Triangle {
    V3f a, b, c;
};

std::vector<Triangle> beadTriangles(const GCodeLists &lists)
{
    std::vector<Triangle> triangles;
    for (const GCodeDrawRun &run : lists.beadRuns) {
        const auto at = [&](int i) {
            const float *v = &lists.beads[size_t(i) * 3];
            return decodeGCodeVertex(v[0], v[1], v[2], run.layerZ).position;
        };
        for (int i = run.firstVertex; i + 2 < run.firstVertex + run.vertexCount; ++i)
            triangles.push_back({at(i), at(i + 1), at(i + 2)});
    }
    return triangles;
}

// The height of the highest triangle over (x, z), or -1 where none lies over it.
double drawnHeight(const std::vector<Triangle> &triangles, double x, double z)
{
    double best = -1;
    for (const Triangle &t : triangles) {
        const double ax = t.a.x, az = t.a.z, bx = t.b.x - ax, bz = t.b.z - az, cx = t.c.x - ax, cz = t.c.z - az;
        const double det = bx * cz - bz * cx;
        const double u = ((x - ax) * cz - (z - az) * cx) / det, v = (bx * (z - az) - bz * (x - ax)) / det;
        if (std::fabs(det) > 1e-12 && u > -1e-9 && v > -1e-9 && u + v < 1 + 1e-9)
            best = std::max(best, double(t.a.y) + u * (double(t.b.y) - t.a.y) + v * (double(t.c.y) - t.a.y));
    }
    return best;
}

// The wedges that close both sides of every corner between two moves: from the ridge at the corner
// down to the square ends' side corners.
std::vector<Triangle> cornerWedges(const GCodePreview &preview)
{
    std::vector<Triangle> wedges;
    const std::vector<GCodeSegment> &segments = preview.segments();
    for (size_t i = 1; i < segments.size(); ++i) {
        const GCodeSegment &a = segments[i - 1], &b = segments[i];
        if (!a.extrudes() || !b.extrudes())
            continue;
        const float la = std::hypot(a.dx(), a.dy()), lb = std::hypot(b.dx(), b.dy()), w = a.beadWidth;
        const V3f ridge(b.x0, 0.2f + w * kGCodeBeadHeightShare, b.y0);
        for (const float side : {-1.0f, 1.0f}) {
            const V3f sideA(b.x0 - side * a.dy() / la * w, 0.2f, b.y0 + side * a.dx() / la * w);
            const V3f sideB(b.x0 - side * b.dy() / lb * w, 0.2f, b.y0 + side * b.dx() / lb * w);
            wedges.push_back({ridge, sideA, sideB});
        }
    }
    return wedges;
}

// The upper surface of the path's beads as plain square-ended boxes with a ridge on the path and the
// wedges of their corners: the highest roof over (x, z), or -1 outside every bead.
double beadHeight(const GCodePreview &preview, const std::vector<Triangle> &wedges, double x, double z)
{
    double best = drawnHeight(wedges, x, z);
    for (const GCodeSegment &s : preview.segments()) {
        if (!s.extrudes())
            continue;
        const double len = std::hypot(s.dx(), s.dy()), ux = s.dx() / len, uy = s.dy() / len;
        const double along = (x - s.x0) * ux + (z - s.y0) * uy, across = std::fabs((z - s.y0) * ux - (x - s.x0) * uy);
        if (along < 0 || along > len || across > s.beadWidth)
            continue;
        best = std::max(best, 0.2 + s.beadWidth * kGCodeBeadHeightShare * (1 - across / s.beadWidth));
    }
    return best;
}

// Where to compare heights: around every end of every move, on a ring of points just inside the
// square end's corners and half-way to them (where a corner whose neighbours are too short for it
// would leave a hole), and at random around the path's points.
std::vector<Point> samplePoints(const GCodePreview &preview, std::mt19937 &random)
{
    std::vector<Point> samples;
    std::uniform_real_distribution<double> offset(-1.5, 1.5);
    for (const GCodeSegment &s : preview.segments()) {
        if (!s.extrudes())
            continue;
        const double len = std::hypot(s.dx(), s.dy()), ux = s.dx() / len, uy = s.dy() / len, w = s.beadWidth;
        for (const double along : {0.02 * w, len - 0.02 * w}) {
            const Point end{s.x0 + along * ux, s.y0 + along * uy};
            for (const double across : {0.98, 0.5, -0.5, -0.98})
                samples.push_back({end.x - across * w * uy, end.y + across * w * ux});
            for (int i = 0; i < 20; ++i)
                samples.push_back({end.x + offset(random) * w, end.y + offset(random) * w});
        }
    }
    return samples;
}

// Over many random paths with sharp corners the lists draw the beads' upper surface: the roofs of
// square-ended beads with the corners' wedges filled, nothing less where the lists share the inner
// side of a corner and nothing more anywhere.
TEST(LeanListsCorners, DrawTheUpperSurfaceOfSquareEndedBeads)
{
    std::mt19937 random(7);
    int sampled = 0;
    for (int path = 0; path < 150; ++path) {
        const std::vector<Point> points = sharpPath(random, 12);
        GCodePreview preview;
        preview.build(pathGCode(points));
        const GCodeLists lists = buildGCodeLists(preview, 0, 0, int(GCodeColoring::Type), HeatPalette());
        const std::vector<Triangle> triangles = beadTriangles(lists), wedges = cornerWedges(preview);
        for (const Point &at : samplePoints(preview, random)) {
            const double expected = beadHeight(preview, wedges, at.x, at.y);
            EXPECT_NEAR(drawnHeight(triangles, at.x, at.y), expected, 2e-4)
                << "path " << path << " at " << at.x << ", " << at.y;
            sampled += expected >= 0;
        }
    }
    EXPECT_GT(sampled, 50000);
}

struct SizeCase {
    const char *name;
    std::vector<Point> points;
    double maxBytesPerMove;
};

class LeanListsCornerSize : public testing::TestWithParam<SizeCase>
{
};

// Paths that turn sharply at every point stay lean: four vertices a move and one or two for the
// outer wedge of each shared corner (the staircase shares all of them; the random path leaves its
// tightest corners square on both sides), where square ends everywhere cost about seven.
TEST_P(LeanListsCornerSize, StaysWithinItsBytesPerPrintedMove)
{
    GCodePreview preview;
    preview.build(pathGCode(GetParam().points));
    const GCodeLists lists = buildGCodeLists(preview, 0, 0, int(GCodeColoring::Type), HeatPalette());
    ASSERT_EQ(lists.extrudingSegments, int(GetParam().points.size()) - 1);
    EXPECT_LE(lists.beadBytesPerSegment(), GetParam().maxBytesPerMove);
}

INSTANTIATE_TEST_SUITE_P(Paths, LeanListsCornerSize,
                         testing::Values(SizeCase{"Staircase", staircase(400), 67.0},
                                         SizeCase{"RandomSharpTurns",
                                                  [] {
                                                      std::mt19937 random(11);
                                                      return sharpPath(random, 400);
                                                  }(),
                                                  77.0}),
                         [](const testing::TestParamInfo<SizeCase> &info) { return std::string(info.param.name); });

} // namespace
