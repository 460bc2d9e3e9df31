#pragma once

#include "geometry/v3f.h"
#include "view/picking.h"

#include <QPoint>

// What the left mouse button does in the 3D view. The window's edit modes live with the forms; the
// view keeps its own list so that it needs nothing from them. DragSelect is never set from outside:
// it is the view's state while a selection rectangle is being drawn.
enum class MouseMode { Select, DragSelect, Move, Rotate, Scale, DropPlane };

// "Select", "DragSelect", "Move", "Rotate", "Scale", "DropPlane".
const char *mouseModeName(MouseMode mode);

// What the side panels set for the mouse tools. Angles in degrees, the bar width in mm.
struct ViewOptions {
    bool rotateAngleSnap = false; // chAngleSnap_1 (SHIFT turns it the other way while held)
    float rotateSnapStep = 15.0f; // seAngleSnap_1
    bool dropAngleSnap = false;   // chAngleSnap_2
    float dropSnapStep = 15.0f;   // seAngleSnap_2
    bool uniformScale = true;     // chUniformScale
    float barWidth = 1.0f;        // the support bar size of new bars
};

// What lies under the cursor when a mouse event is handled: the ray through the pixel and what it
// meets. The view fills `pick.point` from its depth pass where it has one; headless callers use the
// ray's hit.
struct PointerSample {
    QPoint pixel;
    V3f rayOrigin;
    V3f rayTarget;
    ViewPick pick;

    // The depth pass's point, else the ray's hit; false over the background.
    bool surfacePoint(V3f &point) const;
};
