#pragma once

#include "raster/polyline.h"

#include <QVector>

class Plane1;

// Cuts paths where they enter and leave a 1-bit mask, e.g. hair lines against the coverage of a layer.
class LineMasker2
{
public:
    // Samples every segment once per extrusion width (round(cellFraction * length) samples from its start) and cuts
    // where the mask bit under the sample changes. Pieces alternate between the path's own type (where the
    // mask is set) and `secondType`; each runs from one cut point through the path's points to the next.
    // The path is treated as open. Fails when there are no samples (all segments shorter than 1.5 pixels).
    static QVector<PolyLine> splitPolyLines(const Plane1 &mask, const PolyLine &line, SegType secondType);
};
