#include "engine/verticalshells.h"

#include "common/perfdata.h"
#include "engine/cornerrepair.h"
#include "engine/slicerparams.h"
#include "raster/contourtracer.h"
#include "raster/linemasker2.h"

#include <algorithm>
#include <cmath>

namespace
{

// Hair lines are cut where the area left by the pass is solidly covered (above the plain 128 edge), so
// that a hair never runs on where the loops and fills take over.
constexpr int hairMaskThreshold = 160;
// Masked pieces shorter than this (pixels) are crumbs at the cut, not hairs.
constexpr float shortestHairPiece = 1.5f;
// LineMasker2 needs a segment this long (pixels) to take a sample.
constexpr float shortestSampledSegment = 1.51f; // a third of a sample per pixel, rounded

bool isEmptyArea(const TileMap &tiles)
{
    const qint64 count = qint64(tiles.width()) * tiles.height();
    return std::all_of(tiles.data(), tiles.data() + count, [](quint8 tile) { return tile == 0; });
}

bool hasSample(const PolyLine &line)
{
    for (int i = 1; i < line.count(); ++i)
        if ((line.points[i] - line.points[i - 1]).length() >= shortestSampledSegment)
            return true;
    return false;
}

} // namespace

VerticalShells::VerticalShells(const SlicerParams &sp, float pixelsPerEw) : m_sp(sp), m_pixelsPerEw(pixelsPerEw) {}

int VerticalShells::effectiveLoopCount(int width, int height) const
{
    const int bound = int(std::ceil(double(std::max(width, height)) / double(m_pixelsPerEw))) + 2;
    return std::min(m_sp.VShellCnt, bound);
}

VerticalShells::Pass VerticalShells::pass(int k, int loops) const
{
    const double p = m_pixelsPerEw;
    if (k == 0)
        return {0.5 * p - double(m_sp.VShellOffset) * p * p, 1.0};
    if (k == loops)
        return {0.5 * p, 1.0};
    return {p, 0.5};
}

void VerticalShells::traceLoop(const Plane8 &area, const TileMap &tiles, int loopIndex, QVector<PolyLine> &out)
{
    const float tolerance = m_pixelsPerEw * m_pixelsPerEw * m_sp.PathSmoothing;
    QVector<PolyLine> traced;
    contourDetect3(traced, area, m_visited, tiles, loopIndex == 0 ? SegType::Perimeter : SegType::Loop, tolerance);
    if (m_sp.RepairCorners && loopIndex == 0)
        CornerRepair().repair(traced);
    out += traced;
}

QVector<PolyLine> VerticalShells::maskHairs(const QVector<PolyLine> &hairs, const Plane8 &remainingArea) const
{
    QVector<PolyLine> kept;
    if (hairs.isEmpty())
        return kept;
    PerfSection section("hairMasking");
    Plane1 mask;
    Plane1::fromPlane8(mask, remainingArea, hairMaskThreshold, true);
    for (const PolyLine &hair : hairs) {
        if (!hasSample(hair)) {
            const V2f middle = hair.points[hair.count() / 2];
            if (mask.pixel(int(std::lround(middle.x)), int(std::lround(middle.y))))
                kept.append(hair);
            continue;
        }
        for (const PolyLine &piece : LineMasker2::splitPolyLines(mask, hair, SegType::Unknown))
            if (piece.type == hair.type && piece.count() >= 2 && piece.length() >= shortestHairPiece)
                kept.append(piece);
    }
    return kept;
}

void VerticalShells::innerAreaOf(const Plane8 &remaining, Plane1 &innerArea) const
{
    Plane1::fromPlane8(innerArea, remaining, 128, false);
    if (m_sp.LoopFillOverlap != 0) {
        Plane1 grown;
        innerArea.offset(grown, m_sp.LoopFillOverlap);
        innerArea = std::move(grown);
    }
}

void VerticalShells::build(const Plane8 &coverage, LayerShellPaths &paths, Plane1 &innerArea)
{
    paths.clear();
    const int loops = effectiveLoopCount(coverage.width(), coverage.height());
    if (loops <= 0) {
        // No shells asked for: the fills take the whole area.
        paths.resize(1);
        Plane1::fromPlane8(innerArea, coverage, 128, false);
        return;
    }
    paths.resize(loops + 1);
    if (!m_hairs || m_hairs->lostArea().width() != coverage.width() ||
        m_hairs->lostArea().height() != coverage.height())
        m_hairs = std::make_unique<HairDetector>(coverage.width(), coverage.height(), m_pixelsPerEw);

    coverage.tileMap(m_coverageTiles);
    const Plane8 *current = &coverage;
    const TileMap *currentTiles = &m_coverageTiles;
    const double halfWidth = 0.5 * double(m_pixelsPerEw);
    for (int k = 0; k <= loops; ++k) {
        const bool first = k == 0, last = k == loops;
        const Pass offset = pass(k, loops);
        m_offsetter.offset(*current, *currentTiles, offset.distance, offset.factor, m_offset, m_offsetTiles);
        // The last pass hands everything inside the innermost loop to the fills, so it cannot lose a part.
        const bool wantsHairs = first ? m_sp.OuterHair : m_sp.InnerHair;
        if (wantsHairs && !last) {
            // An inward shell offset leaves the outer edge unprinted on purpose: that is no hair.
            const double wantedShrink = first ? std::max(0.0, offset.distance - halfWidth) : halfWidth;
            m_hairs->hairDetect0(*current, wantedShrink, m_offset);
        }
        if (k > 0)
            traceLoop(*current, *currentTiles, k - 1, paths[k - 1]);
        if (first && m_sp.OuterHair)
            paths[0] +=
                maskHairs(m_hairs->hairDetect1(SegType::OuterHair, HairDetectConstants::firstAndLast()), m_offset);
        if (last && m_sp.InnerHair)
            paths[loops] +=
                maskHairs(m_hairs->hairDetect1(SegType::InnerHair, HairDetectConstants::firstAndLast()), m_offset);
        std::swap(m_current, m_offset);
        std::swap(m_currentTiles, m_offsetTiles);
        current = &m_current;
        currentTiles = &m_currentTiles;
        // Once nothing is left every further loop is empty: go straight to the last pass.
        if (k + 1 < loops && isEmptyArea(m_currentTiles))
            k = loops - 1;
    }
    innerAreaOf(m_current, innerArea);
}
