#pragma once

#include "geometry/v2f.h"
#include "raster/plane1.h"
#include "raster/polyline.h"

#include <QVector>

struct SliceContext;
struct FirstLayerFootprint;

// A raft of at most this many layers is printed; more rows is pasted data rather than a raft, and each
// layer costs a full fill of the plate.
constexpr int maxRaftLayers = 100;

// The raft under the first layer: the layers of the RaftConfig table, bottom first, each a line pattern over
// the parts' footprint grown by RaftOffset extrusion widths, written as G-code with the layer writer.
//
// Reads layer 0's coverage and support segments and the settings; appends each raft layer's text to the
// context's raft G-code, raises its raft height by every layer's height (so the object layers stand on top)
// and leaves the last head position where the raft ends. A table with no printable row leaves all three
// alone. Throws for a table of more than maxRaftLayers layers and for an offset that cannot fit in memory.
void buildRaft(SliceContext &context);

// The area a raft covers on the footprint's grown frame (1 inside): the footprint shrunk by one extrusion
// width of cross erosions, so that specks and strips thinner than two widths drop out, then combined with the
// inverted prepared area of layer 0, which puts the objects back whole, and grown by `offsetPixels` (square and
// cross steps alternating). So the raft reaches offsetPixels beyond the objects, and one width less beyond the
// support bars, whose outline only the footprint holds.
Plane1 raftArea(const SliceContext &context, const FirstLayerFootprint &footprint, int offsetPixels);

// Greedy ordering from `head`: the path with the nearest end next, drawn from that end. `head` receives the
// end of the last path.
QVector<PolyLine> orderRaftLines(QVector<PolyLine> lines, V2f &head);
