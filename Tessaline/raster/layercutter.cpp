#include "raster/layercutter.h"

#include "common/perfdata.h"
#include "geometry/workerthread.h"
#include "raster/segmentlists.h"

#include <QString>

#include <algorithm>
#include <cmath>
#include <limits>

namespace
{

// Layout of a bar body: four groups of four records, one group per side of its square.
constexpr int barGroups = 4;
constexpr int recordsPerGroup = 4;
constexpr int parallelogramRecord = 1;

bool isFinite(const Face &face)
{
    return face.p[0].isFinite() && face.p[1].isFinite() && face.p[2].isFinite();
}

// Floor and ceiling of a value within the int range, without the library call that the baseline
// instruction set needs for them.
double floorOf(double x)
{
    const double t = double(qint64(x));
    return t > x ? t - 1.0 : t;
}

double ceilOf(double x)
{
    const double t = double(qint64(x));
    return t < x ? t + 1.0 : t;
}

// Planes k with low < k <= high (or low <= k when lowIncluded), limited to 0 ... count - 1, as a
// half-open range; empty when there are none. Computed in double so that far-away input cannot
// overflow the integer conversion.
std::pair<int, int> planeRange(double low, double high, bool lowIncluded, int count)
{
    if (!(low <= high))
        return {0, 0};
    // Limiting both ends to just outside the table changes no result and keeps the conversions exact.
    const double outside = double(count) + 1.0;
    low = std::min(std::max(low, -2.0), outside);
    high = std::min(std::max(high, -2.0), outside);
    double first = lowIncluded ? ceilOf(low) : floorOf(low) + 1.0;
    first = std::max(first, 0.0);
    const double last = std::min(floorOf(high), double(count - 1));
    if (!(first <= last))
        return {0, 0};
    return {int(first), int(last) + 1};
}

// Below this many triangles a share costs more to hand to a thread than to cut.
constexpr qint64 minShareTriangles = 128;
// Shares per thread: a thread the system leaves waiting then holds up only a small share.
constexpr int sharesPerThread = 4;
// Bounds of the per-share segment counts (shares times layers): 16 MB at most, and no more counters than
// 16 per triangle, so that a few triangles in a tall table do not mean megabytes of counting.
constexpr qint64 maxShareCounters = qint64(1) << 22;
constexpr qint64 shareCountersPerTriangle = 16;

} // namespace

void LayerCutter::SliceFaces(float bottom, float top, float layerThickness, float firstLayer, float barWidthLimit,
                             float barSlopeLimit)
{
    PerfSection timing(QStringLiteral("SliceFaces"));
    computeBoundingBox(splitScene(0));
    buildLayerTable(bottom, top, layerThickness, firstLayer);
    if (m_oneSweep)
        cutMeshesInOneSweep();
    else
        cutMeshesShared(splitScene(layerCount()));
    cutBars(barWidthLimit, barSlopeLimit);
    trimEmptyTop();
}

LayerCutter::Shares LayerCutter::splitScene(int layers) const
{
    const qint64 triangles = sceneTriangleCount(m_scene);
    qint64 shares = std::min<qint64>(qint64(workerThreadCount()) * sharesPerThread,
                                     (triangles + minShareTriangles - 1) / minShareTriangles);
    if (layers > 0)
        shares = std::min(shares, std::min(maxShareCounters, shareCountersPerTriangle * triangles) / (layers + 1));
    shares = std::max<qint64>(shares, 1);
    Shares split;
    for (qint64 k = 1; k <= shares; ++k)
        split.ends.push_back(triangles * k / shares);
    return split;
}

