#include "view/mousemodes.h"

#include "scene/fileops.h"
#include "scene/project.h"

#include <algorithm>
#include <cmath>

namespace
{

constexpr float kPi = 3.14159265358979f;
constexpr float kRadiansPerDegree = kPi / 180.0f;
// Scaling stops here, so that a long drag cannot shrink an object to nothing or blow it up beyond the
// scene's coordinate range.
constexpr float kSmallestScale = 1e-3f;
constexpr float kLargestScale = 1e3f;
// The length (mm) of the axis stubs projected to find which world axis a drag follows on screen.
constexpr float kAxisProbeLength = 10.0f;

int pixelDistance(const QPoint &a, const QPoint &b)
{
    return (a - b).manhattanLength();
}

bool holds(Qt::KeyboardModifiers modifiers, Qt::KeyboardModifier modifier)
{
    return modifiers.testFlag(modifier);
}

// Where the ray through the sample's pixel meets the level plane at height y; false when it runs
// level or away from it.
bool rayAtHeight(const PointerSample &at, float y, V3f &point)
{
    const V3f dir = at.rayTarget - at.rayOrigin;
    if (!(std::fabs(dir.y) > 1e-9f))
        return false;
    const float t = (y - at.rayOrigin.y) / dir.y;
    if (!(t > 0.0f))
        return false;
    point = at.rayOrigin + dir * t;
    return point.isFinite();
}

// A unit vector at right angles to the unit vector v: the X axis unless v runs along it.
V3f perpendicularTo(const V3f &v)
{
    if (std::fabs(v.x) < 0.9f)
        return (V3f(1, 0, 0) - v * float(v.x)).normalized();
    return (V3f(0, 0, 1) - v * float(v.z)).normalized();
}

} // namespace

bool PointerSample::surfacePoint(V3f &point) const
{
    if (pick.hasPoint) {
        point = pick.point;
        return true;
    }
    if (pick.hit.kind != PickHit::Nothing) {
        point = pick.hit.point;
        return true;
    }
    return false;
}

M44f dropPlaneMatrix(const V3f &n, const V3f &t, const V3f &pivot, float roll)
{
    const V3f unitN = n.normalized(), unitT = t.normalized();
    const float angle = float(std::acos(std::clamp(dot(unitN, unitT), -1.0, 1.0)));
    // The axis n × t carries n exactly onto t for as long as the cross product has a direction; a
    // fixed axis for nearly parallel normals would leave a slightly tilted face tilted. Only when n
    // and t are parallel or opposite is any axis at right angles to t taken (the X axis for the
    // plate), which turns an opposite n by half a turn onto t.
    const V3f exact = cross(unitN, unitT);
    const V3f axis = exact.length() > 1e-6 ? exact.normalized() : perpendicularTo(unitT);
    // The roll turns about t once n lies on it, so the face stays where it was laid (rolling about t
    // before laying would tip n off t again).
    return M44f::translation(pivot) * M44f::rotation(unitT, roll) * M44f::rotation(axis, angle) *
           M44f::translation(-pivot);
}

float snapAngle(float angle, float step)
{
    if (!(step > 0.0f))
        return angle;
    return std::round(angle / step) * step;
}

MouseEditor::Result &MouseEditor::Result::operator|=(const Result &o)
{
    edited = edited || o.edited;
    selectionChanged = selectionChanged || o.selectionChanged;
    repaint = repaint || o.repaint;
    return *this;
}

void MouseEditor::setScene(Project *project, FileOps *fileOps)
{
    m_project = project;
    m_fileOps = fileOps;
    sceneReplaced();
}

void MouseEditor::setMode(MouseMode mode)
{
    m_mode = mode == MouseMode::DragSelect ? MouseMode::Select : mode;
}

void MouseEditor::setSupport(bool support)
{
    m_support = support;
    m_preview.reset();
}

MouseMode MouseEditor::mode() const
{
    return m_tool == Tool::Rectangle && m_pastThreshold ? MouseMode::DragSelect : m_mode;
}

void MouseEditor::sceneReplaced()
{
    m_pressed = false;
    m_pastThreshold = false;
    m_tool = Tool::None;
    m_hover = PickHit();
    m_preview.reset();
    m_startSelection.clear();
    m_startTransforms.clear();
}

int MouseEditor::hoveredObject() const
{
    const bool valid = m_project && m_hover.kind == PickHit::Object && m_hover.index < m_project->objectCount();
    return valid ? m_hover.index : -1;
}

