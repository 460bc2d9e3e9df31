#include "view/gcodeoverlay.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace
{

constexpr int kLegendMargin = 12; // from the view's left and bottom edges
constexpr int kLegendPadding = 6; // inside the panel
constexpr int kSwatchSize = 12;
constexpr int kSwatchToLabel = 8;
constexpr int kReadoutOffset = 18; // below and right of the cursor's hot spot
// Travels are lines a pixel wide: the cursor counts as on one within this distance (mm).
constexpr float kTravelPickRadius = 0.3f;

float distanceToSegment(float px, float py, const GCodeSegment &s)
{
    const float dx = s.dx(), dy = s.dy();
    const float length2 = dx * dx + dy * dy;
    float t = length2 > 0 ? ((px - s.x0) * dx + (py - s.y0) * dy) / length2 : 0.0f;
    t = std::clamp(t, 0.0f, 1.0f);
    return std::hypot(px - (s.x0 + t * dx), py - (s.y0 + t * dy));
}

} // namespace

QFont gcodeOverlayFont()
{
    QFont font;
    font.setPixelSize(13);
    return font;
}

GCodeLegendLayout layoutGCodeLegend(const QVector<LegendEntry> &entries, const QSize &view, const QFontMetrics &metrics)
{
    GCodeLegendLayout layout;
    const int rowHeight = std::max(metrics.height(), kSwatchSize) + 4;
    int labelWidth = 0;
    for (const LegendEntry &entry : entries)
        labelWidth = std::max(labelWidth, metrics.horizontalAdvance(entry.label));
    const int width = 2 * kLegendPadding + kSwatchSize + kSwatchToLabel + labelWidth;
    const int height = 2 * kLegendPadding + rowHeight * int(entries.size());
    layout.panel = QRect(kLegendMargin, view.height() - kLegendMargin - height, width, height);
    int y = layout.panel.top() + kLegendPadding;
    for (const LegendEntry &entry : entries) {
        GCodeLegendLayout::Row row;
        const int x = layout.panel.left() + kLegendPadding;
        row.swatch = QRect(x, y + (rowHeight - kSwatchSize) / 2, kSwatchSize, kSwatchSize);
        row.label = QRect(x + kSwatchSize + kSwatchToLabel, y, labelWidth, rowHeight);
        row.entry = entry;
        layout.rows.push_back(row);
        y += rowHeight;
    }
    return layout;
}

QRect placeGCodeReadout(const QPoint &cursor, const QSize &text, const QSize &view)
{
    QRect rect(cursor + QPoint(kReadoutOffset, kReadoutOffset), text);
    if (rect.right() >= view.width())
        rect.moveRight(cursor.x() - kReadoutOffset);
    if (rect.bottom() >= view.height())
        rect.moveBottom(cursor.y() - kReadoutOffset);
    rect.moveLeft(std::max(rect.left(), 0));
    rect.moveTop(std::max(rect.top(), 0));
    return rect;
}

void GCodeHoverIndex::update(const GCodePreview &preview)
{
    // The last layer known may have grown since: measure it again with the new ones.
    if (!m_bounds.empty())
        m_bounds.pop_back();
    for (int l = int(m_bounds.size()); l < preview.layerCount(); ++l) {
        const GCodeLayer &layer = preview.layers()[size_t(l)];
        const float inf = std::numeric_limits<float>::infinity();
        Bounds b{inf, inf, -inf, -inf, layer.endSegment};
        for (int s = layer.firstSegment; s < layer.endSegment; ++s) {
            const GCodeSegment &seg = preview.segments()[size_t(s)];
            b.minX = std::min({b.minX, seg.x0, seg.x1});
            b.minY = std::min({b.minY, seg.y0, seg.y1});
            b.maxX = std::max({b.maxX, seg.x0, seg.x1});
            b.maxY = std::max({b.maxY, seg.y0, seg.y1});
        }
        const float grow = std::max(layer.maxBeadWidth, kTravelPickRadius);
        b = {b.minX - grow, b.minY - grow, b.maxX + grow, b.maxY + grow, layer.endSegment};
        m_bounds.push_back(b);
    }
}

int GCodeHoverIndex::pick(const GCodePreview &preview, GCodePreview::LayerRange layers, bool showTravel,
                          const V3f &origin, const V3f &target) const
{
    const V3f direction = target - origin;
    if (std::fabs(direction.y) < 1e-9f)
        return -1;
    const int last = std::min(layers.last, int(m_bounds.size()) - 1);
    // Layers in the order the ray meets them: from the top down when it looks down.
    const bool down = direction.y < 0;
    for (int i = 0; i <= last - layers.first; ++i) {
        const int l = down ? last - i : layers.first + i;
        const GCodeLayer &layer = preview.layers()[size_t(l)];
        const float t = (layer.z - origin.y) / direction.y;
        if (t < 0)
            continue;
        // G-code X and Y are the scene's x and z.
        const float px = origin.x + t * direction.x, py = origin.z + t * direction.z;
        const Bounds &b = m_bounds[size_t(l)];
        if (px < b.minX || px > b.maxX || py < b.minY || py > b.maxY)
            continue;
        int best = -1;
        float bestDistance = std::numeric_limits<float>::infinity();
        for (int s = layer.firstSegment; s < layer.endSegment; ++s) {
            const GCodeSegment &seg = preview.segments()[size_t(s)];
            if (!seg.extrudes() && !showTravel)
                continue;
            const float reach = seg.extrudes() ? seg.beadWidth : kTravelPickRadius;
            const float distance = distanceToSegment(px, py, seg);
            if (distance <= reach && distance < bestDistance) {
                best = s;
                bestDistance = distance;
            }
        }
        if (best >= 0)
            return best;
    }
    return -1;
}
