#pragma once

#include "raster/polyline.h"

#include <QVector>

// Where the greedy path ordering continues: the path to print next and the point it starts at.
struct NextPath {
    int path = -1;  // index into the candidate list, -1 when the list is empty
    int point = -1; // start point: any point of a closed path, the first or (reversed) the last of an open one
};

// The candidate start nearest to `position` (pixels). Candidates are walked in list order and replace the
// best only when strictly nearer, so the first of equally near starts wins; the walk stops at the first best
// that lies within 1.5 * `tolerance`, which is near enough and keeps long lists cheap. Empty paths are never
// candidates.
NextPath findNextPath(const QVector<PolyLine> &paths, const V2f &position, float tolerance, bool allowReverse);