int MouseEditor::hoveredBar() const
{
    const bool valid = m_project && m_hover.kind == PickHit::Bar && m_hover.index < m_project->supportBars.size();
    return valid ? m_hover.index : -1;
}

bool MouseEditor::barWouldBeRemoved() const
{
    return m_support && holds(m_modifiers, Qt::ControlModifier) && hoveredBar() >= 0;
}

std::optional<QRect> MouseEditor::dragRect() const
{
    if (!m_pressed || m_tool != Tool::Rectangle || !m_pastThreshold)
        return std::nullopt;
    return QRect(m_press.pixel, m_last.pixel).normalized();
}

MouseEditor::Result MouseEditor::press(const PointerSample &at, Qt::KeyboardModifiers modifiers, const Camera &,
                                       const QSize &)
{
    if (!m_project)
        return {};
    Result result = hover(at, modifiers);
    m_pressed = true;
    m_pastThreshold = false;
    m_press = at;
    m_cloned = false;
    m_scaleAxis = -1;
    m_startSelection = currentSelection();
    m_startTransforms.clear();
    if (m_support) {
        result |= pressBar(at, modifiers);
        return result;
    }
    const bool onObject = at.pick.hit.kind == PickHit::Object;
    m_tool = Tool::Rectangle;
    if (onObject) {
        m_pressNormal = at.pick.hit.normal;
        if (!at.surfacePoint(m_pressPoint))
            m_pressPoint = at.pick.hit.point;
        // The face under the cursor, not the depth pass's approximation of it, is what gets laid down.
        if (m_mode == MouseMode::DropPlane)
            m_pressPoint = at.pick.hit.point;
        switch (m_mode) {
        case MouseMode::Move:
            m_tool = Tool::Move;
            break;
        case MouseMode::Rotate:
            m_tool = Tool::Rotate;
            break;
        case MouseMode::Scale:
            m_tool = Tool::Scale;
            break;
        case MouseMode::DropPlane:
            m_tool = Tool::DropPlane;
            break;
        default:
            break;
        }
    }
    return result;
}

MouseEditor::Result MouseEditor::move(const PointerSample &at, Qt::KeyboardModifiers modifiers, const Camera &camera,
                                      const QSize &viewport)
{
    m_modifiers = modifiers;
    if (!m_project)
        return {};
    if (!m_pressed)
        return hover(at, modifiers);
    m_last = at;
    Result result;
    if (m_tool == Tool::Rectangle || m_tool == Tool::DropPlane || m_tool == Tool::Bar) {
        result.repaint = m_hover.kind != at.pick.hit.kind || m_hover.index != at.pick.hit.index;
        m_hover = at.pick.hit;
    }
    if (!m_pastThreshold) {
        if (pixelDistance(at.pixel, m_press.pixel) < dragThreshold)
            return result;
        m_pastThreshold = true;
        result |= startTool(modifiers, camera, viewport);
    }
    result |= dragTool(at, modifiers, camera, viewport);
    return result;
}

MouseEditor::Result MouseEditor::release(const PointerSample &at, Qt::KeyboardModifiers modifiers, const Camera &camera,
                                         const QSize &viewport)
{
    if (!m_pressed || !m_project)
        return {};
    m_last = at;
    m_modifiers = modifiers;
    Result result;
    if (!m_pastThreshold && pixelDistance(at.pixel, m_press.pixel) >= dragThreshold) {
        m_pastThreshold = true;
        result |= startTool(modifiers, camera, viewport);
    }
    // The release's own position is the drag's last.
    if (m_pastThreshold)
        result |= dragTool(at, modifiers, camera, viewport);
    if (m_pastThreshold)
        result |= finishTool(at, modifiers);
    else if (m_tool == Tool::Bar)
        result |= finishBar(at, modifiers);
    else if (m_tool == Tool::DropPlane)
        result |= record(finishDropPlane(at, modifiers), "dropPlane");
    else
        result |= clickSelect(m_press, modifiers);
    const bool selectionWasDragged = m_tool == Tool::Rectangle && m_pastThreshold;
    m_pressed = false;
    m_pastThreshold = false;
    m_tool = Tool::None;
    m_startTransforms.clear();
    m_preview.reset();
    result |= hover(at, modifiers);
    result.selectionChanged = result.selectionChanged || selectionWasDragged;
    result.repaint = true;
    return result;
}

