#pragma once

struct SliceContext;

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
