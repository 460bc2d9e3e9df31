#include "view/camera.h"

#include <QString>
#include <QVector3D>
#include <QVector4D>

#include <algorithm>
#include <cmath>

namespace
{

constexpr float kPi = 3.14159265358979f;
// Distance from the home position to its centre along the view axis (mm).
constexpr float kHomeDistance = 270.0f;
// Orbiting stops short of looking straight down or up, where yaw would spin the view about its axis.
constexpr float kMaxForwardY = 0.995f;

// GL eye space looks down -Z with +X to the right; our eye frame looks along +Z, so its X and Z
// axes are the GL ones reversed (a half turn about Y).
QMatrix4x4 glEyeFlip()
{
    QMatrix4x4 flip;
    flip.rotate(180.0f, 0.0f, 1.0f, 0.0f);
    return flip;
}

double tanHalfFovy(float fovy)
{
    return std::tan(double(fovy) * 0.5 * double(kPi) / 180.0);
}

double aspectOf(const QSize &viewport)
{
    return double(std::max(viewport.width(), 1)) / double(std::max(viewport.height(), 1));
}

} // namespace

QMatrix4x4 toQMatrix(const M44f &m)
{
    QMatrix4x4 q;
    std::copy(m.m, m.m + 16, q.data()); // both column-major
    return q;
}

void Camera::home()
{
    M44f halfTurn = M44f::rotation({0.0f, 1.0f, 0.0f}, kPi);
    halfTurn.setTranslation(halfTurn.translationPart() + V3f(0.0f, 30.0f, kHomeDistance));
    eye = M44f::rotation({1.0f, 0.0f, 0.0f}, -kPi / 6.0f) * halfTurn;
    center = position() + forward() * kHomeDistance;
    fovy = homeFovy;
}

QJsonObject Camera::toJson() const
{
    QJsonObject json;
    for (int i = 0; i < 16; ++i)
        json.insert(QStringLiteral("eye%1").arg(i), double(eye.m[i]));
    for (int i = 0; i < 3; ++i)
        json.insert(QStringLiteral("center%1").arg(i), double(center[i]));
    json.insert(QStringLiteral("fovy"), double(fovy));
    return json;
}

void Camera::fromJson(const QJsonObject &json)
{
    for (int i = 0; i < 16; ++i)
        eye.m[i] = float(json.value(QStringLiteral("eye%1").arg(i)).toDouble(0.0));
    for (int i = 0; i < 3; ++i)
        center[i] = float(json.value(QStringLiteral("center%1").arg(i)).toDouble(0.0));
    fovy = float(json.value(QStringLiteral("fovy")).toDouble(0.0));
}

void Camera::turnAbout(const V3f &pivot, const V3f &axis, float angle, bool moveCenter)
{
    if (angle == 0.0f || !std::isfinite(angle) || axis.normalized().isZero())
        return;
    const M44f turn = M44f::translation(pivot) * M44f::rotation(axis, angle) * M44f::translation(-pivot);
    eye = turn * eye;
    if (moveCenter)
        center = turn.mapPoint(center);
}

float Camera::limitPitch(float pitch) const
{
    // Turning about the right axis by p raises the view direction's elevation by p (up = right x
    // forward, and right stays level), so the elevation can be clamped before turning: a large step
    // could otherwise jump over the vertical and turn the view upside down.
    const float maxElevation = std::asin(kMaxForwardY);
    const float elevation = std::asin(std::clamp(forward().y, -1.0f, 1.0f));
    return std::clamp(elevation + pitch, -maxElevation, maxElevation) - elevation;
}

void Camera::orbit(float yaw, float pitch)
{
    turnAbout(center, {0.0f, 1.0f, 0.0f}, yaw, false);
    turnAbout(center, right(), limitPitch(pitch), false);
}

void Camera::lookAround(float yaw, float pitch)
{
    turnAbout(position(), {0.0f, 1.0f, 0.0f}, yaw, true);
    turnAbout(position(), right(), limitPitch(pitch), true);
}

void Camera::pan(float dx, float dy, const QSize &viewport)
{
    const double depth = std::max(dot(center - position(), forward()), double(nearPlane));
    const float mmPerPixel = float(2.0 * depth * tanHalfFovy(fovy) / std::max(viewport.height(), 1));
    // Dragging right carries the scene right, so the camera goes left.
    const V3f move = right() * (-dx * mmPerPixel) + up() * (dy * mmPerPixel);
    if (!move.isFinite())
        return;
    eye.setTranslation(position() + move);
    center += move;
}

void Camera::zoomTowards(const V3f &target, float factor)
{
    if (!(factor > 0.0f) || !std::isfinite(factor) || !target.isFinite())
        return;
    eye.setTranslation(target + (position() - target) * factor);
    center = target;
}

QMatrix4x4 Camera::viewMatrix() const
{
    return (toQMatrix(eye) * glEyeFlip()).inverted();
}

QMatrix4x4 Camera::projectionMatrix(const QSize &viewport) const
{
    QMatrix4x4 projection;
    projection.perspective(fovy, float(aspectOf(viewport)), nearPlane, farPlane);
    return projection;
}

V3f Camera::unproject(const QPointF &pixel, float distance, const QSize &viewport) const
{
    const double ndcX = 2.0 * pixel.x() / std::max(viewport.width(), 1) - 1.0;
    const double ndcY = 1.0 - 2.0 * pixel.y() / std::max(viewport.height(), 1);
    const double tanHalf = tanHalfFovy(fovy);
    const QVector3D local(float(ndcX * tanHalf * aspectOf(viewport) * distance), float(ndcY * tanHalf * distance),
                          -distance);
    const QVector3D world = (toQMatrix(eye) * glEyeFlip()).map(local);
    return {world.x(), world.y(), world.z()};
}

void Camera::pixelRay(const QPointF &pixel, const QSize &viewport, V3f &origin, V3f &target) const
{
    origin = position();
    target = unproject(pixel, farPlane, viewport);
}

bool Camera::project(const V3f &point, const QSize &viewport, QPointF &pixel, float &distance) const
{
    const QVector4D viewPoint = viewMatrix() * QVector4D(point.x, point.y, point.z, 1.0f);
    distance = -viewPoint.z();
    if (!(distance > 0.0f))
        return false;
    const QVector4D clip = projectionMatrix(viewport) * viewPoint;
    const double ndcX = clip.x() / clip.w(), ndcY = clip.y() / clip.w();
    pixel = QPointF((ndcX + 1.0) * 0.5 * viewport.width(), (1.0 - ndcY) * 0.5 * viewport.height());
    return true;
}