MouseEditor::Result MouseEditor::modifiersChanged(Qt::KeyboardModifiers modifiers, const Camera &camera,
                                                  const QSize &viewport)
{
    m_modifiers = modifiers;
    if (!m_project)
        return {};
    Result result;
    if (m_pressed && m_pastThreshold)
        result = dragTool(m_last, modifiers, camera, viewport);
    else if (!m_pressed)
        result = hover(m_last, modifiers);
    result.repaint = true;
    return result;
}

MouseEditor::Result MouseEditor::leave()
{
    Result result;
    if (m_pressed)
        return result;
    result.repaint = m_hover.kind != PickHit::Nothing || m_preview.has_value();
    m_hover = PickHit();
    m_preview.reset();
    return result;
}

MouseEditor::Result MouseEditor::hover(const PointerSample &at, Qt::KeyboardModifiers modifiers)
{
    Result result;
    m_last = at;
    m_modifiers = modifiers;
    result.repaint = m_hover.kind != at.pick.hit.kind || m_hover.index != at.pick.hit.index;
    m_hover = at.pick.hit;
    if (m_support)
        result |= hoverBar(at, modifiers);
    return result;
}

MouseEditor::Result MouseEditor::clickSelect(const PointerSample &at, Qt::KeyboardModifiers modifiers)
{
    std::vector<bool> selection = currentSelection();
    const int index = at.pick.hit.kind == PickHit::Object ? at.pick.hit.index : -1;
    const bool add = holds(modifiers, Qt::ShiftModifier), toggle = holds(modifiers, Qt::ControlModifier);
    if (index >= 0 && index < int(selection.size())) {
        if (toggle)
            selection[size_t(index)] = !selection[size_t(index)];
        else if (add)
            selection[size_t(index)] = true;
        else {
            std::fill(selection.begin(), selection.end(), false);
            selection[size_t(index)] = true;
        }
    } else if (!add && !toggle) {
        std::fill(selection.begin(), selection.end(), false);
    }
    Result result;
    result.selectionChanged = !selectionEquals(selection);
    result.repaint = result.selectionChanged;
    setSelection(selection);
    return result;
}

MouseEditor::Result MouseEditor::startTool(Qt::KeyboardModifiers modifiers, const Camera &, const QSize &)
{
    Result result;
    if (m_tool == Tool::Rectangle) {
        result.selectionChanged = true;
        return result;
    }
    if (m_tool == Tool::None || m_tool == Tool::Bar)
        return result;
    // A drag that starts on an object outside the selection takes that object alone.
    const int index = m_press.pick.hit.index;
    if (index >= 0 && index < m_project->objectCount() && !m_project->object(index)->selected) {
        m_project->selectAll(false);
        m_project->object(index)->selected = true;
        result.selectionChanged = true;
    }
    if (m_tool == Tool::Move && holds(modifiers, Qt::AltModifier)) {
        cloneSelection();
        result.selectionChanged = true;
    }
    keepStartTransforms();
    const Box3f bounds = m_project->selectionBounds();
    m_pivot = (bounds.min + bounds.max) * 0.5f;
    if (m_tool == Tool::Scale)
        m_pivot.y = bounds.min.y; // objects standing on the plate keep standing there
    result.repaint = true;
    return result;
}

MouseEditor::Result MouseEditor::dragTool(const PointerSample &at, Qt::KeyboardModifiers modifiers,
                                          const Camera &camera, const QSize &viewport)
{
    Result result;
    result.repaint = true;
    switch (m_tool) {
    case Tool::Rectangle:
        return dragRectangle(modifiers, camera, viewport);
    case Tool::Move:
        dragMove(at, modifiers);
        break;
    case Tool::Rotate:
        dragRotate(modifiers, camera);
        break;
    case Tool::Scale:
        dragScale(modifiers, camera, viewport);
        break;
    case Tool::Bar:
        return dragBar(at, modifiers);
    case Tool::DropPlane:
    case Tool::None:
        break;
    }
    return result;
}

MouseEditor::Result MouseEditor::finishTool(const PointerSample &at, Qt::KeyboardModifiers modifiers)
{
    switch (m_tool) {
    case Tool::Move:
        return record(m_cloned || transformsChanged(), m_cloned ? "Clone" : "move");
    case Tool::Rotate:
        return record(transformsChanged(), "rotate");
    case Tool::Scale:
        return record(transformsChanged(), "scale");
    case Tool::DropPlane:
        return record(finishDropPlane(at, modifiers), "dropPlane");
    case Tool::Bar:
        return finishBar(at, modifiers);
    case Tool::Rectangle:
    case Tool::None:
        break;
    }
    return {};
}

