#pragma once

#include "geometry/v3f.h"

#include <QJsonObject>

// Planes that cut the view open, one per scene axis (X, Y up, Z; mm). A side of 0 leaves the axis uncut;
// a positive side keeps what lies at or below the position, a negative side what lies at or above it,
// so the kept part of the scene is always one box.
struct ClipRecord {
    bool enabled = false;
    float pos[3] = {0, 0, 0};
    int side[3] = {0, 0, 0};

    // Keys "enabled", "pos0".."pos2", "side0".."side2"; a side is rounded to the nearest integer and
    // missing keys read false and 0.
    QJsonObject toJson() const;
    static ClipRecord fromJson(const QJsonObject &json);

    // The kept box; without clipping it holds everything.
    void keptBox(V3f &low, V3f &high) const;
    bool keeps(const V3f &point) const;
};
