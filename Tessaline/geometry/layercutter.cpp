#include "layercutter.h"

#include "perfdata.h"

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

// Planes k with low < k <= high (or low <= k when lowIncluded), limited to 0 ... count - 1, as a
// half-open range; empty when there are none. Computed in double so that far-away input cannot
// overflow the integer conversion.
std::pair<int, int> planeRange(double low, double high, bool lowIncluded, int count)
{
    double first = lowIncluded ? std::ceil(low) : std::floor(low) + 1.0;
    first = std::max(first, 0.0);
    const double last = std::min(std::floor(high), double(count - 1));
    if (!(first <= last))
        return {0, 0};
    return {int(first), int(last) + 1};
}

} // namespace

void LayerCutter::SliceFaces(float bottom, float top, float layerThickness, float firstLayer, float barWidthLimit,
                             float barSlopeLimit)
{
    PerfSection timing(QStringLiteral("SliceFaces"));
    computeBoundingBox();
    buildLayerTable(bottom, top, layerThickness, firstLayer);

    m_cuttingSupport = false;
    forEachWorldTriangle(m_scene, [&](const Face &face) {
        if (isFinite(face))
            cutTriangle(face);
    });
    m_cuttingSupport = true;
    cutBars(barWidthLimit, barSlopeLimit);
    m_cuttingSupport = false;
    trimEmptyTop();
}

void LayerCutter::computeBoundingBox()
{
    bool started = false;
    m_box = Box3f();
    auto include = [&](const Face &face) {
        // Non-finite triangles are never cut, so they must not stretch the frame either.
        if (!isFinite(face))
            return;
        if (!started) {
            m_box = {face.p[0], face.p[0]};
            started = true;
        }
        for (const V3f &p : face.p)
            m_box.include(p);
    };
    forEachWorldTriangle(m_scene, include);
    for (const CutBar &bar : m_bars)
        for (const Face &face : bar.body.faces())
            include(face);
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
    m_descending.assign(size_t(count), {0.0f, 0.0f});
    m_ascending.assign(size_t(count), {0.0f, 0.0f});
}

std::vector<Seg2f> &LayerCutter::targetList(int layer)
{
    SliceLayer &record = m_layers[size_t(layer)];
    return m_cuttingSupport ? record.supportSegs : record.meshSegs;
}

void LayerCutter::cutTriangle(const Face &face)
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
        auto &points = descending ? m_descending : m_ascending;
        for (int k = planes.first; k < planes.second; ++k) {
            points[size_t(k)] = {float(low.x + t * dx), float(low.z + t * dz)};
            t += step;
        }
        firstPlane = std::min(firstPlane, planes.first);
        endPlane = std::max(endPlane, planes.second);
    }
    for (int k = firstPlane; k < endPlane; ++k) {
        const auto &from = m_descending[size_t(k)];
        const auto &to = m_ascending[size_t(k)];
        targetList(k).emplace_back(from[0], from[1], to[0], to[1]);
    }
}

void LayerCutter::cutBars(float barWidthLimit, float barSlopeLimit)
{
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
                    cutTriangle(bar.body[first + r]);
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
