#include "scene/project.h"

#include <cmath>

namespace
{

// Below what any printer can resolve: smaller differences are rounding, not edits, so repeating an
// edit (a second Drop, a second reset) records nothing.
constexpr float lengthTolerance = 1e-4f; // mm
constexpr float matrixTolerance = 1e-6f; // relative, for the unitless 3x3 part

bool nearlyEqual3x3(const M44f &a, const M44f &b)
{
    for (int col = 0; col < 3; ++col)
        for (int row = 0; row < 3; ++row) {
            const float x = a[col * 4 + row], y = b[col * 4 + row];
            if (std::fabs(x - y) > matrixTolerance * std::max(1.0f, std::max(std::fabs(x), std::fabs(y))))
                return false;
        }
    return true;
}

// Replaces the three axes of every selected transform by axisOf(transform, axis); translation stays.
// Returns whether any transform changed.
template <typename AxisOf>
bool replaceSelectedAxes(const std::vector<std::unique_ptr<Obj>> &objects, AxisOf axisOf)
{
    bool changed = false;
    for (const auto &obj : objects) {
        if (!obj->selected)
            continue;
        M44f transform = obj->transform();
        for (int axis = 0; axis < 3; ++axis)
            transform.setColumn(axis, axisOf(obj->transform(), axis));
        if (nearlyEqual3x3(transform, obj->transform()))
            continue;
        obj->setTransform(transform);
        changed = true;
    }
    return changed;
}

} // namespace

bool Project::dropSelected()
{
    bool changed = false;
    for (const auto &obj : m_objects) {
        if (!obj->selected)
            continue;
        const float lowest = obj->transformedBounds().min.y;
        if (std::fabs(lowest) <= lengthTolerance)
            continue;
        M44f transform = obj->transform();
        transform[13] -= lowest;
        obj->setTransform(transform);
        changed = true;
    }
    if (changed)
        barsOutdated = true;
    return changed;
}

bool Project::mirrorSelected(int axis)
{
    if (axis < 0 || axis > 2)
        throw QString("FrmMain::mirror() invalid axisId %1").arg(axis);
    if (selectedCount() == 0)
        return false;
    const V3f centre = selectionBounds().center();
    V3f scale(1, 1, 1);
    scale[axis] = -1;
    applyToSelection(M44f::translation(centre) * M44f::scaling(scale) * M44f::translation(-centre));
    return true;
}

bool Project::resetRotation()
{
    // Identity axes scaled by the current axes' lengths: the rotation goes, the scale stays.
    const bool changed = replaceSelectedAxes(m_objects, [](const M44f &transform, int axis) {
        V3f unscaled;
        unscaled[axis] = float(transform.column(axis).length());
        return unscaled;
    });
    barsOutdated = barsOutdated || changed;
    return changed;
}

bool Project::resetScale()
{
    // The current axes' directions at unit length: the scale goes, the rotation stays.
    const bool changed = replaceSelectedAxes(m_objects, [](const M44f &transform, int axis) {
        V3f direction = transform.column(axis).normalized();
        // A flattened axis has no direction left to keep: it gets back its own.
        if (direction.isZero())
            direction[axis] = 1;
        return direction;
    });
    barsOutdated = barsOutdated || changed;
    return changed;
}