MouseEditor::Result MouseEditor::record(bool changed, const QString &caption)
{
    Result result;
    if (changed && m_fileOps)
        m_fileOps->chg(caption);
    result.edited = changed;
    result.repaint = true;
    return result;
}

std::vector<bool> MouseEditor::currentSelection() const
{
    std::vector<bool> selection;
    for (int i = 0; m_project && i < m_project->objectCount(); ++i)
        selection.push_back(m_project->object(i)->selected);
    return selection;
}

bool MouseEditor::selectionEquals(const std::vector<bool> &selection) const
{
    return currentSelection() == selection;
}

void MouseEditor::setSelection(const std::vector<bool> &selection)
{
    for (int i = 0; i < m_project->objectCount() && size_t(i) < selection.size(); ++i)
        m_project->object(i)->selected = selection[size_t(i)];
}

MouseEditor::Result MouseEditor::dragRectangle(Qt::KeyboardModifiers modifiers, const Camera &camera,
                                               const QSize &viewport)
{
    const std::optional<QRect> rect = dragRect();
    const bool add = holds(modifiers, Qt::ShiftModifier), toggle = holds(modifiers, Qt::ControlModifier);
    std::vector<bool> selection = m_startSelection;
    selection.resize(size_t(m_project->objectCount()), false);
    for (int i = 0; rect && i < m_project->objectCount(); ++i) {
        const Box3f bounds = m_project->object(i)->transformedBounds();
        QPointF pixel;
        float distance = 0.0f;
        const bool inside = camera.project((bounds.min + bounds.max) * 0.5f, viewport, pixel, distance) &&
                            rect->contains(pixel.toPoint());
        if (toggle)
            selection[size_t(i)] = inside != m_startSelection[size_t(i)];
        else
            selection[size_t(i)] = inside || (add && m_startSelection[size_t(i)]);
    }
    setSelection(selection);
    Result result;
    result.selectionChanged = true;
    result.repaint = true;
    return result;
}

void MouseEditor::keepStartTransforms()
{
    m_startTransforms.clear();
    for (int i = 0; i < m_project->objectCount(); ++i)
        m_startTransforms.push_back(m_project->object(i)->transform());
}

bool MouseEditor::transformsChanged() const
{
    if (int(m_startTransforms.size()) != m_project->objectCount())
        return true;
    for (int i = 0; i < m_project->objectCount(); ++i)
        if (m_project->object(i)->transform() != m_startTransforms[size_t(i)])
            return true;
    return false;
}

void MouseEditor::applyToStart(const M44f &matrix)
{
    for (int i = 0; i < m_project->objectCount() && size_t(i) < m_startTransforms.size(); ++i) {
        Obj *obj = m_project->object(i);
        if (obj->selected)
            obj->setTransform(matrix * m_startTransforms[size_t(i)]);
    }
    m_project->barsOutdated = true;
}

void MouseEditor::cloneSelection()
{
    std::vector<Obj *> originals;
    for (int i = 0; i < m_project->objectCount(); ++i)
        if (m_project->object(i)->selected && m_project->object(i)->mesh())
            originals.push_back(m_project->object(i));
    std::vector<Obj *> copies;
    for (Obj *original : originals) {
        // The cache shares the mesh: the copy costs a hash, not a second mesh.
        Obj *copy = m_project->addMesh(*original->mesh(), original->name);
        copy->flag2 = original->flag2;
        copy->setTransform(original->transform());
        copies.push_back(copy);
    }
    // The copies move away; the originals stay where they were.
    m_project->selectAll(false);
    for (Obj *copy : copies)
        copy->selected = true;
    m_cloned = !copies.empty();
}

void MouseEditor::dragMove(const PointerSample &at, Qt::KeyboardModifiers modifiers)
{
    // Objects slide over the plate: the point grabbed follows the cursor in its own level plane.
    V3f now;
    if (!rayAtHeight(at, m_pressPoint.y, now))
        return;
    V3f delta = now - m_pressPoint;
    delta.y = 0.0f;
    if (holds(modifiers, Qt::ShiftModifier)) {
        if (std::fabs(delta.x) >= std::fabs(delta.z))
            delta.z = 0.0f;
        else
            delta.x = 0.0f;
    }
    applyToStart(M44f::translation(delta));
}

