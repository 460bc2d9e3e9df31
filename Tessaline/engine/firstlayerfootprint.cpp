#include "engine/firstlayerfootprint.h"

#include "engine/slicecontext.h"
#include "raster/plane8.h"
#include "raster/rasterframesetup.h"

#include <QString>

#include <cmath>
#include <cstring>

namespace
{

constexpr int planeAlignment = 32;

// The slice's coverage of layer 0 copied into the middle of the grown plane.
void embedCoverage(const Plane8 &coverage, int margin, Plane8 &grown)
{
    grown.fill(0);
    if (coverage.isEmpty() || coverage.width() + 2 * margin != grown.width() ||
        coverage.height() + 2 * margin != grown.height())
        return;
    for (int y = 0; y < coverage.height(); ++y)
        std::memcpy(grown.row(y + margin) + margin, coverage.row(y), size_t(coverage.width()));
}

} // namespace

int widthsToPixels(float widths, float pixelsPerEw, const char *key)
{
    if (!std::isfinite(widths))
        throw QString("BrimSkirtRaft() %1 is not a number: %2").arg(key).arg(double(widths));
    // Beyond this no frame fits in memory anyway; the cap keeps the conversion to int defined.
    constexpr float largestPixels = 1.0e7f;
    return int(std::lround(std::fmin(std::fmax(widths, 0.0f) * pixelsPerEw, largestPixels)));
}

FirstLayerFootprint firstLayerFootprint(const SliceContext &context, int marginPixels)
{
    const RasterFrame &frame = context.frame;
    FirstLayerFootprint footprint;
    const qint64 margin = (qint64(marginPixels) + planeAlignment - 1) / planeAlignment * planeAlignment;
    const qint64 width = frame.width + 2 * margin;
    const qint64 height = frame.height + 2 * margin;
    if (width * height > maxFramePixels)
        throw QString("BrimSkirtRaft() The skirt, brim or raft reaches too far: %1 mm around the parts")
            .arg(double(margin) * double(context.nominalPixelSize));
    footprint.margin = int(margin);
    footprint.frame = frame;
    footprint.frame.width = qint32(width);
    footprint.frame.height = qint32(height);
    footprint.frame.originX = frame.originX - float(margin) * frame.pixelSizeX;
    footprint.frame.originZ = frame.originZ - float(margin) * frame.pixelSizeZ;
    footprint.frame.minX = frame.minX - float(margin) * frame.pixelSizeX;
    footprint.frame.minZ = frame.minZ - float(margin) * frame.pixelSizeZ;
    footprint.frame.maxX = frame.maxX + float(margin) * frame.pixelSizeX;
    footprint.frame.maxZ = frame.maxZ + float(margin) * frame.pixelSizeZ;

    Plane8 objects(static_cast<int>(width), static_cast<int>(height));
    embedCoverage(context.coverage, int(margin), objects);
    Plane1::fromPlane8(footprint.solid, objects, 128, false);

    const std::vector<SliceLayer> &layers = context.cutter.layers();
    if (!layers.empty() && !layers.front().supportSegs.empty()) {
        Plane8 bars(static_cast<int>(width), static_cast<int>(height));
        Plane8::fromSegs(bars, layers.front().supportSegs, FrameRect::of(footprint.frame));
        Plane1 barSolid;
        Plane1::fromPlane8(barSolid, bars, 128, false);
        Plane1::bitwiseOp(6, &footprint.solid, &barSolid, nullptr, true);
    }
    return footprint;
}

Plane1 firstLayerEmptyArea(const SliceContext &context, const FirstLayerFootprint &footprint)
{
    Plane8 objects(footprint.frame.width, footprint.frame.height);
    embedCoverage(context.coverage, footprint.margin, objects);
    Plane1 empty;
    Plane1::fromPlane8(empty, objects, 128, true);
    return empty;
}

void coverageOf(const Plane1 &solid, Plane8 &coverage)
{
    coverage.resize(solid.width(), solid.height());
    const quint8 *bits = solid.data();
    quint8 *out = coverage.data();
    const qint64 pixels = qint64(solid.width()) * solid.height();
    for (qint64 i = 0; i < pixels; ++i)
        out[i] = ((bits[i >> 3] >> (i & 7)) & 1) ? 255 : 0;
}
