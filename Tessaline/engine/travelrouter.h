#pragma once

#include "engine/travelplanes.h"
#include "raster/polyline.h"

#include <QtGlobal>

#include <vector>

// Plans the head's moves between the paths of one layer. A move short enough to be a near move of the
// writer needs no route. A longer one becomes a "Travel" path from the head position to the next path's
// start: straight when the straight line stays over printed material, else around holes through the safe
// interior found on a coarse grid, and only when no such route exists a straight line with the retract flag
// set, so that the writer retracts before crossing empty space.
//
// Inputs: the layer's travel planes (pixels), the mm per pixel along x and z and the near-move distance in
// mm. One router belongs to one layer and one thread; it reads the planes it is given (which must outlive it)
// and keeps its search arrays between routes.
class TravelRouter
{
public:
    TravelRouter(const TravelPlanes &planes, float mmPerPixelX, float mmPerPixelZ, float nearDistanceMm);
    TravelRouter(const TravelRouter &) = delete;
    TravelRouter &operator=(const TravelRouter &) = delete;

    // An empty path when the move is a near move; otherwise a Travel path whose point 0 is `from` and whose
    // last point is `to`.
    PolyLine route(const V2f &from, const V2f &to);
    // Builds the routing grid now rather than at the first move that needs it, so that a thread with time to
    // spare can do it ahead of the ordering.
    void prepare() { buildGrid(); }

private:
    struct Leg {
        V2f from;
        V2f to;
    };

    double distanceMm(const V2f &a, const V2f &b) const;
    // Every pixel under the segment is safe, or solid where it lies within the leg length of a route end.
    bool segmentClear(const V2f &a, const V2f &b, const Leg &ends) const;
    bool pixelAllowed(int x, int y, const Leg &ends) const;
    bool segmentOverMaterial(const V2f &a, const V2f &b, const Leg &ends) const;
    template <class Allowed> bool allPixels(const V2f &a, const V2f &b, Allowed &&allowed) const;

    void buildGrid();
    int cellAt(int cx, int cy) const { return cy * m_gridWidth + cx; }
    V2f cellCentre(int cell) const;
    // The nearest safe cell that a straight leg from `point` reaches; -1 when there is none.
    int entryCell(const V2f &point, const Leg &ends) const;
    // Cells from `start` to `goal` (both included), empty when they are not connected.
    std::vector<int> searchCells(int start, int goal);
    // Drops the corners the head can cut straight across.
    QVector<V2f> pullTight(const QVector<V2f> &corners, const Leg &ends) const;

    const TravelPlanes &m_planes;
    float m_mmPerPixelX;
    float m_mmPerPixelZ;
    float m_nearDistanceMm;
    float m_legLength; // pixels

    int m_cellSize = 1;
    int m_gridWidth = 0;
    int m_gridHeight = 0;
    bool m_gridBuilt = false;
    std::vector<quint8> m_safeCells;
    std::vector<int> m_component; // connected part of each safe cell, -1 elsewhere
    std::vector<int> m_cost;
    std::vector<int> m_parent;
    std::vector<quint32> m_visited; // search generation that last touched the cell
    quint32 m_generation = 0;
};
