#include "obj.h"

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

Box3f Obj::transformedBounds() const
{
    return m_mesh ? m_mesh->boundingBox(m_transform) : Box3f();
}
