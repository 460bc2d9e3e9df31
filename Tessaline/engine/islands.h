#pragma once

#include "geometry/v2f.h"
#include "raster/polyline.h"

#include <QVector>

class LayerOrdering;

// Loop and hair paths of one layer (the item of the loop cache), indexed by loop number k: entry 0 holds
// the perimeter and the outer hairs, entry k (1 ... loops - 1) loop k, the last entry the inner hairs.
using LayerShellPaths = QVector<QVector<PolyLine>>;

// One layer's paths grouped by island, ready for ordering: groups[k] holds island k's paths, the last group
// the paths in no island; outlines[k] is island k's outer perimeter.
struct LayerIslands {
    QVector<QVector<PolyLine>> groups;
    QVector<PolyLine> outlines;
};

// The grouping, which needs nothing of the head's position, so layers are grouped side by side.
LayerIslands groupIslands(const LayerShellPaths &shells, QVector<PolyLine> fills);
// Orders the groups into `ordering`: from `position` the island nearest to the head next, the paths in no
// island last. Returns where the head ends.
V2f orderIslands(LayerOrdering &ordering, LayerIslands islands, V2f position);

// Orders one layer's shells and fills island by island into `ordering` (groupIslands, then orderIslands). An island is
// an outer perimeter (anticlockwise) with every path that lies inside it and not inside a smaller outer perimeter: its
// holes, loops, inner hairs and fills. From `position` the island nearest to the head is ordered next; paths in no
// island (outer hairs of free-standing walls, stray fills) come last. Returns where the head ends.
V2f processIslands_and_RemainingHairs(LayerOrdering &ordering, const LayerShellPaths &shells, QVector<PolyLine> fills,
                                      V2f position);

// The grouping itself: for every path of `paths` the island it belongs to (an index into the list of outer
// perimeters, in the order they appear), or -1. Exposed for the tests.
QVector<int> islandOfPaths(const QVector<PolyLine> &paths, int &islandCount);
