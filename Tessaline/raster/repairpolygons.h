#pragma once

#include "raster/seg2f.h"

#include <vector>

// Closes the gaps of one layer's segments in place by appending bridging segments.
// Endpoints closer than `tolerance` (mm, along x and along z) count as one vertex, the first one met
// standing for all. A vertex with more arrivals than departures is an open end, one with more
// departures an open start; repeatedly the closest pair of an open end and an open start is joined
// (on equal distance the earlier end, then the earlier start, as met in the list), until one kind is
// used up. Existing segments are never moved. Timed as "repairPolygons".
//
// The result is the same as pairing by exhaustive search, but the vertex lookup and the pairing use
// spatial indexes, so even a layer of a million unconnected segments takes seconds, not hours.
void repairPolygons(std::vector<Seg2f> &segs, float tolerance);
