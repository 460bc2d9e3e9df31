#pragma once

#include "view/camera.h"

#include <QByteArray>

#include <vector>

// A camera flight: camera states, each held for its duration (ms) while the flight moves on to the next.
// Playback asks for the camera at a time from the first frame; the last frame ends the flight.
class KeyFrames
{
public:
    struct Frame {
        Camera camera;
        int durationMs = 1000;
    };

    int count() const { return int(m_frames.size()); }
    const Frame &frame(int index) const { return m_frames.at(size_t(index)); }
    // Inserts before `index` (count() appends); returns where the frame now is.
    int insert(int index, const Frame &frame);
    void set(int index, const Frame &frame);
    void remove(int index);
    void clear() { m_frames.clear(); }

    // The flight's length: every frame's duration but the last one's.
    int totalMs() const;
    // The camera `ms` after the first frame, moving evenly from each frame to the next: the eye's rotation
    // turns along the shortest arc, position, centre and field of view go in straight lines. Before the
    // start and after the end it is the first and the last frame. Throws with no frames.
    Camera interpolate(double ms) const;
    // The frame reached at `ms` (the one the flight is leaving).
    int frameAt(double ms) const;

    // JSON: {"frames": [{"cam": {...}, "duration": ms}, ...]}. Reading skips what it cannot use; a text
    // that is not such a document leaves the list empty.
    QByteArray toJson() const;
    static KeyFrames fromJson(const QByteArray &json);

private:
    std::vector<Frame> m_frames;
};

// The camera a fraction t (0..1) of the way from a to b.
Camera blendCameras(const Camera &a, const Camera &b, float t);
