#include "scene/obj.h"

#include <cmath>

bool Obj::keepsMeshWithinLimit(const M44f &transform) const
{
    if (!transform.isFinite())
        return false;
    // Per output coordinate, the largest value any vertex inside the bounds can reach.
    const double reach[3] = {std::max(std::fabs(double(m_bounds.min.x)), std::fabs(double(m_bounds.max.x))),
                             std::max(std::fabs(double(m_bounds.min.y)), std::fabs(double(m_bounds.max.y))),
                             std::max(std::fabs(double(m_bounds.min.z)), std::fabs(double(m_bounds.max.z)))};
    for (int row = 0; row < 3; ++row) {
        double extent = std::fabs(double(transform[12 + row]));
        for (int col = 0; col < 3; ++col)
            extent += std::fabs(double(transform[col * 4 + row])) * reach[col];
        if (extent > meshCoordinateLimit)
            return false;
    }
    return true;
}

void Obj::setMesh(Faces *mesh)
{
    m_mesh = mesh;
    m_bounds = mesh ? mesh->boundingBox() : Box3f();
    releaseRenderLists();
}

void Obj::setTransform(const M44f &transform)
{
    if (!keepsMeshWithinLimit(transform))
        return;
    m_transform = transform;
    releaseRenderLists();
}

bool Obj::rayIntersect(char what, const V3f &origin, const V3f &target, V3f &hitPoint, V3f &hitNormal) const
{
    if (what != 'p' && what != 'q' && what != 'o' && what != 'a')
        throw "Obj::rayIntersect() invalid 'what' parameter";
    if ((what == 'p' && !selected) || (what == 'q' && selected) || !m_mesh)
        return false;
    const M44f toLocal = m_transform.inverseAffine();
    const V3f localOrigin = toLocal.mapPoint(origin), localTarget = toLocal.mapPoint(target);
    // The box sides facing away from the origin are met even when the ray starts inside the box.
    Faces box;
    box.makeBox(m_bounds);
    V3f localHit, localNormal;
    const int boxSide = box.rayPick(localOrigin, localTarget, true, localHit, localNormal);
    if (boxSide < 0)
        return false;
    const bool mirrored = m_transform.determinant3() < 0;
    if (what == 'a') {
        hitPoint = m_transform.mapPoint(localHit);
        hitNormal = m_transform.mapVector(localNormal).normalized();
    } else {
        const int index = m_mesh->rayPick(localOrigin, localTarget, false, localHit, localNormal);
        if (index < 0)
            return false;
        const Face world = Faces::transformed((*m_mesh)[index], m_transform, true);
        hitPoint = m_transform.mapPoint(localHit);
        hitNormal = world.n;
    }
    if (mirrored)
        hitNormal = -hitNormal;
    return true;
}

Box3f Obj::transformedBounds() const
{
    return m_mesh ? m_mesh->boundingBox(m_transform) : Box3f();
}