void LayerCutter::computeBoundingBox(const Shares &shares)
{
    // Each share's box, then the boxes united in scene order: std::min and std::max keep the first of equal
    // values, so the box is the one a single pass gives, down to the sign of a zero.
    struct ShareBox {
        Box3f box;
        bool started = false;
        void include(const Face &face)
        {
            // Non-finite triangles are never cut, so they must not stretch the frame either.
            if (!isFinite(face))
                return;
            if (!started) {
                box = {face.p[0], face.p[0]};
                started = true;
            }
            for (const V3f &p : face.p)
                box.include(p);
        }
    };
    std::vector<ShareBox> boxes(size_t(shares.count()));
    paralellEach(shares.count(), [&](int share, int) {
        // Grown on the stack: neighbouring boxes share a cache line, which threads growing them in place
        // would pass to and fro for every triangle.
        ShareBox own;
        forEachWorldTriangle(m_scene, shares.begin(share), shares.ends[size_t(share)],
                             [&](const Face &face) { own.include(face); });
        boxes[size_t(share)] = own;
    });
    ShareBox all;
    for (const ShareBox &share : boxes) {
        if (!share.started)
            continue;
        all.box = all.started ? all.box.united(share.box) : share.box;
        all.started = true;
    }
    for (const CutBar &bar : m_bars)
        for (const Face &face : bar.body.faces())
            all.include(face);
    m_box = all.box;
}

void LayerCutter::buildLayerTable(float bottom, float top, float layerThickness, float firstLayer)
{
    if (!(layerThickness > 0.0f) || !std::isfinite(layerThickness) || !std::isfinite(firstLayer))
        throw "LayerCutter::SliceFaces() invalid layer height";
    // A bound that is not a number bounds nothing.
    m_sliceBottom = bottom > m_box.min.y ? bottom : m_box.min.y;
    const float usedTop = top < m_box.max.y ? top : m_box.max.y;
    m_layerThickness = layerThickness;
    m_inverseThickness = 1.0 / double(layerThickness);

    const double layers = 1.0 + std::ceil((double(usedTop) - m_sliceBottom - firstLayer) / layerThickness);
    if (layers > double(maxLayers))
        throw QString("LayerCutter::SliceFaces() too many layers: %1").arg(layers, 0, 'f', 0);
    const int count = layers >= 1.0 ? int(layers) : 1;

    m_layers.clear();
    m_layers.resize(size_t(count));
    for (int i = 0; i < count; ++i) {
        SliceLayer &layer = m_layers[size_t(i)];
        layer.index = i;
        layer.height = i == 0 ? firstLayer * 0.5f : m_sliceBottom + firstLayer + (float(i) - 0.5f) * layerThickness;
    }
}

std::pair<int, int> LayerCutter::planesCrossed(const Face &face) const
{
    // The edge between the lowest and the highest corner crosses every plane the other two cross, and
    // layerUnits() never reverses an order, so its planes are the union of the edges' planes that
    // cutTriangle() walks.
    const float low = std::min(std::min(face.p[0].y, face.p[1].y), face.p[2].y);
    const float high = std::max(std::max(face.p[0].y, face.p[1].y), face.p[2].y);
    const double sLow = layerUnits(low);
    const double sHigh = layerUnits(high);
    if (!(sHigh > sLow))
        return {0, 0};
    return planeRange(sLow, sHigh, true, layerCount());
}

template <class AddSegment>
void LayerCutter::cutTriangle(const Face &face, EdgePoints &points, AddSegment &&addSegment) const
{
    const int count = layerCount();
    int firstPlane = std::numeric_limits<int>::max();
    int endPlane = 0;
    for (int e = 0; e < 3; ++e) {
        const V3f &start = face.p[e];
        const V3f &end = face.p[(e + 1) % 3];
        const bool descending = start.y > end.y;
        const V3f &low = descending ? end : start;
        const V3f &high = descending ? start : end;
        const double sLow = layerUnits(low.y);
        const double sHigh = layerUnits(high.y);
        if (!(sHigh > sLow))
            continue;
        const auto planes = planeRange(sLow, sHigh, true, count);
        if (planes.first >= planes.second)
            continue;
        // Both triangles of a shared edge walk it from the same lower end with the same steps, so their
        // points agree to the bit and the layer's contours close exactly.
        const double step = 1.0 / (sHigh - sLow);
        double t = (planes.first - sLow) * step;
        const float dx = high.x - low.x;
        const float dz = high.z - low.z;
        auto &edge = descending ? points.descending : points.ascending;
        for (int k = planes.first; k < planes.second; ++k) {
            edge[size_t(k)] = {float(low.x + t * dx), float(low.z + t * dz)};
            t += step;
        }
        firstPlane = std::min(firstPlane, planes.first);
        endPlane = std::max(endPlane, planes.second);
    }
    // Every plane of the range lies on a descending and on an ascending edge (the outline goes up and down
    // between the lowest and the highest corner), so no point is left over from another triangle.
    for (int k = firstPlane; k < endPlane; ++k)
        addSegment(k, points.descending[size_t(k)], points.ascending[size_t(k)]);
}

