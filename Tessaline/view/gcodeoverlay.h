#pragma once

#include "geometry/v3f.h"
#include "view/gcodecolors.h"
#include "view/gcodepreview.h"

#include <QFont>
#include <QFontMetrics>
#include <QMatrix4x4>
#include <QRect>
#include <QSize>
#include <QVector>

#include <vector>

// What the G-code view shows, as the window's G-code panel chooses it.
struct GCodeDrawOptions {
    bool shown = false; // the G-code view is the one on screen
    int topLayer = 0;
    int additionalLayers = 0;
    int coloring = int(GCodeColoring::Type);
    bool showTravel = false;
    bool showLegend = false;
    int heatRamp = 0; // row of "heatPalette.png", clamped to 0..8
    // From G-code coordinates (X, height, Y) to the scene: the printer's origin and axis directions
    // undone. For a MachineRecord m: translate(m.originX - m.buildWidth / 2, 0, m.originZ -
    // m.buildDepth / 2) * scale(m.signX, 1, m.signZ).
    QMatrix4x4 placement;
};

// The font of the legend and the read-out.
QFont gcodeOverlayFont();

// The colour key in the view's lower left corner: one row per entry, a swatch and its label, on a
// dark panel. Logical pixels of the view, y down.
struct GCodeLegendLayout {
    struct Row {
        QRect swatch;
        QRect label;
        LegendEntry entry;
    };
    QRect panel;
    std::vector<Row> rows;
};
GCodeLegendLayout layoutGCodeLegend(const QVector<LegendEntry> &entries, const QSize &view,
                                    const QFontMetrics &metrics);

// Where the hover read-out stands: beside the cursor, pushed inside the view.
QRect placeGCodeReadout(const QPoint &cursor, const QSize &text, const QSize &view);

// Finds the drawn move under the cursor without drawing anything: the ray from the eye meets each
// visible layer's plane, and the first layer along the ray that has a move close to that point (on
// its bead, or near a travel line when travels are shown) gives its nearest move. Layer bounds are
// kept so that layers away from the ray cost nothing.
class GCodeHoverIndex
{
public:
    // The preview was replaced: forget every layer.
    void reset() { m_bounds.clear(); }
    // Bounds for the layers the preview has now (its last layer may have grown).
    void update(const GCodePreview &preview);
    // The segment number under the ray origin -> target, or -1.
    int pick(const GCodePreview &preview, GCodePreview::LayerRange layers, bool showTravel, const V3f &origin,
             const V3f &target) const;

private:
    struct Bounds {
        float minX, minY, maxX, maxY;
        int endSegment;
    };
    std::vector<Bounds> m_bounds;
};
