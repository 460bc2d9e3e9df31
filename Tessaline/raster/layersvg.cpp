#include "raster/layersvg.h"

#include <cmath>

namespace
{

QByteArray number(double v)
{
    return std::isfinite(v) ? QByteArray::number(v, 'f', 3) : QByteArray("0");
}

} // namespace

QByteArray layerSvg(const RasterFrame &frame, const std::vector<Seg2f> &cut, const QVector<PolyLine> &contours)
{
    const double width = frame.width, height = frame.height;
    QByteArray svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"-0.5 -0.5 " + number(width) + " " +
                     number(height) + "\" width=\"" + number(width * 2) + "\" height=\"" + number(height * 2) + "\">\n";
    // Pixel rows count upwards like z; SVG rows count downwards.
    svg +=
        "<g transform=\"translate(0 " + number(height - 1) + ") scale(1 -1)\" fill=\"none\" stroke-width=\"0.15\">\n";
    svg += "<rect x=\"-0.5\" y=\"-0.5\" width=\"" + number(width) + "\" height=\"" + number(height) +
           "\" stroke=\"#bbb\"/>\n";
    // Pixel centres sit at whole numbers, so a mm position maps to half a pixel less than its pixel count.
    auto px = [&](float x) { return (double(x) - frame.originX) / frame.pixelSizeX - 0.5; };
    auto pz = [&](float z) { return (double(z) - frame.originZ) / frame.pixelSizeZ - 0.5; };
    svg += "<path stroke=\"#d22\" d=\"";
    for (const Seg2f &s : cut)
        svg += "M" + number(px(s.x0)) + " " + number(pz(s.z0)) + "L" + number(px(s.x1)) + " " + number(pz(s.z1));
    svg += "\"/>\n<g fill=\"#d22\">";
    for (const Seg2f &s : cut)
        svg += "<circle cx=\"" + number(px(s.x0)) + "\" cy=\"" + number(pz(s.z0)) + "\" r=\"0.2\"/>";
    svg += "</g>\n";
    for (const PolyLine &line : contours) {
        if (line.isEmpty())
            continue;
        svg += "<path stroke=\"#000\" d=\"M";
        for (int i = 0; i < line.count(); ++i)
            svg += (i ? "L" : "") + number(line.points[i].x) + " " + number(line.points[i].y);
        svg += line.closed ? "Z\"/>\n" : "\"/>\n";
    }
    svg += "</g>\n</svg>\n";
    return svg;
}
