#pragma once

#include "geometry/faces.h"
#include "geometry/supportbarbody.h"
#include "geometry/v3f.h"

#include <QtGlobal>

// A support bar: a straight bar of square cross-section (mm) from its anchor, just off an object's
// surface, to its end on the surface below or above or on the plate. The body is rebuilt from the two
// points and the width whenever they change, in the layout the layer cutter reads (supportbarbody.h).
class SupportBar
{
public:
    // The colour a bar is drawn in until the view says otherwise (packed RGB).
    static constexpr quint32 defaultColour = 0xC0FF30;

    SupportBar() = default;
    SupportBar(const V3f &anchor, const V3f &end, float width) { set(anchor, end, width); }

    void set(const V3f &anchor, const V3f &end, float width);

    const V3f &anchor() const { return m_anchor; }
    const V3f &end() const { return m_end; }
    float width() const { return m_width; }
    // (|dx| + |dz|) / dy between the two ends; 0 for a vertical bar, infinite for a level one.
    float slope() const { return m_slope; }
    const Faces &body() const { return m_body; }
    const V3f &lower() const { return m_anchor.y <= m_end.y ? m_anchor : m_end; }
    const V3f &upper() const { return m_anchor.y <= m_end.y ? m_end : m_anchor; }
    float manhattanLength() const;
    // Manhattan distance from the point to the nearer of the two ends.
    float distanceToEnds(const V3f &point) const;
    // A bar of no width or no length has no body worth printing, and a non-finite one none at all.
    bool isBuildable() const;
    CutBar cutBar() const { return CutBar{m_body, m_width, m_slope}; }

    qint32 tag = 0;
    quint32 colour = defaultColour;
    // Set whenever the body has been rebuilt; the view clears it once it has taken the new body.
    bool bodyRebuilt = false;

private:
    V3f m_anchor;
    V3f m_end;
    float m_width = 0.0f;
    float m_slope = 0.0f;
    Faces m_body;
};

float manhattanDistance(const V3f &a, const V3f &b);
