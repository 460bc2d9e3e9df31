#pragma once

#include "raster/polyline.h"

#include <QVector>

class TravelRouter;

// How one group of paths is ordered. `scale` (pixels) is the size the other two are measured in: starts
// within 1.5 scales of the head are taken at once, `joinFactor` scales (|dx| + |dy|) bridge two paths of
// the same type into one, and the seam gap (in scales) is left open at the end of every closed path.
struct PathOrderSettings {
    float scale = 1.0f;
    float joinFactor = 0.0f;
    float seamGap = 0.0f;

    // Support-bar paths: the scale follows the thinnest bar, and neighbouring bar lines are bridged.
    static PathOrderSettings supportBars(float smallestBarWidthPixels, float perimeterGap)
    {
        return {0.6f * smallestBarWidthPixels, 2.5f, perimeterGap};
    }
    // Loops, hairs and fills of one island: concentric shells are bridged over half a width, nothing else.
    static PathOrderSettings island(float pixelsPerEw, float perimeterGap, bool concentricShells)
    {
        return {pixelsPerEw, concentricShells ? 0.5f : 0.0f, perimeterGap};
    }
};

// The greedy tool-path ordering of one layer (pixels throughout). From the head position it repeatedly
// takes the path whose start is nearest (findNextPath), starting a closed path at the found point and
// closing it explicitly by repeating that point, taking an open path from the end found. A path of the same
// type as the one before that starts close to its end is appended to it, except perimeters and loops, whose
// seams must stay apart; otherwise the router is asked for the move there, which adds a "Travel" path
// before it when the move is not a near move.
//
// Input: the group's paths, consumed; empty paths are dropped. Output: appended to the layer's ordered
// list, which the G-code writer reads. Works on one layer on one thread.
class PathOrdering
{
public:
    PathOrdering(const PathOrderSettings &settings, TravelRouter &router);

    // Returns where the head ends, the last point of the last path (or `position` for no paths).
    V2f order(QVector<PolyLine> paths, V2f position, QVector<PolyLine> &ordered);

    // A closed path started at `start` and closed explicitly; the seam gap is cut off its end.
    static PolyLine openLoopAt(const PolyLine &loop, int start, float seamGapPixels);

private:
    bool joinable(const PolyLine &previous, const PolyLine &next) const;

    PathOrderSettings m_settings;
    TravelRouter &m_router;
};
