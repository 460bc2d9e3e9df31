#include "geometry/supportbar.h"

#include "geometry/supportbarbody.h"

#include <cmath>

float manhattanDistance(const V3f &a, const V3f &b)
{
    return std::fabs(a.x - b.x) + std::fabs(a.y - b.y) + std::fabs(a.z - b.z);
}

void SupportBar::set(const V3f &anchor, const V3f &end, float width)
{
    m_anchor = anchor;
    m_end = end;
    m_width = width;
    const V3f &low = lower();
    const V3f &high = upper();
    const float rise = high.y - low.y;
    const float run = std::fabs(high.x - low.x) + std::fabs(high.z - low.z);
    // A level bar cannot be cut by the vertical-bar shortcut, so it counts as infinitely sloped.
    m_slope = run == 0.0f ? 0.0f : (rise > 0.0f ? run / rise : INFINITY);
    m_body = isBuildable() ? supportBarBody(low, high, width) : Faces();
    bodyRebuilt = true;
}

float SupportBar::manhattanLength() const
{
    return manhattanDistance(m_anchor, m_end);
}

float SupportBar::distanceToEnds(const V3f &point) const
{
    return std::min(manhattanDistance(point, m_anchor), manhattanDistance(point, m_end));
}

bool SupportBar::isBuildable() const
{
    const bool finite = m_anchor.isFinite() && m_end.isFinite() && std::isfinite(m_width);
    return finite && m_width > 0.0f && m_width <= meshCoordinateLimit && manhattanLength() > 0.0f;
}