void LayerCutter::cutMeshesInOneSweep()
{
    EdgePoints points;
    points.descending.resize(m_layers.size());
    points.ascending.resize(m_layers.size());
    forEachWorldTriangle(m_scene, [&](const Face &face) {
        if (isFinite(face))
            cutTriangle(face, points, [&](int k, const std::array<float, 2> &from, const std::array<float, 2> &to) {
                m_layers[size_t(k)].meshSegs.emplace_back(from[0], from[1], to[0], to[1]);
            });
    });
}

std::vector<quint32> LayerCutter::countSegments(const Shares &shares) const
{
    // Per share, the number of segments in each layer. A layer holds at most one segment per triangle, and
    // no memory holds 2^32 triangles.
    const size_t stride = m_layers.size() + 1;
    std::vector<quint32> counts(size_t(shares.count()) * stride);
    paralellEach(shares.count(), [&](int share, int) {
        // Marks where each triangle's run of planes starts and ends, then adds them up.
        quint32 *shareCounts = counts.data() + size_t(share) * stride;
        forEachWorldTriangle(m_scene, shares.begin(share), shares.ends[size_t(share)], [&](const Face &face) {
            if (!isFinite(face))
                return;
            const std::pair<int, int> planes = planesCrossed(face);
            if (planes.first < planes.second) {
                ++shareCounts[planes.first];
                --shareCounts[planes.second];
            }
        });
        quint32 running = 0;
        for (size_t k = 0; k < stride; ++k) {
            running += shareCounts[k];
            shareCounts[k] = running;
        }
    });
    return counts;
}

void LayerCutter::allocateMeshLists(const std::vector<quint32> &counts, int shares)
{
    const size_t stride = m_layers.size() + 1;
    std::vector<std::vector<Seg2f> *> lists(m_layers.size());
    std::vector<size_t> sizes(m_layers.size(), 0);
    for (size_t k = 0; k < m_layers.size(); ++k) {
        lists[k] = &m_layers[k].meshSegs;
        for (int share = 0; share < shares; ++share)
            sizes[k] += counts[size_t(share) * stride + k];
    }
    allocateSegmentLists(lists, sizes);
}

void LayerCutter::cutMeshesShared(const Shares &shares)
{
    const size_t stride = m_layers.size() + 1;
    std::vector<quint32> places = countSegments(shares);
    allocateMeshLists(places, shares.count());
    // Each share's counts become the place of its first segment in every layer: after the earlier shares'.
    for (size_t k = 0; k + 1 < stride; ++k) {
        quint32 running = 0;
        for (int share = 0; share < shares.count(); ++share) {
            quint32 &place = places[size_t(share) * stride + k];
            const quint32 segments = place;
            place = running;
            running += segments;
        }
    }
    std::vector<Seg2f *> lists(m_layers.size());
    for (size_t k = 0; k < m_layers.size(); ++k)
        lists[k] = m_layers[k].meshSegs.data();
    const size_t threads = size_t(workerThreadCount());
    std::vector<EdgePoints> points(threads);
    paralellEach(shares.count(), [&](int share, int slot) {
        EdgePoints &own = points[size_t(slot)];
        own.descending.resize(m_layers.size());
        own.ascending.resize(m_layers.size());
        quint32 *next = places.data() + size_t(share) * stride;
        forEachWorldTriangle(m_scene, shares.begin(share), shares.ends[size_t(share)], [&](const Face &face) {
            if (isFinite(face))
                cutTriangle(face, own, [&](int k, const std::array<float, 2> &from, const std::array<float, 2> &to) {
                    lists[size_t(k)][next[k]++] = Seg2f(from[0], from[1], to[0], to[1]);
                });
        });
    });
}

