#pragma once

#include "geometry/m44f.h"
#include "geometry/v3f.h"

#include <QJsonObject>
#include <QMatrix4x4>
#include <QPointF>
#include <QSize>

// The view's camera (mm, scene frame, Y up). `eye` is the camera-to-world matrix: its translation is
// the camera position, its local +Z axis the direction it looks in and its local +Y axis up (so the
// home view, a half turn about Y, looks from the front towards the plate). `center` is the point the
// camera orbits and zooms around; `fovy` the vertical field of view in degrees.
//
// Pixel positions are in the widget's device pixels, origin at the top-left corner, as mouse events
// give them; a pixel's centre is at +0.5.
class Camera
{
public:
    static constexpr float homeFovy = 60.0f;
    // Depth range of the projection (mm from the camera): the plate and the sky dome fit inside.
    static constexpr float nearPlane = 1.0f;
    static constexpr float farPlane = 20000.0f;

    M44f eye;
    V3f center;
    float fovy = homeFovy;

    Camera() { home(); }

    // Eye = a half turn about Y, moved to (0, 30, 270), then turned by -π/6 about the world X axis
    // (so the camera looks down at the plate from the front); the centre is the point 270 mm ahead.
    void home();

    // Keys "eye0".."eye15", "center0".."center2", "fovy"; a missing key reads 0.
    QJsonObject toJson() const;
    void fromJson(const QJsonObject &json);

    V3f position() const { return eye.translationPart(); }
    V3f forward() const { return eye.column(2).normalized(); }
    V3f up() const { return eye.column(1).normalized(); }
    // Towards the right edge of the screen.
    V3f right() const { return (eye.column(0) * -1.0f).normalized(); }

    // Turns the camera about the centre: yaw about the world Y axis, pitch about the camera's right
    // axis (radians; positive pitch raises the view). The distance to the centre is kept; the pitch
    // stops short of looking straight down or up.
    void orbit(float yaw, float pitch);
    // Moves camera and centre together by a drag of (dx, dy) pixels, scaled so that the centre's
    // depth moves with the cursor.
    void pan(float dx, float dy, const QSize &viewport);
    // Turns the camera about its own position (radians, pitch limited as in orbit); the centre turns
    // with it.
    void lookAround(float yaw, float pitch);
    // Moves the camera along the line to `target` so that its distance becomes `factor` times the
    // old one (factor < 1 comes closer). The target keeps its place on screen and becomes the centre.
    void zoomTowards(const V3f &target, float factor);

    // World to GL eye space (looking down -Z).
    QMatrix4x4 viewMatrix() const;
    QMatrix4x4 projectionMatrix(const QSize &viewport) const;

    // The world point at `distance` mm along the view axis under the pixel position.
    V3f unproject(const QPointF &pixel, float distance, const QSize &viewport) const;
    // The ray under a pixel position: from the camera position towards a point far beyond the scene.
    void pixelRay(const QPointF &pixel, const QSize &viewport, V3f &origin, V3f &target) const;
    // Where a world point appears (pixel position) and its distance along the view axis; false when
    // it lies behind the camera.
    bool project(const V3f &point, const QSize &viewport, QPointF &pixel, float &distance) const;

private:
    // The part of a pitch (radians) that keeps the view direction short of the vertical.
    float limitPitch(float pitch) const;
    // Rotation about an axis through a point, applied to the eye (and optionally the centre).
    void turnAbout(const V3f &pivot, const V3f &axis, float angle, bool moveCenter);
};

QMatrix4x4 toQMatrix(const M44f &m);
