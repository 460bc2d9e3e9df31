#pragma once

#include <QVector>

// Free places on the build plate for rectangular footprints (mm, plate coordinates x and z).
// A footprint is an object's bounding rectangle enlarged by the margin on every side, so footprints
// that merely touch keep their objects two margins apart.
struct Footprint {
    float x = 0;     // centre
    float z = 0;     // centre
    float halfX = 0; // half extent, margin included
    float halfZ = 0;

    bool overlaps(const Footprint &o) const;
};

constexpr float arrangeMargin = 10.0f; // mm on every side of an object

// The centre for a footprint of the given half extents beside those placed, overlapping none of them:
// of the places touching a placed footprint along a side (centred on it or flush with either of its
// corners), the one that keeps the whole arrangement smallest around (0, 0); the first such place
// wins a tie. With nothing placed the footprint goes to (0, 0).
Footprint findPlace(const QVector<Footprint> &placed, float halfX, float halfZ);
