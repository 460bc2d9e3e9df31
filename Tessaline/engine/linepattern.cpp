#include "engine/linepattern.h"

#include <QString>

#include <algorithm>
#include <cmath>

namespace
{

constexpr double degreesToRadians = 0.017453292;
// The fill settings allow 0 ... 20 strands per line.
constexpr int maxStrands = 20;

// Liang-Barsky clipping of a + t (b - a), 0 <= t <= 1, to the rectangle [0, maxX] x [0, maxY].
bool clipToRect(V2f &a, V2f &b, float maxX, float maxY)
{
    const double dx = double(b.x) - a.x, dy = double(b.y) - a.y;
    double t0 = 0.0, t1 = 1.0;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {double(a.x), maxX - double(a.x), double(a.y), maxY - double(a.y)};
    for (int k = 0; k < 4; ++k) {
        if (p[k] == 0.0) {
            if (q[k] < 0.0)
                return false;
            continue;
        }
        const double t = q[k] / p[k];
        if (p[k] < 0.0)
            t0 = std::max(t0, t);
        else
            t1 = std::min(t1, t);
    }
    if (t0 > t1)
        return false;
    const V2f start{float(a.x + t0 * dx), float(a.y + t0 * dy)};
    const V2f end{float(a.x + t1 * dx), float(a.y + t1 * dy)};
    a = start;
    b = end;
    return true;
}

QVector<PatternLine> directionLines(int width, int height, double angle, const LinePatternRequest &request, int strands)
{
    const double centreX = (width - 1) * 0.5, centreY = (height - 1) * 0.5;
    const double radius = 0.5 * std::hypot(double(width), double(height));
    const int halfCount = int(std::ceil(radius / request.spacing));
    const double ux = std::cos(angle), uy = std::sin(angle); // along the lines
    const double nx = -uy, ny = ux;                          // across them
    QVector<PatternLine> lines;
    for (int k = -halfCount; k <= halfCount; ++k) {
        for (int s = 0; s < strands; ++s) {
            const double offset = k * double(request.spacing) + (s - (strands - 1) * 0.5) * double(request.strandSpacing);
            const double px = centreX + nx * offset, py = centreY + ny * offset;
            V2f a{float(px - ux * radius), float(py - uy * radius)};
            V2f b{float(px + ux * radius), float(py + uy * radius)};
            if (clipToRect(a, b, float(width - 1), float(height - 1)))
                lines.append({a, b});
        }
    }
    return lines;
}

} // namespace

QVector<QVector<PatternLine>> linePattern(int width, int height, const LinePatternRequest &request)
{
    if (request.pattern < 0 || request.pattern > 3)
        throw QString("Fill pattern %1 is not one of 0 ... 3").arg(request.pattern);
    if (!std::isfinite(request.spacing) || request.spacing < 1.0f)
        throw QString("Fill line spacing %1 pixels is below one pixel").arg(double(request.spacing));
    const int strands = std::clamp(request.strands, 0, maxStrands);
    QVector<QVector<PatternLine>> directions;
    if (request.pattern == 0 || strands == 0 || width <= 0 || height <= 0)
        return directions;
    if (strands > 1 && !std::isfinite(request.strandSpacing))
        throw QString("Fill strand spacing %1 pixels is not a number").arg(double(request.strandSpacing));
    const int turn = request.pattern == 2 ? 90 : 60;
    for (int d = 0; d < request.pattern; ++d) {
        const double angle = double((request.angleDegrees + d * turn) % 360) * degreesToRadians;
        directions.append(directionLines(width, height, angle, request, strands));
    }
    return directions;
}

int fillAngleDegrees(float increment, float base, int layerIndex)
{
    const double angle = double(increment) * layerIndex + double(base);
    if (!std::isfinite(angle))
        throw QString("Fill angle %1 + %2 per layer is not a number").arg(double(base)).arg(double(increment));
    return int(std::trunc(std::fmod(angle, 360.0)));
}
