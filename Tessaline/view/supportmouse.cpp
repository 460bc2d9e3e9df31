// The support tool of the mouse editor: a click on a surface places the bar makeBar finds there, a
// drag draws a bar by hand between two surfaces (or a surface and the plate), SHIFT stands it
// upright, CTRL and a click on a bar removes it.
#include "scene/fileops.h"
#include "scene/project.h"
#include "scene/supports.h"
#include "view/mousemodes.h"

#include <cmath>

namespace
{

// Hand-drawn bars start and end this far off the surfaces, as placed bars do.
constexpr float kSurfaceGap = 0.1f;

bool sameBar(const std::optional<SupportBar> &a, const std::optional<SupportBar> &b)
{
    if (a.has_value() != b.has_value())
        return false;
    return !a || (a->anchor() == b->anchor() && a->end() == b->end() && a->width() == b->width());
}

bool plateUnder(const PointerSample &at, V3f &point)
{
    const V3f dir = at.rayTarget - at.rayOrigin;
    if (!(dir.y < 0.0f) || !(at.rayOrigin.y > 0.0f))
        return false;
    point = at.rayOrigin + dir * (-at.rayOrigin.y / dir.y);
    point.y = 0.0f;
    return point.isFinite();
}

} // namespace

MouseEditor::Result MouseEditor::hoverBar(const PointerSample &at, Qt::KeyboardModifiers modifiers)
{
    std::optional<SupportBar> preview;
    if (!modifiers.testFlag(Qt::ControlModifier) && at.pick.hit.kind == PickHit::Object)
        preview = makeBar(*m_project, at.pick.hit.point, at.pick.hit.normal, m_options.barWidth);
    Result result;
    result.repaint = !sameBar(preview, m_preview);
    m_preview = preview;
    return result;
}

MouseEditor::Result MouseEditor::pressBar(const PointerSample &at, Qt::KeyboardModifiers)
{
    const PickHit &hit = at.pick.hit;
    // Off the objects and bars the left button selects as everywhere else.
    m_tool = hit.kind == PickHit::Nothing ? Tool::Rectangle : Tool::Bar;
    if (hit.kind == PickHit::Object) {
        m_pressPoint = hit.point;
        m_pressNormal = hit.normal;
    }
    return {};
}

std::optional<SupportBar> MouseEditor::freeHandBar(const PointerSample &at, Qt::KeyboardModifiers modifiers) const
{
    if (m_press.pick.hit.kind != PickHit::Object)
        return std::nullopt;
    const V3f anchor = m_pressPoint + m_pressNormal.normalized() * kSurfaceGap;
    V3f end;
    if (at.pick.hit.kind != PickHit::Nothing)
        end = at.pick.hit.point + at.pick.hit.normal.normalized() * kSurfaceGap;
    else if (!plateUnder(at, end))
        return std::nullopt;
    if (modifiers.testFlag(Qt::ShiftModifier)) {
        end.x = anchor.x;
        end.z = anchor.z;
    }
    const SupportBar bar(anchor, end, m_options.barWidth);
    if (!bar.isBuildable() || bar.manhattanLength() < supportMinimumSpacing || !SupportBarRecord::of(bar).isUsable())
        return std::nullopt;
    return bar;
}

MouseEditor::Result MouseEditor::dragBar(const PointerSample &at, Qt::KeyboardModifiers modifiers)
{
    std::optional<SupportBar> preview = freeHandBar(at, modifiers);
    Result result;
    result.repaint = !sameBar(preview, m_preview);
    m_preview = preview;
    return result;
}

MouseEditor::Result MouseEditor::finishBar(const PointerSample &at, Qt::KeyboardModifiers modifiers)
{
    m_preview.reset();
    if (m_pastThreshold) {
        const std::optional<SupportBar> bar = freeHandBar(at, modifiers);
        if (bar)
            m_project->supportBars.append(SupportBarRecord::of(*bar));
        return record(bar.has_value(), "SupportBar create");
    }
    const PickHit &hit = m_press.pick.hit;
    if (hit.kind == PickHit::Bar && modifiers.testFlag(Qt::ControlModifier)) {
        if (hit.index < 0 || hit.index >= m_project->supportBars.size())
            return {};
        m_project->supportBars.remove(hit.index);
        return record(true, "SupportBar remove");
    }
    if (hit.kind != PickHit::Object)
        return {};
    return record(addBar(*m_project, hit.point, hit.normal, m_options.barWidth), "SupportBar create");
}
