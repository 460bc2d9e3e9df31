#include "engine/slicer.h"
#include "gcodereadback.h"
#include "raster/segtype.h"
#include "shapes.h"
#include "slicerun.h"

#include <gtest/gtest.h>

#include <QHash>

#include <algorithm>
#include <cmath>
#include <vector>

namespace
{

constexpr float extrusionWidth = 0.4f;
// Pixels per millimetre: a pixel is nominally a third of the extrusion width (the frame's real pixel is a
// fraction of a percent smaller, far inside the margins below).
constexpr double pixelsPerMm = 1.0 / (extrusionWidth * 0.333);
constexpr double pixelsPerEw = 1.0 / 0.333;

// A round disc of 10 mm radius and three layers: a circular perimeter around concentric shell rings, all of
// them curved everywhere, so that every point the smoothing keeps or drops is a choice.
SliceScene discScene()
{
    SliceScene scene;
    scene.objects.push_back(SceneItem{makeCylinder(10.0f, 0.6f, 360), M44f::identity()});
    return scene;
}

SlicerParams smoothingParams(float smoothing)
{
    SlicerParams sp;
    sp.ExtrusionWidth = extrusionWidth;
    sp.LayerHeight = 0.2f;
    sp.FirstLayerHeight = 0.2f;
    sp.sliceZMin = 0.0f;
    sp.sliceZMax = 200.0f;
    sp.VShellCnt = 1;
    sp.HShellCnt = 3;
    sp.HShellType = 1; // concentric rings, traced with the slice's own smoothing tolerance
    sp.RepairCorners = false;
    sp.PerimeterGap = 0.0f; // closed paths keep every traced point
    sp.SkirtEnable = false;
    sp.OuterHair = false;
    sp.InnerHair = false;
    sp.PathSmoothing = smoothing;
    return sp;
}

// The extruded runs of one type in the first layer, in printer millimetres: each run begins where its first
// extruding move starts and holds the end of every move that continues it.
QVector<QVector<V2f>> firstLayerRuns(const Readback &readback, SegType type)
{
    QVector<QVector<V2f>> runs;
    float firstZ = NAN;
    V2f runEnd(NAN, NAN);
    for (const ReadbackCommand &c : readback.commands) {
        // Every G1 draws, also one too short to move E in the third decimal.
        if (!(c.letter == 'G' && c.number == 1 && c.movesXY()))
            continue;
        if (std::isnan(firstZ))
            firstZ = c.z;
        if (c.z != firstZ || c.segType != int(type))
            continue;
        const V2f from(c.x0, c.y0);
        if (runs.isEmpty() || !(from == runEnd))
            runs.append({from});
        runs.last().append(V2f(c.x, c.y));
        runEnd = V2f(c.x, c.y);
    }
    return runs;
}

// Twice the area of the triangle a, b, c in pixels squared: the pruning measure of the tracer.
double crossInPixels(const V2f &a, const V2f &b, const V2f &c)
{
    const double abx = double(b.x - a.x), aby = double(b.y - a.y);
    const double cbx = double(b.x - c.x), cby = double(b.y - c.y);
    return std::fabs(cbx * aby - cby * abx) * pixelsPerMm * pixelsPerMm;
}

// The traced contour before any point is dropped (the slice at PathSmoothing 0), with where each point lies.
struct ExactContour {
    QVector<QVector<V2f>> runs;
    QHash<QPair<float, float>, QPair<int, int>> where; // point -> run, index of its first occurrence

