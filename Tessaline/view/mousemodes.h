#pragma once

#include "geometry/m44f.h"
#include "geometry/supportbar.h"
#include "view/camera.h"
#include "view/viewmodes.h"

#include <QRect>
#include <QSize>
#include <QString>
#include <optional>
#include <vector>

class FileOps;
class Project;

// The rotation that lays a surface of unit normal n against the direction t (mm, scene frame): about
// the pivot p, n is turned onto t, then the whole is rolled about t by `roll` radians:
// T(p) · R(t, roll) · R(axis, angle) · T(-p), angle = acos(n · t), axis = n × t (an axis at right
// angles to t, the X axis for the plate, when n and t are parallel or opposite). R is right-handed,
// so +angle carries n onto t.
M44f dropPlaneMatrix(const V3f &n, const V3f &t, const V3f &pivot, float roll);

// `angle` rounded to the nearest multiple of `step` (both in the same unit); a step of 0 or less
// leaves it.
float snapAngle(float angle, float step);

// The left button's tools in the 3D view, without GL: selection by click and rectangle, moving,
// cloning, rotating, scaling and laying a surface on the plate, and placing and removing support
// bars by hand. It edits the project directly and records one undo step in FileOps for every
// completed edit (a drag on release, not on every move); selecting records nothing.
//
// The caller hands it a PointerSample per mouse event and the camera and viewport (logical pixels)
// it was taken with. The support flag makes the left button place bars instead of the object tools.
class MouseEditor
{
public:
    // What an event changed, for the view to repaint and tell its window.
    struct Result {
        bool edited = false;           // an undo step was recorded
        bool selectionChanged = false; // the selection or the rectangle in progress changed
        bool repaint = false;          // anything drawn changed (hover, preview, live edit)
        Result &operator|=(const Result &o);
    };

    // A press and release closer than this (pixels, Manhattan) is a click, not a drag.
    static constexpr int dragThreshold = 4;
    // Rotate and roll: degrees per pixel dragged.
    static constexpr float degreesPerPixel = 0.5f;
    // Scale: the factor doubles for about 70 pixels dragged.
    static constexpr float scalePerPixel = 0.01f;

    void setScene(Project *project, FileOps *fileOps);
    void setMode(MouseMode mode);
    void setSupport(bool support);
    void setOptions(const ViewOptions &options) { m_options = options; }
    const ViewOptions &options() const { return m_options; }
    // The mode set, or DragSelect while a rectangle is being drawn.
    MouseMode mode() const;
    bool support() const { return m_support; }

    Result press(const PointerSample &at, Qt::KeyboardModifiers modifiers, const Camera &camera, const QSize &viewport);
    // Hover without the left button, or the left button's drag.
    Result move(const PointerSample &at, Qt::KeyboardModifiers modifiers, const Camera &camera, const QSize &viewport);
    Result release(const PointerSample &at, Qt::KeyboardModifiers modifiers, const Camera &camera,
                   const QSize &viewport);
    // A modifier pressed or released with the cursor still: the drag or hover is re-evaluated.
    Result modifiersChanged(Qt::KeyboardModifiers modifiers, const Camera &camera, const QSize &viewport);
    // The cursor left the view: nothing is hovered.
    Result leave();
    // The project changed behind the editor's back (undo, load): a drag in progress is dropped.
    void sceneReplaced();

    bool dragging() const { return m_pressed; }
    // Index of the object under the cursor, or -1.
    int hoveredObject() const;
    // Index of the support bar under the cursor, or -1.
    int hoveredBar() const;
    // CTRL is held over a bar in the support tool: a click removes it.
    bool barWouldBeRemoved() const;
    // The bar a click or release would place now (support tool).
    const std::optional<SupportBar> &previewBar() const { return m_preview; }
    // The selection rectangle in progress (logical pixels).
    std::optional<QRect> dragRect() const;

private:
    enum class Tool { None, Rectangle, Move, Rotate, Scale, DropPlane, Bar };

    Result hover(const PointerSample &at, Qt::KeyboardModifiers modifiers);
    Result clickSelect(const PointerSample &at, Qt::KeyboardModifiers modifiers);
    Result startTool(Qt::KeyboardModifiers modifiers, const Camera &camera, const QSize &viewport);
    Result dragTool(const PointerSample &at, Qt::KeyboardModifiers modifiers, const Camera &camera,
                    const QSize &viewport);
    Result finishTool(const PointerSample &at, Qt::KeyboardModifiers modifiers);
    Result record(bool changed, const QString &caption);

    bool selectionEquals(const std::vector<bool> &selection) const;
    void setSelection(const std::vector<bool> &selection);
    std::vector<bool> currentSelection() const;
    Result dragRectangle(Qt::KeyboardModifiers modifiers, const Camera &camera, const QSize &viewport);
    void keepStartTransforms();
    bool transformsChanged() const;
    void cloneSelection();
    void dragMove(const PointerSample &at, Qt::KeyboardModifiers modifiers);
    void dragRotate(Qt::KeyboardModifiers modifiers, const Camera &camera);
    void dragScale(Qt::KeyboardModifiers modifiers, const Camera &camera, const QSize &viewport);
    void applyToStart(const M44f &matrix);
    bool finishDropPlane(const PointerSample &at, Qt::KeyboardModifiers modifiers);
    float dropRoll(Qt::KeyboardModifiers modifiers) const;

    // The support tool (supportmouse.cpp).
    Result hoverBar(const PointerSample &at, Qt::KeyboardModifiers modifiers);
    Result pressBar(const PointerSample &at, Qt::KeyboardModifiers modifiers);
    Result dragBar(const PointerSample &at, Qt::KeyboardModifiers modifiers);
    Result finishBar(const PointerSample &at, Qt::KeyboardModifiers modifiers);
    std::optional<SupportBar> freeHandBar(const PointerSample &at, Qt::KeyboardModifiers modifiers) const;

    Project *m_project = nullptr;
    FileOps *m_fileOps = nullptr;
    MouseMode m_mode = MouseMode::Select;
    bool m_support = false;
    ViewOptions m_options;

    // Hover.
    PickHit m_hover;
    Qt::KeyboardModifiers m_modifiers = Qt::NoModifier;
    std::optional<SupportBar> m_preview;
    PointerSample m_last;

    // The left button's drag.
    bool m_pressed = false;
    bool m_pastThreshold = false;
    Tool m_tool = Tool::None;
    PointerSample m_press;
    V3f m_pressPoint;
    V3f m_pressNormal;
    V3f m_pivot;
    bool m_cloned = false;
    // Scale along one axis: the axis chosen on the screen when the drag began, or -1.
    int m_scaleAxis = -1;
    std::vector<bool> m_startSelection;
    std::vector<M44f> m_startTransforms;
};
