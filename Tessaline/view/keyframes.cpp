#include "view/keyframes.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QMatrix3x3>
#include <QQuaternion>

#include <algorithm>
#include <cmath>

namespace
{

QQuaternion rotationOf(const M44f &m)
{
    float r[9];
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 3; ++col)
            r[row * 3 + col] = m.column(col)[row];
    return QQuaternion::fromRotationMatrix(QMatrix3x3(r)).normalized();
}

V3f mix(const V3f &a, const V3f &b, float t)
{
    return a + (b - a) * t;
}

} // namespace

Camera blendCameras(const Camera &a, const Camera &b, float t)
{
    const QQuaternion turn = QQuaternion::slerp(rotationOf(a.eye), rotationOf(b.eye), t);
    const QMatrix3x3 r = turn.toRotationMatrix();
    const V3f position = mix(a.position(), b.position(), t);
    Camera camera = a;
    for (int col = 0; col < 3; ++col)
        camera.eye.setColumn(col, V3f(r(0, col), r(1, col), r(2, col)));
    camera.eye.setColumn(3, position);
    camera.center = mix(a.center, b.center, t);
    camera.fovy = a.fovy + (b.fovy - a.fovy) * t;
    return camera;
}

int KeyFrames::insert(int index, const Frame &frame)
{
    index = std::clamp(index, 0, count());
    m_frames.insert(m_frames.begin() + index, frame);
    return index;
}

void KeyFrames::set(int index, const Frame &frame)
{
    m_frames.at(size_t(index)) = frame;
}

void KeyFrames::remove(int index)
{
    if (index >= 0 && index < count())
        m_frames.erase(m_frames.begin() + index);
}

int KeyFrames::totalMs() const
{
    int total = 0;
    for (int i = 0; i + 1 < count(); ++i)
        total += m_frames[size_t(i)].durationMs;
    return total;
}

int KeyFrames::frameAt(double ms) const
{
    double start = 0;
    for (int i = 0; i + 1 < count(); ++i) {
        start += m_frames[size_t(i)].durationMs;
        if (ms < start)
            return i;
    }
    return std::max(0, count() - 1);
}

Camera KeyFrames::interpolate(double ms) const
{
    if (m_frames.empty())
        throw "KeyFrames::interpolate(): no keyframes";
    const int i = frameAt(ms);
    if (i + 1 >= count())
        return m_frames.back().camera;
    double start = 0;
    for (int k = 0; k < i; ++k)
        start += m_frames[size_t(k)].durationMs;
    const int duration = std::max(1, m_frames[size_t(i)].durationMs);
    const float t = float(std::clamp((ms - start) / duration, 0.0, 1.0));
    return blendCameras(m_frames[size_t(i)].camera, m_frames[size_t(i) + 1].camera, t);
}

QByteArray KeyFrames::toJson() const
{
    QJsonArray frames;
    for (const Frame &frame : m_frames)
        frames.append(QJsonObject{{"cam", frame.camera.toJson()}, {"duration", frame.durationMs}});
    return QJsonDocument(QJsonObject{{"frames", frames}}).toJson(QJsonDocument::Compact);
}

KeyFrames KeyFrames::fromJson(const QByteArray &json)
{
    KeyFrames list;
    const QJsonArray frames = QJsonDocument::fromJson(json).object().value("frames").toArray();
    for (const QJsonValue &value : frames) {
        const QJsonObject object = value.toObject();
        if (!object.value("cam").isObject())
            continue;
        Frame frame;
        frame.camera.fromJson(object.value("cam").toObject());
        frame.durationMs = std::max(1, object.value("duration").toInt(1000));
        list.m_frames.push_back(frame);
    }
    return list;
}
