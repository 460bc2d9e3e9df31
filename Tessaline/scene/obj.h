#pragma once

#include "geometry/box3f.h"
#include "geometry/faces.h"
#include "geometry/m44f.h"

#include <QString>
#include <memory>

class Project;

// Drawing data that the 3D view caches per object (vertex buffers). The scene only owns and drops
// it: whenever the mesh or the transform changes the cached lists are released.
class ObjRenderLists
{
public:
    virtual ~ObjRenderLists() = default;
};

// One object placed in the scene: a mesh shared through the project's FacesCache under a model
// matrix (mm, Y up, column-major, translation in elements 12-14). The project owns its objects;
// the mesh belongs to the cache.
class Obj
{
public:
    explicit Obj(Project *project) : m_project(project) {}

    Project *project() const { return m_project; }
    void setProject(Project *project) { m_project = project; }

    QString name;
    bool selected = false;
    // Kept with the object through files and undo; no meaning attached yet.
    bool flag2 = false;
    std::unique_ptr<ObjRenderLists> renderLists;

    Faces *mesh() const { return m_mesh; }
    // Also recomputes the mesh bounds.
    void setMesh(Faces *mesh);
    const M44f &transform() const { return m_transform; }
    // A matrix with a non-finite element, or one that would carry the mesh beyond
    // ±meshCoordinateLimit, is refused and the previous transform kept: NaN and infinity never reach
    // bounds, picking or slicing. Set the mesh first.
    void setTransform(const M44f &transform);

    // Of the mesh in its own coordinates.
    const Box3f &bounds() const { return m_bounds; }
    // Of the transformed vertices (exact, not the transformed box).
    Box3f transformedBounds() const;
    void releaseRenderLists() { renderLists.reset(); }

    // The ray from origin towards target (world frame) against this object: mode 'p' only when
    // selected, 'q' only when not, 'o' always, 'a' against the bounding box alone. On a hit, the hit
    // point and the outward surface normal in the world frame. Throws
    // "Obj::rayIntersect() invalid 'what' parameter" for any other mode.
    bool rayIntersect(char what, const V3f &origin, const V3f &target, V3f &hitPoint, V3f &hitNormal) const;

private:
    bool keepsMeshWithinLimit(const M44f &transform) const;

    Project *m_project = nullptr;
    Faces *m_mesh = nullptr;
    M44f m_transform;
    Box3f m_bounds;
};
