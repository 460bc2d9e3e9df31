#include "engine/travelplanes.h"

#include <cmath>

namespace
{

// How far in from the outline travel may run, in extrusion widths: past the perimeter and the first loop.
constexpr float innerDepthEw = 1.333f;

} // namespace

int TravelPlanes::erosionSteps(float pixelsPerEw)
{
    // Beyond this the interior is gone on any plane the slicer can hold anyway.
    constexpr float deepest = 4096.0f;
    const float steps = std::floor(pixelsPerEw * innerDepthEw + 0.5f);
    return steps > 0.0f ? int(std::fmin(steps, deepest)) : 0;
}

TravelPlanes::TravelPlanes(const Plane1 &area, const Plane1 &below, const Plane1 &above, float pixelsPerEw)
{
    if (area.isEmpty())
        return;
    if (!area.sameSize(below) || !area.sameSize(above))
        throw "TravelPlanes() neighbouring layer planes differ in size";
    area.copyTo(m_area);

    // Layer planes mark empty pixels, so eroding the solid grows the set bits.
    Plane1 scratch;
    area.copyTo(m_inner);
    m_depth = erosionSteps(pixelsPerEw);
    for (int step = m_depth; step > 0; --step) {
        m_inner.offset1(scratch, 'o');
        std::swap(m_inner, scratch);
    }

    // Empty in both neighbours: no layer around to cover a string there.
    Plane1::bitwiseOp(1, &m_neighbours, &below, nullptr, true);
    Plane1::bitwiseOp(2, &m_neighbours, &above, nullptr, true);
}