void MouseEditor::dragRotate(Qt::KeyboardModifiers modifiers, const Camera &camera)
{
    const QPoint drag = m_last.pixel - m_press.pixel;
    const bool snap = m_options.rotateAngleSnap != holds(modifiers, Qt::ShiftModifier);
    const float step = snap ? m_options.rotateSnapStep * kRadiansPerDegree : 0.0f;
    const float perPixel = degreesPerPixel * kRadiansPerDegree;
    M44f turn;
    if (holds(modifiers, Qt::AltModifier)) {
        // Roll: about the line of sight, as if turning a dial on the screen.
        turn = M44f::rotation(camera.forward(), snapAngle(drag.x() * perPixel, step));
    } else {
        const float yaw = snapAngle(drag.x() * perPixel, step);
        const float pitch = snapAngle(drag.y() * perPixel, step);
        turn = M44f::rotation(camera.right(), pitch) * M44f::rotation({0, 1, 0}, yaw);
    }
    applyToStart(M44f::translation(m_pivot) * turn * M44f::translation(-m_pivot));
}

void MouseEditor::dragScale(Qt::KeyboardModifiers modifiers, const Camera &camera, const QSize &viewport)
{
    const QPointF drag = m_last.pixel - m_press.pixel;
    const bool oneAxis = !m_options.uniformScale || holds(modifiers, Qt::ShiftModifier);
    V3f factors(1, 1, 1);
    if (!oneAxis) {
        const float f = std::exp(float(drag.x() - drag.y()) * scalePerPixel);
        factors = V3f(f, f, f);
    } else {
        // The world axis whose image on the screen runs most nearly along the drag; it stays chosen
        // for the rest of the drag.
        QPointF origin, tip, directions[3];
        float distance = 0.0f;
        const bool seen = camera.project(m_pivot, viewport, origin, distance);
        for (int axis = 0; axis < 3; ++axis) {
            V3f stub(0, 0, 0);
            stub[axis] = kAxisProbeLength;
            QPointF d;
            if (seen && camera.project(m_pivot + stub, viewport, tip, distance))
                d = tip - origin;
            const double length = std::hypot(d.x(), d.y());
            directions[axis] = length > 1e-6 ? d / length : QPointF();
        }
        if (m_scaleAxis < 0) {
            double best = -1.0;
            for (int axis = 0; axis < 3; ++axis) {
                const double along = std::fabs(QPointF::dotProduct(directions[axis], drag));
                if (along > best) {
                    best = along;
                    m_scaleAxis = axis;
                }
            }
        }
        const double along = QPointF::dotProduct(directions[m_scaleAxis], drag);
        factors[m_scaleAxis] = std::exp(float(along) * scalePerPixel);
    }
    for (int axis = 0; axis < 3; ++axis)
        factors[axis] = std::clamp(factors[axis], kSmallestScale, kLargestScale);
    applyToStart(M44f::translation(m_pivot) * M44f::scaling(factors) * M44f::translation(-m_pivot));
}

float MouseEditor::dropRoll(Qt::KeyboardModifiers modifiers) const
{
    if (!holds(modifiers, Qt::AltModifier))
        return 0.0f;
    const bool snap = m_options.dropAngleSnap != holds(modifiers, Qt::ShiftModifier);
    const float step = snap ? m_options.dropSnapStep * kRadiansPerDegree : 0.0f;
    return snapAngle((m_last.pixel.x() - m_press.pixel.x()) * degreesPerPixel * kRadiansPerDegree, step);
}

bool MouseEditor::finishDropPlane(const PointerSample &at, Qt::KeyboardModifiers modifiers)
{
    const int index = m_press.pick.hit.index;
    if (m_press.pick.hit.kind != PickHit::Object || index < 0 || index >= m_project->objectCount())
        return false;
    if (!m_project->object(index)->selected) {
        m_project->selectAll(false);
        m_project->object(index)->selected = true;
    }
    keepStartTransforms();
    // A drag without ALT ends on the surface to lie against; a click (or a roll) lays it on the plate.
    const bool ontoSurface =
        m_pastThreshold && !holds(modifiers, Qt::AltModifier) && at.pick.hit.kind == PickHit::Object;
    const V3f target = ontoSurface ? -at.pick.hit.normal : V3f(0, -1, 0);
    applyToStart(dropPlaneMatrix(m_pressNormal, target, m_pressPoint, dropRoll(modifiers)));
    if (!ontoSurface)
        m_project->dropSelected();
    return transformsChanged();
}
