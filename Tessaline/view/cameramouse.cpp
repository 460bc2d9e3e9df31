#include "view/cameramouse.h"

#include <cmath>

namespace
{

// Plate points farther than this many times the centre's distance are not zoomed towards.
constexpr double kFarthestPlateTarget = 4.0;

} // namespace

void dragCamera(Camera &camera, const QPoint &delta, Qt::KeyboardModifiers modifiers, const QSize &viewport)
{
    if (delta.isNull())
        return;
    if (modifiers.testFlag(Qt::ShiftModifier)) {
        camera.pan(float(delta.x()), float(delta.y()), viewport);
        return;
    }
    // Dragging right swings the scene right, dragging down tips its far side up.
    const float yaw = -float(delta.x()) * cameraRadiansPerPixel;
    const float pitch = float(delta.y()) * cameraRadiansPerPixel;
    if (modifiers.testFlag(Qt::ControlModifier))
        camera.lookAround(-yaw, -pitch);
    else
        camera.orbit(yaw, pitch);
}

void zoomCamera(Camera &camera, int angleDelta, const V3f &target)
{
    if (angleDelta == 0 || !target.isFinite())
        return;
    camera.zoomTowards(target, std::pow(cameraZoomPerNotch, float(angleDelta) / 120.0f));
}

V3f zoomTargetOffSurface(const Camera &camera, const V3f &rayOrigin, const V3f &rayTarget)
{
    const V3f dir = rayTarget - rayOrigin;
    if (dir.y < 0.0f && rayOrigin.y > 0.0f) {
        const V3f onPlate = rayOrigin + dir * (-rayOrigin.y / dir.y);
        // A plate point near the horizon would fling the camera kilometres away.
        const double reach = (camera.center - camera.position()).length() * kFarthestPlateTarget;
        if (onPlate.isFinite() && (onPlate - rayOrigin).length() <= reach)
            return V3f(onPlate.x, 0.0f, onPlate.z);
    }
    return camera.center;
}
