#include "view/picking.h"

#include "geometry/meshray.h"
#include "scene/project.h"
#include "scene/supports.h"
#include "view/camera.h"

#include <algorithm>
#include <cmath>

namespace
{

constexpr double kDigitScale = 256.0;
constexpr double kCodeSteps = 16777216.0; // 256^3
// Codes whose distance would overflow: the background and anything at the far plane.
constexpr double kLargestCode = 1.0 - 1.0 / kCodeSteps;

} // namespace

double depthCode(double distance)
{
    return distance > 0.0 ? 1.0 - 1.0 / distance : 0.0;
}

double distanceFromDepthCode(double c)
{
    return 1.0 / (1.0 - std::min(c, kLargestCode));
}

DepthPixel encodeDepth(double c)
{
    const double clamped = std::isfinite(c) ? std::clamp(c, 0.0, kLargestCode) : kLargestCode;
    const auto steps = quint32(std::floor(clamped * kCodeSteps));
    return {quint8(steps & 0xFF), quint8((steps >> 8) & 0xFF), quint8(steps >> 16)};
}

std::array<float, 3> depthChannels(double c)
{
    const DepthPixel pixel = encodeDepth(c);
    return {pixel.r / 255.0f, pixel.g / 255.0f, pixel.b / 255.0f};
}

double decodeDepth(const DepthPixel &pixel)
{
    return (pixel.b + pixel.g / kDigitScale + pixel.r / (kDigitScale * kDigitScale)) / kDigitScale;
}

double distanceFromDepthFillCode(double c)
{
    const double n = Camera::nearPlane, f = Camera::farPlane;
    const double windowDepth = 1.0 - std::clamp(c, 0.0, 1.0);
    // The far plane itself (or the cleared texture) stands for the farthest distance there is.
    const double denominator = std::max(f - windowDepth * (f - n), n);
    return n * f / denominator;
}

bool pointUnderCursor(const Camera &camera, const QPointF &pixel, const DepthPixel &depth, const QSize &viewport,
                      V3f &point, DepthSource source)
{
    if (depth == kNoDepthPixel)
        return false;
    const double c = decodeDepth(depth);
    const double distance =
        source == DepthSource::DepthTexture ? distanceFromDepthFillCode(c) : distanceFromDepthCode(c);
    // A cleared depth texture reads as the far plane: nothing there.
    if (source == DepthSource::DepthTexture && distance >= Camera::farPlane * 0.999)
        return false;
    point = camera.unproject(pixel, float(distance), viewport);
    return point.isFinite();
}

int rayQueryBars(const Project &project, const V3f &origin, const V3f &target, V3f &hitPoint, V3f &hitNormal,
                 double &distance)
{
    const V3f dir = target - origin;
    int nearest = -1;
    double nearestT = 1e30;
    for (int i = 0; i < project.supportBars.size(); ++i) {
        const SupportBarRecord &record = project.supportBars[i];
        if (!record.isUsable())
            continue;
        const Faces body = record.bar().body();
        for (const Face &face : body.faces()) {
            double t = 0.0;
            if (dot(dir, face.n) > 0.0 || !rayHitsTriangle(origin, dir, face, t) || t >= nearestT)
                continue;
            nearestT = t;
            nearest = i;
            hitNormal = face.n;
        }
    }
    if (nearest >= 0) {
        hitPoint = origin + dir * float(nearestT);
        distance = (hitPoint - origin).length();
    }
    return nearest;
}

PickHit pickScene(const Project &project, const V3f &origin, const V3f &target)
{
    PickHit hit;
    char usedMode = 'o';
    const int object = rayQuery(project, 'o', origin, target, hit.point, hit.normal, usedMode, hit.distance);
    if (object >= 0) {
        hit.kind = PickHit::Object;
        hit.index = object;
    }
    V3f barPoint, barNormal;
    double barDistance = 1e30;
    const int bar = rayQueryBars(project, origin, target, barPoint, barNormal, barDistance);
    if (bar >= 0 && barDistance < hit.distance) {
        hit = {PickHit::Bar, bar, barPoint, barNormal, barDistance};
    }
    return hit;
}
