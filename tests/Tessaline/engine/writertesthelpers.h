#pragma once

// Generated layers for the writer and ordering tests.
#include "engine/layerwriter.h"
#include "engine/machinerecord.h"
#include "raster/polyline.h"
#include "raster/rasterframe.h"

#include <QVector>

#include <cmath>
#include <random>

// A frame of 0.125 mm pixels (exact in binary, so distances in tests are exact) with its corner at the origin.
inline RasterFrame testFrame(int width = 1024, int height = 1024, float pixelSize = 0.125f)
{
    RasterFrame frame;
    frame.width = width;
    frame.height = height;
    frame.pixelSizeX = pixelSize;
    frame.pixelSizeZ = pixelSize;
    return frame;
}

// Maps the frame's pixel (0, 0) onto printer (0, 0), the axes unturned.
inline MachineRecord testMachine()
{
    MachineRecord machine;
    machine.buildWidth = 0.0f;
    machine.buildDepth = 0.0f;
    machine.originX = 0.0f;
    machine.originZ = 0.0f;
    machine.signX = 1.0f;
    machine.signZ = 1.0f;
    return machine;
}

inline PolyLine makePath(SegType type, const QVector<V2f> &points, bool closed = false)
{
    PolyLine path(type);
    path.points = points;
    path.closed = closed;
    return path;
}

// Random open and closed paths of random types (no Travel) inside [margin, size - margin].
inline QVector<PolyLine> randomPaths(std::mt19937 &random, int count, float size, float margin = 20.0f)
{
    static const SegType types[] = {SegType::Perimeter,   SegType::Loop,  SegType::HShell,    SegType::Infill,
                                    SegType::Support,     SegType::Skirt, SegType::OuterHair, SegType::InnerHair,
                                    SegType::SoftSupport, SegType::Raft};
    std::uniform_real_distribution<float> coordinate(margin, size - margin);
    std::uniform_int_distribution<int> typeIndex(0, int(std::size(types)) - 1);
    std::uniform_int_distribution<int> pointCount(2, 8);
    std::bernoulli_distribution closed(0.3);
    QVector<PolyLine> paths;
    for (int i = 0; i < count; ++i) {
        PolyLine path(types[typeIndex(random)]);
        const int n = pointCount(random);
        V2f at(coordinate(random), coordinate(random));
        for (int k = 0; k < n; ++k) {
            path.points.append(at);
            std::uniform_real_distribution<float> step(-15.0f, 15.0f);
            // Reflected at the margins rather than clamped, so that no two points coincide.
            const auto reflect = [&](float v) {
                return v < margin ? 2 * margin - v : v > size - margin ? 2 * (size - margin) - v : v;
            };
            at = V2f(reflect(at.x + step(random)), reflect(at.y + step(random)));
        }
        path.closed = n >= 3 && closed(random);
        paths.append(path);
    }
    return paths;
}
