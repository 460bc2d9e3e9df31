#pragma once

#include "geometry/v2f.h"

#include <QVector>

// One straight strand of a fill pattern, clipped to the plane (pixels, pixel centres at whole numbers).
struct PatternLine {
    V2f from;
    V2f to;
};

// What a fill pattern is made of. `pattern` is the number of line directions: 0 "Disabled", 1 "Paralell lines",
// 2 "Square grid" (90 degrees apart), 3 "Triangle grid" (60 degrees apart). Spacings are in pixels, the angle
// in whole degrees (any value; it is taken modulo 360).
struct LinePatternRequest {
    int pattern = 1;
    float spacing = 3.0f;
    int angleDegrees = 0;
    int strands = 1;
    float strandSpacing = 3.0f;
};

// The pattern's strands over a plane of `width` x `height` pixels, one list per direction, in the order the
// lines are placed (their offset from the plane's centre increasing). Lines that miss the plane are left out.
// Throws for a spacing that is not a number or below one pixel and for a pattern outside 0 ... 3.
QVector<QVector<PatternLine>> linePattern(int width, int height, const LinePatternRequest &request);

// The angle of a fill of layer `layerIndex`: increment * layer + base, truncated toward zero to whole degrees
// and reduced modulo 360. Throws when either setting is not a finite number.
int fillAngleDegrees(float increment, float base, int layerIndex);
