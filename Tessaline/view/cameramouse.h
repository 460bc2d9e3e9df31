#pragma once

#include "view/camera.h"

#include <QPoint>
#include <QSize>

// Camera motion by the mouse, the same in every mouse mode: the middle or right button orbits about
// the centre, with SHIFT pans and with CTRL looks around; the wheel zooms towards the point under the
// cursor, which becomes the new centre.

// Radians per pixel dragged when orbiting or looking around.
constexpr float cameraRadiansPerPixel = 0.008f;
// The distance to the target shrinks by this factor per wheel notch (120 eighths of a degree).
constexpr float cameraZoomPerNotch = 0.85f;

// A drag of `delta` logical pixels with the orbiting button held.
void dragCamera(Camera &camera, const QPoint &delta, Qt::KeyboardModifiers modifiers, const QSize &viewport);

// A wheel turn of `angleDelta` eighths of a degree (positive away from the user comes closer)
// towards `target`, the point under the cursor.
void zoomCamera(Camera &camera, int angleDelta, const V3f &target);

// What the wheel zooms towards when the cursor is over the background: where the ray meets the plate,
// or the current centre when it does not (looking up at the sky).
V3f zoomTargetOffSurface(const Camera &camera, const V3f &rayOrigin, const V3f &rayTarget);