    explicit ExactContour(const QVector<QVector<V2f>> &traced) : runs(traced)
    {
        for (int r = 0; r < runs.size(); ++r)
            for (int i = 0; i < runs[r].size(); ++i)
                where.insert(qMakePair(runs[r][i].x, runs[r][i].y), qMakePair(r, i));
    }
    bool contains(const V2f &p) const { return where.contains(qMakePair(p.x, p.y)); }
};

struct SmoothingMeasures {
    int points = 0;
    int notTraced = 0;             // kept points that are no crossing point of the traced contour
    int chordsChecked = 0;         // kept segments along the traced contour
    int chordsWithinTolerance = 0; // ... whose dropped points all lie within the tolerance of the chord
    double worstDroppedCross = 0;  // the largest cross of a dropped point against its kept neighbours
    int triples = 0;               // kept points with kept neighbours on the same contour
    int triplesAtTolerance = 0;    // ... whose cross reaches the tolerance: dropping them would be too coarse
};

// Consecutive crossing points of one contour lie within a cell's diagonal; a longer step joins two contours.
constexpr double longestTracedStepPixels = 2.0;

// Walks the traced contour from a to c, never across a join of two contours; false when c is not reached.
// `worst` gets the largest cross of a traced point between them against the chord a, c.
bool walkTraced(const ExactContour &exact, const V2f &a, const V2f &c, double &worst)
{
    if (!exact.contains(a) || !exact.contains(c))
        return false;
    const QPair<int, int> at = exact.where.value(qMakePair(a.x, a.y));
    const QVector<V2f> &traced = exact.runs[at.first];
    worst = 0;
    for (int i = at.second + 1; i < traced.size(); ++i) {
        if (double((traced[i] - traced[i - 1]).length()) * pixelsPerMm > longestTracedStepPixels)
            return false;
        if (traced[i] == c)
            return true;
        worst = std::max(worst, crossInPixels(a, traced[i], c));
    }
    return false;
}

SmoothingMeasures measure(const QVector<QVector<V2f>> &smoothed, const ExactContour &exact, double tolerance)
{
    SmoothingMeasures m;
    for (const QVector<V2f> &run : smoothed) {
        bool previousOnContour = false;
        for (int k = 0; k < run.size(); ++k) {
            ++m.points;
            m.notTraced += !exact.contains(run[k]);
            double worst = 0;
            const bool onContour = k + 1 < run.size() && walkTraced(exact, run[k], run[k + 1], worst);
            if (onContour) {
                ++m.chordsChecked;
                m.worstDroppedCross = std::max(m.worstDroppedCross, worst);
                m.chordsWithinTolerance += worst < tolerance;
            }
            if (onContour && previousOnContour) {
                ++m.triples;
                m.triplesAtTolerance += crossInPixels(run[k - 1], run[k], run[k + 1]) >= 0.97 * tolerance;
            }
            previousOnContour = onContour;
        }
    }
    return m;
}

// The disc's paths traced without smoothing, shared by the tests.
const Readback &exactDisc()
{
    static const Readback exact = readBack(sliceOnThreads(discScene(), smoothingParams(0.0f), 2));
    return exact;
}

class SmoothingTolerance : public ::testing::TestWithParam<float>
{
};

} // namespace

// Pruning drops a traced point when twice the area of the triangle it makes with its neighbours is below
// the tolerance, (pixels per EW)^2 * PathSmoothing pixels squared. Both the perimeter (vertical shells) and
// the concentric shell rings (the slice's derived tolerance) must keep to it: what they drop lies within it
// of the kept chords, and what they keep is mostly too far from its neighbours' chord to drop.
TEST_P(SmoothingTolerance, DroppedPointsLieWithinItAndKeptPointsBeyondIt)
{
    const float smoothing = GetParam();
    const double tolerance = pixelsPerEw * pixelsPerEw * double(smoothing);
    const Readback smoothed = readBack(sliceOnThreads(discScene(), smoothingParams(smoothing), 2));
    for (const SegType type : {SegType::Perimeter, SegType::HShell}) {
        const ExactContour exact(firstLayerRuns(exactDisc(), type));
        const SmoothingMeasures m = measure(firstLayerRuns(smoothed, type), exact, tolerance);
        const std::string what = std::string(segTypeName(type)) + " at PathSmoothing " + std::to_string(smoothing);
        ASSERT_GT(m.triples, 20) << what;
        EXPECT_EQ(m.notTraced, 0) << what << ": kept points are traced crossing points";
        // A chord can also cover points dropped in earlier passes against shorter chords, a little further off.
        EXPECT_GE(m.chordsWithinTolerance, 0.8 * m.chordsChecked) << what;
        EXPECT_LT(m.worstDroppedCross, 4.0 * tolerance) << what;
        // A point kept beside a dropped one, or before one dropped later in the pass, may lie closer.
        EXPECT_GE(m.triplesAtTolerance, 0.85 * m.triples) << what;
    }
}

INSTANTIATE_TEST_SUITE_P(PathSmoothing, SmoothingTolerance, ::testing::Values(0.02f, 0.3f, 1.0f),
                         [](const ::testing::TestParamInfo<float> &info) {
                             return "Smoothing" + std::to_string(int(std::lround(info.param * 100))) + "Hundredths";
                         });

TEST(PathSmoothing, LargerSmoothingKeepsFewerPointsOnACurve)
{
    for (const SegType type : {SegType::Perimeter, SegType::HShell}) {
        int previous = 0;
        for (const float smoothing : {0.0f, 0.02f, 0.08f, 0.3f, 1.0f}) {
            const Readback back =
                smoothing == 0.0f ? exactDisc() : readBack(sliceOnThreads(discScene(), smoothingParams(smoothing), 2));
            int points = 0;
            for (const QVector<V2f> &run : firstLayerRuns(back, type))
                points += run.size();
            if (smoothing > 0.0f)
                EXPECT_LT(points, previous) << segTypeName(type) << " at PathSmoothing " << smoothing;
            previous = points;
        }
    }
}