void LayerCutter::cutBars(float barWidthLimit, float barSlopeLimit)
{
    m_barPoints.descending.resize(m_layers.size());
    m_barPoints.ascending.resize(m_layers.size());
    for (const CutBar &bar : m_bars) {
        const bool everySide = bar.width > barWidthLimit || bar.slope > barSlopeLimit;
        const int groups = std::min(barGroups, bar.body.count() / recordsPerGroup);
        for (int group = everySide ? 0 : 1; group < groups; group += everySide ? 1 : 2) {
            const int first = group * recordsPerGroup;
            const Face &side = bar.body[first + parallelogramRecord];
            if (isFinite(side))
                paralelogramProcess(side.p[0], side.p[1], side.p[2], !everySide);
            for (int r = parallelogramRecord + 1; r < recordsPerGroup; ++r)
                if (isFinite(bar.body[first + r]))
                    cutTriangle(bar.body[first + r], m_barPoints,
                                [&](int k, const std::array<float, 2> &from, const std::array<float, 2> &to) {
                                    m_layers[size_t(k)].supportSegs.emplace_back(from[0], from[1], to[0], to[1]);
                                });
        }
    }
}

void LayerCutter::paralelogramProcess(const V3f &p0, const V3f &p1, const V3f &p2, bool completeSquare)
{
    // Rotate the corners so that a and b share a height; the rotation keeps the winding, so the quad
    // a, b, b + c - a, c faces the way the record does.
    V3f a, b, c;
    if (p0.y == p1.y) {
        a = p0, b = p1, c = p2;
    } else if (p1.y == p2.y) {
        a = p1, b = p2, c = p0;
    } else if (p2.y == p0.y) {
        a = p2, b = p0, c = p1;
    } else {
        throw "FATAL error: paralelogramProcess() invalid input";
    }
    const V3f d = b + c - a;
    const double sEdge = layerUnits(a.y);
    const double sOpposite = layerUnits(c.y);
    if (sEdge == sOpposite || m_layers.empty())
        return;
    const bool edgeBelow = sEdge < sOpposite;
    const auto planes = planeRange(std::min(sEdge, sOpposite), std::max(sEdge, sOpposite), false, layerCount());
    const double step = 1.0 / (sOpposite - sEdge);
    for (int k = planes.first; k < planes.second; ++k) {
        const double t = (k - sEdge) * step;
        const float ax = float(a.x + t * (c.x - a.x)), az = float(a.z + t * (c.z - a.z));
        const float bx = float(b.x + t * (d.x - b.x)), bz = float(b.z + t * (d.z - b.z));
        // Same rule as for triangles: from the edge going down to the edge going up around the quad.
        const Seg2f side = edgeBelow ? Seg2f(ax, az, bx, bz) : Seg2f(bx, bz, ax, az);
        std::vector<Seg2f> &list = m_layers[size_t(k)].supportSegs;
        if (completeSquare) {
            // The cross-section is a square: the next side turns right by a quarter turn, as an outline
            // with the solid on its right does.
            const float ux = side.x1 - side.x0, uz = side.z1 - side.z0;
            list.push_back(side);
            list.emplace_back(side.x1, side.z1, side.x1 + uz, side.z1 - ux);
        } else {
            const float mx = (side.x0 + side.x1) * 0.5f, mz = (side.z0 + side.z1) * 0.5f;
            list.emplace_back(side.x0, side.z0, mx, mz);
            list.emplace_back(mx, mz, side.x1, side.z1);
        }
    }
}

void LayerCutter::trimEmptyTop()
{
    if (m_layers.size() < 2)
        return;
    const SliceLayer &last = m_layers.back();
    if (last.meshSegs.empty() && last.supportSegs.empty())
        m_layers.pop_back();
}
