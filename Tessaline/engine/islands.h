#pragma once

#include "polyline.h"
#include "v2f.h"

#include <QVector>

class LayerOrdering;

// Loop and hair paths of one layer (the item of the loop cache), indexed by loop number k: entry 0 holds
// the perimeter and the outer hairs, entry k (1 ... loops - 1) loop k, the last entry the inner hairs.
using LayerShellPaths = QVector<QVector<PolyLine>>;

// Orders one layer's shells and fills island by island into `ordering`. An island is an outer perimeter
// (anticlockwise) with every path that lies inside it and not inside a smaller outer perimeter: its holes,
// loops, inner hairs and fills. From `position` the island nearest to the head is ordered next; paths in no
// island (outer hairs of free-standing walls, stray fills) come last. Returns where the head ends.
V2f processIslands_and_RemainingHairs(LayerOrdering &ordering, const LayerShellPaths &shells, QVector<PolyLine> fills,
                                      V2f position);

// The grouping itself: for every path of `paths` the island it belongs to (an index into the list of outer
// perimeters, in the order they appear), or -1. Exposed for the tests.
QVector<int> islandOfPaths(const QVector<PolyLine> &paths, int &islandCount);
