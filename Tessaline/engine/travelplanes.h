#pragma once

#include "raster/plane1.h"

// Where the head may travel over printed material on one layer. Built by the ordering stage from the
// layer's area plane and those of the layers just below and above (the driver clamps those indexes to the
// layer range, so the first and the last layer count themselves as their neighbour). All three inputs follow
// the layer-plane convention: a set bit is empty, a clear bit is solid.
//
// A pixel is safe to travel over when it lies deep inside this layer's solid, at least 1.333 extrusion
// widths in from its outline (so ooze and strings stay off the outer wall), and a neighbouring layer is solid
// there too (a lone one-layer sheet gives nothing to hide a string in). The un-eroded area is kept for the
// short legs that join a path's end on the wall to the safe interior.
class TravelPlanes
{
public:
    TravelPlanes() = default;
    TravelPlanes(const Plane1 &area, const Plane1 &below, const Plane1 &above, float pixelsPerEw);

    bool isEmpty() const { return m_area.isEmpty(); }
    int width() const { return m_area.width(); }
    int height() const { return m_area.height(); }

    // Pixels outside the planes are neither safe nor solid.
    bool isSafe(int x, int y) const { return inside(x, y) && !m_inner.pixel(x, y) && !m_neighbours.pixel(x, y); }
    bool isSolid(int x, int y) const { return inside(x, y) && !m_area.pixel(x, y); }

    // The two planes themselves: the area eroded by 1.333 EW, and the neighbours' areas combined.
    const Plane1 &inner() const { return m_inner; }
    const Plane1 &neighbours() const { return m_neighbours; }

    // How many pixels the safe interior lies in from the outline (cross erosions).
    int depth() const { return m_depth; }

    // Cross erosions that take the area 1.333 extrusion widths in.
    static int erosionSteps(float pixelsPerEw);

private:
    bool inside(int x, int y) const { return x >= 0 && y >= 0 && x < m_area.width() && y < m_area.height(); }

    Plane1 m_area;
    Plane1 m_inner;
    Plane1 m_neighbours;
    int m_depth = 0;
};
