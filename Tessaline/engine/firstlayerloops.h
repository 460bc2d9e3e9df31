#pragma once

#include "geometry/v2f.h"
#include "raster/plane1.h"
#include "raster/polyline.h"

#include <QVector>

// What one skirt or brim asks of the loop builder.
struct FirstLayerLoopSettings {
    float offset = 0.0f;    // extrusion widths between the parts and the first loop's edge
    float minLength = 0.0f; // mm of loops at least
    int minCount = 0;       // rings of loops at least; the count wins over the length
    bool brimMode = false;
};

// Hard limit on the rings of one skirt or brim: the plane's margin leaves room for this many, and a longer
// skirt would only delay the print.
constexpr int maxFirstLayerRings = 20;

// Builds skirt or brim loops around `solid` (1 where the first layer has a part), all of type "Skirt". The
// first ring lies `offset` widths out; each further ring lies one width further, so that neighbouring loops
// touch without overlapping. Rings are added until there are at least minCount of them and their total
// length reaches minLength, at most maxFirstLayerRings; a skirt's last ring is then cut where the length is
// reached, a brim keeps whole rings. A skirt goes around everything, so it keeps only outer contours; a brim also lines
// the holes it grows into. Brim loops are finally ordered from the outermost ring inwards, so that the last one printed
// runs along the part.
//
// Units: pixels of `solid`'s plane; `pixelsPerEw` gives the widths, `mmPerPixel` (x and z) the lengths, which
// are measured with the frame's real pixel size so that a skirt is never shorter than asked. `head` is where the head
// is and receives where the loops end. Pure function; the plane must be large enough for the rings (the caller's
// margin).
QVector<PolyLine> buildFirstLayerLoops(const Plane1 &solid, const FirstLayerLoopSettings &settings, float pixelsPerEw,
                                       const V2f &mmPerPixel, V2f &head);

// Length of a path including the closing segment of a closed one, mm.
double loopLength(const PolyLine &path, const V2f &mmPerPixel);
