#pragma once

#include "plane1.h"
#include "polyline.h"

#include <QVector>

// The lines of one raft layer: the raft area crossed by one, two or three families of parallel lines (the
// pattern's directions, 90 or 60 degrees apart), kept where they run inside the area, as two-point "Raft"
// paths. Consecutive lines of a family run in opposite directions, so that the head zigzags.
//
// Units: pixels of `area` (1 inside), the spacing between neighbouring lines of a family in pixels, the angle
// of the first family in degrees. Runs shorter than `minRun` pixels along both axes are dropped.
QVector<PolyLine> raftLines(const Plane1 &area, int pattern, float spacing, float angleDegrees, float minRun);

// Greedy ordering from `head`: the line with the nearest end next, drawn from that end. `head` receives the
// end of the last line.
QVector<PolyLine> orderRaftLines(QVector<PolyLine> lines, V2f &head);
