#pragma once

#include "raster/polyline.h"

#include <QVector>

// Puts back the sharp outer corners that the raster offset rounds: where two long straight edges of a
// closed path are joined by a short run of segments, the edges are extended to their intersection and the
// run is replaced by that one point. Pixels throughout.
struct CornerRepair {
    double straightLength = 5.0; // an edge is straight when it (with its nearly collinear neighbour) is this long
    double longestRunSegment = 6.0;
    double collinearSine = 0.03;

    void repair(PolyLine &path) const;
    void repair(QVector<PolyLine> &paths) const
    {
        for (PolyLine &path : paths)
            repair(path);
    }
};
