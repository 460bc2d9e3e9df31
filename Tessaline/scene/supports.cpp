#include "scene/supports.h"

#include <cmath>

namespace
{

// Bars start this far off the picked surface, so that their end does not sit inside the object.
constexpr float anchorOffset = 0.1f;
// A bar shorter than this is not worth a bar.
constexpr float minimumRise = 0.1f;
constexpr float minimumSpacing = supportMinimumSpacing;

bool isTooCloseToStoredBars(const Project &project, const SupportBar &bar)
{
    return barNearPoint(project, bar.anchor(), minimumSpacing) >= 0 ||
           barNearPoint(project, bar.end(), minimumSpacing) >= 0;
}

// Whether the vertical line through the point's (x, z) passes through the triangle's projection, with
// the points on an edge or a vertex given to exactly one of the triangles that share it (the edge
// functions' ties broken by the edge's direction, as rasterisers do). A plain ray-triangle test counts
// such a point twice, and points on the grid of a part modelled on that grid, such as the middle of a
// cube's face, are exactly those.
bool projectionCovers(const Face &face, double x, double z)
{
    const V3f *p = face.p;
    const double area =
        (double(p[1].x) - p[0].x) * (double(p[2].z) - p[0].z) - (double(p[2].x) - p[0].x) * (double(p[1].z) - p[0].z);
    if (area == 0.0)
        return false;
    const double sign = area > 0.0 ? 1.0 : -1.0;
    for (int k = 0; k < 3; ++k) {
        const V3f &a = p[k], &b = p[(k + 1) % 3];
        const double dx = (double(b.x) - a.x) * sign, dz = (double(b.z) - a.z) * sign;
        const double edge = dx * (z - a.z) - dz * (x - a.x);
        if (edge < 0.0 || (edge == 0.0 && !(dz < 0.0 || (dz == 0.0 && dx > 0.0))))
            return false;
    }
    return true;
}

// Crossings of the surface above the point along +y.
int crossingsAbove(const Faces &mesh, const V3f &point)
{
    int crossings = 0;
    for (int i = 0; i < mesh.count(); ++i) {
        const Face &face = mesh[i];
        if (!projectionCovers(face, point.x, point.z))
            continue;
        // The height of the face's plane over the point.
        const V3f n = Face::normalOf(face.p[0], face.p[1], face.p[2]);
        if (n.y == 0.0f)
            continue;
        const V3f &a = face.p[0];
        const double y = a.y - (double(n.x) * (double(point.x) - a.x) + double(n.z) * (double(point.z) - a.z)) / n.y;
        if (y > point.y)
            ++crossings;
    }
    return crossings;
}

} // namespace

int rayQuery(const Project &project, char what, const V3f &origin, const V3f &target, V3f &hitPoint, V3f &hitNormal)
{
    int nearest = -1;
    double nearestDistance = 0.0;
    for (int i = 0; i < project.objectCount(); ++i) {
        V3f point, normal;
        if (!project.object(i)->rayIntersect(what, origin, target, point, normal))
            continue;
        const double distance = (point - origin).length();
        if (nearest < 0 || distance < nearestDistance) {
            nearest = i;
            nearestDistance = distance;
            hitPoint = point;
            hitNormal = normal;
        }
    }
    return nearest;
}

int rayQuery(const Project &project, char what, const V3f &origin, const V3f &target, V3f &hitPoint, V3f &hitNormal,
             char &usedMode, double &distance)
{
    const int index = rayQuery(project, what, origin, target, hitPoint, hitNormal);
    usedMode = (what == 'p' || what == 'q') ? 'o' : what;
    distance = index < 0 ? 1e30 : (hitPoint - origin).length();
    return index;
}

int objectContainingPoint(const Project &project, const V3f &point)
{
    for (int i = 0; i < project.objectCount(); ++i) {
        const Obj *obj = project.object(i);
        if (!obj->mesh())
            continue;
        const V3f local = obj->transform().inverseAffine().mapPoint(point);
        const Box3f &box = obj->bounds();
        bool inBox = true;
        for (int axis = 0; axis < 3; ++axis)
            inBox = inBox && local[axis] >= box.min[axis] && local[axis] <= box.max[axis];
        if (inBox && crossingsAbove(*obj->mesh(), local) % 2 == 1)
            return i;
    }
    return -1;
}

int barNearPoint(const Project &project, const V3f &point, float distance)
{
    for (int i = 0; i < project.supportBars.size(); ++i) {
        const SupportBarRecord &bar = project.supportBars[i];
        if (manhattanDistance(point, bar.anchor) < distance || manhattanDistance(point, bar.end) < distance)
            return i;
    }
    return -1;
}

std::optional<SupportBar> makeBar(const Project &project, const V3f &point, const V3f &normal, float width)
{
    if (normal.y == 0.0f || !point.isFinite() || !normal.isFinite() || !(width > 0.0f) ||
        !(width <= meshCoordinateLimit))
        return std::nullopt;
    const float sigma = normal.y > 0.0f ? 1.0f : -1.0f;
    const V3f anchor(point.x, point.y + anchorOffset * sigma, point.z);
    if (objectContainingPoint(project, anchor) >= 0)
        return std::nullopt;
    V3f end, hitNormal;
    if (rayQuery(project, 'o', anchor, anchor + V3f(0, sigma, 0), end, hitNormal) < 0) {
        if (sigma > 0.0f)
            return std::nullopt;
        end = V3f(anchor.x, 0.0f, anchor.z);
    }
    if (!(std::fabs(anchor.y - end.y) >= minimumRise))
        return std::nullopt;
    return SupportBar(anchor, end, width);
}

bool addBar(Project &project, const V3f &point, const V3f &normal, float width)
{
    const std::optional<SupportBar> bar = makeBar(project, point, normal, width);
    if (!bar || bar->manhattanLength() < minimumSpacing || isTooCloseToStoredBars(project, *bar))
        return false;
    project.supportBars.append(SupportBarRecord::of(*bar));
    return true;
}

void clearSupports(Project &project)
{
    project.supportBars.clear();
}

Faces supportBarsMesh(const Project &project)
{
    Faces mesh;
    mesh.reserve(16 * project.supportBars.size());
    for (const SupportBarRecord &record : project.supportBars) {
        const Faces body = record.bar().body();
        for (int i = 0; i < body.count(); ++i)
            mesh.append(body[i]);
    }
    return mesh;
}
