#include "raster/rasterframesetup.h"

#include <QString>

#include <cmath>

namespace
{

constexpr int pixelAlignment = 32;

// Pixels along one axis, rounded up to the alignment; -1 when the count is beyond any real frame.
qint64 alignedPixels(float extent, float nominalPixel)
{
    const double pixels = std::ceil(double(extent / nominalPixel));
    if (!(pixels <= double(maxFramePixels)))
        return -1;
    const qint64 whole = std::max<qint64>(qint64(pixels), 1);
    return (whole + pixelAlignment - 1) / pixelAlignment * pixelAlignment;
}

} // namespace

RasterFrame setupRasterFrame(const Box3f &box, float extrusionWidth)
{
    if (!(extrusionWidth > 0.0f) || !std::isfinite(extrusionWidth))
        throw "setupRasterFrame() invalid extrusion width";
    const float nominalPixel = extrusionWidth * cellFraction;
    RasterFrame frame;
    frame.minX = box.min.x - extrusionWidth;
    frame.minZ = box.min.z - extrusionWidth;
    frame.maxX = box.max.x + extrusionWidth;
    frame.maxZ = box.max.z + extrusionWidth;
    const float extentX = frame.maxX - frame.minX;
    const float extentZ = frame.maxZ - frame.minZ;
    const qint64 width = alignedPixels(extentX, nominalPixel);
    const qint64 height = alignedPixels(extentZ, nominalPixel);
    if (width < 0 || height < 0 || width * height > maxFramePixels)
        throw QString("setupRasterFrame() The scene is too large to slice: %1 x %2 mm at %3 mm per pixel")
            .arg(double(extentX))
            .arg(double(extentZ))
            .arg(double(nominalPixel));
    frame.width = qint32(width);
    frame.height = qint32(height);
    frame.pixelSizeX = extentX / float(width);
    frame.pixelSizeZ = extentZ / float(height);
    frame.originX = frame.minX;
    frame.originZ = frame.minZ;
    return frame;
}
