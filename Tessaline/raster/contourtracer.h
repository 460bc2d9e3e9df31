#pragma once

#include "raster/plane8.h"
#include "raster/polyline.h"

#include <QVector>

class Plane1;

// Traces the level-128 iso-lines of `source` into polylines with sub-pixel crossing points (pixel centres at
// whole numbers) and appends them to `out`. Every contour has the pixels at or above 128 on its left with
// x to the right and y up: outer contours anticlockwise, holes clockwise. Contours that close are marked
// closed; ones cut by the plane border stay open. Paths of 3 points or fewer are dropped, the rest get `type`
// and are simplified with `tolerance`.
// `tiles` is the tile map of the source (uniform 0 tiles hold only values below 128, uniform 255 tiles only
// values at or above it); `visited` is scratch, sized and cleared here. Runs on the worker threads; the
// result does not depend on their number.
void contourDetect3(QVector<PolyLine> &out, const Plane8 &source, Plane1 &visited, const TileMap &tiles, SegType type,
                    float tolerance);
